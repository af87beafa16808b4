// The TrueType data of a font style: a family (TrueTypeFaceSet) with up to
// four faces (regular, bold, italic, bold-italic), each face with its glyph
// records. A glyph record holds the outline buffer in the GGO_BEZIER layout
// of a face realised with a 48-pixel em at the 8x matrix (an em of 384
// units; platform/fonts/GlyphOutlineBuffer.h) and its advance in units of the
// 48-pixel em. Records come from the installed font when the family is there
// and otherwise from the drawing, which carries them.
//
// Availability: a family is asked once whether it is on this machine (state
// 2 -> 1 or 0); a family whose font file travels in the drawing always is.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "foundation/DPoint.h"
#include "foundation/WString.h"
#include "platform/fonts/FontTypes.h"
#include "platform/fonts/GlyphOutlineBuffer.h"

namespace kvn {

class RealizedFont;
class TrueTypeFaceSet;
class cDrawInfo;
class cOutObj;
class ObjectChain;

// One line of TrueType text to draw or explode (text/TrueTypeLine.h).
struct TrueTypeLine {
  cDrawInfo* info = nullptr;  // draw through it when given
  ObjectChain* out = nullptr; // append the glyph and bar polygons when given
  DPoint origin;              // start of the line on its top line, before alignment
  double angle = 0.0;         // degrees
  double height = 0.0;        // drawing units
  WString text;
  std::uint32_t color = 0;    // glyphs
  std::uint16_t level = 0;
  const cOutObj* templ = nullptr;  // page membership and flags 0x01, 0x02
  std::uint32_t alignment = 0;     // 0 left, 6 centred, else right
  bool underline = false;
  bool strikeOut = false;
  std::uint8_t faceIndex = 0;  // bold + 2 x italic
  std::uint32_t barColor = 0;
  double widthFactor = 1.0;    // 0 counts as 1
  bool barsOnly = false;       // glyphs are advanced over, not drawn
  bool mirrorX = false;
  bool mirrorY = false;
};

// What TrueTypeFaceSet::DrawText draws with: the line drawing of the text
// subsystem, installed at start-up (nothing is drawn without it).
using TrueTypeLineDrawer = void (*)(TrueTypeFaceSet& set, const TrueTypeLine& line);
void SetTrueTypeLineDrawer(TrueTypeLineDrawer drawer);

// The flattened form of a glyph outline, made on demand (text/GlyphPolygons).
struct GlyphPolygons {
  GlyphRuns runs;  // 16.16 in units of the 48-pixel em
};

struct FontGlyph {
  std::uint16_t code = 0;
  std::uint16_t advance = 0;
  std::unique_ptr<GlyphPolygons> polygons;
  std::vector<std::uint8_t> outline;  // at most 65,535 bytes
  std::int32_t bounds[4] = {0, 0, 0, 0};  // left, top, right, bottom of the runs, 16.16
};

// A font file carried in a drawing, shared by every face set that carries the
// same bytes, handed to the font layer the first time a face of it is
// realised and removed from it when the last set lets go.
struct MemoryFontRecord {
  std::vector<std::uint8_t> bytes;
  std::uint32_t refCount = 0;
  bool added = false;
  int handle = 0;
};
MemoryFontRecord* RegisterMemoryFont(std::vector<std::uint8_t> bytes);
void ReleaseMemoryFont(MemoryFontRecord* record);
std::size_t MemoryFontCount();

class TrueTypeFace {
 public:
  TrueTypeFace(TrueTypeFaceSet* owner, std::uint8_t style);
  ~TrueTypeFace();

  // The outline-metrics block of the installed font (fetched once; its
  // glyph records are then reloaded from the installed font), or null.
  const std::vector<std::uint8_t>* GetOutlineMetrics();
  // The record of a character, loaded from the installed font when missing;
  // without the family, the stored default character or null.
  FontGlyph* GetGlyph(char16_t code);

  std::uint8_t style = 0;  // bit 0 bold, bit 1 italic
  TrueTypeFaceSet* set = nullptr;
  std::vector<std::unique_ptr<FontGlyph>> glyphs;  // ascending by code
  // Codes below 256 seen to have a record in `glyphs` (records are never
  // taken out): a text's glyphs are then made sure of without a search per
  // character, which waited on memory at every step.
  std::array<std::uint64_t, 4> knownLatin{};
  bool KnownGlyph(char16_t code) const { return code < 256 && (knownLatin[code >> 6] >> (code & 63) & 1) != 0; }
  void NoteKnownGlyph(char16_t code) {
    if (code < 256) knownLatin[code >> 6] |= std::uint64_t(1) << (code & 63);
  }
  double capHeight = 0.0;                          // in units of the 48-pixel em
  std::vector<std::uint8_t> metrics;               // empty when there is none
  std::unique_ptr<RealizedFont> font;
};

class TrueTypeFaceSet {
 public:
  explicit TrueTypeFaceSet(const WString& name = WString());
  ~TrueTypeFaceSet();
  TrueTypeFaceSet(const TrueTypeFaceSet&) = delete;
  TrueTypeFaceSet& operator=(const TrueTypeFaceSet&) = delete;

  TrueTypeFace* GetFace(int style) const;
  TrueTypeFace* CreateFace(int style);
  bool IsAvailable();
  // Makes sure every character of the text has a glyph record in the face of
  // the style (stops at the first one when the family is not available).
  void LoadGlyphs(const WString& text, int style);
  // Takes one reference of the record (released with the set).
  void SetMemoryFont(MemoryFontRecord* record);
  // Draws or explodes one line of text in the family through the installed
  // line drawing: the entry of the text object, which lives below the text
  // subsystem.
  void DrawText(const TrueTypeLine& line);

  WString name;
  std::unique_ptr<TrueTypeFace> faces[4];
  std::vector<UnicodeRange> ranges;
  std::uint8_t pitchAndFamily = 0;
  std::uint8_t charSet = 0;
  MemoryFontRecord* memoryFont = nullptr;
  std::uint8_t outlinesStored = 0;
  std::uint8_t singleFace = 0;
  std::uint8_t rangesKnown = 0;
  std::uint8_t capFromTables = 0;
  std::uint8_t state = 2;  // 2 not yet asked, 1 available, 0 not available
  // The installed family drawn instead when the family is not available
  // (GetSubstituteFace); empty until one was needed. Not stored.
  WString substituteName;
};

RealizedFont* RealizeTrueTypeFace(TrueTypeFace& face);
// Binary search; `position` receives the insertion point when not found.
FontGlyph* FindGlyph(char16_t code, const std::vector<std::unique_ptr<FontGlyph>>& glyphs,
                     std::size_t* position = nullptr);
// Advance and outline of the glyph from the realised font; asIs false maps
// the code into the symbol-font range first.
void GetGlyphBeziers(FontGlyph& glyph, const RealizedFont& font, bool asIs);

}  // namespace kvn
