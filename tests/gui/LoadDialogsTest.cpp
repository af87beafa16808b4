// The dialogs of the readers' questions on a private X display: the view
// direction of a 3-D foreign drawing (template 15528: the offered preset
// checked, the angles to the axes only for the user-defined direction, which
// OK turns into a direction; Cancel changes nothing) and the sheet of a file
// chosen for a missing reference (template 15529), also as the installed
// answer of a load's questions.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include <cmath>
#include <functional>
#include <memory>

#include "app/LoadDialogs.h"
#include "controls/AutoButtons.h"
#include "controls/AutoNumbers.h"
#include "document/LoadQuestions.h"
#include "foundation/ModalStack.h"
#include "platform/ui/ControlButtons.h"
#include "platform/ui/ControlLists.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

class LoadDialogsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    frame_.reset(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  // Runs `body` once the modal dialog that `open` starts is shown; the
  // dialog is the top of the modal stack.
  template <class Open>
  auto WhileShown(Open open, const std::function<void(TDialog&)>& body) {
    bool done = false;
    test::StepClock clock;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      TDialog* dialog = dynamic_cast<TDialog*>(ModalStack::Top());
      if (!dialog || !dialog->GetPeer() || !dialog->GetPeer()->IsShown()) {
        if (clock.Expired("the dialog")) timer.Stop();
        return;
      }
      if (!done) {
        done = true;
        body(*dialog);
      }
    });
    timer.Start(60);
    auto result = open();
    timer.Stop();
    EXPECT_TRUE(done);
    return result;
  }
  std::unique_ptr<TFrameWindow> frame_;
};

// The dialogs' controls, by the ids their templates give them.
TWindow* Item(TDialog& dialog, int id) { return dialog.GetDlgItem(id); }

// OK as the user gives it: the fields are saved first.
void PressOk(TDialog& dialog) {
  auto* ok = dynamic_cast<TButton*>(Item(dialog, kIdOk));
  ASSERT_NE(ok, nullptr);
  ok->Click();
}

bool Shown(TDialog& dialog, int id) {
  TWindow* item = Item(dialog, id);
  return item && item->GetPeer() && item->GetPeer()->IsShown();
}

TEST_F(LoadDialogsTest, TheViewDialogOffersThePresetAndTurnsAnglesIntoADirection) {
  ViewDirectionChoice choice;
  choice.preset = 8;
  ApplyViewPreset(choice);
  const bool ok = WhileShown([&] { return RunViewDirectionDialog(frame_.get(), choice); },
                             [&](TDialog& dialog) {
                               auto* radio = dynamic_cast<TCheckBox*>(Item(dialog, 2018));
                               ASSERT_NE(radio, nullptr);
                               EXPECT_EQ(radio->GetCheck(), kBstChecked);
                               EXPECT_FALSE(Shown(dialog, 1251));
                               EXPECT_TRUE(Shown(dialog, 1257));
                               test::SaveScreenshot("view-direction-dialog.png");
                               // The user-defined direction: its fields show.
                               if (auto* group = dynamic_cast<TAutoRadio*>(Item(dialog, 2010))) group->Check(10);
                               EXPECT_TRUE(Shown(dialog, 1251));
                               // 90 degrees to x, 45 to y and z: (0, 1, 1) normalised.
                               const double angles[3] = {90, 45, 45};
                               for (int i = 0; i < 3; ++i)
                                 if (auto* field = dynamic_cast<TAutoDouble*>(Item(dialog, 1251 + 2 * i)))
                                   field->SetValue(angles[i]);
                               if (auto* twist = dynamic_cast<TAutoDouble*>(Item(dialog, 1257))) twist->SetValue(30);
                               PressOk(dialog);
                             });
  ASSERT_TRUE(ok);
  EXPECT_EQ(choice.preset, kUserViewDirection);
  EXPECT_NEAR(choice.direction[0], 0.0, 1e-9);
  EXPECT_NEAR(choice.direction[1], std::sqrt(0.5), 1e-9);
  EXPECT_NEAR(choice.direction[2], std::sqrt(0.5), 1e-9);
  EXPECT_DOUBLE_EQ(choice.twist, 30);

  // Cancel: no direction, the choice as it was.
  const ViewDirectionChoice before = choice;
  const bool cancelled = WhileShown([&] { return RunViewDirectionDialog(frame_.get(), choice); },
                                    [&](TDialog& dialog) { dialog.CloseWindow(kIdcCancel); });
  EXPECT_FALSE(cancelled);
  EXPECT_EQ(choice.preset, before.preset);
  EXPECT_DOUBLE_EQ(choice.direction[2], before.direction[2]);
}

TEST_F(LoadDialogsTest, TheSheetChoiceListsTheSheetsAndAnswersTheLoadsQuestion) {
  InstallLoadDialogs();
  const std::vector<WString> items{WString(u"1 - A"), WString(u"2 - B"), WString(u"3 - C")};
  MessageBoxQuestions questions(*frame_);
  const int chosen = WhileShown([&] { return questions.ChooseSheet(items); },
                                [&](TDialog& dialog) {
                                  auto* list = dynamic_cast<TListBox*>(Item(dialog, 2001));
                                  ASSERT_NE(list, nullptr);
                                  ASSERT_EQ(list->GetCount(), 3);
                                  EXPECT_EQ(list->GetString(1).ToUtf8(), "2 - B");
                                  list->SetSelIndex(2);
                                  PressOk(dialog);
                                });
  EXPECT_EQ(chosen, 2);
  const int none = WhileShown([&] { return questions.ChooseSheet(items); },
                              [&](TDialog& dialog) { dialog.CloseWindow(kIdcCancel); });
  EXPECT_EQ(none, -1);
  UninstallLoadDialogs();
  // Without the dialogs the first sheet, asking nobody.
  EXPECT_EQ(questions.ChooseSheet(items), 0);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
