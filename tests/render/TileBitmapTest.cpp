// The tile bitmap and its transfer: only the pattern pixels reach the
// target, in white, a colour or black; the complement stays untouched; the
// tile's colour table and the target's colours are as before afterwards.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/Region.h"
#include "render/TileBitmap.h"

namespace kvn {
namespace {

constexpr int kW = 24, kH = 16;

struct Target {
  explicit Target(COLORREF fill) : pixels(std::size_t(kW + 10) * (kH + 10), 0) {
    dc = RasterDC::Create(reinterpret_cast<std::uint8_t*>(pixels.data()), kW + 10, kH + 10);
    dc->FillSolidRect(TRect{0, 0, kW + 10, kH + 10}, fill);
  }
  std::vector<std::uint32_t> pixels;
  std::unique_ptr<RasterDC> dc;
};

TEST(TileBitmapTest, EnsureKeepsALargeEnoughBitmapAndReplacesASmallerOne) {
  TileBitmap tile;
  EXPECT_EQ(tile.Bitmap(), nullptr);
  ASSERT_TRUE(tile.Ensure(40, 20));
  TMonoDibSection* first = tile.Bitmap();
  EXPECT_EQ(first->GetColor(0), Rgb(0, 0, 0));
  EXPECT_EQ(first->GetColor(1), Rgb(255, 255, 255));
  EXPECT_EQ(tile.Bits(), first->Bits());
  ASSERT_TRUE(tile.Ensure(30, 20));
  EXPECT_EQ(tile.Bitmap(), first);
  ASSERT_TRUE(tile.Ensure(30, 21));
  EXPECT_EQ(tile.Width(), 30);
  EXPECT_EQ(tile.Height(), 21);
  EXPECT_FALSE(tile.Ensure(40000, 10));
  EXPECT_EQ(tile.Bitmap(), nullptr);
  EXPECT_EQ(tile.Bits(), nullptr);
}

// A seeded pattern of black pixels (index 0) in a white tile, with the
// left columns outside the area.
struct Pattern {
  Pattern() {
    EXPECT_TRUE(tile.Ensure(kW, kH));
    TMonoDibSection& t = *tile.Bitmap();
    std::mt19937 rng(7);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) t.SetBit(x, y, rng() % 3 == 0 ? 0 : 1);
  }
  bool Painted(int x, int y) { return x >= 3 && tile.Bitmap()->GetBit(x, y) == 0; }
  TileBitmap tile;
  TRegion complement{TRect{0, 0, 3, kH}};
  TRect box{5, 4, 5 + kW, 4 + kH};
};

void ExpectTransfer(COLORREF background, COLORREF color) {
  Pattern p;
  // What is painted is decided before the transfer changes the tile.
  std::vector<bool> painted;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) painted.push_back(p.Painted(x, y));
  Target t(background);
  t.dc->SetBkColor(Rgb(1, 2, 3));
  t.dc->SetTextColor(Rgb(4, 5, 6));
  TransferTile(*t.dc, p.complement, p.box, *p.tile.Bitmap(), color);
  int count = 0;
  for (int y = 0; y < kH + 10; ++y) {
    for (int x = 0; x < kW + 10; ++x) {
      const int tx = x - p.box.left, ty = y - p.box.top;
      const bool inBox = tx >= 0 && ty >= 0 && tx < kW && ty < kH;
      const bool expect = inBox && painted[std::size_t(ty * kW + tx)];
      count += expect;
      ASSERT_EQ(t.dc->GetPixel(x, y), expect ? color : background) << x << "," << y;
    }
  }
  EXPECT_GT(count, 20);
  EXPECT_EQ(t.dc->GetBkColor(), Rgb(1, 2, 3));
  EXPECT_EQ(t.dc->GetTextColor(), Rgb(4, 5, 6));
  EXPECT_EQ(p.tile.Bitmap()->GetColor(0), Rgb(0, 0, 0));
  EXPECT_EQ(p.tile.Bitmap()->GetColor(1), Rgb(255, 255, 255));
}

TEST(TileBitmapTest, WhiteOntoBlackPaintsExactlyThePatternPixels) { ExpectTransfer(Rgb(0, 0, 0), Rgb(255, 255, 255)); }

TEST(TileBitmapTest, RedOntoGreyPaintsExactlyThePatternPixels) {
  ExpectTransfer(Rgb(0x80, 0x90, 0xA0), Rgb(255, 0, 0));
}

TEST(TileBitmapTest, BlackOntoWhitePaintsExactlyThePatternPixels) {
  ExpectTransfer(Rgb(255, 255, 255), Rgb(0, 0, 0));
}

}  // namespace
}  // namespace kvn
