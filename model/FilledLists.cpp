#include "model/FilledLists.h"

#include "model/KeptRecords.h"
#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/PointList.h"
#include "model/cAnyFill.h"
#include "render/DrawInfo.h"

namespace kvn {

void DrawFilledLists(cDrawInfo* info, cAnyFill& object, const PointList* const* lists, std::size_t count) {
  if (!info || count == 0) return;
  // One list (the usual case) is converted once for both passes.
  KeptRecords kept;
  CubicArray& records = kept.Get();
  const bool single = count == 1;
  if (single) lists[0]->ToBeziers(records);
  bool anyClosed = false, allClosed = true;
  PathBuffer::Empty();
  for (std::size_t i = 0; i < count; ++i) {
    if (!lists[i]->IsClosed()) {
      allClosed = false;
      continue;
    }
    if (!single) {
      records.Clear();
      lists[i]->ToBeziers(records);
    }
    AppendOutlinePiece(info->mapping, records, true);
    anyClosed = true;
  }
  if (anyClosed) info->FillPath(object);
  if (object.GetLineType(info->data) == kLineTypeNone) return;
  // With every list closed the stroke's path is the one just filled, which
  // the fill leaves as it found it (its hatch layer draws into the second
  // piece list).
  if (allClosed) {
    info->StrokePath(object);
    return;
  }
  PathBuffer::Empty();
  for (std::size_t i = 0; i < count; ++i) {
    if (!single) {
      records.Clear();
      lists[i]->ToBeziers(records);
    }
    AppendOutlinePiece(info->mapping, records, lists[i]->IsClosed());
  }
  info->StrokePath(object);
}

}  // namespace kvn
