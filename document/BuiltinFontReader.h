// The reader of the built-in font resources (FONT_TABLE): a native container
// whose first drawing's font table holds the family. Installed into the font
// list (model/FontList.h) at start-up, since the list lives below the
// native-file reader.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

namespace kvn {

class cStyleFont;

// The first font of the container's first drawing, taken out of it; null
// when the bytes do not read or the table is empty.
std::unique_ptr<cStyleFont> ReadBuiltinFontContainer(std::span<const std::uint8_t> container);
void InstallBuiltinFontReader();

}  // namespace kvn
