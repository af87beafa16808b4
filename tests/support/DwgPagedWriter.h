// Test-only writers of whole DWG files in the paged layouts, around the
// synthetic writer's sections (header variables, classes, object map,
// objects): R2004 (versions 18 to 32: XOR-coded file header block, data
// pages compressed with the test compressor under masked heads and seeded
// Adler checksums, section map and page map as system pages) and R2007
// (file header, page map, section map and data pages through a Reed-Solomon
// encoder, everything stored uncompressed). Knobs damage one thing at a
// time; the clean files open.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/DwgFileWriter.h"

namespace kvn::test {

// Systematic Reed-Solomon encoding of one 255-byte block: `data` (239
// bytes for the system code, 251 for the data code, zero-padded when
// shorter) first, the parity last.
std::vector<std::uint8_t> EncodeRsBlock2007(const std::vector<std::uint8_t>& data, bool systemCode);
// Bytes split into k blocks of that code, encoded and interleaved (byte 0
// of every block first); k is the least that holds them unless given.
std::vector<std::uint8_t> EncodeRsPage2007(const std::vector<std::uint8_t>& bytes, bool systemCode,
                                           std::size_t blocks = 0);

// A drawing of `lines` model-space lines (handles from 0x100 on) for the
// release (15 and later): the model-space block record lists them (R2004
// and later) or chains them from the first to the last (R2000).
// `scattered` gives every end point pseudo-random coordinates, so that the
// objects compress about as little as real ones.
DwgFileSpec LinesDrawingSpec(int release, std::uint64_t lines, bool scattered = false);

struct DwgPaged2004Knobs {
  int maintenance = 0;
  std::uint32_t pageSize = 0x7400;        // decompressed bytes per data page
  std::string omitSection;                // a named section left out of the section map
  bool sectionMapPastTheEnd = false;      // a page-map entry before it that no page fills
  int extraDescriptions = 0;              // the section map counts more than it holds
  bool extraPageEntry = false;            // the last section counts one page more than listed
};
std::vector<std::uint8_t> WriteDwgFile2004(const DwgFileSpec& spec, const DwgPaged2004Knobs& knobs = {});

struct DwgPaged2007Knobs {
  std::uint32_t pageSize = 0x7400;        // bytes per data page
  std::uint32_t omitHash = 0;             // a section left out of the section map
  bool undecodableHeaderBody = false;     // the header body claims compression it lacks
  bool pageMapCountsTooMany = false;      // more page-map entries than its size holds
  bool sectionMapIdMissing = false;       // the header names a page the map lacks
  bool garbledHeaderSection = false;      // the header-variables section holds zeros
  bool garbledHandleMap = false;          // the object map's check word is wrong
  std::uint32_t encryptedHash = 0;        // this section's encrypted flag is 1
  bool damagedHeaderBlocks = false;       // one byte of the header's blocks changed
  bool damagedPageMap = false;            // one byte of the page map's blocks changed
  bool damagedSectionMap = false;         // one byte of the section map's blocks changed
  std::size_t pageMapBlocksFewer = 0;     // the page map in fewer blocks than the reader's estimate
  std::size_t trailingBytes = 0;          // pseudo-random bytes after the page map
};
std::vector<std::uint8_t> WriteDwgFile2007(const DwgFileSpec& spec, const DwgPaged2007Knobs& knobs = {});

}  // namespace kvn::test
