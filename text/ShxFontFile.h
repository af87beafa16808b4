// SHX files on disk for the import: a drawing's text styles name their font
// files, which are looked for beside the drawing and in the fonts folder.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/WString.h"
#include "model/ShxFont.h"

namespace kvn {

// Larger files are not read.
inline constexpr std::uintmax_t kMaxShxFileSize = 16u << 20;

// The file `fileName` (or, without an extension, `fileName` ".shx") in
// `folder`, its name matched regardless of case, read and parsed; null when
// there is no such file, it is larger than kMaxShxFileSize or cannot be read.
// A file that is no SHX font gives a font without shapes (ShxShapeCount 0).
std::unique_ptr<ShxFont> LoadShxFontFile(const WString& fileName, const WString& folder);

// The number of shapes of a parsed font; 0 before parsing.
std::size_t ShxShapeCount(const ShxFont& font);

}  // namespace kvn
