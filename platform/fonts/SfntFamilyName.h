// The family name (name id 1) of a TrueType or OpenType file held in memory,
// read with every offset checked against the bytes: Windows names (platform
// 3) first, then Macintosh (1), then Unicode (0); empty when the bytes are no
// such file or hold no family name.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

WString ReadSfntFamilyName(const std::uint8_t* bytes, std::size_t size);

}  // namespace kvn
