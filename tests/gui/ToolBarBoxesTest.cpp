// The page, zoom and level boxes of the main tool bar on a private X display,
// driven with real clicks and keys: with no drawing both are disabled (the
// page box hidden); the sample's pages are listed with the current
// one selected; a page chosen from the list is shown and the box follows
// PgDn; 150 typed into the zoom box and Enter give 150 %, while 0 or a
// negative number changes nothing. The level box follows a page switch to
// a sheet without levels, by the page commands and by a click on a page tab.
#include <gtest/gtest.h>
#include <wx/odcombo.h>
#include <wx/window.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/LevelCombo.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/TabStrip.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "platform/ui/GadgetWindow.h"
#include "platform/ui/MessageQueue.h"
#include "tests/gui/GuiTestSupport.h"
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

void Xdo(const std::string& actions) { test::Shell("timeout 10 xdotool " + actions + " >/dev/null 2>&1"); }

class ToolBarBoxesTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    // Wide enough for the whole tool bar.
    frame_->GetPeer()->SetSize(0, 0, 1200, 700);
    test::Pump(300ms);
  }
  void TearDown() override {
    delete frame_;
    SettingsFolderTest::TearDown();
  }
  TPagesComboBox* Pages() { return FindBox<TPagesComboBox>(*frame_); }
  TZoomComboBox* Zoom() { return FindBox<TZoomComboBox>(*frame_); }
  double Percent() {
    cVectorWindow& w = *CurrentVectorView()->GetVectorWindow();
    return w.Mapping().scale * 100.0 * w.DrawingScale();
  }
  // A point of a box in screen pixels, `x` pixels from its left edge (from
  // its right edge when negative).
  TPoint Point(TWindow& box, int x) {
    const TRect r = box.GetWindowRect();
    return TPoint{x < 0 ? r.right + x : r.left + x, (r.top + r.bottom) / 2};
  }
  // Idle updates, the toolkit's loop and the posted messages (a language
  // switch builds the tool bar again through one).
  void Idle() {
    for (int i = 0; i < 5; ++i) {
      frame_->IdleAction(0);
      test::Pump(100ms);
      MessageQueue::Instance().DispatchRound();
    }
  }

  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(ToolBarBoxesTest, PagesAndZoomFollowTheDrawingAndTakeChoicesAndTypedPercentages) {
  ASSERT_NE(Pages(), nullptr);
  ASSERT_NE(Zoom(), nullptr);
  Idle();
  EXPECT_FALSE(Pages()->IsWindowEnabled());
  EXPECT_FALSE(Pages()->GetPeer()->IsShown());
  EXPECT_FALSE(Zoom()->IsWindowEnabled());

  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  Idle();
  TPagesComboBox& pages = *Pages();
  EXPECT_TRUE(pages.IsWindowEnabled());
  EXPECT_TRUE(pages.GetPeer()->IsShown());
  const int entries = int(CurrentDocument()->GetPageEntryCount());
  ASSERT_GE(entries, 5);
  ASSERT_EQ(pages.GetCount(), entries);
  EXPECT_EQ(pages.GetSelIndex(), 0);
  EXPECT_TRUE(Zoom()->IsWindowEnabled());

  // The list opened by its arrow, three down, Enter: the fourth page.
  const TPoint arrow = Point(pages, -10);
  Xdo(test::PointerTo(arrow.x, arrow.y) + " click 1");
  test::Pump(500ms);
  Xdo("key Down Down Down Return");
  ASSERT_TRUE(test::PumpUntil([&] { return CurrentVectorView()->GetVectorWindow()->GetPageNumber() == 3; }));
  EXPECT_EQ(pages.GetSelIndex(), 3);
  // The box follows a page switch made elsewhere.
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmPageNext), 0), 0);
  EXPECT_EQ(pages.GetSelIndex(), 4);

  // 150 typed and Enter.
  const TPoint field = Point(*Zoom(), 15);
  Xdo(test::PointerTo(field.x, field.y) + " click --repeat 3 1");
  test::Pump(300ms);
  Xdo("type 150");
  Xdo("key Return");
  ASSERT_TRUE(test::PumpUntil([&] { return std::fabs(Percent() - 150.0) < 1e-6; })) << Percent();
  Idle();
  EXPECT_EQ(Zoom()->GetText().ToUtf8(), ZoomBoxText(150.0).ToUtf8());

  // Nothing for 0 or a negative number.
  Zoom()->SetText(WString(u"0"));
  Zoom()->TransferFromControls();
  Zoom()->SetText(WString(u"-20"));
  Zoom()->TransferFromControls();
  EXPECT_NEAR(Percent(), 150.0, 1e-6);

  // A language switch builds new boxes that show the same.
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmCzech), 0), 0);
  Idle();
  ASSERT_NE(Pages(), nullptr);
  EXPECT_EQ(Pages()->GetCount(), entries);
  EXPECT_EQ(Pages()->GetSelIndex(), 4);

  frame_->CmFileClose();
  Idle();
  EXPECT_FALSE(Pages()->IsWindowEnabled());
  EXPECT_FALSE(Zoom()->IsWindowEnabled());
}

TEST_F(ToolBarBoxesTest, LevelBoxListsTheLevelsAndItsClosedColumnsSwitchThem) {
  Idle();
  TLevelComboBox* levels = FindBox<TLevelComboBox>(*frame_);
  ASSERT_NE(levels, nullptr);
  EXPECT_FALSE(levels->IsWindowEnabled());  // no drawing
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  Idle();
  ASSERT_TRUE(levels->IsWindowEnabled());
  LevelTable& table = CurrentVectorView()->GetVectorWindow()->GetCurrentSheet()->Data()->Levels();
  // The sheet's levels and the default record, in display order.
  ASSERT_EQ(levels->GetCount(), int(table.Count()) + 1);
  EXPECT_EQ(levels->GetSelIndex(), 0);

  // The last row chosen from the open list becomes the current level and
  // stays shown.
  const TRect box = levels->GetWindowRect();
  Xdo(test::PointerTo(box.right - 8, (box.top + box.bottom) / 2) +
      " click 1");
  test::Pump(500ms);
  auto* peer = dynamic_cast<wxOwnerDrawnComboBox*>(levels->GetPeer());
  ASSERT_NE(peer, nullptr);
  ASSERT_NE(peer->GetPopupWindow(), nullptr);
  const wxRect list = peer->GetPopupWindow()->GetScreenRect();
  const int rowHeight = list.height / levels->GetCount();
  const int x = list.x + list.width / 2, y = list.y + list.height - rowHeight / 2 - 1;
  // Moved over the row first, as a hand would: the list follows the pointer.
  Xdo(test::PointerTo(x, y - 4));
  Xdo(test::PointerTo(x, y) + " click 1");
  const int last = levels->GetCount() - 1;
  ASSERT_TRUE(test::PumpUntil([&] { return levels->GetSelIndex() == last && !levels->GetDroppedState(); }))
      << levels->GetSelIndex() << " " << levels->GetDroppedState();
  const auto index = std::uint16_t(levels->GetItemData(last));
  EXPECT_EQ(table.GetCurrentIndex(), index);
  Idle();
  EXPECT_EQ(levels->GetSelIndex(), last);

  // Column 1 of the closed combo hides that level; the list stays closed.
  ASSERT_EQ(table.GetLevel(index)->visible, 1);
  const TRect row = levels->ItemRect();
  const TPoint eye = levels->ClientToScreen(TPoint{row.left + 5, (row.top + row.bottom) / 2});
  Xdo(test::PointerTo(eye.x, eye.y) + " click 1");
  ASSERT_TRUE(test::PumpUntil([&] { return table.GetLevel(index)->visible == 0; }));
  test::Pump(300ms);
  EXPECT_FALSE(levels->GetDroppedState());
  // A second click within the double-click time would be swallowed.
  test::Pump(800ms);
  Xdo("click 1");  // the pointer is still there
  ASSERT_TRUE(test::PumpUntil([&] { return table.GetLevel(index)->visible == 1; }));
}

TEST(ZoomBoxText, FormatsByMagnitude) {
  EXPECT_EQ(ZoomBoxText(150.0).ToUtf8(), "150%");
  EXPECT_EQ(ZoomBoxText(66.875).ToUtf8(), "66.9%");
  EXPECT_EQ(ZoomBoxText(2'000'000.4).ToUtf8(), "2000000%");
  const std::string small = ZoomBoxText(0.5).ToUtf8();
  EXPECT_EQ(small.back(), '%');
  EXPECT_EQ(small.rfind("0.5", 0), 0u) << small;
}

// A page switch refreshes the level box as it refreshes the page box: a
// paper sheet whose drawing has no levels of its own hides it, and the
// model shows its layers again.
TEST_F(ToolBarBoxesTest, LevelBoxFollowsAPageSwitchToASheetWithoutLevels) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallReaders();
  Idle();
  TLevelComboBox* levels = FindBox<TLevelComboBox>(*frame_);
  ASSERT_NE(levels, nullptr);
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8((dir / "dxf/acadsharp_sample_AC1024_ascii.dxf").string())));
  Idle();
  cVectorWindow& window = *CurrentVectorView()->GetVectorWindow();
  ASSERT_EQ(window.GetSheetIndex(), 0u);
  EXPECT_TRUE(levels->IsWindowEnabled());
  EXPECT_EQ(levels->GetCount(), 7);  // six layers and the "by block" entry
  window.CmNextPage();
  Idle();
  ASSERT_EQ(window.GetSheetIndex(), 1u);
  EXPECT_EQ(levels->ShownSheet(), window.GetCurrentSheet());
  EXPECT_FALSE(levels->IsWindowEnabled());
  EXPECT_FALSE(levels->GetPeer()->IsShown());
  window.CmPreviousPage();
  Idle();
  ASSERT_EQ(window.GetSheetIndex(), 0u);
  EXPECT_TRUE(levels->IsWindowEnabled());
  EXPECT_EQ(levels->GetCount(), 7);

  // A click on a page tab switches the sheet as the page commands do, and
  // the level box follows it there and back.
  CCustomTabCtrl* tabs = CurrentVectorView()->GetPageTabs();
  ASSERT_GE(tabs->Model().Count(), 2);
  auto clickTab = [&](int tab) {
    const TRect r = tabs->Model().Tab(tab).outer;
    const TPoint p = tabs->ClientToScreen(TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Xdo(test::PointerTo(p.x, p.y) + " click 1");
    EXPECT_TRUE(test::PumpUntil([&] { return tabs->CurrentTab() == tab; })) << "tab " << tab << " was not chosen";
    Idle();
  };
  clickTab(1);
  ASSERT_EQ(window.GetSheetIndex(), 1u);
  EXPECT_EQ(levels->ShownSheet(), window.GetCurrentSheet());
  EXPECT_EQ(levels->GetCount(), 0);
  EXPECT_FALSE(levels->IsWindowEnabled());
  EXPECT_FALSE(levels->GetPeer()->IsShown());
  // Level use on without a level (as a file may store it) gives nothing to
  // choose either: the box stays hidden.
  window.GetCurrentSheet()->Data()->Levels().SetInUse();
  RefreshLevelComboBoxes(nullptr);
  EXPECT_FALSE(levels->IsWindowEnabled());
  EXPECT_FALSE(levels->GetPeer()->IsShown());
  clickTab(0);
  ASSERT_EQ(window.GetSheetIndex(), 0u);
  EXPECT_EQ(levels->ShownSheet(), window.GetCurrentSheet());
  EXPECT_TRUE(levels->IsWindowEnabled());
  EXPECT_TRUE(levels->GetPeer()->IsShown());
  EXPECT_EQ(levels->GetCount(), 7);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv, false); }
