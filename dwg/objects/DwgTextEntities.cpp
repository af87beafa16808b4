// Entities that carry text: single-line texts, attributes and their
// definitions (with the multi-line attributes of R2018), paragraph texts and
// tolerances.
#include <numbers>

#include "dwg/objects/DwgReader.h"
#include "foundation/MathConstants.h"

namespace kvn {

namespace {


}  // namespace

void DwgReader::ReadTextData(std::uint16_t verticalCode) {
  if (release_ <= dwgrelease::kR14) {
    const double elevation = ReadBitDouble();
    Read2RawDoubleZ(10, elevation);
    Read2RawDoubleZ(11, elevation);
    ReadExtrusion();
    EmitDouble(39, ReadBitDouble());
    EmitDouble(51, ReadBitDouble() * kDegPerRad);
    EmitDouble(50, ReadBitDouble() * kDegPerRad);
    EmitDouble(40, ReadBitDouble());
    EmitDouble(41, ReadBitDouble());
    ReadText(nullptr, 1);
    record_.AddInt16(71, std::int16_t(ReadBitShort()));
    record_.AddInt16(72, std::int16_t(ReadBitShort()));
    record_.AddInt16(verticalCode, std::int16_t(ReadBitShort()));
    return;
  }
  const std::uint8_t flags = ReadRawChar();
  const double elevation = (flags & 0x01) ? 0.0 : ReadRawDouble();
  double x, y;
  Read2RawDouble(x, y);
  EmitPoint(10, x, y, elevation);
  if (!(flags & 0x02)) {
    const double ax = ReadDefaultDouble(x);
    const double ay = ReadDefaultDouble(y);
    EmitPoint(11, ax, ay, 0.0);
  }
  ReadExtrusion();
  ReadThickness();
  if (!(flags & 0x04)) EmitDouble(51, ReadRawDouble() * kDegPerRad);
  if (!(flags & 0x08)) EmitDouble(50, ReadRawDouble() * kDegPerRad);
  EmitDouble(40, ReadRawDouble());
  if (!(flags & 0x10)) EmitDouble(41, ReadRawDouble());
  ReadText(nullptr, 1);
  if (!(flags & 0x20)) record_.AddInt16(71, std::int16_t(ReadBitShort()));
  if (!(flags & 0x40)) record_.AddInt16(72, std::int16_t(ReadBitShort()));
  if (!(flags & 0x80)) record_.AddInt16(verticalCode, std::int16_t(ReadBitShort()));
}

bool DwgReader::ReadAttributeData(bool definition) {
  ReadTextData(74);
  if (release_ >= dwgrelease::kR2010) ReadRawChar();
  if (release_ >= dwgrelease::kR2018) {
    const std::uint8_t type = ReadRawChar();
    if ((!definition && type == 2) || (definition && type == 4)) {
      // The multi-line text inside the attribute, as its own set of items.
      const std::uint8_t outer = record_.SubRecord();
      record_.SwitchSubRecord(std::uint8_t(outer + 1));
      const EntityFlags saved = flags_;
      flags_ = EntityFlags{};
      ReadEntityBody();
      ReadParagraphTextData();
      if (!ReadEntityHandles()) return false;
      flags_ = saved;
      const std::uint16_t bytes = ReadBitShort();
      if (bytes != 0) {
        if (!ReadByteRun(nullptr, bytes)) return false;
        ReadHandleRef(5, nullptr, 0);
        ReadBitShort();
      }
      record_.SwitchSubRecord(outer);
    }
  }
  ReadText(nullptr, 2);
  ReadBitShort();
  record_.AddInt16(70, std::int16_t(ReadRawChar()));
  if (release_ >= dwgrelease::kR2007) ReadBit();
  return !overrun_;
}

void DwgReader::ReadParagraphTextData() {
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(11, x, y, z);
  EmitDouble(41, ReadBitDouble());
  if (release_ >= dwgrelease::kR2007) ReadBitDouble();
  EmitDouble(40, ReadBitDouble());
  record_.AddInt32(71, ReadBitShort());
  record_.AddInt32(72, ReadBitShort());
  ReadBitDouble();
  ReadBitDouble();
  ReadText(nullptr, 1);
  if (release_ >= dwgrelease::kR2000) {
    ReadBitLong();
    EmitDouble(44, ReadBitDouble());
    ReadBit();
  }
  if (release_ >= dwgrelease::kR2004) {
    const std::uint32_t background = ReadBitLong();
    if ((background & 1) || (release_ >= dwgrelease::kR2018 && (background & 0x10))) {
      ReadBitDouble();
      ReadObjectColor();
      ReadBitLong();
    }
  }
  if (release_ >= dwgrelease::kR2018 && ReadBit()) {
    const std::uint8_t outer = record_.SubRecord();
    record_.SwitchSubRecord(std::uint8_t(outer + 1));
    ReadBitShort();
    ReadBit();
    ReadHandleRef(5, nullptr, 0);
    ReadBitLong();
    Read3BitDouble(x, y, z);
    Read3BitDouble(x, y, z);
    for (int i = 0; i < 4; ++i) ReadBitDouble();
    const std::uint16_t columnType = ReadBitShort();
    if (columnType != 0) {
      const std::uint32_t count = ReadBitLong();
      ReadBitDouble();
      ReadBitDouble();
      const bool autoHeight = ReadBit() != 0;
      ReadBit();
      if (!autoHeight && columnType != 1 && count != 0 && CountFits(count, 2)) {
        for (std::uint32_t i = 0; i < count && !overrun_; ++i) ReadBitDouble();
      }
    }
    record_.SwitchSubRecord(outer);
  }
}

int DwgReader::HandleText() {
  ReadTextData(73);
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 7);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kText;
  return 1;
}

int DwgReader::HandleAttrib() {
  if (!ReadAttributeData(false) || !FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 7);
  if (!FinishObject()) return 0;
  linkKind_ = kLinkSubEntity;
  entityCode_ = entity::kAttrib;
  return 1;
}

int DwgReader::HandleAttDef() {
  if (!ReadAttributeData(true)) return 0;
  if (release_ >= dwgrelease::kR2010) ReadRawChar();
  ReadText(nullptr, 3);
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 7);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kAttDef;
  return 1;
}

int DwgReader::HandleMText() {
  ReadParagraphTextData();
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 7);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kMText;
  return 1;
}

int DwgReader::HandleTolerance() {
  if (release_ <= dwgrelease::kR14) {
    ReadBitShort();
    ReadBitDouble();
    ReadBitDouble();
  }
  double x, y, z;
  Read3BitDouble(x, y, z);
  EmitPoint(10, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(11, x, y, z);
  Read3BitDouble(x, y, z);
  EmitPoint(210, x, y, z);
  ReadText(nullptr, 1);
  if (!FinishEntityData()) return 0;
  ReadHandleRef(5, nullptr, 0);
  if (!FinishObject()) return 0;
  entityCode_ = entity::kTolerance;
  return 1;
}

}  // namespace kvn
