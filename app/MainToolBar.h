// The main frame's one tool bar: the command buttons in their order, with
// the page, zoom and level boxes among them. Built when the frame is set up
// and again when the interface language changes.
#pragma once

namespace kvn {

class TDockableControlBar;
class TGadgetWindow;

// Puts the gadgets into the bar's gadget window (made on first use),
// replacing any it held; returns that window.
TGadgetWindow& BuildMainToolBar(TDockableControlBar& bar);

}  // namespace kvn
