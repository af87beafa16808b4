// ReadOldDwg: the R11/R12 read from the header to the drawing assembly.
#include "dwg/old/DwgOldReader.h"

#include "document/DwgLoadReport.h"
#include "document/OpenFailureMessage.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/container/DwgLoader.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportStatistics.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

constexpr int kOldReaderKind = 2;

WString OldFileNamePart(const WString& path) {
  const std::u16string_view view = path.View();
  const std::size_t slash = view.find_last_of(u"/\\");
  return WString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

void FillOldReport(const OldDwgState& s, DwgLoadReport& report) {
  const YxxfReader& reader = s.reader;
  for (const auto& [name, count] : s.readCounts) report.objects[name] += count;
  for (const auto& [name, count] : s.skippedCounts) report.skipped[name] += count;
  for (const auto& [name, reasons] : s.skippedReasons) {
    for (const auto& [reason, count] : reasons) report.skippedReasons[name][reason] += count;
  }
  for (const auto& [name, count] : s.realignedCounts) report.realigned[name] += count;
  report.headerChecked = s.headerChecked;
  report.entities = s.modelCounts;
  report.paper = s.paperCounts;
  for (ImportSpace space : {ImportSpace::Model, ImportSpace::Paper, ImportSpace::Block}) {
    for (const auto& [name, count] : reader.statistics.HandedIn(space)) report.dispatched[name] += count;
  }
  for (const auto& [name, count] : reader.statistics.ApartCounts()) report.dispatched[name] += count;
  // Entities the import took and then dropped were handed over too.
  for (const auto& [key, count] : reader.statistics.DroppedCounts()) report.dispatched[key.first] += count;
  for (std::uint32_t i = 0; i < reader.layers.Count(); ++i) report.layers.push_back(reader.layers[i]->name.ToUtf8());
  for (std::uint32_t i = 0; i < reader.blocks.Count(); ++i) report.blocks.push_back(reader.blocks[i]->name.ToUtf8());
}

// Damage outside the records (the header, table entries) lost no record the
// reader can name, but what the header points to, or an entry's fields, may
// be wrong: the open is told as partial, and a drawing it left with nothing
// to show says so, as for damaged records.
void TellDamageOutsideRecords(const OldDwgState& s, const ImportStatistics& statistics, bool told,
                              DocumentResult& result) {
  if ((!s.headerDamaged && s.damagedTableEntries == 0) || !result.Document()) return;
  result.MarkPartial(told);
  if (s.damagedRecords != 0) return;  // TellDamagedRecords tells an empty drawing
  const cDrawingDoc& document = *result.Document();
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
    if (document.GetSheet(i)->TopBlock().FirstObject()) return;
  }
  if (statistics.TotalLost(LossReason::OnNoSheet) != 0 || statistics.TotalDropped() != 0) return;
  result.AddWarning(LoadLangString(kStrDamagedShowsNothing));
}

}  // namespace

DocumentResult ReadOldDwg(InFileStream& in, const WString& path, ProgressMonitor* monitor, DwgLoadReport* report,
                          const FormatReadContext* context) {
  YxxfReader reader(path, kOldReaderKind);
  reader.drawingVersion = 1009;
  OldDwgState state(in, reader, monitor, OldFileNamePart(path));
  reader.byLayerLineType = state.byLayerLineType;
  reader.byBlockLineType = state.byBlockLineType;
  const bool read = ReadOldDwgHeader(state);
  if (report) FillOldReport(state, *report);
  if (state.cancelled) return DocumentResult::Failure(kOpenCancelled);
  if (!read || state.failed) return ReportDwgError(kStrDwgCorrupted, 0);
  reader.ApplyDrawOrder();
  reader.TakeQuestionsFrom(context);
  reader.partialPending = state.damagedRecords != 0 || state.headerDamaged || state.damagedTableEntries != 0;
  std::unique_ptr<cDrawingDoc> document = reader.AssembleDrawing(monitor);
  if (report) ReportImportLosses(reader.statistics, *report);
  if (!document) {
    if ((monitor && monitor->Cancelled()) || reader.viewCancelled) return DocumentResult::Failure(kOpenCancelled);
    return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable, reader.stopMessage);
  }
  DocumentResult result(std::move(document));
  for (const WString& warning : reader.warnings) result.AddWarning(warning);
  TellDamageOutsideRecords(state, reader.statistics, reader.partialTold, result);
  TellDamagedRecords(state.damagedRecords, reader.statistics, reader.partialTold, result);
  return result;
}

}  // namespace kvn
