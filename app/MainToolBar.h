// The main frame's one tool bar: the command buttons in their order, with
// the page, zoom and level boxes among them. Built when the frame is set up
// and again when the interface language changes.
#pragma once

namespace kvn {

class TDockableControlBar;
class TFrameWindow;
class TGadgetWindow;

// Puts the gadgets into a new gadget window of the bar (the one it held
// goes, with its boxes); returns that window.
TGadgetWindow& BuildMainToolBar(TDockableControlBar& bar, TFrameWindow& frame);

}  // namespace kvn
