#include "import/dgn/DgnReader.h"

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

#include "document/DocumentReaders.h"
#include "document/DwgLoadReport.h"
#include "document/FormatReader.h"
#include "document/ProgressMonitor.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dgn/DgnConvert.h"
#include "import/dgn/DgnElements.h"
#include "import/dgn/DgnFormat.h"
#include "import/records/ImportLosses.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

constexpr int kStrFileReadError = 19136;
// The reader kind of DGN imports in the reader context.
constexpr int kDgnReaderKind = 3;
// Block handles of cells count up from 2^27, clear of any handle a file has.
constexpr std::uint64_t kFirstCellHandle = std::uint64_t(1) << 27;
constexpr std::uint64_t kDgnSectorBytes = 512;
// How far past an element whose data's end it cannot tell the loop may look
// for the elements its count may have run into: room for a run of three
// elements as large as the design file's largest (the TCB, 1,536 bytes),
// twice over.
constexpr std::size_t kDgnReadAheadBytes = 8192;
// What the look-ahead reads at a time: most verdicts need a few dozen bytes
// past the element, and the next elements' verdicts the bytes after those.
constexpr std::size_t kDgnLookAheadChunk = 512;
// Window bytes before the element being judged that are let go.
constexpr std::size_t kDgnWindowKeep = 16384;

constexpr std::array<std::uint8_t, 8> kOleSignature = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

bool IsOle(std::span<const std::uint8_t> first) {
  return first.size() >= 8 && std::equal(kOleSignature.begin(), kOleSignature.end(), first.begin());
}

// Graphic types that are read but that the import does not draw.
bool IsUndrawnGraphic(int type) {
  switch (type) {
    case 22: case 23: case 24: case 33: case 35: case 36: return true;
    default: return false;
  }
}

bool IsDrawnGraphic(int type) {
  switch (type) {
    case dgn::kLine: case dgn::kLineString: case dgn::kShape: case dgn::kCurve: case dgn::kBSplinePole:
    case dgn::kEllipse: case dgn::kArc: case dgn::kText: case dgn::kComplexChain: case dgn::kComplexShape:
    case dgn::kSurface3D: case dgn::kSolid3D:
      return true;
    default:
      return false;
  }
}

WString LevelName(int level) { return WString(0, DgnLevelName(level).c_str()); }

// The element loop's look-ahead: a window of the file's bytes that holds
// the element being judged and as much after it as the verdicts asked for,
// read from the stream a chunk at a time and kept from element to element
// (the next element usually lies in what was read for the one before), so
// that the stream goes back only after a read past what the window held.
class StreamLookAhead final : public DgnLookAhead {
 public:
  // The element just read, which ends at the stream's position.
  void Judge(InFileStream& in, std::uint64_t start, std::span<const std::uint8_t> element) {
    in_ = &in;
    elementEnd_ = start + element.size();
    const std::uint64_t windowEnd = windowStart_ + window_.size();
    if (window_.empty() || start < windowStart_ || elementEnd_ > windowEnd) {
      window_.assign(element.begin(), element.end());
      windowStart_ = start;
    } else if (start - windowStart_ > kDgnWindowKeep) {
      window_.erase(window_.begin(), window_.begin() + std::ptrdiff_t(start - windowStart_));
      windowStart_ = start;
    }
    base_ = std::size_t(start - windowStart_);
    const std::uint64_t after = in.Size() > elementEnd_ ? in.Size() - elementEnd_ : 0;
    limit_ = element.size() + std::size_t(std::min<std::uint64_t>(after, kDgnReadAheadBytes));
  }
  std::size_t Limit() const override { return limit_; }
  std::span<const std::uint8_t> First(std::size_t count) override {
    const std::size_t held = window_.size() - base_;
    if (count > held) Fetch(base_ + std::min(limit_, std::max(count, held + kDgnLookAheadChunk)));
    return std::span<const std::uint8_t>(window_).subspan(base_, std::min(count, window_.size() - base_));
  }
  // A stream that could not go back to the element's end.
  bool Lost() const { return lost_; }

 private:
  void Fetch(std::size_t upTo) {
    const std::size_t had = window_.size();
    window_.resize(upTo);
    std::uint32_t got = 0;
    if (in_->Seek(windowStart_ + had)) got = in_->Read(window_.data() + had, std::uint32_t(upTo - had));
    window_.resize(had + got);
    if (!in_->Seek(elementEnd_)) lost_ = true;
  }

  InFileStream* in_ = nullptr;
  std::vector<std::uint8_t> window_;
  std::uint64_t windowStart_ = 0, elementEnd_ = 0;
  std::size_t base_ = 0, limit_ = 0;
  bool lost_ = false;
};

// The element loop and the state it carries from element to element: the
// stack of open cells, the open complex header and the previous element.
class DgnElementLoop {
 public:
  DgnElementLoop(cDGNInfo& info, YxxfReader& reader, DgnReadOutcome& outcome)
      : info_(info), reader_(reader), outcome_(outcome) {}

  bool Run(InFileStream& in, ProgressMonitor* monitor);

 private:
  void Take(std::unique_ptr<DGNElemCore> element);
  void Count(const DGNElemCore& element, DgnConversion conversion, bool component);
  void CountDown(std::int64_t words);
  void OpenCell(std::unique_ptr<DGNElemCellHeader> cell);
  void SetCurrentBlock() { reader_.currentBlock = cells_.empty() ? nullptr : cells_.back()->block; }
  // Whether the element at `start` runs past the end of the innermost chain
  // (cell, complex element, B-spline) it lies in; a header opens its chain.
  bool PassesItsChain(std::uint64_t start, std::span<const std::uint8_t> element);
  // Whether the element just read (at `start`), whose data's end is not
  // known from `from` on, runs into the middle of the elements after it
  // (read ahead without moving the stream).
  bool RunsIntoElementsAfter(InFileStream& in, std::uint64_t start, std::span<const std::uint8_t> element,
                             std::size_t from);
  // Whether the deleted element just read (at `start`) covers elements that
  // are not deleted, or the end marker (read ahead likewise).
  bool CoversWhatItMayNot(InFileStream& in, std::uint64_t start, std::span<const std::uint8_t> element);
  // Closes a complex chain or shape that an element without the complex bit
  // ends before its count of components: the header's count (or its type)
  // is damaged, and the element and those after it are no components.
  void EndBrokenComplex(const DGNElemCore& element);

  cDGNInfo& info_;
  YxxfReader& reader_;
  DgnReadOutcome& outcome_;
  YxxfGroupRecord record_;
  std::vector<std::unique_ptr<DGNElemCellHeader>> cells_;
  std::unique_ptr<DGNElemComplexHeader> complex_;
  std::unique_ptr<DGNElemCore> previous_;
  std::uint64_t nextHandle_ = kFirstCellHandle;
  // File offsets where the open chains end, outermost first; each no later
  // than the one before it.
  std::vector<std::uint64_t> chainEnds_;
  StreamLookAhead lookAhead_;
  bool streamLost_ = false;
};

// Whether the stream holds nothing but zero bytes from `from` to its end.
bool OnlyZerosFrom(InFileStream& in, std::uint64_t from) {
  if (from >= in.Size()) return true;
  if (!in.Seek(from)) return false;
  std::array<std::uint8_t, 4096> chunk{};
  while (const std::uint32_t got = in.Read(chunk.data(), std::uint32_t(chunk.size()))) {
    if (std::any_of(chunk.begin(), chunk.begin() + got, [](std::uint8_t v) { return v != 0; })) return false;
  }
  return in.Position() == in.Size();
}

bool DgnElementLoop::PassesItsChain(std::uint64_t start, std::span<const std::uint8_t> element) {
  while (!chainEnds_.empty() && chainEnds_.back() <= start) chainEnds_.pop_back();
  const std::uint64_t end = start + element.size();
  const bool passes = !chainEnds_.empty() && end > chainEnds_.back();
  // A header whose chain ends inside itself opens none (its own length is
  // damaged); one that outruns its enclosing chain ends with it, where the
  // elements after that chain belong to the outer level again.
  const std::size_t span = DgnChainBytes(element);
  if (span >= element.size()) {
    std::uint64_t chainEnd = start + span;
    if (!chainEnds_.empty()) chainEnd = std::min(chainEnd, chainEnds_.back());
    if (chainEnd > end) chainEnds_.push_back(chainEnd);
  }
  return passes;
}

bool DgnElementLoop::RunsIntoElementsAfter(InFileStream& in, std::uint64_t start,
                                           std::span<const std::uint8_t> element, std::size_t from) {
  lookAhead_.Judge(in, start, element);
  const bool runs = RunsIntoTheMarkersPadding(lookAhead_, element, from) ||
                    RunsIntoElementsOutOfStep(lookAhead_, element.size(), from, info_.dimension);
  // A stream that cannot go back would leave the loop out of step itself:
  // it ends there.
  if (lookAhead_.Lost()) streamLost_ = true;
  return runs;
}

bool DgnElementLoop::CoversWhatItMayNot(InFileStream& in, std::uint64_t start, std::span<const std::uint8_t> element) {
  lookAhead_.Judge(in, start, element);
  const bool covers = DeletedElementCovers(lookAhead_, element.size(), info_.dimension);
  if (lookAhead_.Lost()) streamLost_ = true;
  return covers;
}

void DgnElementLoop::EndBrokenComplex(const DGNElemCore& element) {
  if (!complex_ || element.complex) return;
  ++outcome_.overlong;
  SetCurrentBlock();
  EmitComplexPath(info_, *complex_, reader_, record_);
  complex_.reset();
}

bool DgnElementLoop::Run(InFileStream& in, ProgressMonitor* monitor) {
  const std::uint64_t size = in.Size();
  std::uint32_t lastPercent = 101;
  std::vector<std::uint8_t> buffer;
  while (true) {
    if (monitor) {
      const std::uint32_t percent = size ? std::uint32_t((100 * in.Position() + size / 2) / size) : 0;
      if (percent != lastPercent) {
        lastPercent = percent;
        if (!monitor->Step(int(percent), true)) {
          outcome_.cancelled = true;
          return false;
        }
      }
    }
    std::uint8_t header[kDgnHeaderBytes];
    const std::uint32_t got = in.Read(header, kDgnHeaderBytes);
    // A design file ends with its end marker: one that ends without it was
    // cut, even at an element's end.
    if (got == 0) {
      outcome_.readToEnd = false;
      break;
    }
    // The end marker may be the file's last two bytes. Design files are
    // written in sectors of 512 bytes, the marker in the last one, whose
    // rest holds whatever the writer's buffer held; writers may pad the file
    // with sectors of zeros. Data past the marker's sector means the marker
    // was met early, in the bytes of a damaged element length.
    if (got >= 2 && header[0] == 0xFF && header[1] == 0xFF) {
      if (!OnlyZerosFrom(in, in.Position() - got + kDgnSectorBytes)) outcome_.readToEnd = false;
      break;
    }
    if (got < kDgnHeaderBytes) {
      outcome_.readToEnd = false;
      break;
    }
    const std::uint32_t bodyBytes = 2 * std::uint32_t(header[2] | header[3] << 8);
    if (!in.CanRead(bodyBytes, 1) && bodyBytes != 0) {
      outcome_.readToEnd = false;
      ++outcome_.skipped[DgnTypeName(header[1] & 0x7F)][kDgnSkipCutShort];
      break;
    }
    buffer.assign(header, header + kDgnHeaderBytes);
    buffer.resize(kDgnHeaderBytes + bodyBytes);
    if (bodyBytes != 0 && in.Read(buffer.data() + kDgnHeaderBytes, bodyBytes) != bodyBytes) {
      outcome_.readToEnd = false;
      ++outcome_.skipped[DgnTypeName(header[1] & 0x7F)][kDgnSkipCutShort];
      break;
    }
    ++outcome_.elements;
    const std::uint64_t start = in.Position() - buffer.size();
    std::unique_ptr<DGNElemCore> element = ReadDgnElement(info_, buffer);
    if (element->unknownDataFrom != 0 && RunsIntoElementsAfter(in, start, buffer, element->unknownDataFrom)) {
      element->overlong = true;
    }
    if (element->deleted && CoversWhatItMayNot(in, start, buffer)) element->overlong = true;
    if (element->overlong || PassesItsChain(start, buffer)) ++outcome_.overlong;
    Take(std::move(element));
    if (streamLost_) {
      outcome_.readToEnd = false;
      break;
    }
  }
  // A cell still open at the end claims more than the file holds: its length
  // is damaged or the file cut. It is placed with what it gathered (every
  // element after a damaged length, which would otherwise not show at all),
  // and the file is told as read in part.
  if (!cells_.empty()) outcome_.readToEnd = false;
  while (!cells_.empty()) {
    std::unique_ptr<DGNElemCellHeader> cell = std::move(cells_.back());
    cells_.pop_back();
    SetCurrentBlock();
    if (!cell->definition) EmitCellInsert(*cell, reader_, record_);
  }
  return true;
}

void DgnElementLoop::Take(std::unique_ptr<DGNElemCore> element) {
  EndBrokenComplex(*element);
  SetCurrentBlock();
  const bool component = complex_ && element->complex;
  DgnConversion conversion = DgnConversion::Nothing;
  if (!element->deleted && !element->cutShort) {
    conversion = ConvertDgnElement(info_, *element, reader_, record_, previous_.get(), complex_.get());
  }
  Count(*element, conversion, component);

  const std::int64_t words = std::int64_t(element->size / 2);
  CountDown(words);

  if (element->structType == DgnStructure::CellHeader && !element->deleted) {
    std::unique_ptr<DGNElemCellHeader> cell(static_cast<DGNElemCellHeader*>(element.release()));
    cell->remainingWords = std::int64_t(cell->totalLength) + 19 - words;
    OpenCell(std::move(cell));
    return;
  }
  if (complex_) {
    if (--complex_->components <= 0) {
      SetCurrentBlock();
      EmitComplexPath(info_, *complex_, reader_, record_);
      complex_.reset();
    }
  }
  if (element->structType == DgnStructure::ComplexHeader && !element->deleted) {
    std::unique_ptr<DGNElemComplexHeader> header(static_cast<DGNElemComplexHeader*>(element.release()));
    if (header->components >= 1) complex_ = std::move(header);
    return;
  }
  if (!element->complex) previous_ = std::move(element);
}

void DgnElementLoop::Count(const DGNElemCore& e, DgnConversion conversion, bool component) {
  const std::string name = DgnTypeName(e.type);
  if (e.deleted) {
    ++outcome_.skipped[name][kDgnSkipDeleted];
    return;
  }
  if (e.cutShort) {
    ++outcome_.skipped[name][kDgnSkipCutShort];
    ++outcome_.damaged;
    return;
  }
  if (component) return;
  if (conversion == DgnConversion::NonPlanar) {
    ++outcome_.skipped[name][kDgnSkipNonPlanar];
  } else if (IsDrawnGraphic(e.type)) {
    ++outcome_.entities[name];
  } else if (IsUndrawnGraphic(e.type)) {
    ++outcome_.skipped[name][kDgnSkipNotDrawn];
  } else if (!DgnTypeIsNamed(e.type)) {
    ++outcome_.skipped[name][kDgnSkipUnknownType];
  }
}

void DgnElementLoop::CountDown(std::int64_t words) {
  for (auto& cell : cells_) cell->remainingWords = std::max<std::int64_t>(0, cell->remainingWords - words);
  while (!cells_.empty() && cells_.back()->remainingWords == 0) {
    std::unique_ptr<DGNElemCellHeader> cell = std::move(cells_.back());
    cells_.pop_back();
    SetCurrentBlock();
    if (!cell->definition) EmitCellInsert(*cell, reader_, record_);
  }
  // An inner cell that outlives its outer one is closed with it.
  for (std::size_t i = 0; i < cells_.size(); ++i) {
    if (cells_[i]->remainingWords != 0) continue;
    while (cells_.size() > i) {
      std::unique_ptr<DGNElemCellHeader> cell = std::move(cells_.back());
      cells_.pop_back();
      SetCurrentBlock();
      if (!cell->definition) EmitCellInsert(*cell, reader_, record_);
    }
    break;
  }
}

void DgnElementLoop::OpenCell(std::unique_ptr<DGNElemCellHeader> cell) {
  const std::uint64_t handle = nextHandle_++;
  auto block = std::make_unique<YxxfBlockRec>(WString(1252, AString(cell->name.c_str())), Vec3{},
                                              std::uint32_t(handle), std::uint32_t(handle >> 32), 0, 0, 0);
  cell->block = block.get();
  cell->blockHandle = handle;
  reader_.blocks.Add(block.release());
  // A cell without components is whole at once.
  if (cell->remainingWords <= 0) {
    SetCurrentBlock();
    if (!cell->definition) EmitCellInsert(*cell, reader_, record_);
    return;
  }
  cells_.push_back(std::move(cell));
}

void FillReport(const YxxfReader& reader, const DgnReadOutcome& outcome, DwgLoadReport& report) {
  report.format = "DGN";
  report.version = "V7";
  report.entities = outcome.entities;
  for (const auto& [type, reasons] : outcome.skipped) {
    for (const auto& [reason, count] : reasons) {
      report.skipped[type] += count;
      report.skippedReasons[type][reason] += count;
    }
  }
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) report.layers.push_back(reader.layers[i]->name.ToUtf8());
  for (std::uint32_t i = 0; i < reader.blocks.Count(); ++i) report.blocks.push_back(reader.blocks[i]->name.ToUtf8());
  if (!outcome.readToEnd) report.readError = LoadLangString(kStrFileReadError).ToUtf8();
}

bool ProbeDgn(InFileStream&, const WString& path) {
  const std::u16string_view v = path.View();
  if (v.size() < 4) return false;
  const std::u16string_view tail = v.substr(v.size() - 4);
  auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  return tail[0] == u'.' && lower(tail[1]) == u'd' && lower(tail[2]) == u'g' && lower(tail[3]) == u'n';
}

DocumentResult LoadDgn(const WString& path, const FormatReadContext& context) {
  return LoadDgnFile(path, context.monitor, context.dwgReport);
}

}  // namespace

bool IsDgnV7Signature(std::span<const std::uint8_t> first) {
  if (first.size() < 4) return false;
  if (first[0] != 0x08 && first[0] != 0xC8) return false;
  if (first[1] == 0x09 && first[2] == 0xFE && first[3] == 0x02) return true;
  return first[0] == 0x08 && first[1] == 0x05 && first[2] == 0x17 && first[3] == 0x00;
}

DocumentResult LoadDgnFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report) {
  InFileStream in(path);
  if (!in.IsOpen()) return DocumentResult::Failure(kOpenDgnFailed, kOpenNotReadable);
  return LoadDgnStream(in, path, monitor, report);
}

LoadResult CheckDgnSignature(InFileStream& in, int& dimension) {
  in.Seek(0);
  std::array<std::uint8_t, 10> first{};
  const std::uint32_t got = in.Read(first.data(), std::uint32_t(first.size()));
  in.Seek(0);
  if (IsOle(std::span(first.data(), got))) return kOpenDgnV8;
  if (got < first.size() || !IsDgnV7Signature(first)) return kOpenDgnNotDgn;
  dimension = first[0] == 0xC8 ? 3 : 2;
  return kLoadOk;
}

bool ReadDgnElements(InFileStream& in, int dimension, YxxfReader& reader, ProgressMonitor* monitor,
                     DgnReadOutcome& outcome) {
  cDGNInfo info;
  info.dimension = dimension;
  for (int level = 0; level < 64; ++level) {
    reader.AddLayerRecord(
        std::make_unique<YxxfLayerRec>(LevelName(level), 7, -1, WString(), 0, 0, 0, 0, 0, 0, 0));
  }
  in.Seek(0);
  DgnElementLoop loop(info, reader, outcome);
  const bool read = loop.Run(in, monitor);
  reader.currentBlock = nullptr;
  // Levels the first view of the TCB hides are layers switched off.
  for (int level = 1; level < 64 && std::uint32_t(level) < reader.layers.Count(); ++level) {
    if (!(info.levelMask >> (level - 1) & 1)) reader.layers[std::uint32_t(level)]->off = 1;
  }
  return read;
}

DocumentResult LoadDgnStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report) {
  int dimension = 2;
  const LoadResult refusal = CheckDgnSignature(in, dimension);
  if (refusal != kLoadOk) return DocumentResult::Failure(kOpenDgnFailed, refusal);
  if (monitor) monitor->SetTitle(WString(u"DGN"));
  YxxfReader reader(path, kDgnReaderKind);
  DgnReadOutcome outcome;
  if (!ReadDgnElements(in, dimension, reader, monitor, outcome)) return DocumentResult::Failure(kOpenCancelled);
  if (report) FillReport(reader, outcome, *report);

  std::unique_ptr<cDrawingDoc> document = reader.AssembleDrawing(monitor);
  if (report) ReportImportLosses(reader.statistics, *report);
  if (!document) {
    if (monitor && monitor->Cancelled()) return DocumentResult::Failure(kOpenCancelled);
    return DocumentResult::Failure(kOpenDgnFailed, kOpenNotReadable, reader.stopMessage);
  }
  DocumentResult result(std::move(document));
  if (!outcome.readToEnd || outcome.overlong != 0) result.MarkPartial();
  for (const WString& warning : reader.warnings) result.AddWarning(warning);
  TellDamagedRecords(outcome.damaged, reader.statistics, false, result);
  return result;
}

void RegisterDgnReader(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderDgn, FormatSlot::kDgn, &ProbeDgn, &LoadDgn});
}

}  // namespace kvn
