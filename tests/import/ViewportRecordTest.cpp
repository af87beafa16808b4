// Viewport records: the section they make (frame, scale, the point shown at
// the frame's centre, hidden layers), the extended-data fallback, the kept
// viewport id, the dispatch row and the spool form.
#include "import/records/ViewportRecord.h"

#include <gtest/gtest.h>

#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cSection.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/import/ScriptedRecords.h"
#include "tests/import/SpoolTestSupport.h"

namespace kvn {
namespace {

class ViewportRecordTest : public ::testing::Test {
 protected:
  void Send(const char* name, std::initializer_list<G> items, YxxfSection section = YxxfSection::Entities) {
    Fill(record, items);
    reader.DispatchSection(record, name, section);
  }
  YxxfGroupRecord record;
  YxxfReader reader{WString(u"v.dxf"), 1};
};

TEST_F(ViewportRecordTest, ScaleFrameAndShownPoint) {
  Send("LAYER", {{2, "Walls"}, {5, "A1"}}, YxxfSection::Tables);
  Send("LAYER", {{2, "Doors"}, {5, "A2"}}, YxxfSection::Tables);
  Send("LINE", {{8, "Walls"}});
  Send("VIEWPORT", {{10, 100.0}, {20, 50.0}, {40, 200.0}, {41, 100.0}, {12, 5.0}, {22, 5.0}, {17, 10.0}, {27, 20.0},
                    {45, 400.0}, {69, 2}, {331, "A2"}, {331, "FF"}});
  ASSERT_EQ(reader.defaultBlock.entities.Count(), 2u);
  auto* vp = dynamic_cast<cOneViewPort*>(reader.defaultBlock.entities[1]);
  ASSERT_TRUE(vp);
  EXPECT_EQ(vp->viewportId, 2);
  EXPECT_EQ(vp->blockPosition, 1u);
  EXPECT_EQ(vp->frozenLayers.size(), 2u);
  ObjectChain c = vp->MakeObject(nullptr, &reader, nullptr);
  auto* s = dynamic_cast<cSection*>(c.Head());
  ASSERT_TRUE(s);
  EXPECT_DOUBLE_EQ(s->scale, 0.25);
  EXPECT_EQ(s->insertPoint, (DPoint{0, 0}));
  EXPECT_EQ(s->framePoint, (DPoint{200, -100}));
  // The view's centre, target (10, 20) plus centre (5, 5), is the source
  // point, which a framed view shows at the frame's centre (100, -50).
  EXPECT_EQ(s->sourcePoint, (DPoint{15, -25}));
  EXPECT_EQ(s->automaticFrame, 0);
  // One handle names layer "Doors"; the other names none.
  ASSERT_EQ(s->selectionValues.Count(), 1u);
  EXPECT_EQ(s->selectionValues[0], 1);  // "Doors", the second layer
  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(*vp);
  auto* b = dynamic_cast<cOneViewPort*>(back.get());
  ASSERT_TRUE(b);
  EXPECT_EQ(b->viewportId, 2);
  EXPECT_EQ(b->frozenLayers, vp->frozenLayers);
  EXPECT_EQ(b->viewHeight, 400);
}

TEST_F(ViewportRecordTest, ExtendedDataFallbackAndNoView) {
  Fill(record, {{10, 0.0}, {40, 10.0}, {41, 10.0}, {1010, 1.0}, {1020, 2.0}, {1030, 3.0}, {1010, 0.0}, {1020, 0.0},
                {1030, 1.0}, {1040, 15.0}, {1040, 40.0}, {1040, 7.0}, {1040, 8.0}});
  cOneViewPort x(&record, entity::kViewport);
  EXPECT_EQ(x.viewTarget, (Vec3{1, 2, 3}));
  EXPECT_EQ(x.viewDirection, (Vec3{0, 0, 1}));
  EXPECT_EQ(x.twist, 15);
  EXPECT_EQ(x.viewHeight, 40);
  EXPECT_EQ(x.viewCentre[0], 7);
  EXPECT_EQ(x.viewCentre[1], 8);
  ObjectChain c = x.MakeObject(nullptr, nullptr, nullptr);
  ASSERT_TRUE(c);
  EXPECT_DOUBLE_EQ(dynamic_cast<cSection*>(c.Head())->scale, 0.25);

  Fill(record, {{10, 0.0}, {40, 10.0}, {41, 10.0}});
  cOneViewPort none(&record, entity::kViewport);
  EXPECT_EQ(none.viewHeight, 0);
  EXPECT_FALSE(none.MakeObject(nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace kvn
