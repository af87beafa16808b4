// The About box: the translated dialog 16434 whose version line (control
// 11111, "Version %s") shows the program's version and its word size.
#include "app/AboutDialog.h"

#include "app/CommandIds.h"
#include "controls/DialogTr.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "platform/ui/ControlTexts.h"
#include "platform/ui/Controls.h"

namespace kvn {

namespace {

constexpr int kAboutDialogId = 16434;
constexpr int kVersionLine = 11111;

class TAboutDialog : public TDialogTr {
 public:
  explicit TAboutDialog(TWindow* parent) : TDialogTr(parent, kAboutDialogId) {}

  void SetupWindow() override {
    TDialogTr::SetupWindow();
    auto* line = dynamic_cast<TControl*>(GetDlgItem(kVersionLine));
    if (line == nullptr) return;
    // The version line names the build's word size: this port is 64-bit.
    WString version = LoadLangString(kStrVersion);
    version.AppendCStr(sizeof(void*) == 8 ? u" (64-bit)" : u" (32-bit)");
    line->SetText(FormatPercentS(line->GetText(), version));
  }
};

}  // namespace

std::unique_ptr<TDialog> MakeAboutDialog(TWindow& owner) { return std::make_unique<TAboutDialog>(&owner); }

void RunAboutDialog(TWindow& owner) { MakeAboutDialog(owner)->Execute(); }

}  // namespace kvn
