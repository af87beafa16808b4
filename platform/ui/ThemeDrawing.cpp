#include "platform/ui/ThemeDrawing.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/image.h>
#include <wx/renderer.h>
#include <wx/settings.h>

#include <cstdint>
#include <vector>

#include "foundation/UiTheme.h"
#include "platform/gdi/DeviceContext.h"

namespace kvn {

namespace {

// Sides and borders of an edge.
constexpr unsigned kBdrRaisedOuter = 0x1;
constexpr unsigned kBdrSunkenOuter = 0x2;
constexpr unsigned kBdrRaisedInner = 0x4;
constexpr unsigned kBdrSunkenInner = 0x8;
constexpr unsigned kBfLeft = 0x1;
constexpr unsigned kBfTop = 0x2;
constexpr unsigned kBfRight = 0x4;
constexpr unsigned kBfBottom = 0x8;
// A part's size the renderer is asked to draw at most (a theme part is a
// control, never a page).
constexpr int kMostSide = 4096;

COLORREF ToColorRef(const wxColour& c) { return Rgb(c.Red(), c.Green(), c.Blue()); }

// The renderer's flags for a button-class part's state: four states
// (normal, hot, pressed, disabled) per checked value, the push button's
// fifth the default one.
int RendererFlags(int part, int state) {
  if (part == kBpPushButton) {
    switch (state) {
      case kPbsHot: return wxCONTROL_CURRENT;
      case kPbsPressed: return wxCONTROL_PRESSED;
      case kPbsDisabled: return wxCONTROL_DISABLED;
      case kPbsDefaulted: return wxCONTROL_ISDEFAULT;
      default: return 0;
    }
  }
  if (part == kBpGroupBox) return state == 2 ? int(wxCONTROL_DISABLED) : 0;
  if (state < 1) return 0;
  const int group = (state - 1) / 4;  // unchecked, checked, mixed
  int flags = 0;
  switch ((state - 1) % 4) {
    case 1: flags = wxCONTROL_CURRENT; break;
    case 2: flags = wxCONTROL_PRESSED; break;
    case 3: flags = wxCONTROL_DISABLED; break;
    default: break;
  }
  if (group == 1) flags |= wxCONTROL_CHECKED;
  if (group == 2 && part == kBpCheckBox) flags |= wxCONTROL_UNDETERMINED;
  return flags;
}

// The part drawn by the renderer on the dialog face, as top-down BGRA rows.
std::vector<std::uint8_t> RenderPart(int part, int state, int width, int height) {
  wxBitmap bitmap(width, height, 24);
  {
    wxMemoryDC dc(bitmap);
    dc.SetBackground(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.Clear();
    const wxRect rect(0, 0, width, height);
    const int flags = RendererFlags(part, state);
    wxRendererNative& renderer = wxRendererNative::Get();
    wxWindow* const window = wxTheApp ? wxTheApp->GetTopWindow() : nullptr;
    switch (part) {
      case kBpPushButton: renderer.DrawPushButton(window, dc, rect, flags); break;
      case kBpCheckBox: renderer.DrawCheckBox(window, dc, rect, flags); break;
      case kBpRadioButton: renderer.DrawRadioBitmap(window, dc, rect, flags); break;
      case kBpGroupBox:
        // The toolkit has no group-box renderer: its frame line in the
        // theme's shadow colour.
        dc.SetPen(wxPen(wxSystemSettings::GetColour((flags & wxCONTROL_DISABLED) ? wxSYS_COLOUR_GRAYTEXT
                                                                                  : wxSYS_COLOUR_BTNSHADOW)));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(rect);
        break;
      default: break;
    }
  }
  const wxImage image = bitmap.ConvertToImage();
  std::vector<std::uint8_t> bgra(std::size_t(width) * std::size_t(height) * 4);
  const unsigned char* rgb = image.GetData();
  for (std::size_t i = 0, n = std::size_t(width) * std::size_t(height); i < n; ++i) {
    bgra[4 * i] = rgb[3 * i + 2];
    bgra[4 * i + 1] = rgb[3 * i + 1];
    bgra[4 * i + 2] = rgb[3 * i];
    bgra[4 * i + 3] = 0xFF;
  }
  return bgra;
}

class WxThemeServices : public ThemeServices {
 public:
  // The GTK theme serves every class as one; the handle only says "open".
  void* OpenTheme(void*, const char*) override { return &handle_; }
  void CloseTheme(void*) override {}

  void DrawBackground(void*, TDC* dc, int part, int state, const ScreenRect& rect, const ScreenRect* clip) override {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (dc == nullptr || width <= 0 || height <= 0 || width > kMostSide || height > kMostSide) return;
    const std::vector<std::uint8_t> pixels = RenderPart(part, state, width, height);
    const PixelView view{pixels.data(), width, height, width * 4};
    const int saved = clip ? dc->SaveDC() : 0;
    if (clip) dc->IntersectClipRect(clip->left, clip->top, clip->right, clip->bottom);
    dc->BitBlt(rect.left, rect.top, width, height, view, 0, 0, kSrcCopy);
    if (saved != 0) dc->RestoreDC(saved);
  }

  // The edge in the theme's colours, one pixel per border drawn, outer
  // border first; the content is what the drawn sides leave inside.
  int DrawEdge(void*, TDC* dc, int, int, const ScreenRect& rect, unsigned edge, unsigned flags,
               ScreenRect* content) override {
    if (dc == nullptr) return 0;
    const COLORREF light = ToColorRef(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNHIGHLIGHT));
    const COLORREF dark = ToColorRef(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW));
    TRect r{rect.left, rect.top, rect.right, rect.bottom};
    const unsigned borders[2][2] = {{kBdrRaisedOuter, kBdrSunkenOuter}, {kBdrRaisedInner, kBdrSunkenInner}};
    for (const auto& border : borders) {
      if ((edge & (border[0] | border[1])) == 0 || r.IsEmpty()) continue;
      const bool raised = (edge & border[0]) != 0;
      const COLORREF topLeft = raised ? light : dark;
      const COLORREF bottomRight = raised ? dark : light;
      if (flags & kBfTop) dc->FillSolidRect(TRect{r.left, r.top, r.right, r.top + 1}, topLeft);
      if (flags & kBfLeft) dc->FillSolidRect(TRect{r.left, r.top, r.left + 1, r.bottom}, topLeft);
      if (flags & kBfBottom) dc->FillSolidRect(TRect{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
      if (flags & kBfRight) dc->FillSolidRect(TRect{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
      if (flags & kBfLeft) ++r.left;
      if (flags & kBfTop) ++r.top;
      if (flags & kBfRight) --r.right;
      if (flags & kBfBottom) --r.bottom;
    }
    if (content) *content = ScreenRect{r.left, r.top, r.right, r.bottom};
    return 1;
  }

  int GetDeviceCaps(TDC* dc, int index) override { return dc ? dc->GetDeviceCaps(index) : 0; }
  // No device context of this port keeps a palette (every one is true
  // colour or a 1-bit picture), so there is none to make or select.
  void* CreateHalftonePalette() override { return nullptr; }
  void* SelectPalette(TDC*, void*) override { return nullptr; }
  int RealizePalette(TDC*) override { return kThemeGdiError; }

 private:
  int handle_ = 0;
};

WxThemeServices& Services() {
  static WxThemeServices services;
  return services;
}

}  // namespace

void InstallThemeDrawing() { SetThemeServices(&Services()); }

void UninstallThemeDrawing() {
  if (GetThemeServices() == &Services()) SetThemeServices(nullptr);
}

}  // namespace kvn
