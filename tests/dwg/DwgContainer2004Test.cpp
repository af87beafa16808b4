// The paged layout of R2004 to R2018: the check value, the page and section
// maps, a named section's pages read through the byte source (padding,
// checks, bounds), and the sample drawings of every paged release.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "document/DwgLoadReport.h"
#include "document/OpenFailureMessage.h"
#include "dwg/container/DwgChecksum.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/container/DwgSection2004.h"
#include "foundation/InFileStream.h"
#include "tests/support/DwgCompress2004.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& b, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b.push_back(std::uint8_t(v >> (8 * k)));
}
void Put64(Bytes& b, std::uint64_t v) {
  Put32(b, std::uint32_t(v));
  Put32(b, std::uint32_t(v >> 32));
}
void Set32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int k = 0; k < 4; ++k) b[at + k] = std::uint8_t(v >> (8 * k));
}

TEST(DwgChecksum, IsAdler32FromASeed) {
  const std::string text = "Wikipedia";
  const Bytes bytes(text.begin(), text.end());
  EXPECT_EQ(DwgChecksum(bytes, 1), 0x11E60398u);
  // Seeding with the sum of the first part continues over the second.
  const Bytes big = test::CompressDwg2004(Bytes(20000, 7));
  const std::uint32_t whole = DwgChecksum(big, 0x12345678u);
  const std::uint32_t first = DwgChecksum(std::span(big).first(9000), 0x12345678u);
  EXPECT_EQ(DwgChecksum(std::span(big).subspan(9000), first), whole);
  EXPECT_EQ(whole, std::uint32_t(adler32(0x12345678u, big.data(), uInt(big.size()))));
}

TEST(DwgContainer2004, PageMapKeepsAddressesOverGaps) {
  Bytes map;
  for (std::uint32_t v : {1u, 0x100u, std::uint32_t(-2), 0x80u, 7u, 8u, 9u, 0u, 3u, 0x40u}) Put32(map, v);
  auto records = ParseDwgPageMap2004(map);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[1].number, -2);
  EXPECT_EQ(records[1].address, 0x100u);
  EXPECT_EQ(records[1].gapParent, 7u);
  EXPECT_EQ(records[1].gapLeft, 8u);
  EXPECT_EQ(records[1].gapRight, 9u);
  EXPECT_EQ(records[2].number, 3);
  EXPECT_EQ(records[2].address, 0x180u);
  // A last gap without room for its extra words stays an ordinary entry.
  Bytes tail;
  for (std::uint32_t v : {1u, 0x100u, std::uint32_t(-5), 0x80u, 4u, 4u}) Put32(tail, v);
  records = ParseDwgPageMap2004(tail);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_EQ(records[2].number, 4);
  EXPECT_EQ(records[2].address, 0x180u);
}

Bytes SectionMap(const char* name, std::uint32_t pageCount, std::uint32_t encrypted) {
  Bytes b;
  Put32(b, 1);
  for (int i = 0; i < 4; ++i) Put32(b, 0);
  Put64(b, 100);
  Put32(b, pageCount);
  Put32(b, 0x7400);
  Put32(b, 0);
  Put32(b, 2);
  Put32(b, 3);
  Put32(b, encrypted);
  char text[64] = {};
  std::strncpy(text, name, 63);
  b.insert(b.end(), text, text + 64);
  for (std::uint32_t p = 0; p < pageCount; ++p) {
    Put32(b, 10 + p);
    Put32(b, 50);
    Put64(b, p * 50);
  }
  return b;
}

TEST(DwgContainer2004, SectionMapCutShortGivesTheStepsDetail) {
  std::vector<DwgSectionDescription> sections;
  std::uint16_t detail = 0;
  const Bytes whole = SectionMap("AcDb:Header", 2, 0);
  ASSERT_TRUE(ParseDwgSectionMap2004(whole, sections, detail));
  ASSERT_EQ(sections.size(), 1u);
  EXPECT_EQ(sections[0].name, "AcDb:Header");
  EXPECT_EQ(sections[0].largestPage, 0x7400u);
  ASSERT_EQ(sections[0].pages.size(), 2u);
  EXPECT_EQ(sections[0].pages[1].startOffset, 50u);
  EXPECT_FALSE(ParseDwgSectionMap2004(std::span(whole).first(19), sections, detail));
  EXPECT_EQ(detail, 10050);
  EXPECT_FALSE(ParseDwgSectionMap2004(std::span(whole).first(20 + 95), sections, detail));
  EXPECT_EQ(detail, 10051);
  EXPECT_FALSE(ParseDwgSectionMap2004(std::span(whole).first(whole.size() - 1), sections, detail));
  EXPECT_EQ(detail, 10052);
}

// A file of data pages at 0x100 + address, each with its masked header and
// check values.
struct PagedFile {
  Bytes bytes = Bytes(0x100, 0);
  std::vector<DwgPageMapRecord> pageMap;

  void AddPage(std::int32_t number, const Bytes& data, bool badChecksum = false) {
    const Bytes packed = test::CompressDwg2004(data);
    const std::uint64_t position = bytes.size();
    Bytes head;
    Put32(head, 0x4163043B);
    Put32(head, 1);
    Put32(head, std::uint32_t(packed.size()));
    Put32(head, 0x7400);
    Put64(head, 0);
    Put32(head, 0);
    const std::uint32_t dataCheck = DwgChecksum(packed, 0);
    Put32(head, dataCheck);
    Set32(head, 24, DwgChecksum(head, dataCheck) ^ (badChecksum ? 1u : 0u));
    const std::uint32_t mask = 0x4164536Bu ^ std::uint32_t(position);
    for (std::size_t i = 0; i < 32; i += 4) {
      std::uint32_t v = 0;
      std::memcpy(&v, head.data() + i, 4);
      Set32(head, i, v ^ mask);
    }
    bytes.insert(bytes.end(), head.begin(), head.end());
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    pageMap.push_back({number, std::uint32_t(32 + packed.size()), position - 0x100, 0, 0, 0});
  }

  // A page map or section map page: 20-byte head, compressed data.
  void AddSystemPage(std::int32_t number, const Bytes& data, bool badChecksum = false, std::uint32_t sizeDelta = 0) {
    const Bytes packed = test::CompressDwg2004(data);
    const std::uint64_t position = bytes.size();
    Bytes head;
    Put32(head, 0x41630E3B);
    Put32(head, std::uint32_t(data.size()) + sizeDelta);
    Put32(head, std::uint32_t(packed.size()));
    Put32(head, 2);
    Put32(head, 0);
    Set32(head, 16, DwgChecksum(packed, DwgChecksum(head, 0)) ^ (badChecksum ? 1u : 0u));
    bytes.insert(bytes.end(), head.begin(), head.end());
    bytes.insert(bytes.end(), packed.begin(), packed.end());
    pageMap.push_back({number, std::uint32_t(20 + packed.size()), position - 0x100, 0, 0, 0});
  }
};

// Knobs of a whole synthetic R2004 file, one damage at a time.
struct Synthetic2004 {
  const char* sectionName = "AcDb:Header";
  std::uint32_t encrypted = 0;
  bool badPageMapChecksum = false;
  bool badSectionMapChecksum = false;
  std::uint32_t pageMapSizeDelta = 0;     // stated size off by this
  std::uint32_t sectionMapSizeDelta = 0;
  std::int32_t sectionMapId = 1;          // the id the header names
  std::uint64_t pageMapAddressDelta = 0;  // moves the page map address
  bool shortSectionMap = false;           // 10 bytes only
};

Bytes WriteSynthetic2004(const Synthetic2004& knobs) {
  PagedFile file;
  const char* version = "AC1018";
  std::memcpy(file.bytes.data(), version, 6);
  // The header section's page: bytes that are no header variables.
  file.AddPage(2, Bytes(64, 0x33));
  Bytes sectionMap = knobs.shortSectionMap ? Bytes(10, 0) : SectionMap(knobs.sectionName, 1, knobs.encrypted);
  if (!knobs.shortSectionMap) {
    // Its one page is page 2, 64 bytes at offset 0.
    Set32(sectionMap, 20 + 96, 2);
    Set32(sectionMap, 20 + 96 + 4, 64);
  }
  file.AddSystemPage(1, sectionMap, knobs.badSectionMapChecksum, knobs.sectionMapSizeDelta);
  // The page map lists every page in file order, itself last.
  const std::uint64_t pageMapAddress = file.bytes.size() - 0x100;
  Bytes map;
  std::uint32_t lastSize = 0;
  for (const DwgPageMapRecord& r : file.pageMap) {
    Put32(map, std::uint32_t(r.number));
    Put32(map, r.size);
  }
  Put32(map, 3);
  Put32(map, lastSize);
  file.AddSystemPage(3, map, knobs.badPageMapChecksum, knobs.pageMapSizeDelta);
  Bytes block(0x6C, 0);
  Set32(block, 0x54, std::uint32_t(pageMapAddress + knobs.pageMapAddressDelta));
  Set32(block, 0x5C, std::uint32_t(knobs.sectionMapId));
  std::uint32_t seed = 1;
  for (std::size_t i = 0; i < block.size(); ++i) {
    seed = seed * 0x343FDu + 0x269EC3u;
    file.bytes[0x80 + i] = block[i] ^ std::uint8_t(seed >> 16);
  }
  return file.bytes;
}

DocumentResult LoadBytes(const Bytes& bytes) {
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  return LoadDwgStream(in, WString(u"synthetic.dwg"), nullptr, nullptr);
}

TEST(DwgContainer2004, EachDamageGivesItsStepsDetail) {
  // Whole, the container reads up to the header section, whose bytes are
  // not header variables: the header reader's own detail.
  DocumentResult whole = LoadBytes(WriteSynthetic2004({}));
  EXPECT_EQ(int(whole.Code()), 5002);
  EXPECT_EQ(whole.Detail().ToUtf8(), "10009");
  struct Case {
    Synthetic2004 knobs;
    const char* detail;
    int code;
  };
  auto with = [](auto change) {
    Synthetic2004 k;
    change(k);
    return k;
  };
  const Case cases[] = {
      {with([](Synthetic2004& k) { k.pageMapAddressDelta = 1u << 30; }), "10017", 5002},
      {with([](Synthetic2004& k) { k.badPageMapChecksum = true; }), "10118", 5002},
      {with([](Synthetic2004& k) { k.pageMapSizeDelta = 1; }), "10018", 5002},
      {with([](Synthetic2004& k) { k.sectionMapId = 9; }), "10019", 5002},
      {with([](Synthetic2004& k) { k.badSectionMapChecksum = true; }), "10118", 5002},
      {with([](Synthetic2004& k) { k.sectionMapSizeDelta = 1; }), "10021", 5002},
      {with([](Synthetic2004& k) { k.shortSectionMap = true; }), "10050", 5002},
      {with([](Synthetic2004& k) { k.sectionName = "AcDb:Other"; }), "501", 5002},
      {with([](Synthetic2004& k) { k.encrypted = 1; }), "501", 5003},
  };
  for (const Case& c : cases) {
    const DocumentResult result = LoadBytes(WriteSynthetic2004(c.knobs));
    EXPECT_EQ(int(result.Code()), c.code) << c.detail;
    EXPECT_EQ(result.Detail().ToUtf8(), c.detail);
  }
  // A system page of more than 10,000,000 compressed bytes is refused
  // before it is read; exactly that many are read (and then fail their
  // check value here).
  for (std::uint32_t stated : {10'000'000u, 10'000'001u}) {
    for (bool sectionMap : {false, true}) {
      Bytes bytes = WriteSynthetic2004({});
      // Page map head: right after the section map page; find both heads
      // by their page type word.
      std::vector<std::size_t> heads;
      for (std::size_t at = 0x100; at + 4 <= bytes.size(); ++at) {
        if (bytes[at] == 0x3B && bytes[at + 1] == 0x0E && bytes[at + 2] == 0x63 && bytes[at + 3] == 0x41) {
          heads.push_back(at);
        }
      }
      ASSERT_EQ(heads.size(), 2u);
      Set32(bytes, (sectionMap ? heads[0] : heads[1]) + 8, stated);
      bytes.resize(bytes.size() + stated, 0);
      const std::string expected = stated > 10'000'000u ? (sectionMap ? "10802" : "10801") : "10118";
      EXPECT_EQ(LoadBytes(bytes).Detail().ToUtf8(), expected) << stated << sectionMap;
    }
  }
  // Flag 2 (unknown) reads as plain: the header reader is reached.
  EXPECT_EQ(LoadBytes(WriteSynthetic2004(with([](Synthetic2004& k) { k.encrypted = 2; }))).Detail().ToUtf8(),
            "10009");
}


DwgSectionDescription Description(std::vector<DwgSectionPageEntry> pages, std::uint32_t largest = 0x7400) {
  DwgSectionDescription d;
  d.name = "AcDb:Header";
  d.pageCount = std::uint32_t(pages.size());
  d.largestPage = largest;
  d.pages = std::move(pages);
  return d;
}

std::string ReadAllBytes(DwgSection2004& section) {
  std::string out;
  std::uint8_t b = 0;
  while (section.NextByte(b)) out.push_back(char(b));
  return out;
}

TEST(DwgContainer2004, SectionPagesArePaddedToTheNextStartAndChecked) {
  PagedFile file;
  file.AddPage(10, Bytes{'a', 'b', 'c', 'd', 'e'});
  file.AddPage(11, Bytes{'v', 'w', 'x', 'y', 'z'});
  ByteArray memory(8);
  memory.Append(file.bytes.data(), std::uint32_t(file.bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  // Found without regard to case; the first page is padded up to offset 8.
  std::vector<DwgSectionDescription> sections = {Description({{10, 5, 0}, {11, 5, 8}})};
  DwgSection2004 section(in, file.pageMap, sections, "acdb:header");
  ASSERT_TRUE(section.Ok());
  EXPECT_EQ(section.ReadSectionByte2004(9), 'w');
  EXPECT_EQ(section.ReadSectionByte2004(2), 'c');  // back to the first page
  DwgSection2004 whole(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(whole), std::string("abcde\0\0\0vwxyz", 13));
  EXPECT_EQ(whole.PagesRead(), 2u);
  EXPECT_FALSE(whole.Ok());  // past the last page
  // A next offset that does not increase, and padding past the largest
  // page, fail the page.
  sections = {Description({{10, 5, 0}, {11, 5, 0}})};
  DwgSection2004 same(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(same), "");
  EXPECT_EQ(same.Failure(), DwgPageFailure::Size);
  sections = {Description({{10, 5, 0}, {11, 5, 0x7401}})};
  DwgSection2004 far(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(far), "");
  EXPECT_EQ(far.Failure(), DwgPageFailure::Size);
  // A page whose data grows past the largest page fails its decompression.
  sections = {Description({{10, 5, 0}}, 4)};
  DwgSection2004 small(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(small), "");
  EXPECT_EQ(small.Failure(), DwgPageFailure::Decompression);
  // A page missing from the page map, or no pages, leave the section unopened.
  sections = {Description({{10, 5, 0}, {12, 5, 8}})};
  EXPECT_FALSE(DwgSection2004(in, file.pageMap, sections, "AcDb:Header").Ok());
  sections = {Description({})};
  EXPECT_FALSE(DwgSection2004(in, file.pageMap, sections, "AcDb:Header").Ok());
  // An encrypted section is refused with its message; flag 2 reads as plain.
  sections = {Description({{10, 5, 0}})};
  sections[0].encrypted = 1;
  DwgSection2004 locked(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_FALSE(locked.Ok());
  EXPECT_EQ(locked.Status(), kStrDwgEncrypted);
  sections[0].encrypted = 2;
  DwgSection2004 unknown(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(unknown), "abcde");
}

TEST(DwgContainer2004, ChangedCheckValueFailsThePage) {
  PagedFile file;
  file.AddPage(10, Bytes{'a', 'b', 'c', 'd', 'e'}, true);
  ByteArray memory(8);
  memory.Append(file.bytes.data(), std::uint32_t(file.bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  const std::vector<DwgSectionDescription> sections = {Description({{10, 5, 0}})};
  DwgSection2004 section(in, file.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(section), "");
  EXPECT_EQ(section.Failure(), DwgPageFailure::Checksum);
  // One changed data byte fails the data check value.
  PagedFile other;
  other.AddPage(10, Bytes{'a', 'b', 'c', 'd', 'e'});
  other.bytes[0x100 + 33] ^= 0x40;
  ByteArray memory2(8);
  memory2.Append(other.bytes.data(), std::uint32_t(other.bytes.size()));
  InFileStream in2 = InFileStream::FromMemory(memory2);
  DwgSection2004 damaged(in2, other.pageMap, sections, "AcDb:Header");
  EXPECT_EQ(ReadAllBytes(damaged), "");
  EXPECT_EQ(damaged.Failure(), DwgPageFailure::Checksum);
}

TEST(DwgContainer2004, PagedReleasesGiveTheSameModelSpaceAsR2000) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport reference;
  ASSERT_TRUE(LoadDwgFile(WString::FromUtf8((dir / "dwg" / "libredwg_example_2000.dwg").string()), nullptr,
                          &reference).Ok());
  for (const char* name : {"libredwg_example_2004.dwg", "libredwg_example_2010.dwg", "libredwg_example_2013.dwg",
                           "libredwg_example_2018.dwg"}) {
    DwgLoadReport report;
    const DocumentResult result = LoadDwgFile(WString::FromUtf8((dir / "dwg" / name).string()), nullptr, &report);
    ASSERT_TRUE(result.Ok()) << name;
    EXPECT_TRUE(report.headerChecked) << name;
    EXPECT_EQ(report.entities, reference.entities) << name;
    // Listed difference: the classes section of R2007 and later is not
    // mapped yet, so entities typed by class number (ACAD_TABLE,
    // ARC_DIMENSION, MULTILEADER) are not handed over from R2010 on.
    auto expected = reference.dispatched;
    if (std::string(name) != "libredwg_example_2004.dwg") {
      expected.erase("ACAD_TABLE");
      expected.erase("ARC_DIMENSION");
      expected.erase("MULTILEADER");
    }
    EXPECT_EQ(report.dispatched, expected) << name;
    // Listed difference: from R2010 on the sample stores the system lights
    // layer as "*ADSK_SYSTEM_LIGHTS".
    std::vector<std::string> layers = report.layers;
    for (std::string& layer : layers) {
      if (layer == "*ADSK_SYSTEM_LIGHTS") layer.erase(0, 1);
    }
    EXPECT_EQ(layers, reference.layers) << name;
  }
}

TEST(DwgContainer2004, DamagedPagedFilesAreRefusedNeverRead) {
  KVN_REQUIRE_TESTDATA(dir);
  const Bytes whole = [&] {
    std::FILE* f = std::fopen((dir / "dwg" / "libredwg_example_2004.dwg").string().c_str(), "rb");
    Bytes b;
    if (!f) return b;
    std::uint8_t buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
    std::fclose(f);
    return b;
  }();
  ASSERT_GT(whole.size(), 0x200u);
  // Cuts and single changed bytes all over the file end in a refusal or a
  // document, never a crash.
  for (std::size_t at = 0x80; at < whole.size(); at += whole.size() / 61) {
    for (bool cut : {true, false}) {
      Bytes damaged = whole;
      if (cut) damaged.resize(at);
      else damaged[at] ^= 0x5A;
      ByteArray memory(8);
      memory.Append(damaged.data(), std::uint32_t(damaged.size()));
      InFileStream in = InFileStream::FromMemory(memory);
      const DocumentResult result = LoadDwgStream(in, WString(u"damaged.dwg"), nullptr, nullptr);
      EXPECT_TRUE(result.Ok() || int(result.Code()) == 5002) << at << (cut ? " cut" : " changed");
    }
  }
}

}  // namespace
}  // namespace kvn
