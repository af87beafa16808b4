// Small routines that the reader context, the import records and the drawing
// assembly share: item values, hexadecimal handles, the bracketed context
// blocks of MLEADER records, the draw-order sort of a block's records, the
// split of a record list, unique style names and the visible levels of a
// viewport.
#pragma once

#include <cstdint>
#include <span>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "import/records/TextNumbers.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

struct YxxfItem;
class YxxfGroupRecord;
class YxxfReader;

// The value of one item (null gives 0): doubles and integers as themselves,
// texts read as numbers (integers saturate), any other type 0.
double GetItemDouble(const YxxfItem* item);
std::int32_t GetItemInt(const YxxfItem* item);

// A null text gives 0.
std::uint64_t ParseHexHandle(const char* text);
inline std::uint64_t ParseHexHandle(const AString& text) { return ParseHexHandle(text.CStr(), text.Length()); }

// Item indexes of one bracketed block: the opening marker and its closing "}".
struct ItemRange {
  std::uint32_t open;
  std::uint32_t close;
};

// Emptied, then one range per string item of `code` whose text equals the
// marker (ignoring case) and whose next item of code + 1 is "}". MLEADER
// records use "CONTEXT_DATA{" (300), "LEADER{" (302), "LEADER_LINE{" (304).
void FindContextBlocks(const YxxfGroupRecord& record, GrowArray<ItemRange>& out, const char* marker,
                       std::uint16_t code);

// True when the index lies in none of the inclusive ranges of the three lists.
bool IsOutsideRanges(std::uint32_t index, const GrowArray<ItemRange>& a, const GrowArray<ItemRange>& b,
                     const GrowArray<ItemRange>& c);

// Index of the first item of the code inside the context range but outside
// every leader range, of the record's current sub-record; -1 when none.
std::int64_t FindInContext(const YxxfGroupRecord& record, const ItemRange& context,
                           const GrowArray<ItemRange>& leaders, std::uint16_t code);

// Sorts a block's records by a sort table: flat handle pairs {entity, sort
// handle}; an entity takes the draw position of the entity whose handle is
// its sort handle. Sort handles that name no record get empty placeholder
// records (they make no object). With fewer than two handles nothing happens;
// when no pair applies the records stay in handle order. A record moves
// with the attributes that follow it (an insert with its values), and a
// pair that names an attribute moves its insert: a sort table changes the
// order of what is drawn, never what is drawn.
void SortByDrawOrder(OwnedArray<cOneObjRec>& records, const GrowArray<std::uint64_t>& sortTable);

// Every record of the source goes to `withFlag` when its paper-space flag is
// set (or, with invert, clear), else to `withoutFlag`; the source ends empty.
// The attributes that follow a record go with it, whatever their own flag.
void SplitRecordList(OwnedArray<cOneObjRec>& withoutFlag, OwnedArray<cOneObjRec>& withFlag,
                     OwnedArray<cOneObjRec>& source, bool invert);

// Names made unique ignoring case: sorted, in each run of equal names the
// first keeps its name and the k-th after it gets "_k" appended; a generated
// name that is already taken moves on to the next number, so "A", "a" and
// "a_1" stay three names.
void MakeNamesUnique(std::span<WString*> names);

// The visible levels of a viewport from its frozen layer indexes: every layer
// whose handle is not frozen (a frozen default layer "0" is left out); when
// the default layer is not frozen, 65535 (objects without a level) is added,
// or the list is emptied when nothing at all was frozen. The filter flag is
// set when the list is not empty.
void SetViewportVisibleLevels(GrowArray<std::uint16_t>& levels, bool& filterFlag, const YxxfReader& reader);

// The view-direction dialog shows its user-view controls (1250..1255) only
// for the user view (10).
inline constexpr int kUserViewItemIds[] = {1250, 1251, 1252, 1253, 1254, 1255};
inline bool ShowsUserViewItems(int chosenView) { return chosenView == 10; }

}  // namespace kvn
