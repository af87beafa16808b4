// Colour picking: the drop-down colour grid (TColorPickerZv) in its small
// frameless dialog (TDialogColor), the system colour dialog
// (TChooseColorDialog), and ShowColorPicker, which runs them in turn.
//
// The grid's dialog closes when the user clicks anywhere outside it, and
// that click goes nowhere else. GTK has no thread mouse hook: the grid
// holds the pointer grab while its dialog is open, so every press reaches
// the grid first, which ends the dialog for a press outside the dialog's
// rectangle and swallows it.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "controls/ColorGrid.h"
#include "controls/DialogTr.h"
#include "foundation/WString.h"
#include "platform/ui/Controls.h"

namespace kvn {

inline constexpr int kColorGridId = 1000;
inline constexpr int kColorGridDialogId = 1102;
inline constexpr int kMoreColorsTextId = 30590;
inline constexpr int kNoColorTextId = 30585;

class TColorPickerZv : public TControl {
 public:
  // `noColorResult` (may be null) receives the no-colour choice; the
  // custom colours go to the system dialog.
  TColorPickerZv(TWindow* parent, const TColorList& list, std::uint32_t initialColor, bool* noColorResult,
                 const WString& noColorText);

  TColorGrid& Grid() { return grid_; }
  const TColorGrid& Grid() const { return grid_; }
  DialogControlClass GetControlClass() const override { return DialogControlClass::Button; }
  std::uint32_t DefaultDlgCode() const override { return kDlgcWantAllKeys; }
  // The tooltip of the hot cell.
  WString HotCellTooltip() const;

  void EvMouseMove(std::uint32_t keys, const TPoint& point);
  void EvLButtonDown(std::uint32_t keys, const TPoint& point);
  void EvKeyDown(std::uint32_t key, std::uint32_t repeat, std::uint32_t flags);
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* NewPeer(wxWindow* parentPeer) override;
  wxWindow* AdaptTemplatePeer(wxWindow* peer) override;
  bool AcceptsPeer(wxWindow*) const override { return true; }

 private:
  void EvPaint();
  bool EvEraseBkgnd(TParam1) { return true; }
  void End(int result);
  void SetHot(int cell);

  TColorGrid grid_;
  WString noColorText_;
  WString moreText_;
};

// The grid's host: frameless, placed with its top-left corner at the
// caller's point, closed by a click outside.
class TDialogColor : public TDialogTr {
 public:
  TDialogColor(TWindow* parent, const TColorList& list, std::uint32_t initialColor, bool* noColorResult,
               const WString& noColorText, const TPoint& position);
  TColorPickerZv& Picker() { return *picker_; }
  bool EvInitDialog(THandle focus) override;
  void CloseWindow(int retValue) override;

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void SetupWindow() override;

 private:
  TColorPickerZv* picker_;  // a child: owned by the window
  TPoint position_;
};

// The system colour dialog, fully open, starting from the colour, with the
// program's 16 custom colours.
class TChooseColorDialog {
 public:
  TChooseColorDialog(TWindow* parent, std::uint32_t& color, const TPoint* position = nullptr);
  // kIdcOk with the colour stored (top byte cleared), else kIdcCancel.
  int Execute();

 private:
  TWindow* parent_;
  std::uint32_t& color_;
  const TPoint* position_;
};

// Test seam: what runs the two dialogs. The default shows them; a test
// answers with scripted results.
class ColorPickerRunner {
 public:
  virtual ~ColorPickerRunner() = default;
  // The grid's dialog result (1 OK, 2 cancel, 6 more colours, 7 no hot cell).
  virtual int RunGrid(TDialogColor& dialog) { return dialog.Execute(); }
  virtual int RunChooser(TChooseColorDialog& dialog) { return dialog.Execute(); }
};
ColorPickerRunner* SetColorPickerRunner(ColorPickerRunner* runner);

// Runs the grid (and "More colors") at the screen point; true when a colour
// was picked. `noColor` (may be null) is the in/out no-colour flag; with
// `standard16` the 16 standard colours in 8 columns without "More colors",
// else the palette in 9 columns with it; `changed` is set when the dialog
// ended with a choice or with result 7.
bool ShowColorPicker(TWindow* parent, std::uint32_t& color, const TPoint& position, bool* noColor, bool standard16,
                     const WString& noColorText, bool* changed, bool useRecent);

}  // namespace kvn
