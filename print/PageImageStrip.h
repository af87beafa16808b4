// One band of a page rendered for the print preview, kept in a temporary
// .bmp file rather than in memory: a preview page holds many bands, and
// only the bands that a paint touches are read back.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class TDib;

class PageImageStrip {
 public:
  // Writes `dib` into a new temporary file. When that fails the file is
  // removed and the band keeps none (its painting then stops the page).
  PageImageStrip(const TRect& rect, const TDib& dib);
  ~PageImageStrip();
  PageImageStrip(PageImageStrip&& other) noexcept;
  PageImageStrip& operator=(PageImageStrip&& other) noexcept;
  PageImageStrip(const PageImageStrip&) = delete;
  PageImageStrip& operator=(const PageImageStrip&) = delete;

  // In dots of the printed area (its top-left corner is 0, 0).
  const TRect& Rect() const { return rect_; }
  // Empty when the band could not be written.
  const WString& FileName() const { return fileName_; }
  // The palette of a 1-, 4- or 8-bit band (0x00RRGGBB); empty otherwise.
  const std::vector<std::uint32_t>& Colors() const { return colors_; }

 private:
  void Release();

  TRect rect_;
  WString fileName_;
  std::vector<std::uint32_t> colors_;
};

}  // namespace kvn
