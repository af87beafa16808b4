// The toolkit's own texts in the interface language: the file chooser's
// buttons, places and reasons, the standard buttons of the toolkit's dialogs.
//
// wxWidgets labels its standard buttons from its catalogue (wxstd-3.2,
// Debian's wx3.2-i18n) through wxTranslations; GTK writes the rest from its
// own (gtk30) through gettext, which follows LANGUAGE as long as the
// messages locale is not plain "C". So the language code goes to both, and
// LC_MESSAGES alone is moved to a UTF-8 locale when it is "C"; numbers,
// dates and the rest of the process locale stay as they are, but for the
// character type, which is made UTF-8: the C library and GLib write their
// translated texts (error texts, the chooser's messages) in the character
// type's set, and in "C" every accented letter becomes '?'.
#pragma once

namespace kvn {

// Languages by the program's index (foundation/LangTable.h: Czech 0,
// Slovak 1, English 2); any other index means English.
void ApplyToolkitLanguage(int languageIndex);

// Moves LC_CTYPE (alone: LC_NUMERIC, which number parsing relies on, stays)
// to a UTF-8 locale unless it is one: the environment's language in UTF-8,
// else C.UTF-8. False when the system has none. ApplyToolkitLanguage does
// it first.
bool UseUtf8CharacterType();

// The toolkit's text for a message of a gettext domain ("gtk30"), as GTK
// would show it now.
const char* ToolkitText(const char* domain, const char* message);

}  // namespace kvn
