// The settings file on disk: loading, setting a damaged file aside, and the
// atomic write (see SettingsStore.h for the protocol).
#include "platform/settings/SettingsStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <utility>

#include "foundation/ProgramFolders.h"
#include "foundation/SystemError.h"

namespace kvn {

namespace {

SettingsStore::Hook g_beforeRenameHook = nullptr;
std::unique_ptr<SettingsStore> g_globalStore;

constexpr const char* kFolderName = "QUARN_KVN_Viewer";

// Temporary files are ".settings.conf.XXXXXX" beside the file (mkstemp's six characters).
std::string TemporaryPrefix() { return std::string(".") + SettingsStore::kFileName + "."; }

bool WriteAllBytes(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t written = ::write(fd, p, n);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += written;
    n -= std::size_t(written);
  }
  return true;
}

bool ReadAll(int fd, std::string& out, std::size_t n) {
  out.resize(n);
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::read(fd, out.data() + got, n - got);
    if (r < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (r == 0) break;  // shrank under us: what we have is what there is
    got += std::size_t(r);
  }
  out.resize(got);
  return true;
}

// mkdir -p with 0700: settings hold the user's folders and printers.
bool MakeSettingsFolders(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode) || (errno = ENOTDIR, false);
  std::string::size_type slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeSettingsFolders(path.substr(0, slash))) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// The writers' lock: an flock on the folder, held while a file is read with
// intent to set it aside or replace it. Best effort: a folder that cannot be
// opened or locked (some network file systems) is used without it.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0) {
      while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
};

std::string TimeStamp() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  ::localtime_r(&now, &local);
  char buffer[32];
  std::strftime(buffer, sizeof buffer, "%Y%m%d-%H%M%S", &local);
  return buffer;
}


}  // namespace

// --- construction and the process-wide store --------------------------------------

SettingsStore::SettingsStore(std::string folder) : folder_(std::move(folder)) {
  while (folder_.size() > 1 && folder_.back() == '/') folder_.pop_back();
  LoadInitial();
}

SettingsStore::~SettingsStore() = default;

std::string SettingsStore::DefaultFolder() {
  const char* overridden = std::getenv("KVN_SETTINGS_DIR");
  if (overridden && *overridden) return overridden;
  // The XDG base-directory rules ignore a relative XDG_CONFIG_HOME.
  const char* config = std::getenv("XDG_CONFIG_HOME");
  if (config && config[0] == '/') return std::string(config) + "/" + kFolderName;
  std::string home = GetHomeFolder();
  if (home.empty()) return {};
  return home + "/.config/" + kFolderName;
}

SettingsStore& SettingsStore::Global() {
  if (!g_globalStore) g_globalStore = std::make_unique<SettingsStore>(DefaultFolder());
  return *g_globalStore;
}

void SettingsStore::ResetGlobal() { g_globalStore.reset(); }

void SettingsStore::SetBeforeRenameHookForTesting(Hook hook) { g_beforeRenameHook = hook; }

std::string SettingsStore::FilePath() const { return folder_ + "/" + kFileName; }

// --- reading ------------------------------------------------------------------------

SettingsStore::FileIdentity SettingsStore::IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
  return id;
}

SettingsStore::FileIdentity SettingsStore::StatFile() const {
  struct stat st;
  if (folder_.empty() || ::stat(FilePath().c_str(), &st) != 0) return FileIdentity();
  return IdentityOf(st);
}

bool SettingsStore::ReadFile(SettingsTree& tree, FileIdentity& identity) {
  identity = FileIdentity();
  tree = SettingsTree();
  if (folder_.empty()) return false;
  std::string path = FilePath();
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return true;  // no file yet: the defaults are the truth
    std::fprintf(stderr, "kvn: the settings file %s cannot be read; changes are not saved in this session\n",
                 path.c_str());
    readOnly_ = true;
    return false;
  }
  struct stat st;
  std::string text;
  bool ok = ::fstat(fd, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    ::close(fd);
    std::fprintf(stderr, "kvn: %s is not a file; settings are not saved in this session\n", path.c_str());
    readOnly_ = true;
    return false;
  }
  bool tooLarge = ok && std::uint64_t(st.st_size) > kMaxFileBytes;
  if (ok && !tooLarge) ok = ReadAll(fd, text, std::size_t(st.st_size));
  ::close(fd);
  if (!ok) {
    std::fprintf(stderr, "kvn: the settings file %s cannot be read; changes are not saved in this session\n",
                 path.c_str());
    readOnly_ = true;
    return false;
  }
  identity = IdentityOf(st);

  std::string reason;
  if (tooLarge) {
    reason = "larger than 64 MiB";
  } else if (ParseSettings(text, tree, &reason)) {
    return true;
  }
  tree = SettingsTree();
  // Only the file we looked at is set aside, never one another instance just wrote.
  if (StatFile() == identity) SetAside(reason);
  return false;
}

void SettingsStore::SetAside(const std::string& reason) {
  damageReason_ = reason;
  std::string path = FilePath();
  std::string stamp = TimeStamp();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string aside = path + ".damaged-" + stamp;
    if (attempt > 0) {
      aside += '-';
      aside += std::to_string(attempt);
    }
    int rc = ::renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
    if (rc != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // A file system without RENAME_NOREPLACE: look before leaping (the writers' lock is held).
      if (::access(aside.c_str(), F_OK) == 0) continue;
      rc = ::rename(path.c_str(), aside.c_str());
    }
    if (rc == 0) {
      setAsidePath_ = aside;
      std::fprintf(stderr, "kvn: the settings file %s is damaged (%s); it was kept as %s and defaults are used\n",
                   path.c_str(), reason.c_str(), aside.c_str());
      return;
    }
    if (errno != EEXIST) break;
  }
  readOnly_ = true;
  std::fprintf(stderr,
               "kvn: the settings file %s is damaged (%s) and cannot be set aside; defaults are used and "
               "changes are not saved in this session\n",
               path.c_str(), reason.c_str());
}

void SettingsStore::LoadInitial() {
  if (folder_.empty()) return;
  FolderLock lock(folder_);
  ReadFile(tree_, seen_);
}

void SettingsStore::RefreshFromDisk() {
  if (folder_.empty() || readOnly_) return;
  if (StatFile() == seen_) return;
  FolderLock lock(folder_);
  SettingsTree fresh;
  FileIdentity identity;
  if (!ReadFile(fresh, identity)) {
    // Damaged and set aside, or unreadable: keep what we have. A file that
    // was replaced while we looked is read again next time.
    FileIdentity now = StatFile();
    if (!now.exists) seen_ = now;
    return;
  }
  // A file removed by someone keeps what this process has; the next write brings it back.
  if (identity.exists) {
    for (const Change& change : pending_) ApplyTo(fresh, change);
    tree_ = std::move(fresh);
  }
  seen_ = identity;
}

bool SettingsStore::KeyExists(std::u16string_view key) {
  RefreshFromDisk();
  return tree_.FindKey(key) != nullptr;
}

const SettingValue* SettingsStore::FindValue(std::u16string_view key, std::u16string_view name) {
  RefreshFromDisk();
  return tree_.FindValue(key, name);
}

// --- changing -----------------------------------------------------------------------

bool SettingsStore::CreateKey(std::u16string_view key) {
  if (!IsValidSettingsKey(key)) {
    lastError_ = kErrorInvalidName;
    return false;
  }
  RefreshFromDisk();
  if (tree_.FindKey(key)) return true;
  return Apply(Change{Change::Kind::CreateKey, std::u16string(key), {}, {}});
}

bool SettingsStore::SetValue(std::u16string_view key, std::u16string_view name, const SettingValue& value) {
  if (!IsValidSettingsKey(key) || !value.IsWellFormed()) {
    lastError_ = kErrorInvalidParameter;
    return false;
  }
  if (value.data.size() > kMaxValueBytes) {
    lastError_ = kErrorInvalidParameter;
    return false;
  }
  return Apply(Change{Change::Kind::Set, std::u16string(key), std::u16string(name), value});
}

bool SettingsStore::DeleteValue(std::u16string_view key, std::u16string_view name) {
  RefreshFromDisk();
  if (!tree_.FindValue(key, name)) return true;  // nothing to delete, nothing to write
  return Apply(Change{Change::Kind::Delete, std::u16string(key), std::u16string(name), {}});
}

void SettingsStore::ApplyTo(SettingsTree& tree, const Change& change) {
  switch (change.kind) {
    case Change::Kind::CreateKey: tree.EnsureKey(change.key); break;
    case Change::Kind::Set: tree.SetValue(change.key, change.name, change.value); break;
    case Change::Kind::Delete: tree.DeleteValue(change.key, change.name); break;
  }
}

bool SettingsStore::Apply(Change change) {
  ApplyTo(tree_, change);
  if (readOnly_) {
    lastError_ = kErrorAccessDenied;
    return false;
  }
  pending_.push_back(std::move(change));
  return Persist();
}

bool SettingsStore::Persist() {
  if (folder_.empty()) {
    lastError_ = kErrorPathNotFound;
    return false;
  }
  if (!MakeSettingsFolders(folder_)) {
    lastError_ = LastSystemError();
    return false;
  }
  FolderLock lock(folder_);
  // Another instance may have written since we last looked: take its values
  // in and put ours on top, as the registry would have it.
  if (StatFile() != seen_) {
    SettingsTree fresh;
    FileIdentity identity;
    bool usable = ReadFile(fresh, identity);
    if (readOnly_) {
      lastError_ = kErrorAccessDenied;
      return false;
    }
    if (usable && identity.exists) {
      for (const Change& change : pending_) ApplyTo(fresh, change);
      tree_ = std::move(fresh);
    }
  }
  if (lock.Fd() >= 0) RemoveStaleTemporaries(lock.Fd());
  if (!WriteAtomically(SerializeSettings(tree_), lock.Fd())) return false;
  pending_.clear();
  lastError_ = kErrorSuccess;
  return true;
}

// Every writer holds the folder lock while its temporary file exists, so a
// temporary file found under the lock was left by a writer that died.
void SettingsStore::RemoveStaleTemporaries(int folderFd) const {
  int fd = ::dup(folderFd);
  if (fd < 0) return;
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return;
  }
  std::string prefix = TemporaryPrefix();
  while (struct dirent* entry = ::readdir(dir)) {
    std::string_view name(entry->d_name);
    if (name.size() == prefix.size() + 6 && name.starts_with(prefix)) ::unlinkat(folderFd, entry->d_name, 0);
  }
  ::closedir(dir);
}

bool SettingsStore::WriteAtomically(const std::string& text, int folderFd) {
  std::string temporary = folder_ + "/" + TemporaryPrefix() + "XXXXXX";
  int fd = ::mkostemp(temporary.data(), O_CLOEXEC);  // mode 0600
  if (fd < 0) {
    lastError_ = LastSystemError();
    return false;
  }
  struct stat st;
  bool ok = WriteAllBytes(fd, text.data(), text.size()) && ::fsync(fd) == 0 && ::fstat(fd, &st) == 0;
  std::uint32_t error = ok ? 0 : LastSystemError();
  if (::close(fd) != 0 && ok) {
    ok = false;
    error = LastSystemError();
  }
  if (ok && g_beforeRenameHook) g_beforeRenameHook();
  if (ok && ::rename(temporary.c_str(), FilePath().c_str()) != 0) {
    ok = false;
    error = LastSystemError();
  }
  if (!ok) {
    ::unlink(temporary.c_str());
    lastError_ = error ? error : kErrorWriteFault;
    return false;
  }
  // The rename is durable only once the folder's entry is on disk.
  if (folderFd >= 0) ::fsync(folderFd);
  seen_ = IdentityOf(st);
  return true;
}

}  // namespace kvn
