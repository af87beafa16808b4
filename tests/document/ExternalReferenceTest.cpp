// External references in temporary folders: the three kinds of stored
// paths, a stored Windows path found part by part without regard to case,
// a missing file given up (once for two sheets naming it, through a
// recording answerer) or found again, a reference inside a reference
// refused once with the chain of files, too few sheets.
#include "document/ExternalReference.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "document/LoadQuestions.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "model/cBlock.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

class RecordingQuestions : public LoadQuestions {
 public:
  explicit RecordingQuestions(int answer) : answer_(answer) {}
  bool GoOn(const LoadQuestion& q) override { return Ask(q) == kIdYes; }
  int Ask(const LoadQuestion& q) override {
    asked.push_back(q.textId);
    details.push_back(q.detail.ToUtf8());
    // After the first answer: Cancel, so that a repeated question ends.
    return asked.size() == 1 ? answer_ : kIdCancel;
  }
  int ChooseSheet(const std::vector<WString>& items) override {
    for (const WString& item : items) sheetItems.push_back(item.ToUtf8());
    return sheetAnswer;
  }
  std::vector<int> asked;
  std::vector<std::string> details;
  std::vector<std::string> sheetItems;
  int sheetAnswer = -1;

 private:
  int answer_;
};

test::FixtureSheet Drawn(const char16_t* name) {
  test::FixtureSheet s;
  s.name = name;
  s.lines.push_back(test::FixtureLine{{0, 0}, {100, 50}});
  return s;
}

test::FixtureSheet Reference(const std::u16string& path, std::uint8_t kind, std::uint16_t sheet = 0) {
  test::FixtureSheet s;
  s.name = u"Ref";
  s.reference = true;
  s.referencePath = path;
  s.referenceKind = kind;
  s.referenceSheet = sheet;
  return s;
}

std::unique_ptr<cDrawingDoc> Open(const fs::path& path, LoadQuestions* questions, int* error = nullptr) {
  OpenRequest request;
  request.questions = questions;
  OpenOutcome outcome;
  auto doc = OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
  if (error) *error = outcome.errorCode;
  return doc;
}

void Save(const fs::path& path, std::vector<test::FixtureSheet> sheets) {
  test::FixtureDocument doc;
  doc.sheets = std::move(sheets);
  fs::create_directories(path.parent_path());
  ASSERT_TRUE(test::SaveBytes(path.string(), test::WriteNativeFile(doc)));
}

bool HasObjects(cDrawingDoc& doc, std::uint32_t sheet) {
  return doc.GetSheet(sheet) && doc.GetSheet(sheet)->TopBlock().FirstObject() != nullptr;
}

TEST(ExternalReference, PathsOfEveryKindAndAWindowsPathFoundWithoutCase) {
  test::ScratchDir dir;
  Save(dir / "sub" / "plan.kvn", {Drawn(u"A"), Drawn(u"B")});
  const std::string absolute = (dir / "sub" / "plan.kvn").string();
  Save(dir / "host.kvn", {Drawn(u"Own"), Reference(std::u16string(WString::FromUtf8(absolute).View()), 0),
                          Reference(u"sub/plan.kvn", 1, 1), Reference(u"..\\HOST-DIR\\Sub\\PLAN.KVN", 2)});
  // Kind 2 of the old files: relative to the host's folder, Windows style.
  fs::rename(dir.Path(), dir.Path().parent_path() / "host-dir");
  const fs::path moved = dir.Path().parent_path() / "host-dir";
  RecordingQuestions never(kIdCancel);
  auto doc = Open(moved / "host.kvn", &never);
  fs::rename(moved, dir.Path());
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->SheetCount(), 4u);
  EXPECT_FALSE(HasObjects(*doc, 1));  // the absolute path was moved away: given up
  EXPECT_TRUE(HasObjects(*doc, 2));   // relative to the host
  EXPECT_TRUE(HasObjects(*doc, 3));   // ..\HOST-DIR\Sub\PLAN.KVN
  EXPECT_EQ(doc->GetSheet(2)->isReference, 1);
  EXPECT_EQ(doc->GetSheet(2)->referencedSheet, 1);
  EXPECT_EQ(never.asked.size(), 1u);  // the missing one, asked once
}

TEST(ExternalReference, AMissingFileIsAskedAboutOnceAndQuietLoadsNeverAsk) {
  test::ScratchDir dir;
  Save(dir / "host.kvn", {Reference(u"gone.kvn", 1), Reference(u"gone.kvn", 1)});
  RecordingQuestions cancel(kIdCancel);
  auto doc = Open(dir / "host.kvn", &cancel);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->SheetCount(), 2u);
  ASSERT_EQ(cancel.asked.size(), 1u);
  EXPECT_EQ(cancel.asked[0], 18271);
  EXPECT_NE(cancel.details[0].find("gone.kvn"), std::string::npos);

  OpenRequest quiet;
  quiet.quiet = true;
  RecordingQuestions unused(kIdYes);
  quiet.questions = &unused;
  OpenOutcome outcome;
  auto again = OpenDrawingFile(WString::FromUtf8((dir / "host.kvn").string()), quiet, outcome);
  ASSERT_NE(again, nullptr);
  EXPECT_TRUE(unused.asked.empty());
}

TEST(ExternalReference, NestedReferencesAreRefusedOnceWithTheChainAndMutualOnesEnd) {
  test::ScratchDir dir;
  Save(dir / "leaf.kvn", {Drawn(u"Leaf")});
  Save(dir / "middle.kvn", {Reference(u"leaf.kvn", 1)});
  Save(dir / "a.kvn", {Reference(u"b.kvn", 1)});
  Save(dir / "b.kvn", {Reference(u"a.kvn", 1)});
  Save(dir / "host.kvn", {Reference(u"middle.kvn", 1), Reference(u"a.kvn", 1)});
  RecordingQuestions ok(kIdOk);
  auto doc = Open(dir / "host.kvn", &ok);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->SheetCount(), 2u);
  EXPECT_FALSE(HasObjects(*doc, 0));
  ASSERT_EQ(ok.asked.size(), 1u);  // told once per load
  EXPECT_EQ(ok.asked[0], 18402);
  EXPECT_NE(ok.details[0].find("middle.kvn\n->\n"), std::string::npos) << ok.details[0];
  EXPECT_NE(ok.details[0].find("leaf.kvn"), std::string::npos);
}

// The file the shell's File-Open would give.
WString g_chosenFile;
WString ChooseTheFile(const WString&) { return g_chosenFile; }

TEST(ExternalReference, NoChoosesAnotherFileAndASheetOfIt) {
  test::ScratchDir dir;
  Save(dir / "other" / "three.kvn", {Drawn(u"A"), Drawn(u""), Drawn(u"C")});
  Save(dir / "other" / "one.kvn", {Drawn(u"Only")});
  Save(dir / "host.kvn", {Reference(u"gone.kvn", 1, 1), Reference(u"gone.kvn", 1, 0)});
  const ReferenceFileChooser previous = SetReferenceFileChooser(&ChooseTheFile);

  // Three sheets: the user picks the third from "number - name" items.
  g_chosenFile = WString::FromUtf8((dir / "other" / "three.kvn").string());
  RecordingQuestions no(kIdNo);
  no.sheetAnswer = 2;
  auto doc = Open(dir / "host.kvn", &no);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->SheetCount(), 2u);
  EXPECT_EQ(no.asked.size(), 1u);
  // A sheet without a name shows the default name ("Drawing 2").
  const std::string unnamed = "2 - " + LoadLangString(18252).ToUtf8() + " 2";
  EXPECT_EQ(no.sheetItems, (std::vector<std::string>{"1 - A", unnamed, "3 - C"}));
  EXPECT_TRUE(HasObjects(*doc, 0));
  EXPECT_EQ(doc->GetSheet(0)->referencePath.ToUtf8(), g_chosenFile.ToUtf8());
  // The second reference to the missing file takes the chosen one unasked,
  // with its own sheet index.
  EXPECT_TRUE(HasObjects(*doc, 1));
  EXPECT_EQ(doc->GetSheet(1)->referencePath.ToUtf8(), g_chosenFile.ToUtf8());

  // One sheet: taken without a choice, though the reference named sheet 1.
  g_chosenFile = WString::FromUtf8((dir / "other" / "one.kvn").string());
  RecordingQuestions single(kIdNo);
  doc = Open(dir / "host.kvn", &single);
  ASSERT_NE(doc, nullptr);
  EXPECT_TRUE(single.sheetItems.empty());
  EXPECT_TRUE(HasObjects(*doc, 0));

  // No sheet picked: the question comes again (answered Cancel) and the
  // sheet stays empty.
  g_chosenFile = WString::FromUtf8((dir / "other" / "three.kvn").string());
  RecordingQuestions none(kIdNo);
  doc = Open(dir / "host.kvn", &none);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(none.asked.size(), 2u);
  EXPECT_FALSE(HasObjects(*doc, 0));
  EXPECT_FALSE(HasObjects(*doc, 1));
  SetReferenceFileChooser(previous);
}

TEST(ExternalReference, TooFewSheetsEndTheLoad) {
  test::ScratchDir dir;
  Save(dir / "one.kvn", {Drawn(u"Only")});
  Save(dir / "host.kvn", {Reference(u"one.kvn", 1, 3)});
  int error = 0;
  auto doc = Open(dir / "host.kvn", nullptr, &error);
  EXPECT_EQ(doc, nullptr);
  EXPECT_EQ(error, 999);
}

}  // namespace
}  // namespace kvn
