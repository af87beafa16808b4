// Import table records read from their group codes.
#include "import/records/TableRecords.h"

#include <gtest/gtest.h>

#include "import/records/YxxfGroupRecord.h"
#include "tests/import/ImportTestSupport.h"

namespace kvn {
namespace {

TEST(TableRecordsTest, LayerColoursAndFlags) {
  YxxfGroupRecord r;
  r.AddString(2, std::string_view("Walls"));
  r.AddInt(62, -5);
  r.AddInt(70, 5);
  r.AddString(6, std::string_view("DASHED"));
  r.AddString(5, std::string_view("2A"));
  auto layer = YxxfLayerRec::FromRecord(r);
  EXPECT_EQ(layer->name, WString(u"Walls"));
  EXPECT_EQ(layer->colorIndex, 5);
  EXPECT_EQ(layer->off, 1);
  EXPECT_EQ(layer->frozen, 1);
  EXPECT_EQ(layer->locked, 1);
  EXPECT_EQ(layer->trueColor, -1);
  EXPECT_EQ(layer->lineTypeName, WString(u"DASHED"));
  EXPECT_EQ(layer->handle, 0x2Au);

  YxxfGroupRecord t;
  t.AddInt(62, 3);
  t.AddInt(420, 0x102030);
  auto tc = YxxfLayerRec::FromRecord(t);
  EXPECT_EQ(tc->colorIndex, kLayerColorTrue);
  EXPECT_EQ(tc->trueColor, 0x102030);
  EXPECT_EQ(tc->off, 0);
  EXPECT_EQ(YxxfLayerRec::FromRecord(YxxfGroupRecord())->colorIndex, 256);
}

TEST(TableRecordsTest, LineTypeElementsStopAtTheFirstMissingDash) {
  YxxfGroupRecord r;
  r.AddString(2, std::string_view("GAS"));
  r.AddString(3, std::string_view("Gas line"));
  r.AddInt(73, 4);
  r.AddDouble(49, 0.5);
  r.AddInt(74, 2);
  r.AddInt(75, 131);
  r.AddHandle(340, 0x11, 0);
  r.AddDouble(46, 0.1);
  r.AddDouble(44, -0.1);
  r.AddString(9, std::string_view("GAS"));
  r.AddDouble(49, -0.25);
  r.AddInt(74, 0);
  auto lt = YxxfLineTypeRec::FromRecord(r);
  ASSERT_EQ(lt->elements.Count(), 2u);
  EXPECT_EQ(lt->description, WString(u"Gas line"));
  const YxxfLineTypeElement& a = lt->elements[0];
  EXPECT_EQ(a.dashLength, 0.5);
  EXPECT_EQ(a.typeFlags, 2);
  EXPECT_EQ(a.text[0], u'G');  // the text overwrites the shape number
  EXPECT_EQ(a.text[3], 0);
  EXPECT_EQ(a.styleHandle, 0x11u);
  EXPECT_EQ(a.scale, 0.1);
  EXPECT_EQ(a.xOffset, -0.1);
  const YxxfLineTypeElement& b = lt->elements[1];
  EXPECT_EQ(b.dashLength, -0.25);
  EXPECT_EQ(b.text[0], 0);
  EXPECT_EQ(b.styleHandle, 0u);

  // A shape without text keeps its number as the first character; a count
  // far above what the record carries makes no more elements.
  YxxfGroupRecord s;
  s.AddInt(73, 1000000);
  s.AddDouble(49, 1.0);
  s.AddInt(75, 7);
  auto shape = YxxfLineTypeRec::FromRecord(s);
  ASSERT_EQ(shape->elements.Count(), 1u);
  EXPECT_EQ(shape->elements[0].text[0], char16_t(7));
  // A negative count makes none.
  YxxfGroupRecord n;
  n.AddInt(73, -3);
  n.AddDouble(49, 1.0);
  EXPECT_EQ(YxxfLineTypeRec::FromRecord(n)->elements.Count(), 0u);
}

TEST(TableRecordsTest, StyleWithTrueTypeExtendedData) {
  YxxfGroupRecord r;
  r.AddString(2, std::string_view("Notes"));
  r.AddString(3, std::string_view("arial.ttf"));
  r.AddDouble(40, 2.5);
  r.AddDouble(41, 0.8);
  r.AddInt(71, 2);
  r.AddString(1001, std::string_view("OTHER"));
  r.AddString(1000, std::string_view("wrong"));
  r.AddString(1001, std::string_view("acad"));
  r.AddString(1000, std::string_view("Arial"));
  r.AddInt(1071, 34);
  auto style = YxxfStyleRec::FromRecord(r);
  EXPECT_EQ(style->trueTypeFamily, WString(u"Arial"));
  EXPECT_EQ(style->trueTypeFlags, 34u);
  EXPECT_EQ(style->fontFile, WString(u"arial.ttf"));
  EXPECT_EQ(style->height, 2.5);
  EXPECT_EQ(style->widthFactor, 0.8);
  EXPECT_EQ(style->generationFlags, 2u);
}

TEST(TableRecordsTest, ViewportsLayoutsBlocksAndSortTables) {
  YxxfGroupRecord v;
  v.AddString(2, std::string_view("*Active"));
  v.AddPoint3(16, 0, 0, 0);
  v.AddPoint2(12, 5, 6);
  v.AddDouble(40, 100);
  auto vp = YxxfViewportRec::FromRecord(v);
  EXPECT_EQ(vp->direction, (Vec3{0, 0, 1}));
  EXPECT_EQ(vp->centre[0], 5);
  EXPECT_EQ(vp->centre[1], 6);
  EXPECT_EQ(vp->height, 100);

  YxxfGroupRecord b;
  b.AddString(2, std::string_view("DOOR"));
  b.AddPoint3(10, 1, 2, 3);
  b.AddInt(70, 4);
  b.AddString(1, std::string_view("parts.dwg"));
  b.AddHandle(330, 0x99, 0);
  auto block = YxxfBlockRec::FromRecord(b);
  EXPECT_EQ(block->base, (Vec3{1, 2, 3}));
  EXPECT_EQ(block->flags, 4);
  EXPECT_EQ(block->xrefPath, WString(u"parts.dwg"));
  EXPECT_EQ(block->owner, 0x99u);

  YxxfGroupRecord s;
  s.AddString(5, std::string_view("1"));  // the table's own handle: not a pair
  s.AddString(100, std::string_view("AcDbSortentsTable"));
  s.AddString(330, std::string_view("1F"));
  s.AddString(331, std::string_view("A0"));
  s.AddString(5, std::string_view("B0"));
  s.AddString(331, std::string_view("A1"));
  s.AddString(5, std::string_view("B1"));
  auto sort = YxxfSortTableRec::FromRecord(s);
  ASSERT_NE(sort, nullptr);
  EXPECT_EQ(sort->owner, 0x1Fu);
  ASSERT_EQ(sort->handles.Count(), 4u);
  EXPECT_EQ(sort->handles[0], 0xA0u);
  EXPECT_EQ(sort->handles[1], 0xB0u);
  EXPECT_EQ(sort->handles[3], 0xB1u);
  YxxfGroupRecord none;
  none.AddString(100, std::string_view("AcDbDictionary"));
  EXPECT_EQ(YxxfSortTableRec::FromRecord(none), nullptr);
}

}  // namespace
}  // namespace kvn
