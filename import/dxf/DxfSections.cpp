#include <algorithm>
#include <cstring>
#include <strings.h>
#include <thread>

#include "document/DocumentReaders.h"
#include "document/DwgLoadReport.h"
#include "document/FormatReader.h"
#include "document/ProgressMonitor.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/PathNames.h"
#include "import/dxf/DxfReadAhead.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportStatistics.h"
#include "import/records/RecentCounters.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

constexpr int kStrFileReadError = 19136;

bool EqualNoCase(std::string_view a, const char* b) {
  const std::size_t n = std::strlen(b);
  return a.size() == n && strncasecmp(a.data(), b, n) == 0;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

YxxfSection SectionOfName(std::string_view name, int& kind) {
  static constexpr const char* kNames[] = {"HEADER", "CLASSES", "TABLES", "BLOCKS", "ENTITIES"};
  for (int i = 0; i < 5; ++i) {
    if (EqualNoCase(name, kNames[i])) {
      kind = i;
      return YxxfSection(i);
    }
  }
  kind = 5;
  return YxxfSection::Objects;
}

std::string Upper(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  }
  return out;
}

// Counts one entity list as the file holds it. The names are compared as
// views, length first: a string compared with a literal calls memcmp
// whatever the lengths, three times for every entity of a large file.
void CountEntity(DxfReadOutcome& outcome, RecentCounters& counters, int kind, const std::string& name,
                 const std::string& blockName, const YxxfGroupRecord& record) {
  const std::string_view view(name);
  if (view == "VERTEX" || view == "SEQEND" || view == "ATTRIB") {
    ++counters.Counter(outcome.sub, name);
    return;
  }
  if (kind == 4) {
    ++counters.Counter(record.GetInt(67) != 0 ? outcome.paper : outcome.model, name);
    return;
  }
  if (view == "BLOCK" || view == "ENDBLK") return;
  if (std::string_view(blockName) == "*MODEL_SPACE") {
    ++counters.Counter(outcome.model, name);
  } else if (blockName.rfind("*PAPER_SPACE", 0) == 0) {
    ++counters.Counter(outcome.paper, name);
  } else {
    ++counters.Counter(outcome.blocks, name);
  }
}

}  // namespace

bool IsDxfFile(InFileStream& in) {
  in.Seek(0);
  char head[18] = {};
  const std::uint32_t got = in.Read(head, 18);
  in.Seek(0);
  if (got == 18 && strncasecmp(head, kDxfBinarySentinel, 18) == 0) return true;
  bool dxf = false;
  {
    DxfLineReader lines(in);
    std::string_view line;
    bool comment = false;
    for (int count = 0; count < 1001; ++count) {
      if (!lines.ReadLine(line)) break;
      line = TrimSpaces(line);
      if (count % 2 == 0) {
        if (line == "999") {
          comment = true;
        } else if (line == "0") {
          comment = false;
        } else {
          break;
        }
        continue;
      }
      if (comment) continue;
      dxf = EqualNoCase(line, "SECTION");
      break;
    }
  }
  in.Seek(0);
  return dxf;
}

namespace {

// Reading ahead pays from about this size on; below, starting a thread
// costs more than it saves.
constexpr std::uint64_t kReadAheadBytes = 1 << 20;
dxf_testing::ReadAhead gReadAhead = dxf_testing::ReadAhead::Auto;
std::uint32_t gBatchGroups = 0;

// The group reader over the stream, read on the loop's own thread.
class DirectGroups {
 public:
  DirectGroups(InFileStream& in, bool binary, bool oneByte) : in_(in), groups_(in, binary, oneByte) {}
  bool ReadGroup(int& code, YxxfGroupRecord& record, std::string_view& value, bool* unreadable = nullptr) {
    return groups_.ReadGroup(code, record, value, unreadable);
  }
  bool AtEnd() const { return groups_.AtEnd(); }
  std::uint64_t Position() const { return in_.Position(); }

 private:
  InFileStream& in_;
  DxfGroupReader groups_;
};

struct LoopInput {
  WString shortName;
  std::uint64_t size = 0;
};

template <class Groups>
void RunSectionLoop(Groups& groups, YxxfReader& reader, ProgressMonitor* monitor, const LoopInput& input,
                    DxfReadOutcome& outcome) {
  YxxfGroupRecord record;
  RecentCounters counters;
  int kind = 6;
  std::string name;
  std::string blockName;
  std::uint32_t lastPercent = 101;
  // Numbers of the record in hand that could not be read.
  std::uint64_t unreadable = 0;
  // The end of the input shows as a group that cannot be read; only the
  // progress report asks for it beforehand, so as not to report past the end.
  while (true) {
    if (monitor) {
      if (groups.AtEnd()) break;
      const std::uint64_t size = input.size;
      const std::uint32_t percent = size ? std::uint32_t((75 * groups.Position() + size / 2) / size) : 0;
      if (percent != lastPercent) {
        lastPercent = percent;
        if (!monitor->Step(percent, true, &input.shortName, nullptr, false)) {
          outcome.cancelled = true;
          break;
        }
      }
    }
    int code = 0;
    std::string_view value;
    bool unreadableNumber = false;
    if (!groups.ReadGroup(code, record, value, &unreadableNumber)) break;
    unreadable += unreadableNumber;
    if (code == 101 && (kind == 3 || kind == 4)) {
      record.SetSubRecord(std::uint8_t(record.SubRecord() + 1));
      record.SetLastSubRecord(record.SubRecord());
      continue;
    }
    if (code != 0) continue;
    if (value.empty()) break;
    const std::string current(value);
    record.RemoveLast();
    if (kind == 6) {
      name.clear();
      if (EqualNoCase(current, "EOF")) {
        outcome.sawEof = true;
        break;
      }
      if (!EqualNoCase(current, "SECTION")) {
        // Something outside every section: passed over, the file damaged.
        ++outcome.strayGroups;
        continue;
      }
      std::string_view sectionName;
      if (!groups.ReadGroup(code, record, sectionName) || code != 2 || sectionName.empty()) break;
      const std::string section(sectionName);
      record.RemoveLast();
      reader.currentBlock = nullptr;
      SectionOfName(section, kind);
      continue;
    }
    if (record.Count() != 0) {
      record.SetSubRecord(0);
      record.AddInt(kCodeDimensionDxf, 1);
      record.SetCodePage(reader.TextCodePage());
      if (kind == 3 || kind == 4) {
        const std::string upper = Upper(name);
        if (kind == 3 && upper == "BLOCK") blockName = Upper(record.GetNarrowString(2).CStr());
        CountEntity(outcome, counters, kind, upper, blockName, record);
        if (kind == 3 && upper == "ENDBLK") blockName.clear();
      }
      if (unreadable != 0) {
        reader.statistics.CountLoss(name.empty() ? std::string("HEADER") : Upper(name), LossReason::UnreadableNumber,
                                    unreadable);
      }
      reader.DispatchSection(record, name.c_str(), YxxfSection(kind == 6 ? 5 : kind));
    }
    unreadable = 0;
    record.Clear();
    if (EqualNoCase(current, "ENDSEC")) {
      kind = 6;
      name.clear();
    } else {
      name = current;
    }
  }
}

// Binary groups are read about as fast in place as they are taken from the
// reading thread's batches: only text files are read ahead.
bool UseReadAhead(bool binary, std::uint64_t size) {
  switch (gReadAhead) {
    case dxf_testing::ReadAhead::Never:
      return false;
    case dxf_testing::ReadAhead::Always:
      return true;
    case dxf_testing::ReadAhead::Auto:
      break;
  }
  return !binary && size >= kReadAheadBytes && std::thread::hardware_concurrency() > 1;
}

}  // namespace

namespace dxf_testing {
void SetReadAhead(ReadAhead mode, std::uint32_t batchGroups) {
  gReadAhead = mode;
  gBatchGroups = batchGroups;
}
}  // namespace dxf_testing

bool ReadDxfSections(YxxfReader& reader, ProgressMonitor* monitor, InFileStream& in, DxfReadOutcome& outcome) {
  const std::uint64_t start = in.Position();
  char sentinel[22] = {};
  const std::uint32_t got = in.Read(sentinel, 22);
  bool binary = false, oneByte = false;
  if (got == 22 && std::memcmp(sentinel, kDxfBinarySentinel, 22) == 0) {
    binary = true;
    std::uint8_t next[2] = {};
    if (in.Read(next, 2) == 2) oneByte = (next[0] | next[1] << 8) != 0;
    in.Seek(start + 22);
  } else {
    in.Seek(start);
  }
  outcome.binary = binary;
  // A file shorter than the sentinel holds no group.
  if (got != 22) return true;
  LoopInput input;
  input.shortName = GetFileNamePart(in.Path());
  input.size = in.Size();
  if (UseReadAhead(binary, input.size - std::min(input.size, in.Position()))) {
    DxfReadAhead ahead(in, binary, oneByte, gBatchGroups);
    if (ahead.Started()) {
      RunSectionLoop(ahead, reader, monitor, input, outcome);
      return !outcome.cancelled;
    }
  }
  DirectGroups groups(in, binary, oneByte);
  RunSectionLoop(groups, reader, monitor, input, outcome);
  return !outcome.cancelled;
}

namespace {

std::string VersionText(std::int32_t version) {
  if (version <= 0) return std::string();
  std::string digits = std::to_string(version);
  while (digits.size() < 4) digits.insert(0, 1, '0');
  return "AC" + digits;
}

void FillReport(const YxxfReader& reader, const DxfReadOutcome& outcome, DwgLoadReport& report) {
  report.format = "DXF";
  report.version = VersionText(reader.drawingVersion);
  report.encoding = outcome.binary ? "binary" : "ASCII";
  report.entities = outcome.model;
  report.paper = outcome.paper;
  report.blockEntities = outcome.blocks;
  report.subEntities = outcome.sub;
  for (const auto& [key, count] : reader.statistics.DroppedCounts()) {
    report.skipped[key.first] += count;
    report.skippedReasons[key.first][DropReasonText(key.second)] += count;
  }
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) report.layers.push_back(reader.layers[i]->name.ToUtf8());
  for (std::uint32_t i = 0; i < reader.blocks.Count(); ++i) report.blocks.push_back(reader.blocks[i]->name.ToUtf8());
  if (!outcome.sawEof) report.readError = LoadLangString(kStrFileReadError).ToUtf8();
}

DocumentResult LoadDxf(const WString& path, const FormatReadContext& context) {
  return LoadDxfFile(path, context.monitor, context.dwgReport, &context);
}

bool ProbeDxf(InFileStream& in, const WString&) { return IsDxfFile(in); }

}  // namespace

DocumentResult LoadDxfFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                           const FormatReadContext* context) {
  InFileStream in(path);
  if (!in.IsOpen()) return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable);
  return LoadDxfStream(in, path, monitor, report, context);
}

DocumentResult LoadDxfStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report, const FormatReadContext* context) {
  if (monitor) monitor->SetTitle(WString(u"DXF"));
  YxxfReader reader(path, 1);
  DxfReadOutcome outcome;
  in.Seek(0);
  if (!ReadDxfSections(reader, monitor, in, outcome)) return DocumentResult::Failure(kOpenCancelled);
  if (report) FillReport(reader, outcome, *report);
  // Layouts name their block through the block record.
  for (YxxfLayoutRec* layout : reader.layouts) {
    for (const YxxfBlockTableRec* record : reader.blockTableRecords) {
      if (record->handle == layout->owner && layout->owner != 0) {
        layout->blockName = record->name;
        break;
      }
    }
  }
  for (const YxxfBlockTableRec* record : reader.blockTableRecords) {
    if (reader.modelSpaceRecord == 0 && EqualsAsciiNoCase(record->name.View(), u"*Model_Space")) {
      reader.modelSpaceRecord = record->handle;
    }
    if (reader.paperSpaceRecord == 0 && EqualsAsciiNoCase(record->name.View(), u"*Paper_Space")) {
      reader.paperSpaceRecord = record->handle;
    }
  }
  reader.ApplyDrawOrder();
  reader.TakeQuestionsFrom(context);
  const bool partial = !outcome.sawEof || outcome.strayGroups != 0;
  reader.partialPending = partial;
  std::unique_ptr<cDrawingDoc> document = reader.AssembleDrawing(monitor);
  if (report) ReportImportLosses(reader.statistics, *report);
  if (!document) {
    if ((monitor && monitor->Cancelled()) || reader.viewCancelled) return DocumentResult::Failure(kOpenCancelled);
    return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable, reader.stopMessage);
  }
  DocumentResult result(std::move(document));
  if (partial) result.MarkPartial(reader.partialTold);
  for (const WString& warning : reader.warnings) result.AddWarning(warning);
  return result;
}

void RegisterDxfReader(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderDxf, FormatSlot::kDxf, &ProbeDxf, &LoadDxf});
}

}  // namespace kvn
