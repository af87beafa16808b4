// The drawing parameters sheet on a private X display: a zero scale with a
// drawing area is refused (18139) and, answered OK, stored without the
// area; moving page 2 before page 1 keeps each page's objects; the layer
// and page options reach the drawing on OK only.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/ParametersSheet.h"
#include "controls/AutoControls.h"
#include "controls/PropertySheet.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

TMyPropertySheet* RunningSheet() {
  auto* sheet = dynamic_cast<TMyPropertySheet*>(ModalStack::Top());
  return sheet && sheet->GetHandle() && sheet->GetPeer() && sheet->GetPeer()->IsShown() ? sheet : nullptr;
}

TWindow* Item(TMyPropertySheet& sheet, int page, int id) {
  if (!sheet.SelectPage(page)) return nullptr;
  return sheet.GetPage(page)->GetDlgItem(id);
}

void SetNumber(TMyPropertySheet& sheet, int page, int id, double value) {
  auto* field = dynamic_cast<TAutoDouble*>(Item(sheet, page, id));
  ASSERT_NE(field, nullptr) << id;
  field->SetValue(value);
}

void SetChecked(TMyPropertySheet& sheet, int page, int id, bool on) {
  auto* check = dynamic_cast<TAutoCheck*>(Item(sheet, page, id));
  ASSERT_NE(check, nullptr) << id;
  check->SetState(on ? 1 : 0);
}

void Click(TMyPropertySheet& sheet, int page, int id) {
  auto* button = dynamic_cast<TButton*>(Item(sheet, page, id));
  ASSERT_NE(button, nullptr) << id;
  button->Click();
}

void Select(TMyPropertySheet& sheet, int page, int id, int row) {
  auto* list = dynamic_cast<TListBox*>(Item(sheet, page, id));
  ASSERT_NE(list, nullptr) << id;
  list->SetSelIndex(row);
  sheet.GetPage(page)->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(id), std::uint16_t(kLbnSelChange)), 0);
}

class ParametersSheetTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    frame_.reset(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  // Runs the sheet and the steps one per tick inside its loop.
  bool Run(cDrawingDoc& doc, std::deque<std::function<bool()>> steps, bool& finished) {
    int ticks = 0;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (++ticks > 300) {
        if (TMyPropertySheet* sheet = RunningSheet()) sheet->CmCancel();
        return;
      }
      if (!steps.empty() && steps.front()()) steps.pop_front();
    });
    timer.Start(60);
    const bool result = RunParametersSheet(frame_.get(), nullptr, &doc, 0);
    timer.Stop();
    finished = steps.empty();
    return result;
  }

  test::EnglishTexts english_;
  std::unique_ptr<TFrameWindow> frame_;
};

TEST_F(ParametersSheetTest, ZeroScaleWithADrawingAreaIsRefusedThenStoredWithoutIt) {
  test::TiledDrawing tiled(300, 200, 2, 1, 0);
  tiled.sheet->Data()->SetScale(0.5);
  tiled.Drawing().printScale = 50;
  test::RecordedBoxes boxes;  // answers OK
  bool finished = false;
  const bool ok = Run(tiled.doc,
                      {
                          [] { return RunningSheet() != nullptr; },
                          [] {
                            TMyPropertySheet& s = *RunningSheet();
                            EXPECT_EQ(s.GetPageCount(), 3);
                            SetNumber(s, 0, 3700, 0);
                            s.CmOk();
                            return true;
                          },
                          [&] {
                            // Refused: still open, the area unchecked.
                            TMyPropertySheet* s = RunningSheet();
                            EXPECT_NE(s, nullptr);
                            if (!s) return true;
                            auto* area = dynamic_cast<TCheckBox*>(Item(*s, 0, 3601));
                            EXPECT_TRUE(area && area->GetCheck() == kBstUnchecked);
                            s->CmOk();
                            return true;
                          },
                      },
                      finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(ok);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("zero-scale"), std::string::npos);
  cDrawing& d = tiled.Drawing();
  EXPECT_TRUE(d.HasNoFormat());
  EXPECT_EQ(d.formatMargins.x, 0);
  EXPECT_EQ(d.tiles.x, 1);
  EXPECT_EQ(tiled.sheet->Data()->Scale(), 0);
  EXPECT_EQ(d.printScale, 100);
  EXPECT_EQ(d.formatFlag, 0);
}

TEST_F(ParametersSheetTest, MovingPageTwoBeforePageOneKeepsEachPagesObjects) {
  test::TiledDrawing tiled(100, 100, 1, 1, 3);
  cDrawing& d = tiled.Drawing();
  for (std::uint32_t p = 0; p < 3; ++p) d.GetPage(p)->name = WString::FromUtf8("page " + std::to_string(p + 1));
  // Which page name each object shows, in chain order.
  auto namesOfObjects = [&] {
    std::vector<std::string> names;
    for (const cOutObj* o = tiled.sheet->TopBlock().FirstObject(); o; o = o->next) {
      names.push_back(d.GetPage(o->PageId())->name.ToUtf8());
    }
    return names;
  };
  const std::vector<std::string> before = namesOfObjects();
  ASSERT_EQ(before, (std::vector<std::string>{"page 1", "page 2", "page 3"}));
  bool finished = false;
  const bool ok = Run(tiled.doc,
                      {
                          [] { return RunningSheet() != nullptr; },
                          [] {
                            TMyPropertySheet& s = *RunningSheet();
                            Select(s, 1, 7002, 1);
                            Click(s, 1, 7003);  // one place up
                            return true;
                          },
                          [] {
                            TMyPropertySheet& s = *RunningSheet();
                            auto* list = dynamic_cast<TListBox*>(Item(s, 1, 7002));
                            EXPECT_TRUE(list && list->GetSelIndex() == 0);
                            // Not printable, and the layers printed without colour.
                            Click(s, 1, 7020);
                            SetChecked(s, 2, 16548, false);
                            s.CmOk();
                            return true;
                          },
                      },
                      finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(ok);
  EXPECT_EQ(d.GetPage(0)->name.ToUtf8(), "page 2");
  EXPECT_EQ(d.GetPage(1)->name.ToUtf8(), "page 1");
  EXPECT_EQ(namesOfObjects(), before);  // every object still on its own page
  EXPECT_EQ(d.GetPage(0)->kind & 1, 1);
  EXPECT_EQ(d.pageFlags[0], 0);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
