// A font realised from a LogFont over FreeType: the stand-in for a font
// created with CreateFontIndirectW and selected into a memory DC. It answers
// the questions the text code asks of such a font: text metrics, the outline
// metrics block, advance widths (unhinted, rounded to whole pixels), glyph
// outlines in the GGO_BEZIER | GGO_UNHINTED buffer layout, raw sfnt tables and
// the Unicode ranges it maps.
//
// Face choice: memory fonts, then installed faces of the family name (with
// the Liberation stand-ins); the face nearest in weight and slant wins, and a
// bold or italic request that the chosen face lacks is synthesised (the
// outline thickened by 1/32 em and the advance widened by as much; a shear of
// 0.2126, FreeType's oblique). A family that nobody has falls back to
// fontconfig's best match, as Windows' font mapper always answers.
// Escapement and orientation are not applied: the text code turns outlines
// itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/fonts/FontSources.h"
#include "platform/fonts/FontTypes.h"

struct FT_FaceRec_;

namespace kvn {

// Optional names written into an outline-metrics block instead of the
// font's own (a converted font keeps the names it is known by).
struct OutlineNames {
  WString family, face, style, full;
};

class RealizedFont {
 public:
  static std::unique_ptr<RealizedFont> Create(const LogFont& logFont);
  ~RealizedFont();
  RealizedFont(const RealizedFont&) = delete;
  RealizedFont& operator=(const RealizedFont&) = delete;

  const LogFont& Log() const { return log_; }
  const FaceSource& Source() const { return source_; }
  double EmPixels() const { return ppem_; }
  // How much a LogFont width stretches the face along the baseline (1: the
  // face's own width).
  double WidthScale() const { return xScale_; }
  bool SymbolCmap() const { return symbol_; }

  TextMetric GetTextMetrics() const;
  // The outline-metrics block, its first word its own size.
  std::vector<std::uint8_t> GetOutlineTextMetrics(const OutlineNames* names = nullptr) const;
  // The advance of a character in whole pixels; false when the font has no
  // glyph at all for it (not even a default one).
  bool GetCharWidth(char16_t code, std::int32_t& width) const;
  // The outline of a character as GGO_BEZIER | GGO_UNHINTED gives it with
  // the matrix scale (8 for the glyph records): 16.16 values, y up. Empty
  // for a glyph without contours, or when the buffer would not fit.
  std::vector<std::uint8_t> GetGlyphOutline(char16_t code, double matrixScale) const;
  // `count` bytes of a table from `offset`; empty when it is missing or shorter.
  std::vector<std::uint8_t> GetFontData(std::uint32_t tag, std::size_t offset, std::size_t count) const;
  std::vector<UnicodeRange> GetFontUnicodeRanges() const;
  // Whether the face's character map has a glyph for the character (any
  // plane; the ranges above stop at U+FFFF, as GDI's do).
  bool MapsCharacter(char32_t c) const;

 private:
  RealizedFont() = default;
  unsigned GlyphIndex(char16_t code) const;
  std::int32_t Round(double fontUnits) const;

  LogFont log_;
  FaceSource source_;
  FT_FaceRec_* face_ = nullptr;
  double ppem_ = 16.0;
  double averageUnits_ = 0;  // average character width, font units
  double xScale_ = 1.0;      // a LogFont width narrows or widens
  bool symbol_ = false;
  bool bold_ = false;     // synthesised
  bool oblique_ = false;  // synthesised
};

// Cap height in the font's pixels (its em being -logFont.height): from the
// OS/2 sCapHeight or the PCLT capHeight scaled by an ascent measured at ten
// times the size (`fromTables` set), else from the top of 'A', else ascent
// minus internal leading.
double MeasureCapHeight(const RealizedFont& font, const LogFont& logFont, bool& fromTables);

}  // namespace kvn
