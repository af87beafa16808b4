// The records of a Windows metafile, for the readers of platform/metafile:
// the record functions, a record's parameters as a bounded view, and the
// walk over the records after the 18-byte header.
#pragma once

#include <algorithm>
#include <cstdint>

#include "platform/gdi/LeBytes.h"
#include "platform/metafile/WmfToEmf.h"

namespace kvn::wmf {

// Record functions.
enum : std::uint16_t {
  kMetaEof = 0x0000,
  kMetaSaveDc = 0x001E,
  kMetaRealizePalette = 0x0035,
  kMetaSetPalEntries = 0x0037,
  kMetaCreatePalette = 0x00F7,
  kMetaSetBkMode = 0x0102,
  kMetaSetRop2 = 0x0104,
  kMetaSetPolyFillMode = 0x0106,
  kMetaSetStretchBltMode = 0x0107,
  kMetaSetTextJustification = 0x020A,
  kMetaEscape = 0x0626,
  kMetaRestoreDc = 0x0127,
  kMetaInvertRegion = 0x012A,
  kMetaPaintRegion = 0x012B,
  kMetaSelectClipRegion = 0x012C,
  kMetaSelectObject = 0x012D,
  kMetaSetTextAlign = 0x012E,
  kMetaResizePalette = 0x0139,
  kMetaDibCreatePatternBrush = 0x0142,
  kMetaSetLayout = 0x0149,
  kMetaDeleteObject = 0x01F0,
  kMetaCreatePatternBrush = 0x01F9,
  kMetaSetBkColor = 0x0201,
  kMetaSetTextColor = 0x0209,
  kMetaSetWindowOrg = 0x020B,
  kMetaSetWindowExt = 0x020C,
  kMetaOffsetWindowOrg = 0x020F,
  kMetaLineTo = 0x0213,
  kMetaMoveTo = 0x0214,
  kMetaOffsetClipRgn = 0x0220,
  kMetaFillRegion = 0x0228,
  kMetaSetMapperFlags = 0x0231,
  kMetaSelectPalette = 0x0234,
  kMetaCreatePenIndirect = 0x02FA,
  kMetaCreateFontIndirect = 0x02FB,
  kMetaCreateBrushIndirect = 0x02FC,
  kMetaPolygon = 0x0324,
  kMetaPolyline = 0x0325,
  kMetaScaleWindowExt = 0x0410,
  kMetaExcludeClipRect = 0x0415,
  kMetaIntersectClipRect = 0x0416,
  kMetaEllipse = 0x0418,
  kMetaFloodFill = 0x0419,
  kMetaRectangle = 0x041B,
  kMetaSetPixel = 0x041F,
  kMetaFrameRegion = 0x0429,
  kMetaAnimatePalette = 0x0436,
  kMetaTextOut = 0x0521,
  kMetaPolyPolygon = 0x0538,
  kMetaExtFloodFill = 0x0548,
  kMetaRoundRect = 0x061C,
  kMetaPatBlt = 0x061D,
  kMetaCreateRegion = 0x06FF,
  kMetaArc = 0x0817,
  kMetaPie = 0x081A,
  kMetaChord = 0x0830,
  kMetaBitBlt = 0x0922,
  kMetaDibBitBlt = 0x0940,
  kMetaExtTextOut = 0x0A32,
  kMetaStretchBlt = 0x0B23,
  kMetaDibStretchBlt = 0x0B41,
  kMetaSetDibToDev = 0x0D33,
  kMetaStretchDib = 0x0F43,
};

// The parameters of one record: what its size allows, nothing beyond.
class Params {
 public:
  Params(const std::uint8_t* p, std::uint32_t n) : p_(p), n_(n) {}
  std::uint32_t Size() const { return n_; }
  bool Has(std::uint64_t bytes) const { return bytes <= n_; }
  // Word i as signed / unsigned; the caller has checked Has(2 * i + 2).
  std::int32_t S(std::uint32_t i) const { return le::I16(p_ + 2 * i); }
  std::uint32_t U(std::uint32_t i) const { return le::U16(p_ + 2 * i); }
  std::uint32_t U32At(std::uint32_t byte) const { return le::U32(p_ + byte); }
  const std::uint8_t* At(std::uint32_t byte) const { return p_ + byte; }

 private:
  const std::uint8_t* p_;
  std::uint32_t n_;
};

// Walks the records after the header; `visit` gets (function, size in
// words, parameters) and returns false to stop. False when a record's size
// does not fit what is left. `ended`, when given, tells whether the walk
// met the end record (META_EOF); `stop`, when given, receives the offset
// where the walk stopped: past the end record, at the record that did not
// fit, at the end of the bytes, or at the record the visitor stopped on.
template <class Visit>
inline bool WalkRecords(const std::uint8_t* data, std::uint64_t size, Visit visit, bool* ended = nullptr,
                        std::uint64_t* stop = nullptr) {
  if (ended) *ended = false;
  std::uint64_t at = kWmfHeaderSize;
  auto stopAt = [&](std::uint64_t offset, bool fits) {
    if (stop) *stop = offset;
    return fits;
  };
  while (at < size) {
    if (size - at < 6) return stopAt(at, false);
    const std::uint32_t words = le::U32(data + at);
    const std::uint16_t function = le::U16(data + at + 4);
    if (words < 3 || 2ull * words > size - at) return stopAt(at, false);
    if (function == kMetaEof) {
      if (ended) *ended = true;
      return stopAt(at + 2ull * words, true);
    }
    if (!visit(function, words, Params(data + at + 6, std::uint32_t(2ull * words - 6)))) return stopAt(at, true);
    at += 2ull * words;
  }
  return stopAt(std::min<std::uint64_t>(at, size), true);
}

}  // namespace kvn::wmf
