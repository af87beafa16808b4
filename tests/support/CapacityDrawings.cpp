#include "tests/support/CapacityDrawings.h"

#include <cmath>
#include <string>

#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"

namespace kvn::test {

namespace {

// Block SYM: `lines` chords of the unit circle.
void SymbolBlock(DxfWriter& w, int lines) {
  w.Block("SYM");
  for (int i = 0; i < lines; ++i) {
    const double a = 2.0 * M_PI * i / lines, b = a + 2.0;
    w.Line("0", std::cos(a), std::sin(a), std::cos(b), std::sin(b));
  }
  w.EndBlock();
}

void R12Header(DxfWriter& w) { w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1009").EndSection(); }

}  // namespace

std::string SymbolPlacementsDxf(Placing placing, int lines, int count, int columns, int rows) {
  DxfWriter w;
  R12Header(w);
  w.Section("BLOCKS");
  SymbolBlock(w, lines);
  w.EndSection().Section("ENTITIES");
  if (placing == Placing::Array) {
    w.Str(0, "INSERT").Str(8, "0").Str(2, "SYM").Point(10, 0, 0);
    w.Int(70, columns).Int(71, rows).Real(44, 3.0).Real(45, 3.0);
  } else {
    for (int k = 0; k < count; ++k) {
      w.Str(0, "INSERT").Str(8, "0").Str(2, "SYM").Point(10, (k % 100) * 3.0, (k / 100) * 3.0);
      w.Real(50, placing == Placing::OwnAngles ? 0.01 * k : 30.0);
    }
  }
  w.EndSection().Eof();
  return w.Bytes();
}

std::string ShortLinesPlacedDxf(int inserts, int lines, int perRow, bool turned) {
  DxfWriter w;
  R12Header(w);
  w.Section("BLOCKS").Block("S");
  for (int i = 0; i < lines; ++i) w.Line("0", i % 50, i / 50, i % 50 + 0.5, i / 50 + 0.7);
  w.EndBlock().EndSection();
  w.Section("ENTITIES");
  for (int k = 0; k < inserts; ++k) {
    w.Insert("S", "0", (k % perRow) * 60.0, (k / perRow) * 60.0);
    if (turned) w.Real(50, 0.17 * k);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

std::string LongTextArrayDxf(int characters, int columns, int rows) {
  DxfWriter w;
  R12Header(w);
  w.Section("BLOCKS").Block("SYM");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1.0).Str(1, std::string(std::size_t(characters), 'W'));
  w.EndBlock().EndSection().Section("ENTITIES");
  w.Str(0, "INSERT").Str(8, "0").Str(2, "SYM").Point(10, 0, 0);
  w.Int(70, columns).Int(71, rows).Real(44, 3.0).Real(45, 3.0);
  w.EndSection().Eof();
  return w.Bytes();
}

std::string ViewportsDxf(int views, int inserts, int lines) {
  DxfWriter w;
  w.Section("HEADER").Str(9, "$ACADVER").Str(1, "AC1015").EndSection();
  w.Section("BLOCKS");
  SymbolBlock(w, lines);
  w.EndSection().Section("ENTITIES");
  for (int k = 0; k < inserts; ++k) {
    w.Str(0, "INSERT").Str(8, "0").Str(100, "AcDbBlockReference").Str(2, "SYM");
    w.Point(10, (k % 100) * 3.0, (k / 100) * 3.0);
  }
  // The paper's own viewport (id 1), then the views, each over the model.
  for (int v = 0; v <= views; ++v) {
    w.Str(0, "VIEWPORT").Str(8, "0").Int(67, 1).Str(100, "AcDbViewport");
    w.Point(10, 150.0 + (v % 10) * 30.0, 100.0 + (v / 10) * 30.0).Real(40, v == 0 ? 297.0 : 25.0);
    w.Real(41, v == 0 ? 210.0 : 20.0).Int(69, v + 1).Point(12, 150.0, 150.0).Real(45, 300.0);
  }
  w.EndSection().Eof();
  return w.Bytes();
}

std::vector<std::uint8_t> NativePlacements(int lines, int inserts) {
  FixtureDocument document;
  FixtureSheet sheet;
  sheet.name = u"Model";
  FixtureBlock block;
  for (int i = 0; i < lines; ++i) {
    const double a = 2.0 * M_PI * i / lines, b = a + 2.0;
    FixtureLine line;
    line.start = {std::cos(a), std::sin(a)};
    line.end = {std::cos(b), std::sin(b)};
    block.lines.push_back(line);
  }
  sheet.blocks.push_back(std::move(block));
  for (int k = 0; k < inserts; ++k) {
    InsertFixture insert;
    insert.level = 65535;
    insert.point = {(k % 100) * 3.0, (k / 100) * 3.0};
    insert.blockIndex = 0;
    sheet.inserts.push_back(insert);
  }
  document.sheets.push_back(std::move(sheet));
  return WriteNativeFile(document);
}

std::vector<std::uint8_t> NativeDoublingLattice(int levels) {
  FixtureDocument document;
  FixtureSheet sheet;
  sheet.name = u"Model";
  FixtureBlock first;
  FixtureLine line;
  line.end = {1.0, 0.0};
  first.lines.push_back(line);
  sheet.blocks.push_back(std::move(first));
  for (int level = 1; level <= levels; ++level) {
    FixtureBlock block;
    for (int i = 0; i < 2; ++i) {
      InsertFixture insert;
      insert.level = 65535;
      insert.point = {i * 2.0, double(level)};
      insert.blockIndex = std::uint32_t(level - 1);
      block.inserts.push_back(insert);
    }
    sheet.blocks.push_back(std::move(block));
  }
  InsertFixture top;
  top.level = 65535;
  top.blockIndex = std::uint32_t(levels);
  sheet.inserts.push_back(top);
  document.sheets.push_back(std::move(sheet));
  return WriteNativeFile(document);
}

}  // namespace kvn::test
