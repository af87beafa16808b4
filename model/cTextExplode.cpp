// The text explosion: several lines into one text per line, one line into
// the SHX strokes as lines and polygons or the TrueType glyphs as filled
// polygons, and the bars alone.
#include <algorithm>
#include <cmath>
#include <memory>

#include "model/Geometry.h"
#include "model/TrueTypeFace.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


// One SHX stroke: a single straight record as a line, else a polygon.
cAnyLine* StrokeObject(const CubicArray& polyline) {
  const Cubic& first = polyline.Items()[0];
  if (polyline.Count() == 1 && first.p[0] == first.p[1] && first.p[2] == first.p[3]) {
    auto* line = new cLine();
    line->start = first.p[0];
    line->end = first.p[3];
    return line;
  }
  auto* polygon = new cPolygon();
  if (polygon->ListCount() == 0) polygon->AddList();
  PointList& list = polygon->FirstList();
  const Cubic& last = polyline.Items()[polyline.Count() - 1];
  const bool closed = std::fabs(first.p[0].x - last.p[3].x) < 1e-5 && std::fabs(first.p[0].y - last.p[3].y) < 1e-5;
  list.SetFromCubics(polyline, closed);
  list.StraightenCurves();
  return polygon;
}

}  // namespace

ObjectChain cText::Explode(cDrawingData* data) { return ExplodeOutlines(data, false, false); }

ObjectChain cText::ExplodeBars(cDrawingData* data) {
  if (!IsUnderline(data) && !IsStrikeOut(data)) return {};
  return ExplodeOutlines(data, true, false);
}

ObjectChain cText::ExplodeOutlines(cDrawingData* data, bool barsOnly, bool noBackground) {
  UpdateIfDirty(data);
  if (displayText.Length() == 0 || !HasFiniteGeometry()) return {};
  if (lineStarts.Count() >= 2) return SplitLines(data, false, noBackground);
  const std::uint16_t index = GetFontIndex(data);
  if (!data || index == 65535 || index >= data->FontStyles().Count()) return {};
  cStyleFont* font = data->FontStyles().Get(index);
  if (!font) return {};
  ObjectChain out;
  if (font->shx && font->Shx()) {
    const std::uint32_t color = GetColor(data);
    const double width = font->shx->penWidth * GetHeight(data) * 0.01;
    const std::uint8_t penOption = font->shx->penFlag == 0 ? 1 : 0;
    if (!outlineCache) return {};
    const auto& bars = outlineCache->underlines;
    for (std::size_t i = 0; i < outlineCache->polylines.size(); ++i) {
      if (barsOnly && std::find(bars.begin(), bars.end(), std::uint32_t(i)) == bars.end()) continue;
      const CubicArray& polyline = outlineCache->polylines[i];
      if (polyline.Count() == 0) continue;
      cAnyLine* object = StrokeObject(polyline);
      object->SetLevel(Level());
      object->CopyVisibilityFlags(*this);
      object->CopyExtraFlags(*this);
      object->CopyPages(*this);
      object->MarkDirty();
      object->stroke.color = color;
      object->stroke.width = width;
      object->stroke.penOption = penOption;
      out.Append(object);
    }
    return out;
  }
  TrueTypeFaceSet* set = font->FaceSet();
  if (!set) return {};
  static constexpr std::uint32_t kColumnAlign[3] = {0, 6, 2};
  const DPoint o = GetAnchorOffset(data, true);
  TrueTypeLine line;
  line.out = &out;
  line.origin = DPoint{point.x - o.x, point.y - o.y};
  line.angle = angle;
  line.height = GetHeight(data);
  line.text = displayText;
  line.color = GetColor(data);
  line.level = Level();
  line.templ = this;
  line.alignment = kColumnAlign[(alignment & kAlignCodeMask) % 3];
  line.underline = IsUnderline(data);
  line.strikeOut = IsStrikeOut(data);
  line.faceIndex = std::uint8_t((IsBold(data) ? 1 : 0) + (IsItalic(data) ? 2 : 0));
  line.barColor = line.color;
  line.widthFactor = GetWidthFactor(data);
  line.barsOnly = barsOnly;
  line.mirrorX = IsMirroredX(data);
  line.mirrorY = IsMirroredY(data);
  set->DrawText(line);
  return out;
}

ObjectChain cText::SplitLines(cDrawingData* data, bool keepEmptyLines, bool noBackground) {
  UpdateIfDirty(data);
  const int n = int(lineStarts.Count());
  if (displayText.Length() == 0 || n < 2) return {};
  const DPoint anchor = GetAnchorOffset(data, true);
  const DPoint O{point.x - anchor.x, point.y - anchor.y};
  ObjectChain out;
  if (!noBackground && HasTextStyle(data)) {
    const cStyleText* style = GetTextStyle(*this, attr, data);
    if (style && !(style->attributes.secondColor & 0x80000000u)) {
      auto frame = std::make_unique<cPolygon>();
      MakeTextFramePolygon(data, *this, *frame, style->attributes.secondColor & 0x00FFFFFFu,
                           style->attributes.optionalByte);
      out.Append(frame.release());
    }
  }
  const double L = GetLineHeight(data);
  const double P = GetLineGap(data) + L;
  double d = GetLineSpacing() * P;
  if (IsMirroredY(data)) d = -d;
  const int code = alignment & kAlignCodeMask;
  const int row = code / 3, column = code % 3;
  for (int i = 0; i < n; ++i) {
    int length = 0;
    const int start = GetLineRange(length, i);
    if (length == 0 && !keepEmptyLines) continue;
    auto line = std::make_unique<cText>();
    line->Assign(*this);
    line->point = O;
    line->alignment = std::uint8_t((alignment & ~kAlignCodeMask) | column);
    line->SetText(displayText.Mid(start, length));
    line->FreezeFields();
    line->wrapWidth = 0;
    line->point.y += i * d;
    RotatePoint(line->point, O, -angle);
    line->MarkDirty();
    if (row > 0) {
      (void)line->GetLineCount(data);  // laid out: a screen font's metrics are measured
      const double e = line->GetLineHeight(data) - line->GetDescent(data);
      const double v = IsMirroredY(data) ? e : -e;
      line->point.x -= std::sin(line->angle * kRadPerDeg) * v;
      line->point.y -= std::cos(line->angle * kRadPerDeg) * v;
      line->alignment = std::uint8_t((line->alignment & ~kAlignCodeMask) | (column + 9));
      line->MarkDirty();
    }
    out.Append(line.release());
  }
  return out;
}

}  // namespace kvn
