// SHX stroke fonts: shape files ("AutoCAD-86 shapes 1.0" and "1.1") and
// Unicode fonts ("AutoCAD-86 unifont 1.0") parsed into shapes, each shape's
// bytes interpreted into open polylines of cubic records on first use. Big
// fonts are not read: they give an empty font.
//
// Shape units have y upwards; "above" and "below" of the font header are the
// height of capitals above the base line and the depth below it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "foundation/DRect.h"
#include "model/Cubic.h"
#include "model/ShxFont.h"

namespace kvn {

struct ShxParsedFont;

struct ShxGlyph {
  std::uint16_t number = 0;
  std::vector<std::uint8_t> definition;  // the shape bytes after the name
  std::string name;                      // blanks trimmed at both ends
  bool computed = false;
  std::vector<CubicArray> polylines;     // one per pen-down run
  DPoint penEnd;                         // x is the advance
  DRect bounds;                          // at least {0, -below, advance, above}

  // The polylines, advance and bounds, once.
  void Compute(const ShxParsedFont& font);
};

enum class ShxFontType : std::uint8_t { kShapes = 0, kBigFont = 1, kUnicode = 2 };

struct ShxParsedFont {
  std::vector<std::unique_ptr<ShxGlyph>> glyphs;  // ascending by number
  std::string name;
  ShxFontType type = ShxFontType::kShapes;
  std::vector<std::uint8_t> header;  // [0] above, [1] below, then the rest

  // Binary search; null when the number is missing.
  ShxGlyph* FindShape(std::uint32_t number) const;
  // A font with a header whose "above" is not 0, and no big font.
  bool IsTextFont() const;
  // The glyph that stands for a UTF-16 code (see the .cpp for the mapping).
  ShxGlyph* GetGlyph(char16_t code) const;
  double GetAbove() const { return header.empty() ? 0.0 : header[0]; }
  double GetBelow() const { return header.size() < 2 ? 0.0 : header[1]; }
  // 2/3 - below/above, 0 when above is 0.
  double GetLineGapRatio() const;
};

// Parses SHX bytes; never null (unreadable bytes give an empty font).
std::shared_ptr<ShxParsedFont> ParseShxBytes(std::span<const std::uint8_t> bytes);

// Parses the font on first use (fetching an archive font's bytes from its
// built-in blob first); true when the parsed font has at least one glyph.
bool LoadShxFontData(ShxFont& font);

// The interpreter of one shape's bytes (exposed for the tests): draws into
// `polylines` from `pen` with `scale`, both updated. Subshapes nest at most
// 16 deep, a shape already being drawn is skipped, and the work of one call
// is bounded.
void ShxShapeInterpreter(const ShxGlyph& glyph, DPoint& pen, std::vector<CubicArray>& polylines,
                         const ShxParsedFont& font, double& scale);

// The 65,536-byte map of UTF-16 codes to code page 1250 look-alikes (0: none),
// from the embedded table; all zero when it is missing or damaged. Every
// Latin, Greek and Cyrillic letter has one (Greek letters on the keys of
// the Greek fonts); codes below 256 only where code page 1250 does not hold
// the letter at the same value.
const std::uint8_t* UnicodeTo8BitTable();

// Loads the SHX hooks of the model: line metrics, the built-in archives of
// the font list and the SHX glyphs of patterned lines.
void InstallShxFonts();

}  // namespace kvn
