// The printer device context: a PDF page of the medium's size in printer
// dots whose origin is the printable area's corner, the document calls'
// order and their spooler codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "platform/gdi/RasterDC.h"
#include "platform/print/PrintDC.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

// A spooler that lists nothing and makes no jobs.
class NoJobs final : public Spooler {
 public:
  bool ListQueues(std::vector<std::string>& names, int& def) override {
    names.clear();
    def = -1;
    return false;
  }
  bool QueueDefaults(const std::string&, PrinterSettings&, std::uint32_t&) override { return false; }
  bool QueueMedia(const std::string&, std::vector<SpoolerMedium>&) override { return false; }
  bool QueueChoices(const std::string&, SpoolerChoices&, std::uint32_t&) override { return false; }
};

PrintPageSetup A4At300() { return PrintPageSetup{210, 297, 300, 300, 200, 287, 5, 5}; }

TEST(PrintDC, APageInDotsFromThePrintableCorner) {
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "page.pdf").string();
  TPrintDC_ dc("TEST", PrinterSettings{}, A4At300());
  ASSERT_TRUE(dc.Valid());
  EXPECT_EQ(dc.GetDeviceCaps(kCapTechnology), kDtRasPrinter);
  EXPECT_EQ(dc.GetDeviceCaps(kCapLogPixelsX), 300);
  EXPECT_EQ(dc.GetDeviceCaps(kCapHorzRes), 2362);  // 200 mm
  EXPECT_EQ(dc.GetDeviceCaps(kCapVertRes), 3390);  // 287 mm
  EXPECT_TRUE(dc.GetDeviceCaps(kCapRasterCaps) & kRcStretchDib);
  EXPECT_EQ(dc.StartPage(), kSpError);  // no document yet
  ASSERT_GT(dc.StartDoc(WString(u"page"), WString::FromUtf8(file)), 0);
  for (int page = 0; page < 2; ++page) {
    ASSERT_GT(dc.StartPage(), 0);
    dc.FillSolidRect(TRect{0, 0, 118, 118}, Rgb(0, 0, 0));  // 10 mm
    ASSERT_GT(dc.EndPage(), 0);
  }
  ASSERT_GT(dc.EndDoc(), 0);
  EXPECT_EQ(dc.EndDoc(), kSpError);
  EXPECT_EQ(dc.PagesEnded(), 2);

  const std::string info = RunCommand("pdfinfo '" + file + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("(A4)"), std::string::npos) << info;
  // At 100 dpi: the square covers 5 mm to 15 mm of the paper.
  const std::string pgm = RunCommand("pdftoppm -gray -r 100 -f 1 -l 1 -x 0 -y 0 -W 80 -H 80 '" + file + "'");
  std::istringstream in(pgm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  in >> magic >> w >> h >> max;
  in.get();
  ASSERT_EQ(magic, "P5");
  std::string pixels(std::size_t(w) * h, '\0');
  in.read(pixels.data(), std::streamsize(pixels.size()));
  auto at = [&](int x, int y) { return std::uint8_t(pixels[std::size_t(y) * w + x]); };
  EXPECT_GT(at(10, 10), 200);  // 2.5 mm: outside the printable area
  EXPECT_LT(at(40, 40), 50);   // 10 mm: inside the square
  EXPECT_GT(at(70, 70), 200);  // 17.8 mm: past it
}

TEST(PrintDC, FailuresAreSpoolerCodesWithTheirWords) {
  NoJobs none;
  ScopedSpoolerOverride use(none);
  TPrintDC_ queue("GONE", PrinterSettings{}, A4At300());
  EXPECT_EQ(queue.StartDoc(WString(u"x"), WString()), kSpError);
  EXPECT_EQ(queue.SystemText(), "no print server");

  test::ScratchDir scratch;
  const std::filesystem::path missing = scratch.Path() / "no" / "such.prn";
  TPrintDC_ file("TEST", PrinterSettings{}, A4At300());
  EXPECT_EQ(file.StartDoc(WString(u"x"), WString::FromUtf8(missing.string())), kSpError);
  EXPECT_FALSE(file.SystemText().empty());
  EXPECT_FALSE(std::filesystem::exists(missing));

  // Aborting a document leaves what was written for the caller to delete,
  // and forgets the page it was recording: finished (as the context's
  // teardown finishes it), the surface writes no more than an empty page.
  const std::filesystem::path partial = scratch.Path() / "partial.prn";
  TPrintDC_ aborted("TEST", PrinterSettings{}, A4At300());
  ASSERT_GT(aborted.StartDoc(WString(u"x"), WString::FromUtf8(partial.string())), 0);
  ASSERT_GT(aborted.StartPage(), 0);
  for (int i = 0; i < 5000; ++i) {
    // A colour of its own: every stroke is recorded.
    aborted.SelectObject(TPen(Rgb(i % 2 ? 255 : 0, 0, 0), 0));
    aborted.MoveTo(i % 2000, i / 7);
    aborted.LineTo(i % 1999 + 13, i / 5);
  }
  EXPECT_GT(aborted.AbortDoc(), 0);
  EXPECT_EQ(aborted.EndDoc(), kSpError);
  EXPECT_TRUE(std::filesystem::exists(partial));
  const std::uint64_t before = aborted.SurfaceBytes();
  cairo_surface_finish(aborted.Surface());
  EXPECT_LT(aborted.SurfaceBytes() - before, 4096u) << "the abandoned page was written out";
}

// The page's memory watch: past the resident ceiling (set below what the
// process holds) the rest of the page reaches nothing and the page says so;
// without the watch, and on the next page, everything is drawn.
TEST(PrintDC, APagePastTheResidentCeilingDrawsNoMore) {
  test::ScratchDir scratch;
  TPrintDC_ dc("TEST", PrinterSettings{}, A4At300());
  ASSERT_GT(dc.StartDoc(WString(u"watch"), WString::FromUtf8((scratch.Path() / "watch.pdf").string())), 0);
  ASSERT_GT(ResidentBytes(), 0u);
  print_testing::SetResidentCeiling(1);
  auto strokes = [&dc](int count) {
    dc.ResetOutput();
    for (int i = 0; i < count; ++i) {
      // A colour of its own: every stroke is an operation.
      dc.SelectObject(TPen(Rgb(i % 2 ? 255 : 0, 0, 0), 0));
      dc.MoveTo(10 * i, 10);
      dc.LineTo(10 * i + 5, 300);
    }
    dc.FillSolidRect(TRect{0, 0, 1, 1}, Rgb(0, 0, 0));
    return dc.Output().operations;
  };
  for (bool watch : {false, true, false}) {
    SCOPED_TRACE(watch);
    ASSERT_GT(dc.StartPage(), 0);
    dc.SetPageWatch(watch);
    // Watched, the first operation finds the ceiling passed.
    EXPECT_EQ(strokes(50), watch ? 1u : 51u);
    EXPECT_EQ(dc.PageOverflowed(), watch);
    dc.SetPageWatch(false);
    ASSERT_GT(dc.EndPage(), 0);
  }
  print_testing::SetResidentCeiling(0);
  ASSERT_GT(dc.EndDoc(), 0);
}

// Figures of four sides that end on their start point without being
// closed, and a closed one, drawn by thick flat- and square-capped pens:
// alone in their joined run, and sharing the run with another line. cairo
// keeps a path merged (a repeated point and points along a side vanish),
// so a figure with a corner given twice and one of many points along its
// sides are the same four sides to its writer; a dashed one drawn from
// its lower right corner anticlockwise starts its dashes there.
constexpr int kBoxesPage = 300;
void DrawBoxes(TDC& dc) {
  auto box = [&dc](int x, int y, bool closed) {
    const TPoint points[5] = {{x, y}, {x + 50, y}, {x + 50, y + 50}, {x, y + 50}, {x, y}};
    if (!closed) return dc.Polyline(points, 5);
    dc.BeginPath();
    dc.Polyline(points, 4);
    dc.CloseFigure();
    dc.EndPath();
    return dc.StrokePath();
  };
  // An odd width puts every edge between pixels, where both roads agree.
  auto pen = [](std::uint32_t cap, COLORREF color, std::uint32_t style = kPsSolid, std::uint32_t width = 11) {
    return TPen::ExtCreate(kPsGeometric | style | cap | kPsJoinMiter, width, kBsSolid, color);
  };
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 0)));
  box(20, 20, false);
  dc.SelectObject(pen(kPsEndCapSquare, Rgb(0, 0, 1)));
  box(100, 20, false);
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 2)));
  box(20, 100, false);
  dc.MoveTo(100, 170);
  dc.LineTo(170, 170);
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 3)));
  box(100, 100, true);
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 5)));
  const TPoint twice[6] = {{180, 20}, {230, 20}, {230, 20}, {230, 70}, {180, 70}, {180, 20}};
  dc.Polyline(twice, 6);
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 6)));
  std::vector<TPoint> many;
  for (int i = 0; i < 10; ++i) many.push_back({180 + 5 * i, 100});
  for (int i = 0; i < 10; ++i) many.push_back({230, 100 + 5 * i});
  for (int i = 0; i < 10; ++i) many.push_back({230 - 5 * i, 150});
  for (int i = 0; i <= 10; ++i) many.push_back({180, 150 - 5 * i});
  dc.Polyline(many.data(), int(many.size()));
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 7), kPsDash, 3));
  const TPoint anticlockwise[5] = {{70, 230}, {70, 180}, {20, 180}, {20, 230}, {70, 230}};
  dc.Polyline(anticlockwise, 5);
  dc.SelectObject(TPen(Rgb(0, 0, 4), 0));
}

// The page's content: every stream of the file inflated, one after another.
std::string PdfContent(const std::string& pdf) {
  std::string content;
  for (std::size_t at = pdf.find("stream"); at != std::string::npos; at = pdf.find("stream", at)) {
    std::size_t begin = at + 6;
    if (begin < pdf.size() && pdf[begin] == '\r') ++begin;
    if (begin < pdf.size() && pdf[begin] == '\n') ++begin;
    const std::size_t end = pdf.find("endstream", begin);
    if (end == std::string::npos) break;
    z_stream z{};
    if (inflateInit(&z) == Z_OK) {
      z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(pdf.data() + begin));
      z.avail_in = uInt(end - begin);
      std::array<char, 16384> out{};
      int status = Z_OK;
      while (status == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        content.append(out.data(), out.size() - z.avail_out);
      }
      inflateEnd(&z);
    }
    at = end + 9;
  }
  return content;
}

// Operators `op` among the content's words.
int CountOperator(const std::string& content, const std::string& op) {
  std::istringstream words(content);
  int count = 0;
  for (std::string word; words >> word;) count += word == op;
  return count;
}

// The vector page, rendered back, against the same figures on the raster
// road's context, at the resolutions of common printers: the figures drawn
// open stay open (the first corner of a flat-capped one has its notch of
// half the pen's width, the dashes start where the screen's do), the closed
// one stays closed, whatever shares its run. The page's content writes only
// the closed figure as a rectangle.
TEST(PrintDC, OpenFiguresPrintAsTheRasterRoadDrawsThem) {
  std::vector<std::uint8_t> bits(kBoxesPage * kBoxesPage * 4, 0xFF);
  {
    auto raster = RasterDC::Create(bits.data(), kBoxesPage, kBoxesPage);
    ASSERT_TRUE(raster);
    DrawBoxes(*raster);
    raster->Flush();
  }
  auto rasterInk = [&](int x, int y) { return bits[(std::size_t(y) * kBoxesPage + x) * 4] < 128; };
  for (const int dpi : {100, 300, 600}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    test::ScratchDir scratch;
    const std::string file = (scratch.Path() / "boxes.pdf").string();
    // kBoxesPage dots square from the paper's corner.
    const double mm = kBoxesPage * 25.4 / dpi;
    const PrintPageSetup page{mm, mm, dpi, dpi, mm, mm, 0, 0};
    {
      TPrintDC_ dc("TEST", PrinterSettings{}, page);
      ASSERT_GT(dc.StartDoc(WString(u"boxes"), WString::FromUtf8(file)), 0);
      ASSERT_GT(dc.StartPage(), 0);
      DrawBoxes(dc);
      ASSERT_GT(dc.EndPage(), 0);
      ASSERT_GT(dc.EndDoc(), 0);
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream pdf;
    pdf << in.rdbuf();
    const std::string content = PdfContent(pdf.str());
    EXPECT_EQ(CountOperator(content, "re"), 1) << content;

    const std::string pgm =
        RunCommand("pdftoppm -gray -r " + std::to_string(dpi) + " -aa no -aaVector no '" + file + "'");
    std::istringstream image(pgm);
    std::string magic;
    int w = 0, h = 0, max = 0;
    image >> magic >> w >> h >> max;
    image.get();
    ASSERT_EQ(magic, "P5");
    // The page's size in points may round up to one more pixel.
    ASSERT_GE(w, kBoxesPage);
    ASSERT_GE(h, kBoxesPage);
    ASSERT_LE(w, kBoxesPage + 1);
    std::string pixels(std::size_t(w) * h, '\0');
    image.read(pixels.data(), std::streamsize(pixels.size()));
    auto vectorInk = [&](int x, int y) { return std::uint8_t(pixels[std::size_t(y) * w + x]) < 128; };
    // The two rasterisers may decide a pixel whose centre lies on an edge
    // (the ends of a line run through pixel centres) either way: a pixel
    // differs only where the other road has the same ink next to it.
    auto near = [](auto ink, int x, int y, bool value) {
      for (int v = std::max(y - 1, 0); v <= std::min(y + 1, kBoxesPage - 1); ++v)
        for (int u = std::max(x - 1, 0); u <= std::min(x + 1, kBoxesPage - 1); ++u)
          if (ink(u, v) == value) return true;
      return false;
    };
    int ink = 0, differ = 0;
    for (int y = 0; y < kBoxesPage; ++y) {
      for (int x = 0; x < kBoxesPage; ++x) {
        ink += rasterInk(x, y);
        const bool v = vectorInk(x, y), r = rasterInk(x, y);
        if (v != r && !(near(rasterInk, x, y, v) && near(vectorInk, x, y, r))) ++differ;
      }
    }
    ASSERT_GT(ink, 6 * 4 * 50 * 11);  // the six figures of 11 dots
    EXPECT_EQ(differ, 0) << "of " << ink << " pixels of ink";
    // The notch of the flat-capped figures' first corner (the line runs
    // through pixel centres, half a pixel down and right), and the closed
    // figure's mitred corner.
    for (const TPoint corner : {TPoint{20, 20}, TPoint{20, 100}, TPoint{180, 20}, TPoint{180, 100}}) {
      EXPECT_FALSE(rasterInk(corner.x - 3, corner.y - 3));
      EXPECT_FALSE(vectorInk(corner.x - 3, corner.y - 3)) << "closed at " << corner.x << ", " << corner.y;
    }
    EXPECT_TRUE(rasterInk(97, 97));
    EXPECT_TRUE(vectorInk(97, 97));
  }
}

}  // namespace
}  // namespace kvn
