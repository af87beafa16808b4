#include "app/HelpWindow.h"

#include <wx/event.h>
#include <wx/menu.h>

#include <algorithm>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "controls/MenuAccessWx.h"
#include "foundation/WindowPlacement.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/RegisteredMessages.h"

namespace kvn {

// --- MyHelpClass -------------------------------------------------------------------------------

const TResponseTable& MyHelpClass::Table() {
  static const TResponseTable table(
      {
          OnRegistered<&MyHelpClass::EvHelpMessage>(kHelpMessageName),
          OnCommand<&MyHelpClass::CmHelp>(kCmHelp),
          OnMessage<kWmHelp, &MyHelpClass::EvHelp>(),
      },
      {});
  return table;
}

bool MyHelpClass::Find(TEventInfo& info) { return Table().Search(info); }

void MyHelpClass::EvHelp(const THelpInfo& info) {
  if (info.contextType == kHelpInfoMenuItem) {
    if (info.ctrlId != 0) {
      owner_.SendMessage(kWmCancelMode);
      owner_.PostMessage(HelpMessage(), TParam1(info.ctrlId), 0);
    }
    return;
  }
  if (info.contextId != 0) {
    owner_.PostMessage(HelpMessage(), TParam1(info.contextId), 0);
    return;
  }
  CmHelp();
}

TResult MyHelpClass::EvHelpMessage(TParam1, TParam2) { return owner_.DefaultProcessing(); }

void MyHelpClass::CmHelp() { owner_.DefaultProcessing(); }

// --- THelpWindow --------------------------------------------------------------------------------

THelpWindow::THelpWindow(TWindow* parent, const WString& title, TWindow* client)
    : TDecoratedFrame(parent, title, client), MyHelpClass(static_cast<TWindow&>(*this)),
      toolBar_(new TDockableControlBarWithAutoTips(this)) {
  Attr.ExStyle |= kWsExClientEdge;
}

THelpWindow::~THelpWindow() = default;

void THelpWindow::SetPlacement(const WString& valueName, const WString& key, int width, int height, int xOffset,
                               int yOffset) {
  placementValue_ = valueName;
  placementKey_ = key;
  placementWidth_ = width;
  placementHeight_ = height;
  placementX_ = xOffset;
  placementY_ = yOffset;
}

bool THelpWindow::Create() {
  if (!placementValue_.IsEmpty() && !GetHandle()) {
    WindowCreationAttrs attrs;
    if (RestoreWindowPlacement(attrs, placementValue_, placementKey_, 200, 200)) {
      Attr.X = attrs.x;
      Attr.Y = attrs.y;
      Attr.W = attrs.width;
      Attr.H = attrs.height;
      if (attrs.maximized) Attr.Style |= kWsMaximize;
    } else {
      // Centred on the work area plus the offsets, kept inside it; a
      // negative size is that percentage of the work area.
      const ScreenRect work = GetPrimaryWorkArea();
      const int areaW = work.right - work.left;
      const int areaH = work.bottom - work.top;
      int w = placementWidth_ < 0 ? areaW * -placementWidth_ / 100 : placementWidth_;
      int h = placementHeight_ < 0 ? areaH * -placementHeight_ / 100 : placementHeight_;
      w = std::clamp(std::max(w, 200), 0, std::max(areaW, 200));
      h = std::clamp(std::max(h, 200), 0, std::max(areaH, 200));
      int x = work.left + (areaW - w) / 2 + placementX_;
      int y = work.top + (areaH - h) / 2 + placementY_;
      Attr.X = std::clamp(x, work.left, std::max(work.left, work.right - w));
      Attr.Y = std::clamp(y, work.top, std::max(work.top, work.bottom - h));
      Attr.W = w;
      Attr.H = h;
    }
  }
  return TDecoratedFrame::Create();
}

void THelpWindow::SetupWindow() {
  harbor_ = std::make_unique<THarbor>(*this);
  TDecoratedFrame::SetupWindow();
  // The decorated frame looks at every key before it is dispatched (GTK
  // hands a frame's keys to its char hook before its accelerator table).
  GetPeer()->Bind(wxEVT_CHAR_HOOK, &THelpWindow::OnCharHook, this);
  harbor_->Insert(*toolBar_, Location::Top);
  toolBar_->LayoutBar();
}

void THelpWindow::CleanupWindow() {
  if (!placementValue_.IsEmpty()) {
    const TRect r = GetWindowRect();
    SaveWindowPlacement(ScreenRect{r.left, r.top, r.right, r.bottom}, IsZoomed(), placementValue_, placementKey_);
  }
  TDecoratedFrame::CleanupWindow();
}

void THelpWindow::EvGetMinMaxInfo(TMinMaxInfo& info) { info.minTrackSize = TPoint{400, 200}; }

const TResponseTable& THelpWindow::Table() {
  static const TResponseTable table(
      {
          OnCommand<&THelpWindow::CmNothing>(kCmHelpNothing1),
          OnCommand<&THelpWindow::CmNothing>(kCmHelpNothing2),
          OnMessage<kWmGetMinMaxInfo, &THelpWindow::EvGetMinMaxInfo>(),
      },
      {&TDecoratedFrame::Table(), &MyHelpClass::Table()});
  return table;
}

bool THelpWindow::Find(TEventInfo& info) { return Table().Search(info); }

WString THelpWindow::GetHintText(std::uint32_t id, THintKind kind) {
  WString text;
  wxMenuBar* bar = GetMenuBar();
  if (bar == nullptr) return text;
  TWxMenuBarAccess access(bar);
  menuDecorator_.GetCommandHint(text, &access, id, int(kind));
  return text;
}

void THelpWindow::OnCharHook(wxKeyEvent& event) {
  // The hook hears only keys of the frame that holds the focus: the active
  // window, as the decorator asks. The modifiers are the event's: by the
  // time the loop runs the hook, the keys may be up again.
  const std::uint32_t key = VirtualKeyFromWx(event.GetKeyCode());
  wxMenuBar* bar = GetMenuBar();
  if (key != 0 && bar != nullptr) {
    std::uint8_t modifiers = 0;
    if (event.ShiftDown()) modifiers |= kKeyShift;
    if (event.ControlDown()) modifiers |= kKeyCtrl;
    if (event.AltDown()) modifiers |= kKeyAlt;
    TWxMenuBarAccess access(bar);
    if (menuDecorator_.TranslateShortcut(*this, &access, key, modifiers)) return;
  }
  event.Skip();
}

void THelpWindow::MenuAssigned() {
  commandTable_ = CommandTableFromAccelerators(GetAccelerators());
  menuDecorator_.SetCommandTable(&commandTable_);
  if (wxMenuBar* bar = GetMenuBar()) {
    TWxMenuBarAccess access(bar, &GetMenuShownKeys());
    menuDecorator_.ConvertMenu(false, &access);
  }
}

}  // namespace kvn
