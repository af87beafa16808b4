#include "dwg/container/DwgLoader.h"

#include <string>
#include <string_view>

#include "document/DocumentReaders.h"
#include "document/DwgLoadReport.h"
#include "document/DwgProbe.h"
#include "document/FormatReader.h"
#include "document/OpenFailureMessage.h"
#include "document/ProgressMonitor.h"
#include "dwg/container/DwgSection2004.h"
#include "dwg/container/DwgSection2007.h"
#include "dwg/objects/DwgByteSource.h"
#include "dwg/objects/DwgReader.h"
#include "dwg/old/DwgOldReader.h"
#include "foundation/InFileStream.h"
#include "import/records/DwgCodePages.h"
#include "import/records/ImportLosses.h"
#include "import/records/TableRecords.h"

namespace kvn {

namespace {

std::uint32_t ReadU32(InFileStream& in) {
  std::uint8_t b[4] = {};
  in.Read(b, 4);
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

WString FileNamePart(const WString& path) {
  const std::u16string_view view = path.View();
  const std::size_t slash = view.find_last_of(u"/\\");
  return WString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

bool IsPaperSpaceBlockName(const std::string& name) {
  constexpr std::string_view kPrefix = "*PAPER_SPACE";
  if (name.size() < kPrefix.size()) return false;
  for (std::size_t i = 0; i < kPrefix.size(); ++i) {
    const char c = name[i] >= 'a' && name[i] <= 'z' ? char(name[i] - 32) : name[i];
    if (c != kPrefix[i]) return false;
  }
  return true;
}

void FillReport(const DwgReader& reader, DwgLoadReport& report) {
  for (const auto& [name, count] : reader.objectStatistics.ReadCounts()) report.objects[name] += count;
  for (const auto& [key, count] : reader.objectStatistics.SkippedCounts()) {
    report.skipped[key.first] += count;
    report.skippedReasons[key.first][DwgSkipReasonText(key.second)] += count;
  }
  for (const auto& [name, count] : reader.notEmitted) {
    report.skipped[name] += count;
    report.skippedReasons[name]["not emitted"] += count;
  }
  for (const auto& [name, count] : reader.objectStatistics.ModelEntities()) report.entities[name] += count;
  for (const auto& [name, count] : reader.objectStatistics.PaperEntities()) report.paper[name] += count;
  // The entities of the other layouts, as a DXF file holds them in its
  // *Paper_Space blocks.
  for (const auto& [owner, counts] : reader.objectStatistics.BlockEntities()) {
    for (std::uint32_t i = 0; i < reader.blocks.Count(); ++i) {
      const YxxfBlockRec& block = *reader.blocks[i];
      if (block.handle != owner || !IsPaperSpaceBlockName(block.name.ToUtf8())) continue;
      for (const auto& [name, count] : counts) report.paper[name] += count;
      break;
    }
  }
  for (ImportSpace space : {ImportSpace::Model, ImportSpace::Paper, ImportSpace::Block}) {
    for (const auto& [name, count] : reader.statistics.HandedIn(space)) report.dispatched[name] += count;
  }
  for (const auto& [name, count] : reader.statistics.ApartCounts()) report.dispatched[name] += count;
  // Entities the import took and then dropped were handed over too; they
  // count as skipped, with the import's reason.
  for (const auto& [key, count] : reader.statistics.DroppedCounts()) {
    report.dispatched[key.first] += count;
    report.skipped[key.first] += count;
    report.skippedReasons[key.first][DropReasonText(key.second)] += count;
  }
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) report.layers.push_back(reader.layers[i]->name.ToUtf8());
  for (std::uint32_t i = 0; i < reader.blocks.Count(); ++i) report.blocks.push_back(reader.blocks[i]->name.ToUtf8());
  for (const WString& warning : reader.warnings) report.warnings.push_back(warning.ToUtf8());
}

// Objects of the drawing lost to damage: those whose frame or data failed,
// and entities no block reached (in a whole file only the BLOCK and ENDBLK
// brackets are left so, which the blocks stand for).
std::uint64_t DamagedObjects(const DwgReader& reader) {
  std::uint64_t damaged = reader.objectStatistics.TotalDamaged();
  for (const auto& [name, count] : reader.notEmitted) {
    if (name != "BLOCK" && name != "ENDBLK") damaged += count;
  }
  return damaged;
}

DocumentResult LoadDwg(const WString& path, const FormatReadContext& context) {
  return LoadDwgFile(path, context.monitor, context.dwgReport, &context);
}

bool ProbeDwg(InFileStream& in, const WString&) { return IsDwgFile(in); }

}  // namespace

bool ReadDwgFileHeaderR13(DwgReader& reader, InFileStream& in, DwgLocator (&locators)[kDwgLocators]) {
  std::uint8_t head[13];
  if (in.Read(head, 13) != 13) return false;
  locators[5].address = ReadU32(in);
  std::uint8_t pair[2];
  in.Read(pair, 2);
  in.Read(pair, 2);
  const int index = pair[0] | pair[1] << 8;
  if (index >= 1 && index <= 44) reader.codePage = std::uint16_t(CodePageFromIndex(index));
  const std::uint32_t count = ReadU32(in);
  if (count >= 9) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    if (in.Position() >= in.Size()) {
      reader.SetReaderError(10008, 0);
      return false;
    }
    std::uint8_t number = 0;
    in.Read(&number, 1);
    const std::uint32_t address = ReadU32(in);
    const std::uint32_t size = ReadU32(in);
    if (number < kDwgLocators) locators[number] = {address, size};
  }
  return true;
}

bool ReadDwgContainerR13(DwgReader& reader, InFileStream& in) {
  DwgLocator locators[kDwgLocators];
  // The stream is read ahead: from here on it is positioned through the
  // source alone.
  DwgStreamSource source(in, true);
  auto fail = [&](std::uint16_t code) {
    reader.SetReaderError(code, 0);
    return false;
  };
  if (!ReadDwgFileHeaderR13(reader, in, locators)) return fail(10039);
  reader.SetSource(&source);
  if (!source.Seek(locators[0].address)) return fail(10040);
  if (!reader.ReadDwgHeaderVariables(locators[0].size)) return fail(10041);
  if (!source.Seek(locators[1].address)) return fail(10042);
  reader.ReadDwgClasses(locators[1].size);
  if (!source.Seek(locators[2].address)) return fail(10043);
  if (!reader.ReadDwgHandleMap(locators[2].size)) return fail(10044);
  source.Seek(0);
  return reader.ReadDwgObjects(in.Size(), in.Size(), FileNamePart(in.Path()));
}

DocumentResult ReportDwgError(int messageId, int detail) {
  LoadResult code = kOpenDwgCorrupted;
  switch (messageId) {
    case kStrDwgUnsupportedVersion: code = kOpenDwgUnsupported; break;
    case kStrDwgNotDwg: code = kOpenDwgNotDwg; break;
    case kStrDwgEncrypted: code = kOpenDwgEncrypted; break;
    default: break;
  }
  return DocumentResult::Failure(code, kOpenDwgRefused,
                                 detail != 0 ? WString::FromUtf8(std::to_string(detail)) : WString());
}

DocumentResult LoadDwgFile(const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                           const FormatReadContext* context) {
  InFileStream in(path);
  if (!in.IsOpen()) return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable);
  return LoadDwgStream(in, path, monitor, report, context);
}

DocumentResult LoadDwgStream(InFileStream& in, const WString& path, ProgressMonitor* monitor,
                             DwgLoadReport* report, const FormatReadContext* context) {
  char head[7] = {};
  in.Seek(0);
  const std::uint32_t got = in.Read(head, 6);
  bool ac1012 = false;
  const int version = got == 6 ? DetectDwgVersion(head, &ac1012) : 0;
  if (report) report->version.assign(head, got);
  if (version == 0) return ReportDwgError(kStrDwgNotDwg, 0);
  if (version == 12) {
    if (monitor) monitor->SetTitle(WString(u"DWG"));
    return ReadOldDwg(in, path, monitor, report, context);
  }
  const bool paged2004 = version == 18 || version == 24 || version == 27 || version == 32;
  if (version != 14 && version != 15 && version != 21 && !paged2004) {
    return ReportDwgError(kStrDwgUnsupportedVersion, 0);
  }
  if (monitor) monitor->SetTitle(WString(u"DWG"));
  in.Seek(0);
  DwgReader reader(path, version, ac1012);
  reader.drawingVersion = 1000 + version;
  reader.monitor = monitor;
  const bool read = version == 21 ? ReadDwgContainer2007(reader, in, report)
                    : paged2004     ? ReadDwgContainer2004(reader, in, report)
                                    : ReadDwgContainerR13(reader, in);
  if (report) {
    report->headerChecked = reader.headerChecked;
    FillReport(reader, *report);
  }
  if (reader.cancelled) return DocumentResult::Failure(kOpenCancelled);
  if (!read || reader.HasError()) {
    return ReportDwgError(reader.ErrorSubCode() != 0 ? reader.ErrorSubCode() : kStrDwgCorrupted,
                          reader.ErrorCode());
  }
  reader.ApplyDrawOrder();
  reader.TakeQuestionsFrom(context);
  const std::uint64_t damaged = DamagedObjects(reader);
  reader.partialPending = damaged != 0;
  std::unique_ptr<cDrawingDoc> document = reader.AssembleDrawing(monitor);
  if (report) ReportImportLosses(reader.statistics, *report);
  if (!document) {
    if ((monitor && monitor->Cancelled()) || reader.viewCancelled) return DocumentResult::Failure(kOpenCancelled);
    return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable, reader.stopMessage);
  }
  DocumentResult result(std::move(document));
  for (const WString& warning : reader.warnings) result.AddWarning(warning);
  TellDamagedRecords(damaged, reader.statistics, reader.partialTold, result);
  return result;
}

void RegisterDwgReader(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderDwg, FormatSlot::kDwg, &ProbeDwg, &LoadDwg});
}

}  // namespace kvn
