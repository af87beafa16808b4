#include "render/CoverageRecorder.h"

#include <cstring>

namespace kvn {

namespace {

// Row-major bits, lowest bit first within a byte.
constexpr std::uint32_t BitIndex(std::uint32_t x, std::uint32_t y) { return y * CoverageRecorder::kGridSide + x; }

}  // namespace

CoverageRecorder::CoverageRecorder() : grid_(new std::uint8_t[kGridBytes]()) {}

void CoverageRecorder::Clear() {
  std::memset(grid_.get(), 0, kGridBytes);
  partials_.Clear();
  markCount_ = 0;
}

void CoverageRecorder::Mark(std::uint32_t x, std::uint32_t y) {
  ++markCount_;
  if (x >= kGridSide || y >= kGridSide) return;
  const std::uint32_t i = BitIndex(x, y);
  grid_[i >> 3] = std::uint8_t(grid_[i >> 3] | (1u << (i & 7)));
}

bool CoverageRecorder::IsMarked(std::uint32_t x, std::uint32_t y) const {
  if (x >= kGridSide || y >= kGridSide) return false;
  const std::uint32_t i = BitIndex(x, y);
  return (grid_[i >> 3] >> (i & 7)) & 1;
}

bool CoverageRecorder::IsNearMarked(std::uint32_t x, std::uint32_t y) const {
  // Unsigned wrap-around turns the neighbour at -1 into a value beyond the grid.
  for (std::uint32_t dy = 0; dy < 3; ++dy)
    for (std::uint32_t dx = 0; dx < 3; ++dx)
      if (IsMarked(x + dx - 1, y + dy - 1)) return true;
  return false;
}

void CoverageRecorder::AddPartial(std::int32_t x, std::int32_t y, std::uint8_t alpha) {
  partials_.Append(PartialPixel{x, y, alpha});
}

}  // namespace kvn
