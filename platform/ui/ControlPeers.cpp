// Win32 class and style -> wx control. Where GTK cannot do what the style
// asks, the nearest behaviour is taken and the reason is given beside it.
#include "platform/ui/ControlPeers.h"

#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/gauge.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/listctrl.h>
#include <wx/odcombo.h>
#include <wx/radiobut.h>
#include <wx/renderer.h>
#include <wx/settings.h>
#include <wx/timer.h>
#include <wx/statbox.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/vlbox.h>

#include <algorithm>
#include <type_traits>

#include "platform/gdi/TDib.h"
#include "platform/ui/ControlLists.h"
#include "platform/ui/ControlTexts.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogFit.h"
#include "platform/ui/MessageBridge.h"
#include "platform/ui/Messages.h"
#include "platform/ui/ThemedButton.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

TControl* OwnerControl(const wxWindow* peer) { return dynamic_cast<TControl*>(TWindow::FromPeer(peer)); }

// An owner-drawn push button: the owner's DrawItem paints it (Win32's
// BS_OWNERDRAW); it takes the focus, is pressed by the left button and by
// the space bar, and reports a click as a button does (wxEVT_BUTTON).
//
// A themed push button is this peer with a face of the program's own (one
// piece of the push-button theming, ThemedButton.h): the dialog layer makes it
// where Win32 would have subclassed a plain push button, since GTK's
// buttons cannot be taken over. Its face is painted through
// ThemedButtonProc unless its record is suspended (the owner draws it).
class OwnerDrawButtonPeer : public WxPeer<wxControl> {
 public:
  OwnerDrawButtonPeer(TWindow* owner, wxWindow* parent, int id, const wxString& label, const wxPoint& pos,
                      const wxSize& size, const ThemedPeerInfo& themed = {})
      : WxPeer<wxControl>(owner, parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
        themed_(themed) {
    SetLabel(label);
    if (themed_.themed) {
      Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent& e) {
        e.Skip();
        ThemedButtonProc(this, kWmMouseMove, 0, 0);
      });
      Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& e) {
        e.Skip();
        ThemedButtonProc(this, kWmMouseLeave, 0, 0);
      });
    }
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &OwnerDrawButtonPeer::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &OwnerDrawButtonPeer::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &OwnerDrawButtonPeer::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &OwnerDrawButtonPeer::OnLeftUp, this);
    Bind(wxEVT_MOTION, &OwnerDrawButtonPeer::OnMotion, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { SetPressed(false); });
    Bind(wxEVT_KEY_DOWN, &OwnerDrawButtonPeer::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &OwnerDrawButtonPeer::OnKeyUp, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) {
      Refresh();
      e.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) {
      SetPressed(false);
      Refresh();
      e.Skip();
    });
  }
  bool AcceptsFocus() const override { return IsEnabled() && IsShown(); }
  bool AcceptsFocusFromKeyboard() const override { return AcceptsFocus(); }

  ~OwnerDrawButtonPeer() override { ForgetThemedWindow(this); }

  const ThemedPeerInfo& Themed() const { return themed_; }
  ThemedPeerInfo& Themed() { return themed_; }

  // A click as the user makes it.
  void Click() {
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
  }

 protected:
  wxSize DoGetBestSize() const override {
    wxSize text = GetTextExtent(GetLabelText());
    if (!themed_.themed) return wxSize(text.x + 16, text.y + 10);
    // Room for a 16-pixel glyph beside the text, and at least the size of
    // the toolkit's own buttons, so that rows of buttons look alike.
    const wxSize least = wxButton::GetDefaultSize(const_cast<OwnerDrawButtonPeer*>(this));
    return wxSize(std::max(text.x + 16 + 20, least.x), std::max(text.y + 10, least.y));
  }

 private:
  void SetPressed(bool pressed) {
    if (pressed_ == pressed) return;
    pressed_ = pressed;
    Refresh();
  }
  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize size = GetClientSize();
    TDrawItem item;
    item.ctlType = kOdtButton;
    item.ctlId = GetId();
    item.itemId = 0;
    item.itemAction = kOdaDrawEntire;
    if (pressed_ && inside_) item.itemState |= kOdsSelected;
    if (HasFocus()) item.itemState |= kOdsFocus;
    if (!IsEnabled()) item.itemState |= kOdsDisabled;
    item.rect = TRect{0, 0, size.x, size.y};
    item.dc = &dc;
    if (themed_.themed) {
      // The dialog's procedure paints a themed button before its owner hears of it.
      bool handled = false;
      ThemedButtonProc(GetParent(), kWmDrawItem, 0, reinterpret_cast<TParam2>(&item), &handled);
      if (handled) return;
    }
    TControl* owner = OwnerControl(this);
    if (owner && !(themed_.themed && !themed_.suspended)) {
      owner->DrawItem(item);
      return;
    }
    // Nobody draws it (no object adopted the template's button): the
    // toolkit's own button face and the label.
    int flags = (item.itemState & kOdsSelected) ? int(wxCONTROL_PRESSED) : 0;
    if (!IsEnabled()) flags |= wxCONTROL_DISABLED;
    wxRendererNative::Get().DrawPushButton(this, dc, wxRect(size), flags);
    const auto [text, mnemonic] = LabelAndMnemonic(GetLabel());
    dc.DrawLabel(text, wxRect(size), wxALIGN_CENTRE, mnemonic);
  }
  void OnLeftDown(wxMouseEvent& e) {
    e.Skip();
    if (!IsEnabled()) return;
    SetFocus();
    inside_ = true;
    SetPressed(true);
    if (!HasCapture()) CaptureMouse();
  }
  void OnMotion(wxMouseEvent& e) {
    e.Skip();
    if (!pressed_) return;
    const bool inside = wxRect(GetClientSize()).Contains(e.GetPosition());
    if (inside != inside_) {
      inside_ = inside;
      Refresh();
    }
  }
  void OnLeftUp(wxMouseEvent& e) {
    e.Skip();
    if (HasCapture()) ReleaseMouse();
    const bool click = pressed_ && wxRect(GetClientSize()).Contains(e.GetPosition());
    SetPressed(false);
    if (click) Click();
  }
  void OnKeyDown(wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_SPACE && IsEnabled()) {
      inside_ = true;
      SetPressed(true);
      return;
    }
    e.Skip();
  }
  void OnKeyUp(wxKeyEvent& e) {
    if (e.GetKeyCode() == WXK_SPACE && pressed_) {
      SetPressed(false);
      Click();
      return;
    }
    e.Skip();
  }

  ThemedPeerInfo themed_;
  bool pressed_ = false;
  bool inside_ = false;
};

// An owner-drawn combo box (CBS_OWNERDRAWFIXED / VARIABLE): the owner's
// DrawItem paints the items and the selection field, its MeasureItem gives
// their heights.
class OwnerDrawComboPeer : public WxPeer<wxOwnerDrawnComboBox> {
 public:
  OwnerDrawComboPeer(TWindow* owner, wxWindow* parent, int id, const wxString& value, const wxPoint& pos,
                     const wxSize& size, long style)
      : WxPeer<wxOwnerDrawnComboBox>(owner, parent, id, value, pos, size, 0, nullptr, style) {}

 protected:
  void OnDrawItem(wxDC& dc, const wxRect& rect, int item, int flags) const override {
    TControl* owner = OwnerControl(this);
    if (owner == nullptr) {
      if (item >= 0) dc.DrawText(GetString(unsigned(item)), rect.x + 3, rect.y + 1);
      return;
    }
    TDrawItem di;
    di.ctlType = kOdtComboBox;
    di.ctlId = GetId();
    // The toolkit paints the selection field with the selected item; Win32
    // names that drawing item -1 with ODS_COMBOBOXEDIT.
    di.itemId = (flags & wxODCB_PAINTING_CONTROL) ? GetSelection() : item;
    di.itemAction = kOdaDrawEntire;
    if (flags & wxODCB_PAINTING_SELECTED) di.itemState |= kOdsSelected;
    if (flags & wxODCB_PAINTING_CONTROL) di.itemState |= kOdsComboBoxEdit;
    if (!IsEnabled()) di.itemState |= kOdsDisabled;
    di.rect = TRect{rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
    di.dc = &dc;
    owner->DrawItem(di);
  }
  void OnDrawBackground(wxDC& dc, const wxRect& rect, int item, int flags) const override {
    // The owner fills the whole item itself.
    if (OwnerControl(this) == nullptr) wxOwnerDrawnComboBox::OnDrawBackground(dc, rect, item, flags);
  }
  wxCoord OnMeasureItem(size_t item) const override {
    if (TControl* owner = OwnerControl(this)) {
      TMeasureItem mi;
      mi.ctlType = kOdtComboBox;
      mi.ctlId = GetId();
      mi.itemId = int(item);
      owner->MeasureItem(mi);
      if (mi.itemHeight > 0) return mi.itemHeight;
    }
    return wxOwnerDrawnComboBox::OnMeasureItem(item);
  }
};

// An owner-drawn list box (LBS_OWNERDRAWFIXED): the owner's DrawItem paints
// every row, including its background and the selection; its MeasureItem
// gives the rows' height. With LBS_MULTIPLESEL or LBS_EXTENDEDSEL the toolkit
// list selects as Win32's extended selection does (a click selects one row,
// Ctrl adds, Shift extends).
class OwnerDrawListPeer : public WxPeer<wxVListBox> {
 public:
  OwnerDrawListPeer(TWindow* owner, wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, long style)
      : WxPeer<wxVListBox>(owner, parent, id, pos, size, style) {}

 protected:
  void OnDrawItem(wxDC& dc, const wxRect& rect, size_t n) const override {
    auto* owner = dynamic_cast<TListBox*>(OwnerControl(this));
    if (owner == nullptr) return;
    TDrawItem di;
    di.ctlType = kOdtListBox;
    di.ctlId = GetId();
    di.itemId = int(n);
    di.itemAction = kOdaDrawEntire;
    if (IsSelected(n)) di.itemState |= kOdsSelected;
    if (IsCurrent(n) && HasFocus()) di.itemState |= kOdsFocus;
    if (!IsEnabled()) di.itemState |= kOdsDisabled;
    di.rect = TRect{rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
    di.itemData = owner->GetItemData(int(n));
    di.dc = &dc;
    owner->DrawItem(di);
  }
  void OnDrawBackground(wxDC& dc, const wxRect& rect, size_t n) const override {
    // The owner fills the whole row itself.
    if (OwnerControl(this) == nullptr) wxVListBox::OnDrawBackground(dc, rect, n);
  }
  wxCoord OnMeasureItem(size_t n) const override {
    if (TControl* owner = OwnerControl(this)) {
      TMeasureItem mi;
      mi.ctlType = kOdtListBox;
      mi.ctlId = GetId();
      mi.itemId = int(n);
      owner->MeasureItem(mi);
      if (mi.itemHeight > 0) return mi.itemHeight;
    }
    return GetCharHeight() + 2;
  }
};

// Win32's up-down control: two arrow buttons one above the other (beside
// each other with UDS_HORZ), as narrow as Win32's. GTK's own spin button
// has a text field of its own and a least size far above a Win32 up-down,
// and does not fit beside an edit. A press reports one step at once, then
// repeats while the button is held (Win32's 500 ms, then 50 ms).
class UpDownPeer : public WxPeer<wxControl> {
 public:
  UpDownPeer(TWindow* owner, wxWindow* parent, int id, const wxPoint& pos, const wxSize& size, bool horizontal)
      : WxPeer<wxControl>(owner, parent, id, pos, size, wxBORDER_NONE | wxFULL_REPAINT_ON_RESIZE),
        horizontal_(horizontal) {
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &UpDownPeer::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &UpDownPeer::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &UpDownPeer::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &UpDownPeer::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, [this](wxMouseCaptureLostEvent&) { Release(); });
    repeat_.Bind(wxEVT_TIMER, [this](wxTimerEvent&) {
      repeat_.Start(50);
      Step();
    });
  }
  ~UpDownPeer() override { repeat_.Stop(); }
  bool AcceptsFocus() const override { return false; }

 protected:
  wxSize DoGetBestSize() const override {
    const int h = GetCharHeight();
    return horizontal_ ? wxSize(2 * h, h) : wxSize(std::max(16, h * 3 / 4), h + 4);
  }

 private:
  // +1 for the upper (right) button, -1 for the lower (left) one.
  int Part(const wxPoint& p) const {
    const wxSize s = GetClientSize();
    return horizontal_ ? (p.x >= s.x / 2 ? 1 : -1) : (p.y < s.y / 2 ? 1 : -1);
  }
  void Step() {
    if (auto* owner = dynamic_cast<TUpDown*>(TWindow::FromPeer(this)); owner && pressed_ != 0) {
      owner->DeltaPos(pressed_);
    }
  }
  void Release() {
    repeat_.Stop();
    pressed_ = 0;
    Refresh();
  }
  void OnLeftDown(wxMouseEvent& e) {
    e.Skip();
    if (!IsEnabled()) return;
    pressed_ = Part(e.GetPosition());
    if (!HasCapture()) CaptureMouse();
    Refresh();
    Step();
    repeat_.StartOnce(500);
  }
  void OnLeftUp(wxMouseEvent& e) {
    e.Skip();
    if (HasCapture()) ReleaseMouse();
    Release();
  }
  void OnPaint(wxPaintEvent&) {
    wxPaintDC dc(this);
    const wxSize s = GetClientSize();
    const wxRect first = horizontal_ ? wxRect(0, 0, s.x / 2, s.y) : wxRect(0, 0, s.x, s.y / 2);
    const wxRect second = horizontal_ ? wxRect(s.x / 2, 0, s.x - s.x / 2, s.y) : wxRect(0, s.y / 2, s.x, s.y - s.y / 2);
    // First: up (or left, the lower step); second: down (or right, the upper step).
    const int firstPart = horizontal_ ? -1 : 1;
    DrawHalf(dc, first, firstPart, horizontal_ ? 'L' : 'U');
    DrawHalf(dc, second, -firstPart, horizontal_ ? 'R' : 'D');
  }
  void DrawHalf(wxDC& dc, const wxRect& r, int part, char direction) {
    int flags = pressed_ == part ? int(wxCONTROL_PRESSED) : 0;
    if (!IsEnabled()) flags |= wxCONTROL_DISABLED;
    wxRendererNative::Get().DrawPushButton(this, dc, r, flags);
    const int size = std::max(2, std::min(r.width, r.height) / 4);
    const wxPoint c(r.x + r.width / 2, r.y + r.height / 2);
    wxPoint tri[3];
    switch (direction) {
      case 'U':
        tri[0] = {c.x - size, c.y + size / 2};
        tri[1] = {c.x + size, c.y + size / 2};
        tri[2] = {c.x, c.y - size / 2 - 1};
        break;
      case 'D':
        tri[0] = {c.x - size, c.y - size / 2};
        tri[1] = {c.x + size, c.y - size / 2};
        tri[2] = {c.x, c.y + size / 2 + 1};
        break;
      case 'L':
        tri[0] = {c.x + size / 2, c.y - size};
        tri[1] = {c.x + size / 2, c.y + size};
        tri[2] = {c.x - size / 2 - 1, c.y};
        break;
      default:
        tri[0] = {c.x - size / 2, c.y - size};
        tri[1] = {c.x - size / 2, c.y + size};
        tri[2] = {c.x + size / 2 + 1, c.y};
        break;
    }
    const wxColour colour = wxSystemSettings::GetColour(IsEnabled() ? wxSYS_COLOUR_BTNTEXT : wxSYS_COLOUR_GRAYTEXT);
    dc.SetPen(wxPen(colour));
    dc.SetBrush(wxBrush(colour));
    dc.DrawPolygon(3, tri);
  }

  bool horizontal_;
  int pressed_ = 0;
  wxTimer repeat_;
};

wxPoint Pos(const TRect& r) { return wxPoint(r.left, r.top); }
wxSize Size(const TRect& r) {
  return wxSize(int(std::max<std::int64_t>(r.Width(), 0)), int(std::max<std::int64_t>(r.Height(), 0)));
}

// A check box or radio button never smaller than its indicator and label:
// GTK cannot lay one into less (gtk_box_gadget_distribute complains at every
// layout, and the label is cut off), and a template row of 10 dialog units
// can round a pixel short, as a translated label can outgrow its template
// width. A label set later grows the box again.
template <class Base>
class ToggleButtonPeer : public WxPeer<Base> {
 public:
  using WxPeer<Base>::WxPeer;
  void SetLabel(const wxString& label) override {
    WxPeer<Base>::SetLabel(label);
    this->InvalidateBestSize();
    const wxSize size = this->GetSize();
    this->SetSize(size.x, size.y);
  }

 protected:
  void DoSetSize(int x, int y, int width, int height, int sizeFlags) override {
    // The room of its label and indicator; the toolkit's best size is no
    // help once a size was given, as it never shrinks below that.
    wxSize best = ToggleButtonNeed(*this, std::is_same_v<Base, wxCheckBox>, false);
    if (best.x <= 0) best = this->GetBestSize();
    if (width >= 0 && width < best.x) width = best.x;
    if (height >= 0 && height < best.y) height = best.y;
    WxPeer<Base>::DoSetSize(x, y, width, height, sizeFlags);
  }
};

// A static text shows its whole text: a translated text (or one the program
// fills in) may outgrow its template box, and GTK then cuts it off. A
// one-line, left-aligned text widens to its text; a box of several lines
// wraps the text at its width.
class StaticTextPeer : public WxPeer<wxStaticText> {
 public:
  using WxPeer<wxStaticText>::WxPeer;
  void SetLabel(const wxString& label) override {
    WxPeer<wxStaticText>::SetLabel(label);
    if (wrapping_) return;
    const wxSize size = GetSize();
    if (SeveralLines(size.y)) {
      wrapping_ = true;
      Wrap(size.x);
      wrapping_ = false;
    } else {
      SetSize(size.x, size.y);
    }
  }

 protected:
  void DoSetSize(int x, int y, int width, int height, int sizeFlags) override {
    const bool leftAligned = !(GetWindowStyle() & (wxALIGN_RIGHT | wxALIGN_CENTRE_HORIZONTAL));
    if (leftAligned && width >= 0 && height >= 0 && !SeveralLines(height) && !GetLabel().Contains('\n')) {
      // Its text's width, not the toolkit's best size, which never shrinks
      // below a size once given.
      width = std::max(width, GetTextExtent(GetLabelText()).x);
    }
    WxPeer<wxStaticText>::DoSetSize(x, y, width, height, sizeFlags);
  }

 private:
  bool SeveralLines(int height) const { return height >= 2 * GetCharHeight(); }
  bool wrapping_ = false;
};

wxWindow* MakeButton(TWindow* owner, wxWindow* parent, int id, const wxString& label, std::uint32_t style,
                     const TRect& r, bool startsGroup) {
  switch (style & kBsTypeMask) {
    case kBsCheckBox:
    case kBsAutoCheckBox:
    case kBs3State:
    case kBsAuto3State: {
      // Always three-state underneath: a program may set the indeterminate
      // state of any check box; only an AUTO3STATE box lets the user reach it.
      long flags = wxCHK_3STATE;
      if ((style & kBsTypeMask) == kBsAuto3State) flags |= wxCHK_ALLOW_3RD_STATE_FOR_USER;
      if (style & kBsLeftText) flags |= wxALIGN_RIGHT;
      return new ToggleButtonPeer<wxCheckBox>(owner, parent, id, label, Pos(r), Size(r), flags);
    }
    case kBsRadioButton:
    case kBsAutoRadioButton:
      // GTK groups radio buttons by creation: a new group starts at a
      // WS_GROUP button or after a control that is not a radio button.
      return new ToggleButtonPeer<wxRadioButton>(owner, parent, id, label, Pos(r), Size(r),
                                                 startsGroup ? wxRB_GROUP : 0);
    case kBsGroupBox: return new WxPeer<wxStaticBox>(owner, parent, id, label, Pos(r), Size(r));
    case kBsOwnerDraw: return new OwnerDrawButtonPeer(owner, parent, id, label, Pos(r), Size(r));
    default:
      if (!TakesThemedFace(style)) {
        auto* button = new WxPeer<wxButton>(owner, parent, id, label, Pos(r), Size(r));
        if ((style & kBsTypeMask) == kBsDefPushButton) button->SetDefault();
        return button;
      }
      return NewPushButtonPeer(owner, parent, id, label, Pos(r), Size(r), (style & kBsTypeMask) == kBsDefPushButton);
  }
}

wxWindow* MakeStatic(TWindow* owner, wxWindow* parent, int id, const WString& text, std::uint32_t style,
                     const TRect& r) {
  const std::uint32_t type = style & kSsTypeMask;
  if (type == kSsEtchedHorz || type == kSsEtchedVert) {
    return new WxPeer<wxStaticLine>(owner, parent, id, Pos(r), Size(r),
                                    type == kSsEtchedHorz ? wxLI_HORIZONTAL : wxLI_VERTICAL);
  }
  long flags = wxST_NO_AUTORESIZE;
  if (type == kSsCenter) flags |= wxALIGN_CENTRE_HORIZONTAL;
  if (type == kSsRight) flags |= wxALIGN_RIGHT;
  if (style & kSsSunken) flags |= wxBORDER_SUNKEN;
  auto* label = new StaticTextPeer(owner, parent, id, wxString(), Pos(r), Size(r), flags);
  if (style & kSsNoPrefix) {
    label->SetLabelText(ToWx(text));
  } else {
    label->SetLabel(ToWx(text));
  }
  return label;
}

wxWindow* MakeEdit(TWindow* owner, wxWindow* parent, int id, const WString& text, std::uint32_t style,
                   const TRect& r) {
  long flags = 0;
  if (style & kEsMultiline) flags |= wxTE_MULTILINE;
  if (style & kEsReadOnly) flags |= wxTE_READONLY;
  if (style & kEsPassword) flags |= wxTE_PASSWORD;
  if (style & kEsRight) flags |= wxTE_RIGHT;
  if (style & kEsCenter) flags |= wxTE_CENTRE;
  return new WxPeer<wxTextCtrl>(owner, parent, id, ToWx(text), Pos(r), Size(r), flags);
}

wxWindow* MakeCombo(TWindow* owner, wxWindow* parent, int id, const WString& text, std::uint32_t style,
                    const TRect& r) {
  long flags = 0;
  switch (style & kCbsTypeMask) {
    case kCbsSimple: flags |= wxCB_SIMPLE; break;
    case kCbsDropDownList: flags |= wxCB_READONLY; break;
    default: flags |= wxCB_DROPDOWN; break;
  }
  if (style & kCbsSort) flags |= wxCB_SORT;
  // A Win32 template gives a combo box the height of its open list; the
  // toolkit's field keeps its own height and sizes the list itself.
  const wxSize size(int(std::max<std::int64_t>(r.Width(), 0)), wxDefaultCoord);
  if (style & (kCbsOwnerDrawFixed | kCbsOwnerDrawVariable)) {
    return new OwnerDrawComboPeer(owner, parent, id, ToWx(text), Pos(r), size, flags);
  }
  return new WxPeer<wxComboBox>(owner, parent, id, ToWx(text), Pos(r), size, 0, nullptr, flags);
}

}  // namespace

wxWindow* CreateControlPeer(TWindow* owner, wxWindow* parent, DialogControlClass cls, int id, const WString& text,
                            std::uint32_t style, const TRect& pixels, bool startsGroup) {
  if (parent == nullptr) return nullptr;
  const int wxId = id > 0 ? id : wxID_ANY;
  wxWindow* peer = nullptr;
  switch (cls) {
    case DialogControlClass::Button:
      peer = MakeButton(owner, parent, wxId, ToWx(text), style, pixels, startsGroup);
      break;
    case DialogControlClass::Static: peer = MakeStatic(owner, parent, wxId, text, style, pixels); break;
    case DialogControlClass::Edit: peer = MakeEdit(owner, parent, wxId, text, style, pixels); break;
    case DialogControlClass::ListBox: {
      long flags = wxLB_SINGLE;
      if (style & kLbsExtendedSel) flags = wxLB_EXTENDED;
      if (style & kLbsMultipleSel) flags = wxLB_MULTIPLE;
      if (style & kLbsSort) flags |= wxLB_SORT;
      if (style & kWsHScroll) flags |= wxLB_HSCROLL;
      if (style & kLbsOwnerDrawFixed) {
        // The toolkit's owner-drawn list knows one or many; extended is the
        // many it has.
        const long selection = (style & (kLbsExtendedSel | kLbsMultipleSel)) ? wxLB_MULTIPLE : 0;
        peer = new OwnerDrawListPeer(owner, parent, wxId, Pos(pixels), Size(pixels), selection | wxBORDER_THEME);
        break;
      }
      peer = new WxPeer<wxListBox>(owner, parent, wxId, Pos(pixels), Size(pixels), 0, nullptr, flags);
      break;
    }
    case DialogControlClass::ComboBox: peer = MakeCombo(owner, parent, wxId, text, style, pixels); break;
    case DialogControlClass::ListView: {
      long flags = wxLC_REPORT;
      if (style & kLvsNoColumnHeader) flags |= wxLC_NO_HEADER;
      if (style & kLvsSingleSel) flags |= wxLC_SINGLE_SEL;
      peer = new WxPeer<wxListCtrl>(owner, parent, wxId, Pos(pixels), Size(pixels), flags);
      break;
    }
    case DialogControlClass::Progress:
      peer = new WxPeer<wxGauge>(owner, parent, wxId, 100, Pos(pixels), Size(pixels), wxGA_HORIZONTAL | wxGA_SMOOTH);
      break;
    case DialogControlClass::UpDown:
      peer = new UpDownPeer(owner, parent, wxId, Pos(pixels), Size(pixels), (style & kUdsHorz) != 0);
      break;
  }
  if (peer == nullptr) return nullptr;
  if (!(style & kWsVisible)) peer->Hide();
  if (style & kWsDisabled) peer->Disable();
  return peer;
}

bool PeerIsClass(const wxWindow* peer, DialogControlClass cls) {
  if (peer == nullptr) return false;
  switch (cls) {
    case DialogControlClass::Button:
      return dynamic_cast<const wxButton*>(peer) || dynamic_cast<const wxCheckBox*>(peer) ||
             dynamic_cast<const wxRadioButton*>(peer) || dynamic_cast<const wxStaticBox*>(peer) ||
             dynamic_cast<const OwnerDrawButtonPeer*>(peer);
    case DialogControlClass::Static:
      return dynamic_cast<const wxStaticText*>(peer) || dynamic_cast<const wxStaticLine*>(peer);
    case DialogControlClass::Edit: return dynamic_cast<const wxTextCtrl*>(peer) != nullptr;
    case DialogControlClass::ListBox:
      return dynamic_cast<const wxListBox*>(peer) || dynamic_cast<const OwnerDrawListPeer*>(peer);
    case DialogControlClass::ComboBox:
      return dynamic_cast<const wxComboBox*>(peer) || dynamic_cast<const wxOwnerDrawnComboBox*>(peer);
    case DialogControlClass::ListView: return dynamic_cast<const wxListCtrl*>(peer) != nullptr;
    case DialogControlClass::Progress: return dynamic_cast<const wxGauge*>(peer) != nullptr;
    case DialogControlClass::UpDown: return dynamic_cast<const UpDownPeer*>(peer) != nullptr;
  }
  return false;
}

wxWindow* NewPushButtonPeer(TWindow* owner, wxWindow* parent, int id, const wxString& label, const wxPoint& pos,
                            const wxSize& size, bool isDefault, int glyphId) {
  if (!PushButtonTheming()) {
    auto* button = new WxPeer<wxButton>(owner, parent, id, label, pos, size);
    if (isDefault) button->SetDefault();
    return button;
  }
  ThemedPeerInfo themed;
  themed.themed = true;
  themed.isDefault = isDefault;
  themed.glyphId = glyphId != 0 ? glyphId : id;
  auto* button = new OwnerDrawButtonPeer(owner, parent, id, label, pos, size, themed);
  // A button made without a size takes the size the toolkit's button of
  // this label would have.
  if (size == wxDefaultSize) button->SetInitialSize();
  return button;
}

bool PeerIsPushButton(const wxWindow* peer) {
  return dynamic_cast<const wxButton*>(peer) != nullptr || dynamic_cast<const OwnerDrawButtonPeer*>(peer) != nullptr;
}

ThemedPeerInfo* ThemedPeerOf(wxWindow* peer) {
  auto* button = dynamic_cast<OwnerDrawButtonPeer*>(peer);
  return button && button->Themed().themed ? &button->Themed() : nullptr;
}

bool PeerIsOwnerDrawn(const wxWindow* peer) {
  return dynamic_cast<const OwnerDrawButtonPeer*>(peer) || dynamic_cast<const OwnerDrawComboPeer*>(peer) ||
         dynamic_cast<const OwnerDrawListPeer*>(peer);
}

wxWindow* ReplaceWithOwnerDrawnButton(wxWindow* button) {
  wxWindow* parent = button->GetParent();
  if (parent == nullptr) return button;
  auto* replacement = new OwnerDrawButtonPeer(nullptr, parent, button->GetId(), button->GetLabel(),
                                              button->GetPosition(), button->GetSize());
  replacement->MoveAfterInTabOrder(button);
  if (!button->IsShown()) replacement->Hide();
  if (!button->IsThisEnabled()) replacement->Disable();
  button->Destroy();
  return replacement;
}

void ClickOwnerDrawnButton(wxWindow* peer) {
  if (auto* button = dynamic_cast<OwnerDrawButtonPeer*>(peer)) button->Click();
}

WString GetPeerText(const wxWindow* peer) {
  if (peer == nullptr) return WString();
  if (const auto* edit = dynamic_cast<const wxTextCtrl*>(peer)) return FromWx(edit->GetValue());
  if (const auto* combo = dynamic_cast<const wxComboBox*>(peer)) return FromWx(combo->GetValue());
  if (const auto* combo = dynamic_cast<const wxOwnerDrawnComboBox*>(peer)) return FromWx(combo->GetValue());
  return FromWx(peer->GetLabel());
}

void SetPeerText(wxWindow* peer, const WString& text) {
  if (peer == nullptr) return;
  const wxString value = ToWx(text);
  if (auto* edit = dynamic_cast<wxTextCtrl*>(peer)) {
    edit->ChangeValue(value);
  } else if (auto* combo = dynamic_cast<wxComboBox*>(peer)) {
    // A drop-down list shows only its items: the text selects the item
    // that carries it, as WM_SETTEXT does there.
    if (combo->HasFlag(wxCB_READONLY)) {
      combo->SetSelection(combo->FindString(value, true));
    } else {
      combo->ChangeValue(value);
    }
  } else if (auto* odcombo = dynamic_cast<wxOwnerDrawnComboBox*>(peer)) {
    if (odcombo->HasFlag(wxCB_READONLY)) {
      odcombo->SetSelection(odcombo->FindString(value, true));
    } else {
      odcombo->ChangeValue(value);
    }
  } else {
    peer->SetLabel(value);
  }
}

wxBitmap DibToBitmap(const TDib& dib) {
  const int w = dib.Width();
  const int h = dib.Height();
  // Control images are small; anything beyond this is not a control image
  // and would only cost memory.
  constexpr int kMaxSide = 4096;
  if (dib.IsEmpty() || !dib.HasBits() || w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return wxBitmap();
  wxImage image(w, h, false);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      std::uint32_t c = dib.GetPixelColor(x, y);
      if (c == TDib::kInvalidColor) return wxBitmap();
      image.SetRGB(x, y, static_cast<unsigned char>(c & 0xFF), static_cast<unsigned char>((c >> 8) & 0xFF),
                   static_cast<unsigned char>((c >> 16) & 0xFF));
    }
  }
  return wxBitmap(image);
}

}  // namespace kvn
