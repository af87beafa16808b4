// The control library's small helpers: a resource's bytes, the reported
// file copy (success, overwrite, failures and their boxes), the narrow-text
// helpers.
#include "controls/ControlUtilities.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "tests/support/Language.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

class RecordingBoxes : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& request) override {
    texts.push_back(request.text.ToUtf8());
    return kIdOk;
  }
  std::vector<std::string> texts;
};

class Owner : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

std::string Read(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(ControlUtilities, LoadRawResourceCopiesTheBytesOrGivesNull) {
  const auto bitmap = LoadRawResource(18920, ResourceType::Bitmap);
  ASSERT_NE(bitmap, nullptr);
  const std::span<const std::uint8_t> original = FindResource(ResourceType::Bitmap, 18920);
  EXPECT_TRUE(std::equal(bitmap->begin(), bitmap->end(), original.begin(), original.end()));
  EXPECT_EQ(LoadRawResource(4242, ResourceType::Bitmap), nullptr);
  // An empty resource counts as missing.
  const std::uint8_t none[1] = {};
  ScopedResourceOverride empty(ResourceType::Bitmap, 18920, std::span<const std::uint8_t>(none, 0));
  EXPECT_EQ(LoadRawResource(18920, ResourceType::Bitmap), nullptr);
}

TEST(ControlUtilities, CopyFileWithReport) {
  test::UseLanguage(kLanguageEnglish);
  RecordingBoxes boxes;
  MessageBoxBackend* previous = SetMessageBoxBackend(&boxes);
  Owner owner;
  test::ScratchDir dir;
  auto W = [](const std::filesystem::path& p) { return WString::FromUtf8(p.string()); };
  const auto source = dir / "plan.kvn";
  { std::ofstream(source, std::ios::binary) << "drawing"; }
  ::chmod(source.c_str(), 0444);
  const auto target = dir / "copy.kvn";
  std::uint32_t error = 1;

  // A copy of a read-only file is writable.
  ASSERT_TRUE(CopyFileWithReport(W(source), W(target), false, &owner, &error));
  EXPECT_EQ(error, 0u);
  EXPECT_EQ(Read(target), "drawing");
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  // An existing target: refused without overwrite, replaced with it.
  { std::ofstream(target, std::ios::binary) << "old"; }
  EXPECT_FALSE(CopyFileWithReport(W(source), W(target), false, &owner, &error));
  EXPECT_EQ(error, 80u);
  EXPECT_EQ(Read(target), "old");
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0].rfind("Cannot copy file", 0), 0u) << boxes.texts[0];
  EXPECT_TRUE(CopyFileWithReport(W(source), W(target), true, &owner, &error));
  EXPECT_EQ(Read(target), "drawing");
  // A missing source and a folder are "Cannot open the file:"; no owner, no box.
  EXPECT_FALSE(CopyFileWithReport(W(dir / "missing.kvn"), W(target), true, &owner, &error));
  EXPECT_FALSE(CopyFileWithReport(W(dir.Path()), W(target), true, &owner, &error));
  ASSERT_EQ(boxes.texts.size(), 3u);
  EXPECT_EQ(boxes.texts[1].rfind("Cannot open the file:", 0), 0u) << boxes.texts[1];
  EXPECT_NE(boxes.texts[1].find("missing.kvn"), std::string::npos);
  EXPECT_EQ(boxes.texts[2].rfind("Cannot open the file:", 0), 0u) << boxes.texts[2];
  // A target in a folder that does not exist.
  EXPECT_FALSE(CopyFileWithReport(W(source), W(dir / "no" / "copy.kvn"), true, nullptr, &error));
  EXPECT_EQ(error, 2u);  // POSIX reports the missing folder as ENOENT
  EXPECT_EQ(boxes.texts.size(), 3u);
  SetMessageBoxBackend(previous);
}

TEST(ControlUtilities, NarrowTextHelpers) {
  std::string text = "a;b;;c";
  ReplaceChar(text, '\t', ';');
  EXPECT_EQ(text, "a\tb\t\tc");
  ReplaceChar(text, 'x', '?');
  EXPECT_EQ(text, "a\tb\t\tc");
  std::unique_ptr<char[]> holder;
  SetOwnedText(holder, "first");
  ASSERT_NE(holder, nullptr);
  EXPECT_STREQ(holder.get(), "first");
  const char* old = holder.get();
  SetOwnedText(holder, "a longer second text");
  EXPECT_STREQ(holder.get(), "a longer second text");
  EXPECT_NE(holder.get(), old);
  SetOwnedText(holder, nullptr);
  EXPECT_EQ(holder, nullptr);
}

}  // namespace
}  // namespace kvn
