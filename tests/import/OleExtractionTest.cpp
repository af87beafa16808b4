// Pictures inside embedded OLE objects: compound files written by libgsf's
// writer with the three kinds of stream, sub-storages, nesting, damaged
// pictures and damaged compound files.
#include "import/pictures/OleExtraction.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/ole/OleStorage.h"
#include "tests/support/OleFixtures.h"

namespace kvn {
namespace {

using test::OleNode;

struct Collected {
  OlePictureList presentations, natives;
  ByteArray contents;
  bool opened = false;
};

Collected Collect(const std::vector<OleNode>& tree) {
  Collected c;
  const std::vector<std::uint8_t> bytes = test::WriteOleTree(tree);
  auto storage = OleStorage::OpenBytes(bytes.data(), bytes.size());
  c.opened = storage != nullptr;
  if (storage) CollectOlePictures(*storage, c.presentations, c.natives, &c.contents);
  return c;
}

std::unique_ptr<cOutObj> Picture(const std::string& bytes) {
  return MakePictureFromBytes(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

const std::string kBmp = test::SmallBmpFile(3, 2, 0x0000FF);

TEST(OleExtraction, ContentsBytesAloneGiveNoPicture) {
  Collected c = Collect({OleNode::Stream("CONTENTS", "raw object data")});
  ASSERT_TRUE(c.opened);
  EXPECT_EQ(std::string(c.contents.begin(), c.contents.end()), "raw object data");
  EXPECT_TRUE(c.natives.empty());
  EXPECT_TRUE(c.presentations.empty());
}

TEST(OleExtraction, NativeAndPresentationStreamsDropTheirHeadersWhateverTheCase) {
  Collected c = Collect({OleNode::Stream("\001ole10native", "SIZE" + kBmp),
                         OleNode::Stream("\002OLEPRES000", std::string(40, 'h') + test::SmallEmf()),
                         OleNode::Stream("Contents", kBmp)});
  ASSERT_EQ(c.natives.size(), 1u);
  const cBitmap* native = c.natives[0]->AsBitmap();
  ASSERT_NE(native, nullptr);
  EXPECT_EQ(native->StoredDib()->Width(), 3);
  EXPECT_EQ(native->StoredDib()->Height(), 2);
  ASSERT_EQ(c.presentations.size(), 1u);
  EXPECT_NE(c.presentations[0]->AsWmf(), nullptr);
  EXPECT_EQ(c.contents.Count(), kBmp.size());
}

TEST(OleExtraction, ShortOrEmptyStreamsMakeNoPicture) {
  // A presentation of only its header, a native stream shorter than its
  // size prefix, an empty stream: no picture and no failure.
  Collected c = Collect({OleNode::Stream("\002OlePres000", std::string(40, 'h')),
                         OleNode::Stream("\001Ole10Native", "ab"), OleNode::Stream("CONTENTS", "")});
  ASSERT_TRUE(c.opened);
  EXPECT_TRUE(c.presentations.empty());
  EXPECT_TRUE(c.natives.empty());
  EXPECT_EQ(c.contents.Count(), 0u);
}

TEST(OleExtraction, OnlyCompoundPartStoragesAreVisitedAndNotTooDeep) {
  const OleNode native = OleNode::Stream("\001Ole10Native", "SIZE" + kBmp);
  // The contents of a part are not the object's contents.
  Collected c = Collect({OleNode::Storage("Other", {native}),
                         OleNode::Storage("OcPart1", {native, OleNode::Stream("CONTENTS", "part")}),
                         OleNode::Stream("OcPartStream", "SIZE" + kBmp)});
  ASSERT_TRUE(c.opened);
  EXPECT_EQ(c.natives.size(), 1u);
  EXPECT_EQ(c.contents.Count(), 0u);

  // Parts inside parts: found down to the depth limit, not below it.
  auto nested = [&](int depth) {
    OleNode node = OleNode::Storage("OcPart", {native});
    for (int i = 1; i < depth; ++i) node = OleNode::Storage("OcPart" + std::to_string(i), {node});
    return Collect({node}).natives.size();
  };
  EXPECT_EQ(nested(kMaxOcPartDepth), 1u);
  EXPECT_EQ(nested(kMaxOcPartDepth + 1), 0u);
}

TEST(OleExtraction, BytesBecomeABitmapOrAMetafileOnlyWhenTheyPassTheChecks) {
  auto bitmap = Picture(kBmp);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_NE(bitmap->AsBitmap(), nullptr);
  // 3 x 2 pixels at the default 4000 pixels per metre.
  EXPECT_DOUBLE_EQ(bitmap->AsBitmap()->frame.width, 0.75);
  auto metafile = Picture(test::SmallEmf());
  ASSERT_NE(metafile, nullptr);
  EXPECT_NE(metafile->AsWmf(), nullptr);

  // A header claiming more rows than there are bytes, a bit count no
  // picture has, an EMF cut before its end record, plain text: nothing.
  std::string tall = kBmp;
  tall[22] = char(0x7F);
  std::string oddBits = kBmp;
  oddBits[28] = 7;
  const std::string emf = test::SmallEmf();
  for (const std::string& bad : {tall, oddBits, emf.substr(0, emf.size() - 20), std::string("not a picture")}) {
    EXPECT_EQ(Picture(bad), nullptr);
  }
  EXPECT_EQ(MakePictureFromBytes(nullptr, 0), nullptr);
}

TEST(OleExtraction, DamagedCompoundFilesEndCleanly) {
  const std::vector<std::uint8_t> good =
      test::WriteOleTree({OleNode::Stream("\001Ole10Native", "SIZE" + kBmp),
                          OleNode::Storage("OcPart1", {OleNode::Stream("\002OlePres000", std::string(40, 0) + kBmp)}),
                          OleNode::Stream("CONTENTS", test::SmallEmf())});
  std::mt19937 random(38);
  int opened = 0;
  for (int round = 0; round < 300; ++round) {
    std::vector<std::uint8_t> bad = good;
    for (int i = 0; i < 6; ++i) bad[8 + random() % (bad.size() - 8)] = std::uint8_t(random());
    if (round % 4 == 0) bad.resize(8 + random() % (bad.size() - 8));
    auto storage = OleStorage::OpenBytes(bad.data(), bad.size());
    if (!storage) continue;
    ++opened;
    OlePictureList presentations, natives;
    ByteArray contents;
    CollectOlePictures(*storage, presentations, natives, &contents);
    for (const auto& p : natives) EXPECT_TRUE(p->AsBitmap() || p->AsWmf());
  }
  EXPECT_GT(opened, 0);
}

}  // namespace
}  // namespace kvn
