#include "tests/support/InsertFixtures.h"

#include "foundation/WString.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {

namespace {

void WriteU16(ArchiveWriter& w, std::uint16_t v) {
  const std::uint8_t b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
  w.Write(b, 2);
}

// Short form: compact u16 length; long form (before 3073): compact u32.
void WriteStringForm(ArchiveWriter& w, const std::u16string& s, bool longForm) {
  if (longForm) {
    w.WriteCompactU32(std::uint32_t(s.size()));
  } else {
    w.WriteCompactU16(std::uint16_t(s.size()));
  }
  for (char16_t u : s) {
    if (u < 0x80) {
      w.WriteByte(std::uint8_t(u));
    } else {
      w.WriteBit(true);
      WriteU16(w, u);
    }
  }
}

// The packed text of old records: {kind, name 0, value 0} ... 0.
std::u16string PackedAttributes(const InsertFixture& f) {
  std::u16string packed;
  for (const auto& a : f.attributes) {
    packed.push_back(char16_t(a.kind ? a.kind : 4));
    packed += a.name;
    packed.push_back(0);
    packed += a.value;
    packed.push_back(0);
  }
  if (!packed.empty()) packed.push_back(0);
  return packed;
}

// The attribute list record (from 3073): count; per item the kind (a byte
// before 3075, else 2 bits and the flag bit), name, value, third text.
void WriteAttributeList(ArchiveWriter& w, int version, const InsertFixture& f) {
  w.WriteCompactU32(std::uint32_t(f.attributes.size()));
  for (const auto& a : f.attributes) {
    if (version < 3075) {
      w.WriteByte(a.kind);
    } else {
      w.WriteBits(a.kind & 3, 2);
      w.WriteBit(a.flag != 0);
    }
    WriteStringForm(w, a.name, false);
    WriteStringForm(w, a.value, false);
    WriteStringForm(w, u"", false);
  }
}

void WriteBuiltinStyleRef(ArchiveWriter& w, int version, std::uint16_t style) {
  if (version > 3089) {
    w.WriteBit((style & 0x8000) != 0 && style != 65535);
    if ((style & 0x8000) && style != 65535) {
      w.WriteBits(style & 7, 3);
      return;
    }
  }
  WriteStyleIndexRef(w, style);
}

void WriteCurrentLabels(ArchiveWriter& w, int version, const InsertFixture& f) {
  for (const auto& l : f.labels) {
    w.WriteBit(l.present);
    if (!l.present) continue;
    w.WriteCompactPoint(l.position);
    w.WriteCompactDouble(l.angle);
    w.WriteBit(l.keepAngle);
    w.WriteBits(l.alignment & 15, 4);
    WriteBuiltinStyleRef(w, version, l.style);
    WriteStringForm(w, l.text, false);
  }
}

void WriteRow3061(ArchiveWriter& w, int version, const InsertFixture& f) {
  const bool oldLabels = version < 3090;
  const bool longStrings = version < 3073;
  w.WriteRealPoint(f.point);
  w.WriteCompactDouble(f.angle);
  if (oldLabels) {
    for (int i = 0; i < 2; ++i) {
      w.WriteCompactPoint(f.labels[std::size_t(i)].position);
      w.WriteCompactDouble(f.labels[std::size_t(i)].angle);
    }
  }
  w.WriteUnitPoint(f.scale);
  w.WriteRealOrUnit(f.width);
  if (oldLabels) {
    w.WriteBits(f.labels[1].alignment & 15, 4);
    w.WriteBits(f.labels[0].alignment & 15, 4);
  }
  if (version < 3073) {
    const std::u16string packed = PackedAttributes(f);
    w.WriteCompactU32(std::uint32_t(packed.size()));
    for (char16_t u : packed) WriteU16(w, u);
  } else {
    WriteAttributeList(w, version, f);
  }
  w.WriteByte(f.flags);
  w.WriteByte(f.option);
  if (version < 3072) {
    w.WriteCompactU16(std::uint16_t(f.reserved));
  } else {
    w.WriteCompactU32(f.reserved);
  }
  if (version < 3067) {
    w.WriteBit((f.widthMode & 1) != 0);
  } else {
    w.WriteByte(f.widthMode);
    w.WriteBit(f.linkId != 0);
    if (f.linkId != 0) {
      w.WriteCompactU32(f.linkId);
      if (version >= 3082) w.WriteCompactU16(f.linkNumber);
    }
  }
  w.WriteColor(f.color);
  WriteStringForm(w, f.name, longStrings);
  if (oldLabels) {
    for (int i = 0; i < 2; ++i) {
      if (version < 3077) {
        w.WriteCompactU16(f.labels[std::size_t(i)].style);
      } else {
        WriteBuiltinStyleRef(w, version, f.labels[std::size_t(i)].style);
      }
    }
    for (int i = 0; i < 2; ++i) WriteStringForm(w, f.labels[std::size_t(i)].text, longStrings);
  } else {
    WriteCurrentLabels(w, version, f);
  }
  if (version < 3072) {
    WriteU16(w, std::uint16_t(f.blockIndex));
  } else {
    w.WriteCompactU32(f.blockIndex);
  }
}

void WriteFloatRow(ArchiveWriter& w, int version, const InsertFixture& f) {
  WriteFloatPoint(w, f.point.x, f.point.y);
  WriteFloat(w, f.angle);
  for (int i = 0; i < 2; ++i) {
    const auto& l = f.labels[std::size_t(i)];
    WriteFloatPoint(w, l.position.x, l.position.y);
    WriteFloat(w, l.angle);
  }
  WriteFloatPoint(w, f.scale.x, f.scale.y);
  WriteFloat(w, f.width);
  if (version >= 3056) {
    w.WriteBits(f.labels[1].alignment & 15, 4);
    w.WriteBits(f.labels[0].alignment & 15, 4);
  }
  const std::u16string packed = PackedAttributes(f);
  w.WriteRaw32(std::uint32_t(packed.size()));
  for (char16_t u : packed) {
    if (version < 3052) {
      w.WriteByte(std::uint8_t(u));
    } else {
      WriteU16(w, u);
    }
  }
  w.WriteByte(f.flags);
  w.WriteByte(f.option);
  WriteU16(w, std::uint16_t(f.reserved));
  if (version >= 3049) {
    w.WriteByte(f.widthMode);
    w.WriteRaw32(f.color);
  }
  auto writeZeroTerminated = [&](const std::u16string& s, bool narrow) {
    for (char16_t u : s) {
      if (narrow) {
        w.WriteByte(std::uint8_t(u));
      } else {
        WriteU16(w, u);
      }
    }
    if (narrow) {
      w.WriteByte(0);
    } else {
      WriteU16(w, 0);
    }
  };
  writeZeroTerminated(f.name, version < 3052);
  if (version >= 3050) {
    WriteU16(w, f.labels[0].style);
    WriteU16(w, f.labels[1].style);
  }
  if (version >= 3051) {
    for (int i = 0; i < 2; ++i) writeZeroTerminated(f.labels[std::size_t(i)].text, version < 3052);
  }
  WriteU16(w, std::uint16_t(f.blockIndex));
}

}  // namespace

void WriteInsertAt(ArchiveWriter& w, int version, const InsertFixture& f) {
  if (version >= 3061) {
    WriteRow3061(w, version, f);
  } else {
    WriteFloatRow(w, version, f);
  }
}

}  // namespace kvn::test
