// SettingsStore: the program's persistent settings, shaped like the registry
// branch the program was written against (keys such as
// "Software\QUARN_KVN_Viewer\MRU", each holding named values of type DWORD,
// string or binary), kept in one text file a person can read:
//
//   ; QUARN_KVN_Viewer settings, format 1
//   [Software\QUARN_KVN_Viewer]
//   "Language"=dword:00000002
//   "CHD_PRN_PRINT"="prints/"
//   "W"=hex:2c000000...
//
// Key and value names compare without regard to case, as registry names do.
// Strings are UTF-8 between quotes with \\ \" \n \r \t and \uXXXX escapes (the
// last for control characters and unpaired surrogates); DWORDs are eight hex
// digits; binary data is two hex digits per byte.
//
// Durability: every change is written at once (the program writes few values)
// to a temporary file in the same folder, forced to disk, renamed over the
// file, and the folder is forced to disk, so a crash leaves either the old or
// the new file, never a mix. Writers of all instances of the program hold an
// flock on the folder; a writer first takes in what another instance wrote
// since it last looked, so instances do not undo each other's values.
//
// Damage: a file that does not parse is renamed aside to
// "settings.conf.damaged-<date>-<time>" (never overwritten, never deleted), the
// store starts from defaults, and the path is kept (SetAsidePath) and printed
// on stderr so the shell can tell the user. A file that exists but cannot be
// read, or cannot be set aside, makes the store read-only for the session:
// changes then live in memory only, so the file is not overwritten blindly.
//
// Single thread (the user-interface thread), like the registry calls it replaces.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace kvn {

// Numbered as the registry's REG_SZ, REG_BINARY and REG_DWORD.
enum class SettingType : std::uint32_t { String = 1, Binary = 3, Dword = 4 };

// The raw value as the registry hands it out: a string is UTF-16LE with its
// terminating 0 counted, a DWORD is 4 bytes little-endian.
struct SettingValue {
  SettingType type = SettingType::Binary;
  std::vector<std::uint8_t> data;

  static SettingValue FromDword(std::uint32_t value);
  static SettingValue FromString(std::u16string_view text);
  static SettingValue FromBinary(const void* bytes, std::size_t size);
  // False when the bytes do not fit the type (a DWORD of other than 4 bytes, a
  // string without its single terminating 0).
  bool IsWellFormed() const;
};

// One key and its values, in the order they were first written.
struct SettingsKey {
  std::u16string name;
  std::vector<std::pair<std::u16string, SettingValue>> values;
};

// The whole tree, with the look-ups and changes the store replays.
class SettingsTree {
 public:
  const SettingsKey* FindKey(std::u16string_view key) const;
  const SettingValue* FindValue(std::u16string_view key, std::u16string_view name) const;
  // Creates the key when missing.
  SettingsKey& EnsureKey(std::u16string_view key);
  void SetValue(std::u16string_view key, std::u16string_view name, const SettingValue& value);
  // True when a value was removed.
  bool DeleteValue(std::u16string_view key, std::u16string_view name);
  const std::vector<SettingsKey>& Keys() const { return keys_; }
  bool operator==(const SettingsTree& other) const;

 private:
  std::vector<SettingsKey> keys_;
};

// Registry names compare by UpperCaseW of each code unit.
bool SettingsNamesEqual(std::u16string_view a, std::u16string_view b);
// A usable key path: not empty, no control characters, no empty component
// (so no leading, trailing or doubled backslash).
bool IsValidSettingsKey(std::u16string_view key);

// The file format. Parse answers false with a reason and the 1-based line
// number for anything that is not exactly what Serialize writes (blank lines,
// ';' comments and CR before LF aside).
std::string SerializeSettings(const SettingsTree& tree);
bool ParseSettings(std::string_view text, SettingsTree& tree, std::string* reason);

class SettingsStore {
 public:
  static constexpr const char* kFileName = "settings.conf";
  // A value is kept below 1 MiB (the registry advises files for anything
  // above 2 KiB; the largest value of the program is a printer-settings blob
  // of a few KiB), and a file above 64 MiB is not ours: refused as damaged.
  static constexpr std::uint32_t kMaxValueBytes = 1u << 20;
  static constexpr std::uint64_t kMaxFileBytes = 64ull << 20;

  // A store over `folder` (UTF-8 path; created on the first write). An empty
  // folder gives a store that keeps changes in memory only.
  explicit SettingsStore(std::string folder);
  ~SettingsStore();
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  // KVN_SETTINGS_DIR when set, else $XDG_CONFIG_HOME/QUARN_KVN_Viewer (an
  // absolute XDG_CONFIG_HOME only), else ~/.config/QUARN_KVN_Viewer; empty
  // when there is no home folder either.
  static std::string DefaultFolder();
  // The process-wide store over DefaultFolder(), made on first use.
  static SettingsStore& Global();
  // Drops the process-wide store; the next Global() looks at the environment again.
  static void ResetGlobal();

  // Reads take in what another instance wrote meanwhile (a cheap stat when nothing changed).
  bool KeyExists(std::u16string_view key);
  const SettingValue* FindValue(std::u16string_view key, std::u16string_view name);

  // Changes apply in memory at once and are written to the file; false when
  // the change was refused (invalid key, value too large or malformed) or
  // could not be written (LastError tells why; the change stays in memory and
  // is written with the next successful write).
  bool CreateKey(std::u16string_view key);
  bool SetValue(std::u16string_view key, std::u16string_view name, const SettingValue& value);
  bool DeleteValue(std::u16string_view key, std::u16string_view name);

  const std::string& Folder() const { return folder_; }
  std::string FilePath() const;
  // Where a damaged file was put during this session; empty when none was.
  const std::string& SetAsidePath() const { return setAsidePath_; }
  const std::string& DamageReason() const { return damageReason_; }
  bool IsReadOnly() const { return readOnly_; }
  // Win32-style code (SystemError.h) of the last failed write; 0 after a good one.
  std::uint32_t LastError() const { return lastError_; }
  const SettingsTree& Tree() const { return tree_; }

  // Called after the temporary file is complete and forced to disk, before
  // the rename; null removes it. Tests stop the process there.
  using Hook = void (*)();
  static void SetBeforeRenameHookForTesting(Hook hook);

 private:
  struct Change {
    enum class Kind { CreateKey, Set, Delete } kind;
    std::u16string key;
    std::u16string name;
    SettingValue value;
  };
  struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    bool operator==(const FileIdentity&) const = default;
  };

  void LoadInitial();
  // Takes in the file when it changed since it was last seen, then replays
  // the changes not yet written.
  void RefreshFromDisk();
  // Reads and parses the file. Answers false when there was nothing usable
  // (missing, unreadable or damaged); damage is set aside here.
  bool ReadFile(SettingsTree& tree, FileIdentity& identity);
  void SetAside(const std::string& reason);
  FileIdentity StatFile() const;
  static FileIdentity IdentityOf(const struct stat& st);
  static void ApplyTo(SettingsTree& tree, const Change& change);
  bool Apply(Change change);
  bool Persist();
  bool WriteAtomically(const std::string& text, int folderFd);
  void RemoveStaleTemporaries(int folderFd) const;

  std::string folder_;
  SettingsTree tree_;
  std::vector<Change> pending_;
  FileIdentity seen_;
  std::string setAsidePath_;
  std::string damageReason_;
  bool readOnly_ = false;
  std::uint32_t lastError_ = 0;
};

}  // namespace kvn
