// The process-wide font list and the small font services around it.
//
// The list holds, in order: the built-in TrueType families ("Arial",
// "Arial Narrow": the installed family when there is one, else the family's
// outlines from the FONT_TABLE resource), then the SHX fonts of the built-in
// archive, then its shape files. Drawing fonts of the same name share their
// data with these entries (cStyleFont::BindFace); text whose font has no
// usable face falls back to the first TrueType entry.
//
// Two readers join from above: the native-container reader of the built-in
// font resources (document/, installed at start-up) and the loader of the SHX
// archive. Without the first, a built-in family that is not installed has no
// face data; without the second, the list holds the TrueType entries only.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "foundation/WString.h"

namespace kvn {

class cStyleFont;
class TrueTypeFace;
class TrueTypeFaceSet;

inline constexpr int kArialFontTableId = 18232;
inline constexpr int kArialNarrowFontTableId = 18234;

class FontList {
 public:
  // Idempotent; every lookup calls it first.
  static void Build();
  // The first entry of that name (case and accents ignored); null for an
  // empty name.
  static cStyleFont* FindByName(const WString& name);
  // Null at or beyond the text-font count (with includeAll: the count).
  static cStyleFont* GetAt(std::uint32_t index, bool includeAll = false);
  static std::uint32_t Count();
  static std::uint32_t TextFontCount();
  // Tests that change the installed fonts: forgets the list and the
  // fallback font (fonts that borrowed from them must be gone).
  static void ResetForTest();
};

// Reads a FONT_TABLE container: the first font of its first drawing, or
// null. Installed by the native-container reader.
using BuiltinFontReader = std::unique_ptr<cStyleFont> (*)(std::span<const std::uint8_t> container);
void SetBuiltinFontReader(BuiltinFontReader reader);
// Appends the fonts of built-in archive blob 0 (SHX text fonts) or 1 (shape
// files) to the list. Installed by the SHX reader.
using ShxArchiveLoader = void (*)(std::vector<std::unique_ptr<cStyleFont>>& list, int blob);
void SetShxArchiveLoader(ShxArchiveLoader loader);

// A new font of that name, never null: the resource's family (single face,
// available) or, without it, an empty face set.
std::unique_ptr<cStyleFont> LoadBuiltinFont(int resourceId, const WString& name);
// The face of the style of the first TrueType entry of the list, else of the
// built-in "Arial" resource (loaded once); `font` receives its font.
TrueTypeFace* GetFallbackFace(cStyleFont** font, int style);
// The face that draws a family this machine lacks and whose glyphs the
// drawing does not carry: the installed family fontconfig picks for the
// family with the style's weight and slant and the set's pitch-and-family
// byte (FindStyledSubstitute), else the first TrueType entry of the list.
// The set records the family used in `substituteName`. Null for a set that
// is available or carries its font file.
TrueTypeFace* GetSubstituteFace(TrueTypeFaceSet& set, int style);
// TrueTypeFaceSet::GetMetrics: the outline-metrics block of the family's
// face of the style (stored, else from the installed font, else the
// fallback face's), with its cap height; null when there is none.
const std::vector<std::uint8_t>* GetFaceSetMetrics(TrueTypeFaceSet& set, double* capHeight, int style);

// Cap height of a face as a fraction of its em (style: bold + 2 x italic),
// and its leading likewise: from a table of common faces, else measured on
// the installed face (and remembered), else 34.375/48 and 2/48.
double GetFaceHeightRatio(double* leading, const WString& face, int style);
// " CE", " TUR", " Greek", " CYR" at the end of a face name (ASCII case
// ignored): cut off, with character set 238, 162, 161 or 204.
bool ApplyCharsetSuffix(WString& name, std::uint8_t& charset);
inline bool SplitFaceCharsetSuffix(WString& name, std::uint8_t& charset) { return ApplyCharsetSuffix(name, charset); }
// The face of old text records that name a family kind: 1 "Courier New"
// (0x31), 2 "Times New Roman" (0x12), else "Arial" (0x22).
WString GetDefaultFaceForKind(std::uint8_t& pitchAndFamily, std::uint8_t kind);
// 3.14159 becomes 3.142; values not above 0 stay as they are.
void RoundTo4Significant(double& x);

}  // namespace kvn
