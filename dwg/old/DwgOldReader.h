// The reader of R11/R12 drawings (AC1009): a fixed file header with the
// table descriptors, the table sections, and two ranges of byte-aligned
// entity records that carry their own type, flags and length. It fills a
// plain YxxfReader the way the DXF reader does: table entries become table
// records, entities group-code records handed to DispatchEntity.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "document/DocumentResult.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;
class ProgressMonitor;
class YxxfGroupRecord;
class YxxfReader;
struct DwgLoadReport;
struct FormatReadContext;

// Reasons of records not dispatched because the file is damaged there: the
// check word at the record's end does not match, the block it names is not
// in the block table, its body ran past its stated end (what was read there
// belongs to the next record), or its stated length runs past its range.
inline constexpr char kOldSkipCrcMismatch[] = "CRC mismatch";
inline constexpr char kOldSkipBadBlockIndex[] = "bad block index";
inline constexpr char kOldSkipDataEndMissed[] = "data end missed";
inline constexpr char kOldSkipOverrun[] = "overrun";

// Ten bytes in the file: entry size (u16), entry count (u32), start (u32).
struct OldTableDescriptor {
  std::uint32_t start = 0;
  std::uint32_t count = 0;
  std::uint16_t size = 0;
};

// The state of one read; every byte goes through the running check word.
class OldDwgState {
 public:
  OldDwgState(InFileStream& in, YxxfReader& reader, ProgressMonitor* monitor, const WString& fileName);

  InFileStream& in;
  YxxfReader& reader;
  ProgressMonitor* monitor = nullptr;
  WString fileName;
  std::uint64_t fileSize = 0;
  std::uint16_t crc = 0xC0C1;
  bool cancelled = false;
  bool failed = false;
  std::uint64_t handleCounter = std::uint64_t(0x41000000) << 32;
  std::uint16_t codePage = 0;
  std::uint64_t byLayerLineType = std::uint64_t(0x40000002) << 32;
  std::uint64_t byBlockLineType = std::uint64_t(0x40000001) << 32;
  // The block that owns the entities being read (0: model space).
  std::uint64_t owner = 0;
  std::uint32_t blocksOpened = 0;
  // Per entity type name: records read, records not dispatched, records
  // whose body was shorter or longer than their stated length.
  std::map<std::string, std::uint64_t> readCounts, skippedCounts, realignedCounts;
  // Entities of the entity range per DXF type name, by space.
  std::map<std::string, std::uint64_t> modelCounts, paperCounts;
  std::map<std::string, std::map<std::string, std::uint64_t>> skippedReasons;
  // Records not dispatched for one of the damage reasons above.
  std::uint64_t damagedRecords = 0;
  // A record of the file matched its check word: its writer wrote them, and
  // a record that does not match is damaged. Until then a mismatch is taken
  // for a writer that left them out, and the record is read as it is,
  // unless the header's check word matched and the record's is not 0.
  bool checkWordsWritten = false;
  // The file header's check word matched. One that was written (not 0) and
  // does not match makes the header damaged: the ranges and tables it points
  // to may be wrong, and the read goes on to show what it finds there.
  bool headerChecked = false;
  bool headerDamaged = false;
  // Table entries whose check word does not match, when it was written (not
  // 0, or the header's matched): kept, as the records refer to the entries
  // by their place in the table.
  std::uint64_t damagedTableEntries = 0;

  bool AtEnd() const;
  std::uint64_t NextHandle() { return ++handleCounter; }
  // Fixed-width values read 0 past the end of the file.
  std::uint8_t U8();
  std::uint16_t U16();
  std::int16_t S16() { return std::int16_t(U16()); }
  std::uint32_t U32();
  double Double();
  // Texts and skips set "failed" at the end of the file.
  bool Skip(std::uint64_t n);
  // A fixed field of n bytes, cut at its first NUL.
  std::string FixedText(std::uint32_t n);
  // A u16 length, then that many bytes.
  std::string CountedText();
  WString Decode(const std::string& bytes) const;
  // Moves to `target`: back by a seek, forward by reading; false at the end.
  bool MoveTo(std::uint64_t target);
  // Reads a table entry's check word against the running one: false when
  // it was written and differs.
  bool CheckWordHolds();
  // False once cancelled.
  bool Progress();
};

bool ReadOldTableDescriptor(OldDwgState& state, OldTableDescriptor& out, bool tableRead);
void ReadOldDwgHeaderVariables(OldDwgState& state);
bool ReadOldLineTypeTable(OldDwgState& state, const OldTableDescriptor& d);
bool ReadOldBlockTable(OldDwgState& state, const OldTableDescriptor& d);
bool ReadOldLayerTable(OldDwgState& state, const OldTableDescriptor& d);
bool ReadOldStyleTable(OldDwgState& state, const OldTableDescriptor& d);
void ReadOldViewTable(OldDwgState& state, const OldTableDescriptor& d);
void ReadOldViewportTable(OldDwgState& state, const OldTableDescriptor& d);
bool ReadOldDwgHeader(OldDwgState& state);
// The extended entity data of a record (its size, then the items) into the
// record as 1000-series items.
void ReadOldExtendedData(OldDwgState& state, YxxfGroupRecord& record);
bool ReadOldDwgEntities(OldDwgState& state, std::uint32_t start, std::uint32_t end, bool trailingBlock);

// Reads a whole AC1009 file; a file read whole gives the document of the
// drawing assembly, a damaged one "File is corrupted.".
DocumentResult ReadOldDwg(InFileStream& in, const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                          const FormatReadContext* context = nullptr);

}  // namespace kvn
