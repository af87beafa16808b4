// TGadgetFrame: a small frame without caption or border that hosts one tool
// bar or dialog bar inside another window (the page and level boxes of the
// tool bar, the print preview's bar). It is a child window, so its toolkit
// window is a panel with the client filling it, not a top-level frame.
#pragma once

#include "platform/ui/FrameWindow.h"

class wxBoxSizer;

namespace kvn {

// Style bits the gadget frame sets and clears.
inline constexpr std::uint32_t kGadgetFrameStyleSet = kWsChild | kWsVisible | kWsClipChildren;  // 0x52000000
inline constexpr std::uint32_t kGadgetFrameStyleClear = kWsOverlappedWindow;  // caption, system menu, frame, boxes

class TGadgetFrame : public TFrameWindow {
 public:
  TGadgetFrame(TWindow* parent, const WString& title = WString(), TWindow* client = nullptr);
  // The window goes first, while the object is still a gadget frame.
  ~TGadgetFrame() override;

  const char16_t* GetClassName() const override { return u"KvnGadgetFrame"; }

 protected:
  wxWindow* CreatePeer(wxWindow* parentPeer) override;
  void LayoutFrame() override;

 private:
  wxBoxSizer* panelSizer_ = nullptr;
};

}  // namespace kvn
