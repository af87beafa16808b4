// The shell's answers to the readers' questions that need dialogs.
#include "app/LoadDialogs.h"

#include "platform/ui/Window.h"

namespace kvn {

namespace {

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

void InstallLoadDialogs() { SetLoadDialogs(&g_dialogs); }

void UninstallLoadDialogs() {
  if (GetLoadDialogs() == &g_dialogs) SetLoadDialogs(nullptr);
}

}  // namespace kvn
