#include "app/TestyFrameWindow.h"

#include "app/AboutDialog.h"
#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FileDrop.h"

namespace kvn {

namespace {

int LanguageOfCommand(std::uint32_t id) {
  switch (id) {
    case kCmCzech: return kLanguageCzech;
    case kCmSlovak: return kLanguageSlovak;
    case kCmEnglish: return kLanguageEnglish;
    default: return -1;
  }
}

}  // namespace

TTestyFrameWindow::TTestyFrameWindow() : THelpWindow(nullptr) {
  frameLink_ = {static_cast<TWindow*>(this), nullptr, nullptr, nullptr};
  SetMenuResourceId(kMainMenuId);
  SetAcceleratorTableId(kMainMenuId);
  // "Language": a missing or negative value follows the system's language.
  SetLanguageIndex(ReadLanguageSetting());
  InvalidateLangTable();
  UpdateTitle();
  SetInstanceName(WString(u"QUARN-KVN-VIEWER"));
  SetIconId(15058);
  WindowCreationAttrs attrs;
  if (RestoreWindowPlacement(attrs, WString(kWindowPosValueName), SettingsKeyPath(), kMainFrameMinWidth,
                             kMainFrameMinHeight)) {
    Attr.X = attrs.x;
    Attr.Y = attrs.y;
    Attr.W = attrs.width;
    Attr.H = attrs.height;
  }
  if (attrs.maximized) Attr.Style |= kWsMaximize;
}

TTestyFrameWindow::~TTestyFrameWindow() {
  // The document (with its views) is the frame's; it arrives with the
  // drawing view, until then none is ever open.
  CurrentDocument() = nullptr;
}

THandle TTestyFrameWindow::GetCommandTarget() {
  // No document has views yet: the frame takes every command.
  return GetHandle();
}

void TTestyFrameWindow::SetupWindow() {
  THelpWindow::SetupWindow();
  DragAcceptFiles(true);
}

void TTestyFrameWindow::CleanupWindow() {
  const TRect r = GetWindowRect();
  SaveWindowPlacement(ScreenRect{r.left, r.top, r.right, r.bottom}, IsZoomed(), WString(kWindowPosValueName),
                      SettingsKeyPath());
  THelpWindow::CleanupWindow();
}

bool TTestyFrameWindow::OpenFile(const WString&) { return false; }

void TTestyFrameWindow::CmFileClose() {}

void TTestyFrameWindow::UpdateTitle() {
  WString title = FormatPercentS(LoadLangString(kStrTitle), LoadLangString(kStrVersion));
  SetCaption(title);
}

void TTestyFrameWindow::SwitchLanguage(int index) {
  SetLanguageIndex(index);
  InvalidateLangTable();
  AssignMenu(kMainMenuId);
  UpdateTitle();
  WriteLanguageSetting(index);
}

// --- handlers ------------------------------------------------------------------------------------

void TTestyFrameWindow::EvGetMinMaxInfo(TMinMaxInfo& info) { info.minTrackSize = TPoint{400, 400}; }

void TTestyFrameWindow::CmExit() { PostMessage(kWmClose); }

void TTestyFrameWindow::CmFileOpen() { OpenFile(WString()); }

void TTestyFrameWindow::CeFileClose(TCommandEnabler& ce) { ce.Enable(CurrentDocument() != nullptr); }

void TTestyFrameWindow::CmAbout() { RunAboutDialog(*this); }

void TTestyFrameWindow::CmLanguage(std::uint32_t id) {
  const int index = LanguageOfCommand(id);
  if (index >= 0) SwitchLanguage(index);
}

void TTestyFrameWindow::CeLanguage(TCommandEnabler& ce) {
  ce.SetCheck(GetLanguageIndex() == LanguageOfCommand(ce.GetId()) ? TCommandEnabler::Checked
                                                                  : TCommandEnabler::Unchecked);
}

void TTestyFrameWindow::EvDropFiles(TDropInfo& drop) {
  if (drop.DragQueryFileCount() > 0) OpenFile(drop.DragQueryFile(0));
  drop.DragFinish();
}

const TResponseTable& TTestyFrameWindow::Table() {
  using F = TTestyFrameWindow;
  static const TResponseTable table(
      {
          OnMessage<kWmGetMinMaxInfo, &F::EvGetMinMaxInfo>(),
          OnRaw<&F::EvThemeChanged>(kWmThemeChanged),
          OnCommand<&F::CmExit>(kCmExit),
          OnCommand<&F::CmFileOpen>(kCmFileOpen),
          OnCommand<&F::CmFileClose>(kCmFileClose),
          OnCommandEnable<&F::CeFileClose>(kCmFileClose),
          OnCommand<&F::CmAbout>(kCmAbout),
          OnCommand<&F::CmAccepted>(kCmAccepted),
          OnCommandAndId<&F::CmLanguage>(kCmCzech),
          OnCommandAndId<&F::CmLanguage>(kCmSlovak),
          OnCommandAndId<&F::CmLanguage>(kCmEnglish),
          OnCommandEnable<&F::CeLanguage>(kCmCzech),
          OnCommandEnable<&F::CeLanguage>(kCmSlovak),
          OnCommandEnable<&F::CeLanguage>(kCmEnglish),
          OnMessage<kWmDropFiles, &F::EvDropFiles>(),
      },
      {&THelpWindow::Table()});
  return table;
}

bool TTestyFrameWindow::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
