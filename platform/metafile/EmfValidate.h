// Checks enhanced-metafile bytes before anything plays or stores them.
//
// An EMF is a run of records {u32 type, u32 size in bytes, fields}; the first
// is EMR_HEADER (at least 88 bytes, " EMF" at offset 40, total size nBytes
// at offset 48), the last EMR_EOF. ValidateEmf walks the records within
// nBytes and refuses the bytes unless every record
//  - has a size that is a multiple of 4, at least 8, and within nBytes,
//  - is at least as long as the fixed part of its type,
//  - keeps its counts and offsets (points, strings, bitmaps, regions,
//    palettes) inside itself (libuemf's record checks, and our own for the
//    region and colour-space records that libuemf reads past or misjudges
//    and for text records, whose strings libuemf does not measure),
// and an EMR_EOF is reached. Record types this program does not know are
// passed over by their size.
#pragma once

#include <cstdint>

namespace kvn {

inline constexpr std::uint32_t kEmrHeader = 1;
inline constexpr std::uint32_t kEmrEof = 14;
inline constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
inline constexpr std::uint32_t kEmfHeaderMinSize = 88;

struct EmfRect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

// The fields of EMR_HEADER that callers use.
struct EmfHeaderInfo {
  EmfRect bounds;  // device pixels, inclusive
  EmfRect frame;   // 0.01 mm, inclusive
  std::uint32_t version = 0;
  std::uint32_t bytes = 0;  // nBytes: the whole metafile
  std::uint32_t records = 0;
  std::uint16_t handles = 0;
  std::uint32_t paletteEntries = 0;
  std::int32_t deviceWidth = 0, deviceHeight = 0;  // reference device, pixels
  std::int32_t deviceWidthMm = 0, deviceHeightMm = 0;
};

enum class EmfCheck {
  Ok,
  NotEmf,     // no EMR_HEADER with the signature at the start
  BadHeader,  // the header record's own fields are wrong
  Truncated,  // nBytes is more than there is
  BadRecord,  // a record's size or contents do not fit
  NoEof,      // the records end without EMR_EOF
};

// The first 44 bytes hold an EMR_HEADER type and the " EMF" signature: the
// bytes mean to be an enhanced metafile, whatever else is wrong with them.
bool HasEmfSignature(const std::uint8_t* data, std::uint64_t size);

// Reads the header record (needs at least 88 bytes of a signed header).
bool ReadEmfHeader(const std::uint8_t* data, std::uint64_t size, EmfHeaderInfo* header);

struct EmfValidation {
  EmfHeaderInfo header;
  std::uint32_t recordCount = 0;  // records walked, EMR_EOF included
  std::uint64_t recordsEnd = 0;   // where EMR_EOF ends (an accepted metafile)
  std::uint64_t failedAt = 0;     // offset of the refused record
};

// One record's own checks, as ValidateEmf makes them: at least the fixed
// part of its type, and its counts and offsets inside itself (libuemf's
// record checks and ours). `size` is the record's nSize, already known to
// lie within the metafile.
bool EmfRecordFits(const std::uint8_t* record, std::uint32_t size);

// EXTTEXTOUTA/W, POLYTEXTOUTA/W and SMALLTEXTOUT: the records DropUnfitTextRecords takes
// out when they do not fit.
bool IsEmfTextRecord(std::uint32_t type);

// SMALLTEXTOUT {reference (8), cChars (16), fuOptions (20), graphics mode,
// scales, [clipping rectangle (36) unless ETO_NO_RECT], string}: the string
// follows the fixed fields at once, one byte a character under
// ETO_SMALL_CHARS, else two; it has no spacing array.
inline constexpr std::uint32_t kSmallTextCountAt = 16;
inline constexpr std::uint32_t kSmallTextOptionsAt = 20;
struct SmallTextLayout {
  bool hasRect = false;
  std::uint32_t offString = 0;
  std::uint32_t charSize = 0;  // bytes a character
};
SmallTextLayout SmallTextLayoutOf(std::uint32_t options);

// Validates the metafile in data[0 .. size); only nBytes of it are walked.
EmfCheck ValidateEmf(const std::uint8_t* data, std::uint64_t size, EmfValidation* result = nullptr);

// Takes out, each alone, the text records (EXTTEXTOUTA/W, POLYTEXTOUTA/W, SMALLTEXTOUT)
// holding a text whose fields, string or spacing do not lie inside them,
// from the records ValidateEmf would walk (those within nBytes up to
// EMR_EOF, or up to a record whose size does not fit); a POLYTEXTOUT goes
// whole, its sound texts too (taking one text out would move the strings of
// the others). The records and bytes after each move up, and the header's
// nBytes and record count go down by what was taken out. `*size` becomes
// the bytes kept. Answers how many records were taken out: the player could
// not draw them, and the rest of the metafile stays sound without them.
std::uint32_t DropUnfitTextRecords(std::uint8_t* data, std::uint64_t* size);

// Each widening of a path makes its outline some five times as many points
// as the path, so that a path widened again and again costs minutes and
// gigabytes a few records on. The widenings of one path (since its
// BEGINPATH) past this many are refused: taken out as DropUnfitTextRecords
// takes its records out (answers how many), the path filled or stroked as
// the widenings kept left it.
inline constexpr std::uint32_t kMaxWideningsPerPath = 2;
std::uint32_t DropWideningsPastLimit(std::uint8_t* data, std::uint64_t* size);

// Width and height of the frame rectangle in millimetres; 100 x 100 when
// either is zero.
struct EmfSizeMm {
  double width = 0;
  double height = 0;
};
EmfSizeMm GetEmfFrameSizeMm(const EmfHeaderInfo& header);

}  // namespace kvn
