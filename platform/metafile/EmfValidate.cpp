#include "platform/metafile/EmfValidate.h"

#include <uemf.h>
#include <uemf_safe.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/LeBytes.h"

namespace kvn {

namespace {

// Bytes of the fixed part of each record type 1..122, header included (0:
// no such type). From the record layouts of the EMF format; a record shorter
// than this cannot hold the fields its type promises, and libuemf's checks
// read those fields before they compare sizes.
constexpr std::uint32_t kMinRecordSize[123] = {
    0,
    88,                           // 1 HEADER
    28, 28, 28, 28, 28,           // 2-6 POLYBEZIER .. POLYLINETO: bounds, count
    32, 32,                       // 7-8 POLYPOLYLINE, POLYPOLYGON
    16, 16, 16, 16, 16,           // 9-13 window/viewport extents and origins, brush origin
    20,                           // 14 EOF
    20,                           // 15 SETPIXELV
    12,                           // 16 SETMAPPERFLAGS
    12, 12, 12, 12, 12, 12,       // 17-22 modes
    32,                           // 23 SETCOLORADJUSTMENT
    12, 12,                       // 24-25 text and background colour
    16, 16,                       // 26 OFFSETCLIPRGN, 27 MOVETOEX
    8,                            // 28 SETMETARGN
    24, 24,                       // 29-30 EXCLUDECLIPRECT, INTERSECTCLIPRECT
    24, 24,                       // 31-32 SCALEVIEWPORTEXTEX, SCALEWINDOWEXTEX
    8, 12,                        // 33 SAVEDC, 34 RESTOREDC
    32, 36,                       // 35 SETWORLDTRANSFORM, 36 MODIFYWORLDTRANSFORM
    12, 28, 24, 12,               // 37 SELECTOBJECT, 38 CREATEPEN, 39 CREATEBRUSHINDIRECT, 40 DELETEOBJECT
    28,                           // 41 ANGLEARC
    24, 24, 32,                   // 42 ELLIPSE, 43 RECTANGLE, 44 ROUNDRECT
    40, 40, 40,                   // 45 ARC, 46 CHORD, 47 PIE
    12, 16, 20, 16, 8,            // 48-52 palette records
    24,                           // 53 EXTFLOODFILL
    16, 40, 28,                   // 54 LINETO, 55 ARCTO, 56 POLYDRAW
    12, 12,                       // 57 SETARCDIRECTION, 58 SETMITERLIMIT
    8, 8, 8,                      // 59-61 BEGINPATH, ENDPATH, CLOSEFIGURE
    24, 24, 24,                   // 62-64 FILLPATH, STROKEANDFILLPATH, STROKEPATH
    8, 8, 12, 8,                  // 65 FLATTENPATH, 66 WIDENPATH, 67 SELECTCLIPPATH, 68 ABORTPATH
    0,                            // 69 undefined
    12,                           // 70 COMMENT
    32, 40, 28, 28, 16,           // 71-75 region records (checked by RegionRecordFits)
    100, 108, 128, 140,           // 76 BITBLT, 77 STRETCHBLT, 78 MASKBLT, 79 PLGBLT
    76, 80,                       // 80 SETDIBITSTODEVICE, 81 STRETCHDIBITS
    104,                          // 82 EXTCREATEFONTINDIRECTW: at least a LOGFONTW
    60, 60,                       // 83-84 EXTTEXTOUTA/W (the text rectangle may be left out)
    28, 28, 28, 28, 28,           // 85-89 16-bit poly records
    32, 32, 28,                   // 90 POLYPOLYLINE16, 91 POLYPOLYGON16, 92 POLYDRAW16
    32, 32,                       // 93 CREATEMONOBRUSH, 94 CREATEDIBPATTERNBRUSHPT
    52,                           // 95 EXTCREATEPEN
    40, 40,                       // 96-97 POLYTEXTOUTA/W
    12,                           // 98 SETICMMODE
    340,                          // 99 CREATECOLORSPACE (LOGCOLORSPACEA with its 260-byte name)
    12, 12,                       // 100 SETCOLORSPACE, 101 DELETECOLORSPACE
    12, 28,                       // 102 GLSRECORD, 103 GLSBOUNDEDRECORD
    48,                           // 104 PIXELFORMAT
    16, 16,                       // 105 DRAWESCAPE, 106 EXTESCAPE
    0,                            // 107 undefined
    36,                           // 108 SMALLTEXTOUT
    24, 20, 24,                   // 109 FORCEUFIMAPPING, 110 NAMEDESCAPE, 111 COLORCORRECTPALETTE
    20, 20,                       // 112-113 SETICMPROFILEA/W
    108, 12, 108,                 // 114 ALPHABLEND, 115 SETLAYOUT, 116 TRANSPARENTBLT
    0,                            // 117 undefined
    36,                           // 118 GRADIENTFILL
    12, 16, 24,                   // 119 SETLINKEDUFIS, 120 SETTEXTJUSTIFICATION, 121 COLORMATCHTOTARGETW
    608,                          // 122 CREATECOLORSPACEW (LOGCOLORSPACEW, flags, data size)
};

constexpr std::uint32_t kRgnDataHeaderSize = 32;

// A RGNDATA of cb bytes at `rgn`: its 32-byte header and nCount rectangles
// of 16 bytes must fit.
bool RegionDataFits(const std::uint8_t* rgn, std::uint64_t cb) {
  if (cb < kRgnDataHeaderSize) return false;
  const std::uint64_t count = le::U32(rgn + 8);
  return kRgnDataHeaderSize + count * 16 <= cb;
}

// FILLRGN, FRAMERGN, INVERTRGN, PAINTRGN, EXTSELECTCLIPRGN: the region data
// size and the region's own rectangle count against the record.
bool RegionRecordFits(std::uint32_t type, const std::uint8_t* rec, std::uint32_t size) {
  std::uint32_t cbAt = 24, dataAt = 0;
  switch (type) {
    case 71: dataAt = 32; break;  // bounds, cbRgnData, ihBrush
    case 72: dataAt = 40; break;  // bounds, cbRgnData, ihBrush, szlStroke
    case 73: case 74: dataAt = 28; break;
    default: cbAt = 8; dataAt = 16; break;  // 75: cbRgnData, iMode
  }
  const std::uint64_t cb = le::U32(rec + cbAt);
  if (cb > size - dataAt) return false;
  // Selecting an empty region with RGN_COPY resets the clipping: no data.
  if (type == 75 && cb == 0) return true;
  return RegionDataFits(rec + dataAt, cb);
}

// One EMRTEXT at `at` {reference, nChars, offString, options, [rectangle
// unless ETO_NO_RECT], offDx}, its offsets counted from the record's start:
// the text's fields, its string, and its spacing array unless offDx is 0
// (the font's own advances), two values a character under ETO_PDY, lie
// inside the record, as the player reads them; *end is where the next one
// starts. Sizes in 64 bits: a count and an offset near 2^32 must not wrap.
bool EmrTextFits(bool wide, const std::uint8_t* rec, std::uint64_t size, std::uint64_t at, std::uint64_t* end) {
  if (at > size || size - at < 24) return false;
  const std::uint32_t options = le::U32(rec + at + 16);
  const std::uint64_t fields = (options & U_ETO_NO_RECT) != 0 ? 24 : 40;
  if (size - at < fields) return false;
  *end = at + fields;
  const std::uint64_t count = le::U32(rec + at + 8);
  const std::uint64_t offString = le::U32(rec + at + 12);
  if (offString > size || count * (wide ? 2 : 1) > size - offString) return false;
  const std::uint64_t offDx = le::U32(rec + *end - 4);
  if (offDx == 0 || count == 0) return true;
  const std::uint64_t values = count * ((options & U_ETO_PDY) != 0 ? 2 : 1);
  return offDx <= size && values * 4 <= size - offDx;
}

// EXTTEXTOUTA/W {bounds, graphics mode, scales, EMRTEXT}, POLYTEXTOUTA/W
// {bounds, graphics mode, scales, cStrings, EMRTEXT x cStrings}: every
// text as the player reads it. libuemf's checks are not used: for
// EXTTEXTOUT they measure only the spacing, with offsets that wrap at 2^32,
// and count it from the record's start when there is none; POLYTEXTOUT
// they do not check at all (and say so on stderr).
bool TextRecordFits(std::uint32_t type, const std::uint8_t* rec, std::uint32_t size) {
  const bool wide = type == U_EMR_EXTTEXTOUTW || type == U_EMR_POLYTEXTOUTW;
  std::uint64_t end = 0;
  if (type == U_EMR_EXTTEXTOUTA || type == U_EMR_EXTTEXTOUTW) return EmrTextFits(wide, rec, size, 36, &end);
  // Each text ends where the next begins; at least 24 bytes each, so the
  // walk ends within the record whatever cStrings says.
  end = 40;
  for (std::uint32_t i = 0, n = le::U32(rec + 36); i < n; ++i) {
    if (!EmrTextFits(wide, rec, size, end, &end)) return false;
  }
  return true;
}

// In 64 bits, as for EMRTEXT.
bool SmallTextFits(const std::uint8_t* rec, std::uint64_t size) {
  const SmallTextLayout layout = SmallTextLayoutOf(le::U32(rec + kSmallTextOptionsAt));
  const std::uint64_t fields = layout.offString;
  const std::uint64_t count = le::U32(rec + kSmallTextCountAt);
  return size >= fields && count * layout.charSize <= size - fields;
}

bool RecordFits(std::uint32_t type, const std::uint8_t* rec, std::uint32_t size) {
  if (type > 122) return true;  // not a type of the format: passed over
  const std::uint32_t min = kMinRecordSize[type];
  if (min == 0) return true;
  if (size < min) return false;
  switch (type) {
    case 71: case 72: case 73: case 74: case 75:
      return RegionRecordFits(type, rec, size);
    case 83: case 84: case 96: case 97:
      return TextRecordFits(type, rec, size);
    case 108:
      return SmallTextFits(rec, size);
    case 99:  // fixed layout only
      return true;
    case 122:  // a data block of cbData bytes follows the fixed part
      return le::U32(rec + 604) <= size - 608;
    default:
      break;
  }
  return U_emf_record_safe(reinterpret_cast<const char*>(rec)) != 0;
}

EmfRect ReadRect(const std::uint8_t* p) {
  return EmfRect{le::I32(p), le::I32(p + 4), le::I32(p + 8), le::I32(p + 12)};
}

}  // namespace

SmallTextLayout SmallTextLayoutOf(std::uint32_t options) {
  const bool hasRect = (options & U_ETO_NO_RECT) == 0;
  return {hasRect, hasRect ? 52u : 36u, (options & U_ETO_SMALL_CHARS) != 0 ? 1u : 2u};
}

bool IsEmfTextRecord(std::uint32_t type) {
  return type == U_EMR_EXTTEXTOUTA || type == U_EMR_EXTTEXTOUTW || type == U_EMR_POLYTEXTOUTA ||
         type == U_EMR_POLYTEXTOUTW || type == U_EMR_SMALLTEXTOUT;
}

bool EmfRecordFits(const std::uint8_t* record, std::uint32_t size) {
  if (record == nullptr || size < 8 || size % 4 != 0) return false;
  return RecordFits(le::U32(record), record, size);
}

bool HasEmfSignature(const std::uint8_t* data, std::uint64_t size) {
  return data != nullptr && size >= 44 && le::U32(data) == kEmrHeader && le::U32(data + 40) == kEmfSignature;
}

bool ReadEmfHeader(const std::uint8_t* data, std::uint64_t size, EmfHeaderInfo* header) {
  if (!HasEmfSignature(data, size) || size < kEmfHeaderMinSize) return false;
  EmfHeaderInfo h;
  h.bounds = ReadRect(data + 8);
  h.frame = ReadRect(data + 24);
  h.version = le::U32(data + 44);
  h.bytes = le::U32(data + 48);
  h.records = le::U32(data + 52);
  h.handles = le::U16(data + 56);
  h.paletteEntries = le::U32(data + 68);
  h.deviceWidth = le::I32(data + 72);
  h.deviceHeight = le::I32(data + 76);
  h.deviceWidthMm = le::I32(data + 80);
  h.deviceHeightMm = le::I32(data + 84);
  if (header) *header = h;
  return true;
}

EmfCheck ValidateEmf(const std::uint8_t* data, std::uint64_t size, EmfValidation* result) {
  EmfValidation v;
  auto finish = [&](EmfCheck check, std::uint64_t at) {
    v.failedAt = at;
    if (result) *result = v;
    return check;
  };
  if (!HasEmfSignature(data, size)) return finish(EmfCheck::NotEmf, 0);
  if (size < kEmfHeaderMinSize) return finish(EmfCheck::Truncated, 0);
  ReadEmfHeader(data, size, &v.header);
  const std::uint32_t headerSize = le::U32(data + 4);
  if (headerSize < kEmfHeaderMinSize || headerSize % 4 != 0 || v.header.version < 0x10000 ||
      v.header.bytes < headerSize) {
    return finish(EmfCheck::BadHeader, 0);
  }
  if (v.header.bytes > size) return finish(EmfCheck::Truncated, 0);

  const std::uint64_t end = v.header.bytes;
  std::uint64_t at = 0;
  while (at < end) {
    if (end - at < 8) return finish(EmfCheck::BadRecord, at);
    const std::uint8_t* rec = data + at;
    const std::uint32_t type = le::U32(rec);
    const std::uint32_t recSize = le::U32(rec + 4);
    if (recSize < 8 || recSize % 4 != 0 || recSize > end - at) return finish(EmfCheck::BadRecord, at);
    if ((at == 0) != (type == kEmrHeader)) return finish(EmfCheck::BadRecord, at);
    if (!RecordFits(type, rec, recSize)) return finish(at == 0 ? EmfCheck::BadHeader : EmfCheck::BadRecord, at);
    ++v.recordCount;
    at += recSize;
    if (type == kEmrEof) {
      v.recordsEnd = at;
      return finish(EmfCheck::Ok, 0);
    }
  }
  return finish(EmfCheck::NoEof, at);
}

namespace {

// Takes out each record `drop` answers true for (it sees every record in
// order, type and bytes), as DropUnfitTextRecords describes.
template <class Drop>
std::uint32_t DropRecords(std::uint8_t* data, std::uint64_t* size, Drop drop) {
  if (data == nullptr || size == nullptr || *size < kEmfHeaderMinSize || !HasEmfSignature(data, *size)) return 0;
  const std::uint32_t declared = le::U32(data + 48);
  const std::uint64_t end = std::min<std::uint64_t>(declared, *size);
  // One pass: each record kept moves up over those taken out before it.
  std::uint64_t at = 0, kept = 0;
  std::uint32_t dropped = 0;
  while (end - at >= 8) {
    const std::uint32_t type = le::U32(data + at);
    const std::uint32_t recSize = le::U32(data + at + 4);
    if (recSize < 8 || recSize % 4 != 0 || recSize > end - at) break;
    if (drop(type, data + at, recSize)) {
      ++dropped;
    } else {
      if (kept != at) std::memmove(data + kept, data + at, recSize);
      kept += recSize;
    }
    at += recSize;
    if (type == kEmrEof) break;
  }
  if (dropped == 0) return 0;
  if (kept != at) std::memmove(data + kept, data + at, std::size_t(*size - at));
  *size -= at - kept;
  le::Put32(data + 48, std::uint32_t(declared - (at - kept)));
  const std::uint32_t records = le::U32(data + 52);
  le::Put32(data + 52, records > dropped ? records - dropped : 0);
  return dropped;
}

}  // namespace

std::uint32_t DropUnfitTextRecords(std::uint8_t* data, std::uint64_t* size) {
  return DropRecords(data, size, [](std::uint32_t type, const std::uint8_t* record, std::uint32_t recSize) {
    return IsEmfTextRecord(type) && !RecordFits(type, record, recSize);
  });
}

std::uint32_t DropWideningsPastLimit(std::uint8_t* data, std::uint64_t* size) {
  // A context's path is its own (SaveDC keeps none): it starts afresh at
  // BEGINPATH, so the widenings since the last one are those of its path.
  std::uint32_t widenings = 0;
  return DropRecords(data, size, [&](std::uint32_t type, const std::uint8_t*, std::uint32_t) {
    if (type == U_EMR_BEGINPATH) widenings = 0;
    return type == U_EMR_WIDENPATH && ++widenings > kMaxWideningsPerPath;
  });
}

EmfSizeMm GetEmfFrameSizeMm(const EmfHeaderInfo& header) {
  const std::int64_t w = std::llabs(std::int64_t(header.frame.right) - header.frame.left);
  const std::int64_t h = std::llabs(std::int64_t(header.frame.bottom) - header.frame.top);
  if (w == 0 || h == 0) return EmfSizeMm{100.0, 100.0};
  return EmfSizeMm{double(w) / 100.0, double(h) / 100.0};
}

}  // namespace kvn
