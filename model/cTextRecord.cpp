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
#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cPolygon.h"
#include "model/cText.h"

namespace kvn {

namespace {

constexpr std::uint32_t kColorNotSet = 0x80000000u;
// Face names of old records were stored in the Western code page.
constexpr int kOldFaceCodePage = 1252;

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
  if (oldFrameColor_ & kColorNotSet) return {};
  // A framed old text read without drawing data: its frame as a polygon,
  // then the text.
  auto frame = std::make_unique<cPolygon>();
  MakeTextFramePolygon(data, *this, *frame, oldFrameColor_, 255);
  auto copy = std::make_unique<cText>();
  copy->Assign(*this);
  copy->MarkDirty();
  oldFrameColor_ = kColorNotSet;
  ObjectChain out;
  out.Append(frame.release());
  out.Append(copy.release());
  return out;
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
        faceName = GetDefaultFaceForKind(pitchAndFamily, fontNumber);
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
      faceName = GetDefaultFaceForKind(pitchAndFamily, fontNumber);
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
  const double ratio = GetFaceHeightRatio(nullptr, GetFaceName(data), face);
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
  // Without drawing data the frame becomes a polygon in front of the text
  // (Read makes the pair).
  attr.height *= ratio;
  RoundTo4Significant(attr.height);
  oldFrameColor_ = frame & 0x00FFFFFFu;
  return false;
}

void cText::ConvertOldHeight(cDrawingData* data) {
  if ((TypeByte() & kTypeStyledStroke) && !(data && data->TextStyles().Contains(attr.textStyle))) return;
  WString face = GetFaceName(data);
  if (face.IsEmpty()) {
    std::uint8_t unused;
    face = GetDefaultFaceForKind(unused, 0);
  }
  const int style = FaceIndex(IsBold(data), IsItalic(data));
  const double h = attr.height;
  double descent = 0.0;
  if (h != 0 && !std::isnan(h)) {
    double leading = 0.0;
    const double ratio = GetFaceHeightRatio(&leading, face, style);
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
