#include "app/LoadDialogs.h"

#include <cfloat>
#include <cmath>

#include "controls/AutoButtons.h"
#include "controls/AutoNumbers.h"
#include "controls/DialogTr.h"
#include "platform/ui/ControlLists.h"
#include "platform/ui/DialogItems.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

constexpr int kViewDialog = 15528, kSheetDialog = 15529;
constexpr int kFirstPreset = 2010;
constexpr int kAngleFields[3] = {1251, 1253, 1255};
constexpr int kTwistField = 1257;
constexpr int kSheetList = 2001;
// The labels and fields of the user-defined direction.
constexpr int kUserViewItems[] = {1250, 1251, 1252, 1253, 1254, 1255, 0};

void ShowUserViewItems(TWindow* dialog, int chosen) {
  ShowDialogItems(dialog, chosen == kUserViewDirection, kUserViewItems, false);
}

void PresetChanged(TWindow* dialog, int index, std::uint32_t) { ShowUserViewItems(dialog, index); }

class TViewDirectionDialog : public TDialogTr {
 public:
  TViewDirectionDialog(TWindow* parent, ViewDirectionChoice& choice) : TDialogTr(parent, kViewDialog) {
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

class TSheetChoiceDialog : public TDialogTr {
 public:
  TSheetChoiceDialog(TWindow* parent, const std::vector<WString>& items)
      : TDialogTr(parent, kSheetDialog), items_(items) {
    list_ = new TListBox(this, kSheetList);
  }
  int Chosen() const { return chosen_; }

 protected:
  void SetupWindow() override {
    TDialogTr::SetupWindow();
    for (const WString& item : items_) list_->AddString(item);
    list_->SetSelIndex(0);
  }
  void SaveToVariable() override {
    TDialogTr::SaveToVariable();
    chosen_ = list_->GetSelIndex();
  }

 private:
  const std::vector<WString>& items_;
  TListBox* list_ = nullptr;
  int chosen_ = -1;
};

class ShellLoadDialogs final : public LoadDialogs {
 public:
  int ChooseSheet(cMsgDlg& owner, const std::vector<WString>& items) override {
    return RunSheetChoiceDialog(dynamic_cast<TWindow*>(&owner), items);
  }
  bool ChooseViewDirection(cMsgDlg& owner, ViewDirectionChoice& choice) override {
    return RunViewDirectionDialog(dynamic_cast<TWindow*>(&owner), choice);
  }
};

ShellLoadDialogs g_dialogs;

}  // namespace

bool RunViewDirectionDialog(TWindow* parent, ViewDirectionChoice& choice) {
  TViewDirectionDialog dialog(parent, choice);
  if (dialog.Execute() != kIdOk) return false;
  dialog.Apply(choice);
  return true;
}

int RunSheetChoiceDialog(TWindow* parent, const std::vector<WString>& items) {
  if (items.empty()) return -1;
  TSheetChoiceDialog dialog(parent, items);
  if (dialog.Execute() != kIdOk) return -1;
  const int chosen = dialog.Chosen();
  return chosen >= 0 && std::size_t(chosen) < items.size() ? chosen : -1;
}

void InstallLoadDialogs() { SetLoadDialogs(&g_dialogs); }

void UninstallLoadDialogs() {
  if (GetLoadDialogs() == &g_dialogs) SetLoadDialogs(nullptr);
}

}  // namespace kvn
