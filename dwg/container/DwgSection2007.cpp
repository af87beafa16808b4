#include "dwg/container/DwgSection2007.h"

#include "document/OpenFailureMessage.h"
#include "dwg/container/DwgDecompress2007.h"
#include "foundation/InFileStream.h"

namespace kvn {

std::uint64_t UnsignedId(std::int64_t id) { return id < 0 ? std::uint64_t(0) - std::uint64_t(id) : std::uint64_t(id); }

bool ReadRsPage2007(InFileStream& in, std::uint64_t position, bool systemCode, std::uint64_t compressedSize,
                    std::uint64_t decompressedSize, std::uint64_t blocks, std::vector<std::uint8_t>& out,
                    DwgPageFailure* failure) {
  auto fail = [&](DwgPageFailure why) {
    if (failure) *failure = why;
    out.clear();
    return false;
  };
  out.clear();
  const std::uint64_t size = in.Size();
  if (blocks == 0 || position > size || blocks > (size - position) / 255) return fail(DwgPageFailure::Read);
  if (decompressedSize > kDwgPageCap) return fail(DwgPageFailure::Size);
  std::vector<std::uint8_t> raw(std::size_t(blocks * 255));
  if (!in.Seek(position) || in.Read(raw.data(), std::uint32_t(raw.size())) != raw.size()) {
    return fail(DwgPageFailure::Read);
  }
  std::vector<std::uint8_t> decoded;
  if (!DecodeRsBlocks2007(raw, systemCode, blocks, decoded)) return fail(DwgPageFailure::ReedSolomon);
  if (compressedSize > decoded.size()) return fail(DwgPageFailure::Size);
  if (compressedSize < decompressedSize) {
    if (!DecompressDwg2007(std::span(decoded).first(std::size_t(compressedSize)), out,
                           std::size_t(decompressedSize))) {
      return fail(DwgPageFailure::Decompression);
    }
    return true;
  }
  if (decoded.size() < decompressedSize) return fail(DwgPageFailure::Size);
  out.assign(decoded.begin(), decoded.begin() + std::ptrdiff_t(decompressedSize));
  return true;
}

DwgSection2007::DwgSection2007(InFileStream& file, const std::vector<DwgPageRecord2007>& pageMap,
                               const std::vector<DwgSectionRecord2007>& sections, std::uint32_t hash)
    : file_(file), pageMap_(pageMap) {
  for (const DwgSectionRecord2007& record : sections) {
    if (record.hash != hash) continue;
    if (record.encrypted == 1) {
      status_ = kStrDwgEncrypted;
      return;
    }
    record_ = &record;
    return;
  }
}

bool DwgSection2007::LoadNextPage() {
  auto fail = [&](DwgPageFailure why) {
    failure_ = why;
    failed_ = true;
    return false;
  };
  if (failed_ || !record_ || next_ >= record_->pages.size()) {
    failed_ = true;
    return false;
  }
  const DwgSectionPage2007& page = record_->pages[next_++];
  const DwgPageRecord2007* found = nullptr;
  for (const DwgPageRecord2007& r : pageMap_) {
    if (UnsignedId(r.id) == UnsignedId(page.id)) {
      found = &r;
      break;
    }
  }
  if (!found) return fail(DwgPageFailure::Read);
  // Pages sit at their stated offsets: a gap before a page is zero-filled
  // (within the page cap), a page that starts behind the bytes delivered
  // fails.
  if (page.offset < delivered_) return fail(DwgPageFailure::Size);
  const std::uint64_t gap = page.offset - delivered_;
  if (gap > kDwgPageCap) return fail(DwgPageFailure::Size);
  std::vector<std::uint8_t> data;
  DwgPageFailure why = DwgPageFailure::None;
  if (!ReadRsPage2007(file_, found->position, false, page.compressedSize, page.decompressedSize,
                      found->size / 255, data, &why)) {
    return fail(why);
  }
  if (data.size() < page.decompressedSize) return fail(DwgPageFailure::Size);
  data.resize(std::size_t(page.decompressedSize));
  page_.assign(std::size_t(gap), 0);
  page_.insert(page_.end(), data.begin(), data.end());
  at_ = 0;
  ++pagesRead_;
  return true;
}

bool DwgSection2007::NextByte(std::uint8_t& out) {
  if (windowLeft_ != 0) {
    out = *window_++;
    --windowLeft_;
    return true;
  }
  out = 0;
  while (at_ >= page_.size()) {
    if (!LoadNextPage()) return false;
  }
  out = page_[at_++];
  ++delivered_;
  // The rest of the page is lent to Take (counted as delivered; Position
  // subtracts what is still lent).
  window_ = page_.data() + at_;
  windowLeft_ = page_.size() - at_;
  delivered_ += windowLeft_;
  at_ = page_.size();
  return true;
}

}  // namespace kvn
