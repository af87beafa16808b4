#include "foundation/ProgramFolders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"

namespace kvn {

namespace {

struct ProgramLocation {
  bool known = false;
  WString directory;
  WString fileName;
};

ProgramLocation& Location() {
  static ProgramLocation location;
  return location;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// An absolute $NAME, else home + fallback; empty without a home folder.
std::string XdgBase(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  if (value && value[0] == '/') return value;
  std::string home = GetHomeFolder();
  return home.empty() ? std::string() : home + "/" + fallback;
}

// One XDG user folder from user-dirs.dirs (lines such as
// XDG_DOCUMENTS_DIR="$HOME/Documents"); empty when not configured.
std::string XdgUserDir(const char* key) {
  std::string config = XdgBase("XDG_CONFIG_HOME", ".config");
  if (config.empty()) return {};
  std::ifstream in(config + "/user-dirs.dirs");
  std::string line;
  std::string prefix = std::string(key) + "=\"";
  while (std::getline(in, line)) {
    if (!line.starts_with(prefix) || line.size() < prefix.size() + 1 || line.back() != '"') continue;
    std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
    if (value.starts_with("$HOME")) {
      std::string home = GetHomeFolder();
      if (home.empty()) return {};
      value = home + value.substr(5);
    }
    return value.starts_with('/') ? value : std::string();
  }
  return {};
}

WString FolderOf(const std::string& path) {
  WString folder = PathFromBytes(path);
  AddTrailingBackslash(folder);
  return folder;
}

std::string UserFolder(const char* xdgKey, const char* fallbackName) {
  std::string folder = XdgUserDir(xdgKey);
  if (IsDirectory(folder)) return folder;
  std::string home = GetHomeFolder();
  if (home.empty()) return {};
  std::string guess = home + "/" + fallbackName;
  return IsDirectory(guess) ? guess : home;
}

}  // namespace

WString GetCurrentDirectoryPath() {
  std::unique_ptr<char, decltype(&std::free)> cwd(::getcwd(nullptr, 0), &std::free);
  if (!cwd) return WString();
  return FolderOf(cwd.get());
}

WString GetModulePath() {
  std::string buffer(256, '\0');
  while (true) {
    ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0) return WString();
    if (std::size_t(n) < buffer.size()) {
      buffer.resize(std::size_t(n));
      return PathFromBytes(buffer);
    }
    if (buffer.size() >= (1u << 20)) return WString();  // no path is that long
    buffer.resize(buffer.size() * 2);
  }
}

WString GetProgramDirectory(WString* fileName) {
  ProgramLocation& location = Location();
  if (!location.known) {
    location.known = true;
    WString module = GetModulePath();
    location.fileName = GetFileNamePart(module);
    location.directory = module.Mid(0, module.Length() - location.fileName.Length());
  }
  if (fileName) *fileName = location.fileName;
  return location.directory;
}

void SetProgramDirectory(const WString& directory, const WString& fileName) {
  ProgramLocation& location = Location();
  location.known = true;
  location.directory = WithForwardSlashes(directory);
  AddTrailingBackslash(location.directory);
  location.fileName = fileName;
}

WString GetSpecialFolderPath(int csidl) {
  std::string folder;
  switch (csidl) {
    case kCsidlPersonal: folder = UserFolder("XDG_DOCUMENTS_DIR", "Documents"); break;
    case kCsidlDesktopDirectory: folder = UserFolder("XDG_DESKTOP_DIR", "Desktop"); break;
    case kCsidlAppData: folder = XdgBase("XDG_CONFIG_HOME", ".config"); break;
    default: return WString();
  }
  return folder.empty() ? WString() : FolderOf(folder);
}

WString GetCacheDirectory() {
  std::string base = XdgBase("XDG_CACHE_HOME", ".cache");
  return base.empty() ? WString() : FolderOf(base + "/QUARN_KVN_Viewer");
}

bool IsProgramOnRemovableDrive() { return false; }

std::string GetHomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  struct passwd pw;
  struct passwd* result = nullptr;
  char buffer[4096];
  if (::getpwuid_r(::getuid(), &pw, buffer, sizeof buffer, &result) == 0 && result && result->pw_dir)
    return result->pw_dir;
  return {};
}

}  // namespace kvn
