// Entities whose fields are a fixed list: lines, arcs, circles, points,
// solids and traces, 3-D faces, shapes, ellipses, rays and the modeller
// bodies.
#include <numbers>

#include "dwg/objects/DwgReader.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

int DwgReader::HandleLine() {
  double x1, y1, z1 = 0.0, x2, y2, z2 = 0.0;
  if (release_ <= dwgrelease::kR14) {
    Read3BitDouble(x1, y1, z1);
    Read3BitDouble(x2, y2, z2);
    EmitPoint(10, x1, y1, z1);
    EmitPoint(11, x2, y2, z2);
    EmitDouble(39, ReadBitDouble());
    double x, y, z;
    Read3BitDouble(x, y, z);
    EmitPoint(210, x, y, z);
  } else {
    const bool zIsZero = ReadBit() != 0;
    x1 = ReadRawDouble();
    x2 = ReadDefaultDouble(x1);
    y1 = ReadRawDouble();
    y2 = ReadDefaultDouble(y1);
    if (!zIsZero) {
      z1 = ReadRawDouble();
      z2 = ReadDefaultDouble(z1);
    }
    EmitPoint(10, x1, y1, z1);
    EmitPoint(11, x2, y2, z2);
    ReadThickness();
    ReadExtrusion();
  }
  return Finish(entity::kLine);
}

int DwgReader::HandleArc() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  EmitDouble(40, ReadBitDouble());
  ReadThickness();
  ReadExtrusion();
  EmitDouble(50, ReadBitDouble() * kDegPerRad);
  EmitDouble(51, ReadBitDouble() * kDegPerRad);
  return Finish(entity::kArc);
}

int DwgReader::HandleCircle() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  EmitDouble(40, ReadBitDouble());
  ReadThickness();
  ReadExtrusion();
  return Finish(entity::kCircle);
}

int DwgReader::HandlePoint() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  ReadThickness();
  ReadExtrusion();
  ReadBitDouble();
  return Finish(entity::kPoint);
}

int DwgReader::HandleSolid() {
  ReadThickness();
  const double elevation = ReadBitDouble();
  for (std::uint16_t corner = 0; corner < 4; ++corner) Read2RawDoubleZ(std::uint16_t(10 + corner), elevation);
  ReadExtrusion();
  return Finish(entity::kSolid);
}

int DwgReader::HandleFace3D() {
  double c[4][3] = {};
  int invisible = 0;
  if (release_ <= dwgrelease::kR14) {
    for (auto& p : c) Read3BitDouble(p[0], p[1], p[2]);
    invisible = ReadBitShort();
  } else {
    const bool noFlags = ReadBit() != 0;
    const bool zIsZero = ReadBit() != 0;
    c[0][0] = ReadRawDouble();
    c[0][1] = ReadRawDouble();
    c[0][2] = zIsZero ? 0.0 : ReadRawDouble();
    for (int i = 1; i < 4; ++i) {
      for (int k = 0; k < 3; ++k) c[i][k] = ReadDefaultDouble(c[i - 1][k]);
    }
    invisible = noFlags ? 0 : ReadBitShort();
  }
  if (!FinishEntityData()) return 0;
  for (std::uint16_t i = 0; i < 4; ++i) EmitPoint(std::uint16_t(10 + i), c[i][0], c[i][1], c[i][2]);
  record_.AddInt16(70, std::int16_t(invisible));
  if (!FinishObject()) return 0;
  entityCode_ = entity::k3DFace;
  return 1;
}

int DwgReader::HandleShape() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  EmitDouble(40, ReadBitDouble());
  EmitDouble(50, ReadBitDouble() * kDegPerRad);
  EmitDouble(41, ReadBitDouble());
  EmitDouble(51, ReadBitDouble() * kDegPerRad);
  ReadBitDouble();
  ReadBitShort();
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kShape;
  return 1;
}

int DwgReader::HandleEllipse() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(11, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  EmitDouble(40, ReadBitDouble());
  EmitDouble(41, ReadBitDouble());
  EmitDouble(42, ReadBitDouble());
  return Finish(entity::kEllipse);
}

int DwgReader::HandleRay() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  Read3BitDouble(x, y, z);
  return Finish(entity::kRay);
}

int DwgReader::HandleModeller() {
  // The modeller data is not decoded: everything up to the handle data is
  // stepped over.
  handleOwnStart_ = true;
  return Finish(entity::kRegion);
}

}  // namespace kvn
