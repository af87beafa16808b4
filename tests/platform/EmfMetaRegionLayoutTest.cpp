// Meta regions (SETMETARGN) and right-to-left layouts (SETLAYOUT) in metafile
// playback. A meta region bounds every later clip, which acts on the clip
// alone; a saved state brings its meta region back. A right-to-left layout
// mirrors the picture within its frame, bitmaps too unless their
// orientation is kept, and text stays upright with its alignment reversed
// (centred text stays centred); a restored state brings the saved layout back.
// Pictures are played on the raster target and, for the meta regions, on a
// printed PDF page read back by pdftoppm.
#include <gtest/gtest.h>
#include <uemf.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/print/PrintDC.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace emf_meta_region_layout {

constexpr int kFrame = 100;  // 100 reference pixels on 100 mm, drawn 1:1
using Write = std::function<void(EmfBuilder&)>;

U_RECTL R(int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); }

struct Region {
  PU_RGNDATA data;
  explicit Region(U_RECTL rect) { data = rgndata_set(rgndataheader_set(1, rect), &rect); }
  Region(const Region&) = delete;
  Region& operator=(const Region&) = delete;
  ~Region() { std::free(data); }
};

void Copy(EmfBuilder& b, U_RECTL rect) {
  Region region(rect);
  b.Take(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, region.data));
}

void NoClip(EmfBuilder& b) {
  std::uint8_t* p = b.Add(U_EMR_EXTSELECTCLIPRGN, 16);  // RGN_COPY of no region
  le::Put32(p + 12, U_RGN_COPY);
}

void Fill(EmfBuilder& b, U_RECTL rect, U_COLORREF color) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(1, logbrush_set(U_BS_SOLID, color, 0)));
  b.Take(U_EMRSELECTOBJECT_set(1));
  b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
  b.Take(U_EMRRECTANGLE_set(rect));
}

std::optional<EmfDocument> Build(const Write& write) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, 10000);  // frame 0..100 mm
  le::Put32(h + 36, 10000);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kFrame);  // 100 pixels on 100 mm
  le::Put32(h + 76, kFrame);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
  write(b);
  if (!b.Finish(4)) return std::nullopt;
  return EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
}

// BGRA pixels of a `width` x kFrame surface with the frame played into `rect`.
std::vector<std::uint8_t> Raster(const Write& write, int width, const TRect& rect) {
  std::vector<std::uint8_t> bits(std::size_t(width) * kFrame * 4, 0xFF);
  const std::optional<EmfDocument> emf = Build(write);
  EXPECT_TRUE(emf);
  if (!emf) return bits;
  auto dc = RasterDC::Create(bits.data(), width, kFrame);
  EmfPlayStats stats;
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, rect, &stats));
  EXPECT_EQ(stats.unplayed, 0u);
  dc->Flush();
  return bits;
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

// Grey levels of a page `width` x kFrame pixels at 96 dpi with the frame
// played into `rect`, printed and read back by pdftoppm (empty when the page
// could not be made).
std::string Printed(const Write& write, int width, const TRect& rect) {
  const std::optional<EmfDocument> emf = Build(write);
  if (!emf) return {};
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "page.pdf").string();
  const double mmWide = width * 25.4 / 96, mmHigh = kFrame * 25.4 / 96;
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{mmWide, mmHigh, 96, 96, mmWide, mmHigh, 0, 0});
    if (dc.StartDoc(WString(u"page"), WString::FromUtf8(file)) <= 0 || dc.StartPage() <= 0) return {};
    PlayEnhMetaFile(dc, *emf, rect);
    if (dc.EndPage() <= 0 || dc.EndDoc() <= 0) return {};
  }
  std::istringstream image(RunCommand("pdftoppm -gray -r 96 -aa no -aaVector no '" + file + "'"));
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> w >> h >> max;
  image.get();
  if (magic != "P5" || w < width || h < kFrame) return {};
  std::string pixels(std::size_t(w) * std::size_t(h), '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  std::string grey(std::size_t(width) * kFrame, '\0');
  for (int y = 0; y < kFrame; ++y)
    for (int x = 0; x < width; ++x) grey[std::size_t(y * width + x)] = pixels[std::size_t(y) * w + std::size_t(x)];
  return grey;
}

// ---- meta regions: each picture ends by filling the whole frame in red.

struct MetaCase {
  const char* name;
  Write clips;
  std::vector<std::array<int, 2>> red, white;
};

const MetaCase kMetaCases[] = {
    {"a wider clip after SETMETARGN stays inside the meta region",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(20, 20, 60, 60)));
       b.Take(U_EMRSETMETARGN_set());
       Copy(b, R(0, 0, kFrame, kFrame));
     },
     {{25, 25}, {55, 55}},
     {{10, 10}, {70, 70}}},
    {"a null RGN_COPY resets the clip and keeps the meta region",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(20, 20, 60, 60)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(40, 40, 80, 80)));
       NoClip(b);
     },
     {{25, 25}, {55, 55}},
     {{10, 10}, {70, 70}}},
    {"RestoreDC brings back the meta region SaveDC saved",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(10, 10, 70, 70)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRSAVEDC_set());
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(40, 40, 90, 90)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRRESTOREDC_set(-1));
       Copy(b, R(0, 0, kFrame, kFrame));
     },
     {{15, 15}, {65, 65}},
     {{5, 5}, {80, 80}}},
    {"two SETMETARGN in a row intersect",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(10, 10, 60, 60)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(40, 40, 90, 90)));
       b.Take(U_EMRSETMETARGN_set());
       Copy(b, R(0, 0, kFrame, kFrame));
     },
     {{45, 45}, {55, 55}},
     {{20, 20}, {80, 80}, {50, 80}}},
    {"OFFSETCLIPRGN moves the clip, not the meta region",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(20, 20, 80, 80)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(0, 0, 30, 30)));
       b.Take(U_EMROFFSETCLIPRGN_set(point32_set(30, 30)));
     },
     {{35, 35}, {55, 55}},
     {{25, 25}, {70, 70}}},
    {"SELECTCLIPPATH replaces the clip within the meta region",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(20, 20, 80, 80)));
       b.Take(U_EMRSETMETARGN_set());
       b.Take(U_EMRBEGINPATH_set());
       b.Take(U_EMRRECTANGLE_set(R(0, 0, kFrame, 50)));
       b.Take(U_EMRENDPATH_set());
       b.Take(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
     },
     {{30, 30}, {70, 45}},
     {{10, 10}, {30, 70}}},
};

TEST(EmfMetaRegion, LaterClipsActOnTheClipAloneInsideTheMetaRegion) {
  for (const MetaCase& c : kMetaCases) {
    SCOPED_TRACE(c.name);
    const Write write = [&](EmfBuilder& b) {
      c.clips(b);
      Fill(b, R(0, 0, kFrame, kFrame), colorref_set(255, 0, 0));
    };
    const std::vector<std::uint8_t> bits = Raster(write, kFrame, TRect{0, 0, kFrame, kFrame});
    const std::string printed = Printed(write, kFrame, TRect{0, 0, kFrame, kFrame});
    EXPECT_FALSE(printed.empty()) << "no page read back";
    for (bool red : {true, false}) {
      for (const auto& [x, y] : red ? c.red : c.white) {
        const std::uint8_t* px = bits.data() + (y * kFrame + x) * 4;
        EXPECT_EQ(px[1] < 128, red) << "raster at (" << x << ", " << y << ")";
        if (!printed.empty()) {
          EXPECT_EQ(std::uint8_t(printed[std::size_t(y * kFrame + x)]) < 128, red)
              << "page at (" << x << ", " << y << ")";
        }
      }
    }
  }
}

// The context's own clip still bounds a meta region built inside the
// metafile, and the context's clip is its own again afterwards.
TEST(EmfMetaRegion, TheContextsClipBoundsTheMetaRegion) {
  const std::optional<EmfDocument> emf = Build([](EmfBuilder& b) {
    b.Take(U_EMRINTERSECTCLIPRECT_set(R(20, 20, 80, 80)));
    b.Take(U_EMRSETMETARGN_set());
    Copy(b, R(0, 0, kFrame, kFrame));
    Fill(b, R(0, 0, kFrame, kFrame), colorref_set(255, 0, 0));
  });
  ASSERT_TRUE(emf);
  std::vector<std::uint8_t> bits(kFrame * kFrame * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kFrame, kFrame);
  dc->IntersectClipRect(0, 0, 50, kFrame);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kFrame, kFrame}));
  TRegion clip;
  ASSERT_EQ(dc->GetClipRgn(&clip), 1);
  EXPECT_EQ(clip.GetBox(), (TRect{0, 0, 50, kFrame}));
  dc->Flush();
  auto red = [&](int x, int y) { return bits[std::size_t((y * kFrame + x) * 4 + 1)] < 128; };
  EXPECT_TRUE(red(30, 30));
  EXPECT_FALSE(red(10, 10)) << "outside the meta region";
  EXPECT_FALSE(red(60, 30)) << "outside the context's clip";
}

// ---- layouts: the frame is placed at x 20..120 of a surface 200 wide, so
// that a mirror about the surface's middle (x 100) shows.

constexpr int kWide = 200;
const TRect kPlace{20, 0, 120, kFrame};

void Layout(EmfBuilder& b, std::uint32_t mode) { b.Take(U_EMRSETLAYOUT_set(mode)); }

void Shapes(EmfBuilder& b) {
  Fill(b, R(5, 10, 40, 30), colorref_set(255, 0, 0));
  const U_POINTL triangle[3] = {point32_set(10, 50), point32_set(60, 60), point32_set(15, 90)};
  b.Take(U_EMRPOLYGON_set(R(10, 50, 60, 90), 3, triangle));
}

// A bitmap two pixels wide, black then red, stretched over (x, 10)..(x + 30, 30).
void Picture(EmfBuilder& b, int x) {
  const char bits[8] = {0, 0, 0, 0, 0, char(255), 0, 0};  // one row of BGR, padded to 4
  PU_BITMAPINFO info = bitmapinfo_set(bitmapinfoheader_set(2, 1, 1, 24, U_BI_RGB, 8, 0, 0, 0, 0), nullptr);
  b.Take(U_EMRSTRETCHDIBITS_set(R(x, 10, x + 30, 30), point32_set(x, 10), point32_set(30, 20), point32_set(0, 0),
                                point32_set(2, 1), U_DIB_RGB_COLORS, U_SRCCOPY, info, 8,
                                const_cast<char*>(bits)));
  std::free(info);
}

void Font(EmfBuilder& b) {
  std::uint8_t* p = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  le::Put32(p + 8, 2);
  le::Put32(p + 12, std::uint32_t(-40));
  le::Put32(p + 28, 400);
  p[38] = 3;  // NONANTIALIASED_QUALITY: exact pixels
  const std::u16string face = u"Liberation Sans";
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(p + 40 + 2 * i, face[i]);
  b.Take(U_EMRSELECTOBJECT_set(2));
  b.Take(U_EMRSETBKMODE_set(U_TRANSPARENT));
}

void Text(EmfBuilder& b, std::uint32_t align, int x, int y) {
  b.Take(U_EMRSETTEXTALIGN_set(align));
  const std::u16string text = u"Fg7";
  std::uint8_t* p = b.Add(U_EMR_EXTTEXTOUTW, 76 + 8);
  le::Put32(p + 24, 1);  // GM_COMPATIBLE
  le::Put32(p + 36, std::uint32_t(x));
  le::Put32(p + 40, std::uint32_t(y));
  le::Put32(p + 44, std::uint32_t(text.size()));
  le::Put32(p + 48, 76);
  le::Put32(p + 52, U_ETO_NO_RECT);
  // ETO_NO_RECT: the spacing offset (0, the font's own) follows the options.
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(p + 76 + 2 * i, text[i]);
}

enum class Expect { kMirrorOf, kSameAs };

struct LayoutCase {
  const char* name;
  Write picture;
  Expect expect;
  Write reference;
  bool text = false;
};

const LayoutCase kLayoutCases[] = {
    {"RTL mirrors shapes within the frame",
     [](EmfBuilder& b) {
       Layout(b, 1);
       Shapes(b);
     },
     Expect::kMirrorOf, Shapes},
    {"SETLAYOUT 0 after RTL draws unmirrored again",
     [](EmfBuilder& b) {
       Layout(b, 1);
       Fill(b, R(5, 10, 40, 30), colorref_set(255, 0, 0));
       Layout(b, 0);
       Fill(b, R(5, 60, 40, 80), colorref_set(0, 0, 255));
     },
     Expect::kSameAs,
     [](EmfBuilder& b) {
       Fill(b, R(60, 10, 95, 30), colorref_set(255, 0, 0));
       Fill(b, R(5, 60, 40, 80), colorref_set(0, 0, 255));
     }},
    {"RESTOREDC after SAVEDC and RTL draws unmirrored again",
     [](EmfBuilder& b) {
       b.Take(U_EMRSAVEDC_set());
       Layout(b, 1);
       Fill(b, R(5, 10, 40, 30), colorref_set(255, 0, 0));
       b.Take(U_EMRRESTOREDC_set(-1));
       Fill(b, R(5, 60, 40, 80), colorref_set(0, 0, 255));
     },
     Expect::kSameAs,
     [](EmfBuilder& b) {
       Fill(b, R(60, 10, 95, 30), colorref_set(255, 0, 0));
       Fill(b, R(5, 60, 40, 80), colorref_set(0, 0, 255));
     }},
    {"RTL mirrors a bitmap",
     [](EmfBuilder& b) {
       Layout(b, 1);
       Picture(b, 10);
     },
     Expect::kMirrorOf, [](EmfBuilder& b) { Picture(b, 10); }},
    {"RTL with LAYOUT_BITMAPORIENTATIONPRESERVED moves a bitmap without turning it",
     [](EmfBuilder& b) {
       Layout(b, 1 | 8);
       Picture(b, 10);
     },
     Expect::kSameAs, [](EmfBuilder& b) { Picture(b, 60); }},
    {"RTL text is upright, its alignment reversed",
     [](EmfBuilder& b) {
       Font(b);
       Layout(b, 1);
       Text(b, U_TA_LEFT | U_TA_BASELINE, 10, 60);
     },
     Expect::kSameAs,
     [](EmfBuilder& b) {
       Font(b);
       Text(b, U_TA_RIGHT | U_TA_BASELINE, 90, 60);
     },
     true},
    {"RTL centred text is centred on its mirrored point",
     [](EmfBuilder& b) {
       Font(b);
       Layout(b, 1);
       Text(b, U_TA_CENTER | U_TA_BASELINE, 30, 60);
     },
     Expect::kSameAs,
     [](EmfBuilder& b) {
       Font(b);
       Text(b, U_TA_CENTER | U_TA_BASELINE, 70, 60);
     },
     true},
};

// The pixel of `want` that pixel x of `got` is compared with: itself, or
// its mirror image within the placed frame (pixels 20..119 and 139 - x).
int Counterpart(Expect expect, int x) {
  return expect == Expect::kSameAs || x < kPlace.left || x >= kPlace.right ? x : 139 - x;
}

class EmfLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::FontFilesPresent({test::kLiberationSans}))
      fonts_ = std::make_unique<test::PrivateFonts>("emf-layout", std::vector<std::string>{test::kLiberationSans});
    previous_ = GetTextFaceSource();
    InstallFontLayerFaces();
  }
  void TearDown() override {
    SetTextFaceSource(previous_);
    fonts_.reset();
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  TextFaceSource* previous_ = nullptr;
};

TEST_F(EmfLayout, RightToLeftMirrorsWithinTheFrame) {
  for (const LayoutCase& c : kLayoutCases) {
    SCOPED_TRACE(c.name);
    if (c.text && !fonts_) {
      ADD_FAILURE() << "Debian fonts-liberation2 missing";
      continue;
    }
    // The raster road: shapes and bitmaps to the exact colour, text by its
    // ink (glyph edges may move by a pixel with the rounding of the run's
    // origin).
    const std::vector<std::uint8_t> got = Raster(c.picture, kWide, kPlace);
    const std::vector<std::uint8_t> want = Raster(c.reference, kWide, kPlace);
    auto dark = [](const std::uint8_t* p) { return p[0] < 160 || p[1] < 160 || p[2] < 160; };
    int ink = 0, differences = 0;
    for (int y = 0; y < kFrame; ++y)
      for (int x = 0; x < kWide; ++x) {
        const std::uint8_t* g = got.data() + (std::size_t(y) * kWide + std::size_t(x)) * 4;
        const std::uint8_t* w = want.data() + (std::size_t(y) * kWide + std::size_t(Counterpart(c.expect, x))) * 4;
        ink += dark(w);
        differences += c.text ? dark(g) != dark(w) : g[0] != w[0] || g[1] != w[1] || g[2] != w[2];
      }
    ASSERT_GT(ink, 100);
    EXPECT_LE(differences, c.text ? ink / 20 : 0) << "raster";

    // The printed page: its reader may decide a pixel whose centre lies on
    // an edge either way.
    const std::string printedGot = Printed(c.picture, kWide, kPlace);
    const std::string printedWant = Printed(c.reference, kWide, kPlace);
    ASSERT_FALSE(printedGot.empty() || printedWant.empty()) << "no page read back";
    int printedInk = 0, printedDifferences = 0;
    for (int y = 0; y < kFrame; ++y)
      for (int x = 0; x < kWide; ++x) {
        const bool w = std::uint8_t(printedWant[std::size_t(y * kWide + Counterpart(c.expect, x))]) < 160;
        printedInk += w;
        printedDifferences += (std::uint8_t(printedGot[std::size_t(y * kWide + x)]) < 160) != w;
      }
    ASSERT_GT(printedInk, 100);
    EXPECT_LE(printedDifferences, printedInk / 20) << "page";
  }
}

}  // namespace emf_meta_region_layout
}  // namespace kvn
