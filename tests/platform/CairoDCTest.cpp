// The cairo target on surfaces other than the raster buffer: what a vector
// page does with raster operations, and a PDF page drawn through it.
#include "platform/gdi/CairoDC.h"

#include <cairo-pdf.h>
#include <cairo-svg.h>
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>
#include <vector>

namespace kvn {
namespace {

struct ImageTarget {
  ImageTarget() {
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 20, 10);
    DeviceCaps caps;
    caps.widthPx = 20;
    caps.heightPx = 10;
    dc = std::make_unique<CairoDC>(surface, caps);
    dc->FillSolidRect(TRect{0, 0, 20, 10}, Rgb(255, 255, 255));
  }
  ~ImageTarget() {
    dc.reset();
    cairo_surface_destroy(surface);
  }
  COLORREF At(int x, int y) {
    cairo_surface_flush(surface);
    const std::uint8_t* p =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + 4 * x;
    return Rgb(p[2], p[1], p[0]);
  }
  cairo_surface_t* surface;
  std::unique_ptr<CairoDC> dc;
};

TEST(CairoDCTest, VectorTargetsDrawOnlyTheOperationsThatNeedNoDestination) {
  ImageTarget t;
  t.dc->SelectStockObject(kNullPen);
  t.dc->SelectObject(TBrush(Rgb(255, 0, 0)));
  t.dc->SetROP2(kR2XorPen);
  t.dc->Rectangle(0, 0, 4, 4);
  EXPECT_EQ(t.At(1, 1), Rgb(255, 0, 0)) << "drawn as R2_COPYPEN";
  t.dc->SetROP2(kR2NotCopyPen);
  t.dc->Rectangle(4, 0, 8, 4);
  EXPECT_EQ(t.At(5, 1), Rgb(0, 255, 255));
  t.dc->SetROP2(kR2Nop);
  t.dc->Rectangle(8, 0, 12, 4);
  EXPECT_EQ(t.At(9, 1), Rgb(255, 255, 255));
  EXPECT_TRUE(t.dc->PatBlt(12, 0, 4, 4, kDstInvert));
  EXPECT_EQ(t.At(13, 1), Rgb(0, 0, 0));
  const std::uint8_t pixel[4] = {1, 2, 3, 4};
  EXPECT_FALSE(t.dc->BitBlt(0, 6, 1, 1, PixelView{pixel, 1, 1, 4}, 0, 0, kSrcAnd));
  EXPECT_TRUE(t.dc->BitBlt(0, 6, 1, 1, PixelView{pixel, 1, 1, 4}, 0, 0, kSrcCopy));
  EXPECT_EQ(t.At(0, 6), Rgb(3, 2, 1));
  EXPECT_EQ(t.dc->GetPixel(0, 6), kClrInvalid) << "no pixel access on a cairo surface";
}

cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

TEST(CairoDCTest, APdfPageIsDrawnThroughTheSameInterface) {
  std::string pdf;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Collect, &pdf, 200, 100);
  {
    DeviceCaps caps;
    caps.technology = kDtRasPrinter;
    caps.widthPx = 200;
    caps.heightPx = 100;
    caps.dpiX = caps.dpiY = 72;
    CairoDC dc(surface, caps);
    dc.SetMapMode(kMmLoMetric);
    dc.SetViewportOrg(0, 100);
    dc.IntersectClipRect(0, 0, 600, 300);
    dc.SelectObject(TPen(Rgb(0, 0, 200), 5));
    dc.MoveTo(10, 10);
    dc.LineTo(500, 250);
    dc.SelectObject(TBrush(kHsCross, Rgb(0, 120, 0)));
    dc.Ellipse(100, 50, 300, 200);
    // The blit's pixels are gone before the page is written out.
    std::vector<std::uint8_t> block(8 * 8 * 4, 0x80);
    EXPECT_TRUE(dc.StretchBlt(400, 50, 100, 100, PixelView{block.data(), 8, 8, 32}, 0, 0, 8, 8, kSrcCopy));
    block.assign(block.size(), 0);
    block.clear();
    block.shrink_to_fit();
  }
  cairo_surface_finish(surface);
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  ASSERT_GT(pdf.size(), 200u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
}

// What one way of stroking makes of a batch of strokes.
struct StrokeCase {
  const char* name;
  TPen pen;
  int rop2 = kR2CopyPen;
  int bkMode = kTransparent;
  bool colourEvery50 = false;  // a pen of another colour every 50 strokes
  bool clipAt100 = false;      // a clip (around every stroke) from stroke 100 on
  std::uint64_t operations;    // what reaches cairo with strokes joined
  std::size_t svgStrokes;      // stroked paths on the page
};

// 200 strokes of a seeded walk: lines and three-point polylines.
void DrawStrokes(CairoDC& dc, const StrokeCase& c) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> x(2, 117), y(2, 77);
  dc.SetROP2(c.rop2);
  dc.SetBkMode(c.bkMode);
  dc.SelectObject(c.pen);
  for (int i = 0; i < 200; ++i) {
    if (c.colourEvery50 && i % 50 == 0) {
      const PenData& d = c.pen.Data();
      dc.SelectObject(TPen(Rgb(40 * (i / 50), 0, 90), int(d.width)));
    }
    if (c.clipAt100 && i == 100) dc.IntersectClipRect(0, 0, 119, 79);
    const TPoint a{x(random), y(random)}, b{x(random), y(random)}, m{x(random), y(random)};
    if (i % 3 == 0) {
      const TPoint points[3] = {a, m, b};
      dc.Polyline(points, 3);
    } else {
      dc.MoveTo(a.x, a.y);
      dc.LineTo(b.x, b.y);
    }
  }
}

std::size_t Occurrences(const std::string& text, const char* what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The strokes of an SVG page in order: each stroked path's attributes (all
// but its figures) and its figures, consecutive paths of equal attributes
// taken together, as one path would hold them.
std::vector<std::pair<std::string, std::string>> StrokedPaths(const std::string& svg) {
  std::vector<std::pair<std::string, std::string>> paths;
  for (std::size_t at = svg.find("<path "); at != std::string::npos; at = svg.find("<path ", at + 1)) {
    const std::string element = svg.substr(at, svg.find("/>", at) - at);
    if (element.find("fill:none") == std::string::npos) continue;
    const std::size_t d = element.find(" d=\"");
    const std::size_t end = element.find('"', d + 4);
    std::string figures = element.substr(d + 4, end - d - 4);
    while (!figures.empty() && figures.back() == ' ') figures.pop_back();
    const std::string attributes = element.substr(0, d) + element.substr(end + 1);
    if (!paths.empty() && paths.back().first == attributes)
      paths.back().second += " " + figures;
    else
      paths.emplace_back(attributes, figures);
  }
  return paths;
}

// An SVG page of the strokes, stroked joined or one by one, and what
// reached cairo.
std::string StrokePage(const StrokeCase& c, bool join, CairoDC::OutputCount* output = nullptr) {
  std::string svg;
  cairo_surface_t* surface = cairo_svg_surface_create_for_stream(Collect, &svg, 120, 80);
  {
    DeviceCaps caps;
    caps.technology = kDtRasPrinter;
    caps.widthPx = 120;
    caps.heightPx = 80;
    caps.dpiX = caps.dpiY = 72;
    CairoDC dc(surface, caps);
    dc.SetJoinStrokes(join);
    DrawStrokes(dc, c);
    // The run still open is stroked before anything else draws.
    dc.FillSolidRect(TRect{0, 0, 1, 1}, Rgb(255, 255, 255));
    if (output) *output = dc.Output();
  }
  cairo_surface_finish(surface);
  cairo_surface_destroy(surface);
  return svg;
}

// Strokes that join reach cairo as one operation where separate strokes
// reach it one by one (a vector page keeps about 1 KB an operation), and
// the page holds the same figures under the same pen, clip and matrix:
// hairlines, wide pens with their caps and joins, a dashed pen (its phase
// restarts at every figure). A new colour or clip starts a new run; a
// binary operation other than copy and a style whose gaps are filled first
// are stroked on their own. Counting alone gives the same count and draws
// nothing.
TEST(CairoDCTest, JoinedStrokesAreOneOperationHoldingTheSeparateStrokes) {
  const StrokeCase cases[] = {
      {"hairline", TPen(Rgb(0, 0, 0), 0), kR2CopyPen, kTransparent, false, false, 1, 1},
      {"wide round", TPen(Rgb(0, 0, 200), 5), kR2CopyPen, kTransparent, false, false, 1, 1},
      {"wide flat bevel",
       TPen::ExtCreate(kPsGeometric | kPsSolid | kPsEndCapFlat | kPsJoinBevel, 4, kBsSolid, Rgb(200, 0, 0)),
       kR2CopyPen, kTransparent, false, false, 1, 1},
      {"wide dashed", TPen(Rgb(0, 120, 0), 3, kPsDash), kR2CopyPen, kTransparent, false, false, 1, 1},
      {"colours", TPen(Rgb(0, 0, 0), 2), kR2CopyPen, kTransparent, true, false, 4, 4},
      {"clip", TPen(Rgb(0, 0, 0), 2), kR2CopyPen, kTransparent, false, true, 2, 2},
      {"xor", TPen(Rgb(0, 0, 0), 2), kR2XorPen, kTransparent, false, false, 200, 200},
      {"filled gaps", TPen(Rgb(0, 0, 0), 0, kPsDash), kR2CopyPen, kOpaque, false, false, 200, 400},
  };
  for (const StrokeCase& c : cases) {
    SCOPED_TRACE(c.name);
    CairoDC::OutputCount joinedOutput, separateOutput;
    const std::string joined = StrokePage(c, true, &joinedOutput);
    const std::string separate = StrokePage(c, false, &separateOutput);
    // The fill that ended the run is one more.
    EXPECT_EQ(joinedOutput.operations, c.operations + 1);
    EXPECT_EQ(separateOutput.operations, 201u);
    EXPECT_EQ(joinedOutput.points, separateOutput.points);
    EXPECT_EQ(Occurrences(joined, "fill:none"), c.svgStrokes);
    const auto joinedPaths = StrokedPaths(joined);
    EXPECT_GE(joinedPaths.size(), 1u);
    EXPECT_EQ(joinedPaths, StrokedPaths(separate));
  }

  // Counting: the same operations and points as drawing, and nothing drawn.
  DeviceCaps caps;
  caps.widthPx = 120;
  caps.heightPx = 80;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 120, 80);
  CairoDC::OutputCount drawn;
  {
    CairoDC dc(surface, caps);
    dc.SetJoinStrokes(true);
    DrawStrokes(dc, cases[4]);
    dc.SetReach(CairoDC::Reach::Surface);
    drawn = dc.Output();
  }
  {
    CairoDC dc(surface, caps);
    dc.FillSolidRect(TRect{0, 0, 120, 80}, Rgb(255, 255, 255));
    dc.ResetOutput();
    dc.SetJoinStrokes(true);
    dc.SetReach(CairoDC::Reach::CountOnly);
    DrawStrokes(dc, cases[4]);
    dc.SetReach(CairoDC::Reach::Surface);
    EXPECT_EQ(dc.Output().operations, drawn.operations);
    EXPECT_EQ(dc.Output().points, drawn.points);
    EXPECT_EQ(drawn.operations, 4u);
  }
  cairo_surface_flush(surface);
  const std::uint8_t* data = cairo_image_surface_get_data(surface);
  for (int i = 0; i < 120 * 80; ++i)
    EXPECT_EQ(data[4 * i] & data[4 * i + 1] & data[4 * i + 2], 0xFF) << "drawn at " << i;
  cairo_surface_destroy(surface);
}

// Two strokes whose pens differ in one property the join compares are two
// runs, each stroked with its own pen; the same pen twice is one run. The
// page joined is the page stroked one by one, pixel for pixel (the strokes
// do not meet), so a join that took the second stroke into the first run
// would draw it with the first pen (a line of width 9 after one of width 3
// at width 3).
TEST(CairoDCTest, StrokesOfPensThatDifferInAnyPropertyAreNotJoined) {
  auto geometric = [](std::uint32_t extra, std::uint32_t width, COLORREF color, std::uint32_t count = 0,
                      const std::uint32_t* entries = nullptr) {
    return TPen::ExtCreate(kPsGeometric | extra, width, kBsSolid, color, count, entries);
  };
  const std::uint32_t dashA[2] = {6, 3}, dashB[2] = {3, 6};
  const TPen base = geometric(kPsSolid | kPsEndCapFlat | kPsJoinMiter, 9, Rgb(0, 0, 0));
  struct Change {
    const char* name;
    std::function<void(CairoDC&)> first, second;
    std::uint64_t runs;
  };
  auto pen = [](const TPen& p) { return [p](CairoDC& dc) { dc.SelectObject(p); }; };
  // Scales x and y by (a, b): one nib's width, another's shape.
  auto mapping = [](int a, int b) {
    return [a, b](CairoDC& dc) {
      dc.SelectObject(TPen(Rgb(0, 0, 0), 4));
      dc.SetMapMode(kMmAnisotropic);
      dc.SetWindowExt(2, 2);
      dc.SetViewportExt(a, b);
    };
  };
  const Change changes[] = {
      {"same pen", pen(base), pen(base), 1},
      {"width", pen(geometric(kPsSolid | kPsEndCapFlat | kPsJoinMiter, 3, Rgb(0, 0, 0))), pen(base), 2},
      {"colour", pen(base), pen(geometric(kPsSolid | kPsEndCapFlat | kPsJoinMiter, 9, Rgb(200, 0, 0))), 2},
      {"style", pen(base), pen(geometric(kPsDash | kPsEndCapFlat | kPsJoinMiter, 9, Rgb(0, 0, 0))), 2},
      {"dash lengths", pen(geometric(kPsUserStyle | kPsEndCapFlat | kPsJoinMiter, 9, Rgb(0, 0, 0), 2, dashA)),
       pen(geometric(kPsUserStyle | kPsEndCapFlat | kPsJoinMiter, 9, Rgb(0, 0, 0), 2, dashB)), 2},
      {"cap", pen(base), pen(geometric(kPsSolid | kPsEndCapSquare | kPsJoinMiter, 9, Rgb(0, 0, 0))), 2},
      {"round cap", pen(base), pen(geometric(kPsSolid | kPsEndCapRound | kPsJoinMiter, 9, Rgb(0, 0, 0))), 2},
      {"join", pen(base), pen(geometric(kPsSolid | kPsEndCapFlat | kPsJoinBevel, 9, Rgb(0, 0, 0))), 2},
      {"round join", pen(base), pen(geometric(kPsSolid | kPsEndCapFlat | kPsJoinRound, 9, Rgb(0, 0, 0))), 2},
      {"hairline", pen(TPen(Rgb(0, 0, 0), 0)), pen(TPen(Rgb(0, 0, 0), 2)), 2},
      // A pen 1 unit wide under a scale of 2 and a one-pixel pen: both
      // 1 wide, the second not under the nib.
      {"one pixel",
       [&](CairoDC& dc) {
         mapping(4, 4)(dc);
         dc.SelectObject(geometric(kPsSolid | kPsEndCapFlat | kPsJoinMiter, 1, Rgb(0, 0, 0)));
       },
       pen(TPen(Rgb(0, 0, 0), 0)), 2},
      {"nib", mapping(4, 2), mapping(2, 4), 2},
      {"anti-aliasing", pen(base), [&](CairoDC& dc) { dc.SetAntialias(true); }, 2},
  };
  constexpr int kWidth = 300, kHeight = 100;
  auto page = [&](const Change& c, bool join, std::uint64_t* runs) {
    std::vector<std::uint8_t> pixels;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    {
      DeviceCaps caps;
      caps.widthPx = kWidth;
      caps.heightPx = kHeight;
      CairoDC dc(surface, caps);
      dc.FillSolidRect(TRect{0, 0, kWidth, kHeight}, Rgb(255, 255, 255));
      dc.SetJoinStrokes(join);
      dc.ResetOutput();
      // Figures with a corner and free ends, far apart in device space
      // under either mapping.
      c.first(dc);
      const TPoint left[3] = {{10, 10}, {30, 40}, {10, 40}};
      dc.Polyline(left, 3);
      c.second(dc);
      const TPoint right[3] = {{110, 10}, {135, 40}, {110, 40}};
      dc.Polyline(right, 3);
      dc.SetReach(CairoDC::Reach::Surface);
      *runs = dc.Output().operations;
    }
    cairo_surface_flush(surface);
    const std::uint8_t* data = cairo_image_surface_get_data(surface);
    pixels.assign(data, data + std::size_t(cairo_image_surface_get_stride(surface)) * kHeight);
    cairo_surface_destroy(surface);
    return pixels;
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.name);
    std::uint64_t joinedRuns = 0, separateRuns = 0;
    const std::vector<std::uint8_t> joined = page(c, true, &joinedRuns), separate = page(c, false, &separateRuns);
    EXPECT_EQ(joinedRuns, c.runs);
    EXPECT_EQ(separateRuns, 2u);
    std::size_t differ = 0;
    for (std::size_t i = 0; i < joined.size(); ++i) differ += joined[i] != separate[i];
    EXPECT_EQ(differ, 0u);
  }
}

}  // namespace
}  // namespace kvn
