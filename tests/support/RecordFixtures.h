// Bit-level builders of archive records in any version band, old forms
// included, so that every reader branch is tested from bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"

namespace kvn::test {

// Bytes written by `write` through a memory archive (flushed).
std::vector<std::uint8_t> Archive(const std::function<void(ArchiveWriter&)>& write);

// A reader over bytes held in memory; the bytes live as long as the reader.
class MemoryArchive {
 public:
  explicit MemoryArchive(const std::vector<std::uint8_t>& bytes);
  explicit MemoryArchive(const std::function<void(ArchiveWriter&)>& write) : MemoryArchive(Archive(write)) {}
  ArchiveReader& Reader() { return *reader_; }

 private:
  ByteArray bytes_;
  std::unique_ptr<InFileStream> in_;
  std::unique_ptr<ArchiveReader> reader_;
};

// The common object header as a file of version `version` stored it (the type
// byte is not included: the list reader has read it before).
struct HeaderFixture {
  std::uint16_t level = 0;
  // Single page id, or a list when `pages` is not empty or `forceList` is set.
  std::uint16_t pageId = 0;
  std::vector<std::uint16_t> pages;
  bool forceList = false;
  bool stored = false;
  bool hidden = false;
};
void WriteHeaderAt(ArchiveWriter& w, int version, const HeaderFixture& h);

}  // namespace kvn::test
