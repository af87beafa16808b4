#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgChecksum.h"
#include "dwg/container/DwgDecompress2004.h"
#include "dwg/container/DwgSection2004.h"
#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "import/records/DwgCodePages.h"

namespace kvn {

namespace {

constexpr std::uint32_t kLargestSystemPage = 10'000'000;

std::uint32_t U32(const std::uint8_t* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

// Reads, checks and expands the system page (page map or section map) at
// the stream's position; 0 or the detail of the failure.
std::uint16_t ReadSystemPage(InFileStream& in, std::vector<std::uint8_t>& out, std::uint16_t tooLarge,
                             std::uint16_t undecodable) {
  std::uint8_t head[20];
  if (in.Read(head, 20) != 20) return 10118;
  const std::uint32_t decompressed = U32(head + 4);
  const std::uint32_t compressed = U32(head + 8);
  const std::uint32_t stored = U32(head + 16);
  if (!in.CanRead(compressed, 1)) return 10118;
  if (compressed > kLargestSystemPage) return tooLarge;
  std::vector<std::uint8_t> data(compressed);
  if (in.Read(data.data(), compressed) != compressed) return 10118;
  std::memset(head + 16, 0, 4);
  if (DwgChecksum(data, DwgChecksum(head, 0)) != stored) return 10118;
  // The page stays within its stated size, and that within the cap.
  if (decompressed > kDwgPageCap || !DecompressDwg2004(data, out, decompressed, kDwgPageCap)) return undecodable;
  return 0;
}

WString FileNamePart2004(const WString& path) {
  const std::u16string_view view = path.View();
  const std::size_t slash = view.find_last_of(u"/\\");
  return WString(slash == std::u16string_view::npos ? view : view.substr(slash + 1));
}

std::uint32_t SizeOf(const DwgSection2004& section) {
  const std::uint64_t size = section.Description()->dataSize;
  return size > 0xFFFFFFFFu ? 0xFFFFFFFFu : std::uint32_t(size);
}

void Record(DwgLoadReport* report, const DwgSection2004& section) {
  if (!report) return;
  const std::string& name = section.Description()->name;
  report->pagesRead[name] += section.PagesRead();
  if (section.Failure() != DwgPageFailure::None) report->pagesFailed.emplace_back(name, DwgPageFailureText(section.Failure()));
}

}  // namespace

bool ReadDwgContainer2004(DwgReader& reader, InFileStream& in, DwgLoadReport* report) {
  auto systemFailure = [&](const char* page, std::uint16_t detail) {
    if (report) {
      const char* why = detail == 10118 ? "checksum" : detail == 10018 || detail == 10021 ? "decompression" : "size";
      report->pagesFailed.emplace_back(page, why);
    }
  };
  auto fail = [&](std::uint16_t detail, std::uint16_t message = 0) {
    reader.SetReaderError(detail, message);
    return false;
  };
  std::uint8_t head[0xEC] = {};
  in.Seek(0);
  if (in.Read(head, sizeof head) != sizeof head) return fail(10017);
  reader.maintenanceVersion = head[0x0B];
  const int index = head[0x13] | head[0x14] << 8;
  if (index >= 1 && index <= 44) reader.codePage = std::uint16_t(CodePageFromIndex(index));
  std::uint32_t seed = 1;
  for (int i = 0; i < 0x6C; ++i) {
    seed = seed * 0x343FDu + 0x269EC3u;
    head[0x80 + i] ^= std::uint8_t(seed >> 16);
  }
  const std::uint8_t* block = head + 0x80;
  const std::uint64_t pageMapAddress = std::uint64_t(U32(block + 0x54)) | std::uint64_t(U32(block + 0x58)) << 32;
  const std::int32_t sectionMapId = std::int32_t(U32(block + 0x5C));

  if (pageMapAddress > in.Size() || !in.Seek(pageMapAddress + 0x100)) return fail(10017);
  std::vector<std::uint8_t> bytes;
  if (const std::uint16_t detail = ReadSystemPage(in, bytes, 10801, 10018)) {
    systemFailure("page map", detail);
    return fail(detail);
  }
  const std::vector<DwgPageMapRecord> pageMap = ParseDwgPageMap2004(bytes);

  const DwgPageMapRecord* sectionMapPage = nullptr;
  for (const DwgPageMapRecord& record : pageMap) {
    if (record.number == sectionMapId) sectionMapPage = &record;
  }
  if (!sectionMapPage) return fail(10019);
  if (sectionMapPage->address > in.Size() || !in.Seek(sectionMapPage->address + 0x100)) return fail(10020);
  if (const std::uint16_t detail = ReadSystemPage(in, bytes, 10802, 10021)) {
    systemFailure("section map", detail);
    return fail(detail);
  }
  std::vector<DwgSectionDescription> sections;
  std::uint16_t mapDetail = 0;
  if (!ParseDwgSectionMap2004(bytes, sections, mapDetail)) return fail(mapDetail);

  auto open = [&](const char* name, std::uint16_t missing) -> std::unique_ptr<DwgSection2004> {
    auto section = std::make_unique<DwgSection2004>(in, pageMap, sections, name);
    if (!section->Ok()) {
      fail(missing, std::uint16_t(section->Status()));
      return nullptr;
    }
    reader.SetSource(section.get());
    return section;
  };
  bool result = false;
  {
    auto section = open("AcDb:Header", 501);
    if (!section) return false;
    const bool read = reader.ReadDwgHeaderVariables(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section);
    if (!read) return false;
  }
  {
    auto section = open("AcDb:Classes", 502);
    if (!section) return false;
    reader.ReadDwgClasses(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section);
  }
  {
    auto section = open("AcDb:Handles", 503);
    if (!section) return false;
    const bool read = reader.ReadDwgHandleMap(SizeOf(*section));
    reader.SetSource(nullptr);
    Record(report, *section);
    if (!read) return fail(10030);
  }
  {
    auto section = open("AcDb:AcDbObjects", 504);
    if (!section) return false;
    const std::uint64_t size = section->Description()->dataSize;
    result = reader.ReadDwgObjects(size, size, FileNamePart2004(in.Path()));
    reader.SetSource(nullptr);
    Record(report, *section);
  }
  return result;
}

}  // namespace kvn
