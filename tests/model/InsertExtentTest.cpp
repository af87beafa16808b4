// The extents an insert keeps from its expansion, bit for bit against the
// children asked one extent at a time (plain, with strokes, full), over
// inserts turned, mirrored, scaled and nested, of empty blocks and of
// blocks with lines, arcs, circles, polygons with holes, hatches and texts.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "model/cArc.h"
#include "model/cBlock.h"
#include "model/cCircle.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cPolygon.h"
#include "model/cText.h"

namespace kvn {
namespace {

struct DataRef {
  DataRef() : data(new cDrawingData()) { data->AddRef(); }
  ~DataRef() { data->Release(); }
  cDrawingData* data;
};

cOutObj* Line(DPoint a, DPoint b, double width) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.width = width;
  line->MarkDirty();
  return line;
}

cOutObj* Arc(DPoint s, DPoint m, DPoint e, double width) {
  auto* arc = new cArc();
  arc->start = s;
  arc->middle = m;
  arc->end = e;
  arc->stroke.width = width;
  arc->MarkDirty();
  return arc;
}

cOutObj* Circle(DPoint centre, double radius) {
  auto* circle = new cCircle();
  circle->p1 = DPoint{centre.x - radius, centre.y - radius};
  circle->p2 = DPoint{centre.x + radius, centre.y + radius};
  circle->stroke.width = 0.35;
  circle->MarkDirty();
  return circle;
}

// A filled square with a square hole; `hatch` gives it a hatch kind.
cOutObj* Hatch(DPoint at, double size, std::uint8_t hatch) {
  auto* polygon = new cPolygon();
  const DPoint outer[4] = {at, {at.x + size, at.y}, {at.x + size, at.y + size}, {at.x, at.y + size}};
  polygon->FirstList().SetPoints(outer, 4);
  const double q = size / 4;
  const DPoint inner[4] = {{at.x + q, at.y + q}, {at.x + 3 * q, at.y + q}, {at.x + 3 * q, at.y + 3 * q},
                           {at.x + q, at.y + 3 * q}};
  polygon->AddList().SetPoints(inner, 4);
  polygon->fill.fillColor = 0x00336699;
  polygon->fill.hatchKind = hatch;
  polygon->stroke.width = 0.5;
  polygon->MarkDirty();
  return polygon;
}

cOutObj* Text(const char16_t* source, DPoint at, double angle) {
  auto* text = new cText();
  text->SetText(WString(source));
  text->attr.height = 2.5;
  text->point = at;
  text->angle = angle;
  text->MarkDirty();
  return text;
}

std::uint32_t AddBlock(cDrawingData* data, std::initializer_list<cOutObj*> objects) {
  auto* block = new cBlock();
  ObjectChain chain;
  for (cOutObj* o : objects) chain.Append(o);
  block->AppendChain(std::move(chain));
  return data->AddBlock(block);
}

cInsert* Place(std::uint32_t block, DPoint at, double angle, DPoint scale) {
  auto* insert = new cInsert();
  insert->blockIndex = block;
  insert->point = at;
  insert->angle = angle;
  insert->scale = scale;
  insert->MarkDirty();
  return insert;
}

bool SameBits(const DRect& a, const DRect& b) { return std::memcmp(&a, &b, sizeof(DRect)) == 0; }

std::string Show(const DRect& r) {
  char text[160];
  std::snprintf(text, sizeof text, "%a %a %a %a", r.x1, r.y1, r.x2, r.y2);
  return text;
}

// The three extents from the insert's children, each child asked for each
// extent on its own (starting from the insertion point, as the insert does).
struct Extents {
  DRect plain, stroke, full;
};

Extents FromChildren(cInsert& insert, cDrawingData* data) {
  const DRect start{insert.point.x, insert.point.y, insert.point.x, insert.point.y};
  Extents e{start, start, start};
  bool firstFull = true, firstStroke = true, firstPlain = true;
  for (std::size_t i = 0; i < insert.Children().Count(); ++i) {
    cOutObj& child = *insert.Children()[i].object;
    DRect plainRect, strokeRect, fullRect;
    child.GetExtentUpdated(data, plainRect);
    child.GetStrokeExtent(data, strokeRect);
    child.GetFullExtent(data, fullRect);
    e.full.Union(fullRect, firstFull);
    if (!child.HasFlag(kFlagInsertGenerated)) {
      e.plain.Union(plainRect, firstPlain);
      e.stroke.Union(strokeRect, firstStroke);
    }
  }
  if (insert.GetBlock(data) && !insert.GetBlock(data)->FirstObject()) {
    e.full.Union(DRect{insert.point.x, insert.point.y, insert.point.x, insert.point.y}, firstFull);
  }
  return e;
}

TEST(InsertExtentTest, KeptExtentsEqualTheChildrenAskedOneExtentAtATime) {
  DataRef d;
  cDrawingData* data = d.data;
  const std::uint32_t lines = AddBlock(data, {Line({0, 0}, {1, 0}, 0.25), Line({1, 0}, {1, 1}, 0)});
  const std::uint32_t arcs = AddBlock(data, {Arc({1, 0}, {0.7071067811865476, 0.7071067811865476}, {0, 1}, 0.5),
                                             Arc({3, 0}, {2, -1}, {1, 0}, 0), Circle({0.5, 0.5}, 0.25)});
  const std::uint32_t hatches = AddBlock(data, {Hatch({0, 0}, 4, 0), Hatch({5, 1}, 2, 1)});
  const std::uint32_t texts = AddBlock(data, {Text(u"Label 17", {0, 0}, 0), Text(u"x", {2, 3}, 30)});
  const std::uint32_t empty = AddBlock(data, {});
  const std::uint32_t mixed = AddBlock(data, {Line({-1, -1}, {2, 3}, 0.7), Arc({0, 2}, {1, 3}, {2, 2}, 0.1),
                                              Hatch({1, 1}, 1, 0), Text(u"mixed", {0, -2}, 0)});
  const std::uint32_t nested = AddBlock(data, {Place(mixed, {3, 4}, 30, {1, 1}), Line({0, 0}, {2, 0}, 0.35),
                                               Place(arcs, {-2, 1}, -45, {2, -2}), Place(empty, {7, 7}, 0, {1, 1})});
  const std::uint32_t deeper = AddBlock(data, {Place(nested, {1, 1}, 90, {0.5, 0.5}), Circle({9, 9}, 1)});

  struct Case {
    std::uint32_t block;
    DPoint at;
    double angle;
    DPoint scale;
  };
  const std::uint32_t blocks[] = {lines, arcs, hatches, texts, empty, mixed, nested, deeper};
  const double angles[] = {0, 90, -90, 180, 37.5, -123.456, 0.6180339887498949 * 360 - 180};
  const DPoint scales[] = {{1, 1}, {-1, 1}, {1, -1}, {2.5, 2.5}, {0.3, 1.7}, {-0.75, -0.75}};
  std::vector<Case> cases;
  int k = 0;
  for (std::uint32_t block : blocks)
    for (double angle : angles)
      for (DPoint scale : scales) {
        ++k;
        cases.push_back(Case{block, DPoint{k * 10.25 - 300, k * -3.125 + 77.7}, angle, scale});
      }

  for (const Case& c : cases) {
    std::unique_ptr<cInsert> insert(Place(c.block, c.at, c.angle, c.scale));
    insert->UpdateIfDirty(data);
    DRect plain, stroke, full;
    insert->GetExtent(plain);
    insert->GetStrokeExtent(data, stroke);
    insert->GetFullExtent(data, full);
    const Extents expected = FromChildren(*insert, data);
    const std::string what = "block " + std::to_string(c.block) + " angle " + std::to_string(c.angle) + " scale " +
                             std::to_string(c.scale.x) + "," + std::to_string(c.scale.y);
    EXPECT_TRUE(SameBits(plain, expected.plain)) << what << ": " << Show(plain) << " / " << Show(expected.plain);
    EXPECT_TRUE(SameBits(stroke, expected.stroke)) << what << ": " << Show(stroke) << " / " << Show(expected.stroke);
    EXPECT_TRUE(SameBits(full, expected.full)) << what << ": " << Show(full) << " / " << Show(expected.full);
  }
  EXPECT_EQ(cases.size(), 8u * 7u * 6u);
}

}  // namespace
}  // namespace kvn
