// The multileader per release: the item sequence the dispatcher's
// multileader reading takes (leaders before the rest of the context data,
// nesting markers, placeholders filled with the handles read at the end,
// texts in their places).
#include <gtest/gtest.h>

#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"
#include "tests/support/DwgComplexWriter.h"

namespace kvn {
namespace {

using namespace test;

constexpr int kReleases[] = {15, 18, 21, 24, 27, 32};

struct Read {
  Read(const std::vector<std::uint8_t>& bytes, int release) : data(bytes), source(data), reader(WString(), release) {
    reader.SetSource(&source);
    reader.AddDwgClass(kMultiLeaderClass, "MULTILEADER", true);
    ok = reader.ReadDwgObject(std::uint32_t(data.size()));
    record = RecordOf(reader);
    bytesOut = reader.TakeRecord();
    codes = CodesOf(bytesOut);
  }
  std::vector<std::uint8_t> data;
  DwgMemorySource source;
  DwgReader reader;
  bool ok = false;
  std::unique_ptr<YxxfGroupRecord> record;
  std::vector<std::uint8_t> bytesOut;
  std::vector<int> codes;
};

std::vector<std::u16string> StringsOf(const YxxfGroupRecord& r, std::uint16_t code) {
  std::vector<std::u16string> out;
  std::uint32_t at = 0;
  WString s;
  while (r.FindString(s, code, &at)) out.emplace_back(s.View());
  return out;
}

DwgMLeaderSpec TextSpec() {
  DwgMLeaderSpec s;
  DwgMLeaderLeader leader;
  leader.connection = {4, 4, 0};
  leader.landing = 2;
  DwgMLeaderLine line;
  line.points = {{0, 0, 0}, {2, 2, 0}};
  line.index = 7;
  line.lineType = 0x15;
  line.arrow = 0x60;
  leader.lines = {line};
  s.leaders = {leader};
  s.textStyle = 0x11;
  s.style = 0x61;
  s.lineType = 0x16;
  s.arrow = 0x63;
  s.entityTextStyle = 0x12;
  s.block = 0x64;
  s.arrowHeads = {0x65};
  s.attributes = {{0x66, "TAG1"}, {0x67, "TAG2"}};
  return s;
}

// The group codes of a multileader's record in the order the object stores
// its items, from the first leader on; `text` picks text content over block
// content.
std::vector<int> ExpectedCodes(int release, bool text) {
  const bool r2010 = release >= 24;
  std::vector<int> c = {302, 10, 20, 30, 11, 21, 31, 40, 304, 10, 20, 30, 10, 20, 30, 91};
  if (r2010) c.insert(c.end(), {170, 92, 340, 40, 341, 93});
  c.push_back(305);
  if (r2010) c.push_back(271);
  c.insert(c.end(), {303, 300, 40, 10, 20, 30, 41, 140, 145, 174, 175, 176, 177, 290});
  if (text) {
    c.insert(c.end(), {304, 340, 12, 22, 32, 13, 23, 33, 42, 43, 44, 45, 170, 90, 171, 172, 91, 141, 92, 291, 292,
                       173, 293, 295, 296});
  } else {
    c.insert(c.end(), {296, 341, 14, 24, 34, 15, 25, 35, 16, 26, 36, 46, 93});
    for (int i = 0; i < 16; ++i) c.push_back(47);
  }
  c.insert(c.end(), {110, 120, 130, 111, 121, 131, 112, 122, 132, 297, 301, 340, 90, 170, 91, 341, 171, 290, 291, 41,
                     342, 42, 172, 343, 173, 95, 174, 175, 92, 292, 344, 93, 10, 20, 30, 43, 176, 293});
  if (release <= 21) c.push_back(345);
  c.insert(c.end(), {330, 302, 177, 44, 330, 302, 177, 44, 294, 178, 179, 45});
  if (r2010) c.insert(c.end(), {271, 273, 272});
  return c;
}

std::vector<int> OwnCodes(const std::vector<int>& codes) {
  // From the first leader marker (R2010 and later: the version item before
  // it) up to the common handle items that follow the own fields.
  int begin = IndexOf(codes, 302);
  if (begin < 0) return {};
  std::vector<int> out(codes.begin() + begin, codes.end());
  // Common handle items close the record: layer, line type and the
  // pseudo-codes of owner and links.
  while (!out.empty() && (out.back() == 8 || out.back() == 6 || out.back() >= 32768)) out.pop_back();
  return out;
}

// Equal sequences, or where they part.
::testing::AssertionResult SameCodes(const std::vector<int>& got, const std::vector<int>& expected) {
  for (std::size_t i = 0; i < std::max(got.size(), expected.size()); ++i) {
    const int a = i < got.size() ? got[i] : -1, b = i < expected.size() ? expected[i] : -1;
    if (a != b) {
      return ::testing::AssertionFailure() << "item " << i << ": got " << a << ", expected " << b << " (sizes "
                                           << got.size() << ", " << expected.size() << ")";
    }
  }
  return ::testing::AssertionSuccess();
}

TEST(DwgMultiLeader, ItemSequencePerRelease) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(MultiLeaderObject(release, 0x80, TextSpec()), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.reader.EntityCode(), entity::kMultiLeader);
    EXPECT_TRUE(SameCodes(OwnCodes(got.codes), ExpectedCodes(release, true)));
    EXPECT_EQ(got.record->GetInt(270, -1), release >= 24 ? 2 : -1);
  }
}

TEST(DwgMultiLeader, MarkersAndTextsInPlace) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(MultiLeaderObject(release, 0x80, TextSpec()), release);
    ASSERT_TRUE(got.ok);
    const YxxfGroupRecord& r = *got.record;
    EXPECT_EQ(StringsOf(r, 300), (std::vector<std::u16string>{u"CONTEXT_DATA{"}));
    EXPECT_EQ(StringsOf(r, 301), (std::vector<std::u16string>{u"}"}));
    EXPECT_EQ(StringsOf(r, 302), (std::vector<std::u16string>{u"LEADER{", u"TAG1", u"TAG2"}));
    EXPECT_EQ(StringsOf(r, 303), (std::vector<std::u16string>{u"}"}));
    // The default text sits where its field is, after 290, not at the end.
    EXPECT_EQ(StringsOf(r, 304), (std::vector<std::u16string>{u"LEADER_LINE{", u"NOTE"}));
    EXPECT_EQ(StringsOf(r, 305), (std::vector<std::u16string>{u"}"}));
    const int text = IndexOf(got.codes, 290);
    ASSERT_GE(text, 0);
    EXPECT_EQ(got.codes[std::size_t(text) + 1], 304);
  }
}

TEST(DwgMultiLeader, EveryPlaceholderReceivesItsHandle) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(MultiLeaderObject(release, 0x80, TextSpec()), release);
    ASSERT_TRUE(got.ok);
    std::vector<std::pair<std::uint16_t, std::uint64_t>> placeholders;
    for (const auto& item : RecordHandleItems(got.bytesOut)) {
      if (item.first >= 330 && item.first <= 345) placeholders.push_back(item);
    }
    using P = std::pair<std::uint16_t, std::uint64_t>;
    std::vector<P> expected;
    if (release >= 24) expected.insert(expected.end(), {P{340, 0x15}, P{341, 0x60}});
    expected.insert(expected.end(), {P{340, 0x11}, P{340, 0x61}, P{341, 0x16}, P{342, 0x63}, P{343, 0x12},
                                     P{344, 0x64}});
    if (release <= 21) expected.push_back({345, 0x65});
    expected.insert(expected.end(), {P{330, 0x66}, P{330, 0x67}});
    EXPECT_EQ(placeholders, expected);
  }
}

TEST(DwgMultiLeader, BlockContentAndColoursPerRelease) {
  DwgMLeaderSpec s = TextSpec();
  s.hasText = false;
  s.hasBlock = true;
  s.contentBlock = 0x70;
  s.attributes.resize(2);
  s.attributes[0].text = "A";
  s.attributes[1].text = "B";
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    // Before R2004 colours are indices turned into RGB; from R2004 RGB.
    s.colourIndex = release >= 18 ? 0x123456 : 1;
    Read got(MultiLeaderObject(release, 0x80, s), release);
    ASSERT_TRUE(got.ok);
    EXPECT_TRUE(SameCodes(OwnCodes(got.codes), ExpectedCodes(release, false)));
    EXPECT_EQ(got.record->GetInt(296), 1);
    EXPECT_EQ(got.record->GetHandle(341, std::uint32_t(IndexOf(got.codes, 300))), 0x70u);
    std::uint32_t at = std::uint32_t(IndexOf(got.codes, 300));
    std::int32_t colour = 0;
    ASSERT_TRUE(got.record->FindInt(colour, 93, &at));
    EXPECT_EQ(colour, release >= 18 ? 0x123456 : 0xFF0000);
    EXPECT_EQ(StringsOf(*got.record, 302), (std::vector<std::u16string>{u"LEADER{", u"A", u"B"}));
  }
}

// Colours with a colour and a book name: from R2007 the names are texts of
// the string data, read there, and the items stay as they were.
TEST(DwgMultiLeader, NamedColoursInEveryRelease) {
  for (int release : {18, 21, 24, 27, 32}) {
    SCOPED_TRACE(release);
    DwgMLeaderSpec s = TextSpec();
    s.colourIndex = 0xC2102030;
    s.colourName = "RED 40";
    Read got(MultiLeaderObject(release, 0x80, s), release);
    ASSERT_TRUE(got.ok);
    EXPECT_TRUE(SameCodes(OwnCodes(got.codes), ExpectedCodes(release, true)));
    EXPECT_EQ(StringsOf(*got.record, 304), (std::vector<std::u16string>{u"LEADER_LINE{", u"NOTE"}));
    // The entity's leader-line colour.
    EXPECT_EQ(std::uint32_t(got.record->GetInt(91, 0, std::uint32_t(IndexOf(got.codes, 301)))), 0xC2102030u);
  }
}

}  // namespace
}  // namespace kvn
