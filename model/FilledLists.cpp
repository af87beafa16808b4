#include "model/FilledLists.h"

#include <span>

#include "model/KeptRecords.h"
#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/PointList.h"
#include "model/cAnyFill.h"
#include "render/DrawInfo.h"

namespace kvn {

namespace {

// A list of straight edges (no curve kind): its piece is mapped vertex by
// vertex, without the cubic records its outline would first be made of.
bool StraightEdged(const PointList& list) { return list.GetCurveKind() == 0; }

}  // namespace

void DrawFilledLists(cDrawInfo* info, cAnyFill& object, const PointList* const* lists, std::size_t count) {
  if (!info || count == 0) return;
  // One list (the usual case) is converted once for both passes.
  KeptRecords kept;
  CubicArray& records = kept.Get();
  const bool single = count == 1;
  if (single && !StraightEdged(*lists[0])) lists[0]->ToBeziers(records);
  auto append = [&](const PointList& list) {
    if (StraightEdged(list)) {
      const std::span<const DPoint> points = list.Points();
      AppendPolylinePiece(info->mapping, points.data(), std::uint32_t(points.size()), list.IsClosed());
      return;
    }
    if (!single) {
      records.Clear();
      list.ToBeziers(records);
    }
    AppendOutlinePiece(info->mapping, records, list.IsClosed());
  };
  bool anyClosed = false, allClosed = true;
  PathBuffer::Empty();
  for (std::size_t i = 0; i < count; ++i) {
    if (!lists[i]->IsClosed()) {
      allClosed = false;
      continue;
    }
    append(*lists[i]);
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
  for (std::size_t i = 0; i < count; ++i) append(*lists[i]);
  info->StrokePath(object);
}

}  // namespace kvn
