// The view-direction dialog (template 15528): ten preset directions and a
// user-defined one by its angles to the axes, with the twist.
#include <cfloat>
#include <cmath>

#include "app/LoadDialogs.h"
#include "controls/AutoButtons.h"
#include "controls/AutoNumbers.h"
#include "controls/DialogTr.h"
#include "platform/ui/DialogItems.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

constexpr int kFirstPreset = 2010;
constexpr int kAngleFields[3] = {1251, 1253, 1255};
constexpr int kTwistField = 1257;
// The labels and fields of the user-defined direction.
constexpr int kUserViewItems[] = {1250, 1251, 1252, 1253, 1254, 1255, 0};

void ShowUserViewItems(TWindow* dialog, int chosen) {
  ShowDialogItems(dialog, chosen == kUserViewDirection, kUserViewItems, false);
}

void PresetChanged(TWindow* dialog, int index, std::uint32_t) { ShowUserViewItems(dialog, index); }

class TViewDirectionDialog : public TDialogTr {
 public:
  TViewDirectionDialog(TWindow* parent, ViewDirectionChoice& choice) : TDialogTr(parent, 15528) {
    preset_ = choice.preset;
    AxisAnglesOf(choice.direction, angles_);
    twist_ = choice.twist;
    auto* radios = new TAutoRadio(this, kFirstPreset, kPresetViewDirections + 1, &preset_, kUserViewDirection);
    radios->SetCallback(PresetChanged, 0);
    // Any finite number, in steps of 15 degrees.
    for (int i = 0; i < 3; ++i) {
      auto* field = new TAutoDouble(6, this, kAngleFields[i], &angles_[i], DBL_MAX);
      field->SetRange(-DBL_MAX, DBL_MAX, 15.0);
    }
    auto* twist = new TAutoDouble(6, this, kTwistField, &twist_, DBL_MAX);
    twist->SetRange(-DBL_MAX, DBL_MAX, 15.0);
  }

  // The choice as the dialog left it.
  void Apply(ViewDirectionChoice& choice) const {
    choice.preset = preset_ >= 0 && preset_ <= kUserViewDirection ? preset_ : kUserViewDirection;
    if (choice.preset == kUserViewDirection) DirectionFromAxisAngles(angles_, choice.direction);
    ApplyViewPreset(choice);
    choice.twist = std::isfinite(twist_) ? twist_ : 0.0;
  }

 protected:
  void SetupWindow() override {
    TDialogTr::SetupWindow();
    ShowUserViewItems(this, preset_);
  }

 private:
  int preset_ = kUserViewDirection;
  double angles_[3] = {90.0, 90.0, 0.0};
  double twist_ = 0.0;
};

}  // namespace

bool RunViewDirectionDialog(TWindow* parent, ViewDirectionChoice& choice) {
  TViewDirectionDialog dialog(parent, choice);
  if (dialog.Execute() != kIdOk) return false;
  dialog.Apply(choice);
  return true;
}

}  // namespace kvn
