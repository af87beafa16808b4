#include "platform/gdi/MonoDib.h"

#include <cairo.h>

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RasterOps.h"

namespace kvn {

// The raster target over a section's picture; every drawing call is
// bracketed so that the bits follow the pixels (MonoDib.h).
class MonoDC final : public RasterDC {
 public:
  MonoDC(cairo_surface_t* surface, TMonoDibSection& section, const DeviceCaps& caps)
      : RasterDC(surface, reinterpret_cast<std::uint8_t*>(section.picture_.data()), caps), section_(section) {}

 protected:
  void RenderStroke(const GdiPath& devicePath) override {
    Around([&] { RasterDC::RenderStroke(devicePath); });
  }
  void RenderFill(const GdiPath& devicePath, const TBrush& brush, int fillMode, int rop2) override {
    Around([&] { RasterDC::RenderFill(devicePath, brush, fillMode, rop2); });
  }
  bool RenderPatBlt(const GdiPath& devicePath, std::uint32_t rop) override {
    bool ok = false;
    Around([&] { ok = RasterDC::RenderPatBlt(devicePath, rop); }, rop == kDstInvert);
    return ok;
  }
  bool RenderBlit(const BlitRequest& request, const GdiPath& deviceShape) override {
    bool ok = false;
    Around([&] { ok = RasterDC::RenderBlit(request, deviceShape); });
    return ok;
  }
  // Straight from the bits: a loop of reads costs no picture refreshes.
  COLORREF RenderGetPixel(std::int32_t x, std::int32_t y) override { return section_.GetColor(section_.GetBit(x, y)); }
  bool RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF color) override {
    bool ok = false;
    Around([&] { ok = RasterDC::RenderSetPixel(x, y, color); });
    return ok;
  }

 private:
  template <class Draw>
  void Around(Draw draw, bool invert = false) {
    section_.RefreshPicture();
    before_ = section_.picture_;
    draw();
    FlushCairo();
    section_.TakeChanges(before_, invert);
    MarkDirty();
  }

  TMonoDibSection& section_;
  std::vector<std::uint32_t> before_;
};

std::unique_ptr<TMonoDibSection> TMonoDibSection::Create(std::int32_t width, std::int32_t height, COLORREF color0,
                                                         COLORREF color1) {
  if (width < 1 || height < 1 || width > 32767 || height > 32767) return nullptr;
  // Drawing keeps two 32-bit pictures of the bits: 2^26 pixels at most.
  if (std::int64_t(width) * height > (std::int64_t(1) << 26)) return nullptr;
  std::unique_ptr<TMonoDibSection> section(new TMonoDibSection(width, height, color0, color1));
  cairo_surface_t* surface =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(section->picture_.data()),
                                          CAIRO_FORMAT_RGB24, width, height, width * 4);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  DeviceCaps caps;
  caps.technology = kDtRasDisplay;
  caps.widthPx = width;
  caps.heightPx = height;
  caps.bitsPixel = 1;
  section->dc_ = std::make_unique<MonoDC>(surface, *section, caps);
  cairo_surface_destroy(surface);
  return section;
}

TMonoDibSection::TMonoDibSection(std::int32_t width, std::int32_t height, COLORREF color0, COLORREF color1)
    : width_(width),
      height_(height),
      stride_((width + 31) / 32 * 4),
      bits_(std::size_t(stride_) * std::size_t(height), 0),
      table_{StripColorFlags(color0), StripColorFlags(color1)},
      picture_(std::size_t(width) * std::size_t(height), 0) {}

TMonoDibSection::~TMonoDibSection() = default;

TDC* TMonoDibSection::DC() const { return dc_.get(); }

int TMonoDibSection::GetBit(std::int32_t x, std::int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  const std::uint8_t byte = bits_[std::size_t(height_ - 1 - y) * std::size_t(stride_) + std::size_t(x >> 3)];
  return (byte >> (7 - (x & 7))) & 1;
}

void TMonoDibSection::SetBit(std::int32_t x, std::int32_t y, int index) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  std::uint8_t& byte = bits_[std::size_t(height_ - 1 - y) * std::size_t(stride_) + std::size_t(x >> 3)];
  const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
  byte = std::uint8_t(index ? byte | mask : byte & ~mask);
}

void TMonoDibSection::SetColor(int index, COLORREF color) {
  table_[index & 1] = StripColorFlags(color);
}

std::uint32_t TMonoDibSection::PixelWordOf(int index) const { return PixelWord(table_[index & 1]) | 0xFF000000u; }

void TMonoDibSection::RefreshPicture() {
  dc_->Flush();
  const std::uint32_t words[2] = {PixelWordOf(0), PixelWordOf(1)};
  for (std::int32_t y = 0; y < height_; ++y) {
    const std::uint8_t* row = bits_.data() + std::size_t(height_ - 1 - y) * std::size_t(stride_);
    std::uint32_t* out = picture_.data() + std::size_t(y) * std::size_t(width_);
    for (std::int32_t x = 0; x < width_; ++x) out[x] = words[(row[x >> 3] >> (7 - (x & 7))) & 1];
  }
  dc_->MarkDirty();
}

void TMonoDibSection::TakeChanges(const std::vector<std::uint32_t>& before, bool invert) {
  const std::uint32_t words[2] = {PixelWordOf(0), PixelWordOf(1)};
  auto distance = [](std::uint32_t a, std::uint32_t b) {
    std::int64_t d = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      const std::int64_t c = std::int64_t((a >> shift) & 0xFF) - std::int64_t((b >> shift) & 0xFF);
      d += c * c;
    }
    return d;
  };
  for (std::int32_t y = 0; y < height_; ++y) {
    for (std::int32_t x = 0; x < width_; ++x) {
      const std::size_t i = std::size_t(y) * std::size_t(width_) + std::size_t(x);
      const std::uint32_t now = picture_[i] & 0x00FFFFFF;
      if (now == (before[i] & 0x00FFFFFF)) {
        picture_[i] = before[i];
        continue;
      }
      int index;
      if (invert)
        index = GetBit(x, y) ^ 1;
      else
        index = distance(now, words[1]) < distance(now, words[0]) ? 1 : 0;
      std::uint8_t& byte = bits_[std::size_t(height_ - 1 - y) * std::size_t(stride_) + std::size_t(x >> 3)];
      const std::uint8_t mask = std::uint8_t(0x80 >> (x & 7));
      byte = std::uint8_t(index ? byte | mask : byte & ~mask);
      picture_[i] = words[index];
    }
  }
}

bool TMonoDibSection::BlitTo(TDC& target, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                             std::int32_t sourceX, std::int32_t sourceY, std::uint32_t rop) const {
  // The bits through the table as it is now.
  std::vector<std::uint32_t> block(std::size_t(width_) * std::size_t(height_));
  const std::uint32_t words[2] = {PixelWordOf(0), PixelWordOf(1)};
  for (std::int32_t row = 0; row < height_; ++row) {
    const std::uint8_t* bits = bits_.data() + std::size_t(height_ - 1 - row) * std::size_t(stride_);
    std::uint32_t* out = block.data() + std::size_t(row) * std::size_t(width_);
    for (std::int32_t col = 0; col < width_; ++col) out[col] = words[(bits[col >> 3] >> (7 - (col & 7))) & 1];
  }
  PixelView view;
  view.bits = reinterpret_cast<const std::uint8_t*>(block.data());
  view.width = width_;
  view.height = height_;
  view.stride = width_ * 4;
  return target.BitBlt(x, y, width, height, view, sourceX, sourceY, rop);
}

}  // namespace kvn
