// An OLE2FRAME read from a DWG object gives the import the same picture
// record as one read from DXF: the frame's data travel as one chunk.
#include <gtest/gtest.h>

#include "import/records/ImportMatrix.h"
#include "import/records/PictureRecords.h"
#include "import/records/YxxfReader.h"
#include "model/cBitmap.h"
#include "tests/dwg/DwgTestSupport.h"
#include "tests/support/DwgComplexWriter.h"
#include "tests/support/OleFixtures.h"

namespace kvn {
namespace {

using namespace test;

TEST(DwgOleFrame, FrameDataBecomeAPlacedBitmapInEveryRelease) {
  const Vec3 corners[4] = {{0, 8, 0}, {12, 8, 0}, {12, 0, 0}, {0, 0, 0}};
  const std::string frame = OleFrameData(
      corners, WriteOleTree({OleNode::Stream("\001Ole10Native", "SIZE" + SmallBmpFile(2, 2, 0xFFFFFF))}));
  const std::vector<std::uint8_t> data(frame.begin(), frame.end());
  for (int release : {14, 15, 18, 21, 24, 27, 32}) {
    SCOPED_TRACE(release);
    BitReader bits(Ole2FrameObject(release, 0x80, data), release);
    ASSERT_TRUE(bits.reader.ReadDwgObject(std::uint32_t(bits.bytes.size())));
    std::uint16_t code = 0;
    std::unique_ptr<YxxfGroupRecord> record = RecordOf(bits.reader, &code);
    ASSERT_EQ(code, entity::kOle2Frame);
    cOLE ole(record.get(), code);
    ASSERT_EQ(ole.valid, 1);
    ImportMatrix identity;
    ObjectChain made = ole.MakeObject(&identity, nullptr, nullptr);
    ASSERT_FALSE(made.Empty());
    const cBitmap* bitmap = made.Head()->AsBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_DOUBLE_EQ(bitmap->frame.width, 12);
    EXPECT_DOUBLE_EQ(bitmap->frame.height, 8);
    EXPECT_DOUBLE_EQ(bitmap->frame.origin.y, -8);
  }
}

}  // namespace
}  // namespace kvn
