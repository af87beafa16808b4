// The paged layout of R2004 to R2018 files (versions 18, 24, 27, 32): the
// page map, the section map and a named section opened as the bit reader's
// byte source. Pages are loaded on demand, one at a time.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dwg/objects/DwgByteSource.h"

namespace kvn {

class DwgReader;
struct DwgLoadReport;
class InFileStream;

// Largest decompressed page the reader makes, system or data page.
inline constexpr std::uint32_t kDwgPageCap = 256u << 20;

struct DwgPageMapRecord {
  std::int32_t number = 0;
  std::uint32_t size = 0;
  std::uint64_t address = 0;  // the page lies at address + 0x100
  std::uint32_t gapParent = 0, gapLeft = 0, gapRight = 0;
};

struct DwgSectionPageEntry {
  std::uint32_t number = 0;
  std::uint32_t dataSize = 0;
  std::uint64_t startOffset = 0;
};

struct DwgSectionDescription {
  std::uint64_t dataSize = 0;
  std::uint32_t pageCount = 0;
  std::uint32_t largestPage = 0;  // largest decompressed page size
  std::uint32_t compressed = 0;
  std::uint32_t sectionId = 0;
  std::uint32_t encrypted = 0;
  std::string name;
  std::vector<DwgSectionPageEntry> pages;
};

// The page map's records from its decompressed bytes (gaps take four more
// words when there is room for them).
std::vector<DwgPageMapRecord> ParseDwgPageMap2004(std::span<const std::uint8_t> bytes);
// The section map; false with its detail (10050, 10051, 10052) when cut short.
bool ParseDwgSectionMap2004(std::span<const std::uint8_t> bytes, std::vector<DwgSectionDescription>& sections,
                            std::uint16_t& detail);

// Why the last page of a section failed (kvn-dump's source report).
enum class DwgPageFailure : std::uint8_t { None, Read, Checksum, Decompression, Size, ReedSolomon };
const char* DwgPageFailureText(DwgPageFailure failure);

class DwgSection2004 final : public DwgByteSource {
 public:
  DwgSection2004(InFileStream& file, const std::vector<DwgPageMapRecord>& pageMap,
                 const std::vector<DwgSectionDescription>& sections, const char* name);

  // The message id of a refusal (an encrypted section), 0 if none.
  int Status() const { return status_; }
  bool Ok() const { return ok_; }
  const DwgSectionDescription* Description() const { return description_; }

  // The byte at a logical offset of the section; clears Ok and gives 0 when
  // it cannot be produced.
  std::uint8_t ReadSectionByte2004(std::uint64_t offset);

  bool NextByte(std::uint8_t& out) override;
  std::uint64_t Position() const override { return position_ - windowLeft_; }

  std::uint32_t PagesRead() const { return pagesRead_; }
  DwgPageFailure Failure() const { return failure_; }

 private:
  struct PageDescriptor {
    std::uint64_t filePosition = 0;
    std::uint32_t decompressedLength = 0xFFFFFFFFu;
    std::uint32_t pageSize = 0;
    std::uint64_t startOffset = 0;
  };
  bool LoadPage(std::size_t index);
  bool Fail(DwgPageFailure why);

  InFileStream& file_;
  const DwgSectionDescription* description_ = nullptr;
  std::vector<PageDescriptor> pages_;
  std::vector<std::uint8_t> page_;
  std::uint64_t pageStart_ = 0;
  std::size_t loaded_ = SIZE_MAX;
  // The offset after the bytes lent (the loaded page's rest).
  std::uint64_t position_ = 0;
  std::uint32_t pagesRead_ = 0;
  DwgPageFailure failure_ = DwgPageFailure::None;
  int status_ = 0;
  bool ok_ = false;
};

// `report`, when given, receives the pages read and the one that failed.
bool ReadDwgContainer2004(DwgReader& reader, InFileStream& in, DwgLoadReport* report = nullptr);

}  // namespace kvn
