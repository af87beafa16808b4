#include "import/dgn/DgnConvert.h"

#include <cmath>
#include <memory>
#include <numbers>
#include <utility>

#include "import/dgn/DgnFormat.h"
#include "import/records/AciColors.h"
#include "import/records/DirectObject.h"
#include "import/records/HatchGeometry.h"
#include "import/records/SimpleRecords.h"
#include "import/records/SplineBeziers.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/DgnTable.h"

namespace kvn {

namespace {

constexpr double kDegrees = std::numbers::pi / 180.0;

void AddColor(YxxfGroupRecord& record, const cDGNInfo& info, int index) {
  record.AddInt(420, std::int32_t(DgnColorRgb(info, index)));
  record.AddInt(62, 1);
}

void AddLayer(YxxfGroupRecord& record, int level) {
  record.AddString(8, std::string_view(DgnLevelName(level)));
}

// The colour of a ready record, as the dispatch would make it of 420 and 62.
std::uint32_t RecordColor(const cDGNInfo& info, int index) {
  return EntityColor(1, std::int32_t(DgnColorRgb(info, index)));
}

std::uint32_t FillOf(const cDGNInfo& info, std::int32_t fill) {
  return fill == kDgnNoFill ? kNoFill : RecordColor(info, fill);
}

// The rotation of the conjugate quaternion: DGN turns by -2 atan2(z, w) in
// the plane, so its quaternion maps the element's frame the other way.
struct Rotation {
  double m[3][3];
  Vec3 Apply(double x, double y) const {
    return Vec3{m[0][0] * x + m[0][1] * y, m[1][0] * x + m[1][1] * y, m[2][0] * x + m[2][1] * y};
  }
};

Rotation RotationOf(const DGNElemArc& arc) {
  Rotation r{};
  if (!arc.nonPlanar) {
    const double c = std::cos(arc.rotation * kDegrees), s = std::sin(arc.rotation * kDegrees);
    r.m[0][0] = c;
    r.m[0][1] = -s;
    r.m[1][0] = s;
    r.m[1][1] = c;
    r.m[2][2] = 1.0;
    return r;
  }
  double w = arc.quaternion[0], x = -arc.quaternion[1], y = -arc.quaternion[2], z = -arc.quaternion[3];
  const double n = std::sqrt(w * w + x * x + y * y + z * z);
  if (!(n > 0.0) || !std::isfinite(n)) {
    w = 1.0;
    x = y = z = 0.0;
  } else {
    w /= n;
    x /= n;
    y /= n;
    z /= n;
  }
  r.m[0][0] = 1 - 2 * (y * y + z * z);
  r.m[0][1] = 2 * (x * y - w * z);
  r.m[0][2] = 2 * (x * z + w * y);
  r.m[1][0] = 2 * (x * y + w * z);
  r.m[1][1] = 1 - 2 * (x * x + z * z);
  r.m[1][2] = 2 * (y * z - w * x);
  r.m[2][0] = 2 * (x * z - w * y);
  r.m[2][1] = 2 * (y * z + w * x);
  r.m[2][2] = 1 - 2 * (x * x + y * y);
  return r;
}

// Start and end in degrees, end above start.
std::pair<double, double> ArcRange(const DGNElemArc& arc) {
  double start = arc.startAngle, end = arc.startAngle + arc.sweepAngle;
  if (end < start) std::swap(start, end);
  return {start, end};
}

void ConvertMultiPoint(const cDGNInfo& info, const DGNElemMultiPoint& e, YxxfReader& reader,
                       YxxfGroupRecord& record, const DGNElemCore* previous) {
  const bool poles = e.type == dgn::kBSplinePole;
  std::int32_t fill = e.fillColor;
  if (poles) {
    const auto* header = dynamic_cast<const DGNElemBSplineCurveHeader*>(previous);
    fill = header ? header->fillColor : kDgnNoFill;
  }
  if (fill != kDgnNoFill) {
    record.Clear();
    record.AddInt(70, 1);
    AddColor(record, info, fill);
    AddLayer(record, e.level);
    record.AddInt(91, 1);
    if (poles) {
      record.AddInt(92, 0);
      record.AddInt(93, 1);
      record.AddInt(72, 4);
      record.AddInt(94, 0);
      record.AddInt(94, 0);
      record.AddInt(73, 0);
      record.AddInt(74, 0);
      record.AddInt(95, 0);
      record.AddInt(96, std::int32_t(e.vertices.size()));
    } else {
      record.AddInt(92, 2);
      record.AddInt(93, std::int32_t(e.vertices.size()));
    }
    for (const Vec3& v : e.vertices) record.AddPoint3(10, v.x, v.y, v.z);
    record.AddInt(73, 1);
    reader.DispatchEntity(record, entity::kHatch);
  }
  record.Clear();
  record.AddInt(70, poles ? 12 : 8);
  if (poles) record.AddInt(75, 6);
  AddColor(record, info, e.color);
  AddLayer(record, e.level);
  reader.DispatchEntity(record, entity::kPolyline);
  for (const Vec3& v : e.vertices) {
    record.Clear();
    record.AddPoint3(10, v.x, v.y, v.z);
    record.AddInt(70, 32);
    AddLayer(record, e.level);
    reader.DispatchEntity(record, entity::kVertex);
  }
  record.Clear();
  reader.DispatchEntity(record, entity::kSeqEnd);
}

void AddMultiPointSegments(const DGNElemMultiPoint& e, DGNElemComplexHeader& open) {
  if (e.type == dgn::kBSplinePole) {
    SplineToBeziers(open.segments, e.vertices, false);
    return;
  }
  for (std::size_t i = 1; i < e.vertices.size(); ++i) {
    const Vec3& a = e.vertices[i - 1];
    const Vec3& b = e.vertices[i];
    open.segments.push_back(Cubic3D{{a, a, b, b}});
  }
}

void AddDirectRecord(const cDGNInfo& info, const DGNElemCore& e, std::vector<Cubic3D> segments, bool closed,
                     std::int32_t fill, YxxfReader& reader, YxxfGroupRecord& record) {
  record.Clear();
  AddColor(record, info, e.color);
  AddLayer(record, e.level);
  auto path = std::make_unique<cDirectObject>(kDgnPathEntityCode);
  path->segments = std::move(segments);
  path->closed = closed ? 1 : 0;
  path->color = RecordColor(info, e.color);
  path->fillColor = FillOf(info, fill);
  reader.AddRecord(record, std::move(path), true);
}

void ConvertArc(const cDGNInfo& info, const DGNElemArc& e, YxxfReader& reader, YxxfGroupRecord& record) {
  const auto [startDeg, endDeg] = ArcRange(e);
  const bool full = std::fabs(e.sweepAngle) >= 360.0;
  if (e.nonPlanar) {
    // Out of the drawing plane: the outline itself, turned in 3-D.
    AddDirectRecord(info, e, DgnArcSegments(e, startDeg, endDeg), full, full ? e.fillColor : kDgnNoFill, reader,
                    record);
    return;
  }
  const double ratio = e.primaryAxis == 0.0 ? 1.0 : e.secondaryAxis / e.primaryAxis;
  const double r = e.rotation * kDegrees;
  const Vec3 major{std::cos(r) * e.primaryAxis, std::sin(r) * e.primaryAxis, 0.0};
  record.Clear();
  record.AddPoint3(10, e.origin.x, e.origin.y, e.origin.z);
  AddColor(record, info, e.color);
  AddLayer(record, e.level);
  record.AddPoint3(11, major.x, major.y, major.z);
  record.AddDouble(40, ratio);
  if (e.startAngle != 0.0 || e.sweepAngle != 360.0) {
    record.AddDouble(41, startDeg * kDegrees);
    record.AddDouble(42, endDeg * kDegrees);
    reader.DispatchEntity(record, entity::kEllipse);
    return;
  }
  const std::uint32_t fill = FillOf(info, e.fillColor);
  if (ratio == 1.0 || ratio == -1.0) {
    reader.AddRecord(record,
                     std::make_unique<YxxfEntCircle>(&record, e.origin, std::fabs(e.primaryAxis), fill,
                                                     std::uint16_t(entity::kCircle)),
                     true);
  } else {
    reader.AddRecord(record,
                     std::make_unique<cOneEllipse>(&record, e.origin, major, ratio, -2.0 * std::numbers::pi, 0.0, fill,
                                                   std::uint16_t(entity::kEllipse)),
                     true);
  }
}

void ConvertText(const cDGNInfo& info, const DGNElemText& e, YxxfReader& reader, YxxfGroupRecord& record) {
  record.Clear();
  record.AddInt(71, 0);
  record.AddWideString(1, e.text);
  record.AddPoint3(10, e.origin.x, e.origin.y, e.origin.z);
  record.AddInt(72, 0);
  record.AddInt(73, 0);
  record.AddDouble(50, e.rotation);
  record.AddDouble(40, e.heightMultiplier);
  if (e.lengthMultiplier > 0.0 && e.heightMultiplier != 0.0) {
    record.AddDouble(41, e.lengthMultiplier / e.heightMultiplier);
  }
  AddColor(record, info, e.color);
  AddLayer(record, e.level);
  reader.DispatchEntity(record, entity::kText);
}

}  // namespace

std::uint32_t DgnColorRgb(const cDGNInfo& info, int index) {
  if (index == 255) return 0xFFFFFF;
  if (index < 0 || index > 255) return 0;
  const std::span<const std::uint8_t> table =
      info.hasColorTable ? std::span<const std::uint8_t>(info.colorTable) : GetDgnTable();
  const std::size_t at = std::size_t(index) * 3;
  if (table.size() < at + 3) return 0;
  const std::uint32_t rgb = std::uint32_t(table[at]) << 16 | std::uint32_t(table[at + 1]) << 8 | table[at + 2];
  return rgb == 0xFFFFFF ? 0 : rgb;
}

std::vector<Cubic3D> DgnArcSegments(const DGNElemArc& arc, double startDegrees, double endDegrees) {
  CubicArray flat;
  ArcEdge edge;
  edge.rx = arc.primaryAxis;
  edge.ry = arc.secondaryAxis;
  edge.startAngle = startDegrees;
  edge.endAngle = endDegrees;
  ArcEdgeToBeziers(edge, true, flat, 0.0, false);
  const Rotation r = RotationOf(arc);
  std::vector<Cubic3D> out;
  out.reserve(flat.Count());
  for (std::uint32_t i = 0; i < flat.Count(); ++i) {
    Cubic3D c;
    for (int k = 0; k < 4; ++k) {
      c.p[k] = r.Apply(flat[i].p[k].x, flat[i].p[k].y);
      c.p[k].Add(arc.origin);
    }
    out.push_back(c);
  }
  return out;
}

DgnConversion ConvertDgnElement(const cDGNInfo& info, DGNElemCore& element, YxxfReader& reader,
                                YxxfGroupRecord& record, const DGNElemCore* previous, DGNElemComplexHeader* open) {
  if (element.nonPlanar && element.structType != DgnStructure::Arc) {
    if (open) open->drawable = false;
    return DgnConversion::NonPlanar;
  }
  switch (element.structType) {
    case DgnStructure::MultiPoint: {
      const auto& m = static_cast<const DGNElemMultiPoint&>(element);
      if (open) {
        AddMultiPointSegments(m, *open);
      } else {
        ConvertMultiPoint(info, m, reader, record, previous);
      }
      return DgnConversion::Drawn;
    }
    case DgnStructure::Arc: {
      const auto& a = static_cast<const DGNElemArc&>(element);
      if (open) {
        const auto [start, end] = ArcRange(a);
        std::vector<Cubic3D> segments = DgnArcSegments(a, start, end);
        open->segments.insert(open->segments.end(), segments.begin(), segments.end());
      } else {
        ConvertArc(info, a, reader, record);
      }
      return DgnConversion::Drawn;
    }
    case DgnStructure::Text:
      ConvertText(info, static_cast<const DGNElemText&>(element), reader, record);
      return DgnConversion::Drawn;
    default:
      return DgnConversion::Nothing;
  }
}

void EmitComplexPath(const cDGNInfo& info, const DGNElemComplexHeader& header, YxxfReader& reader,
                     YxxfGroupRecord& record) {
  if (!header.drawable || header.segments.empty()) return;
  AddDirectRecord(info, header, header.segments, header.shape, header.fillColor, reader, record);
}

void EmitCellInsert(const DGNElemCellHeader& cell, YxxfReader& reader, YxxfGroupRecord& record) {
  record.Clear();
  record.AddHandle64(2, cell.blockHandle);
  AddLayer(record, cell.level);
  reader.DispatchEntity(record, entity::kInsert);
}

}  // namespace kvn
