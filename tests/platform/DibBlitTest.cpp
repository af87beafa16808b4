// StretchDIBits and SetDIBitsToDevice: every uncompressed depth, row order
// and source rectangle reaches the pixels through the blit.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/TDib.h"

namespace kvn {
namespace {

struct Canvas {
  explicit Canvas(int w, int h) : width(w), bits(std::size_t(w) * h * 4, 0xFF) {
    dc = RasterDC::Create(bits.data(), w, h);
  }
  // 0x00RRGGBB
  std::uint32_t At(int x, int y) {
    dc->Flush();
    const std::uint8_t* p = &bits[(std::size_t(y) * width + x) * 4];
    return std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
  }
  int width;
  std::vector<std::uint8_t> bits;
  std::unique_ptr<RasterDC> dc;
};

// Top-left red, top-right green, bottom-left blue, bottom-right white.
constexpr std::uint32_t kColors[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

void Paint(TDib& dib) {
  for (int i = 0; i < 4; ++i) {
    const int x = i % 2, y = i / 2;
    switch (dib.BitCount()) {
      case 1: case 4: case 8:
        dib.SetPixel(x, y, std::uint32_t(i));
        break;
      case 16: {
        const std::uint32_t c = kColors[i];
        dib.SetPixel(x, y, ((c >> 19) & 0x1F) << 10 | ((c >> 11) & 0x1F) << 5 | ((c >> 3) & 0x1F));
        break;
      }
      default:
        dib.SetPixel(x, y, kColors[i]);
    }
  }
}

void ExpectQuadrants(Canvas& c) {
  EXPECT_EQ(c.At(0, 0), 0xFF0000u);
  EXPECT_EQ(c.At(3, 1), 0x00FF00u);
  EXPECT_EQ(c.At(1, 3), 0x0000FFu);
  EXPECT_EQ(c.At(3, 3) & 0xF8F8F8, 0xF8F8F8u);
}

TEST(StretchDIBits, EveryUncompressedDepthAndRowOrder) {
  for (std::uint16_t bits : {1, 4, 8, 16, 24, 32}) {
    for (int order : {2, -2}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, height " << order);
      TDib dib;
      ASSERT_TRUE(dib.Create(2, order, bits));
      if (bits <= 8) {
        for (std::uint32_t i = 0; i < 4 && i < dib.PaletteCount(); ++i) dib.SetPaletteEntry(i, kColors[i]);
        if (bits == 1) dib.SetPaletteEntry(1, kColors[3]);
      }
      Paint(dib);
      if (bits == 1) continue;  // two colours only: checked below
      Canvas c(4, 4);
      EXPECT_EQ(c.dc->StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, dib, kSrcCopy), 2);
      ExpectQuadrants(c);
    }
  }
}

TEST(StretchDIBits, BitFieldsAndOneBitPictures) {
  // 16-bit 5-6-5 through explicit masks.
  std::vector<std::uint8_t> packed(40 + 12 + 8, 0);
  le::Put32(&packed[0], 40);
  le::Put32(&packed[4], 2);
  le::Put32(&packed[8], std::uint32_t(-2));
  le::Put16(&packed[12], 1);
  le::Put16(&packed[14], 16);
  le::Put32(&packed[16], kBiBitFields);
  le::Put32(&packed[40], 0xF800);
  le::Put32(&packed[44], 0x07E0);
  le::Put32(&packed[48], 0x001F);
  const std::uint16_t words[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  for (int i = 0; i < 4; ++i) le::Put16(&packed[52 + (i / 2) * 4 + (i % 2) * 2], words[i]);
  TDib dib;
  ASSERT_TRUE(dib.LoadPackedDib(packed.data(), packed.size()));
  Canvas c(4, 4);
  EXPECT_EQ(c.dc->StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, dib, kSrcCopy), 2);
  ExpectQuadrants(c);

  TDib mono;
  ASSERT_TRUE(mono.Create(2, 2, 1));
  mono.SetPaletteEntry(0, 0x000000);
  mono.SetPaletteEntry(1, 0xFF8000);
  mono.SetPixel(1, 0, 1);
  Canvas m(2, 2);
  EXPECT_EQ(m.dc->SetDIBitsToDevice(0, 0, 2, 2, 0, 0, mono), 2);
  EXPECT_EQ(m.At(0, 0), 0x000000u);
  EXPECT_EQ(m.At(1, 0), 0xFF8000u);
}

TEST(StretchDIBits, SourceRowsCountFromTheBottomOfABottomUpPicture) {
  TDib up, down;
  ASSERT_TRUE(up.Create(2, 2, 24));
  ASSERT_TRUE(down.Create(2, -2, 24));
  Paint(up);
  Paint(down);
  Canvas a(1, 1), b(1, 1);
  a.dc->SetDIBitsToDevice(0, 0, 1, 1, 0, 0, up);
  b.dc->SetDIBitsToDevice(0, 0, 1, 1, 0, 0, down);
  EXPECT_EQ(a.At(0, 0), 0x0000FFu);  // the bottom-left pixel
  EXPECT_EQ(b.At(0, 0), 0xFF0000u);  // the top-left pixel
}

TEST(StretchDIBits, MirrorsForNegativeExtentsAndFollowsTheWorldTransform) {
  TDib dib;
  ASSERT_TRUE(dib.Create(2, 2, 24));
  Paint(dib);
  Canvas c(4, 4);
  c.dc->StretchDIBits(4, 0, -4, 4, 0, 0, 2, 2, dib, kSrcCopy);
  EXPECT_EQ(c.At(3, 0), 0xFF0000u);
  EXPECT_EQ(c.At(0, 0), 0x00FF00u);
  Canvas t(4, 4);
  t.dc->SetGraphicsMode(kGmAdvanced);
  t.dc->SetWorldTransform(XForm{0, 1, -1, 0, 4, 0});  // a quarter turn
  t.dc->StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, dib, kSrcCopy);
  EXPECT_EQ(t.At(3, 0), 0xFF0000u);
  EXPECT_EQ(t.At(3, 3), 0x00FF00u);
}

TEST(StretchDIBits, CompressedAndEmptyPicturesDrawNothingAndTheLogShowsTheCall) {
  RecordingDC dc;
  TDib empty;
  EXPECT_EQ(dc.StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, empty, kSrcCopy), 0);
  TDib dib;
  ASSERT_TRUE(dib.Create(2, 2, 8));
  EXPECT_EQ(dc.StretchDIBits(0, 0, 4, 4, 0, 0, 2, 2, dib, kSrcCopy), 2);
  EXPECT_EQ(dc.calls.back(), "StretchDIBits 0 0 4 4 0 0 2 2 dib(2x2x8) SRCCOPY");
}

}  // namespace
}  // namespace kvn
