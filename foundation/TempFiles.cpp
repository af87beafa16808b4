#include "foundation/TempFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/LongPathFiles.h"
#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"
#include "foundation/ProgramFolders.h"

namespace kvn {

namespace {

// Fallback names are tried this many times per folder: enough to step over
// files left by crashed runs, few enough never to hang on a folder that
// refuses every name.
constexpr int kFallbackAttempts = 100;

std::uint32_t g_tempCounter = 0;
// 2 not probed yet, 1 keeps accents, 0 does not.
int g_keepsAccents = 2;

bool IsTempDirectory(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool NameExists(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0;
}

bool MakeFolders(const std::string& path) {
  if (IsTempDirectory(path)) return true;
  std::string::size_type slash = path.find_last_of('/', path.size() >= 2 ? path.size() - 2 : 0);
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// "DummyFile<n>.TMP" in `folder` (with its trailing '/'), created exclusively.
WString CreateFallbackFile(const std::string& folder) {
  if (folder.empty() || !MakeFolders(folder)) return WString();
  for (int attempt = 0; attempt < kFallbackAttempts; ++attempt) {
    ++g_tempCounter;
    std::string name = folder + "DummyFile" + std::to_string(g_tempCounter) + ".TMP";
    int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      return PathFromBytes(name);
    }
    if (errno != EEXIST) return WString();
  }
  return WString();
}

}  // namespace

WString GetTempDirectory() {
  const char* tmpdir = std::getenv("TMPDIR");
  std::string folder;
  if (tmpdir && tmpdir[0] == '/' && IsTempDirectory(tmpdir))
    folder = tmpdir;
  else if (IsTempDirectory("/tmp"))
    folder = "/tmp";
  else
    return GetCacheDirectory();
  WString result = PathFromBytes(folder);
  AddTrailingBackslash(result);
  return result;
}

WString CreateTempFile() { return CreateTempFileIn(GetTempDirectory()); }

WString CreateTempFileIn(const WString& directory) {
  if (!directory.IsEmpty()) {
    WString folder = directory;
    AddTrailingBackslash(folder);
    std::string pattern = ToNativePath(folder) + "QRNXXXXXX.TMP";
    int fd = ::mkostemps(pattern.data(), 4, O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
      return PathFromBytes(pattern);
    }
  }
  WString name = CreateFallbackFile(ToNativePath(GetCacheDirectory()));
  if (name.IsEmpty()) name = CreateFallbackFile("/tmp/");
  return name;
}

void TempFile::Delete() {
  if (name_.IsEmpty()) return;
  DeleteFileQuiet(name_);
  name_.Clear();
}

bool FileSystemKeepsAccents() {
  if (g_keepsAccents != 2) return g_keepsAccents == 1;
  g_keepsAccents = 1;
  std::string folder = ToNativePath(GetTempDirectory());
  if (folder.empty()) return true;

  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  unsigned tick = unsigned(ms.count()) & 0xFFFFFF;
  for (int n = 0; n < 10000; ++n) {
    char stem[48];
    std::snprintf(stem, sizeof stem, "QUARN_%u_%d_", tick, n);
    std::string accented = folder + stem + "\xC4\x8D\xC5\x99";  // U+010D U+0159 in UTF-8
    std::string plain = folder + stem + "cr";
    if (NameExists(accented) || NameExists(plain)) continue;
    int fd = ::open(accented.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      g_keepsAccents = NameExists(plain) ? 0 : 1;
      ::close(fd);
      ::unlink(accented.c_str());
    }
    break;
  }
  return g_keepsAccents == 1;
}

}  // namespace kvn
