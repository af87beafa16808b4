// The two SMALLTEXTOUT lines of libuemf's reference metafile (an 8-bit and
// a 16-bit text, both with their rectangle, at the page's top left) are
// drawn on the screen's road, the print's raster road and its vector road
// (the PDF page rendered back) and through an exported metafile as the metafile whose SMALLTEXTOUTs are
// replaced by their EXTTEXTOUTW twins draws them, each at its reference
// point: the ink they add lies in two bands, one for each line, where their
// twins put it.
#include <gtest/gtest.h>
#include <uemf.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/cWmf.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/print/PrintDC.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The metafile's frame is A4 landscape: drawn on 1000 x 707 pixels.
constexpr int kWide = 1000, kHigh = 707;

Bytes ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The metafile with each SMALLTEXTOUT replaced by the EXTTEXTOUTW of the
// same reference, options, rectangle and string (no spacing) (`only` < 0),
// or taken out but the one of index `only`.
Bytes WithSmallTexts(const Bytes& emf, int only) {
  const bool twins = only < 0;
  int index = 0;
  Bytes out;
  std::size_t at = 0;
  std::uint32_t records = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t type = le::U32(emf.data() + at), size = le::U32(emf.data() + at + 4);
    if (size < 8 || size > emf.size() - at) break;
    const std::uint8_t* r = emf.data() + at;
    if (type != U_EMR_SMALLTEXTOUT || (!twins && index++ == only)) {
      out.insert(out.end(), r, r + size);
      ++records;
    } else if (twins) {
      const std::uint32_t count = le::U32(r + 16), options = le::U32(r + 20);
      const bool wide = (options & U_ETO_SMALL_CHARS) == 0, rect = (options & U_ETO_NO_RECT) == 0;
      const std::uint32_t text = rect ? 52 : 36;
      Bytes t(76 + ((2 * count + 3) & ~3u), 0);
      le::Put32(t.data(), U_EMR_EXTTEXTOUTW);
      le::Put32(t.data() + 4, std::uint32_t(t.size()));
      le::Put32(t.data() + 16, 0xFFFFFFFF);  // bounds (0, 0, -1, -1): not given
      le::Put32(t.data() + 20, 0xFFFFFFFF);
      std::copy(r + 24, r + 36, t.begin() + 24);  // graphics mode, scales
      std::copy(r + 8, r + 16, t.begin() + 36);   // reference point
      le::Put32(t.data() + 44, count);
      le::Put32(t.data() + 48, 76);
      le::Put32(t.data() + 52, options & ~std::uint32_t(U_ETO_SMALL_CHARS));
      if (rect) std::copy(r + 36, r + 52, t.begin() + 56);
      for (std::uint32_t i = 0; i < count; ++i)
        le::Put16(t.data() + 76 + 2 * i, wide ? le::U16(r + text + 2 * i) : r[text + i]);
      out.insert(out.end(), t.begin(), t.end());
      ++records;
    }
    at += size;
    if (type == U_EMR_EOF) break;
  }
  le::Put32(out.data() + 48, std::uint32_t(out.size()));
  le::Put32(out.data() + 52, records);
  return out;
}

using Ink = std::vector<std::uint8_t>;  // one byte a pixel: dark or not

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

Ink RasterRoad(const Bytes& emf, OutputMode mode) {
  Ink ink(std::size_t(kWide) * kHigh, 0);
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kWide, kHigh})) return ink;
  surface.FillRect(0, 0, kWide, kHigh, 0xFFFFFFFFu);
  DrawPicture(emf, mode, surface.DC(), &surface);
  surface.Flush();
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x) {
      const std::uint32_t p = *surface.PixelAt(x, y);
      // Any colour but white: the lines are red, green and blue.
      ink[std::size_t(y) * kWide + std::size_t(x)] = (p & 0xFF) < 160 || ((p >> 8) & 0xFF) < 160 || ((p >> 16) & 0xFF) < 160;
    }
  return ink;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// A PDF page at 100 dpi rendered back by pdftoppm in colour.
Ink VectorRoad(const Bytes& emf) {
  Ink ink(std::size_t(kWide) * kHigh, 0);
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "small.pdf").string();
  constexpr int kDpi = 100;
  const double mmWide = kWide * 25.4 / kDpi, mmHigh = kHigh * 25.4 / kDpi;
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{mmWide, mmHigh, kDpi, kDpi, mmWide, mmHigh, 0, 0});
    if (dc.StartDoc(WString(u"small"), WString::FromUtf8(file)) <= 0 || dc.StartPage() <= 0) return ink;
    DrawPicture(emf, OutputMode::DirectPrinter, &dc, nullptr);
    if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) return ink;
  }
  const std::string ppm = RunCommand("pdftoppm -r " + std::to_string(kDpi) + " -aa no '" + file + "'");
  std::istringstream image(ppm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> w >> h >> max;
  image.get();
  if (magic != "P6" || w < kWide || h < kHigh) return ink;
  std::string pixels(std::size_t(w) * std::size_t(h) * 3, '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x) {
      const char* p = pixels.data() + (std::size_t(y) * w + x) * 3;
      ink[std::size_t(y) * kWide + std::size_t(x)] =
          std::uint8_t(p[0]) < 160 || std::uint8_t(p[1]) < 160 || std::uint8_t(p[2]) < 160;
    }
  return ink;
}

// The export: the picture recorded into a metafile, played back on a
// raster context.
Ink ExportRoad(const Bytes& emf) {
  Ink ink(std::size_t(kWide) * kHigh, 0);
  ByteArray bytes;
  {
    MetafileDC recorder(MetafileFrame{0, 0, kWide * 10 - 1, kHigh * 10 - 1}, TSize{1000, 1000}, TSize{100, 100});
    DrawPicture(emf, OutputMode::Metafile, &recorder, nullptr);
    if (!recorder.Close(bytes)) return ink;
  }
  const std::optional<EmfDocument> exported = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  if (!exported) return ink;
  std::vector<std::uint8_t> bits(std::size_t(kWide) * kHigh * 4, 0xFF);
  {
    auto dc = RasterDC::Create(bits.data(), kWide, kHigh);
    if (!dc || !PlayEnhMetaFile(*dc, *exported, TRect{0, 0, kWide, kHigh})) return ink;
    dc->Flush();
  }
  for (std::size_t i = 0; i < ink.size(); ++i)
    ink[i] = bits[i * 4] < 160 || bits[i * 4 + 1] < 160 || bits[i * 4 + 2] < 160;
  return ink;
}

// The rows and pixels holding ink in `a` and not in `b`.
struct Added {
  int top = kHigh, bottom = -1, right = -1;
  std::size_t pixels = 0;
};

Added AddedInk(const Ink& a, const Ink& b) {
  Added added;
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x) {
      const std::size_t i = std::size_t(y) * kWide + std::size_t(x);
      if (!a[i] || b[i]) continue;
      ++added.pixels;
      added.top = std::min(added.top, y);
      added.bottom = std::max(added.bottom, y);
      added.right = std::max(added.right, x);
    }
  return added;
}

TEST(MetafileSmallText, BothLinesAreDrawnAsTheirTwinsOnEveryRoad) {
  KVN_REQUIRE_TESTDATA(data);
  if (!test::FontFilesPresent({test::kLiberationSans})) GTEST_SKIP() << "Debian fonts-liberation2 missing";
  if (RunCommand("command -v pdftoppm").empty()) GTEST_SKIP() << "pdftoppm (poppler-utils) missing";
  test::PrivateFonts fonts("metafile-small-text", {test::kLiberationSans});
  TextFaceSource* previous = GetTextFaceSource();
  InstallFontLayerFaces();
  InstallRendererPictureServices();

  const Bytes emf = ReadBytes(data / "metafile" / "libuemf_test_libuemf_ref.emf");
  ASSERT_FALSE(emf.empty());
  const Bytes twins = WithSmallTexts(emf, -1), without = WithSmallTexts(emf, 99);
  const Bytes first = WithSmallTexts(emf, 0), second = WithSmallTexts(emf, 1);
  ASSERT_LT(without.size(), first.size());
  ASSERT_LT(first.size(), emf.size());
  const struct {
    const char* name;
    std::function<Ink(const Bytes&)> draw;
  } roads[] = {
      {"screen", [](const Bytes& b) { return RasterRoad(b, OutputMode::Screen); }},
      {"print, raster road", [](const Bytes& b) { return RasterRoad(b, OutputMode::Raster); }},
      {"print, vector road", [](const Bytes& b) { return VectorRoad(b); }},
      {"export as metafile", [](const Bytes& b) { return ExportRoad(b); }},
  };
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    const Ink drawn = road.draw(emf), twin = road.draw(twins), bare = road.draw(without);
    std::size_t differ = 0;
    for (std::size_t i = 0; i < drawn.size(); ++i) differ += drawn[i] != twin[i];
    EXPECT_EQ(differ, 0u);
    // Each line alone: ink of a line of text at the top left, the 8-bit
    // one (reference y 50) above the 16-bit one (y 350).
    const Added one = AddedInk(road.draw(first), bare), two = AddedInk(road.draw(second), bare);
    EXPECT_GT(one.pixels, 200u);
    EXPECT_GT(two.pixels, 200u);
    EXPECT_GT(one.bottom - one.top, 8);
    EXPECT_GT(two.bottom - two.top, 8);
    EXPECT_LT(one.top + 10, two.top);
    EXPECT_LT(two.bottom, kHigh / 8);
    EXPECT_LT(std::max(one.right, two.right), kWide / 2);
  }
  SetTextFaceSource(previous);
}

}  // namespace
}  // namespace kvn
