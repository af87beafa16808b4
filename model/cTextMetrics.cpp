// The line metrics of a text from its font source, and the anchor offset
// that the SHX line placement, the explosion and the renderer share.
#include <cmath>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/fonts/FontTypes.h"

namespace kvn {

namespace {

// Ascent, descent and gap in units of the em of the font source.
struct LineUnits {
  double ascentPlusDescent = 0.0;
  double descent = 0.0;
  double gap = 0.0;
  double em = 0.0;
};

LineUnits UnitsOf(const cText& text, cDrawingData* data) {
  LineUnits u;
  const std::uint16_t index = text.GetFontIndex(data);
  cStyleFont* font = data && index != 65535 && index < data->FontStyles().Count() ? data->FontStyles().Get(index) : nullptr;
  if (!font) {
    u.em = text.measuredEm;
    u.descent = text.measuredMetrics[0];
    u.gap = text.measuredMetrics[1];
    u.ascentPlusDescent = text.measuredMetrics[3];
    return u;
  }
  if (ShxFont* shx = font->Shx()) {
    ShxLineMetrics m;
    if (!GetShxLineMetrics(*shx, m)) return u;
    u.em = m.above;
    u.descent = m.below;
    u.ascentPlusDescent = m.above + m.below;
    u.gap = m.lineGapRatio * m.above;
    return u;
  }
  if (TrueTypeFaceSet* set = font->FaceSet()) {
    double cap = 0.0;
    const int style = (text.IsBold(data) ? 1 : 0) + (text.IsItalic(data) ? 2 : 0);
    const std::vector<std::uint8_t>* block = GetFaceSetMetrics(*set, &cap, style);
    if (!block || !(cap > 0.0)) return u;
    const TextMetric tm = OutlineMetricsView(*block).Text();
    u.em = cap;
    u.descent = tm.descent;
    u.gap = tm.externalLeading;
    u.ascentPlusDescent = double(tm.ascent) + tm.descent;
  }
  return u;
}

double Scaled(const cText& text, cDrawingData* data, double LineUnits::*field) {
  const LineUnits u = UnitsOf(text, data);
  if (u.em == 0.0 || std::isnan(u.em)) return 0.0;
  return text.GetHeight(data) * (u.*field) / u.em;
}

}  // namespace

double cText::GetLineHeight(cDrawingData* data) const { return Scaled(*this, data, &LineUnits::ascentPlusDescent); }
double cText::GetDescent(cDrawingData* data) const { return Scaled(*this, data, &LineUnits::descent); }
double cText::GetLineGap(cDrawingData* data) const { return Scaled(*this, data, &LineUnits::gap); }

DPoint cText::GetAnchorOffset(cDrawingData* data, bool noX) {
  UpdateIfDirty(data);
  const double L = GetLineHeight(data);
  const int n = int(lineStarts.Count());
  const double H = n >= 2 ? (n - 1) * (GetLineGap(data) + L) * GetLineSpacing() + L : L;
  const int c = alignment & kAlignCodeMask;
  DPoint offset{noX ? 0.0 : (c % 3) * blockWidth * 0.5, c >= 9 ? L - GetDescent(data) : (c / 3) * H * 0.5};
  if (IsMirroredY(data)) offset.y = -offset.y;
  RotatePoint(offset, DPoint{}, -angle);
  return offset;
}

}  // namespace kvn
