// Zooming the drawing window on a private X display. The User zoom dialog
// (15762) opens from the View menu over a drawing at 100 %, with the
// percentage in its field and the Help button hidden; 150 confirmed with OK
// gives 150 %, typed through the control or with real key presses; Cancel
// changes nothing; the texts follow the interface language. A wheel notch
// over the drawing zooms about the pointer. The drawing has scale 2, so that
// the drawing scale takes part in every conversion.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>

#include "app/CommandIds.h"
#include "app/Rulers.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/AutoNumbers.h"
#include "foundation/LangTable.h"
#include "platform/ui/Application.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/WxText.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

test::FixtureDocument ScaledDocument() {
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  sheet.scale = 2.0;
  sheet.formatMargins = {10.0, 10.0};
  test::FixtureLine l;
  l.start = {40, 30};
  l.end = {500, 360};
  sheet.lines.push_back(l);
  test::FixtureDocument doc;
  doc.sheets.push_back(sheet);
  return doc;
}

// The modal dialog shown now, if any.
TDialog* ShownDialog() {
  for (wxWindow* top : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(top);
    if (dialog && dialog->IsShown() && dialog->IsModal()) return dynamic_cast<TDialog*>(TWindow::FromPeer(dialog));
  }
  return nullptr;
}

// One notch of the wheel turned away from the user (button 4) with the
// pointer at `screen`, through the X server.
bool WheelUpAt(const TPoint& screen) {
  const std::string command = "timeout 10 xdotool " + test::PointerTo(screen.x, screen.y) + " click 4 >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

class ViewZoomTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const std::filesystem::path file = files_.Path() / "scaled.kvn";
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(ScaledDocument())));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    test::Pump(200ms);
    auto* view = dynamic_cast<cVectorView*>(frame_->GetClientWindow());
    ASSERT_NE(view, nullptr);
    window_ = view->GetVectorWindow();
    frame_->CommandFromMenu(kCmZoom100);
    test::Pump(50ms);
    ASSERT_DOUBLE_EQ(Percent(), 100.0);
  }
  void TearDown() override {
    delete frame_;
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    SettingsFolderTest::TearDown();
  }

  double Percent() const { return window_->Mapping().scale * 2.0 * 100.0; }

  // Runs User zoom from the menu and the steps inside the dialog's loop, one
  // per tick once it is shown (a step returns false to be asked again). A
  // dialog still open long after the last step is cancelled: a failure.
  void RunUserZoom(std::deque<std::function<bool(TDialog&)>> steps) {
    test::StepClock clock;
    bool opened = false;
    bool timedOut = false;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      TDialog* dialog = ShownDialog();
      if (dialog == nullptr) return;
      opened = true;
      if (clock.Expired("the zoom dialog's steps")) {
        timedOut = true;
        timer.Stop();
        dialog->CloseWindow(kIdcCancel);
        return;
      }
      if (!steps.empty() && steps.front()(*dialog)) {
        steps.pop_front();
        clock.Next();
      }
    });
    timer.Start(60);
    frame_->CommandFromMenu(kCmUserZoom);
    timer.Stop();
    EXPECT_TRUE(opened) << "the dialog did not open";
    EXPECT_FALSE(timedOut) << "the dialog did not close by itself";
    EXPECT_TRUE(steps.empty()) << steps.size() << " steps not run";
    test::Pump(50ms);
  }

  // The dialog's one number field (control 2001), the child object the
  // window made for it.
  static TAutoDouble* Field(TDialog& d) {
    for (TWindow* child : d.GetChildren()) {
      if (auto* field = dynamic_cast<TAutoDouble*>(child)) return field;
    }
    return nullptr;
  }
  static bool Press(TDialog& d, int id) {
    auto* button = dynamic_cast<TButton*>(d.GetDlgItem(id));
    EXPECT_NE(button, nullptr) << "button " << id;
    if (button) button->Click();
    return true;
  }
  static std::string Caption(TDialog& d) { return d.GetCaption().ToUtf8(); }
  // The label of the field: the dialog's first child.
  static std::string Label(TDialog& d) {
    const std::vector<void*> children = d.GetChildWindows();
    return children.empty() ? std::string() : TDialog::GetChildWindowText(children.front()).ToUtf8();
  }

  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
  cVectorWindow* window_ = nullptr;
};

TEST_F(ViewZoomTest, OkWithOneHundredFiftyGivesOneHundredFiftyPercent) {
  EXPECT_TRUE(frame_->IsCommandEnabled(kCmUserZoom));
  RunUserZoom({[&](TDialog& d) {
                 EXPECT_EQ(Caption(d), "User zoom");
                 EXPECT_EQ(Label(d), "&Zoom (%):");
                 TAutoDouble* field = Field(d);
                 EXPECT_NE(field, nullptr);
                 if (field == nullptr) return Press(d, kIdcCancel);
                 EXPECT_EQ(field->GetText(), WString(u"100"));
                 EXPECT_DOUBLE_EQ(field->GetMinimum(), 1e-6);
                 EXPECT_DOUBLE_EQ(field->GetMaximum(), 999'999'999.0);
                 EXPECT_DOUBLE_EQ(field->GetStep(), 25.0);
                 // The program has no help file: the template's Help button stays hidden.
                 TWindow* help = d.GetDlgItem(int(kIdcHelp));
                 EXPECT_TRUE(help == nullptr || !help->IsWindowVisible());
                 test::SaveScreenshot("user-zoom-dialog.png");
                 field->TypeText(WString(u"150"));
                 return true;
               },
               [&](TDialog& d) { return Press(d, kIdcOk); }});
  EXPECT_DOUBLE_EQ(Percent(), 150.0);
  // An ordinary zoom: Last zoom returns to 100 %.
  frame_->CommandFromMenu(kCmLastZoom);
  EXPECT_DOUBLE_EQ(Percent(), 100.0);
}

TEST_F(ViewZoomTest, RealKeysTypeTheValueAndEnterConfirms) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  RunUserZoom({[&](TDialog&) {
                 // The field has the focus: replace its text and press Enter.
                 return std::system(test::XdoOnWindow("User zoom", "key ctrl+a 1 5 0 Return").c_str()) == 0;
               }});
  EXPECT_DOUBLE_EQ(Percent(), 150.0);
}

TEST_F(ViewZoomTest, CancelChangesNothing) {
  const WorldMapping before = window_->Mapping();
  const WorldMapping previous = window_->PreviousMapping();
  RunUserZoom({[&](TDialog& d) {
                 if (TAutoDouble* field = Field(d)) field->TypeText(WString(u"300"));
                 return true;
               },
               [&](TDialog& d) { return Press(d, kIdcCancel); }});
  EXPECT_EQ(window_->Mapping().scale, before.scale);
  EXPECT_EQ(window_->Mapping().offsetX, before.offsetX);
  EXPECT_EQ(window_->Mapping().offsetY, before.offsetY);
  EXPECT_EQ(window_->PreviousMapping().scale, previous.scale);
}

TEST_F(ViewZoomTest, TextsFollowTheInterfaceLanguage) {
  for (auto [language, caption, label] :
       {std::tuple{kLanguageCzech, "Uživatelské zvětšení", "&Zvětšení (%):"},
        std::tuple{kLanguageSlovak, "Používateľské zväčšenie", "&Zväčšenie (%):"}}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    RunUserZoom({[&](TDialog& d) {
      EXPECT_EQ(Caption(d), caption);
      EXPECT_EQ(Label(d), label);
      return Press(d, kIdcCancel);
    }});
  }
  EXPECT_DOUBLE_EQ(Percent(), 100.0);
}

// The wheel over the drawing, turned through the X server: one notch up
// zooms in by 2^(1/4) and keeps the point under the pointer where it is.
TEST_F(ViewZoomTest, WheelNotchOverTheDrawingZoomsAboutThePointer) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  // 200 %: the page is wider and taller than any test screen, so no axis
  // fits (a fitting axis is centred again after every zoom).
  frame_->CommandFromMenu(kCmZoom200);
  test::Pump(50ms);
  ASSERT_FALSE(window_->HorizontalScroll().fits || window_->VerticalScroll().fits);
  const TPoint inside{120, 90};
  const TPoint screen = window_->ClientToScreen(inside);
  const double before = Percent();
  const DPoint under = window_->Mapping().DeviceToWorld(DevicePoint{inside.x, inside.y});
  ASSERT_TRUE(WheelUpAt(screen));
  for (int i = 0; i < 50 && Percent() == before; ++i) test::Pump(20ms);
  EXPECT_NEAR(Percent(), before * 1.1892071, 1e-9 * before);
  const DPoint after = window_->Mapping().DeviceToWorld(DevicePoint{inside.x, inside.y});
  const double pixel = 1.0 / (window_->Mapping().scale * 4.0);
  EXPECT_NEAR(after.x, under.x, pixel);
  EXPECT_NEAR(after.y, under.y, pixel);
}

// Over a ruler the toolkit hands the wheel to the ruler, which passes it on:
// the drawing zooms about the centre of the drawing window.
TEST_F(ViewZoomTest, WheelNotchOverARulerZoomsAboutTheCentre) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  frame_->CommandFromMenu(kCmZoom200);
  test::Pump(50ms);
  ASSERT_FALSE(window_->HorizontalScroll().fits || window_->VerticalScroll().fits);
  auto* view = dynamic_cast<cVectorView*>(frame_->GetClientWindow());
  ASSERT_NE(view, nullptr);
  const TRect client = window_->GetClientRect();
  const TPoint centre{(client.left + client.right) / 2, (client.top + client.bottom) / 2};
  const DPoint before = window_->Mapping().DeviceToWorld(DevicePoint{centre.x, centre.y});
  const double percent = Percent();
  const TPoint onRuler = view->GetHorizontalRuler()->ClientToScreen(TPoint{200, 7});
  ASSERT_TRUE(WheelUpAt(onRuler));
  for (int i = 0; i < 50 && Percent() == percent; ++i) test::Pump(20ms);
  EXPECT_NEAR(Percent(), percent * 1.1892071, 1e-9 * percent);
  const DPoint after = window_->Mapping().DeviceToWorld(DevicePoint{centre.x, centre.y});
  const double pixel = 1.0 / (window_->Mapping().scale * 4.0);
  EXPECT_NEAR(after.x, before.x, pixel);
  EXPECT_NEAR(after.y, before.y, pixel);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
