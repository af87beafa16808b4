#include "render/LinePattern.h"

#include "model/cAnyLine.h"
#include "model/cStyleLine.h"
#include "render/BuiltinLineTypes.h"

namespace kvn {

std::uint32_t GetPatternSegments(const cStyleLine& style, GrowArray<double>& out) {
  out.Clear();
  for (const LineDashElement& e : style.dashElements) out.Append(e.position);
  return out.Count();
}

bool GetLinePattern(const cAnyLine& object, const cDrawingData* data, LinePattern& out,
                    GrowArray<double>& styleEntries) {
  out = LinePattern{};
  double scale = object.GetPatternScale(data);
  if (!(scale > 0)) scale = 1.0;  // NaN included
  const cStyleLine* style = object.GetLineStyle(data);
  if (style && style->HasDashElements()) {
    out.count = GetPatternSegments(*style, styleEntries);
    out.entries = styleEntries.Items();
    out.scale = scale;
    out.fromStyle = 1;
    return out.count != 0;
  }
  const std::uint8_t lineType = object.GetLineType(data);
  if (lineType >= kBuiltinDashTypes) return false;
  const BuiltinLineTypeRow& row = BuiltinLineType(lineType);
  out.entries = row.entries;
  out.count = row.count;
  out.scale = scale * kBuiltinPatternUnit;
  return out.count != 0;
}

}  // namespace kvn
