#include "foundation/FolderTree.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>
#include <vector>

#include "foundation/FileSystem.h"
#include "foundation/MsgBox.h"
#include "foundation/PathBytes.h"
#include "foundation/StepMonitor.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {

namespace fs = std::filesystem;

void ReportListingError(const cMsgDlg* owner, const WString& path, int err) {
  if (owner == nullptr) return;
  WString text = path;
  text.AppendCStr(u"\n\n");
  text.Append(WString::FromUtf8(GetSystemErrorText(SystemErrorFromErrno(err)).CStr()));
  ShowMessageBox(owner, text, nullptr, kMbIconError);
}

WString Cat(const WString& a, const WString& b) {
  WString r = a;
  r.Append(b);
  return r;
}

bool IsRealFolder(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteTree(const WString& folder, const cMsgDlg* owner, bool keepTop, StepMonitor* monitor, int* counter,
                int depth) {
  const std::string native = PathBytes(folder.View());
  std::vector<WString> files;
  std::vector<WString> folders;
  std::error_code ec;
  fs::directory_iterator it(native, ec);
  if (ec) {
    ReportListingError(owner, folder, ec.value());
    return false;
  }
  for (const fs::directory_entry& entry : it) {
    const WString full = Cat(folder, PathFromBytes(entry.path().filename().string()));
    // symlink_status: a link to a folder is a link, deleted as a file.
    std::error_code sec;
    const fs::file_status st = entry.symlink_status(sec);
    if (!sec && fs::is_directory(st)) {
      folders.push_back(full);
    } else {
      files.push_back(full);
    }
  }
  if (!keepTop) {
    for (const WString& file : files) {
      // What Windows calls making the file normal: a read-only file may be deleted.
      SetFileAttributesLong(file, kFileAttributeNormal);
      if (!DeleteFileReport(file, owner)) return false;
      if (monitor) {
        const int slash = file.ReverseFindChar(u'/');
        monitor->Step(std::uint32_t(counter ? *counter : 0), WString(file.CStr() + slash + 1));
      }
      if (counter) ++*counter;
    }
  }
  // A tree deeper than any path Linux accepts is not a tree of this program.
  constexpr int kMaxDepth = 2048;
  for (const WString& sub : folders) {
    if (depth >= kMaxDepth) return false;
    if (!DeleteTree(Cat(sub, WString(u"/")), owner, false, monitor, counter, depth + 1)) return false;
  }
  if (keepTop) return true;
  return RemoveDirectoryReport(folder, owner);
}

}  // namespace

bool DeleteFolderTree(const WString& path, const cMsgDlg* owner, bool keepTop, StepMonitor* monitor, int* counter) {
  WString folder = path;
  while (folder.Length() > 1 && (folder.CStr()[folder.Length() - 1] == u'/' || folder.CStr()[folder.Length() - 1] == u'\\')) {
    folder.Erase(folder.Length() - 1, 1);
  }
  // A link named as the folder is not followed: it is not a folder here.
  if (!IsRealFolder(PathBytes(folder.View()))) return true;
  folder.AppendChar(u'/');
  return DeleteTree(folder, owner, keepTop, monitor, counter, 0);
}

}  // namespace kvn
