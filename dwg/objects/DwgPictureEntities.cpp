// Pictures in the drawing: raster images with their definition objects, and
// embedded OLE frames whose data travel as one byte chunk.
#include <string_view>
#include <vector>

#include "dwg/objects/DwgReader.h"

namespace kvn {

int DwgReader::HandleImage() {
  ReadBitLong();
  double x, y, z;
  for (std::uint16_t code = 10; code <= 12; ++code) {
    Read3BitDouble(x, y, z);
    EmitPoint(code, x, y, z);
  }
  Read2RawDouble(x, y);
  EmitDouble(13, x);
  EmitDouble(23, y);
  ReadBitShort();
  ReadBit();
  ReadRawChar();
  ReadRawChar();
  ReadRawChar();
  if (release_ >= dwgrelease::kR2010) ReadBit();
  if (ReadBitShort() == 1) {
    Read2RawDouble(x, y);
    Read2RawDouble(x, y);
  } else {
    const std::uint32_t points = ReadBitLong();
    if (!CountFits(points, 128)) return 0;
    for (std::uint32_t i = 0; i < points; ++i) {
      if (overrun_) return 0;
      Read2RawDouble(x, y);
    }
  }
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 340);
  ReadHandleRef(3, nullptr, 360);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kImage;
  return 1;
}

int DwgReader::HandleImageDef() {
  ReadBitLong();
  double x, y;
  Read2RawDouble(x, y);
  EmitDouble(10, x);
  EmitDouble(20, y);
  ReadText(nullptr, 1);
  ReadBit();
  ReadRawChar();
  Read2RawDouble(x, y);
  EmitDouble(11, x);
  EmitDouble(21, y);
  if (!ReadObjectHandles() || !FinishObject()) return 0;
  entityCode_ = entity::kImageDef;
  return 1;
}

int DwgReader::HandleOle2Frame() {
  record_.AddInt32(70, ReadBitShort());
  if (release_ >= dwgrelease::kR2000) ReadBitShort();
  const std::uint32_t length = ReadBitLong();
  record_.AddInt32(90, std::int32_t(length));
  // A length beyond the object's bytes fails here, before anything is sized.
  std::vector<std::uint8_t> data;
  if (!ReadByteRun(&data, length)) return 0;
  record_.AddBytes(310, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  if (release_ >= dwgrelease::kR2000) ReadRawChar();
  return Finish(entity::kOle2Frame);
}

}  // namespace kvn
