// SHX texts on a drawing context: each line placed as a one-line copy at the
// line's origin, its strokes stroked with the font's pen width in the text's
// colour.
#include <memory>

#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "text/ShxParsedFont.h"
#include "text/ShxTextLine.h"

namespace kvn {

void DrawShxText(cText& text, cDrawInfo& info) {
  cDrawingData* data = info.data;
  const int n = text.GetLineCount(data);
  cLine pen;
  pen.SetLevel(text.Level());
  pen.stroke.color = text.GetColor(data) & 0x00FFFFFFu;
  if (text.GetColor(data) & 0x80000000u) pen.stroke.color = 0;
  pen.stroke.width = 2 * text.halfPenWidth;
  pen.stroke.lineType = 1;
  for (int i = 0; i < n; ++i) {
    int length = 0;
    const int start = text.GetLineRange(length, i);
    const WString lineText = text.GetDisplayText(data).Mid(start, length);
    if (length == 0) continue;
    cText copy;
    copy.Assign(text);
    copy.SetText(lineText);
    copy.wrapWidth = 0;
    copy.alignment = std::uint8_t((text.alignment & kAlignCodeMask) % 3);
    copy.point = text.GetLineOrigin(data, i);
    copy.MarkDirty();
    (void)copy.GetLineCount(data);  // laid out: the placement reads its block width
    DRect bounds;
    std::unique_ptr<ShxOutlineCache> cache = BuildShxTextOutline(bounds, copy, lineText, data);
    if (!cache) return;
    for (const CubicArray& polyline : cache->polylines) {
      PathBuffer::Empty();
      AppendOutlinePiece(info.mapping, polyline, false);
      info.StrokePath(pen);
    }
  }
  PathBuffer::Empty();
}

}  // namespace kvn
