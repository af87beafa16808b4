// A metafile that widens one path ten times in a row (each widening makes
// the outline some five times as many points) between a blue box before it
// and a green box after it, and a second path widened as often as a path
// may be. Opened as the viewer opens it, the widenings
// past the limit are refused and the open says the picture was read in
// part; what is shown draws both boxes and the widened path on the screen,
// on a printed page's raster bands and on its vector page (the PDF read
// back). Played without the reader's check, the widening that would pass
// its point limit is refused at once and the boxes are still drawn.
#include <gtest/gtest.h>
#include <uemf.h>

#include <array>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/print/PrintDC.h"
#include "print/PrintOut.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The picture: kSide reference pixels on kSide mm.
constexpr int kSide = 200;
constexpr std::uint32_t kWidenings = 10;

U_RECTL Box(int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); }

void Brush(EmfBuilder& b, std::uint32_t handle, U_COLORREF color) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(handle, logbrush_set(U_BS_SOLID, color, 0)));
  b.Take(U_EMRSELECTOBJECT_set(handle));
}

Bytes WideningBomb() {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 16, kSide - 1);  // bounds (0, 0, 199, 199)
  le::Put32(h + 20, kSide - 1);
  le::Put32(h + 32, kSide * 100);
  le::Put32(h + 36, kSide * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  for (int at : {72, 76, 80, 84}) le::Put32(h + at, kSide);
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  Brush(b, 1, colorref_set(0, 0, 255));
  b.Take(U_EMRRECTANGLE_set(Box(10, 10, 50, 50)));
  // A round 12-unit pen; a zigzag and a circle in the path.
  PU_EXTLOGPEN pen = extlogpen_set(U_PS_GEOMETRIC | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND, 12, U_BS_SOLID,
                                   colorref_set(0, 0, 0), 0, 0, nullptr);
  b.Take(U_EMREXTCREATEPEN_set(2, nullptr, 0, nullptr, pen));
  std::free(pen);
  b.Take(U_EMRSELECTOBJECT_set(2));
  Brush(b, 3, colorref_set(255, 0, 0));
  b.Take(U_EMRBEGINPATH_set());
  const U_POINTL zigzag[] = {{20, 180}, {50, 120}, {80, 180}, {110, 120}, {140, 180}, {170, 120}};
  b.Take(U_EMRPOLYLINE_set(Box(0, 0, kSide, kSide), 6, zigzag));
  b.Take(U_EMRELLIPSE_set(Box(70, 70, 130, 130)));
  b.Take(U_EMRENDPATH_set());
  for (std::uint32_t i = 0; i < kWidenings; ++i) b.Take(U_EMRWIDENPATH_set());
  b.Take(U_EMRFILLPATH_set(Box(0, 0, kSide, kSide)));
  // A path of its own, widened as often as a path may be.
  b.Take(U_EMRBEGINPATH_set());
  const U_POINTL line[] = {{20, 65}, {180, 65}};
  b.Take(U_EMRPOLYLINE_set(Box(0, 0, kSide, kSide), 2, line));
  b.Take(U_EMRENDPATH_set());
  for (std::uint32_t i = 0; i < kMaxWideningsPerPath; ++i) b.Take(U_EMRWIDENPATH_set());
  b.Take(U_EMRFILLPATH_set(Box(0, 0, kSide, kSide)));
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  Brush(b, 4, colorref_set(0, 255, 0));
  b.Take(U_EMRRECTANGLE_set(Box(150, 10, 190, 50)));
  EXPECT_TRUE(b.Finish(5));
  return Bytes(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
}

std::uint32_t CountRecords(const Bytes& emf, std::uint32_t type) {
  std::uint32_t count = 0;
  std::size_t at = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t size = le::U32(emf.data() + at + 4);
    if (size < 8 || size > emf.size() - at) break;
    count += le::U32(emf.data() + at) == type;
    at += size;
  }
  return count;
}

// Pixels of each colour the picture draws: blue box, red path, green box.
struct Colours {
  std::size_t blue = 0, red = 0, green = 0;
  void Add(unsigned r, unsigned g, unsigned b) {
    blue += r < 80 && g < 80 && b > 200;
    red += r > 200 && g < 80 && b < 80;
    green += r < 80 && g > 200 && b < 80;
  }
};

void DrawPicture(const Bytes& emf, OutputMode mode, TDC* dc, cRasterSurface* surface) {
  cWmf picture;
  picture.SetBits(emf);
  picture.frame = PictureFrame{{0, 0}, double(kSide), double(kSide), 0};
  WorldMapping mapping;
  mapping.scale = 0.25;
  mapping.outputMode = mode;
  mapping.SetDeviceClip(DeviceRect{0, 0, kSide, kSide});
  cDrawInfo info(mapping, nullptr, dc, surface);
  picture.Draw(&info);
}

Colours Screen(const Bytes& emf) {
  Colours colours;
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kSide, kSide})) return colours;
  surface.FillRect(0, 0, kSide, kSide, 0xFFFFFFFFu);
  DrawPicture(emf, OutputMode::Screen, surface.DC(), &surface);
  surface.Flush();
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const std::uint32_t p = *surface.PixelAt(x, y);
      colours.Add((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
  return colours;
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

// The vector page at 100 dpi, rendered back by pdftoppm.
Colours VectorPage(const Bytes& emf) {
  Colours colours;
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "widened.pdf").string();
  constexpr int kDpi = 100;
  const double mm = kSide * 25.4 / kDpi;
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{mm, mm, kDpi, kDpi, mm, mm, 0, 0});
    if (dc.StartDoc(WString(u"widened"), WString::FromUtf8(file)) <= 0 || dc.StartPage() <= 0) return colours;
    DrawPicture(emf, OutputMode::DirectPrinter, &dc, nullptr);
    if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) return colours;
  }
  std::istringstream image(RunCommand("pdftoppm -r " + std::to_string(kDpi) + " -aa no '" + file + "'"));
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> w >> h >> max;
  image.get();
  if (magic != "P6" || w <= 0 || h <= 0) return colours;
  std::string pixels(std::size_t(w) * std::size_t(h) * 3, '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  for (std::size_t i = 0; i + 2 < pixels.size(); i += 3)
    colours.Add(std::uint8_t(pixels[i]), std::uint8_t(pixels[i + 1]), std::uint8_t(pixels[i + 2]));
  return colours;
}

class MetafileWideningBomb : public ::testing::Test, public test::PrinterTestBase {
 protected:
  // The picture placed on a 200 mm page printed at 300 dpi: its raster bands.
  Colours RasterBands(const Bytes& emf) {
    Colours colours;
    AddA4Queue(spooler, 300);
    LoadPrinterList();
    test::TiledDrawing t(kSide, kSide, 1, 1, 0);
    auto* picture = new cWmf();
    picture->SetBits(emf);
    picture->frame = PictureFrame{{0, 0}, double(kSide), double(kSide), 0};
    ObjectChain chain;
    chain.Append(picture);
    t.sheet->TopBlock().AppendChain(std::move(chain));
    PrintOutOptions o;
    o.printer = GetPrinterList().At(0);
    APXPrintOut out(t.Drawing(), o);
    EXPECT_TRUE(out.PrintPage(nullptr, 1, true, nullptr, nullptr, 0, 1, false, false, 0));
    if (out.pageImages.size() != 1) return colours;
    EXPECT_GE(out.pageImages[0].bands.size(), 4u);
    for (const PageImageBand& band : out.pageImages[0].bands)
      for (std::int32_t y = 0; y < band.dib.Height(); ++y)
        for (std::int32_t x = 0; x < band.dib.Width(); ++x) {
          const std::uint32_t c = band.dib.GetPixelColor(x, y);
          colours.Add(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    return colours;
  }
};

TEST_F(MetafileWideningBomb, WideningsPastTheLimitAreRefusedAndToldTheRestDrawnOnEveryRoad) {
  test::EnglishTexts english;
  InstallRendererPictureServices();
  const Bytes bomb = WideningBomb();
  ASSERT_EQ(CountRecords(bomb, U_EMR_WIDENPATH), kWidenings + kMaxWideningsPerPath);

  // Opened as the viewer opens it: told, the widenings past the limit out.
  test::ScratchDir dir;
  const std::string path = (dir.Path() / "widened.emf").string();
  ASSERT_TRUE(test::SaveBytes(path, bomb));
  FormatRegistry registry;
  InstallReaders(registry);
  OpenRequest request;
  request.quiet = true;
  const WString wpath = WString::FromUtf8(path);
  DocumentResult result = OpenDrawing(wpath, request, registry);
  ASSERT_TRUE(result.Ok());
  EXPECT_TRUE(result.Partial());
  EXPECT_NE(OpenWarningText(result, wpath).View().find(LoadLangString(kStrPartialReadShown).View()),
            std::u16string_view::npos);
  const cOutObj* object = result.Document()->GetFirstSheet()->TopBlock().FirstObject();
  ASSERT_TRUE(object && object->AsWmf());
  const Bytes shown = *object->AsWmf()->Bits()->bytes;
  EXPECT_EQ(CountRecords(shown, U_EMR_WIDENPATH), 2 * kMaxWideningsPerPath);
  EXPECT_EQ(CountRecords(shown, U_EMR_RECTANGLE), 2u);

  // What is shown: both boxes and the widened path, on every road.
  const bool pdftoppm = !RunCommand("command -v pdftoppm").empty();
  const struct {
    const char* name;
    std::function<Colours(const Bytes&)> draw;
    double pixelsPerUnit;  // device pixels a unit of the picture
    bool readBack;         // by pdftoppm
  } roads[] = {
      {"screen", Screen, 1.0, false},
      {"print, raster bands", [&](const Bytes& b) { return RasterBands(b); }, 300 / 25.4, false},
      {"print, vector page", VectorPage, 1.0, true},
  };
  for (const auto& road : roads) {
    SCOPED_TRACE(road.name);
    if (road.readBack && !pdftoppm) {
      ADD_FAILURE() << "pdftoppm (poppler-utils) missing";
      continue;
    }
    const Colours c = road.draw(shown);
    const double box = 40 * 40 * road.pixelsPerUnit * road.pixelsPerUnit;
    EXPECT_NEAR(double(c.blue), box, 0.1 * box);
    EXPECT_NEAR(double(c.green), box, 0.1 * box) << "the box after the widenings";
    EXPECT_GT(double(c.red), 4 * box) << "the widened path";
  }

  // Played as it is (no reader's check): the widening that would pass its
  // point limit is refused (the play counts it), the boxes drawn.
  std::optional<EmfDocument> doc = EmfDocument::FromBytes(bomb.data(), bomb.size());
  ASSERT_TRUE(doc);
  std::vector<std::uint8_t> bits(std::size_t(kSide) * kSide * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *doc, TRect{0, 0, kSide, kSide}, &stats));
  dc->Flush();
  EXPECT_GE(stats.unplayed, 1u);
  Colours played;
  for (std::size_t i = 0; i < bits.size(); i += 4) played.Add(bits[i + 2], bits[i + 1], bits[i]);
  EXPECT_NEAR(double(played.green), 1600, 160);
  EXPECT_NEAR(double(played.blue), 1600, 160);
  EXPECT_GT(played.red, 4 * 1600u);
}

}  // namespace
}  // namespace kvn
