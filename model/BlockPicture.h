// RenderBlockToDib: the dialog library's service that draws a block into a
// small picture (style samples in combo boxes and previews). The model asks
// for it through this seam; the control library installs the real painter.
// Until one is installed every request answers null, and callers take their
// "no picture" path.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace kvn {

class cBlock;
class cDrawingData;

// A top-down picture of 0x00BBGGRR pixels, width x height of them.
struct BlockPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> pixels;

  // The pixel's colour; 0xFFFFFFFF for a position outside the picture.
  std::uint32_t GetPixelColor(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return 0xFFFFFFFF;
    const std::size_t i = std::size_t(y) * std::size_t(width) + std::size_t(x);
    return i < pixels.size() ? pixels[i] & 0xFFFFFF : 0xFFFFFFFF;
  }
};

// The block's objects drawn on the background colour into a new picture of
// that size, or null.
using RenderBlockToDibFn = std::unique_ptr<BlockPicture> (*)(cDrawingData* data, cBlock* block, int width,
                                                              int height, std::uint32_t background);

// Null removes the painter.
void SetRenderBlockToDib(RenderBlockToDibFn painter);
std::unique_ptr<BlockPicture> RenderBlockToDib(cDrawingData* data, cBlock* block, int width, int height,
                                               std::uint32_t background);

}  // namespace kvn
