// cRasterSurface: the 32-bit off-screen surface the renderer draws into, and
// from which a window, a printer band or an exported picture takes the result.
//
// Pixels are 32-bit words 0xAARRGGBB, in memory blue, green, red, fourth byte
// (the byte order of a 32-bit DIB and of a cairo RGB24 image). Rows are kept
// top down with stride width x 4, so that the same memory is a cairo image, an
// AGG rendering buffer and a blit source without copies; the bottom-up order
// of a DIB appears only in ToDib24. A COLORREF (0x00BBGGRR) becomes a pixel
// value by exchanging its red and blue bytes.
//
// Two modes, chosen at construction:
//  - device-context mode: the pixels carry a RasterDC, so device-context
//    output (text, metafiles, GDI fills) and the renderer's own pixel writes
//    land in the same memory. Every direct write below flushes the context
//    before and marks it dirty after; whoever writes Bits() directly must
//    do the same (Flush / MarkDirty). The pixel memory and the context are
//    kept between paints and replaced only when a larger rectangle comes.
//  - memory-only: a plain buffer that only grows; no device context.
//
// Coordinates of the direct operations are device pixels, except DrawLine,
// DrawWideLine and DrawPolyline, which take 1/256 pixel (a pixel index is
// (v + 128) >> 8, arithmetic shift). Every operation clips to the clip
// rectangle (or, where stated, to the surface) and ignores what falls outside.
//
// The surface also owns the AGG objects of the anti-aliased fill (pixel
// format, base renderer, scanline renderer; RasterSurfaceAgg.h), made by
// Prepare and dropped whenever the pixel memory is replaced.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/gdi/GdiTypes.h"
#include "platform/gdi/TDib.h"

namespace kvn {

class RasterDC;
class TDC;
struct RasterAgg;

// COLORREF 0x00BBGGRR to pixel 0xAARRGGBB: red and blue exchanged, the top
// byte kept.
constexpr std::uint32_t ColorrefToPixel(COLORREF c) {
  return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}

// What a window blits: the whole pixel block and the area to copy (the clip
// rectangle), which lands at the same position of the window.
struct RasterBlitSource {
  PixelView pixels;
  TRect area;
};

class cRasterSurface {
 public:
  // The largest surface: 32767 pixels a side (a cairo image) and 2^28 pixels
  // in all (1 GiB), so that an absurd band or export size is refused instead
  // of ending the process in the never-failing heap.
  static constexpr std::int32_t kMaxSide = 32767;
  static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 28;

  explicit cRasterSurface(bool memoryOnly);
  ~cRasterSurface();
  cRasterSurface(const cRasterSurface&) = delete;
  cRasterSurface& operator=(const cRasterSurface&) = delete;

  // Sizes the surface to cover (0, 0, rect.right, rect.bottom) and makes the
  // rectangle the clip. False (surface unchanged) when right or bottom is
  // below 1 or the size is beyond the limits. Device-context mode keeps a
  // larger existing surface and its size; memory-only mode takes the new
  // size and grows the buffer when needed. The device context and Bits()
  // are valid until the next Prepare.
  bool Prepare(const TRect& rect);
  // The rectangle limited to the surface becomes the clip.
  void SetClip(const TRect& rect);

  bool IsMemoryOnly() const { return memoryOnly_; }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }
  std::int32_t Stride() const { return width_ * 4; }
  const TRect& Clip() const { return clip_; }
  std::uint8_t* Bits() const { return bits_; }
  // The memory device context; null in memory-only mode and before Prepare.
  TDC* DC() const;
  RasterDC* GetRasterDC() const { return dc_.get(); }
  // Bits per pixel of the device context when it was made (0 without one).
  int ScreenBitDepth() const { return screenBitDepth_; }
  // 0 none, 1 smooth, 2 hard edges, 3 smooth; 0 after construction.
  std::uint32_t AntiAliasMode() const { return antiAliasMode_; }
  void SetAntiAliasMode(std::uint32_t mode) { antiAliasMode_ = mode; }
  // The AGG objects, or null before Prepare.
  RasterAgg* Agg() const { return agg_.get(); }

  // Around direct writes to Bits() in device-context mode (nothing in
  // memory-only mode).
  void Flush() const;
  void MarkDirty() const;

  // A stretch of direct writes: the device context is flushed when the
  // outermost scope opens and marked dirty when it closes, so that a shape
  // of many runs costs one pair. Every writing operation below opens one.
  class DirectWrite {
   public:
    explicit DirectWrite(const cRasterSurface& surface) : surface_(surface) {
      if (surface_.directDepth_++ == 0) surface_.Flush();
    }
    ~DirectWrite() {
      if (--surface_.directDepth_ == 0) surface_.MarkDirty();
    }
    DirectWrite(const DirectWrite&) = delete;
    DirectWrite& operator=(const DirectWrite&) = delete;

   private:
    const cRasterSurface& surface_;
  };

  // ---- Output.
  // The clip area of the pixels; an invalid view when the clip is empty.
  RasterBlitSource BlitSource() const;
  // Copies the clip area to the same position of the target; nothing for a
  // null target or an empty clip.
  void BlitTo(TDC* target) const;
  // A bottom-up 24-bit picture of the clip area (empty when the clip is
  // empty or too large for a DIB). With `pureBlackWhite` given, it tells
  // whether every pixel is black (0) or white (0xFFFFFF) in its low 24 bits.
  TDib ToDib24(bool* pureBlackWhite = nullptr) const;

  // ---- Fills and runs, device pixels.
  // The half-open box [left, right) x [top, bottom) limited to the clip.
  // Inline: the thick lines call it for every row of every band.
  void FillBox(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, std::uint32_t value) {
    const std::int64_t x0 = left > clip_.left ? left : clip_.left;
    const std::int64_t y0 = top > clip_.top ? top : clip_.top;
    const std::int64_t x1 = right < clip_.right ? right : clip_.right;
    const std::int64_t y1 = bottom < clip_.bottom ? bottom : clip_.bottom;
    if (x0 >= x1 || y0 >= y1) return;
    DirectWrite scope(*this);
    FillClipped(std::int32_t(x0), std::int32_t(y0), std::int32_t(x1), std::int32_t(y1), value);
  }
  void FillRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, std::uint32_t value);
  void FillRectColorref(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, COLORREF color);
  // Opaque above alpha 254, else every pixel blended with the colour.
  void FillRectAlpha(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, COLORREF color,
                     std::uint8_t alpha);
  // |length| pixels from the start: [x, x + length) for a positive length,
  // (x + length, x] for a negative one (the end excluded, as a GDI line).
  void HorizontalLine(std::int32_t x, std::int32_t y, std::int32_t length, std::uint32_t value);
  void VerticalLine(std::int32_t x, std::int32_t y, std::int32_t length, std::uint32_t value);

  // ---- Single pixels. Each colour channel c becomes ((s - c) a + 256 c) / 256
  // with s the value's channel and a its top byte.
  void BlendPixel(std::int32_t x, std::int32_t y, std::uint32_t argb);
  // Without the clip test, for callers that clip themselves; pixels outside
  // the surface are still ignored.
  void BlendPixelUnclipped(std::int32_t x, std::int32_t y, std::uint32_t argb);
  // False outside the clip.
  bool GetPixel(std::int32_t x, std::int32_t y, std::uint32_t* value) const;

  // ---- Lines in 1/256 pixel; values are stored, not blended.
  // Both end pixels and the pixels between, stepped along the major axis
  // (x on a tie) with the minor coordinate in 16.16 fixed point.
  void DrawLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::uint32_t value);
  // A band of the width (1/256 pixel); `normal` receives its half-width
  // normal (TPoint in 1/256 pixel). False when nothing could be drawn (a
  // delta beyond 2^28 units).
  bool DrawWideLine(std::int32_t x1, std::int32_t y1, std::int32_t x2, std::int32_t y2, std::int32_t width,
                    std::uint32_t value, TPoint* normal);
  // Points are (x, y) pairs in 1/256 pixel. With width - 128 of at least 256
  // the segments are bands of that width, the outer wedge at each joint is
  // filled, and unless `noDots` round dots mark every vertex; thinner
  // polylines are DrawLine segments.
  void DrawPolyline(const std::int32_t* points, std::uint32_t count, std::int32_t width, COLORREF color,
                    std::uint8_t noDots, bool closed);

  // ---- Surface to surface, limited to the surfaces' sizes (not the clip).
  // Stores `value` wherever the source pixel differs from `key`, at the same
  // offset from `position`.
  void StampMask(TPoint position, const cRasterSurface& source, std::uint32_t value, std::uint32_t key);
  void CopyFrom(const TRect& sourceRect, const cRasterSurface& source, TPoint target);

  // The word of pixel (x, y); unchecked, for loops that clip first.
  std::uint32_t* PixelAt(std::int32_t x, std::int32_t y) const {
    return reinterpret_cast<std::uint32_t*>(bits_ + std::size_t(y) * std::size_t(Stride())) + x;
  }

 private:
  // Stores the value into [x0, x1) x [y0, y1), already clipped; rows of the
  // whole width follow each other and are stored as one run.
  void FillClipped(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, std::uint32_t value) {
    if (x0 == 0 && x1 == width_) {
      StoreRun(PixelAt(0, y0), std::size_t(width_) * std::size_t(y1 - y0), value);
      return;
    }
    for (std::int32_t y = y0; y < y1; ++y) StoreRun(PixelAt(x0, y), std::size_t(x1 - x0), value);
  }
  // `count` copies of the value from `p`. Long runs (a page's background, a
  // large area) as one string store where the processor has it: it writes
  // whole cache lines without reading them first, in half the time of a
  // loop of vector stores over a full-HD page.
  static void StoreRun(std::uint32_t* p, std::size_t count, std::uint32_t value) {
#if defined(__x86_64__)
    if (count >= 256) {
      asm volatile("rep stosl" : "+D"(p), "+c"(count) : "a"(value) : "memory");
      return;
    }
#endif
    for (std::size_t i = 0; i < count; ++i) p[i] = value;
  }
  void BlendAt(std::int32_t x, std::int32_t y, std::uint32_t argb);
  bool AllocateBuffer(std::int64_t pixels);
  bool MakeDeviceContext();
  void MakeAgg();

  std::unique_ptr<std::uint32_t[]> buffer_;  // owns the block; pixels_ is its aligned start
  std::uint32_t* pixels_ = nullptr;
  std::unique_ptr<RasterDC> dc_;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  TRect clip_{};
  std::uint8_t* bits_ = nullptr;
  std::uint32_t capacity_ = 0;  // pixels the buffer holds
  int screenBitDepth_ = 0;
  std::uint32_t antiAliasMode_ = 0;
  std::unique_ptr<RasterAgg> agg_;
  mutable int directDepth_ = 0;
  bool memoryOnly_;
};

}  // namespace kvn
