#include "controls/AutoButtons.h"

#include <algorithm>

#include "controls/AutoKeys.h"
#include "foundation/UiColors.h"
#include "platform/ui/ControlDraw.h"

namespace kvn {

namespace {

constexpr int kColorBtnFace = 15;

}  // namespace

// --- TAutoCheck -----------------------------------------------------------------------------

TAutoCheck::TAutoCheck(TWindow* parent, int resourceId, int* boundVariable, int defaultStateValue)
    : TCheckBox(parent, resourceId), variable(boundVariable), defaultState(defaultStateValue) {}

TAutoCheck::TAutoCheck(TWindow* parent, int id, const WString& caption, int x, int y, int w, int h)
    : TCheckBox(parent, id, caption, x, y, w, h), variable(nullptr), defaultState(0) {}

const TResponseTable& TAutoCheck::Table() {
  static const TResponseTable table(
      {
          OnNotifyAtChild<&TAutoCheck::BnClicked>(kBnClicked),
          OnCommand<&TAutoCheck::CmRestore>(kCmRestoreDefaults),
          OnRaw<&TAutoCheck::EvGetDlgCode>(kWmGetDlgCode),
      },
      {&TCheckBox::Table()});
  return table;
}

bool TAutoCheck::Find(TEventInfo& info) { return Table().Search(info); }

int TAutoCheck::GetState() const {
  const int state = GetCheck();
  return state == kBstChecked || state == kBstIndeterminate ? state : kBstUnchecked;
}

void TAutoCheck::RunCallback(int state) {
  if (callback) callback(GetParentO(), userValue, state);
}

void TAutoCheck::SetState(int state) {
  SetCheck(state);
  lastState = GetState();
  RunCallback(lastState);
}

void TAutoCheck::NotifyChange() { RunCallback(GetState()); }

void TAutoCheck::LoadFromVariable() {
  if (variable == nullptr) return;
  SetCheck(*variable);
  const int shown = GetState();
  RunCallback(shown);
  lastState = shown;
}

void TAutoCheck::SaveToVariable() {
  if (variable == nullptr) return;
  const int state = GetCheck();
  *variable = state == kBstChecked ? 1 : state == kBstIndeterminate ? 2 : 0;
}

void TAutoCheck::SetupWindow() {
  TCheckBox::SetupWindow();
  if (!captionSuffix.IsEmpty()) {
    WString caption = GetText();
    caption.Append(captionSuffix);
    SetText(caption);
  }
  if (liveVariable) {
    SetCheck(*liveVariable);
    const int shown = GetState();
    RunCallback(shown);
    lastState = shown;
  }
}

void TAutoCheck::CleanupWindow() {
  lastState = GetState();
  TCheckBox::CleanupWindow();
}

void TAutoCheck::BnClicked() {
  int state = GetState();
  // A click never leaves a box indeterminate: the user reaches 0 and 1
  // only. Restore's own click keeps an indeterminate default.
  if (!restoring_ && (lastState == kBstIndeterminate || state == kBstIndeterminate)) {
    SetCheck(kBstChecked);
    state = kBstChecked;
  }
  lastState = state;
  if (liveVariable) {
    *liveVariable = std::uint8_t(state);
    if (TWindow* parent = GetParentO()) {
      parent->SendMessage(kWmAutoChanged, 0, 0);
      parent->PostMessage(kWmAutoNext, 0, 0);
    }
  } else {
    DefaultProcessing();
  }
  RunCallback(state);
}

void TAutoCheck::CmRestore() {
  SetCheck(defaultState);
  const int shown = GetState();
  RunCallback(shown);
  lastState = shown;
  // As a click would: the click handler first, then the parent.
  restoring_ = true;
  Notify(kBnClicked);
  restoring_ = false;
}

TResult TAutoCheck::EvGetDlgCode(TParam1, TParam2 lParam) {
  if (liveVariable == nullptr) return DefaultProcessing();
  return LiveKeysDlgCode(*this, DefaultDlgCode(), lParam);
}

// --- TAutoRadio ---------------------------------------------------------------------------------

TAutoRadio::TAutoRadio(TWindow* parent, int firstId, int buttonCount, int* boundVariable, int defaultIndexValue)
    : TRadioButton(parent, firstId), variable(boundVariable), count(buttonCount), defaultIndex(defaultIndexValue) {}

TAutoRadio::~TAutoRadio() {
  for (TAutoRadioSub* sub : subs_) sub->group_ = nullptr;
}

const TResponseTable& TAutoRadio::Table() {
  static const TResponseTable table(
      {
          OnNotifyAtChild<&TAutoRadio::BnClicked>(kBnClicked),
          OnCommand<&TAutoRadio::CmRestore>(kCmRestoreDefaults),
      },
      {&TRadioButton::Table()});
  return table;
}

bool TAutoRadio::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoRadio::SetCallback(ChangeCallback cb, std::uint32_t user) {
  callback = cb;
  userValue = user;
}

void TAutoRadio::RunCallback() {
  if (callback) callback(GetParentO(), GetCheckedIndex(), userValue);
}

void TAutoRadio::Check(int index) {
  if (TWindow* parent = GetParentO())
    CheckRadioButton(*parent, GetFirstId(), GetFirstId() + count - 1, GetFirstId() + index);
  RunCallback();
}

int TAutoRadio::GetCheckedIndex() {
  TWindow* parent = GetParentO();
  for (int i = 0; i < count; ++i) {
    const int state = i == 0 ? GetCheck() : (parent ? IsDlgButtonChecked(*parent, GetFirstId() + i) : 0);
    if (state == kBstChecked) return i;
  }
  return 0;
}

void TAutoRadio::LoadFromVariable() {
  if (variable == nullptr) return;
  if (TWindow* parent = GetParentO()) {
    CheckRadioButton(*parent, GetFirstId(), GetFirstId() + count - 1, GetFirstId() + *variable);
  }
  RunCallback();
}

void TAutoRadio::SaveToVariable() {
  if (variable) *variable = GetCheckedIndex();
}

void TAutoRadio::SetupWindow() {
  TRadioButton::SetupWindow();
  TWindow* parent = GetParentO();
  if (callback == nullptr || count <= 1 || parent == nullptr) return;
  for (int id = GetFirstId() + 1; id < GetFirstId() + count; ++id) {
    // A button another object already holds reports to that object.
    if (parent->ChildWithId(id)) continue;
    auto* sub = new TAutoRadioSub(parent, id, this);
    subs_.push_back(sub);
    sub->Create();
  }
}

void TAutoRadio::BnClicked() {
  RunCallback();
  DefaultProcessing();
}

void TAutoRadio::CmRestore() {
  if (TWindow* parent = GetParentO()) {
    CheckRadioButton(*parent, GetFirstId(), GetFirstId() + count - 1, GetFirstId() + defaultIndex);
  }
  RunCallback();
}

// --- TAutoRadioSub ---------------------------------------------------------------------------------

TAutoRadioSub::TAutoRadioSub(TWindow* parent, int resourceId, TAutoRadio* group)
    : TRadioButton(parent, resourceId), group_(group) {}

TAutoRadioSub::~TAutoRadioSub() {
  if (group_) std::erase(group_->subs_, this);
}

const TResponseTable& TAutoRadioSub::Table() {
  static const TResponseTable table({OnNotifyAtChild<&TAutoRadioSub::BnClicked>(kBnClicked)},
                                    {&TRadioButton::Table()});
  return table;
}

bool TAutoRadioSub::Find(TEventInfo& info) { return Table().Search(info); }

void TAutoRadioSub::BnClicked() {
  DefaultProcessing();
  if (group_) group_->RunCallback();
}

// --- TXButton ------------------------------------------------------------------------------------

TXButton::TXButton(TWindow* parent, int id, const WString& caption, int x, int y, int w, int h, bool isStatic,
                   int bitmap, bool tooltipFromCaption, bool isToggle)
    : TButton(parent, id, caption, x, y, w, h),
      bitmapId(bitmap),
      tooltipFromText(tooltipFromCaption),
      staticForDialog(isStatic),
      toggle(isToggle) {
  Attr.Style = (Attr.Style & ~kBsTypeMask) | kBsOwnerDraw;
  ownerDrawRequested_ = true;
}

TXButton::TXButton(bool isStatic, TWindow* parent, int resourceId, int bitmap, bool tooltipFromCaption, bool isToggle)
    : TButton(parent, resourceId),
      bitmapId(bitmap),
      tooltipFromText(tooltipFromCaption),
      staticForDialog(isStatic),
      toggle(isToggle) {
  ownerDrawRequested_ = true;
}

const TResponseTable& TXButton::Table() {
  static const TResponseTable table(
      {
          OnRaw<&TXButton::EvGetDlgCode>(kWmGetDlgCode),
          OnNotifyAtChild<&TXButton::BnClicked>(kBnClicked),
          OnMessage<kWmMouseLeave, &TXButton::EvMouseLeave>(),
      },
      {&TButton::Table()});
  return table;
}

bool TXButton::Find(TEventInfo& info) { return Table().Search(info); }

bool TXButton::Create() {
  if (!TButton::Create()) return false;
  Attr.Style = (Attr.Style & ~kBsTypeMask) | kBsOwnerDraw;
  return true;
}

void TXButton::SetupWindow() {
  TButton::SetupWindow();
  // (The themed push-button list the original marks here does not exist on
  // GTK: the toolkit draws no button this one would have to take over.)
  if (secondImage.IsEmpty()) {
    const int id = bitmapId != 0 ? bitmapId : GetId();
    if (!LoadBitmapResource(id, firstImage) || !firstImage.HasBits()) firstImage.Clear();
  }
  if (tooltipFromText && tooltipAllowed) {
    const WString caption = GetText();
    if (!caption.IsEmpty()) SetTooltipText(caption);
  }
}

void TXButton::DrawItem(TDrawItem& item) {
  TButtonFace face;
  if (TWindow* parent = GetParentO()) {
    const auto answer = std::uintptr_t(parent->SendMessage(kDmGetDefId, 0, 0));
    face.isDefault = HiWord(answer) == kDcHasDefId && LoWord(answer) == std::uint16_t(GetId());
  }
  face.pressed = (item.itemState & kOdsSelected) != 0;
  if (toggle) {
    const std::uint32_t state = state_ & 3;
    face.pressed = state != 0;
    face.checked = state == 2;
  }
  face.hot = hot;
  face.focused = (item.itemState & kOdsFocus) != 0;
  face.disabled = (item.itemState & kOdsDisabled) != 0;
  face.background = GetUiSysColor(kColorBtnFace);
  face.image = !secondImage.IsEmpty() ? &secondImage : (!firstImage.IsEmpty() ? &firstImage : nullptr);
  face.caption = GetText();
  PaintPushButton(item, face);
}

TResult TXButton::EvGetDlgCode(TParam1, TParam2) {
  if (staticForDialog) return TResult(kDlgcStatic);
  return DefaultProcessing();
}

void TXButton::BnClicked() {
  if (toggle && !inToggle_) {
    inToggle_ = true;
    const std::uint32_t stored = state_;
    std::uint32_t state = GetState() & ~3u;
    if ((stored & 3) == 0) state += 1;
    SetState(state);
    inToggle_ = false;
  }
  DefaultProcessing();
}

void TXButton::EvMouseLeave() {
  // Hot tracking starts only while themed push buttons exist, which GTK's
  // buttons never are; leaving still clears the flag.
  const bool was = hot;
  hot = false;
  DefaultProcessing();
  if (was) Invalidate(false);
}

}  // namespace kvn
