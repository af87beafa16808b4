#include "foundation/UiTheme.h"

namespace kvn {

namespace {
ThemeServices* g_services = nullptr;
}  // namespace

ThemeServices* SetThemeServices(ThemeServices* services) {
  ThemeServices* old = g_services;
  g_services = services;
  return old;
}

ThemeServices* GetThemeServices() { return g_services; }

void UxThemeDll::Bind() {
  loadAttempted_ = true;
  module_ = g_services;
  bound_ = module_ != nullptr;
}

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
  // A second open replaces the first handle instead of leaking it.
  if (theme_ != nullptr) module_->CloseTheme(theme_);
  window_ = window;
  theme_ = module_->OpenTheme(window, "Button");
  usable_ = theme_ != nullptr;
}

void UxThemeDll::Release() {
  if (theme_ != nullptr && module_ != nullptr) module_->CloseTheme(theme_);
  loadAttempted_ = false;
  usable_ = false;
  bound_ = false;
  module_ = nullptr;
  theme_ = nullptr;
  window_ = nullptr;
}

void UxThemeDll::DrawBackground(TDC* dc, int part, int state, const ScreenRect& rect, const ScreenRect* clip) {
  if (theme_ == nullptr) return;
  const ScreenRect grown{rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1};
  module_->DrawBackground(theme_, dc, part, state, grown, clip);
}

int UxThemeDll::DrawEdge(TDC* dc, int part, int state, const ScreenRect& rect, unsigned edge, unsigned flags,
                         ScreenRect* content) {
  if (theme_ == nullptr) return 0;
  return module_->DrawEdge(theme_, dc, part, state, rect, edge, flags, content);
}

int RealizeHalftonePalette(TDC* dc, bool check) {
  ThemeServices* services = g_services;
  const int numColors = services && dc ? services->GetDeviceCaps(dc, kThemeCapNumColors) : 0;
  const int rasterCaps = services && dc ? services->GetDeviceCaps(dc, kThemeCapRasterCaps) : 0;
  if (numColors < 1 || (rasterCaps & kThemeRcPalette) == 0) return numColors == 16 ? 2 : 0;
  // One palette for the program's life, made on first need.
  static void* const halftone = services->CreateHalftonePalette();
  if (halftone == nullptr) return 0;
  void* previous = services->SelectPalette(dc, halftone);
  const int realized = services->RealizePalette(dc);
  if (check && (realized == 0 || realized == kThemeGdiError)) {
    services->SelectPalette(dc, previous);
    return 0;
  }
  return 1;
}

}  // namespace kvn
