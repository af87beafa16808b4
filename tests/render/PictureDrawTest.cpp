// Pictures and metafiles drawn: the raster road (placement, transparent
// colour, recolouring on a dark background, cached RLE and JPEG copies), the
// device-context road as the recording target sees it (colour table edited
// and put back, printer depths and compression), and metafile playback
// (frame mapping, turned frames, empty bounds, the explode road made once).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "foundation/InFileStream.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/LeBytes.h"
#include "render/DibConversion.h"
#include "render/DrawInfo.h"
#include "render/PictureDraw.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/support/RecordingDrawInfo.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using raster_test::kPaper;
using raster_test::MakeSurface;
using raster_test::Pixel;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// 2 x 2, top row red and green, bottom row blue and white (0x00RRGGBB).
std::unique_ptr<TDib> Quadrants() {
  auto dib = std::make_unique<TDib>();
  EXPECT_TRUE(dib->Create(2, 2, 24));
  dib->SetPixel(0, 0, 0xFF0000);
  dib->SetPixel(1, 0, 0x00FF00);
  dib->SetPixel(0, 1, 0x0000FF);
  dib->SetPixel(1, 1, 0xFFFFFF);
  return dib;
}

// The pictures a device context was handed.
class CapturingDC : public RecordingDC {
 public:
  struct Seen {
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  };
  std::vector<Seen> seen;
  int StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth, int sourceHeight,
                    const TDib& dib, std::uint32_t rop) override {
    Seen s{dib.BitCount(), dib.Compression(), {}};
    for (std::uint32_t i = 0; i < dib.PaletteCount(); ++i) s.palette.push_back(dib.GetPaletteEntry(i));
    seen.push_back(std::move(s));
    return RecordingDC::StretchDIBits(x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, dib, rop);
  }
};

class PictureDraw : public ::testing::Test {
 protected:
  void SetUp() override { InstallRendererPictureServices(); }
};

TEST_F(PictureDraw, RasterRoadPlacesTheImageAndLeavesTheTransparentColourOut) {
  auto surface = MakeSurface(24, 24);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, surface.get());
  cBitmap b;
  b.SetImage(false, Quadrants(), false, {}, nullptr);
  b.frame = PictureFrame{{1, 1}, 2, 2, 0};  // device (4, 4) to (12, 12)
  b.Draw(&info);
  EXPECT_EQ(Pixel(*surface, 5, 5), 0xFFFF0000u);
  EXPECT_EQ(Pixel(*surface, 10, 5), 0xFF00FF00u);
  EXPECT_EQ(Pixel(*surface, 5, 10), 0xFF0000FFu);
  EXPECT_EQ(Pixel(*surface, 2, 2), kPaper);

  auto second = MakeSurface(24, 24);
  cDrawInfo info2(WorldMapping{}, nullptr, nullptr, second.get());
  b.transparentColour = 0x0000FF;  // red as COLORREF
  b.Draw(&info2);
  EXPECT_EQ(Pixel(*second, 5, 5), kPaper);
  EXPECT_EQ(Pixel(*second, 10, 5), 0xFF00FF00u);

  // Hidden pictures and pictures without an image draw nothing.
  auto third = MakeSurface(24, 24);
  cDrawInfo info3(WorldMapping{}, nullptr, nullptr, third.get());
  cBitmap none;
  none.frame = b.frame;
  none.Draw(&info3);
  b.SetFlag(kFlagHidden);
  b.Draw(&info3);
  EXPECT_EQ(raster_test::CountInk(*third, kPaper), 24 * 24);
}

TEST_F(PictureDraw, OneBitPicturesOnADarkBackgroundSwapBlackAndWhite) {
  auto dib = std::make_unique<TDib>();
  ASSERT_TRUE(dib->Create(2, 1, 1));
  dib->SetPaletteEntry(0, 0x000000);
  dib->SetPaletteEntry(1, 0xFFFFFF);
  dib->SetPixel(1, 0, 1);
  cBitmap b;
  b.SetImage(false, std::move(dib), false, {}, nullptr);
  b.frame = PictureFrame{{0, 0}, 2, 1, 0};
  auto surface = MakeSurface(8, 4);
  surface->FillRect(0, 0, 8, 4, 0xFF202020);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, surface.get());
  info.darkBackground = 1;
  b.Draw(&info);
  EXPECT_EQ(Pixel(*surface, 1, 1), 0xFFFFFFFFu);  // black ink drawn white
  EXPECT_EQ(Pixel(*surface, 5, 1), 0xFF000000u);  // white paper drawn black

  // The same picture with its table listed white first swaps the same way.
  auto inverted = std::make_unique<TDib>();
  ASSERT_TRUE(inverted->Create(2, 1, 1));
  inverted->SetPaletteEntry(0, 0xFFFFFF);
  inverted->SetPaletteEntry(1, 0x000000);
  inverted->SetPixel(0, 0, 1);
  cBitmap c;
  c.SetImage(false, std::move(inverted), false, {}, nullptr);
  c.frame = b.frame;
  surface->FillRect(0, 0, 8, 4, 0xFF202020);
  c.Draw(&info);
  EXPECT_EQ(Pixel(*surface, 1, 1), 0xFFFFFFFFu);
  EXPECT_EQ(Pixel(*surface, 5, 1), 0xFF000000u);
}

TEST_F(PictureDraw, RleAndJpegPicturesAreDecodedOnce) {
  KVN_REQUIRE_TESTDATA(dir);
  auto bytes = ReadFile(dir / "raster/imagers_pal8rle.bmp");
  ByteArray data;
  data.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  auto rle = std::make_unique<TDib>(TDib::FromBmpStream(in));
  ASSERT_EQ(rle->Compression(), kBiRle8);
  cBitmap b;
  b.SetImage(false, std::move(rle), false, {}, nullptr);
  b.frame = PictureFrame{{0, 0}, 8, 8, 30};
  auto surface = MakeSurface(64, 64);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, surface.get());
  b.Draw(&info);
  ASSERT_NE(b.Image()->uncompressed, nullptr);
  const TDib* cached = b.Image()->uncompressed.get();
  b.Draw(&info);
  EXPECT_EQ(b.Image()->uncompressed.get(), cached);
  EXPECT_LT(raster_test::CountInk(*surface, kPaper), 64 * 64);

  cBitmap jpeg;
  jpeg.SetEncodedImage(ReadFile(dir / "raster/libredwg_2000_Arc.jpg"));
  jpeg.frame = PictureFrame{{0, 0}, 8, 8, 0};
  jpeg.Draw(&info);
  ASSERT_NE(jpeg.Encoded()->decoded, nullptr);
  const TDib* decoded = jpeg.Encoded()->decoded.get();
  jpeg.Draw(&info);
  EXPECT_EQ(jpeg.Encoded()->decoded.get(), decoded);

  // Corrupt JPEG data: nothing drawn, and never decoded again.
  cBitmap broken;
  broken.SetEncodedImage({0xFF, 0xD8, 0xFF, 0xC0, 0, 0, 0, 0, 1, 2, 3});
  broken.frame = PictureFrame{{0, 0}, 8, 8, 0};
  auto clean = MakeSurface(16, 16);
  cDrawInfo info2(WorldMapping{}, nullptr, nullptr, clean.get());
  broken.Draw(&info2);
  EXPECT_TRUE(broken.Encoded()->decodeFailed);
  broken.Encoded()->bytes = ReadFile(dir / "raster/libredwg_2000_Arc.jpg");
  broken.Draw(&info2);
  EXPECT_EQ(broken.Encoded()->decoded, nullptr);
  EXPECT_EQ(raster_test::CountInk(*clean, kPaper), 16 * 16);

  // An RLE picture whose runs overflow it draws without leaving it.
  auto bad = ReadFile(dir / "raster/bad_imagers_rle_overflow.bmp");
  ByteArray badData;
  badData.Append(bad.data(), std::uint32_t(bad.size()));
  InFileStream badIn = InFileStream::FromMemory(badData);
  auto badDib = std::make_unique<TDib>(TDib::FromBmpStream(badIn));
  if (!badDib->IsEmpty()) {
    cBitmap overflow;
    overflow.SetImage(false, std::move(badDib), false, {}, nullptr);
    overflow.frame = PictureFrame{{0, 0}, 4, 4, 0};
    overflow.Draw(&info2);
  }
}

TEST_F(PictureDraw, OverrideColourEditsTheTableOnlyWhileDrawing) {
  auto dib = std::make_unique<TDib>();
  ASSERT_TRUE(dib->Create(16, 2, 8));
  dib->SetPaletteEntry(0, 0x102030);  // dark
  dib->SetPaletteEntry(1, 0xF0E0D0);  // light
  dib->SetPixel(1, 0, 1);
  cBitmap b;
  b.SetImage(false, std::move(dib), false, {}, nullptr);
  b.frame = PictureFrame{{0, 0}, 4, 1, 0};
  CapturingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc, nullptr);
  info.overrideColor = 0x0000FF;  // red
  b.Draw(&info);
  ASSERT_EQ(dc.seen.size(), 1u);
  EXPECT_EQ(dc.seen[0].palette[0], 0xFF0000u);  // dark entries take the override colour
  EXPECT_EQ(dc.seen[0].palette[1], 0xFFFFFFu);  // light entries white
  EXPECT_EQ(b.StoredDib()->GetPaletteEntry(0), 0x102030u);
  EXPECT_EQ(b.StoredDib()->GetPaletteEntry(1), 0xF0E0D0u);
  EXPECT_EQ(info.darkBackground, 0);
}

TEST_F(PictureDraw, PrinterOutputConvertsOneBitAndCompressesWhenSmaller) {
  // A red-and-white 1-bit picture is sent with 4 bits.
  auto mono = std::make_unique<TDib>();
  ASSERT_TRUE(mono->Create(64, 8, 1));
  mono->SetPaletteEntry(0, 0xFF0000);
  mono->SetPaletteEntry(1, 0xFFFFFF);
  cBitmap red;
  red.SetImage(false, std::move(mono), false, {}, nullptr);
  red.frame = PictureFrame{{0, 0}, 4, 1, 0};
  WorldMapping printer;
  printer.outputMode = OutputMode::DirectPrinter;
  CapturingDC dc;
  cDrawInfo info(printer, nullptr, &dc, nullptr);
  std::uint8_t marker = 0;
  info.outputMarker = &marker;
  red.Draw(&info);
  ASSERT_EQ(dc.seen.size(), 1u);
  EXPECT_EQ(dc.seen[0].bitCount, 4);
  EXPECT_EQ(marker, 0);

  // A 4-bit picture of long runs goes RLE4-compressed unless kept.
  auto four = std::make_unique<TDib>();
  ASSERT_TRUE(four->Create(200, 4, 4));
  cBitmap runs;
  runs.SetImage(false, std::move(four), false, {}, nullptr);
  runs.frame = PictureFrame{{0, 0}, 4, 1, 0};
  runs.transparentColour = 0xFFFFFF;
  runs.Draw(&info);
  ASSERT_EQ(dc.seen.size(), 2u);
  EXPECT_EQ(dc.seen[1].compression, kBiRle4);
  EXPECT_EQ(marker, 1);  // a transparent colour marks the page
  info.options.keepUncompressed = 1;
  runs.Draw(&info);
  ASSERT_EQ(dc.seen.size(), 3u);
  EXPECT_EQ(dc.seen[2].compression, kBiRgb);
  // The picture itself stays as it was.
  EXPECT_EQ(runs.StoredDib()->Compression(), kBiRgb);
}

TEST_F(PictureDraw, TransparencyMaskMarksPixelsNearTheColour) {
  cBitmap b;
  EXPECT_EQ(MakeTransparencyMask(b), nullptr);
  b.SetImage(false, Quadrants(), false, {}, nullptr);
  EXPECT_EQ(MakeTransparencyMask(b), nullptr);  // no transparent colour
  b.transparentColour = 0x0000FE;               // almost red
  b.tolerance = 1;
  auto mask = MakeTransparencyMask(b);
  ASSERT_NE(mask, nullptr);
  std::uint32_t v = 1;
  mask->GetPixel(0, 0, &v);
  EXPECT_EQ(v, 0u);
  mask->GetPixel(1, 0, &v);
  EXPECT_EQ(v, 255u);
}

// ---- metafiles ----

std::vector<std::uint8_t> Emf(const std::filesystem::path& dir) {
  return ReadFile(dir / "metafile/libuemf_test_libuemf_ref.emf");
}

bool Logged(const RecordingDC& dc, const std::string& line) {
  return std::find(dc.calls.begin(), dc.calls.end(), line) != dc.calls.end();
}

TEST_F(PictureDraw, MetafilesPlayIntoTheirFrameAndRestoreTheContext) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto bytes = Emf(dir);
  const std::int32_t mw = le::I32(bytes.data() + 16) - le::I32(bytes.data() + 8);
  const std::int32_t mh = le::I32(bytes.data() + 20) - le::I32(bytes.data() + 12);
  ASSERT_GT(mw, 0);
  ASSERT_GT(mh, 0);
  cWmf w;
  w.SetBits(bytes);
  w.frame = PictureFrame{{2, 3}, 10, 5, 0};
  RecordingDC dc;
  dc.SetMapMode(kMmAnisotropic);
  dc.Clear();
  cDrawInfo info(WorldMapping{}, nullptr, &dc, nullptr);
  w.Draw(&info);
  EXPECT_TRUE(Logged(dc, "SetWindowExt " + std::to_string(mw) + " " + std::to_string(mh)));
  EXPECT_TRUE(Logged(dc, "SetViewportExt 40 20"));
  EXPECT_TRUE(Logged(dc, "SetViewportOrg 8 12"));
  EXPECT_EQ(dc.GetWindowExt().cx, 1);
  EXPECT_EQ(dc.GetViewportOrg().x, 0);
  EXPECT_EQ(dc.GetGraphicsMode(), 1);

  // Turned: a world transform about the origin's device point, then the
  // identity again.
  dc.Clear();
  w.frame.angle = 90;
  w.Draw(&info);
  const auto set = std::find_if(dc.calls.begin(), dc.calls.end(),
                                [](const std::string& s) { return s.rfind("SetWorldTransform", 0) == 0; });
  ASSERT_NE(set, dc.calls.end());
  // Turned about the origin's device point, where the viewport origin
  // already stands: no further shift.
  EXPECT_TRUE(Logged(dc, "SetViewportOrg 8 12"));
  EXPECT_EQ(set->substr(set->size() - 5), " 0 0]") << *set;
  EXPECT_TRUE(Logged(dc, "SetWorldTransform [1 0 0 1 0 0]"));
  EXPECT_EQ(dc.GetWorldTransform(), XForm{});

  // Empty bounds: nothing at all.
  auto empty = bytes;
  le::Put32(empty.data() + 16, std::uint32_t(le::I32(empty.data() + 8) - 1));
  cWmf flat;
  flat.SetBits(empty);
  flat.frame = PictureFrame{{2, 3}, 10, 5, 30};
  dc.Clear();
  flat.Draw(&info);
  EXPECT_TRUE(dc.calls.empty());

  // Corrupt bytes: no handle, nothing drawn.
  cWmf bad;
  bad.SetBits(ReadFile(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf"));
  bad.frame = w.frame;
  bad.Draw(&info);
  EXPECT_TRUE(dc.calls.empty());
}

TEST_F(PictureDraw, WithoutADeviceContextAMetafileIsExplodedOnce) {
  KVN_REQUIRE_TESTDATA(dir);
  cWmf w;
  w.SetBits(Emf(dir));
  w.frame = PictureFrame{{0, 0}, 4, 4, 0};
  auto surface = MakeSurface(16, 16, true);
  ASSERT_EQ(surface->DC(), nullptr);
  cDrawInfo info(WorldMapping{}, nullptr, nullptr, surface.get());
  w.Draw(&info);
  ASSERT_NE(w.objectCache, nullptr);
  const ObjectChain* cache = w.objectCache.get();
  w.Draw(&info);
  EXPECT_EQ(w.objectCache.get(), cache);
  // A change of the frame drops the cache.
  w.Move({1, 0});
  w.UpdateIfDirty(nullptr);
  EXPECT_EQ(w.objectCache, nullptr);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST_F(PictureDraw, OutlinePassAndHitTestUseTheFrame) {
  test::RecordingDrawInfo info;
  cBitmap b;
  b.frame = PictureFrame{{1, 1}, 4, 2, 0};
  b.MarkDirty();
  b.DrawOutline(7, &info, false);
  cWmf w;
  w.frame = b.frame;
  w.MarkDirty();
  w.DrawOutline(9, &info, false);
  ASSERT_EQ(info.calls.size(), 2u);
  EXPECT_EQ(info.calls[0], "RasterizePath 7");
  EXPECT_EQ(info.calls[1], "RasterizePath 9");
  // Device rectangle (4, 4) to (20, 12).
  EXPECT_EQ(BitmapHitTest(b, info, DevicePoint{4, 4}), 4);
  EXPECT_EQ(BitmapHitTest(b, info, DevicePoint{20, 12}), 4);
  EXPECT_EQ(BitmapHitTest(b, info, DevicePoint{21, 12}), -1);
  EXPECT_EQ(BitmapHitTest(b, info, DevicePoint{10, 3}), -1);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

bool HasLine(const RecordingDC& dc, const std::string& line) {
  return std::find(dc.calls.begin(), dc.calls.end(), line) != dc.calls.end();
}

TEST_F(PictureDraw, PrinterPassThroughAsTheDriverAnswers) {
  KVN_REQUIRE_TESTDATA(dir);
  const auto jpegBytes = ReadFile(dir / "raster/libredwg_2000_Arc.jpg");
  cBitmap jpeg;
  jpeg.SetEncodedImage(jpegBytes);
  jpeg.frame = PictureFrame{{0, 0}, 10, 5, 0};
  WorldMapping printer;
  printer.outputMode = OutputMode::DirectPrinter;

  // A driver that takes JPEG data gets the bytes with a negative height.
  RecordingDC dc;
  dc.supportedEscapes[kCheckJpegFormat] = 1;
  dc.escapeResults[kCheckJpegFormat] = 1;
  cDrawInfo info(printer, nullptr, &dc, nullptr);
  jpeg.Draw(&info);
  const TDib* decoded = jpeg.Encoded()->decoded.get();
  ASSERT_NE(decoded, nullptr);
  const std::string n = std::to_string(jpegBytes.size());
  EXPECT_TRUE(HasLine(dc, "ExtEscape QUERYESCSUPPORT 4119 -> 1"));
  EXPECT_TRUE(HasLine(dc, "ExtEscape 4119 in(" + n + ") -> 1"));
  EXPECT_TRUE(HasLine(dc, "StretchDIBitsData 0 0 40 20 0 0 " + std::to_string(decoded->Width()) + " -" +
                              std::to_string(decoded->Height()) + " data(JPEG " + n + ") SRCCOPY"))
      << dc.Text();
  EXPECT_EQ(std::count_if(dc.calls.begin(), dc.calls.end(),
                          [](const std::string& s) { return s.rfind("StretchDIBits ", 0) == 0; }),
            0);

  // A driver that answers anything but 1 gets the ordinary picture.
  RecordingDC refusing;
  refusing.supportedEscapes[kCheckJpegFormat] = 1;
  refusing.escapeResults[kCheckJpegFormat] = 1;
  refusing.escapeOutput = 0;
  cDrawInfo info2(printer, nullptr, &refusing, nullptr);
  jpeg.Draw(&info2);
  EXPECT_EQ(std::count_if(refusing.calls.begin(), refusing.calls.end(),
                          [](const std::string& s) { return s.rfind("StretchDIBitsData", 0) == 0; }),
            0);
  EXPECT_EQ(std::count_if(refusing.calls.begin(), refusing.calls.end(),
                          [](const std::string& s) { return s.rfind("StretchDIBits ", 0) == 0; }),
            1);

  // A PNG driver gets an 8-bit picture as PNG; not while the picture must
  // stay uncompressed, and not on the screen.
  auto dib = std::make_unique<TDib>();
  ASSERT_TRUE(dib->Create(16, 4, 8));
  cBitmap paletted;
  paletted.SetImage(false, std::move(dib), false, {}, nullptr);
  paletted.frame = PictureFrame{{0, 0}, 4, 1, 0};
  RecordingDC png;
  png.supportedEscapes[kCheckPngFormat] = 1;
  png.escapeResults[kCheckPngFormat] = 1;
  cDrawInfo info3(printer, nullptr, &png, nullptr);
  paletted.Draw(&info3);
  EXPECT_TRUE(std::any_of(png.calls.begin(), png.calls.end(),
                          [](const std::string& s) { return s.find("data(PNG ") != std::string::npos; }))
      << png.Text();
  png.Clear();
  info3.options.keepUncompressed = 1;
  paletted.Draw(&info3);
  EXPECT_FALSE(HasLine(png, "ExtEscape QUERYESCSUPPORT 4120 -> 1"));
  png.Clear();
  cDrawInfo screen(WorldMapping{}, nullptr, &png, nullptr);
  paletted.Draw(&screen);
  EXPECT_TRUE(std::none_of(png.calls.begin(), png.calls.end(),
                           [](const std::string& s) { return s.rfind("ExtEscape", 0) == 0; }));
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST_F(PictureDraw, DarkBackgroundSwapsTheTableOfBlackAndWhitePicturesOnADeviceContext) {
  auto dib = std::make_unique<TDib>();
  ASSERT_TRUE(dib->Create(8, 1, 1));
  dib->SetPaletteEntry(0, 0xFFFFFF);
  dib->SetPaletteEntry(1, 0x000000);
  cBitmap b;
  b.SetImage(false, std::move(dib), false, {}, nullptr);
  b.frame = PictureFrame{{0, 0}, 4, 1, 0};
  CapturingDC dc;
  cDrawInfo info(WorldMapping{}, nullptr, &dc, nullptr);
  info.darkBackground = 1;
  b.Draw(&info);
  ASSERT_EQ(dc.seen.size(), 1u);
  EXPECT_EQ(dc.seen[0].palette[0], 0x000000u);
  EXPECT_EQ(dc.seen[0].palette[1], 0xFFFFFFu);
  EXPECT_EQ(b.StoredDib()->GetPaletteEntry(0), 0xFFFFFFu);
  EXPECT_EQ(info.darkBackground, 1);
}

}  // namespace
}  // namespace kvn
