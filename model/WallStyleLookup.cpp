// Old walls kept their look in the wall itself; the wall-style table takes it
// over, one style per distinct look, so that walls alike share a style.
#include <memory>

#include "foundation/TextFormat.h"
#include "model/cAnyFill.h"
#include "model/cDrawingData.h"
#include "model/cStyleFill.h"
#include "model/cStyleLine.h"
#include "model/cStyleWall.h"

namespace kvn {

std::uint16_t cDrawingData::FindOrAddWallStyle(const cAnyFill& object, double thickness) {
  cStyleLine line;
  line.SetFromObject(object, object.stroke, this);
  line.MakeName();
  cStyleFill fill;
  fill.SetFromObject(object, object.fill, this);
  fill.MakeName();

  WString key = FormatDouble(thickness, 12);
  key.AppendChar(u' ');
  key.Append(line.name);
  key.AppendChar(u' ');
  key.Append(fill.name);

  WallStyleTable& table = WallStyles();
  for (std::uint32_t i = 0; i < table.Count(); ++i) {
    if (table.Get(i)->name.Equals(key)) return std::uint16_t(i);
  }

  auto style = std::make_unique<cStyleWall>();
  style->name = key;
  DrawAttributes& a = style->attributes;
  a.lineStyle = kNoStyle;
  a.color = GetLineColor(object, object.stroke, this);
  a.gapColor = GetGapColor(object, object.stroke, this);
  a.lineType = GetLineType(object, object.stroke, this);
  a.width = GetLineWidth(object, object.stroke, this);
  a.patternScale = GetPatternScale(object, object.stroke, this);
  a.penOption = GetPenOption(object, object.stroke, this);
  style->TakeFillAttributes(object, object.fill, this);
  style->thickness = thickness;
  return table.Add(std::move(style));
}

}  // namespace kvn
