// The main frame's one tool bar: the command buttons in their order, with
// the page, zoom and level boxes among them. Built when the frame is set up
// and again when the interface language changes.
#pragma once

#include <cstdint>

#include "platform/ui/Messages.h"

namespace kvn {

class TDockableControlBar;
class TFrameWindow;
class TGadgetWindow;

// Puts the gadgets into a new gadget window of the bar (the one it held
// goes, with its boxes); returns that window.
TGadgetWindow& BuildMainToolBar(TDockableControlBar& bar, TFrameWindow& frame);

// What a tool bar built again (after a language switch) takes over from the
// one it replaces: the window that held the keyboard, or the box that held
// it (the old boxes go), and the level row the level box showed.
struct MainToolBarState {
  enum class Box : std::uint8_t { None, Pages, Zoom, Levels };
  THandle focus = nullptr;
  Box focusBox = Box::None;
  bool focusInBar = false;  // in the old bar, though in none of its boxes
  bool hasLevel = false;
  std::intptr_t level = 0;  // the row's item data: the level's index
};
MainToolBarState SaveMainToolBarState(TDockableControlBar& bar);
// The level row again, and the keyboard where it was: in the same box of
// the new bar, else in the window that held it, when focus moved.
void RestoreMainToolBarState(TDockableControlBar& bar, TFrameWindow& frame, const MainToolBarState& state);

}  // namespace kvn
