// cText: one or more lines of text at an insertion point, with an angle, a
// height, an alignment code and a font, carrying its own attributes or
// referring to a text style (type bit 0x80) whose attributes it takes where
// its own are unset. Factory type code 21.
//
// Units: drawing units for the point, heights and widths; degrees for the
// angle, kept in (-180, 180]; colours 0x00BBGGRR, bit 31 = not set (a styled
// text then takes the style's colour, an unstyled one black).
//
// Alignment byte: low 4 bits the code 0..11 (column = code % 3: left, centre,
// right; row = code / 3: top, middle, bottom, and row 3 the first baseline);
// bit 0x10: the angle does not follow Rotate.
//
// The source text holds at most kMaxTextLength code units; line breaks are
// LF. Display text, line starts and extents are derived: Recalc rebuilds
// them whenever the geometry-dirty flag is set. Until the layout with its
// fonts and fields exists, the display text is the source text and the
// extent is the insertion point.
//
// The record (current form, read from 3061 on):
//   alignment (byte); insertion point (real point); angle, height (compact
//   doubles); source text (string); a skipped-text bit (0); line spacing
//   (real-or-unit); wrap width (compact double); width factor
//   (real-or-unit); colour; then unstyled: attribute bits (byte), font-style
//   reference, and with font index 65535 the face name (string),
//   pitch-and-family and charset bytes; styled: text-style reference (no
//   built-in bit); last mirror X and mirror Y (bits).
// Older rows are read as well (model/cTextRecord.cpp).
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/DPoint.h"
#include "foundation/DRect.h"
#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "model/ObjectChain.h"
#include "model/ShxFont.h"
#include "model/StyledAttributes.h"
#include "model/TextAttributes.h"
#include "model/cOutObj.h"
#include "platform/gdi/GdiObjects.h"

namespace kvn {

class cPolygon;
class cStyleText;
class cText;

// An unstyled text gets a valid font index: one beyond the font table
// becomes 65535, and 65535 the font found or added by the text's face name.
void RegisterTextFont(cDrawingData& data, cText& text);

// Makes `target` the filled background box of the text: the four frame
// corners, closed, in the colour and opacity, without outline or hatch, on
// the text's level and pages with its visibility flags.
void MakeTextFramePolygon(cDrawingData* data, cText& text, cPolygon& target, std::uint32_t color, std::uint8_t opacity);

// How an SHX text draws its strokes: the text subsystem installs it at
// start-up (nothing is drawn without it).
using ShxTextDrawer = void (*)(cText& text, cDrawInfo& info);
void SetShxTextDrawer(ShxTextDrawer drawer);
ShxTextDrawer GetShxTextDrawer();

inline constexpr int kMaxTextLength = 32000;

// Alignment byte: the code and the keep-angle bit.
inline constexpr std::uint8_t kAlignCodeMask = 0x0F;
inline constexpr std::uint8_t kAlignKeepAngle = 0x10;

// Inserts the drawing extension ".kvn" behind every file-name field of a text
// written by a file older than 3109 (the field used to yield the name with
// its extension; from 3109 on it yields the bare name). All three spellings,
// case-blind.
void UpgradeFileNameFields(WString& text, int version);

class cText : public cOutObj {
 public:
  cText();
  ~cText() override;

  // ---- cOutObj slots ----
  cText* AsText() override { return this; }
  const cText* AsText() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  void Move(const DPoint& offset) override;
  // The point turns about the centre; the angle follows unless the alignment
  // byte has kAlignKeepAngle.
  bool Rotate(const TransformContext& context, const DPoint& centre, double angleDegrees) override;
  // Height and wrap width by the smaller factor; the point scaled about the
  // centre; the angle follows the factors and a negative factor turns the
  // text and mirrors its alignment column or row (a baseline row becomes the
  // top row, the point moved by the descent and the lines below the first).
  // With kAlignKeepAngle only the point is scaled.
  bool Scale(const TransformContext& context, const DPoint& centre, const DPoint& factors) override;
  // The extent field.
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  // A style with a frame colour gives a background polygon ahead of a copy of
  // the text with the style merged in; without one the text merges the
  // style into itself (a copy when asked).
  ObjectChain Resolve(cDrawingData* data, bool makeCopy) override;
  // Several lines: one text per line; one line: its outlines.
  ObjectChain Explode(cDrawingData* data) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  // Widens by the half pen width of a stroked font.
  void AddStrokeExtent(cDrawingData* data, DRect& extent) override;
  // The full extent field.
  void AddFullExtent(cDrawingData* data, DRect& extent) override;
  void Recalc(cDrawingData* data) override;
  // Render with the style background (render/TextDraw.cpp).
  void Draw(cDrawInfo* info) override;
  // The frame corners as one closed outline rasterised with the value.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  // The text onto the context's device context or raster surface: the style
  // background first when asked; nothing more for a damaged or empty text,
  // a laid-out width of 0 or a device height (scale x height) below 0.125.
  // SHX fonts give stroked outlines. TrueType text goes through the raster
  // surface as glyphs when the text is mirrored, or it has a font record and
  // the surface is memory-only, or it is printed or exported onto a surface
  // of render mode 3, or it is on the screen at a device height of 40 or
  // more; otherwise through the device context as text runs (quarter turns
  // only) or as glyph outlines (any other angle, or outline text asked).
  // Nothing without a device context or a surface.
  void Render(cDrawInfo* info, bool background);

  // ---- text and font ----
  const WString& GetText() const { return text_; }
  // Cut to kMaxTextLength; sets the text-changed flag.
  void SetText(const WString& text);
  // Control characters other than LF (and a CR not followed by LF) become
  // blanks.
  void SanitizeText();
  // Own face (null empties it) with its two LOGFONT bytes, and the font
  // index (65535: use the own face).
  void SetFont(const WString* faceName, std::uint8_t pitchAndFamily, std::uint8_t charset, std::uint16_t fontIndex);
  void SetFontIndex(std::uint16_t index);
  void SetAngle(double degrees);
  int GetLineCount(cDrawingData* data);
  const WString& GetDisplayText(cDrawingData* data);
  // The line-spacing factor when it applies (positive and two lines or
  // more), else 1.0.
  double GetLineSpacing() const;

  // ---- line metrics (drawing units), by the font source of the text ----
  // SHX: from the font's "above" and "below"; TrueType of the font table: from
  // the face's metrics in units of its cap height (the em of the layout is
  // 1.0); screen font: from the measured metric bytes and em. 0 in the
  // degenerate cases (no above, no em).
  double GetLineHeight(cDrawingData* data) const;
  double GetDescent(cDrawingData* data) const;
  double GetLineGap(cDrawingData* data) const;
  // Offset of the insertion point from the top-left corner of the text block,
  // turned into drawing axes; noX leaves out the column part. Refreshes the
  // layout first.
  DPoint GetAnchorOffset(cDrawingData* data, bool noX);
  // The frame of the text block without ink overhangs, turned by the text
  // angle about the insertion point: (x1, y1), (x2, y1), (x2, y2), (x1, y2)
  // in the text's own axes. Refreshes the layout first.
  void GetFrameCorners(cDrawingData* data, DPoint corners[4]);
  // Start of line `index` of the display text, its length through `length`:
  // without its LF and a CR before it, and with a wrap width without its
  // trailing blanks. 0 and 0 for an index out of range.
  int GetLineRange(int& length, int index) const;
  // A text whose height, width factor, angle, wrap width or point is not
  // finite (a damaged file) is laid out with an empty frame and not drawn.
  bool HasFiniteGeometry() const;
  // Start of line `index` on its top line, before the column shift: the
  // insertion point moved across the lines by the row alignment and the
  // line pitch, mirrored and turned with the text.
  DPoint GetLineOrigin(cDrawingData* data, int index);
  // The LOGFONT of the text's face for the screen or printer: weight, italic,
  // underline and strike-out from the attributes, the charset of a face-name
  // suffix (else the default one), quality 3 for modes 0 and 1. True when the
  // face comes from the font table with face data of its own, else whether
  // the name had a suffix.
  bool GetLogFont(cDrawingData* data, LogFont& out, int height, int qualityMode) const;

  // ---- styled attributes (own values without drawing data) ----
  bool HasTextStyle(const cDrawingData* data) const { return kvn::HasTextStyle(*this, attr, data); }
  double GetHeight(const cDrawingData* data) const { return GetTextHeight(*this, attr, data); }
  double GetWidthFactor(const cDrawingData* data) const { return GetTextWidthFactor(*this, attr, data); }
  std::uint32_t GetColor(const cDrawingData* data) const { return GetTextColor(*this, attr, data); }
  double GetStyleValue(const cDrawingData* data) const { return GetTextStyleValue(*this, attr, data); }
  std::uint16_t GetFontIndex(const cDrawingData* data) const { return GetTextFontIndex(*this, attr, data); }
  bool IsBold(const cDrawingData* data) const { return IsTextBold(*this, attr, data); }
  bool IsItalic(const cDrawingData* data) const { return IsTextItalic(*this, attr, data); }
  bool IsUnderline(const cDrawingData* data) const { return IsTextUnderline(*this, attr, data); }
  bool IsStrikeOut(const cDrawingData* data) const { return IsTextStrikeOut(*this, attr, data); }
  bool IsMirroredX(const cDrawingData* data) const { return IsTextMirroredX(*this, attr, data); }
  bool IsMirroredY(const cDrawingData* data) const { return IsTextMirroredY(*this, attr, data); }
  // The face: the drawing font named by the effective font index, else the
  // style's face name (styled) or the own face name.
  WString GetFaceName(const cDrawingData* data) const;

  // The effective attributes as one record (flags 0 or 1).
  void GetTextAttributes(TextAttributes& out, const cDrawingData* data) const;
  // Merges a record into the text; flag bytes of 2 keep the text's own.
  // With onlyWhereUnset the record's height and width factor replace the
  // text's only where these are 0, its colour only where the text's is not
  // set; otherwise wherever the record's are positive (colour: not -1).
  void ApplyTextAttributes(const TextAttributes& record, bool onlyWhereUnset);
  // A text with a valid text style takes the style's attributes where its
  // own are unset and drops the reference.
  void DetachFromStyle(cDrawingData* data);
  // Heights of files before 3077 were em heights; they become cap heights,
  // and texts aligned on the middle or bottom row move by the descent.
  void ConvertOldHeight(cDrawingData* data);

  // Keeps the text in place while its alignment code becomes 0 (the block
  // height taken as whole pitches, without spacing, mirror or baseline).
  void MoveAnchorToTopLeft(cDrawingData* data);
  // Every field of the source text shown literally from now on ("?" after
  // its opening).
  void FreezeFields();
  // The fields of the source text replaced by their values.
  void ExpandFieldsInSource(cDrawingData* data, cOutObj* context, cOutObj* insert);
  // ---- explosion ----
  // Several lines: SplitLines; one line in a font of the font table: the SHX
  // strokes as lines and polygons with the font's pen, or one filled polygon
  // per TrueType glyph and then the bars. Empty for a screen font.
  ObjectChain ExplodeOutlines(cDrawingData* data, bool barsOnly, bool noBackground);
  // Only the underline and strike-out bars (empty without either).
  ObjectChain ExplodeBars(cDrawingData* data);
  // One text per line, anchored on the line's top (row 0) or its baseline,
  // behind the style's frame polygon unless noBackground.
  ObjectChain SplitLines(cDrawingData* data, bool keepEmptyLines, bool noBackground);
  // True when one line of the source text equals `line`.
  bool HasLineEqualTo(const WString& line);

  // ---- fields ----
  DRect extent;
  DRect fullExtent;
  DPoint point;
  double angle = 0.0;
  std::uint8_t alignment = 0;
  TextFields attr;
  std::uint8_t measuredMetrics[4] = {};
  double measuredEm = 0.0;
  double blockWidth = 0.0;
  std::uint8_t textChanged = 1;
  double halfPenWidth = 0.0;
  GrowArray<std::uint16_t> lineStarts{8};
  WString faceName;
  std::uint8_t pitchAndFamily = 0;
  std::uint8_t charset = 0;
  double lineSpacing = 1.0;
  double wrapWidth = 0.0;
  WString displayText;
  // The strokes of a text in an SHX font, made by the layout.
  std::unique_ptr<ShxOutlineCache> outlineCache;
  // Ink beyond the advance box (left, top, right, bottom), drawing units.
  double inkOverhang[4] = {0, 0, 0, 0};

 private:
  // The frame corners before the turn, with or without the ink overhangs.
  void ComputeFrame(cDrawingData* data, bool withInk, DPoint corners[4]) const;
  void ReadCurrentForm(cDrawingData* data, ArchiveReader& r, int version);
  // False when a framed old text read without drawing data has had its
  // height converted already (the old-height step is then skipped).
  bool ReadOldForm(cDrawingData* data, ArchiveReader& r, int version);

  WString text_;
  // The frame of an old framed text read without drawing data (bit 31: none).
  std::uint32_t oldFrameColor_ = 0x80000000u;
};

}  // namespace kvn
