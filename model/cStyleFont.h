// cStyleFont: an entry of a drawing's font table. Its name is the face name
// (a TrueType family, or an SHX file name with its extension).
//
// A font is a TrueType family (TrueTypeFacePair) or an SHX stroke font
// (ShxFontPair); cStyleFont::BindFace gives it one of the two. A font whose
// name the global font list (model/FontList.h) also holds borrows that
// entry's data (`shared`) instead of using its own.
//
// Record, after the style header: a kind byte (FontRecordKind), then
//   SHX: bit ownData; when 1: bit flag, u32 n, n bytes of the SHX file;
//        compact double pen width (percent of the text height), bit pen flag.
//   TrueType (kinds 0, 1, 2): u8 pitch and family; u8 character set (from
//        3108); kind 1: u32 n, n bytes of the font file; kind 2: bit
//        rangesKnown, and when set: bit capFromTables, u16 count, count
//        ranges {u16 first, u16 count}, then four face slots (regular, bold,
//        italic, bold-italic), each a bit and, when set: compact double cap
//        height, u16 m, m bytes of the outline-metrics block, u16 glyph
//        count, glyphs {u16 code, u16 advance, u16 k, k outline bytes}.
// A record cut short leaves the font bound without that data.
#pragma once

#include <cstdint>
#include <memory>

#include "model/ShxFont.h"
#include "model/TrueTypeFace.h"
#include "model/cAnyStyle.h"

namespace kvn {

// The first byte of a font record.
enum class FontRecordKind : std::int8_t {
  kShx = -1,
  kNoData = -2,
  kByName = 0,
  kFileCarried = 1,
  kOutlinesCarried = 2,
};

struct TrueTypeFacePair {
  std::unique_ptr<TrueTypeFaceSet> own;  // never null once bound
  TrueTypeFaceSet* shared = nullptr;     // the font list's set of the same name
  TrueTypeFaceSet* GetOverrideOrBase() const { return shared ? shared : own.get(); }
};

struct ShxFontPair {
  std::unique_ptr<ShxFont> own;  // never null once bound
  ShxFont* shared = nullptr;
  double penWidth = 0.0;  // percent of the text height
  std::uint32_t penFlag = 0;
  ShxFont* GetOverrideOrBase() const { return shared ? shared : own.get(); }
};

class cStyleFont : public cAnyStyle {
 public:
  cStyleFont() = default;
  ~cStyleFont() override;

  bool Read(ArchiveReader& r, int version, cDrawingData* data) override;
  void Write(ArchiveWriter& w, cDrawingData* data) const override;

  FontRecordKind GetKind() const;
  // The one way a font gets its data; see the class comment. Either pointer
  // may be null; at most one should be given.
  void BindFace(std::unique_ptr<TrueTypeFaceSet> ownTrueType, std::unique_ptr<ShxFont> ownShx);
  // A TrueType pair holding `set` as its own data, without consulting the
  // font list (the list's own entries and the built-in fonts).
  void SetOwnFaceSet(std::unique_ptr<TrueTypeFaceSet> set);

  TrueTypeFaceSet* FaceSet() const { return trueType ? trueType->GetOverrideOrBase() : nullptr; }
  ShxFont* Shx() const { return shx ? shx->GetOverrideOrBase() : nullptr; }
  // The TrueType set's LOGFONT bytes; 0 for a font without one (SHX fonts):
  // the text object asks every font.
  std::uint8_t GetCharSet() const { return FaceSet() ? FaceSet()->charSet : 0; }
  std::uint8_t GetPitchAndFamily() const { return FaceSet() ? FaceSet()->pitchAndFamily : 0; }

  std::unique_ptr<TrueTypeFacePair> trueType;
  std::unique_ptr<ShxFontPair> shx;
  // A second face name given when the font was added; not stored.
  WString alternativeName;
  // The built-in SHX font that draws an SHX file nobody has; not stored.
  WString substituteName;
  // The kind of the record read (kNoData for a new font).
  FontRecordKind kind = FontRecordKind::kNoData;
};

}  // namespace kvn
