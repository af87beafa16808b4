#include "platform/ui/ControlButtons.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/window.h>

#include "platform/ui/ControlPeers.h"
#include "platform/ui/ThemedButton.h"

namespace kvn {

namespace {

wxCheckBoxState ToWxState(int state) {
  return state == kBstChecked ? wxCHK_CHECKED : state == kBstIndeterminate ? wxCHK_UNDETERMINED : wxCHK_UNCHECKED;
}

int FromWxState(wxCheckBoxState state) {
  return state == wxCHK_CHECKED ? kBstChecked : state == wxCHK_UNDETERMINED ? kBstIndeterminate : kBstUnchecked;
}

// A toolkit event of the control's own peer (not one that bubbled up from a
// child) goes to the owner's notification road; anything else goes on.
template <class Control, class Event>
void BindNotification(wxWindow* peer, const wxEventTypeTag<Event>& type, std::uint32_t code) {
  peer->Bind(type, [peer, code](Event& e) {
    auto* control = dynamic_cast<Control*>(TWindow::FromPeer(peer));
    if (control == nullptr || e.GetEventObject() != peer) {
      e.Skip();
      return;
    }
    control->Notify(code);
  });
}

}  // namespace

// --- TButton -----------------------------------------------------------------------------

TButton::TButton(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TButton::TButton(TWindow* parent, int id, const WString& text, int x, int y, int w, int h, bool isDefault)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style |= isDefault ? kBsDefPushButton : kBsPushButton;
}

const TResponseTable& TButton::Table() {
  static const TResponseTable table({}, {&TControl::Table()});
  return table;
}

bool TButton::Find(TEventInfo& info) { return Table().Search(info); }

std::uint32_t TButton::DefaultDlgCode() const {
  return kDlgcButton | (IsDefaultPushButton() ? kDlgcDefPushButton : kDlgcUndefPushButton);
}

void TButton::Click() {
  if (wxWindow* peer = GetPeer(); peer && PeerIsOwnerDrawn(peer)) {
    ClickOwnerDrawnButton(peer);
    return;
  }
  Notify(kBnClicked);
}

std::uint32_t TButton::GetState() const {
  std::uint32_t state = state_;
  if (const wxWindow* peer = GetPeer(); peer && peer->HasFocus()) state |= kBstFocus;
  return state;
}

void TButton::SetState(std::uint32_t state) {
  state_ = state & ~kBstFocus;
  if (wxWindow* peer = GetPeer()) peer->Refresh();
}

bool TButton::AcceptsPeer(wxWindow* peer) const {
  return dynamic_cast<wxButton*>(peer) != nullptr || PeerIsOwnerDrawn(peer);
}

wxWindow* TButton::AdaptTemplatePeer(wxWindow* peer) {
  if (!ownerDrawRequested_) return peer;
  // A button that draws itself is no themed button: its record is kept,
  // suspended, as the program's list keeps the bitmap buttons.
  if (ThemedPeerOf(peer)) {
    SuspendThemedButton(peer);
    return peer;
  }
  if (PeerIsOwnerDrawn(peer) || dynamic_cast<wxButton*>(peer) == nullptr) return peer;
  return ReplaceWithOwnerDrawnButton(peer);
}

void TButton::BindControlEvents(wxWindow* peer) { BindNotification<TButton>(peer, wxEVT_BUTTON, kBnClicked); }

// --- TCheckBox ---------------------------------------------------------------------------

TCheckBox::TCheckBox(TWindow* parent, int resourceId) : TButton(parent, resourceId) {}

TCheckBox::TCheckBox(TWindow* parent, int id, const WString& text, int x, int y, int w, int h)
    : TButton(parent, id, text, x, y, w, h) {
  Attr.Style = (Attr.Style & ~kBsTypeMask) | kBsAutoCheckBox;
}

int TCheckBox::GetCheck() const {
  if (const auto* box = dynamic_cast<const wxCheckBox*>(GetPeer())) return FromWxState(box->Get3StateValue());
  return int(state_ & 3);
}

void TCheckBox::SetCheck(int state) {
  if (state < kBstUnchecked || state > kBstIndeterminate) state = kBstUnchecked;
  state_ = (state_ & ~3u) | std::uint32_t(state);
  if (auto* box = dynamic_cast<wxCheckBox*>(GetPeer())) box->Set3StateValue(ToWxState(state));
}

void TCheckBox::Click() {
  const int state = GetCheck();
  switch (Attr.Style & kBsTypeMask) {
    case kBsAutoCheckBox: SetCheck(state == kBstChecked ? kBstUnchecked : kBstChecked); break;
    case kBsAuto3State: SetCheck(state == kBstIndeterminate ? kBstUnchecked : state + 1); break;
    default: break;
  }
  Notify(kBnClicked);
}

bool TCheckBox::AcceptsPeer(wxWindow* peer) const { return dynamic_cast<wxCheckBox*>(peer) != nullptr; }

void TCheckBox::BindControlEvents(wxWindow* peer) {
  BindNotification<TCheckBox>(peer, wxEVT_CHECKBOX, kBnClicked);
}

void TCheckBox::CaptureState() {
  TButton::CaptureState();
  if (GetPeer()) state_ = (state_ & ~3u) | std::uint32_t(GetCheck());
}

void TCheckBox::ApplyState() {
  TButton::ApplyState();
  if (auto* box = dynamic_cast<wxCheckBox*>(GetPeer())) box->Set3StateValue(ToWxState(int(state_ & 3)));
}

// --- TRadioButton --------------------------------------------------------------------------

TRadioButton::TRadioButton(TWindow* parent, int resourceId) : TCheckBox(parent, resourceId) {}

TRadioButton::TRadioButton(TWindow* parent, int id, const WString& text, int x, int y, int w, int h,
                           bool startsGroup)
    : TCheckBox(parent, id, text, x, y, w, h) {
  Attr.Style = (Attr.Style & ~(kBsTypeMask | kWsTabStop)) | kBsAutoRadioButton | (startsGroup ? kWsGroup : 0);
}

int TRadioButton::GetCheck() const {
  if (const auto* radio = dynamic_cast<const wxRadioButton*>(GetPeer())) {
    return radio->GetValue() ? kBstChecked : kBstUnchecked;
  }
  return int(state_ & 3);
}

void TRadioButton::SetCheck(int state) {
  state = state == kBstChecked ? kBstChecked : kBstUnchecked;
  state_ = (state_ & ~3u) | std::uint32_t(state);
  if (auto* radio = dynamic_cast<wxRadioButton*>(GetPeer()); radio && state == kBstChecked) radio->SetValue(true);
}

void TRadioButton::Click() {
  if ((Attr.Style & kBsTypeMask) == kBsAutoRadioButton) SetCheck(kBstChecked);
  Notify(kBnClicked);
}

bool TRadioButton::AcceptsPeer(wxWindow* peer) const { return dynamic_cast<wxRadioButton*>(peer) != nullptr; }

void TRadioButton::BindControlEvents(wxWindow* peer) {
  BindNotification<TRadioButton>(peer, wxEVT_RADIOBUTTON, kBnClicked);
}

// --- TGroupBox -----------------------------------------------------------------------------

TGroupBox::TGroupBox(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TGroupBox::TGroupBox(TWindow* parent, int id, const WString& text, int x, int y, int w, int h)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style = (Attr.Style & ~kWsTabStop) | kBsGroupBox;
}

bool TGroupBox::AcceptsPeer(wxWindow* peer) const { return dynamic_cast<wxStaticBox*>(peer) != nullptr; }

// --- dialog-level helpers --------------------------------------------------------------------

void CheckRadioButton(TWindow& parent, int first, int last, int check) {
  for (int id = first; id <= last; ++id) {
    const int state = id == check ? kBstChecked : kBstUnchecked;
    if (auto* box = dynamic_cast<TCheckBox*>(parent.ChildWithId(id))) {
      box->SetCheck(state);
      continue;
    }
    wxWindow* peer = parent.GetPeer() ? parent.GetPeer()->FindWindow(id) : nullptr;
    if (auto* radio = dynamic_cast<wxRadioButton*>(peer)) {
      if (state == kBstChecked) radio->SetValue(true);
    } else if (auto* box = dynamic_cast<wxCheckBox*>(peer)) {
      box->Set3StateValue(ToWxState(state));
    }
  }
}

int IsDlgButtonChecked(TWindow& parent, int id) {
  if (auto* box = dynamic_cast<TCheckBox*>(parent.ChildWithId(id))) return box->GetCheck();
  wxWindow* peer = parent.GetPeer() ? parent.GetPeer()->FindWindow(id) : nullptr;
  if (auto* radio = dynamic_cast<wxRadioButton*>(peer)) return radio->GetValue() ? kBstChecked : kBstUnchecked;
  if (auto* box = dynamic_cast<wxCheckBox*>(peer)) return FromWxState(box->Get3StateValue());
  return kBstUnchecked;
}

}  // namespace kvn
