// The hatch: gradient data (R2004 on), boundary paths of polylines or edges,
// pattern lines and seed points, emitted as the DXF form of the entity.
//
// Every count of the nested lists (paths, edges, vertices, knots, control
// and fit points, pattern lines, dashes, gradient colours, seed points,
// boundary objects) is held against the bits the object still has before
// its loop starts: each item takes at least the bits named beside its check,
// so a hatch claiming 2^31 paths of 2^31 edges fails at its first count
// instead of looping through zeros.
#include <numbers>

#include "dwg/objects/DwgReader.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


// Least encoded sizes in bits.
constexpr std::uint32_t kBitsPerColour = 2 + 2 + 2 + 8;   // BD, BS, BL, RC
constexpr std::uint32_t kBitsPerPath = 2 + 2 + 2;         // BL flags, BL count, BL boundary objects
constexpr std::uint32_t kBitsPerEdge = 8;                 // RC type
constexpr std::uint32_t kBitsPer2RD = 128;
constexpr std::uint32_t kBitsPerPatternLine = 5 * 2 + 2;  // five BD, BS
constexpr std::uint32_t kBitsPerHandle = 8;

}  // namespace

bool DwgReader::ReadHatchEdge(std::uint8_t type) {
  double x, y;
  switch (type) {
    case 1:
      Read2RawDouble(x, y);
      EmitDouble(10, x);
      EmitDouble(20, y);
      Read2RawDouble(x, y);
      EmitDouble(11, x);
      EmitDouble(21, y);
      return !overrun_;
    case 2:
    case 3:
      Read2RawDouble(x, y);
      EmitDouble(10, x);
      EmitDouble(20, y);
      if (type == 3) {
        Read2RawDouble(x, y);
        EmitDouble(11, x);
        EmitDouble(21, y);
      }
      EmitDouble(40, ReadBitDouble());
      EmitDouble(50, ReadBitDouble() * kDegPerRad);
      EmitDouble(51, ReadBitDouble() * kDegPerRad);
      record_.AddInt16(73, std::int16_t(ReadBit()));
      return !overrun_;
    case 4: {
      record_.AddInt32(94, std::int32_t(ReadBitLong()));
      const bool rational = ReadBit() != 0;
      record_.AddInt16(73, rational ? 1 : 0);
      record_.AddInt32(74, ReadBit());
      const std::uint32_t knots = ReadBitLong();
      const std::uint32_t points = ReadBitLong();
      if (!CountFits(std::uint64_t(knots) * 2 + std::uint64_t(points) * (kBitsPer2RD + (rational ? 2 : 0)), 1)) {
        return false;
      }
      record_.AddInt32(95, std::int32_t(knots));
      record_.AddInt32(96, std::int32_t(points));
      for (std::uint32_t i = 0; i < knots; ++i) {
        if (overrun_) return false;
        EmitDouble(40, ReadBitDouble());
      }
      for (std::uint32_t i = 0; i < points; ++i) {
        if (overrun_) return false;
        Read2RawDouble(x, y);
        EmitDouble(10, x);
        EmitDouble(20, y);
        if (rational) ReadBitDouble();
      }
      if (release_ >= dwgrelease::kR2010) {
        const std::uint32_t fit = ReadBitLong();
        // The two tangents follow fit points only.
        if (!CountFits(fit ? std::uint64_t(fit) + 2 : 0, kBitsPer2RD)) return false;
        record_.AddInt32(97, std::int32_t(fit));
        for (std::uint32_t i = 0; i < fit; ++i) {
          if (overrun_) return false;
          Read2RawDouble(x, y);
          EmitDouble(11, x);
          EmitDouble(21, y);
        }
        if (fit) {
          Read2RawDouble(x, y);
          Read2RawDouble(x, y);
        }
      }
      return !overrun_;
    }
    default:
      // An unknown edge type carries nothing more that can be read.
      return !overrun_;
  }
}

bool DwgReader::ReadHatchPath(bool& pixelSize, std::uint64_t& total) {
  const std::uint32_t flags = ReadBitLong();
  record_.AddInt32(92, std::int32_t(flags));
  if (flags & 4) pixelSize = true;
  if (flags & 2) {
    const bool bulges = ReadBit() != 0;
    record_.AddInt16(73, std::int16_t(ReadBit()));
    const std::uint32_t vertices = ReadBitLong();
    if (!CountFits(vertices, kBitsPer2RD + (bulges ? 2 : 0))) return false;
    record_.AddInt32(93, std::int32_t(vertices));
    for (std::uint32_t i = 0; i < vertices; ++i) {
      if (overrun_) return false;
      double x, y;
      Read2RawDouble(x, y);
      EmitDouble(10, x);
      EmitDouble(20, y);
      if (bulges) EmitDouble(42, ReadBitDouble());
    }
  } else {
    const std::uint32_t edges = ReadBitLong();
    if (!CountFits(edges, kBitsPerEdge)) return false;
    record_.AddInt32(93, std::int32_t(edges));
    for (std::uint32_t i = 0; i < edges; ++i) {
      if (overrun_) return false;
      const std::uint8_t type = ReadRawChar();
      record_.AddInt16(72, type);
      if (!ReadHatchEdge(type)) return false;
    }
  }
  const std::uint32_t boundary = ReadBitLong();
  if (!CountFits(boundary, kBitsPerHandle)) return false;
  total += boundary;
  return CountFits(total, kBitsPerHandle);
}

bool DwgReader::ReadHatchPattern() {
  EmitDouble(52, ReadBitDouble() * kDegPerRad);
  EmitDouble(41, ReadBitDouble());
  record_.AddInt8(77, std::uint8_t(ReadBit()));
  const std::uint16_t lines = ReadBitShort();
  if (!CountFits(lines, kBitsPerPatternLine)) return false;
  record_.AddInt16(78, std::int16_t(lines));
  for (std::uint16_t i = 0; i < lines; ++i) {
    if (overrun_) return false;
    EmitDouble(53, ReadBitDouble() * kDegPerRad);
    double x, y;
    Read2BitDouble(x, y);
    EmitDouble(43, x);
    EmitDouble(44, y);
    Read2BitDouble(x, y);
    EmitDouble(45, x);
    EmitDouble(46, y);
    const std::uint16_t dashes = ReadBitShort();
    if (!CountFits(dashes, 2)) return false;
    record_.AddInt16(79, std::int16_t(dashes));
    for (std::uint16_t k = 0; k < dashes; ++k) {
      if (overrun_) return false;
      EmitDouble(49, ReadBitDouble());
    }
  }
  return !overrun_;
}

int DwgReader::HandleHatch() {
  if (release_ >= dwgrelease::kR2004) {
    record_.AddInt32(450, std::int32_t(ReadBitLong()));
    ReadBitLong();
    ReadBitDouble();
    ReadBitDouble();
    record_.AddInt32(452, std::int32_t(ReadBitLong()));
    ReadBitDouble();
    const std::uint32_t colours = ReadBitLong();
    if (!CountFits(colours, kBitsPerColour)) return 0;
    record_.AddInt32(453, std::int32_t(colours));
    for (std::uint32_t i = 0; i < colours; ++i) {
      if (overrun_) return 0;
      ReadBitDouble();
      // An object colour (index, value, flags and the names they announce);
      // the high byte of the value says how the colour was given, and the
      // DXF form carries the RGB of the low three bytes.
      record_.AddInt32(421, std::int32_t(ReadObjectColor() & 0xFFFFFF));
    }
    ReadText(nullptr, 0);
  }
  EmitPoint(10, 0.0, 0.0, ReadBitDouble());
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  ReadText(nullptr, 2);
  const bool solid = ReadBit() != 0;
  record_.AddInt8(70, solid ? 1 : 0);
  ReadBit();
  const std::uint32_t paths = ReadBitLong();
  if (!CountFits(paths, kBitsPerPath)) return 0;
  record_.AddInt32(91, std::int32_t(paths));
  bool pixelSize = false;
  std::uint64_t boundaryObjects = 0;
  for (std::uint32_t i = 0; i < paths; ++i) {
    if (overrun_ || !ReadHatchPath(pixelSize, boundaryObjects)) return 0;
  }
  ReadBitShort();
  ReadBitShort();
  if (!solid && !ReadHatchPattern()) return 0;
  if (pixelSize) ReadBitDouble();
  const std::uint32_t seeds = ReadBitLong();
  if (!CountFits(seeds, kBitsPer2RD)) return 0;
  for (std::uint32_t i = 0; i < seeds; ++i) {
    if (overrun_) return 0;
    Read2RawDouble(x, y);
  }
  if (!FinishEntityData()) return 0;
  for (std::uint64_t i = 0; i < boundaryObjects; ++i) {
    if (overrun_) return 0;
    ReadHandleRef(4, nullptr, 0);
  }
  if (!FinishObject()) return 0;
  entityCode_ = entity::kHatch;
  return 1;
}

}  // namespace kvn
