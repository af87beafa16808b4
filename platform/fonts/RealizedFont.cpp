#include "platform/fonts/RealizedFont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "platform/fonts/GlyphOutlineBuffer.h"
#include "platform/gdi/XForm.h"

namespace kvn {

namespace {

constexpr double kObliqueShear = 0x0366A / 65536.0;
constexpr int kBoldDivisor = 32;  // emboldening: 1/32 em

const TT_OS2* Os2(FT_Face f) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
  return os2 && os2->version != 0xFFFF ? os2 : nullptr;
}

// The cell height in font units: Windows metrics, else the hhea ones.
double CellUnits(FT_Face f) {
  if (const TT_OS2* os2 = Os2(f); os2 && os2->usWinAscent + os2->usWinDescent > 0)
    return double(os2->usWinAscent) + os2->usWinDescent;
  const double cell = double(f->ascender) - f->descender;
  return cell > 0 ? cell : f->units_per_EM;
}

// The average character width in font units by the OS/2 table's first
// definition (table versions 0 to 2): the advances of a to z and the space,
// weighted by their frequency in English text (the weights add up to 1000),
// in whole units as the tables store it. 0 when the face lacks one of them.
double WeightedLowercaseAverage(FT_Face f) {
  static constexpr std::array<int, 27> kWeights = {64, 14, 27, 35, 100, 20, 14, 42, 63, 3, 6,  35, 20, 56,
                                                   56, 17, 4,  49, 56,  71, 31, 10, 18, 3, 18, 2,  166};
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < kWeights.size(); ++i) {
    const FT_UInt glyph = FT_Get_Char_Index(f, i < 26 ? FT_ULong('a' + i) : FT_ULong(' '));
    FT_Fixed advance = 0;
    if (glyph == 0 || FT_Get_Advance(f, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &advance) != 0) return 0;
    sum += kWeights[i] * std::int64_t(advance);
  }
  return double(sum / 1000);
}

// The face's average character width in font units, the one a LogFont
// width is measured against: the width the family asked for reports on
// Windows, where the metafiles come from.
// A face used under its own name reports its stored xAvgCharWidth there, as
// here, whichever definition its table followed. A face standing in for
// another family (Liberation Sans for Arial, or fontconfig's choice for a
// family nobody has) must report what the family asked for does, and the
// two tables may follow different definitions: Arial stores the weighted
// average (904 of 2048), Liberation Sans 2 the newer average over all
// glyphs (1187), so lfWidth 50 at an em of 200 would draw at 50 / 115.9 of
// the face's width instead of 50 / 88.3: 24% too narrow. The stand-ins are
// metric-compatible, so the weighted average of their own advances,
// truncated, is the value of the family they stand in for: Liberation Sans
// 904.46 (Arial 904), Serif 821.81 (Times New Roman 821), Mono 1229 (Courier
// New 1229), Sans Narrow 741.78 (Arial Narrow 0.362 em, 741.4). The table's version
// does not tell the definitions apart: MS Gothic's is of version 3 and holds
// the half-width advance, Liberation Sans Narrow's of version 1 the
// weighted average, Liberation Sans's of version 3 the all-glyph one.
double AverageCharUnits(FT_Face f, bool standsIn, bool symbol) {
  const TT_OS2* os2 = Os2(f);
  const double stored = os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : 0.0;
  if (!standsIn || symbol) return stored;
  const double weighted = WeightedLowercaseAverage(f);
  return weighted > 0 ? weighted : stored;
}

// The best of the family's faces for the weight and slant asked.
// A face whose own family name is the one asked wins over faces that only
// share a typographic family name (DejaVu Sans Condensed under DejaVu Sans).
const FaceSource* ChooseFace(const std::vector<FaceSource>& faces, const WString& family, int weight, bool italic) {
  const FaceSource* best = nullptr;
  long bestScore = std::numeric_limits<long>::max();
  for (const FaceSource& f : faces) {
    long score = std::labs(long(f.weight) - weight) + (f.italic != italic ? 1000 : 0) - f.version / 65536;
    if (CompareNoCaseAccentW(f.families.front().CStr(), family.CStr()) != 0) score += 500;
    if (!best || score < bestScore) {
      best = &f;
      bestScore = score;
    }
  }
  return best;
}

WString SfntName(FT_Face f, unsigned nameId) {
  const FT_UInt count = FT_Get_Sfnt_Name_Count(f);
  WString fallback;
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName n;
    if (FT_Get_Sfnt_Name(f, i, &n) != 0 || n.name_id != nameId) continue;
    if (n.platform_id == TT_PLATFORM_MICROSOFT) {
      WString out;
      for (FT_UInt k = 0; k + 1 < n.string_len; k += 2) out.AppendChar(char16_t(n.string[k] << 8 | n.string[k + 1]));
      if (n.language_id == 0x409 || fallback.IsEmpty()) {
        if (n.language_id == 0x409) return out;
        fallback = out;
      }
    }
  }
  return fallback;
}

void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::int64_t v) {
  const auto u = std::uint32_t(v);
  for (int i = 0; i < 4; ++i) b[at + i] = std::uint8_t(u >> (8 * i));
}

std::int32_t SaturatedInt32(std::int64_t v) {
  return std::int32_t(std::clamp<std::int64_t>(v, std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

// Decomposes an outline (font units) into a GGO_BEZIER buffer.
struct GgoWriter {
  GlyphOutlineWriter out;
  double scale;  // font units -> 16.16
  FT_Vector current{};
  static std::int32_t Fix(double units, double scale) { return std::int32_t(std::llround(units * scale)); }
  FixPoint P(const FT_Vector* v) const { return {Fix(double(v->x), scale), Fix(double(v->y), scale)}; }
};

int MoveTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<GgoWriter*>(user);
  w->out.BeginPolygon(w->P(to));
  w->current = *to;
  return 0;
}
int LineTo(const FT_Vector* to, void* user) {
  auto* w = static_cast<GgoWriter*>(user);
  if (to->x != w->current.x || to->y != w->current.y) w->out.AddLine(w->P(to));
  w->current = *to;
  return 0;
}
int ConicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
  auto* w = static_cast<GgoWriter*>(user);
  // The quadratic piece as the cubic GGO_BEZIER gives for it.
  const double x0 = double(w->current.x), y0 = double(w->current.y);
  const double qx = double(control->x), qy = double(control->y);
  const double x1 = double(to->x), y1 = double(to->y);
  const double s = w->scale;
  w->out.AddCubic({GgoWriter::Fix(x0 + 2.0 / 3.0 * (qx - x0), s), GgoWriter::Fix(y0 + 2.0 / 3.0 * (qy - y0), s)},
                  {GgoWriter::Fix(x1 + 2.0 / 3.0 * (qx - x1), s), GgoWriter::Fix(y1 + 2.0 / 3.0 * (qy - y1), s)},
                  w->P(to));
  w->current = *to;
  return 0;
}
int CubicTo(const FT_Vector* c1, const FT_Vector* c2, const FT_Vector* to, void* user) {
  auto* w = static_cast<GgoWriter*>(user);
  w->out.AddCubic(w->P(c1), w->P(c2), w->P(to));
  w->current = *to;
  return 0;
}

}  // namespace

std::unique_ptr<RealizedFont> RealizedFont::Create(const LogFont& logFont) {
  std::unique_ptr<RealizedFont> font(new RealizedFont);
  font->log_ = logFont;
  WString family = LogFontFace(logFont);
  if (!family.IsEmpty() && family[0] == u'@') family = family.Mid(1);
  const bool wantItalic = logFont.italic != 0;
  const int weight = logFont.weight > 0 ? logFont.weight : 400;
  const std::vector<FaceSource> faces = FacesOfFamily(family);
  bool standsIn = true;  // for the family asked
  if (const FaceSource* chosen = ChooseFace(faces, family, weight, wantItalic)) {
    font->source_ = *chosen;
    standsIn = CompareNoCaseAccentW(chosen->families.front().CStr(), family.CStr()) != 0;
  } else if (!MatchBestFace(family, font->source_)) {
    return nullptr;
  }
  FaceSource& src = font->source_;
  FT_Face face = nullptr;
  const FT_Error error =
      src.memory ? FT_New_Memory_Face(FreeTypeLibrary(), src.memory->data(), FT_Long(src.memory->size()), 0, &face)
                 : FT_New_Face(FreeTypeLibrary(), src.file.c_str(), src.index, &face);
  if (error != 0 || !face) return nullptr;
  font->face_ = face;
  if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) return nullptr;
  for (int i = 0; i < face->num_charmaps; ++i) {
    if (face->charmaps[i]->platform_id == 3 && face->charmaps[i]->encoding_id == 0) font->symbol_ = true;
  }
  if (font->symbol_) {
    FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL);
  } else {
    FT_Select_Charmap(face, FT_ENCODING_UNICODE);
  }
  const FaceSource described = src;
  font->bold_ = weight >= 600 && described.weight < 600;
  font->oblique_ = wantItalic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  const double upem = face->units_per_EM;
  if (logFont.height < 0) {
    font->ppem_ = -double(logFont.height);
  } else if (logFont.height > 0) {
    font->ppem_ = double(logFont.height) * upem / CellUnits(face);
  } else {
    font->ppem_ = 16.0 * upem / CellUnits(face);
  }
  font->averageUnits_ = AverageCharUnits(face, standsIn, font->symbol_);
  if (logFont.width > 0 && font->averageUnits_ > 0)
    font->xScale_ = logFont.width / (font->averageUnits_ * font->ppem_ / upem);
  return font;
}

RealizedFont::~RealizedFont() {
  if (face_) FT_Done_Face(face_);
}

// Metrics of a font asked for at a size or width far past any surface
// saturate at the ends of the 32-bit range instead of overflowing.
std::int32_t RealizedFont::Round(double units) const { return RoundToInt32(units * ppem_ / face_->units_per_EM); }

unsigned RealizedFont::GlyphIndex(char16_t code) const {
  unsigned index = FT_Get_Char_Index(face_, code);
  if (index == 0 && symbol_ && code < 0x100) index = FT_Get_Char_Index(face_, 0xF000u + code);
  return index;
}

TextMetric RealizedFont::GetTextMetrics() const {
  TextMetric tm;
  const TT_OS2* os2 = Os2(face_);
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
  const double winAscent = os2 ? os2->usWinAscent : face_->ascender;
  const double winDescent = os2 ? os2->usWinDescent : -face_->descender;
  tm.ascent = Round(winAscent);
  tm.descent = Round(winDescent);
  tm.height = SaturatedInt32(std::int64_t(tm.ascent) + tm.descent);
  tm.internalLeading = SaturatedInt32(std::int64_t(tm.height) - RoundToInt32(ppem_));
  if (hhea) {
    const double gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
    tm.externalLeading = std::max(0, Round(gap));
    tm.maxCharWidth = RoundToInt32(hhea->advance_Width_Max * ppem_ * xScale_ / face_->units_per_EM);
  }
  tm.aveCharWidth = RoundToInt32(averageUnits_ * ppem_ * xScale_ / face_->units_per_EM);
  tm.weight = bold_ ? 700 : source_.weight;
  if (os2) {
    if (symbol_) {
      tm.firstChar = os2->usFirstCharIndex;
      tm.defaultChar = os2->usFirstCharIndex;
      tm.breakChar = os2->usFirstCharIndex;
    } else {
      tm.firstChar = std::uint16_t(os2->usFirstCharIndex >= 2 ? os2->usFirstCharIndex - 2 : 0);
      tm.defaultChar = std::uint16_t(tm.firstChar + 1);
      tm.breakChar = 0x20;
    }
    tm.lastChar = os2->usLastCharIndex;
  } else {
    tm.firstChar = 0x1E;
    tm.defaultChar = 0x1F;
    tm.breakChar = 0x20;
    tm.lastChar = 0xFFFC;
  }
  tm.italic = (log_.italic || (face_->style_flags & FT_STYLE_FLAG_ITALIC)) ? 1 : 0;
  tm.underlined = log_.underline;
  tm.struckOut = log_.strikeOut;
  // Low bits: 0x01 variable pitch (sic), 0x02 vector, 0x04 TrueType.
  const std::uint8_t family = source_.pitchAndFamily & 0xF0;
  tm.pitchAndFamily = std::uint8_t(family | (FT_IS_FIXED_WIDTH(face_) ? 0 : 1) | 0x06);
  if (symbol_) {
    tm.charSet = kSymbolCharset;
  } else if (log_.charSet != kDefaultCharset && log_.charSet != kSymbolCharset && FaceHasCharset(source_, log_.charSet)) {
    tm.charSet = log_.charSet;
  } else {
    const std::vector<std::uint8_t> sets = CharsetsOfFace(source_);
    tm.charSet = FaceHasCharset(source_, kAnsiCharset) ? kAnsiCharset : sets.front();
  }
  return tm;
}

std::vector<std::uint8_t> RealizedFont::GetOutlineTextMetrics(const OutlineNames* names) const {
  std::vector<std::uint8_t> b(kOutlineMetricsSize, 0);
  const TextMetric tm = GetTextMetrics();
  WriteTextMetric(tm, b.data() + otm::kTextMetrics);
  const TT_OS2* os2 = Os2(face_);
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HHEA));
  const auto* post = static_cast<const TT_Postscript*>(FT_Get_Sfnt_Table(face_, FT_SFNT_POST));
  const auto* head = static_cast<const TT_Header*>(FT_Get_Sfnt_Table(face_, FT_SFNT_HEAD));
  if (os2) {
    std::memcpy(b.data() + 65, os2->panose, 10);
    std::uint32_t selection = os2->fsSelection;
    if (bold_) selection |= 0x20;
    if (oblique_) selection |= 0x01;
    Put32(b, 76, selection);
    Put32(b, 80, os2->fsType);
    Put32(b, 100, Round(os2->sTypoAscender));
    Put32(b, 104, Round(os2->sTypoDescender));
    Put32(b, 108, Round(os2->sTypoLineGap));
    Put32(b, 112, os2->version >= 2 ? Round(os2->sCapHeight) : 0);
    Put32(b, 116, os2->version >= 2 ? Round(os2->sxHeight) : 0);
    const std::int64_t sub[] = {os2->ySubscriptXSize,   os2->ySubscriptYSize,   os2->ySubscriptXOffset,
                                -os2->ySubscriptYOffset, os2->ySuperscriptXSize, os2->ySuperscriptYSize,
                                os2->ySuperscriptXOffset, os2->ySuperscriptYOffset};
    for (int i = 0; i < 8; ++i) Put32(b, 152 + 4 * std::size_t(i), Round(double(sub[i])));
    Put32(b, 184, Round(os2->yStrikeoutSize));
    Put32(b, 188, Round(os2->yStrikeoutPosition));
  }
  if (hhea) {
    Put32(b, 84, hhea->caret_Slope_Rise);
    Put32(b, 88, hhea->caret_Slope_Run);
    Put32(b, 136, Round(hhea->Ascender));
    Put32(b, 140, Round(hhea->Descender));
    Put32(b, 144, Round(hhea->Line_Gap));
  }
  if (post) {
    Put32(b, 92, std::llround(post->italicAngle / 65536.0 * 10.0));
    Put32(b, 192, Round(post->underlineThickness));
    Put32(b, 196, Round(post->underlinePosition));
  }
  Put32(b, otm::kEmSquare, face_->units_per_EM);
  Put32(b, 120, Round(double(face_->bbox.xMin)));
  Put32(b, 124, Round(double(face_->bbox.yMax)));
  Put32(b, 128, Round(double(face_->bbox.xMax)));
  Put32(b, 132, Round(double(face_->bbox.yMin)));
  if (head) Put32(b, 148, head->Lowest_Rec_PPEM);
  // The four names follow the fixed part, each 0-terminated UTF-16.
  WString family = SfntName(face_, 1), style = SfntName(face_, 2), full = SfntName(face_, 4);
  if (family.IsEmpty()) family = source_.families.empty() ? WString() : source_.families.front();
  WString faceName = full;
  if (names) {
    family = names->family;
    faceName = names->face;
    style = names->style;
    full = names->full;
  }
  const WString* strings[] = {&family, &faceName, &style, &full};
  for (int i = 0; i < 4; ++i) {
    Put32(b, otm::kFamilyName + 4 * std::size_t(i), std::int64_t(b.size()));
    for (int k = 0; k < strings[i]->Length(); ++k) {
      b.push_back(std::uint8_t((*strings[i])[k]));
      b.push_back(std::uint8_t((*strings[i])[k] >> 8));
    }
    b.push_back(0);
    b.push_back(0);
  }
  Put32(b, otm::kSize, std::int64_t(b.size()));
  return b;
}

bool RealizedFont::GetCharWidth(char16_t code, std::int32_t& width) const {
  if (FT_Load_Glyph(face_, GlyphIndex(code), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0)
    return false;
  double units = double(face_->glyph->advance.x);
  if (bold_) units += double(face_->units_per_EM) / kBoldDivisor;
  width = RoundToInt32(units * ppem_ * xScale_ / face_->units_per_EM);
  return true;
}

std::vector<std::uint8_t> RealizedFont::GetGlyphOutline(char16_t code, double matrixScale) const {
  if (FT_Load_Glyph(face_, GlyphIndex(code), FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP) != 0 ||
      face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    return {};
  FT_Outline* outline = &face_->glyph->outline;
  if (bold_) FT_Outline_EmboldenXY(outline, face_->units_per_EM / kBoldDivisor, face_->units_per_EM / kBoldDivisor);
  if (oblique_) {
    FT_Matrix shear{0x10000, FT_Fixed(kObliqueShear * 65536.0 + 0.5), 0, 0x10000};
    FT_Outline_Transform(outline, &shear);
  }
  GgoWriter w;
  w.scale = ppem_ * matrixScale / face_->units_per_EM * 65536.0;
  FT_Outline_Funcs funcs{};
  funcs.move_to = MoveTo;
  funcs.line_to = LineTo;
  funcs.conic_to = ConicTo;
  funcs.cubic_to = CubicTo;
  if (xScale_ != 1.0) {
    FT_Matrix stretch{FT_Fixed(xScale_ * 65536.0 + 0.5), 0, 0, 0x10000};
    FT_Outline_Transform(outline, &stretch);
  }
  if (FT_Outline_Decompose(outline, &funcs, &w) != 0) return {};
  return w.out.Finish();
}

std::vector<std::uint8_t> RealizedFont::GetFontData(std::uint32_t tag, std::size_t offset, std::size_t count) const {
  FT_ULong length = 0;
  if (FT_Load_Sfnt_Table(face_, tag, 0, nullptr, &length) != 0 || offset + count > length) return {};
  std::vector<std::uint8_t> out(count);
  FT_ULong want = FT_ULong(count);
  if (count > 0 && FT_Load_Sfnt_Table(face_, tag, FT_Long(offset), out.data(), &want) != 0) return {};
  return out;
}

std::vector<UnicodeRange> RealizedFont::GetFontUnicodeRanges() const {
  std::vector<UnicodeRange> out;
  FT_UInt index = 0;
  for (FT_ULong c = FT_Get_First_Char(face_, &index); index != 0 && c <= 0xFFFF;
       c = FT_Get_Next_Char(face_, c, &index)) {
    if (!out.empty() && out.back().first + std::uint32_t(out.back().count) == c && out.back().count < 0xFFFF) {
      ++out.back().count;
    } else {
      out.push_back({std::uint16_t(c), 1});
    }
  }
  return out;
}

bool RealizedFont::MapsCharacter(char32_t c) const { return FT_Get_Char_Index(face_, FT_ULong(c)) != 0; }

double MeasureCapHeight(const RealizedFont& font, const LogFont& logFont, bool& fromTables) {
  fromTables = false;
  const TextMetric tm = font.GetTextMetrics();
  std::vector<std::uint8_t> os2 = font.GetFontData(FT_MAKE_TAG('O', 'S', '/', '2'), 0, 96);
  std::vector<std::uint8_t> pclt = font.GetFontData(FT_MAKE_TAG('P', 'C', 'L', 'T'), 0, 54);
  os2.resize(96, 0);
  pclt.resize(54, 0);
  auto be16 = [](const std::vector<std::uint8_t>& b, std::size_t at) { return std::uint16_t(b[at] << 8 | b[at + 1]); };
  const std::uint16_t winAscent = be16(os2, 74);
  const std::int16_t capOs2 = std::int16_t(be16(os2, 88));
  const std::uint16_t capPclt = be16(pclt, 12);
  if (winAscent != 0 && (capOs2 > 0 || std::int16_t(capPclt) > 0)) {
    double ascent = tm.ascent;
    LogFont large = logFont;
    large.height = logFont.height * 10;
    if (std::unique_ptr<RealizedFont> fine = RealizedFont::Create(large)) ascent = fine->GetTextMetrics().ascent * 0.1;
    const double cap = capOs2 > 0 ? capOs2 : capPclt;
    fromTables = true;
    return ascent * cap / winAscent;
  }
  // The top of 'A' (the outline is at eight times the size).
  const std::vector<std::uint8_t> bytes = font.GetGlyphOutline(u'A', 8.0);
  const GlyphRuns runs = ParseGlyphOutline(bytes);
  bool any = false;
  std::int32_t top = std::numeric_limits<std::int32_t>::min();
  for (const auto& run : runs) {
    for (const FixPoint& p : run) {
      top = std::max(top, std::int32_t((std::int64_t(p.y) + 4) >> 3));
      any = true;
    }
  }
  if (any && top > 0) return top / 65536.0;
  const std::int32_t d = tm.ascent - tm.internalLeading;
  return d >= 1 ? d : tm.height;
}

}  // namespace kvn
