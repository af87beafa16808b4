// Drawing dimensions and block inserts: the parts they are made of, through
// the same roads as the objects they resemble.
#include "model/cDistance.h"
#include "model/cInsert.h"
#include "model/cText.h"
#include "render/DrawInfo.h"
#include "render/SheetPainter.h"

namespace kvn {

void cDistance::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  UpdateIfDirty(info->data);
  // The line is stroked even without a target: the scroll test reads whether
  // a dashed stroke was cut.
  if (!DrawPatternObjects(info)) info->DrawSegmentShape(first, second, *this);
  // The base line of a patterned dimension is a copy of it among the
  // pattern pieces; the label is drawn once, by the dimension itself.
  if (stroke.patternPieceMark == 1) return;
  if (cText* label = Text()) label->Draw(info);
}

void cDistance::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  UpdateIfDirty(info->data);
  info->RasterizeSegment(value, first, second);
  if (cText* label = Text()) label->DrawOutline(value, info, false);
}

// Drawn alone, the children go again unless the sheet painter keeps them
// for its repaints, or something up the road still draws from them. They
// are held while drawn: a view among them reports the inserts it draws to
// the kept expansions, which may hold this one.
void cInsert::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  {
    const KeptExpansions::Hold hold(*this);
    UpdateIfDirty(info->data);
    DrawObjectList(GetChildren(), *info, info, 0);
  }
  if (!IsKept() && !IsHeld()) DropChildren();
}

void cInsert::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  {
    const KeptExpansions::Hold hold(*this);
    UpdateIfDirty(info->data);
    DrawObjectList(GetChildren(), *info, nullptr, value);
  }
  if (!IsKept() && !IsHeld()) DropChildren();
}

}  // namespace kvn
