// The built-in archives: blobs inflated with their size and check value
// verified, QDAT entries, and the fonts an archive adds to the font list,
// on archives made here.
#include <gtest/gtest.h>

#include "foundation/DeflateWriter.h"
#include "foundation/OutFileStream.h"
#include "foundation/Resources.h"
#include "model/FontList.h"
#include "model/cStyleFont.h"
#include "tests/support/ShxFixtures.h"
#include "text/ShxArchive.h"
#include "text/ShxParsedFont.h"

namespace kvn {
namespace {

using test::MakeQdat;
using test::MakeShapesFile;
using test::QdatMember;

// u32 size, raw deflate data, check value: as the build writes the blobs.
std::vector<std::uint8_t> MakeBlob(const std::vector<std::uint8_t>& data, std::uint32_t announced) {
  ByteArray sink;
  {
    auto out = OutFileStream::ToMemory(sink);
    out.Write(&announced, 4);
    DeflateWriter deflater(&out, 1);
    EXPECT_TRUE(deflater.Write(data.data(), std::uint32_t(data.size())));
    EXPECT_TRUE(deflater.Finish());
    EXPECT_TRUE(out.Flush());
  }
  return {sink.begin(), sink.end()};
}
std::vector<std::uint8_t> MakeBlob(const std::vector<std::uint8_t>& data) {
  return MakeBlob(data, std::uint32_t(data.size()));
}

std::vector<std::uint8_t> FontBytes(int advance) {
  return MakeShapesFile({{65, "A", {std::uint8_t(advance << 4), 0}}}, 10, 2);
}

TEST(ShxArchive, InflateStoredBlobChecksSizeAndCheckValue) {
  const std::vector<std::uint8_t> data(5000, 'x');
  EXPECT_EQ(InflateBlobBytes(MakeBlob(data)), data);
  // Stored size 0, or beyond the limit: nothing.
  EXPECT_FALSE(InflateBlobBytes(MakeBlob(data, 0)));
  EXPECT_FALSE(InflateBlobBytes(MakeBlob(data, kMaxBlobSize + 1)));
  // The data runs short of the announced size: nothing, rather than an array
  // whose end was never written.
  EXPECT_FALSE(InflateBlobBytes(MakeBlob(data, 6000)));
  // A damaged check value.
  std::vector<std::uint8_t> blob = MakeBlob(data);
  blob.back() ^= 0x55;
  EXPECT_FALSE(InflateBlobBytes(blob));
  // Cut inside the deflate data.
  blob = MakeBlob(data);
  blob.resize(blob.size() - 6);
  EXPECT_FALSE(InflateBlobBytes(blob));
  EXPECT_FALSE(InflateBlobBytes({}));
  EXPECT_FALSE(InflateStoredBlob(99));
}

TEST(ShxArchive, QdatEntries) {
  const std::vector<std::uint8_t> archive = MakeQdat(
      {{1, u"a.shx", {1, 2, 3}}, {2, u"folder", {}}, {1, u"b.shx", {4}}, {1, u"c.txt", {}}});
  std::vector<QdatEntry> entries;
  ASSERT_TRUE(ReadQdatEntries(std::span(archive).subspan(5), entries, WString()));
  ASSERT_EQ(entries.size(), 3u);  // the folder adds nothing
  EXPECT_EQ(entries[1].name, WString(u"b.shx"));
  // The offset points at the size field; the bytes follow it.
  const std::size_t at = entries[0].offset + 5;
  EXPECT_EQ(archive[at], 3);
  EXPECT_EQ(archive[at + 4], 1);

  // No end entry, an unknown type, a size beyond the archive: false, with the
  // complete entries before the fault kept.
  const std::vector<std::uint8_t> open = MakeQdat({{1, u"a.shx", {1}}}, false);
  entries.clear();
  EXPECT_FALSE(ReadQdatEntries(std::span(open).subspan(5), entries, WString()));
  EXPECT_EQ(entries.size(), 1u);
  std::vector<std::uint8_t> odd = MakeQdat({{1, u"a.shx", {1}}, {1, u"b.shx", {2}}});
  odd[5 + 1 + 1 + 10 + 8 + 4 + 1] = 7;
  entries.clear();
  EXPECT_FALSE(ReadQdatEntries(std::span(odd).subspan(5), entries, WString()));
  EXPECT_EQ(entries.size(), 1u);
  std::vector<std::uint8_t> huge = MakeQdat({{1, u"a.shx", {1, 2}}});
  huge[5 + 1 + 1 + 10 + 8 + 3] = 0x7F;
  entries.clear();
  EXPECT_FALSE(ReadQdatEntries(std::span(huge).subspan(5), entries, WString()));
  EXPECT_TRUE(entries.empty());
  EXPECT_FALSE(ReadQdatEntries({}, entries, WString()));
}

class ArchiveFonts : public ::testing::Test {
 protected:
  // An archive member shares the data of a listed font of its name; the
  // list a test before built may hold the program's own "Txt.shx".
  void SetUp() override { FontList::ResetForTest(); }
  void TearDown() override { FontList::ResetForTest(); }
  std::vector<std::unique_ptr<cStyleFont>> Load(const std::vector<std::uint8_t>& blob) {
    bytes_ = blob;
    ScopedResourceOverride over(ResourceType::ShxArchive, 7, std::span<const std::uint8_t>(bytes_));
    std::vector<std::unique_ptr<cStyleFont>> list;
    LoadShxArchive(list, 7);
    return list;
  }
  std::vector<std::uint8_t> bytes_;
};

TEST_F(ArchiveFonts, MembersBecomeCapitalisedFontsWithLazyBytes) {
  const std::vector<std::uint8_t> archive =
      MakeQdat({{1, u"ROMANS.SHX", FontBytes(3)}, {2, u"sub", {}}, {1, u"notes.txt", {9}}, {1, u"txt.shx", FontBytes(5)}});
  auto list = Load(MakeBlob(archive));
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->name, WString(u"Romans.shx"));
  EXPECT_EQ(list[1]->name, WString(u"Txt.shx"));
  ShxFont* txt = list[1]->Shx();
  ASSERT_NE(txt, nullptr);
  EXPECT_TRUE(txt->bytes.empty());
  EXPECT_EQ(txt->blobId, 7);
  {
    ScopedResourceOverride over(ResourceType::ShxArchive, 7, std::span<const std::uint8_t>(bytes_));
    ASSERT_TRUE(LoadShxFontData(*txt));
  }
  EXPECT_EQ(txt->bytes, FontBytes(5));
  ShxGlyph* a = txt->parsed->GetGlyph(u'A');
  a->Compute(*txt->parsed);
  EXPECT_DOUBLE_EQ(a->penEnd.x, 5);
}

TEST_F(ArchiveFonts, DamagedArchives) {
  // Size field 0: no archive, no fonts.
  EXPECT_TRUE(Load(MakeBlob(MakeQdat({{1, u"a.shx", FontBytes(1)}}), 0)).empty());
  // Wrong magic or version.
  std::vector<std::uint8_t> archive = MakeQdat({{1, u"a.shx", FontBytes(1)}});
  archive[4] = 2;
  EXPECT_TRUE(Load(MakeBlob(archive)).empty());
  // Cut short after one whole entry: that entry is listed.
  archive = MakeQdat({{1, u"a.shx", FontBytes(1)}, {1, u"b.shx", FontBytes(2)}}, false);
  archive.resize(archive.size() - 10);
  auto list = Load(MakeBlob(archive));
  ASSERT_EQ(list.size(), 1u);
  // An archive font whose offset lies outside the archive gets no bytes.
  list[0]->Shx()->archiveOffset = std::int64_t(archive.size()) - 2;
  {
    ScopedResourceOverride over(ResourceType::ShxArchive, 7, std::span<const std::uint8_t>(bytes_));
    EXPECT_FALSE(LoadShxFontData(*list[0]->Shx()));
  }
}

}  // namespace
}  // namespace kvn
