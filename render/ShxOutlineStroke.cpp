// The strokes of an SHX text onto the output. Texts a few pixels high are
// many short strokes of a one-pixel pen: onto the raster surface those lying
// inside the stroke clip go from their vertices straight to the surface's
// polylines, without the path buffer, the clip splitter and the polyline
// route, which would hand the surface the same points (for a chain of
// straight records each inner point twice, which sets no other pixel). The
// rest take the general road through StrokePath.
#include <cstdint>
#include <vector>

#include "foundation/GrowArray.h"
#include "model/OutlinePath.h"
#include "model/PathBuffer.h"
#include "model/ShxFont.h"
#include "model/cAnyLine.h"
#include "model/cOutObj.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/Strokes.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

// GUI thread only, like the path buffer; kept between texts.
GrowArray<std::int32_t> points(64);

// The vertices of a chained stroke in 1/256 pixel into `points`; false when
// one lies outside the clip.
bool MapVertices(const WorldMapping& m, const DPoint* vertices, std::uint32_t count, const ClipRect& clip) {
  points.SetCount(2 * count);
  std::int32_t* out = points.Items();
  m.ToSubpixelRun(vertices, count, out);
  bool inside = true;
  for (std::uint32_t i = 0; i < count; ++i) inside &= PointInsideClip(out + 2 * i, clip);
  return inside;
}

// A stroke of any records: mapped as AppendOutlinePiece maps them, then, when
// every point lies inside the clip, flattened into `points` as the polyline
// route flattens a part. False when a point lies outside.
bool MapRecords(const WorldMapping& m, const CubicArray& polyline, const ClipRect& clip) {
  PathBuffer::Empty();
  AppendOutlinePiece(m, polyline, false);
  const SegmentArray& piece = *PathBuffer::Piece(0);
  if (!PieceInsideClip(piece, clip)) {
    PathBuffer::Empty();
    return false;
  }
  points.Clear();
  for (const DeviceSegment& s : piece.segments) AppendPolylineSegment(points, s);
  PathBuffer::Empty();
  return true;
}

void AppendRun(const WorldMapping& m, const ShxOutlineCache& cache, std::size_t i) {
  const ShxOutlineCache::StrokeRun& run = cache.strokeRuns[i];
  if (run.count > 0) {
    AppendVertexPiece(m, cache.vertices.data() + run.first, run.count, run.closed);
  } else {
    AppendOutlinePiece(m, cache.polylines[i], run.closed);
  }
}

}  // namespace

void cDrawInfo::StrokeShxOutline(ShxOutlineCache& cache, cOutObj& pen) {
  MakeShxStrokeRuns(cache);
  const cAnyLine* line = pen.AsAnyLine();
  ThinRasterStroke thin;
  PathBuffer::Empty();
  if (!line || !PrepareThinRasterStroke(*this, *line, thin)) {
    // One path of open pieces, stroked once.
    for (std::size_t i = 0; i < cache.strokeRuns.size(); ++i)
      if (!cache.strokeRuns[i].empty) AppendRun(mapping, cache, i);
    StrokePath(pen);
    PathBuffer::Empty();
    return;
  }
  // The strokes reaching outside the clip, kept apart while the path buffer
  // serves MapRecords, then stroked together. Only the runs and vertices are
  // read for a chained stroke: its polyline's records lie elsewhere in memory.
  std::vector<std::uint32_t> outside;
  {
    // One bracket of direct writes for the text, not one per stroke.
    cRasterSurface::DirectWrite scope(*raster);
    for (std::size_t i = 0; i < cache.strokeRuns.size(); ++i) {
      const ShxOutlineCache::StrokeRun& run = cache.strokeRuns[i];
      if (run.empty) continue;
      const bool inside = run.count > 0 ? MapVertices(mapping, cache.vertices.data() + run.first, run.count, thin.clip)
                                        : MapRecords(mapping, cache.polylines[i], thin.clip);
      if (!inside) {
        outside.push_back(std::uint32_t(i));
        continue;
      }
      raster->DrawPolyline(points.Items(), points.Count() / 2, thin.width, thin.color, thin.penOption, run.closed);
    }
  }
  if (outside.empty()) return;
  for (std::uint32_t i : outside) AppendRun(mapping, cache, i);
  StrokePath(pen);
  PathBuffer::Empty();
}

}  // namespace kvn
