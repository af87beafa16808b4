// The DWG form of a multileader through the import's dispatch: in every
// release the text frame flag, the block content and the arrowhead blocks
// become the same import records as in the DXF form (a framed text at the
// landing gap, an insert of the content block, an insert of the arrow block
// of the leader line from R2010 and of the entity before).
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "import/records/InsertRecord.h"
#include "import/records/TextRecord.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "tests/dwg/DwgTestSupport.h"
#include "tests/support/DwgComplexWriter.h"

namespace kvn {
namespace {

using namespace test;

constexpr double kPi = 3.14159265358979323846;

struct Case {
  const char* name;
  bool text, frame, block;
};

const Case kCases[] = {
    {"text", true, false, false},
    {"framed text", true, true, false},
    {"block content", false, false, true},
};

DwgMLeaderSpec Spec(const Case& c) {
  DwgMLeaderSpec s;
  DwgMLeaderLeader leader;
  leader.connection = {4, 4, 0};
  leader.landing = 2;
  DwgMLeaderLine line;
  line.points = {{0, 0, 0}, {2, 2, 0}};
  line.arrow = 0x60;
  leader.lines = {line};
  s.leaders = {leader};
  s.arrow = 0x63;
  s.hasText = c.text;
  s.frameText = c.frame;
  s.hasBlock = c.block;
  s.contentBlock = 0x64;
  s.blockPosition = {30, 5, 0};
  s.blockScale = {2, 3, 1};
  s.blockRotation = kPi / 2;
  return s;
}

TEST(DwgMultiLeaderContent, FramesBlocksAndArrowsReachTheImportRecords) {
  for (int release : {15, 18, 21, 24, 27, 32}) {
    for (const Case& c : kCases) {
      SCOPED_TRACE(testing::Message() << release << " " << c.name);
      std::vector<std::uint8_t> bytes = MultiLeaderObject(release, 0x80, Spec(c));
      DwgMemorySource source(bytes);
      DwgReader dwg(WString(), release);
      dwg.SetSource(&source);
      dwg.AddDwgClass(kMultiLeaderClass, "MULTILEADER", true);
      ASSERT_TRUE(dwg.ReadDwgObject(std::uint32_t(bytes.size())));
      std::unique_ptr<YxxfGroupRecord> record = RecordOf(dwg);
      YxxfReader reader(WString(u"t.dwg"), 1);
      reader.DispatchSection(*record, "MULTILEADER", YxxfSection::Entities);
      std::vector<cOneObjRec*> made;
      for (cOneObjRec* r : reader.defaultBlock.entities) made.push_back(r);
      for (cOneObjRec* r : reader.unowned) made.push_back(r);

      std::vector<YxxfEntInsert*> inserts;
      cOneText* text = nullptr;
      for (cOneObjRec* r : made) {
        if (YxxfEntInsert* insert = r->AsInsert()) inserts.push_back(insert);
        if (cOneText* t = r->AsText()) text = t;
      }
      ASSERT_EQ(text != nullptr, c.text);
      if (text) {
        EXPECT_EQ(text->framed, c.frame ? 1 : 0);
        if (c.frame) {
          EXPECT_DOUBLE_EQ(text->frameGap, 0.09);  // the context's landing gap
        }
      }
      // The arrowhead: the leader line's block from R2010 (its field), the
      // entity's before, at the first vertex and 0.18 large.
      const std::uint64_t arrow = release >= 24 ? 0x60 : 0x63;
      ASSERT_EQ(inserts.size(), c.block ? 2u : 1u);
      const YxxfEntInsert& head = *inserts.back();
      EXPECT_EQ(head.blockHandle, arrow);
      EXPECT_EQ(head.insertion, (Vec3{0, 0, 0}));
      EXPECT_DOUBLE_EQ(head.scale.x, 0.18);
      // Pointing back from the tip along (2, 2): 45 + 180 degrees.
      EXPECT_NEAR(head.rotation, 225.0, 1e-9);
      if (c.block) {
        const YxxfEntInsert& content = *inserts.front();
        EXPECT_EQ(content.blockHandle, 0x64u);
        EXPECT_EQ(content.insertion, (Vec3{30, 5, 0}));
        EXPECT_EQ(content.scale, (Vec3{2, 3, 1}));
        EXPECT_NEAR(content.rotation, 90.0, 1e-9);
      }
    }
  }
}

}  // namespace
}  // namespace kvn
