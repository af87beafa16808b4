// The visual-styles binding and the halftone palette. Foundation draws
// nothing itself: the window layer installs a ThemeServices at start-up (the
// toolkit's native renderer over our device contexts), and the binding
// counts as loaded exactly when one is installed.
#pragma once

#include "foundation/MsgBox.h"

namespace kvn {

class TDC;  // the window layer's device context

// GetDeviceCaps indexes and RASTERCAPS bit the palette question reads.
inline constexpr int kThemeCapNumColors = 24;
inline constexpr int kThemeCapRasterCaps = 38;
inline constexpr int kThemeRcPalette = 0x0100;
inline constexpr int kThemeGdiError = -1;

// Button-class parts and their states, as the themed drawing names them.
inline constexpr int kBpPushButton = 1;
inline constexpr int kBpRadioButton = 2;
inline constexpr int kBpCheckBox = 3;
inline constexpr int kBpGroupBox = 4;
inline constexpr int kPbsNormal = 1;
inline constexpr int kPbsHot = 2;
inline constexpr int kPbsPressed = 3;
inline constexpr int kPbsDisabled = 4;
inline constexpr int kPbsDefaulted = 5;

// What the themed drawing and the palette question are served by.
class ThemeServices {
 public:
  virtual ~ThemeServices() = default;
  // A handle of the theme of the class list for the window, null for none.
  virtual void* OpenTheme(void* window, const char* classList) = 0;
  virtual void CloseTheme(void* theme) = 0;
  virtual void DrawBackground(void* theme, TDC* dc, int part, int state, const ScreenRect& rect,
                              const ScreenRect* clip) = 0;
  // Nonzero when drawn; `content` (may be null) gets the rectangle inside.
  virtual int DrawEdge(void* theme, TDC* dc, int part, int state, const ScreenRect& rect, unsigned edge,
                       unsigned flags, ScreenRect* content) = 0;

  virtual int GetDeviceCaps(TDC* dc, int index) = 0;
  // A halftone palette object, null when none can be made.
  virtual void* CreateHalftonePalette() = 0;
  // The previously selected palette.
  virtual void* SelectPalette(TDC* dc, void* palette) = 0;
  // The number of entries mapped, or kThemeGdiError.
  virtual int RealizePalette(TDC* dc) = 0;
};

// The previous services; null uninstalls.
ThemeServices* SetThemeServices(ThemeServices* services);
ThemeServices* GetThemeServices();

// The run-time binding of the theme library (OpenThemeData,
// DrawThemeBackground, CloseThemeData, DrawThemeEdge, DrawThemeIcon,
// DrawThemeText, GetThemeBackgroundContentRect): bound while services are
// installed, usable while a theme handle is open.
class UxThemeDll {
 public:
  UxThemeDll() = default;
  ~UxThemeDll() { Release(); }
  UxThemeDll(const UxThemeDll&) = delete;
  UxThemeDll& operator=(const UxThemeDll&) = delete;

  // Sets the load-attempted flag and binds to the installed services.
  void Bind();
  // Binds, then opens the "Button" theme for the window.
  void Open(void* window);
  // After a theme change: closes and releases, then opens again.
  void Reopen(void* window);
  void OpenForWindow(void* window);
  void Release();

  // The part's background over the rectangle grown by one pixel on each
  // side; nothing without a theme handle.
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
  ThemeServices* module_ = nullptr;
  void* theme_ = nullptr;
  void* window_ = nullptr;
};

// On a palette device (NUMCOLORS at least 1 and RC_PALETTE) selects the one
// shared halftone palette and realises it: 1, or with `check` 0 when the
// realisation fails (the previous palette is selected again). Elsewhere 2
// for a 16-colour device and 0 otherwise.
int RealizeHalftonePalette(TDC* dc, bool check);

}  // namespace kvn
