// The dispatch rows of the point-sequence entities: POLYLINE with its
// VERTEX records, LWPOLYLINE, LEADER, MLINE, SPLINE and the leader lines of
// MLEADER with their arrowheads and block content. Counts given by the file (vertices, elements) only bound what is
// read: a record never promises more items than it holds.
#include <algorithm>
#include <cmath>

#include "foundation/MathConstants.h"
#include "import/records/AciColors.h"
#include "import/records/ImportMatrix.h"
#include "import/records/InsertRecord.h"
#include "import/records/PolylineRecords.h"
#include "import/records/RecordUtilities.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"

namespace kvn {

namespace {

// Every point of `code` (with code + 10 and code + 20) from `start` up to
// `limit` (exclusive), at most `most` of them.
std::vector<Vec3> PointsOf(const YxxfGroupRecord& record, std::uint16_t code, std::uint32_t start = 0,
                           std::uint32_t limit = kNoLimit, std::uint64_t most = ~std::uint64_t(0)) {
  std::vector<Vec3> points;
  std::uint32_t at = start;
  while (points.size() < most) {
    std::int64_t i = record.FindIndex(code, at, limit == kNoLimit ? kNoLimit : limit - 1);
    if (i < 0 || (limit != kNoLimit && std::uint32_t(i) >= limit)) break;
    points.push_back(record.GetPoint3(code, std::uint32_t(i), limit == kNoLimit ? kNoLimit : limit - 1));
    at = std::uint32_t(i) + 1;
  }
  return points;
}

// The block content of each MLEADER context without text (its 296 set): an
// insert of the block record 341 at 15 (given in world coordinates), scaled
// by 16, turned by 46 (radians) about the normal 14, in the colour 93.
void AppendMLeaderBlocks(const YxxfGroupRecord& record, const GrowArray<ItemRange>& contexts,
                         const GrowArray<ItemRange>& leaders, std::vector<std::unique_ptr<cOneObjRec>>& out) {
  for (const ItemRange& range : contexts) {
    auto find = [&](std::uint16_t code) { return FindInContext(record, range, leaders, code); };
    const std::int64_t hasText = find(290), hasBlock = find(296);
    if (hasText >= 0 && GetItemInt(record.Item(std::uint32_t(hasText))) != 0) continue;
    if (hasBlock < 0 || GetItemInt(record.Item(std::uint32_t(hasBlock))) == 0) continue;
    const std::int64_t at = find(341);
    if (at < 0) continue;
    const std::uint64_t block = record.GetHandle(341, std::uint32_t(at), range.close);
    if (block == 0) continue;
    auto point = [&](std::uint16_t code, Vec3 otherwise) {
      const std::int64_t i = find(code);
      return i < 0 ? otherwise : record.GetPoint3(code, std::uint32_t(i), range.close);
    };
    Vec3 normal = point(14, Vec3{0, 0, 1});
    if (!(normal.LengthSq() > 1e-20) || !std::isfinite(normal.LengthSq())) normal = Vec3{0, 0, 1};
    normal = normal.Normalized();
    const Vec3 world = point(15, Vec3{});
    // The insert is placed in the coordinates of its normal.
    const Vec3 ax = OcsToWcs(Vec3{1, 0, 0}, normal), ay = OcsToWcs(Vec3{0, 1, 0}, normal);
    const Vec3 position{world.x * ax.x + world.y * ax.y + world.z * ax.z,
                        world.x * ay.x + world.y * ay.y + world.z * ay.z,
                        world.x * normal.x + world.y * normal.y + world.z * normal.z};
    const Vec3 scale = point(16, Vec3{1, 1, 1});
    double rotation = 0.0;
    if (const std::int64_t i = find(46); i >= 0) rotation = GetItemDouble(record.Item(std::uint32_t(i))) * 180.0 / kPi;
    if (!std::isfinite(rotation)) rotation = 0.0;
    auto insert = std::make_unique<YxxfEntInsert>(&record, position, scale, rotation, entity::kMultiLeader);
    insert->extrusion = normal;
    insert->blockHandle = block;
    if (const std::int64_t i = find(93); i >= 0) insert->color = MLeaderColor(GetItemInt(record.Item(std::uint32_t(i))));
    out.push_back(std::move(insert));
  }
}

std::vector<double> DoublesOf(const YxxfGroupRecord& record, std::uint16_t code) {
  std::vector<double> values;
  std::uint32_t at = 0;
  double d = 0;
  while (record.FindDouble(d, code, &at)) values.push_back(d);
  return values;
}

// Spline, leader, multiline and 3DFACE points are world points: the group
// 210 of these entities is the plane's normal, not an OCS.
template <class R>
std::unique_ptr<R> InWorld(std::unique_ptr<R> record) {
  record->extrusion = Vec3{0, 0, 1};
  return record;
}

std::unique_ptr<cLoadingPolygon> Polyline3D(const YxxfGroupRecord& record, const std::vector<Vec3>& points,
                                            bool closed, std::uint16_t code) {
  auto polygon = InWorld(std::make_unique<cLoadingPolygon>(0.0, 0x08u | (closed ? 1u : 0u), 0u, &record, 0.0, code));
  polygon->meshM = polygon->meshN = 0;
  for (const Vec3& p : points) {
    LoadingVertex v;
    v.point = p;
    polygon->AddVertex(v);
  }
  return polygon;
}

// The point `distance` from `from` along the unit vector `unit`.
Vec3 Along(const Vec3& from, const Vec3& unit, double distance) {
  return Vec3{from.x + unit.x * distance, from.y + unit.y * distance, from.z + unit.z * distance};
}

}  // namespace

void YxxfReader::AddEntities(const YxxfGroupRecord& record, std::vector<std::unique_ptr<cOneObjRec>> records,
                             const std::string& name) {
  if (records.empty()) {
    statistics.CountDropped(name, DropReason::NoGeometry);
    return;
  }
  ImportSpace space = SpaceOf(FindOwnerBlock(record), record);
  bool added = false;
  for (auto& r : records) added = AddRecord(record, std::move(r), true) || added;
  if (added) {
    statistics.CountHanded(space, name);
  } else {
    statistics.CountDropped(name, DropReason::UnknownOwner);
  }
}

void YxxfReader::DispatchPolyline(const YxxfGroupRecord& record, const std::string& name) {
  const double width = (record.GetDouble(40) + record.GetDouble(41)) / 2;
  auto polyline = std::make_unique<cLoadingPolygon>(width, std::uint32_t(record.GetInt(70)),
                                                    std::uint32_t(record.GetInt(75)), &record, record.GetDouble(30),
                                                    entity::kPolyline);
  // Kept in memory whatever the spooling: its vertices follow.
  currentPolyline = polyline.get();
  AddEntity(record, std::move(polyline), false, name);
}

void YxxfReader::DispatchVertex(const YxxfGroupRecord& record, const std::string& name) {
  if (!currentPolyline || currentPolyline->Kind() != RecordKind::Polygon) {
    statistics.CountDropped(name, DropReason::VertexOutsidePolyline);
    return;
  }
  LoadingVertex v;
  v.point = record.GetPoint3(10);
  v.bulge = record.GetDouble(42);
  v.flags = std::uint32_t(record.GetInt(70));
  v.width = (record.GetDouble(40) + record.GetDouble(41)) / 2;
  for (int i = 0; i < 4; ++i) v.index[i] = record.GetInt16(std::uint16_t(71 + i));
  static_cast<cLoadingPolygon*>(currentPolyline)->AddVertex(v);
  statistics.CountApart(name);
}

void YxxfReader::DispatchLwPolyline(const YxxfGroupRecord& record, const std::string& name) {
  // Closed (1) and line-type generation (128) are the only flags of a
  // light-weight polyline: other bits would make it a mesh.
  const std::uint32_t flags = std::uint32_t(record.GetInt(70)) & 0x81u;
  auto polyline = std::make_unique<cLoadingPolygon>(record.GetDouble(43), flags, 0u, &record, record.GetDouble(38),
                                                    entity::kLwPolyline);
  std::int32_t count = -1;
  // A count of none or less while vertices follow is damaged: they are read.
  const bool counted = record.FindInt(count, 90) && count > 0;
  // Every vertex takes two items at least: the count read cannot ask for more.
  if (counted) polyline->vertices.reserve(std::min<std::size_t>(std::size_t(count), record.Count() / 2));
  // Each vertex runs from its 10 to the item before the next 10.
  std::int64_t next = record.FindIndex(10);
  while (!counted || std::int64_t(polyline->vertices.size()) < count) {
    const std::int64_t i = next;
    if (i < 0) break;
    next = record.FindIndex(10, std::uint32_t(i) + 1);
    const std::uint32_t last = next < 0 ? kNoLimit : std::uint32_t(next - 1);
    LoadingVertex v;
    record.GetPoint2(v.point.x, v.point.y, 10, std::uint32_t(i), last);
    v.bulge = record.GetDouble(42, 0.0, std::uint32_t(i), last);
    v.width = (record.GetDouble(40, 0.0, std::uint32_t(i), last) + record.GetDouble(41, 0.0, std::uint32_t(i), last)) / 2;
    polyline->AddVertex(v);
  }
  AddEntity(record, std::move(polyline), true, name);
}

void YxxfReader::DispatchLeader(const YxxfGroupRecord& record, const std::string& name) {
  std::int32_t count = 0;
  std::vector<Vec3> points = record.FindInt(count, 76) ? PointsOf(record, 10, 0, kNoLimit, std::uint64_t(std::max(count, 0)))
                                                       : PointsOf(record, 10);
  if (record.GetInt(72) & 1) {
    auto spline = InWorld(std::make_unique<cLoadingSpline>(&record, entity::kLeader));
    spline->throughPoints = 1;
    spline->flags = 0;
    spline->startTangent = spline->endTangent = Vec3{};
    spline->points = std::move(points);
    AddEntity(record, std::move(spline), true, name);
    return;
  }
  AddEntity(record, Polyline3D(record, points, false, entity::kLeader), true, name);
}

void YxxfReader::DispatchMLine(const YxxfGroupRecord& record, const std::string& name) {
  std::int32_t vertexCount = 0;
  if (!record.FindInt(vertexCount, 72) || vertexCount < 1) {
    statistics.CountDropped(name, DropReason::NoGeometry);
    return;
  }
  // Every element of every vertex carries its own 74: more elements than
  // that cannot have a point.
  std::int64_t parameterCounts = 0;
  for (std::int64_t i = record.FindIndex(74); i >= 0; i = record.FindIndex(74, std::uint32_t(i) + 1)) ++parameterCounts;
  const std::int64_t elements = std::min<std::int64_t>(std::max(record.GetInt(73), 0), parameterCounts);
  const bool closed = (record.GetInt(71) & 2) != 0;
  std::vector<std::vector<Vec3>> lines(static_cast<std::size_t>(elements));
  std::uint32_t at = 0;
  for (std::int32_t k = 0; k < vertexCount; ++k) {
    std::int64_t i = record.FindIndex(11, at);
    if (i < 0) break;
    std::int64_t next = record.FindIndex(11, std::uint32_t(i) + 1);
    const std::uint32_t last = next < 0 ? kNoLimit : std::uint32_t(next - 1);
    const Vec3 position = record.GetPoint3(11, std::uint32_t(i), last);
    const Vec3 miter = record.GetPoint3(13, std::uint32_t(i), last);
    std::uint32_t from = std::uint32_t(i) + 1;
    for (std::int64_t e = 0; e < elements; ++e) {
      std::int32_t n = 0;
      if (!record.FindInt(n, 74, &from, last)) break;
      double first = 0;
      bool has = false;
      for (std::int64_t p = 0; p < std::min<std::int64_t>(n, elements); ++p) {
        double d = 0;
        if (!record.FindDouble(d, 41, &from, last)) break;
        if (p == 0) first = d, has = true;
      }
      if (has) {
        lines[std::size_t(e)].push_back(
            Vec3{position.x + miter.x * first, position.y + miter.y * first, position.z + miter.z * first});
      }
    }
    at = std::uint32_t(i) + 1;
  }
  std::vector<std::unique_ptr<cOneObjRec>> records;
  for (const std::vector<Vec3>& line : lines) records.push_back(Polyline3D(record, line, closed, entity::kMLine));
  AddEntities(record, std::move(records), name);
}

void YxxfReader::DispatchSpline(const YxxfGroupRecord& record, const std::string& name) {
  auto spline = InWorld(std::make_unique<cLoadingSpline>(&record, entity::kSpline));
  // The points the record holds decide, not its counts 73 and 74: control
  // points when there are any, else the fit points.
  spline->points = PointsOf(record, 10);
  if (!spline->points.empty()) {
    spline->degree = record.GetInt(71, 3);
    spline->knots = DoublesOf(record, 40);
    spline->weights = DoublesOf(record, 41);
  } else {
    spline->throughPoints = 1;
    spline->points = PointsOf(record, 11);
  }
  if (spline->points.size() < 2) {
    statistics.CountLoss(name, LossReason::DamagedCount);
    return;
  }
  AddEntity(record, std::move(spline), true, name);
}

void YxxfReader::DispatchMLeader(YxxfGroupRecord& record, const std::string& name) {
  GrowArray<ItemRange> leaders, lines;
  FindContextBlocks(record, leaders, "LEADER{", 302);
  FindContextBlocks(record, lines, "LEADER_LINE{", 304);
  // The arrowhead size as drawn: the context's 140 (the entity's size under
  // the annotation scale), else the entity's 42 after the context data.
  GrowArray<ItemRange> context;
  FindContextBlocks(record, context, "CONTEXT_DATA{", 300);
  const std::uint32_t afterContext = context.Count() > 0 ? context[0].close + 1 : 0;
  double arrowSize = std::fabs(record.GetDouble(42, 0.0, afterContext));
  if (context.Count() > 0) {
    const std::int64_t scaled = FindInContext(record, context[0], leaders, 140);
    const double size = scaled < 0 ? 0.0 : std::fabs(GetItemDouble(record.Item(std::uint32_t(scaled))));
    if (size > 0 && std::isfinite(size)) arrowSize = size;
  }
  // The arrowhead block of the entity (its 342 after the context data); none
  // is the closed filled arrow. A leader line's own (its 341) comes first.
  const std::uint64_t entityArrow = record.GetHandle(342, afterContext);
  std::vector<std::unique_ptr<cOneObjRec>> records;
  AppendMLeaderBlocks(record, context, leaders, records);
  for (const ItemRange& line : lines) {
    std::vector<Vec3> points = PointsOf(record, 10, line.open, line.close);
    // A leader line runs from its vertices to the landing point of its
    // leader, and on along the dogleg when the leader has one.
    for (const ItemRange& leader : leaders) {
      if (line.open < leader.open || line.close > leader.close) continue;
      const std::vector<Vec3> landing = PointsOf(record, 10, leader.open, line.open, 1);
      if (!landing.empty()) {
        points.push_back(landing[0]);
        const double dogleg = record.GetDouble(40, 0.0, leader.open, line.open - 1);
        // The DWG form carries no dogleg flag: there the length decides.
        if (record.GetInt(291, 1, leader.open, line.open - 1) != 0 && dogleg > 0 && std::isfinite(dogleg)) {
          const Vec3 d = record.GetPoint3(11, leader.open, line.open - 1);
          if (d.LengthSq() > 1e-20) points.push_back(Along(landing[0], d.Normalized(), dogleg));
        }
      }
      break;
    }
    if (points.size() < 2) continue;
    const std::uint64_t lineArrow = record.GetHandle(341, line.open, line.close);
    const std::uint64_t arrowBlock = lineArrow != 0 ? lineArrow : entityArrow;
    if (arrowSize > 0 && std::isfinite(arrowSize)) {
      // The arrowhead at the first vertex along the first span: its block,
      // drawn with the tip at the block's origin and its body along minus x
      // as dimension arrowheads are, or the closed filled arrow.
      const Vec3 tip = points[0];
      const Vec3 along = Vec3{points[1].x - tip.x, points[1].y - tip.y, points[1].z - tip.z}.Normalized();
      if (along.LengthSq() > 0 && arrowBlock != 0) {
        const double turn = std::atan2(along.y, along.x) * 180.0 / kPi + 180.0;
        auto arrow = std::make_unique<YxxfEntInsert>(&record, tip, Vec3{arrowSize, arrowSize, arrowSize}, turn,
                                                     entity::kMultiLeader);
        arrow->extrusion = Vec3{0, 0, 1};
        arrow->blockHandle = arrowBlock;
        records.push_back(std::move(arrow));
      } else if (along.LengthSq() > 0) {
        const Vec3 across{-along.y, along.x, 0.0};
        const Vec3 base = Along(tip, along, arrowSize);
        const Vec3 left = Along(base, across, arrowSize / 6), right = Along(base, across, -arrowSize / 6);
        records.push_back(std::make_unique<YxxfEntSolid>(&record, tip, left, right, right, entity::kSolid));
      }
    }
    records.push_back(Polyline3D(record, points, false, entity::kMultiLeader));
  }
  AppendMLeaderTexts(record, records);
  AddEntities(record, std::move(records), name);
}

}  // namespace kvn
