// The table and non-entity object handlers, and the classes section: what
// reaches the reader's lists, the colours of layers, the proxy records and
// the mapping of class names.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "dwg/objects/DwgReader.h"
#include "foundation/InFileStream.h"
#include "import/records/AciColors.h"
#include "tests/dwg/DwgTestSupport.h"
#include "tests/support/DwgFileWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::BitReader;
using test::DwgEntityCommon;
using test::DwgObjectWriter;

std::vector<std::uint8_t> R2004Layer(std::uint32_t colorValue) {
  DwgObjectWriter w(18, 51, 0x10);
  w.CommonObject();
  w.Text("L");
  w.data.B(0);
  w.data.BS(0);
  w.data.B(0);
  w.data.BS(0);  // on, thawed, unlocked
  w.data.BS(0);  // the index, then the colour value and its flags
  w.data.BL(colorValue);
  w.data.RC(0);
  w.ObjectHandles(0x02);
  w.Handle(5, 0);
  w.Handle(5, 0);
  w.Handle(5, 0x14);
  return w.Finish();
}

TEST(DwgTableObjects, R2004LayerColourByIndexOrTrueColour) {
  BitReader byIndex(R2004Layer(0xC3000005u), 18);
  ASSERT_TRUE(byIndex.reader.ReadDwgObject(std::uint32_t(byIndex.bytes.size())));
  ASSERT_EQ(byIndex.reader.layers.Count(), 1u);
  const std::uint32_t bgr = AciToRgb(5, -1);
  const std::int32_t rgb = std::int32_t((bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF));
  EXPECT_EQ(byIndex.reader.layers[0]->trueColor, rgb);
  EXPECT_EQ(byIndex.reader.layers[0]->colorIndex, kLayerColorTrue);
  EXPECT_EQ(byIndex.reader.layers[0]->off, 0);

  BitReader trueColour(R2004Layer(0xC2FF0000u), 18);
  ASSERT_TRUE(trueColour.reader.ReadDwgObject(std::uint32_t(trueColour.bytes.size())));
  ASSERT_EQ(trueColour.reader.layers.Count(), 1u);
  EXPECT_EQ(trueColour.reader.layers[0]->trueColor, 0xFF0000);
}

TEST(DwgTableObjects, FailedLayerAddsNoRecord) {
  // A name longer than the object: the layer fails and adds nothing.
  DwgObjectWriter w(15, 51, 0x10);
  w.CommonObject();
  w.data.BS(2000);
  w.data.RL(0x41414141);
  w.ObjectHandles(0x02);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  EXPECT_FALSE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(r.reader.layers.Count(), 0u);
}

TEST(DwgTableObjects, EmptySortTableIsKept) {
  DwgObjectWriter w(15, 500, 0x90);
  w.CommonObject();
  w.data.BL(0);
  w.ObjectHandles(0x0C);
  w.Handle(4, 0x1F);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  r.reader.AddDwgClass(500, "SORTENTSTABLE", false);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  ASSERT_EQ(r.reader.sortTables.Count(), 1u);
  EXPECT_EQ(r.reader.sortTables[0]->owner, 0x1Fu);
  EXPECT_EQ(r.reader.sortTables[0]->handles.Count(), 0u);
}

TEST(DwgTableObjects, R2000ProxyEntityRecordOrder) {
  DwgObjectWriter w(15, 498, 0x95);
  DwgEntityCommon c;
  c.mode = 2;
  w.CommonEntity(c);
  w.data.BL(501);  // class id
  w.data.BL(7);    // version
  w.data.B(1);
  w.data.Bits(0xABC, 12);  // the proxy's own data: 12 bits
  w.EntityHandles(c);
  w.Handle(3, 0x77);
  std::vector<std::uint8_t> bytes = w.Finish();
  BitReader r(bytes);
  ASSERT_TRUE(r.reader.ReadDwgObject(std::uint32_t(bytes.size())));
  EXPECT_EQ(r.reader.EntityCode(), 38);
  std::vector<int> codes = test::CodesOf(r.reader.TakeRecord());
  const std::vector<int> proxy = {9999, 90, 91, 95, 70, 93, 310, 9999};
  auto at = std::search(codes.begin(), codes.end(), proxy.begin(), proxy.end());
  ASSERT_NE(at, codes.end());
  EXPECT_EQ(codes.back(), 340);
  auto record = test::RecordOf(r.reader);
  EXPECT_EQ(record->GetInt(93), 12);
  EXPECT_EQ(record->GetInt(91), 501);
}

TEST(DwgClasses, NamesMapWhateverTheirCaseAndEmptyNamesAreLeftOut) {
  test::DwgFileSpec spec;
  spec.classes = {{500, "lwpolyline", true}, {501, "", false}, {502, "ACDBUNKNOWNTHING", false},
                  {503, "SORTENTSTABLE", false}};
  const std::vector<std::uint8_t> file = test::WriteDwgFile(spec);
  test::ScratchDir scratch;
  auto read = [&](const std::vector<std::uint8_t>& bytes, DwgReader& reader) {
    {
      std::ofstream out(scratch / "c.dwg", std::ios::binary);
      out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    InFileStream in(WString::FromUtf8((scratch / "c.dwg").string()));
    DwgStreamSource source(in);
    reader.SetSource(&source);
    const std::uint32_t address = bytes[0x19 + 9 + 1] | bytes[0x19 + 9 + 2] << 8 | bytes[0x19 + 9 + 3] << 16;
    const std::uint32_t size = bytes[0x19 + 9 + 5] | bytes[0x19 + 9 + 6] << 8;
    in.Seek(address);
    const bool ok = reader.ReadDwgClasses(size);
    reader.SetSource(nullptr);
    return ok;
  };
  DwgReader reader(WString(), 15);
  EXPECT_TRUE(read(file, reader));
  EXPECT_EQ(reader.FindClassMapping(500), 77);
  EXPECT_EQ(reader.FindClassMapping(501), kDwgNoClass);
  EXPECT_EQ(reader.FindClassMapping(502), kDwgNoClass);
  EXPECT_EQ(reader.FindClassMapping(503), 0x8000 + 89 - kDwgFirstClassEntry);
  EXPECT_EQ(reader.classes.Count(), 3u);

  // A check word that does not match leaves the classes mapped.
  std::vector<std::uint8_t> damaged = file;
  const std::uint32_t address = damaged[0x19 + 9 + 1] | damaged[0x19 + 9 + 2] << 8 | damaged[0x19 + 9 + 3] << 16;
  const std::uint32_t size = damaged[0x19 + 9 + 5] | damaged[0x19 + 9 + 6] << 8;
  damaged[address + size - 16 - 1] ^= 0xFF;
  DwgReader second(WString(), 15);
  EXPECT_FALSE(read(damaged, second));
  EXPECT_EQ(second.FindClassMapping(500), 77);
}

TEST(DwgClasses, PagedReleasesReadTheirOwnForm) {
  // From R2004 the largest class number and each class's counts; from
  // R2007 the bit size first and the names after the classes; from R2018
  // (and R2010/R2013 of maintenance 4 and up) the high size word.
  test::DwgFileSpec spec;
  spec.classes = {{500, "ACAD_TABLE", true}, {501, "lwpolyline", true}, {502, "ACDBUNKNOWNTHING", false},
                  {503, "SORTENTSTABLE", false}};
  struct Case {
    int release, maintenance;
  };
  for (const Case c : {Case{18, 0}, Case{21, 0}, Case{24, 0}, Case{24, 4}, Case{27, 6}, Case{32, 0}}) {
    const std::vector<std::uint8_t> section = test::WriteDwgClassesSection(spec, c.release, c.maintenance);
    test::BitReader r(section, c.release);
    r.reader.maintenanceVersion = std::uint8_t(c.maintenance);
    EXPECT_TRUE(r.reader.ReadDwgClasses(std::uint32_t(section.size()))) << c.release << "/" << c.maintenance;
    EXPECT_EQ(r.reader.FindClassMapping(501), 77) << c.release;
    EXPECT_NE(r.reader.FindClassMapping(500), kDwgNoClass) << c.release;
    EXPECT_EQ(r.reader.FindClassMapping(502), kDwgNoClass) << c.release;
    EXPECT_EQ(r.reader.FindClassMapping(503), 0x8000 + 89 - kDwgFirstClassEntry) << c.release;
    EXPECT_EQ(r.reader.classes.Count(), 4u) << c.release;
  }
}

}  // namespace
}  // namespace kvn
