// Damaged enhanced metafiles repaired for showing: a header whose own size
// is wrong, records that break off or end without EMR_EOF, a total size
// beyond the file; each repair validates, whole metafiles come back as they
// are, and bytes that are no metafile or cannot be mended give nothing.
#include "import/pictures/EmfRepair.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A header of 108 bytes, three SETMAPMODE records, EMR_EOF.
Bytes SmallEmf() {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(1, 108);
  le::Put32(h + 40, 0x464D4520);
  le::Put32(h + 44, 0x10000);
  for (int i = 0; i < 3; ++i) le::Put32(b.Add(17, 12) + 8, 1);
  EXPECT_TRUE(b.Finish(1));
  return Bytes(b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count());
}

TEST(EmfRepair, EachDamageIsMendedToWhatCouldBeRead) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
    std::uint32_t headerSize;  // after the repair
    std::uint32_t records;     // after the repair, EMR_EOF included
  };
  const Case cases[] = {
      {"whole", [](Bytes&) {}, 108, 5},
      {"header size beyond the file", [](Bytes& b) { le::Put32(b.data() + 4, 0xE7A0); }, 108, 5},
      {"header size not a multiple of 4", [](Bytes& b) { le::Put32(b.data() + 4, 107); }, 108, 5},
      {"second record breaks off", [](Bytes& b) { le::Put32(b.data() + 108 + 12 + 4, 3); }, 108, 3},
      {"no EMR_EOF", [](Bytes& b) { b.resize(b.size() - 20); }, 108, 5},
      {"first record breaks off", [](Bytes& b) { le::Put32(b.data() + 108 + 4, 2); }, 108, 2},
      {"total size beyond the file", [](Bytes& b) { le::Put32(b.data() + 48, 1u << 30); }, 108, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bytes = SmallEmf();
    c.damage(bytes);
    const std::unique_ptr<ByteArray> repaired = RepairEmf(bytes.data(), bytes.size());
    ASSERT_NE(repaired, nullptr);
    EmfValidation v;
    ASSERT_EQ(ValidateEmf(repaired->Items(), repaired->Count(), &v), EmfCheck::Ok);
    EXPECT_EQ(le::U32(repaired->Items() + 4), c.headerSize);
    EXPECT_EQ(v.recordCount, c.records);
    EXPECT_EQ(le::U32(repaired->Items() + 48), std::uint32_t(repaired->Count()));
  }
}

TEST(EmfRepair, WhatCannotBeMendedGivesNothing) {
  Bytes noEmf(200, 0x41);
  EXPECT_EQ(RepairEmf(noEmf.data(), noEmf.size()), nullptr);
  EXPECT_EQ(RepairEmf(nullptr, 0), nullptr);
  // Only the header.
  Bytes header = SmallEmf();
  header.resize(90);
  EXPECT_EQ(RepairEmf(header.data(), header.size()), nullptr);
}

// The fuzzer-found sample: its header claims 59,296 bytes of 1,444; the
// records start at 160, right after the description.
TEST(EmfRepair, TheCorruptedSampleShowsItsRecords) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream in(dir / "metafile/bad_emf2svg_corrupted_2014-12-02-215338.emf", std::ios::binary);
  const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), 1444u);
  ASSERT_NE(ValidateEmf(bytes.data(), bytes.size()), EmfCheck::Ok);
  const std::unique_ptr<ByteArray> repaired = RepairEmf(bytes.data(), bytes.size());
  ASSERT_NE(repaired, nullptr);
  EXPECT_EQ(le::U32(repaired->Items() + 4), 160u);
  EXPECT_EQ(repaired->Count(), 1444u);
}

}  // namespace
}  // namespace kvn
