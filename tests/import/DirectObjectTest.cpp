// Records of ready cubic segments (DGN curves): the polygon with and
// without a transform, the fill colour, and the spool form.
#include "import/records/DirectObject.h"

#include <gtest/gtest.h>

#include "import/records/ImportMatrix.h"
#include "model/cPolygon.h"
#include "tests/import/SpoolTestSupport.h"

namespace kvn {
namespace {

TEST(DirectObjectTest, SegmentsWithAndWithoutTransform) {
  cDirectObject empty(35);
  ObjectChain none = empty.MakeObject(nullptr, nullptr, nullptr);
  auto* p = dynamic_cast<cPolygon*>(none.Head());
  ASSERT_TRUE(p);
  EXPECT_EQ(p->FirstList().Count(), 0u);

  cDirectObject curve(35);
  curve.segments.push_back(Cubic3D{{{0, 0, 1}, {1, 1, 1}, {2, 1, 1}, {3, 0, 1}}});
  curve.segments.push_back(Cubic3D{{{3, 0, 1}, {3, -1, 1}, {0, -1, 1}, {0, 0, 1}}});
  curve.closed = 1;
  curve.fillColor = 0x123456;
  ImportMatrix identity;
  OffPlaneCounter deep;
  deep.hasPlane = true;  // the plane of earlier content: z = 0
  identity.counter = &deep;
  ObjectChain flat = curve.MakeObject(&identity, nullptr, nullptr);
  auto* f = dynamic_cast<cPolygon*>(flat.Head());
  ASSERT_TRUE(f);
  EXPECT_EQ(f->FirstList().Count(), 7u);
  EXPECT_EQ(f->FirstList().Points()[1].y, -1);
  EXPECT_TRUE(f->FirstList().IsClosed());
  EXPECT_EQ(f->fill.fillColor, 0x123456u);
  EXPECT_EQ(deep.count, 8u);  // every point lies at z = 1
  ObjectChain survey = curve.MakeObject(nullptr, nullptr, nullptr);
  EXPECT_EQ(dynamic_cast<cPolygon*>(survey.Head())->FirstList().Get3DPoint(1).z, 1);

  std::unique_ptr<cOneObjRec> back = SpoolRoundTrip(curve);
  auto* b = dynamic_cast<cDirectObject*>(back.get());
  ASSERT_TRUE(b);
  ASSERT_EQ(b->segments.size(), 2u);
  EXPECT_EQ(b->segments[1].p[2], (Vec3{0, -1, 1}));
  EXPECT_EQ(b->fillColor, 0x123456u);
  EXPECT_EQ(b->closed, 1);
  EXPECT_TRUE(SpoolRoundTrip(empty));
}

}  // namespace
}  // namespace kvn
