#include "print/dialogs/PrintFileDialog.h"

#include "controls/FileDialogs.h"
#include "document/ProgressMonitor.h"
#include "foundation/MsgBox.h"
#include "print/PrintJob.h"

namespace kvn {

namespace {

class SaveDialogChooser final : public PrintFileChooser {
 public:
  bool ChooseFile(ProgressMonitor& monitor, const WString& filter, DialogFolder& folder,
                  const WString& proposedName, const WString& title, WString& chosen) override {
    ProgressWindow* window = monitor.EnsureWindow();
    cMsgDlg* owner = window ? window->GetMessageOwner() : nullptr;
    auto* parent = owner ? static_cast<TWindow*>(owner->GetOwnerWindow()) : nullptr;
    if (!parent) return false;
    FileDialogData data(kOfnOverwritePrompt | kOfnHideReadOnly | kOfnNoChangeDir | kOfnPathMustExist, filter);
    data.defaultExtension = WString(u"prn");
    TAutoFileSaveDialog dialog(0, &folder, proposedName, parent, data, 0, title);
    if (dialog.Execute() != 1 || data.chosenFiles.empty()) return false;
    chosen = data.chosenFiles.front();
    return true;
  }
};

SaveDialogChooser g_chooser;

}  // namespace

void InstallPrintFileDialog() { SetPrintFileChooser(&g_chooser); }

void UninstallPrintFileDialog() {
  PrintFileChooser* current = SetPrintFileChooser(nullptr);
  if (current != &g_chooser) SetPrintFileChooser(current);
}

}  // namespace kvn
