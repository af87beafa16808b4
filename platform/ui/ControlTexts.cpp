#include "platform/ui/ControlTexts.h"

#include <wx/gauge.h>
#include <wx/textctrl.h>

#include <algorithm>

#include "platform/ui/ControlPeers.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/WxText.h"

namespace kvn {

// --- TStatic -----------------------------------------------------------------------------

TStatic::TStatic(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TStatic::TStatic(TWindow* parent, int id, const WString& text, int x, int y, int w, int h)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style &= ~kWsTabStop;
}

// --- TEdit -------------------------------------------------------------------------------

TEdit::TEdit(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TEdit::TEdit(TWindow* parent, int id, const WString& text, int x, int y, int w, int h, bool multiline)
    : TControl(parent, id, text, x, y, w, h) {
  Attr.Style |= kEsAutoHScroll | kWsBorder | (multiline ? kEsMultiline : 0);
}

std::uint32_t TEdit::DefaultDlgCode() const {
  // A multi-line edit keeps Enter and Tab for itself, as Win32's does.
  return kDlgcWantChars | kDlgcHasSetSel | kDlgcWantArrows | (IsMultiline() ? kDlgcWantAllKeys : 0);
}

void TEdit::SetText(const WString& text) {
  text_ = text;
  if (auto* edit = dynamic_cast<wxTextCtrl*>(GetPeer())) {
    setting_ = true;
    edit->SetValue(ToWx(text));  // reports wxEVT_TEXT: EN_CHANGE
    setting_ = false;
  }
  modified_ = false;
}

void TEdit::TypeText(const WString& text) {
  text_ = text;
  if (auto* edit = dynamic_cast<wxTextCtrl*>(GetPeer())) {
    edit->SetValue(ToWx(text));  // OnToolkitText marks it modified
    return;
  }
  modified_ = true;
  Notify(kEnChange);
}

void TEdit::LimitText(int chars) {
  limit_ = std::max(chars, 0);
  if (auto* edit = dynamic_cast<wxTextCtrl*>(GetPeer()); edit && !IsMultiline()) {
    edit->SetMaxLength(unsigned(limit_));
  }
}

void TEdit::SetSelection(int start, int end) {
  auto* edit = dynamic_cast<wxTextCtrl*>(GetPeer());
  if (edit == nullptr) return;
  if (start < 0) {
    const long at = edit->GetInsertionPoint();
    edit->SetSelection(at, at);
  } else if (end < 0) {
    edit->SelectAll();
  } else {
    edit->SetSelection(start, end);
  }
}

bool TEdit::HasFocus() const {
  const wxWindow* peer = GetPeer();
  return peer && peer->HasFocus();
}

bool TEdit::AcceptsPeer(wxWindow* peer) const { return dynamic_cast<wxTextCtrl*>(peer) != nullptr; }

void TEdit::BindControlEvents(wxWindow* peer) {
  peer->Bind(wxEVT_TEXT, [peer](wxCommandEvent& e) {
    auto* edit = dynamic_cast<TEdit*>(TWindow::FromPeer(peer));
    if (edit == nullptr || e.GetEventObject() != peer) {
      e.Skip();
      return;
    }
    edit->OnToolkitText();
  });
}

void TEdit::OnToolkitText() {
  if (!setting_) modified_ = true;
  Notify(kEnChange);
}

void TEdit::ApplyState() {
  TControl::ApplyState();
  if (limit_ > 0) LimitText(limit_);
}

// --- TUpDown -----------------------------------------------------------------------------

TUpDown::TUpDown(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TUpDown::TUpDown(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t udsStyle)
    : TControl(parent, id, WString(), x, y, w, h) {
  Attr.Style = kWsChild | kWsVisible | udsStyle;
}

void TUpDown::SetRange(int low, int high) {
  low_ = low;
  high_ = high;
}

void TUpDown::SetPos(int pos) { pos_ = pos; }

int TUpDown::GetPos() const { return pos_; }

int TUpDown::GetBestWidth() const {
  if (const wxWindow* peer = GetPeer()) return peer->GetBestSize().x;
  return 16;
}

bool TUpDown::DeltaPos(int delta) {
  TNmUpDown nm;
  nm.hdr.code = kUdnDeltaPos;
  nm.iPos = pos_;
  nm.iDelta = delta;
  if (NotifyHeader(nm.hdr) != 0) return false;
  const int low = std::min(low_, high_);
  const int high = std::max(low_, high_);
  // Win32 counts towards high_ with the up arrow even when high_ < low_.
  const std::int64_t next = std::int64_t(pos_) + (high_ >= low_ ? delta : -delta);
  if (next > high) {
    pos_ = (Attr.Style & kUdsWrap) ? low : high;
  } else if (next < low) {
    pos_ = (Attr.Style & kUdsWrap) ? high : low;
  } else {
    pos_ = int(next);
  }
  return true;
}

void TUpDown::SetBuddy(TWindow* buddy) {
  wxWindow* peer = buddy ? buddy->GetPeer() : nullptr;
  if (peer == nullptr || !(Attr.Style & kUdsArrowKeys)) return;
  const THandle self = GetHandle();
  peer->Bind(wxEVT_KEY_DOWN, [self](wxKeyEvent& e) {
    auto* updown = dynamic_cast<TUpDown*>(GetWindowPtr(self));
    const int key = e.GetKeyCode();
    if (updown == nullptr || e.HasAnyModifiers() || (key != WXK_UP && key != WXK_DOWN)) {
      e.Skip();
      return;
    }
    updown->DeltaPos(key == WXK_UP ? 1 : -1);
  });
}

bool TUpDown::AcceptsPeer(wxWindow* peer) const { return PeerIsClass(peer, DialogControlClass::UpDown); }

// --- TGauge ------------------------------------------------------------------------------

TGauge::TGauge(TWindow* parent, int resourceId) : TControl(parent, resourceId) {}

TGauge::TGauge(TWindow* parent, int id, int x, int y, int w, int h) : TControl(parent, id, WString(), x, y, w, h) {
  Attr.Style &= ~kWsTabStop;
}

void TGauge::SetRange(int low, int high) {
  low_ = std::min(low, high);
  high_ = std::max(low, high);
  SetValue(pos_);
}

void TGauge::SetValue(int pos) {
  pos_ = std::clamp(pos, low_, high_);
  ApplyState();
}

void TGauge::ApplyState() {
  TControl::ApplyState();
  if (auto* gauge = dynamic_cast<wxGauge*>(GetPeer())) {
    // The toolkit's gauge counts from 0; 64-bit difference for any range.
    const std::int64_t span = std::int64_t(high_) - low_;
    const int range = int(std::min<std::int64_t>(std::max<std::int64_t>(span, 1), INT32_MAX));
    gauge->SetRange(range);
    gauge->SetValue(int(std::min<std::int64_t>(std::int64_t(pos_) - low_, range)));
  }
}

}  // namespace kvn
