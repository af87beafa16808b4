// The text records of a metafile (EXTTEXTOUTA/W, POLYTEXTOUTA/W, SMALLTEXTOUT).
//
// GDI keeps text upright and reading left to right under a page mapping
// that turns an axis ("y up" metric modes, negative window or viewport
// extents): the mapping's signs are taken off the glyphs, and only the
// reference point goes through the whole mapping. The metafile's world
// transform is seen through the same signs, so a turn of the world turns
// the text the way it turns the lines. Drawing the glyphs through the plain
// mapping instead shows them mirrored, upside down, and turned the wrong
// way at an escapement.
#include <uemf.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <type_traits>
#include <vector>

#include "foundation/CodePages.h"
#include "foundation/Utf8.h"
#include "foundation/WString.h"
#include "platform/gdi/SymbolFont.h"
#include "platform/metafile/EmfPlayDetail.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/metafile/SymbolFaces.h"

namespace kvn::emf_play {

namespace {

constexpr std::uint32_t kEtoPdyFlag = 0x2000;
// One EMRTEXT: reference point, count, string offset, options, rectangle,
// spacing offset. A run whose options say ETO_NO_RECT has no rectangle: its
// spacing offset follows the options at once.
constexpr std::uint32_t kEmrTextSize = 40;
constexpr std::uint32_t kEmrTextNoRectSize = 24;
// Characters of one run beyond this are refused.
constexpr std::uint32_t kMaxRunChars = 1u << 24;

struct TextRun {
  DPoint reference;
  std::uint32_t options = 0;
  TRect rect;
  std::vector<char16_t> text;
  std::vector<std::uint16_t> codes;  // the record's bytes or UTF-16 units
  std::vector<int> dx;
};

// `count` characters at `offString`, known to lie in the record.
void ReadCodes(const EmfRecord& r, std::uint32_t offString, std::uint32_t count, bool wide, TextRun* run) {
  run->text.resize(count);
  run->codes.resize(count);
  const char16_t* table = GetCodePageTable(1252);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (wide) {
      run->codes[i] = std::uint16_t(r.I16(offString + 2 * i));
      run->text[i] = char16_t(run->codes[i]);
    } else {
      const std::uint8_t b = r.U8(offString + i);
      run->codes[i] = b;
      run->text[i] = b < 128 || !table ? char16_t(b) : table[b - 128];
    }
  }
}

// The EMRTEXT at `at`, of *size bytes; its offsets count from the record's
// start.
bool ReadRun(const EmfRecord& r, std::uint32_t at, bool wide, TextRun* run, std::uint32_t* size) {
  if (!r.Holds(at, 1, kEmrTextNoRectSize)) return false;
  run->options = r.U32(at + 16);
  const bool hasRect = (run->options & U_ETO_NO_RECT) == 0;
  *size = hasRect ? kEmrTextSize : kEmrTextNoRectSize;
  if (!r.Holds(at, 1, *size)) return false;
  const std::uint32_t count = r.U32(at + 8), offString = r.U32(at + 12), offDx = r.U32(at + *size - 4);
  run->reference = {double(r.I32(at)), double(r.I32(at + 4))};
  // Without a rectangle there is nothing to clip to or to fill.
  if (hasRect) {
    run->rect = {r.I32(at + 20), r.I32(at + 24), r.I32(at + 28), r.I32(at + 32)};
  } else {
    run->options &= ~(kEtoOpaque | kEtoClipped);
  }
  if (count > kMaxRunChars || !r.Holds(offString, count, wide ? 2 : 1)) return false;
  ReadCodes(r, offString, count, wide, run);
  if (offDx != 0 && count > 0) {
    const std::uint32_t step = run->options & kEtoPdyFlag ? 2 : 1;
    if (!r.Holds(offDx, std::uint64_t(count) * step, 4)) return false;
    run->dx.resize(count);
    for (std::uint32_t i = 0; i < count; ++i) run->dx[i] = r.I32(offDx + 4 * i * step);
  }
  return true;
}

// A SMALLTEXTOUT {reference, cChars, fuOptions, graphics mode, scales,
// [rectangle unless ETO_NO_RECT], string} as the run of an EXTTEXTOUT of
// the same text without spacing: the font's own advances. Its characters are
// bytes under ETO_SMALL_CHARS (code page 1252, as EXTTEXTOUTA's), else
// UTF-16 units.
bool ReadSmallRun(const EmfRecord& r, TextRun* run) {
  if (!r.Holds(8, 1, 28)) return false;
  run->options = r.U32(kSmallTextOptionsAt);
  const SmallTextLayout layout = SmallTextLayoutOf(run->options);
  const std::uint32_t count = r.U32(kSmallTextCountAt);
  run->reference = {double(r.I32(8)), double(r.I32(12))};
  if (layout.hasRect) {
    if (!r.Holds(36, 1, 16)) return false;
    run->rect = {r.I32(36), r.I32(40), r.I32(44), r.I32(48)};
  } else {
    run->options &= ~(kEtoOpaque | kEtoClipped);
  }
  // The flag says only how wide a character is; the drawing never sees it.
  run->options &= ~std::uint32_t(U_ETO_SMALL_CHARS);
  if (count > kMaxRunChars || !r.Holds(layout.offString, count, layout.charSize)) return false;
  ReadCodes(r, layout.offString, count, layout.charSize == 2, run);
  return true;
}

// The run's advance along its baseline (logical units of the font).
double RunAdvance(const TDC& dc, const TextRun& run) {
  if (!run.dx.empty()) {
    double sum = 0;
    for (int d : run.dx) sum += d;
    return sum;
  }
  TSize size;
  return dc.GetTextExtent(run.text.data(), int(run.text.size()), &size) ? size.cx : 0.0;
}

// A run without spacing under SETTEXTJUSTIFICATION: the face's advances,
// and the extra spread over the spaces (the first ones take the remainder).
void Justify(const TDC& dc, const EmfMappingState& m, TextRun* run) {
  if (!run->dx.empty() || m.breakExtra == 0 || m.breakCount <= 0) return;
  if (std::find(run->text.begin(), run->text.end(), u' ') == run->text.end()) return;
  std::vector<int> dx(run->text.size());
  for (std::size_t i = 0; i < dx.size(); ++i) {
    if (!dc.GetCharWidth(run->text[i], run->text[i], &dx[i])) return;
  }
  // Summed wide: the extra may be anything up to 2^31 - 1, and an advance
  // past the integer range is taken as the largest one.
  const std::int64_t share = m.breakExtra / m.breakCount;
  std::int64_t remainder = m.breakExtra % m.breakCount;
  for (std::size_t i = 0; i < dx.size(); ++i) {
    if (run->text[i] != u' ') continue;
    std::int64_t advance = std::int64_t(dx[i]) + share;
    if (remainder != 0) {
      advance += remainder > 0 ? 1 : -1;
      remainder += remainder > 0 ? -1 : 1;
    }
    dx[i] = int(std::clamp<std::int64_t>(advance, INT32_MIN, INT32_MAX));
  }
  run->dx = std::move(dx);
}

bool DrawRunInFont(TDC& dc, const HandleTable& t, TextRun& run) {
  Justify(dc, t.mapping, &run);
  const std::uint32_t boxOptions = run.options & (kEtoOpaque | kEtoClipped);
  // Writers under a "y up" mapping give the box's top as the larger y.
  const TRect box{std::min(run.rect.left, run.rect.right), std::min(run.rect.top, run.rect.bottom),
                  std::max(run.rect.left, run.rect.right), std::max(run.rect.top, run.rect.bottom)};
  if ((boxOptions & kEtoOpaque) && !box.IsEmpty())
    dc.ExtTextOut(int(run.reference.x), int(run.reference.y), kEtoOpaque, &box, u"", 0, nullptr);
  if (run.text.empty()) return true;
  const std::uint32_t align = dc.GetTextAlign();
  const bool updateCp = align & kTaUpdateCp;
  DPoint origin = run.reference;
  if (updateCp) origin = {double(dc.GetCurrentPosition().x), double(dc.GetCurrentPosition().y)};
  const XForm logical = LogicalToMetafileDevice(t.mapping);
  const XForm frame = UprightTextFrame(t.mapping, logical.Apply(origin));
  // Under a right-to-left layout the placement mirrors the run: its glyph
  // axes are mirrored back, so that the glyphs stay upright and read left
  // to right, and its horizontal alignment is reversed, as GDI reverses
  // left and right on a mirrored context, so that it covers the mirror
  // image of the left-to-right run's place.
  const bool mirrored = (t.mapping.layout & kLayoutRtl) != 0;
  const XForm glyphs = mirrored ? CombineTransform(XForm{-1, 0, 0, 1, 0, 0}, frame) : frame;
  std::uint32_t runAlign = updateCp ? align & ~kTaUpdateCp : align;
  const std::uint32_t horizontal = runAlign & kTaHorizontalMask;
  if (mirrored && horizontal != kTaCenter)
    runAlign = (runAlign & ~kTaHorizontalMask) | (horizontal == kTaRight ? kTaLeft : kTaRight);
  int saved = 0;
  if ((boxOptions & kEtoClipped) && !box.IsEmpty()) {
    saved = dc.SaveDC();
    dc.IntersectClipRect(box.left, box.top, box.right, box.bottom);
  }
  if (runAlign != align) dc.SetTextAlign(runAlign);
  dc.SetWorldTransform(CombineTransform(CombineTransform(glyphs, t.fit), t.initialWorld));
  const bool ok = dc.ExtTextOut(0, 0, 0, nullptr, run.text.data(), int(run.text.size()),
                                run.dx.empty() ? nullptr : run.dx.data());
  if (runAlign != align) dc.SetTextAlign(align);
  if (saved != 0) dc.RestoreDC(saved);
  ApplyEmfMapping(dc, t);
  if (updateCp) {
    // The position moves past the run (back over it for right alignment).
    const std::uint32_t h = align & kTaHorizontalMask;
    const double sign = h == kTaRight ? -1.0 : h == kTaCenter ? 0.0 : 1.0;
    const double angle = dc.GetCurrentFont().IsValid()
                             ? dc.GetCurrentFont().Data().escapement * (std::numbers::pi / 1800.0)
                             : 0.0;
    const double advance = sign * RunAdvance(dc, run);
    const DPoint along = frame.ApplyVector({advance * std::cos(angle), -advance * std::sin(angle)});
    XForm back;
    if (logical.Invert(&back)) {
      const DPoint step = back.ApplyVector(along);
      dc.MoveTo(RoundToInt32(origin.x + step.x), RoundToInt32(origin.y + step.y));
    }
  }
  // Glyphs need the fonts layer; an opaque box alone still counts as drawn.
  return ok || boxOptions != 0;
}

// A Symbol or dingbat text without such a font: its codes as Unicode
// characters and the stand-in font, selected until the run is drawn (its
// advances, when the record has none, are the stand-in's). A character
// beyond the Basic Multilingual Plane takes two units; its code's advance
// stays with the first.
std::optional<TFont> StandInForSymbols(TDC& dc, HandleTable& t, TextRun* run) {
  if (!dc.GetCurrentFont().IsValid()) return std::nullopt;
  const LogFont& font = dc.GetCurrentFont().Data();
  const SymbolFace face = SymbolFaceOf(font);
  if (face == SymbolFace::kNone) return std::nullopt;
  static_assert(std::extent_v<decltype(HandleTable::symbolFontInstalled)> == kSymbolFaceCount);
  std::int8_t& installed = t.symbolFontInstalled[int(face) - 1];
  if (installed < 0) installed = IsNonSymbolFont(WString(std::u16string_view(font.faceName))) ? 0 : 1;
  if (installed) return std::nullopt;
  std::vector<char32_t> characters(run->codes.size());
  for (std::size_t i = 0; i < characters.size(); ++i) characters[i] = SymbolFaceChar(face, run->codes[i]);
  run->text.clear();
  std::vector<int> dx;
  for (std::size_t i = 0; i < characters.size(); ++i) {
    const int units = AppendUtf16(run->text, characters[i]);
    if (!run->dx.empty()) {
      dx.push_back(run->dx[i]);
      if (units == 2) dx.push_back(0);
    }
  }
  run->dx = std::move(dx);
  const TFont original = dc.GetCurrentFont();
  dc.SelectObject(TFont(SymbolStandIn(font, ChooseStandInFace(characters))));
  return original;
}

bool DrawRun(TDC& dc, HandleTable& t, TextRun& run) {
  const std::optional<TFont> symbolFont = StandInForSymbols(dc, t, &run);
  const bool ok = DrawRunInFont(dc, t, run);
  if (symbolFont) dc.SelectObject(*symbolFont);
  return ok;
}

}  // namespace

XForm UprightTextFrame(const EmfMappingState& m, const DPoint& at) {
  const XForm page = PageTransform(m);
  const double fx = page.eM11 < 0 ? -1.0 : 1.0, fy = page.eM22 < 0 ? -1.0 : 1.0;
  const XForm& w = m.world;
  // The world seen through the page's signs, then the page's sizes.
  const XForm seen{w.eM11, w.eM12 * fx * fy, w.eM21 * fx * fy, w.eM22, 0, 0};
  XForm frame = CombineTransform(seen, XForm{std::fabs(page.eM11), 0, 0, std::fabs(page.eM22), 0, 0});
  frame.eDx = at.x;
  frame.eDy = at.y;
  return frame;
}

bool PlayTextRecord(TDC& dc, HandleTable& t, const EmfRecord& r) {
  const std::uint32_t type = r.Type();
  const bool wide = type == U_EMR_EXTTEXTOUTW || type == U_EMR_POLYTEXTOUTW;
  if (type == U_EMR_EXTTEXTOUTW || type == U_EMR_EXTTEXTOUTA) {
    TextRun run;
    std::uint32_t size = 0;
    return ReadRun(r, 36, wide, &run, &size) && DrawRun(dc, t, run);
  }
  if (type == U_EMR_SMALLTEXTOUT) {
    TextRun run;
    return ReadSmallRun(r, &run) && DrawRun(dc, t, run);
  }
  // POLYTEXTOUT: a count of runs at 36, the runs one after another from 40.
  const std::uint32_t runs = r.U32(36);
  if (runs == 0 || !r.Holds(40, runs, kEmrTextNoRectSize)) return false;
  bool ok = true;
  std::uint32_t at = 40;
  for (std::uint32_t i = 0; i < runs; ++i) {
    TextRun run;
    std::uint32_t size = 0;
    const bool read = ReadRun(r, at, wide, &run, &size);
    if (size == 0) return false;  // where the next run starts is unknown
    ok = read && DrawRun(dc, t, run) && ok;
    at += size;
  }
  return ok;
}

}  // namespace kvn::emf_play
