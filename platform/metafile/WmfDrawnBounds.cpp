#include "platform/metafile/WmfDrawnBounds.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/metafile/WmfRecordWalk.h"

namespace kvn {

namespace {

using namespace wmf;

constexpr std::uint32_t kEtoOpaqueOrClipped = 0x0006;  // an EXTTEXTOUT with a rectangle
constexpr std::uint32_t kTaRight = 2, kTaCenter = 6, kTaBottom = 8, kTaBaseline = 24;
constexpr double kCellWidth = 0.5;   // of the font height
constexpr double kAscent = 0.8;      // of the font height, above the baseline
constexpr std::uint32_t kMaxSlots = 65535;

class Bounds {
 public:
  void Add(double x, double y) {
    x -= orgX_;
    y -= orgY_;
    if (!any_) {
      b_ = {x, y, x, y};
      any_ = true;
      return;
    }
    b_.left = std::min(b_.left, x);
    b_.top = std::min(b_.top, y);
    b_.right = std::max(b_.right, x);
    b_.bottom = std::max(b_.bottom, y);
  }
  void AddBox(double x0, double y0, double x1, double y1) {
    Add(x0, y0);
    Add(x1, y1);
  }
  void Text(double x, double y, std::uint32_t chars) {
    const double h = fontHeight_ > 0 ? fontHeight_ : 12;
    const double w = h * kCellWidth * chars;
    const std::uint32_t horizontal = align_ & kTaCenter, vertical = align_ & kTaBaseline;
    const double x0 = horizontal == kTaCenter ? x - w / 2 : horizontal == kTaRight ? x - w : x;
    const double y0 = vertical == kTaBaseline ? y - h * kAscent : vertical == kTaBottom ? y - h : y;
    AddBox(x0, y0, x0 + w, y0 + h);
  }
  void Record(std::uint16_t function, std::uint32_t words, const Params& p);
  bool Get(WmfBounds* out) const {
    if (!any_) return false;
    *out = b_;
    return true;
  }

 private:
  // The object table: the height of each font, -1 for other objects, and
  // free slots (taken lowest first, as the records expect).
  void Create(double fontHeight) {
    auto it = std::find(slots_.begin(), slots_.end(), kFree);
    if (it != slots_.end()) {
      *it = fontHeight;
    } else if (slots_.size() < kMaxSlots) {
      slots_.push_back(fontHeight);
    }
  }
  static constexpr double kFree = -2;

  WmfBounds b_;
  bool any_ = false;
  double orgX_ = 0, orgY_ = 0;
  double fontHeight_ = 0;
  std::uint32_t align_ = 0;
  std::vector<double> slots_;
};

void Bounds::Record(std::uint16_t function, std::uint32_t words, const Params& p) {
  switch (function) {
    case kMetaSetWindowOrg:
      if (p.Has(4)) {
        orgX_ = p.S(1);
        orgY_ = p.S(0);
      }
      break;
    case kMetaOffsetWindowOrg:
      if (p.Has(4)) {
        orgX_ += p.S(1);
        orgY_ += p.S(0);
      }
      break;
    case kMetaSetTextAlign:
      if (p.Has(2)) align_ = p.U(0);
      break;
    case kMetaCreateFontIndirect:
      Create(p.Has(2) ? std::fabs(double(p.S(0))) : 0);
      break;
    case kMetaCreatePenIndirect: case kMetaCreateBrushIndirect: case kMetaCreatePalette: case kMetaCreateRegion:
    case kMetaDibCreatePatternBrush: case kMetaCreatePatternBrush:
      Create(-1);
      break;
    case kMetaDeleteObject:
      if (p.Has(2) && p.U(0) < slots_.size()) slots_[p.U(0)] = kFree;
      break;
    case kMetaSelectObject:
      if (p.Has(2) && p.U(0) < slots_.size() && slots_[p.U(0)] >= 0) fontHeight_ = slots_[p.U(0)];
      break;
    case kMetaMoveTo: case kMetaLineTo:
      if (p.Has(4)) Add(p.S(1), p.S(0));
      break;
    case kMetaSetPixel:
      if (p.Has(8)) Add(p.S(3), p.S(2));
      break;
    case kMetaRectangle: case kMetaEllipse:
      if (p.Has(8)) AddBox(p.S(3), p.S(2), p.S(1), p.S(0));
      break;
    case kMetaRoundRect:
      if (p.Has(12)) AddBox(p.S(5), p.S(4), p.S(3), p.S(2));
      break;
    case kMetaArc: case kMetaPie: case kMetaChord:
      if (p.Has(16)) AddBox(p.S(7), p.S(6), p.S(5), p.S(4));
      break;
    case kMetaPolygon: case kMetaPolyline: {
      if (!p.Has(2)) break;
      const std::uint32_t n = p.U(0);
      for (std::uint32_t i = 0; i < n && p.Has(2 + 4ull * (i + 1)); ++i) Add(p.S(1 + 2 * i), p.S(2 + 2 * i));
      break;
    }
    case kMetaPolyPolygon: {
      if (!p.Has(2)) break;
      const std::uint32_t polys = p.U(0);
      if (!p.Has(2 + 2ull * polys)) break;
      std::uint64_t points = 0;
      for (std::uint32_t i = 0; i < polys; ++i) points += p.U(1 + i);
      const std::uint32_t at = 1 + polys;
      for (std::uint64_t i = 0; i < points && p.Has(2ull * (at + 2 * i + 2)); ++i)
        Add(p.S(std::uint32_t(at + 2 * i)), p.S(std::uint32_t(at + 2 * i + 1)));
      break;
    }
    case kMetaTextOut: {  // {count, string padded to words, y, x}
      if (!p.Has(2)) break;
      const std::uint32_t n = p.U(0), at = 1 + (n + 1) / 2;
      if (p.Has(2ull * at + 4)) Text(p.S(at + 1), p.S(at), n);
      break;
    }
    case kMetaExtTextOut: {  // {y, x, count, options, [rectangle], string}
      // A record that cannot hold its string is not drawn (WmfToEmf.h).
      const std::uint32_t at = p.Has(8) && (p.U(3) & kEtoOpaqueOrClipped) != 0 ? 16 : 8;
      if (p.Has(at) && p.S(2) >= 0 && p.Has(std::uint64_t(at) + p.U(2))) Text(p.S(1), p.S(0), p.U(2));
      break;
    }
    case kMetaPatBlt:  // {rop, height, width, y, x}
      if (p.Has(12)) AddBox(p.S(5), p.S(4), p.S(5) + p.S(3), p.S(4) + p.S(2));
      break;
    case kMetaBitBlt: case kMetaStretchBlt: case kMetaDibBitBlt: case kMetaDibStretchBlt: {
      const bool stretch = function == kMetaDibStretchBlt || function == kMetaStretchBlt;
      const bool noBitmap = words == std::uint32_t(function >> 8) + 3;
      const std::uint32_t at = 2 + (stretch ? 4 : 2) + (noBitmap ? 1 : 0);  // dest h, w, y, x
      if (p.Has(2ull * (at + 4))) AddBox(p.S(at + 3), p.S(at + 2), p.S(at + 3) + p.S(at + 1), p.S(at + 2) + p.S(at));
      break;
    }
    case kMetaStretchDib:  // {rop, usage, src h, w, y, x, dst h, w, y, x}
      if (p.Has(22)) AddBox(p.S(10), p.S(9), p.S(10) + p.S(8), p.S(9) + p.S(7));
      break;
    case kMetaSetDibToDev:  // {usage, scans, start, src y, x, h, w, dst y, x}
      if (p.Has(18)) AddBox(p.S(8), p.S(7), p.S(8) + p.S(6), p.S(7) + p.S(5));
      break;
    default:
      break;
  }
}

}  // namespace

bool WmfDrawnBounds(const std::uint8_t* data, std::uint64_t size, WmfBounds* out) {
  Bounds bounds;
  if (data == nullptr || size < kWmfHeaderSize) return false;
  WalkRecords(data, size, [&](std::uint16_t function, std::uint32_t words, const Params& p) {
    bounds.Record(function, words, p);
    return true;
  });
  return bounds.Get(out);
}

}  // namespace kvn
