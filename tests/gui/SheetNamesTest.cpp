// How the viewer names and opens the sheets of a drawing, on a private X
// display: the names a file gives its layouts are on the tabs, in the page
// box and in the export names, whatever the interface language; default
// names ("Drawing 1") follow a language switch on the tabs as in the page
// box; a drawing whose content lies wholly in paper space opens on that
// sheet and shows it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/TabStrip.h"
#include "document/cDrawingDoc.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "platform/ui/MessageQueue.h"
#include "print/export/ExportNames.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/PaperSpaceDxf.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

template <class Box>
Box* FindBox(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* box = dynamic_cast<Box*>(child)) return box;
    if (Box* inner = FindBox<Box>(*child)) return inner;
  }
  return nullptr;
}

class SheetNamesTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    InstallReaders();
    // A box would say something went wrong: none is expected.
    SetMessageBoxBackend(&boxes_);
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    frame_->GetPeer()->SetSize(0, 0, 1200, 700);
    test::Pump(200ms);
  }
  void TearDown() override {
    delete frame_;
    SetMessageBoxBackend(nullptr);
    EXPECT_TRUE(boxes_.texts.empty()) << boxes_.texts[0].ToUtf8();
    SettingsFolderTest::TearDown();
  }
  // Idle updates and the posted messages (a language switch builds the
  // tool bar again through one).
  void Idle() {
    for (int i = 0; i < 4; ++i) {
      frame_->IdleAction(0);
      test::Pump(80ms);
      MessageQueue::Instance().DispatchRound();
    }
  }
  cVectorView* View() { return dynamic_cast<cVectorView*>(frame_->GetClientWindow()); }
  std::vector<std::string> TabCaptions() {
    std::vector<std::string> out;
    const TabStripModel& model = View()->GetPageTabs()->Model();
    for (int i = 0; i < model.Count(); ++i) out.push_back(model.Tab(i).caption.ToUtf8());
    return out;
  }
  std::vector<std::string> PageBoxItems() {
    std::vector<std::string> out;
    TPagesComboBox* box = FindBox<TPagesComboBox>(*frame_);
    if (!box) return out;
    for (int i = 0; i < box->GetCount(); ++i) out.push_back(box->GetString(i).ToUtf8());
    return out;
  }

  test::ScratchDir files_;
  test::AnsweringBoxes boxes_{50ms};
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(SheetNamesTest, LayoutNamesOfTheFileAreOnTabsPageBoxAndExportNamesInEveryLanguage) {
  KVN_REQUIRE_TESTDATA(data);
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8((data / "dxf/acadsharp_sample_AC1024_ascii.dxf").string())));
  Idle();
  ASSERT_NE(View(), nullptr);
  // The sample places a picture file that is not beside it: the one box.
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_NE(boxes_.texts[0].ToUtf8().find("image.JPG"), std::string::npos) << boxes_.texts[0].ToUtf8();
  boxes_.texts.clear();
  const std::vector<std::string> names{"Model", "MyLayout", "Layout1", "Layout2"};
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    SCOPED_TRACE(language);
    frame_->SwitchLanguage(language);
    Idle();
    EXPECT_EQ(TabCaptions(), names);
    EXPECT_EQ(PageBoxItems(), names);
    const std::string suffix = MakePageFileSuffix(*CurrentDocument(), 1).ToUtf8();
    EXPECT_EQ(suffix, "_2 - MyLayout");
  }
}

TEST_F(SheetNamesTest, DefaultSheetNamesFollowTheLanguageOnTabsAndInThePageBox) {
  test::FixtureDocument doc;
  for (int i = 0; i < 2; ++i) {
    test::FixtureSheet sheet;  // no name of its own
    test::FixtureLine line;
    line.start = {10, 10};
    line.end = {100, 50};
    sheet.lines.push_back(line);
    doc.sheets.push_back(sheet);
  }
  const std::string path = (files_ / "unnamed.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(doc)));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(path)));
  Idle();
  ASSERT_NE(View(), nullptr);
  struct Step {
    int language;
    std::vector<std::string> names;
  };
  const Step steps[] = {{kLanguageEnglish, {"Drawing 1", "Drawing 2"}},
                        {kLanguageCzech, {"Výkres 1", "Výkres 2"}},
                        {kLanguageEnglish, {"Drawing 1", "Drawing 2"}},
                        {kLanguageSlovak, {"Výkres 1", "Výkres 2"}}};
  for (const Step& step : steps) {
    SCOPED_TRACE(step.language);
    frame_->SwitchLanguage(step.language);
    Idle();
    EXPECT_EQ(TabCaptions(), step.names);
    EXPECT_EQ(PageBoxItems(), step.names);
  }
  // The tab in view stays the one selected.
  EXPECT_EQ(View()->GetPageTabs()->CurrentTab(), 0);
}

TEST_F(SheetNamesTest, PaperSpaceDrawingOpensOnItsLayoutAndShowsIt) {
  const std::string path = (files_ / "paper.dxf").string();
  const std::string bytes = test::PaperSpaceOnlyDxf();
  ASSERT_TRUE(test::SaveBytes(path, std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(path)));
  Idle();
  cVectorView* view = View();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(TabCaptions(), (std::vector<std::string>{"Model", "Sheet A"}));
  EXPECT_EQ(view->GetVectorWindow()->GetSheetIndex(), 1);
  EXPECT_EQ(view->GetPageTabs()->CurrentTab(), 1);
  TPagesComboBox* box = FindBox<TPagesComboBox>(*frame_);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetSelIndex(), 1);
  // The layer NOTES (red) is on screen: the text, the line and the leader.
  cVectorWindow* w = view->GetVectorWindow();
  w->HandleMessage(kWmPaint, 0, 0);
  test::Pump(300ms);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "paper-space-only.png");
  ASSERT_GT(screen.width, 0);
  const TRect r = w->GetClientRect();
  const TPoint o = w->ClientToScreen(TPoint{0, 0});
  int red = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const int sx = o.x + x, sy = o.y + y;
      if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
      const std::uint32_t p = screen.At(sx, sy);
      if (((p >> 16) & 0xFF) > 200 && ((p >> 8) & 0xFF) < 90 && (p & 0xFF) < 90) ++red;
    }
  }
  EXPECT_GT(red, 100);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
