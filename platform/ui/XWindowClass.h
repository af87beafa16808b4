// The X window class of one top-level window (WM_CLASS), for windows whose
// class differs from the program's (SetProgramClass covers the others).
#pragma once

#include <string>

class wxWindow;

namespace kvn {

// Sets WM_CLASS of the toolkit window: `instance` and `windowClass`. The
// window must be shown (realised). False when the window system is not X
// or the window has no X window yet.
bool SetXWindowClass(wxWindow* topLevel, const std::string& instance, const std::string& windowClass);

}  // namespace kvn
