#include "tests/support/RecordFixtures.h"

#include <cstring>

#include "foundation/WString.h"

namespace kvn::test {

std::vector<std::uint8_t> Archive(const std::function<void(ArchiveWriter&)>& write) {
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    write(w);
  }
  return {sink.begin(), sink.end()};
}

MemoryArchive::MemoryArchive(const std::vector<std::uint8_t>& bytes) {
  bytes_.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  in_ = std::make_unique<InFileStream>(WString(), true, &bytes_);
  reader_ = std::make_unique<ArchiveReader>(in_.get());
}

namespace {
std::uint8_t PageByte(std::uint16_t id) { return id == 4095 ? 255 : std::uint8_t(id); }
}  // namespace

void WriteHeaderAt(ArchiveWriter& w, int version, const HeaderFixture& h) {
  if (version < 3061) {
    w.WriteByte(std::uint8_t(h.level));
  } else if (version < 3073) {
    w.WriteSmallByte(std::uint8_t(h.level));
  } else if (version < 3094) {
    w.WriteCompactU16(h.level);
  } else if (h.level == 65535) {
    w.WriteBit(false);
  } else {
    w.WriteBit(true);
    w.WriteCompactU16(h.level);
  }

  if (version >= 3059 && version < 3061) {
    w.WriteByte(PageByte(h.pageId));
  } else if (version >= 3061 && version < 3082) {
    w.WriteSmallByte(PageByte(h.pageId));
  } else if (version >= 3082) {
    const bool compact = version >= 3102;
    auto id = [&](std::uint16_t v) {
      if (compact) {
        w.WriteCompactU16(v);
      } else {
        w.WriteSmallByte(PageByte(v));
      }
    };
    if (!h.pages.empty() || h.forceList) {
      w.WriteBits(3, 2);
      id(std::uint16_t(h.pages.size()));
      if (h.pages.size() == 1) {
        id(h.pages[0]);
      } else if (compact) {
        for (std::uint16_t p : h.pages) w.WriteCompactU16(p);
      } else {
        for (std::uint16_t p : h.pages) w.WriteByte(std::uint8_t(p));
      }
    } else if (h.pageId == 4095) {
      w.WriteBits(2, 2);
    } else if (h.pageId == 0) {
      w.WriteBits(0, 2);
    } else {
      w.WriteBits(1, 2);
      id(h.pageId);
    }
  }
  if (version >= 3080) w.WriteBit(h.stored);
  if (version >= 3081) w.WriteBit(h.hidden);
}

}  // namespace kvn::test

namespace kvn::test {

void WriteFloat(ArchiveWriter& w, double v) {
  const float f = float(v);
  std::uint32_t bits;
  std::memcpy(&bits, &f, 4);
  w.WriteRaw32(bits);
}

void WriteFloatPoint(ArchiveWriter& w, double x, double y) {
  WriteFloat(w, x);
  WriteFloat(w, y);
}

void WriteCString(ArchiveWriter& w, const char* bytes) {
  for (; *bytes; ++bytes) w.WriteByte(std::uint8_t(*bytes));
  w.WriteByte(0);
}

void WriteWString16(ArchiveWriter& w, const char16_t* units) {
  for (; *units; ++units) w.WriteUInt16(*units);
  w.WriteUInt16(0);
}

void WriteStyleIndexRef(ArchiveWriter& w, std::uint16_t index) {
  if (index == 65535) {
    w.WriteBit(false);
    return;
  }
  w.WriteBit(true);
  w.WriteBit(false);
  w.WriteCompactU16(index);
}

void WriteLinePartAt(ArchiveWriter& w, int version, const LinePartFixture& f) {
  if (version >= 3098) {
    if (f.styled) {
      WriteStyleIndexRef(w, f.lineStyle);
    } else {
      w.WriteSmallByte(f.lineType);
    }
    w.WriteColor(f.color);
    if (version >= 3111) w.WriteColor(f.gapColor);
    w.WriteCompactDouble(f.width);
    w.WriteRealOrUnit(f.patternScale);
    w.WriteBit(f.pen);
  } else if (version >= 3061) {
    if (f.styled) {
      if (version < 3077) {
        w.WriteCompactU16(f.lineStyle);
      } else {
        WriteStyleIndexRef(w, f.lineStyle);
      }
      return;
    }
    w.WriteColor(f.color);
    w.WriteCompactDouble(f.width);
    w.WriteSmallByte(f.lineType);
    w.WriteRealOrUnit(f.patternScale);
    if (version >= 3062) w.WriteBit(f.pen);
  } else {
    if (f.styled) {
      w.WriteUInt16(f.lineStyle);
      return;
    }
    w.WriteRaw32(f.color);
    WriteFloat(w, f.width);
    w.WriteByte(f.lineType);
    if (version < 3050) {
      WriteFloat(w, f.oldLength);
      if (f.lineType & 0x80) {
        WriteFloat(w, f.oldRepeat);
        WriteFloat(w, f.oldOffset);
        w.WriteByte(f.oldSymbolByte);
      }
    }
    if (version >= 3058) WriteFloat(w, f.patternScale);
  }
}

void WriteFillPartAt(ArchiveWriter& w, int version, const FillPartFixture& f) {
  auto opacity = [&]() {
    if (f.opacity < 255) {
      w.WriteBit(true);
      w.WriteByte(f.opacity);
    } else {
      w.WriteBit(false);
    }
  };
  if (version >= 3098) {
    if (f.styled) {
      WriteStyleIndexRef(w, f.fillStyle);
    } else {
      w.WriteSmallByte(f.hatchKind);
    }
    w.WriteColor(f.fillColor);
    if (!(f.fillColor & 0x80000000u)) opacity();
    w.WriteColor(f.hatchColor);
    w.WriteCompactDouble(f.hatchValue);
    w.WriteRealOrUnit(f.hatchScale);
  } else if (version >= 3061) {
    if (f.styled) {
      if (version < 3077) {
        w.WriteCompactU16(f.fillStyle);
      } else {
        WriteStyleIndexRef(w, f.fillStyle);
      }
      return;
    }
    w.WriteSmallByte(f.hatchKind);
    w.WriteColor(f.fillColor);
    if (version >= 3079) opacity();
    if (f.hatchKind != 0) {
      w.WriteColor(f.hatchColor);
      w.WriteCompactDouble(f.hatchValue);
      w.WriteRealOrUnit(f.hatchScale);
    }
  } else if (f.styled) {
    w.WriteUInt16(f.fillStyle);
  } else if (version >= 3053) {
    w.WriteByte(f.hatchKind);
    w.WriteRaw32(f.fillColor);
    if (f.hatchKind != 0) {
      w.WriteRaw32(f.hatchColor);
      if (version >= 3056) WriteFloat(w, f.hatchValue);
      if (version >= 3058) WriteFloat(w, f.hatchScale);
    }
  } else {
    w.WriteByte(f.hatchKind);
    w.WriteRaw32(f.fillColor);
  }
}

}  // namespace kvn::test
