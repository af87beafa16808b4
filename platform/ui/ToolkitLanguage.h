// The toolkit's own texts in the interface language: the file chooser's
// buttons and places, the standard buttons of the toolkit's dialogs.
//
// wxWidgets labels its standard buttons from its catalogue (wxstd-3.2,
// Debian's wx3.2-i18n) through wxTranslations; GTK writes the rest from its
// own (gtk30) through gettext, which follows LANGUAGE as long as the
// messages locale is not plain "C". So the language code goes to both, and
// LC_MESSAGES alone is moved to a UTF-8 locale when it is "C"; numbers,
// dates and the rest of the process locale stay as they are.
#pragma once

namespace kvn {

// Languages by the program's index (foundation/LangTable.h: Czech 0,
// Slovak 1, English 2); any other index means English.
void ApplyToolkitLanguage(int languageIndex);

// The toolkit's text for a message of a gettext domain ("gtk30"), as GTK
// would show it now.
const char* ToolkitText(const char* domain, const char* message);

}  // namespace kvn
