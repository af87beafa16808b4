// Text between the program (UTF-16 WString) and the toolkit (wxString).
#pragma once

#include <wx/string.h>

#include "foundation/WString.h"

namespace kvn {

inline wxString ToWx(const WString& text) { return wxString::FromUTF8(text.ToUtf8()); }

inline WString FromWx(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return WString::FromUtf8(std::string_view(utf8.data(), utf8.length()));
}

// A menu item's label: the text, then a tab and the shortcut text when there
// is one (the toolkit shows it right-aligned when it can parse it).
inline wxString MenuLabel(const WString& text, const WString& shortcut) {
  wxString label = ToWx(text);
  if (!shortcut.IsEmpty()) label << '\t' << ToWx(shortcut);
  return label;
}

}  // namespace kvn
