// One window paint's fixed cost on the raster surface: prepare the shared
// surface for a 1920 x 1080 paint rectangle, fill it, and copy it out.
//   kvn-bench-raster-surface [frames]
// Prints milliseconds per frame for these copies:
//  - a blit through the device context layer into a window-sized raster
//    target (cairo SRCCOPY);
//  - a plain row copy of the blit source (the bytes a window blit has to move);
//  - the drawing window's blit (BlitSurfaceToCairo) onto a cairo image;
//  - the drawing window's whole paint of an empty A4 page on 3 x 2 tiles
//    (outside area, page, frame, tile lines, sheet painter) and its blit;
//  - with a display (DISPLAY set), the same paint on the screen: a 1920 x 1080
//    drawing window repainted through the toolkit, each frame ended by a
//    one-pixel read of the screen so that the X server has finished it, and
//    the same with a paint that draws nothing (the toolkit's share). Run it
//    on a screen of that size, e.g. Xvfb :N -screen 0 1920x1200x24.
// Target: under 4 ms per frame for prepare, fill and the window's blit.
#include <cairo.h>
#include <wx/app.h>
#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "app/VectorWindow.h"
#include "app/VectorWindowPaint.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/FrameWindow.h"
#include "render/RasterSurface.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

// A4 landscape, 10 mm margins, 3 x 2 tiles, at a zoom where the page fills
// most of the window.
std::unique_ptr<cDrawingDoc> MakePageDocument() {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cDrawing& drawing = doc->GetSheet(0)->Drawing();
  drawing.formatSize = {297.0, 210.0};
  drawing.formatMargins = {10.0, 10.0};
  drawing.tiles = {3.0, 2.0};
  return doc;
}
constexpr double kPageScale = 0.5;  // 2 pixels per millimetre: 1662 x 760 pixels of page

// A drawing window that counts its paints; with `idle` set its paint does
// nothing, which leaves the toolkit's own cost of a repaint.
class CountingWindow : public cVectorWindow {
 public:
  using cVectorWindow::cVectorWindow;
  void EvPaintCounted() {
    ++paints;
    if (!idle) EvPaint();
  }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table({OnMessage<kWmPaint, &CountingWindow::EvPaintCounted>()},
                                      {&cVectorWindow::Table()});
    return table;
  }
  long paints = 0;
  bool idle = false;
};

// Milliseconds per on-screen paint, or a negative value without a display.
double OnScreenPaint(long frames, int argc, char** argv) {
  const char* display = std::getenv("DISPLAY");
  if (display == nullptr || *display == 0) return -1.0;
  wxApp::SetInstance(new wxApp);
  wxInitializer toolkit(argc, argv);
  if (!toolkit.IsOk()) return -1.0;

  auto doc = MakePageDocument();
  auto frame = std::make_unique<TFrameWindow>(nullptr, WString(u"bench"));
  frame->Attr.Style |= kWsVisible;
  frame->Attr.X = 0;
  frame->Attr.Y = 0;
  frame->Attr.W = kWidth;
  frame->Attr.H = kHeight;
  auto* window = new CountingWindow(doc.get(), 0, 0, frame.get());
  window->Mapping().scale = kPageScale;
  frame->SetClientWindow(window);
  if (!frame->Create()) return -1.0;
  frame->ShowWindow(kSwShow);
  for (int i = 0; i < 50; ++i) wxTheApp->Yield(true);
  wxWindow* peer = window->GetPeer();
  peer->SetClientSize(kWidth, kHeight);
  for (int i = 0; i < 50; ++i) wxTheApp->Yield(true);

  wxScreenDC screen;
  wxBitmap probe(1, 1);
  wxMemoryDC probeDc(probe);
  auto roundTrip = [&] { probeDc.Blit(0, 0, 1, 1, &screen, kWidth / 2, kHeight / 2); };

  auto measure = [&](bool idle, long* painted) {
    window->idle = idle;
    peer->Refresh();
    peer->Update();
    roundTrip();
    const long before = window->paints;
    const auto t0 = Clock::now();
    for (long i = 0; i < frames; ++i) {
      peer->Refresh();
      peer->Update();
      roundTrip();
    }
    *painted = window->paints - before;
    return Milliseconds(t0) / double(frames);
  };
  long painted = 0, idlePainted = 0;
  const double ms = measure(false, &painted);
  const double toolkitOnly = measure(true, &idlePainted);
  const wxSize size = peer->GetClientSize();
  std::printf("  on screen (%d x %d window, %ld of %ld frames painted): %.3f ms per frame\n", size.x, size.y, painted,
              frames, ms);
  std::printf("    of which the toolkit's repaint without our paint (%ld painted): %.3f ms\n", idlePainted,
              toolkitOnly);
  frame.reset();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const long frames = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100;
  cRasterSurface surface(false);
  std::vector<std::uint8_t> window(std::size_t(kWidth) * kHeight * 4);
  auto target = RasterDC::Create(window.data(), kWidth, kHeight);
  if (!target) return 1;
  const TRect paint{0, 0, kWidth, kHeight};
  std::uint32_t check = 0;

  // Warm-up frame: the first Prepare allocates the surface.
  surface.Prepare(paint);

  auto t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!surface.Prepare(paint)) return 1;
    surface.FillRectColorref(0, 0, kWidth, kHeight, i & 1 ? 0x00C0FFFF : 0x00FFFFFF);
    surface.BlitTo(target.get());
    target->Flush();
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double throughDc = Milliseconds(t0) / double(frames);

  t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!surface.Prepare(paint)) return 1;
    surface.FillRectColorref(0, 0, kWidth, kHeight, i & 1 ? 0x00C0FFFF : 0x00FFFFFF);
    const RasterBlitSource src = surface.BlitSource();
    const std::size_t rowBytes = std::size_t(src.area.right - src.area.left) * 4;
    for (std::int32_t y = src.area.top; y < src.area.bottom; ++y)
      std::memcpy(window.data() + std::size_t(y) * kWidth * 4 + std::size_t(src.area.left) * 4,
                  src.pixels.bits + std::size_t(y) * std::size_t(src.pixels.stride) + std::size_t(src.area.left) * 4,
                  rowBytes);
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double rowCopy = Milliseconds(t0) / double(frames);

  // The drawing window's copy: the surface's pixels as a cairo image painted
  // onto the target context (here an image of the window's size).
  cairo_surface_t* image = cairo_image_surface_create_for_data(window.data(), CAIRO_FORMAT_RGB24, kWidth, kHeight,
                                                               kWidth * 4);
  cairo_t* cr = cairo_create(image);
  t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!surface.Prepare(paint)) return 1;
    surface.FillRectColorref(0, 0, kWidth, kHeight, i & 1 ? 0x00C0FFFF : 0x00FFFFFF);
    BlitSurfaceToCairo(surface, cr);
    cairo_surface_flush(image);
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double cairoBlit = Milliseconds(t0) / double(frames);

  // The window's whole paint of a page, off-screen.
  auto doc = MakePageDocument();
  cVectorWindow pageWindow(doc.get(), 0, 0, nullptr);
  pageWindow.Mapping().scale = kPageScale;
  pageWindow.SetClientRect(paint);
  t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!pageWindow.PaintInto(surface, paint)) return 1;
    BlitSurfaceToCairo(surface, cr);
    cairo_surface_flush(image);
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double pagePaint = Milliseconds(t0) / double(frames);
  cairo_destroy(cr);
  cairo_surface_destroy(image);

  std::printf("raster surface %d x %d, %ld frames (prepare + fill + copy)\n", kWidth, kHeight, frames);
  std::printf("  blit through the device context: %.3f ms per frame\n", throughDc);
  std::printf("  row copy of the blit source:     %.3f ms per frame\n", rowCopy);
  std::printf("  drawing window's cairo blit:     %.3f ms per frame\n", cairoBlit);
  std::printf("  drawing window's page paint:     %.3f ms per frame (render of an A4 page + cairo blit)\n",
              pagePaint);
  if (OnScreenPaint(frames, argc, argv) < 0) std::printf("  on screen: skipped (no display)\n");
  // The target is the window's own share: prepare, fill and its blit.
  std::printf("  target under 4 ms per frame (drawing window's blit): %s (checksum %u)\n",
              cairoBlit < 4.0 ? "met" : "NOT met", check);
  return 0;
}
