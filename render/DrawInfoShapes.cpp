// The operations drawing objects call on their drawing context: shapes into
// the path buffer, and the path buffer stroked or filled on the output.
//
// Stage of this file: path -> device. Strokes go through the stroke stage
// (render/Strokes.h) and the outline pass through the styled primitive
// output; fills go through the fill stage (render/FillPattern.h): the solid
// layer, then the hatch layer.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "model/cAnyFill.h"
#include "model/cAnyLine.h"
#include "model/cOutObj.h"
#include "platform/gdi/DeviceContext.h"
#include "render/DrawInfo.h"
#include "render/EllipsePath.h"
#include "render/FillPattern.h"
#include "render/GdiOutput.h"
#include "model/PathBuffer.h"
#include "render/Strokes.h"
#include "render/StyledPrimitive.h"

namespace kvn {

namespace {

// The straight record (a, a, b, b), each end mapped once, both in one run
// (x and y of a point mapped side by side), straight into the piece (a
// record put together aside and copied in was read back wider than it was
// written, which the processor makes wait).
void AppendSegmentPiece(const WorldMapping& m, const DPoint& a, const DPoint& b) {
  SegmentArray* piece = PathBuffer::NewPiece();
  piece->segments.SetCount(1);
  std::int32_t* v = piece->segments.Items()[0].v;
  std::int32_t e[4];
  m.ToSubpixel(a, e);
  m.ToSubpixel(b, e + 2);
  v[0] = v[2] = e[0];
  v[1] = v[3] = e[1];
  v[4] = v[6] = e[2];
  v[5] = v[7] = e[3];
}

}  // namespace

void cDrawInfo::AddEllipsePath(const DRect& box) { kvn::AddEllipsePath(mapping, box.x1, box.y1, box.x2, box.y2); }

void cDrawInfo::DrawEllipseShape(const DPoint& a, const DPoint& b, cOutObj& object) {
  PathBuffer::Empty();
  AddEllipsePath(DRect{a.x, a.y, b.x, b.y});
  FillPath(object);
  StrokePath(object);
}

void cDrawInfo::DrawSegmentShape(const DPoint& a, const DPoint& b, cOutObj& object) {
  PathBuffer::Empty();
  AppendSegmentPiece(mapping, a, b);
  StrokePath(object);
}

void cDrawInfo::FillPath(cOutObj& object) {
  const SegmentArray* first = PathBuffer::Piece(0);
  if (!first || !first->closed) return;
  const cAnyFill* fill = object.AsAnyFill();
  if (!fill) return;
  const std::uint32_t color = fill->GetFillColor(data);
  if ((color & 0x80000000u) == 0) FillPathSolid(*this, MapFillColor(color), fill->GetFillAlpha(data));
  FillPatternArea(*this, object);
}

void cDrawInfo::StrokePath(cOutObj& object) {
  if (const cAnyLine* line = object.AsAnyLine()) StrokePathObject(*this, *line);
}

void cDrawInfo::RasterizePath(std::uint32_t value) {
  if (PathBuffer::PieceCount() == 0) return;
  // The outline pass draws with whatever the device has selected; value 0
  // asks only whether anything shows.
  StyledPrimitive args;
  args.dc = value ? Dc() : nullptr;
  args.pieces = PathBuffer::Pieces();
  args.pieceCount = PathBuffer::PieceCount();
  args.clip = mapping.deviceClip;
  args.symbolScale = mapping.scale;
  DrawStyledPrimitive(args);
}

void cDrawInfo::RasterizeSegment(std::uint32_t value, const DPoint& a, const DPoint& b) {
  PathBuffer::Empty();
  AppendSegmentPiece(mapping, a, b);
  RasterizePath(value);
}

}  // namespace kvn
