// File-system operations by UTF-16 path, over POSIX, with the results and
// Win32-style error codes (SystemError.h) the program was written against.
//
// Windows needed a retry with the "\\?\" prefix for paths of 260 characters
// and more; Linux takes paths up to PATH_MAX (4096 bytes) directly, so each
// operation makes one call. A path too long even for Linux fails with error
// 206 (ERROR_FILENAME_EXCED_RANGE); a missing folder on the way with 3
// (ERROR_PATH_NOT_FOUND), a missing last name with 2.
//
// The "Report" operations show an error box (the operation's text, the
// path(s), the system's error text) when they fail and an owner is given.
// CreateFileLong and DeleteFileQuiet are in LongPathFiles.h.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/WString.h"

namespace kvn {

class cMsgDlg;

// File attribute bits, numbered as Windows numbers them.
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x01;
inline constexpr std::uint32_t kFileAttributeHidden = 0x02;  // a name beginning with '.'
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

// The attributes of what the path names (links followed), or
// kInvalidFileAttributes with *error set.
std::uint32_t GetFileAttributesLong(const WString& path, std::uint32_t* error = nullptr);
// Only the read-only bit means something here: it takes away every write
// permission, or gives the owner's back.
bool SetFileAttributesLong(const WString& path, std::uint32_t attributes, std::uint32_t* error = nullptr);

bool DeleteFileReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error = nullptr);
bool RemoveDirectoryReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error = nullptr);
// A folder that already exists fails with 183 (ERROR_ALREADY_EXISTS), as on Windows.
bool CreateDirectoryReport(const WString& path, const cMsgDlg* owner, std::uint32_t* error = nullptr);
// Moves a file or folder; an existing destination is never replaced (183).
// A file moved to another file system is copied and the source deleted.
bool MoveFileReport(const WString& from, const WString& to, const cMsgDlg* owner, std::uint32_t* error = nullptr);

// No short names on Linux: a plain chdir.
bool SetCurrentDirectoryLong(const WString& path, std::uint32_t* error = nullptr);

bool FileExists(const WString& path);
bool DirectoryExists(const WString& path);
bool PathExists(const WString& path);

// What a path names (links followed), asked without opening it: opening a
// named pipe to read waits for a writer, so whatever must not wait asks
// first. kNone when nothing is there or it cannot be looked at.
enum class FileKind { kNone, kRegular, kFolder, kOther };
FileKind GetFileKind(const WString& path);
inline bool IsRegularFile(const WString& path) { return GetFileKind(path) == FileKind::kRegular; }
// Why a path of that kind is no file to read: kErrorDirectoryNotSupported
// for a folder, kErrorBadFileType for a named pipe, a device or a socket;
// kErrorSuccess otherwise.
std::uint32_t FileKindError(FileKind kind);

// Creates a folder and its missing parents; true when it is a folder
// afterwards. A path with no separator to go up by fails (with a box when an
// owner is given).
bool CreateDirectoryPath(const WString& path, const cMsgDlg* owner);
// The nearest existing folder at or above `path` (with a trailing '/'),
// taking off one name at a time; empty when none is left.
WString NearestExistingDirectory(const WString& path);
// True as soon as the folder holds a folder other than "." and "..".
bool HasSubdirectories(const WString& directory);

// The full path of a name: trailing spaces removed (an empty name gives the
// current folder), relative names taken from the current folder, "." and ".."
// resolved as text (links are not followed). `filePart` gets the last name.
WString GetFullPath(const WString& name, WString* filePart = nullptr);
// The same with `base` in place of the current folder; false (and the path
// unchanged) when the base is not a folder. The current folder is not touched.
bool MakeAbsolutePath(WString& path, const WString& base, WString* filePart = nullptr);
bool ResolveFromProgramDirectory(WString& path, WString* filePart = nullptr);

// One directory entry, the counterpart of WIN32_FIND_DATAW. Times are
// FILETIME units (LongPathFiles.h); the creation time is the birth time where
// the file system keeps one, else the last write.
struct FindData {
  std::uint32_t attributes = 0;
  std::uint64_t creationTime = 0;
  std::uint64_t lastAccessTime = 0;
  std::uint64_t lastWriteTime = 0;
  std::uint64_t size = 0;
  WString name;
};

// Lists the entries of a folder that match a pattern such as "dir/*" or
// "dir\*.dwg": '*' and '?' as wildcards, letters matched without regard to
// case (as Windows does), "*.*" matching every name.
class FindFileIterator {
 public:
  explicit FindFileIterator(const WString& pattern);
  ~FindFileIterator();
  FindFileIterator(const FindFileIterator&) = delete;
  FindFileIterator& operator=(const FindFileIterator&) = delete;

  bool IsOpen() const { return dir_ != nullptr; }
  std::uint32_t Error() const { return error_; }
  // The next matching entry other than "." and ".."; isFile is 1 for a file
  // and 0 for a folder. False at the end (the folder is then closed).
  bool Next(WString& name, int& isFile, FindData* data = nullptr);

 private:
  void Close();

  void* dir_ = nullptr;  // DIR*
  std::string folder_;
  std::string pattern_;
  std::uint32_t error_ = 0;
};

}  // namespace kvn
