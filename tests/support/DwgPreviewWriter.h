// Test-only writer of DWG files that hold nothing but a preview block: the
// 30-byte file header with the block's offset at 0x0D, the block's start
// sentinel, overall size, entry list and the entries' data in list order,
// then the end sentinel. Knobs damage one thing at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/gdi/TDib.h"

namespace kvn::test {

struct DwgPreviewPart {
  std::uint8_t code = 2;  // 1 header data, 2 BMP, 3 WMF, 6 PNG
  std::vector<std::uint8_t> bytes;
};

struct DwgPreviewSpec {
  std::string version = "AC1015";
  std::vector<DwgPreviewPart> parts;
  bool badSentinel = false;
  std::size_t gap = 0;       // bytes between the list and the first part's data
  std::size_t trailing = 0;  // bytes after the end sentinel
};

std::vector<std::uint8_t> WriteDwgPreviewFile(const DwgPreviewSpec& spec);

// The packed DIB of a picture (header, palette, bits), as a BMP entry holds it.
std::vector<std::uint8_t> PackedDibBytes(const TDib& dib);

// A `width` x `height` 8-bit picture of `background` with the pixels of
// `marks` (x, y from the top, palette index) set; palette entries are
// given as 0x00RRGGBB.
struct PreviewMark {
  std::int32_t x, y;
  std::uint8_t index;
};
TDib PalettePicture(std::int32_t width, std::int32_t height, const std::vector<std::uint32_t>& palette,
                    std::uint8_t background, const std::vector<PreviewMark>& marks);

}  // namespace kvn::test
