// Line lists from UTF-16 (little-endian) text files with a byte-order mark.
#pragma once

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

class InFileStream;

// Clears `lines`, then requires the mark FF FE and reads 2-byte units: CR is
// dropped, LF ends a line; a last line without LF is not returned (nor is a
// final odd byte). False without the mark.
bool ReadUtf16Lines(InFileStream& stream, OwnedArray<WString>& lines);
// The same from a file, which must exist and not be a folder.
bool ReadUtf16LinesFromFile(const WString& path, OwnedArray<WString>& lines);

}  // namespace kvn
