// A metafile's mitre limit (SETMITERLIMIT) and brush origin (SETBRUSHORGEX)
// on every road a placed picture takes: the screen, the print's raster road,
// its vector road (the PDF page rendered back by pdftoppm and by
// Ghostscript) and an exported metafile played back. A 30-unit mitre-joined pen draws a right angle
// (mitre ratio 1.41) and a sharp corner (ratio 10.15), stroked and widened:
// each corner has its long point while the limit allows it and is bevelled
// past it, the limit kept with the saved states. A cross hatch is tiled
// from the brush origin, in device pixels.
#include <gtest/gtest.h>
#include <uemf.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/print/PrintDC.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Write = std::function<void(EmfBuilder&)>;
// One byte a pixel: dark or not.
using Ink = std::vector<std::uint8_t>;

// The picture: 500 x 260 reference pixels on as many millimetres, drawn
// 1:1 on 500 x 260 device pixels.
constexpr int kWide = 500, kHigh = 260;

Bytes Build(const Write& write) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 16, kWide);  // the bounds, which the placed frame shows
  le::Put32(h + 20, kHigh);
  le::Put32(h + 32, kWide * 100);
  le::Put32(h + 36, kHigh * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kWide);
  le::Put32(h + 76, kHigh);
  le::Put32(h + 80, kWide);
  le::Put32(h + 84, kHigh);
  write(b);
  EXPECT_TRUE(b.Finish(4));
  return Bytes(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
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

// Dark: every channel below half.
bool Dark(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return r < 128 && g < 128 && b < 128; }

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
      ink[std::size_t(y) * kWide + std::size_t(x)] = Dark(std::uint8_t(p >> 16), std::uint8_t(p >> 8), std::uint8_t(p));
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

enum class Reader { kPoppler, kGhostscript };

// A PDF page at 96 dpi (a device pixel a page pixel) rendered back by
// `reader`; empty when the page could not be made or read.
Ink VectorRoad(const Bytes& emf, Reader reader) {
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "mitre.pdf").string();
  constexpr int kDpi = 96;
  const double mmWide = kWide * 25.4 / kDpi, mmHigh = kHigh * 25.4 / kDpi;
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{mmWide, mmHigh, kDpi, kDpi, mmWide, mmHigh, 0, 0});
    if (dc.StartDoc(WString(u"mitre"), WString::FromUtf8(file)) <= 0 || dc.StartPage() <= 0) return {};
    DrawPicture(emf, OutputMode::DirectPrinter, &dc, nullptr);
    if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) return {};
  }
  const std::string r = std::to_string(kDpi);
  std::istringstream image(RunCommand(
      reader == Reader::kPoppler
          ? "pdftoppm -gray -r " + r + " -aa no -aaVector no '" + file + "'"
          : "gs -q -dSAFER -dBATCH -dNOPAUSE -sstdout=%stderr -sDEVICE=pgmraw -dGraphicsAlphaBits=1 -r" + r +
                " -sOutputFile=- '" + file + "' 2>/dev/null"));
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> std::ws;
  // Ghostscript names itself in a comment.
  while (image.peek() == '#') image.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  image >> w >> h >> max;
  image.get();
  if (magic != "P5" || w < kWide || h < kHigh) return {};
  std::string pixels(std::size_t(w) * std::size_t(h), '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  Ink ink(std::size_t(kWide) * kHigh, 0);
  for (int y = 0; y < kHigh; ++y)
    for (int x = 0; x < kWide; ++x)
      ink[std::size_t(y) * kWide + std::size_t(x)] =
          std::uint8_t(pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)]) < 128;
  return ink;
}

// The picture recorded into a metafile, played back on a raster context.
Ink ExportRoad(const Bytes& emf) {
  ByteArray bytes;
  {
    MetafileDC recorder(MetafileFrame{0, 0, kWide * 10 - 1, kHigh * 10 - 1}, TSize{1000, 1000}, TSize{100, 100});
    DrawPicture(emf, OutputMode::Metafile, &recorder, nullptr);
    if (!recorder.Close(bytes)) return {};
  }
  const std::optional<EmfDocument> exported = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  if (!exported) return {};
  std::vector<std::uint8_t> bits(std::size_t(kWide) * kHigh * 4, 0xFF);
  {
    auto dc = RasterDC::Create(bits.data(), kWide, kHigh);
    if (!dc || !PlayEnhMetaFile(*dc, *exported, TRect{0, 0, kWide, kHigh})) return {};
    dc->Flush();
  }
  Ink ink(std::size_t(kWide) * kHigh, 0);
  for (std::size_t i = 0; i < ink.size(); ++i) ink[i] = Dark(bits[i * 4 + 2], bits[i * 4 + 1], bits[i * 4]);
  return ink;
}

struct Road {
  const char* name;
  std::function<Ink(const Bytes&)> draw;
};

const Road kScreen{"screen", [](const Bytes& b) { return RasterRoad(b, OutputMode::Screen); }};
const Road kRasterPage{"print, raster road", [](const Bytes& b) { return RasterRoad(b, OutputMode::Raster); }};
const Road kPopplerPage{"print, vector road read by pdftoppm",
                        [](const Bytes& b) { return VectorRoad(b, Reader::kPoppler); }};
const Road kGhostscriptPage{"print, vector road read by Ghostscript",
                            [](const Bytes& b) { return VectorRoad(b, Reader::kGhostscript); }};
const Road kExport{"export as metafile", [](const Bytes& b) { return ExportRoad(b); }};

bool ReadersPresent() {
  return !RunCommand("command -v pdftoppm").empty() && !RunCommand("command -v gs").empty();
}

bool InkAt(const Ink& ink, int x, int y) { return ink[std::size_t(y) * kWide + std::size_t(x)] != 0; }

// ---- mitre limit

void MitreLimit(EmfBuilder& b, std::uint32_t limit) { b.Take(U_EMRSETMITERLIMIT_set(limit)); }

// The corners with a black geometric pen of 30 units, flat ends and
// mitred joins: stroked, or widened and filled black.
void Corners(EmfBuilder& b, bool widen) {
  PU_EXTLOGPEN pen = extlogpen_set(U_PS_GEOMETRIC | U_PS_SOLID | U_PS_ENDCAP_FLAT | U_PS_JOIN_MITER, 30, U_BS_SOLID,
                                   colorref_set(0, 0, 0), 0, 0, nullptr);
  b.Take(U_EMREXTCREATEPEN_set(1, nullptr, 0, nullptr, pen));
  std::free(pen);
  b.Take(U_EMRSELECTOBJECT_set(1));
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(2, logbrush_set(U_BS_SOLID, colorref_set(0, 0, 0), 0)));
  b.Take(U_EMRSELECTOBJECT_set(2));
  // The right angle turns down at (200, 200): its long point at (215, 185).
  // The sharp corner turns back at (300, 120): its long point 152 units on,
  // at (451, 135).
  const std::vector<std::vector<U_POINT16>> figures = {{{40, 200}, {200, 200}, {200, 250}},
                                                       {{20, 120}, {300, 120}, {50, 70}}};
  for (const auto& figure : figures) {
    const U_RECTL none = rectl_set(point32_set(0, 0), point32_set(-1, -1));
    if (widen) b.Take(U_EMRBEGINPATH_set());
    b.Take(U_EMRPOLYLINE16_set(none, std::uint32_t(figure.size()), figure.data()));
    if (!widen) continue;
    b.Take(U_EMRENDPATH_set());
    b.Take(U_EMRWIDENPATH_set());
    b.Take(U_EMRFILLPATH_set(none));
  }
}

TEST(MetafileMitreLimit, CornersHaveTheirLongPointWithinTheLimitOnEveryRoad) {
  if (!ReadersPresent()) GTEST_SKIP() << "pdftoppm (poppler-utils) or gs (ghostscript) missing";
  InstallRendererPictureServices();
  const struct {
    const char* name;
    Write before;  // records before the corners
    bool rightMitred, sharpMitred;
  } rows[] = {
      {"no limit set: 10", [](EmfBuilder&) {}, true, false},
      {"limit 1", [](EmfBuilder& b) { MitreLimit(b, 1); }, false, false},
      {"limit 10", [](EmfBuilder& b) { MitreLimit(b, 10); }, true, false},
      {"limit 20", [](EmfBuilder& b) { MitreLimit(b, 20); }, true, true},
      {"limit 20, then 1", [](EmfBuilder& b) { MitreLimit(b, 20); MitreLimit(b, 1); }, false, false},
      {"limit 20 in a saved state that is restored",
       [](EmfBuilder& b) {
         b.Take(U_EMRSAVEDC_set());
         MitreLimit(b, 20);
         b.Take(U_EMRRESTOREDC_set(-1));
       },
       true, false},
      {"limit 20 kept past a saved state",
       [](EmfBuilder& b) {
         MitreLimit(b, 20);
         b.Take(U_EMRSAVEDC_set());
         MitreLimit(b, 1);
         b.Take(U_EMRRESTOREDC_set(-1));
       },
       true, true},
      {"limit 0 refused: 20 stays", [](EmfBuilder& b) { MitreLimit(b, 20); MitreLimit(b, 0); }, true, true},
  };
  for (const bool widen : {false, true}) {
    for (const auto& row : rows) {
      const Bytes emf = Build([&](EmfBuilder& b) {
        row.before(b);
        Corners(b, widen);
      });
      for (const Road& road : {kScreen, kRasterPage, kPopplerPage, kGhostscriptPage, kExport}) {
        SCOPED_TRACE(std::string(row.name) + (widen ? ", widened" : ", stroked") + ", " + road.name);
        const Ink ink = road.draw(emf);
        ASSERT_EQ(ink.size(), std::size_t(kWide) * kHigh);
        // The lines themselves, and nothing past the longest point.
        EXPECT_TRUE(InkAt(ink, 120, 200));
        EXPECT_TRUE(InkAt(ink, 200, 240));
        EXPECT_TRUE(InkAt(ink, 150, 120));
        EXPECT_TRUE(InkAt(ink, 295, 118));
        EXPECT_FALSE(InkAt(ink, 225, 180));
        EXPECT_FALSE(InkAt(ink, 470, 137));
        // Inside each long point, outside its bevel.
        EXPECT_EQ(InkAt(ink, 211, 189), row.rightMitred);
        EXPECT_EQ(InkAt(ink, 376, 127), row.sharpMitred);
        EXPECT_EQ(InkAt(ink, 430, 133), row.sharpMitred);
      }
    }
  }
}

// ---- brush origin

// A rectangle of black cross hatch, no outline, over (40, 40)-(460, 220).
void Hatched(EmfBuilder& b) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_HATCHED, colorref_set(0, 0, 0), U_HS_CROSS)));
  b.Take(U_EMRSELECTOBJECT_set(1));
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  b.Take(U_EMRRECTANGLE_set(rectl_set(point32_set(40, 40), point32_set(460, 220))));
}

void BrushOrigin(EmfBuilder& b, int x, int y) { b.Take(U_EMRSETBRUSHORGEX_set(point32_set(x, y))); }

TEST(MetafileBrushOrigin, HatchLinesStartAtTheBrushOriginOnEveryRoad) {
  if (!ReadersPresent()) GTEST_SKIP() << "pdftoppm (poppler-utils) or gs (ghostscript) missing";
  InstallRendererPictureServices();
  const struct {
    const char* name;
    Write write;
    int x, y;  // where the hatch's lines cross, modulo 8
  } rows[] = {
      {"no origin set", [](EmfBuilder& b) { Hatched(b); }, 0, 0},
      {"origin (3, 5)", [](EmfBuilder& b) { BrushOrigin(b, 3, 5); Hatched(b); }, 3, 5},
      {"origin (-2, 13)", [](EmfBuilder& b) { BrushOrigin(b, -2, 13); Hatched(b); }, 6, 5},
      {"origin (7, 1) after the fill", [](EmfBuilder& b) { Hatched(b); BrushOrigin(b, 7, 1); }, 0, 0},
      {"origin (4, 6) in a saved state that is restored",
       [](EmfBuilder& b) {
         b.Take(U_EMRSAVEDC_set());
         BrushOrigin(b, 4, 6);
         b.Take(U_EMRRESTOREDC_set(-1));
         Hatched(b);
       },
       0, 0},
      {"origin (4, 6) set again in a saved state",
       [](EmfBuilder& b) {
         BrushOrigin(b, 2, 2);
         b.Take(U_EMRSAVEDC_set());
         BrushOrigin(b, 4, 6);
         Hatched(b);
         b.Take(U_EMRRESTOREDC_set(-1));
       },
       4, 6},
  };
  for (const auto& row : rows) {
    const Bytes emf = Build(row.write);
    // pdftoppm fills a tiling a quarter pixel off at this scale and drops
    // the hatch's rows wherever they start; Ghostscript draws the page's
    // tiles as they are written.
    for (const Road& road : {kScreen, kRasterPage, kGhostscriptPage, kExport}) {
      SCOPED_TRACE(std::string(row.name) + ", " + road.name);
      const Ink ink = road.draw(emf);
      ASSERT_EQ(ink.size(), std::size_t(kWide) * kHigh);
      // Well inside the rectangle every pixel is as the tiling says; the
      // first pixel out of place is named.
      int wrong = 0;
      std::string first;
      for (int y = 60; y < 200; ++y)
        for (int x = 60; x < 440; ++x) {
          const bool line = (x - row.x) % 8 == 0 || (y - row.y) % 8 == 0;
          if (InkAt(ink, x, y) == line) continue;
          if (wrong++ == 0) first = "(" + std::to_string(x) + ", " + std::to_string(y) + ")";
        }
      EXPECT_EQ(wrong, 0) << "first at " << first;
    }
  }
}

}  // namespace
}  // namespace kvn
