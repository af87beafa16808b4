// The File-Open dialog's comment and preview on a private X display: a
// native drawing shows its stored comment and a picture, the same file
// selected again is not reloaded, unchecking "Preview" clears the picture
// at once and checking it brings it back, a new folder clears both, a DWG
// drawing shows its thumbnail, a DXF drawing its picture, and a file that is no drawing shows nothing;
// in English and in Czech.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <deque>
#include <filesystem>
#include <functional>

#include "app/FileOpenPreview.h"
#include "controls/AutoButtons.h"
#include "controls/FileDialogData.h"
#include "dwg/InstallReaders.h"
#include "foundation/DialogFolder.h"
#include "foundation/LangTable.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

const char* const kTitle = "Open test";

bool ChooserShown() {
  return !test::Shell(std::string("xdotool search --onlyvisible --name '^") + kTitle + "$' 2>/dev/null").empty();
}

class FileOpenPreviewTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    InstallReaders();
    frame_.reset(test::NewFrame(WString(u"Owner"), 60, 40, 900, 700));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    folder_.SetFolder(WString::FromUtf8(scratch_.Path().string()), false);
  }
  void TearDown() override {
    frame_.reset();
    test::SettingsFolderTest::TearDown();
  }
  // The chooser with a drawing, a DWG and a text file selected in turn,
  // its "Preview" box labelled as given.
  void RunChooser(const std::filesystem::path& dataDir, const char* previewLabel);
  WString Save(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const std::string path = (scratch_ / name).string();
    EXPECT_TRUE(test::SaveBytes(path, bytes));
    return WString::FromUtf8(path);
  }

  test::ScratchDir scratch_;
  DialogFolder folder_{WString(u"OpenPreviewTest"), DialogFolder::kDocuments};
  std::unique_ptr<TFrameWindow> frame_;
};

// The label of a control of the extra template without its '&'.
std::string LabelOf(TMyFileOpenDialogKvn& dialog, int id) {
  auto* control = dialog.Extra() ? dynamic_cast<TControl*>(dialog.Extra()->GetDlgItem(id)) : nullptr;
  if (control == nullptr) return "<missing>";
  std::string text = control->GetText().ToUtf8();
  std::erase(text, '&');
  return text;
}

void FileOpenPreviewTest::RunChooser(const std::filesystem::path& dataDir, const char* previewLabel) {
  test::FixtureDocument doc;
  doc.comment = u"Ground floor, revision B";
  test::FixtureSheet sheet;
  sheet.lines.push_back(test::FixtureLine{{10, 10}, {200, 150}});
  doc.sheets = {sheet};
  const WString drawing = Save("plan.kvn", test::WriteNativeFile(doc));
  const WString other = Save("notes.txt", {'n', 'o', 't', 'e'});

  FileDialogData data(kOfnFileMustExist, WString(u"Drawings|*.kvn;*.dwg|All|*"));
  TMyFileOpenDialogKvn dialog(&folder_, frame_.get(), data, WString::FromUtf8(kTitle));
  bool checked = false;
  std::deque<std::function<bool()>> steps = {
      [&] { return ChooserShown() && dialog.Preview() && dialog.Preview()->GetHandle() != nullptr; },
      [&] {
        EXPECT_EQ(LabelOf(dialog, TMyFileOpenDialogKvn::kPreviewCheck), previewLabel);
        dialog.SelectionChange(drawing);
        EXPECT_EQ(dialog.Comment().ToUtf8(), "Ground floor, revision B");
        EXPECT_TRUE(dialog.Preview()->HasPicture());
        test::SaveScreenshot("file-open-preview.png");
        // Unchecked: gone at once; checked again: back for the same file.
        dialog.CmPreviewCheck(kBstUnchecked);
        EXPECT_FALSE(dialog.Preview()->HasPicture());
        EXPECT_FALSE(ShowDrawingPreview());
        dialog.CmPreviewCheck(kBstChecked);
        EXPECT_TRUE(dialog.Preview()->HasPicture());
        // Another folder: nothing selected, nothing shown.
        dialog.FolderChanged();
        EXPECT_TRUE(dialog.Comment().IsEmpty());
        EXPECT_FALSE(dialog.Preview()->HasPicture());
        dialog.SelectionChange(other);
        EXPECT_TRUE(dialog.Comment().IsEmpty());
        EXPECT_FALSE(dialog.Preview()->HasPicture());
        dialog.SelectionChange(WString::FromUtf8((dataDir / "dwg/libredwg_example_2000.dwg").string()));
        EXPECT_TRUE(dialog.Preview()->HasPicture());
        // A DXF drawing has no thumbnail: it is loaded quietly as a native one is.
        dialog.SelectionChange(WString::FromUtf8((dataDir / "dxf/ezdxf_hatches_1.dxf").string()));
        EXPECT_TRUE(dialog.Preview()->HasPicture()) << "DXF";
        checked = true;
        test::Shell(test::XdoOnWindow(kTitle, "key Escape"));
        return true;
      }};
  test::StepClock clock;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (clock.Expired("the chooser")) {
      timer.Stop();
      ADD_FAILURE() << "the chooser did not close";
      test::EndModalWindows();
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(100);
  EXPECT_EQ(dialog.Execute(), 2);
  timer.Stop();
  EXPECT_TRUE(checked);
}

TEST_F(FileOpenPreviewTest, CommentAndPreviewFollowTheSelectionAndTheCheckBox) {
  KVN_REQUIRE_TESTDATA(dataDir);
  RunChooser(dataDir, "Preview");
}

TEST_F(FileOpenPreviewTest, CommentAndPreviewWorkAlikeInCzech) {
  KVN_REQUIRE_TESTDATA(dataDir);
  SetLanguageIndex(kLanguageCzech);
  InvalidateLangTable();
  RunChooser(dataDir, "N\u00e1hled");
}

TEST_F(FileOpenPreviewTest, TheSaveDialogWithACommentShowsTheComment) {
  test::FixtureDocument doc;
  doc.comment = u"Roof, revision C";
  doc.sheets = {test::FixtureSheet{}};
  const WString drawing = Save("roof.kvn", test::WriteNativeFile(doc));
  FileDialogData data(0, WString(u"Drawings|*.kvn"));
  TFileSaveDialogWithComment dialog(&folder_, frame_.get(), data, WString::FromUtf8(kTitle));
  bool checked = false;
  test::StepClock clock;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (clock.Expired("the chooser")) {
      timer.Stop();
      ADD_FAILURE() << "the chooser did not close";
      test::EndModalWindows();
      return;
    }
    const int commentBox = TMyFileOpenDialogKvn::kCommentBox, preview = cPreviewControl::kId;
    auto* box = dialog.Extra() ? dynamic_cast<TControl*>(dialog.Extra()->GetDlgItem(commentBox)) : nullptr;
    if (checked || !ChooserShown() || box == nullptr || !box->GetHandle()) return;
    dialog.SelectionChange(drawing);
    EXPECT_EQ(dialog.Comment().ToUtf8(), "Roof, revision C");
    EXPECT_EQ(box->GetText().ToUtf8(), "Roof, revision C");
    // No preview in the save dialog.
    EXPECT_EQ(dialog.Extra()->GetDlgItem(preview), nullptr);
    dialog.FolderChanged();
    EXPECT_TRUE(box->GetText().IsEmpty());
    checked = true;
    test::Shell(test::XdoOnWindow(kTitle, "key Escape"));
  });
  timer.Start(100);
  EXPECT_EQ(dialog.Execute(), 2);
  timer.Stop();
  EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv, false); }
