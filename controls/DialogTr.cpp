#include "controls/DialogTr.h"

#include <wx/window.h>

#include "foundation/LangTable.h"
#include "foundation/Mnemonics.h"
#include "foundation/WindowPlacement.h"

namespace kvn {

namespace {

// How far inside its parent a clamped dialog's centre stays, in pixels.
constexpr int kClampInset = 10;

TPoint Centre(const TRect& r) {
  return TPoint{std::int32_t((std::int64_t(r.left) + r.right) / 2), std::int32_t((std::int64_t(r.top) + r.bottom) / 2)};
}

}  // namespace

std::optional<TPoint> ComputeDialogPlacement(const DialogPlacement& in) {
  if (in.centerFlag) return Centre(in.hasParent ? in.parentRect : in.workArea);
  std::optional<TPoint> point;
  if (in.position) point = *in.position;
  if (in.clamp && in.hasParent) {
    TPoint p = *in.clamp;
    // The right and bottom limits win in a parent narrower than twice the inset.
    if (p.x < in.parentRect.left + kClampInset) p.x = in.parentRect.left + kClampInset;
    if (p.x > in.parentRect.right - kClampInset) p.x = in.parentRect.right - kClampInset;
    if (p.y < in.parentRect.top + kClampInset) p.y = in.parentRect.top + kClampInset;
    if (p.y > in.parentRect.bottom - kClampInset) p.y = in.parentRect.bottom - kClampInset;
    point = p;
  }
  return point;
}

TDialogTr::TDialogTr(TWindow* parent, int resourceId) : TDialog(parent, resourceId) {}

const TResponseTable& TDialogTr::Table() {
  static const TResponseTable table({OnCommand<&TDialogTr::ResetToDefaults>(kCmRestoreDefaults)},
                                    {&TDialog::Table()});
  return table;
}

bool TDialogTr::Find(TEventInfo& info) { return Table().Search(info); }

void TDialogTr::SetupWindow() {
  TranslateTexts();
  // Sets up every child, which loads its variable: after the translation,
  // so that no control reads an untranslated text.
  TDialog::SetupWindow();
  Place();
  if (TWindow* help = GetDlgItem(int(kIdcHelp))) {
    help->EnableWindow(false);
    help->ShowWindow(kSwHide);
  }
}

void TDialogTr::TranslateTexts() {
  WString caption = GetCaption();
  if (!caption.IsEmpty() && TranslateText(caption)) SetCaption(caption);

  TDialogMnemonicTarget target;
  MnemonicList mnemonics(MnemonicList::Mode::Dialog, target);
  for (void* child : GetChildWindows()) {
    WString text = GetChildWindowText(child);
    bool takesPart = false;
    if (text.IsEmpty() || !TranslateText(text, &takesPart)) continue;
    if (takesPart) {
      mnemonics.AddControl(child, text);
    } else {
      SetChildWindowText(child, text);
    }
  }
  mnemonics.Apply();
}

void TDialogTr::Place() {
  // A dialog inside another window (a tool-bar box, a property page) is
  // placed by that window's layout; asking for its parent's place on the
  // screen before the frame is shown only makes the toolkit complain.
  if (GetPeer() != nullptr && !GetPeer()->IsTopLevel()) return;
  DialogPlacement in;
  in.centerFlag = centerFlag;
  TWindow* parent = GetParentO();
  in.hasParent = parent != nullptr && parent->GetHandle() != nullptr;
  if (in.hasParent) in.parentRect = parent->GetWindowRect();
  const ScreenRect work = GetPrimaryWorkArea();
  in.workArea = TRect{work.left, work.top, work.right, work.bottom};
  in.position = positionPoint;
  in.clamp = clampPoint;
  if (const std::optional<TPoint> point = ComputeDialogPlacement(in)) MoveCentredOn(*point);
}

bool TDialogTr::EvInitDialog(THandle focus) {
  if (!TDialog::EvInitDialog(focus)) return true;
  if (rememberedFocus && *rememberedFocus > int(kIdcHelp)) {
    TWindow* control = GetDlgItem(*rememberedFocus);
    if (control && control->GetHandle() && WString(control->GetClassName()).Contains(u"EDIT", false) &&
        control->IsWindowEnabled()) {
      // Posted: the focus lands once the dialog is shown.
      PostMessage(kWmNextDlgCtl, reinterpret_cast<TParam1>(control->GetHandle()), 1);
    }
  }
  return true;
}

void TDialogTr::Destroy(int retValue) {
  if (rememberedFocus && GetHandle()) {
    const int id = GetFocusedControlId();
    if (id != 0 && id != int(kIdcOk)) *rememberedFocus = id;
  }
  TDialog::Destroy(retValue);
}

TResult TDialogTr::WindowProc(std::uint32_t msg, TParam1 wParam, TParam2 lParam) {
  // No help file exists: F1 and the Help button do nothing.
  if (msg == kWmHelp) return 1;
  if (msg == kWmCommand && wParam == kIdcHelp) return 0;
  return TDialog::WindowProc(msg, wParam, lParam);
}

void TDialogTr::SaveToVariable() {
  TDialog::SaveToVariable();
  AfterSave();
}

void TDialogTr::LoadFromVariable() {
  TDialog::LoadFromVariable();
  AfterLoad();
}

void TDialogTr::ResetToDefaults() {
  BroadcastResetToDefaults(*this);
  if (restoreCallback) restoreCallback();
  DefaultProcessing();
}

}  // namespace kvn
