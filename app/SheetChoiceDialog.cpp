// The sheet-choice dialog (template 15529): the sheets of a file chosen
// for a missing external reference, one line each.
#include "app/LoadDialogs.h"
#include "controls/DialogTr.h"
#include "platform/ui/ControlLists.h"
#include "platform/ui/Window.h"

namespace kvn {

namespace {

constexpr int kSheetList = 2001;

class TSheetChoiceDialog : public TDialogTr {
 public:
  TSheetChoiceDialog(TWindow* parent, const std::vector<WString>& items)
      : TDialogTr(parent, 15529), items_(items) {
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

}  // namespace

int RunSheetChoiceDialog(TWindow* parent, const std::vector<WString>& items) {
  if (items.empty()) return -1;
  TSheetChoiceDialog dialog(parent, items);
  if (dialog.Execute() != kIdOk) return -1;
  const int chosen = dialog.Chosen();
  return chosen >= 0 && std::size_t(chosen) < items.size() ? chosen : -1;
}

}  // namespace kvn
