// Shared helpers of the document tests: reading fixture bytes through the
// native container reader, and the two-sheet fixture of the golden tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document/NativeFormat.h"
#include "document/cDrawingDoc.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "tests/support/NativeFixture.h"

namespace kvn::test {

struct ReadOutcome {
  std::unique_ptr<cDrawingDoc> document;
  int result = -1;
};

// The bytes read as a native file from memory.
inline ReadOutcome ReadNativeBytes(const std::vector<std::uint8_t>& bytes, const NativeReadOptions& options = {},
                                   bool attributesOnly = false, bool firstSheetOnly = false) {
  ByteArray memory;
  memory.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  ReadOutcome out;
  out.document = std::make_unique<cDrawingDoc>();
  out.document->attributesOnly = attributesOnly ? 1 : 0;
  out.document->firstSheetOnly = firstSheetOnly ? 1 : 0;
  out.result = out.document->ReadNativeContainer(in, options);
  return out;
}

// Two sheets: "Plan" with three pages, three levels, two line styles, a
// block and lines on pages and levels; "Detail" unpaged with one level.
inline FixtureDocument TwoSheetDocument(int version = 3111) {
  FixtureDocument doc;
  doc.version = version;
  doc.comment = u"Two sheets";
  doc.attributes = {{u"Author", u"Tester"}, {u"Project", u"Příliš žluťoučký kůň"}};

  FixtureSheet plan;
  plan.name = u"Plan";
  plan.scale = 50.0;
  plan.levels = {{u"Walls"}, {u"Doors", false}, {u"Text", true, false, 0x0000FF}};
  plan.currentLevel = 1;
  plan.pages = {{u"Ground floor"}, {u"First floor", 1, 0x00FF00}, {u"Roof"}};
  plan.lineStyles = {{u"Thick", 0x000080, 0.7, 1}, {u"Dashed", 0, 0.25, 5}};
  plan.blocks.push_back(FixtureBlock{{{{0, 0}, {1, 1}}, {{1, 0}, {0, 1}}}});
  plan.guides[0] = {30.0, 10.0, 20.0};
  plan.guides[1] = {5.0};
  for (int i = 0; i < 10; ++i) {
    FixtureLine line;
    line.start = {double(i) * 10.0, 0.0};
    line.end = {double(i) * 10.0 + 5.0, 20.0};
    line.level = std::uint16_t(i % 3);
    line.page = std::uint16_t(i % 3);
    line.lineStyle = i < 4 ? i % 2 : -1;
    line.color = 0x102030;
    plan.lines.push_back(line);
  }
  FixtureSheet detail;
  detail.name = u"Detail";
  detail.levels = {{u"0"}};
  detail.fontNames = {u"Arial", u"romans.shx"};
  detail.lines.push_back(FixtureLine{{-5, -5}, {5, 5}, 0, 0, 0x0000FF, 0.5, 1, -1});
  detail.lines.push_back(FixtureLine{{-2, 7.5}, {3.25, -1}, 65535, 4095, 0, 0.25, 1, -1});
  doc.sheets = {plan, detail};
  doc.currentEntry = 1;
  doc.currentPage = 1;
  return doc;
}

// An insert record of block `block` at a point.
inline InsertFixture InsertAt(std::uint32_t block, DPoint at, double angle = 0.0) {
  InsertFixture f;
  f.blockIndex = block;
  f.point = at;
  f.angle = angle;
  return f;
}

// A symbol block (two lines), a block placing it twice with a label and an
// attribute, and the top block placing that, mirrored and recoloured.
inline FixtureDocument NestedInsertDocument(int version) {
  FixtureDocument doc;
  doc.version = version;
  FixtureSheet sheet;
  sheet.name = u"Inserts";
  sheet.levels = {{u"0"}};
  FixtureBlock symbol;
  symbol.lines = {FixtureLine{{0, 0}, {2, 0}, 0}, FixtureLine{{0, 0}, {0, 1}, 0}};
  FixtureBlock pair;
  InsertFixture a = InsertAt(0, {0, 0});
  InsertFixture b = InsertAt(0, {5, 0}, 90);
  b.attributes = {{1, u"TAG", u"K1"}};  // label 0 of files before 3051 shows it
  b.flags = 0x03 | 0x40;
  b.labels[0] = {true, {5, 3}, 0, false, 0, 65535, u"K1"};
  b.name = u"relay";
  pair.inserts = {a, b};
  sheet.blocks = {symbol, pair};
  InsertFixture top = InsertAt(1, {100, 50});
  top.scale = {-2, 2};
  top.color = 0x0000FF;
  sheet.inserts = {top};
  doc.sheets = {sheet};
  if (version < 3065) doc.compressed = false;
  return doc;
}

}  // namespace kvn::test
