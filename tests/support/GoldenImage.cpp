#include "tests/support/GoldenImage.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>

namespace kvn::test {

Picture PictureFromBgra(const std::uint8_t* bgra, std::int32_t width, std::int32_t height) {
  Picture p{width, height, {}};
  p.pixels.reserve(std::size_t(width) * std::size_t(height));
  for (std::size_t i = 0; i < std::size_t(width) * std::size_t(height); ++i) {
    const std::uint8_t* b = bgra + i * 4;
    p.pixels.push_back(std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16);
  }
  return p;
}

std::filesystem::path GoldenFile(const std::string& name) {
  // An absolute folder from the build: __FILE__ is relative to the build
  // folder when ccache rewrites paths, and tests run from other folders.
  return std::filesystem::path(KVN_GOLDEN_DIR) / (name + ".png");
}

std::filesystem::path GoldenOutputDir() {
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return (ec ? std::filesystem::current_path() : exe.parent_path()) / "golden-out";
}

bool WritePng(const Picture& p, const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.width, p.height);
  bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_flush(s);
    std::uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    for (std::int32_t y = 0; y < p.height; ++y)
      for (std::int32_t x = 0; x < p.width; ++x)
        *reinterpret_cast<std::uint32_t*>(d + std::size_t(y) * stride + std::size_t(x) * 4) = p.At(x, y);
    cairo_surface_mark_dirty(s);
    ok = cairo_surface_write_to_png(s, path.c_str()) == CAIRO_STATUS_SUCCESS;
  }
  cairo_surface_destroy(s);
  return ok;
}

bool ReadPng(const std::filesystem::path& path, Picture* p) {
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  const bool ok = cairo_surface_status(s) == CAIRO_STATUS_SUCCESS;
  if (ok) {
    cairo_surface_flush(s);
    p->width = cairo_image_surface_get_width(s);
    p->height = cairo_image_surface_get_height(s);
    const std::uint8_t* d = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    p->pixels.clear();
    for (std::int32_t y = 0; y < p->height; ++y)
      for (std::int32_t x = 0; x < p->width; ++x)
        p->pixels.push_back(*reinterpret_cast<const std::uint32_t*>(d + std::size_t(y) * stride + std::size_t(x) * 4) &
                            0xFFFFFF);
  }
  cairo_surface_destroy(s);
  return ok;
}

void ExpectMatchesGolden(const Picture& actual, const std::string& name, int tolerance) {
  const char* update = std::getenv("KVN_UPDATE_GOLDEN");
  if (update != nullptr && std::string(update) == "1") {
    ASSERT_TRUE(WritePng(actual, GoldenFile(name)));
    GTEST_SKIP() << "golden picture rewritten: " << GoldenFile(name) << " (review it before committing)";
  }
  Picture expected;
  ASSERT_TRUE(ReadPng(GoldenFile(name), &expected))
      << "cannot read " << GoldenFile(name) << "; run with KVN_UPDATE_GOLDEN=1 to make it";
  ASSERT_EQ(expected.width, actual.width);
  ASSERT_EQ(expected.height, actual.height);
  int bad = 0, worst = 0;
  Picture diff{actual.width, actual.height, {}};
  for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
    int d = 0;
    for (int shift : {0, 8, 16})
      d = std::max(d, std::abs(int((actual.pixels[i] >> shift) & 0xFF) - int((expected.pixels[i] >> shift) & 0xFF)));
    worst = std::max(worst, d);
    const bool off = d > tolerance;
    bad += off;
    const std::uint32_t e = expected.pixels[i];
    auto fade = [](std::uint32_t c) { return 191 + c / 4; };
    diff.pixels.push_back(off ? 0xFF0000
                              : (fade((e >> 16) & 0xFF) << 16) | (fade((e >> 8) & 0xFF) << 8) | fade(e & 0xFF));
  }
  if (bad > 0) {
    WritePng(actual, GoldenOutputDir() / (name + ".actual.png"));
    WritePng(diff, GoldenOutputDir() / (name + ".diff.png"));
  }
  EXPECT_EQ(bad, 0) << name << ": " << bad << " pixels differ by more than " << tolerance << " (worst " << worst
                    << "); pictures in " << GoldenOutputDir();
}

}  // namespace kvn::test
