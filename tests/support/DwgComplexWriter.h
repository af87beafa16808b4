// Test-only writers of the complex DWG entities (hatch, spline, leader,
// multiline, viewport, image and its definition, OLE frame, multileader) for
// every release, on top of DwgObjectWriter: each writes the common entity
// data, the type's fields in file order, the common handles and the type's
// own handles, and returns the whole object.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/DwgBitWriter.h"

namespace kvn::test {

// Class numbers the tests give the types that travel as classes.
inline constexpr int kImageClass = 500, kImageDefClass = 501, kMultiLeaderClass = 502;

struct DwgHatchEdge {
  int type = 1;  // 1 line, 2 circular arc, 3 elliptic arc, 4 spline
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;  // start/end, centre/major-axis end
  double value = 0, start = 0, end = 0;    // radius or ratio, angles in radians
  bool ccw = true;
  // Spline edges.
  int degree = 3;
  bool rational = false, periodic = false;
  std::vector<double> knots;
  std::vector<std::pair<double, double>> points;
  std::vector<double> weights;
  std::vector<std::pair<double, double>> fit;  // R2010 and later
  std::uint32_t claimedKnots = 0;              // written in place of the knot count when not 0
};

struct DwgHatchPath {
  std::uint32_t flags = 0;  // bit 2 (2): polyline
  std::vector<std::pair<double, double>> vertices;
  std::vector<double> bulges;  // empty: no bulges
  bool closed = true;
  std::vector<DwgHatchEdge> edges;
  std::vector<std::uint64_t> boundary;
  // Written in place of the vertex or edge count when not 0.
  std::uint32_t claimedCount = 0;
};

struct DwgHatchLine {
  double angle = 0, baseX = 0, baseY = 0, offsetX = 0, offsetY = 1;
  std::vector<double> dashes;
  std::uint16_t claimedDashes = 0;
};

struct DwgHatchSpec {
  bool gradient = false;
  std::vector<std::uint32_t> colours;  // RGB of the gradient
  bool singleColour = false;
  double elevation = 0;
  std::string name = "SOLID";
  bool solid = true;
  std::vector<DwgHatchPath> paths;
  std::uint32_t claimedPaths = 0;  // written in place of the path count when not 0
  double patternAngle = 0, patternScale = 1;
  bool patternDouble = false;
  std::vector<DwgHatchLine> lines;
  double pixelSize = 0;
  std::vector<std::pair<double, double>> seeds;
  // Written in place of the real counts when not 0.
  std::uint32_t claimedColours = 0, claimedSeeds = 0;
  std::uint16_t claimedLines = 0;
};
std::vector<std::uint8_t> HatchObject(int release, std::uint64_t handle, const DwgHatchSpec& spec,
                                      const DwgEntityCommon& common = {});

struct DwgSplineSpec {
  int scenario = 1;
  int degree = 3;
  bool rational = false, closed = false, periodic = false;
  double knotTolerance = 1e-10, controlTolerance = 1e-10, fitTolerance = 1e-10;
  std::vector<double> knots;
  std::vector<std::array<double, 3>> points;  // control or fit points
  std::vector<double> weights;                // empty: not weighted
  std::array<double, 3> startTangent{}, endTangent{};
  std::uint32_t claimedPoints = 0;  // written in place of the point count when not 0
};
std::vector<std::uint8_t> SplineObject(int release, std::uint64_t handle, const DwgSplineSpec& spec);

std::vector<std::uint8_t> LeaderObject(int release, std::uint64_t handle,
                                       const std::vector<std::array<double, 3>>& points, bool ac1012 = false,
                                       std::uint32_t claimedPoints = 0);

struct DwgMLineVertex {
  std::array<double, 3> point{}, direction{1, 0, 0}, miter{0, 1, 0};
  // Per line: segment parameters, fill parameters.
  std::vector<std::pair<std::vector<double>, std::vector<double>>> lines;
};
std::vector<std::uint8_t> MLineObject(int release, std::uint64_t handle, int lines,
                                      const std::vector<DwgMLineVertex>& vertices, std::uint16_t claimedVertices = 0);

std::vector<std::uint8_t> ViewportObject(int release, std::uint64_t handle,
                                         const std::vector<std::uint64_t>& frozenLayers, std::uint32_t claimedFrozen = 0,
                                         double viewHeight = 300, const DwgEntityCommon& common = {});

// Where an IMAGE lies (insertion point, one pixel along x and along y, the
// size in pixels) and its common entity data (its owner).
struct DwgImagePlace {
  std::array<double, 3> origin{1, 2, 0}, u{0.5, 0, 0}, v{0, 0.5, 0};
  double width = 640, height = 480;
  DwgEntityCommon common;
};
std::vector<std::uint8_t> ImageObject(int release, std::uint64_t handle, std::uint64_t definition,
                                      std::uint64_t reactor, bool rectangleClip = true, std::uint32_t claimedClip = 0,
                                      const DwgImagePlace& place = {});
std::vector<std::uint8_t> ImageDefObject(int release, std::uint64_t handle, const std::string& path);

// `claimedLength` is written as the data length when not 0.
std::vector<std::uint8_t> Ole2FrameObject(int release, std::uint64_t handle, const std::vector<std::uint8_t>& data,
                                          std::uint32_t claimedLength = 0);

struct DwgMLeaderLine {
  std::vector<std::array<double, 3>> points;
  std::uint32_t index = 0;
  std::uint64_t lineType = 0, arrow = 0;  // R2010 and later
  std::uint32_t claimedPoints = 0;
};
struct DwgMLeaderLeader {
  std::array<double, 3> connection{}, direction{1, 0, 0};
  double landing = 0;
  std::vector<DwgMLeaderLine> lines;
  std::uint32_t claimedLines = 0;
};
struct DwgMLeaderAttribute {
  std::uint64_t definition = 0;
  std::string text;
};
struct DwgMLeaderSpec {
  std::vector<DwgMLeaderLeader> leaders;
  bool hasText = true;
  std::string text = "NOTE";
  std::uint64_t textStyle = 0;  // the context's text style
  bool hasBlock = false;        // only without text
  std::uint64_t contentBlock = 0;
  std::array<double, 3> blockPosition{9, 9, 0}, blockScale{1, 1, 1};
  double blockRotation = 0;  // radians
  bool frameText = false;    // the entity's text-frame flag
  std::uint32_t colourIndex = 256;  // of the leader line; RGB from R2004
  std::string colourName;           // R2004 and later: leader-line colours with names
  std::uint64_t style = 0, lineType = 0, arrow = 0, entityTextStyle = 0, block = 0;
  std::vector<std::uint64_t> arrowHeads;  // through R2007
  std::vector<DwgMLeaderAttribute> attributes;
  std::uint32_t claimedLeaders = 0, claimedAttributes = 0;
};
std::vector<std::uint8_t> MultiLeaderObject(int release, std::uint64_t handle, const DwgMLeaderSpec& spec);

// One object of each complex type for `release`, for fuzz seeds and the
// every-release tests; classes use the numbers above.
std::vector<DwgSampleObject> DwgComplexSampleObjects(int release);

}  // namespace kvn::test
