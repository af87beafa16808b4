#include "platform/gdi/MetafileDC.h"

#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"

namespace kvn {

namespace {

constexpr std::uint32_t kStock = 0x80000000u;
constexpr std::uint32_t kEmfHeaderSize = 108;  // with cbPixelFormat, offPixelFormat, bOpenGL, szlMicrometers

bool Fits16(const TPoint* points, int count) {
  for (int i = 0; i < count; ++i) {
    if (points[i].x < -32768 || points[i].x > 32767 || points[i].y < -32768 || points[i].y > 32767) return false;
  }
  return true;
}

// Each drawing call is done on the surface first; only what was done there
// is written to the metafile.
template <class Write>
bool AndRecord(bool done, Write&& write) {
  if (done) write();
  return done;
}

void PutRect(std::uint8_t* p, std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) {
  le::Put32(p, std::uint32_t(l));
  le::Put32(p + 4, std::uint32_t(t));
  le::Put32(p + 8, std::uint32_t(r));
  le::Put32(p + 12, std::uint32_t(b));
}

void PutFloat(std::uint8_t* p, double v) {
  const float f = float(v);
  std::uint32_t u;
  std::memcpy(&u, &f, 4);
  le::Put32(p, u);
}

std::int32_t Clamp32(double v) {
  if (!(v == v)) return 0;
  if (v < -2147483647.0) return -2147483647;
  if (v > 2147483647.0) return 2147483647;
  return std::int32_t(std::floor(v));
}

// The inclusive bounds of a blit's rectangle, summed wide: a played record
// may place it anywhere in the 32-bit range. A negative extent mirrors the
// picture over the pixels x + width to x - 1, which bound it as they would
// bound the plain blit (left and top the smaller).
void PutBlitBounds(std::uint8_t* p, int x, int y, int width, int height) {
  const double x2 = double(x) + width, y2 = double(y) + height;
  PutRect(p, Clamp32(std::min<double>(x, x2)), Clamp32(std::min<double>(y, y2)), Clamp32(std::max<double>(x, x2) - 1),
          Clamp32(std::max<double>(y, y2) - 1));
}

// RGNDATA of a region: header (32 bytes) then its rectangles.
std::vector<std::uint8_t> RegionData(const TRegion& region) {
  const std::uint32_t n = region.RectCount();
  std::vector<std::uint8_t> data(32 + std::size_t(n) * 16);
  const TRect box = region.GetBox();
  le::Put32(data.data(), 32);
  le::Put32(data.data() + 4, 1);  // RDH_RECTANGLES
  le::Put32(data.data() + 8, n);
  le::Put32(data.data() + 12, n * 16);
  PutRect(data.data() + 16, box.left, box.top, box.right, box.bottom);
  for (std::uint32_t i = 0; i < n; ++i) {
    const TRect& r = region.Rects()[i];
    PutRect(data.data() + 32 + std::size_t(i) * 16, r.left, r.top, r.right, r.bottom);
  }
  return data;
}

}  // namespace

MetafileDC::MetafileDC(const MetafileFrame& frame, TSize referencePixels, TSize referenceMm, std::uint64_t budget)
    : TDC([&] {
        DeviceCaps caps;
        caps.technology = kDtMetafile;
        caps.rasterCaps = kRcBitBlt | kRcDiBitmap | kRcStretchBlt | kRcStretchDib;
        if (referenceMm.cx > 0 && referenceMm.cy > 0) {
          caps.dpiX = std::max(1, int(std::lround(referencePixels.cx * 25.4 / referenceMm.cx)));
          caps.dpiY = std::max(1, int(std::lround(referencePixels.cy * 25.4 / referenceMm.cy)));
        }
        return caps;
      }()),
      out_(budget) {
  std::uint8_t* h = out_.Add(U_EMR_HEADER, kEmfHeaderSize);
  if (h == nullptr) return;
  PutRect(h + 8, 0, 0, -1, -1);
  PutRect(h + 24, frame.left, frame.top, frame.right, frame.bottom);
  le::Put32(h + 40, 0x464D4520u);  // " EMF"
  le::Put32(h + 44, 0x10000u);
  le::Put32(h + 72, std::uint32_t(referencePixels.cx));
  le::Put32(h + 76, std::uint32_t(referencePixels.cy));
  le::Put32(h + 80, std::uint32_t(referenceMm.cx));
  le::Put32(h + 84, std::uint32_t(referenceMm.cy));
  le::Put32(h + 100, std::uint32_t(referenceMm.cx) * 1000u);
  le::Put32(h + 104, std::uint32_t(referenceMm.cy) * 1000u);
}

MetafileDC::~MetafileDC() = default;

bool MetafileDC::Close(ByteArray& bytes) {
  if (closed_ || !out_.Ok()) return false;
  closed_ = true;
  std::uint8_t* h = out_.Bytes().Items();
  if (hasBounds_) {
    PutRect(h + 8, Clamp32(boundsLeft_), Clamp32(boundsTop_), Clamp32(std::ceil(boundsRight_)) - 1,
            Clamp32(std::ceil(boundsBottom_)) - 1);
  }
  const std::size_t handles = handleKeys_.size();
  if (!out_.Finish(std::uint16_t(std::min<std::size_t>(handles, 0xFFFF)))) return false;
  bytes = std::move(out_.Bytes());
  return true;
}

// ---- record shapes ----------------------------------------------------------

void MetafileDC::Simple(std::uint32_t type) { out_.Add(type, 8); }

void MetafileDC::Value(std::uint32_t type, std::uint32_t value) {
  if (std::uint8_t* r = out_.Add(type, 12)) le::Put32(r + 8, value);
}

void MetafileDC::Pair(std::uint32_t type, std::int32_t a, std::int32_t b) {
  if (std::uint8_t* r = out_.Add(type, 16)) {
    le::Put32(r + 8, std::uint32_t(a));
    le::Put32(r + 12, std::uint32_t(b));
  }
}

void MetafileDC::Box(std::uint32_t type, std::int32_t left, std::int32_t top, std::int32_t right,
                     std::int32_t bottom) {
  if (std::uint8_t* r = out_.Add(type, 24)) PutRect(r + 8, left, top, right, bottom);
}

// Records that carry only the bounds of what they draw (FILLPATH and its kin).
void MetafileDC::BoundsRecord(std::uint32_t type) {
  if (std::uint8_t* r = out_.Add(type, 24)) PutRect(r + 8, 0, 0, -1, -1);
}

void MetafileDC::Points(std::uint32_t type16, std::uint32_t type32, const TPoint* points, int count) {
  const bool small = Fits16(points, count);
  const std::uint32_t unit = small ? 4 : 8;
  std::uint8_t* r = out_.Add(small ? type16 : type32, 28 + std::uint64_t(count) * unit);
  if (r == nullptr) return;
  PutRect(r + 8, 0, 0, -1, -1);
  le::Put32(r + 24, std::uint32_t(count));
  std::uint8_t* p = r + 28;
  for (int i = 0; i < count; ++i, p += unit) {
    if (small) {
      le::Put16(p, std::uint16_t(std::int16_t(points[i].x)));
      le::Put16(p + 2, std::uint16_t(std::int16_t(points[i].y)));
    } else {
      le::Put32(p, std::uint32_t(points[i].x));
      le::Put32(p + 4, std::uint32_t(points[i].y));
    }
  }
}

// EXTSELECTCLIPRGN (mode) or FILLRGN (brush handle); a null region selects none.
void MetafileDC::Region(std::uint32_t type, const TRegion* region, std::uint32_t modeOrBrush) {
  const std::vector<std::uint8_t> data = region ? RegionData(*region) : std::vector<std::uint8_t>{};
  if (type == U_EMR_FILLRGN) {
    std::uint8_t* r = out_.Add(type, 32 + std::uint64_t(data.size()));
    if (r == nullptr) return;
    const TRect box = region ? region->GetBox() : TRect{};
    PutRect(r + 8, box.left, box.top, box.right - 1, box.bottom - 1);
    le::Put32(r + 24, std::uint32_t(data.size()));
    le::Put32(r + 28, modeOrBrush);
    if (!data.empty()) std::memcpy(r + 32, data.data(), data.size());
    return;
  }
  std::uint8_t* r = out_.Add(type, 16 + std::uint64_t(data.size()));
  if (r == nullptr) return;
  le::Put32(r + 8, std::uint32_t(data.size()));
  le::Put32(r + 12, modeOrBrush);
  if (!data.empty()) std::memcpy(r + 16, data.data(), data.size());
}

// EMR_BITBLT without a source bitmap: the rectangle with the selected brush
// under the operation.
void MetafileDC::PatternBlit(int x, int y, int width, int height, std::uint32_t rop) {
  std::uint8_t* r = out_.Add(U_EMR_BITBLT, 100);
  if (r == nullptr) return;
  PutBlitBounds(r + 8, x, y, width, height);
  le::Put32(r + 24, std::uint32_t(x));
  le::Put32(r + 28, std::uint32_t(y));
  le::Put32(r + 32, std::uint32_t(width));
  le::Put32(r + 36, std::uint32_t(height));
  le::Put32(r + 40, rop);
  PutFloat(r + 52, 1.0);  // xformSrc: identity
  PutFloat(r + 64, 1.0);
}

// EMR_STRETCHDIBITS (or EMR_ALPHABLEND, whose `rop` is the packed
// BLENDFUNCTION) with the packed DIB's header and bits.
void MetafileDC::Dib(std::uint32_t type, int x, int y, int width, int height, int sourceX, int sourceY,
                     int sourceWidth, int sourceHeight, const std::uint8_t* bmi, std::uint32_t bmiSize,
                     const std::uint8_t* bits, std::uint32_t bitsSize, std::uint32_t rop) {
  const DibParts parts{bmi, bmiSize, bits, bitsSize};
  if (type == U_EMR_ALPHABLEND) {
    std::uint8_t* r = out_.AddWithDib(type, 108, parts, 84);
    if (r == nullptr) return;
    PutBlitBounds(r + 8, x, y, width, height);
    le::Put32(r + 24, std::uint32_t(x));
    le::Put32(r + 28, std::uint32_t(y));
    le::Put32(r + 32, std::uint32_t(width));
    le::Put32(r + 36, std::uint32_t(height));
    le::Put32(r + 40, rop);
    le::Put32(r + 44, std::uint32_t(sourceX));
    le::Put32(r + 48, std::uint32_t(sourceY));
    PutFloat(r + 52, 1.0);
    PutFloat(r + 64, 1.0);
    le::Put32(r + 100, std::uint32_t(sourceWidth));
    le::Put32(r + 104, std::uint32_t(sourceHeight));
    return;
  }
  std::uint8_t* r = out_.AddWithDib(U_EMR_STRETCHDIBITS, 80, parts, 48);
  if (r == nullptr) return;
  PutBlitBounds(r + 8, x, y, width, height);
  le::Put32(r + 24, std::uint32_t(x));
  le::Put32(r + 28, std::uint32_t(y));
  le::Put32(r + 32, std::uint32_t(sourceX));
  le::Put32(r + 36, std::uint32_t(sourceY));
  le::Put32(r + 40, std::uint32_t(sourceWidth));
  le::Put32(r + 44, std::uint32_t(sourceHeight));
  le::Put32(r + 64, U_DIB_RGB_COLORS);
  le::Put32(r + 68, rop);
  le::Put32(r + 72, std::uint32_t(width));
  le::Put32(r + 76, std::uint32_t(height));
}

// A 32-bit pixel block becomes a bottom-up 32-bit DIB of its source
// rectangle (cut to the block); the record then takes the whole DIB.
void MetafileDC::PixelsAsDib(std::uint32_t type, int x, int y, int width, int height, const PixelView& source,
                             int sourceX, int sourceY, int sourceWidth, int sourceHeight, std::uint32_t rop) {
  if (!source.IsValid() || sourceWidth == 0 || sourceHeight == 0) return;
  // Mirrored source extents keep their sign in the destination. Counted
  // wide: an extent of -2^31 has no 32-bit negation.
  std::int64_t srcX = sourceX, srcY = sourceY, srcW = sourceWidth, srcH = sourceHeight;
  std::int64_t dstX = x, dstY = y, dstW = width, dstH = height;
  if (srcW < 0) {
    srcX += srcW;
    srcW = -srcW;
    dstX += dstW;
    dstW = -dstW;
  }
  if (srcH < 0) {
    srcY += srcH;
    srcH = -srcH;
    dstY += dstH;
    dstH = -dstH;
  }
  const std::int64_t x0 = std::max<std::int64_t>(srcX, 0), y0 = std::max<std::int64_t>(srcY, 0);
  const std::int64_t x1 = std::min<std::int64_t>(srcX + srcW, source.width);
  const std::int64_t y1 = std::min<std::int64_t>(srcY + srcH, source.height);
  if (x0 >= x1 || y0 >= y1) return;
  // The destination shrinks with the cut source.
  const double sx = double(dstW) / double(srcW), sy = double(dstH) / double(srcH);
  const int dx = Clamp32(double(dstX) + std::round(double(x0 - srcX) * sx));
  const int dy = Clamp32(double(dstY) + std::round(double(y0 - srcY) * sy));
  const int dw = Clamp32(std::round(double(x1 - x0) * sx)), dh = Clamp32(std::round(double(y1 - y0) * sy));
  const auto w = std::uint32_t(x1 - x0), h = std::uint32_t(y1 - y0);
  std::uint8_t bmi[40] = {};
  le::Put32(bmi, 40);
  le::Put32(bmi + 4, w);
  le::Put32(bmi + 8, h);
  le::Put16(bmi + 12, 1);
  le::Put16(bmi + 14, 32);
  le::Put32(bmi + 20, w * h * 4);
  std::vector<std::uint8_t> bits(std::size_t(w) * h * 4);
  for (std::uint32_t row = 0; row < h; ++row) {
    const std::uint8_t* src = source.bits + std::size_t(y0 + row) * std::size_t(source.stride) + std::size_t(x0) * 4;
    std::memcpy(bits.data() + std::size_t(h - 1 - row) * w * 4, src, std::size_t(w) * 4);
  }
  Dib(type, dx, dy, dw, dh, 0, 0, int(w), int(h), bmi, 40, bits.data(), std::uint32_t(bits.size()), rop);
}

void MetafileDC::Text(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count,
                      const int* dx) {
  if (count < 0) count = 0;
  // Readers place each character by the advances; without the caller's, the
  // face's own are written, as GDI does.
  std::vector<std::int32_t> advances(std::size_t(count), 0);
  if (dx != nullptr) {
    std::copy(dx, dx + count, advances.begin());
  } else {
    int previous = 0;
    for (int i = 0; i < count; ++i) {
      TSize extent{};
      if (!GetTextExtent(text, i + 1, &extent)) break;
      advances[std::size_t(i)] = extent.cx - previous;
      previous = extent.cx;
    }
  }
  const std::uint64_t stringBytes = (std::uint64_t(count) * 2 + 3) & ~std::uint64_t(3);
  std::uint8_t* r = out_.Add(U_EMR_EXTTEXTOUTW, 76 + stringBytes + std::uint64_t(count) * 4);
  if (r == nullptr) return;
  PutRect(r + 8, 0, 0, -1, -1);
  le::Put32(r + 24, std::uint32_t(GetGraphicsMode()));
  PutFloat(r + 28, 0.0);
  PutFloat(r + 32, 0.0);
  le::Put32(r + 36, std::uint32_t(x));
  le::Put32(r + 40, std::uint32_t(y));
  le::Put32(r + 44, std::uint32_t(count));
  le::Put32(r + 48, 76);
  le::Put32(r + 52, options);
  if (rect != nullptr) PutRect(r + 56, rect->left, rect->top, rect->right, rect->bottom);
  le::Put32(r + 72, std::uint32_t(76 + stringBytes));
  for (int i = 0; i < count; ++i) le::Put16(r + 76 + 2 * i, std::uint16_t(text[i]));
  for (int i = 0; i < count; ++i) le::Put32(r + 76 + stringBytes + 4 * std::uint64_t(i), std::uint32_t(advances[i]));
}

// ---- objects ----------------------------------------------------------------

std::string MetafileDC::PenKey(const TPen& pen) const {
  const PenData& d = pen.Data();
  const bool plain = d.userStyleCount == 0 && (!d.geometric || (d.EndCap() == kPsEndCapRound &&
                                                               d.Join() == kPsJoinRound));
  std::string key;
  if (plain) {
    key.assign(28, '\0');
    auto* r = reinterpret_cast<std::uint8_t*>(key.data());
    le::Put32(r, U_EMR_CREATEPEN);
    le::Put32(r + 4, 28);
    le::Put32(r + 12, d.LineStyle());
    le::Put32(r + 16, d.geometric ? d.width : 0);
    le::Put32(r + 24, d.color);
    return key;
  }
  const std::uint32_t size = 52 + 4 * d.userStyleCount;
  key.assign(size, '\0');
  auto* r = reinterpret_cast<std::uint8_t*>(key.data());
  le::Put32(r, U_EMR_EXTCREATEPEN);
  le::Put32(r + 4, size);
  le::Put32(r + 28, d.style | (d.geometric ? kPsGeometric : 0));
  le::Put32(r + 32, d.geometric ? d.width : 1);
  le::Put32(r + 36, kBsSolid);
  le::Put32(r + 40, d.color);
  le::Put32(r + 48, d.userStyleCount);
  for (std::uint32_t i = 0; i < d.userStyleCount; ++i) le::Put32(r + 52 + 4 * i, d.userStyle[i]);
  return key;
}

std::string MetafileDC::BrushKey(const TBrush& brush) const {
  const BrushData& d = brush.Data();
  std::string key;
  if (d.style == kBsPattern) {
    const auto w = std::uint32_t(d.patternWidth), h = std::uint32_t(d.patternHeight);
    if (w == 0 || h == 0 || d.pattern.size() < std::size_t(w) * h) return key;
    const std::uint32_t bitsSize = w * h * 4;
    key.assign(32 + 40 + bitsSize, '\0');
    auto* r = reinterpret_cast<std::uint8_t*>(key.data());
    le::Put32(r, U_EMR_CREATEDIBPATTERNBRUSHPT);
    le::Put32(r + 4, std::uint32_t(key.size()));
    le::Put32(r + 12, U_DIB_RGB_COLORS);
    le::Put32(r + 16, 32);
    le::Put32(r + 20, 40);
    le::Put32(r + 24, 72);
    le::Put32(r + 28, bitsSize);
    std::uint8_t* bmi = r + 32;
    le::Put32(bmi, 40);
    le::Put32(bmi + 4, w);
    le::Put32(bmi + 8, h);
    le::Put16(bmi + 12, 1);
    le::Put16(bmi + 14, 32);
    le::Put32(bmi + 20, bitsSize);
    for (std::uint32_t row = 0; row < h; ++row) {
      for (std::uint32_t col = 0; col < w; ++col)
        le::Put32(r + 72 + (std::size_t(h - 1 - row) * w + col) * 4, d.pattern[std::size_t(row) * w + col]);
    }
    return key;
  }
  key.assign(24, '\0');
  auto* r = reinterpret_cast<std::uint8_t*>(key.data());
  le::Put32(r, U_EMR_CREATEBRUSHINDIRECT);
  le::Put32(r + 4, 24);
  le::Put32(r + 12, d.style);
  le::Put32(r + 16, d.color);
  le::Put32(r + 20, std::uint32_t(d.hatch));
  return key;
}

std::string MetafileDC::FontKey(const TFont& font) const {
  const LogFont& f = font.Data();
  std::string key(104, '\0');
  auto* r = reinterpret_cast<std::uint8_t*>(key.data());
  le::Put32(r, U_EMR_EXTCREATEFONTINDIRECTW);
  le::Put32(r + 4, 104);
  std::uint8_t* lf = r + 12;
  le::Put32(lf, std::uint32_t(f.height));
  le::Put32(lf + 4, std::uint32_t(f.width));
  le::Put32(lf + 8, std::uint32_t(f.escapement));
  le::Put32(lf + 12, std::uint32_t(f.orientation));
  le::Put32(lf + 16, std::uint32_t(f.weight));
  const std::uint8_t bytes[8] = {f.italic,        f.underline,     f.strikeOut, f.charSet,
                                 f.outPrecision,  f.clipPrecision, f.quality,   f.pitchAndFamily};
  std::memcpy(lf + 20, bytes, 8);
  for (int i = 0; i < kLfFaceSize; ++i) le::Put16(lf + 28 + 2 * i, std::uint16_t(f.faceName[i]));
  return key;
}

std::uint32_t MetafileDC::ObjectHandle(Kind, const std::string& key) {
  if (key.empty()) return 0;
  if (auto it = objects_.find(key); it != objects_.end()) return it->second;
  if (objects_.size() >= kMaxLiveObjects) DropUnusedObjects();
  std::uint32_t handle;
  if (!freeHandles_.empty()) {
    handle = freeHandles_.back();
    freeHandles_.pop_back();
  } else {
    if (handleKeys_.size() >= 0xFFFF) return 0;
    handle = std::uint32_t(handleKeys_.size());
    handleKeys_.emplace_back();
  }
  std::uint8_t* r = out_.Add(le::U32(reinterpret_cast<const std::uint8_t*>(key.data())), key.size());
  if (r == nullptr) return 0;
  std::memcpy(r, key.data(), key.size());
  le::Put32(r + 8, handle);
  objects_.emplace(key, handle);
  handleKeys_[handle] = key;
  return handle;
}

void MetafileDC::DropUnusedObjects() {
  std::vector<bool> used(handleKeys_.size(), false);
  auto mark = [&](const Selection& s) {
    for (std::uint32_t h : {s.pen, s.brush, s.font})
      if (h != 0 && !(h & kStock) && h < used.size()) used[h] = true;
  };
  mark(selected_);
  for (const Selection& s : savedSelections_) mark(s);
  for (std::uint32_t h = 1; h < handleKeys_.size(); ++h) {
    if (used[h] || handleKeys_[h].empty()) continue;
    Value(U_EMR_DELETEOBJECT, h);
    objects_.erase(handleKeys_[h]);
    handleKeys_[h].clear();
    freeHandles_.push_back(h);
  }
}

void MetafileDC::Select(Kind kind, std::uint32_t handle) {
  if (handle == 0) return;
  std::uint32_t& slot = kind == Kind::Pen ? selected_.pen : kind == Kind::Brush ? selected_.brush : selected_.font;
  if (slot == handle) return;
  slot = handle;
  Value(U_EMR_SELECTOBJECT, handle);
}

TPen MetafileDC::SelectObject(const TPen& pen) {
  TPen previous = TDC::SelectObject(pen);
  if (pen.IsValid()) Select(Kind::Pen, ObjectHandle(Kind::Pen, PenKey(pen)));
  return previous;
}

TBrush MetafileDC::SelectObject(const TBrush& brush) {
  TBrush previous = TDC::SelectObject(brush);
  if (brush.IsValid()) Select(Kind::Brush, ObjectHandle(Kind::Brush, BrushKey(brush)));
  return previous;
}

TFont MetafileDC::SelectObject(const TFont& font) {
  TFont previous = TDC::SelectObject(font);
  if (font.IsValid()) Select(Kind::Font, ObjectHandle(Kind::Font, FontKey(font)));
  return previous;
}

bool MetafileDC::SelectStockObject(int id) {
  if (!TDC::SelectStockObject(id)) return false;
  const std::uint32_t handle = kStock | std::uint32_t(id);
  if (StockPen(id).IsValid()) {
    Select(Kind::Pen, handle);
  } else if (StockBrush(id).IsValid()) {
    Select(Kind::Brush, handle);
  } else {
    Select(Kind::Font, handle);
  }
  return true;
}

void MetafileDC::RestorePen() {
  TDC::RestorePen();
  Select(Kind::Pen, kStock | kBlackPen);
}

void MetafileDC::RestoreBrush() {
  TDC::RestoreBrush();
  Select(Kind::Brush, kStock | kWhiteBrush);
}

void MetafileDC::RestoreFont() {
  TDC::RestoreFont();
  Select(Kind::Font, kStock | kSystemFont);
}

void MetafileDC::RestoreObjects() {
  RestorePen();
  RestoreBrush();
  RestoreFont();
}

// ---- state ------------------------------------------------------------------

int MetafileDC::SetMapMode(int mode) {
  const int previous = TDC::SetMapMode(mode);
  if (previous) Value(U_EMR_SETMAPMODE, std::uint32_t(mode));
  return previous;
}

bool MetafileDC::SetWindowOrg(int x, int y, TPoint* old) {
  return AndRecord(TDC::SetWindowOrg(x, y, old), [&] { Pair(U_EMR_SETWINDOWORGEX, x, y); });
}

bool MetafileDC::SetWindowExt(int cx, int cy, TSize* old) {
  return AndRecord(TDC::SetWindowExt(cx, cy, old), [&] { Pair(U_EMR_SETWINDOWEXTEX, cx, cy); });
}

bool MetafileDC::SetViewportOrg(int x, int y, TPoint* old) {
  return AndRecord(TDC::SetViewportOrg(x, y, old), [&] { Pair(U_EMR_SETVIEWPORTORGEX, x, y); });
}

bool MetafileDC::SetViewportExt(int cx, int cy, TSize* old) {
  return AndRecord(TDC::SetViewportExt(cx, cy, old), [&] { Pair(U_EMR_SETVIEWPORTEXTEX, cx, cy); });
}

namespace {
void PutXForm(std::uint8_t* p, const XForm& xf) {
  PutFloat(p, xf.eM11);
  PutFloat(p + 4, xf.eM12);
  PutFloat(p + 8, xf.eM21);
  PutFloat(p + 12, xf.eM22);
  PutFloat(p + 16, xf.eDx);
  PutFloat(p + 20, xf.eDy);
}
}  // namespace

bool MetafileDC::SetWorldTransform(const XForm& xf) {
  return AndRecord(TDC::SetWorldTransform(xf), [&] { if (std::uint8_t* r = out_.Add(U_EMR_SETWORLDTRANSFORM, 32)) PutXForm(r + 8, xf); });
}

bool MetafileDC::ModifyWorldTransform(const XForm& xf, int mode) {
  if (!TDC::ModifyWorldTransform(xf, mode)) return false;
  if (std::uint8_t* r = out_.Add(U_EMR_MODIFYWORLDTRANSFORM, 36)) {
    PutXForm(r + 8, xf);
    le::Put32(r + 32, std::uint32_t(mode));
  }
  return true;
}

int MetafileDC::SetROP2(int rop2) {
  const int previous = TDC::SetROP2(rop2);
  if (previous) Value(U_EMR_SETROP2, std::uint32_t(rop2));
  return previous;
}

int MetafileDC::SetBkMode(int mode) {
  const int previous = TDC::SetBkMode(mode);
  if (previous) Value(U_EMR_SETBKMODE, std::uint32_t(mode));
  return previous;
}

COLORREF MetafileDC::SetBkColor(COLORREF color) {
  const COLORREF previous = TDC::SetBkColor(color);
  if (previous != kClrInvalid) Value(U_EMR_SETBKCOLOR, color);
  return previous;
}

COLORREF MetafileDC::SetTextColor(COLORREF color) {
  const COLORREF previous = TDC::SetTextColor(color);
  if (previous != kClrInvalid) Value(U_EMR_SETTEXTCOLOR, color);
  return previous;
}

std::uint32_t MetafileDC::SetTextAlign(std::uint32_t align) {
  const std::uint32_t previous = TDC::SetTextAlign(align);
  if (previous != kGdiError) Value(U_EMR_SETTEXTALIGN, align);
  return previous;
}

int MetafileDC::SetPolyFillMode(int mode) {
  const int previous = TDC::SetPolyFillMode(mode);
  if (previous) Value(U_EMR_SETPOLYFILLMODE, std::uint32_t(mode));
  return previous;
}

int MetafileDC::SetStretchBltMode(int mode) {
  const int previous = TDC::SetStretchBltMode(mode);
  if (previous) Value(U_EMR_SETSTRETCHBLTMODE, std::uint32_t(mode));
  return previous;
}

bool MetafileDC::SetMiterLimit(double limit, double* old) {
  return AndRecord(TDC::SetMiterLimit(limit, old), [&] {
    Value(U_EMR_SETMITERLIMIT, std::uint32_t(std::min(limit, double(UINT32_MAX))));
  });
}

bool MetafileDC::SetBrushOrg(int x, int y, TPoint* old) {
  return AndRecord(TDC::SetBrushOrg(x, y, old), [&] { Pair(U_EMR_SETBRUSHORGEX, x, y); });
}

int MetafileDC::SaveDC() {
  const int depth = TDC::SaveDC();
  if (depth) {
    savedSelections_.push_back(selected_);
    Simple(U_EMR_SAVEDC);
  }
  return depth;
}

bool MetafileDC::RestoreDC(int saved) {
  const int before = SavedDepth();
  if (!TDC::RestoreDC(saved)) return false;
  const std::size_t depth = std::size_t(SavedDepth());
  if (depth < savedSelections_.size()) {
    selected_ = savedSelections_[depth];
    savedSelections_.resize(depth);
  }
  // The record counts back from the top (a negative number) whichever way
  // the caller named the state.
  Value(U_EMR_RESTOREDC, std::uint32_t(int(depth) - before));
  return true;
}

// ---- drawing ----------------------------------------------------------------

bool MetafileDC::MoveTo(int x, int y, TPoint* old) {
  return AndRecord(TDC::MoveTo(x, y, old), [&] { Pair(U_EMR_MOVETOEX, x, y); });
}

bool MetafileDC::LineTo(int x, int y) {
  const bool ok = TDC::LineTo(x, y);
  Pair(U_EMR_LINETO, x, y);
  return ok;
}

bool MetafileDC::Polyline(const TPoint* points, int count) {
  return AndRecord(TDC::Polyline(points, count), [&] { Points(U_EMR_POLYLINE16, U_EMR_POLYLINE, points, count); });
}

bool MetafileDC::PolylineTo(const TPoint* points, int count) {
  return AndRecord(TDC::PolylineTo(points, count), [&] { Points(U_EMR_POLYLINETO16, U_EMR_POLYLINETO, points, count); });
}

bool MetafileDC::PolyBezier(const TPoint* points, int count) {
  return AndRecord(TDC::PolyBezier(points, count), [&] { Points(U_EMR_POLYBEZIER16, U_EMR_POLYBEZIER, points, count); });
}

bool MetafileDC::PolyBezierTo(const TPoint* points, int count) {
  return AndRecord(TDC::PolyBezierTo(points, count), [&] { Points(U_EMR_POLYBEZIERTO16, U_EMR_POLYBEZIERTO, points, count); });
}

bool MetafileDC::PolyDraw(const TPoint* points, const std::uint8_t* types, int count) {
  if (!TDC::PolyDraw(points, types, count)) return false;
  const bool small = Fits16(points, count);
  const std::uint32_t unit = small ? 4 : 8;
  const std::uint64_t size = 28 + std::uint64_t(count) * (unit + 1);
  std::uint8_t* r = out_.Add(small ? U_EMR_POLYDRAW16 : U_EMR_POLYDRAW, size);
  if (r == nullptr) return true;
  PutRect(r + 8, 0, 0, -1, -1);
  le::Put32(r + 24, std::uint32_t(count));
  for (int i = 0; i < count; ++i) {
    std::uint8_t* p = r + 28 + std::uint64_t(i) * unit;
    if (small) {
      le::Put16(p, std::uint16_t(std::int16_t(points[i].x)));
      le::Put16(p + 2, std::uint16_t(std::int16_t(points[i].y)));
    } else {
      le::Put32(p, std::uint32_t(points[i].x));
      le::Put32(p + 4, std::uint32_t(points[i].y));
    }
  }
  std::memcpy(r + 28 + std::uint64_t(count) * unit, types, std::size_t(count));
  return true;
}

bool MetafileDC::Polygon(const TPoint* points, int count) {
  return AndRecord(TDC::Polygon(points, count), [&] { Points(U_EMR_POLYGON16, U_EMR_POLYGON, points, count); });
}

bool MetafileDC::PolyPolygon(const TPoint* points, const int* counts, int polygonCount) {
  if (!TDC::PolyPolygon(points, counts, polygonCount)) return false;
  std::uint64_t total = 0;
  for (int i = 0; i < polygonCount; ++i) total += std::uint64_t(std::max(counts[i], 0));
  const bool small = Fits16(points, int(total));
  const std::uint32_t unit = small ? 4 : 8;
  std::uint8_t* r = out_.Add(small ? U_EMR_POLYPOLYGON16 : U_EMR_POLYPOLYGON,
                             32 + 4 * std::uint64_t(polygonCount) + total * unit);
  if (r == nullptr) return true;
  PutRect(r + 8, 0, 0, -1, -1);
  le::Put32(r + 24, std::uint32_t(polygonCount));
  le::Put32(r + 28, std::uint32_t(total));
  for (int i = 0; i < polygonCount; ++i) le::Put32(r + 32 + 4 * i, std::uint32_t(std::max(counts[i], 0)));
  std::uint8_t* p = r + 32 + 4 * std::uint64_t(polygonCount);
  for (std::uint64_t i = 0; i < total; ++i, p += unit) {
    if (small) {
      le::Put16(p, std::uint16_t(std::int16_t(points[i].x)));
      le::Put16(p + 2, std::uint16_t(std::int16_t(points[i].y)));
    } else {
      le::Put32(p, std::uint32_t(points[i].x));
      le::Put32(p + 4, std::uint32_t(points[i].y));
    }
  }
  return true;
}

bool MetafileDC::Rectangle(int left, int top, int right, int bottom) {
  return AndRecord(TDC::Rectangle(left, top, right, bottom), [&] { Box(U_EMR_RECTANGLE, left, top, right, bottom); });
}

bool MetafileDC::Ellipse(int left, int top, int right, int bottom) {
  return AndRecord(TDC::Ellipse(left, top, right, bottom), [&] { Box(U_EMR_ELLIPSE, left, top, right, bottom); });
}

bool MetafileDC::FillRect(const TRect& rect, const TBrush& brush) {
  if (!TDC::FillRect(rect, brush)) return false;
  const std::uint32_t previous = selected_.brush;
  Select(Kind::Brush, ObjectHandle(Kind::Brush, BrushKey(brush)));
  PatternBlit(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, kPatCopy);
  Select(Kind::Brush, previous ? previous : kStock | kWhiteBrush);
  return true;
}

bool MetafileDC::FillSolidRect(const TRect& rect, COLORREF color) { return FillRect(rect, TBrush(color)); }

bool MetafileDC::FillRgn(const TRegion& deviceRegion, const TBrush& brush) {
  if (!TDC::FillRgn(deviceRegion, brush)) return false;
  const std::uint32_t handle = ObjectHandle(Kind::Brush, BrushKey(brush));
  if (handle != 0) Region(U_EMR_FILLRGN, &deviceRegion, handle);
  return true;
}

bool MetafileDC::PatBlt(int x, int y, int width, int height, std::uint32_t rop) {
  return AndRecord(TDC::PatBlt(x, y, width, height, rop), [&] { PatternBlit(x, y, width, height, rop); });
}

// ---- paths and clipping -----------------------------------------------------

bool MetafileDC::BeginPath() {
  return AndRecord(TDC::BeginPath(), [&] { Simple(U_EMR_BEGINPATH); });
}

bool MetafileDC::EndPath() {
  return AndRecord(TDC::EndPath(), [&] { Simple(U_EMR_ENDPATH); });
}

bool MetafileDC::AbortPath() {
  return AndRecord(TDC::AbortPath(), [&] { Simple(U_EMR_ABORTPATH); });
}

bool MetafileDC::CloseFigure() {
  return AndRecord(TDC::CloseFigure(), [&] { Simple(U_EMR_CLOSEFIGURE); });
}

bool MetafileDC::FillPath() {
  return AndRecord(TDC::FillPath(), [&] { BoundsRecord(U_EMR_FILLPATH); });
}

bool MetafileDC::StrokePath() {
  return AndRecord(TDC::StrokePath(), [&] { BoundsRecord(U_EMR_STROKEPATH); });
}

bool MetafileDC::StrokeAndFillPath() {
  return AndRecord(TDC::StrokeAndFillPath(), [&] { BoundsRecord(U_EMR_STROKEANDFILLPATH); });
}

bool MetafileDC::WidenPath() {
  return AndRecord(TDC::WidenPath(), [&] { Simple(U_EMR_WIDENPATH); });
}

bool MetafileDC::SelectClipPath(int mode) {
  return AndRecord(TDC::SelectClipPath(mode), [&] { Value(U_EMR_SELECTCLIPPATH, std::uint32_t(mode)); });
}

int MetafileDC::SelectClipRgn(const TRegion* deviceRegion) {
  const int kind = TDC::SelectClipRgn(deviceRegion);
  if (kind != kRegionError) Region(U_EMR_EXTSELECTCLIPRGN, deviceRegion, kRgnCopy);
  return kind;
}

int MetafileDC::ExtSelectClipRgn(const TRegion* deviceRegion, int mode) {
  const int kind = TDC::ExtSelectClipRgn(deviceRegion, mode);
  if (kind != kRegionError) Region(U_EMR_EXTSELECTCLIPRGN, deviceRegion, std::uint32_t(mode));
  return kind;
}

int MetafileDC::IntersectClipRect(int left, int top, int right, int bottom) {
  const int kind = TDC::IntersectClipRect(left, top, right, bottom);
  if (kind != kRegionError) Box(U_EMR_INTERSECTCLIPRECT, left, top, right, bottom);
  return kind;
}

int MetafileDC::ExcludeClipRect(int left, int top, int right, int bottom) {
  const int kind = TDC::ExcludeClipRect(left, top, right, bottom);
  if (kind != kRegionError) Box(U_EMR_EXCLUDECLIPRECT, left, top, right, bottom);
  return kind;
}

// ---- pixels, pictures, text -------------------------------------------------

COLORREF MetafileDC::SetPixel(int x, int y, COLORREF color) {
  const COLORREF result = TDC::SetPixel(x, y, color);
  if (std::uint8_t* r = out_.Add(U_EMR_SETPIXELV, 20)) {
    le::Put32(r + 8, std::uint32_t(x));
    le::Put32(r + 12, std::uint32_t(y));
    le::Put32(r + 16, color);
  }
  return result;
}

bool MetafileDC::BitBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                        std::uint32_t rop) {
  return AndRecord(TDC::BitBlt(x, y, width, height, source, sourceX, sourceY, rop), [&] { PixelsAsDib(U_EMR_STRETCHDIBITS, x, y, width, height, source, sourceX, sourceY, width, height, rop); });
}

bool MetafileDC::StretchBlt(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                            int sourceWidth, int sourceHeight, std::uint32_t rop) {
  return AndRecord(TDC::StretchBlt(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop), [&] { PixelsAsDib(U_EMR_STRETCHDIBITS, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, rop); });
}

bool MetafileDC::AlphaBlend(int x, int y, int width, int height, const PixelView& source, int sourceX, int sourceY,
                            int sourceWidth, int sourceHeight, const BlendFunction& blend) {
  if (!TDC::AlphaBlend(x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, blend)) return false;
  const std::uint32_t packed = std::uint32_t(blend.blendOp) | (std::uint32_t(blend.blendFlags) << 8) |
                               (std::uint32_t(blend.sourceConstantAlpha) << 16) |
                               (std::uint32_t(blend.alphaFormat) << 24);
  PixelsAsDib(U_EMR_ALPHABLEND, x, y, width, height, source, sourceX, sourceY, sourceWidth, sourceHeight, packed);
  return true;
}

int MetafileDC::StretchDIBits(int x, int y, int width, int height, int sourceX, int sourceY, int sourceWidth,
                              int sourceHeight, const TDib& dib, std::uint32_t rop) {
  const int rows = TDC::StretchDIBits(x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, dib, rop);
  if (dib.IsEmpty()) return rows;
  // Compressed pictures are kept as they are: metafile readers decode them.
  const std::uint32_t bmiSize = dib.BitsOffset();
  const std::uint32_t bitsSize = dib.PackedDibSize() - bmiSize;
  Dib(U_EMR_STRETCHDIBITS, x, y, width, height, sourceX, sourceY, sourceWidth, sourceHeight, dib.PackedDib(), bmiSize,
      dib.PackedDib() + bmiSize, bitsSize, rop);
  return rows;
}

int MetafileDC::SetDIBitsToDevice(int x, int y, int width, int height, int sourceX, int sourceY, const TDib& dib) {
  const int rows = TDC::SetDIBitsToDevice(x, y, width, height, sourceX, sourceY, dib);
  if (dib.IsEmpty()) return rows;
  const std::uint32_t bmiSize = dib.BitsOffset();
  Dib(U_EMR_STRETCHDIBITS, x, y, width, height, sourceX, sourceY, width, height, dib.PackedDib(), bmiSize,
      dib.PackedDib() + bmiSize, dib.PackedDibSize() - bmiSize, kSrcCopy);
  return rows;
}

bool MetafileDC::TextOut(int x, int y, const char16_t* text, int count) {
  return ExtTextOut(x, y, 0, nullptr, text, count, nullptr);
}

bool MetafileDC::ExtTextOut(int x, int y, std::uint32_t options, const TRect* rect, const char16_t* text, int count,
                            const int* dx) {
  const bool ok = TDC::ExtTextOut(x, y, options, rect, text, count, dx);
  if (text == nullptr) count = 0;
  Text(x, y, options, rect, text, count, dx);
  // The run's cell, for the bounds, when the face is known.
  TSize extent{};
  TextMetrics metrics;
  if (count > 0 && GetTextExtent(text, count, &extent) && GetTextMetrics(&metrics)) {
    const XForm run = GetTextRunTransform(x, y, extent.cx, metrics.ascent, metrics.descent);
    GdiPath cell;
    cell.MoveTo(run.Apply({0, double(-metrics.ascent)}));
    cell.LineTo(run.Apply({double(extent.cx), double(-metrics.ascent)}));
    cell.LineTo(run.Apply({double(extent.cx), double(metrics.descent)}));
    cell.LineTo(run.Apply({0, double(metrics.descent)}));
    GrowPath(cell, 0);
  }
  return ok;
}

// ---- bounds -----------------------------------------------------------------

void MetafileDC::Grow(double left, double top, double right, double bottom) {
  if (!(left <= right && top <= bottom)) return;
  if (!hasBounds_) {
    boundsLeft_ = left, boundsTop_ = top, boundsRight_ = right, boundsBottom_ = bottom;
    hasBounds_ = true;
    return;
  }
  boundsLeft_ = std::min(boundsLeft_, left);
  boundsTop_ = std::min(boundsTop_, top);
  boundsRight_ = std::max(boundsRight_, right);
  boundsBottom_ = std::max(boundsBottom_, bottom);
}

void MetafileDC::GrowPath(const GdiPath& path, double margin) {
  double x0, y0, x1, y1;
  if (path.GetBounds(&x0, &y0, &x1, &y1)) Grow(x0 - margin, y0 - margin, x1 + margin, y1 + margin);
}

void MetafileDC::RenderStroke(const GdiPath& devicePath) {
  const PenData& pen = GetCurrentPen().Data();
  const double margin =
      pen.geometric ? 0.5 * pen.width * std::sqrt(std::abs(GetLogicalToDevice().Determinant())) + 1.0 : 1.0;
  GrowPath(devicePath, margin);
}

void MetafileDC::RenderFill(const GdiPath& devicePath, const TBrush&, int, int) { GrowPath(devicePath, 0); }

bool MetafileDC::RenderPatBlt(const GdiPath& devicePath, std::uint32_t) {
  GrowPath(devicePath, 0);
  return true;
}

bool MetafileDC::RenderBlit(const BlitRequest&, const GdiPath& deviceShape) {
  GrowPath(deviceShape, 0);
  return true;
}

void MetafileDC::RenderGlyphs(const XForm&, const TextFace&, const std::vector<PlacedGlyph>&, COLORREF) {}

bool MetafileDC::RenderSetPixel(std::int32_t x, std::int32_t y, COLORREF) {
  Grow(x, y, x + 1.0, y + 1.0);
  return true;
}

}  // namespace kvn
