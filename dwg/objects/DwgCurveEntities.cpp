// Curves given by point lists: splines (control points with knots, or fit
// points), leaders and multilines. Each list count is held against the bits
// left in the object before its loop.
#include "dwg/objects/DwgReader.h"

namespace kvn {

namespace {

constexpr std::uint32_t kBitsPer3BD = 3 * 2;

}  // namespace

int DwgReader::HandleSpline() {
  std::uint32_t scenario = ReadBitLong();
  if (release_ >= dwgrelease::kR2013) {
    // From R2013 the spline flags and the knot parameter decide: files
    // write fit-point splines with scenario 1 beside flag 1.
    const std::uint32_t splineFlags = ReadBitLong();
    const std::uint32_t knotParameter = ReadBitLong();
    if (splineFlags & 1) scenario = 2;
    if (knotParameter == 15) scenario = 1;
  }
  record_.AddInt16(71, std::int16_t(ReadBitLong()));
  double x, y, z;
  if (scenario == 2) {
    EmitDouble(44, ReadBitDouble());
    Read3BitDouble(x, y, z);
    EmitPoint(12, x, y, z);
    Read3BitDouble(x, y, z);
    EmitPoint(13, x, y, z);
    const std::uint32_t fit = ReadBitLong();
    if (!CountFits(fit, kBitsPer3BD)) return 0;
    record_.AddInt32(74, std::int32_t(fit));
    for (std::uint32_t i = 0; i < fit; ++i) {
      if (overrun_) return 0;
      Read3BitDouble(x, y, z);
      EmitPoint(11, x, y, z);
    }
  } else if (scenario == 1) {
    const int rational = ReadBit();
    const int closed = ReadBit();
    const int periodic = ReadBit();
    record_.AddInt16(70, std::int16_t(closed | periodic << 1 | rational << 2));
    EmitDouble(42, ReadBitDouble());
    EmitDouble(43, ReadBitDouble());
    const std::uint32_t knots = ReadBitLong();
    const std::uint32_t points = ReadBitLong();
    const bool weighted = ReadBit() != 0;
    if (!CountFits(std::uint64_t(knots) * 2 + std::uint64_t(points) * (kBitsPer3BD + (weighted ? 2 : 0)), 1)) {
      return 0;
    }
    record_.AddInt32(72, std::int32_t(knots));
    record_.AddInt32(73, std::int32_t(points));
    for (std::uint32_t i = 0; i < knots; ++i) {
      if (overrun_) return 0;
      EmitDouble(40, ReadBitDouble());
    }
    for (std::uint32_t i = 0; i < points; ++i) {
      if (overrun_) return 0;
      Read3BitDouble(x, y, z);
      // The weight belongs before its point, as in the DXF form.
      if (weighted) EmitDouble(41, ReadBitDouble());
      EmitPoint(10, x, y, z);
    }
  }
  return Finish(entity::kSpline);
}

int DwgReader::HandleLeader() {
  ReadBit();
  ReadBitShort();
  record_.AddInt16(72, std::int16_t(ReadBitShort()));
  const std::uint32_t points = ReadBitLong();
  if (!CountFits(points, kBitsPer3BD)) return 0;
  record_.AddInt32(76, std::int32_t(points));
  double x, y, z;
  for (std::uint32_t i = 0; i < points; ++i) {
    if (overrun_) return 0;
    Read3BitDouble(x, y, z);
    EmitPoint(10, x, y, z);
  }
  Read3BitDouble(x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  Read3BitDouble(x, y, z);
  Read3BitDouble(x, y, z);
  // The first R13 files (AC1012) lack the end-point projection.
  if (!ac1012_) Read3BitDouble(x, y, z);
  const bool old = release_ <= dwgrelease::kR14;
  if (old) ReadBitDouble();
  if (release_ < dwgrelease::kR2007) {
    ReadBitDouble();
    ReadBitDouble();
  }
  ReadBit();
  ReadBit();
  if (old) {
    ReadBitShort();
    ReadBitDouble();
    ReadBit();
    ReadBit();
    ReadBitShort();
    ReadBitShort();
    ReadBit();
    ReadBit();
  } else {
    ReadBitShort();
    ReadBit();
    ReadBit();
  }
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 0);
  ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kLeader;
  return 1;
}

int DwgReader::HandleMLine() {
  EmitDouble(40, ReadBitDouble());
  record_.AddInt8(70, ReadRawChar());
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  record_.AddInt16(71, std::int16_t(ReadBitShort()));
  const std::uint8_t lines = ReadRawChar();
  // The vertex count is a BS in the files (a BL reads the same for counts
  // below 256, and apart above).
  const std::uint16_t vertices = ReadBitShort();
  // Per vertex three 3BD and per line two BS counts.
  if (!CountFits(vertices, 3 * kBitsPer3BD + 4u * lines)) return 0;
  record_.AddInt32(72, vertices);
  record_.AddInt8(73, lines);
  for (std::uint16_t v = 0; v < vertices; ++v) {
    if (overrun_) return 0;
    for (std::uint16_t code = 11; code <= 13; ++code) {
      Read3BitDouble(x, y, z);
      EmitPoint(code, x, y, z);
    }
    for (std::uint8_t line = 0; line < lines; ++line) {
      for (std::uint16_t code : {std::uint16_t(74), std::uint16_t(75)}) {
        const std::uint16_t n = ReadBitShort();
        if (!CountFits(n, 2)) return 0;
        record_.AddInt16(code, std::int16_t(n));
        for (std::uint16_t k = 0; k < n; ++k) {
          if (overrun_) return 0;
          EmitDouble(std::uint16_t(code == 74 ? 41 : 42), ReadBitDouble());
        }
      }
    }
  }
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kMLine;
  return 1;
}

}  // namespace kvn
