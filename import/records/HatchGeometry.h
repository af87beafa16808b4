// Geometry of imported hatches: circular and elliptic boundary edges as
// cubic segments, the angle on an ellipse as its parameter, and the pattern
// definition lines, from the entity or from the predefined pattern table
// (resources/hatches/patterns.txt).
//
// Pattern reading is bounded whatever the file says: it stops at the first
// missing dash (49), keeps at most kMaxPatternDashes dashes of a line and
// kMaxPatternLines lines of a pattern.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/WString.h"
#include "model/Cubic.h"

namespace kvn {

class YxxfGroupRecord;

// A circular (equal radii) or elliptic arc about (cx, cy); angles in degrees.
struct ArcEdge {
  double cx = 0, cy = 0;
  double rx = 0, ry = 0;
  double startAngle = 0, endAngle = 0;
};

// Quarter pieces of the unit circle and one remainder piece, turned to the
// start angle, scaled by the radii, turned by the axis rotation (degrees)
// and moved to the centre. With the full-turn flag a sweep of 359.9999
// degrees or more is a whole turn. A clockwise edge takes its angles
// mirrored and its segments reversed, so the path runs from its own start.
void ArcEdgeToBeziers(const ArcEdge& edge, bool fullTurn, CubicArray& out, double axisRotation, bool clockwise);

// An angle on an ellipse of the axis ratio (degrees, in and out) replaced by
// the parametric angle of the same point; whole turns are kept.
void EllipseAngleToParameter(double& angle, double ratio);

// One pattern line: base point and offset (y negated, drawing axes), angle
// in degrees, dashes (empty: continuous).
struct OneFinalDef {
  double baseX = 0, baseY = 0;
  double offsetX = 0, offsetY = 0;
  double angle = 0;
  std::vector<double> dashes;
};

inline constexpr std::uint32_t kMaxPatternLines = 1024;
inline constexpr std::uint32_t kMaxPatternDashes = 256;

// The entity's pattern lines (78, then 53, 43, 44, 45, 46, 79 and the 49s per
// line) in the record's current sub-record, appended to `out`. Lines too
// short or too dense (pattern length or line spacing 1e-6 or less) are left out.
void ReadHatchPatternLines(const YxxfGroupRecord& record, std::vector<OneFinalDef>& out);

// The lines of the predefined pattern of that name (ignoring case), through
// the same rules; empty for a name the table does not hold.
std::vector<OneFinalDef> PredefinedHatchPattern(const WString& name);

}  // namespace kvn
