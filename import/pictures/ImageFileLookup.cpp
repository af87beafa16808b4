#include "import/pictures/ImageFileLookup.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cwctype>
#include <string>

#include "foundation/FileSystem.h"
#include "foundation/PathNames.h"

namespace kvn {

namespace {

char16_t Folded(char16_t c) {
  if (c >= u'A' && c <= u'Z') return char16_t(c + 32);
  if (c < 0x80 || (c >= 0xD800 && c <= 0xDFFF)) return c;
  return char16_t(std::towlower(wint_t(c)));
}

bool SameNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Folded(a[i]) != Folded(b[i])) return false;
  }
  return true;
}

// The folder part of a path with its trailing '/', or "./" without one.
WString FolderOf(const WString& path) {
  const std::u16string_view s = path.View();
  for (std::size_t i = s.size(); i > 0; --i) {
    if (IsPathSeparator(s[i - 1])) return WithForwardSlashes(WString(s.substr(0, i)));
  }
  return WString(u"./");
}

// `rest` counted from `folder` ('/'-separated), without "." components or
// repeated separators: the path the open's messages name, and one key for
// one file however the drawing wrote it (".\\x.jpg" beside a drawing opened
// from its own folder is "x.jpg", not "././x.jpg").
WString JoinedPath(std::u16string_view folder, std::u16string_view rest) {
  std::u16string joined(folder);
  if (!joined.empty() && !rest.empty()) joined += u'/';
  joined += rest;
  return WithoutDotComponents(joined);
}

// The names tried in turn: the first regular file ends the search, and the
// first name that is there as anything else is kept should none be found.
class Candidates {
 public:
  bool Regular(const WString& path) {
    switch (GetFileKind(path)) {
      case FileKind::kRegular: return true;
      case FileKind::kNone:
        // A loop of links, or one leading nowhere: there, but not to be
        // looked through.
        if (!Named(path)) return false;
        break;
      default: break;
    }
    if (other_.IsEmpty()) other_ = path;
    return false;
  }
  // The name there as no regular file; empty when none was.
  const WString& Other() const { return other_; }

 private:
  static bool Named(const WString& path) {
    struct stat st;
    return ::lstat(ToNativePath(path).c_str(), &st) == 0;
  }
  WString other_;
};

// The regular file in `folder` whose name equals `name` without regard to case.
WString FindNoCase(const WString& folder, const WString& name, Candidates& candidates) {
  DIR* dir = ::opendir(ToNativePath(folder).c_str());
  if (!dir) return WString();
  WString found;
  while (const dirent* entry = ::readdir(dir)) {
    const WString candidate = WString::FromUtf8(entry->d_name);
    if (!SameNoCase(candidate.View(), name.View())) continue;
    const WString path = JoinedPath(folder.View(), candidate.View());
    if (candidates.Regular(path)) {
      found = path;
      break;
    }
  }
  ::closedir(dir);
  return found;
}

}  // namespace

WString PortableImagePath(const WString& stored) {
  std::u16string text(stored.View());
  for (char16_t& c : text)
    if (c == u'\\') c = u'/';
  if (text.size() >= 2 && text[1] == u':' &&
      ((text[0] >= u'A' && text[0] <= u'Z') || (text[0] >= u'a' && text[0] <= u'z')))
    text.erase(0, 2);
  return WString(text);
}

WString FindImageFile(const WString& stored, const WString& drawingFileName, WString* notAFile) {
  const WString path = PortableImagePath(stored);
  const WString folder = FolderOf(drawingFileName);
  Candidates candidates;
  // A relative path counts from the drawing, not from wherever the viewer
  // was started.
  if (!path.IsEmpty()) {
    const WString named = path[0] == u'/' ? JoinedPath({}, path.View()) : JoinedPath(folder.View(), path.View());
    if (candidates.Regular(named)) return named;
  }
  const WString name = GetFileNamePart(path);
  if (!name.IsEmpty()) {
    const WString beside = JoinedPath(folder.View(), name.View());
    if (candidates.Regular(beside)) return beside;
    const WString found = FindNoCase(folder, name, candidates);
    if (!found.IsEmpty()) return found;
  }
  if (notAFile) *notAFile = candidates.Other();
  return WString();
}

}  // namespace kvn
