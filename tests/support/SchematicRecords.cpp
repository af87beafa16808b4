#include "tests/support/SchematicRecords.h"

#include <cfloat>

#include "foundation/ArchiveWriter.h"
#include "foundation/WString.h"

namespace kvn::test {

namespace {

WString W(const std::u16string& s) { return WString(std::u16string_view(s)); }

// Old byte strings: the fixtures use ASCII, which code page 1250 keeps.
void WriteNarrow(ArchiveWriter& w, const std::u16string& s) {
  for (char16_t c : s) w.WriteByte(std::uint8_t(c));
  w.WriteByte(0);
}

void WriteWide(ArchiveWriter& w, const std::u16string& s) {
  for (char16_t c : s) w.WriteUInt16(c);
  w.WriteUInt16(0);
}

// A string of the archive: the long form (compact 32-bit length) before 3073.
void WriteStringAt(ArchiveWriter& w, int version, const std::u16string& s) {
  if (version >= 3073) {
    w.WriteString(W(s));
    return;
  }
  // The long form: a compact 32-bit length; each unit below 128 as a bit 0
  // and seven bits, any other as a bit 1 and two bytes.
  w.WriteCompactU32(std::uint32_t(s.size()));
  for (char16_t c : s) {
    if (c < 128) {
      w.WriteBit(false);
      w.WriteBits(c, 7);
    } else {
      w.WriteBit(true);
      w.WriteByte(std::uint8_t(c & 0xFF));
      w.WriteByte(std::uint8_t(c >> 8));
    }
  }
}

}  // namespace

void WriteAttributesAt(ArchiveWriter& w, int version, const std::vector<AttributeFixture>& items) {
  if (version >= 3073) {
    w.WriteCompactU32(std::uint32_t(items.size()));
    for (const AttributeFixture& item : items) {
      if (version < 3075) {
        w.WriteByte(item.kind);
      } else {
        w.WriteBits(item.kind, 2);
        w.WriteBit(item.flag);
      }
      w.WriteString(W(item.name));
      w.WriteString(W(item.value));
      w.WriteString(W(item.third));
    }
    return;
  }
  // Packed text: {key, name, value} ... key 0; the key is kind + 4 so that
  // it is never 0.
  const bool wide = version >= 3052;
  std::vector<std::uint8_t> packed = Archive([&](ArchiveWriter& a) {
    for (const AttributeFixture& item : items) {
      if (wide) {
        a.WriteUInt16(std::uint16_t(item.kind + 4));
        WriteWide(a, item.name);
        WriteWide(a, item.value);
      } else {
        a.WriteByte(std::uint8_t(item.kind + 4));
        WriteNarrow(a, item.name);
        WriteNarrow(a, item.value);
      }
    }
    if (wide) {
      a.WriteUInt16(0);
    } else {
      a.WriteByte(0);
    }
  });
  const std::uint32_t n = std::uint32_t(wide ? packed.size() / 2 : packed.size());
  w.WriteRaw32(items.empty() ? 0 : n);
  if (!items.empty()) w.Write(packed.data(), std::uint32_t(packed.size()));
}

void WriteTextStyleAt(ArchiveWriter& w, int version, std::uint16_t ref) {
  if (version > 3089) {
    const bool builtin = (ref & 0xFFF8u) == 0x8000u;
    w.WriteBit(builtin);
    if (builtin) {
      w.WriteBits(ref & 7u, 3);
      return;
    }
  }
  WriteStyleIndexRef(w, ref);
}

void WriteLinkRecord(ArchiveWriter& w, int version, const LinkFixture& f) {
  if (version < 3050) {
    // A polygon record: header, line part, fill part, one list of floats.
    WriteHeaderAt(w, version, f.header);
    WriteLinePartAt(w, version, f.line);
    WriteFillPartAt(w, version, FillPartFixture{});
    w.WriteByte(0);  // list flags: open, straight
    w.WriteUInt16(std::uint16_t(f.points.size()));
    for (const DPoint& p : f.points) WriteFloatPoint(w, p.x, p.y);
  } else {
    WriteHeaderAt(w, version, f.header);
    if (version < 3077) {
      w.WriteUInt16(f.linkStyle);
    } else {
      WriteStyleIndexRef(w, f.linkStyle);
    }
    w.WriteByte(0);
    if (version < 3061) {
      w.WriteUInt16(std::uint16_t(f.points.size()));
      for (const DPoint& p : f.points) WriteFloatPoint(w, p.x, p.y);
    } else {
      w.WriteCompactU16(std::uint16_t(f.points.size()));
      for (std::size_t i = 0; i < f.points.size(); ++i) {
        if (i == 0) {
          w.WriteReal(f.points[0].x);
          w.WriteReal(f.points[0].y);
        } else {
          w.WriteDeltaValue(f.points[i].x, f.points[i - 1].x);
          w.WriteDeltaValue(f.points[i].y, f.points[i - 1].y);
        }
      }
    }
  }
  if (version < 3078) w.WriteByte(f.flagA ? 0x80 : 0x00);
  if (version < 3072) {
    w.WriteUInt16(std::uint16_t(f.end1));
    w.WriteUInt16(f.index1);
    w.WriteUInt16(std::uint16_t(f.end2));
    w.WriteUInt16(f.index2);
  } else {
    w.WriteCompactU32(f.end1);
    w.WriteCompactU16(f.end1 ? f.index1 : 0);
    w.WriteCompactU32(f.end2);
    w.WriteCompactU16(f.end2 ? f.index2 : 0);
  }
  WriteAttributesAt(w, version, f.attributes);
  if (version >= 3078) {
    const bool anchored = f.anchor && f.end1 && f.end2 && f.flagA;
    w.WriteBit(f.flagA);
    w.WriteBit(f.flagB);
    w.WriteBit(anchored);
    w.WriteBit(f.labelShown);
    if (anchored) w.WriteRealPoint(f.anchorPoint);
    if (f.labelShown) {
      w.WriteRealPoint(f.labelPosition);
      WriteTextStyleAt(w, version, f.labelStyle);
      w.WriteBits(f.labelAlignment, 8);
      w.WriteCompactDouble(f.labelAngle);
      w.WriteString(W(f.labelText));
    }
  }
  if (version >= 3089) w.WriteCompactDouble(f.sizeValue);
}

std::vector<std::uint8_t> LinkRecordAt(int version, const LinkFixture& f) {
  return Archive([&](ArchiveWriter& w) { WriteLinkRecord(w, version, f); });
}

void WriteDistanceRecord(ArchiveWriter& w, int version, const DistanceFixture& f) {
  WriteHeaderAt(w, version, f.header);
  if (version >= 3084) {
    WriteLinePartAt(w, version, f.line);
    w.WriteCompactDouble(f.textAngle);
  }
  if (version >= 3061) {
    w.WriteRealPoint(f.first);
    w.WriteDeltaPoint(f.second, f.first);
    w.WriteRealPoint(f.textPoint);
    w.WriteBits(f.flags, 8);
    if (version < 3077) {
      w.WriteCompactU16(f.textStyle);
    } else {
      WriteTextStyleAt(w, version, f.textStyle);
    }
    WriteStringAt(w, version, f.prefix);
    WriteStringAt(w, version, f.suffix);
  } else {
    WriteFloatPoint(w, f.first.x, f.first.y);
    WriteFloatPoint(w, f.second.x, f.second.y);
    WriteFloatPoint(w, f.textPoint.x, f.textPoint.y);
    w.WriteByte(f.flags);
    if (version >= 3050) w.WriteUInt16(f.textStyle);
    if (version >= 3052) {
      WriteWide(w, f.prefix);
      WriteWide(w, f.suffix);
    } else {
      WriteNarrow(w, f.prefix);
      WriteNarrow(w, f.suffix);
    }
  }
}

std::vector<std::uint8_t> DistanceRecordAt(int version, const DistanceFixture& f) {
  return Archive([&](ArchiveWriter& w) { WriteDistanceRecord(w, version, f); });
}

void WriteConPointRecord(ArchiveWriter& w, int version, const ConPointFixture& f) {
  WriteHeaderAt(w, version, f.header);
  if (version < 3061) {
    WriteFloatPoint(w, f.position.x, f.position.y);
    WriteFloat(w, f.noAngle ? double(FLT_MAX) : f.angle);
    return;
  }
  w.WriteRealPoint(f.position);
  w.WriteCompactDouble(f.angle);
  if (version < 3081) return;
  w.WriteBit(!f.name.empty());
  if (f.name.empty()) return;
  w.WriteString(W(f.name));
  w.WriteBit(f.labelShown);
  if (!f.labelShown) return;
  w.WriteRealPoint(f.labelPosition);
  WriteTextStyleAt(w, version, f.labelStyle);
  w.WriteBits(f.labelAlignment, 8);
  w.WriteCompactDouble(f.labelAngle);
  w.WriteBit(f.fixedLabelAngle);
}

std::vector<std::uint8_t> ConPointRecordAt(int version, const ConPointFixture& f) {
  return Archive([&](ArchiveWriter& w) { WriteConPointRecord(w, version, f); });
}

void WriteSeparatorRecord(ArchiveWriter& w, int version, const SeparatorFixture& f) {
  WriteHeaderAt(w, version, f.header);
  w.WriteByte(f.flag);
  if (version >= 3052) {
    WriteWide(w, f.name);
  } else {
    WriteNarrow(w, f.name);
  }
}

std::vector<std::uint8_t> SeparatorRecordAt(int version, const SeparatorFixture& f) {
  return Archive([&](ArchiveWriter& w) { WriteSeparatorRecord(w, version, f); });
}

void WriteSectionRecord(ArchiveWriter& w, int version, const SectionFixture& f) {
  WriteHeaderAt(w, version, f.header);
  w.WriteRealPoint(f.insertPoint);
  const bool automatic = version >= 3082 && f.automaticFrame;
  if (version >= 3082) w.WriteBit(automatic);
  if (!automatic) w.WriteRealPoint(f.framePoint);
  w.WriteReal(f.scale);
  w.WriteRealPoint(f.sourcePoint);
  w.WriteCompactDouble(f.angle);
  if (version >= 3102) {
    w.WriteUInt16(f.sheetIndex);
    w.WriteUInt16(f.page);
  } else {
    w.WriteByte(std::uint8_t(f.sheetIndex));
    w.WriteByte(std::uint8_t(f.page));
  }
  if (version >= 3069) {
    w.WriteBit(f.recolour);
    if (f.recolour) w.WriteColor(f.color);
  }
  if (version < 3070) return;
  w.WriteBit(f.selection);
  if (!f.selection) return;
  if (version < 3073) {
    w.WriteByte(std::uint8_t(f.storedValueCount >= 0 ? f.storedValueCount : int(f.values.size())));
    for (std::uint16_t v : f.values) w.WriteByte(std::uint8_t(v));
  } else {
    w.WriteUInt16(std::uint16_t(f.storedValueCount >= 0 ? f.storedValueCount : int(f.values.size())));
    for (std::uint16_t v : f.values) w.WriteUInt16(v);
  }
  if (version < 3082) return;
  w.WriteCompactU16(std::uint16_t(f.names.size()));
  for (const std::u16string& name : f.names) w.WriteString(W(name));
}

std::vector<std::uint8_t> SectionRecordAt(int version, const SectionFixture& f) {
  return Archive([&](ArchiveWriter& w) { WriteSectionRecord(w, version, f); });
}

}  // namespace kvn::test
