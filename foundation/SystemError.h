// System error codes as the rest of the program knows them: the Win32
// numbering (2 file not found, 5 access denied, 112 disk full, ...), because
// messages, logs and saved state were all written against those numbers.
// POSIX calls report errno; SystemErrorFromErrno maps it once, where the call
// failed, and the code is what streams keep as their "last error".
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorInvalidFunction = 1;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorTooManyOpenFiles = 4;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorNotSameDevice = 17;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorNotReady = 21;
inline constexpr std::uint32_t kErrorSeek = 25;
inline constexpr std::uint32_t kErrorWriteFault = 29;
inline constexpr std::uint32_t kErrorReadFault = 30;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorLockViolation = 33;
inline constexpr std::uint32_t kErrorHandleEof = 38;
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorBrokenPipe = 109;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorInvalidName = 123;
inline constexpr std::uint32_t kErrorNegativeSeek = 131;
inline constexpr std::uint32_t kErrorDirNotEmpty = 145;
inline constexpr std::uint32_t kErrorBusy = 170;
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorFilenameTooLong = 206;
// A named pipe, a device or a socket where a file was to be read.
inline constexpr std::uint32_t kErrorBadFileType = 222;
inline constexpr std::uint32_t kErrorFileTooLarge = 223;
inline constexpr std::uint32_t kErrorDirectory = 267;
// A folder where a file was to be read (the streams themselves refuse a
// folder with kErrorAccessDenied, as Windows does).
inline constexpr std::uint32_t kErrorDirectoryNotSupported = 336;
inline constexpr std::uint32_t kErrorIoDevice = 1117;
inline constexpr std::uint32_t kErrorInvalidPrinterName = 1801;
inline constexpr std::uint32_t kErrorCantResolveFilename = 1921;

// An errno with no Win32 counterpart travels as this bit (the Win32
// "customer code" bit 29, never used by the system) plus the errno, so that
// its text can still be found.
inline constexpr std::uint32_t kErrnoCodeFlag = 0x20000000;

// 0 stays 0 (success).
std::uint32_t SystemErrorFromErrno(int err);
// The code of the calling thread's errno.
std::uint32_t LastSystemError();
// The errno behind a code (a representative one for codes that several errnos
// share); 0 when the code has none.
int ErrnoFromSystemError(std::uint32_t code);

}  // namespace kvn
