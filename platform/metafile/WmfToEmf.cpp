#include "platform/metafile/WmfToEmf.h"

#include <uemf.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "foundation/WString.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TDib.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/WmfBitmap16.h"
#include "platform/metafile/WmfDrawnBounds.h"
#include "platform/metafile/WmfRecordWalk.h"

namespace kvn {

namespace {

using namespace wmf;


// EMF record types written by hand.
constexpr std::uint32_t kEmrSetMapperFlags = 16;
constexpr std::uint32_t kEmrCreatePalette = 49;
constexpr std::uint32_t kEmrSetPaletteEntries = 50;
constexpr std::uint32_t kEmrBitBlt = 76;
constexpr std::uint32_t kEmrStretchBlt = 77;
constexpr std::uint32_t kEmrSetDibitsToDevice = 80;
constexpr std::uint32_t kEmrStretchDibits = 81;
constexpr std::uint32_t kEmrExtTextOutA = 83;
constexpr std::uint32_t kEmrCreateMonoBrush = 93;
constexpr std::uint32_t kEmrCreateDibPatternBrushPt = 94;
constexpr std::uint32_t kEmrComment = 70;
constexpr std::uint32_t kEmrSetTextJustification = 120;
// Escapes kept: the metafile comment; every other escape speaks to the
// recording device's driver and is skipped.
constexpr std::uint16_t kEscapeMfComment = 15;

constexpr std::uint16_t kEtoOpaque = 0x0002;
constexpr std::uint16_t kEtoClipped = 0x0004;
constexpr std::uint16_t kBsPattern = 3;

// Object-table indices are 16-bit in every record that names one.
constexpr std::uint32_t kMaxSlots = 0xFFFF;

// The parameters of one record: bounds-checked word and byte access.

U_COLORREF ColorRef(std::uint32_t v) {
  return U_COLORREF{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}
U_POINTL Pt(std::int32_t x, std::int32_t y) { return U_POINTL{x, y}; }
U_RECTL Rect(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) { return U_RECTL{l, t, r, b}; }

void PutRect(std::uint8_t* p, const U_RECTL& r) {
  le::Put32(p, std::uint32_t(r.left));
  le::Put32(p + 4, std::uint32_t(r.top));
  le::Put32(p + 8, std::uint32_t(r.right));
  le::Put32(p + 12, std::uint32_t(r.bottom));
}

void PutIdentityXform(std::uint8_t* p) {
  const float m[6] = {1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
  std::memcpy(p, m, sizeof m);
}

// The code page of a font's character set, for its face name.
int CodePageOfCharset(std::uint8_t charset) {
  switch (charset) {
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    default: return 1252;
  }
}

DibParts PartsOf(const TDib& dib) {
  DibParts parts;
  parts.bmi = dib.PackedDib();
  parts.bmiSize = dib.BitsOffset();
  parts.bits = dib.Bits();
  parts.bitsSize = dib.BitsSize();
  return parts;
}

// --- the translator ---------------------------------------------------------------

enum class ObjectKind : std::uint8_t { Free, Pen, Brush, Font, Palette, Region, Placeholder };

struct Slot {
  ObjectKind kind = ObjectKind::Free;
  std::vector<std::uint8_t> region;  // RGNDATA for a region
};

class Translator {
 public:
  Translator(EmfBuilder& out, const U_RECTL& bounds) : out_(out), bounds_(bounds) {}

  // Translates one record; the parameters are what the record size allows.
  void Record(std::uint16_t function, std::uint32_t sizeWords, const Params& p);
  std::uint16_t Handles() const { return std::uint16_t(std::min<std::uint32_t>(handles_, 0xFFFF)); }
  // Whether a record was dropped for damage the picture should be told of
  // (a text record that cannot hold what it draws, a flood fill or layout
  // record too short for its parameters).
  bool LostRecords() const { return lost_; }
  void SetWindowOrg(std::int32_t x, std::int32_t y) {
    orgX_ = x;
    orgY_ = y;
  }

 private:
  // Object table: the lowest free slot, as the WMF player assigns them.
  std::int64_t NewSlot(ObjectKind kind);
  Slot* SlotAt(std::uint32_t index);
  std::uint32_t Handle(std::uint32_t slot) const { return slot + 1; }
  void Placeholder(std::uint32_t slot);

  void CreatePen(const Params& p);
  void CreateBrush(const Params& p);
  void CreateFont(const Params& p);
  void CreatePalette(const Params& p);
  void CreateRegion(const Params& p);
  void DibPatternBrush(const Params& p);
  void PatternBrush(const Params& p);
  void SelectObject(const Params& p);
  void DeleteObject(const Params& p);
  void PaletteEntries(const Params& p);
  void RegionRecord(std::uint16_t function, const Params& p);

  void Poly(std::uint16_t function, const Params& p);
  void PolyPolygon(const Params& p);
  void TextOut(const Params& p);
  void ExtTextOut(const Params& p);
  void EmitText(std::int32_t x, std::int32_t y, std::uint32_t options, const U_RECTL& rect,
                const std::uint8_t* text, std::uint32_t count, const Params* p, std::uint32_t dxAt);

  void Blit(std::uint16_t function, std::uint32_t sizeWords, const Params& p);
  void EmitBitBlt(std::int32_t xd, std::int32_t yd, std::int32_t wd, std::int32_t hd, std::int32_t xs,
                  std::int32_t ys, std::int32_t ws, std::int32_t hs, std::uint32_t rop, const TDib* dib,
                  bool stretch);
  void StretchDib(const Params& p);
  void SetDibToDev(const Params& p);
  void Escape(const Params& p);

  void SaveDc();
  void RestoreDc(std::int32_t n);

  EmfBuilder& out_;
  U_RECTL bounds_;
  std::vector<Slot> slots_;
  std::set<std::uint32_t> free_;
  std::uint32_t handles_ = 1;
  std::int64_t palette_ = -1;  // slot of the selected palette
  std::int32_t orgX_ = 0, orgY_ = 0;
  struct Saved {
    std::int32_t orgX, orgY;
    std::int64_t palette;
  };
  std::vector<Saved> saved_;
  bool lost_ = false;
};

std::int64_t Translator::NewSlot(ObjectKind kind) {
  std::uint32_t index;
  if (!free_.empty()) {
    index = *free_.begin();
    free_.erase(free_.begin());
  } else if (slots_.size() < kMaxSlots) {
    index = std::uint32_t(slots_.size());
    slots_.emplace_back();
  } else {
    return -1;
  }
  slots_[index].kind = kind;
  slots_[index].region.clear();
  handles_ = std::max(handles_, index + 2);
  return index;
}

Slot* Translator::SlotAt(std::uint32_t index) {
  if (index >= slots_.size() || slots_[index].kind == ObjectKind::Free) return nullptr;
  return &slots_[index];
}

// An object the picture refers to but that could not be made: a hollow brush
// keeps its handle valid so that later selections and deletions stay paired.
void Translator::Placeholder(std::uint32_t slot) {
  slots_[slot].kind = ObjectKind::Placeholder;
  U_LOGBRUSH brush{U_BS_NULL, ColorRef(0), 0};
  out_.Take(U_EMRCREATEBRUSHINDIRECT_set(Handle(slot), brush));
}

void Translator::CreatePen(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Pen);
  if (slot < 0) return;
  if (!p.Has(10)) return Placeholder(std::uint32_t(slot));
  // {style u16, width POINTS (x used), COLORREF}
  U_LOGPEN pen{p.U(0), U_POINT{p.S(1), 0}, ColorRef(p.U32At(6))};
  out_.Take(U_EMRCREATEPEN_set(Handle(std::uint32_t(slot)), pen));
}

void Translator::CreateBrush(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Brush);
  if (slot < 0) return;
  // {style u16, COLORREF, hatch u16}; solid, hollow and hatched only: the
  // pattern styles need a bitmap this record cannot carry.
  if (!p.Has(8) || p.U(0) > U_BS_HATCHED) return Placeholder(std::uint32_t(slot));
  U_LOGBRUSH brush{p.U(0), ColorRef(p.U32At(2)), p.U(3)};
  out_.Take(U_EMRCREATEBRUSHINDIRECT_set(Handle(std::uint32_t(slot)), brush));
}

void Translator::CreateFont(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Font);
  if (slot < 0) return;
  // height, width, escapement, orientation, weight (int16), then italic,
  // underline, strike-out, charset, out precision, clip precision, quality,
  // pitch and family (bytes), then up to 32 bytes of face name.
  if (!p.Has(18)) return Placeholder(std::uint32_t(slot));
  U_LOGFONT font{};
  font.lfHeight = p.S(0);
  font.lfWidth = p.S(1);
  font.lfEscapement = p.S(2);
  font.lfOrientation = p.S(3);
  font.lfWeight = p.S(4);
  const std::uint8_t* b = p.At(10);
  font.lfItalic = b[0];
  font.lfUnderline = b[1];
  font.lfStrikeOut = b[2];
  font.lfCharSet = b[3];
  font.lfOutPrecision = b[4];
  font.lfClipPrecision = b[5];
  font.lfQuality = b[6];
  font.lfPitchAndFamily = b[7];
  char face[33] = {};
  const std::uint32_t faceBytes = std::min<std::uint32_t>(32, p.Size() - 18);
  std::memcpy(face, p.At(18), faceBytes);
  const WString name(CodePageOfCharset(font.lfCharSet), face);
  const int n = std::min(name.Length(), int(U_LF_FACESIZE) - 1);
  for (int i = 0; i < n; ++i) font.lfFaceName[i] = name[i];
  out_.Take(U_EMREXTCREATEFONTINDIRECTW_set(Handle(std::uint32_t(slot)), reinterpret_cast<const char*>(&font),
                                            nullptr));
}

void Translator::CreatePalette(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Palette);
  if (slot < 0) return;
  // {start 0x300, count u16, entries {red, green, blue, flags}}
  if (!p.Has(4) || !p.Has(4 + 4ull * p.U(1))) return Placeholder(std::uint32_t(slot));
  const std::uint32_t count = p.U(1);
  std::uint8_t* rec = out_.Add(kEmrCreatePalette, 16 + 4ull * count);
  if (rec == nullptr) return;
  le::Put32(rec + 8, Handle(std::uint32_t(slot)));
  le::Put16(rec + 12, 0x0300);
  le::Put16(rec + 14, std::uint16_t(count));
  std::memcpy(rec + 16, p.At(4), 4ull * count);
}

// A WMF Region object {next, type, count, size, scan count, largest scan,
// bounding box, scans {count, top, bottom, count x-coordinates, count}} as
// RGNDATA {32-byte header, rectangles}.
void Translator::CreateRegion(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Region);
  if (slot < 0 || !p.Has(22)) return;
  const std::uint32_t scans = p.U(5);
  std::vector<U_RECTL> rects;
  std::uint32_t at = 22;
  for (std::uint32_t s = 0; s < scans; ++s) {
    if (!p.Has(at + 6ull)) return;
    const std::uint32_t count = le::U16(p.At(at));
    const std::int32_t top = le::I16(p.At(at + 2));
    const std::int32_t bottom = le::I16(p.At(at + 4));
    if (count % 2 != 0 || !p.Has(at + 6ull + 2ull * count + 2)) return;
    for (std::uint32_t i = 0; i < count; i += 2) {
      const std::int32_t left = le::I16(p.At(at + 6 + 2 * i));
      const std::int32_t right = le::I16(p.At(at + 8 + 2 * i));
      rects.push_back(Rect(left, top, right, bottom));
    }
    at += 6 + 2 * count + 2;
  }
  std::vector<std::uint8_t>& data = slots_[std::uint32_t(slot)].region;
  data.resize(32 + rects.size() * 16);
  le::Put32(data.data(), 32);
  le::Put32(data.data() + 4, 1);  // RDH_RECTANGLES
  le::Put32(data.data() + 8, std::uint32_t(rects.size()));
  le::Put32(data.data() + 12, std::uint32_t(rects.size() * 16));
  PutRect(data.data() + 16, Rect(p.S(7), p.S(8), p.S(9), p.S(10)));
  for (std::size_t i = 0; i < rects.size(); ++i) PutRect(data.data() + 32 + 16 * i, rects[i]);
}

void Translator::DibPatternBrush(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Brush);
  if (slot < 0) return;
  if (!p.Has(4)) return Placeholder(std::uint32_t(slot));
  const std::uint32_t style = p.U(0);
  const std::uint32_t usage = p.U(1);
  TDib dib;
  bool ok;
  if (style == kBsPattern) {
    ok = Bitmap16ToDib(p.At(4), p.Size() - 4, 10, &dib);  // a Bitmap16 with its bits after 10 bytes
  } else {
    ok = dib.LoadPackedDib(p.At(4), p.Size() - 4);
  }
  if (!ok) return Placeholder(std::uint32_t(slot));
  const bool mono = style == kBsPattern && dib.BitCount() == 1;
  std::uint8_t* rec = out_.AddWithDib(mono ? kEmrCreateMonoBrush : kEmrCreateDibPatternBrushPt, 32, PartsOf(dib), 16);
  if (rec == nullptr) return;
  le::Put32(rec + 8, Handle(std::uint32_t(slot)));
  le::Put32(rec + 12, style == kBsPattern ? 0 : usage);
}

// META_CREATEPATTERNBRUSH: a Bitmap16 header of 14 bytes, 18 reserved
// bytes, then the pattern's rows.
void Translator::PatternBrush(const Params& p) {
  const std::int64_t slot = NewSlot(ObjectKind::Brush);
  if (slot < 0) return;
  TDib dib;
  if (!Bitmap16ToDib(p.At(0), p.Size(), 32, &dib)) return Placeholder(std::uint32_t(slot));
  const bool mono = dib.BitCount() == 1;
  std::uint8_t* rec = out_.AddWithDib(mono ? kEmrCreateMonoBrush : kEmrCreateDibPatternBrushPt, 32, PartsOf(dib), 16);
  if (rec == nullptr) return;
  le::Put32(rec + 8, Handle(std::uint32_t(slot)));
}

void Translator::SelectObject(const Params& p) {
  if (!p.Has(2)) return;
  const std::uint32_t index = p.U(0);
  Slot* slot = SlotAt(index);
  if (slot == nullptr) return;
  switch (slot->kind) {
    case ObjectKind::Region:
      if (!slot->region.empty()) {
        out_.Take(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, reinterpret_cast<PU_RGNDATA>(slot->region.data())));
      }
      break;
    case ObjectKind::Palette:
      out_.Take(U_EMRSELECTPALETTE_set(Handle(index)));
      palette_ = index;
      break;
    default:
      out_.Take(U_EMRSELECTOBJECT_set(Handle(index)));
      break;
  }
}

void Translator::DeleteObject(const Params& p) {
  if (!p.Has(2)) return;
  const std::uint32_t index = p.U(0);
  Slot* slot = SlotAt(index);
  if (slot == nullptr) return;
  if (slot->kind != ObjectKind::Region) out_.Take(U_EMRDELETEOBJECT_set(Handle(index)));
  slot->kind = ObjectKind::Free;
  slot->region.clear();
  slot->region.shrink_to_fit();
  free_.insert(index);
  if (palette_ == std::int64_t(index)) palette_ = -1;
}

// META_SETPALENTRIES and META_ANIMATEPALETTE change entries of the selected palette.
void Translator::PaletteEntries(const Params& p) {
  if (palette_ < 0 || !p.Has(4)) return;
  const std::uint32_t count = p.U(1);
  if (!p.Has(4 + 4ull * count)) return;
  std::uint8_t* rec = out_.Add(kEmrSetPaletteEntries, 20 + 4ull * count);
  if (rec == nullptr) return;
  le::Put32(rec + 8, Handle(std::uint32_t(palette_)));
  le::Put32(rec + 12, p.U(0));
  le::Put32(rec + 16, count);
  std::memcpy(rec + 20, p.At(4), 4ull * count);
}

void Translator::RegionRecord(std::uint16_t function, const Params& p) {
  if (!p.Has(2)) return;
  Slot* region = SlotAt(p.U(0));
  if (region == nullptr || region->kind != ObjectKind::Region || region->region.empty()) return;
  auto* data = reinterpret_cast<PU_RGNDATA>(region->region.data());
  switch (function) {
    case kMetaSelectClipRegion:
      out_.Take(U_EMREXTSELECTCLIPRGN_set(U_RGN_COPY, data));
      break;
    case kMetaInvertRegion:
      out_.Take(U_EMRINVERTRGN_set(data));
      break;
    case kMetaPaintRegion:
      out_.Take(U_EMRPAINTRGN_set(data));
      break;
    case kMetaFillRegion:
    case kMetaFrameRegion: {
      if (!p.Has(4)) return;
      const std::uint32_t brushIndex = p.U(1);
      if (SlotAt(brushIndex) == nullptr) return;
      if (function == kMetaFillRegion) {
        out_.Take(U_EMRFILLRGN_set(bounds_, Handle(brushIndex), data));
      } else if (p.Has(8)) {  // region, brush, height, width
        out_.Take(U_EMRFRAMERGN_set(bounds_, Handle(brushIndex), U_SIZEL{p.S(3), p.S(2)}, data));
      }
      break;
    }
    default:
      break;
  }
}

// POLYGON and POLYLINE: {count, count x {x, y}}.
void Translator::Poly(std::uint16_t function, const Params& p) {
  if (!p.Has(2)) return;
  const std::int32_t count = p.S(0);
  if (count <= 0 || !p.Has(2 + 4ull * std::uint32_t(count))) return;
  std::vector<U_POINT16> points(static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    points[std::size_t(i)] = U_POINT16{std::int16_t(p.S(1 + 2 * i)), std::int16_t(p.S(2 + 2 * i))};
  }
  if (function == kMetaPolygon) {
    out_.Take(U_EMRPOLYGON16_set(bounds_, std::uint32_t(count), points.data()));
  } else {
    out_.Take(U_EMRPOLYLINE16_set(bounds_, std::uint32_t(count), points.data()));
  }
}

// POLYPOLYGON: {polygon count, point counts, points}.
void Translator::PolyPolygon(const Params& p) {
  if (!p.Has(2)) return;
  const std::uint32_t polys = p.U(0);
  if (polys == 0 || !p.Has(2 + 2ull * polys)) return;
  std::vector<std::uint32_t> counts(polys);
  std::uint64_t total = 0;
  for (std::uint32_t i = 0; i < polys; ++i) total += counts[i] = p.U(1 + i);
  const std::uint64_t pointsAt = 2 + 2ull * polys;
  if (total == 0 || !p.Has(pointsAt + 4 * total)) return;
  std::vector<U_POINT16> points(total);
  for (std::uint64_t i = 0; i < total; ++i) {
    const std::uint8_t* pt = p.At(std::uint32_t(pointsAt + 4 * i));
    points[i] = U_POINT16{le::I16(pt), le::I16(pt + 2)};
  }
  out_.Take(U_EMRPOLYPOLYGON16_set(bounds_, polys, counts.data(), std::uint32_t(total), points.data()));
}

// EMR_EXTTEXTOUTA {bounds, graphics mode, x and y scale, EMRTEXT {reference,
// count, string offset, options, rectangle, spacing offset}, string, spacing}.
// Without a spacing array in the WMF the offset stays 0 and the player lays
// the text out with the font's own advances.
void Translator::EmitText(std::int32_t x, std::int32_t y, std::uint32_t options, const U_RECTL& rect,
                          const std::uint8_t* text, std::uint32_t count, const Params* p, std::uint32_t dxAt) {
  constexpr std::uint32_t kFixed = 76;
  const std::uint64_t textBytes = (std::uint64_t(count) + 3) & ~std::uint64_t(3);
  const bool hasDx = p != nullptr;
  std::uint8_t* rec = out_.Add(kEmrExtTextOutA, kFixed + textBytes + (hasDx ? 4ull * count : 0));
  if (rec == nullptr) return;
  PutRect(rec + 8, bounds_);
  le::Put32(rec + 24, U_GM_COMPATIBLE);
  le::Put32(rec + 36, std::uint32_t(x));
  le::Put32(rec + 40, std::uint32_t(y));
  le::Put32(rec + 44, count);
  le::Put32(rec + 48, kFixed);
  // The rectangle is always written; a WMF spacing array has one value a
  // character, never the vertical ones of ETO_PDY.
  le::Put32(rec + 52, options & ~std::uint32_t(U_ETO_NO_RECT | U_ETO_PDY));
  PutRect(rec + 56, rect);
  std::memcpy(rec + kFixed, text, count);
  if (hasDx) {
    const std::uint32_t dxOffset = std::uint32_t(kFixed + textBytes);
    le::Put32(rec + 72, dxOffset);
    for (std::uint32_t i = 0; i < count; ++i) {
      le::Put32(rec + dxOffset + 4 * i, std::uint32_t(std::int32_t(le::I16(p->At(dxAt + 2 * i)))));
    }
  }
}

// A text record that cannot hold what it draws (its fields, its rectangle,
// its string, a spacing array it begins) is dropped, and the picture told:
// its text is lost.

// META_TEXTOUT: {count, string padded to even, y, x}.
void Translator::TextOut(const Params& p) {
  const std::int32_t count = p.Has(2) ? p.S(0) : -1;
  if (count == 0) return;  // nothing to draw
  const std::uint32_t padded = (std::uint32_t(count) + 1) & ~1u;
  if (count < 0 || !p.Has(2ull + padded + 4)) {
    lost_ = true;
    return;
  }
  const std::uint32_t yAt = (2 + padded) / 2;
  EmitText(p.S(yAt + 1), p.S(yAt), 0, Rect(0, 0, 0, 0), p.At(2), std::uint32_t(count), nullptr, 0);
}

// META_EXTTEXTOUT: {y, x, count, options, [rectangle when opaque or
// clipped], string padded to even, [count spacing values]}.
void Translator::ExtTextOut(const Params& p) {
  const std::uint32_t options = p.Has(8) ? p.U(3) : 0;
  const std::uint32_t at = options & (kEtoOpaque | kEtoClipped) ? 16 : 8;
  // No characters with an opaque rectangle is how pictures fill backgrounds.
  const std::int32_t count = p.Has(at) ? p.S(2) : -1;
  if (count < 0 || !p.Has(std::uint64_t(at) + std::uint32_t(count))) {
    lost_ = true;
    return;
  }
  const U_RECTL rect = at == 16 ? Rect(p.S(4), p.S(5), p.S(6), p.S(7)) : Rect(0, 0, 0, 0);
  const std::uint32_t padded = (std::uint32_t(count) + 1) & ~1u;
  // The spacing array is optional: a record that ends with its (padded)
  // string has none and takes the font's own advances. One that goes on
  // but stops inside its array was cut short; its spacing is not known.
  const std::uint32_t dxAt = at + padded;
  const bool hasDx = count > 0 && p.Has(std::uint64_t(dxAt) + 1);
  if (hasDx && !p.Has(std::uint64_t(dxAt) + 2ull * std::uint32_t(count))) {
    lost_ = true;
    return;
  }
  EmitText(p.S(1), p.S(0), options, rect, p.At(at), std::uint32_t(count), hasDx ? &p : nullptr, dxAt);
}

void Translator::EmitBitBlt(std::int32_t xd, std::int32_t yd, std::int32_t wd, std::int32_t hd, std::int32_t xs,
                            std::int32_t ys, std::int32_t ws, std::int32_t hs, std::uint32_t rop, const TDib* dib,
                            bool stretch) {
  // EMR_BITBLT {bounds, dest x y cx cy, rop, src x y, xform, bk colour,
  // usage, offBmi cbBmi offBits cbBits}, EMR_STRETCHBLT adds src cx cy.
  const std::uint32_t type = stretch ? kEmrStretchBlt : kEmrBitBlt;
  const std::uint32_t fixed = stretch ? 108 : 100;
  std::uint8_t* rec = dib ? out_.AddWithDib(type, fixed, PartsOf(*dib), 84) : out_.Add(type, fixed);
  if (rec == nullptr) return;
  PutRect(rec + 8, bounds_);
  le::Put32(rec + 24, std::uint32_t(xd));
  le::Put32(rec + 28, std::uint32_t(yd));
  le::Put32(rec + 32, std::uint32_t(wd));
  le::Put32(rec + 36, std::uint32_t(hd));
  le::Put32(rec + 40, rop);
  le::Put32(rec + 44, std::uint32_t(xs));
  le::Put32(rec + 48, std::uint32_t(ys));
  PutIdentityXform(rec + 52);
  if (stretch) {
    le::Put32(rec + 100, std::uint32_t(ws));
    le::Put32(rec + 104, std::uint32_t(hs));
  }
}

// DIBBITBLT, DIBSTRETCHBLT, BITBLT, STRETCHBLT, PATBLT. A record of
// (function >> 8) + 3 words carries no bitmap and has a reserved word
// before the destination size.
void Translator::Blit(std::uint16_t function, std::uint32_t sizeWords, const Params& p) {
  if (function == kMetaPatBlt) {  // {rop, height, width, y, x}
    if (p.Has(12)) EmitBitBlt(p.S(5), p.S(4), p.S(3), p.S(2), 0, 0, 0, 0, p.U32At(0), nullptr, false);
    return;
  }
  const bool stretch = function == kMetaDibStretchBlt || function == kMetaStretchBlt;
  const bool noBitmap = sizeWords == std::uint32_t(function >> 8) + 3;
  const std::uint32_t srcWords = stretch ? 4 : 2;  // [src h, src w,] y, x
  const std::uint32_t dstAt = 2 + srcWords + (noBitmap ? 1 : 0);
  if (!p.Has(2ull * (dstAt + 4))) return;
  const std::uint32_t rop = p.U32At(0);
  const std::int32_t hs = stretch ? p.S(2) : 0, ws = stretch ? p.S(3) : 0;
  const std::int32_t ys = p.S(2 + srcWords - 2), xs = p.S(2 + srcWords - 1);
  const std::int32_t hd = p.S(dstAt), wd = p.S(dstAt + 1), yd = p.S(dstAt + 2), xd = p.S(dstAt + 3);
  if (noBitmap) {
    EmitBitBlt(xd, yd, wd, hd, xs, ys, ws, hs, rop, nullptr, stretch);
    return;
  }
  const std::uint32_t bitmapAt = 2 * (dstAt + 4);
  TDib dib;
  const bool ok = (function == kMetaDibBitBlt || function == kMetaDibStretchBlt)
                      ? dib.LoadPackedDib(p.At(bitmapAt), p.Size() - bitmapAt)
                      : Bitmap16ToDib(p.At(bitmapAt), p.Size() - bitmapAt, 10, &dib);
  if (ok) EmitBitBlt(xd, yd, wd, hd, xs, ys, ws, hs, rop, &dib, stretch);
}

// META_STRETCHDIB: {rop, usage, src h, src w, src y, src x, dst h, dst w,
// dst y, dst x, DIB}.
void Translator::StretchDib(const Params& p) {
  if (!p.Has(22)) return;
  TDib dib;
  if (!dib.LoadPackedDib(p.At(22), p.Size() - 22)) return;
  std::uint8_t* rec = out_.AddWithDib(kEmrStretchDibits, 80, PartsOf(dib), 48);
  if (rec == nullptr) return;
  PutRect(rec + 8, bounds_);
  le::Put32(rec + 24, std::uint32_t(p.S(10)));  // dest x, y
  le::Put32(rec + 28, std::uint32_t(p.S(9)));
  le::Put32(rec + 32, std::uint32_t(p.S(6)));  // src x, y, cx, cy
  le::Put32(rec + 36, std::uint32_t(p.S(5)));
  le::Put32(rec + 40, std::uint32_t(p.S(4)));
  le::Put32(rec + 44, std::uint32_t(p.S(3)));
  le::Put32(rec + 64, p.U(2));
  le::Put32(rec + 68, p.U32At(0));
  le::Put32(rec + 72, std::uint32_t(p.S(8)));  // dest cx, cy
  le::Put32(rec + 76, std::uint32_t(p.S(7)));
}

// META_SETDIBTODEV: {usage, scan count, start scan, src y, src x, height,
// width, dst y, dst x, DIB}.
void Translator::SetDibToDev(const Params& p) {
  if (!p.Has(18)) return;
  TDib dib;
  if (!dib.LoadPackedDib(p.At(18), p.Size() - 18)) return;
  std::uint8_t* rec = out_.AddWithDib(kEmrSetDibitsToDevice, 76, PartsOf(dib), 48);
  if (rec == nullptr) return;
  PutRect(rec + 8, bounds_);
  le::Put32(rec + 24, std::uint32_t(p.S(8)));
  le::Put32(rec + 28, std::uint32_t(p.S(7)));
  le::Put32(rec + 32, std::uint32_t(p.S(4)));
  le::Put32(rec + 36, std::uint32_t(p.S(3)));
  le::Put32(rec + 40, std::uint32_t(p.S(6)));
  le::Put32(rec + 44, std::uint32_t(p.S(5)));
  le::Put32(rec + 64, p.U(0));
  le::Put32(rec + 68, p.U(2));
  le::Put32(rec + 72, p.U(1));
}

// META_ESCAPE: {escape, byte count, data}. A metafile comment becomes an
// EMF comment with the same data.
void Translator::Escape(const Params& p) {
  if (!p.Has(4) || p.U(0) != kEscapeMfComment) return;
  const std::uint32_t count = p.U(1);
  if (!p.Has(4ull + count)) return;
  std::uint8_t* rec = out_.Add(kEmrComment, 12ull + count);
  if (rec == nullptr) return;
  le::Put32(rec + 8, count);
  if (count) std::memcpy(rec + 12, p.At(4), count);
}

void Translator::SaveDc() {
  saved_.push_back(Saved{orgX_, orgY_, palette_});
  out_.Take(U_EMRSAVEDC_set());
}

// A negative count goes back that many levels; a positive one names the level.
void Translator::RestoreDc(std::int32_t n) {
  const std::int64_t depth = std::int64_t(saved_.size());
  const std::int64_t keep = n < 0 ? depth + n : std::int64_t(n) - 1;
  if (n == 0 || keep < 0 || keep >= depth) return;
  const Saved s = saved_[std::size_t(keep)];
  saved_.resize(std::size_t(keep));
  orgX_ = s.orgX;
  orgY_ = s.orgY;
  palette_ = s.palette;
  out_.Take(U_EMRRESTOREDC_set(n));
}

void Translator::Record(std::uint16_t function, std::uint32_t sizeWords, const Params& p) {
  switch (function) {
    // state
    case kMetaSaveDc: SaveDc(); break;
    case kMetaRestoreDc: if (p.Has(2)) RestoreDc(p.S(0)); break;
    case kMetaSetBkMode: if (p.Has(2)) out_.Take(U_EMRSETBKMODE_set(p.U(0))); break;
    case kMetaSetRop2: if (p.Has(2)) out_.Take(U_EMRSETROP2_set(p.U(0))); break;
    case kMetaSetPolyFillMode: if (p.Has(2)) out_.Take(U_EMRSETPOLYFILLMODE_set(p.U(0))); break;
    case kMetaSetStretchBltMode: if (p.Has(2)) out_.Take(U_EMRSETSTRETCHBLTMODE_set(p.U(0))); break;
    case kMetaSetTextAlign: if (p.Has(2)) out_.Take(U_EMRSETTEXTALIGN_set(p.U(0))); break;
    case kMetaSetLayout:
      if (p.Has(2)) out_.Take(U_EMRSETLAYOUT_set(p.U(0)));
      else lost_ = true;
      break;
    case kMetaSetBkColor: if (p.Has(4)) out_.Take(U_EMRSETBKCOLOR_set(ColorRef(p.U32At(0)))); break;
    case kMetaSetTextColor: if (p.Has(4)) out_.Take(U_EMRSETTEXTCOLOR_set(ColorRef(p.U32At(0)))); break;
    case kMetaSetMapperFlags:
      if (p.Has(4)) {
        if (std::uint8_t* rec = out_.Add(kEmrSetMapperFlags, 12)) le::Put32(rec + 8, p.U32At(0));
      }
      break;
    // window
    case kMetaSetWindowOrg:
      if (p.Has(4)) {
        SetWindowOrg(p.S(1), p.S(0));
        out_.Take(U_EMRSETWINDOWORGEX_set(Pt(orgX_, orgY_)));
      }
      break;
    case kMetaSetWindowExt: if (p.Has(4)) out_.Take(U_EMRSETWINDOWEXTEX_set(U_SIZEL{p.S(1), p.S(0)})); break;
    case kMetaOffsetWindowOrg:  // EMF has no offset record: the new origin
      if (p.Has(4)) {
        SetWindowOrg(orgX_ + p.S(1), orgY_ + p.S(0));
        out_.Take(U_EMRSETWINDOWORGEX_set(Pt(orgX_, orgY_)));
      }
      break;
    case kMetaScaleWindowExt:  // {y denominator, y numerator, x denominator, x numerator}
      if (p.Has(8)) out_.Take(U_EMRSCALEWINDOWEXTEX_set(p.S(3), p.S(2), p.S(1), p.S(0)));
      break;
    // clipping
    case kMetaOffsetClipRgn: if (p.Has(4)) out_.Take(U_EMROFFSETCLIPRGN_set(Pt(p.S(1), p.S(0)))); break;
    case kMetaExcludeClipRect:
      if (p.Has(8)) out_.Take(U_EMREXCLUDECLIPRECT_set(Rect(p.S(3), p.S(2), p.S(1), p.S(0))));
      break;
    case kMetaIntersectClipRect:
      if (p.Has(8)) out_.Take(U_EMRINTERSECTCLIPRECT_set(Rect(p.S(3), p.S(2), p.S(1), p.S(0))));
      break;
    // objects
    case kMetaCreatePenIndirect: CreatePen(p); break;
    case kMetaCreateBrushIndirect: CreateBrush(p); break;
    case kMetaCreateFontIndirect: CreateFont(p); break;
    case kMetaCreatePalette: CreatePalette(p); break;
    case kMetaCreateRegion: CreateRegion(p); break;
    case kMetaDibCreatePatternBrush: DibPatternBrush(p); break;
    case kMetaCreatePatternBrush: PatternBrush(p); break;
    case kMetaSelectObject: SelectObject(p); break;
    case kMetaDeleteObject: DeleteObject(p); break;
    case kMetaSelectPalette:
      if (p.Has(2)) {
        const Slot* slot = SlotAt(p.U(0));
        if (slot && slot->kind == ObjectKind::Palette) {
          palette_ = p.U(0);
          out_.Take(U_EMRSELECTPALETTE_set(Handle(p.U(0))));
        }
      }
      break;
    case kMetaRealizePalette: out_.Take(U_EMRREALIZEPALETTE_set()); break;
    case kMetaSetPalEntries:
    case kMetaAnimatePalette: PaletteEntries(p); break;
    case kMetaResizePalette:
      if (palette_ >= 0 && p.Has(2)) out_.Take(U_EMRRESIZEPALETTE_set(Handle(std::uint32_t(palette_)), p.U(0)));
      break;
    case kMetaSelectClipRegion:
    case kMetaInvertRegion:
    case kMetaPaintRegion:
    case kMetaFillRegion:
    case kMetaFrameRegion: RegionRecord(function, p); break;
    // drawing
    case kMetaMoveTo: if (p.Has(4)) out_.Take(U_EMRMOVETOEX_set(Pt(p.S(1), p.S(0)))); break;
    case kMetaLineTo: if (p.Has(4)) out_.Take(U_EMRLINETO_set(Pt(p.S(1), p.S(0)))); break;
    case kMetaRectangle:
      if (p.Has(8)) out_.Take(U_EMRRECTANGLE_set(Rect(p.S(3), p.S(2), p.S(1), p.S(0))));
      break;
    case kMetaEllipse:
      if (p.Has(8)) out_.Take(U_EMRELLIPSE_set(Rect(p.S(3), p.S(2), p.S(1), p.S(0))));
      break;
    case kMetaRoundRect:  // {corner height, corner width, bottom, right, top, left}
      if (p.Has(12)) {
        out_.Take(U_EMRROUNDRECT_set(Rect(p.S(5), p.S(4), p.S(3), p.S(2)), U_SIZEL{p.S(1), p.S(0)}));
      }
      break;
    case kMetaArc:
    case kMetaPie:
    case kMetaChord:  // {end y, end x, start y, start x, bottom, right, top, left}
      if (p.Has(16)) {
        const U_RECTL box = Rect(p.S(7), p.S(6), p.S(5), p.S(4));
        const U_POINTL start = Pt(p.S(3), p.S(2)), end = Pt(p.S(1), p.S(0));
        out_.Take(function == kMetaArc   ? U_EMRARC_set(box, start, end)
                  : function == kMetaPie ? U_EMRPIE_set(box, start, end)
                                         : U_EMRCHORD_set(box, start, end));
      }
      break;
    case kMetaSetPixel:  // {COLORREF, y, x}
      if (p.Has(8)) out_.Take(U_EMRSETPIXELV_set(Pt(p.S(3), p.S(2)), ColorRef(p.U32At(0))));
      break;
    case kMetaFloodFill:  // {COLORREF, y, x}, filled up to the border colour
      if (p.Has(8)) out_.Take(U_EMREXTFLOODFILL_set(Pt(p.S(3), p.S(2)), ColorRef(p.U32At(0)), U_FLOODFILLBORDER));
      else lost_ = true;
      break;
    case kMetaExtFloodFill:  // {mode, COLORREF, y, x}
      if (p.Has(10)) out_.Take(U_EMREXTFLOODFILL_set(Pt(p.S(4), p.S(3)), ColorRef(p.U32At(2)), p.U(0)));
      else lost_ = true;
      break;
    case kMetaPolygon:
    case kMetaPolyline: Poly(function, p); break;
    case kMetaPolyPolygon: PolyPolygon(p); break;
    case kMetaTextOut: TextOut(p); break;
    case kMetaExtTextOut: ExtTextOut(p); break;
    case kMetaPatBlt:
    case kMetaBitBlt:
    case kMetaStretchBlt:
    case kMetaDibBitBlt:
    case kMetaDibStretchBlt: Blit(function, sizeWords, p); break;
    case kMetaStretchDib: StretchDib(p); break;
    case kMetaSetDibToDev: SetDibToDev(p); break;
    case kMetaSetTextJustification:  // {break count, break extra}
      if (p.Has(4)) {
        std::uint8_t* rec = out_.Add(kEmrSetTextJustification, 16);
        if (rec == nullptr) break;
        le::Put32(rec + 8, std::uint32_t(p.S(1)));
        le::Put32(rec + 12, std::uint32_t(p.S(0)));
      }
      break;
    case kMetaEscape: Escape(p); break;
    // Map mode and viewport belong to the frame (see the header); character
    // extra and relative mode have no EMF record that this program plays.
    default: break;
  }
}

// --- framing ---------------------------------------------------------------------

bool ReadWmfHeader(const std::uint8_t* data, std::uint64_t size) {
  if (size < kWmfHeaderSize) return false;
  const std::uint16_t type = le::U16(data);
  const std::uint16_t headerWords = le::U16(data + 2);
  const std::uint16_t version = le::U16(data + 4);
  return (type == 1 || type == 2) && headerWords == kWmfHeaderSize / 2 && (version == 0x0100 || version == 0x0300);
}


std::int32_t Round(double v) { return std::int32_t(v < 0 ? v - 0.5 : v + 0.5); }

// Whether an end record that ends at `recordsEnd` came before bytes that
// the header's size still counts as records. The size is in 16-bit words,
// from the 18-byte header on, or (some writers) from a placeable header in
// front of it; the file may end before it. Zeros up to that size are not
// padding: the size counts records, and records were lost where they stand
// (a picture zeroed from an early end on). Bytes past the size are not the
// picture's.
bool EndsBeforeItsSize(const std::uint8_t* data, std::uint64_t size, std::uint64_t recordsEnd, bool placeable) {
  const std::uint64_t declared = 2ull * le::U32(data + 6);
  if (declared == recordsEnd || (placeable && declared == recordsEnd + kPlaceableHeaderSize)) return false;
  return std::min(size, declared) > recordsEnd;
}

}  // namespace

bool ReadPlaceableHeader(const std::uint8_t* data, std::uint64_t size, PlaceableHeader* header) {
  if (data == nullptr || size < kPlaceableHeaderSize || le::U32(data) != kPlaceableKey) return false;
  if (header) {
    header->left = le::I16(data + 6);
    header->top = le::I16(data + 8);
    header->right = le::I16(data + 10);
    header->bottom = le::I16(data + 12);
    header->unitsPerInch = le::U16(data + 14);
    header->checksum = le::U16(data + 20);
  }
  return true;
}

std::uint16_t PlaceableHeaderChecksum(const std::uint8_t* header22) {
  std::uint16_t sum = 0;
  for (int i = 0; i < 10; ++i) sum ^= le::U16(header22 + 2 * i);
  return sum;
}

bool ConvertWmfToEmf(const std::uint8_t* data, std::uint64_t size, const WmfPicture& picture, ByteArray& emf,
                     bool* partial) {
  emf = ByteArray();
  if (partial) *partial = false;
  if (data == nullptr || !ReadWmfHeader(data, size)) return false;

  // The logical window: the placeable box, else the picture's first window records.
  std::int32_t winLeft = 0, winTop = 0, winWidth = 0, winHeight = 0;
  bool haveWindow = picture.hasWindow && picture.windowWidth != 0 && picture.windowHeight != 0;
  if (haveWindow) {
    winLeft = picture.windowLeft;
    winTop = picture.windowTop;
    winWidth = picture.windowWidth;
    winHeight = picture.windowHeight;
  } else {
    bool haveOrg = false;
    WalkRecords(data, size, [&](std::uint16_t function, std::uint32_t, const Params& p) {
      if (function == kMetaSetWindowOrg && !haveOrg && p.Has(4)) {
        winLeft = p.S(1);
        winTop = p.S(0);
        haveOrg = true;
      } else if (function == kMetaSetWindowExt && !haveWindow && p.Has(4) && p.S(0) != 0 && p.S(1) != 0) {
        winWidth = p.S(1);
        winHeight = p.S(0);
        haveWindow = true;
      }
      return !(haveOrg && haveWindow);
    });
  }

  // Frame (0.01 mm) and viewport (reference pixels).
  constexpr double kHmmPerPixel = kReferenceDeviceWidthMm * 100.0 / kReferenceDeviceWidth;
  std::int32_t frameW, frameH, pxW, pxH;
  const bool sized = picture.hasSize && picture.widthHmm != 0 && picture.heightHmm != 0;
  // Without a size or a window, the picture is what it draws: its window is
  // the drawn bounds, the viewport origin moves their corner to the frame's.
  double viewportX = 0, viewportY = 0;
  WmfBounds drawn;
  const bool byDrawing = !sized && !haveWindow && WmfDrawnBounds(data, size, &drawn) && drawn.right > drawn.left &&
                         drawn.bottom > drawn.top;
  if (byDrawing) {
    winWidth = std::max(1, Round(drawn.right - drawn.left));
    winHeight = std::max(1, Round(drawn.bottom - drawn.top));
    haveWindow = true;
  }
  if (sized) {
    frameW = std::abs(picture.widthHmm);
    frameH = std::abs(picture.heightHmm);
    pxW = std::max(1, Round(frameW / kHmmPerPixel));
    pxH = std::max(1, Round(frameH / kHmmPerPixel));
  } else {
    double w = haveWindow ? std::abs(double(winWidth)) : kReferenceDeviceWidth;
    double h = haveWindow ? std::abs(double(winHeight)) : kReferenceDeviceHeight;
    const double shrink = std::min({1.0, kReferenceDeviceWidth / w, kReferenceDeviceHeight / h});
    pxW = std::max(1, Round(w * shrink));
    pxH = std::max(1, Round(h * shrink));
    frameW = Round(pxW * kHmmPerPixel);
    frameH = Round(pxH * kHmmPerPixel);
  }
  if (!haveWindow) {
    winWidth = pxW;
    winHeight = pxH;
  }
  if (byDrawing) {
    viewportX = -drawn.left * pxW / winWidth;
    viewportY = -drawn.top * pxH / winHeight;
  }

  EmfBuilder out(kMaxConvertedEmfBytes);
  const U_RECTL bounds = Rect(0, 0, pxW - 1, pxH - 1);
  out.Take(U_EMRHEADER_set(bounds, Rect(0, 0, frameW, frameH), nullptr, 0, nullptr,
                           U_SIZEL{kReferenceDeviceWidth, kReferenceDeviceHeight},
                           U_SIZEL{kReferenceDeviceWidthMm, kReferenceDeviceHeightMm}, 0));
  out.Take(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
  out.Take(U_EMRSETWINDOWORGEX_set(Pt(winLeft, winTop)));
  out.Take(U_EMRSETWINDOWEXTEX_set(U_SIZEL{winWidth, winHeight}));
  out.Take(U_EMRSETVIEWPORTORGEX_set(Pt(Round(viewportX), Round(viewportY))));
  out.Take(U_EMRSETVIEWPORTEXTEX_set(U_SIZEL{pxW, pxH}));

  Translator translator(out, bounds);
  translator.SetWindowOrg(winLeft, winTop);
  bool ended = false;
  std::uint64_t stop = 0;
  const bool framed = WalkRecords(
      data, size,
      [&](std::uint16_t function, std::uint32_t words, const Params& p) {
        translator.Record(function, words, p);
        return out.Ok();
      },
      &ended, &stop);
  if ((!framed && partial == nullptr) || !out.Finish(translator.Handles())) return false;
  emf = std::move(out.Bytes());
  // Without the end record (the last of every picture) the picture was cut
  // at a record boundary or inside a record; the records read are sound.
  if (partial) {
    *partial = !framed || !ended || translator.LostRecords() || EndsBeforeItsSize(data, size, stop, picture.placeable);
  }
  return true;
}

}  // namespace kvn
