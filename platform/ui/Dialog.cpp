#include "platform/ui/Dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/listbox.h>
#include <wx/odcombo.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <algorithm>

#include "foundation/ModalStack.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/DialogNavigation.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/ThemedButton.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

WString CaptionOf(const DialogTemplateData* t) { return t ? WString(t->caption) : WString(); }

bool IsRadio(const DialogControlData& c) {
  const std::uint32_t type = c.style & kBsTypeMask;
  return c.cls == DialogControlClass::Button && (type == kBsRadioButton || type == kBsAutoRadioButton);
}

// The wrapper of a template entry's class and style (GetDlgItem's on-demand wrapping).
TControl* MakeGenericControl(TWindow* parent, const DialogControlData& c) {
  switch (c.cls) {
    case DialogControlClass::Button:
      switch (c.style & kBsTypeMask) {
        case kBsCheckBox:
        case kBsAutoCheckBox:
        case kBs3State:
        case kBsAuto3State: return new TCheckBox(parent, c.id);
        case kBsRadioButton:
        case kBsAutoRadioButton: return new TRadioButton(parent, c.id);
        case kBsGroupBox: return new TGroupBox(parent, c.id);
        default: return new TButton(parent, c.id);
      }
    case DialogControlClass::Static: return new TStatic(parent, c.id);
    case DialogControlClass::Edit: return new TEdit(parent, c.id);
    case DialogControlClass::ListBox: return new TListBox(parent, c.id);
    case DialogControlClass::ComboBox: return new TComboBox(parent, c.id);
    case DialogControlClass::ListView: return new TListWindow(parent, c.id);
    case DialogControlClass::Progress: return new TGauge(parent, c.id);
    case DialogControlClass::UpDown: return new TUpDown(parent, c.id);
  }
  return nullptr;
}

// The focused toolkit window when it lies in the dialog; the window of a
// control made of several toolkit windows is the one with an owner.
wxWindow* FocusIn(wxWindow* dialog) {
  wxWindow* focus = wxWindow::FindFocus();
  if (focus == nullptr || wxGetTopLevelParent(focus) != dialog) return nullptr;
  for (wxWindow* w = focus; w && w != dialog; w = w->GetParent()) {
    if (TWindow::FromPeer(w)) return w;
  }
  return focus;
}

// Whether the focus lies in the dialog's window, also when that window is
// not a top-level one (a property page, a box in a tool bar), which FocusIn
// does not see: Tab there moves on from the focus instead of starting over.
bool FocusWithin(const wxWindow* dialog) {
  const wxWindow* w = wxWindow::FindFocus();
  while (w && w != dialog && !w->IsTopLevel()) w = w->GetParent();
  return w != nullptr && w == dialog;
}

}  // namespace

TDialog::TDialog(TWindow* parent, int resourceId)
    : TWindow(parent, CaptionOf(FindDialogTemplate(resourceId))),
      resourceId_(resourceId),
      template_(FindDialogTemplate(resourceId)) {
  Attr.Id = 0;
  Attr.Style = (template_ ? template_->style : (kWsPopup | kWsCaption | kWsSysMenu)) | kWsVisible;
  Attr.X = kCwUseDefault;
  Attr.W = kCwUseDefault;
  if (template_) {
    for (const DialogControlData& c : template_->Controls()) {
      if (c.cls == DialogControlClass::Button && (c.style & kBsTypeMask) == kBsDefPushButton) {
        defaultId_ = c.id;
        break;
      }
    }
  }
}

TDialog::~TDialog() {
  // A dialog deleted while it still has its window (a property page, a box
  // in a tool bar) is cleaned up here, while it is still a dialog: the
  // window's destructor would run only the window's own clean-up and leave
  // the dialog's themed-button record behind, naming a window that is gone.
  // A button made later at that address would then be taken for it and
  // drawn without its face.
  TWindow::Destroy();
}

const TResponseTable& TDialog::Table() {
  static const TResponseTable table(
      {
          OnCommand<&TDialog::CmOk>(kIdcOk),
          OnCommand<&TDialog::CmCancel>(kIdcCancel),
          OnMessage<kWmClose, &TDialog::EvClose>(),
          OnRaw<&TDialog::EvInitDialogMsg>(kWmInitDialog),
          OnRaw<&TDialog::EvGetDefId>(kDmGetDefId),
          OnRaw<&TDialog::EvNextDlgCtl>(kWmNextDlgCtl),
      },
      {&TWindow::Table()});
  return table;
}

bool TDialog::Find(TEventInfo& info) { return Table().Search(info); }

// --- creation ------------------------------------------------------------------------------

wxWindow* TDialog::CreatePeer(wxWindow* parentPeer) {
  if (template_ == nullptr) return nullptr;
  long style = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;
  if (template_->style & kWsThickFrame) style |= wxRESIZE_BORDER;
  auto* dialog = new WxPeer<wxDialog>(this, parentPeer, wxID_ANY, ToWx(GetCaption()), wxDefaultPosition,
                                      wxDefaultSize, style);
  // The dialog manager below handles Enter and Escape; the toolkit's own
  // dialog must not close itself on them.
  dialog->SetEscapeId(wxID_NONE);
  dialog->SetAffirmativeId(wxID_NONE);
  // Dialog units are measured on the dialog's font, as Win32 measures them
  // on the template's font; GTK's default font stands for "MS Shell Dlg".
  const int baseX = std::max(dialog->GetCharWidth(), 1);
  const int baseY = std::max(dialog->GetCharHeight(), 1);
  dialog->SetClientSize(DialogUnitsToPixelsX(template_->cx, baseX), DialogUnitsToPixelsY(template_->cy, baseY));
  CreateTemplateControls(dialog);
  BindDialogEvents(dialog);
  // Where Win32 would put a template without a position: over the owner.
  if (parentPeer) {
    dialog->CentreOnParent();
  } else {
    dialog->CentreOnScreen();
  }
  return dialog;
}

void TDialog::CreateTemplateControls(wxWindow* dialog) {
  const int baseX = std::max(dialog->GetCharWidth(), 1);
  const int baseY = std::max(dialog->GetCharHeight(), 1);
  baseX_ = baseX;
  baseY_ = baseY;
  bool previousRadio = false;
  templatePeers_.clear();
  for (const DialogControlData& c : template_->Controls()) {
    const TRect units{c.x, c.y, c.x + c.cx, c.y + c.cy};
    const bool radio = IsRadio(c);
    const bool startsGroup = radio && (!previousRadio || (c.style & kWsGroup));
    previousRadio = radio;
    wxWindow* peer = CreateControlPeer(nullptr, dialog, c.cls, c.id, WString(c.text), c.style,
                                       DialogUnitsToPixels(units, baseX, baseY), startsGroup);
    if (peer) templatePeers_.push_back(TemplatePeer{c.id, peer, &c});
  }
}

void TDialog::BindDialogEvents(wxWindow* dialog, bool dialogKeys) {
  if (dialogKeys) {
    dialog->Bind(wxEVT_CHAR_HOOK, [dialog](wxKeyEvent& e) {
      auto* self = dynamic_cast<TDialog*>(TWindow::FromPeer(dialog));
      // A themed button's mnemonic: with Alt, or alone while a button has
      // the focus (the toolkit does this for its own buttons only).
      if (self && (e.AltDown() || PeerIsPushButton(wxWindow::FindFocus())) &&
          ClickThemedButtonByMnemonic(dialog, e.GetKeyCode())) {
        return;
      }
      // Inside another window, Ctrl+Tab is the host's (a property sheet
      // turns its pages with it).
      const bool hostKey = e.GetKeyCode() == WXK_TAB && e.ControlDown() && !dialog->IsTopLevel();
      if (self == nullptr || hostKey || !self->HandleDialogKey(VirtualKeyFromWx(e.GetKeyCode()), e.ShiftDown())) {
        e.Skip();
      }
    });
  }
  // Notifications of template controls no object adopted reach the dialog
  // as WM_COMMAND without a control handle (adopted controls handle their
  // own events and never let them bubble up).
  auto raw = [dialog](const wxEventTypeTag<wxCommandEvent>& type, std::uint32_t code, std::uint32_t second) {
    dialog->Bind(type, [dialog, code, second](wxCommandEvent& e) {
      auto* self = dynamic_cast<TDialog*>(TWindow::FromPeer(dialog));
      auto* source = dynamic_cast<wxWindow*>(e.GetEventObject());
      if (self == nullptr || source == nullptr || source == dialog || TWindow::FromPeer(source)) {
        e.Skip();
        return;
      }
      std::uint32_t notify = code;
      // A combo box's text event is CBN_EDITCHANGE, an edit's EN_CHANGE.
      if (code == kEnChange && !dynamic_cast<wxTextCtrl*>(source)) notify = kCbnEditChange;
      const auto id = std::uint16_t(source->GetId());
      self->HandleMessage(kWmCommand, MakeWParam(id, std::uint16_t(notify)), 0);
      if (second != code) self->HandleMessage(kWmCommand, MakeWParam(id, std::uint16_t(second)), 0);
    });
  };
  raw(wxEVT_CHECKBOX, kBnClicked, kBnClicked);
  raw(wxEVT_RADIOBUTTON, kBnClicked, kBnClicked);
  raw(wxEVT_TEXT, kEnChange, kEnChange);
  raw(wxEVT_LISTBOX, kLbnSelChange, kLbnSelChange);
  raw(wxEVT_LISTBOX_DCLICK, kLbnDblClk, kLbnDblClk);
  raw(wxEVT_COMBOBOX, kCbnSelChange, kCbnSelEndOk);
}

bool TDialog::Create() {
  if (GetHandle()) return true;
  const bool visible = (Attr.Style & kWsVisible) != 0;
  // Shown only after WM_INITDIALOG, as Win32 shows a dialog.
  Attr.Style &= ~kWsVisible;
  const bool created = TWindow::Create();
  if (visible) Attr.Style |= kWsVisible;
  if (!created) return false;
  const TWindow* first = nullptr;
  for (const TWindow* child : GetChildren()) {
    if (child->GetHandle()) {
      first = child;
      break;
    }
  }
  if (HandleMessage(kWmInitDialog, reinterpret_cast<TParam1>(first ? first->GetHandle() : nullptr), 0) != 0) {
    SetDefaultFocus();
  }
  if (!GetHandle()) return false;
  if (visible && !modal_) ShowWindow(kSwShow);
  return true;
}

void TDialog::FitTemplateToTexts() {
  wxWindow* host = GetPeer();
  if (host == nullptr || template_ == nullptr || templatePeers_.empty()) return;
  std::vector<DialogFitControl> controls;
  controls.reserve(templatePeers_.size());
  for (const TemplatePeer& t : templatePeers_) controls.push_back(DialogFitControl{t.entry, t.peer});
  const DialogBaseUnits fitted = FitDialogBaseUnits(controls, DialogBaseUnits{baseX_, baseY_});
  const bool grown = fitted.x != baseX_ || fitted.y != baseY_;
  baseX_ = fitted.x;
  baseY_ = fitted.y;
  // Every control again at its rectangle: one made with its untranslated
  // text may have widened for it.
  for (const TemplatePeer& t : templatePeers_) {
    const DialogControlData& c = *t.entry;
    const TRect r = DialogUnitsToPixels(TRect{c.x, c.y, c.x + c.cx, c.y + c.cy}, baseX_, baseY_);
    // A combo box keeps the toolkit's height for its field, as when it was made.
    const bool combo = c.cls == DialogControlClass::ComboBox;
    t.peer->SetSize(r.left, r.top, int(std::max<std::int64_t>(r.Width(), 0)),
                    combo ? t.peer->GetSize().y : int(std::max<std::int64_t>(r.Height(), 0)));
  }
  if (!grown) return;
  const wxSize client(DialogUnitsToPixelsX(template_->cx, baseX_), DialogUnitsToPixelsY(template_->cy, baseY_));
  if (host->IsTopLevel()) {
    const wxRect before = host->GetRect();
    host->SetClientSize(client);
    KeepCentreAfterGrowth(*host, before);
  } else {
    host->SetClientSize(client);
    host->SetMinSize(client);
  }
}

void TDialog::SetupWindow() {
  FitTemplateToTexts();
  TWindow::SetupWindow();
  SubclassPushButtons(this, GetPeer());
  LoadFromVariable();
}

void TDialog::CleanupWindow() {
  ForgetSubclassedButtons(this);
  templatePeers_.clear();
  TWindow::CleanupWindow();
}

bool TDialog::EvInitDialog(THandle) { return true; }

TResult TDialog::EvInitDialogMsg(TParam1 wParam, TParam2) {
  return EvInitDialog(reinterpret_cast<THandle>(wParam)) ? 1 : 0;
}

void TDialog::SetDefaultFocus() {
  wxWindow* dialog = GetPeer();
  if (dialog == nullptr) return;
  wxWindow* firstFocusable = nullptr;
  for (wxWindow* child : dialog->GetChildren()) {
    if (!child->IsShown() || !child->IsEnabled() || !child->AcceptsFocusFromKeyboard()) continue;
    if (!firstFocusable) firstFocusable = child;
    std::uint32_t style = 0;
    if (const TWindow* w = TWindow::FromPeer(child)) {
      style = w->Attr.Style;
    } else if (const DialogControlData* c = FindTemplateControl(child->GetId())) {
      style = c->style;
    }
    if (style & kWsTabStop) {
      child->SetFocus();
      return;
    }
  }
  if (firstFocusable) firstFocusable->SetFocus();
}

// --- running and closing -------------------------------------------------------------------

int TDialog::Execute() {
  if (GetHandle()) return -1;
  modal_ = true;
  retValue_ = kIdcCancel;
  if (!Create()) {
    modal_ = false;
    return -1;
  }
  auto* dialog = dynamic_cast<wxDialog*>(GetPeer());
  ModalStack::Push(GetParentO(), this, true);
  modalRunning_ = true;
  endRequested_ = false;
  outerLoop_ = wxEventLoopBase::GetActive();
  if (dialog) dialog->ShowModal();
  if (endRetry_) endRetry_->Stop();
  modalRunning_ = false;
  ModalStack::Pop();
  // CloseWindow ran the dialog's own Destroy already; this only lets the
  // window go.
  TWindow::Destroy(retValue_);
  modal_ = false;
  return retValue_;
}

void TDialog::CloseWindow(int retValue) { Destroy(retValue); }

void TDialog::Destroy(int retValue) {
  if (!GetHandle()) return;
  retValue_ = retValue;
  if (modalRunning_) {
    if (!endRequested_) {
      endRequested_ = true;
      EndModalRun();
    }
    return;
  }
  TWindow::Destroy(retValue);
}

// Showing a dialog, the toolkit updates its controls first, and a text
// field asking the clipboard whether it can paste waits for the answer in a
// nested yield: a timer or a posted close may run there, before the modal
// loop exists. Ended then, the toolkit would only mark the dialog not modal
// and the loop that follows would never end; the end is taken up again
// once the modal loop itself dispatches (an active loop other than the one
// outside, not yielding).
void TDialog::EndModalRun() {
  auto* dialog = dynamic_cast<wxDialog*>(GetPeer());
  if (dialog == nullptr || !modalRunning_) return;
  if (wxEventLoopBase* active = wxEventLoopBase::GetActive();
      dialog->IsModal() && active && active != outerLoop_ && !active->IsYielding()) {
    dialog->EndModal(retValue_);
    return;
  }
  if (!endRetry_) {
    endRetry_ = std::make_unique<wxTimer>();
    endRetry_->Bind(wxEVT_TIMER, [this](wxTimerEvent&) { EndModalRun(); });
  }
  endRetry_->StartOnce(10);
}

void TDialog::CmOk() {
  if (!CanClose()) return;
  SaveToVariable();
  CloseWindow(kIdcOk);
}

void TDialog::CmCancel() { CloseWindow(kIdcCancel); }

void TDialog::EvClose() { CmCancel(); }

// --- transfers ---------------------------------------------------------------------------------

void TDialog::LoadFromVariable() {
  const std::vector<TWindow*> children = GetChildren();
  for (TWindow* child : children) {
    if (!child->GetHandle()) continue;
    if (auto* target = dynamic_cast<TTransferTarget*>(child)) target->LoadFromVariable();
  }
}

void TDialog::SaveToVariable() {
  const std::vector<TWindow*> children = GetChildren();
  for (TWindow* child : children) {
    if (!child->GetHandle()) continue;
    if (auto* target = dynamic_cast<TTransferTarget*>(child)) target->SaveToVariable();
  }
}

// --- children ------------------------------------------------------------------------------------

const DialogControlData* TDialog::FindTemplateControl(int id) const {
  return template_ ? template_->FindControl(id) : nullptr;
}

wxWindow* TDialog::TakeTemplatePeer(int id) {
  for (auto it = templatePeers_.begin(); it != templatePeers_.end(); ++it) {
    if (it->id == id && id != -1) {
      wxWindow* peer = it->peer;
      templatePeers_.erase(it);
      return peer;
    }
  }
  return nullptr;
}

TWindow* TDialog::GetDlgItem(int id) {
  if (TWindow* child = ChildWithId(id)) return child;
  if (!GetHandle()) return nullptr;
  for (const TemplatePeer& p : templatePeers_) {
    if (p.id != id || id == -1) continue;
    TControl* control = MakeGenericControl(this, *p.entry);
    if (control == nullptr) return nullptr;
    // The user may have changed it already: the object takes the window's state.
    control->CaptureStateOnAdopt();
    if (!control->Create()) {
      delete control;
      return nullptr;
    }
    return control;
  }
  return nullptr;
}

std::vector<void*> TDialog::GetChildWindows() const {
  std::vector<void*> out;
  if (const wxWindow* dialog = GetPeer()) {
    for (wxWindow* child : dialog->GetChildren()) out.push_back(child);
  }
  return out;
}

WString TDialog::GetChildWindowText(void* child) { return GetPeerText(static_cast<wxWindow*>(child)); }

void TDialog::SetChildWindowText(void* child, const WString& text) {
  SetPeerText(static_cast<wxWindow*>(child), text);
}

int TDialog::GetChildWindowId(void* child) { return child ? static_cast<wxWindow*>(child)->GetId() : 0; }

int TDialog::GetFocusedControlId() const {
  wxWindow* dialog = GetPeer();
  wxWindow* focus = dialog ? FocusIn(dialog) : nullptr;
  return focus ? focus->GetId() : 0;
}

void TDialog::MoveCentredOn(const TPoint& screenPoint) {
  MoveWindowIntoMonitor(GetPeer(), screenPoint.x, screenPoint.y, false);
}

// --- messages ------------------------------------------------------------------------------------

TResult TDialog::EvCommand(std::uint32_t id, THandle ctl, std::uint32_t notifyCode) {
  if (ctl) {
    auto* control = dynamic_cast<TControl*>(GetWindowPtr(ctl));
    if (control && control->GetParentO() == this && !control->InParentPhase()) return control->Notify(notifyCode);
  }
  return TWindow::EvCommand(id, ctl, notifyCode);
}

TResult TDialog::WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  if (msg == kWmNotify && lParam) {
    auto* header = reinterpret_cast<TNotify*>(lParam);
    auto* control = dynamic_cast<TControl*>(GetWindowPtr(header->from));
    if (control && control->GetParentO() == this && !control->InParentPhase()) return control->NotifyHeader(*header);
  }
  return TWindow::WindowProc(msg, wParam, lParam);
}

TResult TDialog::EvGetDefId(TParam1, TParam2) {
  return TResult(MakeWParam(std::uint16_t(defaultId_), kDcHasDefId));
}

TResult TDialog::EvNextDlgCtl(TParam1 wParam, TParam2 lParam) {
  wxWindow* dialog = GetPeer();
  if (dialog == nullptr) return 0;
  if (lParam != 0) {
    // wParam is the control to focus; an edit gets its text selected.
    TWindow* target = GetWindowPtr(reinterpret_cast<THandle>(wParam));
    if (target == nullptr || target->GetParentO() != this) return 0;
    target->SetFocus();
    if (auto* edit = dynamic_cast<TEdit*>(target)) edit->SetSelection(0, -1);
    return 0;
  }
  if (FocusWithin(dialog)) {
    MoveTabFocus(TabRoot(dialog), wParam != 0);
  } else {
    SetDefaultFocus();
  }
  return 0;
}

void TDialog::PressButton(int id, bool onlyEnabled) {
  TWindow* child = ChildWithId(id);
  if (child == nullptr) {
    wxWindow* raw = GetPeer() ? GetPeer()->FindWindow(id) : nullptr;
    if (raw && onlyEnabled && !raw->IsEnabled()) return;
    HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), std::uint16_t(kBnClicked)), 0);
    return;
  }
  if (onlyEnabled && !child->IsWindowEnabled()) return;
  if (auto* control = dynamic_cast<TControl*>(child)) {
    control->Notify(kBnClicked);
  } else {
    HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), std::uint16_t(kBnClicked)),
                  reinterpret_cast<TParam2>(child->GetHandle()));
  }
}

bool TDialog::HandleDialogKey(std::uint32_t vk, bool shift) {
  if (vk != kVkTab && vk != kVkReturn && vk != kVkEscape && vk != kVkF1) return false;
  wxWindow* dialog = GetPeer();
  if (dialog == nullptr) return false;
  wxWindow* focus = FocusIn(dialog);
  auto* control = focus ? dynamic_cast<TControl*>(TWindow::FromPeer(focus)) : nullptr;
  const THandle handle = control ? control->GetHandle() : nullptr;

  if (vk == kVkF1) {
    THelpInfo info;
    info.contextType = kHelpInfoWindow;
    info.ctrlId = focus ? focus->GetId() : 0;
    info.item = handle;
    HandleMessage(kWmHelp, 0, reinterpret_cast<TParam2>(&info));
    return true;
  }

  TMsg msg{handle, kWmKeyDown, vk, 0};
  std::uint32_t code = 0;
  if (control) {
    code = control->QueryDlgCode(&msg);
  } else if (auto* edit = dynamic_cast<wxTextCtrl*>(focus); edit && edit->IsMultiLine()) {
    code = kDlgcWantAllKeys;
  }
  if (code & kDlgcWantAllKeys) {
    if (control) {
      bool handled = true;
      control->HandleMessage(kWmKeyDown, vk, 1, &handled);
      if (handled) return true;
    }
    // A multi-line edit types its own line breaks and tabs.
    auto* edit = dynamic_cast<wxTextCtrl*>(focus);
    return !(edit && edit->IsMultiLine());
  }

  switch (vk) {
    case kVkTab:
      if (focus || FocusWithin(dialog)) {
        MoveTabFocus(TabRoot(dialog), shift);
      } else {
        SetDefaultFocus();
      }
      return true;
    case kVkReturn: {
      // The focused push button is the one Enter presses.
      if (control && (code & (kDlgcDefPushButton | kDlgcUndefPushButton))) {
        PressButton(control->GetId(), true);
        return true;
      }
      if (!control && PeerIsPushButton(focus)) {
        PressButton(focus->GetId(), true);
        return true;
      }
      const TResult def = HandleMessage(kDmGetDefId, 0, 0);
      const int id = HiWord(std::uintptr_t(def)) == kDcHasDefId ? LoWord(std::uintptr_t(def)) : int(kIdcOk);
      PressButton(id, true);
      return true;
    }
    case kVkEscape: PressButton(kIdcCancel, false); return true;
    default: return false;
  }
}

// --- restore -------------------------------------------------------------------------------------

void BroadcastResetToDefaults(TWindow& window) {
  const std::vector<TWindow*> children = window.GetChildren();
  for (TWindow* child : children) {
    TEventInfo info(kWmCommand, kCmRestoreDefaults, 0);
    if (child->Find(info)) child->Dispatch(info, MakeWParam(std::uint16_t(kCmRestoreDefaults), 0), 0);
  }
}

}  // namespace kvn
