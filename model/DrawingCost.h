// What a drawing costs once it is open and shown, forecast before it is
// built, the same way for every format:
//   - the bytes the open keeps plus those one paint holds at once (one
//     top-level placement expanded), against the heap's low-memory
//     threshold;
//   - the objects one full paint of a sheet walks, against a ceiling no
//     honest drawing reaches: every placement counts its block's objects, a
//     text counts its characters, and every view counts once more what it
//     shows of the sheet it views.
// A drawing within both opens and paints whole; one beyond either is
// refused before anything of it is made. Nothing here depends on how large
// the file is: a few kilobytes may describe a billion lines.
#pragma once

#include <algorithm>
#include <cstdint>

#include "foundation/CountingAlloc.h"
#include "foundation/WString.h"
#include "model/KeptExpansions.h"

namespace kvn {

// The objects one paint of a sheet may walk: the largest drawings made by
// hand or by plotters' software show a few million.
inline constexpr std::uint64_t kWalkCeiling = 20'000'000;
// The bytes an open and a paint may hold together.
inline constexpr std::uint64_t kMemoryCeiling = kLowMemoryThreshold;

// Heap bytes, measured with the counting allocator on the release build:
// a drawing object kept by the open (a line with its styling: 117 on a
// drawing of two million lines placed each at its own angle); a cInsert
// (344) with its entries in the lists the open makes of it; a block
// generated for an insert (208) with its slot in the block table and what
// the merge of duplicate blocks takes for it while it compares them (about
// 50; a lattice of 2^16 lines, 131,071 generated blocks, peaks at 605 per
// insert and block together); a child of an expanded insert while a paint
// holds it; a text, kept or expanded (cText is 320; 352 to 369 each on
// 100,000 texts of five letters), and a character of it; the entry of an
// object at the top of a sheet in the summary and extent index its first
// paint makes and keeps (188 on 500,000 lines, 83 on 40,000 inserts).
inline constexpr std::uint64_t kBytesPerObject = 128;
inline constexpr std::uint64_t kBytesPerInsert = 400;
inline constexpr std::uint64_t kBytesPerBlock = 240;
inline constexpr std::uint64_t kBytesPerChild = 140;
inline constexpr std::uint64_t kBytesPerText = 400;
inline constexpr std::uint64_t kBytesPerCharacter = 4;
inline constexpr std::uint64_t kBytesPerIndexEntry = 200;
// A text in an SHX font keeps the strokes of its characters (its outline
// cache), kept or expanded: 705 bytes a character on 10,000 texts of
// capitals and digits in simplex.shx, 855 on small letters and signs.
// Fonts of many strokes take more (2.6 KB in the built-in stand-in of
// gothice.shx); the heap's low-memory stop holds those.
inline constexpr std::uint64_t kBytesPerShxCharacter = 1000;
// An attribute an insert keeps, drawn or not: its item in the insert's
// list (about 165 bytes), and its tag, value and prompt at two bytes a
// character (211 bytes an attribute of 23 characters, 489 of 163, on
// 3,000 cells of 40 attributes).
inline constexpr std::uint64_t kBytesPerAttribute = 200;
inline constexpr std::uint64_t kBytesPerAttributeCharacter = 2;
// What an import holds whatever the drawing, beside its objects: the
// emergency pool its low-memory stop frees (500,000 bytes) and the tables
// of a sheet (a lattice of 12 levels peaked 102 KB above its objects).
inline constexpr std::uint64_t kBytesPerImport = 1 << 20;

// The bytes the viewer holds for an open drawing beside what the drawing
// keeps and one paint expands, whatever the drawing: the expansions kept
// between repaints, up to their budget. Every forecast adds them
// (OpenBytes), so that a drawing within the ceiling stays within it with
// that budget spent.
inline constexpr std::uint64_t kBytesBesideDrawing = kKeptExpansionBytes;

// `count` x `each`, exact up to `limit` and anything past it beyond: the
// forecast only has to tell that a limit is passed. Never overflows while
// `limit` and `each` are below 2^62.
constexpr std::uint64_t SaturatedTimes(std::uint64_t count, std::uint64_t each, std::uint64_t limit) {
  return each == 0 ? 0 : std::min<std::uint64_t>(count, limit / each + 1) * each;
}
// `a` + `b`, held just past `limit`.
constexpr std::uint64_t SaturatedPlus(std::uint64_t a, std::uint64_t b, std::uint64_t limit) {
  return std::min<std::uint64_t>(std::min(a, limit + 1) + std::min(b, limit + 1), limit + 1);
}

struct DrawingCost {
  // The objects the most costly paint of one sheet walks.
  std::uint64_t walked = 0;
  // The bytes the open keeps and a paint holds at once.
  std::uint64_t bytes = 0;

  bool Within() const { return walked <= kWalkCeiling && bytes <= kMemoryCeiling; }
};

// The objects a text walks when painted: its characters, at least one.
inline std::uint64_t TextWalk(std::size_t characters) { return std::max<std::uint64_t>(characters, 1); }

// What an open holds at its most, the one sum of every forecast: `kept`,
// what the open keeps, `largestExpansion`, the bytes of the largest
// placement's children expanded, and the bytes held beside the drawing.
std::uint64_t OpenBytes(std::uint64_t kept, std::uint64_t largestExpansion);

// The warning of inserts shown only in part (an expansion stopped at its
// count), with %s their count: none within the forecast's ceilings.
inline constexpr int kStrExpansionsCut = 19930;

// The refusal the user reads, with the two ceilings.
inline constexpr int kStrDrawingTooLarge = 19796;
WString DrawingTooLargeText();

}  // namespace kvn
