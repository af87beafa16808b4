// TDialogTr: the base of every dialog of the program made from a dialog
// template. At set-up it translates the caption and the controls' texts into
// the interface language (before any control reads its text) and gives the
// translated controls fresh accelerator letters; it loads and saves all
// bound controls at once; it places itself over its parent or at a caller's
// point; it remembers the focused edit between two openings; it takes the
// Restore command for all its controls; it keeps the template's Help button
// hidden and F1 without effect (the program has no help file).
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ui/Dialog.h"

namespace kvn {

// Where the dialog's centre goes (screen pixels), or nothing to move:
//   - with the centre flag, the centre of the parent's rectangle, or of the
//     work area without a parent;
//   - else the position point when given; then, with a clamp point and a
//     parent, the clamp point moved into the parent's rectangle shrunk by
//     10 pixels on each side (the later move wins).
struct DialogPlacement {
  bool centerFlag = false;
  bool hasParent = false;
  TRect parentRect;
  TRect workArea;
  const TPoint* position = nullptr;
  const TPoint* clamp = nullptr;
};
std::optional<TPoint> ComputeDialogPlacement(const DialogPlacement& in);

class TDialogTr : public TDialog {
 public:
  using RestoreCallback = void (*)();

  TDialogTr(TWindow* parent, int resourceId);

  // Set by the caller between construction and Execute; the pointers
  // normally name static variables so that the values survive between openings.
  TPoint* clampPoint = nullptr;
  TPoint* positionPoint = nullptr;
  bool centerFlag = false;
  RestoreCallback restoreCallback = nullptr;
  int* rememberedFocus = nullptr;
  std::uint32_t helpId = 0;

  void SetHelpId(std::uint32_t id) { helpId = id; }

  // Every child with a window, then the hook.
  void SaveToVariable() override;
  void LoadFromVariable() override;
  virtual void AfterSave() {}
  virtual void AfterLoad() {}

  bool EvInitDialog(THandle focus) override;
  // Remembers the focused control's id (unless it is IDOK) before the window goes.
  void Destroy(int retValue = 0) override;
  TResult WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) override;
  // CM_RESTORE_DEFAULTS: every child to its default, then the callback.
  void ResetToDefaults();

  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  void SetupWindow() override;

 private:
  void TranslateTexts();
  void Place();
};

}  // namespace kvn
