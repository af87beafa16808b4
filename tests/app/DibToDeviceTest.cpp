// Pictures copied to a device: at a point, centred, centred on a filled
// rectangle, and through the memory context that lands on its target.
#include "app/DibToDevice.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr std::int32_t kW = 20, kH = 12;

// A 4 x 2 picture: red top row, blue bottom row.
TDib Picture() {
  TDib dib;
  EXPECT_TRUE(dib.Create(4, -2, 24));
  for (int x = 0; x < 4; ++x) {
    dib.SetPixel(x, 0, 0xFF0000);  // raw 0x00RRGGBB
    dib.SetPixel(x, 1, 0x0000FF);
  }
  return dib;
}

struct Target {
  std::vector<std::uint8_t> bits = std::vector<std::uint8_t>(std::size_t(kW) * kH * 4);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), kW, kH);
  Target() { dc->FillSolidRect(TRect{0, 0, kW, kH}, 0xFFFFFF); }
  test::Picture Read() {
    dc->Flush();
    return test::PictureFromBgra(bits.data(), kW, kH);
  }
};

TEST(DibToDevice, AtAPointCentredAndFilled) {
  const TDib dib = Picture();
  {
    Target t;
    EXPECT_TRUE(SetDibToDevice(*t.dc, 3, 5, dib));
    const test::Picture p = t.Read();
    EXPECT_EQ(p.At(3, 5), 0xFF0000u);
    EXPECT_EQ(p.At(6, 6), 0x0000FFu);
    EXPECT_EQ(p.At(7, 5), 0xFFFFFFu);
    EXPECT_EQ(p.At(2, 5), 0xFFFFFFu);
  }
  {
    Target t;
    // (10 - 4) / 2 = 3 and (6 - 2) / 2 = 2 inside the rectangle at (2, 2).
    EXPECT_TRUE(SetDibToDeviceCenteredFilled(*t.dc, TRect{2, 2, 12, 8}, dib, 0x00FF00));
    const test::Picture p = t.Read();
    EXPECT_EQ(p.At(5, 4), 0xFF0000u);
    EXPECT_EQ(p.At(8, 5), 0x0000FFu);
    EXPECT_EQ(p.At(2, 2), 0x00FF00u);
    EXPECT_EQ(p.At(11, 7), 0x00FF00u);
    EXPECT_EQ(p.At(12, 8), 0xFFFFFFu);
  }
  Target t;
  EXPECT_FALSE(SetDibToDevice(*t.dc, 0, 0, TDib()));
}

TEST(DibToDevice, BitmapContextLandsOnItsTargetWhenItGoes) {
  Target t;
  {
    MyBitmapDC memory(*t.dc, TRect{4, 3, 10, 7}, 0x0000FF);
    ASSERT_NE(memory.DC(), nullptr);
    memory.DC()->FillSolidRect(TRect{0, 0, 2, 2}, 0x00FF00);
    // Nothing on the target before the context goes.
    EXPECT_EQ(t.Read().At(4, 3), 0xFFFFFFu);
  }
  const test::Picture p = t.Read();
  EXPECT_EQ(p.At(4, 3), 0x00FF00u);
  EXPECT_EQ(p.At(9, 6), 0xFF0000u);
  EXPECT_EQ(p.At(10, 6), 0xFFFFFFu);
  EXPECT_EQ(p.At(3, 3), 0xFFFFFFu);
  // An empty rectangle still makes a 1 x 1 picture.
  MyBitmapDC tiny(*t.dc, TRect{5, 5, 5, 5}, 0);
  EXPECT_NE(tiny.DC(), nullptr);
}

}  // namespace
}  // namespace kvn
