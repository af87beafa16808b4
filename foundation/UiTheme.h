// The visual-styles library binding and the halftone palette, as this
// platform has them: not at all. Themes come from GTK through the toolkit,
// and every device here is true-colour, so both answer their "not
// available" path and callers fall back to their plain drawing.
#pragma once

#include "foundation/MsgBox.h"

namespace kvn {

class TDC;  // the window layer's device context

// The run-time binding of UXTHEME.DLL (OpenThemeData, DrawThemeBackground,
// CloseThemeData, DrawThemeEdge, DrawThemeIcon, DrawThemeText,
// GetThemeBackgroundContentRect). Bind finds no library, so the object
// never becomes bound or usable and the drawing calls do nothing.
class UxThemeDll {
 public:
  UxThemeDll() = default;
  ~UxThemeDll() { Release(); }
  UxThemeDll(const UxThemeDll&) = delete;
  UxThemeDll& operator=(const UxThemeDll&) = delete;

  // Sets the load-attempted flag; the library is not there.
  void Bind();
  // Binds, then opens the "Button" theme for the window: none.
  void Open(void* window);
  // After a theme change: releases and opens again.
  void Reopen(void* window);
  void OpenForWindow(void* window);
  void Release();

  // Without a theme handle nothing is drawn.
  void DrawBackground(TDC* dc, int part, int state, const ScreenRect& rect, const ScreenRect* clip);
  // Without a theme handle: 0.
  int DrawEdge(TDC* dc, int part, int state, const ScreenRect& rect, unsigned edge, unsigned flags,
               ScreenRect* content);

  bool LoadAttempted() const { return loadAttempted_; }
  bool IsUsable() const { return usable_; }
  bool IsBound() const { return bound_; }

 private:
  bool loadAttempted_ = false;
  bool usable_ = false;
  bool bound_ = false;
  void* theme_ = nullptr;
  void* window_ = nullptr;
};

// Selects the halftone palette on a palette device. Every device of this
// port is true-colour (no NUMCOLORS, no RC_PALETTE), which answers 0.
int RealizeHalftonePalette(TDC* dc, bool check);

}  // namespace kvn
