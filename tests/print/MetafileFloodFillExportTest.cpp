// Flood fills through an exported metafile: the export keeps every
// EXTFLOODFILL, and the exported picture played back fills what the screen
// fills. What the fills add is measured on each road as the pixels the
// picture changes against itself without its fills, so that whatever else
// the roads draw apart (text, pictures) does not count.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfToEmf.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWide = 800, kHigh = 600;

// Every record of the metafile but its EXTFLOODFILLs (`fills` false), and
// how many there were.
Bytes Records(const Bytes& emf, bool fills, int* count = nullptr) {
  Bytes out;
  std::size_t at = 0;
  std::uint32_t records = 0;
  int found = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t type = le::U32(emf.data() + at), size = le::U32(emf.data() + at + 4);
    if (size < 8 || size > emf.size() - at) break;
    found += type == U_EMR_EXTFLOODFILL;
    if (fills || type != U_EMR_EXTFLOODFILL) {
      out.insert(out.end(), emf.data() + at, emf.data() + at + size);
      ++records;
    }
    at += size;
  }
  if (out.size() >= 56) {
    le::Put32(out.data() + 48, std::uint32_t(out.size()));
    le::Put32(out.data() + 52, records);
  }
  if (count) *count = found;
  return out;
}

void DrawPicture(const Bytes& emf, OutputMode mode, TDC* dc, cRasterSurface* surface) {
  cWmf picture;
  picture.SetBits(emf);
  picture.frame = PictureFrame{{0, 0}, double(kWide), double(kHigh), 0};
  WorldMapping mapping;
  mapping.scale = 0.25;
  mapping.outputMode = mode;
  mapping.SetDeviceClip(DeviceRect{0, 0, kWide, kHigh});
  cDrawInfo info(mapping, nullptr, dc, surface);
  picture.Draw(&info);
}

using Pixels = std::vector<std::uint32_t>;

Pixels ScreenRoad(const Bytes& emf) {
  Pixels pixels(std::size_t(kWide) * kHigh, 0);
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kWide, kHigh})) return pixels;
  surface.FillRect(0, 0, kWide, kHigh, 0xFFFFFFFFu);
  DrawPicture(emf, OutputMode::Screen, surface.DC(), &surface);
  surface.Flush();
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x) pixels[std::size_t(y) * kWide + std::size_t(x)] = *surface.PixelAt(x, y) & 0xFFFFFF;
  return pixels;
}

// The picture recorded as the export records it; its flood fills counted.
Pixels ExportRoad(const Bytes& emf, int* fills) {
  Pixels pixels(std::size_t(kWide) * kHigh, 0);
  ByteArray bytes;
  {
    MetafileDC recorder(MetafileFrame{0, 0, kWide * 10 - 1, kHigh * 10 - 1}, TSize{1000, 1000}, TSize{100, 100});
    DrawPicture(emf, OutputMode::Metafile, &recorder, nullptr);
    if (!recorder.Close(bytes)) return pixels;
  }
  Records(Bytes(bytes.Items(), bytes.Items() + bytes.Count()), true, fills);
  const std::optional<EmfDocument> exported = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  if (!exported) return pixels;
  std::vector<std::uint8_t> bits(std::size_t(kWide) * kHigh * 4, 0xFF);
  {
    auto dc = RasterDC::Create(bits.data(), kWide, kHigh);
    if (!dc || !PlayEnhMetaFile(*dc, *exported, TRect{0, 0, kWide, kHigh})) return pixels;
    dc->Flush();
  }
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = std::uint32_t(bits[4 * i]) | std::uint32_t(bits[4 * i + 1]) << 8 | std::uint32_t(bits[4 * i + 2]) << 16;
  return pixels;
}

std::vector<bool> Changed(const Pixels& with, const Pixels& without) {
  std::vector<bool> changed(with.size());
  for (std::size_t i = 0; i < with.size(); ++i) changed[i] = with[i] != without[i];
  return changed;
}

// Six fills, up to a border and over a colour, of black, white and colours
// whose red and blue differ, in boxes, an ellipse and a slanted outline.
Bytes SixFills() {
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 16, std::uint32_t(kWide - 1));  // bounds, inclusive
  le::Put32(h + 20, std::uint32_t(kHigh - 1));
  le::Put32(h + 32, std::uint32_t(kWide * 100));
  le::Put32(h + 36, std::uint32_t(kHigh * 100));
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, std::uint32_t(kWide));
  le::Put32(h + 76, std::uint32_t(kHigh));
  le::Put32(h + 80, std::uint32_t(kWide));
  le::Put32(h + 84, std::uint32_t(kHigh));
  auto rect = [](int l, int t, int r, int bt) { return rectl_set(point32_set(l, t), point32_set(r, bt)); };
  const U_COLORREF purple = colorref_set(150, 20, 220), orange = colorref_set(240, 140, 10);
  std::uint32_t handle = 1;
  auto pen = [&](U_COLORREF color) {
    b.Take(U_EMRCREATEPEN_set(handle, logpen_set(U_PS_SOLID, point_set(1, 0), color)));
    b.Take(U_EMRSELECTOBJECT_set(handle++));
  };
  auto brush = [&](U_COLORREF color) {
    b.Take(U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(U_BS_SOLID, color, 0)));
    b.Take(U_EMRSELECTOBJECT_set(handle++));
  };
  auto fill = [&](int x, int y, U_COLORREF color, std::uint32_t mode, U_COLORREF with) {
    brush(with);
    b.Take(U_EMREXTFLOODFILL_set(point32_set(x, y), color, mode));
  };
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_BRUSH | 0x80000000u));
  pen(colorref_set(0, 0, 0));
  b.Take(U_EMRRECTANGLE_set(rect(40, 40, 240, 240)));
  b.Take(U_EMRELLIPSE_set(rect(300, 40, 560, 260)));
  pen(purple);
  const U_POINTL slant[4] = {{650, 40}, {780, 150}, {640, 280}, {600, 120}};
  b.Take(U_EMRPOLYGON_set(rect(600, 40, 780, 280), 4, slant));
  b.Take(U_EMRRECTANGLE_set(rect(40, 320, 380, 560)));
  brush(orange);
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  b.Take(U_EMRRECTANGLE_set(rect(440, 340, 760, 560)));
  fill(140, 140, colorref_set(0, 0, 0), U_FLOODFILLBORDER, colorref_set(0, 120, 255));
  fill(430, 150, colorref_set(255, 255, 255), U_FLOODFILLSURFACE, colorref_set(255, 220, 0));
  fill(690, 150, purple, U_FLOODFILLBORDER, colorref_set(30, 200, 90));
  fill(200, 440, purple, U_FLOODFILLBORDER, colorref_set(200, 0, 100));
  fill(600, 450, orange, U_FLOODFILLSURFACE, colorref_set(90, 90, 90));
  fill(20, 580, colorref_set(255, 255, 255), U_FLOODFILLSURFACE, colorref_set(230, 230, 250));
  EXPECT_TRUE(b.Finish(4));
  return Bytes(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
}

Bytes ReadWmfAsEmf(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  WmfPicture picture;
  std::size_t skip = 0;
  PlaceableHeader header;
  if (ReadPlaceableHeader(bytes.data(), bytes.size(), &header)) {
    skip = kPlaceableHeaderSize;
    picture.hasWindow = true;
    picture.windowLeft = header.left;
    picture.windowTop = header.top;
    picture.windowWidth = header.right - header.left;
    picture.windowHeight = header.bottom - header.top;
  }
  ByteArray emf;
  if (bytes.size() < skip || !ConvertWmfToEmf(bytes.data() + skip, bytes.size() - skip, picture, emf)) return {};
  return Bytes(emf.Items(), emf.Items() + emf.Count());
}

TEST(MetafileFloodFillExport, TheExportKeepsEveryFillAndFillsWhatTheScreenFills) {
  KVN_REQUIRE_TESTDATA(data);
  InstallRendererPictureServices();
  struct Picture {
    const char* name;
    Bytes emf;
    long filled;  // at least, on the screen
  };
  const Picture pictures[] = {
      {"six fills", SixFills(), 100000},
      // Two small grey squares at this size.
      {"libuemf_test_libuemf_ref.wmf", ReadWmfAsEmf(data / "metafile" / "libuemf_test_libuemf_ref.wmf"), 40},
  };
  for (const Picture& p : pictures) {
    SCOPED_TRACE(p.name);
    int fills = 0;
    const Bytes without = Records(p.emf, false, &fills);
    ASSERT_GT(fills, 0);
    const std::vector<bool> screen = Changed(ScreenRoad(p.emf), ScreenRoad(without));
    int exportedFills = 0, none = 0;
    const std::vector<bool> exported = Changed(ExportRoad(p.emf, &exportedFills), ExportRoad(without, &none));
    EXPECT_EQ(exportedFills, fills);
    EXPECT_EQ(none, 0);
    long onScreen = 0, inExport = 0, apart = 0;
    for (std::size_t i = 0; i < screen.size(); ++i) {
      onScreen += screen[i];
      inExport += exported[i];
      apart += screen[i] != exported[i];
    }
    EXPECT_GE(onScreen, p.filled);
    // The roads place shapes alike up to an edge pixel here and there.
    EXPECT_LE(apart, onScreen / 100) << onScreen << " pixels filled on the screen, " << inExport
                                     << " by the exported picture, " << apart << " not on both";
  }
}

}  // namespace
}  // namespace kvn
