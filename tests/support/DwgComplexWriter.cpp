#include "tests/support/DwgComplexWriter.h"

namespace kvn::test {

namespace {

constexpr int kR14 = 14, kR2000 = 15, kR2004 = 18, kR2007 = 21, kR2010 = 24, kR2013 = 27;

// CMC of objects: the index before R2004, then index, RGB and a flag byte
// with the colour and book names it announces.
void ObjectColour(DwgObjectWriter& w, std::uint32_t indexOrRgb, const std::string& name = {}) {
  if (w.Release() < kR2004) {
    w.data.BS(std::uint16_t(indexOrRgb));
    return;
  }
  w.data.BS(0);
  w.data.BL(indexOrRgb);
  w.data.RC(name.empty() ? 0 : 3);
  if (!name.empty()) {
    w.Text(name);
    w.Text("BOOK");
  }
}

void Point(DwgObjectWriter& w, const std::array<double, 3>& p) { w.data.Point3BD(p[0], p[1], p[2]); }

struct Entity {
  Entity(int release, int type, std::uint64_t handle, const DwgEntityCommon& c = {})
      : w(release, type, handle), common(c) {
    w.CommonEntity(common);
  }
  // The common handles; the type's own handles follow.
  void Handles() { w.EntityHandles(common); }
  DwgObjectWriter w;
  DwgEntityCommon common;
};

void HatchEdge(DwgObjectWriter& w, const DwgHatchEdge& e) {
  w.data.RC(std::uint8_t(e.type));
  switch (e.type) {
    case 1:
      w.data.Point2RD(e.x1, e.y1);
      w.data.Point2RD(e.x2, e.y2);
      break;
    case 2:
    case 3:
      w.data.Point2RD(e.x1, e.y1);
      if (e.type == 3) w.data.Point2RD(e.x2, e.y2);
      w.data.BD(e.value);
      w.data.BD(e.start);
      w.data.BD(e.end);
      w.data.B(e.ccw);
      break;
    case 4:
      w.data.BL(std::uint32_t(e.degree));
      w.data.B(e.rational);
      w.data.B(e.periodic);
      w.data.BL(e.claimedKnots ? e.claimedKnots : std::uint32_t(e.knots.size()));
      w.data.BL(std::uint32_t(e.points.size()));
      for (double k : e.knots) w.data.BD(k);
      for (std::size_t i = 0; i < e.points.size(); ++i) {
        w.data.Point2RD(e.points[i].first, e.points[i].second);
        if (e.rational) w.data.BD(i < e.weights.size() ? e.weights[i] : 1.0);
      }
      if (w.Release() >= kR2010) {
        w.data.BL(std::uint32_t(e.fit.size()));
        for (const auto& [x, y] : e.fit) w.data.Point2RD(x, y);
        if (!e.fit.empty()) {
          w.data.Point2RD(1, 0);
          w.data.Point2RD(0, 1);
        }
      }
      break;
    default: break;
  }
}

}  // namespace

std::vector<std::uint8_t> HatchObject(int release, std::uint64_t handle, const DwgHatchSpec& s,
                                      const DwgEntityCommon& common) {
  Entity e(release, 78, handle, common);
  DwgObjectWriter& w = e.w;
  if (release >= kR2004) {
    w.data.BL(s.gradient ? 1 : 0);
    w.data.BL(0);
    w.data.BD(0);
    w.data.BD(0);
    w.data.BL(s.singleColour ? 1 : 0);
    w.data.BD(0);
    w.data.BL(s.claimedColours ? s.claimedColours : std::uint32_t(s.colours.size()));
    for (std::size_t i = 0; i < s.colours.size(); ++i) {
      w.data.BD(double(i));
      w.data.BS(0);
      w.data.BL(s.colours[i]);
      w.data.RC(0);
    }
    w.Text(s.gradient ? "LINEAR" : "");
  }
  w.data.BD(s.elevation);
  w.data.Point3BD(0, 0, 1);
  w.Text(s.name);
  w.data.B(s.solid);
  w.data.B(0);
  w.data.BL(s.claimedPaths ? s.claimedPaths : std::uint32_t(s.paths.size()));
  for (const DwgHatchPath& p : s.paths) {
    w.data.BL(p.flags);
    if (p.flags & 2) {
      w.data.B(!p.bulges.empty());
      w.data.B(p.closed);
      w.data.BL(p.claimedCount ? p.claimedCount : std::uint32_t(p.vertices.size()));
      for (std::size_t i = 0; i < p.vertices.size(); ++i) {
        w.data.Point2RD(p.vertices[i].first, p.vertices[i].second);
        if (!p.bulges.empty()) w.data.BD(i < p.bulges.size() ? p.bulges[i] : 0.0);
      }
    } else {
      w.data.BL(p.claimedCount ? p.claimedCount : std::uint32_t(p.edges.size()));
      for (const DwgHatchEdge& edge : p.edges) HatchEdge(w, edge);
    }
    w.data.BL(std::uint32_t(p.boundary.size()));
  }
  w.data.BS(0);
  w.data.BS(1);
  if (!s.solid) {
    w.data.BD(s.patternAngle);
    w.data.BD(s.patternScale);
    w.data.B(s.patternDouble);
    w.data.BS(s.claimedLines ? s.claimedLines : std::uint16_t(s.lines.size()));
    for (const DwgHatchLine& l : s.lines) {
      w.data.BD(l.angle);
      w.data.BD(l.baseX);
      w.data.BD(l.baseY);
      w.data.BD(l.offsetX);
      w.data.BD(l.offsetY);
      w.data.BS(l.claimedDashes ? l.claimedDashes : std::uint16_t(l.dashes.size()));
      for (double d : l.dashes) w.data.BD(d);
    }
  }
  bool pixel = false;
  for (const DwgHatchPath& p : s.paths) pixel = pixel || (p.flags & 4);
  if (pixel) w.data.BD(s.pixelSize);
  w.data.BL(s.claimedSeeds ? s.claimedSeeds : std::uint32_t(s.seeds.size()));
  for (const auto& [x, y] : s.seeds) w.data.Point2RD(x, y);
  e.Handles();
  for (const DwgHatchPath& p : s.paths) {
    for (std::uint64_t h : p.boundary) w.Handle(4, h);
  }
  return w.Finish();
}

std::vector<std::uint8_t> SplineObject(int release, std::uint64_t handle, const DwgSplineSpec& s) {
  Entity e(release, 36, handle);
  DwgObjectWriter& w = e.w;
  // From R2013 the scenario travels with the spline flags (bit 0 for fit
  // points) and the knot parameter (15 for control points).
  w.data.BL(std::uint32_t(s.scenario));
  if (release >= kR2013) {
    w.data.BL(s.scenario == 2 ? 1 : 0);
    w.data.BL(s.scenario == 1 ? 15 : 0);
  }
  w.data.BL(std::uint32_t(s.degree));
  if (s.scenario == 2) {
    w.data.BD(s.fitTolerance);
    Point(w, s.startTangent);
    Point(w, s.endTangent);
    w.data.BL(s.claimedPoints ? s.claimedPoints : std::uint32_t(s.points.size()));
    for (const auto& p : s.points) Point(w, p);
  } else if (s.scenario == 1) {
    w.data.B(s.rational);
    w.data.B(s.closed);
    w.data.B(s.periodic);
    w.data.BD(s.knotTolerance);
    w.data.BD(s.controlTolerance);
    w.data.BL(std::uint32_t(s.knots.size()));
    w.data.BL(s.claimedPoints ? s.claimedPoints : std::uint32_t(s.points.size()));
    w.data.B(!s.weights.empty());
    for (double k : s.knots) w.data.BD(k);
    for (std::size_t i = 0; i < s.points.size(); ++i) {
      Point(w, s.points[i]);
      if (!s.weights.empty()) w.data.BD(i < s.weights.size() ? s.weights[i] : 1.0);
    }
  }
  e.Handles();
  return w.Finish();
}

std::vector<std::uint8_t> LeaderObject(int release, std::uint64_t handle,
                                       const std::vector<std::array<double, 3>>& points, bool ac1012,
                                       std::uint32_t claimedPoints) {
  Entity e(release, 45, handle);
  DwgObjectWriter& w = e.w;
  w.data.B(0);
  w.data.BS(3);
  w.data.BS(1);
  w.data.BL(claimedPoints ? claimedPoints : std::uint32_t(points.size()));
  for (const auto& p : points) Point(w, p);
  w.data.Point3BD(0, 0, 0);
  w.data.Point3BD(0, 0, 1);
  w.data.Point3BD(1, 0, 0);
  w.data.Point3BD(0, 0, 0);
  if (!ac1012) w.data.Point3BD(0, 0, 0);
  if (release <= kR14) w.data.BD(0.09);
  if (release < kR2007) {
    w.data.BD(0);
    w.data.BD(0);
  }
  w.data.B(1);
  w.data.B(0);
  if (release <= kR14) {
    w.data.BS(0);
    w.data.BD(0);
    w.data.B(0);
    w.data.B(0);
    w.data.BS(0);
    w.data.BS(0);
    w.data.B(0);
    w.data.B(0);
  } else {
    w.data.BS(0);
    w.data.B(0);
    w.data.B(0);
  }
  e.Handles();
  w.Handle(5, 0x70);
  w.Handle(5, 0x71);
  return w.Finish();
}

std::vector<std::uint8_t> MLineObject(int release, std::uint64_t handle, int lines,
                                      const std::vector<DwgMLineVertex>& vertices, std::uint16_t claimedVertices) {
  Entity e(release, 47, handle);
  DwgObjectWriter& w = e.w;
  w.data.BD(1);
  w.data.RC(1);
  w.data.Point3BD(1, 2, 0);
  w.data.Point3BD(0, 0, 1);
  w.data.BS(1);
  w.data.RC(std::uint8_t(lines));
  w.data.BS(claimedVertices ? claimedVertices : std::uint16_t(vertices.size()));
  for (const DwgMLineVertex& v : vertices) {
    Point(w, v.point);
    Point(w, v.direction);
    Point(w, v.miter);
    for (int l = 0; l < lines; ++l) {
      const bool has = std::size_t(l) < v.lines.size();
      const std::vector<double> none;
      const std::vector<double>& seg = has ? v.lines[std::size_t(l)].first : none;
      const std::vector<double>& fill = has ? v.lines[std::size_t(l)].second : none;
      w.data.BS(std::uint16_t(seg.size()));
      for (double d : seg) w.data.BD(d);
      w.data.BS(std::uint16_t(fill.size()));
      for (double d : fill) w.data.BD(d);
    }
  }
  e.Handles();
  w.Handle(5, 0x72);
  return w.Finish();
}

std::vector<std::uint8_t> ViewportObject(int release, std::uint64_t handle,
                                         const std::vector<std::uint64_t>& frozenLayers, std::uint32_t claimedFrozen,
                                         double viewHeight, const DwgEntityCommon& common) {
  Entity e(release, 34, handle, common);
  DwgObjectWriter& w = e.w;
  w.data.Point3BD(100, 50, 0);
  w.data.BD(200);
  w.data.BD(120);
  if (release >= kR2000) {
    w.data.Point3BD(0, 0, 0);
    w.data.Point3BD(0, 0, 1);
    w.data.BD(0.5);  // twist, radians
    w.data.BD(viewHeight);
    w.data.BD(50);
    w.data.BD(0);
    w.data.BD(0);
    w.data.BD(0);
    w.data.Point2RD(10, 20);
    w.data.Point2RD(0, 0);
    w.data.Point2RD(1, 1);
    w.data.Point2RD(1, 1);
    w.data.BS(1000);
    if (release >= kR2007) w.data.BS(5);
    w.data.BL(claimedFrozen ? claimedFrozen : std::uint32_t(frozenLayers.size()));
    w.data.BL(0x8060);
    w.Text("");
    w.data.RC(0);
    w.data.B(1);
    w.data.B(0);
    for (int i = 0; i < 10; ++i) w.data.BD(0);
    w.data.BS(0);
    if (release >= kR2004) w.data.BS(0);
    if (release >= kR2007) {
      w.data.B(1);
      w.data.RC(1);
      w.data.BD(0);
      w.data.BD(0);
      ObjectColour(w, 0);
    }
  }
  e.Handles();
  if (release >= kR2000) {
    for (std::uint64_t h : frozenLayers) w.Handle(release == kR2000 ? 5 : 4, h);
    w.Handle(5, 0);
    if (release == kR2000) w.Handle(5, 0x73);
    w.Handle(5, 0);
    w.Handle(5, 0);
    if (release >= kR2007) {
      w.Handle(4, 0);
      w.Handle(5, 0);
      w.Handle(4, 0);
    }
  }
  return w.Finish();
}

std::vector<std::uint8_t> ImageObject(int release, std::uint64_t handle, std::uint64_t definition,
                                      std::uint64_t reactor, bool rectangleClip, std::uint32_t claimedClip,
                                      const DwgImagePlace& place) {
  Entity e(release, kImageClass, handle, place.common);
  DwgObjectWriter& w = e.w;
  w.data.BL(0);
  for (const auto& p : {place.origin, place.u, place.v}) w.data.Point3BD(p[0], p[1], p[2]);
  w.data.Point2RD(place.width, place.height);
  w.data.BS(7);
  w.data.B(0);
  w.data.RC(50);
  w.data.RC(50);
  w.data.RC(0);
  if (release >= kR2010) w.data.B(0);
  if (rectangleClip) {
    w.data.BS(1);
    w.data.Point2RD(-0.5, -0.5);
    w.data.Point2RD(639.5, 479.5);
  } else {
    w.data.BS(2);
    w.data.BL(claimedClip ? claimedClip : 3);
    w.data.Point2RD(0, 0);
    w.data.Point2RD(10, 0);
    w.data.Point2RD(0, 10);
  }
  e.Handles();
  w.Handle(5, definition);
  w.Handle(3, reactor);
  return w.Finish();
}

std::vector<std::uint8_t> ImageDefObject(int release, std::uint64_t handle, const std::string& path) {
  DwgObjectWriter w(release, kImageDefClass, handle);
  w.CommonObject();
  w.data.BL(0);
  w.data.Point2RD(640, 480);
  w.Text(path);
  w.data.B(1);
  w.data.RC(0);
  w.data.Point2RD(1, 1);
  w.ObjectHandles(0x0C);
  return w.Finish();
}

std::vector<std::uint8_t> Ole2FrameObject(int release, std::uint64_t handle, const std::vector<std::uint8_t>& data,
                                          std::uint32_t claimedLength) {
  Entity e(release, 74, handle);
  DwgObjectWriter& w = e.w;
  w.data.BS(2);
  if (release >= kR2000) w.data.BS(1);
  w.data.BL(claimedLength ? claimedLength : std::uint32_t(data.size()));
  for (std::uint8_t b : data) w.data.RC(b);
  if (release >= kR2000) w.data.RC(0);
  e.Handles();
  return w.Finish();
}

std::vector<std::uint8_t> MultiLeaderObject(int release, std::uint64_t handle, const DwgMLeaderSpec& s) {
  Entity e(release, kMultiLeaderClass, handle);
  DwgObjectWriter& w = e.w;
  const bool r2010 = release >= kR2010;
  // The handles in the order their fields come.
  std::vector<std::uint64_t> handles;
  if (r2010) w.data.BS(2);
  w.data.BL(s.claimedLeaders ? s.claimedLeaders : std::uint32_t(s.leaders.size()));
  for (const DwgMLeaderLeader& leader : s.leaders) {
    w.data.B(1);
    w.data.B(1);
    Point(w, leader.connection);
    Point(w, leader.direction);
    w.data.BL(0);
    w.data.BL(0);
    w.data.BD(leader.landing);
    w.data.BL(leader.claimedLines ? leader.claimedLines : std::uint32_t(leader.lines.size()));
    for (const DwgMLeaderLine& line : leader.lines) {
      w.data.BL(line.claimedPoints ? line.claimedPoints : std::uint32_t(line.points.size()));
      for (const auto& p : line.points) Point(w, p);
      w.data.BL(0);
      w.data.BL(line.index);
      if (r2010) {
        w.data.BS(1);
        ObjectColour(w, s.colourIndex, s.colourName);
        handles.push_back(line.lineType);
        w.data.BL(0);
        w.data.BD(0.18);
        handles.push_back(line.arrow);
        w.data.BL(0);
      }
    }
    if (r2010) w.data.BS(0);
  }
  // Context data.
  w.data.BD(1);
  w.data.Point3BD(5, 6, 0);
  w.data.BD(2.5);
  w.data.BD(0.18);
  w.data.BD(0.09);
  for (int i = 0; i < 4; ++i) w.data.BS(std::uint16_t(i + 1));
  w.data.B(s.hasText);
  if (s.hasText) {
    w.Text(s.text);
    w.data.Point3BD(0, 0, 1);
    handles.push_back(s.textStyle);
    w.data.Point3BD(7, 8, 0);
    w.data.Point3BD(1, 0, 0);
    w.data.BD(0);
    w.data.BD(10);
    w.data.BD(0);
    w.data.BD(1);
    w.data.BS(1);
    ObjectColour(w, s.colourIndex);
    w.data.BS(1);
    w.data.BS(5);
    ObjectColour(w, s.colourIndex);
    w.data.BD(1.5);
    w.data.BL(0);
    w.data.B(0);
    w.data.B(0);
    w.data.BS(0);
    w.data.B(1);
    w.data.BD(0);
    w.data.BD(0);
    w.data.B(0);
    w.data.BL(2);  // column sizes
    w.data.BD(3);
    w.data.BD(4);
    w.data.B(1);
    w.data.B(0);
  } else {
    w.data.B(s.hasBlock);
    if (s.hasBlock) {
      handles.push_back(s.contentBlock);
      w.data.Point3BD(0, 0, 1);
      w.data.Point3BD(s.blockPosition[0], s.blockPosition[1], s.blockPosition[2]);
      w.data.Point3BD(s.blockScale[0], s.blockScale[1], s.blockScale[2]);
      w.data.BD(s.blockRotation);
      ObjectColour(w, s.colourIndex);
      for (int i = 0; i < 16; ++i) w.data.BD(i % 5 == 0 ? 1.0 : 0.0);
    }
  }
  w.data.Point3BD(0, 0, 0);
  w.data.Point3BD(1, 0, 0);
  w.data.Point3BD(0, 1, 0);
  w.data.B(0);
  if (r2010) {
    w.data.BS(9);
    w.data.BS(9);
  }
  // The entity's own fields.
  handles.push_back(s.style);
  w.data.BL(0);
  w.data.BS(1);
  ObjectColour(w, s.colourIndex, s.colourName);
  handles.push_back(s.lineType);
  w.data.BL(0);
  w.data.B(1);
  w.data.B(1);
  w.data.BD(0.36);
  handles.push_back(s.arrow);
  w.data.BD(0.18);
  w.data.BS(s.hasText ? 2 : 1);
  handles.push_back(s.entityTextStyle);
  w.data.BS(1);
  w.data.BS(1);
  w.data.BS(1);
  w.data.BS(0);
  ObjectColour(w, s.colourIndex);
  w.data.B(s.frameText);
  handles.push_back(s.block);
  ObjectColour(w, s.colourIndex);
  w.data.Point3BD(1, 1, 1);
  w.data.BD(0);
  w.data.BS(0);
  w.data.B(0);
  if (release <= kR2007) {
    w.data.BL(std::uint32_t(s.arrowHeads.size()));
    for (std::uint64_t h : s.arrowHeads) {
      w.data.B(0);
      handles.push_back(h);
    }
  }
  w.data.BL(s.claimedAttributes ? s.claimedAttributes : std::uint32_t(s.attributes.size()));
  for (const DwgMLeaderAttribute& a : s.attributes) {
    handles.push_back(a.definition);
    w.Text(a.text);
    w.data.BS(0);
    w.data.BD(0);
  }
  w.data.B(0);
  w.data.BS(0);
  w.data.BS(0);
  w.data.BD(1);
  if (r2010) {
    w.data.BS(0);
    w.data.BS(9);
    w.data.BS(9);
  }
  if (release >= kR2013) w.data.B(0);
  e.Handles();
  for (std::uint64_t h : handles) w.Handle(5, h);
  return w.Finish();
}

std::vector<DwgSampleObject> DwgComplexSampleObjects(int release) {
  std::vector<DwgSampleObject> out;
  auto add = [&](const char* name, std::vector<std::uint8_t> bytes) { out.push_back({name, release, std::move(bytes)}); };

  DwgHatchSpec hatch;
  hatch.gradient = release >= kR2004;
  if (hatch.gradient) hatch.colours = {0xFF0000, 0x0000FF};
  DwgHatchPath polyline;
  polyline.flags = 2 | 4;
  polyline.vertices = {{0, 0}, {10, 0}, {10, 10}};
  polyline.bulges = {0, 0.5, 0};
  polyline.boundary = {0x90};
  DwgHatchPath edges;
  DwgHatchEdge line;
  line.x2 = 10;
  DwgHatchEdge arc;
  arc.type = 2;
  arc.value = 5;
  arc.end = 3.14159;
  DwgHatchEdge ellipse = arc;
  ellipse.type = 3;
  ellipse.x2 = 4;
  ellipse.value = 0.5;
  DwgHatchEdge spline;
  spline.type = 4;
  spline.rational = true;
  spline.knots = {0, 0, 0, 0, 1, 1, 1, 1};
  spline.points = {{0, 0}, {1, 2}, {3, 2}, {4, 0}};
  spline.weights = {1, 0.5, 0.5, 1};
  spline.fit = {{0, 0}, {4, 0}};
  edges.edges = {line, arc, ellipse, spline};
  hatch.paths = {polyline, edges};
  hatch.solid = false;
  hatch.name = "ANSI31";
  hatch.patternAngle = 0.7853981633974483;
  hatch.lines = {{0.7853981633974483, 0, 0, -0.0883883476483184, 0.0883883476483184, {0.5, -0.25}}};
  hatch.pixelSize = 0.1;
  hatch.seeds = {{1, 1}};
  add("HATCH", HatchObject(release, 0x50, hatch));

  DwgSplineSpec control;
  control.knots = {0, 0, 0, 0, 1, 1, 1, 1};
  control.points = {{0, 0, 0}, {1, 2, 0}, {3, 2, 0}, {4, 0, 0}};
  control.weights = {1, 0.7, 0.7, 1};
  control.rational = true;
  add("SPLINE", SplineObject(release, 0x51, control));
  DwgSplineSpec fit;
  fit.scenario = 2;
  fit.points = {{0, 0, 0}, {2, 1, 0}, {4, 0, 0}};
  add("SPLINE", SplineObject(release, 0x52, fit));
  add("LEADER", LeaderObject(release, 0x53, {{0, 0, 0}, {5, 5, 0}, {8, 5, 0}}));
  DwgMLineVertex v1, v2;
  v2.point = {10, 0, 0};
  v1.lines = v2.lines = {{{0.0, 10.0}, {}}, {{0.5}, {0.25}}};
  add("TYPE_47", MLineObject(release, 0x54, 2, {v1, v2}));
  add("VIEWPORT", ViewportObject(release, 0x55, {0x10, 0x11}));
  add("IMAGE", ImageObject(release, 0x56, 0x57, 0x58, false));
  add("IMAGEDEF", ImageDefObject(release, 0x57, "C:\\pictures\\plan.png"));
  add("OLE2FRAME", Ole2FrameObject(release, 0x59, {0xD0, 0xCF, 0x11, 0xE0, 1, 2, 3}));
  DwgMLeaderSpec mleader;
  DwgMLeaderLeader leader;
  leader.landing = 2;
  DwgMLeaderLine mline;
  mline.points = {{0, 0, 0}, {3, 3, 0}};
  mline.lineType = 0x15;
  mline.arrow = 0x60;
  leader.lines = {mline};
  mleader.leaders = {leader};
  mleader.textStyle = 0x11;
  mleader.style = 0x61;
  mleader.arrowHeads = {0x60};
  mleader.attributes = {{0x62, "TAG1"}};
  add("MULTILEADER", MultiLeaderObject(release, 0x5A, mleader));
  return out;
}

}  // namespace kvn::test
