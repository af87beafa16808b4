#include "foundation/SystemError.h"

#include <cerrno>

namespace kvn {

namespace {

struct ErrnoCode {
  int err;
  std::uint32_t code;
};

// The first row for a code is the errno it maps back to.
constexpr ErrnoCode kMap[] = {
    {ENOENT, kErrorFileNotFound},
    {ENOTDIR, kErrorPathNotFound},
    {EMFILE, kErrorTooManyOpenFiles},
    {ENFILE, kErrorTooManyOpenFiles},
    {EACCES, kErrorAccessDenied},
    {EPERM, kErrorAccessDenied},
    // Windows refuses to open a folder as a file with "access denied".
    {EISDIR, kErrorAccessDenied},
    {EBADF, kErrorInvalidHandle},
    {ENOMEM, kErrorNotEnoughMemory},
    {EXDEV, kErrorNotSameDevice},
    {EROFS, kErrorWriteProtect},
    {ETXTBSY, kErrorSharingViolation},
    {EDEADLK, kErrorLockViolation},
    {ENOLCK, kErrorLockViolation},
    {ENOSYS, kErrorNotSupported},
    {EOPNOTSUPP, kErrorNotSupported},
    {EEXIST, kErrorFileExists},
    {EINVAL, kErrorInvalidParameter},
    {EPIPE, kErrorBrokenPipe},
    {ENOSPC, kErrorDiskFull},
    {EDQUOT, kErrorDiskFull},
    {EILSEQ, kErrorInvalidName},
    {ESPIPE, kErrorNegativeSeek},
    {ENOTEMPTY, kErrorDirNotEmpty},
    {EBUSY, kErrorBusy},
    {ENAMETOOLONG, kErrorFilenameTooLong},
    {EFBIG, kErrorFileTooLarge},
    {EOVERFLOW, kErrorFileTooLarge},
    {EIO, kErrorIoDevice},
    {ELOOP, kErrorCantResolveFilename},
};

}  // namespace

std::uint32_t SystemErrorFromErrno(int err) {
  if (err == 0) return kErrorSuccess;
  for (const ErrnoCode& row : kMap) {
    if (row.err == err) return row.code;
  }
  if (err > 0 && std::uint32_t(err) < kErrnoCodeFlag) return kErrnoCodeFlag | std::uint32_t(err);
  return kErrorGenFailure;
}

std::uint32_t LastSystemError() { return SystemErrorFromErrno(errno); }

int ErrnoFromSystemError(std::uint32_t code) {
  if (code == kErrorSuccess) return 0;
  if (code & kErrnoCodeFlag) return int(code & ~kErrnoCodeFlag);
  // "Path not found" is mostly a missing folder, which POSIX reports as ENOENT.
  if (code == kErrorPathNotFound) return ENOENT;
  for (const ErrnoCode& row : kMap) {
    if (row.code == code) return row.err;
  }
  return 0;
}

}  // namespace kvn
