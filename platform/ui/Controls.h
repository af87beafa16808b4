// TControl: the base of the class library's controls, each over one
// toolkit control.
//
// Where a control comes from. A control constructed with a resource id
// belongs to its parent dialog's template: when the dialog is created, the
// dialog makes one toolkit control per template entry (as CreateDialog makes
// the child windows), and the control object adopts the one of its id when
// its own Create runs. A control constructed with a position and size makes
// its toolkit control itself. A template entry no object adopts stays a bare
// toolkit control; TDialog::GetDlgItem wraps it on demand.
//
// The kinds are in ControlButtons.h (TButton, TCheckBox, TRadioButton,
// TGroupBox), ControlTexts.h (TStatic, TEdit, TUpDown, TGauge) and
// ControlLists.h (TListBox, TComboBox, TListWindow).
//
// Notifications take the class library's road. A control reports to its
// parent with WM_COMMAND (BN_CLICKED, EN_CHANGE, CBN_SELCHANGE, ...) or
// WM_NOTIFY (UDN_DELTAPOS); the control's own table is asked first (rows
// made with OnNotifyAtChild / OnNotifyCodeAtChild), and the parent's handling
// runs only when the control has no row for the code or its handler calls
// DefaultProcessing, at that moment. Notify is that road; TDialog routes a
// WM_COMMAND sent to it with a control's handle the same way, so "sending
// the notification to the parent" always reaches the control's row first.
//
// State without a window. Every control keeps its visible state (text,
// check, items, selection) in the object as well: before the toolkit window
// exists, after it is gone, and in tests without a display, the operations
// work on that copy; while the window lives the window is the truth.
#pragma once

#include <cstdint>

#include "foundation/WString.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/ResponseTable.h"
#include "platform/ui/Window.h"

class wxDC;
class wxWindow;

namespace kvn {

// --- notification codes (high word of WM_COMMAND's wParam) --------------------------------
inline constexpr std::uint32_t kBnClicked = 0;
inline constexpr std::uint32_t kEnSetFocus = 0x100;
inline constexpr std::uint32_t kEnKillFocus = 0x200;
inline constexpr std::uint32_t kEnChange = 0x300;
inline constexpr std::uint32_t kLbnSelChange = 1;
inline constexpr std::uint32_t kLbnDblClk = 2;
inline constexpr std::uint32_t kCbnSelChange = 1;
inline constexpr std::uint32_t kCbnEditChange = 5;
inline constexpr std::uint32_t kCbnDropDown = 7;
inline constexpr std::uint32_t kCbnCloseUp = 8;
inline constexpr std::uint32_t kCbnSelEndOk = 9;
inline constexpr std::uint32_t kCbnSelEndCancel = 10;
// WM_NOTIFY codes.
inline constexpr std::int32_t kUdnDeltaPos = -722;

// --- WM_GETDLGCODE answers; lParam of the query: the key's TMsg, or 0 ------------------
inline constexpr std::uint32_t kDlgcWantArrows = 0x1;
inline constexpr std::uint32_t kDlgcWantTab = 0x2;
inline constexpr std::uint32_t kDlgcWantAllKeys = 0x4;
inline constexpr std::uint32_t kDlgcHasSetSel = 0x8;
inline constexpr std::uint32_t kDlgcDefPushButton = 0x10;
inline constexpr std::uint32_t kDlgcUndefPushButton = 0x20;
inline constexpr std::uint32_t kDlgcRadioButton = 0x40;
inline constexpr std::uint32_t kDlgcWantChars = 0x80;
inline constexpr std::uint32_t kDlgcStatic = 0x100;
inline constexpr std::uint32_t kDlgcButton = 0x2000;

// --- button states (BM_GETCHECK / BM_GETSTATE) ---------------------------------------
inline constexpr int kBstUnchecked = 0;
inline constexpr int kBstChecked = 1;
inline constexpr int kBstIndeterminate = 2;
inline constexpr std::uint32_t kBstPushed = 0x4;
inline constexpr std::uint32_t kBstFocus = 0x8;

// DM_GETDEFID and the marker of its answer's high word.
inline constexpr std::uint32_t kDmGetDefId = kWmUser;
inline constexpr std::uint16_t kDcHasDefId = 0x534B;

// --- owner draw ------------------------------------------------------------------------
inline constexpr std::uint32_t kOdtListBox = 2;
inline constexpr std::uint32_t kOdtComboBox = 3;
inline constexpr std::uint32_t kOdtButton = 4;
inline constexpr std::uint32_t kOdaDrawEntire = 0x1;
inline constexpr std::uint32_t kOdaSelect = 0x2;
inline constexpr std::uint32_t kOdaFocus = 0x4;
inline constexpr std::uint32_t kOdsSelected = 0x1;
inline constexpr std::uint32_t kOdsGrayed = 0x2;
inline constexpr std::uint32_t kOdsDisabled = 0x4;
inline constexpr std::uint32_t kOdsChecked = 0x8;
inline constexpr std::uint32_t kOdsFocus = 0x10;
inline constexpr std::uint32_t kOdsHotLight = 0x40;
inline constexpr std::uint32_t kOdsComboBoxEdit = 0x1000;

// WM_DRAWITEM's record. `dc` is the toolkit's drawing context of the
// control; the helpers of ControlDraw.h paint through it.
struct TDrawItem {
  std::uint32_t ctlType = 0;
  int ctlId = 0;
  int itemId = -1;  // -1: the selection field of a combo box
  std::uint32_t itemAction = kOdaDrawEntire;
  std::uint32_t itemState = 0;
  TRect rect;
  std::intptr_t itemData = 0;
  wxDC* dc = nullptr;
};

// WM_MEASUREITEM's record.
struct TMeasureItem {
  std::uint32_t ctlType = 0;
  int ctlId = 0;
  int itemId = -1;
  int itemWidth = 0;
  int itemHeight = 0;
  std::intptr_t itemData = 0;
};

// UDN_DELTAPOS's record.
struct TNmUpDown {
  TNotify hdr;
  int iPos = 0;
  int iDelta = 0;
};

// --- rows of a control's own notifications -----------------------------------------------
namespace response_detail {
template <auto H>
TResult HeaderThunk(TEventHandler& h, TParam1, TParam2 l) {
  if (auto* o = Object<H>(h); o && l) return (o->*H)(*reinterpret_cast<TNotify*>(l));
  return 0;
}
}  // namespace response_detail

// void C::H(): the control's own WM_COMMAND notification `code`.
template <auto H>
constexpr TResponseTableEntry OnNotifyAtChild(std::uint32_t code) {
  return {kWmCommand, 0, code, &response_detail::CommandThunk<H>, nullptr};
}
// TResult C::H(TNotify&): the control's own WM_NOTIFY `code`.
template <auto H>
constexpr TResponseTableEntry OnNotifyCodeAtChild(std::int32_t code) {
  return {kWmNotify, 0, std::uint32_t(code), &response_detail::HeaderThunk<H>, nullptr};
}

// The class library's data transfer between a window and the variables of
// its caller (TransferData): a control shows its variable, and stores it
// back when its dialog saves. Dialogs run it over their children.
class TTransferTarget {
 public:
  virtual ~TTransferTarget() = default;
  virtual void LoadFromVariable() {}
  virtual void SaveToVariable() {}
};

// A window whose toolkit window makes the controls of a template before its
// children are created (TDialog): the controls constructed with a resource
// id adopt them.
class TTemplateHost {
 public:
  virtual ~TTemplateHost() = default;
  // The template entry of a control id; null when the template lacks it.
  virtual const DialogControlData* FindTemplateControl(int id) const = 0;
  // The toolkit control made for the entry, when nobody has adopted it yet.
  virtual wxWindow* TakeTemplatePeer(int id) = 0;
};

class TControl : public TWindow, public TTransferTarget {
 public:
  // A control of the parent dialog's template.
  TControl(TWindow* parent, int resourceId);
  // A control made at run time; position and size in pixels of the parent's client area.
  TControl(TWindow* parent, int id, const WString& title, int x, int y, int w, int h);
  ~TControl() override;

  bool IsFromResource() const { return fromResource_; }
  // The object takes the state of the template control it adopts, instead
  // of showing its own there (a control wrapped after the user used it).
  void CaptureStateOnAdopt() { captureOnAdopt_ = true; }
  int GetId() const { return Attr.Id; }
  virtual DialogControlClass GetControlClass() const = 0;
  const char16_t* GetClassName() const override { return DialogControlClassName(GetControlClass()); }

  // WM_GETTEXT / WM_SETTEXT: a button's or static's label, an edit's contents.
  virtual WString GetText() const;
  virtual void SetText(const WString& text);

  void SetTooltipText(const WString& text);
  // EnableWindow, then WM_ENABLE to the control, as Win32 sends it.
  void EnableWindow(bool enable) override;

  // The notification road (see the top of this file).
  TResult Notify(std::uint32_t code);
  TResult NotifyHeader(TNotify& header);
  // While the parent's part of a notification of this control runs.
  bool InParentPhase() const { return parentPhase_; }

  // The dialog manager's WM_GETDLGCODE: the control's rows, else the
  // class's answer (DefaultDlgCode). `keyMsg` is the key being asked about.
  std::uint32_t QueryDlgCode(const TMsg* keyMsg);
  // What the class answers when no row takes WM_GETDLGCODE.
  virtual std::uint32_t DefaultDlgCode() const { return 0; }

  // WM_DRAWITEM and WM_MEASUREITEM of an owner-drawn control, reflected to
  // the control as the class library does.
  virtual void DrawItem(TDrawItem&) {}
  virtual void MeasureItem(TMeasureItem&) {}

  TResult WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) override;
  TResult DefaultProcessing() override;
  bool Find(TEventInfo& info) override;
  static const TResponseTable& Table();

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  // The library set-up, then LoadFromVariable: a control shows its
  // variable as soon as it exists.
  void SetupWindow() override;
  // Keeps the shown state in the object before the window goes.
  void CleanupWindow() override;

  // Makes the toolkit control of a control created at run time (by class
  // and Attr.Style), with this object as its owner.
  virtual wxWindow* NewPeer(wxWindow* parentPeer);
  // Whether a template's toolkit control is of this class's kind.
  virtual bool AcceptsPeer(wxWindow* peer) const;
  // A chance to put another toolkit control in the template control's
  // place before it is adopted; returns the one to adopt.
  virtual wxWindow* AdaptTemplatePeer(wxWindow* peer) { return peer; }
  // Attaches the toolkit's events of the control to its notifications.
  virtual void BindControlEvents(wxWindow* peer);
  // Copies the window's state into the object (CleanupWindow).
  virtual void CaptureState();
  // Shows the object's state in a newly made or adopted window.
  virtual void ApplyState();

  WString text_;  // the text while there is no window

 private:
  struct NotifyContext {
    int depth = 0;  // WindowProc depth of the control's part; 0: none
    std::uint32_t code = 0;
    TNotify* header = nullptr;
    bool passed = false;
  };
  TResult RunNotification(std::uint32_t code, TNotify* header);
  TResult PassToParent();

  bool fromResource_;
  bool captureOnAdopt_ = false;
  int depth_ = 0;
  NotifyContext ctx_;
  bool parentPhase_ = false;
};

}  // namespace kvn
