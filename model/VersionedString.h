// Strings and small optional values of the archive whose encoding changed
// with the file version, and the zero-terminated string forms of old files.
//
// Version bands of a name (style names, level names, sheet names):
//   below 3052  bytes in code page 1250 up to a zero byte
//   below 3073  16-bit units (little-endian) up to a zero unit
//   from 3073   the archive's short string (compact length, 7/16-bit units)
#pragma once

#include <cstdint>

#include "foundation/AString.h"
#include "foundation/WString.h"

namespace kvn {

class ArchiveReader;
class ArchiveWriter;

// Copies through memory archives read back with version -1, "the newest":
// a negative version is below no band.
inline bool VersionBelow(int version, int band) { return version >= 0 && version < band; }

// 16-bit units up to a zero unit or the end of the data (the zero is
// consumed, not stored).
WString ReadArchiveWString(ArchiveReader& r);
// Bytes up to a zero byte or the end of the data.
AString ReadArchiveCString(ArchiveReader& r);

// A name in the form of its file version (see above).
void ReadVersionedString(WString& out, ArchiveReader& r, int version);

// 255 means "none": one bit 0. Any other value: bit 1 and the byte.
void WriteOptionalU8(ArchiveWriter& w, std::uint8_t value);
// The reverse of WriteOptionalU8 read as a signed byte: bit 0 gives -1.
std::int8_t ReadOptionalFlagByte(ArchiveReader& r);

}  // namespace kvn
