#include "app/MainToolBar.h"

#include <cstdint>
#include <memory>

#include "app/CommandIds.h"
#include "app/LevelCombo.h"
#include "app/ToolBarBoxes.h"
#include "controls/ButtonGadget.h"
#include "platform/ui/DecoratedFrame.h"
#include "platform/ui/GadgetWindow.h"

namespace kvn {

namespace {

constexpr int kSeparator = 6;

TGadgetWindow* FindGadgetWindow(TDockableControlBar& bar) {
  for (TWindow* child : bar.GetChildren())
    if (auto* window = dynamic_cast<TGadgetWindow*>(child)) return window;
  return nullptr;
}

}  // namespace

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
