// The sample metafiles as kvn-render paints them (the drawing window's
// pixels) against LibreOffice's renderings of the same files, stored as ink
// masks by tools/metafile_peer_masks.sh: most of each side's ink lies within
// 3 pixels of the other's once both are cropped to their ink and scaled
// alike. And each metafile exported as BMP shows what the window shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <utility>
#include <string>
#include <vector>

#include "app/DrawingServices.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "foundation/WString.h"
#include "model/cDrawingData.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/image/PictureDecode.h"
#include "print/export/ExportDrawing.h"
#include "print/export/ExportSettings.h"
#include "render/DibConversion.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"
#include "tools/InkMask.h"

namespace kvn {
namespace metafile_peer {

namespace fs = std::filesystem;

constexpr const char* kOpenSymbol = "/usr/share/fonts/truetype/libreoffice/opens___.ttf";

struct Sample {
  const char* file;
  // Below the measure, with the reason; the measure is still checked to hold
  // at the level given, so that a regression shows.
  double floor = 0.85;
  const char* reason = nullptr;
};

const Sample kSamples[] = {
    {"libuemf_test_libuemf_ref.wmf"},
    {"libwmf_sample.wmf"},
    // Measured 0.53 / 0.62.
    {"libwmf_text.wmf", 0.5,
     "a plain WMF whose texts reach beyond the box LibreOffice gives it: LibreOffice cuts the turned text and "
     "the texts beside it at that box, and draws its lines in other faces (its own substitutes for Garamond, "
     "Bookman, Impact, ...), so the two pictures crop and scale apart"},
    // Measured 0.75 / 0.99.
    {"emf2svg_EA-test-file-001.emf", 0.7,
     "the header's frame does not hold the drawing (its bounds lie 517 pixels above it): LibreOffice shows only "
     "what falls inside the frame, the window also the lines its margin shows above it"},
    {"emf2svg_test-181.emf"},
    // Measured 0 / 0.
    {"libuemf_test_libuemf_p_ref.emf", 0.0,
     "an EMF+ only picture: EMF+ records are passed over (the GDI records, none here, are drawn), LibreOffice "
     "plays EMF+"},
    {"libuemf_test_libuemf_ref.emf"},
    {"libuemf_test_mm_anisotropic_ref.emf"},
};

fs::path PeerMasks() { return fs::path(__FILE__).parent_path().parent_path() / "golden" / "peer" / "metafile"; }

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

struct ToolRun {
  std::string out;
  int status = -1;
};

ToolRun RunCommand(const std::string& command) {
  ToolRun r;
  std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  r.status = pclose(pipe);
  return r;
}

// Fonts pinned as the peer renderings were made: the Liberation faces for
// the Windows names, DejaVu for the rest, OpenSymbol and Symbola for the
// symbol faces.
class MetafilePeer : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> files = {test::kLiberationSans, test::kLiberationSerif, test::kLiberationMono,
                                            test::kDejaVuSans, kOpenSymbol, test::kSymbola};
    if (!test::FontFilesPresent(files))
      GTEST_SKIP() << "fonts-liberation2, fonts-dejavu-core, fonts-opensymbol or fonts-symbola missing";
    fonts_ = std::make_unique<test::PrivateFonts>("metafile-peer", files);
    conf_ = fs::current_path() / "private-fonts" / "metafile-peer" / "fonts.conf";
  }
  // kvn-render's picture of a file; the scale (pixels per drawing unit) and
  // the fitted extent it printed come back in `scale` and `extent`.
  bool Render(const fs::path& file, const fs::path& png, int width, int height, double* scale = nullptr,
              double* extent = nullptr) {
    const ToolRun r = RunCommand("FONTCONFIG_FILE=" + Quoted(conf_) + " " + std::string(KVN_RENDER_PATH) + " --width " +
                          std::to_string(width) + " --height " + std::to_string(height) + " " + Quoted(file) + " " +
                          Quoted(png));
    EXPECT_EQ(r.status, 0) << r.out;
    const std::size_t at = r.out.find("\"scale\": ");
    if (scale && at != std::string::npos) *scale = std::atof(r.out.c_str() + at + 9);
    const std::size_t box = r.out.find("\"extent\": [");
    if (extent && box != std::string::npos) {
      const char* p = r.out.c_str() + box + 11;
      for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        extent[i] = std::strtod(p, &end);
        p = end + (*end == ',' ? 1 : 0);
      }
    }
    return r.status == 0;
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  fs::path conf_;
};

TEST_F(MetafilePeer, KvnRenderAgreesWithLibreOffice) {
  KVN_REQUIRE_TESTDATA(data);
  test::ScratchDir dir;
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.file);
    const tool::InkMask peer = tool::ReadPbm((PeerMasks() / (std::string(s.file) + ".pbm")).string());
    ASSERT_FALSE(peer.Empty()) << "no stored mask: run tools/metafile_peer_masks.sh";
    const fs::path png = dir / (std::string(s.file) + ".png");
    ASSERT_TRUE(Render(data / "metafile" / s.file, png, 1600, 1200));
    const tool::InkMask ours = tool::InkOfPngFile(png.string());
    ASSERT_FALSE(ours.Empty());
    const tool::InkAgreement a = tool::CompareWithPeer(peer, ours, 3);
    std::printf("%s: peer near ours %.3f, ours near peer %.3f\n", s.file, a.peerNearOurs, a.oursNearPeer);
    EXPECT_GE(a.peerNearOurs, s.floor) << (s.reason ? s.reason : "");
    EXPECT_GE(a.oursNearPeer, s.floor) << (s.reason ? s.reason : "");
  }
}

// ---- BMP export against the window ----

// A picture file's pixels (0x00BBGGRR), decoded as the viewer reads it.
bool ReadPixels(const fs::path& path, test::Picture* out) {
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  TDib dib;
  if (DecodePicture(bytes.data(), bytes.size(), &dib) != PictureStatus::kOk) return false;
  std::unique_ptr<TDib> plain;
  if (dib.Compression() != 0) plain = DecodeRleDib(dib);
  const TDib& d = plain ? *plain : dib;
  out->width = d.Width();
  out->height = d.Height();
  out->pixels.resize(std::size_t(out->width) * std::size_t(out->height));
  for (int y = 0; y < out->height; ++y)
    for (int x = 0; x < out->width; ++x) out->pixels[std::size_t(y) * out->width + x] = d.GetPixelColor(x, y);
  return true;
}

bool IsPaper(std::uint32_t c) { return ((c >> 16) & 0xFF) >= 250 && ((c >> 8) & 0xFF) >= 250 && (c & 0xFF) >= 250; }

bool Near(std::uint32_t a, std::uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

// Whether a's pixel (x, y) has a pixel of about its colour within one pixel
// of (x + dx, y + dy) in b (the two roads may round an edge apart).
bool Found(const test::Picture& a, int x, int y, const test::Picture& b, int dx, int dy) {
  for (int v = y + dy - 1; v <= y + dy + 1; ++v)
    for (int u = x + dx - 1; u <= x + dx + 1; ++u)
      if (u >= 0 && v >= 0 && u < b.width && v < b.height && Near(a.At(x, y), b.At(u, v), 40)) return true;
  return false;
}

// The export is the frame's area with a margin of 2 pixels; the window shows
// it where the fit put the frame (centred, found exactly by the placement
// that matches most of the export's ink) and, around it, what the metafile
// draws outside its frame, which the export leaves out.
struct Agreement {
  double exportInWindow = 0, windowInExport = 0;
};
Agreement CompareExportWithWindow(const test::Picture& exported, const test::Picture& window, int left, int top) {
  std::vector<std::pair<int, int>> ink;
  for (int y = 0; y < exported.height; ++y)
    for (int x = 0; x < exported.width; ++x)
      if (!IsPaper(exported.At(x, y))) ink.emplace_back(x, y);
  int bestDx = left, bestDy = top;
  std::size_t best = 0;
  for (int dy = top - 6; dy <= top + 6; ++dy)
    for (int dx = left - 6; dx <= left + 6; ++dx) {
      std::size_t hits = 0;
      for (std::size_t i = 0; i < ink.size(); i += 7) {
        const int u = ink[i].first + dx, v = ink[i].second + dy;
        hits += u >= 0 && v >= 0 && u < window.width && v < window.height &&
                Near(exported.At(ink[i].first, ink[i].second), window.At(u, v), 40);
      }
      if (hits > best) {
        best = hits;
        bestDx = dx;
        bestDy = dy;
      }
    }
  Agreement a;
  std::size_t good = 0, back = 0, inside = 0;
  for (int y = 2; y < exported.height - 2; ++y)
    for (int x = 2; x < exported.width - 2; ++x) {
      good += Found(exported, x, y, window, bestDx, bestDy);
      const int u = x + bestDx, v = y + bestDy;
      if (u < 0 || v < 0 || u >= window.width || v >= window.height) continue;
      ++inside;
      back += Found(window, u, v, exported, -bestDx, -bestDy);
    }
  const std::size_t all = std::size_t(std::max(0, exported.width - 4)) * std::size_t(std::max(0, exported.height - 4));
  a.exportInWindow = all ? double(good) / double(all) : 0.0;
  a.windowInExport = inside ? double(back) / double(inside) : 0.0;
  return a;
}

TEST_F(MetafilePeer, BmpExportShowsWhatTheWindowShows) {
  KVN_REQUIRE_TESTDATA(data);
  setenv("FONTCONFIG_FILE", conf_.c_str(), 1);
  InstallDrawingServices();
  test::ScratchDir dir;
  constexpr int kWidth = 800, kHeight = 600;
  for (const Sample& s : kSamples) {
    SCOPED_TRACE(s.file);
    const fs::path file = data / "metafile" / s.file;
    const fs::path png = dir / (std::string(s.file) + ".png");
    double scale = 0, extent[4] = {};
    ASSERT_TRUE(Render(file, png, kWidth, kHeight, &scale, extent));
    ASSERT_GT(scale, 0);
    test::Picture window;
    ASSERT_TRUE(ReadPixels(png, &window));

    OpenRequest request;
    request.quiet = true;
    DocumentResult opened = OpenDrawing(WString::FromUtf8(file.string()), request);
    ASSERT_TRUE(opened.Ok() && opened.Document());
    cDrawingDoc& doc = *opened.Document();
    std::uint32_t page = 0, sheet = 0;
    cDrawing* drawing = doc.EntryToDrawing(0, &page, &sheet);
    ASSERT_TRUE(drawing && drawing->Data());
    // The window's pixels per drawing unit, as a resolution in pixels per inch.
    const double resolution = scale * 25.4 * drawing->Data()->Scale();
    const fs::path bmp = dir / (std::string(s.file) + ".bmp");
    ExportShell shell;
    ASSERT_TRUE(ExportPage(WString::FromUtf8(bmp.string()), kExportTypeBmp, doc, nullptr, true, false, 0, nullptr,
                           resolution, 2, false, shell));
    test::Picture exported;
    ASSERT_TRUE(ReadPixels(bmp, &exported));
    const double frameW = (extent[2] - extent[0]) * scale, frameH = (extent[3] - extent[1]) * scale;
    EXPECT_NEAR(exported.width, frameW + 4, 2);
    EXPECT_NEAR(exported.height, frameH + 4, 2);
    const Agreement a = CompareExportWithWindow(exported, window, int(std::lround((kWidth - frameW) / 2 - 2)),
                                                int(std::lround((kHeight - frameH) / 2 - 2)));
    std::printf("%s: export %dx%d, matching %.4f / %.4f\n", s.file, exported.width, exported.height,
                a.exportInWindow, a.windowInExport);
    EXPECT_GE(a.exportInWindow, 0.98);
    EXPECT_GE(a.windowInExport, 0.98);
  }
}

// ---- a "y up" picture's text, upright on both roads ----

void Put(std::uint8_t* p, std::uint32_t at, std::int32_t v) { le::Put32(p + at, std::uint32_t(v)); }

// A 100 x 100 mm picture (1000 reference pixels) with a border and the text
// "Fgh" at device (200, 500), 160 pixels high; in "y up" LOMETRIC units when
// asked, else in the device's own.
bool WriteTextPicture(const fs::path& path, bool yUp) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(kEmrHeader, 108);
  Put(h, 16, 999);  // bounds 0, 0, 999, 999
  Put(h, 20, 999);
  Put(h, 32, 10000);
  Put(h, 36, 10000);
  Put(h, 40, std::int32_t(kEmfSignature));
  Put(h, 44, 0x10000);
  Put(h, 72, 1000);
  Put(h, 76, 1000);
  Put(h, 80, 100);
  Put(h, 84, 100);
  auto y = [yUp](std::int32_t device) { return yUp ? 1000 - device : device; };
  if (yUp) {
    Put(b.Add(17, 12), 8, 2);  // SETMAPMODE MM_LOMETRIC: 10 units per mm, y up
    std::uint8_t* p = b.Add(12, 16);  // SETVIEWPORTORGEX 0, 1000
    Put(p, 12, 1000);
  }
  std::uint8_t* r = b.Add(43, 24);  // RECTANGLE: the border
  Put(r, 8, 0);
  Put(r, 12, y(0));
  Put(r, 16, 1000);
  Put(r, 20, y(1000));
  Put(b.Add(18, 12), 8, 1);   // SETBKMODE TRANSPARENT
  Put(b.Add(22, 12), 8, 24);  // SETTEXTALIGN TA_BASELINE
  std::uint8_t* f = b.Add(82, 104);  // EXTCREATEFONTINDIRECTW
  Put(f, 8, 1);
  Put(f, 12, -160);
  Put(f, 28, 400);
  const std::u16string face = u"Liberation Sans";
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  Put(b.Add(37, 12), 8, 1);  // SELECTOBJECT
  const std::u16string text = u"Fgh";
  std::uint8_t* t = b.Add(84, 76 + 8);  // EXTTEXTOUTW
  Put(t, 24, 1);
  Put(t, 36, 200);
  Put(t, 40, y(500));
  Put(t, 44, 3);
  Put(t, 48, 76);
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(t + 76 + 2 * i, text[i]);
  if (!b.Finish(2)) return false;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.Bytes().Items()), std::streamsize(b.Bytes().Count()));
  return bool(out);
}

std::size_t Differences(const test::Picture& a, const test::Picture& b) {
  if (a.width != b.width || a.height != b.height) return a.pixels.size() + b.pixels.size();
  std::size_t n = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i) n += IsPaper(a.pixels[i]) != IsPaper(b.pixels[i]);
  return n;
}

std::size_t Ink(const test::Picture& a) {
  return std::size_t(std::count_if(a.pixels.begin(), a.pixels.end(), [](std::uint32_t c) { return !IsPaper(c); }));
}

TEST_F(MetafilePeer, YUpTextIsUprightInTheWindowAndInTheExport) {
  setenv("FONTCONFIG_FILE", conf_.c_str(), 1);
  InstallDrawingServices();
  test::ScratchDir dir;
  test::Picture window[2], exported[2];
  for (int yUp = 0; yUp < 2; ++yUp) {
    SCOPED_TRACE(yUp ? "y up" : "y down");
    const fs::path file = dir / (yUp ? "up.emf" : "down.emf");
    ASSERT_TRUE(WriteTextPicture(file, yUp));
    const fs::path png = dir / (yUp ? "up.png" : "down.png");
    double scale = 0;
    ASSERT_TRUE(Render(file, png, 400, 400, &scale));
    ASSERT_TRUE(ReadPixels(png, &window[yUp]));
    OpenRequest request;
    request.quiet = true;
    DocumentResult opened = OpenDrawing(WString::FromUtf8(file.string()), request);
    ASSERT_TRUE(opened.Ok() && opened.Document());
    std::uint32_t page = 0, sheet = 0;
    cDrawing* drawing = opened.Document()->EntryToDrawing(0, &page, &sheet);
    ASSERT_TRUE(drawing && drawing->Data());
    const fs::path bmp = dir / (yUp ? "up.bmp" : "down.bmp");
    ExportShell shell;
    ASSERT_TRUE(ExportPage(WString::FromUtf8(bmp.string()), kExportTypeBmp, *opened.Document(), nullptr, true, false,
                           0, nullptr, scale * 25.4 * drawing->Data()->Scale(), 2, false, shell));
    ASSERT_TRUE(ReadPixels(bmp, &exported[yUp]));
  }
  // The text of the y-down picture is known upright; the y-up one draws the
  // same pixels on both roads (a mirrored or upside-down text would differ
  // by most of its ink).
  const std::size_t ink = Ink(window[0]);
  ASSERT_GT(ink, 2000u);
  EXPECT_LE(Differences(window[0], window[1]), ink / 50);
  EXPECT_LE(Differences(exported[0], exported[1]), Ink(exported[0]) / 50);
}

}  // namespace metafile_peer
}  // namespace kvn
