#include "model/cStyleFont.h"

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/VersionedString.h"

namespace kvn {

namespace {

// A TrueType face slot of a record that carries glyph outlines: cap height,
// the metrics block, then the glyphs {code, advance, outline bytes}.
void SkipFaceSlot(ArchiveReader& r) {
  (void)r.ReadCompactDouble();
  r.SkipBytes(r.ReadUInt16());
  const std::uint16_t glyphs = r.ReadUInt16();
  for (std::uint32_t g = 0; g < glyphs && !r.HasError(); ++g) {
    (void)r.ReadUInt16();  // code
    (void)r.ReadUInt16();  // advance
    r.SkipBytes(r.ReadUInt16());
  }
}

}  // namespace

cStyleFont::~cStyleFont() = default;

void cStyleFont::Write(ArchiveWriter& w, cDrawingData*) const {
  w.WriteByte(std::uint8_t(FontRecordKind::kNoData));
}

bool cStyleFont::Read(ArchiveReader& r, int version, cDrawingData*) {
  kind = FontRecordKind(std::int8_t(r.ReadByte()));
  switch (kind) {
    case FontRecordKind::kShx:
      if (r.ReadBit()) {
        (void)r.ReadBit();  // the font's flag
        r.SkipBytes(r.ReadRaw32());
      }
      (void)r.ReadCompactDouble();  // pen width, percent of the text height
      (void)r.ReadBit();
      break;
    case FontRecordKind::kNoData:
      break;
    case FontRecordKind::kByName:
    case FontRecordKind::kFileCarried:
    case FontRecordKind::kOutlinesCarried:
      (void)r.ReadByte();  // pitch and family
      if (!VersionBelow(version, 3108)) (void)r.ReadByte();  // character set
      if (kind == FontRecordKind::kFileCarried) {
        r.SkipBytes(r.ReadRaw32());
      } else if (kind == FontRecordKind::kOutlinesCarried && r.ReadBit()) {
        (void)r.ReadBit();  // cap height from the font's tables
        r.SkipBytes(std::uint64_t(r.ReadUInt16()) * 4);
        for (int face = 0; face < 4 && !r.HasError(); ++face) {
          if (r.ReadBit()) SkipFaceSlot(r);
        }
      }
      break;
    default:
      // No such kind: the rest of the stream cannot be followed.
      r.SetError();
      break;
  }
  return !r.HasError();
}

}  // namespace kvn
