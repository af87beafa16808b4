// Drawing a text: TrueType lines through the face set, SHX strokes through
// the drawing the text subsystem installs.
#include <cmath>

#include "model/FontList.h"
#include "model/Geometry.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"

namespace kvn {

namespace {
ShxTextDrawer shxDrawer = nullptr;
}  // namespace

void SetShxTextDrawer(ShxTextDrawer drawer) { shxDrawer = drawer; }

DPoint cText::GetLineOrigin(cDrawingData* data, int index) {
  UpdateIfDirty(data);
  const double L = GetLineHeight(data);
  const int n = int(lineStarts.Count());
  const double s = lineSpacing > 0 ? lineSpacing : 1.0;
  const double pitch = (GetLineGap(data) + L) * s;
  const double H = n >= 2 ? (n - 1) * pitch + L : L;
  const int c = alignment & kAlignCodeMask;
  double v = (c >= 9 ? GetDescent(data) - L : -H * 0.5 * (c / 3)) + index * pitch;
  if (IsMirroredY(data)) v = -v;
  DPoint origin{point.x, point.y + v};
  RotatePoint(origin, point, -angle);
  return origin;
}

void cText::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  cDrawingData* data = info->data;
  UpdateIfDirty(data);
  if (!HasFiniteGeometry() || !(GetHeight(data) > 0)) return;
  const std::uint16_t index = GetFontIndex(data);
  cStyleFont* font = data && index != 65535 && index < data->FontStyles().Count() ? data->FontStyles().Get(index) : nullptr;
  if (!font) {
    // No font-table entry: a copy drawn with a temporary table holding the
    // face by name, its glyphs loaded.
    cDrawingData temporary;
    cText copy;
    copy.Assign(*this);
    // The copy is laid out again under the temporary table, which belongs to
    // no drawing: it takes the text as shown, fields already expanded.
    copy.SetText(displayText);
    copy.DetachFromStyle(data);
    copy.faceName = GetFaceName(data);
    copy.SetFontIndex(kNoStyle);
    RegisterTextFont(temporary, copy);
    if (copy.attr.fontIndex == kNoStyle) return;
    // The screen font measures the height as the em; the face set draws it
    // as the cap height.
    const int style = (IsBold(data) ? 1 : 0) + (IsItalic(data) ? 2 : 0);
    const double ratio = GetFaceHeightRatio(nullptr, copy.faceName, style);
    if (ratio > 0 && std::isfinite(ratio)) copy.attr.height = GetHeight(data) * ratio;
    temporary.LoadGlyphsForText(copy);
    cDrawingData* saved = info->data;
    info->data = &temporary;
    copy.Draw(info);
    info->data = saved;
    return;
  }
  if (font->Shx()) {
    if (shxDrawer) shxDrawer(*this, *info);
    return;
  }
  TrueTypeFaceSet* set = font->FaceSet();
  if (!set) return;
  static constexpr std::uint32_t kColumnAlign[3] = {0, 6, 2};
  TrueTypeLine line;
  line.info = info;
  line.angle = angle;
  line.height = GetHeight(data);
  line.color = GetColor(data);
  if (line.color & 0x80000000u) line.color = 0;
  line.level = Level();
  line.templ = this;
  line.alignment = kColumnAlign[(alignment & kAlignCodeMask) % 3];
  line.underline = IsUnderline(data);
  line.strikeOut = IsStrikeOut(data);
  line.faceIndex = std::uint8_t((IsBold(data) ? 1 : 0) + (IsItalic(data) ? 2 : 0));
  line.barColor = line.color;
  line.widthFactor = GetWidthFactor(data);
  line.mirrorX = IsMirroredX(data);
  line.mirrorY = IsMirroredY(data);
  const int n = int(lineStarts.Count());
  for (int i = 0; i < n; ++i) {
    int length = 0;
    const int start = GetLineRange(length, i);
    line.text = n == 1 ? displayText : displayText.Mid(start, length);
    line.origin = GetLineOrigin(data, i);
    set->DrawText(line);
  }
}

}  // namespace kvn
