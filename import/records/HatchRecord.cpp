#include "import/records/HatchRecord.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "import/records/HatchGeometry.h"
#include "import/records/ImportMatrix.h"
#include "import/records/SpoolStream.h"
#include "import/records/SplineBeziers.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/ArcPieces.h"
#include "model/ClosedListJoin.h"
#include "model/Geometry.h"
#include "model/ObjectTypes.h"
#include "model/cPolygon.h"
#include "model/cStyleFill.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


// One boundary loop under construction; curve kind 0 while it is straight.
struct HatchLoop {
  std::vector<Cubic> segments;
  // A polyline path without bulges: its points, kept as they are instead
  // of straight segments that would be turned back into the same points.
  std::vector<DPoint> corners;
  int curveKind = 0;
};

// The group-code walk: each look-up takes the first item of its code at or
// after the position and moves past it.
// A walk over one boundary path stops at its last item.
struct Walk {
  const YxxfGroupRecord& r;
  std::uint32_t at = 0;
  std::uint32_t last = kNoLimit;
  bool D(std::uint16_t code, double& out) { return r.FindDouble(out, code, &at, last); }
  bool I(std::uint16_t code, std::int32_t& out) { return r.FindInt(out, code, &at, last); }
  // The item directly at the position has the code (in the current sub-record).
  bool Next(std::uint16_t code) const {
    const YxxfItem* item = r.Item(at);
    return item && item->code == code && item->subRecord == r.SubRecord();
  }
};

void AppendBulge(HatchLoop& loop, const DPoint& p, const DPoint& q, double bulge) {
  const double dx = q.x - p.x, dy = q.y - p.y;
  if (bulge == 0.0 || (dx == 0.0 && dy == 0.0)) {
    loop.segments.push_back(Cubic::Straight(p, q));
    return;
  }
  const double s = std::fabs(bulge) * std::hypot(dx, dy) / 2;
  const double a = std::atan2(dy, dx) + (bulge >= 0 ? -kPi / 2 : kPi / 2);
  const DPoint through{p.x + dx / 2 + s * std::cos(a), p.y + dy / 2 + s * std::sin(a)};
  CubicArray arc;
  AppendArcBeziers(arc, p, through, q);
  loop.segments.insert(loop.segments.end(), arc.begin(), arc.end());
}

bool ReadPolylinePath(Walk& w, HatchLoop& loop) {
  const std::uint32_t pathStart = w.at;
  std::int32_t count = 0;
  w.I(93, count);
  std::vector<DPoint> points;
  // Kept from the first vertex with a bulge on (most paths have none).
  std::vector<double> bulges;
  bool anyBulge = false;
  // Every vertex takes two items at least: the count read cannot ask for more.
  const std::uint32_t end = std::min(w.last == kNoLimit ? w.r.Count() : w.last + 1, w.r.Count());
  const std::uint32_t left = end - std::min(w.at, end);
  // A count of none or less is damaged: the vertices the path holds are read.
  if (count <= 0) count = std::numeric_limits<std::int32_t>::max();
  const std::size_t room = std::min<std::size_t>(std::size_t(count), left / 2);
  points.reserve(room);
  for (std::int32_t i = 0; i < count; ++i) {
    DPoint p;
    if (!w.D(10, p.x) || !w.D(20, p.y)) break;
    double bulge = 0;
    if (w.Next(42)) w.D(42, bulge);
    if (bulge != 0.0 && !anyBulge) {
      anyBulge = true;
      bulges.reserve(room);
      bulges.assign(points.size(), 0.0);
    }
    points.push_back(p);
    if (anyBulge) bulges.push_back(bulge);
  }
  const bool closed = w.at > pathStart && w.r.GetInt(73, 0, pathStart, w.at - 1) != 0;
  if (points.size() < 2) return false;
  if (!anyBulge) {
    loop.corners = std::move(points);
    return true;
  }
  loop.curveKind = 4;
  const std::size_t spans = closed ? points.size() : points.size() - 1;
  for (std::size_t i = 0; i < spans; ++i) AppendBulge(loop, points[i], points[(i + 1) % points.size()], bulges[i]);
  return true;
}

void ReadSplineEdge(Walk& w, HatchLoop& loop) {
  std::int32_t degree = 3, rational = 0, periodic = 0, knotCount = 0, poleCount = 0;
  w.I(94, degree);
  w.I(73, rational);
  w.I(74, periodic);
  w.I(95, knotCount);
  w.I(96, poleCount);
  std::vector<double> knots, weights;
  for (std::int32_t k = 0; k < knotCount; ++k) {
    double v = 0;
    if (!w.D(40, v)) break;
    knots.push_back(v);
  }
  std::vector<Vec3> poles;
  for (std::int32_t i = 0; i < poleCount; ++i) {
    Vec3 p;
    if (!w.D(10, p.x) || !w.D(20, p.y)) break;
    if (w.Next(42)) {
      double weight = 1;
      w.D(42, weight);
      weights.push_back(weight);
    }
    poles.push_back(p);
  }
  if (poles.size() < 2) return;
  if (!rational) weights.clear();
  std::vector<Cubic3D> pieces;
  if (!BSplineToBeziers(pieces, degree, knots, weights, poles)) SplineToBeziers(pieces, poles, false);
  for (const Cubic3D& c : pieces) {
    loop.segments.push_back(Cubic{{DPoint{c.p[0].x, c.p[0].y}, DPoint{c.p[1].x, c.p[1].y},
                                   DPoint{c.p[2].x, c.p[2].y}, DPoint{c.p[3].x, c.p[3].y}}});
  }
  loop.curveKind = 4;
}

void ReadEdgePath(Walk& w, HatchLoop& loop, int readerKind) {
  std::int32_t count = 0;
  w.I(93, count);
  // A count of none or less is damaged: the edges the path holds are read.
  if (count <= 0) count = std::numeric_limits<std::int32_t>::max();
  for (std::int32_t e = 0; e < count; ++e) {
    std::int32_t type = 0;
    if (!w.I(72, type)) return;
    if (type == 1) {
      DPoint a, b;
      w.D(10, a.x);
      w.D(20, a.y);
      w.D(11, b.x);
      w.D(21, b.y);
      loop.segments.push_back(Cubic::Straight(a, b));
    } else if (type == 2 || type == 3) {
      ArcEdge edge;
      double rotation = 0;
      w.D(10, edge.cx);
      w.D(20, edge.cy);
      if (type == 2) {
        w.D(40, edge.rx);
        edge.ry = edge.rx;
      } else {
        double mx = 0, my = 0, ratio = 1;
        w.D(11, mx);
        w.D(21, my);
        w.D(40, ratio);
        edge.rx = std::hypot(mx, my);
        edge.ry = edge.rx * ratio;
        rotation = std::atan2(my, mx) * 180.0 / kPi;
      }
      std::int32_t counterClockwise = 0;
      w.D(50, edge.startAngle);
      w.D(51, edge.endAngle);
      w.I(73, counterClockwise);
      if (edge.rx != edge.ry && readerKind == 1 && edge.rx != 0) {
        EllipseAngleToParameter(edge.startAngle, edge.ry / edge.rx);
        EllipseAngleToParameter(edge.endAngle, edge.ry / edge.rx);
      }
      CubicArray pieces;
      ArcEdgeToBeziers(edge, true, pieces, rotation, counterClockwise == 0);
      loop.segments.insert(loop.segments.end(), pieces.begin(), pieces.end());
      loop.curveKind = 3;
    } else if (type == 4) {
      ReadSplineEdge(w, loop);
    }
  }
}

// Whether a boundary path may hold an item of the code (a reader that
// gives the vertices as 3-D points adds their 30).
bool IsPathCode(std::uint16_t code) {
  switch (code) {
    case 10: case 11: case 12: case 13: case 20: case 21: case 22: case 23: case 30:
    case 40: case 42: case 50: case 51: case 72: case 73: case 74: case 92:
    case 93: case 94: case 95: case 96: case 97: case 330:
      return true;
    default:
      return false;
  }
}

// The boundary paths after the path count at `from`: each starts at its 92
// and ends before the next, the last before the first item of a code no
// path holds (the hatch style, the pattern, the seed points).
struct PathExtent {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

std::vector<PathExtent> FindPaths(const YxxfGroupRecord& record, std::uint32_t from) {
  std::vector<PathExtent> paths;
  std::uint32_t i = from;
  for (; i < record.Count(); ++i) {
    const YxxfItem& item = *record.Item(i);
    if (item.subRecord != record.SubRecord()) continue;
    if (!IsPathCode(item.code)) break;
    if (item.code != 92) continue;
    if (!paths.empty()) paths.back().last = i - 1;
    paths.push_back(PathExtent{i, i});
  }
  if (!paths.empty()) paths.back().last = i - 1;
  return paths;
}

// Whether a path is a polyline path: its items say so, whatever its flags.
// Before its count 93 only a polyline path has items (its bulge flag 72 and
// closed flag 73); after the count, a polyline path goes on with a vertex
// 10, an edge path with an edge type 72. The flags decide an empty path.
bool IsPolylinePath(const YxxfGroupRecord& record, const PathExtent& path) {
  bool counted = false;
  for (std::uint32_t i = path.first + 1; i <= path.last; ++i) {
    const YxxfItem& item = *record.Item(i);
    if (item.subRecord != record.SubRecord()) continue;
    if (!counted && item.code == 93) {
      counted = true;
      continue;
    }
    if (!counted) return item.code == 72 || item.code == 73 || item.code == 10;
    if (item.code == 10 || item.code == 72) return item.code == 10;
    break;
  }
  return (ItemToInt(*record.Item(path.first)) & 2) != 0;
}

void SetLoop(PointList& list, const HatchLoop& loop) {
  const std::vector<Cubic>& segments = loop.segments;
  if (!loop.corners.empty()) {
    list.SetPoints(loop.corners.data(), std::uint32_t(std::min<std::size_t>(loop.corners.size(), PointList::kMaxPoints)));
    list.SetClosed(true);
    return;
  }
  if (loop.curveKind != 0) {
    list.SetFromCubics(segments.data(), std::uint32_t(segments.size()), true);
    return;
  }
  std::vector<DPoint> points;
  points.reserve(segments.size() + 1);
  for (const Cubic& c : segments) points.push_back(c.Start());
  points.push_back(segments.back().End());
  list.SetPoints(points.data(), std::uint32_t(std::min<std::size_t>(points.size(), PointList::kMaxPoints)));
  list.SetClosed(true);
}

// The gradient's colours averaged: 0x00RRGGBB true colours in, COLORREF out.
bool GradientColor(const YxxfGroupRecord& record, std::uint32_t& out) {
  const std::int64_t at = record.FindIndex(450);
  if (at < 0 || ItemToInt(*record.Item(std::uint32_t(at))) == 0) return false;
  std::uint64_t r = 0, g = 0, b = 0, n = 0;
  for (std::uint32_t i = std::uint32_t(at) + 1; i < record.Count(); ++i) {
    const YxxfItem* item = record.Item(i);
    if (item->code != 421 || item->subRecord != record.SubRecord()) continue;
    const std::uint32_t v = std::uint32_t(ItemToInt(*item));
    r += (v >> 16) & 0xFF;
    g += (v >> 8) & 0xFF;
    b += v & 0xFF;
    ++n;
  }
  if (n == 0) return false;
  out = std::uint32_t(r / n) | std::uint32_t(g / n) << 8 | std::uint32_t(b / n) << 16;
  return true;
}

// The fill style of the pattern, shared with an equal one of the reader's list.
std::uint16_t PatternStyle(const YxxfGroupRecord& record, YxxfReader& reader) {
  auto style = std::make_unique<cStyleFill>();
  style->name = record.GetString(2);
  style->hatchKind = kSymbolHatch;
  // The hatch object keeps its own colour, thin lines and scale.
  style->byObject = 1;
  style->hatchValue = 0.0;
  std::vector<OneFinalDef> lines;
  ReadHatchPatternLines(record, lines);
  if (lines.empty()) {
    lines = PredefinedHatchPattern(style->name);
    double scale = record.GetDouble(41, 1.0);
    if (!(scale > 0) || !std::isfinite(scale)) scale = 1.0;
    const double turn = record.GetDouble(52, 0.0);
    for (OneFinalDef& line : lines) {
      DPoint base{line.baseX, line.baseY}, offset{line.offsetX, line.offsetY};
      // The lines are in drawing axes (y down): a turn of the world turns them the other way.
      RotatePoint(base, DPoint{}, -turn);
      RotatePoint(offset, DPoint{}, -turn);
      line.baseX = base.x * scale, line.baseY = base.y * scale;
      line.offsetX = offset.x * scale, line.offsetY = offset.y * scale;
      line.angle += turn;
      for (double& d : line.dashes) d *= scale;
    }
  }
  for (const OneFinalDef& line : lines) {
    // The renderer draws a family along its angle in drawing axes (y down)
    // from a base point given along and across the line, and turns the
    // offset by the angle. The file's lines run at their angle in world
    // axes with base and offset in world axes (y already flipped here): the
    // angle changes sign, the base goes into the line's axes and the offset
    // is turned by twice the world angle, so that after the renderer's turn
    // it is the flipped offset of the line's own axes.
    const double a = line.angle * kPi / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    HatchLine h;
    h.values[0] = line.baseX * c - line.baseY * s;
    h.values[1] = line.baseX * s + line.baseY * c;
    const double c2 = c * c - s * s, s2 = 2 * s * c;
    h.params[0] = line.offsetX * c2 - line.offsetY * s2;
    h.params[1] = line.offsetX * s2 + line.offsetY * c2;
    h.params[2] = -line.angle;
    h.dashes = line.dashes;
    style->hatchLines.push_back(std::move(h));
  }
  for (std::uint32_t i = 0; i < reader.hatchStyles.Count(); ++i) {
    const cStyleFill* other = reader.hatchStyles[i];
    if (other->name == style->name && cAnyStyle::IsSameRecord(*other, *style)) return std::uint16_t(i);
  }
  const std::uint32_t index = reader.hatchStyles.Count();
  reader.hatchStyles.Add(style.release());
  return std::uint16_t(index);
}

}  // namespace

cOneHatch::cOneHatch() = default;
cOneHatch::~cOneHatch() { FreeObjects(); }

void cOneHatch::FreeObjects() {
  while (!polygons.empty()) polygons.pop_back();
}

cOneHatch::cOneHatch(const YxxfGroupRecord* record, YxxfReader* reader, std::uint16_t code)
    : SpooledRecord(record, code) {
  if (!record) return;
  // The elevation point comes first in the entity; the boundary walk starts
  // at the path count, whatever stands before it.
  elevation = record->GetPoint3(10);
  Walk w{*record};
  const std::int32_t style = record->GetInt(75);
  std::uint32_t gradient = 0;
  if (GradientColor(*record, gradient)) color = gradient;

  std::int32_t count = 0;
  if (!w.I(91, count)) return;
  // The paths the record holds; a count that is none, less or more than
  // them is damaged.
  const std::vector<PathExtent> paths = FindPaths(*record, w.at);
  const std::size_t used = count > 0 && std::size_t(count) <= paths.size() ? std::size_t(count) : paths.size();
  const int readerKind = reader ? reader->kind : 0;
  std::vector<HatchLoop> loops;
  for (std::size_t p = 0; p < used; ++p) {
    Walk path{*record, paths[p].first + 1, paths[p].last};
    HatchLoop loop;
    if (IsPolylinePath(*record, paths[p])) {
      if (!ReadPolylinePath(path, loop)) continue;
    } else {
      ReadEdgePath(path, loop, readerKind);
    }
    if (!loop.segments.empty() || !loop.corners.empty()) loops.push_back(std::move(loop));
  }
  if (loops.empty()) return;

  if (style != 2 && loops.size() > 1) {
    cPolygon combined;
    combined.ResetLists();
    for (std::size_t i = 0; i < loops.size(); ++i) {
      PointList& list = i == 0 ? combined.FirstList() : combined.AddList();
      SetLoop(list, loops[i]);
    }
    CubicArray joined;
    JoinClosedLists(combined, joined);
    HatchLoop single;
    single.segments.assign(joined.begin(), joined.end());
    single.curveKind = 4;
    loops.assign(1, std::move(single));
  }

  const bool solid = record->GetInt(70) == 1;
  const std::uint16_t fillStyle = !solid && reader ? PatternStyle(*record, *reader) : 0;
  for (const HatchLoop& loop : loops) {
    auto polygon = std::make_unique<cPolygon>();
    SetLoop(polygon->FirstList(), loop);
    polygon->SetTypeByteSourceBits(std::uint8_t(polygon->TypeByte() & 0x40));
    polygon->stroke.lineType = 0;
    polygon->stroke.penOption = 1;
    polygon->stroke.width = 0.0;
    polygon->fill.hatchKind = 0;
    if (!solid) {
      polygon->SetTypeByteSourceBits(0x40);
      polygon->fill.hatchValue = 0.0;
      polygon->fill.hatchScale = 1.0;
      polygon->fill.fillStyle = fillStyle;
    }
    polygon->MarkDirty();
    polygons.push_back(std::move(polygon));
  }
}

ObjectChain cOneHatch::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  ObjectChain chain;
  for (const std::unique_ptr<cPolygon>& held : polygons) {
    auto polygon = std::make_unique<cPolygon>();
    polygon->Assign(*held);
    polygon->stroke.color = color;
    polygon->fill.fillColor = color;
    if (polygon->TypeByte() & 0x40) polygon->fill.hatchColor = color;
    for (std::uint32_t l = 0; l < polygon->ListCount(); ++l) {
      PointList& list = polygon->List(l);
      if (transform) {
        for (DPoint& p : list.Points()) p = transform->TransformTo2D(OcsToWcs(Vec3{p.x, p.y, elevation.z}, extrusion));
      } else {
        std::vector<Vec3> points;
        for (const DPoint& p : list.Points()) points.push_back(OcsToWcs(Vec3{p.x, p.y, elevation.z}, extrusion));
        const std::uint8_t flags = list.Flags();
        list.Set3DPoints(points.data(), std::uint32_t(points.size()));
        list.SetFlags(std::uint8_t(flags | PointList::kFlagPacked3D));
      }
    }
    polygon->MarkDirty();
    chain.Append(polygon.release());
  }
  return chain;
}

void cOneHatch::WriteExtra(OutFileStream& out) const {
  ByteArray bytes;
  {
    ArchiveWriter w(&bytes);
    for (const std::unique_ptr<cPolygon>& p : polygons) p->Write(nullptr, w);
  }
  SpoolWriter s(out);
  s.U32(std::uint32_t(polygons.size()));
  s.U32(bytes.Count());
  out.Write(bytes.Items(), bytes.Count());
}

bool cOneHatch::ReadExtra(InFileStream& in) {
  FreeObjects();
  SpoolReader s(in);
  const std::uint32_t count = s.U32();
  const std::uint32_t size = s.Count(1);
  if (!s.Ok()) return false;
  ByteArray bytes;
  std::vector<std::uint8_t> buffer(size);
  if (size > 0 && in.Read(buffer.data(), size) < size) return false;
  bytes.AppendBytes(buffer.data(), size);
  InFileStream memory = InFileStream::FromMemory(bytes);
  ArchiveReader r(&memory);
  // Every polygon record takes at least one byte.
  if (count > size) return false;
  for (std::uint32_t i = 0; i < count; ++i) {
    auto polygon = std::make_unique<cPolygon>();
    // The type byte leads the record (the object factory reads it elsewhere).
    const std::uint8_t type = r.ReadByte();
    if (r.HasError() || (type & 0x3F) != polygon->TypeCode()) return false;
    polygon->SetTypeByteSourceBits(type);
    ObjectChain extra = polygon->Read(nullptr, nullptr, r, kCurrentFileVersion);
    if (r.HasError()) return false;
    polygons.push_back(std::move(polygon));
  }
  return true;
}

}  // namespace kvn
