#include "foundation/StoredPaths.h"

#include <dirent.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"
#include "foundation/UnicodeCase.h"

namespace kvn {

namespace {

// Trailing parts tried below the base folder: paths in drawings are a few
// folders deep, and each try costs a folder listing.
constexpr std::size_t kMaxSuffixTries = 16;

bool IsStoredDriveLetter(char16_t c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'); }

char16_t FoldPathChar(char16_t c) {
  char16_t upper = UpperCaseW(c);
  return upper ? upper : c;
}

bool EqualNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && FoldPathChar(a[i]) != FoldPathChar(b[i])) return false;
  return true;
}

std::vector<std::u16string> SplitComponents(std::u16string_view path) {
  std::vector<std::u16string> parts;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    std::size_t end = path.find(u'/', pos);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > pos) parts.emplace_back(path.substr(pos, end - pos));
    pos = end + 1;
  }
  return parts;
}

// The name in `folder` (native, ending in '/') that `wanted` means: itself when
// it exists, else the first case-insensitive match in byte order.
bool FindEntry(const std::string& folder, const std::u16string& wanted, std::string& entry) {
  WString wide{std::u16string_view(wanted)};
  std::string exact = PathBytes(wide.View());
  struct stat st;
  if (::lstat((folder + exact).c_str(), &st) == 0) {
    entry = exact;
    return true;
  }
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  bool matched = false;
  while (struct dirent* e = ::readdir(dir)) {
    std::string_view name(e->d_name);
    if (name == "." || name == "..") continue;
    WString candidate = PathFromBytes(name);
    if (!EqualNoCase(candidate.View(), wanted)) continue;
    if (!matched || name < entry) entry = std::string(name);
    matched = true;
  }
  ::closedir(dir);
  return matched;
}

// Walks `parts` from `root` (native, ending in '/'); the last part must be a
// file, the ones before it folders.
bool Walk(const std::string& root, const std::vector<std::u16string>& parts, std::size_t first, WString& found) {
  std::vector<std::string> resolved;
  for (std::size_t i = first; i < parts.size(); ++i) {
    const std::u16string& part = parts[i];
    if (part == u".") continue;
    if (part == u"..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    std::string folder = root;
    for (const std::string& r : resolved) folder += r + "/";
    std::string entry;
    if (!FindEntry(folder, part, entry)) return false;
    resolved.push_back(entry);
  }
  if (resolved.empty()) return false;
  std::string path = root;
  for (std::size_t i = 0; i < resolved.size(); ++i) path += (i ? "/" : "") + resolved[i];
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  found = PathFromBytes(path);
  return true;
}

}  // namespace

bool ResolveStoredPath(const WString& stored, const WString& baseFolder, WString& found) {
  std::u16string path(WithForwardSlashes(stored).View());
  if (path.find(u'\0') != std::u16string::npos) return false;

  bool absolute = false;
  if (path.starts_with(u"//?/UNC/")) {
    path = u"//" + path.substr(8);
  } else if (path.starts_with(u"//?/")) {
    path = path.substr(4);
  }
  if (path.starts_with(u"//")) {
    // \\server\share\rest: the share has no counterpart here, the rest may.
    std::size_t server = path.find(u'/', 2);
    std::size_t share = server == std::u16string::npos ? server : path.find(u'/', server + 1);
    path = share == std::u16string::npos ? std::u16string() : path.substr(share + 1);
    absolute = true;
  } else if (path.size() >= 2 && IsStoredDriveLetter(path[0]) && path[1] == u':') {
    absolute = path.size() >= 3 && path[2] == u'/';
    path = path.substr(absolute ? 3 : 2);
  } else if (path.starts_with(u"/")) {
    absolute = true;
  }

  std::vector<std::u16string> parts = SplitComponents(path);
  if (parts.empty()) return false;

  std::string base;
  if (!baseFolder.IsEmpty()) {
    base = ToNativePath(baseFolder);
    if (!base.ends_with('/')) base += '/';
  }

  if (!absolute) return !base.empty() && Walk(base, parts, 0, found);
  if (Walk("/", parts, 0, found)) return true;
  if (base.empty()) return false;
  std::size_t first = parts.size() > kMaxSuffixTries ? parts.size() - kMaxSuffixTries : 0;
  for (std::size_t k = first; k < parts.size(); ++k) {
    if (Walk(base, parts, k, found)) return true;
  }
  return false;
}

}  // namespace kvn
