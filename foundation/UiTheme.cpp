#include "foundation/UiTheme.h"

namespace kvn {

void UxThemeDll::Bind() { loadAttempted_ = true; }

void UxThemeDll::Open(void* window) {
  Bind();
  OpenForWindow(window);
}

void UxThemeDll::Reopen(void* window) {
  if (theme_ != nullptr) Release();
  Open(window);
}

void UxThemeDll::OpenForWindow(void* window) {
  if (!bound_) return;
  window_ = window;
  usable_ = theme_ != nullptr;
}

void UxThemeDll::Release() {
  loadAttempted_ = false;
  usable_ = false;
  bound_ = false;
  theme_ = nullptr;
  window_ = nullptr;
}

void UxThemeDll::DrawBackground(TDC* /*dc*/, int /*part*/, int /*state*/, const ScreenRect& /*rect*/,
                                const ScreenRect* /*clip*/) {}

int UxThemeDll::DrawEdge(TDC* /*dc*/, int /*part*/, int /*state*/, const ScreenRect& /*rect*/, unsigned /*edge*/,
                         unsigned /*flags*/, ScreenRect* /*content*/) {
  return 0;
}

int RealizeHalftonePalette(TDC* /*dc*/, bool /*check*/) { return 0; }

}  // namespace kvn
