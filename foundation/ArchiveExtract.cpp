#include "foundation/ArchiveExtract.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstring>

#include "foundation/FileSystem.h"
#include "foundation/InFileStream.h"
#include "foundation/LongPathFiles.h"
#include "foundation/OutFileStream.h"
#include "foundation/PathBytes.h"
#include "foundation/StepMonitor.h"
#include "foundation/WaitCursor.h"

namespace kvn {

namespace {

enum EntryType : std::uint8_t { kEntryEnd = 0, kEntryFile = 1, kEntryFolder = 2 };

// Pieces in which file bytes are copied.
constexpr std::uint32_t kCopyPiece = 2048;
// Folders nest no deeper than a path Linux accepts could.
constexpr int kMaxDepth = 256;

struct Entry {
  std::uint8_t type = 0;
  WString name;
  std::uint64_t fileTime = 0;
};

bool ReadExact(InFileStream& stream, void* buffer, std::uint32_t n) {
  return n == 0 || (stream.CanRead(n, 1) && stream.Read(buffer, n) == n);
}

bool ReadU32(InFileStream& stream, std::uint32_t& value) {
  std::uint8_t b[4];
  if (!ReadExact(stream, b, 4)) return false;
  value = std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
  return true;
}

bool ReadEntryHeader(InFileStream& stream, Entry& entry) {
  if (!ReadExact(stream, &entry.type, 1)) return false;
  if (entry.type == kEntryEnd) return true;
  if (entry.type != kEntryFile && entry.type != kEntryFolder) return false;
  std::uint8_t length = 0;
  if (!ReadExact(stream, &length, 1)) return false;
  std::array<std::uint8_t, 2 * 255> raw{};
  if (!ReadExact(stream, raw.data(), 2u * length)) return false;
  std::u16string name(length, u'\0');
  for (std::size_t i = 0; i < length; ++i) name[i] = char16_t(raw[2 * i] | raw[2 * i + 1] << 8);
  entry.name = WString(std::u16string_view(name));
  std::uint8_t t[8];
  if (!ReadExact(stream, t, 8)) return false;
  entry.fileTime = 0;
  for (int i = 7; i >= 0; --i) entry.fileTime = entry.fileTime << 8 | t[i];
  return true;
}

WString Join(const WString& folder, const WString& name) {
  WString r = folder;
  if (r.IsEmpty() || r.CStr()[r.Length() - 1] != u'/') r.AppendChar(u'/');
  r.Append(name);
  return r;
}

// Something other than a plain file or folder stands where the entry goes
// (a link, which could lead out of the destination).
bool IsForeignObject(const WString& path, bool wantFolder) {
  struct stat st {};
  if (::lstat(PathBytes(path.View()).c_str(), &st) != 0) return false;
  return wantFolder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode);
}

void SetFolderTime(const WString& path, std::uint64_t fileTime) {
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;
  UnixFromFileTime(fileTime, seconds, nanoseconds);
  times[1].tv_sec = time_t(seconds);
  times[1].tv_nsec = long(nanoseconds);
  // Linux keeps no settable creation time: the last write stands for both.
  ::utimensat(AT_FDCWD, PathBytes(path.View()).c_str(), times, AT_SYMLINK_NOFOLLOW);
}

bool StepPercent(StepMonitor* monitor, InFileStream& stream, const WString& name) {
  if (monitor == nullptr) return true;
  const std::uint64_t size = stream.Size();
  const std::uint32_t percent = size ? std::uint32_t(stream.Position() * 100 / size) : 0;
  return monitor->Step(percent, name);
}

bool CopyFile(const WString& target, InFileStream& stream, std::uint32_t size, std::uint64_t fileTime) {
  OutFileStream out(target);
  if (!out.CheckOpen()) return false;
  std::array<std::uint8_t, kCopyPiece> piece{};
  std::uint32_t left = size;
  while (left > 0) {
    const std::uint32_t n = left < kCopyPiece ? left : kCopyPiece;
    if (!ReadExact(stream, piece.data(), n)) {
      out.CloseAndDelete();
      return false;
    }
    out.Write(piece.data(), n);
    if (!out.IsGood()) {
      out.CloseAndDelete();
      return false;
    }
    left -= n;
  }
  if (!out.Commit()) {
    out.CloseAndDelete();
    return false;
  }
  out.SetFileTime(&fileTime, nullptr, &fileTime);
  return out.Close();
}

bool Entries(const WString& destination, const WString& prefix, StepMonitor* monitor, InFileStream& stream,
             std::vector<WString>* names, std::vector<std::uint64_t>* offsets, int depth) {
  const bool listing = names != nullptr && offsets != nullptr;
  if (!listing) {
    // A link where a folder goes is refused, not followed.
    if (IsForeignObject(destination, true)) return false;
    if (!DirectoryExists(destination) && !CreateDirectoryPath(destination, nullptr)) return false;
  }
  for (;;) {
    Entry entry;
    // The end of the stream before an end entry fails here too.
    if (!ReadEntryHeader(stream, entry)) return false;
    if (entry.type == kEntryEnd) return true;
    if (!IsPlainArchiveName(entry.name)) return false;
    const WString target = Join(destination, entry.name);
    if (entry.type == kEntryFile) {
      std::uint32_t size = 0;
      if (!ReadU32(stream, size)) return false;
      // Checked before anything is created: a size beyond the stream leaves no file.
      if (size > 0 && !stream.CanRead(size, 1)) return false;
      if (!StepPercent(monitor, stream, entry.name)) return false;
      if (listing) {
        names->push_back(prefix.IsEmpty() ? entry.name : Join(prefix, entry.name));
        offsets->push_back(stream.Position());
        if (!stream.Seek(stream.Position() + size)) return false;
        continue;
      }
      if (IsForeignObject(target, false)) return false;
      if (!CopyFile(target, stream, size, entry.fileTime)) return false;
    } else {
      if (depth >= kMaxDepth) return false;
      const WString subPrefix = prefix.IsEmpty() ? entry.name : Join(prefix, entry.name);
      if (!Entries(target, subPrefix, monitor, stream, names, offsets, depth + 1)) return false;
      if (!listing) SetFolderTime(target, entry.fileTime);
    }
  }
}

}  // namespace

bool IsPlainArchiveName(const WString& name) {
  const std::u16string_view v = name.View();
  if (v.empty() || v == u"." || v == u"..") return false;
  for (const char16_t c : v) {
    if (c == u'/' || c == u'\\' || c == u':' || c == u'\0') return false;
  }
  return true;
}

bool ExtractArchiveEntries(const WString& destination, StepMonitor* monitor, InFileStream& stream,
                           std::vector<WString>* names, std::vector<std::uint64_t>* offsets) {
  return Entries(destination, WString(), monitor, stream, names, offsets, 0);
}

bool ExtractArchive(std::uint8_t version, StepMonitor* monitor, const cMsgDlg* owner, const WString& destination,
                    InFileStream& stream, std::vector<WString>* names, std::vector<std::uint64_t>* offsets) {
  const cMsgDlg* box = monitor && monitor->MessageOwner() ? monitor->MessageOwner() : owner;
  if (!stream.CheckOpen(const_cast<cMsgDlg*>(box))) return false;
  char magic[4] = {};
  std::uint8_t fileVersion = 0;
  if (!ReadExact(stream, magic, 4) || std::memcmp(magic, kArchiveMagic, 4) != 0) return false;
  if (!ReadExact(stream, &fileVersion, 1) || fileVersion != version) return false;
  WaitCursor wait;
  return ExtractArchiveEntries(destination, monitor, stream, names, offsets);
}

}  // namespace kvn
