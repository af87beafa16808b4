// ShxFont: an SHX stroke font as a font style holds it. Here only its file
// bytes and the fields that travel with it; the parsed shapes join with the
// SHX reader.
#pragma once

#include <cstdint>
#include <vector>

namespace kvn {

struct ShxFont {
  std::vector<std::uint8_t> bytes;  // the SHX file; empty when none
  std::uint8_t flag = 0;            // the stored flag bit
  std::int64_t archiveOffset = -1;  // offset of its file in the built-in archive
  int blobId = 0;                   // which built-in blob holds it
};

}  // namespace kvn
