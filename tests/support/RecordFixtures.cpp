#include "tests/support/RecordFixtures.h"

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
