#include <memory>
#include <string>
#include <string_view>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgDecompress2007.h"
#include "dwg/container/DwgSection2007.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"

namespace kvn {

namespace {

std::uint64_t U64(std::span<const std::uint8_t> b, std::size_t at) {
  std::uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | b[at + std::size_t(k)];
  return v;
}

WString FileNamePart2007(const WString& path) {
  const std::u16string_view view = path.View();
  const std::size_t slash = view.find_last_of(u"/\\");
  return WString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

std::uint32_t SizeOf(const DwgSection2007& section) {
  const std::uint64_t size = section.Record()->dataSize;
  return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(size);
}

// Tries the estimated block count, then one fewer, down to 4.
bool ReadSystemPage(InFileStream& in, std::uint64_t position, std::uint64_t compressed, std::uint64_t decompressed,
                    std::vector<std::uint8_t>& out) {
  std::uint64_t k = RsBlockCount2007(decompressed);
  if (k < 4) return false;
  // No more blocks than the file holds.
  const std::uint64_t left = position < in.Size() ? (in.Size() - position) / 255 : 0;
  if (k > left) k = left;
  for (; k >= 4; --k) {
    if (ReadRsPage2007(in, position, true, compressed, decompressed, k, out) && !out.empty()) return true;
  }
  return false;
}

bool ParseSections(std::span<const std::uint8_t> bytes, std::uint64_t count,
                   std::vector<DwgSectionRecord2007>& sections) {
  std::size_t at = 0;
  // Each record takes at least 64 bytes: no more records than that allows.
  if (count > bytes.size() / 64) return false;
  for (std::uint64_t s = 0; s < count; ++s) {
    if (bytes.size() - at < 64) return false;
    DwgSectionRecord2007& record = sections.emplace_back();
    record.dataSize = U64(bytes, at);
    record.largestPage = U64(bytes, at + 8);
    record.encrypted = U64(bytes, at + 16);
    record.hash = U64(bytes, at + 24);
    const std::uint64_t nameLength = U64(bytes, at + 32);
    const std::uint64_t pageCount = U64(bytes, at + 56);
    at += 64;
    if (nameLength > bytes.size() - at) return false;
    at += std::size_t(nameLength);
    if (pageCount > (bytes.size() - at) / 56) return false;
    for (std::uint64_t p = 0; p < pageCount; ++p) {
      DwgSectionPage2007 page;
      page.offset = U64(bytes, at);
      page.pageSize = U64(bytes, at + 8);
      page.id = std::int64_t(U64(bytes, at + 16));
      page.decompressedSize = U64(bytes, at + 24);
      page.compressedSize = U64(bytes, at + 32);
      record.pages.push_back(page);
      at += 56;
    }
  }
  return true;
}

void Record(DwgLoadReport* report, const DwgSection2007& section, const char* name) {
  if (!report) return;
  report->pagesRead[name] += section.PagesRead();
  if (section.Failure() != DwgPageFailure::None) report->pagesFailed.emplace_back(name, DwgPageFailureText(section.Failure()));
}

}  // namespace

bool ReadDwgContainer2007(DwgReader& reader, InFileStream& in, DwgLoadReport* report) {
  auto fail = [&](std::uint16_t detail, std::uint16_t message = 0) {
    reader.SetReaderError(detail, message);
    return false;
  };
  auto systemFailure = [&](const char* page) {
    if (report) report->pagesFailed.emplace_back(page, "Reed-Solomon or decompression");
  };
  std::vector<std::uint8_t> raw(255 * 3);
  if (!in.Seek(0x80) || in.Read(raw.data(), std::uint32_t(raw.size())) != raw.size()) return fail(10031);
  std::vector<std::uint8_t> headerData;
  if (!DecodeRsBlocks2007(raw, true, 3, headerData)) {
    systemFailure("file header");
    return fail(10031);
  }
  const std::int32_t compressed = std::int32_t(std::uint32_t(headerData[24]) | std::uint32_t(headerData[25]) << 8 |
                                               std::uint32_t(headerData[26]) << 16 |
                                               std::uint32_t(headerData[27]) << 24);
  std::vector<std::uint8_t> body;
  if (compressed >= 1) {
    if (std::size_t(compressed) > headerData.size() - 32 ||
        !DecompressDwg2007(std::span(headerData).subspan(32, std::size_t(compressed)), body, 0x110)) {
      return fail(10032);
    }
  } else {
    body.assign(headerData.begin() + 32, headerData.begin() + 32 + 0x110);
  }
  // A shorter body reads as zeros past its end.
  body.resize(0x110, 0);
  const std::uint64_t pageMapOffset = U64(body, 0x38);
  const std::uint64_t pageMapCompressed = U64(body, 0x50);
  const std::uint64_t pageMapSize = U64(body, 0x58);
  const std::uint64_t pageMapEntries = U64(body, 0x60);
  const std::uint64_t sectionCount = U64(body, 0xA0);
  const std::uint64_t sectionMapCompressed = U64(body, 0xB0);
  const std::uint64_t sectionMapId = UnsignedId(std::int64_t(U64(body, 0xC0)));
  const std::uint64_t sectionMapSize = U64(body, 0xC8);

  if (std::int64_t(pageMapEntries) < 0 || std::int64_t(pageMapSize) < 0 || pageMapEntries > pageMapSize / 16) {
    return fail(10033);
  }
  std::vector<std::uint8_t> map;
  if (pageMapSize > kDwgPageCap || pageMapOffset > in.Size() ||
      !ReadSystemPage(in, pageMapOffset + 0x480, pageMapCompressed, pageMapSize + 80, map) ||
      pageMapEntries > map.size() / 16) {
    systemFailure("page map");
    return fail(10034);
  }
  std::vector<DwgPageRecord2007> pageMap;
  std::uint64_t position = 0x480;
  for (std::uint64_t i = 0; i < pageMapEntries; ++i) {
    DwgPageRecord2007& record = pageMap.emplace_back();
    record.size = U64(map, std::size_t(i * 16));
    record.id = std::int64_t(U64(map, std::size_t(i * 16 + 8)));
    record.position = position;
    // Past the file, the sum only has to stay in range.
    position = record.size > in.Size() ? in.Size() + 1 : position + record.size;
  }
  const DwgPageRecord2007* sectionMapPage = nullptr;
  for (const DwgPageRecord2007& record : pageMap) {
    if (UnsignedId(record.id) == sectionMapId) {
      sectionMapPage = &record;
      break;
    }
  }
  if (!sectionMapPage) return fail(10035);
  std::vector<DwgSectionRecord2007> sections;
  if (sectionMapSize > kDwgPageCap || RsBlockCount2007(sectionMapSize) < 4 ||
      !ReadSystemPage(in, sectionMapPage->position, sectionMapCompressed, sectionMapSize, map) ||
      !ParseSections(map, sectionCount, sections)) {
    systemFailure("section map");
    return fail(10036);
  }

  auto open = [&](std::uint32_t hash, std::uint16_t missing) -> std::unique_ptr<DwgSection2007> {
    auto section = std::make_unique<DwgSection2007>(in, pageMap, sections, hash);
    if (!section->Found()) {
      fail(missing, std::uint16_t(section->Status()));
      return nullptr;
    }
    reader.SetSource(section.get());
    return section;
  };
  {
    auto section = open(0x32B803D9u, 505);
    if (!section) return false;
    const bool read = reader.ReadDwgHeaderVariables(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section, "AcDb:Header");
    if (!read) return fail(10037);
  }
  {
    auto section = open(0x3F54045Fu, 506);
    if (!section) return false;
    reader.ReadDwgClasses(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section, "AcDb:Classes");
  }
  {
    auto section = open(0x3F6E0450u, 507);
    if (!section) return false;
    const bool read = reader.ReadDwgHandleMap(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section, "AcDb:Handles");
    if (!read) return fail(10038);
  }
  auto section = open(0x674C05A9u, 508);
  if (!section) return false;
  const std::uint64_t size = section->Record()->dataSize;
  const bool result = reader.ReadDwgObjects(size, size, FileNamePart2007(in.Path()));
  reader.SetSource(nullptr);
  Record(report, *section, "AcDb:AcDbObjects");
  return result;
}

}  // namespace kvn
