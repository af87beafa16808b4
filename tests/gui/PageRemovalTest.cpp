// Removing pages in the drawing parameters sheet with the sample drawing
// open in the main frame, on a private X display: the question is asked
// first (Cancel keeps the page), and after a removal every page list follows
// at once -- the view's page tabs, the tool bar's page box and the sheet's
// own list show the pages as they are now, and the view keeps showing the
// page it showed. Regression: tabs and box kept the old pages, their labels
// off by one, and the last tab showed the next sheet. "Remove all unused
// pages?" removes only pages no object names.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/ParametersSheet.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/PropertySheet.h"
#include "controls/TabStrip.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/MsgBox.h"
#include "foundation/ModalStack.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

constexpr int kPagesPage = 1, kPageList = 7002, kRemove = 7005, kRemoveUnused = 7008;

// Message boxes answered from a queue (OK when it is empty), texts noted.
class QueuedBoxes final : public MessageBoxBackend {
 public:
  QueuedBoxes() : previous_(SetMessageBoxBackend(this)) {}
  ~QueuedBoxes() override { SetMessageBoxBackend(previous_); }
  QueuedBoxes(const QueuedBoxes&) = delete;
  QueuedBoxes& operator=(const QueuedBoxes&) = delete;
  int Show(const cMsgDlg*, const WString& text, const WString& caption, std::uint32_t) override {
    texts.push_back(text.ToUtf8());
    captions.push_back(caption.ToUtf8());
    if (answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  std::vector<std::string> texts;
  std::vector<std::string> captions;

 private:
  MessageBoxBackend* previous_;
};

TMyPropertySheet* RunningSheet() {
  auto* sheet = dynamic_cast<TMyPropertySheet*>(ModalStack::Top());
  return sheet && sheet->GetHandle() && sheet->GetPeer() && sheet->GetPeer()->IsShown() ? sheet : nullptr;
}

TListBox* PageList(TMyPropertySheet& sheet) {
  if (!sheet.SelectPage(kPagesPage)) return nullptr;
  return dynamic_cast<TListBox*>(sheet.GetPage(kPagesPage)->GetDlgItem(kPageList));
}

void SelectRow(TMyPropertySheet& sheet, int row) {
  TListBox* list = PageList(sheet);
  ASSERT_NE(list, nullptr);
  list->SetSelIndex(row);
  sheet.GetPage(kPagesPage)
      ->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kPageList), std::uint16_t(kLbnSelChange)), 0);
}

void Click(TMyPropertySheet& sheet, int id) {
  // The sheet opens on the page shown last in this run, which a test before
  // may have left elsewhere; a page's controls exist once it was shown.
  ASSERT_TRUE(sheet.SelectPage(kPagesPage));
  auto* button = dynamic_cast<TButton*>(sheet.GetPage(kPagesPage)->GetDlgItem(id));
  ASSERT_NE(button, nullptr) << id;
  button->Click();
}

template <class T>
T* FindChild(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* found = dynamic_cast<T*>(child)) return found;
    if (T* inner = FindChild<T>(*child)) return inner;
  }
  return nullptr;
}

class PageRemovalTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    frame_->GetPeer()->SetSize(0, 0, 1200, 700);
    test::Pump(300ms);
  }
  void TearDown() override {
    delete frame_;
    SettingsFolderTest::TearDown();
  }
  cVectorView& View() { return *static_cast<cVectorView*>(frame_->GetClientWindow()); }

  // Runs the sheet of the view's sheet 0; the steps one per tick inside its
  // loop. Whether every step ran.
  bool Run(std::deque<std::function<bool()>> steps) {
    test::StepClock clock;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (clock.Expired("the sheet's steps")) {
        if (TMyPropertySheet* sheet = RunningSheet()) sheet->CmCancel();
        return;
      }
      if (!steps.empty() && steps.front()()) {
        steps.pop_front();
        clock.Next();
      }
    });
    timer.Start(60);
    cVectorWindow* window = View().GetVectorWindow();
    RunParametersSheet(frame_, window, window->GetDocument(), 0);
    timer.Stop();
    return steps.empty();
  }

  // Every page list against the document as it is now.
  void ExpectListsFollow() {
    cDrawingDoc& doc = *CurrentDocument();
    const int entries = int(doc.GetPageEntryCount());
    cVectorWindow& window = *View().GetVectorWindow();
    const int shown = int(window.GetPageNumber());
    CCustomTabCtrl& tabs = *View().GetPageTabs();
    ASSERT_EQ(tabs.Model().Count(), entries);
    for (int i = 0; i < entries; ++i)
      EXPECT_EQ(tabs.Model().Tab(i).caption.ToUtf8(), doc.GetPageEntryTitle(std::uint32_t(i)).ToUtf8()) << i;
    EXPECT_EQ(tabs.CurrentTab(), shown);
    TPagesComboBox* box = FindChild<TPagesComboBox>(*frame_->GetToolBar());
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetCount(), entries);
    for (int i = 0; i < entries; ++i)
      EXPECT_EQ(box->GetString(i).ToUtf8(), doc.GetPageEntryTitle(std::uint32_t(i)).ToUtf8()) << i;
    EXPECT_EQ(box->GetSelIndex(), shown);
    // The page the window shows exists.
    EXPECT_LT(window.RawBlockIndex(), doc.GetSheet(window.GetSheetIndex())->Drawing().PageRecordCount());
  }

  test::EnglishTexts english_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(PageRemovalTest, RemovedPageLeavesNoTraceInTabsPageBoxOrSheetList) {
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  test::Pump(300ms);
  cDrawingDoc& doc = *CurrentDocument();
  cDrawing& drawing = doc.GetSheet(0)->Drawing();
  const std::uint32_t pages = drawing.PageRecordCount();
  ASSERT_GE(pages, 5u);
  ASSERT_EQ(doc.SheetCount(), 2u);
  // The last page of the first sheet is shown.
  View().GetVectorWindow()->ShowPageEntry(pages - 1);
  RefreshDocumentViews(&doc, false);
  RefreshPagesComboBoxes();
  const WString lastName = drawing.GetPage(pages - 1)->name;
  ASSERT_NO_FATAL_FAILURE(ExpectListsFollow());

  QueuedBoxes boxes;
  boxes.answers = {kIdCancel, kIdOk, kIdCancel};
  const bool finished = Run({
      [] { return RunningSheet() != nullptr; },
      [&] {
        TMyPropertySheet& s = *RunningSheet();
        SelectRow(s, 2);
        Click(s, kRemove);  // Cancel: kept
        EXPECT_EQ(drawing.PageRecordCount(), pages);
        Click(s, kRemove);  // OK: gone
        EXPECT_EQ(drawing.PageRecordCount(), pages - 1);
        // The sheet's list shows the pages left, the row that took its place selected.
        TListBox* list = PageList(s);
        EXPECT_EQ(list->GetCount(), int(pages - 1));
        EXPECT_EQ(list->GetSelIndex(), 2);
        // Every list follows while the sheet is still open.
        ExpectListsFollow();
        Click(s, kRemoveUnused);  // Cancel
        s.CmOk();
        return true;
      },
  });
  EXPECT_TRUE(finished);
  ASSERT_EQ(boxes.texts.size(), 3u);
  EXPECT_EQ(boxes.texts[0], "Remove page?");
  EXPECT_EQ(boxes.captions[0], "Warning");
  EXPECT_EQ(boxes.texts[2], "Remove all unused pages?");
  EXPECT_EQ(drawing.PageRecordCount(), pages - 1);
  // Still the same page, one place further up.
  EXPECT_EQ(View().GetVectorWindow()->GetBlockIndex(), pages - 2);
  EXPECT_TRUE(drawing.GetPage(pages - 2)->name == lastName);
  test::Pump(200ms);
  ExpectListsFollow();
  test::SaveScreenshot("page-removed.png");
}

// Pages 0..3: page 1 holds nothing, page 3 only what is on every page.
test::FixtureDocument FourPagesTwoUnused() {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"Pages";
  sheet.pages = {{u"First", 0, 0x80000000u}, {u"Empty", 0, 0x80000000u}, {u"Third", 0, 0x80000000u},
                 {u"Frame only", 0, 0x80000000u}};
  const std::uint16_t pagesOfLines[] = {0, 2, kAllPages};
  double y = 30;
  for (std::uint16_t page : pagesOfLines) {
    test::FixtureLine l;
    l.start = {30, y};
    l.end = {250, y};
    l.page = page;
    sheet.lines.push_back(l);
    y += 30;
  }
  doc.sheets.push_back(sheet);
  return doc;
}

TEST_F(PageRemovalTest, RemoveAllUnusedPagesKeepsOnlyPagesWithObjectsOfTheirOwn) {
  test::ScratchDir files;
  const std::string path = (files / "unused.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(FourPagesTwoUnused())));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(path)));
  test::Pump(300ms);
  cDrawing& drawing = CurrentDocument()->GetSheet(0)->Drawing();
  ASSERT_EQ(drawing.PageRecordCount(), 4u);
  View().GetVectorWindow()->ShowPageEntry(2);  // "Third"
  QueuedBoxes boxes;
  const bool finished = Run({
      [] { return RunningSheet() != nullptr; },
      [&] {
        TMyPropertySheet& s = *RunningSheet();
        Click(s, kRemoveUnused);
        EXPECT_EQ(PageList(s)->GetCount(), 2);
        s.CmOk();
        return true;
      },
  });
  EXPECT_TRUE(finished);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "Remove all unused pages?");
  ASSERT_EQ(drawing.PageRecordCount(), 2u);
  EXPECT_EQ(drawing.GetPage(0)->name.ToUtf8(), "First");
  EXPECT_EQ(drawing.GetPage(1)->name.ToUtf8(), "Third");
  EXPECT_EQ(View().GetVectorWindow()->GetBlockIndex(), 1);
  ExpectListsFollow();
}

// Six pages P0..P5, a line on each.
test::FixtureDocument SixPages() {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"Pages";
  static const char16_t* const names[] = {u"P0", u"P1", u"P2", u"P3", u"P4", u"P5"};
  for (std::uint16_t p = 0; p < 6; ++p) {
    sheet.pages.push_back({names[p], 0, 0x80000000u});
    test::FixtureLine l;
    l.start = {30, 30.0 + 20 * p};
    l.end = {250, 30.0 + 20 * p};
    l.page = p;
    sheet.lines.push_back(l);
  }
  doc.sheets.push_back(sheet);
  return doc;
}

// The view after each kind of removal: of a page before the one shown (the
// first page), of one after it, of the shown page itself (the next takes its
// place) and of the shown page when it is the last (the new last is shown).
TEST_F(PageRemovalTest, TheViewKeepsItsPageOrTakesTheOneInItsPlaceAfterEachRemoval) {
  test::ScratchDir files;
  const std::string path = (files / "six.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(SixPages())));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(path)));
  test::Pump(300ms);
  cDrawing& drawing = CurrentDocument()->GetSheet(0)->Drawing();
  ASSERT_EQ(drawing.PageRecordCount(), 6u);
  View().GetVectorWindow()->ShowPageEntry(3);  // P3
  struct Step {
    int remove;
    const char* shown;  // the page the view shows afterwards
  };
  const Step steps[] = {{0, "P3"}, {3, "P3"}, {2, "P5"}, {2, "P2"}};
  QueuedBoxes boxes;
  const bool finished = Run({
      [] { return RunningSheet() != nullptr; },
      [&] {
        TMyPropertySheet& s = *RunningSheet();
        for (const Step& step : steps) {
          SCOPED_TRACE(::testing::Message() << "removing row " << step.remove);
          SelectRow(s, step.remove);
          Click(s, kRemove);
          const std::uint32_t shown = View().GetVectorWindow()->RawBlockIndex();
          EXPECT_LT(shown, drawing.PageRecordCount());
          if (shown < drawing.PageRecordCount()) {
            EXPECT_EQ(drawing.GetPage(shown)->name.ToUtf8(), step.shown);
          }
        }
        s.CmOk();
        return true;
      },
  });
  EXPECT_TRUE(finished);
  EXPECT_EQ(boxes.texts.size(), 4u);
  ASSERT_EQ(drawing.PageRecordCount(), 2u);
  ExpectListsFollow();
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
