// The file layer under the streams: open, create and delete files by UTF-16
// path over POSIX. Paths are converted to UTF-8 (the file-name encoding of
// the port); Windows' "\\?\" long-path retry has no counterpart here, Linux
// takes paths of any length up to PATH_MAX. Share modes do not exist on
// POSIX and are not modelled. Errors are Win32-style codes (SystemError.h).
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

enum class FileAccess { Read, Write, ReadWrite };

enum class FileDisposition {
  OpenExisting,  // fails when the file is missing
  CreateAlways,  // creates, or truncates an existing file to 0 bytes
  OpenAlways,    // opens, or creates a missing file
};

// An owned file descriptor. An invalid handle carries the error code of the
// call that failed to make it.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  static FileHandle Failed(std::uint32_t error) {
    FileHandle h;
    h.error_ = error;
    return h;
  }
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  FileHandle(FileHandle&& other) noexcept : fd_(other.fd_), error_(other.error_) { other.fd_ = -1; }
  FileHandle& operator=(FileHandle&& other) noexcept;

  bool IsValid() const { return fd_ >= 0; }
  int Fd() const { return fd_; }
  std::uint32_t Error() const { return error_; }
  // True when there was nothing to close or close() succeeded.
  bool Close();

 private:
  int fd_ = -1;
  std::uint32_t error_ = 0;
};

// Opens a regular file. A folder is refused with kErrorAccessDenied, as
// Windows does; a named pipe, a device or a socket to be read is refused
// with kErrorBadFileType, at once (never waiting for a pipe's writer). New
// files get mode 0666 less the umask.
FileHandle CreateFileLong(const WString& path, FileAccess access, FileDisposition disposition);
// The same, under the name the callers of the original handle helper use.
FileHandle OpenFileHandle(const WString& path, FileAccess access, FileDisposition disposition);
// Deletes a file; no message either way. Returns false with *error (when not
// null) set on failure.
bool DeleteFileQuiet(const WString& path, std::uint32_t* error = nullptr);

// File times travel as Windows FILETIME values (100 ns units since
// 1601-01-01 UTC) so that they compare with times stored in drawings and settings.
inline constexpr std::uint64_t kFileTimeUnixEpoch = 116444736000000000ull;
std::uint64_t FileTimeFromUnix(std::int64_t seconds, std::uint32_t nanoseconds);
// Seconds and nanoseconds since 1970 of a FILETIME value (before 1970 gives negative seconds).
void UnixFromFileTime(std::uint64_t fileTime, std::int64_t& seconds, std::uint32_t& nanoseconds);

// Creation (birth time where the file system keeps it, else the last write),
// last access and last write of an open file; null outputs are skipped.
bool GetFileTimes(int fd, std::uint64_t* creation, std::uint64_t* access, std::uint64_t* write,
                  std::uint32_t* error);
// Sets access and write times (null leaves a time unchanged). Linux cannot set
// a birth time, so a creation time is accepted and ignored.
bool SetFileTimes(int fd, const std::uint64_t* creation, const std::uint64_t* access,
                  const std::uint64_t* write, std::uint32_t* error);

}  // namespace kvn
