#include "import/records/ImportLosses.h"

#include <map>
#include <string>

#include "document/DocumentResult.h"
#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/records/ImportStatistics.h"

namespace kvn {

void ReportImportLosses(const ImportStatistics& statistics, DwgLoadReport& report) {
  for (const auto& [key, count] : statistics.LossCounts()) {
    report.skippedReasons[key.first][LossReasonText(key.second)] += count;
    if (LossDropsObject(key.second)) report.skipped[key.first] += count;
  }
}

std::vector<WString> ImportLossWarnings(const ImportStatistics& statistics) {
  struct Kind {
    LossReason reason;
    int text;
  };
  static constexpr Kind kKinds[] = {
      {LossReason::ExtentTooLarge, kStrLostBeyondRange},
      {LossReason::ExtentNotFinite, kStrLostNotFinite},
      {LossReason::UnreadableNumber, kStrUnreadableNumbers},
      {LossReason::ExpansionCut, kStrExpansionsCut},
      {LossReason::DamagedCount, kStrLostDamagedCount},
      {LossReason::PictureTooLarge, kStrLostPictureTooLarge},
      {LossReason::PictureUnnamed, kStrLostPictureUnnamed},
      {LossReason::PictureNoArea, kStrLostPictureNoArea},
  };
  std::vector<WString> warnings;
  for (const Kind& kind : kKinds) {
    const std::uint64_t count = statistics.TotalLost(kind.reason);
    if (count == 0) continue;
    warnings.push_back(FormatPercentS(LoadLangString(kind.text), WString::FromUtf8(std::to_string(count))));
  }
  return warnings;
}

WString CountReadOnNoSheet(ImportStatistics& statistics) {
  std::map<std::string, std::uint64_t> taken;
  for (ImportSpace space : {ImportSpace::Model, ImportSpace::Paper, ImportSpace::Block}) {
    for (const auto& [name, count] : statistics.HandedIn(space)) taken[name] += count;
  }
  std::uint64_t total = statistics.TotalDropped();
  for (const auto& [name, count] : taken) {
    // Those left out for their extent or their picture are told already.
    std::uint64_t told = 0;
    for (LossReason reason : {LossReason::ExtentNotFinite, LossReason::ExtentTooLarge, LossReason::PictureTooLarge,
                              LossReason::PictureNotFound, LossReason::PictureNotRead, LossReason::PictureUnnamed,
                              LossReason::PictureNoArea})
      told += statistics.Lost(name, reason);
    if (count <= told) continue;
    statistics.CountLoss(name, LossReason::OnNoSheet, count - told);
    total += count - told;
  }
  if (total == 0) return WString();
  // Czech and Slovak say "1 objekt", "2 objekty" and "5 objektů/objektov";
  // the English text of 2 to 4 is that of the other counts.
  const int text = total == 1 ? kStrReadOnNoSheetOne : total <= 4 ? kStrReadOnNoSheetFew : kStrReadOnNoSheet;
  return FormatPercentS(LoadLangString(text), WString::FromUtf8(std::to_string(total)));
}

void TellDamagedRecords(std::uint64_t damaged, const ImportStatistics& statistics, bool told,
                        DocumentResult& result) {
  if (damaged == 0 || !result.Document()) return;
  result.MarkPartial(told);
  result.AddWarning(FormatPercentS(LoadLangString(kStrLostDamagedRecords), WString::FromUtf8(std::to_string(damaged))));
  const cDrawingDoc& document = *result.Document();
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
    if (document.GetSheet(i)->TopBlock().FirstObject()) return;
  }
  // The assembly tells a drawing whose entities it took and placed on no
  // sheet (CountReadOnNoSheet); the rest lost everything to the damage.
  if (statistics.TotalLost(LossReason::OnNoSheet) != 0 || statistics.TotalDropped() != 0) return;
  result.AddWarning(LoadLangString(kStrDamagedShowsNothing));
}

WString OutOfMemoryText(std::uint64_t peak) {
  return FormatPercentS(LoadLangString(kStrOutOfMemory), WString::FromUtf8(std::to_string(peak)));
}

}  // namespace kvn
