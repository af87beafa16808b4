#include "tests/support/NativeFixture.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include "foundation/AString.h"
#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"
#include "model/ObjectTypes.h"
#include "model/StyleRefs.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cStyleFont.h"
#include "tests/support/RecordFixtures.h"

namespace kvn::test {

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- strings in their version forms ----

void WriteWideZ(ArchiveWriter& w, std::u16string_view s) {
  for (char16_t c : s) w.WriteUInt16(c);
  w.WriteUInt16(0);
}

void WriteStr(ArchiveWriter& w, std::u16string_view s) { w.WriteString(WString(s)); }

// Names of styles and levels: code page 1250 bytes before 3052, 16-bit
// units before 3073, the archive string from then on.
void WriteVersionedName(ArchiveWriter& w, int v, std::u16string_view s) {
  if (v >= 3073) {
    WriteStr(w, s);
  } else if (v >= 3052) {
    WriteWideZ(w, s);
  } else {
    AString bytes;
    WString(s).ToAString(bytes, 1250);
    w.Write(bytes.CStr(), std::uint32_t(bytes.Length()));
    w.WriteByte(0);
  }
}

// ---- state of one body ----

struct BodyWriter {
  ArchiveWriter& w;
  int v;
  const FixtureSheet& sheet;
  // The number under which each line style went inline (-1: not yet).
  std::vector<int> styleNumbers;
  int nextStyleNumber = 0;

  // The sheet's font table as the objects see it while they are written:
  // the style writer puts each font inline at its first reference and the
  // later ones refer to its written number, as real files do. Null when the
  // sheet has no fonts (or an old version keeps them in the style section
  // ahead of the content), so that objects are written without drawing data.
  std::unique_ptr<cDrawingData> fontData;

  BodyWriter(ArchiveWriter& writer, int version, const FixtureSheet& s)
      : w(writer), v(version), sheet(s), styleNumbers(s.lineStyles.size(), -1) {}

  // Each font entry of the sheet, written as the trailing section writes it
  // and read back, in the order of the sheet's font indexes.
  void MakeFontData() {
    const std::size_t count = sheet.fontNames.size() + sheet.shxFonts.size() + sheet.fontDefinitions.size();
    if (v < 3077 || count == 0) return;
    fontData = std::make_unique<cDrawingData>();
    for (std::size_t i = 0; i < count; ++i) {
      ByteArray bytes;
      {
        ArchiveWriter entry(&bytes);
        FontEntry(entry, i);
      }
      InFileStream in = InFileStream::FromMemory(bytes);
      ArchiveReader r(&in);
      fontData->FontStyles().Add(ReadStyleDefinition<cStyleFont>(r, v, fontData.get()));
    }
    ResetStyleWriteNumbers(*fontData);
  }

  // Font entry `index` of the sheet (names, SHX fonts, definitions) without
  // its leading bit.
  void FontEntry(ArchiveWriter& out, std::size_t index) {
    if (index < sheet.fontNames.size()) {
      FontDefinition(out, sheet.fontNames[index]);
      return;
    }
    index -= sheet.fontNames.size();
    if (index < sheet.shxFonts.size()) {
      const auto& [font, penWidth] = sheet.shxFonts[index];
      WriteVersionedName(out, v, font);
      if (v >= 3098) WriteStr(out, u"");
      out.WriteByte(std::uint8_t(-1));  // SHX
      out.WriteBit(false);               // the data of the built-in font
      out.WriteCompactDouble(penWidth);
      out.WriteBit(false);
      return;
    }
    sheet.fontDefinitions[index - sheet.shxFonts.size()](out);
  }

  // Whether an object's reference already carried font entry `index`.
  bool FontWrittenInline(std::size_t index) const {
    return fontData && fontData->FontStyles().Get(std::uint16_t(index))->writtenNumber >= 0;
  }

  void LineStyleRecord(const FixtureLineStyle& style) {
    if (v >= 3098) {
      w.WriteBit(false);  // not by object
      w.WriteSmallByte(style.lineType);
      w.WriteRealOrUnit(1.0);
      w.WriteColor(style.color);
      if (v >= 3111) w.WriteColor(0x80FFFFFF);
      w.WriteCompactDouble(style.width);
      w.WriteBit(false);
    } else if (v >= 3061) {
      w.WriteColor(style.color);
      w.WriteCompactDouble(style.width);
      w.WriteSmallByte(style.lineType);
      w.WriteRealOrUnit(1.0);
      if (v >= 3062) w.WriteBit(false);
    } else {
      w.WriteRaw32(style.color);
      WriteFloat(w, style.width);
      w.WriteByte(style.lineType);
      WriteFloat(w, 1.0);
    }
    w.WriteByte(0);  // no symbol
    if (v >= 3097) w.WriteCompactU16(0);  // no dash elements
  }

  void LineStyleDefinition(const FixtureLineStyle& style) {
    WriteVersionedName(w, v, style.name);
    if (v >= 3098) WriteStr(w, u"");
    LineStyleRecord(style);
  }

  // A line-style reference of the current protocol: the record inline at
  // the first reference.
  void LineStyleRef(int index) {
    w.WriteBit(true);
    int& number = styleNumbers[std::size_t(index)];
    if (number < 0) {
      w.WriteBit(true);
      number = nextStyleNumber++;
      LineStyleDefinition(sheet.lineStyles[std::size_t(index)]);
    } else {
      w.WriteBit(false);
    }
    w.WriteCompactU16(std::uint16_t(number));
  }

  void LinePart(bool styled, int style, std::uint8_t lineType, std::uint32_t color, double width,
                const FixtureLine* symbol = nullptr) {
    if (styled) {
      if (v >= 3077) {
        LineStyleRef(style);
        if (v >= 3098) {
          // Placeholders: the style supplies the values.
          w.WriteColor(0);
          if (v >= 3111) w.WriteColor(0x80000000);
          w.WriteCompactDouble(0.0);
          w.WriteRealOrUnit(0.0);
          w.WriteBit(false);
        }
      } else if (v >= 3061) {
        w.WriteCompactU16(std::uint16_t(style));
      } else {
        w.WriteUInt16(std::uint16_t(style));
      }
      return;
    }
    if (v >= 3098) {
      w.WriteSmallByte(lineType);
      w.WriteColor(color);
      if (v >= 3111) w.WriteColor(0x80FFFFFF);
      w.WriteCompactDouble(width);
      w.WriteRealOrUnit(1.0);
      w.WriteBit(false);
    } else if (v >= 3061) {
      w.WriteColor(color);
      w.WriteCompactDouble(width);
      w.WriteSmallByte(lineType);
      w.WriteRealOrUnit(1.0);
      if (v >= 3062) w.WriteBit(false);
    } else {
      w.WriteRaw32(color);
      WriteFloat(w, width);
      const bool announces = symbol && v < 3050 && symbol->symbolBlock >= 0;
      w.WriteByte(std::uint8_t(lineType | (announces ? 0x80 : 0)));
      if (v < 3050) WriteFloat(w, 0.0);  // old pattern length
      if (announces) {
        WriteFloat(w, symbol->repeatLength);
        WriteFloat(w, symbol->startOffset);
        w.WriteByte(symbol->symbolByte);
      }
      if (v >= 3058) WriteFloat(w, 1.0);
    }
  }

  void Line(const FixtureLine& line) {
    const bool styled = line.lineStyle >= 0 && std::size_t(line.lineStyle) < sheet.lineStyles.size() && v >= 3050;
    w.WriteByte(std::uint8_t(kTypeLine | (styled ? kTypeStyledStroke : 0)));
    HeaderFixture h;
    h.level = line.level;
    h.pageId = line.page;
    WriteHeaderAt(w, v, h);
    LinePart(styled, line.lineStyle, line.lineType, line.color, line.width, &line);
    if (v >= 3061) {
      w.WriteRealPoint(line.start);
      w.WriteDeltaPoint(line.end, line.start);
    } else {
      WriteFloatPoint(w, line.start.x, line.start.y);
      WriteFloatPoint(w, line.end.x, line.end.y);
    }
    if (!styled && v < 3050 && line.symbolBlock >= 0) w.WriteUInt16(std::uint16_t(line.symbolBlock));
  }

  // The prototypes of the fixed settings: a default cRectangle and a
  // default cText, each with its type byte.
  void PrototypeShape() {
    w.WriteByte(kTypeRectangle);
    HeaderFixture h;
    WriteHeaderAt(w, v, h);
    LinePart(false, -1, 1, 0, 0.25);
    WriteFillPartAt(w, v, FillPartFixture{});
    w.WriteRealPoint(DPoint{});
    w.WriteRealPoint(DPoint{});
    if (v >= 3085) w.WriteCompactDouble(0.0);
  }

  void PrototypeText() {
    w.WriteByte(kTypeText);
    HeaderFixture h;
    WriteHeaderAt(w, v, h);
    w.WriteByte(0);  // alignment
    w.WriteRealPoint(DPoint{});
    w.WriteCompactDouble(0.0);  // angle
    w.WriteCompactDouble(3.0);  // height
    if (v >= 3073) {
      WriteStr(w, u"");
    } else {
      w.WriteCompactU32(0);  // long string form
    }
    if (v >= 3065) {
      w.WriteBit(false);
      w.WriteRealOrUnit(1.0);
      w.WriteCompactDouble(0.0);
    }
    // Width factor 1.0 and colour black, the defaults of a new text.
    if (v >= 3079) w.WriteRealOrUnit(1.0);
    w.WriteColor(0);
    w.WriteByte(0);  // attribute bits
    if (v >= 3077) {
      w.WriteBit(false);  // no font: the face name follows
      WriteStr(w, u"");
      w.WriteByte(0);
      if (v >= 3108) w.WriteByte(0);
    } else {
      w.WriteByte(0);  // old font number: the default face
    }
    if (v >= 3100) {
      w.WriteBit(false);
      w.WriteBit(false);
    }
  }

  void LevelRecord(const FixtureLevel& level) {
    if (v < 3073) {
      WriteWideZ(w, level.name);
    } else {
      WriteStr(w, level.name);
    }
    w.WriteByte(std::uint8_t(1 | (level.visible ? 2 : 0) | (level.printable ? 4 : 0)));
    w.WriteRaw32(level.color);
    if (v >= 3066) w.WriteCompactDouble(level.value);
  }

  void LevelTable() {
    if (v >= 3095) {
      w.WriteBit(sheet.levelTable);
      if (!sheet.levelTable) return;
      LevelRecord(FixtureLevel{});
      w.WriteCompactU16(std::uint16_t(sheet.levels.size()));
      for (const FixtureLevel& level : sheet.levels) LevelRecord(level);
      w.WriteByte(1);  // sort mode
      return;
    }
    if (!sheet.levelTable || sheet.levels.empty()) {
      w.WriteByte(0);
      return;
    }
    w.WriteByte(1);
    for (std::size_t i = 0; i < sheet.levels.size(); ++i) {
      LevelRecord(sheet.levels[i]);
      w.WriteByte(i + 1 < sheet.levels.size() ? 1 : 0);
    }
    if (v >= 3066) w.WriteByte(1);
  }

  void RealList(const std::vector<double>& values) {
    w.WriteCompactU16(std::uint16_t(values.size()));
    for (double value : values) w.WriteReal(value);
  }

  void FixedSettings(bool singleSheetDocument) {
    if (singleSheetDocument) {
      w.WriteBit(true);  // current reals
      w.WriteUInt16(0);
      w.WriteCompactU32(0);
    }
    w.WriteRealOrUnit(sheet.scale);
    if (v < 3068) {
      w.WriteRealOrUnit(0.0);
      w.WriteCompactPoint(sheet.formatOrigin);
      w.WriteCompactPoint(sheet.formatSize);
    } else {
      w.WriteBit(true);
      w.WriteCompactPoint(sheet.formatOrigin);
      w.WriteCompactPoint(sheet.formatSize);
      w.WriteCompactPoint(sheet.formatMargins);
      w.WriteUnitPoint(sheet.tiles);
    }
    w.WriteCompactDouble(0.0);    // tile overlap
    w.WriteCompactDouble(100.0);  // print scale
    w.WriteCompactU16(sheet.paperId);
    if (v < 3068) w.WriteCompactPoint(DPoint{});
    w.WriteCompactPoint(DPoint{-1.0, -1.0});
    if (v < 3068) {
      w.WriteCompactPoint(DPoint{});
      w.WriteCompactPoint(DPoint{});
    }
    if (v < 3077) {
      for (int i = 0; i < 5; ++i) w.WriteUInt16(65535);
    }
    if (v >= 3088) {
      w.WriteBit(false);
      w.WriteByte(1);
      w.WriteByte(1);
      w.WriteCompactU32(12);
      w.WriteCompactU32(2);
      WriteStr(w, u"");
      if (v >= 3089) w.WriteByte(0);
    } else {
      w.WriteBit(false);
    }
    w.WriteBits(0, 2);
    w.WriteBits(9, 4);
    if (v >= 3110) {
      w.WriteByte(0);
      w.WriteByte(0);
    }
    PrototypeShape();
    PrototypeText();
    w.WriteCompactDouble(0.0);
    if (v >= 3104) {
      w.WriteCompactPoint(DPoint{});
      w.WriteCompactPoint(DPoint{});
    } else {
      for (int i = 0; i < 8; ++i) w.WriteByte(0);
    }
    w.WriteColor(0);
    w.WriteCompactDouble(0.0);
    w.WriteBit(true);
    w.WriteBit(true);
    w.WriteCompactPoint(DPoint{5.0, 5.0});
    w.WriteCompactPoint(DPoint{0.25, 0.25});
    w.WriteBits(2, 2);
    w.WriteBit(true);
    w.WriteCompactU32(1);
    w.WriteCompactU32(4);
    if (v < 3073) {
      w.WriteOptionalByte(std::uint8_t(sheet.currentLevel));
    } else {
      w.WriteCompactU16(sheet.currentLevel);
    }
    w.WriteBit(false);
    w.WriteRealOrUnit(1.0);
    w.WriteBit(true);
    w.WriteBit(true);
    w.WriteBit(true);
    if (sheet.guidesOverride) {
      sheet.guidesOverride(w);
    } else {
      RealList(sheet.guides[0]);
      RealList(sheet.guides[1]);
    }
    if (v < 3102) w.WriteOptionalByte(0);
    if (v >= 3080) {
      w.WriteBit(true);
      w.WriteBit(true);
    }
    if (v >= 3082) {
      w.WriteBit(bool(sheet.sectorsWriter));
      if (sheet.sectorsWriter) sheet.sectorsWriter(w);
    }
    if (v < 3068) w.WriteBit(true);
  }

  // A font-table entry that names its face only: kind 0, the pitch and
  // family byte and (from 3108) the character set.
  void FontDefinition(ArchiveWriter& out, const std::u16string& name) {
    WriteVersionedName(out, v, name);
    if (v >= 3098) WriteStr(out, u"");
    out.WriteByte(0);
    out.WriteByte(0x22);
    if (v >= 3108) out.WriteByte(238);
  }

  void OldStyleSection() {
    if (sheet.styleSectionOverride) {
      sheet.styleSectionOverride(w);
      return;
    }
    for (const FixtureLineStyle& style : sheet.lineStyles) {
      w.WriteByte(1);
      LineStyleDefinition(style);
    }
    for (const std::u16string& font : sheet.fontNames) {
      w.WriteByte(6);
      FontDefinition(w, font);
    }
    w.WriteByte(0);
  }

  void Pages() {
    if (sheet.pagesOverride) {
      sheet.pagesOverride(w);
      return;
    }
    if (v < 3102) {
      w.WriteByte(std::uint8_t(sheet.pages.size()));
    } else {
      w.WriteUInt16(std::uint16_t(sheet.pages.size()));
    }
    for (const FixturePage& page : sheet.pages) {
      w.WriteByte(page.kind);
      w.WriteRaw32(page.color);
      if (v < 3073) {
        WriteWideZ(w, page.name);
      } else {
        WriteStr(w, page.name);
      }
    }
  }

  void Insert(const InsertFixture& insert) {
    w.WriteByte(0);  // type code 0
    HeaderFixture header;
    header.level = insert.level;
    header.pageId = insert.page;
    WriteHeaderAt(w, v, header);
    WriteInsertAt(w, v, insert);
  }

  void Content() {
    MakeFontData();
    cDrawingData* data = fontData.get();
    if (sheet.contentOverride) {
      sheet.contentOverride(w);
    } else {
      for (const FixtureBlock& block : sheet.blocks) {
        w.WriteByte(1);
        if (v >= 3105) w.WriteUInt16(0);
        for (const FixtureLine& line : block.lines) Line(line);
        for (const InsertFixture& insert : block.inserts) Insert(insert);
        for (const auto& object : block.objects) object->Write(data, w);
        w.WriteByte(255);
      }
      w.WriteByte(2);
      for (const FixtureLine& line : sheet.lines) Line(line);
      for (const InsertFixture& insert : sheet.inserts) Insert(insert);
      for (const auto& object : sheet.objects) object->Write(data, w);
      for (const auto& write : sheet.handWrittenObjects) write(w);
      w.WriteByte(255);
      w.WriteByte(255);
    }
    if (v < 3077) return;
    // The styles no object named, then the other five lists empty.
    for (std::size_t i = 0; i < sheet.lineStyles.size(); ++i) {
      if (styleNumbers[i] >= 0) continue;
      w.WriteBit(true);
      LineStyleDefinition(sheet.lineStyles[i]);
    }
    w.WriteBit(false);
    for (int list = 0; list < 4; ++list) w.WriteBit(false);  // fill, text, wall, link
    // The fonts no object named, in the order of the sheet.
    const std::size_t fonts = sheet.fontNames.size() + sheet.shxFonts.size() + sheet.fontDefinitions.size();
    for (std::size_t i = 0; i < fonts; ++i) {
      if (FontWrittenInline(i)) continue;
      w.WriteBit(true);
      FontEntry(w, i);
    }
    w.WriteBit(false);
    for (int ref = 0; ref < 5; ++ref) w.WriteBit(false);  // no default styles
  }

  // Container form: no document parts.
  void ContainerBody() {
    LevelTable();
    if (sheet.settingsOverride) {
      sheet.settingsOverride(w);
    } else {
      FixedSettings(false);
    }
    if (v >= 3050 && v < 3077) OldStyleSection();
    if (v >= 3059) Pages();
    Content();
  }
};

void WritePackedAttributes(ArchiveWriter& w, const std::vector<std::pair<std::u16string, std::u16string>>& items) {
  std::u16string units;
  for (const auto& [name, value] : items) {
    units.push_back(u'\x04');  // key: kind 0
    units += name;
    units.push_back(0);
    units += value;
    units.push_back(0);
  }
  if (!units.empty()) units.push_back(0);
  w.WriteRaw32(std::uint32_t(units.size()));
  for (char16_t c : units) w.WriteUInt16(c);
}

Bytes ToBytes(const ByteArray& array) { return Bytes(array.begin(), array.end()); }

}  // namespace

std::vector<std::uint8_t> WriteNativeFile(const FixtureDocument& doc) {
  const int v = doc.version;
  ByteArray sink;
  {
    OutFileStream out = OutFileStream::ToMemory(sink);
    ArchiveWriter w(&out);
    char header[32];
    std::snprintf(header, sizeof header, "QUARN-S1\r\nVersion=%04d\r\n", v);
    w.Write(header, 22 + 2);
    w.WriteByte(0);
    w.checksumOn = true;
    WriteWideZ(w, doc.comment);
    if (v >= 3070) w.WriteByte(doc.library ? 1 : 0);
    if (v >= 3073) {
      w.WriteByte(doc.compressed ? 1 : 0);
      if (doc.compressed) w.BeginDeflate();
    }
    w.WriteBit(false);
    w.WriteUInt16(0);
    w.WriteCompactU32(0);
    if (doc.attributesOverride) {
      doc.attributesOverride(w);
    } else if (v >= 3073) {
      w.WriteCompactU32(std::uint32_t(doc.attributes.size()));
      for (const auto& [name, value] : doc.attributes) {
        if (v < 3075) {
          w.WriteByte(0);  // kind as a whole byte; no flag
        } else {
          w.WriteBits(0, 2);
          w.WriteBit(true);
        }
        WriteStr(w, name);
        WriteStr(w, value);
        WriteStr(w, u"");
      }
    } else {
      WritePackedAttributes(w, doc.attributes);
    }
    if (v >= 3080) {
      w.WriteRaw32(0xFFFFFFFF);
      w.WriteRaw32(0xFFFFFFFF);
    }
    if (v < 3102) {
      w.WriteByte(std::uint8_t(doc.sheets.size()));
    } else {
      w.WriteUInt16(std::uint16_t(doc.sheets.size()));
    }
    for (const FixtureSheet& sheet : doc.sheets) {
      if (v < 3073) {
        WriteWideZ(w, sheet.name);
      } else {
        WriteStr(w, sheet.name);
      }
      if (v >= 3082) w.WriteBit(sheet.reference);
      if (v >= 3082 && sheet.reference) {
        WriteStr(w, sheet.referencePath);
        if (v >= 3084) w.WriteBit(sheet.referenceKind != 0);
        if (v == 3101) w.WriteByte(std::uint8_t(sheet.referenceSheet));
        if (v >= 3102) w.WriteUInt16(sheet.referenceSheet);
        continue;
      }
      BodyWriter body(w, v, sheet);
      body.ContainerBody();
    }
    if (v < 3102) {
      w.WriteOptionalByte(std::uint8_t(doc.currentEntry));
    } else {
      w.WriteCompactU16(doc.currentEntry);
      w.WriteCompactU16(doc.currentPage);
    }
    if (v >= 3099) w.WriteOptionalByte(0);
    const std::uint32_t sum = w.Finish();
    w.checksumOn = false;
    w.WriteRaw32(sum + doc.checksumDelta);
  }
  return ToBytes(sink);
}

std::vector<std::uint8_t> WriteSingleSheetFile(const SingleSheetFile& file) {
  const int v = file.version;
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    w.Write("QUARN-S1\r\n", 10);
    std::vector<std::string> lines = file.headerLines;
    if (lines.empty()) lines.push_back("Version=" + std::to_string(v));
    for (const std::string& line : lines) {
      w.Write(line.data(), std::uint32_t(line.size()));
      w.Write("\r\n", 2);
    }
    w.WriteByte(0);
    if (v >= 3061) w.checksumOn = true;
    BodyWriter body(w, v, file.sheet);
    if (v >= 3052) {
      WriteWideZ(w, file.comment);
      body.LevelTable();
    }
    if (file.sheet.settingsOverride) {
      file.sheet.settingsOverride(w);
    } else if (v >= 3061) {
      body.FixedSettings(true);
    } else if (v >= 3041) {
      w.WriteByte(0);  // an empty tagged section
    }
    if (v >= 3042) {
      w.WriteByte(0);
      if (file.attributesOverride) {
        file.attributesOverride(w);
      } else if (v >= 3052) {
        WritePackedAttributes(w, file.attributes);
      } else {
        w.WriteRaw32(0);
      }
      w.WriteByte(0);
      if (v >= 3058 && v <= 3060) {
        for (int i = 0; i < 8; ++i) w.WriteByte(0);
      }
    }
    if (v > 3047) {
      w.checksumOn = true;
      w.WriteByte(1);
    }
    if (v >= 3050 && v < 3077) body.OldStyleSection();
    if (v >= 3059) body.Pages();
    body.Content();
    const std::uint32_t sum = w.Finish();
    w.checksumOn = false;
    w.WriteRaw32(sum + file.checksumDelta);
  }
  return ToBytes(sink);
}

std::vector<std::uint8_t> WriteFixtureLineRecord(const FixtureLine& line, int version) {
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    FixtureSheet sheet;
    BodyWriter body(w, version, sheet);
    FixtureLine unstyled = line;
    unstyled.lineStyle = -1;
    body.Line(unstyled);
  }
  return ToBytes(sink);
}

std::vector<std::uint8_t> WriteFixturePrototypes(int version) {
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    FixtureSheet sheet;
    BodyWriter body(w, version, sheet);
    body.PrototypeShape();
    body.PrototypeText();
  }
  return ToBytes(sink);
}

FixtureSheet MakeLineGridSheet(std::u16string name, std::size_t count) {
  FixtureSheet sheet;
  sheet.name = std::move(name);
  sheet.levels = {{u"Walls"}, {u"Doors"}, {u"Text"}};
  sheet.lines.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    FixtureLine line;
    const double x = double(i % 1000);
    const double y = double(i / 1000);
    line.start = {x, y};
    line.end = {x + 0.75, y + 0.5};
    line.level = std::uint16_t(i % 3);
    line.color = std::uint32_t(i % 7) * 0x101010;
    line.width = i % 2 ? 0.35 : 0.25;
    sheet.lines.push_back(line);
  }
  return sheet;
}

std::vector<std::uint8_t> WriteOleCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams) {
  static bool initialised = false;
  if (!initialised) {
    gsf_init();
    initialised = true;
  }
  GsfOutput* memory = gsf_output_memory_new();
  GsfOutfile* outfile = gsf_outfile_msole_new(memory);
  for (const auto& [name, content] : streams) {
    GsfOutput* child = gsf_outfile_new_child(outfile, name.c_str(), FALSE);
    gsf_output_write(child, content.size(), reinterpret_cast<const guint8*>(content.data()));
    gsf_output_close(child);
    g_object_unref(child);
  }
  gsf_output_close(GSF_OUTPUT(outfile));
  g_object_unref(outfile);
  const guint8* data = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory));
  const auto size = std::size_t(gsf_output_size(memory));
  Bytes bytes(data, data + size);
  g_object_unref(memory);
  return bytes;
}

bool SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  // An empty vector's data may be null, which fwrite must not be given.
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace kvn::test
