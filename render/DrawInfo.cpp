#include "render/DrawInfo.h"

#include "model/ColorMapping.h"
#include "platform/gdi/DeviceContext.h"

namespace kvn {

cOutInfo_::cOutInfo_(const WorldMapping* m, cDrawingData* d) : data(d) {
  if (m) mapping = *m;
}

cDrawInfo::cDrawInfo(const WorldMapping& m, cDrawingData* d, TDC* dc, cRasterSurface* surface)
    : cOutInfo_(nullptr, d), raster(surface), dc_(dc) {
  if (dc_) {
    savedMapMode = dc_->GetMapMode();
    savedPolyFillMode = dc_->GetPolyFillMode();
    savedRop2 = dc_->GetROP2();
    savedBkMode = dc_->GetBkMode();
    savedBkColor = dc_->GetBkColor();
    savedTextColor = dc_->GetTextColor();
    savedTextAlign = dc_->GetTextAlign();
    devicePen_ = dc_->GetCurrentPen();
    deviceBrush_ = dc_->GetCurrentBrush();
    deviceFont_ = dc_->GetCurrentFont();
    dc_->SetMapMode(kMmAnisotropic);
    dc_->SetPolyFillMode(kAlternate);
    dc_->SetROP2(kR2CopyPen);
    dc_->SetBkMode(kTransparent);
    dc_->SetBkColor(Rgb(255, 255, 255));
    dc_->SetTextColor(Rgb(0, 0, 0));
    dc_->SetTextAlign(kTaLeft | kTaTop | kTaNoUpdateCp);
  }
  mapping = m;
  UpdateWorldClip();
}

cDrawInfo::~cDrawInfo() {
  if (!dc_) return;
  RestoreDeviceFont();
  RestoreDevicePen();
  RestoreDeviceBrush();
  dc_->SetPolyFillMode(savedPolyFillMode);
  dc_->SetMapMode(savedMapMode);
  dc_->SetROP2(savedRop2);
  dc_->SetBkMode(savedBkMode);
  dc_->SetTextAlign(savedTextAlign);
  dc_->SetBkColor(savedBkColor);
  dc_->SetTextColor(savedTextColor);
}

void cDrawInfo::UpdateWorldClip() {
  // DeviceToWorld skips the division at scale 0 and works in doubles, so a
  // clip at the edge of the 32-bit range cannot overflow.
  const DPoint a = mapping.DeviceToWorld({mapping.deviceClip.left, mapping.deviceClip.top});
  const DPoint b = mapping.DeviceToWorld({mapping.deviceClip.right, mapping.deviceClip.bottom});
  worldClip = DRect{a.x, a.y, b.x, b.y};
}

// ---- colours ----------------------------------------------------------------------------

namespace {

ColorMappingState MappingState(const cDrawInfo& info) {
  ColorMappingState state;
  state.overrideColor = info.overrideColor;
  switch (info.colorMode) {
    case kColorModeGrey:
      state.mode = ColorMode::Grey;
      break;
    case kColorModeLimited:
      state.mode = ColorMode::LightnessClamped;
      break;
    default:
      // Black and white output paints in the colours as drawn; the sheet
      // painter makes them black through the override colour.
      state.mode = ColorMode::Normal;
      break;
  }
  state.swapBlackWhite = info.darkBackground != 0;
  return state;
}

}  // namespace

std::uint32_t cDrawInfo::MapFillColor(std::uint32_t color) const {
  return kvn::MapFillColor(MappingState(*this), color);
}

std::uint32_t cDrawInfo::MapLineColor(std::uint32_t color) const {
  return kvn::MapLineColor(MappingState(*this), color);
}

// ---- handle caches ----------------------------------------------------------------------

void cDrawInfo::SelectPen(const TPen& pen) {
  if (!dc_ || !pen.IsValid() || pen == selectedPen_) return;
  dc_->SelectObject(pen);
  selectedPen_ = pen;
}

void cDrawInfo::SelectBrush(const TBrush& brush) {
  if (!dc_ || !brush.IsValid() || brush == selectedBrush_) return;
  dc_->SelectObject(brush);
  selectedBrush_ = brush;
}

void cDrawInfo::SelectFont(const TFont& font) {
  if (!dc_ || !font.IsValid() || font == selectedFont_) return;
  dc_->SelectObject(font);
  selectedFont_ = font;
}

// Unconditional: code outside the caches (a nested helper, the text output)
// may have selected into the device directly.
void cDrawInfo::RestoreDevicePen() {
  selectedPen_ = TPen();
  if (dc_) dc_->SelectObject(devicePen_);
}

void cDrawInfo::RestoreDeviceBrush() {
  selectedBrush_ = TBrush();
  if (dc_) dc_->SelectObject(deviceBrush_);
}

void cDrawInfo::RestoreDeviceFont() {
  selectedFont_ = TFont();
  if (dc_) dc_->SelectObject(deviceFont_);
}

}  // namespace kvn
