#include "render/LineTypes.h"

#include "model/cStyleLine.h"
#include "render/BuiltinLineTypes.h"
#include "render/LinePattern.h"

namespace kvn {

StyleDashes GetStyleDashes(const cStyleLine& style, GrowArray<double>& scratch) {
  StyleDashes out;
  if (style.HasDashElements() && GetPatternSegments(style, scratch) != 0) {
    out.entries = scratch.Items();
    out.count = scratch.Count();
    out.builtin = false;
    return out;
  }
  const BuiltinLineTypeRow& row = BuiltinLineType(style.lineType);
  out.entries = row.entries;
  out.count = row.count;
  return out;
}

}  // namespace kvn
