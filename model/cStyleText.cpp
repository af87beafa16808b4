#include "model/cStyleText.h"

#include <string>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/TextFormat.h"
#include "model/StyleRefs.h"
#include "model/VersionedString.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"

namespace kvn {

namespace {

// The font record of files before 3077, 37 bytes: the face name in code page
// 1250 (32 bytes, zero-terminated unless full), then bold, italic, underline
// and strike-out flags and the pitch-and-family byte.
constexpr std::uint32_t kLegacyFontBytes = 37;

void ConvertLegacyFont(const std::uint8_t (&bytes)[kLegacyFontBytes], TextAttributes& a) {
  int n = 0;
  while (n < 32 && bytes[n] != 0) ++n;
  WString face;
  face.AssignBytes(1250, reinterpret_cast<const char*>(bytes), n);
  SetFaceName(a, face.CStr(), face.Length());
  a.bold = bytes[32] != 0;
  a.italic = bytes[33] != 0;
  a.underline = bytes[34] != 0;
  a.strikeOut = bytes[35] != 0;
  a.pitchAndFamily = bytes[36];
}

int FaceNameLength(const TextAttributes& a) {
  int n = 0;
  while (n < kFaceNameUnits && a.faceName[n] != 0) ++n;
  return n;
}

}  // namespace

cStyleText::~cStyleText() = default;

void cStyleText::Scale(double factor) {
  if (factor == 0.0) return;
  attributes.height *= factor;
  attributes.styleValue *= factor;
}

// ---- record ----

void cStyleText::Write(ArchiveWriter& w, cDrawingData* data) const {
  const TextAttributes& a = attributes;
  w.WriteColor(a.color);
  w.WriteColor(a.secondColor);
  WriteOptionalU8(w, a.optionalByte);
  w.WriteRealOrUnit(a.widthFactor);
  w.WriteReal(a.height);
  w.WriteRealOrUnit(a.styleValue);
  w.WriteBit(a.bold != 0);
  w.WriteBit(a.italic != 0);
  w.WriteBit(a.underline != 0);
  w.WriteBit(a.strikeOut != 0);
  w.WriteBit(a.mirrorX != 0);
  w.WriteBit(a.mirrorY != 0);
  w.WriteByte(builtinMarks);
  WriteStyleRef<cStyleFont>(w, a.fontIndex, data);
  if (a.fontIndex == kNoStyle) {
    w.WriteString(WString(std::u16string_view(a.faceName, std::size_t(FaceNameLength(a)))));
    w.WriteByte(a.charSet);
    w.WriteByte(a.pitchAndFamily);
  }
}

bool cStyleText::Read(ArchiveReader& r, int version, cDrawingData* data) {
  attributes = TextAttributes{};
  extraWord = 0;
  builtinMarks = 0;
  TextAttributes& a = attributes;

  if (VersionBelow(version, 3061)) {
    a.color = r.ReadRaw32() & 0xFFFFFF;
    a.secondColor = r.ReadRaw32() & ~0x7F000000u;
    a.height = r.ReadFloat();
  } else {
    a.color = r.ReadColor();
    a.secondColor = r.ReadColor();
    if (!VersionBelow(version, 3079)) {
      a.optionalByte = std::uint8_t(ReadOptionalFlagByte(r));
      a.widthFactor = r.ReadRealOrUnit();
    }
    a.height = r.ReadReal();
  }

  if (VersionBelow(version, 3077)) {
    std::uint8_t legacy[kLegacyFontBytes] = {};
    r.Read(legacy, kLegacyFontBytes);
    ConvertLegacyFont(legacy, a);
    if (!VersionBelow(version, 3058)) builtinMarks = r.ReadByte();
    if (!VersionBelow(version, 3065)) a.charSet = r.ReadByte();
  } else {
    a.styleValue = r.ReadRealOrUnit();
    a.bold = r.ReadBit();
    a.italic = r.ReadBit();
    a.underline = r.ReadBit();
    a.strikeOut = r.ReadBit();
    if (!VersionBelow(version, 3100)) {
      a.mirrorX = r.ReadBit();
      a.mirrorY = r.ReadBit();
    }
    builtinMarks = r.ReadByte();
    a.fontIndex = ReadStyleRef<cStyleFont>(r, version, data);
    if (a.fontIndex == kNoStyle) {
      // The field holds 31 units and a terminator; a longer name from a
      // file is cut, never written past the field.
      WString face;
      r.ReadString(face, false);
      SetFaceName(a, face.CStr(), face.Length());
      a.charSet = r.ReadByte();
      if (!VersionBelow(version, 3108)) a.pitchAndFamily = r.ReadByte();
    }
  }

  if (data && a.fontIndex != kNoStyle && a.fontIndex >= data->FontStyles().Count()) a.fontIndex = kNoStyle;
  return !r.HasError();
}

// ---- derived ----

void cStyleText::MakeName() {
  const TextAttributes& a = attributes;
  const unsigned flags = (a.bold ? 1u : 0u) | (a.italic ? 2u : 0u) | (a.underline ? 4u : 0u) |
                         (a.strikeOut ? 8u : 0u) | (a.mirrorX ? 16u : 0u) | (a.mirrorY ? 32u : 0u);
  WString text(u"F(");
  text.Append(FormatDouble(a.height, 12));
  text.AppendChar(u',');
  text.Append(FormatDouble(a.widthFactor, 12));
  text.AppendChar(u',');
  text.Append(WString::FromUtf8(std::to_string(a.color) + "," + std::to_string(flags) + ","));
  if (a.fontIndex != kNoStyle) {
    text.Append(WString::FromUtf8(std::to_string(a.fontIndex)));
  } else {
    text.Append(WString(std::u16string_view(a.faceName, std::size_t(FaceNameLength(a)))));
  }
  text.AppendChar(u')');
  name = text;
}

}  // namespace kvn
