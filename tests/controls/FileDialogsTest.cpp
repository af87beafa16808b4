// The file dialogs' rules without the chooser: the chooser's answer is
// played by a test double of DoExecute, the overwrite question by a counted
// answer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "controls/FileDialogs.h"
#include "foundation/DialogFolder.h"
#include "foundation/Registry.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

WString W(const fs::path& p) { return WString::FromUtf8(p.string()); }
std::u16string U(const fs::path& p) { return std::u16string(W(p).View()); }

// Plays the chooser: leaves a name buffer and a filter index as the system
// dialog would, or cancels.
class PlayedDialog : public TOpenSaveDialogMy {
 public:
  using TOpenSaveDialogMy::TOpenSaveDialogMy;
  std::u16string answerBuffer;
  std::uint32_t answerFilter = 1;
  bool cancel = false;
  int askAnswer = kIdOk;
  int asked = 0;
  WString askedName;

 protected:
  int DoExecute() override {
    if (cancel) return 2;
    Data().fileName = answerBuffer;
    Data().filterIndex = answerFilter;
    return 1;
  }
  int AskOverwrite(const WString& path) override {
    ++asked;
    askedName = path;
    return askAnswer;
  }
};

class FileDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* old = std::getenv("KVN_SETTINGS_DIR")) oldSettings_ = old;
    ::setenv("KVN_SETTINGS_DIR", (scratch_ / "settings").c_str(), 1);
    SettingsStore::ResetGlobal();
    fs::create_directories(scratch_ / "work");
  }
  void TearDown() override {
    SettingsStore::ResetGlobal();
    if (oldSettings_.empty()) {
      ::unsetenv("KVN_SETTINGS_DIR");
    } else {
      ::setenv("KVN_SETTINGS_DIR", oldSettings_.c_str(), 1);
    }
  }
  fs::path Work(const std::string& name) const { return scratch_ / "work" / name; }

  test::ScratchDir scratch_;
  std::string oldSettings_;
};

const WString kSaveFilter(u"Drawing (*.kvn)|*.kvn|DXF file (*.dxf)|*.dxf|No dot|dxfonly|All files|*.*");

TEST(FileDialogData, BarAndNulFiltersGiveTheSameList) {
  FileDialogData bar(0, WString(u"Drawings|*.kvn;*.dxf|All files|*.*"));
  const std::u16string nul(u"Drawings\0*.kvn;*.dxf\0All files\0*.*\0\0garbage", 42);
  FileDialogData list(0, WString(std::u16string_view(nul)));
  EXPECT_EQ(bar.filter, list.filter);
  ASSERT_EQ(bar.FilterPairs().size(), 2u);
  EXPECT_EQ(bar.FilterPairs()[1].second.ToUtf8(), "*.*");
  EXPECT_EQ(bar.FilterPattern(1).ToUtf8(), "*.kvn;*.dxf");
  EXPECT_TRUE(bar.FilterPattern(3).IsEmpty());
  // The explorer flags are always on.
  EXPECT_EQ(bar.flags & (kOfnExplorer | kOfnLongNames), kOfnExplorer | kOfnLongNames);

  // A trailing '|' gives the same list too.
  FileDialogData trailing(0, WString(u"Drawings|*.kvn;*.dxf|All files|*.*|"));
  EXPECT_EQ(trailing.filter, bar.filter);

  // The name buffer keeps at most 32766 characters.
  bar.SetFileName(WString(std::u16string(40000, u'a')));
  EXPECT_EQ(bar.fileName.size(), kFileNameBufferSize - 1);
  bar.SetFileName(nullptr);
  EXPECT_TRUE(bar.fileName.empty());
}

TEST(FileDialogData, ExtensionOfAFilterAndTheLayoutRule) {
  EXPECT_EQ(FilterExtension(WString(u"*.dxf")).ToUtf8(), ".dxf");
  EXPECT_TRUE(FilterExtension(WString(u"dxfonly")).IsEmpty());
  // A wildcard extension is no extension to append.
  EXPECT_TRUE(FilterExtension(WString(u"*.*")).IsEmpty());
  EXPECT_TRUE(FilterExtension(WString(u"*.dx?")).IsEmpty());
  EXPECT_TRUE(EndsWithNoCase(WString(u"PLAN.DXF"), WString(u".dxf")));
  EXPECT_FALSE(EndsWithNoCase(WString(u"dxf"), WString(u".dxf")));
  // A new file type renames only a name with the previous type's extension.
  const struct {
    const char16_t *name, *from, *to, *expected;
  } renames[] = {{u"plan.bmp", u".bmp", u".emf", u"plan.emf"},
                 {u"PLAN.BMP", u".bmp", u".emf", u"PLAN.emf"},
                 {u"plan.v2", u".bmp", u".emf", u"plan.v2"},
                 {u"plan", u".bmp", u".emf", u"plan"},
                 {u".bmp", u".bmp", u".emf", u".bmp"},
                 {u"plan.bmp", u"", u".emf", u"plan.bmp"},
                 {u"plan.bmp", u".bmp", u"", u"plan.bmp"}};
  for (const auto& r : renames) {
    EXPECT_EQ(NameForNewType(WString(r.name), WString(r.from), WString(r.to)).ToUtf8(), WString(r.expected).ToUtf8())
        << WString(r.name).ToUtf8();
  }

  const ExtraControlsLayout one = LayoutExtraControls(10, 300, false);
  EXPECT_EQ(one.firstWidth, 290);
  const ExtraControlsLayout two = LayoutExtraControls(10, 310, true);
  EXPECT_EQ(two.firstWidth, 150);
  EXPECT_EQ(two.secondLeft, 163);
  EXPECT_EQ(two.secondWidth, 147);
  EXPECT_EQ(two.thirdLeft, 163);
}

TEST(FileDialogData, TheNameOfASaveCarriesTheChosenTypesExtension) {
  const FileDialogData data(0, kSaveFilter);
  const struct {
    const char16_t* name;
    std::uint32_t filterIndex;
    const char16_t* expected;
  } names[] = {{u"plan", 2, u"plan.dxf"},
               // Another type's extension gives way, in any case.
               {u"plan.kvn", 2, u"plan.dxf"},
               {u"PLAN.KVN", 2, u"PLAN.dxf"},
               {u"plan.dxf", 1, u"plan.kvn"},
               {u"/w/plan.kvn", 2, u"/w/plan.dxf"},
               // The chosen type's own extension stays as typed.
               {u"plan.dxf", 2, u"plan.dxf"},
               {u"Plan.DXF", 2, u"Plan.DXF"},
               // A foreign extension, or a dot in a folder, is part of the name.
               {u"plan.v2", 2, u"plan.v2.dxf"},
               {u"/w/a.kvn/plan", 2, u"/w/a.kvn/plan.dxf"},
               {u".kvn", 2, u".kvn.dxf"},
               // Types without an extension, an index outside the list, no name.
               {u"plan.kvn", 3, u"plan.kvn"},
               {u"plan.kvn", 4, u"plan.kvn"},
               {u"plan.kvn", 9, u"plan.kvn"},
               {u"", 2, u""}};
  for (const auto& n : names) {
    EXPECT_EQ(NameWithTypeExtension(WString(n.name), data, n.filterIndex).ToUtf8(), WString(n.expected).ToUtf8())
        << WString(n.name).ToUtf8() << " as type " << n.filterIndex;
  }
}

TEST_F(FileDialogsTest, SaveAppendsTheFilterExtensionAndAsksOnlyForTheFormedName) {
  DialogFolder folder(WString(u"TestSave"), DialogFolder::kDocuments);
  {
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kSaveMode, 1, &folder, WString(), nullptr, data, 0, WString());
    dialog.answerBuffer = U(Work("plan"));
    dialog.answerFilter = 2;
    EXPECT_EQ(dialog.Execute(), 1);
    ASSERT_EQ(data.chosenFiles.size(), 1u);
    EXPECT_EQ(data.chosenFiles[0].ToUtf8(), Work("plan.dxf").string());
    EXPECT_EQ(dialog.asked, 0);  // no such file yet
    EXPECT_EQ(folder.GetFolder().ToUtf8(), (scratch_ / "work").string() + "/");
  }
  std::ofstream(Work("plan.dxf")) << "x";
  std::ofstream(Work("PLAN.DXF")) << "x";
  {
    // The formed name exists: the question; Cancel gives 2 and no file.
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kSaveMode, 1, &folder, WString(), nullptr, data, 0, WString());
    dialog.answerBuffer = U(Work("plan"));
    dialog.answerFilter = 2;
    dialog.askAnswer = kIdCancel;
    EXPECT_EQ(dialog.Execute(), 2);
    EXPECT_EQ(dialog.asked, 1);
    EXPECT_EQ(dialog.askedName.ToUtf8(), Work("plan.dxf").string());
    EXPECT_TRUE(data.chosenFiles.empty());
    // OK replaces it.
    dialog.askAnswer = kIdOk;
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(data.chosenFiles.size(), 1u);
  }
  {
    // A name that already ends with the extension, in any case: kept, not asked.
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kSaveMode, 0, &folder, WString(), nullptr, data, 0, WString());
    dialog.answerBuffer = U(Work("PLAN.DXF"));
    dialog.answerFilter = 2;
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(dialog.asked, 0);
    EXPECT_EQ(data.chosenFiles[0].ToUtf8(), Work("PLAN.DXF").string());
  }
  {
    // Another type's extension typed: the chosen type's takes its place,
    // and the existing file of that name is asked about.
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kSaveMode, 0, &folder, WString(), nullptr, data, 0, WString());
    dialog.answerBuffer = U(Work("plan.kvn"));
    dialog.answerFilter = 2;
    dialog.askAnswer = kIdOk;
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(dialog.asked, 1);
    ASSERT_EQ(data.chosenFiles.size(), 1u);
    EXPECT_EQ(data.chosenFiles[0].ToUtf8(), Work("plan.dxf").string());
  }
  for (std::uint32_t filterIndex : {3u, 4u}) {
    // A pattern without '.' and "*.*" keep the name as typed.
    SCOPED_TRACE(filterIndex);
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kSaveMode, 0, &folder, WString(), nullptr, data, 0, WString());
    dialog.answerBuffer = U(Work("plan"));
    dialog.answerFilter = filterIndex;
    EXPECT_EQ(dialog.Execute(), 1);
    EXPECT_EQ(data.chosenFiles[0].ToUtf8(), Work("plan").string());
  }
}

TEST_F(FileDialogsTest, MultipleSelectionGivesFullPathsAndRemembersTheFolder) {
  DialogFolder folder(WString(u"TestOpen"), DialogFolder::kDocuments);
  FileDialogData data(kOfnAllowMultiSelect, WString(u"All|*.*"));
  PlayedDialog dialog(TOpenSaveDialogMy::kOpenMode, 0, &folder, WString(), nullptr, data, 0, WString());
  std::u16string buffer = U(scratch_ / "work");
  buffer += std::u16string(u"\0a.kvn\0b.dxf  \0c.dwg\0", 21);
  dialog.answerBuffer = buffer;
  EXPECT_EQ(dialog.Execute(), 1);
  ASSERT_EQ(data.chosenFiles.size(), 3u);
  EXPECT_EQ(data.chosenFiles[0].ToUtf8(), Work("a.kvn").string());
  EXPECT_EQ(data.chosenFiles[1].ToUtf8(), Work("b.dxf").string());
  EXPECT_EQ(data.chosenFiles[2].ToUtf8(), Work("c.dwg").string());
  EXPECT_EQ(folder.GetFolder().ToUtf8(), (scratch_ / "work").string() + "/");

  // Cancel: 2 and nothing chosen.
  dialog.cancel = true;
  EXPECT_EQ(dialog.Execute(), 2);
  EXPECT_TRUE(data.chosenFiles.empty());
}

TEST_F(FileDialogsTest, FilterIndexSlotIsWrittenOnlyWhenItChanged) {
  auto stored = [] {
    SettingsStore::ResetGlobal();
    RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
    std::uint8_t defaultUsed = 1;
    const std::uint32_t v = key.GetDwordEx(WString(u"TestSlot_Index_2"), 0, defaultUsed);
    return defaultUsed ? -1 : int(v);
  };
  {
    DialogFolder folder(WString(u"TestSlot"), DialogFolder::kDocuments);
    FileDialogData data(0, kSaveFilter);
    data.filterIndex = 1;
    PlayedDialog dialog(TOpenSaveDialogMy::kOpenMode, 2, &folder, WString(), nullptr, data, 0, WString());
    dialog.cancel = true;  // the index stays 1, as the slot (0: none yet) ...
    EXPECT_EQ(dialog.Execute(), 2);
  }
  // ... differs: 0 in the slot, 1 in the record, so it is written once.
  EXPECT_EQ(stored(), 1);
  {
    DialogFolder folder(WString(u"TestSlot"), DialogFolder::kDocuments);
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kOpenMode, 2, &folder, WString(), nullptr, data, 0, WString());
    EXPECT_EQ(data.filterIndex, 1u);  // taken from the slot
    dialog.answerBuffer = U(Work("x.dxf"));
    dialog.answerFilter = 1;
    EXPECT_EQ(dialog.Execute(), 1);
    // Unchanged: the slot is not marked, so a value written meanwhile stays.
    RegWriteKey(kHkeyCurrentUser, WString(kProgramRegistryKey)).SetDword(WString(u"TestSlot_Index_2"), 7);
  }
  EXPECT_EQ(stored(), 7);
  {
    DialogFolder folder(WString(u"TestSlot"), DialogFolder::kDocuments);
    FileDialogData data(0, kSaveFilter);
    PlayedDialog dialog(TOpenSaveDialogMy::kOpenMode, 2, &folder, WString(), nullptr, data, 0, WString());
    EXPECT_EQ(data.filterIndex, 7u);
    dialog.answerBuffer = U(Work("x.dxf"));
    dialog.answerFilter = 3;
    EXPECT_EQ(dialog.Execute(), 1);
  }
  EXPECT_EQ(stored(), 3);
}

}  // namespace
}  // namespace kvn
