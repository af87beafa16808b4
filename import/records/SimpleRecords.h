// The simple import entity records: line, arc, circle, solid, ellipse and
// point. Each declares its data once (Fields), which is also its spool form
// in that order.
//
// | record        | entities                    | data after the base                       | bytes |
// | YxxfEntLine   | LINE, 3DLINE, 3DFACE edges  | start, end (world)                        | 48 |
// | YxxfEntArc    | ARC                         | centre (OCS), radius, start, end (deg)    | 48 |
// | YxxfEntCircle | CIRCLE, DGN circles         | centre (OCS), radius, fill, 4 zero bytes  | 40 |
// | YxxfEntSolid  | SOLID, TRACE                | four corners (OCS) in outline order       | 96 |
// | cOneEllipse   | ELLIPSE, DGN ellipses       | centre, major axis (world), ratio, start,  | 80 |
// |               |                             | end (radians), fill, 4 zero bytes         |    |
// | YxxfEntPoint  | (POINT is not drawn)        | point                                     | 24 |
// Fill colours: -1 (0xFFFFFFFF) = none.
//
// MakeObject maps points as OcsToWcs (records in OCS) and then
// ImportMatrix::TransformTo2D; without a transform it makes 3-D outlines
// (cPolygon with packed (x, y, z) points) for the view survey. Every object
// gets width 0.0, line type 1 and pen option 1; colour, style and level are
// the assembly's.
#pragma once

#include <cstdint>
#include <memory>

#include "import/records/cOneObjRec.h"

namespace kvn {

class cPolygon;

inline constexpr std::uint32_t kNoFill = 0xFFFFFFFFu;

class YxxfEntLine : public SpooledRecord<YxxfEntLine> {
 public:
  YxxfEntLine() = default;
  YxxfEntLine(const YxxfGroupRecord* record, const Vec3& a, const Vec3& b, std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Line; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.start);
    v(r.end);
  }
  Vec3 start, end;
};

class YxxfEntArc : public SpooledRecord<YxxfEntArc> {
 public:
  YxxfEntArc() = default;
  YxxfEntArc(const YxxfGroupRecord* record, const Vec3& centre, double radius, double startAngle, double endAngle,
             std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Arc; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.centre);
    v(r.radius);
    v(r.startAngle);
    v(r.endAngle);
  }
  Vec3 centre;
  double radius = 0.0;
  double startAngle = 0.0;
  double endAngle = 0.0;
};

class YxxfEntCircle : public SpooledRecord<YxxfEntCircle> {
 public:
  YxxfEntCircle() = default;
  YxxfEntCircle(const YxxfGroupRecord* record, const Vec3& centre, double radius, std::uint32_t fill,
                std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Circle; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.centre);
    v(r.radius);
    v(r.fillColor);
    v(SpoolPad{4});
  }
  Vec3 centre;
  double radius = 0.0;
  std::uint32_t fillColor = kNoFill;
};

class YxxfEntSolid : public SpooledRecord<YxxfEntSolid> {
 public:
  YxxfEntSolid() = default;
  // Corners as the entity gives them (10, 11, 12, 13); stored in outline
  // order 10, 11, 13, 12, since a SOLID's third and fourth corners cross over.
  YxxfEntSolid(const YxxfGroupRecord* record, const Vec3& c10, const Vec3& c11, const Vec3& c12, const Vec3& c13,
               std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Solid; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    for (auto& c : r.corners) v(c);
  }
  Vec3 corners[4];
};

class cOneEllipse : public SpooledRecord<cOneEllipse> {
 public:
  cOneEllipse() = default;
  cOneEllipse(const YxxfGroupRecord* record, const Vec3& centre, const Vec3& majorAxis, double ratio, double start,
              double end, std::uint32_t fill, std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Ellipse; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.centre);
    v(r.majorAxis);
    v(r.ratio);
    v(r.startParam);
    v(r.endParam);
    v(r.fillColor);
    v(SpoolPad{4});
  }
  Vec3 centre;
  Vec3 majorAxis;
  double ratio = 1.0;
  double startParam = 0.0;
  double endParam = 0.0;
  std::uint32_t fillColor = kNoFill;
};

class YxxfEntPoint : public SpooledRecord<YxxfEntPoint> {
 public:
  YxxfEntPoint() = default;
  YxxfEntPoint(const YxxfGroupRecord* record, const Vec3& p, std::uint16_t code);
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Point; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.point);
  }
  Vec3 point;
};

// The ellipse builder shared by ellipse records and DGN ellipses: the
// elliptical arc of centre and major axis (world), minor-to-major ratio and
// parameters (radians) as a cPolygon outline. The extrusion decides only the
// sweep: seen from below (its component along the ellipse's normal is
// negative) the sweep reverses, and edge-on (|component| < 1e-8) the ellipse
// collapses onto its major axis. With a transform the points are mapped;
// without, the world x, y stay and, with collect3D, the point lists hold the
// world (x, y, z). Null when no outline results.
std::unique_ptr<cPolygon> BuildEllipsePolygon(bool collect3D, const ImportMatrix* transform, const Vec3& centre,
                                              const Vec3& majorAxis, const Vec3& extrusion, double ratio, double start,
                                              double end, std::uint32_t fill);

}  // namespace kvn
