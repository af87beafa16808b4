#include "model/cText.h"

#include <cmath>

#include "model/Geometry.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"

namespace kvn {

namespace {

constexpr std::uint32_t kTextColorNotSet = 0x80000000u;
constexpr std::uint8_t kBoldBits = 0x07;
constexpr std::uint8_t kItalicBit = 0x10;
constexpr std::uint8_t kStrikeOutBit = 0x20;
constexpr std::uint8_t kUnderlineBit = 0x40;

// A tri-state flag byte of a record: 0 clears the bits, 1 sets them, any
// other value keeps them.
void ApplyFlag(std::uint8_t& bits, std::uint8_t mask, std::uint8_t flag) {
  if (flag == 0) bits = std::uint8_t(bits & ~mask);
  if (flag == 1) bits = std::uint8_t(bits | mask);
}

void ApplyBool(std::uint8_t& value, std::uint8_t flag) {
  if (flag == 0 || flag == 1) value = flag;
}

int FaceNameLength(const char16_t* face) {
  int n = 0;
  while (n < kFaceNameUnits && face[n] != 0) ++n;
  return n;
}

}  // namespace

cText::cText() : cOutObj(kTypeText) {
  attr.height = 3.0;
  attr.widthFactor = 1.0;
  attr.color = 0;
  attr.fontIndex = kNoStyle;
  attr.textStyle = 0;
}

cText::~cText() = default;

// ---- text and font ----

void cText::SetText(const WString& text) {
  text_ = text.Length() > kMaxTextLength ? text.Mid(0, kMaxTextLength) : text;
  textChanged = 1;
  MarkDirty();
}

void cText::SanitizeText() {
  const int n = text_.Length();
  for (int i = 0; i < n; ++i) {
    const char16_t c = text_[i];
    if (c >= 32 || c == u'\n' || (c == u'\r' && text_[i + 1] == u'\n')) continue;
    *text_.WritableAt(i) = u' ';
  }
  textChanged = 1;
  MarkDirty();
}

void cText::SetFont(const WString* face, std::uint8_t pitch, std::uint8_t charsetByte, std::uint16_t fontIndex) {
  faceName = face ? *face : WString();
  pitchAndFamily = pitch;
  charset = charsetByte;
  attr.fontIndex = fontIndex;
  MarkDirty();
}

void cText::SetFontIndex(std::uint16_t index) {
  attr.fontIndex = index;
  textChanged = 1;
  MarkDirty();
}

void cText::SetAngle(double degrees) {
  angle = NormalizeAngle(degrees);
  MarkDirty();
}

int cText::GetLineCount(cDrawingData* data) {
  UpdateIfDirty(data);
  return int(lineStarts.Count());
}

const WString& cText::GetDisplayText(cDrawingData* data) {
  UpdateIfDirty(data);
  return displayText;
}

double cText::GetLineSpacing() const {
  return lineSpacing > 0 && lineStarts.Count() >= 2 ? lineSpacing : 1.0;
}

// ---- styled attributes ----

WString cText::GetFaceName(const cDrawingData* data) const {
  const cStyleText* style = GetTextStyle(*this, attr, data);
  const std::uint16_t index = style ? style->attributes.fontIndex : attr.fontIndex;
  if (data) {
    if (const cStyleFont* font = data->FontStyles().Get(index)) return font->name;
  }
  if (style) {
    const char16_t* face = style->attributes.faceName;
    return WString(std::u16string_view(face, std::size_t(FaceNameLength(face))));
  }
  return faceName;
}

void cText::GetTextAttributes(TextAttributes& out, const cDrawingData* data) const {
  out = TextAttributes{};
  const WString face = GetFaceName(data);
  SetFaceName(out, face.CStr(), face.Length());
  const cStyleText* style = GetTextStyle(*this, attr, data);
  out.charSet = style ? style->attributes.charSet : charset;
  out.pitchAndFamily = style ? style->attributes.pitchAndFamily : pitchAndFamily;
  out.height = GetHeight(data);
  out.widthFactor = GetWidthFactor(data);
  out.color = GetColor(data);
  out.bold = IsBold(data);
  out.italic = IsItalic(data);
  out.underline = IsUnderline(data);
  out.strikeOut = IsStrikeOut(data);
  out.mirrorX = IsMirroredX(data);
  out.mirrorY = IsMirroredY(data);
  out.fontIndex = GetFontIndex(data);
  out.styleValue = GetStyleValue(data);
}

void cText::ApplyTextAttributes(const TextAttributes& record, bool onlyWhereUnset) {
  const bool colorGiven = record.color != 0xFFFFFFFFu;
  if (onlyWhereUnset) {
    if (record.height > 0 && attr.height == 0.0) attr.height = record.height;
    if (record.widthFactor > 0 && attr.widthFactor == 0.0) attr.widthFactor = record.widthFactor;
    if (colorGiven && (attr.color & kTextColorNotSet)) attr.color = record.color;
  } else {
    if (record.height > 0) attr.height = record.height;
    if (record.widthFactor > 0) attr.widthFactor = record.widthFactor;
    if (colorGiven) attr.color = record.color;
  }
  ApplyFlag(attr.styleBits, kBoldBits, record.bold);
  ApplyFlag(attr.styleBits, kItalicBit, record.italic);
  ApplyFlag(attr.styleBits, kUnderlineBit, record.underline);
  ApplyFlag(attr.styleBits, kStrikeOutBit, record.strikeOut);
  // A text mirrors when it or its style says so: a style does not take the
  // text's own mirroring away.
  if (!onlyWhereUnset || !attr.mirrorX) ApplyBool(attr.mirrorX, record.mirrorX);
  if (!onlyWhereUnset || !attr.mirrorY) ApplyBool(attr.mirrorY, record.mirrorY);
  if (record.fontIndex < kNoStyle) {
    SetFont(nullptr, record.pitchAndFamily, record.charSet, record.fontIndex);
  } else {
    const WString face(std::u16string_view(record.faceName, std::size_t(FaceNameLength(record.faceName))));
    SetFont(&face, record.pitchAndFamily, record.charSet, kNoStyle);
  }
  MarkDirty();
}

void cText::DetachFromStyle(cDrawingData* data) {
  const cStyleText* style = GetTextStyle(*this, attr, data);
  if (!style) return;
  SetTypeByteSourceBits(std::uint8_t(TypeByte() & kTypeStyledFill));
  ApplyTextAttributes(style->attributes, true);
  MarkDirty();
}

// ---- cOutObj slots ----

void cText::Move(const DPoint& offset) {
  point.x += offset.x;
  point.y += offset.y;
  MarkDirty();
}

bool cText::Rotate(const TransformContext&, const DPoint& centre, double angleDegrees) {
  RotatePoint(point, centre, angleDegrees);
  if (!(alignment & kAlignKeepAngle)) angle = NormalizeAngle(angle - angleDegrees);
  MarkDirty();
  return true;
}

DRect& cText::GetExtent(DRect& out) {
  out = extent;
  return out;
}

void cText::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cText* other = source.AsText();
  if (!other) return;
  SetTypeByteSourceBits(std::uint8_t((TypeByte() & kTypeStyledFill) | (other->TypeByte() & kTypeStyledStroke)));
  point = other->point;
  angle = other->angle;
  attr = other->attr;
  text_ = other->text_;
  textChanged = other->textChanged;
  faceName = other->faceName;
  pitchAndFamily = other->pitchAndFamily;
  charset = other->charset;
  alignment = other->alignment;
  wrapWidth = other->wrapWidth;
  lineSpacing = other->lineSpacing;
  displayText = other->displayText;
  lineStarts.Clear();  // laid out again
}

void cText::AddStrokeExtent(cDrawingData* data, DRect& out) {
  UpdateIfDirty(data);
  if (halfPenWidth != 0 && !std::isnan(halfPenWidth)) out.Inflate(halfPenWidth, halfPenWidth);
}

void cText::AddFullExtent(cDrawingData* data, DRect& out) {
  UpdateIfDirty(data);
  out = fullExtent;
}

}  // namespace kvn
