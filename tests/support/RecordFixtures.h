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

namespace kvn::test {

// The line part of a stroked record as a file of version `version` stored it
// (see cAnyLine::ReadLinePart for the bands). A styled part writes only what
// that band stores for a style: the index (as a compact u16 or a reference
// without an inline record; an i16 before 3061) and, from 3098, the values.
struct LinePartFixture {
  bool styled = false;
  std::uint16_t lineStyle = 0;
  std::uint8_t lineType = 1;
  std::uint32_t color = 0;
  std::uint32_t gapColor = 0x80FFFFFF;
  double width = 0.25;
  double patternScale = 1.0;
  bool pen = false;
  // Files before 3050: the pattern length after the line type, and, with
  // bit 7 of the line type, the three old-pattern values.
  double oldLength = 0.0;
  double oldRepeat = 0.0, oldOffset = 0.0;
  std::uint8_t oldSymbolByte = 0;
};
void WriteLinePartAt(ArchiveWriter& w, int version, const LinePartFixture& f);

// The fill part of a filled record as a file of version `version` stored it
// (see cAnyFill::ReadFillPart). Before 3053 `hatchKind` is the old combined
// kind byte and `fillColor` its colour.
struct FillPartFixture {
  bool styled = false;
  std::uint16_t fillStyle = 0;
  std::uint8_t hatchKind = 0;
  std::uint32_t fillColor = 0x80000000;
  std::uint8_t opacity = 255;
  std::uint32_t hatchColor = 0;
  double hatchValue = 0.25;
  double hatchScale = 1.0;
};
void WriteFillPartAt(ArchiveWriter& w, int version, const FillPartFixture& f);

// A style reference that names an index without an inline record (any
// version from 3077).
void WriteStyleIndexRef(ArchiveWriter& w, std::uint16_t index);

// Float fields of old records: IEEE singles, little-endian.
void WriteFloat(ArchiveWriter& w, double v);
void WriteFloatPoint(ArchiveWriter& w, double x, double y);
// Zero-terminated forms of old files.
void WriteCString(ArchiveWriter& w, const char* bytes);
void WriteWString16(ArchiveWriter& w, const char16_t* units);

}  // namespace kvn::test
