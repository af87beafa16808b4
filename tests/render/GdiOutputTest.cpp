// The device-context output helpers: path fills (plain and translucent),
// pictures under a world transform, text runs, the mask line and the small
// region helpers. Recording-device cases check what is asked of the device;
// raster cases check the pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/ObjectChain.h"
#include "model/PathBuffer.h"
#include "model/cOutObj.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/TDib.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

using Log = std::vector<std::string>;

const DeviceRect kClip{0, 0, 1000, 1000};

SegmentArray* Piece(std::initializer_list<DeviceSegment> segments, bool closed = true) {
  SegmentArray* piece = PathBuffer::NewPiece();
  for (const DeviceSegment& s : segments) piece->Append(s);
  piece->closed = closed;
  return piece;
}

TEST(FillPathPieces, StraightPiecesBecomeLinesAndRoundHalfPixelsUp) {
  PathBuffer::Empty();
  Piece({DeviceSegment::Line(383, 384, 2560, 384), DeviceSegment::Line(2560, 384, 383, 384)});
  RecordingDC dc;
  EXPECT_TRUE(FillPathPieces(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip));
  // 383 is pixel 1, 384 pixel 2; never a Bezier for a straight segment.
  EXPECT_EQ(dc.calls, (Log{"BeginPath", "MoveTo 1 2", "LineTo 10 2", "LineTo 1 2", "CloseFigure", "EndPath",
                           "FillPath"}));
}

TEST(FillPathPieces, CurvesGoThroughPolyBezierToAndEmptyPiecesAreSkipped) {
  PathBuffer::Empty();
  PathBuffer::NewPiece();  // no segment
  Piece({DeviceSegment{{0, 0, 2560, 0, 2560, 2560, 0, 2560}}, DeviceSegment::Line(0, 2560, 0, 0)});
  RecordingDC dc;
  FillPathPieces(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip);
  EXPECT_EQ(dc.calls, (Log{"BeginPath", "MoveTo 0 0", "PolyBezierTo (10,0) (10,10) (0,10)", "LineTo 0 0",
                           "CloseFigure", "EndPath", "FillPath"}));
}

TEST(FillPathPieces, PieceWhollyOutsideTheClipIsLeftOut) {
  PathBuffer::Empty();
  // 1e6 pixels away: sent unclipped it would wrap in 16-bit records.
  const std::int32_t far = 256 * 1000000;
  Piece({DeviceSegment::Line(far, far, far + 2560, far), DeviceSegment::Line(far + 2560, far, far, far + 2560),
         DeviceSegment::Line(far, far + 2560, far, far)});
  Piece({DeviceSegment::Line(0, 0, 2560, 0), DeviceSegment::Line(2560, 0, 0, 0)});
  RecordingDC dc;
  FillPathPieces(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), DeviceRect{0, 0, 100, 100});
  EXPECT_EQ(dc.calls, (Log{"BeginPath", "MoveTo 0 0", "LineTo 10 0", "LineTo 0 0", "CloseFigure", "EndPath",
                           "FillPath"}));
}

TEST(FillPathPieces, ClipsAtTheRectangleWidenedByAPixel) {
  PathBuffer::Empty();
  Piece({DeviceSegment::Line(-25600, -25600, 25600, -25600), DeviceSegment::Line(25600, -25600, 25600, 25600),
         DeviceSegment::Line(25600, 25600, -25600, 25600), DeviceSegment::Line(-25600, 25600, -25600, -25600)});
  RecordingDC dc;
  TRegion region;
  ASSERT_TRUE(FillPathPieces(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), DeviceRect{0, 0, 10, 10}, &region));
  EXPECT_EQ(dc.calls.back(), "PathToRegion");
  EXPECT_EQ(region.GetBox(), (TRect{-1, -1, 11, 11}));
}

class FillPathTransparentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PathBuffer::Empty();
    Piece({DeviceSegment::Line(0, 0, 5120, 0), DeviceSegment::Line(5120, 0, 5120, 5120),
           DeviceSegment::Line(5120, 5120, 0, 5120), DeviceSegment::Line(0, 5120, 0, 0)});
  }
};

TEST_F(FillPathTransparentTest, OpaqueIsThePlainFillAndNeverBlends) {
  RecordingDC plain, opaque;
  FillPathPieces(plain, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip);
  std::uint8_t marker = 0;
  FillPathTransparent(opaque, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(255, 0, 0), 255, nullptr,
                      &marker);
  EXPECT_EQ(opaque.calls, plain.calls);
  EXPECT_EQ(marker, 0);
  EXPECT_TRUE(cMsimg32Module::Instance().usable);
}

TEST_F(FillPathTransparentTest, OpacityZeroStillBlendsWithAlphaZeroThroughTheRegion) {
  RecordingDC dc;
  std::uint8_t marker = 0;
  FillPathTransparent(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(255, 0, 0), 0, nullptr,
                      &marker);
  EXPECT_EQ(marker, 1);
  EXPECT_EQ(dc.calls, (Log{"SelectClipRgn rgn[(0,0,20,20)]", "AlphaBlend -1 -1 22 22 src(1x1) 0 0 1 1 alpha=0",
                           "SelectClipRgn NULL"}));
}

TEST_F(FillPathTransparentTest, PrintRectangleCutsTheAreaAndIsTheClipAfterwards) {
  RecordingDC dc;
  const DeviceRect print{5, 5, 100, 100};
  FillPathTransparent(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(0, 0, 255), 100, &print,
                      nullptr);
  EXPECT_EQ(dc.calls, (Log{"SelectClipRgn rgn[(5,5,20,20)]", "AlphaBlend -1 -1 22 22 src(1x1) 0 0 1 1 alpha=100",
                           "SelectClipRgn rgn[(5,5,100,100)]"}));
  // Nothing inside the print rectangle: no blend, but the clip is still set
  // to it by nobody (the fill stops before the clip is touched).
  dc.Clear();
  const DeviceRect away{500, 500, 600, 600};
  FillPathTransparent(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(0, 0, 255), 100, &away, nullptr);
  EXPECT_TRUE(dc.calls.empty());
}

TEST_F(FillPathTransparentTest, RegionFollowsTheTargetMapping) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.SetViewportExt(2, 2);
  dc.Clear();
  FillPathTransparent(dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(0, 0, 255), 100, nullptr,
                      nullptr);
  ASSERT_EQ(dc.calls.size(), 3u);
  EXPECT_EQ(dc.calls[0], "SelectClipRgn rgn[(0,0,40,40)]");
}

TEST_F(FillPathTransparentTest, HalfOpaqueFillBlendsEveryPixelOfTheArea) {
  constexpr int kSide = 32;
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  ASSERT_TRUE(dc);
  FillPathTransparent(*dc, PathBuffer::Pieces(), PathBuffer::PieceCount(), kClip, Rgb(255, 0, 0), 128, nullptr,
                      nullptr);
  dc->Flush();
  int inside = 0;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const std::uint8_t* p = &bits[(y * kSide + x) * 4];
      if (x < 20 && y < 20) {
        ++inside;
        EXPECT_EQ(p[2], 255);
        EXPECT_NEAR(p[1], 127, 1) << x << "," << y;
        EXPECT_NEAR(p[0], 127, 1);
      } else {
        EXPECT_EQ(p[0] & p[1] & p[2], 255) << x << "," << y;
      }
    }
  }
  EXPECT_EQ(inside, 400);
  EXPECT_FALSE(dc->GetClipRgn(nullptr) == 1);
}

// ---- pictures ----

TDib Picture(std::uint16_t bitCount) {
  TDib dib;
  EXPECT_TRUE(dib.Create(16, 12, bitCount));
  for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) dib.SetPaletteEntry(i, ((i * 37) & 0xFF) << 16 | (255 - i));
  for (int y = 0; y < 12; ++y) {
    for (int x = 0; x < 16; ++x) {
      const bool corner = x < 4 && y < 4;
      if (bitCount == 24) {
        dib.SetPixel(x, y, corner ? 0xFF0000u : std::uint32_t((x * 15) << 8 | (y * 20)));
      } else {
        dib.SetPixel(x, y, corner ? 7u : std::uint32_t(20 + x + y * 16));
      }
    }
  }
  return dib;
}

TEST(DrawDibTransformed, SetsAdvancedModeTransformAndStretchModeAndRestoresThem) {
  RecordingDC dc;
  const TDib dib = Picture(24);
  EXPECT_TRUE(DrawDibTransformed(dc, TRect{10, 20, 42, -4}, 0.0, dib));
  EXPECT_EQ(dc.calls, (Log{"SetGraphicsMode GM_ADVANCED", "SetWorldTransform [1 0 0 -1 0 40]",
                           "SetStretchBltMode COLORONCOLOR", "StretchDIBits 10 20 32 24 0 0 16 12 dib(16x12x24) SRCCOPY",
                           "SetStretchBltMode BLACKONWHITE", "SetWorldTransform [1 0 0 1 0 0]",
                           "SetGraphicsMode GM_COMPATIBLE"}));
  EXPECT_EQ(dc.GetGraphicsMode(), kGmCompatible);
}

TEST(DrawDibTransformed, TurnedAndMirroredPicturesMatchTheReviewedPicture) {
  constexpr int kWidth = 200, kHeight = 100;
  std::vector<std::uint8_t> bits(kWidth * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  ASSERT_TRUE(dc);
  const TDib true24 = Picture(24), indexed = Picture(8);
  const double turn = 30.0 * 3.14159265358979323846 / 180.0;
  EXPECT_TRUE(DrawDibTransformed(*dc, 20, 40, 48, 36, turn, true24));
  EXPECT_TRUE(DrawDibTransformed(*dc, 140, 40, -48, 36, turn, indexed));
  EXPECT_TRUE(DrawDibTransformed(*dc, 150, 95, 32, -24, 0.0, indexed));
  EXPECT_TRUE(DrawDibTransformed(*dc, 60, 95, -32, -24, 0.0, true24));
  dc->Flush();
  test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), kWidth, kHeight), "dib_transformed", 0);
}

// ---- text runs ----

TEST(DrawTextRun, UnscaledRunLeavesTheExtentsAlone) {
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  info.mapping.outputMode = OutputMode::Metafile;
  dc.Clear();
  const char16_t text[] = u"Ab";
  TextRun run;
  run.text = text;
  run.count = 2;
  run.position = {10, 20};
  run.directOutput = true;
  DrawTextRun(dc, run, info);
  EXPECT_EQ(dc.calls, (Log{"SetTextAlign TA_LEFT|TA_BASELINE", "TextOut 10 20 \"Ab\"",
                           "SetTextAlign TA_LEFT|TA_TOP"}));
}

TEST(DrawTextRun, ScaledRunDrawsThroughTenOverTenAndRestores) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.SetWindowExt(3, 4);
  dc.SetViewportExt(5, 6);
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  info.textOutRuns = 1;
  dc.Clear();
  const char16_t text[] = u"A";
  TextRun run;
  run.text = text;
  run.count = 1;
  run.position = {10, 20};
  run.xScale = 1.0;
  run.align = kTaCenter;
  DrawTextRun(dc, run, info);
  // Not direct: the character goes into the symbol-font range.
  EXPECT_EQ(dc.calls, (Log{"SetTextAlign TA_CENTER|TA_BASELINE", "SetWindowExt 10 10", "SetViewportExt 10 10",
                           "TextOut 10 20 \"\\uf041\"", "SetWindowExt 3 4", "SetViewportExt 5 6",
                           "SetTextAlign TA_LEFT|TA_TOP"}));
  // Mirrored and half wide: the half width through the viewport, the mirror
  // through a world transform about the run's point (a negative extent
  // leaves a metafile's text upright on playback).
  dc.Clear();
  run.xScale = 0.5;
  run.mirrorX = true;
  DrawTextRun(dc, run, info);
  EXPECT_EQ(dc.calls, (Log{"SetTextAlign TA_CENTER|TA_BASELINE", "SetWindowExt 10 10", "SetViewportExt 5 10",
                           "SetGraphicsMode GM_ADVANCED", "ModifyWorldTransform [-1 0 0 1 40 0] MWT_LEFTMULTIPLY",
                           "TextOut 20 20 \"\\uf041\"", "SetWorldTransform [1 0 0 1 0 0]",
                           "SetGraphicsMode GM_COMPATIBLE", "SetWindowExt 3 4", "SetViewportExt 5 6",
                           "SetTextAlign TA_LEFT|TA_TOP"}));
  EXPECT_EQ(dc.GetWindowExt(), (TSize{3, 4}));
  EXPECT_EQ(dc.GetGraphicsMode(), kGmCompatible);
  EXPECT_EQ(dc.GetWorldTransform(), XForm{});
}

TEST(DrawTextRun, ExtRoadStretchesTheCellAtThePosition) {
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  dc.Clear();
  const char16_t text[] = u"x";
  const int advances[1] = {7};
  TextRun run;
  run.text = text;
  run.count = 1;
  run.position = {30, 40};
  run.directOutput = true;
  run.cellWidth = 100;
  run.cellHeight = 200;
  run.factor = 0.1;
  run.advances = advances;
  run.mirrorY = true;
  DrawTextRun(dc, run, info);
  EXPECT_EQ(dc.calls, (Log{"SetTextAlign TA_LEFT|TA_BASELINE", "SetWindowExt 100 200", "SetViewportExt 10 -20",
                           "SetWindowOrg 0 0", "SetViewportOrg 30 40", "ExtTextOut 0 0 \"x\" dx[7]",
                           "SetWindowExt 1 1", "SetViewportExt 1 1", "SetWindowOrg 0 0", "SetViewportOrg 0 0",
                           "SetTextAlign TA_LEFT|TA_TOP"}));
  // A cell of one pixel or less draws nothing.
  dc.Clear();
  run.factor = 0.005;
  DrawTextRunExt(dc, run, info);
  EXPECT_TRUE(dc.calls.empty());
}

TEST(ToSymbolFontText, LowCharactersAndCp1252Characters) {
  const char16_t in[] = {u'A', 0x00E9, 0x20AC, 0x4E00};
  char16_t out[4];
  ToSymbolFontText(in, 4, out);
  EXPECT_EQ(out[0], 0xF041);
  EXPECT_EQ(out[1], 0xF0E9);
  EXPECT_EQ(out[2], 0xF080);  // the euro sign is byte 0x80 of code page 1252
  EXPECT_EQ(out[3], 0x4E00);
}

// ---- helpers ----

std::string MaskPicture(const std::vector<std::uint8_t>& bits, int width, int height) {
  const int stride = (width + 31) / 32 * 4;
  std::string s;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = &bits[(height - 1 - y) * stride];
    for (int x = 0; x < width; ++x) s += (row[x / 8] & (0x80 >> (x & 7))) ? '.' : '#';
    s += '\n';
  }
  return s;
}

TEST(MaskLine, ClearsTheBitsOfTheLineInsideTheBitmapWhicheverWayItRuns) {
  constexpr int kW = 10, kH = 4;
  std::vector<std::uint8_t> a(4 * kH, 0xFF), b(4 * kH, 0xFF);
  MaskLine(-2, 0, 11, 3, a.data(), kW, kH);
  MaskLine(11, 3, -2, 0, b.data(), kW, kH);
  EXPECT_EQ(a, b);
  EXPECT_EQ(MaskPicture(a, kW, kH), "#.........\n"
                                    ".####.....\n"
                                    ".....####.\n"
                                    ".........#\n");
  std::vector<std::uint8_t> c(4 * kH, 0xFF);
  MaskLine(1, 0, 2, 3, c.data(), kW, kH);  // y major
  EXPECT_EQ(MaskPicture(c, kW, kH), ".#........\n"
                                    ".#........\n"
                                    "..#.......\n"
                                    "..#.......\n");
  // Far outside: nothing, and no walk over the gap.
  std::vector<std::uint8_t> d(4 * kH, 0xFF);
  MaskLine(INT32_MIN, -5, INT32_MAX, -5, d.data(), kW, kH);
  EXPECT_EQ(d, std::vector<std::uint8_t>(4 * kH, 0xFF));
}

TEST(RegionHelpers, BoxesAndEmptyRectangles) {
  TRect box{1, 2, 3, 4};
  GetRegionBox(nullptr, &box);
  EXPECT_TRUE(IsEmptyRect(box));
  const TRegion region(TRect{5, 6, 7, 8});
  GetRegionBox(&region, &box);
  EXPECT_EQ(box, (TRect{5, 6, 7, 8}));
  EXPECT_FALSE(IsEmptyRect(TRect{0, 0, 0, 1}));
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

std::vector<int> chainLog;

// Objects of no particular kind: extent and recalculation do nothing.
class TestObject : public cOutObj {
 public:
  TestObject() : cOutObj(kTypeLine) {}
  DRect& GetExtent(DRect& out) override { return out; }
  void Recalc(cDrawingData*) override {}
};

class ChainPart : public TestObject {
 public:
  explicit ChainPart(int id) : id_(id) {}
  ~ChainPart() override { chainLog.push_back(-id_); }
  void Draw(cDrawInfo*) override { chainLog.push_back(id_); }

 private:
  int id_;
};

class Exploding : public TestObject {
 public:
  ObjectChain Resolve(cDrawingData*, bool makeCopy) override {
    ObjectChain chain;
    if (!makeCopy) return chain;  // the object itself must stay
    chain.Append(new ChainPart(1));
    chain.Append(new ChainPart(2));
    return chain;
  }
};

TEST(DrawExplodedChain, DrawsTheResolvedCopyInChainOrderThenDeletesIt) {
  chainLog.clear();
  RecordingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  Exploding object;
  DrawExplodedChain(object, nullptr, info);
  EXPECT_EQ(chainLog, (std::vector<int>{1, 2, -1, -2}));
}

}  // namespace
}  // namespace kvn
