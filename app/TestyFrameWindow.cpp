#include "app/TestyFrameWindow.h"

#include <wx/window.h>

#include <utility>

#include "app/AboutDialog.h"
#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/LevelCombo.h"
#include "app/MainToolBar.h"
#include "app/ToolBarBoxes.h"
#include "app/OpenClose.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/UiColors.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FileDrop.h"
#include "platform/ui/RegisteredMessages.h"
#include "platform/ui/ToolkitLanguage.h"

namespace kvn {

namespace {

// Posted by SwitchLanguage to itself: the tool bar is built again once the
// command that switched the language has returned. A flag button's own
// command runs inside the gadget window that the rebuild deletes.
constexpr std::uint32_t kWmRebuildToolBar = kWmUser + 0x100;

int LanguageOfCommand(std::uint32_t id) {
  switch (id) {
    case kCmCzech: return kLanguageCzech;
    case kCmSlovak: return kLanguageSlovak;
    case kCmEnglish: return kLanguageEnglish;
    default: return -1;
  }
}

}  // namespace

TTestyFrameWindow::TTestyFrameWindow()
    : THelpWindow(nullptr), TRecentFiles(kCmExit, SettingsKeyPath(), TRecentFiles::kMostEntries) {
  frameLink_ = {static_cast<TWindow*>(this), nullptr, nullptr, nullptr};
  SetMenuResourceId(kMainMenuId);
  SetAcceleratorTableId(kMainMenuId);
  // "Language": a missing or negative value follows the system's language.
  SetLanguageIndex(ReadLanguageSetting());
  InvalidateLangTable();
  ApplyToolkitLanguage(GetLanguageIndex());
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
  // The document (with its views) is the frame's. The client pointer is
  // left alone: the frame is going and lays nothing out any more.
  delete std::exchange(CurrentDocument(), nullptr);
}

THandle TTestyFrameWindow::GetCommandTarget() {
  if (cDrawingDoc* doc = CurrentDocument(); doc && doc->ViewCount() > 0) {
    if (auto* view = dynamic_cast<cVectorView*>(doc->GetView(0)); view && view->GetVectorWindow()->GetHandle())
      return view->GetVectorWindow()->GetHandle();
  }
  return GetHandle();
}

void TTestyFrameWindow::SetupWindow() {
  THelpWindow::SetupWindow();
  BuildMainToolBar(*GetToolBar(), *this);
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
  DragAcceptFiles(true);
}

void TTestyFrameWindow::CleanupWindow() {
  const TRect r = GetWindowRect();
  SaveWindowPlacement(ScreenRect{r.left, r.top, r.right, r.bottom}, IsZoomed(), WString(kWindowPosValueName),
                      SettingsKeyPath());
  THelpWindow::CleanupWindow();
}

bool TTestyFrameWindow::OpenFile(const WString& fileName) {
  // Only a file chosen in the dialog would go to the recent-file list.
  WString chosen;
  std::unique_ptr<cDrawingDoc> doc;
  if (!fileName.IsEmpty()) {
    doc = OpenDrawingUnderMonitor(*this, fileName);
  } else {
    chosen = AskDrawingFileName(*this);
    if (!chosen.IsEmpty()) doc = OpenDrawingUnderMonitor(*this, chosen);
  }
  bool opened = false;
  // A document without sheets is dropped here and the open one stays.
  if (doc && doc->SheetCount() > 0) {
    auto* view = new cVectorView(frameLink_, doc.get(), doc->currentEntry, doc->currentPage);
    doc->AddView(view);
    SetClientWindow(view);  // the previous client goes with its document below
    // Only a file that opened is worth offering again.
    if (!chosen.IsEmpty()) Add(chosen);
    delete std::exchange(CurrentDocument(), doc.release());
    FocusFrameClient();
    opened = true;
  }
  UpdateTitle();
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
  return opened;
}

void TTestyFrameWindow::CmFileClose() {
  if (CurrentDocument() == nullptr) return;
  SetClientWindow(nullptr);
  if (wxWindow* peer = GetPeer()) {
    // COLORREF 0x00BBGGRR.
    const std::uint32_t c = GetUiSysColor(143);
    peer->SetBackgroundColour(wxColour(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
  }
  delete std::exchange(CurrentDocument(), nullptr);
  if (GetPeer()) GetPeer()->Refresh();
  UpdateTitle();
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
}

void TTestyFrameWindow::FocusFrameClient() {
  if (TWindow* client = GetClientWindow(); client && client->GetHandle())
    client->SetFocus();
  else
    SetFocus();
}

void TTestyFrameWindow::UpdateTitle() {
  WString title = FormatPercentS(LoadLangString(kStrTitle), LoadLangString(kStrVersion));
  if (const cDrawingDoc* doc = CurrentDocument()) {
    title.AppendCStr(u" - ");
    title.Append(doc->GetDisplayName());
  }
  SetCaption(title);
}

void TTestyFrameWindow::SwitchLanguage(int index) {
  SetLanguageIndex(index);
  InvalidateLangTable();
  ApplyToolkitLanguage(GetLanguageIndex());
  AssignMenu(kMainMenuId);
  if (GetHandle() && !toolBarRebuildPending_) {
    // Never now: this may run inside the tool bar's own command dispatch.
    toolBarRebuildPending_ = PostMessage(kWmRebuildToolBar);
    if (!toolBarRebuildPending_) RebuildToolBar();
  }
  UpdateTitle();
  RetitleDocumentViews(CurrentDocument());
  WriteLanguageSetting(index);
}

void TTestyFrameWindow::RebuildToolBar() {
  toolBarRebuildPending_ = false;
  if (!GetHandle()) return;
  // The old bar goes with its boxes: what they showed and the keyboard
  // stay as they were before the switch.
  const MainToolBarState kept = SaveMainToolBarState(*GetToolBar());
  BuildMainToolBar(*GetToolBar(), *this);
  RefreshPagesComboBoxes();
  RefreshLevelComboBoxes(nullptr);
  RestoreMainToolBarState(*GetToolBar(), *this, kept);
}

TResult TTestyFrameWindow::EvRebuildToolBar(TParam1, TParam2) {
  RebuildToolBar();
  return 0;
}

// --- handlers ------------------------------------------------------------------------------------

void TTestyFrameWindow::EvGetMinMaxInfo(TMinMaxInfo& info) { info.minTrackSize = TPoint{400, 400}; }

bool TTestyFrameWindow::IdleAction(long idleCount) {
  if (idleCount == 0) ShowZoomInBoxes();
  return THelpWindow::IdleAction(idleCount);
}

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

TResult TTestyFrameWindow::CmRecentFile(TParam1 commandId, TParam2) {
  OpenFile(GetEntry(std::uint32_t(commandId)));
  return 0;
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
          OnRaw<&F::EvRebuildToolBar>(kWmRebuildToolBar),
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
          OnRegistered<&F::CmRecentFile>(kMruFileMessageName),
          OnCommandEnable<&F::CeExit>(kCmExit),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 1),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 2),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 3),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 4),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 5),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 6),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 7),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 8),
          OnCommandAndId<&F::CmRecentFileCommand>(TRecentFiles::kFirstCommand + 9),
      },
      {&THelpWindow::Table()});
  return table;
}

bool TTestyFrameWindow::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
