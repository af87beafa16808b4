// The built-in line types 1 to 18 against a reviewed picture, at 100 % and
// 400 %, drawn both ways: onto the raster surface (software dashes, the
// surface's own lines) and through its device context (pens, dashed by the
// pen where it can). Columns: raster 100 %, raster 400 %, device 100 %,
// device 400 %; one row per line type, type 1 at the top.
//
// KVN_UPDATE_GOLDEN=1 rewrites tests/golden/line_types.png. A failed
// comparison writes the actual picture and a difference picture (changed
// pixels red over a faded copy of the expected one) to golden-out/ beside
// the test program.
#include <cairo.h>
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

namespace kvn {
namespace {

constexpr int kColumn = 180;
constexpr int kRow = 12;
constexpr int kWidth = 4 * kColumn;
constexpr int kHeight = 18 * kRow + 8;
// Per-channel difference allowed: the device road's anti-aliasing may move
// by a few levels between cairo builds.
constexpr int kTolerance = 8;

std::filesystem::path GoldenFile() {
  return std::filesystem::path(__FILE__).parent_path().parent_path() / "golden" / "line_types.png";
}

std::filesystem::path OutputDir() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (ec ? std::filesystem::current_path() : exe.parent_path()) / "golden-out";
}

// B, G, R, A rows of the surface.
std::vector<std::uint8_t> Pixels(const cRasterSurface& s) {
  s.Flush();
  std::vector<std::uint8_t> out(std::size_t(kWidth) * kHeight * 4);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      const std::uint32_t v = *s.PixelAt(x, y);
      std::uint8_t* p = &out[(std::size_t(y) * kWidth + x) * 4];
      p[0] = std::uint8_t(v);
      p[1] = std::uint8_t(v >> 8);
      p[2] = std::uint8_t(v >> 16);
      p[3] = 255;
    }
  return out;
}

bool WritePng(const std::vector<std::uint8_t>& bgra, const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
  cairo_surface_flush(s);
  std::uint8_t* d = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth * 4; ++x) d[y * stride + x] = bgra[std::size_t(y) * kWidth * 4 + x];
  cairo_surface_mark_dirty(s);
  const bool ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(s);
  return ok;
}

bool ReadPng(const std::filesystem::path& path, std::vector<std::uint8_t>* bgra) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_width(s) == kWidth &&
                  cairo_image_surface_get_height(s) == kHeight;
  if (ok) {
    cairo_surface_flush(s);
    const std::uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    bgra->assign(std::size_t(kWidth) * kHeight * 4, 255);
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        for (int k = 0; k < 3; ++k) (*bgra)[(std::size_t(y) * kWidth + x) * 4 + k] = d[y * stride + x * 4 + k];
  }
  cairo_surface_destroy(s);
  return ok;
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
  const std::vector<std::uint8_t> pixels = Pixels(surface);

  const char* update = std::getenv("KVN_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(WritePng(pixels, GoldenFile()));
    GTEST_SKIP() << "golden picture rewritten: " << GoldenFile() << " (review it before committing)";
  }
  std::vector<std::uint8_t> expected;
  ASSERT_TRUE(ReadPng(GoldenFile(), &expected))
      << "cannot read " << GoldenFile() << "; run with KVN_UPDATE_GOLDEN=1 to make it";

  int bad = 0, worst = 0;
  std::vector<std::uint8_t> diff(pixels.size());
  for (std::size_t i = 0; i < pixels.size(); i += 4) {
    int d = 0;
    for (int k = 0; k < 3; ++k) d = std::max(d, std::abs(int(pixels[i + k]) - int(expected[i + k])));
    worst = std::max(worst, d);
    const bool off = d > kTolerance;
    bad += off;
    for (int k = 0; k < 3; ++k) diff[i + k] = off ? (k == 2 ? 255 : 0) : std::uint8_t(191 + expected[i + k] / 4);
    diff[i + 3] = 255;
  }
  if (bad > 0) {
    WritePng(pixels, OutputDir() / "line_types.actual.png");
    WritePng(diff, OutputDir() / "line_types.diff.png");
  }
  EXPECT_EQ(bad, 0) << bad << " pixels differ by more than " << kTolerance << " (worst " << worst
                    << "); pictures in " << OutputDir();
}

}  // namespace
}  // namespace kvn
