// Area fills on the raster surface: solid, then hatch, then outline; the 21
// built-in hatches; hatch families from a fill style; opacity; pattern tiles
// on the world grid (seamless across neighbours, fixed when the view moves);
// and the fills that paint nothing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "model/DrawAttributes.h"
#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/cDrawingData.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "model/cStyleFill.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kTolerance = 8;

struct Canvas {
  Canvas(int w, int h) : surface(false), width(w), height(h) {
    InstallRendererGeometryServices();
    ResetPenCache();
    surface.Prepare(TRect{0, 0, w, h});
    surface.FillRect(0, 0, w, h, 0xFFFFFFFF);
    surface.SetAntiAliasMode(1);
  }
  WorldMapping Mapping(double scale, int dx = 0, int dy = 0) const {
    WorldMapping m;
    m.scale = scale;
    m.offsetX = dx;
    m.offsetY = dy;
    m.deviceClip = {0, 0, width, height};
    return m;
  }
  // 0xRRGGBB
  std::uint32_t At(int x, int y) const {
    surface.Flush();
    return *surface.PixelAt(x, y) & 0xFFFFFF;
  }
  test::Picture Picture() const {
    surface.Flush();
    test::Picture out{width, height, {}};
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) out.pixels.push_back(*surface.PixelAt(x, y) & 0xFFFFFF);
    return out;
  }
  int CountNonWhite() const {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += At(x, y) != 0xFFFFFF;
    return n;
  }
  cRasterSurface surface;
  int width, height;
};

// The raster road draws on the surface; the device road through the
// surface's image device context, where hatch layers go through the 1-bit
// tile bitmap.
class FillGolden : public ::testing::TestWithParam<bool> {
 protected:
  TDC* Dc(Canvas& c) const { return GetParam() ? c.surface.GetRasterDC() : nullptr; }
  cRasterSurface* Raster(Canvas& c) const { return GetParam() ? nullptr : &c.surface; }
  std::string Golden(const char* name) const { return std::string(name) + (GetParam() ? "_dc" : ""); }
};

std::unique_ptr<cRectangle> Rect(double x1, double y1, double x2, double y2) {
  auto r = std::make_unique<cRectangle>();
  r->corner1 = {x1, y1};
  r->corner2 = {x2, y2};
  r->stroke.lineType = 0;
  r->stroke.width = 0;
  r->fill.fillColor = 0x80000000;
  r->fill.hatchKind = 0;
  r->MarkDirty();
  return r;
}

std::unique_ptr<cPolygon> Poly(std::initializer_list<DPoint> points, bool closed) {
  auto p = std::make_unique<cPolygon>();
  std::vector<DPoint> v(points);
  PointList& list = p->ListCount() ? p->FirstList() : p->AddList();
  list.SetPoints(v.data(), std::uint32_t(v.size()));
  list.SetClosed(closed);
  p->stroke.lineType = 0;
  p->MarkDirty();
  return p;
}

TEST_P(FillGolden, SolidThenHatchThenOutline) {
  Canvas c(240, 120);
  cDrawInfo info(c.Mapping(2.0, 10, 10), nullptr, Dc(c), Raster(c));
  auto a = Rect(0, 0, 12, 12);
  a->fill.fillColor = Rgb(255, 220, 0);
  a->fill.hatchKind = 3;
  a->fill.hatchColor = Rgb(0, 0, 200);
  a->stroke.lineType = 1;
  a->stroke.width = 0.5;
  a->stroke.color = Rgb(200, 0, 0);
  a->Draw(&info);
  // Opacity 128 over white and over the first area.
  auto b = Rect(8, 4, 20, 10);
  b->fill.fillColor = Rgb(0, 160, 0);
  b->fill.opacity = 128;
  b->Draw(&info);
  // A cross-hatch without solid layer, and the fills that paint nothing.
  auto d = Rect(16, 0, 26, 12);
  d->fill.hatchKind = 6;
  d->fill.hatchColor = Rgb(0, 0, 0);
  d->Draw(&info);

  // The solid layer shows between the hatch lines, the outline lies on top.
  EXPECT_EQ(c.At(10 + 4, 10 + 24), 0x0000C8u);  // on the diagonal hatch line y = x
  EXPECT_EQ(c.At(10 + 40, 10 + 10), 0xFFDC00u);
  EXPECT_EQ(c.At(10 + 48, 10 + 1), 0xC80000u);   // the outline on the top edge
  // 50 % green over white.
  const std::uint32_t half = c.At(10 + 120, 10 + 40);
  EXPECT_NEAR(int((half >> 16) & 0xFF), 127, 2);
  EXPECT_NEAR(int((half >> 8) & 0xFF), 207, 2);
  test::ExpectMatchesGolden(c.Picture(), Golden("fill_order"), kTolerance);
}

TEST_P(FillGolden, FillsThatPaintNothing) {
  Canvas c(100, 100);
  cDrawInfo info(c.Mapping(1.0, 10, 10), nullptr, Dc(c), Raster(c));
  auto none = Poly({{0, 0}, {15, 0}, {15, 15}}, true);
  none->fill.fillColor = 0x80000000;
  none->fill.hatchKind = 0;
  none->Draw(&info);
  auto open = Poly({{0, 0}, {15, 0}, {15, 15}, {0, 15}}, false);
  open->fill.fillColor = Rgb(255, 0, 0);
  open->fill.hatchKind = 5;
  open->Draw(&info);
  EXPECT_EQ(c.CountNonWhite(), 0);
  // The same closed polygon is filled.
  auto closed = Poly({{0, 0}, {15, 0}, {15, 15}, {0, 15}}, true);
  closed->fill.fillColor = Rgb(255, 0, 0);
  closed->Draw(&info);
  EXPECT_EQ(c.At(30, 30), 0xFF0000u);
}

TEST_P(FillGolden, AllBuiltinHatches) {
  Canvas c(7 * 90, 3 * 90);
  cDrawInfo info(c.Mapping(2.0), nullptr, Dc(c), Raster(c));
  for (int n = 1; n <= 21; ++n) {
    const double x = ((n - 1) % 7) * 90 / 8.0 + 0.625, y = ((n - 1) / 7) * 90 / 8.0 + 0.625;
    auto r = Rect(x, y, x + 10, y + 10);
    r->fill.hatchKind = std::uint8_t(n);
    r->fill.hatchColor = n % 2 ? Rgb(0, 0, 0) : Rgb(0, 0, 160);
    r->fill.hatchValue = 0.1;
    r->stroke.lineType = 1;
    r->stroke.width = 0;
    r->Draw(&info);
  }
  test::ExpectMatchesGolden(c.Picture(), Golden("fill_builtin_hatches"), kTolerance);
}

TEST_P(FillGolden, HatchFamiliesOfAFillStyle) {
  cDrawingData data;
  auto style = std::make_unique<cStyleFill>();
  style->hatchKind = kSymbolHatch;
  style->hatchColor = Rgb(0, 90, 0);
  HatchLine lines[3];
  lines[0].params[1] = 1.5;                     // horizontal, unbroken
  lines[1].params[1] = 2.0;                     // 60 degrees, dashed, shifted
  lines[1].params[0] = 0.75;
  lines[1].params[2] = 60;
  lines[1].dashes = {1.5, -0.5, 0.0, -0.5};
  lines[2].values[0] = 0.5;                     // -30 degrees, dots
  lines[2].params[1] = 3.0;
  lines[2].params[2] = -30;
  lines[2].dashes = {0.0, -1.0};
  for (HatchLine& l : lines) style->hatchLines.push_back(l);
  const std::uint16_t index = data.FillStyles().Add(std::move(style));

  Canvas c(260, 140);
  cDrawInfo info(c.Mapping(2.0, 10, 10), &data, Dc(c), Raster(c));
  auto tri = Poly({{0, 0}, {28, 0}, {14, 15}}, true);
  DrawAttributes look;
  look.fillStyle = index;
  look.ApplyFillTo(*tri, tri->fill);
  tri->stroke.lineType = 1;
  tri->Draw(&info);
  EXPECT_EQ(c.At(10 + 60, 10 + 12), 0x005A00u);  // a horizontal line at y = 1.5
  test::ExpectMatchesGolden(c.Picture(), Golden("fill_hatch_families"), kTolerance);
}

TEST_P(FillGolden, PatternTilesAreSeamlessAndFixedToTheWorldGrid) {
  // Pattern 16 (40 x 20 in eighths) at scale 1 and mapping 2: 40 x 20 pixels.
  const bool device = GetParam();
  auto draw = [device](Canvas& c, int shift, bool split) {
    cDrawInfo info(c.Mapping(2.0, 10 + shift, 10), nullptr, device ? c.surface.GetRasterDC() : nullptr,
                   device ? nullptr : &c.surface);
    auto fillWith = [&](double x1, double x2) {
      auto r = Rect(x1, 0, x2, 20);
      r->fill.hatchKind = 16;
      r->fill.hatchValue = 0.15;
      r->Draw(&info);
    };
    if (split) {
      fillWith(0, 13.3);
      fillWith(13.3, 30);
    } else {
      fillWith(0, 30);
    }
  };
  Canvas whole(300, 200), parts(300, 200), moved(300, 200);
  draw(whole, 0, false);
  draw(parts, 0, true);
  draw(moved, 7, false);  // the view scrolled by a fraction of a tile
  int differ = 0, movedDiffer = 0;
  for (int y = 12; y < 168; ++y)
    for (int x = 12; x < 240; ++x) {
      differ += whole.At(x, y) != parts.At(x, y);
      movedDiffer += whole.At(x, y) != moved.At(x + 7, y);
    }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(movedDiffer, 0);
  EXPECT_GT(whole.CountNonWhite(), 1000);
  test::ExpectMatchesGolden(whole.Picture(), Golden("fill_pattern_tiles"), kTolerance);
}

// A fill leaves the path it filled as it found it: what the hatch layer
// draws (lines, pattern objects in tiles) goes into the second piece list, so
// a filled object strokes the very path it filled.
TEST_P(FillGolden, FillLeavesThePathItFilled) {
  Canvas c(200, 120);
  cDrawInfo info(c.Mapping(2.0, 10, 10), nullptr, Dc(c), Raster(c));
  auto ring = Poly({{0, 0}, {40, 0}, {40, 25}, {0, 25}}, true);
  PointList& hole = ring->AddList();
  const DPoint inner[] = {{10, 5}, {30, 5}, {20, 20}};
  hole.SetPoints(inner, 3);
  hole.SetClosed(true);
  ring->MarkDirty();
  ring->UpdateIfDirty(nullptr);
  for (int n = 0; n <= 21; ++n) {
    ring->fill.hatchKind = std::uint8_t(n);
    ring->fill.hatchValue = 0.1;
    ring->fill.fillColor = Rgb(200, 230, 255);
    PathBuffer::Empty();
    for (std::uint32_t i = 0; i < ring->ListCount(); ++i) {
      CubicArray records;
      ring->List(i).ToBeziers(records);
      AppendOutlinePiece(info.mapping, records, true);
    }
    std::vector<std::vector<DeviceSegment>> before;
    for (std::uint32_t i = 0; i < PathBuffer::PieceCount(); ++i)
      before.emplace_back(PathBuffer::Piece(i)->Items(), PathBuffer::Piece(i)->Items() + PathBuffer::Piece(i)->Count());
    info.FillPath(*ring);
    ASSERT_EQ(PathBuffer::PathMode(), 0) << n;
    ASSERT_EQ(PathBuffer::PieceCount(), before.size()) << n;
    for (std::uint32_t i = 0; i < PathBuffer::PieceCount(); ++i) {
      const SegmentArray* piece = PathBuffer::Piece(i);
      EXPECT_EQ(std::vector<DeviceSegment>(piece->Items(), piece->Items() + piece->Count()), before[i]) << n;
      EXPECT_EQ(piece->closed, 1) << n;
    }
  }
  PathBuffer::Empty();
  EXPECT_GT(c.CountNonWhite(), 500);
}

INSTANTIATE_TEST_SUITE_P(Roads, FillGolden, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "Device" : "Raster"; });

}  // namespace
}  // namespace kvn
