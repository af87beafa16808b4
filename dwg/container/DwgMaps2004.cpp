#include <cstring>

#include "dwg/container/DwgSection2004.h"

namespace kvn {

namespace {

std::uint32_t U32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
         std::uint32_t(b[at + 3]) << 24;
}

std::uint64_t MapU64(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint64_t(U32(b, at)) | std::uint64_t(U32(b, at + 4)) << 32;
}

}  // namespace

std::vector<DwgPageMapRecord> ParseDwgPageMap2004(std::span<const std::uint8_t> bytes) {
  std::vector<DwgPageMapRecord> records;
  const std::size_t pairs = bytes.size() / 8;
  std::uint64_t address = 0;
  for (std::size_t i = 0; i < pairs; ++i) {
    DwgPageMapRecord& record = records.emplace_back();
    record.number = std::int32_t(U32(bytes, i * 8));
    record.size = U32(bytes, i * 8 + 4);
    record.address = address;
    address += record.size;
    if (record.number < 0 && i + 2 < pairs) {
      record.gapParent = U32(bytes, (i + 1) * 8);
      record.gapLeft = U32(bytes, (i + 1) * 8 + 4);
      record.gapRight = U32(bytes, (i + 2) * 8);
      i += 2;
    }
  }
  return records;
}

bool ParseDwgSectionMap2004(std::span<const std::uint8_t> bytes, std::vector<DwgSectionDescription>& sections,
                            std::uint16_t& detail) {
  sections.clear();
  if (bytes.size() < 20) {
    detail = 10050;
    return false;
  }
  const std::uint32_t count = U32(bytes, 0);
  std::size_t at = 20;
  for (std::uint32_t s = 0; s < count; ++s) {
    if (bytes.size() - at < 96) {
      detail = 10051;
      return false;
    }
    DwgSectionDescription& d = sections.emplace_back();
    d.dataSize = MapU64(bytes, at);
    d.pageCount = U32(bytes, at + 8);
    d.largestPage = U32(bytes, at + 12);
    d.compressed = U32(bytes, at + 20);
    d.sectionId = U32(bytes, at + 24);
    d.encrypted = U32(bytes, at + 28);
    const char* name = reinterpret_cast<const char*>(bytes.data() + at + 32);
    d.name.assign(name, strnlen(name, 64));
    at += 96;
    for (std::uint32_t p = 0; p < d.pageCount; ++p) {
      if (bytes.size() - at < 16) {
        detail = 10052;
        return false;
      }
      d.pages.push_back({U32(bytes, at), U32(bytes, at + 4), MapU64(bytes, at + 8)});
      at += 16;
    }
  }
  return true;
}

}  // namespace kvn
