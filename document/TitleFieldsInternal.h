// What the field engine, its table of rows and the list fields share.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvn {

class cBlock;
class cDrawing;
class cDrawingData;
class cDrawingDoc;
class cInsert;
class cLink;
class cOutObj;
class cText;
class WString;

inline constexpr int kFieldRowCount = 61;

// One line of a list field: up to three context objects (any may be null).
using FieldListItem = std::array<cOutObj*, 3>;
// Present when a list field was evaluated (an empty list removes the rest of
// the field's line).
using FieldList = std::optional<std::vector<FieldListItem>>;

// Shared by all fields of one expansion.
struct FieldScratch {
  std::array<std::uint8_t, kFieldRowCount> uses{};
  cInsert* endInserts[2] = {nullptr, nullptr};
  int row = 0;
  bool endsLookedUp = false;
  cLink* link = nullptr;
  cBlock* topBlock = nullptr;
};

struct FieldCall {
  FieldScratch& scratch;
  cDrawingDoc* document;  // may be null
  cDrawing& drawing;
  cDrawingData& data;
  cText* text;
  std::span<cOutObj* const> context;
  WString* extraChars;
  std::u16string_view parameter;
  cOutObj* insert;
  FieldList& list;
};

using FieldEvaluator = void (*)(std::u16string& out, FieldCall& call);

struct FieldRow {
  std::uint8_t kind;  // 0 whole name, 2 whole name by position, 1 and 3 name + parameter, 4 list
  FieldEvaluator evaluate;
  const char16_t* names[3];  // Czech, Slovak, English; null when missing
};

// The 61 rows, in search order.
std::span<const FieldRow> FieldRows();

// ---- blocks, links and lists (TitleFieldLinks.cpp) ----
// The block whose own chain holds `object`: the top block or, recursively,
// a block of an insert in it. Blocks already on the path are skipped and the
// walk stops 64 blocks deep, so cyclic blocks end.
cBlock* FindHolderBlock(cBlock* top, const cOutObj* object, cDrawingData& data);
// The block an insert places, without making one for a missing index.
cBlock* PlacedBlock(const cInsert& insert, cDrawingData& data);
cInsert* FirstInsertOf(std::span<cOutObj* const> context);
// The insert a block field of the current row reads: the first context
// insert, else one end of the scratch link, alternating per use of the row.
cInsert* FieldInsert(FieldCall& call, int* end = nullptr);
// The inserts of the linked set: N = 0 the first other one, else the one of
// link number N; null when none.
cInsert* FindLinkedInsert(cInsert& insert, cBlock* top, cDrawingData& data, std::uint64_t number);
void ListReferences(FieldCall& call);
void ListInputs(FieldCall& call);
// Name of the connection point `index` of the block, counted in chain order.
const cOutObj* NthConPoint(cBlock* block, std::uint32_t index);

}  // namespace kvn
