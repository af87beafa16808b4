// TColorCombo: a combo box bound to a colour variable that shows the colour
// as a swatch (or "No color") and opens the colour grid (ColorPicker.h)
// instead of a list: on a click, F4 (without Alt), Up, Down and Space.
// A picked colour is shown at once, sent to the parent as WM_AUTO_CHANGED
// (35998) and handed to the change callback; inside a parent that asks for
// it (notifyParent), Tab and Enter post WM_AUTO_NEXT (35999).
//
// GTK's combo boxes draw their own face and open their own list, so the
// control is a window of our own shaped like a drop-down list.
#pragma once

#include <cstdint>
#include <functional>

#include "foundation/WString.h"
#include "platform/ui/Controls.h"

namespace kvn {

inline constexpr int kColorLabelTextId = 1104;

class TColorCombo : public TControl {
 public:
  enum Option : std::uint32_t {
    AllowNoColor = 1,  // the grid offers "No color"; picking it gives 0x80000000
    Standard16 = 2,    // the 16 standard colours instead of the palette
    UseRecent = 4,     // the row of recent colours
  };
  using ChangeCallback = std::function<void(std::uint32_t color)>;

  // A control of the parent dialog's template; the variable may be null.
  TColorCombo(TWindow* parent, int resourceId, std::uint32_t* variable, std::uint32_t options,
              const WString& extraLabel = WString());
  // Made at run time, in pixels of the parent's client area.
  TColorCombo(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t* variable, std::uint32_t options);

  std::uint32_t GetColor() const { return color_; }
  // Shows the colour (no notification).
  void SetColor(std::uint32_t color);
  void SetChangeCallback(ChangeCallback callback) { callback_ = std::move(callback); }
  bool notifyParent = false;

  void LoadFromVariable() override;
  void SaveToVariable() override;
  // The label, ": " and the colour's text, as the tooltip shows it.
  WString TooltipText() const;
  // Runs the grid below the control; true when a colour was picked.
  bool OpenPicker();
  // What a finished pick does: the colour, repaint, WM_AUTO_CHANGED, the
  // callback, the tooltip.
  void ApplyPick(std::uint32_t picked, bool noColor);

  // The face is drawn here, greyed while disabled: a change of state
  // repaints it.
  void EnableWindow(bool enable) override;

  DialogControlClass GetControlClass() const override { return DialogControlClass::ComboBox; }
  void MeasureItem(TMeasureItem& measure) override;

  void EvLButtonDown(std::uint32_t keys, const TPoint& point);
  void EvKeyDown(std::uint32_t key, std::uint32_t repeat, std::uint32_t flags);
  TResult EvGetDlgCode(TParam1, TParam2 lParam);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* NewPeer(wxWindow* parentPeer) override;
  wxWindow* AdaptTemplatePeer(wxWindow* peer) override;
  bool AcceptsPeer(wxWindow*) const override { return true; }
  void SetupWindow() override;

 private:
  void EvPaint();
  bool EvEraseBkgnd(TParam1) { return true; }
  void EvSetFocus(THandle) { Invalidate(false); }
  void EvKillFocus(THandle) { Invalidate(false); }

  std::uint32_t* variable_;
  std::uint32_t options_;
  std::uint32_t color_ = 0;
  WString label_;
  WString noColorText_;
  ChangeCallback callback_;
};

}  // namespace kvn
