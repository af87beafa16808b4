// The preview picture that DWG files of R13 and later carry, as a sheet of
// one bitmap for the File-Open dialog, read without loading the drawing.
//
// The preview block sits at the file offset stored at 0x0D of the file
// header: a 16-byte start sentinel, an overall size (u32, not used), an
// entry count (u8) and entries {code u8, start u32, size u32}: 1 header
// data, 2 BMP (a packed DIB without file header), 3 WMF (ignored), 6 PNG.
// The first BMP or PNG entry is the picture. It is brought to 8 bits per
// pixel, a black background is inverted to white, the picture is cropped
// to what differs from its background and, on request, reduced to black
// and white.
#pragma once

#include <cstdint>
#include <memory>

#include "document/cSheet.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;

// Previews above this many pixels are refused before any pixel memory is
// taken: 2^28 pixels (256 Mpixel) is far beyond any preview, and keeps a
// damaged header from asking for gigabytes.
inline constexpr std::uint64_t kMaxThumbnailPixels = std::uint64_t(1) << 28;

// A new sheet whose top block holds one bitmap of the preview (one drawing
// unit per pixel), or null for files without a usable preview. Every
// failure is silent. `layoutFlag`, when given, is cleared and then set when
// the preview block is laid out as the last part of the file: its header
// data and picture follow the entry list without gaps, and the picture (or
// the list, without a picture) ends 16 bytes (the end sentinel) before the
// end of the file.
std::unique_ptr<cSheet> ReadDwgThumbnail(bool* layoutFlag, const WString& path, bool blackAndWhite);
// The same over an open stream, from its start.
std::unique_ptr<cSheet> ReadDwgThumbnailStream(bool* layoutFlag, InFileStream& in, bool blackAndWhite);

}  // namespace kvn
