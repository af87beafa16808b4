// The window blit onto cairo images: where it copies rows itself it must
// leave every word of the target as the cairo fill does (a SOURCE blit of
// the surface's clip area), and where it cannot (other formats, transforms,
// offsets, clips that are no whole-pixel rectangles, groups) it must still
// leave the same. Each case blits onto two copies of one target, once
// through BlitSurfaceToCairo and once through the fill, and compares them.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "app/VectorWindowPaint.h"
#include "platform/gdi/Region.h"
#include "render/RasterSurface.h"

namespace kvn {
namespace {

constexpr std::int32_t kSourceW = 40, kSourceH = 30;

// The blit as the cairo fill does it.
void FillBlit(const cRasterSurface& surface, cairo_t* target) {
  const RasterBlitSource source = surface.BlitSource();
  if (!source.pixels.IsValid()) return;
  cairo_surface_t* image = cairo_image_surface_create_for_data(const_cast<unsigned char*>(source.pixels.bits),
                                                               CAIRO_FORMAT_RGB24, source.pixels.width,
                                                               source.pixels.height, source.pixels.stride);
  const TRect& a = source.area;
  cairo_save(target);
  cairo_set_operator(target, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_surface(target, image, 0, 0);
  cairo_pattern_set_filter(cairo_get_source(target), CAIRO_FILTER_NEAREST);
  cairo_new_path(target);
  cairo_rectangle(target, a.left, a.top, double(a.right - a.left), double(a.bottom - a.top));
  cairo_fill(target);
  cairo_restore(target);
  cairo_surface_finish(image);
  cairo_surface_destroy(image);
}

// Which kept pixel a pixel shown under another placement of the page
// shows: the picture kept under `from` is moved and scaled to `to` (device
// = world x scale x 4 + origin + offset), each shown pixel taking the kept
// pixel under its centre. Ambiguous (`edge`) where that centre lies within
// a hundredth of a pixel of a pixel's edge or of the kept area's edge:
// either side may show there. None outside the kept area.
struct PlacedPixel {
  bool inside = false;
  bool edge = false;
  std::int32_t x = 0, y = 0;
};
PlacedPixel PlacedSource(const WorldMapping& from, const WorldMapping& to, const TRect& kept, std::int32_t x,
                         std::int32_t y) {
  const double f = to.scale / from.scale;
  auto back = [f](double shown, double fromShift, double toShift) { return (shown - toShift) / f + fromShift; };
  const double sx = back(x + 0.5, from.originX + from.offsetX, to.originX + to.offsetX);
  const double sy = back(y + 0.5, from.originY + from.offsetY, to.originY + to.offsetY);
  PlacedPixel p;
  auto near = [](double v) { return std::abs(v - std::round(v)) < 0.01; };
  p.edge = near(sx) || near(sy);
  p.x = std::int32_t(std::floor(sx));
  p.y = std::int32_t(std::floor(sy));
  p.inside = sx >= kept.left && sx < kept.right && sy >= kept.top && sy < kept.bottom;
  // A shown pixel the kept area's edge crosses is partly filled.
  const double half = 0.5 / f;
  p.edge = p.edge || (sx - half < kept.left) != (sx + half < kept.left) ||
           (sx - half < kept.right) != (sx + half < kept.right) || (sy - half < kept.top) != (sy + half < kept.top) ||
           (sy - half < kept.bottom) != (sy + half < kept.bottom);
  return p;
}

// A source whose words differ everywhere, the unused top byte included.
std::unique_ptr<cRasterSurface> Source(const TRect& clip) {
  auto s = std::make_unique<cRasterSurface>(true);
  if (!s->Prepare(TRect{0, 0, kSourceW, kSourceH})) return nullptr;
  for (std::int32_t y = 0; y < kSourceH; ++y)
    for (std::int32_t x = 0; x < kSourceW; ++x) *s->PixelAt(x, y) = 0x01000000u * std::uint32_t(x ^ y) + std::uint32_t(y * 977 + x * 31);
  s->SetClip(clip);
  return s;
}

struct Case {
  const char* name;
  cairo_format_t format;
  std::int32_t width, height;
  TRect sourceClip;
  // Sets up the context before the blit (clip, transform, offset, group).
  std::function<void(cairo_t*)> setUp;
  bool group = false;  // blit into a pushed group, then paint it
};

std::vector<std::uint32_t> Blit(const Case& c, const cRasterSurface& source, bool viaFill) {
  std::vector<std::uint32_t> words(std::size_t(c.width) * std::size_t(c.height), 0xA5C3E1F0u);
  cairo_surface_t* image = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(words.data()), c.format,
                                                               c.width, c.height, c.width * 4);
  cairo_t* cr = cairo_create(image);
  if (c.setUp) c.setUp(cr);
  if (c.group) cairo_push_group_with_content(cr, CAIRO_CONTENT_COLOR);
  if (viaFill) {
    FillBlit(source, cr);
  } else {
    BlitSurfaceToCairo(source, cr);
  }
  if (c.group) {
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
  }
  cairo_destroy(cr);
  cairo_surface_flush(image);
  cairo_surface_destroy(image);
  return words;
}

TEST(BlitSurfaceToCairo, LeavesWhatTheCairoFillLeaves) {
  const TRect whole{0, 0, kSourceW, kSourceH}, inner{5, 4, 33, 21};
  auto clipTo = [](std::vector<cairo_rectangle_t> rects) {
    return [rects](cairo_t* cr) {
      for (const cairo_rectangle_t& r : rects) cairo_rectangle(cr, r.x, r.y, r.width, r.height);
      cairo_clip(cr);
    };
  };
  const Case cases[] = {
      {"whole source onto a like image", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, whole, nullptr},
      {"the source's clip area only", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, inner, nullptr},
      {"whole-width rows in the middle", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, TRect{0, 7, kSourceW, 19}, nullptr},
      {"a larger image", CAIRO_FORMAT_RGB24, 64, 50, inner, nullptr},
      {"a smaller image", CAIRO_FORMAT_RGB24, 21, 13, whole, nullptr},
      {"one clip rectangle", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, whole, clipTo({{3, 2, 17, 9}})},
      {"two clip rectangles", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, inner, clipTo({{0, 0, 10, 10}, {20, 12, 15, 30}})},
      {"a clip beyond the image", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, whole, clipTo({{-5, -5, 100, 12}})},
      {"a clip of fractional pixels", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, whole, clipTo({{2.5, 3.25, 11, 7}})},
      {"a round clip", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, whole,
       [](cairo_t* cr) {
         cairo_arc(cr, 20, 15, 9, 0, 6.2831853);
         cairo_clip(cr);
       }},
      {"a translation", CAIRO_FORMAT_RGB24, 64, 50, whole, [](cairo_t* cr) { cairo_translate(cr, 7, 3); }},
      {"a scale", CAIRO_FORMAT_RGB24, 64, 50, inner, [](cairo_t* cr) { cairo_scale(cr, 1.5, 1.5); }},
      {"a device offset", CAIRO_FORMAT_RGB24, 64, 50, whole,
       [](cairo_t* cr) { cairo_surface_set_device_offset(cairo_get_target(cr), 4, 6); }},
      {"an image with alpha", CAIRO_FORMAT_ARGB32, kSourceW, kSourceH, whole, nullptr},
      {"a pushed group", CAIRO_FORMAT_RGB24, kSourceW, kSourceH, inner, clipTo({{3, 2, 30, 20}}), true},
  };
  for (const Case& c : cases) {
    const auto source = Source(c.sourceClip);
    ASSERT_TRUE(source) << c.name;
    const std::vector<std::uint32_t> got = Blit(c, *source, false);
    const std::vector<std::uint32_t> want = Blit(c, *source, true);
    EXPECT_TRUE(got == want) << c.name;
    // Something of the source arrived.
    EXPECT_NE(got, std::vector<std::uint32_t>(got.size(), 0xA5C3E1F0u)) << c.name;
  }
}

// The window's blitter keeps what it blitted as the window's picture: shown
// again, each pixel is the one blitted under the same paint state, and
// every pixel it cannot vouch for (never blitted, blitted for another page,
// or forgotten since) is filled and reported, never shown stale. Pixels of
// the same page placed otherwise are shown where that placement puts them
// (moved and scaled, so that they agree with the rulers), and all reported.
TEST(WindowBlitter, ShowsWhatItKeptAndFillsTheRest) {
  constexpr std::uint32_t kUntouched = 0xA5C3E1F0u;
  constexpr COLORREF kFill = 0x00C0FFFF;  // shown as 0xFFFFC0
  const TRect whole{0, 0, kSourceW, kSourceH}, inner{5, 4, 33, 21}, asked{2, 3, 30, 27};
  PaintState a;
  a.client = whole;
  PaintState zoomed = a;
  zoomed.mapping.scale = 2;
  PaintState otherPage = a;
  otherPage.page = 1;
  struct Step {
    enum { kBlit, kForget, kForgetAll } what;
    TRect rect;  // the source's clip, or what the drawing changed under
    const PaintState* state = nullptr;
  };
  struct Row {
    const char* name;
    std::vector<Step> steps;
    const PaintState& shownUnder;
    TRect kept;  // what must be shown from the picture; the rest of `asked` is filled
    bool placedBefore = false;  // all of `asked` reported, the kept part shown nonetheless
  };
  const Row rows[] = {
      {"the whole window blitted", {{Step::kBlit, whole, &a}}, a, whole},
      {"only a part blitted", {{Step::kBlit, inner, &a}}, a, inner},
      {"two parts blitted", {{Step::kBlit, TRect{0, 0, 40, 12}, &a}, {Step::kBlit, TRect{0, 12, 40, 30}, &a}}, a, whole},
      {"shown under another mapping", {{Step::kBlit, whole, &a}}, zoomed, whole, true},
      {"shown for another page", {{Step::kBlit, whole, &a}}, otherPage, TRect{}},
      {"blitted again under a new mapping", {{Step::kBlit, whole, &a}, {Step::kBlit, inner, &zoomed}}, zoomed, inner},
      {"shown under the mapping before the last blit", {{Step::kBlit, whole, &a}, {Step::kBlit, inner, &zoomed}}, a,
       inner, true},
      {"a part changed since", {{Step::kBlit, whole, &a}, {Step::kForget, TRect{0, 15, 40, 30}}}, a, TRect{0, 0, 40, 15}},
      {"everything changed since", {{Step::kBlit, whole, &a}, {Step::kForgetAll, TRect{}}}, a, TRect{}},
      {"a changed part painted again", {{Step::kBlit, whole, &a}, {Step::kForgetAll, TRect{}}, {Step::kBlit, inner, &a}},
       a, inner},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const auto source = Source(whole);
    ASSERT_TRUE(source);
    WindowBlitter blitter;
    std::vector<std::uint32_t> window(std::size_t(kSourceW) * kSourceH, 0);
    cairo_surface_t* windowImage = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(window.data()), CAIRO_FORMAT_RGB24, kSourceW, kSourceH, kSourceW * 4);
    cairo_t* windowCr = cairo_create(windowImage);
    for (const Step& step : row.steps) {
      if (step.what == Step::kBlit) {
        source->SetClip(step.rect);
        blitter.Blit(*source, windowCr, *step.state, TSize{kSourceW, kSourceH});
      } else {
        blitter.Forget(step.what == Step::kForget ? &step.rect : nullptr);
      }
    }
    std::vector<std::uint32_t> shown(window.size(), kUntouched);
    cairo_surface_t* shownImage = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(shown.data()), CAIRO_FORMAT_RGB24, kSourceW, kSourceH, kSourceW * 4);
    cairo_t* shownCr = cairo_create(shownImage);
    const TRegion missing = blitter.ShowKept(shownCr, asked, row.shownUnder, kFill);
    cairo_destroy(shownCr);
    cairo_surface_destroy(shownImage);
    cairo_destroy(windowCr);
    cairo_surface_destroy(windowImage);

    TRegion wantMissing(asked);
    if (!row.placedBefore) wantMissing.Combine(wantMissing, TRegion(row.kept), kRgnDiff);
    EXPECT_TRUE(missing == wantMissing) << missing.GetBox().left << "," << missing.GetBox().top << " "
                                        << missing.RectCount() << " rectangles";
    // Placed otherwise, the kept pixels are shown where the new placement
    // puts them: moved and scaled.
    const WorldMapping& keptUnder = row.steps.back().state ? row.steps.back().state->mapping : a.mapping;
    int wrong = 0;
    for (std::int32_t y = 0; y < kSourceH; ++y) {
      for (std::int32_t x = 0; x < kSourceW; ++x) {
        std::uint32_t want = kUntouched;
        if (x >= asked.left && x < asked.right && y >= asked.top && y < asked.bottom) {
          PlacedPixel p{x >= row.kept.left && x < row.kept.right && y >= row.kept.top && y < row.kept.bottom,
                        false, x, y};
          if (row.placedBefore) p = PlacedSource(keptUnder, row.shownUnder.mapping, row.kept, x, y);
          if (p.edge) continue;
          want = p.inside ? *source->PixelAt(p.x, p.y) & 0xFFFFFF : 0xFFFFC0;
        }
        wrong += (shown[std::size_t(y) * kSourceW + x] & (want == kUntouched ? ~0u : 0xFFFFFFu)) != want;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

// The window resized: blitted at one client size after another (each blit
// the whole client, with words of its own), then shown at the last size
// (painted there) or at a size it was never painted at (a paint during a
// long operation). The picture follows every size it is blitted at, in both
// directions, and is never read or written beyond what it holds: shown at a
// size it was not painted at, the last blit's pixels are moved and scaled
// as the page's placement was and the rest is filled, all of it reported
// for drawing.
TEST(WindowBlitter, FollowsTheWindowsSizeInBothDirections) {
  constexpr std::int32_t kWindowW = 64, kWindowH = 50;
  constexpr std::uint32_t kUntouched = 0xA5C3E1F0u;
  constexpr COLORREF kFill = 0x00C0FFFF;  // shown as 0xFFFFC0
  struct Row {
    const char* name;
    std::vector<TSize> blitted;  // client sizes, one whole-client blit each
    TSize shown;                 // the client size the picture is shown at
  };
  const Row rows[] = {
      {"grown taller, painted again", {{40, 30}, {40, 45}}, {40, 45}},
      {"grown wider, painted again", {{40, 30}, {60, 30}}, {60, 30}},
      {"shrunk, painted again", {{40, 30}, {25, 20}}, {25, 20}},
      {"shrunk, then grown taller, painted again", {{40, 30}, {25, 20}, {25, 50}}, {25, 50}},
      {"grown wider, then taller, painted again", {{40, 30}, {64, 30}, {64, 50}}, {64, 50}},
      {"grown taller during an operation", {{40, 30}}, {40, 45}},
      {"grown wider during an operation", {{40, 30}}, {60, 30}},
      {"grown both ways during an operation", {{40, 30}}, {64, 50}},
      {"shrunk during an operation", {{40, 30}}, {25, 20}},
      {"shrunk and painted, grown back during an operation", {{40, 30}, {25, 20}}, {40, 30}},
  };
  // Words of blit `seed` at (x, y), the unused top byte included.
  auto word = [](int seed, std::int32_t x, std::int32_t y) {
    return 0x01000000u * std::uint32_t(x ^ y ^ seed) + std::uint32_t(y * 977 + x * 31 + seed * 100003);
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    WindowBlitter blitter;
    std::vector<std::uint32_t> window(std::size_t(kWindowW) * kWindowH, 0);
    cairo_surface_t* windowImage = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(window.data()), CAIRO_FORMAT_RGB24, kWindowW, kWindowH, kWindowW * 4);
    cairo_t* windowCr = cairo_create(windowImage);
    // The mapping follows the client, as a fitted drawing's does.
    auto stateAt = [](TSize size) {
      PaintState state;
      state.client = TRect{0, 0, size.cx, size.cy};
      state.mapping.scale = 0.01 * size.cx;
      return state;
    };
    int seed = 0;
    for (const TSize& size : row.blitted) {
      ++seed;
      cRasterSurface source(true);
      ASSERT_TRUE(source.Prepare(TRect{0, 0, size.cx, size.cy}));
      for (std::int32_t y = 0; y < size.cy; ++y)
        for (std::int32_t x = 0; x < size.cx; ++x) *source.PixelAt(x, y) = word(seed, x, y);
      blitter.Blit(source, windowCr, stateAt(size), size);
    }
    const TSize last = row.blitted.back();
    const bool painted = last.cx == row.shown.cx && last.cy == row.shown.cy;
    const TRect asked{0, 0, row.shown.cx, row.shown.cy};
    std::vector<std::uint32_t> shown(window.size(), kUntouched);
    cairo_surface_t* shownImage = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(shown.data()), CAIRO_FORMAT_RGB24, kWindowW, kWindowH, kWindowW * 4);
    cairo_t* shownCr = cairo_create(shownImage);
    const TRegion redraw = blitter.ShowKept(shownCr, asked, stateAt(row.shown), kFill);
    cairo_destroy(shownCr);
    cairo_surface_destroy(shownImage);
    cairo_destroy(windowCr);
    cairo_surface_destroy(windowImage);

    EXPECT_TRUE(redraw == (painted ? TRegion() : TRegion(asked)))
        << redraw.RectCount() << " rectangles in " << redraw.GetBox().right << " x " << redraw.GetBox().bottom;
    // Shown at a size it was not painted at, the picture is moved and
    // scaled as the mapping that followed the client was.
    int wrong = 0, firstX = -1, firstY = -1;
    for (std::int32_t y = 0; y < kWindowH; ++y) {
      for (std::int32_t x = 0; x < kWindowW; ++x) {
        std::uint32_t want = kUntouched;
        if (x < row.shown.cx && y < row.shown.cy) {
          const PlacedPixel p =
              PlacedSource(stateAt(last).mapping, stateAt(row.shown).mapping, TRect{0, 0, last.cx, last.cy}, x, y);
          if (p.edge) continue;
          want = p.inside ? word(seed, p.x, p.y) & 0xFFFFFF : 0xFFFFC0;
        }
        const std::uint32_t got = shown[std::size_t(y) * kWindowW + x] & (want == kUntouched ? ~0u : 0xFFFFFFu);
        if (got != want && wrong++ == 0) {
          firstX = x;
          firstY = y;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "first at " << firstX << "," << firstY;
  }
}

}  // namespace
}  // namespace kvn
