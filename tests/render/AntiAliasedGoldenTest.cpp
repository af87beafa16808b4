// The anti-aliased fill against reviewed pictures: circles, a glyph contour
// (plain, and turned by 30 degrees, mirrored and stretched), and a
// self-intersecting star in the smooth and the hard-edged mode. The fill is
// integer arithmetic from end to end, so the pictures must match exactly.
//
// Reviewed pictures: tests/golden/aa_*.png (see tests/support/GoldenImage.h
// for rewriting them).
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "render/AntiAliasedFill.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kTolerance = 0;

std::unique_ptr<cRasterSurface> Surface(int width, int height, std::uint32_t mode) {
  auto s = std::make_unique<cRasterSurface>(true);
  if (!s->Prepare(TRect{0, 0, width, height})) return nullptr;
  s->FillRect(0, 0, width, height, 0xFFFFFFFF);
  s->SetAntiAliasMode(mode);
  return s;
}

test::Picture Pixels(const cRasterSurface& s) {
  return test::PictureFromBgra(s.Bits(), s.Width(), s.Height());
}

TEST(AntiAliasedGoldenTest, Circles) {
  auto s = Surface(160, 64, 1);
  ASSERT_TRUE(FillCircleAntiAliased(*s, 30, 32, 25, Rgb(200, 30, 30)));
  ASSERT_TRUE(FillCircleAntiAliased(*s, 80.5, 32.25, 12.3, Rgb(20, 90, 200)));
  ASSERT_TRUE(FillCircleAntiAliased(*s, 110, 20, 3, Rgb(0, 0, 0)));
  ASSERT_TRUE(FillCircleAntiAliased(*s, 125, 45, 1.5, Rgb(0, 0, 0)));
  s->SetAntiAliasMode(2);
  ASSERT_TRUE(FillCircleAntiAliased(*s, 140, 20, 10, Rgb(0, 120, 0)));
  test::ExpectMatchesGolden(Pixels(*s), "aa_circle", kTolerance);
}

// Builds contours from moves, lines and cubics in font pixels (y up).
class ContourBuilder {
 public:
  void Move(double x, double y) {
    contours_.Add(new GlyphContour);
    Point(x, y);
  }
  void Line(double x, double y) {
    const GlyphPoint last = Last();
    Current().Add(last);
    Point(x, y);
    Point(x, y);
  }
  void Cubic(double x1, double y1, double x2, double y2, double x3, double y3) {
    Point(x1, y1);
    Point(x2, y2);
    Point(x3, y3);
  }
  const OwnedArray<GlyphContour>& Contours() const { return contours_; }

 private:
  GlyphContour& Current() { return *contours_[contours_.Count() - 1]; }
  GlyphPoint Last() { return Current()[Current().Count() - 1]; }
  void Point(double x, double y) {
    Current().Add(GlyphPoint{std::int32_t(std::lround(x * 65536)), std::int32_t(std::lround(y * 65536))});
  }
  OwnedArray<GlyphContour> contours_;
};

// A "D" of 40 font pixels with its counter.
void LetterD(ContourBuilder& b) {
  b.Move(0, 0);
  b.Line(0, 40);
  b.Line(14, 40);
  b.Cubic(28, 40, 34, 30, 34, 20);
  b.Cubic(34, 10, 28, 0, 14, 0);
  b.Move(8, 8);
  b.Line(14, 8);
  b.Cubic(22, 8, 26, 13, 26, 20);
  b.Cubic(26, 27, 22, 32, 14, 32);
  b.Line(8, 32);
}

TEST(AntiAliasedGoldenTest, GlyphTurnedMirroredAndStretched) {
  auto s = Surface(200, 90, 1);
  ContourBuilder b;
  LetterD(b);
  GlyphTransform plain;
  plain.originX = 20 * 1024;
  plain.originY = 70 * 1024;
  ASSERT_TRUE(FillAntiAliased(*s, &b.Contours(), &plain, nullptr, 0, nullptr, Rgb(0, 0, 0), -1));
  // 30 degrees counter-clockwise on screen, mirrored, 1.5 times as wide.
  GlyphTransform turned;
  turned.originX = 150 * 1024;
  turned.originY = 75 * 1024;
  turned.cosine = std::int32_t(std::lround(1024 * std::cos(M_PI / 6)));
  turned.sine = -std::int32_t(std::lround(1024 * std::sin(M_PI / 6)));
  turned.stretch = 1536;
  turned.mirrorX = 1;
  ASSERT_TRUE(FillAntiAliased(*s, &b.Contours(), &turned, nullptr, 0, nullptr, Rgb(0, 60, 160), -1));
  test::ExpectMatchesGolden(Pixels(*s), "aa_glyph", kTolerance);
}

TEST(AntiAliasedGoldenTest, StarSmoothAndHard) {
  auto s = Surface(200, 100, 1);
  auto star = [&](double cx, double cy) {
    SegmentArray piece;
    piece.closed = 1;
    std::int32_t px = 0, py = 0;
    for (int k = 0; k <= 5; ++k) {
      const double a = (-90.0 + 144.0 * k) * M_PI / 180.0;
      const std::int32_t x = std::int32_t(std::lround((cx + 45 * std::cos(a)) * 256));
      const std::int32_t y = std::int32_t(std::lround((cy + 45 * std::sin(a)) * 256));
      if (k > 0) piece.Append(DeviceSegment::Line(px, py, x, y));
      px = x;
      py = y;
    }
    return piece;
  };
  SegmentArray left = star(50, 52);
  SegmentArray* pieces[] = {&left};
  ASSERT_TRUE(FillAntiAliased(*s, nullptr, nullptr, pieces, 1, nullptr, Rgb(40, 40, 40), -1));
  s->SetAntiAliasMode(2);
  SegmentArray right = star(150, 52);
  pieces[0] = &right;
  ASSERT_TRUE(FillAntiAliased(*s, nullptr, nullptr, pieces, 1, nullptr, Rgb(40, 40, 40), -1));
  test::ExpectMatchesGolden(Pixels(*s), "aa_star", kTolerance);
}

}  // namespace
}  // namespace kvn
