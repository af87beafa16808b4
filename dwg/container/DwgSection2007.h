// The layout of R2007 files (version 21): the Reed-Solomon coded and
// compressed file header, page map and section map, and a section known by
// its name hash opened as the bit reader's byte source. Every size and
// count comes from the file as 64 bits and is checked against the bytes
// that must hold it before anything is read or sized.
#pragma once

#include <cstdint>
#include <vector>

#include "dwg/container/DwgSection2004.h"
#include "dwg/objects/DwgByteSource.h"

namespace kvn {

class DwgReader;
class InFileStream;
struct DwgLoadReport;

struct DwgPageRecord2007 {
  std::uint64_t size = 0;
  std::int64_t id = 0;
  std::uint64_t position = 0;
};

struct DwgSectionPage2007 {
  std::uint64_t offset = 0, pageSize = 0;
  std::int64_t id = 0;
  std::uint64_t decompressedSize = 0, compressedSize = 0;
};

struct DwgSectionRecord2007 {
  std::uint64_t dataSize = 0, largestPage = 0, encrypted = 0, hash = 0;
  std::vector<DwgSectionPage2007> pages;
};

// Reads the run of 255 x k bytes at `position` (checked against the file's
// end first), checks it and expands it: compressed when its compressed size
// is below its decompressed size, stored otherwise.
bool ReadRsPage2007(InFileStream& in, std::uint64_t position, bool systemCode, std::uint64_t compressedSize,
                    std::uint64_t decompressedSize, std::uint64_t blocks, std::vector<std::uint8_t>& out,
                    DwgPageFailure* failure = nullptr);

class DwgSection2007 final : public DwgByteSource {
 public:
  DwgSection2007(InFileStream& file, const std::vector<DwgPageRecord2007>& pageMap,
                 const std::vector<DwgSectionRecord2007>& sections, std::uint32_t hash);
  int Status() const { return status_; }
  bool Found() const { return record_ != nullptr; }
  const DwgSectionRecord2007* Record() const { return record_; }

  bool NextByte(std::uint8_t& out) override;
  std::uint64_t Position() const override { return delivered_ - windowLeft_; }

  std::uint32_t PagesRead() const { return pagesRead_; }
  DwgPageFailure Failure() const { return failure_; }

 private:
  bool LoadNextPage();

  InFileStream& file_;
  const std::vector<DwgPageRecord2007>& pageMap_;
  const DwgSectionRecord2007* record_ = nullptr;
  std::size_t next_ = 0;
  std::vector<std::uint8_t> page_;
  std::size_t at_ = 0;
  std::uint64_t delivered_ = 0;
  std::uint32_t pagesRead_ = 0;
  DwgPageFailure failure_ = DwgPageFailure::None;
  int status_ = 0;
  bool failed_ = false;
};

// A page id without its sign.
std::uint64_t UnsignedId(std::int64_t id);

bool ReadDwgContainer2007(DwgReader& reader, InFileStream& in, DwgLoadReport* report = nullptr);

}  // namespace kvn
