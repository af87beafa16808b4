// OLE compound files: listing and reading streams within size limits, and
// refusing what is no compound file.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/ole/OleStorage.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn::test {
namespace {

TEST(OleStorage, ListsAndReadsStreams) {
  const std::string big(5000, 'b');
  const auto bytes = WriteOleCompoundFile({{"Contents", "hello"}, {"Big", big}});
  ASSERT_TRUE(HasOleSignature(bytes.data(), bytes.size()));
  auto storage = OleStorage::OpenBytes(bytes.data(), bytes.size());
  ASSERT_NE(storage, nullptr);
  std::vector<OleElement> elements = storage->ListElements();
  ASSERT_EQ(elements.size(), 2u);
  const OleElement* contents = nullptr;
  const OleElement* large = nullptr;
  for (const OleElement& e : elements) {
    EXPECT_TRUE(e.isStream);
    if (e.name == "Contents") contents = &e;
    if (e.name == "Big") large = &e;
  }
  ASSERT_TRUE(contents && large);
  EXPECT_EQ(contents->size, 5u);
  ByteArray out;
  ASSERT_TRUE(storage->ReadWholeStream(out, *contents));
  EXPECT_EQ(std::string(out.begin(), out.end()), "hello");
  ASSERT_TRUE(storage->ReadWholeStream(out, *large));
  EXPECT_EQ(out.Count(), 5000u);
  // Beyond the caller's limit nothing is read and the array is emptied.
  EXPECT_FALSE(storage->ReadWholeStream(out, *large, 4999));
  EXPECT_EQ(out.Count(), 0u);
  OleElement missing{"Nothing", true, 3};
  EXPECT_FALSE(storage->ReadWholeStream(out, missing));
  EXPECT_EQ(storage->OpenStorage("Contents"), nullptr);
}

TEST(OleStorage, OpensFilesByPath) {
  ScratchDir dir;
  const std::string path = (dir / "old.kvn").string();
  ASSERT_TRUE(SaveBytes(path, WriteOleCompoundFile({{"Contents", "x"}})));
  auto storage = OleStorage::OpenPath(WString::FromUtf8(path));
  ASSERT_NE(storage, nullptr);
  EXPECT_EQ(storage->ListElements().size(), 1u);
  EXPECT_EQ(OleStorage::OpenPath(WString::FromUtf8((dir / "none").string())), nullptr);
}

TEST(OleStorage, RefusesOrSurvivesDamagedFiles) {
  const std::vector<std::uint8_t> text(600, 'a');
  EXPECT_FALSE(HasOleSignature(text.data(), text.size()));
  EXPECT_EQ(OleStorage::OpenBytes(text.data(), text.size()), nullptr);
  EXPECT_EQ(OleStorage::OpenBytes(kOleSignature, sizeof kOleSignature), nullptr);

  const auto good = WriteOleCompoundFile({{"Contents", std::string(3000, 'c')}, {"Other", "abc"}});
  std::mt19937 random(7);
  for (int round = 0; round < 400; ++round) {
    std::vector<std::uint8_t> bad = good;
    for (int i = 0; i < 4; ++i) bad[8 + random() % (bad.size() - 8)] = std::uint8_t(random());
    if (round % 3 == 0) bad.resize(8 + random() % (bad.size() - 8));
    auto storage = OleStorage::OpenBytes(bad.data(), bad.size());
    if (!storage) continue;
    for (const OleElement& e : storage->ListElements()) {
      ByteArray out;
      const bool read = storage->ReadWholeStream(out, e, 1 << 20);
      EXPECT_EQ(out.Count(), read ? e.size : 0u);
    }
  }
}

}  // namespace
}  // namespace kvn::test
