#include "foundation/FileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "foundation/FileErrorBox.h"
#include "foundation/LongPathFiles.h"
#include "foundation/PathBytes.h"
#include "foundation/PathNames.h"
#include "foundation/ProgramFolders.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {

// --- paths in, codes out ----------------------------------------------------------------

// The UTF-8 path, or an error code for a path no call can take.
std::uint32_t NativeOrError(const WString& path, std::string& native) {
  native = ToNativePath(path);
  if (native.empty()) return kErrorPathNotFound;
  if (native.find('\0') != std::string::npos) return kErrorInvalidName;  // would name another file
  return kErrorSuccess;
}

// The folder part of a native path ("." for a bare name).
std::string ParentOf(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  std::string::size_type slash = trimmed.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : trimmed.substr(0, slash);
}

bool IsDirectoryNative(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// errno of a call on `path` as Windows would report it: a missing folder on
// the way is "path not found" (3), a missing last name "file not found" (2).
std::uint32_t ErrorForPath(int err, const std::string& path) {
  if (err == ENOENT && !IsDirectoryNative(ParentOf(path))) return kErrorPathNotFound;
  return SystemErrorFromErrno(err);
}

bool Finish(std::uint32_t code, std::uint32_t* error) {
  if (error) *error = code;
  return code == kErrorSuccess;
}

// --- moving across file systems ----------------------------------------------------------

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += w;
    n -= std::size_t(w);
  }
  return true;
}

// Copies a regular file to a new name (never replacing one) with its mode and
// times, then deletes the source: what MoveFileW does between volumes.
std::uint32_t CopyThenDelete(const std::string& from, const std::string& to) {
  int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return ErrorForPath(errno, from);
  struct stat st;
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return kErrorNotSameDevice;  // folders do not move between file systems
  }
  int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (out < 0) {
    std::uint32_t code = errno == EEXIST ? kErrorAlreadyExists : ErrorForPath(errno, to);
    ::close(in);
    return code;
  }
  std::vector<char> buffer(1 << 16);
  std::uint32_t code = kErrorSuccess;
  while (true) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 || (n > 0 && !WriteAll(out, buffer.data(), std::size_t(n)))) {
      code = LastSystemError();
      break;
    }
    if (n == 0) break;
  }
  if (code == kErrorSuccess) {
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
  }
  if (::close(out) != 0 && code == kErrorSuccess) code = LastSystemError();
  ::close(in);
  if (code != kErrorSuccess) {
    ::unlink(to.c_str());
    return code;
  }
  if (::unlink(from.c_str()) != 0) return LastSystemError();
  return kErrorSuccess;
}

std::uint32_t MoveNative(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return kErrorSuccess;
  int err = errno;
  if (err == EINVAL || err == ENOSYS) {
    // A file system without RENAME_NOREPLACE: look first.
    struct stat st;
    if (::lstat(to.c_str(), &st) == 0) return kErrorAlreadyExists;
    if (::rename(from.c_str(), to.c_str()) == 0) return kErrorSuccess;
    err = errno;
  }
  if (err == EEXIST) return kErrorAlreadyExists;
  if (err == EXDEV) return CopyThenDelete(from, to);
  // Tell which side is missing.
  if (err == ENOENT) {
    struct stat st;
    if (::lstat(from.c_str(), &st) != 0) return ErrorForPath(ENOENT, from);
    return kErrorPathNotFound;
  }
  return SystemErrorFromErrno(err);
}

}  // namespace

// --- attributes --------------------------------------------------------------------------

std::uint32_t GetFileAttributesLong(const WString& path, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  struct stat st;
  if (code == kErrorSuccess && ::stat(native.c_str(), &st) != 0) code = ErrorForPath(errno, native);
  if (code != kErrorSuccess) {
    Finish(code, error);
    return kInvalidFileAttributes;
  }
  std::uint32_t attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= kFileAttributeDirectory;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attributes |= kFileAttributeReadOnly;
  WString trimmed = WithForwardSlashes(path);
  while (trimmed.Length() > 1 && trimmed[trimmed.Length() - 1] == u'/') trimmed.Erase(trimmed.Length() - 1, 1);
  WString name = GetFileNamePart(trimmed);
  if (name.Length() > 1 && name[0] == u'.' && !(name == u"..")) attributes |= kFileAttributeHidden;
  if (attributes == 0) attributes = kFileAttributeNormal;
  Finish(kErrorSuccess, error);
  return attributes;
}

bool SetFileAttributesLong(const WString& path, std::uint32_t attributes, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  struct stat st;
  if (code == kErrorSuccess && ::stat(native.c_str(), &st) != 0) code = ErrorForPath(errno, native);
  if (code == kErrorSuccess) {
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kFileAttributeReadOnly) ? mode & ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH) : mode | S_IWUSR;
    if (::chmod(native.c_str(), mode) != 0) code = LastSystemError();
  }
  return Finish(code, error);
}

// --- the "Report" operations ---------------------------------------------------------------

bool DeleteFileReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  if (code == kErrorSuccess && ::unlink(native.c_str()) != 0) {
    code = errno == EISDIR ? kErrorAccessDenied : ErrorForPath(errno, native);
  }
  if (code != kErrorSuccess) ShowFileError(owner, kStrCannotDeleteFile, path, nullptr, code, false);
  return Finish(code, error);
}

bool RemoveDirectoryReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  if (code == kErrorSuccess && ::rmdir(native.c_str()) != 0) {
    code = errno == ENOTDIR ? kErrorDirectory : ErrorForPath(errno, native);
  }
  if (code != kErrorSuccess) ShowFileError(owner, kStrCannotRemoveFolder, path, nullptr, code, false);
  return Finish(code, error);
}

bool CreateDirectoryReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  if (code == kErrorSuccess && ::mkdir(native.c_str(), 0777) != 0) {
    code = errno == EEXIST ? kErrorAlreadyExists : ErrorForPath(errno, native);
  }
  if (code != kErrorSuccess)
    ShowFileError(owner, kStrCannotCreateFolder, path, nullptr, code, true);
  return Finish(code, error);
}

bool MoveFileReport(const WString& from, const WString& to, const cMsgDlg* owner, std::uint32_t* error) {
  std::string nativeFrom, nativeTo;
  std::uint32_t code = NativeOrError(from, nativeFrom);
  if (code == kErrorSuccess) code = NativeOrError(to, nativeTo);
  if (code == kErrorSuccess) code = MoveNative(nativeFrom, nativeTo);
  if (code != kErrorSuccess) ShowFileError(owner, kStrCannotMoveFile, from, &to, code, true);
  return Finish(code, error);
}

bool SetCurrentDirectoryLong(const WString& path, std::uint32_t* error) {
  std::string native;
  std::uint32_t code = NativeOrError(path, native);
  if (code == kErrorSuccess && ::chdir(native.c_str()) != 0) code = ErrorForPath(errno, native);
  return Finish(code, error);
}

// --- existence and folders ------------------------------------------------------------------

bool FileExists(const WString& path) {
  std::uint32_t a = path.IsEmpty() ? kInvalidFileAttributes : GetFileAttributesLong(path);
  return a != kInvalidFileAttributes && !(a & kFileAttributeDirectory);
}

bool DirectoryExists(const WString& path) {
  std::uint32_t a = path.IsEmpty() ? kInvalidFileAttributes : GetFileAttributesLong(path);
  return a != kInvalidFileAttributes && (a & kFileAttributeDirectory);
}

bool PathExists(const WString& path) {
  return !path.IsEmpty() && GetFileAttributesLong(path) != kInvalidFileAttributes;
}

FileKind GetFileKind(const WString& path) {
  std::string native;
  struct stat st;
  if (NativeOrError(path, native) != kErrorSuccess || ::stat(native.c_str(), &st) != 0) return FileKind::kNone;
  if (S_ISREG(st.st_mode)) return FileKind::kRegular;
  return S_ISDIR(st.st_mode) ? FileKind::kFolder : FileKind::kOther;
}

std::uint32_t FileKindError(FileKind kind) {
  switch (kind) {
    case FileKind::kFolder: return kErrorDirectoryNotSupported;
    case FileKind::kOther: return kErrorBadFileType;
    default: return kErrorSuccess;
  }
}

bool CreateDirectoryPath(const WString& path, const cMsgDlg* owner) {
  // Walk up to the first folder that exists (each step cuts the last
  // character and then everything after the last separator), then create
  // the missing ones downwards. A loop, not recursion: a path may have
  // thousands of components.
  std::vector<WString> missing;
  WString current = WithForwardSlashes(path);
  while (!DirectoryExists(current)) {
    missing.push_back(current);
    WString up = current.Mid(0, current.Length() - 1);
    int slash = up.ReverseFindChar(u'/');
    if (slash < 0) {
      ShowFileError(owner, kStrCannotCreateFolder, current, nullptr, kErrorPathNotFound, false);
      return false;
    }
    current = up.Mid(0, slash + 1);
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    if (!CreateDirectoryReport(*it, owner)) return false;
  }
  return true;
}

WString NearestExistingDirectory(const WString& path) {
  WString current = WithForwardSlashes(path);
  while (!current.IsEmpty() && !DirectoryExists(current)) {
    int end = current.Length();
    while (end > 1 && current[end - 1] == u'/') --end;  // trailing separators
    int slash = current.Mid(0, end).ReverseFindChar(u'/');
    current = slash < 0 ? WString() : current.Mid(0, slash + 1);
  }
  AddTrailingBackslash(current);
  return current;
}

bool HasSubdirectories(const WString& directory) {
  WString pattern = directory;
  AddTrailingBackslash(pattern);
  pattern.AppendChar(u'*');
  FindFileIterator it(pattern);
  WString name;
  int isFile;
  while (it.Next(name, isFile)) {
    if (!isFile) return true;
  }
  return false;
}

// --- full paths ------------------------------------------------------------------------------

namespace {

bool IsAbsolute(const WString& path) { return !path.IsEmpty() && IsPathSeparator(path[0]); }

WString FullPathFrom(const WString& name, const WString& base, WString* filePart) {
  WString trimmed = name;
  trimmed.Trim(WString::TrimMode::Trailing, u' ');
  WString full;
  if (IsAbsolute(trimmed)) {
    full = trimmed;
  } else {
    full = base;
    AddTrailingBackslash(full);
    full.Append(trimmed);
  }
  full = CollapsePath(full);
  if (filePart) *filePart = GetFileNamePart(full);
  return full;
}

}  // namespace

WString GetFullPath(const WString& name, WString* filePart) {
  return FullPathFrom(name, GetCurrentDirectoryPath(), filePart);
}

bool MakeAbsolutePath(WString& path, const WString& base, WString* filePart) {
  if (!DirectoryExists(base)) return false;
  path = FullPathFrom(path, base, filePart);
  return true;
}

bool ResolveFromProgramDirectory(WString& path, WString* filePart) {
  return MakeAbsolutePath(path, GetProgramDirectory(), filePart);
}

// --- FindFileIterator ----------------------------------------------------------------------------

FindFileIterator::FindFileIterator(const WString& pattern) {
  std::string native;
  error_ = NativeOrError(pattern, native);
  if (error_ != kErrorSuccess) return;
  std::string::size_type slash = native.find_last_of('/');
  folder_ = slash == std::string::npos ? std::string(".") : native.substr(0, slash == 0 ? 1 : slash);
  std::string name = slash == std::string::npos ? native : native.substr(slash + 1);
  if (name == "*.*") name = "*";  // Windows: every name, with or without a dot
  // fnmatch knows bracket sets, Windows patterns do not: a '[' is a letter.
  for (char c : name) {
    if (c == '[') pattern_ += '\\';
    pattern_ += c;
  }
  DIR* dir = ::opendir(folder_.c_str());
  if (!dir) {
    error_ = errno == ENOENT ? kErrorPathNotFound : SystemErrorFromErrno(errno);
    return;
  }
  dir_ = dir;
}

FindFileIterator::~FindFileIterator() { Close(); }

void FindFileIterator::Close() {
  if (dir_) ::closedir(static_cast<DIR*>(dir_));
  dir_ = nullptr;
}

bool FindFileIterator::Next(WString& name, int& isFile, FindData* data) {
  DIR* dir = static_cast<DIR*>(dir_);
  while (dir) {
    errno = 0;
    struct dirent* entry = ::readdir(dir);
    if (!entry) {
      error_ = errno ? SystemErrorFromErrno(errno) : kErrorSuccess;
      break;
    }
    std::string_view entryName(entry->d_name);
    if (entryName == "." || entryName == "..") continue;
    if (::fnmatch(pattern_.c_str(), entry->d_name, FNM_CASEFOLD) != 0) continue;
    struct statx sx;
    if (::statx(::dirfd(dir), entry->d_name, 0, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0) continue;  // gone meanwhile
    bool directory = S_ISDIR(sx.stx_mode);
    name = PathFromBytes(entryName);
    isFile = directory ? 0 : 1;
    if (data) {
      auto convert = [](const struct statx_timestamp& t) { return FileTimeFromUnix(t.tv_sec, t.tv_nsec); };
      data->attributes = directory ? kFileAttributeDirectory : 0;
      if (!(sx.stx_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) data->attributes |= kFileAttributeReadOnly;
      if (entryName.front() == '.') data->attributes |= kFileAttributeHidden;
      if (data->attributes == 0) data->attributes = kFileAttributeNormal;
      data->creationTime = convert((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_mtime);
      data->lastAccessTime = convert(sx.stx_atime);
      data->lastWriteTime = convert(sx.stx_mtime);
      data->size = directory ? 0 : sx.stx_size;
      data->name = name;
    }
    return true;
  }
  Close();
  return false;
}

}  // namespace kvn
