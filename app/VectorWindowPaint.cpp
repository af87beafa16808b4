#include "app/VectorWindowPaint.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/DRect.h"
#include "model/ObjectExtentIndex.h"
#include "platform/gdi/CairoDC.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

// What InvalidateWorldRect adds around a changed rectangle, in pixels.
constexpr std::int64_t kInvalidMargin = 12;

// Copies `rows` rows of `rowBytes` each between images of the given strides.
// Rows that follow each other without a gap in both images (a whole-width
// area of images of one width: every window paint that shows all of it) go
// as one block: one large copy moves the 8 MB of a full-HD paint faster than
// a thousand row-sized ones.
void CopyPixelRows(std::uint8_t* target, std::size_t targetStride, const std::uint8_t* source,
                   std::size_t sourceStride, std::size_t rowBytes, std::size_t rows) {
  if (rowBytes == targetStride && rowBytes == sourceStride) {
    std::memcpy(target, source, rowBytes * rows);
    return;
  }
  for (std::size_t row = 0; row < rows; ++row) {
    std::memcpy(target + row * targetStride, source + row * sourceStride, rowBytes);
  }
}

// The clip area copied row by row into the target's own pixels where that
// leaves what the cairo fill below leaves: an image of the surface's format
// (a SOURCE blit of RGB24 onto RGB24 stores the very words), drawn to
// without transform, device offset or scale, clipped to whole-pixel
// rectangles. The fill's compositing set-up costs more than the copy itself
// for a whole window (a third more in one measurement of a 1920 x 1080
// paint). False, with nothing written, where any condition fails.
bool CopyIntoImageTarget(const RasterBlitSource& source, cairo_t* target) {
  cairo_surface_t* image = cairo_get_group_target(target);
  if (!IsUntransformedImage(image) || cairo_image_surface_get_format(image) != CAIRO_FORMAT_RGB24 ||
      cairo_image_surface_get_data(image) == nullptr)
    return false;
  cairo_matrix_t m;
  cairo_get_matrix(target, &m);
  if (m.xx != 1 || m.yx != 0 || m.xy != 0 || m.yy != 1 || m.x0 != 0 || m.y0 != 0) return false;
  // Unclipped, the list is the image's extent; a clip that is no set of
  // rectangles answers an error.
  cairo_rectangle_list_t* clips = cairo_copy_clip_rectangle_list(target);
  bool whole = clips->status == CAIRO_STATUS_SUCCESS;
  for (int i = 0; whole && i < clips->num_rectangles; ++i) {
    const cairo_rectangle_t& r = clips->rectangles[i];
    whole = r.x == std::floor(r.x) && r.y == std::floor(r.y) && r.width == std::floor(r.width) &&
            r.height == std::floor(r.height);
  }
  if (!whole) {
    cairo_rectangle_list_destroy(clips);
    return false;
  }
  cairo_surface_flush(image);
  std::uint8_t* bits = cairo_image_surface_get_data(image);
  const std::size_t stride = std::size_t(cairo_image_surface_get_stride(image));
  const double width = cairo_image_surface_get_width(image), height = cairo_image_surface_get_height(image);
  const TRect& a = source.area;
  for (int i = 0; i < clips->num_rectangles; ++i) {
    const cairo_rectangle_t& r = clips->rectangles[i];
    // The fill's rectangle, the clip, the image and the source pixels met.
    const double left = std::max({double(a.left), r.x, 0.0});
    const double top = std::max({double(a.top), r.y, 0.0});
    const double right = std::min({double(a.right), r.x + r.width, width, double(source.pixels.width)});
    const double bottom = std::min({double(a.bottom), r.y + r.height, height, double(source.pixels.height)});
    if (left >= right || top >= bottom) continue;
    const std::size_t x0 = std::size_t(left), y0 = std::size_t(top);
    const std::size_t sourceStride = std::size_t(source.pixels.stride);
    CopyPixelRows(bits + y0 * stride + x0 * 4, stride, source.pixels.bits + y0 * sourceStride + x0 * 4, sourceStride,
                  std::size_t(right - left) * 4, std::size_t(bottom - top));
    cairo_surface_mark_dirty_rectangle(image, int(left), int(top), int(right - left), int(bottom - top));
  }
  cairo_rectangle_list_destroy(clips);
  return true;
}

}  // namespace

void RenderDrawingPage(const WorldMapping& mapping, cSheet* sheet, std::uint16_t page, const TRect& client,
                       const TRect& paint, TDC* dc, cRasterSurface& surface, const PagePaintColors& colors,
                       ChainResume* resume) {
  cDrawInfo info(mapping, sheet ? sheet->Data() : nullptr, dc, &surface);
  info.darkBackground = IsDarkBackground(colors.background) ? 1 : 0;
  // The drawing's extent index: a paint of part of a large drawing then
  // visits only what may show there. Made once, until the drawing changes;
  // made for the paint, it expands no changed insert of another page.
  const ObjectExtentIndex* index = sheet ? &sheet->Drawing().PaintIndex() : nullptr;
  const cOutObj* head = index ? index->Head() : nullptr;
  const std::size_t size = index ? index->Size() : 0;
  // A place in a chain that has changed since is no place: all again.
  const bool goesOn = resume && resume->stopped && resume->chainHead == head && resume->chainSize == size;
  if (!goesOn) {
    if (resume) *resume = ChainResume{};
    PaintPageArea(surface, mapping, sheet ? &sheet->Drawing() : nullptr, client, paint, colors);
    // Cut short already: the next slice begins again.
    if (resume && dc && dc->Aborted()) return;
  }
  if (sheet == nullptr) return;
  PaintChainOptions options;
  options.resume = resume;
  PaintSheetPage(*sheet, page, info, options);
  if (resume) {
    resume->chainHead = head;
    resume->chainSize = size;
  }
}

namespace {

// The image's pixels of `area` onto the target, unchanged.
void PaintImageArea(cairo_surface_t* image, cairo_t* target, const TRect& area) {
  cairo_save(target);
  cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(target, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(target), CAIRO_FILTER_NEAREST);
  cairo_new_path(target);
  cairo_rectangle(target, area.left, area.top, double(area.right - area.left), double(area.bottom - area.top));
  cairo_fill(target);
  cairo_restore(target);
}

}  // namespace

void BlitSurfaceToCairo(const cRasterSurface& surface, cairo_t* target) {
  if (target == nullptr) return;
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  if (CopyIntoImageTarget(source, target)) return;
  // Cairo reads the pixels only while the fill runs; the image never
  // outlives this call (finished before it is released).
  cairo_surface_t* image = cairo_image_surface_create_for_data(
      const_cast<unsigned char*>(source.pixels.bits), CAIRO_FORMAT_RGB24, source.pixels.width, source.pixels.height,
      source.pixels.stride);
  if (cairo_surface_status(image) == CAIRO_STATUS_SUCCESS) {
    PaintImageArea(image, target, source.area);
  }
  cairo_surface_finish(image);
  cairo_surface_destroy(image);
}

bool operator==(const PaintState& a, const PaintState& b) {
  const WorldMapping& m = a.mapping;
  const WorldMapping& n = b.mapping;
  return a.sheet == b.sheet && a.page == b.page && a.client == b.client && m.originX == n.originX &&
         m.originY == n.originY && m.offsetX == n.offsetX && m.offsetY == n.offsetY && m.scale == n.scale &&
         m.clipMargin == n.clipMargin && m.deviceClip == n.deviceClip && m.lineWidthFactor == n.lineWidthFactor &&
         m.outputMode == n.outputMode && m.printerFlag == n.printerFlag;
}

TRect WindowBlitter::ImageRect() const {
  if (image_ == nullptr) return TRect{};
  return TRect{0, 0, cairo_image_surface_get_width(image_), cairo_image_surface_get_height(image_)};
}

bool WindowBlitter::EnsureImage(cairo_t* target, int width, int height) {
  cairo_surface_t* destination = cairo_get_group_target(target);
  cairo_device_t* device = cairo_surface_get_device(destination);
  const cairo_surface_type_t type = cairo_surface_get_type(destination);
  // A window made taller (or wider) only needs a larger image: the old
  // one, kept for the paints during a long operation, has no rows (or
  // columns) for it.
  const TRect have = ImageRect();
  if (image_ != nullptr && device == device_ && type == targetType_ && have.right >= width && have.bottom >= height)
    return true;
  // A new image holds nothing yet.
  Release();
  // An image target (no display server behind it) gets a plain image.
  image_ = type == CAIRO_SURFACE_TYPE_IMAGE
               ? cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height)
               : cairo_surface_create_similar_image(destination, CAIRO_FORMAT_RGB24, width, height);
  if (cairo_surface_status(image_) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_data(image_) == nullptr ||
      cairo_image_surface_get_format(image_) != CAIRO_FORMAT_RGB24) {
    Release();
    return false;
  }
  device_ = device;
  targetType_ = type;
  return true;
}


void WindowBlitter::Blit(const cRasterSurface& surface, cairo_t* target, const PaintState& state, TSize least) {
  if (target == nullptr) return;
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  const TRect& a = source.area;
  if (!EnsureImage(target, std::max(a.right, least.cx), std::max(a.bottom, least.cy))) {
    BlitSurfaceToCairo(surface, target);
    return;
  }
  if (!(state == state_)) {
    kept_ = TRegion();
    state_ = state;
  }
  // Waits until the server has read the previous paint's pixels.
  cairo_surface_flush(image_);
  std::uint8_t* bits = cairo_image_surface_get_data(image_);
  const std::size_t stride = std::size_t(cairo_image_surface_get_stride(image_));
  const std::size_t sourceStride = std::size_t(source.pixels.stride);
  const std::size_t x0 = std::size_t(a.left), y0 = std::size_t(a.top);
  CopyPixelRows(bits + y0 * stride + x0 * 4, stride, source.pixels.bits + y0 * sourceStride + x0 * 4, sourceStride,
                std::size_t(a.right - a.left) * 4, std::size_t(a.bottom - a.top));
  cairo_surface_mark_dirty_rectangle(image_, a.left, a.top, a.right - a.left, a.bottom - a.top);
  PaintImageArea(image_, target, a);
  kept_.Combine(kept_, TRegion(a), kRgnOr);
}

namespace {

// The picture's device pixels under `from` to device pixels under `to`,
// for one page: device = world x scale x 4 + origin + offset on each axis,
// so that one picture shows as the other placement would draw it: scaled
// by the ratio of the scales and moved. False when either scale is no
// positive number or the placement lies beyond what is worth showing.
bool PlacementBetween(const WorldMapping& from, const WorldMapping& to, cairo_matrix_t* out) {
  const double factor = to.scale / from.scale;
  if (!(from.scale > 0) || !(to.scale > 0) || !std::isfinite(factor) || !(factor > 0)) return false;
  const double fromX = from.originX + from.offsetX, fromY = from.originY + from.offsetY;
  const double toX = to.originX + to.offsetX, toY = to.originY + to.offsetY;
  cairo_matrix_init(out, factor, 0, 0, factor, toX - fromX * factor, toY - fromY * factor);
  // Beyond these the picture shows nothing worth it, and cairo's numbers
  // would not hold the placement.
  constexpr double kMostFactor = 65536, kMostShift = 1e9;
  return factor < kMostFactor && factor > 1 / kMostFactor && std::abs(out->x0) < kMostShift &&
         std::abs(out->y0) < kMostShift;
}

}  // namespace

TRegion WindowBlitter::ShowKept(cairo_t* target, const TRect& rect, const PaintState& state, COLORREF fill) {
  const TRegion wanted(rect);
  TRegion missing = wanted;
  if (target == nullptr) return missing;
  const bool same = state == state_;
  // Only what the image holds, whatever the region says.
  TRegion held;
  if (image_ != nullptr) held.Combine(kept_, TRegion(ImageRect()), kRgnAnd);
  if (same && !held.IsEmpty()) {
    TRegion shown;
    shown.Combine(wanted, held, kRgnAnd);
    missing.Combine(wanted, shown, kRgnDiff);
    for (std::uint32_t i = 0; i < shown.RectCount(); ++i) PaintImageArea(image_, target, shown.Rects()[i]);
  }
  cairo_save(target);
  cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(target, (fill & 0xFF) / 255.0, ((fill >> 8) & 0xFF) / 255.0, ((fill >> 16) & 0xFF) / 255.0);
  cairo_new_path(target);
  for (std::uint32_t i = 0; i < missing.RectCount(); ++i) {
    const TRect& r = missing.Rects()[i];
    cairo_rectangle(target, r.left, r.top, double(r.right - r.left), double(r.bottom - r.top));
  }
  cairo_fill(target);
  cairo_restore(target);
  if (same) return missing;
  // The same page placed otherwise (zoomed, scrolled, the window resized):
  // the picture is shown moved and scaled to where the new placement puts
  // it, so that it agrees with the rulers and the zoom until the page is
  // drawn again, which all of it is to be.
  cairo_matrix_t placement;
  if (!held.IsEmpty() && state.SamePage(state_) && PlacementBetween(state_.mapping, state.mapping, &placement)) {
    cairo_save(target);
    cairo_new_path(target);
    cairo_rectangle(target, rect.left, rect.top, double(rect.right - rect.left), double(rect.bottom - rect.top));
    cairo_clip(target);
    cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
    cairo_pattern_t* picture = cairo_pattern_create_for_surface(image_);
    cairo_pattern_set_filter(picture, CAIRO_FILTER_NEAREST);
    // The pattern's matrix maps the window's pixels back to the picture's.
    cairo_matrix_t back = placement;
    cairo_matrix_invert(&back);
    cairo_pattern_set_matrix(picture, &back);
    cairo_set_source(target, picture);
    // Each held rectangle where it lands, on whole pixels (each pixel shows
    // the picture or the fill, never a blend of them).
    cairo_new_path(target);
    for (std::uint32_t i = 0; i < held.RectCount(); ++i) {
      const TRect& r = held.Rects()[i];
      double x0 = r.left, y0 = r.top, x1 = r.right, y1 = r.bottom;
      cairo_matrix_transform_point(&placement, &x0, &y0);
      cairo_matrix_transform_point(&placement, &x1, &y1);
      // Limited to the rectangle shown: a picture scaled far up would lie
      // beyond what cairo's coordinates hold.
      x0 = std::clamp(std::round(x0), double(rect.left), double(rect.right));
      y0 = std::clamp(std::round(y0), double(rect.top), double(rect.bottom));
      x1 = std::clamp(std::round(x1), double(rect.left), double(rect.right));
      y1 = std::clamp(std::round(y1), double(rect.top), double(rect.bottom));
      if (x1 > x0 && y1 > y0) cairo_rectangle(target, x0, y0, x1 - x0, y1 - y0);
    }
    cairo_fill(target);
    cairo_pattern_destroy(picture);
    cairo_restore(target);
  }
  return wanted;
}

void WindowBlitter::Forget(const TRect* rect) {
  if (rect == nullptr) {
    kept_ = TRegion();
  } else {
    kept_.Combine(kept_, TRegion(*rect), kRgnDiff);
  }
}

void WindowBlitter::Release() {
  if (image_ != nullptr) cairo_surface_destroy(image_);
  image_ = nullptr;
  device_ = nullptr;
  kept_ = TRegion();
}

TRect InvalidRectForWorld(const WorldMapping& mapping, const DRect& world, const TRect& client) {
  const DevicePoint a = WorldToDevice(mapping, DPoint{world.x1, world.y1});
  const DevicePoint b = WorldToDevice(mapping, DPoint{world.x2, world.y2});
  const std::int64_t left = std::max<std::int64_t>(std::int64_t(std::min(a.x, b.x)) - kInvalidMargin, client.left);
  const std::int64_t top = std::max<std::int64_t>(std::int64_t(std::min(a.y, b.y)) - kInvalidMargin, client.top);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t(std::max(a.x, b.x)) + kInvalidMargin, client.right);
  const std::int64_t bottom =
      std::min<std::int64_t>(std::int64_t(std::max(a.y, b.y)) + kInvalidMargin, client.bottom);
  if (left >= right || top >= bottom) return TRect{};
  return TRect{std::int32_t(left), std::int32_t(top), std::int32_t(right), std::int32_t(bottom)};
}

}  // namespace kvn
