// What a multileader draws besides its leader lines and text, read from a
// DXF file: the frame around its laid-out text when the entity asks for one
// (at the landing gap), its block content placed as an insert of the block
// (position, scale, rotation, colour), and the arrowhead block of the entity
// or of the leader line in place of the closed filled arrow.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cPolygon.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

constexpr double kPi = 3.14159265358979323846;

struct Case {
  const char* name;
  bool framed;
  double gap;               // context 145
  const char* content;      // the block record of the block content, or null for text
  const char* entityArrow;  // 342 after the context data, or null
  const char* lineArrow;    // 341 of the leader line, or null
  // Expected: the names of the inserts in file order, and whether the
  // closed filled arrow is drawn.
  std::vector<std::string> inserts;
  bool filledArrow;
  // The context's arrow size (140, 0: not written); the entity's 42 is 1.5.
  double contextArrow = 1.5;
};

const Case kCases[] = {
    {"plain text", false, 1.0, nullptr, nullptr, nullptr, {}, true},
    {"framed text", true, 1.0, nullptr, nullptr, nullptr, {}, true},
    {"framed text, wide gap", true, 3.0, nullptr, nullptr, nullptr, {}, true},
    {"block content", false, 1.0, "1A0", nullptr, nullptr, {"CONTENT"}, true},
    {"arrow of the entity", false, 1.0, nullptr, "1B0", nullptr, {"DOTARROW"}, false},
    {"arrow of the line first", false, 1.0, nullptr, "1B0", "1C0", {"TICKARROW"}, false},
    {"arrow handle 0 is the filled arrow", false, 1.0, nullptr, "0", nullptr, {}, true},
    {"block content with its arrow", true, 1.0, "1A0", "1B0", nullptr, {"CONTENT", "DOTARROW"}, false},
    // Handles that name no block (a damaged file) draw nothing in their place.
    {"arrow block missing", false, 1.0, nullptr, "1D0", nullptr, {}, false},
    {"content block missing", false, 1.0, "1D0", "1D0", nullptr, {}, false},
    // Under an annotation scale the context's size is the one drawn.
    {"arrow twice as large in the context", false, 1.0, nullptr, "1B0", nullptr, {"DOTARROW"}, false, 3.0},
    {"no size in the context: the entity's", false, 1.0, nullptr, "1B0", nullptr, {"DOTARROW"}, false, 0.0},
};

// Blocks with a handle and the handle of their block record (330), as the
// multileader names them.
void BlockWithRecord(DxfWriter& w, const char* name, const char* handle, const char* record, double x2, double y2) {
  w.Str(0, "BLOCK").Str(5, handle).Str(330, record).Str(8, "0").Str(2, name).Int(70, 0).Point(10, 0, 0);
  w.Str(0, "LINE").Str(8, "0").Int(62, 0).Point(10, 0, 0).Point(11, x2, y2);
  w.EndBlock();
}

std::string Drawing(const Case& c) {
  DxfWriter w;
  w.Section("BLOCKS");
  BlockWithRecord(w, "CONTENT", "19F", "1A0", 2, 0);
  BlockWithRecord(w, "DOTARROW", "1AF", "1B0", -1, 0);
  BlockWithRecord(w, "TICKARROW", "1BF", "1C0", -1, 0);
  w.EndSection();
  w.Section("ENTITIES").Str(0, "MULTILEADER").Str(5, "200").Str(8, "0").Int(270, 2);
  w.Str(300, "CONTEXT_DATA{").Real(40, 1.0).Point(10, 20, 10).Real(41, 2.0);
  if (c.contextArrow > 0) w.Real(140, c.contextArrow);
  w.Real(145, c.gap);
  if (c.content) {
    // The block at (30, 5), twice as large, turned a quarter, in blue.
    w.Int(290, 0).Int(296, 1).Str(341, c.content).Point(14, 0, 0, 1).Point(15, 30, 5).Point(16, 2, 2, 1);
    w.Real(46, kPi / 2).Int(93, int(0xC20000FF));
  } else {
    w.Int(290, 1).Str(304, "Note").Point(11, 0, 0, 1).Str(340, "0").Point(12, 20, 10).Point(13, 1, 0);
    w.Real(43, 0.0).Int(90, int(0xC0000000)).Int(171, 1).Real(141, 1.5).Int(292, 0).Int(295, 1).Int(296, 0);
  }
  w.Point(110, 0, 0).Point(111, 1, 0).Point(112, 0, 1).Int(297, 0);
  w.Str(302, "LEADER{").Int(290, 1).Int(291, 1).Point(10, 18, 10).Point(11, 1, 0).Int(90, 0).Real(40, 2.0);
  w.Str(304, "LEADER_LINE{").Point(10, 0, 0).Int(91, 0);
  if (c.lineArrow) w.Real(40, 1.5).Str(341, c.lineArrow);
  w.Str(305, "}").Int(271, 0).Str(303, "}");
  w.Str(301, "}").Str(340, "0").Int(90, 0).Int(170, 1).Real(41, 2.0);
  if (c.entityArrow) w.Str(342, c.entityArrow);
  w.Real(42, 1.5).Int(172, c.content ? 1 : 2).Int(292, c.framed ? 1 : 0);
  w.EndSection().Eof();
  return w.Bytes();
}

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/multileader.dxf"), nullptr, nullptr);
}

cPolygon* PolygonOf(cOutObj* o) {
  cAnyFill* fill = o ? o->AsAnyFill() : nullptr;
  return fill ? fill->AsPolygon() : nullptr;
}

DRect ExtentOf(cOutObj& o, cDrawingData* data) {
  DRect r;
  o.GetExtentUpdated(data, r);
  r.Normalize();
  return r;
}

TEST(DxfMultileaderContentTest, FramesBlocksAndArrowheadsAsTheFileAsks) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    DocumentResult result = Load(Drawing(c));
    ASSERT_TRUE(result.Ok());
    cSheet& sheet = *result.Document()->GetFirstSheet();
    cDrawingData* data = sheet.Data();
    std::vector<cInsert*> inserts;
    cText* text = nullptr;
    cPolygon* frame = nullptr;
    bool filledArrow = false;
    for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
      if (cInsert* insert = o->AsInsert()) inserts.push_back(insert);
      if (cText* t = o->AsText()) {
        text = t;
        frame = PolygonOf(o->next);
      }
      const cPolygon* p = PolygonOf(o);
      filledArrow = filledArrow || (p && p->FirstList().Count() == 3 && !(p->fill.fillColor & 0x80000000u));
    }
    EXPECT_EQ(filledArrow, c.filledArrow);
    ASSERT_EQ(inserts.size(), c.inserts.size());
    for (std::size_t i = 0; i < inserts.size(); ++i) EXPECT_EQ(inserts[i]->name.ToUtf8(), c.inserts[i]) << i;

    // The text's frame: its laid-out box widened by the gap, not filled.
    ASSERT_EQ(text != nullptr, !c.content);
    if (text && c.framed) {
      ASSERT_TRUE(frame);
      EXPECT_TRUE(frame->FirstList().IsClosed());
      EXPECT_TRUE(frame->fill.fillColor & 0x80000000u);
      ASSERT_EQ(frame->FirstList().Count(), 4u);
      DPoint box[4];
      text->GetFrameCorners(data, box);
      EXPECT_GT(std::fabs(box[1].x - box[0].x), 2.0);  // "Note" at height 2 has a width
      const double su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
      // The box's axes: x along the text, y from its first line down (the
      // model's y grows downward, so down the page is plus y).
      const double ux = box[1].x > box[0].x ? 1 : -1, vy = box[3].y > box[0].y ? 1 : -1;
      for (int k = 0; k < 4; ++k) {
        EXPECT_NEAR(frame->FirstList().Points()[k].x, box[k].x + su[k] * ux * c.gap, 1e-9) << k;
        EXPECT_NEAR(frame->FirstList().Points()[k].y, box[k].y + sv[k] * vy * c.gap, 1e-9) << k;
      }
    } else if (text) {
      EXPECT_FALSE(frame);
    }

    for (cInsert* insert : inserts) {
      const DRect r = ExtentOf(*insert, data);
      if (insert->name == WString(u"CONTENT")) {
        // The line (0, 0)-(2, 0) doubled and turned a quarter about (30, 5):
        // up to (30, 9) in the file, y negated in the model.
        EXPECT_NEAR(r.x1, 30, 1e-6);
        EXPECT_NEAR(r.x2, 30, 1e-6);
        EXPECT_NEAR(r.y1, -9, 1e-6);
        EXPECT_NEAR(r.y2, -5, 1e-6);
        // Its by-block line takes the content's colour: blue.
        const cBlock* block = data->GetBlock(insert->blockIndex);
        ASSERT_TRUE(block && block->FirstObject() && block->FirstObject()->AsAnyLine());
        EXPECT_EQ(block->FirstObject()->AsAnyLine()->stroke.color, 0xFF0000u);
      } else {
        // The arrow's body (the block's minus x, as long as the arrow
        // size) runs from the tip at the vertex (0, 0) along the leader
        // towards (18, 10).
        const double a = std::atan2(10.0, 18.0), size = c.contextArrow > 0 ? c.contextArrow : 1.5;
        EXPECT_NEAR(r.x1, 0, 1e-6);
        EXPECT_NEAR(r.x2, size * std::cos(a), 1e-6);
        EXPECT_NEAR(r.y1, -size * std::sin(a), 1e-6);
        EXPECT_NEAR(r.y2, 0, 1e-6);
      }
    }
  }
}

// A magenta multileader whose text is by layer (black on layer "0"), with
// a frame; its text flows as `flow` (context 172) in a box 5 wide.
std::string ColouredDrawing(int flow) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES").Str(0, "MULTILEADER").Str(5, "200").Str(8, "0").Int(62, 6).Int(270, 2);
  w.Str(300, "CONTEXT_DATA{").Real(40, 1.0).Point(10, 20, 10).Real(41, 2.0).Real(140, 1.0).Real(145, 1.0);
  w.Int(290, 1).Str(304, "ALPHA\\PBETA").Point(11, 0, 0, 1).Str(340, "0").Point(12, 20, 10).Point(13, 1, 0);
  w.Real(43, 5.0).Int(90, int(0xC0000000)).Int(171, 1).Int(172, flow).Real(141, 1.5).Int(292, 0);
  w.Point(110, 0, 0).Point(111, 1, 0).Point(112, 0, 1).Int(297, 0);
  w.Str(302, "LEADER{").Int(290, 1).Int(291, 1).Point(10, 18, 10).Point(11, 1, 0).Int(90, 0).Real(40, 2.0);
  w.Str(304, "LEADER_LINE{").Point(10, 0, 0).Int(91, 0).Str(305, "}").Int(271, 0).Str(303, "}");
  w.Str(301, "}").Str(340, "0").Int(90, 0).Int(170, 1).Real(41, 2.0).Real(42, 1.0).Int(172, 2).Int(292, 1);
  w.EndSection().Eof();
  return w.Bytes();
}

TEST(DxfMultileaderContentTest, FrameInTheMultileadersColourAndTopToBottomTextOnOneLine) {
  struct Flow {
    int flow;
    const char* text;
    double wrap;
  };
  // Left to right (1) and by style (5) keep the paragraphs and the box.
  const Flow flows[] = {{1, "ALPHA\nBETA", 5.0}, {5, "ALPHA\nBETA", 5.0}, {3, "ALPHA BETA", 0.0}};
  for (const Flow& f : flows) {
    SCOPED_TRACE(f.flow);
    DocumentResult result = Load(ColouredDrawing(f.flow));
    ASSERT_TRUE(result.Ok());
    cSheet& sheet = *result.Document()->GetFirstSheet();
    cText* text = nullptr;
    cPolygon* frame = nullptr;
    for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
      if (cText* t = o->AsText()) {
        text = t;
        frame = PolygonOf(o->next);
      }
    }
    ASSERT_TRUE(text && frame);
    EXPECT_EQ(text->GetText().ToUtf8(), f.text);
    EXPECT_DOUBLE_EQ(text->wrapWidth, f.wrap);
    EXPECT_EQ(text->attr.color, 0u);
    EXPECT_EQ(frame->stroke.color, 0xFF00FFu);
  }
}

}  // namespace
}  // namespace kvn
