// The rulers along the top and the left edge of the drawing view: 15 pixels
// thick, ticks at powers of ten of the drawing's coordinates, labels set
// pixel by pixel in a tiny built-in font so that they fit the strip.
//
// The tick arithmetic and the paint run without a display
// (ComputeRulerTicks, PaintRulerTo); TWhereWin paints through them.
// Positions are pixels along the ruler; "top" is the tick's start across
// the ruler (1 long, 9 medium, 11 short), every tick ending at 14.
#pragma once

#include <cfloat>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Window.h"
#include "model/WorldMapping.h"

namespace kvn {

class cVectorWindow;

inline constexpr std::int32_t kRulerSize = 15;

struct RulerTick {
  std::int32_t position = 0;
  std::int32_t top = 11;
  bool label = false;
  std::string text;  // the label's text
};

// The step cache of one ruler: the world length of 40 pixels it was
// computed for, and the decimal count for labels of a step.
struct RulerCache {
  double span = 0.0;
  double step = 0.0;
  double decimalsStep = DBL_MAX;
  int decimals = 0;
};

struct RulerLayout {
  std::vector<RulerTick> ticks;
  std::int32_t labelRoom = 0;
  double step = 0.0;
};

// The ticks of a ruler `length` pixels long on the mapping's x axis (or y
// for a vertical ruler). Empty when the world length of 40 pixels is not
// positive. A tick budget stops a degenerate mapping from looping: a ruler
// never shows more ticks than it has pixels.
RulerLayout ComputeRulerTicks(const WorldMapping& mapping, bool vertical, std::int32_t length, RulerCache& cache);

// Sets the pixels of `text` in the built-in font: horizontal to the right
// from (x, y) with rows from y + 1, vertical upward from (x, y). Columns
// beyond `room` pixels are left out. Returns the advance in pixels (5 per
// glyph, 2 for a character without one).
std::int32_t DrawRulerText(const std::function<void(std::int32_t x, std::int32_t y)>& setPixel, std::int32_t x,
                           std::int32_t y, bool vertical, const std::string& text, std::int32_t room);

// Whether a tick's label lies whole on a ruler `length` pixels long, where
// PaintRulerTo sets it: a label cut by either end of the ruler reads as
// another number ("-150" as "0") and is left out.
bool RulerLabelFits(const RulerTick& tick, bool vertical, std::int32_t length, std::int32_t room);

class TDC;

// Paints one ruler of `size` pixels into the device context: the ticks, the
// labels that fit whole (RulerLabelFits) and the base line along the inner edge, with a solid one-pixel pen
// and single pixels in `colour`. The background is the caller's (the
// window's erase). Nothing is drawn for a mapping without a positive world
// length of 40 pixels.
void PaintRulerTo(TDC& dc, const WorldMapping& mapping, bool vertical, TSize size, COLORREF colour,
                  RulerCache& cache);

// No marker band on a ruler.
inline constexpr std::int32_t kNoRulerMarker = 0x7FFFFFFF;

// Inverts the marker band across a ruler of `size` pixels: pixels `start`
// to `start + length` along it, widened by one pixel at each end, clipped to
// the ruler. Nothing for kNoRulerMarker. Inverting twice restores the ruler.
void DrawRulerMarker(TDC& dc, bool vertical, TSize size, std::int32_t start, std::int32_t length);

// The corner box: its background, and in the split mode of the drawing
// window the corner bitmap (resource 19991) at its top-left corner.
void PaintRulerCorner(TDC& dc, TSize size, COLORREF background, bool splitMode);

// TWhereWin: one ruler window over a drawing window's mapping.
class TWhereWin : public TWindow {
 public:
  TWhereWin(cVectorWindow* window, TWindow* view, int orientation);
  void Refresh(bool updateNow);
  // The marked band (inverted) between two pixels along the ruler; start
  // kNoRulerMarker removes it. The viewer itself never marks a band.
  void SetMarker(std::int32_t start, std::int32_t end);
  void DrawMarker(TDC& dc);
  std::int32_t MarkerStart() const { return markerStart_; }
  std::int32_t MarkerLength() const { return markerLength_; }
  void EvPaint();
  bool EvSetCursor(THandle, std::uint32_t, std::uint32_t);
  void EvLButtonDblClk(std::uint32_t, const TPoint&) {}
  // The toolkit sends the wheel to the window under the pointer; over a
  // ruler it is the drawing window's (which zooms about its centre then).
  bool EvMouseWheel(std::uint32_t modKeys, int zDelta, const TPoint& screenPoint);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  cVectorWindow* window_;
  bool vertical_;
  RulerCache cache_;
  std::int32_t markerStart_ = kNoRulerMarker;
  std::int32_t markerLength_ = 0;
};

// TAngleWin: the 15 x 15 corner where the rulers meet: its background, and
// the corner bitmap while the drawing window is split (which the viewer
// never does).
class TAngleWin : public TWindow {
 public:
  explicit TAngleWin(TWindow* view) : TWindow(view) {}
  void SetSplitMode(bool on);
  bool GetSplitMode() const { return splitMode_; }
  void EvPaint();
  void Swallow(std::uint32_t, const TPoint&) {}
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  bool splitMode_ = false;
};

}  // namespace kvn
