// Font styles: every record kind round-trips, stored outlines stand in for a
// family the machine lacks, memory fonts are shared and released, and
// damaged records leave the font without that data.
#include <gtest/gtest.h>

#include <map>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/FontList.h"
#include "model/ObjectTypes.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "platform/fonts/FontSources.h"
#include "platform/fonts/RealizedFont.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

using test::MemoryArchive;
using test::PrivateFonts;

const std::vector<std::string> kWithSans = {test::kLiberationSans, test::kDejaVuSans};
const std::vector<std::string> kWithoutSans = {test::kDejaVuSans};

#define REQUIRE_FONTS(files) \
  if (!test::FontFilesPresent(files)) GTEST_SKIP() << "Debian fonts-liberation2/fonts-dejavu-core missing"

// Resets the global font list around a test that changes the installed fonts.
struct FreshFontList {
  FreshFontList() { FontList::ResetForTest(); }
  ~FreshFontList() { FontList::ResetForTest(); }
};

std::vector<std::uint8_t> Record(const cStyleFont& font) {
  return test::Archive([&](ArchiveWriter& w) {
    font.Write(w, nullptr);
    w.WriteByte(0xEE);
  });
}

// Reads a record of a font named `name`; the byte after it must be 0xEE.
std::unique_ptr<cStyleFont> ReadBack(const std::vector<std::uint8_t>& bytes, const char16_t* name,
                                     int version = kCurrentFileVersion) {
  MemoryArchive m(bytes);
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(name);
  EXPECT_TRUE(font->Read(m.Reader(), version, nullptr));
  EXPECT_EQ(m.Reader().ReadByte(), 0xEE);
  return font;
}

// A kind-2 font of "Liberation Sans" whose regular face holds "AŽg ".
std::unique_ptr<cStyleFont> StoredOutlinesFont() {
  auto set = std::make_unique<TrueTypeFaceSet>(WString(u"Liberation Sans"));
  EXPECT_TRUE(set->IsAvailable());
  set->LoadGlyphs(WString(u"A\u017Dg "), 0);
  set->outlinesStored = 1;
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(u"Liberation Sans");
  font->SetOwnFaceSet(std::move(set));
  return font;
}

TEST(FontStyle, StoredOutlinesRoundTripAndStandInForAMissingFamily) {
  REQUIRE_FONTS(kWithSans);
  FreshFontList fresh;
  std::vector<std::uint8_t> bytes;
  {
    PrivateFonts fonts("style-with", kWithSans);
    std::unique_ptr<cStyleFont> font = StoredOutlinesFont();
    EXPECT_EQ(font->GetKind(), FontRecordKind::kOutlinesCarried);
    TrueTypeFace* face = font->FaceSet()->GetFace(0);
    ASSERT_NE(face, nullptr);
    ASSERT_FALSE(face->metrics.empty());
    EXPECT_EQ(face->glyphs.size(), 5u);  // with the default character
    EXPECT_TRUE(font->FaceSet()->rangesKnown);
    EXPECT_TRUE(font->FaceSet()->capFromTables);
    bytes = Record(*font);
    // Read back while the family is there: the same record again.
    std::unique_ptr<cStyleFont> back = ReadBack(bytes, u"Liberation Sans");
    EXPECT_EQ(Record(*back), bytes);
  }
  FontList::ResetForTest();
  PrivateFonts fonts("style-without", kWithoutSans);
  std::unique_ptr<cStyleFont> back = ReadBack(bytes, u"Liberation Sans");
  TrueTypeFaceSet* set = back->FaceSet();
  ASSERT_NE(set, nullptr);
  EXPECT_FALSE(set->IsAvailable());
  TrueTypeFace* face = set->GetFace(0);
  ASSERT_NE(face, nullptr);
  const FontGlyph* a = face->GetGlyph(u'A');
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->advance, 32);
  EXPECT_FALSE(a->outline.empty());
  // A character that was not stored gives the stored default character.
  const FontGlyph* missing = face->GetGlyph(u'Q');
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->code, OutlineMetricsView(face->metrics).Text().defaultChar);
  double cap = 0;
  EXPECT_EQ(GetFaceSetMetrics(*set, &cap, 0), &face->metrics);
  EXPECT_NEAR(cap, 43.5 * 1409 / 1854, 1e-9);  // sCapHeight over usWinAscent, at the fine ascent
  EXPECT_EQ(Record(*back), bytes);
}

TEST(FontStyle, EveryKindRoundTrips) {
  FreshFontList fresh;
  // No data.
  cStyleFont none;
  EXPECT_EQ(ReadBack(Record(none), u"")->GetKind(), FontRecordKind::kNoData);
  // By name, with and without the character set byte.
  cStyleFont byName;
  byName.name = WString(u"Some Face");
  byName.SetOwnFaceSet(std::make_unique<TrueTypeFaceSet>(byName.name));
  byName.FaceSet()->pitchAndFamily = 0x22;
  byName.FaceSet()->charSet = 238;
  const std::vector<std::uint8_t> current = Record(byName);
  auto back = ReadBack(current, u"Some Face");
  EXPECT_EQ(back->GetKind(), FontRecordKind::kByName);
  EXPECT_EQ(back->FaceSet()->charSet, 238);
  EXPECT_EQ(back->FaceSet()->pitchAndFamily, 0x22);
  // Version 3107 has no character set byte.
  std::vector<std::uint8_t> old = {0, 0x22, 0xEE};
  back = ReadBack(old, u"Some Face", 3107);
  EXPECT_EQ(back->FaceSet()->charSet, 0);
  // SHX with its bytes.
  cStyleFont shx;
  shx.name = WString(u"mine.shx");
  auto file = std::make_unique<ShxFont>();
  file->bytes = {1, 2, 3};
  file->flag = 1;
  shx.BindFace(nullptr, std::move(file));
  shx.shx->penWidth = 8.5;
  shx.shx->penFlag = 1;
  back = ReadBack(Record(shx), u"mine.shx");
  ASSERT_EQ(back->GetKind(), FontRecordKind::kShx);
  EXPECT_EQ(back->Shx()->bytes, (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(back->Shx()->flag, 1);
  EXPECT_EQ(back->shx->penWidth, 8.5);
  EXPECT_EQ(back->shx->penFlag, 1u);
  EXPECT_EQ(Record(*back), Record(shx));
}

void FakeShxArchive(std::vector<std::unique_ptr<cStyleFont>>& list, int blob) {
  if (blob != 0) return;
  auto font = std::make_unique<cStyleFont>();
  font->name = WString(u"txt.shx");
  font->shx = std::make_unique<ShxFontPair>();
  font->shx->own = std::make_unique<ShxFont>();
  font->shx->own->bytes = {7, 7};
  list.push_back(std::move(font));
}

TEST(FontStyle, BindingSharesTheListsData) {
  FreshFontList fresh;
  SetShxArchiveLoader(&FakeShxArchive);
  // An SHX font named like a built-in one borrows it and is written without
  // its bytes.
  cStyleFont shx;
  shx.name = WString(u"TXT.SHX");
  auto own = std::make_unique<ShxFont>();
  own->bytes = {1};
  shx.BindFace(nullptr, std::move(own));
  EXPECT_EQ(shx.name, WString(u"txt.shx"));
  ASSERT_NE(shx.shx->shared, nullptr);
  EXPECT_EQ(shx.Shx()->bytes, (std::vector<std::uint8_t>{7, 7}));
  const std::vector<std::uint8_t> bytes = Record(shx);
  auto back = ReadBack(bytes, u"txt.shx");
  EXPECT_EQ(back->Shx(), shx.Shx());
  EXPECT_LT(bytes.size(), 12u);
  // Bound without data, a font takes the entry's kind.
  cStyleFont byName;
  byName.name = WString(u"txt.shx");
  byName.BindFace(nullptr, nullptr);
  EXPECT_EQ(byName.GetKind(), FontRecordKind::kShx);
  // A TrueType font with own data does not take an SHX entry of its name.
  cStyleFont tt;
  tt.name = WString(u"txt.shx");
  tt.BindFace(std::make_unique<TrueTypeFaceSet>(tt.name), nullptr);
  EXPECT_EQ(tt.trueType->shared, nullptr);
  // "Arial Narrow CE" with its own data becomes "Arial Narrow", sharing the
  // list's family.
  cStyleFont narrow;
  narrow.name = WString(u"arial narrow ce");
  narrow.BindFace(std::make_unique<TrueTypeFaceSet>(narrow.name), nullptr);
  EXPECT_EQ(narrow.name, WString(u"Arial Narrow"));
  EXPECT_EQ(narrow.trueType->shared, FontList::FindByName(WString(u"Arial Narrow"))->FaceSet());
  EXPECT_EQ(narrow.GetKind(), FontRecordKind::kByName);
  SetShxArchiveLoader(nullptr);
}

TEST(FontStyle, CarriedFontFilesAreSharedAndReleased) {
  REQUIRE_FONTS(std::vector<std::string>({test::kLiberationNarrow, test::kDejaVuSans}));
  FreshFontList fresh;
  PrivateFonts fonts("style-memory", kWithoutSans);
  const std::vector<std::uint8_t> file = test::ReadFileBytes(test::kLiberationNarrow);
  const std::vector<std::uint8_t> record = test::Archive([&](ArchiveWriter& w) {
    w.WriteByte(1);
    w.WriteByte(0x22);
    w.WriteByte(0);
    w.WriteRaw32(std::uint32_t(file.size()));
    w.Write(file.data(), std::uint32_t(file.size()));
    w.WriteByte(0xEE);
  });
  const std::size_t before = MemoryFontCount();
  {
    auto first = ReadBack(record, u"Liberation Sans Narrow");
    auto second = ReadBack(record, u"Liberation Sans Narrow");
    EXPECT_EQ(MemoryFontCount(), before + 1);
    MemoryFontRecord* shared = first->FaceSet()->memoryFont;
    ASSERT_EQ(shared, second->FaceSet()->memoryFont);
    EXPECT_EQ(shared->refCount, 2u);
    EXPECT_FALSE(shared->added);
    EXPECT_EQ(Record(*first), record);
    // Handed to the font layer when a face is realised, once.
    EXPECT_TRUE(first->FaceSet()->IsAvailable());
    TrueTypeFace* face = first->FaceSet()->CreateFace(0);
    ASSERT_NE(face->GetGlyph(u'A'), nullptr);
    EXPECT_TRUE(shared->added);
    EXPECT_TRUE(face->font->Source().file.empty());
    (void)second->FaceSet()->CreateFace(0)->GetGlyph(u'A');
    EXPECT_EQ(first->GetKind(), FontRecordKind::kFileCarried);
    // The realised face tells the family's text-metric pitch and family.
    EXPECT_EQ(first->FaceSet()->pitchAndFamily, 0x27);
  }
  EXPECT_EQ(MemoryFontCount(), before);
}

// A carried file that is no font: the family turns unavailable when a face
// is first realised, and no other face stands in for it.
TEST(FontStyle, ACarriedFileThatIsNoFontIsNotUsed) {
  FreshFontList fresh;
  PrivateFonts fonts("style-bad-file", kWithoutSans);
  const std::vector<std::uint8_t> record = test::Archive([&](ArchiveWriter& w) {
    w.WriteByte(1);
    w.WriteByte(0x22);
    w.WriteByte(0);
    w.WriteRaw32(4);
    w.Write("\x00\x01\x00\x00", 4);
    w.WriteByte(0xEE);
  });
  auto font = ReadBack(record, u"Bad File Face");
  TrueTypeFaceSet* set = font->FaceSet();
  EXPECT_TRUE(set->IsAvailable());
  TrueTypeFace* face = set->CreateFace(0);
  EXPECT_EQ(face->GetGlyph(u'A'), nullptr);
  EXPECT_EQ(set->state, 0);
  EXPECT_EQ(face->GetOutlineMetrics(), nullptr);
  EXPECT_EQ(Record(*font), record);
}

TEST(FontStyle, EdgeCasesOfKind2Records) {
  FreshFontList fresh;
  // rangesKnown 0: the record ends after that bit.
  auto back = ReadBack(test::Archive([](ArchiveWriter& w) {
                         w.WriteByte(2);
                         w.WriteByte(0x22);
                         w.WriteByte(0);
                         w.WriteBit(false);
                         w.WriteByte(0xEE);
                       }),
                       u"Gone Face");
  EXPECT_EQ(back->GetKind(), FontRecordKind::kOutlinesCarried);
  EXPECT_FALSE(back->FaceSet()->rangesKnown);
  // A face holding only its default character is written as absent.
  TrueTypeFaceSet* set = back->FaceSet();
  TrueTypeFace* face = set->CreateFace(0);
  std::vector<std::uint8_t> block(kOutlineMetricsSize, 0);
  block[0] = std::uint8_t(kOutlineMetricsSize);
  block[otm::kTextMetrics + 48] = 0x1F;  // tmDefaultChar
  face->metrics = block;
  face->glyphs.push_back(std::make_unique<FontGlyph>());
  face->glyphs[0]->code = 0x1F;
  set->rangesKnown = 1;
  std::vector<std::uint8_t> bytes = Record(*back);
  auto again = ReadBack(bytes, u"Gone Face");
  EXPECT_EQ(again->FaceSet()->GetFace(0), nullptr);
  face->glyphs.push_back(std::make_unique<FontGlyph>());
  face->glyphs[1]->code = u'A';
  again = ReadBack(Record(*back), u"Gone Face");
  ASSERT_NE(again->FaceSet()->GetFace(0), nullptr);
  EXPECT_EQ(again->FaceSet()->GetFace(0)->glyphs.size(), 2u);
}

// The faults of stored data: a metrics block below its fixed size is not
// used; a glyph list that runs past the end drops the stored set; every
// prefix of a record reads without crashing.
TEST(FontStyle, DamagedRecordsLeaveTheFontWithoutThatData) {
  FreshFontList fresh;
  auto slot = [](ArchiveWriter& w, std::uint16_t m, std::uint16_t glyphs) {
    w.WriteByte(2);
    w.WriteByte(0x22);
    w.WriteByte(0);
    w.WriteBit(true);
    w.WriteBit(false);
    w.WriteUInt16(0);
    w.WriteBit(true);
    w.WriteCompactDouble(30.0);
    w.WriteUInt16(m);
    for (int i = 0; i < m; ++i) w.WriteByte(i == 0 ? std::uint8_t(m) : 0);
    w.WriteUInt16(glyphs);
    w.WriteUInt16(u'A');
    w.WriteUInt16(30);
    w.WriteUInt16(0);
    w.WriteBit(false);
    w.WriteBit(false);
    w.WriteBit(false);
  };
  auto shortBlock = ReadBack(test::Archive([&](ArchiveWriter& w) {
                               slot(w, 40, 1);
                               w.WriteByte(0xEE);
                             }),
                             u"Gone Face");
  ASSERT_NE(shortBlock->FaceSet()->GetFace(0), nullptr);
  EXPECT_TRUE(shortBlock->FaceSet()->GetFace(0)->metrics.empty());
  // Ten glyphs announced, one there.
  const std::vector<std::uint8_t> cut = test::Archive([&](ArchiveWriter& w) { slot(w, 40, 10); });
  MemoryArchive m(cut);
  cStyleFont font;
  font.name = WString(u"Gone Face");
  (void)font.Read(m.Reader(), kCurrentFileVersion, nullptr);
  ASSERT_NE(font.FaceSet(), nullptr);
  EXPECT_FALSE(font.FaceSet()->outlinesStored);
  EXPECT_EQ(font.FaceSet()->GetFace(0), nullptr);
  const std::vector<std::uint8_t> whole = test::Archive([&](ArchiveWriter& w) { slot(w, 40, 1); });
  for (std::size_t n = 0; n < whole.size(); ++n) {
    MemoryArchive part(std::vector<std::uint8_t>(whole.begin(), whole.begin() + std::ptrdiff_t(n)));
    cStyleFont f;
    f.name = WString(u"Gone Face");
    (void)f.Read(part.Reader(), kCurrentFileVersion, nullptr);
  }
}

// Stored glyphs come in any order and may repeat a code: the face holds
// them by code, the first of each code kept, whatever the order written
// (descending, shuffled, repeated, a whole face's worth).
TEST(FontStyle, StoredGlyphsAreHeldByCodeTheFirstOfEachKept) {
  FreshFontList fresh;
  const auto read = [](const std::vector<std::uint16_t>& codes) {
    const std::vector<std::uint8_t> bytes = test::Archive([&](ArchiveWriter& w) {
      w.WriteByte(2);
      w.WriteByte(0x22);
      w.WriteByte(0);
      w.WriteBit(true);
      w.WriteBit(false);
      w.WriteUInt16(0);
      w.WriteBit(true);
      w.WriteCompactDouble(30.0);
      w.WriteUInt16(0);
      w.WriteUInt16(std::uint16_t(codes.size()));
      for (std::size_t i = 0; i < codes.size(); ++i) {
        w.WriteUInt16(codes[i]);
        w.WriteUInt16(std::uint16_t(i));  // the advance tells which one was kept
        w.WriteUInt16(0);
      }
      w.WriteBit(false);
      w.WriteBit(false);
      w.WriteBit(false);
    });
    MemoryArchive m(bytes);
    auto font = std::make_unique<cStyleFont>();
    font->name = WString(u"Gone Face");
    (void)font->Read(m.Reader(), kCurrentFileVersion, nullptr);
    return font;
  };
  std::vector<std::uint16_t> whole(65535);
  for (std::size_t i = 0; i < whole.size(); ++i) whole[i] = std::uint16_t((i * 40503u + 7u) % 65536u);
  const std::vector<std::vector<std::uint16_t>> cases = {
      {u'C', u'B', u'A'}, {u'B', u'A', u'B', u'C', u'A'}, {7, 7, 7}, whole};
  for (const auto& codes : cases) {
    SCOPED_TRACE(::testing::Message() << codes.size() << " glyphs, first " << codes[0]);
    auto font = read(codes);
    ASSERT_NE(font->FaceSet(), nullptr);
    const TrueTypeFace* face = font->FaceSet()->GetFace(0);
    ASSERT_NE(face, nullptr);
    std::map<std::uint16_t, std::uint16_t> first;
    for (std::size_t i = 0; i < codes.size(); ++i) first.emplace(codes[i], std::uint16_t(i));
    ASSERT_EQ(face->glyphs.size(), first.size());
    auto expected = first.begin();
    for (const auto& glyph : face->glyphs) {
      EXPECT_EQ(glyph->code, expected->first);
      EXPECT_EQ(glyph->advance, expected->second);
      ++expected;
    }
  }
}

TEST(FontStyle, FindOrAddFontBindsToTheList) {
  FreshFontList fresh;
  cDrawingData data;
  const std::uint16_t arial = data.FindOrAddFont(WString(u"arial"));
  EXPECT_EQ(data.FontStyles().Get(arial)->GetKind(), FontRecordKind::kByName);
  EXPECT_NE(data.FontStyles().Get(arial)->trueType->shared, nullptr);
  EXPECT_EQ(data.FindOrAddFont(WString(u"ARIAL")), arial);
  const WString alternative(u"Other");
  const std::uint16_t own = data.FindOrAddFont(WString(u"Not Listed Face"), true, false, &alternative);
  EXPECT_EQ(own, 1);
  cStyleFont* font = data.FontStyles().Get(own);
  EXPECT_EQ(font->GetKind(), FontRecordKind::kOutlinesCarried);
  EXPECT_NE(font->FaceSet()->GetFace(1), nullptr);
  EXPECT_EQ(font->alternativeName, alternative);
  // Glyph loading ignores a missing font index.
  data.LoadGlyphs(0xFFFF, WString(u"a"), 0);
  data.LoadGlyphs(7, WString(u"a"), 0);
}

}  // namespace
}  // namespace kvn
