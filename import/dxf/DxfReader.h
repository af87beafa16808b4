// The DXF reader: recognises DXF drawings in text and binary form and turns
// the file into group-code lists, one per header, table entry, block or
// entity, which it hands to the reader context (import/records/YxxfReader.h).
// It builds no drawing objects itself: the context's dispatch makes the
// import records and its assembly the document.
//
// Damaged input ends reading, never the program: a code line that is not a
// number, a code outside 0..9999, an unknown binary code, a "0" group without
// a name, a SECTION without its name or a file that ends before EOF all stop
// the section loop, and what was read up to there is assembled with the
// warning "File read error.".
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class FormatRegistry;
struct FormatReadContext;
class InFileStream;
class ProgressMonitor;
class YxxfGroupRecord;
class YxxfReader;
struct DwgLoadReport;

// Value types of a group code: 0 unknown, 1 string, 2 double, 3 8-bit,
// 4 16-bit, 5 32-bit integer, 6 handle (hexadecimal text), 7 binary chunk.
int GetDxfValueType(int code);

// The first 22 bytes of a binary DXF file.
inline constexpr char kDxfBinarySentinel[22] = {'A', 'u', 't', 'o', 'C', 'A', 'D', ' ', 'B', 'i', 'n',
                                                'a', 'r', 'y', ' ', 'D', 'X', 'F', '\r', '\n', 0x1A, 0};

// The stream's window held between reads: what is taken from it is told
// to the stream in one step, when the window is used up or before anything
// else reads the stream (Sync), rather than group by group. Until then the
// stream's position lags behind what was taken.
class DxfWindow {
 public:
  explicit DxfWindow(InFileStream& in) : in_(in) {}
  ~DxfWindow() { Sync(); }
  DxfWindow(const DxfWindow&) = delete;
  DxfWindow& operator=(const DxfWindow&) = delete;

  // The bytes not yet taken (a new window once these are used up); length
  // 0 when the stream has none in a window.
  const std::uint8_t* Get(std::uint32_t& length);
  // Takes n of the bytes Get answered.
  void Take(std::uint32_t n) { used_ += n; }
  // Bytes not yet taken are left in the window.
  bool HoldsBytes() const { return used_ < length_; }
  // Tells the stream what was taken and lets go of the window.
  void Sync() const;

 private:
  InFileStream& in_;
  mutable const std::uint8_t* data_ = nullptr;
  mutable std::uint32_t length_ = 0;
  mutable std::uint32_t used_ = 0;
};

// Text lines of a stream: LF, CR or CR LF end a line; a line longer than
// 65,535 bytes comes in pieces.
class DxfLineReader {
 public:
  static constexpr std::uint32_t kLineLimit = 65535;

  explicit DxfLineReader(InFileStream& in);
  // One line without its end; false at the end of the stream with nothing
  // read. The view lasts until the next call or the next read of the stream
  // (it may point into the stream's own buffer).
  bool ReadLine(std::string_view& line);
  // Two lines read in place when both lie whole in the stream's window
  // (nothing pending); false, taking nothing, otherwise. The views last as
  // ReadLine's do.
  bool ReadLinePairInPlace(std::string_view& first, std::string_view& second);
  // The stream is used up and no character is pending.
  bool AtEnd() const;

 private:
  InFileStream& in_;
  DxfWindow window_{in_};
  std::unique_ptr<char[]> buffer_;
  std::uint32_t fill_ = 0;
  bool hasPending_ = false;
  char pending_ = 0;
};

// One group as read, before it enters a record: its code and its value as
// the record will hold it. `text` is the value's text (for a real read from
// a text file, too; empty for binary numbers and a dropped chunk), valid
// until the next read of the stream.
struct DxfGroup {
  // None: nothing enters the record (a hexadecimal chunk of odd length).
  enum class Kind : std::uint8_t { None, Int, Double, Text };
  int code = 0;
  Kind kind = Kind::None;
  std::int32_t integer = 0;
  double real = 0.0;
  std::string_view text;
  // A number the file wrote so that it cannot be read: the text of a number
  // group that is no number (read as 0, or by its leading digits), or a
  // binary real that is not finite. Told where the value is read, so that
  // the readable numbers (nearly all) are not looked at twice.
  bool unreadable = false;
};

// Appends a group to the record as the group reader does: a code 0 starts
// at sub-record 0 again.
void AddDxfGroup(const DxfGroup& group, YxxfGroupRecord& record);

class DxfGroupReader {
 public:
  // `binary`: the stream stands after the binary sentinel.
  DxfGroupReader(InFileStream& in, bool binary, bool oneByteCodes);

  // Reads one group and appends it to the record; `value` is its text (for
  // binary numbers: empty), valid until the next read of the stream. False on failure, and
  // every later read fails too. `unreadable`, when given, tells whether the
  // group is a number that cannot be read (DxfGroup::unreadable).
  bool ReadGroup(int& code, YxxfGroupRecord& record, std::string_view& value, bool* unreadable = nullptr);
  // Reads one group without a record; fails as ReadGroup does.
  bool Next(DxfGroup& group);
  bool Ok() const { return ok_; }
  bool AtEnd() const;

 private:
  bool ReadText(DxfGroup& group);
  bool ReadBinary(DxfGroup& group);
  bool Fail() { return ok_ = false; }
  // n bytes from the stream's window when it holds them, else through Read.
  bool Take(void* out, std::uint32_t n);
  // A group whose code and value lie whole in the stream's window, read in
  // place; false (nothing taken) otherwise.
  bool ReadWindowGroup(DxfGroup& group);
  // n bytes read from the stream itself (the window given back first).
  bool ReadRaw(void* out, std::uint32_t n);

  InFileStream& in_;
  DxfWindow window_{in_};
  bool ok_ = true;
  bool oneByteCodes_ = false;
  std::unique_ptr<DxfLineReader> lines_;
  std::string scratch_;
};

// The DXF probe; leaves the stream at position 0.
bool IsDxfFile(InFileStream& in);

// What reading told beside the records.
struct DxfReadOutcome {
  bool binary = false;
  bool sawEof = false;
  bool cancelled = false;
  // Entities outside every section (after an ENDSEC, before EOF), passed over.
  std::uint32_t strayGroups = 0;
  // Entities as the file holds them, by name: model space, paper space,
  // block definitions, and the sub-entities VERTEX, SEQEND and ATTRIB.
  std::map<std::string, std::uint64_t> model, paper, blocks, sub;
};

// The section loop: true unless cancelled (a file cut short is still read).
bool ReadDxfSections(YxxfReader& reader, ProgressMonitor* monitor, InFileStream& in, DxfReadOutcome& outcome);

namespace dxf_testing {
// Whether the section loop reads its groups ahead on a thread: Auto for
// text files of a megabyte or more on a machine of more than one core; and
// the groups in one batch of the reading thread (0: the default).
enum class ReadAhead { Auto, Never, Always };
void SetReadAhead(ReadAhead mode, std::uint32_t batchGroups = 0);
}  // namespace dxf_testing

// The DXF entry over a path or an open stream (the fuzz target reads from
// memory). `report`, when given, receives what the file holds; `context`,
// when given, who answers the assembly's questions (view direction,
// external references) and the reference context of the load.
DocumentResult LoadDxfFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                           const FormatReadContext* context = nullptr);
DocumentResult LoadDxfStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report, const FormatReadContext* context = nullptr);

// Registers the reader in the dispatcher's DXF slot.
void RegisterDxfReader(FormatRegistry& registry);

}  // namespace kvn
