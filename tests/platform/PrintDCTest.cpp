// The printer device context: a PDF page of the medium's size in printer
// dots whose origin is the printable area's corner, the document calls'
// order and their spooler codes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <numbers>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <zlib.h>

#include "platform/gdi/RasterDC.h"
#include "platform/print/PrintDC.h"
#include "tests/support/GoldenImage.h"
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
// its lower right corner anticlockwise starts its dashes there. A figure
// that goes round a box and then out along a spur and back ends on its
// start point too, and is no box.
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
  dc.SelectObject(pen(kPsEndCapFlat, Rgb(0, 0, 8)));
  const TPoint spur[7] = {{200, 190}, {250, 190}, {250, 240}, {200, 240}, {200, 190}, {130, 190}, {200, 190}};
  dc.Polyline(spur, 7);
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

// A page's pixels, one byte each, dark ones being ink.
struct PageInk {
  int width = 0, height = 0;
  std::string dark;
  bool operator()(int x, int y) const { return dark[std::size_t(y) * std::size_t(width) + std::size_t(x)] != 0; }
  int Count() const { return int(std::count(dark.begin(), dark.end(), '\1')); }
};

// The page of width x height dots drawn by `draw` on the raster road.
PageInk RasterInk(int width, int height, const std::function<void(TDC&)>& draw) {
  std::vector<std::uint8_t> bits(std::size_t(width) * std::size_t(height) * 4, 0xFF);
  {
    auto raster = RasterDC::Create(bits.data(), width, height);
    if (raster) {
      draw(*raster);
      raster->Flush();
    }
  }
  PageInk ink{width, height, std::string(std::size_t(width) * std::size_t(height), '\0')};
  for (std::size_t i = 0; i < ink.dark.size(); ++i) ink.dark[i] = bits[i * 4] < 128;
  return ink;
}

// The page's two readers: poppler's (pdftoppm, and the print filters built
// on it) and Ghostscript's, each without anti-aliasing.
enum class Reader { kPoppler, kGhostscript };
const char* ReaderName(Reader reader) { return reader == Reader::kPoppler ? "pdftoppm" : "Ghostscript"; }

// The page of width x height dots drawn by `draw`, printed on a medium of
// its size at `dpi` into `file`; its content (every stream inflated).
void PrintPage(int width, int height, int dpi, const std::function<void(TDC&)>& draw, const std::string& file,
               std::string& content) {
  const double mmWide = width * 25.4 / dpi, mmHigh = height * 25.4 / dpi;
  const PrintPageSetup page{mmWide, mmHigh, dpi, dpi, mmWide, mmHigh, 0, 0};
  {
    TPrintDC_ dc("TEST", PrinterSettings{}, page);
    ASSERT_GT(dc.StartDoc(WString(u"page"), WString::FromUtf8(file)), 0);
    ASSERT_GT(dc.StartPage(), 0);
    draw(dc);
    ASSERT_GT(dc.EndPage(), 0);
    ASSERT_GT(dc.EndDoc(), 0);
  }
  std::ifstream in(file, std::ios::binary);
  std::stringstream pdf;
  pdf << in.rdbuf();
  content = PdfContent(pdf.str());
}

// The pixels of the page of width x height dots in `file`, rendered back by
// `reader` at `dpi`.
void ReadBack(const std::string& file, int width, int height, int dpi, Reader reader, PageInk& ink) {
  const std::string r = std::to_string(dpi);
  const std::string pgm = RunCommand(
      reader == Reader::kPoppler
          ? "pdftoppm -gray -r " + r + " -aa no -aaVector no '" + file + "'"
          : "gs -q -dSAFER -dBATCH -dNOPAUSE -sstdout=%stderr -sDEVICE=pgmraw -dGraphicsAlphaBits=1 -r" + r +
                " -sOutputFile=- '" + file + "' 2>/dev/null");
  std::istringstream image(pgm);
  std::string magic;
  int w = 0, h = 0, max = 0;
  image >> magic >> std::ws;
  // Ghostscript names itself in a comment.
  while (image.peek() == '#') image.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
  image >> w >> h >> max;
  image.get();
  ASSERT_EQ(magic, "P5") << ReaderName(reader);
  // The page's size in points may round up to one more pixel.
  ASSERT_GE(w, width);
  ASSERT_GE(h, height);
  ASSERT_LE(w, width + 1);
  ASSERT_LE(h, height + 1);
  std::string pixels(std::size_t(w) * std::size_t(h), '\0');
  image.read(pixels.data(), std::streamsize(pixels.size()));
  ASSERT_TRUE(image) << "a short image from " << ReaderName(reader);
  ink = PageInk{width, height, std::string(std::size_t(width) * std::size_t(height), '\0')};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ink.dark[std::size_t(y) * std::size_t(width) + std::size_t(x)] =
          std::uint8_t(pixels[std::size_t(y) * std::size_t(w) + std::size_t(x)]) < 128;
}

// The same page printed on a medium of its size at `dpi`, its content
// (every stream inflated) and its pixels rendered back by pdftoppm.
void PrintedInk(int width, int height, int dpi, const std::function<void(TDC&)>& draw, std::string& content,
                PageInk& ink) {
  test::ScratchDir scratch;
  const std::string file = (scratch.Path() / "page.pdf").string();
  PrintPage(width, height, dpi, draw, file, content);
  if (::testing::Test::HasFatalFailure()) return;
  ReadBack(file, width, height, dpi, Reader::kPoppler, ink);
}

// Pixels of `area` where the two pages differ. The two rasterisers may
// decide a pixel whose centre lies on an edge (the ends of a line run
// through pixel centres) either way: a pixel differs only where the other
// road has the same ink next to it. Past one pixel, ink of `a` may reach
// `grown` pixels beyond ink of `b` (a rasteriser that inks every pixel its
// shapes touch). With `bridges`, ink of `a` across a gap of one pixel
// between ink of `b` is no difference either.
int DifferingPixels(const PageInk& a, const PageInk& b, const TRect& area, int grown = 1, bool bridges = false) {
  auto near = [](const PageInk& ink, int x, int y, bool value, int reach) {
    for (int v = std::max(y - reach, 0); v <= std::min(y + reach, ink.height - 1); ++v)
      for (int u = std::max(x - reach, 0); u <= std::min(x + reach, ink.width - 1); ++u)
        if (ink(u, v) == value) return true;
    return false;
  };
  int differ = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const bool inA = a(x, y), inB = b(x, y);
      if (inA == inB) continue;
      // A seam of at most one pixel between ink of `b` on either side.
      auto across = [&](int u, int v) {
        return x - u >= 0 && x + u < b.width && y - v >= 0 && y + v < b.height && b(x - u, y - v) && b(x + u, y + v);
      };
      if (bridges && inA && (across(1, 0) || across(0, 1) || across(1, 1) || across(1, -1))) continue;
      if (inA && grown > 1 ? !near(b, x, y, true, grown) : !(near(b, x, y, inA, 1) && near(a, x, y, inB, 1)))
        ++differ;
    }
  }
  return differ;
}

// Pixels of `area` inked on one page with none of the other's ink within
// one pixel of them: each reader and the raster road may round an edge or
// a dash's end a pixel either way, and close or open a gap of a pixel, but
// a lost or misplaced dash or dot, or a gap of more than a pixel, counts.
// Ink of `a` (the page read back) may reach two pixels: both readers ink
// a pixel that the tip of a corner only touches.
int PixelsAwayFromTheOtherInk(const PageInk& a, const PageInk& b, const TRect& area) {
  auto near = [](const PageInk& ink, int x, int y, int reach) {
    for (int v = std::max(y - reach, 0); v <= std::min(y + reach, ink.height - 1); ++v)
      for (int u = std::max(x - reach, 0); u <= std::min(x + reach, ink.width - 1); ++u)
        if (ink(u, v)) return true;
    return false;
  };
  int away = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const bool inA = a(x, y), inB = b(x, y);
      if (inA != inB && !(inA ? near(b, x, y, 2) : near(a, x, y, 1))) ++away;
    }
  }
  return away;
}

// For a failed comparison: golden-out/<name>.diff.png beside the test
// program, ink of both pages black, of the vector page only blue, of the
// raster page only red.
std::string WriteDifference(const PageInk& vector, const PageInk& raster, const std::string& name) {
  test::Picture picture{vector.width, vector.height, {}};
  picture.pixels.reserve(vector.dark.size());
  for (int y = 0; y < vector.height; ++y) {
    for (int x = 0; x < vector.width; ++x) {
      const bool v = vector(x, y), r = raster(x, y);
      picture.pixels.push_back(v && r ? 0x000000 : v ? 0x0050FF : r ? 0xDC0000 : 0xFFFFFF);
    }
  }
  const std::filesystem::path file = test::GoldenOutputDir() / (name + ".diff.png");
  return test::WritePng(picture, file) ? file.string() : "(not written)";
}

// The vector page, rendered back, against the same figures on the raster
// road's context, at the resolutions of common printers: the figures drawn
// open stay open (the first corner of a flat-capped one has its notch of
// half the pen's width, the dashes start where the screen's do), the closed
// one stays closed, whatever shares its run. The page's content writes only
// the closed figure as a rectangle.
TEST(PrintDC, OpenFiguresPrintAsTheRasterRoadDrawsThem) {
  const PageInk rasterInk = RasterInk(kBoxesPage, kBoxesPage, DrawBoxes);
  for (const int dpi : {100, 300, 600}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    std::string content;
    PageInk vectorInk;
    PrintedInk(kBoxesPage, kBoxesPage, dpi, DrawBoxes, content, vectorInk);
    if (HasFatalFailure()) return;
    EXPECT_EQ(CountOperator(content, "re"), 1) << content;
    const int ink = rasterInk.Count();
    ASSERT_GT(ink, 7 * 4 * 50 * 11);  // the seven figures of 11 dots
    const int differ = DifferingPixels(vectorInk, rasterInk, TRect{0, 0, kBoxesPage, kBoxesPage});
    EXPECT_EQ(differ, 0) << "of " << ink << " pixels of ink; "
                         << (differ ? WriteDifference(vectorInk, rasterInk, "open-figures-" + std::to_string(dpi)) : "");
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

// Rectangles ("re") the content strokes with a dash pattern set, and with
// none; the graphics state's dash is saved and restored by q and Q.
struct Rectangles {
  int dashed = 0, solid = 0;
};
Rectangles CountRectangles(const std::string& content) {
  std::istringstream words(content);
  Rectangles count;
  std::vector<bool> dashed{false};
  bool arrayDashed = false;
  for (std::string word; words >> word;) {
    if (word.front() == '[') {
      // The dash array: "[]" or "[ 10.8 3.6]".
      std::string array = word;
      while (array.back() != ']' && words >> word) array += word;
      arrayDashed = array.find_first_of("123456789") != std::string::npos;
    } else if (word == "d") {
      dashed.back() = arrayDashed;
    } else if (word == "q") {
      dashed.push_back(dashed.back());
    } else if (word == "Q" && dashed.size() > 1) {
      dashed.pop_back();
    } else if (word == "re") {
      ++(dashed.back() ? count.dashed : count.solid);
    }
  }
  return count;
}

// Closed four-sided figures, one to a cell, each alone in its colour (so
// that no two share a joined run): started at each corner, drawn either
// way round, as polygons and as closed paths, by each pen of the table.
// Their sides (103 and 85 dots) and their halves are no whole number of
// any pattern, give or take three dots, so a figure whose dashes start at
// another corner or run the other way has gaps where the screen has
// dashes. The thick patterns are in a gap where the figure closes, where
// the two rasterisers would join a dash running through its first point or
// not.
struct ClosedFigurePen {
  const char* name;
  TPen (*make)(COLORREF color);
};
const ClosedFigurePen kClosedFigurePens[] = {
    {"solid, 5 wide", [](COLORREF color) { return TPen(color, 5); }},
    {"dashed, 5 wide, flat ends",
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinMiter, 5, kBsSolid, color);
     }},
    {"dash-dotted, 3 wide, flat ends",
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapFlat | kPsJoinMiter, 3, kBsSolid, color);
     }},
    {"10 on, 10 off, 3 wide, round ends",
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {10, 10};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle, 3, kBsSolid, color, 2, kStyle);
     }},
    {"cosmetic dashed", [](COLORREF color) { return TPen(color, 0, kPsDash); }},
    {"cosmetic dash-dot-dotted", [](COLORREF color) { return TPen(color, 0, kPsDashDotDot); }},
};
constexpr int kFigureWide = 103, kFigureHigh = 85;
constexpr int kFigureCell = kFigureWide + 20, kFigureCellHigh = kFigureHigh + 20;
constexpr int kFigureColumns = 8;  // four start corners, both ways round
constexpr int kFigureRows = 2 * int(std::size(kClosedFigurePens));
const char* const kCornerNames[4] = {"upper left", "upper right", "lower right", "lower left"};

// Draws the figure of `column` and `row` (a polygon on even rows) in its
// cell.
void DrawClosedFigure(TDC& dc, int column, int row) {
  const int left = column * kFigureCell + 10, top = row * kFigureCellHigh + 10;
  const int right = left + kFigureWide, bottom = top + kFigureHigh;
  const TPoint clockwise[4] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
  const int start = column / 2, step = column % 2 == 0 ? 1 : 3;
  TPoint points[4];
  for (int i = 0; i < 4; ++i) points[i] = clockwise[(start + i * step) % 4];
  if (row % 2 == 0) {
    dc.Polygon(points, 4);
    return;
  }
  dc.BeginPath();
  dc.MoveTo(points[0].x, points[0].y);
  dc.PolylineTo(points + 1, 3);
  dc.CloseFigure();
  dc.EndPath();
  dc.StrokePath();
}

void DrawClosedFigures(TDC& dc) {
  dc.SelectObject(TBrush::Null());
  for (int row = 0; row < kFigureRows; ++row) {
    for (int column = 0; column < kFigureColumns; ++column) {
      dc.SelectObject(kClosedFigurePens[row / 2].make(Rgb(std::uint8_t(row), 0, std::uint8_t(column))));
      DrawClosedFigure(dc, column, row);
    }
  }
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
}

// Closed dashed figures printed against the raster road at the resolutions
// of common printers: each keeps its first point and its way round, so its
// dashes lie where the screen draws them. Solid strokes are written as
// rectangles (the solid figures and the opaque gaps under the cosmetic
// dashes), and of the dashed figures only those that are the writers' own
// rectangle: started at the upper left corner, clockwise, their pattern in
// a gap where they close (all but the cosmetic dashed pen's).
TEST(PrintDC, ClosedDashedFiguresPrintAsTheRasterRoadDrawsThem) {
  const int width = kFigureColumns * kFigureCell, height = kFigureRows * kFigureCellHigh;
  const PageInk rasterInk = RasterInk(width, height, DrawClosedFigures);
  for (const int dpi : {100, 300, 600}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    std::string content;
    PageInk vectorInk;
    PrintedInk(width, height, dpi, DrawClosedFigures, content, vectorInk);
    if (HasFatalFailure()) return;
    bool differ = false;
    const Rectangles rectangles = CountRectangles(content);
    EXPECT_EQ(rectangles.dashed, 2 * 4);  // a polygon and a path for four pens
    EXPECT_EQ(rectangles.solid, 2 * kFigureColumns * 3);
    for (int row = 0; row < kFigureRows; ++row) {
      for (int column = 0; column < kFigureColumns; ++column) {
        const TRect cell{column * kFigureCell, row * kFigureCellHigh, (column + 1) * kFigureCell,
                         (row + 1) * kFigureCellHigh};
        const std::string figure = std::string(kClosedFigurePens[row / 2].name) + " pen, " +
                                   (row % 2 == 0 ? "polygon" : "closed path") + " from the " +
                                   kCornerNames[column / 2] + " corner, " +
                                   (column % 2 == 0 ? "clockwise" : "anticlockwise");
        int ink = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
          for (int x = cell.left; x < cell.right; ++x) ink += rasterInk(x, y);
        // No ink at all would agree with anything: at least half the sides.
        EXPECT_GT(ink, kFigureWide + kFigureHigh) << figure;
        const int pixels = DifferingPixels(vectorInk, rasterInk, cell);
        EXPECT_EQ(pixels, 0) << figure << ", of " << ink << " pixels of ink";
        differ = differ || pixels > 0;
      }
    }
    if (differ) ADD_FAILURE() << WriteDifference(vectorInk, rasterInk, "closed-figures-" + std::to_string(dpi));
  }
}

// Closed figures whose pattern is "on" at both ends, so that one dash runs
// through the first corner, which the raster road joins as it joins every
// corner of a closed figure. Each is alone in its colour, started at each
// corner and drawn either way round (a polygon for the even pens, a closed
// path for the odd ones); each pen's sides end the pattern more than a
// pen's width into a dash, and pass every corner at least three dots away
// from a dash's end (where the two rasterisers may start the next dash at
// the corner or after it). Odd widths put the sides' edges between pixels,
// where both roads agree.
struct JoinedCornerPen {
  const char* name;
  int wide, high;
  TPen (*make)(COLORREF color);
};
const JoinedCornerPen kJoinedCornerPens[] = {
    // 344 = 8 x 40 + 24
    {"30 on, 10 off, 9 wide, flat ends, mitred", 87, 85,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {30, 10};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapFlat | kPsJoinMiter, 9, kBsSolid, color, 2,
                              kStyle);
     }},
    // 348 = 9 x 36 + 24
    {"dashed, 9 wide, flat ends, bevelled", 93, 81,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinBevel, 9, kBsSolid, color);
     }},
    {"30 on, 10 off, 7 wide, square ends, round joins", 87, 85,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {30, 10};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapSquare | kPsJoinRound, 7, kBsSolid, color, 2,
                              kStyle);
     }},
    // 350 = 8 x 42 + 14
    {"dash-dotted, 7 wide, flat ends, mitred", 102, 73,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapFlat | kPsJoinMiter, 7, kBsSolid, color);
     }},
    // 350 = 14 x 24 + 14
    {"cosmetic dashed", 100, 75, [](COLORREF color) { return TPen(color, 0, kPsDash); }},
};
constexpr int kJoinedCell = kFigureWide + 20, kJoinedCellHigh = kFigureHigh + 20;

// Then the same figures of three of those pens sharing one joined run a
// row (one colour), and a triangle and a pentagon, alone in their colours,
// from each corner either way round, by pens whose start cap a join covers
// at some corners and not at others (a square cap is inside a mitre on a
// right angle alone: the triangle's turns are 114 and 132 degrees, the
// pentagon's about 72). Their perimeters (about 256 and 224) end the
// pattern of 40 well into a dash, and pass every corner at least four dots
// from a dash's end, from every start.
const int kRunPens[] = {0, 2, 4};
const DPoint kTriangle[] = {{0, 0}, {74, 0}, {37, 83}};
const DPoint kPentagon[] = {{44, 6}, {81, 33}, {68, 76}, {24, 74}, {8, 32}};
// A box of 62 x 40 turned 20 degrees: four sides, none along an axis.
const DPoint kTurnedBox[] = {{13.7, 0}, {71.9, 21.2}, {58.3, 58.8}, {0, 37.6}};
const JoinedCornerPen kPolygonPens[] = {
    kJoinedCornerPens[0],
    {"30 on, 10 off, 7 wide, square ends, mitred", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {30, 10};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapSquare | kPsJoinMiter, 7, kBsSolid, color, 2,
                              kStyle);
     }},
    // A dash and a dot with square ends outside the first join: the dot of
    // the first round must be drawn too, or a gap of three pen widths opens
    // beside the first corner.
    {"dash-dotted, 8 wide, square ends, mitred", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapSquare | kPsJoinMiter, 8, kBsSolid, color);
     }},
    {"30 on, 10 off, 7 wide, round ends, bevelled", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {30, 10};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapRound | kPsJoinBevel, 7, kBsSolid, color, 2,
                              kStyle);
     }},
};
// A box of 62 x 40 along the axes, where a square cap lies inside a
// mitre.
const DPoint kAxisBox[] = {{0, 0}, {62, 0}, {62, 40}, {0, 40}};
struct PolygonShape {
  const char* name;
  const DPoint* corners;
  int count;
};
const PolygonShape kShapes[] = {{"triangle", kTriangle, int(std::size(kTriangle))},
                                {"pentagon", kPentagon, int(std::size(kPentagon))},
                                {"turned box", kTurnedBox, int(std::size(kTurnedBox))},
                                {"axis box", kAxisBox, int(std::size(kAxisBox))}};
// Rows of a pen's shapes, each from every corner both ways round.
constexpr int ShapeRows(int shapes) {
  int cells = 0;
  for (int i = 0; i < shapes; ++i) cells += 2 * kShapes[i].count;
  return (cells + kFigureColumns - 1) / kFigureColumns;
}
constexpr int kPolygonRows = int(std::size(kPolygonPens)) * ShapeRows(3);

// A turned box at the end of a joined run: a pentagon in the cell before
// it shares its colour, and so its run, for each of the box's corners
// either way round, two runs to a row.
const int kTurnedRunPens[] = {0, 1, 2};
constexpr int kTurnedRunRows = int(std::size(kTurnedRunPens)) * 2 * int(std::size(kTurnedBox)) * 2 / kFigureColumns;

// Flat and round ends with every dash kind, and the joins the rows above
// lack, by the four shapes: flat ends lie inside every join; round ones
// inside a mitre or a round join and outside a bevel, where the figure
// starts at the pattern's second round (and draws the first round's dots
// and dashes as subpaths of their own).
const JoinedCornerPen kCapPens[] = {
    {"dashed, 7 wide, flat ends, round joins", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinRound, 7, kBsSolid, color);
     }},
    {"dash-dotted, 7 wide, round ends, bevelled", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapRound | kPsJoinBevel, 7, kBsSolid, color);
     }},
};
// Pens of the same kinds whose figures the readers draw a pixel apart
// from the raster road here and there (on a page of their own, compared
// within a pixel): where square or round ends leave one or one and a half
// units between them, the raster road closes the gap on a side nearer the
// horizontal, where poppler and Ghostscript leave it (without
// anti-aliasing, cairo's scan conversion fills a single blank pixel
// between two spans of a row of one path; its rectilinear stroke, for
// figures of axis sides alone, does not); round ends,
// which the readers and cairo rasterise a pixel apart; flat ends, whose
// ends each rasteriser rounds a column either way. The flat-ended user
// style's dashes end off the axis box's corners: where a dash ends on a
// corner, the readers' own arithmetic decides whether it reaches the next
// side, and so whether the corner has its join (nine pixels of a bevel).
const JoinedCornerPen kCapPensAPixelApart[] = {
    {"dashed, 7 wide, round ends, bevelled", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapRound | kPsJoinBevel, 7, kBsSolid, color);
     }},
    {"dotted, 7 wide, flat ends, bevelled", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDot | kPsEndCapFlat | kPsJoinBevel, 7, kBsSolid, color);
     }},
    {"dotted, 7 wide, round ends, mitred", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDot | kPsEndCapRound | kPsJoinMiter, 7, kBsSolid, color);
     }},
    {"dash-dotted, 7 wide, flat ends, round joins", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapFlat | kPsJoinRound, 7, kBsSolid, color);
     }},
    {"dash-dot-dotted, 7 wide, flat ends, mitred", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDotDot | kPsEndCapFlat | kPsJoinMiter, 7, kBsSolid, color);
     }},
    {"dash-dot-dotted, 7 wide, round ends, round joins", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDotDot | kPsEndCapRound | kPsJoinRound, 7, kBsSolid, color);
     }},
    {"22 on, 6 off, 6 on, 8 off, 7 wide, flat ends, bevelled", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {22, 6, 6, 8};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapFlat | kPsJoinBevel, 7, kBsSolid, color, 4,
                              kStyle);
     }},
    {"24 on, 8 off, 8 on, 8 off, 7 wide, round ends, mitred", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {24, 8, 8, 8};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapRound | kPsJoinMiter, 7, kBsSolid, color, 4,
                              kStyle);
     }},
    {"24 on, 8 off, 8 on, 8 off, 7 wide, square ends, mitred", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {24, 8, 8, 8};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapSquare | kPsJoinMiter, 7, kBsSolid, color, 4,
                              kStyle);
     }},
};
constexpr int kCapRows = int(std::size(kCapPens)) * ShapeRows(int(std::size(kShapes)));
constexpr int kJoinedRows =
    int(std::size(kJoinedCornerPens) + std::size(kRunPens)) + kPolygonRows + kTurnedRunRows + kCapRows;

// One figure of a row in a cell of the page.
struct JoinedCornerCell {
  std::string name;
  int column = 0, row = 0;
};
using CellNames = std::function<void(const JoinedCornerCell&)>;
const char* const kWays[2] = {"clockwise", "anticlockwise"};

// Draws a closed figure of straight sides, as a polygon or a closed path.
void DrawClosedSides(TDC& dc, const TPoint* points, int count, bool polygon) {
  if (polygon) {
    dc.Polygon(points, count);
    return;
  }
  dc.BeginPath();
  dc.MoveTo(points[0].x, points[0].y);
  dc.PolylineTo(points + 1, count - 1);
  dc.CloseFigure();
  dc.EndPath();
  dc.StrokePath();
}

// `shape` from `start` the way `way` in the cell of `column` and `row`.
void DrawShapeInCell(TDC& dc, const PolygonShape& shape, int start, int way, int column, int row) {
  std::vector<TPoint> points;
  for (int i = 0; i < shape.count; ++i) {
    const DPoint& c = shape.corners[(start + (way == 0 ? i : shape.count - i)) % shape.count];
    points.push_back({column * kJoinedCell + 20 + int(c.x), row * kJoinedCellHigh + 10 + int(c.y)});
  }
  DrawClosedSides(dc, points.data(), shape.count, (start + way) % 2 == 0);
}

// Rows of `pen`'s figures of the first `shapes` shapes from `row` on, each
// alone in its colour; answers the row after them.
int DrawShapeRows(TDC& dc, const JoinedCornerPen& pen, const PolygonShape* shapes, int count, int row,
                  const CellNames& cell) {
  int at = 0;
  for (int shape = 0; shape < count; ++shape) {
    for (int start = 0; start < shapes[shape].count; ++start) {
      for (int way = 0; way < 2; ++way, ++at) {
        const int column = at % kFigureColumns, cellRow = row + at / kFigureColumns;
        dc.SelectObject(pen.make(Rgb(std::uint8_t(cellRow), 1, std::uint8_t(column))));
        DrawShapeInCell(dc, shapes[shape], start, way, column, cellRow);
        if (cell)
          cell({std::string(pen.name) + " pen, " + shapes[shape].name + " from corner " + std::to_string(start) +
                    ", " + kWays[way],
                column, cellRow});
      }
    }
  }
  return row + (at + kFigureColumns - 1) / kFigureColumns;
}
int DrawShapeRows(TDC& dc, const JoinedCornerPen& pen, int shapes, int row, const CellNames& cell) {
  return DrawShapeRows(dc, pen, kShapes, shapes, row, cell);
}

// Draws the page's figures, and names each, with its cell, for `cell`
// (when given).
void DrawJoinedCornerFigures(TDC& dc, const CellNames& cell) {
  dc.SelectObject(TBrush::Null());
  int row = 0;
  auto boxRow = [&](const JoinedCornerPen& pen, const std::string& group, bool joined) {
    for (int column = 0; column < kFigureColumns; ++column) {
      dc.SelectObject(pen.make(Rgb(std::uint8_t(row), 0, std::uint8_t(joined ? 0 : column))));
      const int left = column * kJoinedCell + 10, top = row * kJoinedCellHigh + 10;
      const TPoint clockwise[4] = {
          {left, top}, {left + pen.wide, top}, {left + pen.wide, top + pen.high}, {left, top + pen.high}};
      const int start = column / 2, step = column % 2 == 0 ? 1 : 3;
      TPoint points[4];
      for (int i = 0; i < 4; ++i) points[i] = clockwise[(start + i * step) % 4];
      DrawClosedSides(dc, points, 4, row % 2 == 0);
      if (cell)
        cell({std::string(pen.name) + " pen" + group + " from the " + kCornerNames[column / 2] + " corner, " +
                  kWays[column % 2],
              column, row});
    }
    ++row;
  };
  for (const JoinedCornerPen& pen : kJoinedCornerPens) boxRow(pen, "", false);
  for (const int pen : kRunPens) boxRow(kJoinedCornerPens[pen], " in one joined run", true);
  for (const JoinedCornerPen& pen : kPolygonPens) row = DrawShapeRows(dc, pen, 3, row, cell);
  for (const int run : kTurnedRunPens) {
    const JoinedCornerPen& pen = kPolygonPens[run];
    int at = 0;
    for (int start = 0; start < int(std::size(kTurnedBox)); ++start) {
      for (int way = 0; way < 2; ++way, at += 2) {
        const int column = at % kFigureColumns, cellRow = row + at / kFigureColumns;
        dc.SelectObject(pen.make(Rgb(std::uint8_t(cellRow), 2, std::uint8_t(column))));
        DrawShapeInCell(dc, kShapes[1], 0, 0, column, cellRow);
        DrawShapeInCell(dc, kShapes[2], start, way, column + 1, cellRow);
        if (cell) {
          cell({std::string(pen.name) + " pen, pentagon before a turned box in its joined run", column, cellRow});
          cell({std::string(pen.name) + " pen, turned box from corner " + std::to_string(start) + ", " +
                    kWays[way] + ", last in a joined run",
                column + 1, cellRow});
        }
      }
    }
    row += at / kFigureColumns;
  }
  for (const JoinedCornerPen& pen : kCapPens) row = DrawShapeRows(dc, pen, int(std::size(kShapes)), row, cell);
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
}

// Pixels of each figure's cell where the page printed and read back by
// both readers at the resolutions of common printers differs from the
// raster road's: none, but for the seams `seams` allows a figure; with
// `withinAPixel`, none more than a pixel from the other page's ink. `check`
// looks at the page's content (every stream inflated) first.
void ExpectEveryReaderDrawsAsTheRasterRoad(int width, int height,
                                           const std::function<void(TDC&, const CellNames&)>& figures,
                                           const std::string& name,
                                           const std::function<void(const std::string&)>& check,
                                           const std::function<int(const std::string&)>& seams,
                                           const std::function<bool(const std::string&)>& capsMeet,
                                           bool withinAPixel = false) {
  auto draw = [&figures](TDC& dc) { figures(dc, nullptr); };
  const PageInk rasterInk = RasterInk(width, height, draw);
  for (const int dpi : {100, 300, 600}) {
    SCOPED_TRACE(std::to_string(dpi) + " dpi");
    test::ScratchDir scratch;
    const std::string file = (scratch.Path() / (name + ".pdf")).string();
    std::string content;
    PrintPage(width, height, dpi, draw, file, content);
    if (::testing::Test::HasFatalFailure()) return;
    check(content);
    for (const Reader reader : {Reader::kPoppler, Reader::kGhostscript}) {
      SCOPED_TRACE(ReaderName(reader));
      PageInk vectorInk;
      ReadBack(file, width, height, dpi, reader, vectorInk);
      if (::testing::Test::HasFatalFailure()) return;
      bool differ = false;
      std::array<std::uint8_t, 4> pixel{};
      auto nowhere = RasterDC::Create(pixel.data(), 1, 1);
      ASSERT_TRUE(nowhere);
      figures(*nowhere, [&](const JoinedCornerCell& figure) {
        const TRect cell{figure.column * kJoinedCell, figure.row * kJoinedCellHigh, (figure.column + 1) * kJoinedCell,
                         (figure.row + 1) * kJoinedCellHigh};
        int ink = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
          for (int x = cell.left; x < cell.right; ++x) ink += rasterInk(x, y);
        EXPECT_GT(ink, 200) << figure.name;
        // Ghostscript inks every pixel a shape touches (without its fill
        // adjustment it drops pixels whose centres lie where two pieces
        // of a stroke meet): its ink may reach two pixels further out at
        // a corner, never fall short.
        const int grown = reader == Reader::kGhostscript ? 2 : 1;
        const int pixels = withinAPixel ? PixelsAwayFromTheOtherInk(vectorInk, rasterInk, cell)
                                        : DifferingPixels(vectorInk, rasterInk, cell, grown, capsMeet(figure.name));
        const int allowed = seams(figure.name);
        EXPECT_LE(pixels, allowed) << figure.name << ", of " << ink << " pixels of ink";
        differ = differ || pixels > allowed;
      });
      if (differ)
        ADD_FAILURE() << WriteDifference(vectorInk, rasterInk,
                                         name + "-" + ReaderName(reader) + "-" + std::to_string(dpi));
    }
  }
}

// The dash-dot style's gaps are one pen width: square ends meet edge to
// edge across them, and poppler may leave a pixel of seam where two meet.
// A lost dash or dot is a hundred pixels.
int SquareEndSeams(const std::string& figure) {
  return figure.find("square ends") != std::string::npos && figure.find("dash-dotted") != std::string::npos ? 2 : 0;
}

// Whether the ends of the dashes of the figure's pen meet across its gaps,
// or leave at most one unit between them: square or round ends reach half
// the pen's width into each gap (GDI's own styles' gaps are one pen width).
// Without anti-aliasing, poppler inks every pixel that a shape touches
// along a row, and so may close such a gap on a slanted side, or the waist
// where two round ends touch, where the raster road (and GDI) leave a
// pixel blank.
bool CapsMeetAcrossTheGaps(const std::string& figure) {
  auto meet = [&figure](const JoinedCornerPen& pen) {
    if (figure.rfind(std::string(pen.name) + " pen", 0) != 0) return std::optional<bool>();
    const TPen made = pen.make(Rgb(0, 0, 0));
    const PenData& data = made.Data();
    double dashes[kMaxUserStyleEntries];
    const std::uint32_t count = PenDashes(data, dashes);
    if (!data.geometric || data.EndCap() == kPsEndCapFlat || count == 0) return std::optional<bool>(false);
    double gap = std::numeric_limits<double>::infinity();
    for (std::uint32_t i = count % 2 ? 0 : 1; i < count; i += count % 2 ? 1 : 2) gap = std::min(gap, dashes[i]);
    return std::optional<bool>(gap - double(data.width) <= 1);
  };
  for (const JoinedCornerPen& pen : kJoinedCornerPens)
    if (const std::optional<bool> answer = meet(pen)) return *answer;
  for (const JoinedCornerPen& pen : kPolygonPens)
    if (const std::optional<bool> answer = meet(pen)) return *answer;
  for (const JoinedCornerPen& pen : kCapPens)
    if (const std::optional<bool> answer = meet(pen)) return *answer;
  return false;
}

// Those figures, alone or sharing a joined run, boxes, triangles and
// pentagons, printed and read back by both readers at the resolutions of
// common printers agree with the raster road at every first corner:
// poppler caps the two dashes where a closed path closes, Ghostscript joins
// them, so the page must not leave the join to the reader. The page writes
// the dashes with lines alone: no rectangle, no curve.
TEST(PrintDC, ClosedFiguresJoinTheDashThroughTheirFirstCornerInEveryReader) {
  ExpectEveryReaderDrawsAsTheRasterRoad(
      kFigureColumns * kJoinedCell, kJoinedRows * kJoinedCellHigh, DrawJoinedCornerFigures, "joined-corners",
      [](const std::string& content) {
        // But the axis boxes from their upper left corner clockwise whose
        // pattern is in a gap where they close: the writers' rectangle.
        EXPECT_LE(CountRectangles(content).dashed, int(std::size(kCapPens)));
        EXPECT_EQ(CountOperator(content, "c"), 0);
      },
      SquareEndSeams, CapsMeetAcrossTheGaps);
}

// The pens whose figures differ by a pixel's rounding, on a page of their
// own: each reader may round an end or an edge, or open or close a gap of
// a pixel, otherwise than the raster road, but every dash, dot and gap
// lies where the screen draws it (a dash lost, or every dash three units
// late, is 80 to 330 pixels a figure).
TEST(PrintDC, ClosedFiguresOfEndsThatMeetAcrossTheirGapsPrintAsTheRasterRoadDrawsThemWithinAPixel) {
  constexpr int kRows = int(std::size(kCapPensAPixelApart)) * ShapeRows(int(std::size(kShapes)));
  ExpectEveryReaderDrawsAsTheRasterRoad(
      kFigureColumns * kJoinedCell, kRows * kJoinedCellHigh,
      [](TDC& dc, const CellNames& cell) {
        dc.SelectObject(TBrush::Null());
        int row = 0;
        for (const JoinedCornerPen& pen : kCapPensAPixelApart)
          row = DrawShapeRows(dc, pen, int(std::size(kShapes)), row, cell);
        dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
      },
      "ends-that-meet", [](const std::string&) {}, SquareEndSeams, CapsMeetAcrossTheGaps, true);
}

// Chords and pies, as the metafile player draws them (Bezier quarter
// turns, closed), by dashed pens with flat, square and round ends: a
// chord starts where its arc does, at the corner with its straight side,
// a pie at its centre. Each is alone in its colour, started at four
// angles. On the vector page their curves go on as curves where they
// close in a gap or where the dash through their first point goes on past
// it, and flattened where it must start at the pattern's second round.
const JoinedCornerPen kArcPens[] = {
    {"dashed, 7 wide, flat ends, mitred", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinMiter, 7, kBsSolid, color);
     }},
    kPolygonPens[1],
    kPolygonPens[3],
    {"dash-dotted, 7 wide, round ends, round joins", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapRound | kPsJoinRound, 7, kBsSolid, color);
     }},
};
constexpr int kArcStarts[] = {20, 110, 200, 290};  // degrees, counter-clockwise from the right

// A chord (sweeping 250 degrees) or a pie (sweeping 270) of the ellipse
// about (cx, cy) from `start` degrees.
void DrawArcFigure(TDC& dc, bool pie, double cx, double cy, int start) {
  constexpr double kRx = 45, kRy = 38, kPi = 3.14159265358979323846;
  const double t0 = start * kPi / 180, sweep = (pie ? 270 : 250) * kPi / 180;
  auto at = [&](double t) { return DPoint{cx + kRx * std::cos(t), cy - kRy * std::sin(t)}; };
  std::vector<TPoint> points;
  std::vector<std::uint8_t> types;
  auto add = [&](const DPoint& p, std::uint8_t type) {
    points.push_back({int(std::lround(p.x)), int(std::lround(p.y))});
    types.push_back(type);
  };
  if (pie) add({cx, cy}, kPtMoveTo);
  add(at(t0), pie ? kPtLineTo : kPtMoveTo);
  const int pieces = int(std::ceil(sweep / (kPi / 2) - 1e-9));
  const double d = sweep / pieces, k = 4.0 / 3.0 * std::tan(d / 4);
  for (int i = 0; i < pieces; ++i) {
    const double a = t0 + d * i, b = a + d;
    const DPoint p0 = at(a), p3 = at(b);
    const DPoint d0{-kRx * std::sin(a), -kRy * std::cos(a)}, d1{-kRx * std::sin(b), -kRy * std::cos(b)};
    add({p0.x + k * d0.x, p0.y + k * d0.y}, kPtBezierTo);
    add({p3.x - k * d1.x, p3.y - k * d1.y}, kPtBezierTo);
    add(p3, kPtBezierTo);
  }
  types.back() |= kPtCloseFigure;
  dc.BeginPath();
  dc.PolyDraw(points.data(), types.data(), int(points.size()));
  dc.EndPath();
  dc.StrokePath();
}

void DrawArcFigures(TDC& dc, const CellNames& cell) {
  dc.SelectObject(TBrush::Null());
  for (int row = 0; row < int(std::size(kArcPens)); ++row) {
    for (int column = 0; column < kFigureColumns; ++column) {
      const bool pie = column >= int(std::size(kArcStarts));
      const int start = kArcStarts[column % std::size(kArcStarts)];
      dc.SelectObject(kArcPens[row].make(Rgb(std::uint8_t(row), 3, std::uint8_t(column))));
      DrawArcFigure(dc, pie, column * kJoinedCell + kJoinedCell / 2.0, row * kJoinedCellHigh + kJoinedCellHigh / 2.0,
                    start);
      if (cell)
        cell({std::string(kArcPens[row].name) + " pen, " + (pie ? "pie" : "chord") + " from " +
                  std::to_string(start) + " degrees",
              column, row});
    }
  }
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
}

// Closed figures of an odd pattern (26 on, 8 off, 8 on), whose dash runs
// through their first corner, by square ends beside mitres and round ends
// beside bevels: the page starts them where the pattern's second round
// starts and draws the first round's other dashes on their own. An odd
// pattern runs twice a round, once from "off", so that round holds the
// second pass's short dash too, which is lost if the round is counted as
// the pattern's entries alone (some 100 pixels by the first corner). The
// triangle's perimeter ends the pattern 13 units into a dash, and passes
// every corner at least six units from a dash's end, from every start.
const DPoint kOddPatternTriangle[] = {{0, 0}, {90, 0}, {45, 79}};
const PolygonShape kOddPatternShape{"triangle", kOddPatternTriangle, 3};
const JoinedCornerPen kOddPatternPens[] = {
    {"26 on, 8 off, 8 on, 7 wide, square ends, mitred", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {26, 8, 8};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapSquare | kPsJoinMiter, 7, kBsSolid, color, 3,
                              kStyle);
     }},
    {"26 on, 8 off, 8 on, 7 wide, round ends, bevelled", 0, 0,
     [](COLORREF color) {
       static constexpr std::uint32_t kStyle[] = {26, 8, 8};
       return TPen::ExtCreate(kPsGeometric | kPsUserStyle | kPsEndCapRound | kPsJoinBevel, 7, kBsSolid, color, 3,
                              kStyle);
     }},
};

TEST(PrintDC, ClosedFiguresOfAnOddPatternPrintEveryDashOfTheirFirstRound) {
  ExpectEveryReaderDrawsAsTheRasterRoad(
      kFigureColumns * kJoinedCell, int(std::size(kOddPatternPens)) * kJoinedCellHigh,
      [](TDC& dc, const CellNames& cell) {
        dc.SelectObject(TBrush::Null());
        int row = 0;
        for (const JoinedCornerPen& pen : kOddPatternPens)
          row = DrawShapeRows(dc, pen, &kOddPatternShape, 1, row, cell);
        dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
      },
      "odd-pattern", [](const std::string&) {}, SquareEndSeams, CapsMeetAcrossTheGaps, true);
}

TEST(PrintDC, DashedChordsAndPiesJoinTheDashThroughTheirFirstPointInEveryReader) {
  ExpectEveryReaderDrawsAsTheRasterRoad(
      kFigureColumns * kJoinedCell, int(std::size(kArcPens)) * kJoinedCellHigh, DrawArcFigures, "chords-and-pies",
      [](const std::string&) {}, SquareEndSeams,
      // Square and round ends reach towards each other on the inner side
      // of a curve: a gap of 3 units along the pen's middle closes there.
      [](const std::string& figure) { return figure.find("flat ends") == std::string::npos; });
}

// Dashed circles, each alone in its colour, of radii that end the pattern
// in a dash or in a gap, by pens whose first dash's start cap lies inside
// the join of the dash through the first point (flat ends; round ends and
// joins): on the vector page every circle keeps its four curves, and both
// readers draw it as the raster road does.
const JoinedCornerPen kCirclePens[] = {
    {"dashed, 5 wide, flat ends", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDash | kPsEndCapFlat | kPsJoinMiter, 5, kBsSolid, color);
     }},
    {"dash-dotted, 5 wide, round ends, round joins", 0, 0,
     [](COLORREF color) {
       return TPen::ExtCreate(kPsGeometric | kPsDashDot | kPsEndCapRound | kPsJoinRound, 5, kBsSolid, color);
     }},
};

void DrawCircles(TDC& dc, const CellNames& cell) {
  dc.SelectObject(TBrush::Null());
  for (int row = 0; row < int(std::size(kCirclePens)); ++row) {
    for (int column = 0; column < kFigureColumns; ++column) {
      dc.SelectObject(kCirclePens[row].make(Rgb(std::uint8_t(row), 4, std::uint8_t(column))));
      const int radius = 24 + 3 * column, cx = column * kJoinedCell + kJoinedCell / 2,
                cy = row * kJoinedCellHigh + kJoinedCellHigh / 2;
      dc.Ellipse(cx - radius, cy - radius, cx + radius, cy + radius);
      if (cell) cell({std::string(kCirclePens[row].name) + " pen, radius " + std::to_string(radius), column, row});
    }
  }
  dc.SelectObject(TPen(Rgb(0, 0, 0), 0));
}

TEST(PrintDC, DashedCirclesKeepTheirCurvesAndPrintAsTheRasterRoadDrawsThem) {
  // The pattern's end along each circle: some in a dash, some in a gap.
  int inDash = 0;
  for (const JoinedCornerPen& pen : kCirclePens) {
    const TPen made = pen.make(Rgb(0, 0, 0));
    double dashes[kMaxUserStyleEntries];
    const std::uint32_t count = PenDashes(made.Data(), dashes);
    double period = 0;
    for (std::uint32_t i = 0; i < count; ++i) period += dashes[i];
    for (int column = 0; column < kFigureColumns; ++column) {
      double at = std::fmod(2 * std::numbers::pi * (24 + 3 * column), period);
      std::uint32_t k = 0;
      while (at >= dashes[k]) at -= dashes[k++];
      inDash += k % 2 == 0 && at > 1 && dashes[k] - at > 1;
    }
  }
  ASSERT_GE(inDash, 4);
  ExpectEveryReaderDrawsAsTheRasterRoad(
      kFigureColumns * kJoinedCell, int(std::size(kCirclePens)) * kJoinedCellHigh, DrawCircles, "circles",
      [](const std::string& content) {
        EXPECT_EQ(CountOperator(content, "c"), 4 * kFigureColumns * int(std::size(kCirclePens)));
      },
      SquareEndSeams,
      [](const std::string& figure) { return figure.find("flat ends") == std::string::npos; });
}

}  // namespace
}  // namespace kvn
