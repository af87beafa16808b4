// The 1-bit DIB section: its bit layout, drawing through its device context
// (nearest table colour, clip, DSTINVERT on indexes), colour-table edits
// taking effect at once, and blits from it onto a raster target with each
// bitwise operation.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gdi/MonoDib.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/Region.h"

namespace kvn {
namespace {

constexpr COLORREF kBlack = Rgb(0, 0, 0);
constexpr COLORREF kWhite = Rgb(255, 255, 255);

struct Target {
  Target(int w, int h, COLORREF fill) : width(w), pixels(std::size_t(w) * h, 0) {
    dc = RasterDC::Create(reinterpret_cast<std::uint8_t*>(pixels.data()), w, h);
    dc->FillSolidRect(TRect{0, 0, w, h}, fill);
  }
  COLORREF At(int x, int y) { return dc->GetPixel(x, y); }
  int width;
  std::vector<std::uint32_t> pixels;
  std::unique_ptr<RasterDC> dc;
};

TEST(MonoDibTest, BitsAreBottomUpRowsOfWholeWordsHighBitFirst) {
  EXPECT_EQ(TMonoDibSection::Create(0, 4), nullptr);
  EXPECT_EQ(TMonoDibSection::Create(4, 40000), nullptr);
  auto s = TMonoDibSection::Create(33, 3);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->Stride(), 8);
  EXPECT_EQ(s->GetColor(0), kBlack);
  EXPECT_EQ(s->GetColor(1), kWhite);
  s->SetBit(0, 0, 1);   // top-left: last row in memory, highest bit
  s->SetBit(32, 2, 1);  // bottom row, second word
  EXPECT_EQ(s->Bits()[2 * 8], 0x80);
  EXPECT_EQ(s->Bits()[4], 0x80);
  // Writes to the bits are seen by the device context.
  s->MutableBits()[8 + 0] = 0x40;  // middle row, pixel 1
  EXPECT_EQ(s->DC()->GetPixel(1, 1), kWhite);
  EXPECT_EQ(s->DC()->GetPixel(0, 1), kBlack);
  EXPECT_EQ(s->DC()->GetPixel(0, 0), kWhite);
}

TEST(MonoDibTest, DrawingSetsTheIndexOfTheNearerTableColour) {
  auto s = TMonoDibSection::Create(16, 8);
  TDC* dc = s->DC();
  dc->FillSolidRect(TRect{0, 0, 16, 8}, kWhite);
  dc->FillSolidRect(TRect{2, 1, 6, 4}, Rgb(200, 0, 0));  // nearer black
  dc->FillSolidRect(TRect{8, 1, 12, 4}, Rgb(200, 200, 100));  // nearer white
  EXPECT_EQ(s->GetBit(2, 1), 0);
  EXPECT_EQ(s->GetBit(5, 3), 0);
  EXPECT_EQ(s->GetBit(6, 3), 1);
  EXPECT_EQ(s->GetBit(9, 2), 1);
  EXPECT_EQ(dc->GetPixel(3, 2), kBlack);  // the device context shows table colours
  // A clip region limits the drawing; removed, it does not.
  TRegion clip(TRect{0, 0, 4, 8});
  dc->SelectClipRgn(&clip);
  dc->FillSolidRect(TRect{0, 0, 16, 8}, kBlack);
  dc->SelectClipRgn(nullptr);
  EXPECT_EQ(s->GetBit(3, 7), 0);
  EXPECT_EQ(s->GetBit(4, 7), 1);
  // With another table the same drawing picks other indexes.
  s->SetColor(0, Rgb(255, 0, 0));
  s->SetColor(1, Rgb(0, 0, 255));
  dc->FillSolidRect(TRect{0, 0, 16, 1}, Rgb(250, 10, 10));
  dc->FillSolidRect(TRect{0, 1, 16, 2}, Rgb(10, 10, 250));
  EXPECT_EQ(s->GetBit(9, 0), 0);
  EXPECT_EQ(s->GetBit(9, 1), 1);
}

TEST(MonoDibTest, DstInvertFlipsIndexesWhateverTheColours) {
  auto s = TMonoDibSection::Create(8, 2, Rgb(255, 0, 0), Rgb(0, 0, 0));
  s->SetBit(1, 0, 1);
  s->DC()->PatBlt(0, 0, 4, 2, kDstInvert);
  EXPECT_EQ(s->GetBit(0, 0), 1);
  EXPECT_EQ(s->GetBit(1, 0), 0);
  EXPECT_EQ(s->GetBit(3, 1), 1);
  EXPECT_EQ(s->GetBit(4, 1), 0);  // outside the rectangle
}

TEST(MonoDibTest, BlitsMapBitsThroughTheTableAsItIsThen) {
  auto s = TMonoDibSection::Create(4, 1);
  s->SetBit(0, 0, 0);
  s->SetBit(1, 0, 1);
  s->SetBit(2, 0, 0);
  s->SetBit(3, 0, 1);
  const COLORREF grey = Rgb(0x30, 0x60, 0x90);
  {
    Target t(4, 1, grey);
    ASSERT_TRUE(s->BlitTo(*t.dc, 0, 0, 4, 1, 0, 0, kSrcCopy));
    EXPECT_EQ(t.At(0, 0), kBlack);
    EXPECT_EQ(t.At(1, 0), kWhite);
  }
  {
    Target t(4, 1, grey);
    ASSERT_TRUE(s->BlitTo(*t.dc, 0, 0, 4, 1, 0, 0, kSrcAnd));
    EXPECT_EQ(t.At(0, 0), kBlack);
    EXPECT_EQ(t.At(1, 0), grey);
  }
  {
    // The table edited just before the blit: index 0 now red.
    s->SetColor(0, Rgb(255, 0, 0));
    s->SetColor(1, kBlack);
    Target t(4, 1, grey);
    ASSERT_TRUE(s->BlitTo(*t.dc, 0, 0, 4, 1, 0, 0, kSrcPaint));
    EXPECT_EQ(t.At(0, 0), Rgb(0xFF, 0x60, 0x90));
    EXPECT_EQ(t.At(1, 0), grey);
    s->SetColor(0, kBlack);
    s->SetColor(1, kWhite);
  }
  {
    Target t(4, 1, grey);
    ASSERT_TRUE(s->BlitTo(*t.dc, 1, 0, 2, 1, 2, 0, kDstInvert));
    EXPECT_EQ(t.At(0, 0), grey);
    EXPECT_EQ(t.At(1, 0), Rgb(0xCF, 0x9F, 0x6F));
    EXPECT_EQ(t.At(2, 0), Rgb(0xCF, 0x9F, 0x6F));
    EXPECT_EQ(t.At(3, 0), grey);
  }
  {
    // A source rectangle partly outside the section is cut to it.
    Target t(4, 1, grey);
    ASSERT_TRUE(s->BlitTo(*t.dc, 0, 0, 4, 1, 2, 0, kSrcCopy));
    EXPECT_EQ(t.At(0, 0), kBlack);
    EXPECT_EQ(t.At(1, 0), kWhite);
    EXPECT_EQ(t.At(2, 0), grey);
  }
}

}  // namespace
}  // namespace kvn
