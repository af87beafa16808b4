// Windows metafile (WMF) to enhanced metafile (EMF), as the system's
// SetWinMetaFileBits does it for the picture reader.
//
// A WMF is an 18-byte header {type 1|2, header size 9 words, version
// 0x100|0x300, size, object count, largest record, 0} and records {u32 size
// in 16-bit words, u16 function, parameters}; a placeable WMF puts a 22-byte
// header (key 0x9AC6CDD7, bounding box in logical units, units per inch,
// checksum) in front. Records are translated one by one into EMF records
// (16-bit coordinates become 32-bit, object-table slots become EMF handles
// slot + 1, regions become RGNDATA); records without an EMF counterpart are
// dropped. A record whose parameters are too short for its function is
// dropped alone (a text, flood fill or layout record so dropped is told,
// below). An EXTTEXTOUT's
// spacing array is optional: a record that ends with its string is drawn
// with the font's own advances. A record
// whose size does not fit the bytes (a picture cut inside a record, or a
// damaged size) refuses the whole picture, unless the caller asks to be
// told of a picture read in part: then the records before it are the
// picture.
//
// Placement: the EMF frame is the picture size (0.01 mm); the records are
// mapped MM_ANISOTROPIC from the picture's logical window onto a viewport of
// that size on the reference device (96 pixels per inch). The WMF's own map
// mode and viewport records are dropped, since the picture's placement
// belongs to the frame; its window records are kept.
#pragma once

#include <cstdint>

#include "foundation/GrowArray.h"

namespace kvn {

inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
inline constexpr std::uint32_t kPlaceableHeaderSize = 22;
inline constexpr std::uint32_t kWmfHeaderSize = 18;

// A converted picture is refused when its EMF would be larger than this:
// five times the largest metafile the picture reader accepts, which no
// translation of a sound file reaches (records grow at most fourfold).
inline constexpr std::uint64_t kMaxConvertedEmfBytes = 100'000'000;

// The reference device of converted pictures: 96 pixels per inch exactly.
inline constexpr std::int32_t kReferenceDeviceWidth = 1920;
inline constexpr std::int32_t kReferenceDeviceHeight = 1440;
inline constexpr std::int32_t kReferenceDeviceWidthMm = 508;
inline constexpr std::int32_t kReferenceDeviceHeightMm = 381;

struct PlaceableHeader {
  std::int16_t left = 0, top = 0, right = 0, bottom = 0;  // logical units
  std::uint16_t unitsPerInch = 0;
  std::uint16_t checksum = 0;
};

// At least 22 bytes starting with the placeable key.
bool ReadPlaceableHeader(const std::uint8_t* data, std::uint64_t size, PlaceableHeader* header);
// The 16-bit XOR of the first ten 16-bit words of a 22-byte placeable header.
std::uint16_t PlaceableHeaderChecksum(const std::uint8_t* header22);

// What the converter gets besides the records: the picture size of a
// METAFILEPICT (MM_ANISOTROPIC, 0.01 mm) and, from a placeable header, the
// logical rectangle the records draw in. Without a size the picture is given
// the size of its window at 96 units per inch (shrunk to the reference
// device when larger); without a window record either, the bounds of what
// it draws (WmfDrawnBounds.h) are its window; when it draws nothing with an
// area, it is the whole reference device.
struct WmfPicture {
  bool hasSize = false;
  std::int32_t widthHmm = 0, heightHmm = 0;
  bool hasWindow = false;
  std::int32_t windowLeft = 0, windowTop = 0, windowWidth = 0, windowHeight = 0;
  // A placeable header came before the data. The header's size then may
  // count its 22 bytes as well: libUEMF's writer does, the clip art of
  // libwmf's examples does not.
  bool placeable = false;
};

// Converts the WMF in data[0 .. size) (from its 18-byte header on) into EMF
// bytes in `emf` (cleared first). False, with `emf` empty, when the header is
// not a WMF header, the EMF would pass kMaxConvertedEmfBytes, or (without
// `partial`) a record size does not fit the bytes. Records that end exactly
// at the end of the bytes without META_EOF are accepted: such a picture was
// cut short at a record boundary.
//
// `partial`, when given, asks for what can be read of a damaged picture and
// says whether the picture was read in part:
//   - cut at a record boundary (no META_EOF);
//   - cut inside a record, or a record whose size does not fit: that record
//     and everything after it are dropped;
//   - a TEXTOUT or EXTTEXTOUT that cannot hold what it draws (its fields,
//     rectangle, string or spacing array cut short, or a negative count):
//     that record alone is dropped (also when `partial` is not given);
//   - a FLOODFILL, EXTFLOODFILL or SETLAYOUT too short for its parameters:
//     that record alone is dropped;
//   - a META_EOF before the end the header's size gives, with bytes after
//     it up to that end, zeros too: the size counts records, not padding.
//     An end record where the header's size ends (after a placeable
//     header, either way of counting it), or one followed by nothing (a
//     size larger than the file), loses nothing and is whole.
// Nothing after META_EOF is read; bytes past the header's size are not the
// picture's, whatever they are.
bool ConvertWmfToEmf(const std::uint8_t* data, std::uint64_t size, const WmfPicture& picture, ByteArray& emf,
                     bool* partial = nullptr);

}  // namespace kvn
