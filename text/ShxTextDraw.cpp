// SHX texts: the outline cache of the layout (every line placed as a
// one-line copy at the line's origin) and the drawing of its strokes with
// the font's pen width in the text's colour.
#include <cmath>
#include <memory>

#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {

std::unique_ptr<ShxOutlineCache> BuildShxTextCache(cText& text, cDrawingData* data, DRect& bounds) {
  bounds = DRect{};
  const int n = int(text.lineStarts.Count());
  int length = 0;
  if (n <= 1) {
    const int start = text.GetLineRange(length, 0);
    return BuildShxTextOutline(bounds, text, text.displayText.Mid(start, length), data);
  }
  auto all = std::make_unique<ShxOutlineCache>();
  bool first = true;
  for (int i = 0; i < n; ++i) {
    const int start = text.GetLineRange(length, i);
    if (length == 0) continue;
    cText copy;
    copy.Assign(text);
    copy.SetText(text.displayText.Mid(start, length));
    copy.wrapWidth = 0;
    copy.alignment = std::uint8_t((text.alignment & kAlignCodeMask) % 3);
    copy.point = text.GetLineOrigin(data, i);
    copy.MarkDirty();
    (void)copy.GetLineCount(data);  // its layout builds its strokes
    if (!copy.outlineCache) return nullptr;
    const std::uint32_t base = std::uint32_t(all->polylines.size());
    for (CubicArray& polyline : copy.outlineCache->polylines) all->polylines.push_back(std::move(polyline));
    for (std::uint32_t bar : copy.outlineCache->underlines) all->underlines.push_back(base + bar);
    DRect f;
    copy.AddFullExtent(data, f);
    f.Inflate(-copy.halfPenWidth, -copy.halfPenWidth);
    bounds.Union(f, first);
  }
  return all;
}

void DrawShxText(cText& text, cDrawInfo& info) {
  cDrawingData* data = info.data;
  text.GetLineCount(data);
  if (!text.outlineCache) return;
  cLine pen;
  pen.SetLevel(text.Level());
  const std::uint32_t color = text.GetColor(data);
  pen.stroke.color = color & 0x80000000u ? 0 : color & 0x00FFFFFFu;
  pen.stroke.width = 2 * text.halfPenWidth;
  pen.stroke.lineType = 1;
  info.StrokeShxOutline(*text.outlineCache, pen);
}

}  // namespace kvn
