// Entities that own or belong to others: blocks, inserts, the old-style
// polylines with their vertices, lightweight polylines, and the dimensions,
// whose picture is an anonymous block.
#include <cmath>
#include <numbers>
#include <vector>

#include "dwg/objects/DwgReader.h"
#include "import/records/YxxfGroupRecord.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

// ---- blocks ----

int DwgReader::HandleBlock() {
  ReadText(nullptr, 2);
  if (!FinishEntityData() || !FinishObject()) return 0;
  record_.AddInt8(70, 0);
  entityCode_ = 1;
  return 1;
}

int DwgReader::HandleEndBlock() {
  if (!FinishEntityData() || !FinishObject()) return 0;
  record_.AddInt8(70, 0);
  entityCode_ = 1;
  return 1;
}

int DwgReader::HandleSeqEnd() {
  if (!FinishEntityData() || !FinishObject()) return 0;
  record_.AddInt8(70, 0);
  linkKind_ = kLinkSubEntity;
  entityCode_ = entity::kSeqEnd;
  return 1;
}

// ---- inserts ----

void DwgReader::ReadInsertData(std::uint32_t& attributeCount) {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  double sx = 1.0, sy = 1.0, sz = 1.0;
  if (release_ <= dwgrelease::kR14) {
    Read3BitDouble(sx, sy, sz);
  } else {
    switch (ReadBitPair()) {
      case 0:
        sx = ReadRawDouble();
        sy = ReadDefaultDouble(sx);
        sz = ReadDefaultDouble(sx);
        break;
      case 1:
        sy = ReadDefaultDouble(1.0);
        sz = ReadDefaultDouble(1.0);
        break;
      case 2:
        sx = ReadRawDouble();
        sy = sz = sx;
        break;
      default: break;
    }
  }
  EmitDouble(41, sx);
  EmitDouble(42, sy);
  EmitDouble(43, sz);
  EmitDouble(50, ReadBitDouble() * kDegPerRad);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  attributeCount = 0;
  if (ReadBit()) attributeCount = release_ < dwgrelease::kR2004 ? 1 : ReadBitLong();
  CountFits(attributeCount, 8);
}

int DwgReader::FinishInsert(std::uint32_t attributeCount, std::uint16_t entityCode) {
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 2);
  if (attributeCount > 0) {
    if (release_ < dwgrelease::kR2004) {
      ReadHandleRef(4, nullptr, kCodeFirstEntity);
      ReadHandleRef(4, nullptr, kCodeLastEntity);
      linkKind_ = kLinkFirstLast;
    } else {
      for (std::uint32_t i = 0; i < attributeCount; ++i) {
        if (overrun_) return 0;
        ReadHandleRef(3, nullptr, kCodeOwnedEntry);
      }
      linkKind_ = kLinkOwnedList;
    }
    ReadHandleRef(3, nullptr, kCodeClosingEntity);
    record_.AddInt8(66, 1);
  }
  if (!FinishObject()) return 0;
  entityCode_ = entityCode;
  return 1;
}

int DwgReader::HandleInsert() {
  std::uint32_t count = 0;
  ReadInsertData(count);
  return FinishInsert(count, entity::kInsert);
}

int DwgReader::HandleMInsert() {
  std::uint32_t count = 0;
  ReadInsertData(count);
  record_.AddInt16(70, std::int16_t(ReadBitShort()));
  record_.AddInt16(71, std::int16_t(ReadBitShort()));
  EmitDouble(44, ReadBitDouble());
  EmitDouble(45, ReadBitDouble());
  return FinishInsert(count, entity::kInsert);
}

int DwgReader::HandleAcadTable() {
  std::uint32_t count = 0;
  ReadInsertData(count);
  // The table's own data is not decoded.
  handleOwnStart_ = true;
  return FinishInsert(count, entity::kAcadTable) == 0 ? 0 : 2;
}

// ---- old-style polylines ----

int DwgReader::HandleVertex2D() {
  record_.AddInt8(70, ReadRawChar());
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  const double start = ReadBitDouble();
  const double end = start < 0.0 ? start : ReadBitDouble();
  EmitDouble(42, ReadBitDouble());
  if (release_ >= dwgrelease::kR2010) ReadBitLong();
  EmitDouble(50, ReadBitDouble() * kDegPerRad);
  if (!FinishEntityData() || !FinishObject()) return 0;
  EmitDouble(40, std::fabs(start));
  EmitDouble(41, std::fabs(end));
  linkKind_ = kLinkSubEntity;
  entityCode_ = entity::kVertex;
  return 1;
}

int DwgReader::HandleVertex3D() {
  record_.AddInt8(70, ReadRawChar());
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  if (!FinishEntityData() || !FinishObject()) return 0;
  linkKind_ = kLinkSubEntity;
  entityCode_ = entity::kVertex;
  return 1;
}

int DwgReader::HandleVertexPFace() {
  record_.AddInt8(70, 128);
  for (std::uint16_t i = 0; i < 4; ++i) record_.AddInt16(std::uint16_t(71 + i), std::int16_t(ReadBitShort()));
  if (!FinishEntityData() || !FinishObject()) return 0;
  linkKind_ = kLinkSubEntity;
  entityCode_ = entity::kVertex;
  return 1;
}

int DwgReader::FinishPolyline(std::uint32_t ownedCount) {
  if (!FinishEntityData()) return 0;
  if (release_ < dwgrelease::kR2004) {
    ReadHandleRef(4, nullptr, kCodeFirstEntity);
    ReadHandleRef(4, nullptr, kCodeLastEntity);
    linkKind_ = kLinkFirstLast;
  } else {
    for (std::uint32_t i = 0; i < ownedCount; ++i) {
      if (overrun_) return 0;
      ReadHandleRef(3, nullptr, kCodeOwnedEntry);
    }
    linkKind_ = kLinkOwnedList;
  }
  ReadHandleRef(3, nullptr, kCodeClosingEntity);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kPolyline;
  return 1;
}

namespace {

// The owned count that ends the data of old-style polylines from R2004 on.
std::uint32_t ReadOwnedCount(DwgReader& r) {
  if (r.Release() < dwgrelease::kR2004) return 0;
  std::uint32_t n = r.ReadBitLong();
  r.CountFits(n, 8);
  return n;
}

}  // namespace

int DwgReader::HandlePolyline2D() {
  record_.AddInt16(70, std::int16_t(ReadBitShort()));
  record_.AddInt16(75, std::int16_t(ReadBitShort()));
  EmitDouble(40, ReadBitDouble());
  EmitDouble(41, ReadBitDouble());
  ReadThickness();
  EmitDouble(30, ReadBitDouble());
  ReadExtrusion();
  return FinishPolyline(ReadOwnedCount(*this));
}

int DwgReader::HandlePolyline3D() {
  const std::uint8_t spline = ReadRawChar();
  const std::uint8_t closed = ReadRawChar();
  const int rc = FinishPolyline(ReadOwnedCount(*this));
  if (rc == 0) return 0;
  int flags = 8 | ((spline & 3) ? 4 : 0) | (closed & 1);
  record_.AddInt16(70, std::int16_t(flags));
  if ((spline & 3) == 1) record_.AddInt16(75, 5);
  if ((spline & 3) == 2) record_.AddInt16(75, 6);
  return rc;
}

int DwgReader::HandlePFace() {
  record_.AddInt16(71, std::int16_t(ReadBitShort()));
  record_.AddInt16(72, std::int16_t(ReadBitShort()));
  const int rc = FinishPolyline(ReadOwnedCount(*this));
  if (rc == 0) return 0;
  record_.AddInt16(70, 64);
  return rc;
}

int DwgReader::HandlePolylineMesh() {
  record_.AddInt16(70, std::int16_t(ReadBitShort()));
  record_.AddInt16(75, std::int16_t(ReadBitShort()));
  for (std::uint16_t code = 71; code <= 74; ++code) record_.AddInt16(code, std::int16_t(ReadBitShort()));
  return FinishPolyline(ReadOwnedCount(*this));
}

// ---- lightweight polylines ----

int DwgReader::HandleLwPolyline() {
  const std::uint16_t flags = ReadBitShort();
  if (flags & 4) EmitDouble(43, ReadBitDouble());
  if (flags & 8) EmitDouble(38, ReadBitDouble());
  if (flags & 2) EmitDouble(39, ReadBitDouble());
  if (flags & 1) {
    double x, y, z;
    Read3BitDouble(x, y, z);
    EmitPoint(210, x, y, z);
  }
  const std::uint32_t points = ReadBitLong();
  if (!CountFits(points, 2)) return 0;
  record_.AddInt32(90, std::int32_t(points));
  const std::uint32_t bulges = (flags & 16) ? ReadBitLong() : 0;
  const std::uint32_t ids = (release_ >= dwgrelease::kR2010 && (flags & 0x400)) ? ReadBitLong() : 0;
  const std::uint32_t widths = (flags & 32) ? ReadBitLong() : 0;
  // Every count is held against the bits left before anything is sized.
  if (!CountFits(std::uint64_t(points) * 2 + bulges + ids + std::uint64_t(widths) * 2, 2)) return 0;

  std::vector<double> xy(std::size_t(points) * 2);
  for (std::uint32_t i = 0; i < points; ++i) {
    if (overrun_) return 0;
    if (i == 0 || release_ <= dwgrelease::kR14) {
      xy[2 * i] = ReadRawDouble();
      xy[2 * i + 1] = ReadRawDouble();
    } else {
      xy[2 * i] = ReadDefaultDouble(xy[2 * i - 2]);
      xy[2 * i + 1] = ReadDefaultDouble(xy[2 * i - 1]);
    }
  }
  std::vector<double> bulge(bulges);
  for (double& b : bulge) {
    if (overrun_) return 0;
    b = ReadBitDouble();
  }
  for (std::uint32_t i = 0; i < ids; ++i) {
    if (overrun_) return 0;
    ReadBitLong();
  }
  std::vector<double> width(std::size_t(widths) * 2);
  for (double& w : width) {
    if (overrun_) return 0;
    w = ReadBitDouble();
  }
  for (std::uint32_t i = 0; i < points; ++i) {
    EmitDouble(10, xy[2 * i]);
    EmitDouble(20, xy[2 * i + 1]);
    if (i < widths) {
      EmitDouble(40, width[2 * i]);
      EmitDouble(41, width[2 * i + 1]);
    }
    if (i < bulges) EmitDouble(42, bulge[i]);
  }
  if (!FinishEntityData() || !FinishObject()) return 0;
  record_.AddInt8(70, (flags & 0x200) ? 1 : 0);
  entityCode_ = entity::kLwPolyline;
  return 1;
}

// ---- dimensions ----

bool DwgReader::ReadDimensionData() {
  if (release_ >= dwgrelease::kR2010) ReadRawChar();
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  double mx, my;
  Read2RawDouble(mx, my);
  const double elevation = ReadBitDouble();
  EmitPoint(11, mx, my, elevation);
  ReadRawChar();
  ReadText(nullptr, 0);
  for (int i = 0; i < 6; ++i) ReadBitDouble();
  if (release_ >= dwgrelease::kR2000) {
    ReadBitShort();
    ReadBitShort();
    ReadBitDouble();
    ReadBitDouble();
  }
  if (release_ >= dwgrelease::kR2007) {
    ReadBit();
    ReadBit();
    ReadBit();
  }
  Read2RawDoubleZ(12, elevation);
  return !overrun_;
}

int DwgReader::FinishDimension(int droppedDoubles, std::uint16_t entityCode) {
  for (int i = 0; i < droppedDoubles; ++i) ReadBitDouble();
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 0);
  ReadHandleRef(5, nullptr, 2);
  if (!FinishObject()) return 0;
  entityCode_ = entityCode;
  return 1;
}

int DwgReader::HandleDimensionOrdinate() {
  ReadDimensionData();
  for (int i = 0; i < 9; ++i) ReadBitDouble();
  ReadRawChar();
  return FinishDimension(0, entity::kDimension);
}

int DwgReader::HandleDimensionLinear() {
  ReadDimensionData();
  return FinishDimension(11, entity::kDimension);
}

int DwgReader::HandleDimensionAligned() {
  ReadDimensionData();
  return FinishDimension(10, entity::kDimension);
}

int DwgReader::HandleDimensionAngular3Pt() {
  ReadDimensionData();
  return FinishDimension(12, entity::kDimension);
}

int DwgReader::HandleDimensionAngular2Ln() {
  ReadDimensionData();
  ReadRawDouble();
  ReadRawDouble();
  return FinishDimension(12, entity::kDimension);
}

int DwgReader::HandleDimensionRadius() {
  ReadDimensionData();
  return FinishDimension(7, entity::kDimension);
}

int DwgReader::HandleDimensionDiameter() {
  ReadDimensionData();
  return FinishDimension(7, entity::kDimension);
}

int DwgReader::HandleArcDimension() {
  ReadDimensionData();
  // Its own data is not decoded.
  handleOwnStart_ = true;
  return FinishDimension(0, entity::kArcDimension);
}

}  // namespace kvn
