// What an import lost without refusing the drawing, told to whoever asks:
// kvn-dump's report counts every loss, and the open tells each kind of loss
// once in its warnings.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"
#include "model/DrawingCost.h"

namespace kvn {

class DocumentResult;
class ImportStatistics;
struct DwgLoadReport;

inline constexpr int kStrLostBeyondRange = 19805;
inline constexpr int kStrLostNotFinite = 19806;
inline constexpr int kStrUnreadableNumbers = 19807;
// The same text for 1 object, for 2 to 4 (Czech and Slovak nouns take their
// own form there) and for the other counts.
inline constexpr int kStrReadOnNoSheetOne = 19946;
inline constexpr int kStrReadOnNoSheetFew = 19947;
inline constexpr int kStrReadOnNoSheet = 19939;
inline constexpr int kStrLostDamagedCount = 19815;
inline constexpr int kStrLostPictureTooLarge = 19817;
// A picture file an IMAGE shows, told once an open with %s its name: not
// found, not read, or shown in part; and the IMAGEs naming no file, counted.
inline constexpr int kStrPictureNotFound = 19866;
inline constexpr int kStrPictureNotRead = 19867;
inline constexpr int kStrPictureInPart = 19868;
// A picture file found that does not open, with %s its name and %s why.
inline constexpr int kStrPictureNotOpened = 20032;
inline constexpr int kStrLostPictureUnnamed = 19869;
// Pictures in blocks whose frames collapse where their inserts place them, counted.
inline constexpr int kStrLostPictureNoArea = 20070;
inline constexpr int kStrLostDamagedRecords = 19861;
inline constexpr int kStrDamagedShowsNothing = 19862;
// What an open tells of the `damaged` records a DWG or DGN reader could not
// take because the file is damaged there (kvn-dump counts them under
// skippedReasons: "CRC mismatch", "overrun", "cut short" and the like),
// once the assembly built the document of `result`: the file is damaged and
// what could be read is shown (the partial-read notice; `told` when the
// assembly told it before a question of its own), how many records were left
// out, and, when no sheet shows anything and the assembly has not said so for
// entities it took, that the damage left nothing to show. Nothing for 0.
void TellDamagedRecords(std::uint64_t damaged, const ImportStatistics& statistics, bool told,
                        DocumentResult& result);

// The refusal once memory ran out, with %s the most bytes that were held.
inline constexpr int kStrOutOfMemory = 19808;

// Every loss under skippedReasons (name -> reason -> count); a lost object
// counts under skipped too, an unreadable number (its object kept) does not.
void ReportImportLosses(const ImportStatistics& statistics, DwgLoadReport& report);

// One warning for each kind of loss that happened, with its count, in the
// language of the tables.
std::vector<WString> ImportLossWarnings(const ImportStatistics& statistics);

// A drawing none of whose sheets holds anything: every entity taken (and
// not already lost for its extent or its picture's size) counts as lost on
// no sheet. Returns the warning that tells it with the entities dropped
// while read, or an empty text when nothing was read.
WString CountReadOnNoSheet(ImportStatistics& statistics);

// The refusal of a drawing that ran the memory out, `peak` the most bytes
// held, in the language of the tables.
WString OutOfMemoryText(std::uint64_t peak);

}  // namespace kvn
