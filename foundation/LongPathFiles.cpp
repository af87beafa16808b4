#include "foundation/LongPathFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <utility>

#include "foundation/PathBytes.h"
#include "foundation/SystemError.h"

namespace kvn {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    error_ = other.error_;
  }
  return *this;
}

bool FileHandle::Close() {
  if (fd_ < 0) return true;
  int fd = std::exchange(fd_, -1);
  // close() releases the descriptor even when it reports EINTR on Linux, so no retry.
  if (::close(fd) != 0) {
    error_ = LastSystemError();
    return false;
  }
  return true;
}

FileHandle CreateFileLong(const WString& path, FileAccess access, FileDisposition disposition) {
  std::string name = PathBytes(path.View());
  if (name.empty()) return FileHandle::Failed(kErrorPathNotFound);
  // An embedded 0 would silently name another file.
  if (name.find('\0') != std::string::npos) return FileHandle::Failed(kErrorInvalidName);

  // Not waiting: a named pipe opened to read would wait in open() for a
  // writer, for ever when none comes. Regular files ignore the flag.
  int flags = O_CLOEXEC | O_NONBLOCK;
  switch (access) {
    case FileAccess::Read: flags |= O_RDONLY; break;
    case FileAccess::Write: flags |= O_WRONLY; break;
    case FileAccess::ReadWrite: flags |= O_RDWR; break;
  }
  switch (disposition) {
    case FileDisposition::OpenExisting: break;
    case FileDisposition::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case FileDisposition::OpenAlways: flags |= O_CREAT; break;
  }
  int fd;
  do {
    fd = ::open(name.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    int err = errno;
    // A socket, a device without its driver, or a pipe to be written that
    // nobody reads: no file either way.
    if (err == ENXIO) return FileHandle::Failed(kErrorBadFileType);
    // Windows tells a missing folder on the way ("path not found") from a
    // missing file in an existing folder; messages rely on the difference.
    if (err == ENOENT) {
      std::string::size_type slash = name.find_last_of('/');
      std::string folder = slash == std::string::npos ? std::string(".") : name.substr(0, slash == 0 ? 1 : slash);
      struct stat st;
      if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return FileHandle::Failed(kErrorPathNotFound);
    }
    return FileHandle::Failed(SystemErrorFromErrno(err));
  }

  FileHandle handle(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    std::uint32_t error = LastSystemError();
    handle.Close();
    return FileHandle::Failed(error);
  }
  if (S_ISDIR(st.st_mode)) {
    handle.Close();
    return FileHandle::Failed(kErrorAccessDenied);
  }
  // A pipe, device or socket has no bytes to read as a file: refused here,
  // after the open, whatever a look before the open saw. Written to, it is
  // taken (a pipe with no reader has already failed with ENXIO).
  if (!S_ISREG(st.st_mode) && access != FileAccess::Write) {
    handle.Close();
    return FileHandle::Failed(kErrorBadFileType);
  }
  // Reads and writes wait as they always did.
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    std::uint32_t error = LastSystemError();
    handle.Close();
    return FileHandle::Failed(error);
  }
  return handle;
}

FileHandle OpenFileHandle(const WString& path, FileAccess access, FileDisposition disposition) {
  return CreateFileLong(path, access, disposition);
}

bool DeleteFileQuiet(const WString& path, std::uint32_t* error) {
  std::string name = PathBytes(path.View());
  std::uint32_t code = kErrorSuccess;
  if (name.empty()) {
    code = kErrorPathNotFound;
  } else if (name.find('\0') != std::string::npos) {
    code = kErrorInvalidName;
  } else if (::unlink(name.c_str()) != 0) {
    code = LastSystemError();
  }
  if (error) *error = code;
  return code == kErrorSuccess;
}

std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds) {
  // Times before 1601 or beyond the 64-bit range are clamped rather than wrapped.
  constexpr std::int64_t kEpochSeconds = std::int64_t(kFileTimeUnixEpoch / 10'000'000);
  if (seconds < -kEpochSeconds) return 0;
  std::uint64_t s = std::uint64_t(seconds) + std::uint64_t(kEpochSeconds);  // no wrap: both fit 63 bits
  if (s > (UINT64_MAX - 9'999'999) / 10'000'000) return UINT64_MAX;
  return s * 10'000'000 + nanoseconds / 100;
}

void UnixFromFileTime(std::uint64_t fileTime, std::int64_t& seconds, std::uint32_t& nanoseconds) {
  std::uint64_t s = fileTime / 10'000'000;
  nanoseconds = std::uint32_t(fileTime % 10'000'000) * 100;
  seconds = std::int64_t(s) - std::int64_t(kFileTimeUnixEpoch / 10'000'000);
}

bool GetFileTimes(int fd, std::uint64_t* creation, std::uint64_t* access, std::uint64_t* write,
                  std::uint32_t* error) {
  struct statx sx;
  if (fd < 0 || ::statx(fd, "", AT_EMPTY_PATH, STATX_ATIME | STATX_MTIME | STATX_BTIME, &sx) != 0) {
    if (error) *error = fd < 0 ? kErrorInvalidHandle : LastSystemError();
    return false;
  }
  auto convert = [](const struct statx_timestamp& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); };
  if (creation) *creation = convert((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
  if (access) *access = convert(sx.stx_atime);
  if (write) *write = convert(sx.stx_mtime);
  return true;
}

bool SetFileTimes(int fd, const std::uint64_t* /*creation*/, const std::uint64_t* access,
                  const std::uint64_t* write, std::uint32_t* error) {
  struct timespec times[2];
  const std::uint64_t* values[2] = {access, write};
  for (int i = 0; i < 2; ++i) {
    if (values[i]) {
      std::int64_t s;
      std::uint32_t ns;
      UnixFromFileTime(*values[i], s, ns);
      times[i].tv_sec = time_t(s);
      times[i].tv_nsec = long(ns);
    } else {
      times[i].tv_sec = 0;
      times[i].tv_nsec = UTIME_OMIT;
    }
  }
  if (fd < 0 || ::futimens(fd, times) != 0) {
    if (error) *error = fd < 0 ? kErrorInvalidHandle : LastSystemError();
    return false;
  }
  return true;
}

}  // namespace kvn
