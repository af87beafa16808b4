// The drawing view's small companion windows: the divider between the page
// tabs and the horizontal scroll bar, and the size grip in the corner
// between the two bars. Their arithmetic is kept apart from the windows so
// that it can be checked without a display.
#pragma once

#include <cstdint>

#include "platform/gdi/GdiTypes.h"
#include "app/SplitWindow.h"

namespace kvn {

class cVectorView;

// ---- the page tabs' share of the bottom strip --------------------------------------------------

// Percent of the bottom strip the tabs take; a dragged split is kept only
// between these bounds (narrower tabs show no caption, wider ones leave the
// scroll bar too short to grab).
inline constexpr std::int32_t kDefaultTabShare = 33;
inline constexpr std::int32_t kMinTabShare = 10;
inline constexpr std::int32_t kMaxTabShare = 50;

// The share new views start from: the last one the user dragged to in this
// run (not saved), kDefaultTabShare before.
std::int32_t GetDefaultTabShare();
void SetDefaultTabShare(std::int32_t share);

// Where the split is for a strip of `stripWidth` pixels.
std::int32_t TabSplitPosition(std::int32_t stripWidth, std::int32_t share);
// The share for a split at `x` pixels into the strip, or -1 when it is
// refused: outside kMinTabShare..kMaxTabShare, or no strip to divide.
std::int32_t TabShareForSplit(std::int32_t x, std::int32_t stripWidth);

// TTabSplitWindow: the 4-pixel divider at the right end of the tabs. A drag
// moves the split in whole percents of the strip; the view lays itself out
// again at each accepted share.
class TTabSplitWindow : public TMySplitWindow {
 public:
  explicit TTabSplitWindow(cVectorView* view);

  int GetSplitPos() override;
  bool SetSplitPos(int pos) override;

 private:
  cVectorView* view_;
  std::int32_t stripWidth_ = 0;  // as of the last GetSplitPos
};

// ---- the size grip --------------------------------------------------------------------------------

// One drag of the grip, in screen pixels: the frame's bottom-right corner
// follows the mouse from where the button went down.
class GripDrag {
 public:
  void Begin(const TPoint& screen, const TSize& frameSize);
  // The frame size for the mouse at `screen` (saturated to 32 bits; the
  // toolkit keeps the frame within its minimum size).
  TSize SizeAt(const TPoint& screen) const;
  void End() { active_ = false; }
  bool Active() const { return active_; }

 private:
  bool active_ = false;
  TPoint start_;
  TSize startSize_;
};

// TCornerScrollBar: the face-coloured corner between the two bars. While the
// main frame is not maximised it shows the sizing ridges and a drag on it
// resizes the frame from its bottom-right corner. The drag is driven by the
// captured mouse's messages, not by a loop of its own: it ends at the
// button's release, at a move without the left button (the release went
// elsewhere) or when another window takes the capture.
class TCornerScrollBar : public TWindow {
 public:
  TCornerScrollBar(cVectorView* view, TWindow* frame);

  bool Dragging() const { return drag_.Active(); }

  bool EvSetCursor(THandle window, std::uint32_t hitTest, std::uint32_t mouseMsg);
  void EvLButtonDown(std::uint32_t modKeys, const TPoint& point);
  void EvMouseMove(std::uint32_t modKeys, const TPoint& point);
  void EvLButtonUp(std::uint32_t modKeys, const TPoint& point);
  void EvCaptureChanged(THandle newCapture);
  void EvPaint();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  bool FrameMaximized() const;
  void FinishDrag();

  cVectorView* view_;
  TWindow* frame_;
  GripDrag drag_;
};

}  // namespace kvn
