// One repaint of the drawing window (1920 x 1080) showing the sample plan
// repeated on a grid until the page holds 100,000 objects (lines, arcs,
// circles, polygons). GTK cannot move window pixels, so every scroll step
// is such a repaint: render into the shared surface, blit to the window.
//   kvn-bench-view-repaint [objects] [frames] [plans|filled|inserts|kept|texts]
// (the word may stand anywhere)
// Prints the median milliseconds per repaint for the whole grid in view
// ("All elements") and at 100 %, scrolled a page at a time. Target: under
// 12 ms.
// A second drawing of as many objects has areas: a third of the objects are
// filled rectangles (a tenth of those translucent) and a tenth of all carry a
// built-in hatch. Target: under 30 ms.
// A third drawing is the filled one with a third of its objects placed by
// block inserts two deep (an insert of a block holding two inserts of a
// block of five objects); the expansion of all its inserts is timed apart,
// and the inserts the timed repaints expanded are counted (those the first
// repaint kept are drawn as they are). Target: under 30 ms.
// A fourth drawing holds texts and dimensions: 100,000 objects, of them
// 10,000 texts (a room label in each plan and a title per four plans, half
// in a TrueType face, half in the built-in SHX font) and 2,000 dimensions,
// the rest plans. Its drawing scale puts about 500 texts in a 100 % view
// (the number is printed). Target: under 30 ms each.
// A fifth drawing ("kept") places a 200-line block 2,000 times, each
// placement at an angle of its own: about 54 MB of expanded children, past
// the 32 MiB the kept expansions may hold. The inserts expanded per timed
// repaint are printed: at most those that do not fit.
// With KVN_BENCH_PNG=PREFIX set, the first repaint of each view is written
// to PREFIX-CASE-all.png and PREFIX-CASE-100.png, so that a change to the
// painter can be checked for the same pixels.
#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench/PlanGrid.h"
#include "app/CommandIds.h"
#include "app/VectorWindow.h"
#include "app/VectorWindowPaint.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cDistance.h"
#include "model/cRectangle.h"
#include "model/TrueTypeFace.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "text/PatternGlyphs.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"
#include "platform/fonts/FontLayerFaces.h"
#include "document/BuiltinFontReader.h"

using namespace kvn;
using kvn::bench::MakeGrid;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;

// Thirty objects a cell: twenty lines and ten filled rectangles, one of them
// translucent and three hatched.
void AddFilledCell(ObjectChain& chain, double ox, double oy, long& count) {
  for (int i = 0; i < 20; ++i) {
    auto* l = new cLine();
    l->start = {ox + 10 + (i % 10) * 25, oy + 10 + (i / 10) * 170};
    l->end = {ox + 30 + (i % 10) * 25, oy + 10 + (i / 10) * 170};
    chain.Append(l);
  }
  const std::uint8_t hatches[] = {3, 6, 16};
  for (int i = 0; i < 10; ++i) {
    auto* r = new cRectangle();
    const double x = ox + 10 + (i % 5) * 50, y = oy + 30 + (i / 5) * 70;
    r->corner1 = {x, y};
    r->corner2 = {x + 40, y + 60};
    r->fill.fillColor = i == 9 ? 0x0030A030 : 0x00C0E0FF;
    r->fill.opacity = i == 9 ? 128 : 255;
    if (i < 3) r->fill.hatchKind = hatches[i];
    r->fill.hatchColor = 0x00800000;
    chain.Append(r);
  }
  count += 30;
}

std::unique_ptr<cDrawingDoc> MakeFilledGrid(long objects, long& count) {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc->GetSheet(0);
  const long cells = (objects + 29) / 30;
  const long across = std::max(1L, long(std::ceil(std::sqrt(double(cells)))));
  ObjectChain chain;
  for (long i = 0; i < cells; ++i) {
    AddFilledCell(chain, double(i % across) * 280.0, double(i / across) * 200.0, count);
  }
  sheet.TopBlock().AppendChain(std::move(chain));
  return doc;
}

// Five objects of a cell in block units: three lines, a filled rectangle and
// a hatched one.
std::uint32_t AddInnerBlock(cDrawingData& data) {
  ObjectChain chain;
  for (int i = 0; i < 3; ++i) {
    auto* l = new cLine();
    l->start = {0, double(i) * 8};
    l->end = {20, double(i) * 8};
    chain.Append(l);
  }
  for (int i = 0; i < 2; ++i) {
    auto* r = new cRectangle();
    r->corner1 = {25 + i * 30.0, 0};
    r->corner2 = {50 + i * 30.0, 20};
    r->fill.fillColor = 0x00C0E0FF;
    if (i == 1) r->fill.hatchKind = 6;
    r->fill.hatchColor = 0x00800000;
    chain.Append(r);
  }
  auto* block = new cBlock();
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

// Two inserts of the inner block, the second turned and mirrored.
std::uint32_t AddOuterBlock(cDrawingData& data, std::uint32_t inner) {
  ObjectChain chain;
  auto* a = new cInsert();
  a->blockIndex = inner;
  auto* b = new cInsert();
  b->blockIndex = inner;
  b->point = {100, 60};
  b->scale = {-1, 1};
  b->angle = 90;
  chain.Append(a);
  chain.Append(b);
  auto* block = new cBlock();
  block->AppendChain(std::move(chain));
  return data.AddBlock(block);
}

// Thirty objects a cell: twenty of the filled cell's own (fourteen lines,
// six rectangles, two of them hatched), and ten placed by one insert two
// deep.
std::unique_ptr<cDrawingDoc> MakeInsertGrid(long objects, long& count, std::vector<cInsert*>& inserts) {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc->GetSheet(0);
  const std::uint32_t outer = AddOuterBlock(*sheet.Data(), AddInnerBlock(*sheet.Data()));
  const long cells = (objects + 29) / 30;
  const long across = std::max(1L, long(std::ceil(std::sqrt(double(cells)))));
  ObjectChain chain;
  for (long c = 0; c < cells; ++c) {
    const double ox = double(c % across) * 280.0, oy = double(c / across) * 200.0;
    for (int i = 0; i < 14; ++i) {
      auto* l = new cLine();
      l->start = {ox + 10 + (i % 7) * 35, oy + 10 + (i / 7) * 170};
      l->end = {ox + 30 + (i % 7) * 35, oy + 10 + (i / 7) * 170};
      chain.Append(l);
    }
    for (int i = 0; i < 6; ++i) {
      auto* r = new cRectangle();
      const double x = ox + 10 + (i % 3) * 50, y = oy + 30 + (i / 3) * 70;
      r->corner1 = {x, y};
      r->corner2 = {x + 40, y + 60};
      r->fill.fillColor = 0x00C0E0FF;
      if (i < 2) r->fill.hatchKind = i ? 16 : 3;
      r->fill.hatchColor = 0x00800000;
      chain.Append(r);
    }
    auto* insert = new cInsert();
    insert->blockIndex = outer;
    insert->point = {ox + 160, oy + 30};
    insert->color = c % 3 == 0 ? 0x000000C0 : 0x80000000;
    inserts.push_back(insert);
    chain.Append(insert);
    count += 30;
  }
  sheet.TopBlock().AppendChain(std::move(chain));
  return doc;
}

// `placements` inserts of one block of `lines` chords (radius 10), on a grid
// 25 units apart, each turned by an angle of its own.
std::unique_ptr<cDrawingDoc> MakeKeptGrid(long placements, int lines) {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc->GetSheet(0);
  ObjectChain chords;
  for (int i = 0; i < lines; ++i) {
    auto* l = new cLine();
    l->start = {10 * std::cos(0.37 * i), 10 * std::sin(0.37 * i)};
    l->end = {10 * std::cos(0.37 * i + 2.1), 10 * std::sin(0.37 * i + 2.1)};
    chords.Append(l);
  }
  auto* block = new cBlock();
  block->AppendChain(std::move(chords));
  const std::uint32_t index = sheet.Data()->AddBlock(block);
  const long across = std::max(1L, long(std::ceil(std::sqrt(double(placements) * 16.0 / 9.0))));
  ObjectChain chain;
  for (long k = 0; k < placements; ++k) {
    auto* insert = new cInsert();
    insert->blockIndex = index;
    insert->point = {25.0 * double(k % across), 25.0 * double(k / across)};
    insert->angle = std::fmod(7.3 * double(k), 360.0) - 180.0 + 0.01;
    chain.Append(insert);
  }
  sheet.TopBlock().AppendChain(std::move(chain));
  return doc;
}

// Fifty objects a cell of 2 x 2 plans (560 x 400): the 44 of the plans, a
// room label in each plan, the cell's title and one dimension along the
// first plan's bottom wall.
struct TextGrid {
  std::unique_ptr<cDrawingDoc> doc;
  long objects = 0;
  long texts = 0;
  long dimensions = 0;
};

// At drawing scale 13 a 100 % view of 1920 x 1080 pixels shows 480 x 270
// pixels of 4 / 13 units: about a hundred cells, five hundred texts.
constexpr double kTextGridScale = 13.0;

TextGrid MakeTextGrid(long objects) {
  TextGrid grid;
  grid.doc = std::make_unique<cDrawingDoc>();
  grid.doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *grid.doc->GetSheet(0);
  cDrawingData& data = *sheet.Data();
  data.SetScale(kTextGridScale);
  auto arial = std::make_unique<cStyleFont>();
  arial->name = WString(u"Arial");
  arial->BindFace(std::make_unique<TrueTypeFaceSet>(arial->name), nullptr);
  const std::uint16_t trueType = data.FontStyles().Add(std::move(arial));
  auto romans = std::make_unique<cStyleFont>();
  romans->name = WString(u"Romans.shx");
  romans->BindFace(nullptr, nullptr);
  const std::uint16_t shx = data.FontStyles().Add(std::move(romans));

  const long cells = (objects + 49) / 50;
  const long across = std::max(1L, long(std::ceil(std::sqrt(double(cells) * 400.0 / 560.0))));
  ObjectChain chain;
  long plan = 0;
  auto text = [&](const std::string& what, DPoint at, double height, std::uint8_t alignment) {
    auto* t = new cText();
    t->SetText(WString::FromUtf8(what));
    t->SetFontIndex(grid.texts % 2 ? shx : trueType);
    t->attr.height = height;
    t->point = at;
    t->alignment = alignment;
    chain.Append(t);
    ++grid.texts;
  };
  for (long c = 0; c < cells; ++c) {
    const double ox = double(c % across) * 560.0, oy = double(c / across) * 400.0;
    for (int p = 0; p < 4; ++p) {
      const double px = ox + (p % 2) * 280.0, py = oy + (p / 2) * 200.0;
      long added = 0;
      bench::AddPlan(chain, px, py, added);
      grid.objects += added;
      text("Room " + std::to_string(++plan), {px + 185, py + 60}, 12.0, 4);
    }
    text("Block " + std::to_string(c + 1) + " - ground floor", {ox + 30, oy + 190}, 18.0, 0);
    auto* d = new cDistance();
    const DPoint points[] = {{ox + 30, oy + 20}, {ox + 240, oy + 20}, {ox + 135, oy + 10}};
    d->SetPointsWithData(points, &data);
    chain.Append(d);
    ++grid.dimensions;
  }
  grid.objects += grid.texts + grid.dimensions;
  sheet.TopBlock().AppendChain(std::move(chain));
  return grid;
}

// The texts whose extent meets the window's view at 100 %.
long TextsInHundredPercentView(cDrawingDoc* doc) {
  cVectorWindow window(doc, 0, 0, nullptr);
  window.SetClientRect(TRect{0, 0, kWidth, kHeight});
  window.CmAllElements();
  window.CmZoomPercent(kCmZoom100);
  cSheet& sheet = *doc->GetSheet(0);
  const cDrawInfo info(window.Mapping(), sheet.Data(), nullptr, nullptr);
  long shown = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    if (!o->AsText()) continue;
    DRect e;
    o->GetFullExtent(sheet.Data(), e);
    const DRect& c = info.worldClip;
    if (!(c.x2 < e.x1 || e.x2 < c.x1 || c.y2 < e.y1 || e.y2 < c.y1)) ++shown;
  }
  return shown;
}

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

struct Timing {
  double whole = 0;    // median ms of a repaint with all elements in view
  double hundred = 0;  // median ms of a repaint at 100 %, scrolled a page
  // Inserts expanded during the timed repaints (the warm-ups not counted):
  // the expansions the first repaint kept are drawn again as they are.
  std::uint64_t expansions = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const std::size_t n = v.size();
  return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0;
}

// Writes the window's last repaint when KVN_BENCH_PNG names a prefix.
void WritePng(cairo_surface_t* image, const char* name, const char* view) {
  const char* prefix = std::getenv("KVN_BENCH_PNG");
  if (!prefix || !*prefix) return;
  const std::string path = std::string(prefix) + "-" + name + "-" + view + ".png";
  if (cairo_surface_write_to_png(image, path.c_str()) != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "cannot write %s\n", path.c_str());
  }
}

Timing Measure(cDrawingDoc* doc, long frames, const char* name) {
  cVectorWindow window(doc, 0, 0, nullptr);
  const TRect paint{0, 0, kWidth, kHeight};
  window.SetClientRect(paint);
  cRasterSurface surface(false);
  std::vector<std::uint8_t> pixels(std::size_t(kWidth) * kHeight * 4);
  cairo_surface_t* image =
      cairo_image_surface_create_for_data(pixels.data(), CAIRO_FORMAT_RGB24, kWidth, kHeight, kWidth * 4);
  cairo_t* cr = cairo_create(image);

  auto repaint = [&] {
    if (!window.PaintInto(surface, paint)) std::exit(1);
    BlitSurfaceToCairo(surface, cr);
    cairo_surface_flush(image);
  };

  Timing t;
  std::vector<double> times;
  window.CmAllElements();
  repaint();  // warm-up: the surface is made, extents computed
  WritePng(image, name, "all");
  std::uint64_t expanded = cInsert::ExpansionCount();
  for (long i = 0; i < frames; ++i) {
    const auto t0 = Clock::now();
    repaint();
    times.push_back(Milliseconds(t0));
  }
  t.whole = Median(times);
  t.expansions = cInsert::ExpansionCount() - expanded;

  window.CmZoomPercent(kCmZoom100);
  repaint();
  WritePng(image, name, "100");
  expanded = cInsert::ExpansionCount();
  times.clear();
  for (long i = 0; i < frames; ++i) {
    const auto t0 = Clock::now();
    window.EvHScroll(i % 2 ? 2 : 3, 0, nullptr);  // a page right, a page left
    repaint();
    times.push_back(Milliseconds(t0));
  }
  t.hundred = Median(times);
  t.expansions += cInsert::ExpansionCount() - expanded;
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  return t;
}

void Report(const char* what, long count, long frames, const Timing& t, double target) {
  std::printf("%s: drawing window %d x %d, %ld objects, %ld frames\n", what, kWidth, kHeight, count, frames);
  std::printf("  all elements in view: %.2f ms per repaint (median)\n", t.whole);
  std::printf("  100 %%, scrolled a page per frame: %.2f ms per repaint (median)\n", t.hundred);
  std::printf("  inserts expanded in the timed repaints: %llu\n", static_cast<unsigned long long>(t.expansions));
  const double worst = std::max(t.whole, t.hundred);
  std::printf("  target under %.0f ms: %s; aim 16 ms: %s\n", target, worst < target ? "met" : "NOT met",
              worst < 16.0 ? "met" : "not yet");
}

}  // namespace

int main(int argc, char** argv) {
  // The counts in order (objects, frames); a word anywhere runs one case
  // alone: plans, filled, inserts, kept or texts.
  long objects = 100000, frames = 20;
  std::string only;
  int counts = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (!word.empty() && std::isdigit(static_cast<unsigned char>(word[0]))) {
      (counts++ == 0 ? objects : frames) = std::max(1L, std::atol(argv[i]));
    } else {
      only = word;
    }
  }
  auto runs = [&](const char* name) { return only.empty() || only == name; };
  if (runs("plans")) {
    long count = 0;
    auto doc = MakeGrid(objects, count);
    Report("plans", count, frames, Measure(doc.get(), frames, "plans"), 12.0);
  }
  if (runs("filled")) {
    long filled = 0;
    auto areas = MakeFilledGrid(objects, filled);
    Report("filled areas", filled, frames, Measure(areas.get(), frames, "filled"), 30.0);
  }
  if (runs("inserts")) {
    long placed = 0;
    std::vector<cInsert*> inserts;
    auto withInserts = MakeInsertGrid(objects, placed, inserts);
    Report("filled areas, a third placed by inserts two deep", placed, frames, Measure(withInserts.get(), frames, "inserts"),
           30.0);
    // The expansion alone: every insert made dirty and expanded again.
    cDrawingData* data = withInserts->GetSheet(0)->Data();
    double expansion = 0;
    for (long i = 0; i < frames; ++i) {
      for (cInsert* insert : inserts) insert->MarkDirty();
      const auto t0 = Clock::now();
      for (cInsert* insert : inserts) insert->UpdateIfDirty(data);
      expansion += Milliseconds(t0);
    }
    std::printf("  expansion of all %zu inserts: %.2f ms\n", inserts.size(), expansion / double(frames));
  }
  if (runs("kept")) {
    constexpr long kPlacements = 2000;
    auto kept = MakeKeptGrid(kPlacements, 200);
    const Timing t = Measure(kept.get(), frames, "kept");
    Report("2,000 placements of a 200-line block, each turned (kept expansions past the budget)", kPlacements * 200,
           frames, t, 30.0);
    std::printf("  inserts expanded per timed repaint: %.1f\n", double(t.expansions) / double(2 * frames));
  }
  if (!runs("texts")) return 0;

  // What the program installs at start for texts: the font readers and the
  // glyph roads.
  InstallRendererGeometryServices();
  InstallBuiltinFontReader();
  InstallFontLayerFaces();
  InstallPatternGlyphSource();
  InstallShxFonts();
  InstallTrueTypeLineDrawer();
  TextGrid texts = MakeTextGrid(objects);
  const long shown = TextsInHundredPercentView(texts.doc.get());
  char what[160];
  std::snprintf(what, sizeof what, "texts and dimensions (%ld texts, %ld dimensions; %ld texts in the 100 %% view)",
                texts.texts, texts.dimensions, shown);
  Report(what, texts.objects, frames, Measure(texts.doc.get(), frames, "texts"), 30.0);
  return 0;
}
