#include "dwg/container/DwgSection2004.h"

#include <strings.h>

#include <algorithm>

#include "dwg/container/DwgChecksum.h"
#include "dwg/container/DwgDecompress2004.h"
#include "document/OpenFailureMessage.h"
#include "foundation/InFileStream.h"

namespace kvn {

namespace {

constexpr std::uint32_t kDataPageMask = 0x4164536Bu;
constexpr std::uint32_t kLargestDataPage = 1'000'000;

std::uint32_t SectionU32(const std::uint8_t* b) {
  return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

}  // namespace

const char* DwgPageFailureText(DwgPageFailure failure) {
  switch (failure) {
    case DwgPageFailure::None: return "";
    case DwgPageFailure::Read: return "read";
    case DwgPageFailure::Checksum: return "checksum";
    case DwgPageFailure::Decompression: return "decompression";
    case DwgPageFailure::Size: return "size";
    case DwgPageFailure::ReedSolomon: return "Reed-Solomon";
  }
  return "";
}

DwgSection2004::DwgSection2004(InFileStream& file, const std::vector<DwgPageMapRecord>& pageMap,
                               const std::vector<DwgSectionDescription>& sections, const char* name)
    : file_(file) {
  for (const DwgSectionDescription& d : sections) {
    if (strcasecmp(d.name.c_str(), name) == 0) {
      description_ = &d;
      break;
    }
  }
  if (!description_) return;
  if (description_->encrypted == 1) {
    status_ = kStrDwgEncrypted;
    return;
  }
  if (description_->pages.empty()) return;
  for (const DwgSectionPageEntry& entry : description_->pages) {
    const auto record = std::find_if(pageMap.begin(), pageMap.end(), [&](const DwgPageMapRecord& r) {
      return r.number == std::int32_t(entry.number);
    });
    if (record == pageMap.end()) return;
    pages_.push_back({record->address + 0x100, 0xFFFFFFFFu, record->size, entry.startOffset});
  }
  ok_ = true;
}

bool DwgSection2004::Fail(DwgPageFailure why) {
  failure_ = why;
  ok_ = false;
  return false;
}

bool DwgSection2004::LoadPage(std::size_t index) {
  // The lent bytes belong to the page that goes.
  position_ -= windowLeft_;
  windowLeft_ = 0;
  PageDescriptor& page = pages_[index];
  page_.clear();
  loaded_ = SIZE_MAX;
  std::uint8_t head[32];
  if (page.filePosition > file_.Size() || !file_.Seek(page.filePosition) || file_.Read(head, 32) != 32) {
    return Fail(DwgPageFailure::Read);
  }
  const std::uint32_t mask = kDataPageMask ^ std::uint32_t(page.filePosition);
  for (int i = 0; i < 32; i += 4) {
    const std::uint32_t v = SectionU32(head + i) ^ mask;
    for (int k = 0; k < 4; ++k) head[i + k] = std::uint8_t(v >> (8 * k));
  }
  const std::uint32_t dataSize = SectionU32(head + 8);
  if (dataSize > kLargestDataPage || !file_.CanRead(dataSize, 1)) return Fail(DwgPageFailure::Read);
  std::vector<std::uint8_t> data(dataSize);
  if (file_.Read(data.data(), dataSize) != dataSize) return Fail(DwgPageFailure::Read);
  const std::uint32_t dataCheck = DwgChecksum(data, 0);
  if (dataCheck != SectionU32(head + 28)) return Fail(DwgPageFailure::Checksum);
  const std::uint32_t headCheck = SectionU32(head + 24);
  for (int k = 24; k < 28; ++k) head[k] = 0;
  if (DwgChecksum(head, dataCheck) != headCheck) return Fail(DwgPageFailure::Checksum);
  // No page of the section is larger than its stated largest page, padding
  // included: a few bytes of long lengths or a far next offset would else
  // ask for gigabytes.
  const std::uint32_t largest = std::min(description_->largestPage, kDwgPageCap);
  if (!DecompressDwg2004(data, page_, kDwgNoExpectedSize, largest)) return Fail(DwgPageFailure::Decompression);
  if (index + 1 < pages_.size()) {
    const std::uint64_t next = pages_[index + 1].startOffset;
    if (next <= page.startOffset) return Fail(DwgPageFailure::Size);
    const std::uint64_t span = next - page.startOffset;
    if (span > page_.size()) {
      if (span > largest) return Fail(DwgPageFailure::Size);
      page_.resize(std::size_t(span), 0);
    }
  }
  page.decompressedLength = std::uint32_t(page_.size());
  loaded_ = index;
  ++pagesRead_;
  return true;
}

std::uint8_t DwgSection2004::ReadSectionByte2004(std::uint64_t offset) {
  if (!ok_) return 0;
  if (loaded_ != SIZE_MAX && offset >= pageStart_ && offset - pageStart_ < page_.size()) {
    return page_[std::size_t(offset - pageStart_)];
  }
  std::uint64_t start = 0;
  for (std::size_t i = 0; i < pages_.size(); ++i) {
    const PageDescriptor& page = pages_[i];
    const bool known = page.decompressedLength != 0xFFFFFFFFu;
    const bool holds = known && offset >= start && offset - start < page.decompressedLength;
    if (known && !holds) {
      start += page.decompressedLength;
      continue;
    }
    if (loaded_ != i && !LoadPage(i)) return 0;
    pageStart_ = start;
    if (offset >= start && offset - start < page_.size()) return page_[std::size_t(offset - start)];
    start += page_.size();
  }
  ok_ = false;
  return 0;
}

bool DwgSection2004::NextByte(std::uint8_t& out) {
  if (windowLeft_ != 0) {
    out = *window_++;
    --windowLeft_;
    return true;
  }
  out = 0;
  if (!ok_) return false;
  out = ReadSectionByte2004(position_);
  if (!ok_) return false;
  ++position_;
  // The rest of the loaded page is lent to Take.
  if (loaded_ != SIZE_MAX && position_ >= pageStart_ && position_ - pageStart_ < page_.size()) {
    const std::size_t at = std::size_t(position_ - pageStart_);
    window_ = page_.data() + at;
    windowLeft_ = page_.size() - at;
    position_ += windowLeft_;
  }
  return true;
}

}  // namespace kvn
