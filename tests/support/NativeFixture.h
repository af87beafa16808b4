// Writers of whole native drawing files for tests and benchmarks: the
// container with its sheets, or the single-sheet form with its header lines,
// at any file version, every field at its place for that version.
//
// Nothing in the program writes drawings, so these writers follow the record
// tables field by field; at the current version their object, prototype and
// style records equal what the records' own writers produce (checked by
// NativeFixtureTest).
//
// Hooks let a test damage a file at a chosen place (raw bytes instead of a
// part, a wrong count, a wrong checksum) so that every result code of the
// readers can be produced by a file made for it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "foundation/DPoint.h"
#include "tests/support/InsertFixtures.h"

namespace kvn {
class ArchiveWriter;
class cOutObj;
}

namespace kvn::test {

struct FixtureLine {
  DPoint start;
  DPoint end;
  std::uint16_t level = 65535;  // 65535: no level
  std::uint16_t page = 0;       // page id: page record i, 4095 every page
  std::uint32_t color = 0;
  double width = 0.25;
  std::uint8_t lineType = 1;
  int lineStyle = -1;  // >= 0: styled by the sheet's line style of that index
  // Before 3050 only: >= 0 makes the line announce a symbol line (line type
  // bit 7 with the three symbol values) whose symbol is this block (from 0).
  int symbolBlock = -1;
  double repeatLength = 10.0;
  double startOffset = 0.0;
  std::uint8_t symbolByte = 0;
};

struct FixtureLevel {
  std::u16string name;
  bool visible = true;
  bool printable = true;
  std::uint32_t color = 0x80000000;
  double value = 0.0;
};

struct FixturePage {
  std::u16string name;
  std::uint8_t kind = 0;
  std::uint32_t color = 0;
};

struct FixtureLineStyle {
  std::u16string name;
  std::uint32_t color = 0;
  double width = 0.25;
  std::uint8_t lineType = 1;
};

struct FixtureBlock {
  std::vector<FixtureLine> lines;
  // Inserts after the lines, each record in the form of the file version
  // (InsertFixtures.h); block indexes count from 0.
  std::vector<InsertFixture> inserts;
  // Further objects after the inserts, each written by its own record
  // writer without drawing data (current form only).
  std::vector<std::shared_ptr<const cOutObj>> objects;
};

struct FixtureSheet {
  std::u16string name;
  // An external-reference sheet instead of a drawing (from 3082).
  bool reference = false;
  std::u16string referencePath;
  std::uint8_t referenceKind = 0;
  std::uint16_t referenceSheet = 0;

  double scale = 1.0;
  DPoint formatOrigin;
  DPoint formatSize{297.0, 210.0};
  DPoint formatMargins;
  DPoint tiles{1.0, 1.0};
  std::uint16_t paperId = 0;  // the printer paper of the fixed settings
  bool levelTable = true;
  std::vector<FixtureLevel> levels;
  std::uint16_t currentLevel = 65535;
  std::vector<FixturePage> pages;
  std::vector<FixtureLineStyle> lineStyles;
  // Entries of the font table, each a face named without its data.
  std::vector<std::u16string> fontNames;
  // SHX entries after those (current form only): a built-in font named
  // with its extension, without its data, and its pen width (percent).
  std::vector<std::pair<std::u16string, double>> shxFonts;
  // Further font-table entries after those, each a whole style definition
  // (style header and record) written by its caller.
  std::vector<std::function<void(ArchiveWriter&)>> fontDefinitions;
  std::vector<FixtureBlock> blocks;
  std::vector<FixtureLine> lines;
  std::vector<InsertFixture> inserts;
  // Further top-level objects after the lines, each written by its own
  // record writer without drawing data. The writers produce the current
  // form only: use them in files of the current version.
  std::vector<std::shared_ptr<const cOutObj>> objects;
  // Object records written by hand after those (type byte first), for
  // records that no class writes (the legacy Bézier object).
  std::vector<std::function<void(ArchiveWriter&)>> handWrittenObjects;
  std::vector<double> guides[2];

  // ---- damage ----
  // When set, written instead of the content records (blocks, top block and
  // the end byte).
  std::function<void(ArchiveWriter&)> contentOverride;
  // When set, written instead of the two lists of reals.
  std::function<void(ArchiveWriter&)> guidesOverride;
  // From 3082: when set, the sectors switch is on and this writes the two
  // sector setting records after it.
  std::function<void(ArchiveWriter&)> sectorsWriter;
  // When set, written instead of the old style section (3050-3076).
  std::function<void(ArchiveWriter&)> styleSectionOverride;
  // When set, written instead of the page records.
  std::function<void(ArchiveWriter&)> pagesOverride;
  // When set, written instead of the settings (the fixed sequence, or the
  // tagged section of an old single-sheet file).
  std::function<void(ArchiveWriter&)> settingsOverride;
};

struct FixtureDocument {
  int version = 3111;
  // Raw-deflate compression of the stream (from 3073).
  bool compressed = true;
  bool library = false;
  std::u16string comment;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  std::vector<FixtureSheet> sheets;
  std::uint16_t currentEntry = 0;
  std::uint16_t currentPage = 0;
  // ---- damage ----
  // Added to the checksum word.
  std::uint32_t checksumDelta = 0;
  // When set, written instead of the attribute list.
  std::function<void(ArchiveWriter&)> attributesOverride;
};

// The container form (versions from 3065).
std::vector<std::uint8_t> WriteNativeFile(const FixtureDocument& document);

// The single-sheet form: magic, the header lines (a "Version=" line first
// unless `headerLines` is given), the zero byte, the body with the document
// parts, the checksum word.
struct SingleSheetFile {
  int version = 3060;
  std::vector<std::string> headerLines;  // each without CR LF; empty: "Version=<version>"
  std::u16string comment;
  std::vector<std::pair<std::u16string, std::u16string>> attributes;
  FixtureSheet sheet;
  std::uint32_t checksumDelta = 0;
  // When set, written instead of the document attribute text.
  std::function<void(ArchiveWriter&)> attributesOverride;
};
std::vector<std::uint8_t> WriteSingleSheetFile(const SingleSheetFile& file);

// Single records as the body writer writes them, for comparing them with the
// records' own writers: an unstyled line (type byte included), and the two
// prototypes of the fixed settings (default cRectangle and cText).
std::vector<std::uint8_t> WriteFixtureLineRecord(const FixtureLine& line, int version);
std::vector<std::uint8_t> WriteFixturePrototypes(int version);

// A sheet with `count` lines on a grid, for benchmarks.
FixtureSheet MakeLineGridSheet(std::u16string name, std::size_t count);

// An OLE compound file holding the named streams.
std::vector<std::uint8_t> WriteOleCompoundFile(const std::vector<std::pair<std::string, std::string>>& streams);

// Writes bytes to a file; false on failure.
bool SaveBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace kvn::test
