// CoverageRecorder: which device pixels an anti-aliased drawing touched.
//
// Two records of the same pixels: a mark grid of one bit per pixel of the
// 2000 x 2000 area at the surface's top-left corner (x from the left, y from
// the top), and a list of the pixels blended with partial coverage together
// with their alpha. The span blenders (SpanBlend.h) fill it when a caller
// hands one in; the anti-aliased fill itself never does, so a drawing pays
// nothing for it.
//
// Marks outside the grid are counted but not kept; the neighbourhood test
// ignores neighbours outside the grid.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"

namespace kvn {

struct PartialPixel {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::uint8_t alpha = 0;
};

class CoverageRecorder {
 public:
  static constexpr std::uint32_t kGridSide = 2000;
  static constexpr std::uint32_t kGridBytes = kGridSide * kGridSide / 8;  // 250 bytes a row

  CoverageRecorder();
  CoverageRecorder(const CoverageRecorder&) = delete;
  CoverageRecorder& operator=(const CoverageRecorder&) = delete;

  // Empties grid and list (the list keeps its storage) and zeroes the counter.
  void Clear();
  // Counts the request; marks the pixel when it lies in the grid.
  void Mark(std::uint32_t x, std::uint32_t y);
  bool IsMarked(std::uint32_t x, std::uint32_t y) const;
  // Whether the pixel or one of its eight neighbours inside the grid is marked.
  bool IsNearMarked(std::uint32_t x, std::uint32_t y) const;
  // Appends to the list; a full list grows to twice its capacity plus one.
  void AddPartial(std::int32_t x, std::int32_t y, std::uint8_t alpha);

  std::uint32_t MarkCount() const { return markCount_; }
  const GrowArray<PartialPixel>& Partials() const { return partials_; }

 private:
  std::unique_ptr<std::uint8_t[]> grid_;
  GrowArray<PartialPixel> partials_{8};
  std::uint32_t markCount_ = 0;
};

}  // namespace kvn
