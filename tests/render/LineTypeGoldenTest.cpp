// The built-in line types 1 to 18 against a reviewed picture, at 100 % and
// 400 %, drawn both ways: onto the raster surface (software dashes, the
// surface's own lines) and through its device context (pens, dashed by the
// pen where it can). Columns: raster 100 %, raster 400 %, device 100 %,
// device 400 %; one row per line type, type 1 at the top.
//
// The reviewed picture is tests/golden/line_types.png (see
// tests/support/GoldenImage.h for rewriting it).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "model/cLine.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kColumn = 180;
constexpr int kRow = 12;
constexpr int kWidth = 4 * kColumn;
constexpr int kHeight = 18 * kRow + 8;
// Per-channel difference allowed: the device road's anti-aliasing may move
// by a few levels between cairo builds.
constexpr int kTolerance = 8;

// The surface's pixels.
test::Picture Pixels(const cRasterSurface& s) {
  s.Flush();
  test::Picture out{kWidth, kHeight, {}};
  out.pixels.reserve(std::size_t(kWidth) * kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) out.pixels.push_back(*s.PixelAt(x, y) & 0xFFFFFF);
  return out;
}

// One column: the 18 line types, each a horizontal line 160 pixels long.
void DrawColumn(cRasterSurface& surface, bool throughDevice, double scale, int column) {
  WorldMapping m;
  m.scale = scale;
  m.offsetX = column * kColumn + 10;
  m.offsetY = 8;
  m.deviceClip = {0, 0, kWidth, kHeight};
  cDrawInfo info(m, nullptr, throughDevice ? surface.GetRasterDC() : nullptr,
                 throughDevice ? nullptr : &surface);
  const double length = 160.0 / (4.0 * scale);
  for (int type = 1; type <= 18; ++type) {
    cLine line;
    const double y = (type - 1) * kRow / (4.0 * scale);
    line.start = {0, y};
    line.end = {length, y};
    line.stroke.lineType = std::uint8_t(type);
    line.stroke.color = type % 3 == 0 ? Rgb(200, 0, 0) : Rgb(0, 0, 0);
    line.Draw(&info);
  }
}

TEST(LineTypeGolden, BuiltinTypesMatchTheReviewedPicture) {
  ResetPenCache();
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  DrawColumn(surface, false, 1.0, 0);
  DrawColumn(surface, false, 4.0, 1);
  DrawColumn(surface, true, 1.0, 2);
  DrawColumn(surface, true, 4.0, 3);
  test::ExpectMatchesGolden(Pixels(surface), "line_types", kTolerance);

}

}  // namespace
}  // namespace kvn
