// The main frame's toolkit menu in this process: in every language the bar
// and each popup have distinct accelerator letters, items carry their
// shortcuts, enablers grey and check them, and the frame keeps its minimum
// size. Needs a display (run under Xvfb by xvfb-run.sh).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/menu.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/TestyFrameWindow.h"
#include "controls/ButtonGadget.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/GadgetWindow.h"
#include "foundation/LangTable.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/UiHelpersWx.h"
#include "tests/support/TestData.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

// The letter after the first single '&' of a label (0 when none).
wxChar Mnemonic(const wxString& label) {
  for (std::size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] == '&') {
      if (label[i + 1] == '&') {
        ++i;
        continue;
      }
      return wxChar(wxTolower(label[i + 1]));
    }
  }
  return 0;
}

// Letters on one level must differ; returns the offending labels.
std::string Clashes(const wxMenu* menu) {
  std::set<wxChar> seen;
  std::string clashes;
  for (const wxMenuItem* item : menu->GetMenuItems()) {
    if (item->IsSeparator()) continue;
    const wxChar m = Mnemonic(item->GetItemLabel());
    if (m != 0 && !seen.insert(m).second) clashes += std::string(item->GetItemLabel().utf8_str()) + "; ";
    if (item->IsSubMenu()) clashes += Clashes(item->GetSubMenu());
  }
  return clashes;
}

class MainFrameMenuTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
  }
  void TearDown() override {
    delete frame_;  // destroys its window first
    SettingsFolderTest::TearDown();
  }
  wxMenuBar* Bar() { return frame_->GetMenuBar(); }
  wxString Label(int id) {
    wxMenuItem* item = Bar()->FindItem(id);
    return item ? item->GetItemLabel() : wxString("<missing>");
  }

  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(MainFrameMenuTest, EnglishMenuAsTheResourceSaysWithShortcuts) {
  wxMenuBar* bar = Bar();
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->GetMenuCount(), 5u);
  EXPECT_EQ(bar->GetMenuLabel(0), "&File");
  EXPECT_EQ(bar->GetMenuLabelText(1), "Page");
  EXPECT_EQ(bar->GetMenuLabelText(2), "View");
  EXPECT_EQ(bar->GetMenuLabelText(3), "Options");
  EXPECT_EQ(bar->GetMenuLabelText(4), "Help");
  EXPECT_EQ(Label(kCmFileOpen), "&Open...\tCtrl+O");
  EXPECT_EQ(Label(kCmFileClose), "&Close\tCtrl+W");
  EXPECT_EQ(Label(kCmExit), "E&xit\tCtrl+Q");
  EXPECT_EQ(Label(kCmZoom100), "&100%\tCtrl+N");
  EXPECT_EQ(Label(kCmZoom25), "25&%");
  EXPECT_EQ(Label(kCmAbout), "&About software...\tF1");
  EXPECT_EQ(Label(kCmCzech), wxString::FromUTF8("Česky"));
  EXPECT_TRUE(Bar()->FindItem(kCmCzech)->IsCheckable());
  EXPECT_EQ(Clashes(bar->GetMenu(0)), "");
}

TEST_F(MainFrameMenuTest, EveryLanguageHasDistinctLettersOnEveryLevel) {
  for (int language : {kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    frame_->SwitchLanguage(language);
    wxMenuBar* bar = Bar();
    std::set<wxChar> titles;
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) {
      const wxChar m = Mnemonic(bar->GetMenuLabel(i));
      EXPECT_NE(m, 0) << language << ": " << bar->GetMenuLabel(i);
      EXPECT_TRUE(titles.insert(m).second) << language << ": " << bar->GetMenuLabel(i);
      EXPECT_EQ(Clashes(bar->GetMenu(i)), "") << language;
    }
  }
  frame_->SwitchLanguage(kLanguageCzech);
  EXPECT_EQ(Bar()->GetMenuLabelText(0), "Soubor");
  EXPECT_EQ(Label(kCmExit), "&Konec\tCtrl+Q");
  EXPECT_EQ(frame_->GetCaption(), WString(u"Prohlížeč Info-Korvana (verze 20.0.0)"));
  EXPECT_EQ(ReadLanguageSetting(), kLanguageCzech);
}

TEST_F(MainFrameMenuTest, EnablersGreyAndCheckTheItems) {
  frame_->UpdateMenuEnablers();
  EXPECT_TRUE(Bar()->IsEnabled(kCmFileOpen));
  EXPECT_TRUE(Bar()->IsEnabled(kCmExit));
  EXPECT_FALSE(Bar()->IsEnabled(kCmFileClose));  // no document
  EXPECT_FALSE(Bar()->IsEnabled(kCmZoomIn));     // no drawing window
  EXPECT_FALSE(Bar()->IsEnabled(kCmPageNext));
  EXPECT_TRUE(Bar()->IsChecked(kCmEnglish));
  EXPECT_FALSE(Bar()->IsChecked(kCmCzech));
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmSlovak), 0), 0);
  frame_->UpdateMenuEnablers();
  EXPECT_TRUE(Bar()->IsChecked(kCmSlovak));
  EXPECT_FALSE(Bar()->IsChecked(kCmEnglish));
}

TEST_F(MainFrameMenuTest, ViewMenuMarksTheZoomAndPageItemsFollowTheDrawing) {
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  auto command = [&](std::uint32_t id) {
    frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), 0), 0);
    frame_->UpdateMenuEnablers();
  };
  command(kCmZoom100);
  EXPECT_TRUE(Bar()->IsChecked(kCmZoom100));
  EXPECT_FALSE(Bar()->IsChecked(kCmZoom200));
  command(kCmZoom200);
  EXPECT_TRUE(Bar()->IsChecked(kCmZoom200));
  EXPECT_FALSE(Bar()->IsChecked(kCmZoom100));
  // Several pages: the first has only a next one.
  EXPECT_FALSE(Bar()->IsEnabled(kCmPagePrevious));
  EXPECT_TRUE(Bar()->IsEnabled(kCmPageNext));
  command(kCmPageNext);
  EXPECT_TRUE(Bar()->IsEnabled(kCmPagePrevious));
  for (int i = 0; i < 20; ++i) command(kCmPageNext);
  EXPECT_FALSE(Bar()->IsEnabled(kCmPageNext));
  EXPECT_TRUE(Bar()->IsEnabled(kCmPagePrevious));
}

TEST_F(MainFrameMenuTest, RecentFilesStandBetweenTheSeparatorsAndOpen) {
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  frame_->Add(WString::FromUtf8("/nowhere/old.kvn"));
  frame_->Add(WString::FromUtf8(sample.string()));
  frame_->UpdateMenuEnablers();
  frame_->UpdateMenuEnablers();  // a second rebuild replaces, never adds
  wxMenu* file = nullptr;
  ASSERT_NE(Bar()->FindItem(kCmExit, &file), nullptr);
  const wxMenuItemList& items = file->GetMenuItems();
  const std::size_t n = items.GetCount();
  ASSERT_GE(n, 5u);
  EXPECT_EQ(items[n - 1]->GetId(), int(kCmExit));
  EXPECT_TRUE(items[n - 2]->IsSeparator());
  EXPECT_EQ(items[n - 3]->GetId(), int(TRecentFiles::kFirstCommand + 1));
  EXPECT_EQ(items[n - 4]->GetId(), int(TRecentFiles::kFirstCommand));
  EXPECT_TRUE(items[n - 5]->IsSeparator());
  EXPECT_TRUE(items[n - 3]->GetItemLabelText().EndsWith("old.kvn"));
  EXPECT_TRUE(Bar()->IsEnabled(int(TRecentFiles::kFirstCommand)));
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(TRecentFiles::kFirstCommand), 0), 0);
  ASSERT_NE(CurrentDocument(), nullptr);
  // A file opened from the list is not added again.
  EXPECT_EQ(frame_->Count(), 2u);
}

TEST_F(MainFrameMenuTest, ToolBarHoldsTheButtonsInOrderAndKeepsThemOnALanguageSwitch) {
  auto ids = [&] {
    std::vector<int> out;
    for (TWindow* child : frame_->GetToolBar()->GetChildren())
      if (auto* window = dynamic_cast<TGadgetWindow*>(child)) {
        for (const auto& g : window->Gadgets()) {
          if (auto* control = dynamic_cast<TControlGadget*>(g.get()))
            out.push_back(static_cast<TDialog&>(control->GetControl()).GetResourceId());
          else
            out.push_back(dynamic_cast<TSeparatorGadgetZv*>(g.get()) ? 0 : g->GetId());
        }
      }
    return out;
  };
  // The page box (27299), the zoom box (27235) and the level box (27237)
  // among the buttons.
  const std::vector<int> expected = {18920, 0, 19570, 19516, 15210, 15620, 0, 27299, 19917, 19918, 0,
                                     15932, 15102, 0, 27235, 0, 27237, 0, 16434, 0, 19752, 19754, 19756};
  EXPECT_EQ(ids(), expected);
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmCzech), 0), 0);
  EXPECT_EQ(ids(), expected);  // rebuilt, not doubled
}

TEST_F(MainFrameMenuTest, FrameKeepsItsMinimumSizeAndClassName) {
  const wxSize min = frame_->GetPeer()->GetMinSize();
  EXPECT_EQ(min, wxSize(400, 400));
  EXPECT_EQ(frame_->GetPeer()->GetName(), "QUARN-KVN-VIEWER");
  EXPECT_EQ(WString(frame_->GetClassName()), WString(u"KvnViewer-QUARN"));
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
