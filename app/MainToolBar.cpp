#include "app/MainToolBar.h"

#include <cstdint>
#include <memory>

#include "app/CommandIds.h"
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

TGadgetWindow& BuildMainToolBar(TDockableControlBar& bar) {
  TGadgetWindow* window = FindGadgetWindow(bar);
  if (!window) window = new TGadgetWindow(&bar);  // a child: the bar's window owns it
  while (!window->Gadgets().empty()) window->Remove(*window->Gadgets().back());

  auto button = [&](std::uint32_t command) {
    // Each button's image has its command's id.
    window->Insert(std::make_unique<TButtonGadgetZv>(command, int(command)));
  };
  auto separator = [&] { window->Insert(std::make_unique<TSeparatorGadgetZv>(kSeparator)); };

  button(kCmFileOpen);
  separator();
  button(kCmFileClose);
  button(kCmPrint);
  button(kCmParameters);
  button(kCmExport);
  separator();
  button(kCmPagePrevious);
  button(kCmPageNext);
  separator();
  button(kCmZoomIn);
  button(kCmZoomOut);
  separator();
  button(kCmAbout);
  separator();
  button(kCmCzech);
  button(kCmSlovak);
  button(kCmEnglish);

  if (bar.GetHandle() && !window->GetHandle()) window->Create();
  bar.LayoutBar();
  return *window;
}

}  // namespace kvn
