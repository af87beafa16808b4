// The fixed settings sequence of drawing bodies from version 3061 on: every
// setting at its place, bit-packed, with fields added at later versions
// behind their version gates.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "document/BodyReader.h"
#include "document/NativeFormat.h"
#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/ArchiveReader.h"
#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

std::uint8_t FontWeightFromStored(std::uint8_t stored) {
  if (stored <= 8) return stored;
  if (stored <= 13) return std::uint8_t(stored + 3);
  return 12;
}

std::uint8_t FontWeightToStored(std::uint8_t weight) {
  if (weight <= 8) return weight;
  if (weight >= 12 && weight <= 16) return std::uint8_t(weight - 3);
  return 0;
}

namespace {

// A prototype object: the byte before it is its type byte, which the reader
// does not look at; the record is read without drawing data. A replacement
// answered by an old record is dropped: a prototype is only a holder of
// attributes.
void ReadPrototype(ArchiveReader& r, int version, std::uint8_t typeCode, std::unique_ptr<cOutObj>& slot) {
  (void)r.ReadByte();
  if (!slot) slot.reset(cOutObj::Create(typeCode, false));
  if (!slot) {
    // Without the class the record cannot be stepped over.
    r.SetError();
    return;
  }
  ObjectChain replacement = slot->Read(nullptr, nullptr, r, version);
  (void)replacement;
}

// A list of reals kept sorted: read whole, then inserted in ascending order
// so that a long descending list costs no more than an ascending one.
bool ReadRealList(ArchiveReader& r, SortedValueList& list) {
  const std::uint16_t count = r.ReadCompactU16();
  std::vector<double> values;
  values.reserve(std::min<std::uint32_t>(count, 4096));
  for (std::uint32_t i = 0; i < count; ++i) {
    if (r.AtEnd()) return false;
    const double value = r.ReadReal();
    if (r.HasError()) return false;
    // The list refuses NaN, and a NaN would break the sort's ordering.
    if (!std::isnan(value)) values.push_back(value);
  }
  std::sort(values.begin(), values.end());
  list.Clear();
  for (double v : values) list.Insert(v);
  return true;
}

void ReadSectorSettings(ArchiveReader& r, SectorSettings& record) {
  record.count = std::int32_t(r.ReadCompactU32());
  record.numeric = r.ReadBit() ? 1 : 0;
  if (record.numeric) {
    record.firstNumber = std::int32_t(r.ReadCompactU32());
  } else {
    record.firstLetter = r.ReadByte();
  }
  record.reverse = r.ReadBit() ? 1 : 0;
  record.mode = std::uint8_t(r.ReadBits(2));
  record.begin = r.ReadCompactDouble();
  record.step = r.ReadCompactDouble();
}

}  // namespace

int ReadFixedSettings(BodyState& state) {
  ArchiveReader& r = state.r;
  cDrawing& d = state.drawing;
  const int v = state.version;

  // 1. The real encoding of the stream (single-sheet files only).
  if (state.singleSheet && state.args.document) {
    r.realFormat = r.ReadBit() ? 1 : 0;
    (void)r.ReadInt16();
    (void)r.ReadCompactU32();
  }
  // 2-3. Scale and format.
  double scale = r.ReadRealOrUnit();
  if (v < 3068) {
    const double divisor = r.ReadRealOrUnit();
    if (divisor > 0.0) scale /= divisor;
    d.oldFormatOrigin = r.ReadCompactPoint();
    d.oldFormatSize = r.ReadCompactPoint();
  } else {
    d.formatFlag = r.ReadBit() ? 1 : 0;
    d.formatOrigin = r.ReadCompactPoint();
    d.formatSize = r.ReadCompactPoint();
    d.formatMargins = r.ReadCompactPoint();
    d.tiles = r.ReadUnitPoint();
  }
  state.data.SetScale(scale);
  // 4-5. Print settings.
  d.tileOverlap = r.ReadCompactDouble();
  d.printScale = r.ReadCompactDouble();
  d.paperId = r.ReadCompactU16();
  if (v < 3068) d.printFormatSize = r.ReadCompactPoint();
  d.printMargins = r.ReadCompactPoint();
  if (v < 3068) {
    const DPoint leftTop = r.ReadCompactPoint();
    const DPoint rightBottom = r.ReadCompactPoint();
    d.printArea = {leftTop.x, leftTop.y, rightBottom.x, rightBottom.y};
  }
  // 6. Default styles as plain indexes (later files store references after
  // the blocks).
  if (v < 3077) {
    d.attributes.SetU16(kAttrDefaultLineStyle, std::uint16_t(r.ReadInt16()));
    d.attributes.SetU16(kAttrDefaultFillStyle, std::uint16_t(r.ReadInt16()));
    d.attributes.SetU16(kAttrDefaultWallStyle, std::uint16_t(r.ReadInt16()));
    d.attributes.SetU16(kAttrDefaultLinkStyle, std::uint16_t(r.ReadInt16()));
    d.attributes.SetU16(kAttrDefaultTextStyle, std::uint16_t(r.ReadInt16()));
  }
  // 7.
  if (v >= 3088) {
    d.v3088Bit = r.ReadBit() ? 1 : 0;
    d.v3088Bytes[0] = r.ReadByte();
    d.v3088Bytes[1] = r.ReadByte();
    d.v3088Ints[0] = r.ReadCompactU32();
    d.v3088Ints[1] = r.ReadCompactU32();
    r.ReadString(d.secondName, false);
    if (v >= 3089) d.v3089Byte = r.ReadByte();
  } else {
    (void)r.ReadBit();
  }
  // 8-9.
  d.attributes.SetI32(kAttrSetting204, std::int32_t(r.ReadBits(2)));
  d.fourBitSetting = std::uint8_t(r.ReadBits(4));
  if (v >= 3110) {
    d.fontWeights[0] = FontWeightFromStored(r.ReadByte());
    d.fontWeights[1] = FontWeightFromStored(r.ReadByte());
  }
  // 10. The prototype objects.
  std::unique_ptr<cOutObj> shape;
  std::unique_ptr<cOutObj> text;
  ReadPrototype(r, v, kTypeRectangle, shape);
  ReadPrototype(r, v, kTypeText, text);
  if (shape) d.SetPrototypeShape(std::move(shape));
  if (text) d.SetPrototypeText(std::move(text));
  // 11-13.
  d.realAfterPrototypes = r.ReadCompactDouble();
  if (v >= 3104) {
    d.viewPositions[0] = r.ReadCompactPoint();
    d.viewPositions[1] = r.ReadCompactPoint();
  } else {
    r.SkipBytes(8);
  }
  (void)r.ReadColor();
  (void)r.ReadCompactDouble();
  // 14. Grid.
  d.gridLeadBit = r.ReadBit() ? 1 : 0;
  d.gridMode = r.ReadBit() ? 1 : 0;
  d.gridStep = r.ReadCompactPoint();
  d.minStep = r.ReadCompactPoint();
  d.gridTwoBits = r.ReadBits(2);
  d.gridMode2 = r.ReadBit() ? 1 : 0;
  d.gridInts[0] = r.ReadCompactU32();
  d.gridInts[1] = r.ReadCompactU32();
  // 15-16.
  d.currentLevel = v < 3073 ? r.ReadOptionalByte() : r.ReadCompactU16();
  d.levelLeadBit = r.ReadBit() ? 1 : 0;
  d.unitReal = r.ReadRealOrUnit();
  for (std::uint8_t& bit : d.optionBits) bit = r.ReadBit() ? 1 : 0;
  // 17-18. The two lists of reals.
  if (!ReadRealList(r, d.guideLines[0])) return kLoadFirstRealListCut;
  if (!ReadRealList(r, d.guideLines[1])) return kLoadSecondRealListCut;
  // 19-21.
  if (v < 3102) d.storedCurrentPage = r.ReadOptionalByte();
  if (v >= 3080) {
    d.pageFlags[0] = r.ReadBit() ? 1 : 0;
    d.pageFlags[1] = r.ReadBit() ? 1 : 0;
  }
  if (v >= 3082) {
    d.sectorsOn = r.ReadBit() ? 1 : 0;
    if (d.sectorsOn) {
      ReadSectorSettings(r, d.sectors[0]);
      ReadSectorSettings(r, d.sectors[1]);
    }
  }
  if (v < 3068) d.pageResetFlag = r.ReadBit() ? 1 : 0;
  return kLoadOk;
}

}  // namespace kvn
