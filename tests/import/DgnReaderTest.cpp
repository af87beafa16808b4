// Synthetic DGN files through the element loop and the whole reader: 2-D and
// 3-D headers, cell libraries, colours, fills, circles against arcs, cells
// and shared cell definitions, hidden levels, complex chains, and the
// mended faults (elements out of the plane, short elements, refusals,
// word counts over or into the elements after them by any type, deleted
// elements over live ones or the end marker, tag data, user data that copy
// an element and unnamed types that are no damage).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <numbers>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/ProgressMonitor.h"
#include "document/OpenFailureMessage.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dgn/DgnConvert.h"
#include "import/dgn/DgnReader.h"
#include "foundation/TextFormat.h"
#include "import/records/AciColors.h"
#include "import/records/DirectObject.h"
#include "import/records/ImportLosses.h"
#include "import/records/PolylineRecords.h"
#include "import/records/SimpleRecords.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfReader.h"
#include "model/DgnTable.h"
#include "tests/support/DgnWriter.h"

namespace kvn {
namespace {

using test::DgnElement;
using test::DgnWriter;

struct Read {
  std::unique_ptr<YxxfReader> reader = std::make_unique<YxxfReader>(WString(u"t.dgn"), 3);
  DgnReadOutcome outcome;
  LoadResult signature = kLoadOk;

  std::uint64_t Handed(const char* name) const { return reader->statistics.Handed(ImportSpace::Model, name); }
  std::vector<cOneObjRec*> Records(RecordKind kind, const YxxfBlockRec* block = nullptr) const {
    std::vector<cOneObjRec*> out;
    for (cOneObjRec* r : (block ? *block : reader->defaultBlock).entities) {
      if (r->Kind() == kind) out.push_back(r);
    }
    return out;
  }
  std::uint64_t Entities(const char* name) const {
    auto it = outcome.entities.find(name);
    return it == outcome.entities.end() ? 0 : it->second;
  }
  std::uint64_t Skipped(const char* name, const char* reason) const {
    auto it = outcome.skipped.find(name);
    if (it == outcome.skipped.end()) return 0;
    auto r = it->second.find(reason);
    return r == it->second.end() ? 0 : r->second;
  }
};

Read ReadBytes(const std::vector<std::uint8_t>& bytes) {
  Read r;
  ByteArray array(8);
  array.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(array);
  int dimension = 0;
  r.signature = CheckDgnSignature(in, dimension);
  if (r.signature == kLoadOk) {
    EXPECT_TRUE(ReadDgnElements(in, dimension, *r.reader, nullptr, r.outcome));
  }
  return r;
}

DocumentResult LoadBytes(const std::vector<std::uint8_t>& bytes, DwgLoadReport* report = nullptr,
                         ProgressMonitor* monitor = nullptr) {
  ByteArray array(8);
  array.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(array);
  return LoadDgnStream(in, WString(u"t.dgn"), monitor, report);
}

std::uint32_t Color(std::uint32_t rgb) { return EntityColor(1, std::int32_t(rgb)); }

TEST(DgnReader, HeadersOfBothDimensionsAndCellLibraries) {
  DgnWriter w3(true);
  w3.Add(w3.Tcb()).Add(w3.Arc(15, 2, 1, {10, 20, 7}, 5, 5, 0));
  const std::vector<std::uint8_t> bytes = w3.Bytes();
  ASSERT_EQ(bytes[0], 0xC8);
  ASSERT_EQ(bytes[1], 0x09);
  Read r = ReadBytes(bytes);
  const auto circles = r.Records(RecordKind::Circle);
  ASSERT_EQ(circles.size(), 1u);
  const auto* c = static_cast<const YxxfEntCircle*>(circles[0]);
  EXPECT_EQ(c->centre.z, 7.0);  // read with the 3-D layout
  EXPECT_EQ(c->radius, 5.0);
  EXPECT_EQ(r.reader->layers[c->level]->name.ToUtf8(), "02");

  DgnWriter library;
  library.Add(library.CellLibraryStart()).Add(library.Line(1, 1, {0, 0, 0}, {5, 5, 0}));
  Read lib = ReadBytes(library.Bytes());
  EXPECT_EQ(lib.signature, kLoadOk);
  EXPECT_EQ(lib.Handed("POLYLINE"), 1u);

  // Without a TCB: scale 1, origin 0.
  std::vector<std::uint8_t> noTcb = library.Bytes();
  EXPECT_EQ(ReadBytes(noTcb).reader->layers.Count(), 64u);
}

TEST(DgnReader, TcbScaleOriginAndHiddenLevel) {
  DgnWriter w;
  const std::uint64_t mask = ~(std::uint64_t(1) << 4);  // level 5 off in view 1
  w.Add(w.Tcb(10, 100, {1000, 2000, 0}, mask)).Add(w.Arc(15, 5, 1, {3000, 5000, 0}, 2000, 2000, 0));
  Read r = ReadBytes(w.Bytes());
  const auto circles = r.Records(RecordKind::Circle);
  ASSERT_EQ(circles.size(), 1u);
  const auto* c = static_cast<const YxxfEntCircle*>(circles[0]);
  EXPECT_DOUBLE_EQ(c->centre.x, 2.0);  // 3000 / 1000 - 1
  EXPECT_DOUBLE_EQ(c->centre.y, 3.0);
  EXPECT_DOUBLE_EQ(c->radius, 2.0);
  ASSERT_EQ(r.reader->layers.Count(), 64u);
  for (std::uint32_t i = 0; i < 64; ++i) {
    EXPECT_EQ(r.reader->layers[i]->off, i == 5 ? 1 : 0) << i;
  }
  EXPECT_EQ(r.reader->layers[63]->name.ToUtf8(), "63");
}

TEST(DgnReader, ColoursFromTheDefaultOrTheFileTable) {
  DgnWriter w;
  w.Add(w.Tcb()).Add(w.Arc(15, 1, 255, {0, 0, 0}, 1, 1, 0)).Add(w.Arc(15, 1, 3, {0, 0, 0}, 2, 2, 0));
  std::array<std::uint8_t, 768> table{};
  table[3 * 3] = 0x10;
  table[3 * 3 + 1] = 0x20;
  table[3 * 3 + 2] = 0x30;
  table[3 * 4] = table[3 * 4 + 1] = table[3 * 4 + 2] = 255;
  w.Add(w.ColorTable(table)).Add(w.Arc(15, 1, 3, {0, 0, 0}, 3, 3, 0)).Add(w.Arc(15, 1, 4, {0, 0, 0}, 4, 4, 0));
  Read r = ReadBytes(w.Bytes());
  const auto circles = r.Records(RecordKind::Circle);
  ASSERT_EQ(circles.size(), 4u);
  const auto d = GetDgnTable();
  EXPECT_EQ(circles[0]->color, Color(0xFFFFFF));  // 255 is white
  EXPECT_EQ(circles[1]->color, Color(std::uint32_t(d[9]) << 16 | std::uint32_t(d[10]) << 8 | d[11]));
  EXPECT_EQ(circles[2]->color, Color(0x102030));  // after the colour table
  EXPECT_EQ(circles[3]->color, Color(0));         // a white entry is black
}

TEST(DgnReader, ShapesWithAndWithoutFill) {
  DgnWriter w;
  const std::vector<Vec3> square = {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}, {0, 0, 0}};
  w.Add(w.Tcb()).Add(w.MultiPoint(6, 1, 2, square, 4));
  Read filled = ReadBytes(w.Bytes());
  EXPECT_EQ(filled.Handed("HATCH"), 1u);
  EXPECT_EQ(filled.Handed("POLYLINE"), 1u);
  EXPECT_EQ(filled.Entities("SHAPE"), 1u);
  const auto polylines = filled.Records(RecordKind::Polygon);
  ASSERT_EQ(polylines.size(), 1u);
  EXPECT_EQ(static_cast<const cLoadingPolygon*>(polylines[0])->vertices.size(), 5u);

  DgnWriter plain;
  plain.Add(plain.Tcb()).Add(plain.MultiPoint(6, 1, 2, square));
  Read open = ReadBytes(plain.Bytes());
  EXPECT_EQ(open.Handed("HATCH"), 0u);
  EXPECT_EQ(open.Handed("POLYLINE"), 1u);

  // B-spline poles take the fill of the curve header before them.
  DgnWriter b;
  DgnElement header(46, 0);
  DgnWriter::Finish(header, 27, 1, 1);
  DgnWriter::AddAttributes(header, DgnWriter::FillLinkage(3));
  const DgnElement poles = DgnWriter::AsComponent(b.MultiPoint(21, 1, 1, square));
  b.Add(b.Tcb()).Add(header).Add(poles).Add(b.Line(1, 1, {0, 0, 0}, {1, 1, 0}));
  b.Add(b.MultiPoint(21, 1, 1, square));
  Read spline = ReadBytes(b.Bytes());
  EXPECT_EQ(spline.Handed("HATCH"), 1u);  // the second run of poles follows a line
  EXPECT_EQ(spline.Handed("POLYLINE"), 3u);
  EXPECT_EQ(spline.Entities("BSPLINE_POLE"), 2u);
  const auto fitted = spline.Records(RecordKind::Polygon);
  ASSERT_EQ(fitted.size(), 3u);
  EXPECT_EQ(static_cast<const cLoadingPolygon*>(fitted[0])->curveType, 6u);
}

TEST(DgnReader, FullCircleAgainstAnArcFromTenDegrees) {
  DgnWriter w;
  w.Add(w.Tcb()).Add(w.Arc(16, 1, 1, {1, 2, 0}, 5, 5, 0, 0, 360)).Add(w.Arc(16, 1, 1, {1, 2, 0}, 5, 5, 0, 10, 350));
  w.Add(w.Arc(15, 1, 1, {0, 0, 0}, 6, 3, 90, 0, 360, 2));
  w.Add(w.Arc(16, 1, 1, {0, 0, 0}, 4, 4, 0, 90, -90));
  Read r = ReadBytes(w.Bytes());
  EXPECT_EQ(r.Records(RecordKind::Circle).size(), 1u);
  EXPECT_EQ(r.Handed("ELLIPSE"), 2u);  // the two partial arcs
  const auto ellipses = r.Records(RecordKind::Ellipse);
  ASSERT_EQ(ellipses.size(), 3u);
  const auto* partial = static_cast<const cOneEllipse*>(ellipses[0]);
  EXPECT_NEAR(partial->startParam, 10 * std::numbers::pi / 180, 1e-9);
  EXPECT_NEAR(partial->endParam, 2 * std::numbers::pi, 1e-9);
  const auto* full = static_cast<const cOneEllipse*>(ellipses[1]);
  EXPECT_NEAR(full->ratio, 0.5, 1e-12);
  EXPECT_NEAR(full->majorAxis.y, 6.0, 1e-9);  // turned by 90 degrees
  EXPECT_NEAR(full->startParam, -2 * std::numbers::pi, 1e-12);
  EXPECT_NE(full->fillColor, kNoFill);
  const auto* negative = static_cast<const cOneEllipse*>(ellipses[2]);
  EXPECT_NEAR(negative->startParam, 0.0, 1e-9);  // 90 - 90 .. 90, swapped
  EXPECT_NEAR(negative->endParam, std::numbers::pi / 2, 1e-9);
}

TEST(DgnReader, CellsBecomeBlocksWithOneInsertAndSharedDefinitionsNone) {
  DgnWriter w;
  const DgnElement cell =
      w.Cell("DOOR1", 3, {0, 0, 0}, {w.Line(3, 1, {0, 0, 0}, {1, 0, 0}), w.Text(3, 1, {0, 0, 0}, 1, "D")});
  const DgnElement shared = w.SharedCellDefinition(4, {w.Line(4, 1, {0, 0, 0}, {0, 1, 0})});
  w.Add(w.Tcb()).Add(cell).Add(shared).Add(w.Line(6, 1, {5, 5, 0}, {6, 6, 0}));
  Read r = ReadBytes(w.Bytes());
  ASSERT_EQ(r.reader->blocks.Count(), 2u);
  const YxxfBlockRec* door = r.reader->blocks[0];
  EXPECT_EQ(door->name.ToUtf8(), "DOOR1");
  EXPECT_EQ(door->handle, std::uint64_t(1) << 27);
  EXPECT_EQ(door->entities.Count(), 2u);  // the line's polyline and the text
  EXPECT_EQ(r.reader->blocks[1]->entities.Count(), 1u);
  EXPECT_EQ(r.Handed("INSERT"), 1u);  // none for the shared definition
  const auto inserts = r.Records(RecordKind::Insert);
  ASSERT_EQ(inserts.size(), 1u);
  EXPECT_EQ(r.reader->layers[inserts[0]->level]->name.ToUtf8(), "03");
  // The line after both lands in the drawing, not in a block.
  EXPECT_EQ(r.Records(RecordKind::Polygon).size(), 1u);
  // Components count one by one, headers not.
  EXPECT_EQ(r.Entities("LINE"), 3u);
  EXPECT_EQ(r.Entities("TEXT"), 1u);
  EXPECT_EQ(r.Entities("CELL_HEADER"), 0u);

  // A cell inside a cell nests its block; the outer insert follows the inner.
  DgnWriter n;
  const DgnElement inner = n.Cell("IN", 1, {0, 0, 0}, {n.Line(1, 1, {0, 0, 0}, {1, 1, 0})});
  n.Add(n.Tcb()).Add(n.Cell("OUT", 1, {0, 0, 0}, {inner, n.Line(1, 1, {2, 2, 0}, {3, 3, 0})}));
  Read nested = ReadBytes(n.Bytes());
  ASSERT_EQ(nested.reader->blocks.Count(), 2u);
  EXPECT_EQ(nested.Records(RecordKind::Insert, nested.reader->blocks[0]).size(), 1u);
  EXPECT_EQ(nested.Records(RecordKind::Insert).size(), 1u);
  EXPECT_EQ(nested.reader->blocks[0]->entities.Count(), 2u);
}

TEST(DgnReader, ComplexChainsAreOnePathCountedOnce) {
  DgnWriter w;
  const DgnElement chain = w.Complex(12, 2, 1,
                                     {w.MultiPoint(4, 2, 1, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}),
                                      w.Arc(16, 2, 1, {10, 15, 0}, 5, 5, 0, 270, 180)});
  const DgnElement shape = w.Complex(14, 2, 1, {w.MultiPoint(4, 2, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}})}, 3);
  w.Add(w.Tcb()).Add(chain).Add(shape);
  Read r = ReadBytes(w.Bytes());
  const auto paths = r.Records(RecordKind::Segments);
  ASSERT_EQ(paths.size(), 2u);
  const auto* p = static_cast<const cDirectObject*>(paths[0]);
  EXPECT_EQ(p->closed, 0);
  EXPECT_EQ(p->fillColor, kNoFill);
  ASSERT_EQ(p->segments.size(), 4u);  // two straight ones and the half circle in two quarters
  EXPECT_NEAR(p->segments[2].p[0].x, 10.0, 1e-9);  // the arc starts at 270 degrees: (10, 10)
  EXPECT_NEAR(p->segments[2].p[0].y, 10.0, 1e-9);
  EXPECT_NEAR(p->segments[3].p[3].y, 20.0, 1e-9);
  const auto* s = static_cast<const cDirectObject*>(paths[1]);
  EXPECT_EQ(s->closed, 1);
  EXPECT_NE(s->fillColor, kNoFill);
  EXPECT_EQ(r.Entities("COMPLEX_CHAIN"), 1u);
  EXPECT_EQ(r.Entities("COMPLEX_SHAPE"), 1u);
  EXPECT_EQ(r.Entities("LINE_STRING"), 0u);
  EXPECT_EQ(r.Handed("POLYLINE"), 0u);
}

TEST(DgnReader, ElementsOutOfThePlaneAreDrawnOrCountedNotLost) {
  DgnWriter w(true);
  const std::array<double, 4> tilted{std::sqrt(0.5), std::sqrt(0.5), 0.0, 0.0};
  const DgnElement chain = w.Complex(12, 1, 1,
                                     {w.MultiPoint(4, 1, 1, {{0, 0, 0}, {10, 0, 0}}),
                                      w.Arc(16, 1, 1, {10, 0, 0}, 5, 5, 0, 0, 90, -1, &tilted)});
  w.Add(w.Tcb()).Add(w.Arc(15, 1, 1, {0, 0, 3}, 4, 2, 0, 0, 360, -1, &tilted)).Add(chain);
  w.Add(w.Text(1, 1, {0, 0, 0}, 1, "UP", 0, &tilted)).Add(w.Text(1, 1, {0, 0, 0}, 1, "FLAT"));
  Read r = ReadBytes(w.Bytes());
  const auto paths = r.Records(RecordKind::Segments);
  ASSERT_EQ(paths.size(), 2u);
  const auto* ellipse = static_cast<const cDirectObject*>(paths[0]);
  EXPECT_EQ(ellipse->closed, 1);
  double zMax = 0;
  for (const Cubic3D& c : ellipse->segments) zMax = std::max(zMax, c.p[3].z);
  EXPECT_NEAR(zMax, 5.0, 1e-6);  // 3 + the secondary axis turned onto z
  // The chain keeps its straight component and the arc in 3-D.
  const auto* path = static_cast<const cDirectObject*>(paths[1]);
  ASSERT_GE(path->segments.size(), 2u);
  EXPECT_EQ(path->segments[0].p[3].x, 10.0);
  EXPECT_EQ(r.Entities("ELLIPSE"), 1u);
  EXPECT_EQ(r.Entities("COMPLEX_CHAIN"), 1u);
  EXPECT_EQ(r.Skipped("TEXT", kDgnSkipNonPlanar), 1u);
  EXPECT_EQ(r.Entities("TEXT"), 1u);
  const auto texts = r.Records(RecordKind::Text);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(static_cast<cOneText*>(texts[0])->text.ToUtf8(), "FLAT");
}

TEST(DgnReader, DeletedShortAndUndrawnElementsAreCounted) {
  DgnWriter w;
  DgnElement tiny(36, 0);
  DgnWriter::Finish(tiny, 16, 1, 0);
  DgnElement cone(60, 0);
  DgnWriter::Finish(cone, 23, 1, 0);
  w.Add(w.Tcb()).Add(DgnWriter::Deleted(w.Line(1, 1, {0, 0, 0}, {1, 1, 0}))).Add(tiny).Add(cone);
  w.Add(w.Line(1, 1, {0, 0, 0}, {2, 2, 0}));
  Read r = ReadBytes(w.Bytes());
  EXPECT_EQ(r.Skipped("LINE", kDgnSkipDeleted), 1u);
  EXPECT_EQ(r.Skipped("ARC", kDgnSkipCutShort), 1u);
  EXPECT_EQ(r.Skipped("CONE", kDgnSkipNotDrawn), 1u);
  EXPECT_EQ(r.Entities("LINE"), 1u);
  EXPECT_EQ(r.Handed("POLYLINE"), 1u);
  EXPECT_TRUE(r.outcome.readToEnd);

  // Elements of types without a name are read and left out, counted by
  // their number.
  DgnWriter u;
  u.Add(u.Tcb());
  for (int type : {0, 101, 127, 101}) {
    DgnElement retyped = u.Line(1, 1, {0, 0, 0}, {1, 1, 0});
    retyped[1] = std::uint8_t(type);
    u.Add(retyped);
  }
  Read unknown = ReadBytes(u.Bytes());
  EXPECT_EQ(unknown.Skipped("TYPE_0", kDgnSkipUnknownType), 1u);
  EXPECT_EQ(unknown.Skipped("TYPE_101", kDgnSkipUnknownType), 2u);
  EXPECT_EQ(unknown.Skipped("TYPE_127", kDgnSkipUnknownType), 1u);
  EXPECT_EQ(unknown.outcome.overlong, 0u);

  // An element whose word count passes the end ends the loop with a read error.
  std::vector<std::uint8_t> cut = w.Bytes();
  cut.resize(cut.size() - 2 - 10);
  Read c = ReadBytes(cut);
  EXPECT_FALSE(c.outcome.readToEnd);
  EXPECT_EQ(c.Skipped("LINE", kDgnSkipCutShort), 1u);
  EXPECT_EQ(c.Entities("LINE"), 0u);
}

TEST(DgnReader, DamagedLengthsAndEndsAreToldAndWhatWasReadShown) {
  InvalidateLangTable();
  DgnWriter w;
  w.Add(w.Tcb()).Add(w.Line(1, 1, {0, 0, 0}, {1, 1, 0}));
  const std::vector<std::uint8_t> whole = w.Bytes();
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
    bool partial;
  };
  std::vector<std::uint8_t> noMarker = whole;
  noMarker.resize(noMarker.size() - 2);
  std::vector<std::uint8_t> padded = whole;
  padded.resize(padded.size() + 510, 0xEE);  // the rest of the last sector
  std::vector<std::uint8_t> early = whole;
  early.resize(early.size() + 1024, 0xEE);  // whole sectors after the marker
  // A word count damaged upwards: the line covers the one after it.
  DgnWriter ow;
  DgnElement covering = ow.Line(1, 1, {0, 0, 0}, {1, 1, 0});
  const DgnElement covered = ow.Line(1, 1, {2, 2, 0}, {3, 3, 0});
  DgnWriter::PutU16(covering, 2, std::uint16_t((covering.size() + covered.size() - 4) / 2));
  ow.Add(ow.Tcb()).Add(covering).Add(covered);
  std::vector<std::uint8_t> zeroSectors = padded;
  zeroSectors.resize(zeroSectors.size() + 1024, 0);
  // Attribute data after the fields is no damage.
  DgnWriter fw;
  fw.Add(fw.Tcb()).Add(fw.MultiPoint(6, 1, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 0}}, 3));
  // Any type: a cone whose count covers the line after it.
  DgnElement cone(60, 0);
  DgnWriter::Finish(cone, 23, 1, 0);
  DgnWriter::PutU16(cone, 2, std::uint16_t((cone.size() + covered.size() - 4) / 2));
  DgnWriter cw0;
  cw0.Add(cw0.Tcb()).Add(cone).Add(covered);
  // A cell whose total length ends before its second component.
  DgnWriter sc;
  DgnElement shortCell = sc.Cell("S", 1, {0, 0, 0}, {covered, covered});
  DgnWriter::PutU16(shortCell, 36, std::uint16_t(shortCell[36] - 4));
  sc.Add(sc.Tcb()).Add(shortCell).Add(covered);
  // A deleted cell's count spans its deleted components.
  DgnWriter dc;
  DgnElement freed = dc.Cell("D", 1, {0, 0, 0}, {covered});
  DgnWriter::PutU16(freed, 2, std::uint16_t((freed.size() - 4) / 2));
  dc.Add(dc.Tcb()).Add(DgnWriter::Deleted(freed)).Add(covered);
  // A text node whose tag data open with a block of their own (no linkage
  // the walk knows), then a linkage whose first word is 0x8000 and user
  // data: intact, though its linkages cannot be walked.
  DgnElement node(52, 0);
  DgnWriter::Finish(node, 7, 1, 0);
  DgnWriter::PutU16(node, 32, 0x4600);
  DgnWriter::AddAttributes(node, {0x03, 0x00, 0x12, 0x00, 0x0f, 0x02, 0x00, 0x01,  // tag block
                                  0x00, 0x80, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00,  // 0x8000 linkage
                                  0x05, 0x10, 0x34, 0x12, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08});
  DgnWriter nw;
  nw.Add(nw.Tcb()).Add(node).Add(covered);
  // Two elements of a type without a name here, whose words 14-17 are no
  // display header (read as one, the attribute index would end the data at
  // byte 36), right after the design file header.
  DgnElement unnamed(512, 0);
  for (std::size_t i = 36; i < unnamed.size(); ++i) unnamed[i] = std::uint8_t(i * 7);
  DgnWriter::Finish(unnamed, 56, 0, 0);
  const std::uint8_t notADisplayHeader[8] = {0x01, 0x00, 0x02, 0x00, 0x0a, 0x00, 0xff, 0x7f};
  std::copy(std::begin(notADisplayHeader), std::end(notADisplayHeader), unnamed.begin() + 28);
  DgnWriter uw;
  uw.Add(uw.Tcb()).Add(unnamed).Add(unnamed).Add(covered);
  // Elements whose count covers the line after them, by type: a type without
  // a display header or without a name is judged by the whole element its
  // count swallowed.
  auto over = [&](DgnElement e, int type) {
    e[1] = std::uint8_t(type);
    DgnWriter::PutU16(e, 2, std::uint16_t((e.size() + covered.size() - 4) / 2));
    DgnWriter x;
    x.Add(x.Tcb()).Add(e).Add(covered).Add(covered);
    return x.Bytes();
  };
  const DgnElement text = ow.Text(1, 1, {0, 0, 0}, 1, "T");
  // A count that ends in the middle of the second line after the element,
  // at its word 14, where the reader meets 00 00 0a 00 (a type-0 header
  // whose count ends with the line), with more lines to follow.
  auto into = [&](int type) {
    DgnElement e = covering;
    e[1] = std::uint8_t(type);
    DgnWriter::PutU16(e, 2, std::uint16_t((e.size() + covered.size() + 28 - 4) / 2));
    DgnWriter x;
    x.Add(x.Tcb()).Add(e);
    for (int i = 0; i < 6; ++i) x.Add(ow.Line(1, 1, {100.0 * i, 7, 0}, {100.0 * i + 50, 9000, 0}));
    return x.Bytes();
  };
  // A line with an honest user-data linkage, then with its count over the
  // text or arc after it, whose header (type bit 0x10) reads as a user-data
  // linkage of its own.
  DgnElement userLine = ow.Line(1, 1, {0, 0, 0}, {1, 1, 0});
  DgnWriter::AddAttributes(userLine, {0x03, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  const DgnElement arc = ow.Arc(16, 1, 1, {5, 5, 0}, 3, 3, 0, 0, 90);
  auto userOver = [&](const DgnElement& next, bool swallow) {
    DgnElement e = userLine;
    if (swallow) DgnWriter::PutU16(e, 2, std::uint16_t((e.size() + next.size() - 4) / 2));
    DgnWriter x;
    x.Add(x.Tcb()).Add(e).Add(next).Add(covered);
    return x.Bytes();
  };
  // A type-32 element whose count runs over the last line and the end
  // marker into the zero padding of the last sector, which ends in FF FF.
  std::vector<std::uint8_t> pastMarker = [&] {
    DgnElement e = covering;
    e[1] = 32;
    DgnWriter x;
    x.Add(x.Tcb()).Add(e).Add(covered);
    std::vector<std::uint8_t> b = x.Bytes();
    const std::size_t at = b.size() - 2 - covered.size() - e.size();
    b.resize(b.size() + 200, 0);
    b.push_back(0xFF);
    b.push_back(0xFF);
    DgnWriter::PutU16(b, at + 2, std::uint16_t((e.size() + covered.size() + 2 + 100 - 4) / 2));
    return b;
  }();
  // A user-data linkage whose data are a copy of the text after the line
  // (the walk ends just where the copy ends), then with the line's count
  // over that text too.
  auto copyOver = [&](bool swallow) {
    DgnElement e = ow.Line(1, 1, {0, 0, 0}, {1, 1, 0});
    std::vector<std::uint8_t> copy = {std::uint8_t(text.size() / 2), 0x10};
    copy.insert(copy.end(), text.begin(), text.end());
    DgnWriter::AddAttributes(e, copy);
    if (swallow) DgnWriter::PutU16(e, 2, std::uint16_t((e.size() + text.size() - 4) / 2));
    DgnWriter x;
    x.Add(x.Tcb()).Add(e).Add(text).Add(covered);
    return x.Bytes();
  };
  // A deleted element whose count covers what follows it (`then`, which the
  // file holds after it), before a live line.
  auto deletedOver = [&](DgnElement e, const std::vector<std::uint8_t>& then) {
    DgnWriter::PutU16(e, 2, std::uint16_t((e.size() + then.size() - 4) / 2));
    e = DgnWriter::Deleted(e);
    e.insert(e.end(), then.begin(), then.end());
    DgnWriter x;
    x.Add(x.Tcb()).Add(e).Add(covered);
    return x.Bytes();
  };
  const DgnElement deletedLine = DgnWriter::Deleted(covered);
  std::vector<std::uint8_t> deletedTwice = deletedLine;
  deletedTwice.insert(deletedTwice.end(), deletedLine.begin(), deletedLine.end());
  DgnElement userDeleted = covering;
  DgnWriter::AddAttributes(userDeleted, {0x03, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06});
  // Space freed and left as it was: bytes that read as no header.
  const std::vector<std::uint8_t> unused(40, 0xEE);
  // The last element (deleted or not), its count run over the end marker
  // into the zero padding of the last sector, which ends in FF FF.
  auto lastPastMarker = [&](const DgnElement& e) {
    DgnWriter x;
    x.Add(x.Tcb()).Add(covered).Add(e);
    std::vector<std::uint8_t> b = x.Bytes();
    const std::size_t at = b.size() - 2 - e.size();
    b.resize(b.size() + 200, 0);
    b.push_back(0xFF);
    b.push_back(0xFF);
    DgnWriter::PutU16(b, at + 2, std::uint16_t((e.size() + 2 + 100 - 4) / 2));
    return b;
  };
  DgnElement type32 = ow.Line(1, 1, {0, 0, 0}, {1, 1, 0});
  type32[1] = 32;
  // Its own data may end in FF FF just before the end marker.
  DgnElement endsInFfff = type32;
  endsInFfff[endsInFfff.size() - 2] = endsInFfff[endsInFfff.size() - 1] = 0xFF;
  // A deleted cell over its components and the line after them.
  DgnElement spanning = ow.Cell("D", 1, {0, 0, 0}, {covered});
  DgnWriter::PutU16(spanning, 2, std::uint16_t((spanning.size() - 4) / 2));
  // A complex chain whose second component lost its complex bit.
  auto chain = [&](bool broken) {
    DgnElement c = ow.Complex(12, 1, 1,
                              {ow.MultiPoint(4, 1, 1, {{0, 0, 0}, {10, 0, 0}}),
                               ow.MultiPoint(4, 1, 1, {{10, 0, 0}, {10, 10, 0}})});
    DgnWriter x;
    x.Add(x.Tcb()).Add(c).Add(covered);
    std::vector<std::uint8_t> b = x.Bytes();
    if (broken) {
      // The components follow the header: find the second by the word counts.
      std::size_t at = 1536;
      for (int k = 0; k < 2; ++k) at += 4 + 2 * std::size_t(b[at + 2] | b[at + 3] << 8);
      b[at] &= 0x7F;
    }
    return b;
  };
  const Case cases[] = {
      {"whole", whole, false},
      {"a line with user data before a text", userOver(text, false), false},
      {"a line with user data over the next text", userOver(text, true), true},
      {"a line with user data over the next arc", userOver(arc, true), true},
      {"a type-32 element over the end marker into zero padding", pastMarker, true},
      {"a whole complex chain", chain(false), false},
      {"a complex chain whose component lost its complex bit", chain(true), true},
      {"a text node with tag data", nw.Bytes(), false},
      {"unnamed elements after the design file header", uw.Bytes(), false},
      {"a text over the next line", over(text, 17), true},
      {"a text node with tag data over the next line", over(node, 7), true},
      {"an unnamed element over the next line", over(unnamed, 56), true},
      {"a type-0 element over the next line", over(covering, 0), true},
      {"a cell library element over the next line", over(covering, 1), true},
      {"a type-32 element over the next line", over(covering, 32), true},
      {"a type-0 element into the middle of a line", into(0), true},
      {"ended without its marker", noMarker, true},
      {"marker in the last sector", padded, false},
      {"marker with sectors after it", early, true},
      {"marker with zero sectors after it", zeroSectors, false},
      {"a line over the next element", ow.Bytes(), true},
      {"a cone over the next element", cw0.Bytes(), true},
      {"a component past the end of its cell", sc.Bytes(), true},
      {"a deleted cell over its components", dc.Bytes(), false},
      {"a deleted cell over its components and the next line", deletedOver(spanning, covered), true},
      {"a deleted line over the next line", deletedOver(covering, covered), true},
      {"a deleted line with user data over the next line", deletedOver(userDeleted, covered), true},
      {"a deleted line over two deleted lines", deletedOver(covering, deletedTwice), false},
      {"a deleted line with user data over a deleted line", deletedOver(userDeleted, deletedLine), false},
      {"a deleted line over unused bytes", deletedOver(covering, unused), false},
      {"an unnamed deleted element over unused bytes", deletedOver(unnamed, unused), false},
      {"a deleted line over the end marker into zero padding", lastPastMarker(deletedLine), true},
      {"a type-32 element, the last, over the end marker into zero padding", lastPastMarker(type32), true},
      {"a type-32 element whose data end in FF FF before the end marker", [&] {
         DgnWriter x;
         x.Add(x.Tcb()).Add(covered).Add(endsInFfff);
         std::vector<std::uint8_t> b = x.Bytes();
         b.resize(b.size() + 200, 0);
         return b;
       }(), false},
      {"a deleted type-32 element over the end marker into zero padding", lastPastMarker(DgnWriter::Deleted(type32)),
       true},
      {"a line with a copy of the next text as user data", copyOver(false), false},
      {"a line with a copy of the next text as user data over that text", copyOver(true), true},
      {"a shape with its fill linkage", fw.Bytes(), false},
  };
  for (const Case& c : cases) {
    DocumentResult result = LoadBytes(c.bytes);
    ASSERT_TRUE(result.Ok()) << c.what;
    EXPECT_EQ(result.Partial(), c.partial) << c.what;
  }

  // A cell whose length passes the end of the file is placed with every
  // element it gathered, and the file is told read in part.
  DgnWriter cw;
  DgnElement cell = cw.Cell("LONG", 2, {0, 0, 0}, {cw.Line(2, 1, {0, 0, 0}, {1, 0, 0})});
  DgnWriter::PutU16(cell, 36, 0xFFF0);
  cw.Add(cw.Tcb()).Add(cell).Add(cw.Line(2, 1, {5, 5, 0}, {6, 6, 0}));
  Read r = ReadBytes(cw.Bytes());
  EXPECT_FALSE(r.outcome.readToEnd);
  ASSERT_EQ(r.reader->blocks.Count(), 1u);
  EXPECT_EQ(r.reader->blocks[0]->entities.Count(), 2u);
  EXPECT_EQ(r.Records(RecordKind::Insert).size(), 1u);
  DocumentResult gathered = LoadBytes(cw.Bytes());
  ASSERT_TRUE(gathered.Ok());
  EXPECT_TRUE(gathered.Partial());

  // An element too short for its type within the file: left out and counted
  // in the warnings.
  DgnWriter sw;
  DgnElement tiny(36, 0);
  DgnWriter::Finish(tiny, 16, 1, 0);
  sw.Add(sw.Tcb()).Add(tiny).Add(sw.Line(1, 1, {0, 0, 0}, {2, 2, 0}));
  DocumentResult shortened = LoadBytes(sw.Bytes());
  ASSERT_TRUE(shortened.Ok());
  EXPECT_TRUE(shortened.Partial());
  const WString told = FormatPercentS(LoadLangString(kStrLostDamagedRecords), WString(u"1"));
  ASSERT_EQ(shortened.Warnings().size(), 1u);
  EXPECT_EQ(shortened.Warnings()[0].ToUtf8(), told.ToUtf8());
}

TEST(DgnReader, RefusalsAndTheWholeDocument) {
  SetLanguageIndex(2);
  InvalidateLangTable();  // a table loaded earlier in the process may be another language's
  std::vector<std::uint8_t> ole = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1, 0, 0, 0, 0};
  DocumentResult v8 = LoadBytes(ole);
  EXPECT_EQ(v8.Code(), kOpenDgnFailed);
  EXPECT_EQ(v8.Cause(), kOpenDgnV8);
  const WString path(u"/x/plan.dgn");
  const std::string text = MakeOpenFailureMessage(v8, path).text.ToUtf8();
  EXPECT_NE(text.find("Error - format DGN (V8 version) is not supported."), std::string::npos) << text;
  EXPECT_NE(text.find("/x/plan.dgn"), std::string::npos);
  for (const std::vector<std::uint8_t>& bad :
       {std::vector<std::uint8_t>{0x08, 0x09, 0xFE, 0x02, 0, 0}, std::vector<std::uint8_t>(100, 0),
        std::vector<std::uint8_t>{0xC8, 0x05, 0x17, 0x00, 0, 0, 0, 0, 0, 0, 0}}) {
    DocumentResult r = LoadBytes(bad);
    EXPECT_EQ(r.Code(), kOpenDgnFailed);
    EXPECT_EQ(r.Cause(), kOpenDgnNotDgn);
    EXPECT_NE(MakeOpenFailureMessage(r, path).text.ToUtf8().find("Cannot open file."), std::string::npos);
  }
  InvalidateLangTable();

  DgnWriter w;
  w.Add(w.Tcb(10, 100)).Add(w.Line(1, 1, {0, 0, 0}, {1000, 1000, 0}));
  w.Add(w.Cell("C", 2, {0, 0, 0}, {w.Arc(15, 2, 3, {0, 0, 0}, 500, 500, 0)}));
  DwgLoadReport report;
  DocumentResult doc = LoadBytes(w.Bytes(), &report);
  ASSERT_TRUE(doc.Ok());
  EXPECT_TRUE(doc.Warnings().empty());
  EXPECT_EQ(report.format, "DGN");
  EXPECT_EQ(report.version, "V7");
  EXPECT_EQ(report.layers.size(), 64u);
  EXPECT_EQ(report.blocks.size(), 1u);
  EXPECT_EQ(report.entities["LINE"], 1u);
  EXPECT_EQ(report.entities["ELLIPSE"], 1u);

  // A cancelled monitor gives no document.
  ProgressMonitor monitor;
  monitor.Cancel();
  DocumentResult cancelled = LoadBytes(w.Bytes(), nullptr, &monitor);
  EXPECT_EQ(cancelled.Code(), kOpenCancelled);
  EXPECT_EQ(monitor.Title().ToUtf8(), "DGN");
}

}  // namespace
}  // namespace kvn
