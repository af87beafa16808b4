#include "controls/ColorCombo.h"

#include <wx/dcclient.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/window.h>

#include "controls/ColorPalette.h"
#include "controls/ColorPicker.h"
#include "foundation/LangTable.h"
#include "foundation/OwnerDrawHeights.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/OwnerDrawMeasure.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

wxColour WxColour(std::uint32_t c) {
  return wxColour(static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                  static_cast<unsigned char>((c >> 16) & 0xFF));
}

// One measurement for every colour combo of the run, as the program keeps it.
OwnerDrawHeights& ComboHeights() {
  static OwnerDrawHeights heights;
  return heights;
}

constexpr int kArrowWidth = 18;

}  // namespace

TColorCombo::TColorCombo(TWindow* parent, int resourceId, std::uint32_t* variable, std::uint32_t options,
                         const WString& extraLabel)
    : TControl(parent, resourceId), variable_(variable), options_(options), noColorText_(LoadLangString(kNoColorTextId)) {
  color_ = variable_ ? *variable_ : 0;
  label_ = LoadLangString(kColorLabelTextId);
  if (!extraLabel.IsEmpty()) label_.AppendCStr(u" - ").Append(extraLabel);
}

TColorCombo::TColorCombo(TWindow* parent, int id, int x, int y, int w, int h, std::uint32_t* variable,
                         std::uint32_t options)
    : TControl(parent, id, WString(), x, y, w, h),
      variable_(variable),
      options_(options),
      noColorText_(LoadLangString(kNoColorTextId)) {
  color_ = variable_ ? *variable_ : 0;
  label_ = LoadLangString(kColorLabelTextId);
}

wxWindow* TColorCombo::NewPeer(wxWindow* parentPeer) {
  return new WxPeer<wxWindow>(this, parentPeer, Attr.Id, wxPoint(Attr.X, Attr.Y), wxSize(Attr.W, Attr.H),
                              wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE);
}

wxWindow* TColorCombo::AdaptTemplatePeer(wxWindow* old) {
  wxWindow* parent = old->GetParent();
  if (parent == nullptr) return old;
  // A drop-down list's template rectangle includes its list; the control
  // takes the height of a closed combo box.
  ComputeOwnerDrawHeights(ComboHeights(), parent, nullptr);
  const int height = std::max(ComboHeights().comboHeight, 15);
  auto* replacement = new WxPeer<wxWindow>(this, parent, old->GetId(), old->GetPosition(),
                                           wxSize(old->GetSize().x, height), wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE);
  replacement->MoveAfterInTabOrder(old);
  if (!old->IsShown()) replacement->Hide();
  old->Destroy();
  return replacement;
}

void TColorCombo::SetupWindow() {
  TControl::SetupWindow();
  SetTooltipText(TooltipText());
}

void TColorCombo::SetColor(std::uint32_t color) {
  color_ = color;
  Invalidate(false);
  SetTooltipText(TooltipText());
}

void TColorCombo::LoadFromVariable() {
  if (variable_) color_ = *variable_;
  Invalidate(false);
  SetTooltipText(TooltipText());
}

void TColorCombo::SaveToVariable() {
  if (variable_) *variable_ = color_;
}

WString TColorCombo::TooltipText() const {
  WString text = label_;
  text.AppendCStr(u": ").Append(ColorTooltipText(color_, noColorText_));
  return text;
}

void TColorCombo::MeasureItem(TMeasureItem& measure) {
  MeasureOwnerDrawItem(measure, ComboHeights(), nullptr, GetPeer());
}

void TColorCombo::ApplyPick(std::uint32_t picked, bool noColor) {
  color_ = ((options_ & AllowNoColor) && noColor) ? kNoColor : picked;
  Invalidate(false);
  if (TWindow* parent = GetParentO()) parent->SendMessage(kWmAutoChanged, TParam1(Attr.Id), 0);
  if (callback_) callback_(color_);
  SetTooltipText(TooltipText());
}

bool TColorCombo::OpenPicker() {
  std::uint32_t color = color_ & 0x00FFFFFF;
  bool noColor = (color_ & kNoColor) != 0;
  bool changed = false;
  TPoint below{0, 0};
  if (GetHandle()) below = ClientToScreen(TPoint{0, int(GetClientRect().Height())});
  const bool picked = ShowColorPicker(GetParentO(), color, below, (options_ & AllowNoColor) ? &noColor : nullptr,
                                      (options_ & Standard16) != 0, noColorText_, &changed, (options_ & UseRecent) != 0);
  if (picked) ApplyPick(color, noColor);
  return picked;
}

void TColorCombo::EvLButtonDown(std::uint32_t, const TPoint&) {
  SetFocus();
  OpenPicker();
}

void TColorCombo::EvKeyDown(std::uint32_t key, std::uint32_t, std::uint32_t) {
  const bool alt = GetKeyState(kVkMenu) < 0;
  if ((key == kVkF1 + 3 && !alt) || key == kVkUp || key == kVkDown || key == kVkSpace) {
    OpenPicker();
    return;
  }
  DefaultProcessing();
}

TResult TColorCombo::EvGetDlgCode(TParam1, TParam2 lParam) {
  const auto* msg = reinterpret_cast<const TMsg*>(lParam);
  TWindow* parent = GetParentO();
  if (notifyParent && msg && msg->message == kWmKeyDown && parent) {
    if (msg->wParam == kVkTab) {
      parent->PostMessage(kWmAutoNext, GetKeyState(kVkShift) < 0 ? 2 : 1, 0);
      return TResult(kDlgcWantArrows | kDlgcWantAllKeys);
    }
    if (msg->wParam == kVkReturn) {
      parent->PostMessage(kWmAutoNext, 0, 0);
      return TResult(kDlgcWantArrows | kDlgcWantAllKeys);
    }
  }
  // Arrows, Space and F4 open the grid; Tab, Enter and Escape stay the dialog's.
  return TResult(kDlgcWantArrows | kDlgcWantChars);
}

void TColorCombo::EnableWindow(bool enable) {
  const bool changed = enable != IsWindowEnabled();
  TControl::EnableWindow(enable);
  if (changed && GetHandle()) Invalidate(false);
}

void TColorCombo::EvPaint() {
  wxPaintDC* paint = GetPaintDC();
  wxWindow* peer = GetPeer();
  if (!paint || !peer) return;
  const wxSize size = peer->GetClientSize();
  const bool focused = wxWindow::FindFocus() == peer;
  wxRendererNative& renderer = wxRendererNative::Get();
  paint->SetBackground(wxBrush(peer->GetBackgroundColour()));
  paint->Clear();
  const bool enabled = peer->IsEnabled();
  renderer.DrawComboBox(peer, *paint, wxRect(0, 0, size.x, size.y),
                        !enabled ? int(wxCONTROL_DISABLED) : focused ? int(wxCONTROL_FOCUSED) : 0);
  // The field shows the colour in every state: a disabled box (the colour
  // not in use, or nothing to choose) is greyed around it, not emptied, as
  // an owner-drawn combo box still paints its field while disabled.
  const wxRect field(4, 4, std::max(0, size.x - kArrowWidth - 8), std::max(0, size.y - 8));
  if (color_ & kNoColor) {
    paint->SetFont(peer->GetFont());
    paint->SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    paint->DrawLabel(ToWx(noColorText_), field, wxALIGN_LEFT | wxALIGN_CENTRE_VERTICAL);
  } else {
    paint->SetPen(*wxBLACK_PEN);
    paint->SetBrush(wxBrush(WxColour(color_)));
    paint->DrawRectangle(field);
  }
}

const TResponseTable& TColorCombo::Table() {
  using C = TColorCombo;
  static const TResponseTable table(
      {
          OnMessage<kWmPaint, &C::EvPaint>(),
          OnMessage<kWmEraseBkgnd, &C::EvEraseBkgnd>(),
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonDblClk, &C::EvLButtonDown>(),
          OnMessage<kWmKeyDown, &C::EvKeyDown>(),
          OnMessage<kWmSetFocus, &C::EvSetFocus>(),
          OnMessage<kWmKillFocus, &C::EvKillFocus>(),
          OnRaw<&C::EvGetDlgCode>(kWmGetDlgCode),
      },
      {&TControl::Table()});
  return table;
}

bool TColorCombo::Find(TEventInfo& info) { return Table().Search(info); }

}  // namespace kvn
