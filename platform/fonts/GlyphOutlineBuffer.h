// The glyph outline buffer of GGO_BEZIER | GGO_UNHINTED, as drawings store
// it: polygons, each a header {u32 cb (bytes of the polygon, header
// included), u32 dwType = 24, point start} followed by curve records
// {u16 wType, u16 cpfx, cpfx points} up to cb bytes. Points are two 16.16
// fixed-point values, little-endian, y up. wType 1 is a polyline, 2 a
// quadratic spline, 3 a run of cubic pieces (control, control, end).
//
// The reader trusts nothing: a polygon whose cb is below its header or runs
// past the buffer, a record whose points run past its polygon, or a header of
// another type ends the conversion with what was read before it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace kvn {

struct FixPoint {
  std::int32_t x = 0;
  std::int32_t y = 0;
  bool operator==(const FixPoint&) const = default;
};

// One run per polygon: the start point, then a triple (control, control,
// end) per piece; a straight piece is (start, end, end).
using GlyphRuns = std::vector<std::vector<FixPoint>>;

GlyphRuns ParseGlyphOutline(std::span<const std::uint8_t> bytes);

class GlyphOutlineWriter {
 public:
  void BeginPolygon(FixPoint start);
  void AddLine(FixPoint to);
  void AddCubic(FixPoint c1, FixPoint c2, FixPoint to);
  // The buffer; empty when it would reach 65,536 bytes.
  std::vector<std::uint8_t> Finish();

 private:
  void EndPolygon();
  void BeginRecord(std::uint16_t type);
  void Point(FixPoint p);
  std::vector<std::uint8_t> bytes_;
  std::size_t polygon_ = 0;  // offset of the open polygon's header
  std::size_t record_ = 0;   // offset of the open record
  std::uint16_t recordType_ = 0;
  bool open_ = false;
};

}  // namespace kvn
