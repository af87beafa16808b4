// The print layout dialog (never opened by the viewer) on a private X
// display: it opens with the estimated scale and the resulting size (2770
// units wide: scale 0.1, 277 mm), a typed zero shows the size at scale 1,
// the level list with Select all and Invert selection.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <functional>
#include <memory>

#include "foundation/LangTable.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "platform/ui/FrameWindow.h"
#include "print/dialogs/PrintLayoutDialog.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

TWindow* Item(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

class PrintLayoutDialogTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    frame_.reset(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  int Run(TDialog& dialog, const std::function<void()>& check) {
    bool done = false;
    test::StepClock clock;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (dialog.GetPeer() == nullptr || !dialog.GetPeer()->IsShown()) {
        if (clock.Expired("the dialog")) timer.Stop();
        return;
      }
      if (!done) {
        done = true;
        check();
        return;
      }
      dialog.CloseWindow(kIdcCancel);
    });
    timer.Start(60);
    const int result = dialog.Execute();
    timer.Stop();
    EXPECT_TRUE(done);
    return result;
  }
  std::unique_ptr<TFrameWindow> frame_;
};

TEST_F(PrintLayoutDialogTest, EstimateResultAndLevels) {
  cDrawingData data;
  std::uint16_t index = 0;
  data.Levels().InsertLevel(WString(u"walls"), &index, 0);
  data.Levels().InsertLevel(WString(u"doors"), &index, 1);
  const DRect areas[3] = {DRect{0, 0, 2770, 1000}, DRect{0, 0, 10, 10}, DRect{0, 0, 50, 20}};
  double scale = 0;
  int area = 0;
  TDialogPrintLayout dialog(&data, frame_.get(), areas, &scale, &area);
  Run(dialog, [&] {
    EXPECT_DOUBLE_EQ(scale, 0.1);
    EXPECT_EQ(dialog.ResultText().ToUtf8(), "277 x 100 mm");
    auto* list = dynamic_cast<TMyCheckList*>(Item(dialog, 24444));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->GetItemCount(), 2);
    if (auto* all = dynamic_cast<TButton*>(Item(dialog, 24445))) all->Click();
    EXPECT_TRUE(list->IsChecked(0) && list->IsChecked(1));
    list->SetCheck(1, false);
    if (auto* invert = dynamic_cast<TButton*>(Item(dialog, 24446))) invert->Click();
    EXPECT_FALSE(list->IsChecked(0));
    EXPECT_TRUE(list->IsChecked(1));
    if (auto* field = dynamic_cast<TAutoDouble*>(Item(dialog, 2030))) field->SetValue(0);
    EXPECT_EQ(dialog.ResultText().ToUtf8(), "2770 x 1000 mm");  // zero shows scale 1
    dialog.CloseWindow(kIdcCancel);
  });
  EXPECT_EQ(PrintLayoutSizeText(DRect{0, 0, 50, 20}, 2).ToUtf8(), "100 x 40 mm");
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
