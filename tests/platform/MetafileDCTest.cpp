// The metafile-recording target: what it records passes our own checks and,
// played back, draws what the same calls draw on the raster target; the
// header, the object table and its bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/GrowArray.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/EmfValidate.h"

namespace kvn {
namespace {

constexpr int kW = 120, kH = 90;

// A 4 x 4 block of sixteen colours, 32 bits a pixel: a blit of it shows
// which way it was turned.
const PixelView& Block() {
  static const std::vector<std::uint8_t> bits = [] {
    std::vector<std::uint8_t> b(4 * 4 * 4);
    for (std::size_t i = 0; i < 16; ++i) {
      b[4 * i] = std::uint8_t(16 * i), b[4 * i + 1] = std::uint8_t(255 - 16 * i), b[4 * i + 2] = 128, b[4 * i + 3] = 255;
    }
    return b;
  }();
  static const PixelView view{bits.data(), 4, 4, 16};
  return view;
}

// The device rectangles (inclusive) of the scene's blits, in drawing order.
const std::vector<TRect> kBlits = {{50, 20, 65, 35}, {2, 20, 17, 35}, {96, 70, 111, 85}, {100, 2, 103, 5}};

// The scene's pictures: one packed, sources mirrored across x and across y
// four times larger, a plain copy.
void DrawBlits(TDC& dc, const TDib& picture) {
  dc.StretchDIBits(50, 20, 16, 16, 0, 0, picture.Width(), picture.Height(), picture, kSrcCopy);
  dc.StretchBlt(2, 20, 16, 16, Block(), 4, 0, -4, 4, kSrcCopy);
  dc.StretchBlt(96, 70, 16, 16, Block(), 0, 4, 4, -4, kSrcCopy);
  dc.BitBlt(100, 2, 4, 4, Block(), 0, 0, kSrcCopy);
}

// The same calls on any target.
void DrawScene(TDC& dc, const TDib& picture) {
  dc.SetMapMode(kMmAnisotropic);
  dc.SelectObject(TPen(Rgb(200, 0, 0), 3));
  dc.SelectObject(TBrush(Rgb(0, 0, 255)));
  const TPoint triangle[] = {{10, 10}, {60, 15}, {30, 50}};
  dc.Polygon(triangle, 3);
  dc.SelectObject(TBrush(kHsCross, Rgb(0, 128, 0)));
  dc.SetBkMode(kTransparent);
  dc.Rectangle(70, 10, 110, 40);
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
  const TPoint line[] = {{5, 80}, {40, 60}, {70, 85}};
  dc.Polyline(line, 3);
  const TPoint curve[] = {{70, 60}, {80, 40}, {100, 90}, {115, 60}};
  dc.PolyBezier(curve, 4);
  dc.SaveDC();
  dc.IntersectClipRect(0, 0, 60, 90);
  dc.SelectObject(TBrush(Rgb(255, 200, 0)));
  dc.Ellipse(40, 55, 80, 88);
  dc.RestoreDC(-1);
  dc.BeginPath();
  dc.MoveTo(85, 45);
  dc.LineTo(115, 45);
  dc.LineTo(100, 58);
  dc.CloseFigure();
  dc.EndPath();
  dc.FillPath();
  dc.FillSolidRect(TRect{2, 2, 8, 8}, Rgb(255, 0, 255));
  DrawBlits(dc, picture);
}

TDib Checker() {
  TDib dib;
  dib.Create(4, 4, 24);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) dib.SetPixel(x, y, (x + y) % 2 ? 0x00FF0000u : 0x0000FF00u);
  return dib;
}

struct Canvas {
  std::vector<std::uint8_t> bits = std::vector<std::uint8_t>(kW * kH * 4, 0xFF);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), kW, kH);
};

ByteArray Record(const TDib& picture) {
  MetafileDC dc(MetafileFrame{0, 0, kW * 100, kH * 100}, TSize{kW, kH}, TSize{kW, kH});
  DrawScene(dc, picture);
  ByteArray bytes;
  EXPECT_TRUE(dc.Close(bytes));
  return bytes;
}

TEST(MetafileDC, RecordsAValidMetafileThatPlaysBackLikeTheRasterTarget) {
  const TDib picture = Checker();
  Canvas direct;
  DrawScene(*direct.dc, picture);
  direct.dc->Flush();

  const ByteArray bytes = Record(picture);
  EmfValidation validation;
  ASSERT_EQ(ValidateEmf(bytes.Items(), bytes.Count(), &validation), EmfCheck::Ok)
      << "failed at " << validation.failedAt;
  EXPECT_EQ(validation.header.bytes, bytes.Count());
  EXPECT_EQ(validation.header.frame.right, kW * 100);
  EXPECT_EQ(validation.header.deviceWidth, kW);
  EXPECT_EQ(validation.header.deviceWidthMm, kW);
  // Everything drawn lies in the bounds, which start at the leftmost stroke.
  EXPECT_LE(validation.header.bounds.left, 5);
  EXPECT_GE(validation.header.bounds.right, 114);
  EXPECT_GE(validation.header.handles, 5);

  auto emf = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  ASSERT_TRUE(emf);
  Canvas played;
  EmfPlayStats stats;
  ASSERT_TRUE(PlayEnhMetaFile(*played.dc, *emf, TRect{0, 0, kW, kH}, &stats));
  played.dc->Flush();
  EXPECT_EQ(stats.unplayed, 0u);

  int differing = 0, inked = 0;
  for (std::size_t i = 0; i < direct.bits.size(); i += 4) inked += direct.bits[i] != 0xFF || direct.bits[i + 1] != 0xFF;
  EXPECT_GT(inked, kW * kH / 5);
  for (std::size_t i = 0; i < direct.bits.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(int(direct.bits[i + c]) - int(played.bits[i + c])) > 48) {
        ++differing;
        break;
      }
    }
  }
  // Edges may fall a pixel apart between the two roads, and the hatch cells
  // start elsewhere; the shapes may not.
  EXPECT_LT(differing, kW * kH / 50) << differing << " pixels differ";
  // Pictures have no edges to fall apart: each lands where it was blitted,
  // pixel for pixel, turned as it was.
  for (const TRect& blit : kBlits) {
    for (int y = blit.top; y <= blit.bottom; ++y) {
      for (int x = blit.left; x <= blit.right; ++x) {
        const std::size_t i = (std::size_t(y) * kW + std::size_t(x)) * 4;
        ASSERT_EQ(std::memcmp(&direct.bits[i], &played.bits[i], 3), 0) << "at " << x << ", " << y;
      }
    }
  }
  // Each blit's record is bounded by exactly the pixels it covers.
  std::vector<std::array<std::int32_t, 4>> bounds, expected;
  for (std::uint32_t at = 0; at + 8 <= bytes.Count(); at += le::U32(bytes.Items() + at + 4)) {
    const std::uint8_t* r = bytes.Items() + at;
    if (le::U32(r) == 81) bounds.push_back({le::I32(r + 8), le::I32(r + 12), le::I32(r + 16), le::I32(r + 20)});
  }
  for (const TRect& blit : kBlits) expected.push_back({blit.left, blit.top, blit.right, blit.bottom});
  EXPECT_EQ(bounds, expected);
  // The pictures alone bound the metafile by their pixels.
  MetafileDC blits(MetafileFrame{0, 0, kW * 100, kH * 100}, TSize{kW, kH}, TSize{kW, kH});
  DrawBlits(blits, picture);
  ByteArray blitBytes;
  ASSERT_TRUE(blits.Close(blitBytes));
  ASSERT_EQ(ValidateEmf(blitBytes.Items(), blitBytes.Count(), &validation), EmfCheck::Ok);
  const auto& all = validation.header.bounds;
  EXPECT_EQ((std::array<std::int32_t, 4>{all.left, all.top, all.right, all.bottom}),
            (std::array<std::int32_t, 4>{2, 2, 111, 85}));
}

TEST(MetafileDC, LikeObjectsShareOneHandleAndTheTableStaysBounded) {
  MetafileDC dc(MetafileFrame{0, 0, 1000, 1000});
  dc.SelectObject(TPen(Rgb(1, 2, 3), 2));
  dc.LineTo(10, 10);
  dc.SelectObject(TPen(Rgb(1, 2, 3), 2));  // a like pen: no new object
  const std::uint32_t afterTwo = dc.Size();
  dc.SelectObject(TPen(Rgb(9, 9, 9), 2));
  dc.SelectObject(TPen(Rgb(1, 2, 3), 2));
  for (int i = 0; i < 3000; ++i) {
    dc.SelectObject(TPen(COLORREF(i), 1));
    dc.LineTo(i % 100, i % 50);
  }
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  EmfValidation validation;
  ASSERT_EQ(ValidateEmf(bytes.Items(), bytes.Count(), &validation), EmfCheck::Ok);
  EXPECT_LE(validation.header.handles, MetafileDC::kMaxLiveObjects + 2);
  EXPECT_GT(afterTwo, 0u);

  // Playback on the recording target sees 3003 pens made and every handle it
  // selects alive.
  auto emf = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  ASSERT_TRUE(emf);
  EmfPlayStats stats;
  std::vector<std::uint8_t> pixels(100 * 100 * 4);
  auto raster = RasterDC::Create(pixels.data(), 100, 100);
  ASSERT_TRUE(PlayEnhMetaFile(*raster, *emf, TRect{0, 0, 100, 100}, &stats));
  EXPECT_EQ(stats.unplayed, 0u);
}

TEST(MetafileDC, SavedSelectionsSurviveTheObjectSweep) {
  MetafileDC dc(MetafileFrame{0, 0, 1000, 1000});
  const TPen kept(Rgb(10, 20, 30), 4);
  dc.SelectObject(kept);
  dc.SaveDC();
  for (int i = 0; i < int(MetafileDC::kMaxLiveObjects) * 2; ++i) dc.SelectObject(TPen(COLORREF(1000 + i), 1));
  dc.RestoreDC(-1);
  dc.LineTo(50, 50);
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  // The pen selected before SaveDC was never deleted: no DELETEOBJECT names
  // the first handle.
  std::uint32_t firstPen = 0;
  bool deletedFirst = false;
  for (std::uint32_t at = 0; at + 8 <= bytes.Count();) {
    const std::uint8_t* r = bytes.Items() + at;
    const std::uint32_t type = le::U32(r), size = le::U32(r + 4);
    if (type == 38 && firstPen == 0) firstPen = le::U32(r + 8);  // EMR_CREATEPEN
    if (type == 40 && le::U32(r + 8) == firstPen) deletedFirst = true;  // EMR_DELETEOBJECT
    if (size == 0) break;
    at += size;
  }
  EXPECT_EQ(firstPen, 1u);
  EXPECT_FALSE(deletedFirst);
}

TEST(MetafileDC, RestoreDcIsRecordedRelative) {
  MetafileDC dc(MetafileFrame{0, 0, 1000, 1000});
  dc.SaveDC();
  dc.SaveDC();
  dc.SaveDC();
  ASSERT_TRUE(dc.RestoreDC(2));   // back to the state of the second SaveDC: two levels
  ASSERT_TRUE(dc.RestoreDC(-1));  // and one more
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  std::vector<std::int32_t> restores;
  for (std::uint32_t at = 0; at + 8 <= bytes.Count(); at += le::U32(bytes.Items() + at + 4)) {
    if (le::U32(bytes.Items() + at) == 34) restores.push_back(le::I32(bytes.Items() + at + 8));  // EMR_RESTOREDC
  }
  EXPECT_EQ(restores, (std::vector<std::int32_t>{-2, -1}));
}

TEST(MetafileDC, TextRunsKeepTheirAdvancesAndFonts) {
  MetafileDC dc(MetafileFrame{0, 0, 1000, 1000});
  LogFont lf;
  lf.height = -20;
  std::u16string face = u"Arial";
  std::copy(face.begin(), face.end(), lf.faceName);
  dc.SelectObject(TFont(lf));
  const char16_t text[] = u"Ab\u00e9";
  const int dx[] = {11, 12, 13};
  dc.ExtTextOut(5, 30, kEtoOpaque, nullptr, text, 3, dx);
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  ASSERT_EQ(ValidateEmf(bytes.Items(), bytes.Count()), EmfCheck::Ok);
  bool font = false, run = false;
  for (std::uint32_t at = 0; at + 8 <= bytes.Count();) {
    const std::uint8_t* r = bytes.Items() + at;
    if (le::U32(r) == 82) {  // EMR_EXTCREATEFONTINDIRECTW
      font = true;
      EXPECT_EQ(le::I32(r + 12), -20);
      EXPECT_EQ(le::U16(r + 12 + 28), u'A');
    }
    if (le::U32(r) == 84) {  // EMR_EXTTEXTOUTW
      run = true;
      EXPECT_EQ(le::I32(r + 36), 5);
      EXPECT_EQ(le::I32(r + 40), 30);
      EXPECT_EQ(le::U32(r + 44), 3u);
      EXPECT_EQ(le::U32(r + 52), kEtoOpaque);
      const std::uint32_t offString = le::U32(r + 48), offDx = le::U32(r + 72);
      EXPECT_EQ(le::U16(r + offString + 4), 0xE9u);
      EXPECT_EQ(le::I32(r + offDx + 8), 13);
    }
    at += le::U32(r + 4);
  }
  EXPECT_TRUE(font);
  EXPECT_TRUE(run);
}

TEST(MetafileDC, AnExhaustedBudgetFailsTheRecording) {
  MetafileDC dc(MetafileFrame{0, 0, 100, 100}, TSize{1920, 1080}, TSize{508, 286}, 4096);
  for (int i = 0; i < 1000; ++i) dc.LineTo(i, i);
  EXPECT_FALSE(dc.Ok());
  ByteArray bytes;
  EXPECT_FALSE(dc.Close(bytes));
  EXPECT_EQ(bytes.Count(), 0u);
}

TEST(MetafileDC, PointsBeyondSixteenBitsTakeTheLongRecords) {
  MetafileDC dc(MetafileFrame{0, 0, 100, 100});
  const TPoint wide[] = {{0, 0}, {40000, 10}, {5, -40000}};
  dc.Polygon(wide, 3);
  const TPoint small[] = {{0, 0}, {400, 10}, {5, -400}};
  dc.Polygon(small, 3);
  ByteArray bytes;
  ASSERT_TRUE(dc.Close(bytes));
  std::vector<std::uint32_t> types;
  for (std::uint32_t at = 0; at + 8 <= bytes.Count();) {
    types.push_back(le::U32(bytes.Items() + at));
    at += le::U32(bytes.Items() + at + 4);
  }
  EXPECT_NE(std::find(types.begin(), types.end(), 3u), types.end());   // EMR_POLYGON
  EXPECT_NE(std::find(types.begin(), types.end(), 86u), types.end());  // EMR_POLYGON16
  EXPECT_EQ(ValidateEmf(bytes.Items(), bytes.Count()), EmfCheck::Ok);
}

}  // namespace
}  // namespace kvn
