#include "controls/ButtonGadget.h"

#include <wx/menu.h>
#include <wx/window.h>

#include <algorithm>

#include "controls/GadgetImage.h"
#include "controls/MenuAccessWx.h"
#include "controls/MenuDecorator.h"
#include "foundation/UiColors.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/ui/SystemMetrics.h"
#include "platform/ui/WxText.h"

namespace kvn {

namespace {

constexpr int kColorButtonFace = 15;
constexpr int kColorButtonShadow = 16;
constexpr int kColorButtonHighlight = 20;
// Size inside the borders of a button without an image.
constexpr int kEmptyImageSize = 16;

// The face painter: the image with its background in the face colour, or
// greyed as disabled buttons show it.
void DrawFaceImage(TDC& dc, const TDib& image, int x, int y, COLORREF face, bool greyed) {
  const std::vector<std::uint8_t> bgra =
      greyed ? GreyedBgra(image, kGadgetImageFaceKey, face) : DibToBgra(image, kGadgetImageFaceKey, face);
  if (bgra.empty()) return;
  const PixelView view{bgra.data(), image.Width(), image.Height(), image.Width() * 4};
  if (view.IsValid()) dc.BitBlt(x, y, image.Width(), image.Height(), view, 0, 0, kSrcCopy);
}

void Edge(TDC& dc, const TRect& r, COLORREF topLeft, COLORREF bottomRight) {
  dc.FillSolidRect({r.left, r.top, r.right, r.top + 1}, topLeft);
  dc.FillSolidRect({r.left, r.top, r.left + 1, r.bottom}, topLeft);
  dc.FillSolidRect({r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
  dc.FillSolidRect({r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

}  // namespace

COLORREF DarkerFaceColor(COLORREF face) {
  auto part = [&](int shift) { return ((face >> shift) & 0xFF) * 2 / 3; };
  return part(0) | (part(8) << 8) | (part(16) << 16);
}

// --- TButtonGadgetZv -----------------------------------------------------------------------------

TButtonGadgetZv::TButtonGadgetZv(std::uint32_t imageId, int commandId, TType type, bool enabled, TState state)
    : TGadget(commandId, Raised), imageId_(imageId), type_(std::int8_t(type)), state_(std::int8_t(state)) {
  // One pixel of border all round, drawn or not as the state asks.
  SetBorderStyle(None);
  TGadget::SetEnabled(enabled);
  SetTrackMouse(true);
  LoadImage();
}

TButtonGadgetZv::~TButtonGadgetZv() = default;

std::unique_ptr<TButtonGadgetZv> TButtonGadgetZv::NewDropDownButtonGadget(const std::uint32_t* commands,
                                                                         const MenuDecorator* menuSource) {
  if (commands == nullptr || commands[0] == 0) return nullptr;
  auto button = std::make_unique<TButtonGadgetZv>(commands[0], int(commands[0]));
  for (const std::uint32_t* c = commands; *c; ++c) button->dropDownCommands_.push_back(*c);
  button->menuSource_ = menuSource;
  button->dropDown_ = true;
  return button;
}

void TButtonGadgetZv::LoadImage() { image_ = LoadGadgetImage(imageId_); }

void TButtonGadgetZv::Created() { LoadImage(); }

TSize TButtonGadgetZv::GetDesiredSize() {
  TSize size = TGadget::GetDesiredSize();
  size.cx += (image_ ? image_->Width() : kEmptyImageSize) + 1;
  size.cy += (image_ ? image_->Height() : kEmptyImageSize) + 1;
  if (dropDown_) size.cx += kDropDownWidth;
  return size;
}

void TButtonGadgetZv::SetBounds(const TRect& bounds) {
  TGadget::SetBounds(bounds);
  const TRect inner = GetInnerRect();
  const int w = image_ ? image_->Width() : 0;
  const int h = image_ ? image_->Height() : 0;
  imagePos_.x = inner.left + (int(inner.Width()) - (dropDown_ ? kDropDownWidth : 0) - w) / 2;
  imagePos_.y = inner.top + (int(inner.Height()) - h) / 2;
}

TGadget::TBorderStyle TButtonGadgetZv::ComputeBorderStyle() const {
  if (!GetEnabled()) return None;
  if (hot_) return pressed_ || state_ == Down ? Recessed : Raised;
  return state_ == Down ? Recessed : None;
}

void TButtonGadgetZv::PaintBorder(TDC& dc) { TGadget::PaintBorder(dc); }

void TButtonGadgetZv::Paint(TDC& dc) {
  SetBorderStyle(ComputeBorderStyle());
  TGadget::Paint(dc);
  const COLORREF face = FaceColor();
  if (image_) {
    const int shift = (type_ == Exclusive && state_ == Down && !hot_) ? 1 : 0;
    DrawFaceImage(dc, *image_, imagePos_.x + shift, imagePos_.y + shift, face, !GetEnabled());
  }
  if (!dropDown_) return;
  const TRect& b = GetBounds();
  const TRect strip{b.right - kDropDownWidth, b.top, b.right, b.bottom};
  const COLORREF arrow = GetEnabled() ? COLORREF(0) : GetUiSysColor(kColorButtonShadow);
  const int cx = strip.left + kDropDownWidth / 2;
  const int top = b.top + int(b.Height()) / 2 - 2;
  for (int row = 0; row < 4; ++row) {
    const int half = 3 - row;  // rows of 7, 5, 3 and 1 pixels
    dc.FillSolidRect({cx - half, top + row, cx + half + 1, top + row + 1}, arrow);
  }
  const COLORREF shadow = GetUiSysColor(kColorButtonShadow);
  const COLORREF light = GetUiSysColor(kColorButtonHighlight);
  if (menuOpen_) {
    Edge(dc, strip, shadow, light);
  } else if (hot_ && state_ == Down) {
    Edge(dc, strip, shadow, light);
  } else if (hot_) {
    Edge(dc, strip, light, shadow);
  }
}

void TButtonGadgetZv::MouseEnter(std::uint32_t modKeys, const TPoint& point) {
  TGadget::MouseEnter(modKeys, point);
  hot_ = true;
  Invalidate();
  if (GetGadgetWindow() && GetGadgetWindow()->GetHintMode() == TGadgetWindow::EnterHints) {
    GetGadgetWindow()->SetHintCommand(GetId());
  }
}

void TButtonGadgetZv::MouseLeave(std::uint32_t modKeys, const TPoint& point) {
  TGadget::MouseLeave(modKeys, point);
  hot_ = false;
  Invalidate();
  if (GetGadgetWindow() && GetGadgetWindow()->GetHintMode() == TGadgetWindow::EnterHints) {
    GetGadgetWindow()->SetHintCommand(-1);
  }
}

void TButtonGadgetZv::LButtonDown(std::uint32_t modKeys, const TPoint& point) {
  if (dropDown_ && menuOpen_) return;
  if (dropDown_ && point.x >= GetBounds().right - kDropDownWidth) {
    OpenDropDownMenu();
    return;
  }
  TGadget::LButtonDown(modKeys, point);
  BeginPressed();
}

void TButtonGadgetZv::MouseMove(std::uint32_t modKeys, const TPoint& point) {
  TGadget::MouseMove(modKeys, point);
  if (GetGadgetWindow() == nullptr || GetGadgetWindow()->GetCapturedGadget() != this) return;
  const bool inside = PtIn(point);
  if (pressed_ && !inside) {
    CancelPressed(false);
  } else if (!pressed_ && inside) {
    BeginPressed();
  }
}

void TButtonGadgetZv::LButtonUp(std::uint32_t modKeys, const TPoint& point) {
  TGadget::LButtonUp(modKeys, point);
  if (pressed_) {
    Activate();
  } else {
    Invalidate();
  }
}

void TButtonGadgetZv::BeginPressed() {
  pressed_ = true;
  hot_ = true;
  Invalidate();
  Update();
  if (GetGadgetWindow() && GetGadgetWindow()->GetHintMode() == TGadgetWindow::PressHints) {
    GetGadgetWindow()->SetHintCommand(GetId());
  }
}

void TButtonGadgetZv::CancelPressed(bool hot) {
  pressed_ = false;
  hot_ = hot;
  Invalidate();
  Update();
  if (GetGadgetWindow() && GetGadgetWindow()->GetHintMode() == TGadgetWindow::PressHints) {
    GetGadgetWindow()->SetHintCommand(-1);
  }
}

void TButtonGadgetZv::GoDownExclusively() {
  TGadgetWindow* window = GetGadgetWindow();
  if (window != nullptr) {
    const auto& gadgets = window->Gadgets();
    const int self = window->IndexOf(*this);
    auto inRun = [&](int i) -> TButtonGadgetZv* {
      auto* b = dynamic_cast<TButtonGadgetZv*>(gadgets[std::size_t(i)].get());
      return b && (b->type_ == Exclusive || b->type_ == SemiExclusive) ? b : nullptr;
    };
    int first = self;
    while (first > 0 && inRun(first - 1)) --first;
    int last = self;
    while (last + 1 < int(gadgets.size()) && inRun(last + 1)) ++last;
    for (int i = first; i <= last; ++i) {
      TButtonGadgetZv* b = inRun(i);
      if (b && b != this && b->state_ == Down) {
        b->state_ = Up;
        b->Invalidate();
      }
    }
  }
  state_ = Down;
  Invalidate();
}

void TButtonGadgetZv::Activate() {
  switch (type_) {
    case Exclusive:
      if (state_ != Down) GoDownExclusively();
      break;
    case NonExclusive:
      state_ = state_ == Down ? Up : Down;
      break;
    case SemiExclusive:
      if (state_ == Down) {
        state_ = Up;
      } else {
        GoDownExclusively();
      }
      break;
    default:
      break;
  }
  CancelPressed(true);
  if (!GetEnabled()) return;
  if ((type_ == Exclusive || type_ == SemiExclusive) && state_ != Down) return;
  if (TGadgetWindow* window = GetGadgetWindow()) window->PostGadgetCommand(std::uint32_t(GetId()));
}

void TButtonGadgetZv::SetCheck(int state) {
  if (state == state_) return;
  if ((type_ == Exclusive || type_ == SemiExclusive) && state == Down) {
    GoDownExclusively();
  } else {
    state_ = std::int8_t(state);
  }
}

void TButtonGadgetZv::SetState(TState state) {
  SetCheck(state);
  Invalidate();
  Update();
}

void TButtonGadgetZv::CommandEnable() {
  TGadgetWindow* window = GetGadgetWindow();
  if (window == nullptr) return;
  TWindow* target = enableTarget_ ? enableTarget_ : window;
  TButtonGadgetEnabler enabler(std::uint32_t(GetId()), *this, target->GetHandle());
  target->EvCommandEnable(enabler);
}

void TButtonGadgetZv::OpenDropDownMenu() {
  TGadgetWindow* window = GetGadgetWindow();
  if (window == nullptr || window->GetPeer() == nullptr) return;
  wxMenu menu;
  for (std::uint32_t command : dropDownCommands_) {
    WString text;
    if (menuSource_) menuSource_->GetCommandText(text, command);
    if (text.IsEmpty()) continue;
    menu.Append(int(command), ToWx(text));
  }
  if (menu.GetMenuItemCount() == 0) return;
  menuOpen_ = true;
  Invalidate();
  Update();
  const TRect& b = GetBounds();
  const int chosen = TrackDropDownMenu(nullptr, menu, *this, TPoint{b.left, b.bottom}, 0);
  menuOpen_ = false;
  Invalidate();
  if (chosen > 0) {
    SetId(chosen);
    imageId_ = std::uint32_t(chosen);
    LoadImage();
    Activate();
  }
}

int TButtonGadgetZv::TrackDropDownMenu(MenuDecorator* decorator, wxMenu& menu, TGadget& gadget, const TPoint& point,
                                       int alignment) {
  TGadgetWindow* window = gadget.GetGadgetWindow();
  if (window == nullptr || window->GetPeer() == nullptr) return 0;
  MenuDecorator own;
  MenuDecorator& dresser = decorator ? *decorator : own;
  TWxMenuAccess access(&menu);
  dresser.ConvertMenu(false, &access);
  // TPM_RIGHTALIGN (8): the point is the menu's top-right corner.
  wxPoint at(point.x, point.y);
  if (alignment & 0x8) at.x -= menu.GetWindow() ? menu.GetWindow()->GetSize().x : 0;
  const int chosen = window->GetPeer()->GetPopupMenuSelectionFromUser(menu, at);
  return chosen == wxID_NONE ? 0 : chosen;
}

// --- TSeparatorGadgetZv ---------------------------------------------------------------------------

TSeparatorGadgetZv::TSeparatorGadgetZv(int size, int id) : TGadget(id, None), size_(size) {
  if (size_ == 0) size_ = 2 * GetSystemMetrics(kSmCxFrame);
  TGadget::SetEnabled(false);
  SetTrackMouse(false);
}

TSize TSeparatorGadgetZv::GetDesiredSize() { return {size_, size_}; }

void TSeparatorGadgetZv::Paint(TDC& dc) {
  const TRect& b = GetBounds();
  dc.FillSolidRect(b, FaceColor());
  const COLORREF line = DarkerFaceColor(FaceColor());
  const bool horizontalBar =
      GetGadgetWindow() == nullptr || GetGadgetWindow()->GetDirection() == TGadgetWindow::Horizontal;
  if (horizontalBar) {
    const int x = b.left + int(b.Width()) / 2;
    dc.FillSolidRect({x, b.top + 1, x + 1, b.bottom - 1}, line);
  } else {
    const int y = b.top + int(b.Height()) / 2;
    dc.FillSolidRect({b.left + 1, y, b.right - 1, y + 1}, line);
  }
}

// --- TButtonGadgetEnabler -------------------------------------------------------------------------

TButtonGadgetEnabler::TButtonGadgetEnabler(std::uint32_t id, TButtonGadgetZv& button, THandle receiver)
    : TCommandEnabler(id, receiver), button_(button) {}

void TButtonGadgetEnabler::Enable(bool enable) {
  TCommandEnabler::Enable(enable);
  button_.SetEnabled(enable);
}

void TButtonGadgetEnabler::SetCheck(int state) {
  TCommandEnabler::SetCheck(state);
  button_.SetState(TButtonGadgetZv::TState(state));
}

}  // namespace kvn
