// The record of cInsert in every version row.
//
// From 3090 the current form (cInsert.h). 3061-3089: the same order with
// labels 0 and 1 split up: their positions and angles after the angle, their
// alignments (label 1 first) after the width value, their styles and texts
// after the name; attributes as packed UTF-16 text before 3073; the reserved
// value a compact u16 and the block index a 16-bit integer before 3072; the
// width mode one bit before 3067; the link number taken from the read's
// counter before 3082; strings in the long form before 3073.
// Before 3061 every real is a float, the attributes are packed text (8-bit
// before 3052), the name and label texts are zero-terminated (code page 1250
// before 3052), label styles are not stored before 3050 and label texts not
// before 3051, and label positions are block-relative before 3056.
#include <cmath>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/Geometry.h"
#include "model/ReadState.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cText.h"

namespace kvn {

namespace {

constexpr int kOldInsertNameCodePage = 1250;

// The two labels of records before 3090, as stored.
struct OldLabels {
  DPoint position[2];
  double angle[2] = {0.0, 0.0};
  std::uint8_t alignment[2] = {0, 0};
  std::uint16_t style[2] = {0x8000, 0x8001};
  WString text[2];
};

// n 16-bit units of packed attribute text; false (nothing read) when they
// are not all there.
bool ReadPackedWideAttributes(ArchiveReader& r, std::uint32_t n, AttributeList& out) {
  if (n == 0) {
    out.Clear();
    return true;
  }
  if (!r.CanRead(n, 2)) return false;
  std::vector<char16_t> units(n);
  for (std::uint32_t i = 0; i < n; ++i) units[i] = char16_t(r.ReadUInt16());
  out.ReadPackedWide(units.data(), units.size());
  return true;
}

bool ReadPacked8Attributes(ArchiveReader& r, std::uint32_t n, AttributeList& out) {
  if (n == 0) {
    out.Clear();
    return true;
  }
  if (!r.CanRead(n, 1)) return false;
  std::vector<std::uint8_t> bytes(n);
  if (r.Read(bytes.data(), n) != n) return false;
  out.ReadPacked8(bytes.data(), bytes.size());
  return true;
}

}  // namespace

// ---- writing -------------------------------------------------------------------------------

void cInsert::Write(cDrawingData* data, ArchiveWriter& w) const { WriteBody(data, w, 0, blockIndex); }

void cInsert::WriteBody(cDrawingData* data, ArchiveWriter& w, std::uint32_t reservedValue,
                        std::uint32_t index) const {
  WriteHeader(w);
  w.WriteRealPoint(point);
  w.WriteCompactDouble(angle);
  w.WriteUnitPoint(scale);
  w.WriteRealOrUnit(widthValue);
  attributes.Write(w);
  w.WriteByte(flags);
  w.WriteByte(optionByte);
  w.WriteCompactU32(reservedValue);
  w.WriteByte(widthMode);
  w.WriteBit(linkId != 0);
  if (linkId != 0) {
    w.WriteCompactU32(linkId);
    w.WriteCompactU16(linkNumber);
  }
  w.WriteColor(color);
  w.WriteString(name);
  for (int i = 0; i < kLabelSlots; ++i) {
    const InsertLabel* slot = GetLabelSlotAt(i);
    const bool present = slot && slot->present;
    w.WriteBit(present);
    if (!present) continue;
    w.WriteCompactPoint(slot->position);
    w.WriteCompactDouble(slot->angle);
    w.WriteBit(slot->keepAngle != 0);
    w.WriteBits(slot->alignment & 0x0F, 4);
    WriteTextStyleRef(w, slot->textStyle, data, true);
    w.WriteString(slot->text);
  }
  w.WriteCompactU32(index);
}

// ---- reading -------------------------------------------------------------------------------

ObjectChain cInsert::Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  if (!VersionBelow(version, 3061)) {
    ReadRow3061(context, data, r, version);
  } else {
    ReadFloatRow(context, data, r, version);
  }
  MarkDirty();
  return {};
}

void cInsert::ReadRow3061(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  const bool oldLabels = VersionBelow(version, 3090);
  OldLabels old;
  point = r.ReadRealPoint();
  angle = r.ReadCompactDouble();
  if (oldLabels) {
    for (int i = 0; i < 2; ++i) {
      old.position[i] = r.ReadCompactPoint();
      old.angle[i] = r.ReadCompactDouble();
    }
  }
  scale = r.ReadUnitPoint();
  widthValue = r.ReadRealOrUnit();
  if (oldLabels) {
    old.alignment[1] = std::uint8_t(r.ReadBits(4));
    old.alignment[0] = std::uint8_t(r.ReadBits(4));
  }
  if (VersionBelow(version, 3073)) {
    if (!ReadPackedWideAttributes(r, r.ReadCompactU32(), attributes)) return;
  } else {
    attributes.Read(r, version, true);
  }
  flags = r.ReadByte();
  optionByte = r.ReadByte();
  reserved = VersionBelow(version, 3072) ? r.ReadCompactU16() : r.ReadCompactU32();
  if (VersionBelow(version, 3067)) {
    widthMode = r.ReadBit() ? 1 : 0;
  } else {
    widthMode = r.ReadByte();
    if (r.ReadBit()) {
      linkId = r.ReadCompactU32();
      if (VersionBelow(version, 3082)) {
        if (context) linkNumber = ++context->linkedInsertCounter;
      } else {
        linkNumber = r.ReadCompactU16();
      }
    }
  }
  color = r.ReadColor();
  r.ReadString(name, VersionBelow(version, 3073));
  UpgradeFileNameFields(name, version);
  if (oldLabels) {
    for (int i = 0; i < 2; ++i) {
      old.style[i] = VersionBelow(version, 3077) ? r.ReadCompactU16() : ReadTextStyleRef(r, version, data, true);
    }
    for (int i = 0; i < 2; ++i) r.ReadString(old.text[i], VersionBelow(version, 3073));
    labels_.clear();
    for (int i = 0; i < 2; ++i) {
      const bool present = (flags & (i == 0 ? kInsertLabel0 : kInsertLabel1)) != 0;
      if (!present) continue;
      InsertLabel* slot = GetLabelSlot(i);
      slot->text = old.text[i];
      slot->position = old.position[i];
      slot->angle = old.angle[i];
      slot->keepAngle = (flags & (i == 0 ? kInsertKeepAngle0 : kInsertKeepAngle1)) ? 1 : 0;
      slot->alignment = old.alignment[i];
      slot->textStyle = (old.style[i] & 0x8000) ? std::uint16_t(0x8000 + i) : old.style[i];
    }
  } else {
    labels_.clear();
    for (int i = 0; i < kLabelSlots; ++i) {
      if (!r.ReadBit()) continue;
      InsertLabel* slot = GetLabelSlot(i);
      slot->position = r.ReadCompactPoint();
      slot->angle = r.ReadCompactDouble();
      slot->keepAngle = r.ReadBit() ? 1 : 0;
      slot->alignment = std::uint8_t(r.ReadBits(4));
      slot->textStyle = ReadTextStyleRef(r, version, data, true);
      r.ReadString(slot->text, false);
    }
  }
  blockIndex = VersionBelow(version, 3072) ? std::uint32_t(r.ReadUInt16()) : r.ReadCompactU32();
}

void cInsert::ReadFloatRow(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) {
  OldLabels old;
  point = r.ReadFloatPoint();
  angle = r.ReadFloat();
  for (int i = 0; i < 2; ++i) {
    old.position[i] = r.ReadFloatPoint();
    old.angle[i] = r.ReadFloat();
  }
  scale = r.ReadFloatPoint();
  widthValue = r.ReadFloat();
  if (version >= 3056) {
    old.alignment[1] = std::uint8_t(r.ReadBits(4));
    old.alignment[0] = std::uint8_t(r.ReadBits(4));
  }
  const std::uint32_t n = r.ReadRaw32();
  const bool attributesRead = version < 3052 ? ReadPacked8Attributes(r, n, attributes)
                                             : ReadPackedWideAttributes(r, n, attributes);
  if (!attributesRead) return;
  flags = r.ReadByte();
  optionByte = r.ReadByte();
  reserved = std::uint16_t(r.ReadInt16());
  if (version >= 3049) {
    widthMode = r.ReadByte();
    color = std::uint32_t(r.ReadInt32()) & 0x80FFFFFFu;
  }
  if (version < 3052) {
    name = WString(kOldInsertNameCodePage, ReadArchiveCString(r));
  } else {
    name = ReadArchiveWString(r);
  }
  UpgradeFileNameFields(name, version);

  // Label styles.
  if (version < 3050) {
    for (int i = 0; i < 2; ++i) {
      const bool present = (flags & (i == 0 ? kInsertLabel0 : kInsertLabel1)) != 0;
      if (present && data && context && context->labelTextAttributes) {
        old.style[i] = data->AddTextStyle(context->labelTextAttributes[i]);
      }
    }
  } else {
    for (int i = 0; i < 2; ++i) old.style[i] = std::uint16_t(r.ReadInt16());
    if (version < 3058) {
      for (int i = 0; i < 2; ++i) {
        if (old.style[i] != kNoStyle && (!data || old.style[i] >= data->TextStyles().Count())) {
          old.style[i] = kNoStyle;
        }
      }
    }
  }

  // Label texts.
  if (version < 3051) {
    WString value;
    GetFirstDescription(value);
    if ((flags & kInsertLabel0) && !value.IsEmpty()) old.text[0].AppendChar(char16_t(2));
    GetFirstValue(value);
    if ((flags & kInsertLabel1) && !value.IsEmpty()) old.text[1].AppendChar(char16_t(3));
  } else if (version == 3051) {
    for (int i = 0; i < 2; ++i) old.text[i] = WString(kOldInsertNameCodePage, ReadArchiveCString(r));
  } else {
    for (int i = 0; i < 2; ++i) old.text[i] = ReadArchiveWString(r);
  }

  // Block-relative label positions.
  if (version < 3056) {
    for (int i = 0; i < 2; ++i) {
      DPoint p{point.x + scale.x * old.position[i].x, point.y + scale.y * old.position[i].y};
      RotatePoint(p, point, -angle);
      old.position[i] = p;
    }
  }

  labels_.clear();
  for (int i = 0; i < 2; ++i) {
    const bool present = (flags & (i == 0 ? kInsertLabel0 : kInsertLabel1)) != 0;
    if (!present) continue;
    InsertLabel* slot = GetLabelSlot(i);
    slot->text = old.text[i];
    slot->position = old.position[i];
    slot->angle = old.angle[i];
    slot->keepAngle = (flags & (i == 0 ? kInsertKeepAngle0 : kInsertKeepAngle1)) ? 1 : 0;
    slot->alignment = old.alignment[i];
    slot->textStyle = (old.style[i] & 0x8000) ? std::uint16_t(0x8000 + i) : old.style[i];
  }
  blockIndex = std::uint32_t(r.ReadUInt16());
}

}  // namespace kvn
