#include "platform/ui/ToolkitLanguage.h"

#include <wx/app.h>
#include <wx/translation.h>

#include <langinfo.h>
#include <libintl.h>

#include <cerrno>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kvn {

namespace {

const char* LanguageCode(int languageIndex) {
  switch (languageIndex) {
    case 0: return "cs";
    case 1: return "sk";
    default: return "en";
  }
}

// gettext ignores LANGUAGE in the "C" locale; C.UTF-8 is a locale of every
// glibc system and lets it through.
void MessagesLocaleThatTranslates() {
  const char* current = std::setlocale(LC_MESSAGES, nullptr);
  if (current != nullptr && std::strcmp(current, "C") != 0 && std::strcmp(current, "POSIX") != 0) {
    // Set again all the same: setting a locale is what makes gettext
    // forget the texts it has already looked up.
    const std::string name = current;
    std::setlocale(LC_MESSAGES, name.c_str());
    return;
  }
  for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8", "cs_CZ.UTF-8"}) {
    if (std::setlocale(LC_MESSAGES, name) != nullptr) return;
  }
}

}  // namespace

bool UseUtf8CharacterType() {
  auto utf8 = [] {
    const char* codeset = nl_langinfo(CODESET);
    return codeset != nullptr && std::strcmp(codeset, "UTF-8") == 0;
  };
  if (utf8()) return true;
  // The environment's language and country in UTF-8 first (cs_CZ of
  // cs_CZ.ISO-8859-2), then the plain UTF-8 locale every glibc system has.
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  std::string language = current ? current : "C";
  language = language.substr(0, language.find_first_of(".@"));
  std::vector<std::string> names;
  if (language != "C" && language != "POSIX" && !language.empty()) names.push_back(language + ".UTF-8");
  names.insert(names.end(), {"C.UTF-8", "C.utf8"});
  for (const std::string& name : names) {
    if (std::setlocale(LC_CTYPE, name.c_str()) != nullptr && utf8()) return true;
  }
  return false;
}

void ApplyToolkitLanguage(int languageIndex) {
  const char* code = LanguageCode(languageIndex);
  setenv("LANGUAGE", code, 1);
  // Before the messages locale is set again, which makes gettext forget
  // the texts it translated into the old character set.
  UseUtf8CharacterType();
  MessagesLocaleThatTranslates();
  // A fresh set of wx catalogues for the language (the old one goes with
  // Set); wxWidgets finds its catalogues only once its application exists.
  if (wxTheApp == nullptr) return;
  auto* translations = new wxTranslations;
  translations->SetLanguage(wxString::FromAscii(code));
  translations->AddStdCatalog();
  wxTranslations::Set(translations);
}

const char* ToolkitText(const char* domain, const char* message) { return dgettext(domain, message); }

namespace {

// The C library's text for an error number in the language applied last,
// in UTF-8, kept until the program ends.
const char* SystemErrorText(int errnum) {
  // Kept for ever, as GLib's callers may keep the pointer; a few hundred
  // error numbers in three languages at most.
  static std::mutex lock;
  static auto* texts = new std::set<std::string, std::less<>>();
  const std::lock_guard<std::mutex> guard(lock);
  char buffer[256];
  // GNU strerror_r: a text of the C library's catalogue, or the buffer.
  const char* text = ::strerror_r(errnum, buffer, sizeof buffer);
  // Translated into any other set, the text would not be UTF-8, which
  // GLib's callers expect: untranslated then.
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
    static const locale_t plain = ::newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    if (plain) text = ::strerror_l(errnum, plain);
  }
  return texts->emplace(text).first->c_str();
}

}  // namespace

}  // namespace kvn

// GLib's own g_strerror keeps the first text of every error number for the
// life of the process, so after Czech, Slovak and English in turn the file
// chooser (GIO's and GTK's reasons) still said "Adresář nebo soubor
// neexistuje". This one takes its place: the program exports it
// (platform/CMakeLists.txt) and GIO and GTK, which call GLib's through
// their import tables, find the program's first.
extern "C" __attribute__((visibility("default"))) const char* g_strerror(int errnum) {
  const int saved = errno;
  const char* text = kvn::SystemErrorText(errnum);
  errno = saved;
  return text;
}
