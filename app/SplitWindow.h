// TMySplitWindow: the base of the splitter bars of the shell (the bar
// between a drawing view's sheet tabs and its horizontal scroll bar). The
// subclass says where the split is (GetSplitPos), moves it (SetSplitPos,
// true when the layout changed) and finishes (EndSplit).
//
// A drag: the left button goes down on the bar; the mouse is captured; each
// move sets the split to its start value plus the distance moved (along y
// for a horizontal bar, x otherwise; negated when reversed), measured in
// screen coordinates because the bar itself moves as the split changes. The
// drag ends at the button's release, wherever the mouse is, or at a move
// without the left button (the release was lost), or when the capture goes
// elsewhere. EndSplit runs only when some move changed the layout.
#pragma once

#include <cstdint>

#include "platform/ui/Window.h"

namespace kvn {

// The arithmetic of one drag, in screen pixels.
class SplitDrag {
 public:
  SplitDrag(bool horizontal, bool reversed) : horizontal_(horizontal), reversed_(reversed) {}
  void Begin(const TPoint& screen, int startPos);
  // The split position for the mouse at `screen`.
  int PositionAt(const TPoint& screen) const;
  // Ends the drag; true when some move changed the layout.
  bool End();
  void NoteChanged() { changed_ = true; }
  bool Active() const { return active_; }

 private:
  bool horizontal_;
  bool reversed_;
  bool active_ = false;
  bool changed_ = false;
  TPoint start_;
  int startPos_ = 0;
};

class TMySplitWindow : public TWindow {
 public:
  // `horizontal`: the bar moves up and down; `reversed`: a drag to the left
  // or up makes the value grow.
  TMySplitWindow(TWindow* parent, bool horizontal, bool reversed);

  virtual int GetSplitPos() = 0;
  virtual bool SetSplitPos(int pos) = 0;
  virtual void EndSplit() {}

  bool IsHorizontal() const { return horizontal_; }
  bool IsReversed() const { return reversed_; }
  bool Dragging() const { return drag_.Active(); }

  void EvLButtonDown(std::uint32_t modKeys, const TPoint& point);
  void EvMouseMove(std::uint32_t modKeys, const TPoint& point);
  void EvLButtonUp(std::uint32_t modKeys, const TPoint& point);
  void EvCaptureChanged(THandle newCapture);
  bool EvSetCursor(THandle window, std::uint32_t hitTest, std::uint32_t mouseMsg);
  // Fills the client area with interface colour 143.
  void EvPaint();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 private:
  void FinishDrag();

  bool horizontal_;
  bool reversed_;
  SplitDrag drag_;
};

}  // namespace kvn
