// The archive record of cText in every file version, and the conversions of
// old records (em heights to cap heights, family kinds to faces, 8-bit texts,
// framed texts, file-name fields).
#include <cmath>
#include <string_view>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/CharsetText.h"
#include "model/Geometry.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cText.h"

namespace kvn {

namespace {

constexpr std::uint32_t kColorNotSet = 0x80000000u;
constexpr std::uint8_t kDefaultCharset = 1;  // DEFAULT_CHARSET
// Face names of old records were stored in the Western code page.
constexpr int kOldFaceCodePage = 1252;

// ---- font facts that old records need ----
// The font list with installed-font metrics joins with the text subsystem;
// these are the fixed tables it starts from, and what it answers for a face
// that is not installed.

// Cap heights per style (regular, bold, italic, bold italic) and leading, in
// units of a 48-unit em.
struct FaceHeights {
  const char16_t* face;
  double cap[4];
  double leading;
};
constexpr FaceHeights kFaceHeights[] = {
    {u"Arial", {34.375, 34.375, 34.25, 34.375}, 2},
    {u"Courier New", {27.5, 28.375, 27.5, 28.375}, 0},
    {u"Times New Roman", {31.875, 31.875, 31.875, 31.875}, 2},
    {u"Arial Narrow", {34.375, 34.375, 34.375, 34.375}, 1},
    {u"Arial Narrow CE", {34.375, 34.375, 34.375, 34.375}, 1},
    {u"Tahoma", {34.875, 34.875, 34.875, 34.875}, 0},
    {u"Verdana", {34.875, 34.875, 34.875, 34.875}, 0},
    {u"Lucida Console", {30.125, 30.375, 30.125, 30.375}, 0},
    {u"Wingdings", {37.59375, 37.783203125, 37.59375, 37.783203125}, 0},
    {u"Symbol", {32.5078125, 32.791015625, 32.5078125, 32.791015625}, 0},
};
constexpr double kEm = 48.0;
constexpr double kDefaultCap = 34.375;
constexpr double kDefaultLeading = 2.0;

bool EqualsAsciiNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char16_t c) { return c >= u'a' && c <= u'z' ? char16_t(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

// Cap height as a fraction of the em, and the leading likewise.
double GetFaceHeightRatio(const WString& face, int style, double* leading) {
  if (leading) *leading = kDefaultLeading / kEm;
  if (face.IsEmpty()) return kDefaultCap / kEm;
  for (const FaceHeights& f : kFaceHeights) {
    if (EqualsAsciiNoCase(face.View(), f.face)) {
      if (leading) *leading = f.leading / kEm;
      return f.cap[style & 3] / kEm;
    }
  }
  return kDefaultCap / kEm;
}

// The face that old records name by a family kind.
WString GetDefaultFaceForKind(std::uint8_t kind, std::uint8_t* pitchAndFamily) {
  switch (kind) {
    case 1:
      *pitchAndFamily = 0x31;  // fixed pitch, modern
      return WString(u"Courier New");
    case 2:
      *pitchAndFamily = 0x12;  // variable pitch, roman
      return WString(u"Times New Roman");
    default:
      *pitchAndFamily = 0x22;  // variable pitch, swiss
      return WString(u"Arial");
  }
}

// 3.14159 becomes 3.142; values not above 0 stay as they are.
void RoundTo4Significant(double& x) {
  if (!(x > 0) || std::isinf(x)) return;
  const double step = std::pow(10.0, std::floor(std::log10(x))) * 0.001;
  x = std::floor(x / step + 0.5) * step;
}

int FaceIndex(bool bold, bool italic) { return (bold ? 1 : 0) + (italic ? 2 : 0); }

WString DecodeOldText(const AString& bytes, std::uint8_t charset, const WString& face) {
  WString out;
  CharsetToCodePage(out, std::string_view(bytes.CStr(), std::size_t(bytes.Length())), charset, face);
  return out;
}

}  // namespace

void UpgradeFileNameFields(WString& text, int version) {
  if (version >= 3109) return;
  static constexpr const char16_t* kFields[] = {u"[/<soubor:název>\\]", u"[/<súbor:názov>\\]",
                                                u"[/<file:name>\\]"};
  for (const char16_t* field : kFields) {
    const int length = int(std::u16string_view(field).size());
    int from = 0;
    while (from <= text.Length()) {
      const int at = text.FindEx(field, from, false);
      if (at < 0) break;
      text.Insert(at + length, u".kvn");
      from = at + length + 4;
    }
  }
}

// ---- writing ----

void cText::Write(cDrawingData* data, ArchiveWriter& w) const {
  WriteHeader(w);
  w.WriteByte(alignment);
  w.WriteRealPoint(point);
  w.WriteCompactDouble(angle);
  w.WriteCompactDouble(attr.height);
  w.WriteString(text_);
  w.WriteBit(false);  // no skipped text
  w.WriteRealOrUnit(lineSpacing);
  w.WriteCompactDouble(wrapWidth);
  w.WriteRealOrUnit(attr.widthFactor);
  w.WriteColor(attr.color);
  if (TypeByte() & kTypeStyledStroke) {
    WriteTextStyleRef(w, attr.textStyle, data, false);
  } else {
    w.WriteByte(attr.styleBits);
    WriteStyleRef<cStyleFont>(w, attr.fontIndex, data);
    if (attr.fontIndex == kNoStyle) {
      w.WriteString(faceName);
      w.WriteByte(pitchAndFamily);
      w.WriteByte(charset);
    }
  }
  w.WriteBit(attr.mirrorX != 0);
  w.WriteBit(attr.mirrorY != 0);
}

// ---- reading ----

ObjectChain cText::Read(ReadContext*, cDrawingData* data, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  attr.color = kColorNotSet;
  bool convertHeights = version < 3077;
  if (version >= 3061) {
    ReadCurrentForm(data, r, version);
  } else {
    convertHeights = ReadOldForm(data, r, version);
  }
  if (data && attr.fontIndex != kNoStyle && attr.fontIndex >= data->FontStyles().Count()) {
    attr.fontIndex = kNoStyle;
  }
  if (convertHeights) ConvertOldHeight(data);
  textChanged = 1;
  MarkDirty();
  return {};
}

void cText::ReadCurrentForm(cDrawingData* data, ArchiveReader& r, int version) {
  const bool styled = (TypeByte() & kTypeStyledStroke) != 0;
  alignment = r.ReadByte();
  point = r.ReadRealPoint();
  angle = r.ReadCompactDouble();
  attr.height = r.ReadCompactDouble();
  WString text;
  r.ReadString(text, version < 3073);
  UpgradeFileNameFields(text, version);
  SetText(text);

  if (version >= 3065) {
    if (r.ReadBit()) {
      // A text of an abandoned feature: 16-bit units that nothing uses.
      const std::uint16_t units = r.ReadCompactU16();
      if (r.CanRead(units, 2)) r.SkipBytes(std::uint64_t(units) * 2);
    }
    lineSpacing = r.ReadRealOrUnit();
    wrapWidth = r.ReadCompactDouble();
  }
  if (version >= 3079) {
    attr.widthFactor = r.ReadRealOrUnit();
    attr.color = r.ReadColor();
  }

  if (styled) {
    attr.textStyle = version < 3077 ? r.ReadCompactU16() : ReadTextStyleRef(r, version, data, false);
  } else {
    if (version < 3079) attr.color = r.ReadColor();
    attr.styleBits = r.ReadByte();
    if (version >= 3077) {
      attr.fontIndex = ReadStyleRef<cStyleFont>(r, version, data);
      if (attr.fontIndex == kNoStyle) {
        r.ReadString(faceName, false);
        pitchAndFamily = r.ReadByte();
        if (version >= 3108) charset = r.ReadByte();
      }
    } else {
      const std::uint8_t fontNumber = r.ReadByte();
      attr.fontIndex = kNoStyle;
      if (fontNumber == 255) {
        faceName = WString(kOldFaceCodePage, ReadArchiveCString(r));
        pitchAndFamily = version >= 3065 ? r.ReadByte() : 0;
      } else {
        faceName = GetDefaultFaceForKind(fontNumber, &pitchAndFamily);
      }
    }
  }

  if (version >= 3100) {
    attr.mirrorX = r.ReadBit() ? 1 : 0;
    attr.mirrorY = r.ReadBit() ? 1 : 0;
  }
}

bool cText::ReadOldForm(cDrawingData* data, ArchiveReader& r, int version) {
  const bool styled = (TypeByte() & kTypeStyledStroke) != 0;
  const bool wideText = version >= 3052;
  alignment = version >= 3056 ? r.ReadByte() : 0;

  std::uint32_t frame = kColorNotSet;  // bit 31: no frame
  std::uint8_t textCharset = kDefaultCharset;
  WString text;
  AString bytes;
  auto readText = [&]() {
    if (wideText) {
      text = ReadArchiveWString(r);
    } else {
      bytes = ReadArchiveCString(r);
    }
  };

  point = r.ReadFloatPoint();
  angle = r.ReadFloat();
  if (styled) {
    attr.textStyle = r.ReadUInt16();
    attr.height = r.ReadFloat();
    readText();
  } else {
    attr.color = std::uint32_t(r.ReadInt32()) & 0x00FFFFFFu;
    attr.height = r.ReadFloat();
    attr.styleBits = r.ReadByte();
    const std::uint8_t fontNumber = r.ReadByte();
    if (version < 3054) frame = r.ReadRaw32();
    readText();
    attr.fontIndex = kNoStyle;
    if (fontNumber == 255) {
      if (version < 3052) textCharset = r.ReadByte();
      faceName = WString(kOldFaceCodePage, ReadArchiveCString(r));
      pitchAndFamily = 0;
    } else {
      faceName = GetDefaultFaceForKind(fontNumber, &pitchAndFamily);
    }
    charset = 0;
  }

  if (!wideText) {
    // The bytes are in the code page of the text's character set: the
    // style's for a styled text (the default set when the style is
    // missing), else the one read with the face.
    if (styled) {
      const cStyleText* style = data ? data->TextStyles().Get(attr.textStyle) : nullptr;
      textCharset = style ? style->attributes.charSet : kDefaultCharset;
    }
    text = DecodeOldText(bytes, textCharset, GetFaceName(data));
  }
  SetText(text);

  if (styled || (frame & kColorNotSet)) return true;

  // A framed text: the frame becomes a text style with a frame colour.
  const int face = FaceIndex((attr.styleBits & 0x07) == 0x07, (attr.styleBits & 0x10) != 0);
  const double ratio = GetFaceHeightRatio(GetFaceName(data), face, nullptr);
  if (data) {
    TextAttributes record;
    GetTextAttributes(record, data);
    record.height *= ratio;
    RoundTo4Significant(record.height);
    record.secondColor = frame & 0x00FFFFFFu;
    const std::uint16_t index = data->AddTextStyle(record);
    if (index != kNoStyle) {
      SetTypeByteSourceBits(std::uint8_t(TypeByte() | kTypeStyledStroke));
      attr.textStyle = index;
    }
    return true;
  }
  // Without drawing data the frame would become a polygon in front of the
  // text; the polygon class is not there yet, so only the height changes.
  attr.height *= ratio;
  RoundTo4Significant(attr.height);
  return false;
}

void cText::ConvertOldHeight(cDrawingData* data) {
  if ((TypeByte() & kTypeStyledStroke) && !(data && data->TextStyles().Contains(attr.textStyle))) return;
  WString face = GetFaceName(data);
  if (face.IsEmpty()) {
    std::uint8_t unused;
    face = GetDefaultFaceForKind(0, &unused);
  }
  const int style = FaceIndex(IsBold(data), IsItalic(data));
  const double h = attr.height;
  double descent = 0.0;
  if (h != 0 && !std::isnan(h)) {
    double leading = 0.0;
    const double ratio = GetFaceHeightRatio(face, style, &leading);
    attr.height = ratio * h;
    RoundTo4Significant(attr.height);
    descent = h * leading;
  }
  if (descent == 0 || std::isnan(descent)) return;
  const int row = (alignment & kAlignCodeMask) / 3;
  if (row != 1 && row != 2) return;
  double offset = row == 1 ? descent * 0.5 : descent;
  RoundTo4Significant(offset);
  DPoint shift{0.0, offset};
  RotatePoint(shift, DPoint{}, -angle);
  point.x -= shift.x;
  point.y -= shift.y;
  MarkDirty();
}

}  // namespace kvn
