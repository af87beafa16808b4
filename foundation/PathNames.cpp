#include "foundation/PathNames.h"

#include <vector>

#include "foundation/AString.h"
#include "foundation/CodePages.h"
#include "foundation/PathBytes.h"
#include "foundation/TempFiles.h"

namespace kvn {

std::string ToNativePath(const WString& path) { return PathBytes(WithForwardSlashes(path).View()); }

WString WithForwardSlashes(const WString& path) {
  if (path.FindChar(u'\\') < 0) return path;
  WString out(path);
  char16_t* p = out.Data();
  for (int i = 0; i < out.Length(); ++i)
    if (p[i] == u'\\') p[i] = u'/';
  return out;
}

namespace {

bool IsDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

// "/" or "X:/" (after separators were made '/').
bool IsRootPath(const WString& path) {
  if (path.Length() == 1) return path[0] == u'/';
  return path.Length() == 3 && IsDriveLetter(path[0]) && path[1] == u':' && path[2] == u'/';
}

int LastSeparator(const WString& path) {
  for (int i = path.Length() - 1; i >= 0; --i)
    if (IsPathSeparator(path[i])) return i;
  return -1;
}

}  // namespace

bool NormalizeDirectoryPath(WString& path) {
  path = WithForwardSlashes(path);
  int n = path.Length();
  if (n == 0 || path[n - 1] != u'/' || IsRootPath(path)) return false;
  path.Erase(n - 1, 1);
  return true;
}

void AddTrailingBackslash(WString& path) {
  if (!path.IsEmpty() && !IsPathSeparator(path[path.Length() - 1])) path.AppendChar(u'/');
}

WString GetFileNamePart(const WString& path) { return path.TailFrom(LastSeparator(path) + 1); }

WString GetFileExtension(const WString& path) {
  int dot = path.ReverseFindChar(u'.');
  // Only a '.' of the last name counts: "a.b/c" has no extension.
  if (dot < 0 || dot < LastSeparator(path)) return WString();
  return path.TailFrom(dot);
}

WString StripPathPrefix(const WString& path, const WString& prefix) {
  if (prefix.IsEmpty() || !path.View().starts_with(prefix.View())) return path;
  return path.TailFrom(prefix.Length());
}

namespace {

// `view` ('/'-separated) with its first `rootLength` characters kept as they
// are and, past them, "." components and repeated separators dropped; ".."
// takes away the component before it when `parentsCollapse`, else it stays
// a component. A trailing separator stays where a component is left.
std::u16string LexicalPath(std::u16string_view view, std::size_t rootLength, bool parentsCollapse) {
  const bool trailing = view.size() > rootLength && view.back() == u'/';
  std::vector<std::u16string_view> parts;
  std::size_t pos = rootLength;
  while (pos <= view.size()) {
    std::size_t end = view.find(u'/', pos);
    if (end == std::u16string_view::npos) end = view.size();
    std::u16string_view part = view.substr(pos, end - pos);
    if (parentsCollapse && part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    pos = end + 1;
  }
  std::u16string out(view.substr(0, rootLength));
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += u'/';
    out += parts[i];
  }
  if (trailing && !parts.empty()) out += u'/';
  return out;
}

}  // namespace

WString CollapsePath(const WString& absolutePath) {
  WString path = WithForwardSlashes(absolutePath);
  std::u16string_view view = path.View();
  // The root: "/" or "X:/" (or a bare "X:"), kept as it is.
  std::size_t rootLength = 0;
  if (view.size() >= 2 && IsDriveLetter(view[0]) && view[1] == u':')
    rootLength = view.size() >= 3 && view[2] == u'/' ? 3 : 2;
  else if (!view.empty() && view[0] == u'/')
    rootLength = 1;
  return WString(std::u16string_view(LexicalPath(view, rootLength, true)));
}

WString WithoutDotComponents(std::u16string_view path) {
  const std::u16string out = LexicalPath(path, !path.empty() && path.front() == u'/' ? 1 : 0, false);
  return WString(out.empty() ? std::u16string_view(u".") : std::u16string_view(out));
}

// --- safe file names ------------------------------------------------------------------

namespace {

bool IsUnsafeInName(char16_t c) {
  switch (c) {
    case u'\\': case u'/': case u':': case u'*': case u'?': case u'"': case u'<': case u'>': case u'|':
      return true;
    default:
      return c < 32;
  }
}

bool IsReservedDeviceName(const WString& name) {
  AString upper;
  name.ToAscii(upper);
  upper.MakeUpper();
  std::string_view v = upper.View();
  if (v == "CON" || v == "PRN" || v == "AUX" || v == "NUL") return true;
  return v.size() == 4 && (v.starts_with("COM") || v.starts_with("LPT")) && v[3] >= '1' && v[3] <= '9';
}

void TrimSpaces(WString& text) { text.Trim(WString::TrimMode::Both, u' '); }

}  // namespace

void MakeSafeFileName(WString& text, int maxLength, bool forceAscii) {
  // Linux keeps any character in a name, so the text stays wide unless
  // folding is asked for (the Windows program went through its ANSI code
  // page, which would also have lost every letter outside it).
  WString name = text;
  if (forceAscii || !FileSystemKeepsAccents()) {
    AString folded;
    text.FoldToAString(folded);
    name = WString(kCodePageBytes, folded);
  }

  TrimSpaces(name);
  if (maxLength >= 0 && name.Length() > maxLength) {
    int cut = maxLength;
    // Never keep half of a surrogate pair.
    if (cut > 0 && name[cut - 1] >= 0xD800 && name[cut - 1] <= 0xDBFF) --cut;
    name.Erase(cut, -1);
  }
  TrimSpaces(name);
  name.Trim(WString::TrimMode::Trailing, u'.');
  TrimSpaces(name);

  char16_t* p = name.Data();
  for (int i = 0; i < name.Length(); ++i) {
    if (IsUnsafeInName(p[i]) || p[i] == u'.') p[i] = u'_';
  }

  if (IsReservedDeviceName(name)) name.Clear();

  // The euro sign and unpaired surrogates (which no UTF-8 name can hold) go too.
  p = name.Data();
  for (int i = 0; i < name.Length(); ++i) {
    char16_t c = p[i];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    bool low = c >= 0xDC00 && c <= 0xDFFF;
    if (high && i + 1 < name.Length() && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
      ++i;
      continue;
    }
    if (IsUnsafeInName(c) || c == 0x20AC || high || low) p[i] = u'_';
  }

  if (name.IsEmpty()) name = WString(u"_");
  text = name;
}

}  // namespace kvn
