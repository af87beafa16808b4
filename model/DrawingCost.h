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

namespace kvn {

// The objects one paint of a sheet may walk: the largest drawings made by
// hand or by plotters' software show a few million.
inline constexpr std::uint64_t kWalkCeiling = 20'000'000;
// The bytes an open and a paint may hold together.
inline constexpr std::uint64_t kMemoryCeiling = kLowMemoryThreshold;

// Heap bytes, measured with the counting allocator on the release build:
// a drawing object kept by the open (a line with its styling: 117 on a
// drawing of two million lines placed each at its own angle); a cInsert
// with the generated block it places; a child of an expanded insert while
// a paint holds it; a character of a text beyond its object.
inline constexpr std::uint64_t kBytesPerObject = 128;
inline constexpr std::uint64_t kBytesPerInsert = 400;
inline constexpr std::uint64_t kBytesPerChild = 140;
inline constexpr std::uint64_t kBytesPerCharacter = 4;

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

// The bytes a paint holds at once for a placement that shows `walked`
// objects: its children expanded, no more than one expansion may make.
std::uint64_t PaintBytesOfPlacement(std::uint64_t walked);

// The warning of inserts shown only in part (each expansion stops at its
// own cap), with %s their count.
inline constexpr int kStrExpansionsCut = 19930;

// The refusal the user reads, with the two ceilings.
inline constexpr int kStrDrawingTooLarge = 19796;
WString DrawingTooLargeText();

}  // namespace kvn
