// The paper-space viewport: its frame on the sheet and, from R2000, the view
// it shows with the layers frozen in it.
#include <numbers>

#include "dwg/objects/DwgReader.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

int DwgReader::HandleViewport() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  EmitDouble(40, ReadBitDouble());
  EmitDouble(41, ReadBitDouble());
  std::uint32_t frozen = 0;
  if (release_ >= dwgrelease::kR2000) {
    Read3BitDouble(x, y, z);
    EmitPoint(17, x, y, z);
    Read3BitDouble(x, y, z);
    EmitPoint(16, x, y, z);
    EmitDouble(51, ReadBitDouble() * kDegPerRad);
    EmitDouble(45, ReadBitDouble());
    EmitDouble(42, ReadBitDouble());
    EmitDouble(43, ReadBitDouble());
    EmitDouble(44, ReadBitDouble());
    EmitDouble(50, ReadBitDouble() * kDegPerRad);
    for (std::uint16_t code = 12; code <= 15; ++code) {
      Read2RawDouble(x, y);
      EmitDouble(code, x);
      EmitDouble(std::uint16_t(code + 10), y);
    }
    record_.AddInt16(72, std::int16_t(ReadBitShort()));
    if (release_ >= dwgrelease::kR2007) ReadBitShort();
    frozen = ReadBitLong();
    // One handle of at least a byte per frozen layer.
    if (!CountFits(frozen, 8)) return 0;
    ReadBitLong();
    ReadText(nullptr, 0);
    ReadRawChar();
    ReadBit();
    ReadBit();
    for (int i = 0; i < 10; ++i) ReadBitDouble();
    ReadBitShort();
    if (release_ >= dwgrelease::kR2004) ReadBitShort();
    if (release_ >= dwgrelease::kR2007) {
      ReadBit();
      ReadRawChar();
      ReadBitDouble();
      ReadBitDouble();
      ReadObjectColor();
    }
  }
  if (!FinishEntityData()) return 0;
  if (release_ >= dwgrelease::kR2000) {
    const int code = release_ == dwgrelease::kR2000 ? 5 : 4;
    for (std::uint32_t i = 0; i < frozen; ++i) {
      if (overrun_) return 0;
      ReadHandleRef(code, nullptr, 331);
    }
    // Clip boundary, the R2000 entity header, the two UCS and, from R2007,
    // the background, visual style and shade-plot objects: none is kept.
    ReadHandleRef(5, nullptr, 0);
    if (release_ == dwgrelease::kR2000) ReadHandleRef(5, nullptr, 0);
    ReadHandleRef(5, nullptr, 0);
    ReadHandleRef(5, nullptr, 0);
    if (release_ >= dwgrelease::kR2007) {
      ReadHandleRef(4, nullptr, 0);
      ReadHandleRef(5, nullptr, 0);
      ReadHandleRef(4, nullptr, 0);
    }
  }
  if (!FinishObject()) return 0;
  entityCode_ = entity::kViewport;
  return 1;
}

}  // namespace kvn
