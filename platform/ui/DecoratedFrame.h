// TDecoratedFrame: a frame with decorations (tool bars, a status line)
// around its client, and the docking area of the class library reduced to
// what the program uses: THarbor puts dockable control bars at a frame edge
// (the program docks one tool-bar row at the top); bars are not dragged
// between edges or floated.
#pragma once

#include <vector>

#include "platform/ui/FrameWindow.h"

namespace kvn {

class TDecoratedFrame : public TFrameWindow {
 public:
  enum class Location { Top, Bottom, Left, Right };

  TDecoratedFrame(TWindow* parent, const WString& title = WString(), TWindow* clientWnd = nullptr);
  // The decoration's parent must be this frame; it is created with the frame
  // (or at once when the frame exists).
  void Insert(TWindow& decoration, Location location);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void LayoutFrame() override;

 private:
  struct Decoration {
    TWindow* window;
    Location location;
  };
  std::vector<Decoration> decorations_;
};

// A bar that can be docked: a row of controls and gadgets. An empty bar
// takes no room.
class TDockableControlBar : public TWindow {
 public:
  explicit TDockableControlBar(TWindow* parent);
  // Lays the children out in a row and shows the bar when it has any.
  void LayoutBar();
  void SetupWindow() override;

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
};

// The docking area of a decorated frame.
class THarbor {
 public:
  explicit THarbor(TDecoratedFrame& frame) : frame_(frame) {}
  void Insert(TDockableControlBar& bar, TDecoratedFrame::Location location);
  TDecoratedFrame& GetFrame() const { return frame_; }

 private:
  TDecoratedFrame& frame_;
};

}  // namespace kvn
