// What a picture or metafile file holds, before any conversion: the
// "source" that kvn-dump prints. For a raster picture its format, size,
// depth and frames; for a metafile its records by name (a Windows
// metafile's own records, and the enhanced records it is translated into),
// the records the interpreter read without making objects, and the objects
// the interpreter makes, by type code.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "foundation/WString.h"

namespace kvn {

struct PictureSourceReport {
  std::string format;  // "BMP", "PNG", "JPEG", "TIFF", "GIF", "EMF" or "WMF"
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t frames = 0;
  bool metafile = false;
  std::map<std::string, std::uint64_t> records;     // the file's own records
  std::map<std::string, std::uint64_t> converted;   // a WMF's records as EMF
  std::map<std::string, std::map<std::string, std::uint64_t>> skipped;
  std::map<std::uint8_t, std::uint64_t> exploded;   // objects by type code
};

// False when the file is neither a picture nor a metafile read here.
bool DescribePictureSource(const WString& path, PictureSourceReport* report);

}  // namespace kvn
