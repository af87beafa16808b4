// One family of parallel, optionally dashed hatch lines over an area's box,
// drawn into the fill's tile (raster surface or 1-bit tile bitmap) or listed
// as world segments for vector output. The fill masks the result with the
// area; lines here are cut only to the box.
//
// Units: families and the box in world units; the tile origin in device
// units; the line width in 1/256 device unit.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/DPoint.h"
#include "platform/gdi/GdiTypes.h"

namespace kvn {

class cRasterSurface;
struct WorldMapping;

// dx runs along the lines (the dash phase shift from one line to the next),
// dy across them, both in the family's turned frame. Dashes >= 0 are drawn,
// negative ones are gaps; no dashes means unbroken lines.
struct HatchFamily {
  double baseX = 0, baseY = 0;
  double dx = 0, dy = 0;
  double angle = 0;  // degrees, added to the definition's angle
  std::vector<double> dashes;
};

struct HatchDefinition {
  double angle = 0;  // degrees
  std::vector<HatchFamily> families;
};

// Where the lines go; the first target given is used.
struct HatchTarget {
  cRasterSurface* surface = nullptr;     // the tile surface
  std::uint8_t* maskBits = nullptr;      // the tile bitmap's bits (MaskLine)
  std::int32_t maskWidth = 0, maskHeight = 0;
  std::vector<DPoint>* segments = nullptr;  // two world points a segment
  TPoint origin{};                       // the tile's top-left in device units
  const WorldMapping* mapping = nullptr; // world to device; the density limit
};

inline constexpr std::int64_t kMaxHatchLines = 100000;
inline constexpr std::size_t kMaxHatchPoints = 999999;

// Draws family `index` of the definition over the box (four world corners).
// True when the family cannot be drawn and the caller must fill solid in the
// hatch colour: lines closer than one device unit, a zero period or line
// distance, a segment list beyond its limit, or values that are not finite
// (a damaged file). A family of 100,000 lines or more is skipped (false).
bool GenerateHatchFamily(const HatchTarget& target, std::size_t index, const DPoint box[4],
                         const HatchDefinition& definition, std::int32_t lineWidth, double scale);

}  // namespace kvn
