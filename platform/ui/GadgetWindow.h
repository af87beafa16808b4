// TGadgetWindow and TGadget: a bar of small window-less parts (buttons,
// gaps, hosted controls) that the window lays out in a row or a column,
// paints through one raster device context and feeds with the mouse.
//
// This is our own window, not the toolkit's tool bar: the gadgets decide
// their states, borders and the exclusive runs of neighbouring buttons
// themselves, which a native tool bar would not let them do.
//
// Mouse protocol (client coordinates of the gadget window):
//  - a moving mouse enters and leaves gadgets that track the mouse;
//  - a left press reaches the enabled gadget under it; the gadget may take
//    the window's capture for itself (GadgetSetCapture), and while it holds
//    it every move and the release go to that gadget alone;
//  - the release ends the capture (the base LButtonUp does it).
// Hints: mode 1 shows a command's hint while its button is pressed, mode 2
// while the mouse is over it; SetHintCommand(-1) clears the hint.
// Commands a gadget posts to the window go on to the frame above it, and
// the gadgets' command enablers run through the frame's enable road on the
// first idle call after other events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/GdiTypes.h"
#include "platform/ui/Window.h"

namespace kvn {

class TDC;
class TGadgetWindow;
class TFrameWindow;

class TGadget {
 public:
  enum TBorderStyle { None = 0, Plain = 1, Raised = 2, Recessed = 3 };
  struct TBorders {
    int left = 0, top = 0, right = 0, bottom = 0;
  };

  explicit TGadget(int id = 0, TBorderStyle style = None);
  virtual ~TGadget() = default;
  TGadget(const TGadget&) = delete;
  TGadget& operator=(const TGadget&) = delete;

  int GetId() const { return id_; }
  TGadgetWindow* GetGadgetWindow() const { return window_; }

  // Bounds in the window's client area; the inner rectangle lies inside the borders.
  const TRect& GetBounds() const { return bounds_; }
  virtual void SetBounds(const TRect& bounds) { bounds_ = bounds; }
  TRect GetInnerRect() const;
  // The borders' width and height; gadgets add their contents.
  virtual TSize GetDesiredSize();

  bool GetEnabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);
  TBorderStyle GetBorderStyle() const { return borderStyle_; }
  // The style given at construction sets the borders' width (1 pixel for
  // any style but none); a later style leaves the width alone.
  void SetBorderStyle(TBorderStyle style);
  const TBorders& GetBorders() const { return borders_; }
  void SetBorders(const TBorders& borders) { borders_ = borders; }
  bool GetTrackMouse() const { return trackMouse_; }
  void SetTrackMouse(bool on) { trackMouse_ = on; }
  bool IsMouseInGadget() const { return mouseIn_; }

  // The command-enable pass (idle).
  virtual void CommandEnable() {}
  // The window exists (or the gadget joined a window that exists).
  virtual void Created() {}
  // Border and fill, then the contents.
  virtual void Paint(TDC& dc);
  virtual void PaintBorder(TDC& dc);

  // Points in the window's client coordinates.
  virtual void MouseEnter(std::uint32_t modKeys, const TPoint& point);
  virtual void MouseMove(std::uint32_t modKeys, const TPoint& point);
  virtual void MouseLeave(std::uint32_t modKeys, const TPoint& point);
  virtual void LButtonDown(std::uint32_t modKeys, const TPoint& point);
  virtual void LButtonUp(std::uint32_t modKeys, const TPoint& point);

  bool PtIn(const TPoint& point) const;
  // Repaint the gadget's bounds (later / now).
  void Invalidate();
  void Update();

 protected:
  // The face colour of the window the gadget sits in.
  COLORREF FaceColor() const;
  void SetId(int id) { id_ = id; }

 private:
  friend class TGadgetWindow;
  int id_;
  TBorderStyle borderStyle_;
  TBorders borders_;
  TRect bounds_;
  TGadgetWindow* window_ = nullptr;
  bool enabled_ = true;
  bool trackMouse_ = false;
  bool mouseIn_ = false;
};

// A gadget that hosts a window (a combo box in a tool bar): the window is
// a child of the gadget window, placed on the gadget's bounds.
class TControlGadget : public TGadget {
 public:
  // The window is owned by the gadget window (its parent).
  explicit TControlGadget(TWindow& control, TBorderStyle style = None);
  TWindow& GetControl() const { return control_; }
  TSize GetDesiredSize() override;
  void SetBounds(const TRect& bounds) override;
  void Paint(TDC&) override {}

 private:
  TWindow& control_;
};

class TGadgetWindow : public TWindow {
 public:
  enum TTileDirection { Horizontal, Vertical };
  enum THintMode { NoHints = 0, PressHints = 1, EnterHints = 2 };

  explicit TGadgetWindow(TWindow* parent, TTileDirection direction = Horizontal);
  ~TGadgetWindow() override;

  // The window owns its gadgets; inserting lays the window out again.
  void Insert(std::unique_ptr<TGadget> gadget);
  std::unique_ptr<TGadget> Remove(TGadget& gadget);
  const std::vector<std::unique_ptr<TGadget>>& Gadgets() const { return gadgets_; }
  TGadget* GadgetWithId(int id) const;
  TGadget* GadgetFromPoint(const TPoint& point) const;
  int IndexOf(const TGadget& gadget) const;

  TTileDirection GetDirection() const { return direction_; }
  THintMode GetHintMode() const { return hintMode_; }
  void SetHintMode(THintMode mode) { hintMode_ = mode; }
  // Shows the hint of a command (-1: none) where the frame shows hints:
  // the frame's tool-tip hint of the command becomes the bar's tool tip.
  virtual void SetHintCommand(int id);
  int GetHintCommand() const { return hintCommand_; }
  // The tool tip the bar shows now (empty: none).
  WString GetTooltipText() const;
  void SetHintSink(std::function<void(int)> sink) { hintSink_ = std::move(sink); }

  // The system colour index of the face; -1: button face (15).
  void SetFaceColorIndex(int index) { faceColorIndex_ = index; }
  int GetFaceColorIndex() const { return faceColorIndex_; }
  COLORREF GetFaceColor() const;

  // Gadget capture (see the top of the file).
  void GadgetSetCapture(TGadget& gadget);
  void GadgetReleaseCapture(TGadget& gadget);
  TGadget* GetCapturedGadget() const { return capture_; }

  // Lays the gadgets out from their desired sizes; the window's size.
  void LayoutSession();
  TSize GetDesiredSize();
  // Paints every gadget onto a device context of the window's client size.
  void PaintGadgets(TDC& dc, const TRect& clip);
  void InvalidateGadget(const TGadget& gadget);
  void UpdateGadget(const TGadget& gadget);

  // A command of a gadget: posted to this window, then handed to the frame.
  void PostGadgetCommand(std::uint32_t id);
  TResult EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) override;
  void EvCommandEnable(TCommandEnabler& ce) override;
  bool IdleAction(long idleCount) override;
  // The frame the bar belongs to; null when there is none.
  TFrameWindow* GetFrame() const;

  // Mouse messages (also what tests send).
  void EvMouseMove(std::uint32_t keys, const TPoint& point);
  void EvLButtonDown(std::uint32_t keys, const TPoint& point);
  void EvLButtonUp(std::uint32_t keys, const TPoint& point);
  void EvMouseLeave();
  void EvCaptureChanged(THandle other);

  const char16_t* GetClassName() const override { return u"KvnGadgetWindow"; }
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void SetupWindow() override;

 private:
  void EvPaint();
  bool EvEraseBkgnd(TParam1) { return true; }
  void EvSize(std::uint32_t, const TSize&) { LayoutSession(); }
  void Enter(TGadget* gadget, std::uint32_t keys, const TPoint& point);
  // The disabled button under the mouse (null: none), whose hint shows.
  void HintOfDisabled(TGadget* gadget);
  void ShowTooltipOf(int id);

  TTileDirection direction_;
  THintMode hintMode_ = EnterHints;
  int hintCommand_ = -1;
  std::function<void(int)> hintSink_;
  int faceColorIndex_ = -1;
  std::vector<std::unique_ptr<TGadget>> gadgets_;
  TGadget* capture_ = nullptr;
  TGadget* atMouse_ = nullptr;
  TGadget* disabledAtMouse_ = nullptr;
};

}  // namespace kvn
