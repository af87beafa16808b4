#include "app/MainToolBar.h"

#include <cstdint>
#include <memory>

#include "app/CommandIds.h"
#include "app/LevelCombo.h"
#include "app/ToolBarBoxes.h"
#include "controls/ButtonGadget.h"
#include "platform/ui/DecoratedFrame.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/GadgetWindow.h"
#include "platform/ui/MessageQueue.h"

namespace kvn {

namespace {

constexpr int kSeparator = 6;

TGadgetWindow* FindGadgetWindow(TDockableControlBar& bar) {
  for (TWindow* child : bar.GetChildren())
    if (auto* window = dynamic_cast<TGadgetWindow*>(child)) return window;
  return nullptr;
}

template <class Box>
Box* FindBox(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* box = dynamic_cast<Box*>(child)) return box;
    if (Box* inner = FindBox<Box>(*child)) return inner;
  }
  return nullptr;
}

bool Inside(const TWindow* window, const TWindow& root) {
  for (; window; window = window->GetParentO())
    if (window == &root) return true;
  return false;
}

}  // namespace

MainToolBarState SaveMainToolBarState(TDockableControlBar& bar) {
  MainToolBarState state;
  if (TLevelComboBox* levels = FindBox<TLevelComboBox>(bar); levels && levels->GetHandle()) {
    const int row = levels->GetSelIndex();
    if (row >= 0) {
      state.hasLevel = true;
      state.level = levels->GetItemData(row);
    }
  }
  state.focus = TWindow::GetFocus();
  const TWindow* focused = GetWindowPtr(state.focus);
  if (!Inside(focused, bar)) return state;
  for (const TWindow* w = focused; w && w != &bar; w = w->GetParentO()) {
    if (dynamic_cast<const TPagesComboBox*>(w)) state.focusBox = MainToolBarState::Box::Pages;
    if (dynamic_cast<const TZoomComboBox*>(w)) state.focusBox = MainToolBarState::Box::Zoom;
    if (dynamic_cast<const TLevelComboBox*>(w)) state.focusBox = MainToolBarState::Box::Levels;
  }
  state.focusInBar = state.focusBox == MainToolBarState::Box::None;
  return state;
}

void RestoreMainToolBarState(TDockableControlBar& bar, TFrameWindow& frame, const MainToolBarState& state) {
  if (TLevelComboBox* levels = FindBox<TLevelComboBox>(bar); levels && state.hasLevel) {
    const int row = levels->FindItemData(state.level);
    if (row >= 0 && row != levels->GetSelIndex()) levels->SetSelIndex(row);
  }
  TWindow* target = nullptr;
  switch (state.focusBox) {
    case MainToolBarState::Box::Pages: target = FindBox<TPagesComboBox>(bar); break;
    case MainToolBarState::Box::Zoom: target = FindBox<TZoomComboBox>(bar); break;
    case MainToolBarState::Box::Levels: target = FindBox<TLevelComboBox>(bar); break;
    case MainToolBarState::Box::None:
      // What held it in the old bar is gone: the drawing takes it.
      target = state.focusInBar ? frame.GetClientWindow() : GetWindowPtr(state.focus);
      break;
  }
  // A box the new bar hides (one page, no levels) cannot hold the keyboard:
  // the drawing gets it, as after any choice in a box.
  if (target && (!target->GetHandle() || !target->IsWindowVisible() || !target->IsWindowEnabled())) {
    target = frame.GetClientWindow();
  }
  if (target && target->GetHandle() && TWindow::GetFocus() != target->GetHandle()) target->SetFocus();
}

TGadgetWindow& BuildMainToolBar(TDockableControlBar& bar, TFrameWindow& frame) {
  // The old window goes with its boxes (its children).
  delete FindGadgetWindow(bar);
  auto* window = new TGadgetWindow(&bar);  // a child: the bar owns it

  auto button = [&](std::uint32_t command) {
    // Each button's image has its command's id.
    window->Insert(std::make_unique<TButtonGadgetZv>(command, int(command)));
  };
  auto separator = [&] { window->Insert(std::make_unique<TSeparatorGadgetZv>(kSeparator)); };
  // A box is a dialog bar, a child of the gadget window, placed by a
  // control gadget.
  auto box = [&](int resourceId, auto makeCombo) {
    auto* dialogBar = new TDialogBar(window, resourceId, frame);
    makeCombo(dialogBar);
    window->Insert(std::make_unique<TControlGadget>(*dialogBar));
  };

  button(kCmFileOpen);
  separator();
  button(kCmFileClose);
  button(kCmPrint);
  button(kCmParameters);
  button(kCmExport);
  separator();
  box(27299, [](TDialogBar* b) { new TPagesComboBox(b); });
  button(kCmPagePrevious);
  button(kCmPageNext);
  separator();
  button(kCmZoomIn);
  button(kCmZoomOut);
  separator();
  box(27235, [](TDialogBar* b) { new TZoomComboBox(b); });
  separator();
  window->Insert(std::make_unique<TControlGadget>(*NewLevelComboBox(window, nullptr, frame)));
  separator();
  button(kCmAbout);
  separator();
  button(kCmCzech);
  button(kCmSlovak);
  button(kCmEnglish);

  if (bar.GetHandle() && !window->GetHandle()) {
    window->Create();
    // The boxes know their size once their windows exist.
    window->LayoutSession();
  }
  bar.LayoutBar();
  return *window;
}

}  // namespace kvn
