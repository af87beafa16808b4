// Tool-bar buttons and gaps for gadget windows (platform/ui/GadgetWindow.h).
//
// TButtonGadgetZv shows an image and sends a command. Kinds: command,
// exclusive (one of a run goes down), non-exclusive (toggles), semi-exclusive
// (as exclusive, but a down button goes up on a click). States: up, down,
// indeterminate. Before painting, the border follows the state: none, raised
// while hot, sunken while down or pressed.
//
// A click runs: LButtonDown (capture, pressed), moves that leave and re-enter
// the button (pressing cancelled and resumed), LButtonUp (Activate when still
// pressed). Activate sets the new state by kind and posts the command unless
// the button is disabled, or is exclusive or semi-exclusive and did not end
// up down. A run for "go down exclusively" is the unbroken row of exclusive
// and semi-exclusive buttons around the button.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gdi/TDib.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/GadgetWindow.h"

class wxMenu;

namespace kvn {

class MenuDecorator;

class TButtonGadgetZv : public TGadget {
 public:
  enum TType { Command = 0, Exclusive = 1, NonExclusive = 2, SemiExclusive = 3 };
  enum TState { Up = 0, Down = 1, Indeterminate = 2 };
  static constexpr int kDropDownWidth = 9;

  TButtonGadgetZv(std::uint32_t imageId, int commandId, TType type = Command, bool enabled = true,
                  TState state = Up);
  ~TButtonGadgetZv() override;

  TType GetType() const { return TType(type_); }
  TState GetState() const { return TState(state_); }
  // As the enabler's SetCheck, then repaint and update.
  void SetState(TState state);
  // The enabler's SetCheck: down exclusively for exclusive kinds.
  void SetCheck(int state);
  std::uint32_t GetImageId() const { return imageId_; }
  const TDib* GetImage() const { return image_.get(); }
  const TPoint& GetImagePosition() const { return imagePos_; }
  bool IsPressed() const { return pressed_; }
  bool IsHot() const { return hot_; }
  bool IsDropDown() const { return dropDown_; }
  void SetEnableTarget(TWindow* target) { enableTarget_ = target; }

  // A drop-down button: the first command of the list is its image and
  // command; the list's texts come from the decorator of `menuSource`.
  static std::unique_ptr<TButtonGadgetZv> NewDropDownButtonGadget(const std::uint32_t* commands,
                                                                 const MenuDecorator* menuSource);

  TSize GetDesiredSize() override;
  void SetBounds(const TRect& bounds) override;
  void CommandEnable() override;
  void Created() override;
  void Paint(TDC& dc) override;
  void PaintBorder(TDC& dc) override;
  void MouseEnter(std::uint32_t modKeys, const TPoint& point) override;
  void MouseMove(std::uint32_t modKeys, const TPoint& point) override;
  void MouseLeave(std::uint32_t modKeys, const TPoint& point) override;
  void LButtonDown(std::uint32_t modKeys, const TPoint& point) override;
  void LButtonUp(std::uint32_t modKeys, const TPoint& point) override;

  virtual TBorderStyle ComputeBorderStyle() const;
  virtual void BeginPressed();
  virtual void CancelPressed(bool hot);
  virtual void Activate();

 private:
  void GoDownExclusively();
  void LoadImage();
  void OpenDropDownMenu();

 public:
  // Shows a drop-down menu of a tool-bar button at a point of the gadget
  // window (the menu's top-left corner, or its top-right with a right
  // alignment): the menu is dressed by `decorator` (a new one when null:
  // the commands' images and shortcut texts), owned by the gadget window;
  // the chosen command, 0 for none. GTK draws the menu itself: the
  // decorator dresses its items, it does not paint them.
  static int TrackDropDownMenu(MenuDecorator* decorator, wxMenu& menu, TGadget& gadget, const TPoint& point,
                               int alignment);

 private:

  TWindow* enableTarget_ = nullptr;
  std::uint32_t imageId_;
  std::unique_ptr<TDib> image_;
  TPoint imagePos_;
  std::int8_t type_;
  std::int8_t state_;
  bool pressed_ = false;
  bool hot_ = false;
  bool menuOpen_ = false;
  std::vector<std::uint32_t> dropDownCommands_;
  const MenuDecorator* menuSource_ = nullptr;
  bool dropDown_ = false;
};

// A square gap; size 0 means twice the frame width (SM_CXFRAME).
class TSeparatorGadgetZv : public TGadget {
 public:
  explicit TSeparatorGadgetZv(int size = 0, int id = 0);
  TSize GetDesiredSize() override;
  void SetEnabled(bool) override {}
  void Paint(TDC& dc) override;

 private:
  int size_;
};

// The command-enable pass's question for one button.
class TButtonGadgetEnabler : public TCommandEnabler {
 public:
  TButtonGadgetEnabler(std::uint32_t id, TButtonGadgetZv& button, THandle receiver);
  void Enable(bool enable = true) override;
  void SetCheck(int state) override;

 private:
  TButtonGadgetZv& button_;
};

// The face colour darkened for the separator's line.
COLORREF DarkerFaceColor(COLORREF face);

}  // namespace kvn
