#include "print/export/ExportFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {

// Writes everything, retrying short writes and interrupted calls.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    done += std::size_t(n);
  }
  return 0;
}

mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::uint32_t WriteFileReplacing(const WString& path, std::initializer_list<std::span<const std::uint8_t>> parts) {
  const std::string target = ToNativePath(path);
  if (target.empty()) return kErrorPathNotFound;
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  if (name.empty()) return SystemErrorFromErrno(EISDIR);

  // A hidden sibling, so that a rename never crosses file systems.
  std::string temporary = (slash == std::string::npos ? std::string() : folder) + "." + name + ".XXXXXX";
  std::vector<char> pattern(temporary.begin(), temporary.end());
  pattern.push_back('\0');
  const int fd = ::mkstemp(pattern.data());
  if (fd < 0) return SystemErrorFromErrno(errno);
  temporary.assign(pattern.data());

  struct stat existing;
  const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
  int err = ::fchmod(fd, mode) == 0 ? 0 : errno;
  for (const auto& part : parts) {
    if (err == 0) err = WriteAll(fd, part);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(temporary.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(temporary.c_str());
    return SystemErrorFromErrno(err);
  }
  return kErrorSuccess;
}

bool WriteExportFile(const WString& path, std::initializer_list<std::span<const std::uint8_t>> parts,
                     const cMsgDlg* owner) {
  const std::uint32_t error = WriteFileReplacing(path, parts);
  if (error == kErrorSuccess) return true;
  ShowCannotSaveFile(owner, path, GetSystemErrorText(error));
  return false;
}

}  // namespace kvn
