// Shell window utilities with real toolkit windows: owner-draw heights
// measured with hidden combos, dialog items shown and hidden by id, placement
// near a parent, and the gadget frame as a child panel.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <cstdio>
#include <string>
#include <memory>
#include <cstdlib>
#include <chrono>

#include "app/GadgetFrame.h"
#include "app/ShellControls.h"
#include "foundation/LangTable.h"
#include "foundation/ProgramFolders.h"
#include "controls/DialogTr.h"
#include "platform/ui/DialogItems.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/NearParent.h"
#include "platform/ui/OwnerDrawMeasure.h"
#include "platform/ui/ShellHelpers.h"
#include "platform/ui/UiHelpersWx.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

TFrameWindow* MakeFrame() { return test::NewFrame(WString(u"Utilities"), 60, 40, 700, 500); }

TEST(ShellUtilities, OwnerDrawHeightsFollowTheFont) {
  std::unique_ptr<TFrameWindow> frame(MakeFrame());
  ASSERT_TRUE(frame->Create());
  OwnerDrawHeights normal;
  ComputeOwnerDrawHeights(normal, frame->GetPeer(), nullptr);
  EXPECT_GE(normal.itemHeight, 16);
  EXPECT_GE(normal.fieldHeight, 10);
  EXPECT_GE(normal.comboHeight, 15);

  const wxFont big(wxFontInfo(28));
  OwnerDrawHeights large;
  ComputeOwnerDrawHeights(large, frame->GetPeer(), &big);
  // GTK keeps its combo boxes at the theme's height whatever the font; the
  // rows follow the font.
  EXPECT_GT(large.itemHeight, normal.itemHeight);
  EXPECT_GT(large.fieldHeight, normal.fieldHeight);
  EXPECT_GE(large.comboHeight, normal.comboHeight);

  // Without a window the start values stay.
  OwnerDrawHeights none;
  ComputeOwnerDrawHeights(none, nullptr, &big);
  EXPECT_EQ(none.comboHeight, 21);

  // Measured once, then the field of a combo and the items answered.
  OwnerDrawHeights once;
  TMeasureItem field{kOdtComboBox, 5, -1};
  MeasureOwnerDrawItem(field, once, nullptr, frame->GetPeer());
  EXPECT_EQ(field.itemHeight, once.fieldHeight);
  TMeasureItem item{kOdtComboBox, 6, 0};
  once.itemHeight = 99;  // not measured again
  MeasureOwnerDrawItem(item, once, nullptr, frame->GetPeer());
  EXPECT_EQ(item.itemHeight, 99);
  // The measuring combos are gone.
  EXPECT_EQ(frame->GetPeer()->GetChildren().size(), 0u);
}

TEST(ShellUtilities, DialogItemsByIdAndPlacementNearTheParent) {
  std::unique_ptr<TFrameWindow> frame(MakeFrame());
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShowNormal);
  auto* a = new wxButton(frame->GetPeer(), 101, "a");
  auto* b = new wxButton(frame->GetPeer(), 102, "b");
  const int ids[] = {101, 102, 999, 0};
  ShowDialogItems(frame.get(), false, ids, false);
  EXPECT_FALSE(a->IsShown());
  EXPECT_FALSE(b->IsThisEnabled());
  ShowDialogItems(frame.get(), true, ids, false);
  EXPECT_TRUE(a->IsShown());
  EXPECT_TRUE(b->IsThisEnabled());
  ShowDialogItems(frame.get(), false, ids, true);
  EXPECT_FALSE(b->IsShown());
  EXPECT_TRUE(b->IsThisEnabled());
  EnableDialogItems(frame.get(), false, ids);
  EXPECT_FALSE(a->IsThisEnabled());

  auto* sheet = new wxDialog(frame->GetPeer(), wxID_ANY, "sheet", wxDefaultPosition, wxSize(300, 200));
  PlaceWindowNearParent(sheet);
  const wxRect parent = frame->GetPeer()->GetScreenRect();
  const wxPoint at = sheet->GetPosition();
  EXPECT_EQ(at.x, parent.x + kNearParentOffset);
  EXPECT_EQ(at.y, parent.y + kNearParentOffset);
  sheet->Destroy();
}

TEST(ShellUtilities, GadgetFrameIsAChildPanelFilledByItsClient) {
  std::unique_ptr<TFrameWindow> frame(MakeFrame());
  ASSERT_TRUE(frame->Create());
  auto* gadget = new TGadgetFrame(frame.get());
  auto* client = new TWindow(gadget);
  gadget->SetClientWindow(client);
  gadget->Attr.W = 200;
  gadget->Attr.H = 30;
  ASSERT_TRUE(gadget->Create());
  ASSERT_NE(client->GetPeer(), nullptr);
  EXPECT_FALSE(gadget->GetPeer()->IsTopLevel());
  EXPECT_EQ(gadget->GetPeer()->GetParent(), frame->GetPeer());
  gadget->GetPeer()->SetSize(200, 30);
  gadget->GetPeer()->Layout();
  EXPECT_EQ(client->GetPeer()->GetSize(), wxSize(200, 30));
}

void CountClick(void* counter) { ++*static_cast<int*>(counter); }

TEST(ShellUtilities, AutoButtonCallsBackAndHideControlStaysHidden) {
  static const DialogControlData controls[] = {
      {DialogControlClass::Button, 300, u"Press", 7, 7, 50, 14, kWsVisible | kWsTabStop},
      {DialogControlClass::Button, 302, u"Option", 7, 30, 80, 10, kWsVisible | kWsTabStop | kBsAutoCheckBox},
      {DialogControlClass::Edit, 303, u"", 7, 50, 80, 12, kWsVisible | kWsTabStop},
  };
  static const DialogTemplateData templates[] = {{29001, u"Controls", 120, 80, 0, controls, 3}};
  ScopedDialogTemplates scoped(templates);

  std::unique_ptr<TFrameWindow> frame(MakeFrame());
  ASSERT_TRUE(frame->Create());
  int clicks = 0;
  auto* dialog = new TDialogTr(frame.get(), 29001);
  auto* button = new TAutoButton(dialog, 300, &CountClick, &clicks);
  auto* hiddenCheck = new THideControl(dialog, 302);
  auto* hiddenEdit = new THideControl(dialog, 303);
  ASSERT_TRUE(dialog->Create());
  ASSERT_NE(hiddenCheck->GetPeer(), nullptr);
  EXPECT_EQ(hiddenCheck->GetControlClass(), DialogControlClass::Button);
  EXPECT_EQ(hiddenEdit->GetControlClass(), DialogControlClass::Edit);
  EXPECT_FALSE(hiddenCheck->GetPeer()->IsShown());
  EXPECT_FALSE(hiddenEdit->GetPeer()->IsThisEnabled());

  button->Click();
  button->Click();
  EXPECT_EQ(clicks, 2);

  hiddenCheck->ShowWindow(kSwShow);
  hiddenCheck->EnableWindow(true);
  dialog->LoadFromVariable();  // a transfer hides it again
  EXPECT_FALSE(hiddenCheck->GetPeer()->IsShown());
  EXPECT_FALSE(hiddenCheck->GetPeer()->IsThisEnabled());
  delete dialog;
}

TEST(ShellUtilities, PointInRectTakesLeftAndTopOnly) {
  const TRect r{10, 20, 30, 40};
  struct Case {
    TPoint p;
    bool in;
  };
  for (const Case& c : {Case{{10, 20}, true}, Case{{29, 39}, true}, Case{{30, 20}, false}, Case{{10, 40}, false},
                        Case{{9, 25}, false}, Case{{15, 19}, false}}) {
    EXPECT_EQ(IsPointInRect(r, c.p), c.in) << c.p.x << "," << c.p.y;
  }
}

TEST(ShellUtilities, SystemFolderAndDataInProgramFolders) {
  const char* saved = std::getenv("XDG_CONFIG_DIRS");
  const std::string keep = saved ? saved : "";
  setenv("XDG_CONFIG_DIRS", "/etc/kvn-xdg:/etc/xdg", 1);
  EXPECT_EQ(GetWindowsFolderPath(), WString(u"/etc/kvn-xdg/"));
  unsetenv("XDG_CONFIG_DIRS");
  EXPECT_EQ(GetWindowsFolderPath(), WString(u"/etc/xdg/"));
  if (saved) setenv("XDG_CONFIG_DIRS", keep.c_str(), 1);

  SetLanguageIndex(kLanguageEnglish);
  test::AnsweringBoxes boxes(std::chrono::milliseconds(30));
  MessageBoxBackend* previous = SetMessageBoxBackend(&boxes);
  EXPECT_TRUE(WarnDataInProgramFiles(nullptr, WString(u"/usr/share/kvn/plan.kvn"), false));
  WString inProgram = GetProgramDirectory();
  inProgram.AppendCStr(u"plan.kvn");
  EXPECT_TRUE(WarnDataInProgramFiles(nullptr, inProgram, true));
  EXPECT_FALSE(WarnDataInProgramFiles(nullptr, WString(u"/home/user/plan.kvn"), true));
  SetMessageBoxBackend(previous);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[0], WString(u"Data must not be in a folder '/usr/share/kvn/plan.kvn'"));
  EXPECT_NE(boxes.texts[1].ToUtf8().find("Prosím přesuňte data jinam."), std::string::npos);
}

TEST(ShellUtilities, InputHookGuardSeesEveryKeyAndMouseEvent) {
  int keys = 0, mice = 0;
  {
    InputHookGuard guard([&](InputHookGuard::Kind k) { (k == InputHookGuard::Kind::Keyboard ? keys : mice)++; });
    EXPECT_EQ(InputHookGuard::Active(), &guard);
    std::unique_ptr<TFrameWindow> frame(test::NewFrame(WString(u"Hooked"), 0, 0, 200, 150));
    ASSERT_TRUE(frame->Create());
    wxKeyEvent key(wxEVT_KEY_DOWN);
    frame->GetPeer()->GetEventHandler()->ProcessEvent(key);
    wxMouseEvent move(wxEVT_MOTION);
    frame->GetPeer()->GetEventHandler()->ProcessEvent(move);
  }
  EXPECT_EQ(InputHookGuard::Active(), nullptr);
  EXPECT_GE(keys, 1);
  EXPECT_GE(mice, 1);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
