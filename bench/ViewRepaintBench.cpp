// One repaint of the drawing window (1920 x 1080) showing the sample plan
// repeated on a grid until the page holds 100,000 objects (lines, arcs,
// circles, polygons). GTK cannot move window pixels, so every scroll step
// is such a repaint: render into the shared surface, blit to the window.
//   kvn-bench-view-repaint [objects] [frames]
// Prints milliseconds per repaint for the whole grid in view ("All
// elements") and at 100 %, scrolled a page at a time. Target: under 50 ms;
// the aim is 16 ms (one frame at 60 Hz).
// A second drawing of as many objects has areas: a third of the objects are
// filled rectangles (a tenth of those translucent) and a tenth of all carry a
// built-in hatch. Target: under 30 ms.
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "bench/PlanGrid.h"
#include "app/CommandIds.h"
#include "app/VectorWindow.h"
#include "app/VectorWindowPaint.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "render/RasterSurface.h"

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

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

struct Timing {
  double whole = 0;
  double hundred = 0;
};

Timing Measure(cDrawingDoc* doc, long frames) {
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
  window.CmAllElements();
  repaint();  // warm-up: the surface is made, extents computed
  auto t0 = Clock::now();
  for (long i = 0; i < frames; ++i) repaint();
  t.whole = Milliseconds(t0) / double(frames);

  window.CmZoomPercent(kCmZoom100);
  repaint();
  t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    window.EvHScroll(i % 2 ? 2 : 3, 0, nullptr);  // a page right, a page left
    repaint();
  }
  t.hundred = Milliseconds(t0) / double(frames);
  cairo_destroy(cr);
  cairo_surface_destroy(image);
  return t;
}

void Report(const char* what, long count, long frames, const Timing& t, double target) {
  std::printf("%s: drawing window %d x %d, %ld objects, %ld frames\n", what, kWidth, kHeight, count, frames);
  std::printf("  all elements in view: %.2f ms per repaint\n", t.whole);
  std::printf("  100 %%, scrolled a page per frame: %.2f ms per repaint\n", t.hundred);
  const double worst = std::max(t.whole, t.hundred);
  std::printf("  target under %.0f ms: %s; aim 16 ms: %s\n", target, worst < target ? "met" : "NOT met",
              worst < 16.0 ? "met" : "not yet");
}

}  // namespace

int main(int argc, char** argv) {
  const long objects = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100000;
  const long frames = argc > 2 ? std::max(1L, std::atol(argv[2])) : 20;
  long count = 0;
  auto doc = MakeGrid(objects, count);
  Report("plans", count, frames, Measure(doc.get(), frames), 50.0);
  long filled = 0;
  auto areas = MakeFilledGrid(objects, filled);
  Report("filled areas", filled, frames, Measure(areas.get(), frames), 30.0);
  return 0;
}
