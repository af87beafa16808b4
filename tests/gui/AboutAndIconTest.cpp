// The About box is its dialog template 16434 with the version line filled
// in and a themed OK button, and the main frame carries the program's icon
// (bitmap 15058). Screenshots go to $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/toplevel.h>

#include <chrono>
#include <string>

#include "app/AboutDialog.h"
#include "app/TestyFrameWindow.h"
#include "foundation/LangTable.h"
#include "platform/ui/ThemedButton.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/Dialog.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

class AboutAndIconTest : public test::SettingsFolderTest {};

TEST_F(AboutAndIconTest, TheFrameHasTheProgramIcon) {
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  auto* window = dynamic_cast<wxTopLevelWindow*>(frame->GetPeer());
  ASSERT_NE(window, nullptr);
  const wxIcon icon = window->GetIcon();
  ASSERT_TRUE(icon.IsOk());
  EXPECT_EQ(icon.GetWidth(), 32);
  EXPECT_EQ(icon.GetHeight(), 32);
}

TEST_F(AboutAndIconTest, AboutBoxShowsTheVersionInEveryLanguage) {
  struct Case {
    int language;
    const char* caption;
    const char* version;
  };
  for (const Case& c : {Case{kLanguageEnglish, "About software", "Version 20.0.0 (64-bit)"},
                        Case{kLanguageCzech, "O programu", "Verze 20.0.0 (64-bit)"}}) {
    auto frame = std::make_unique<TTestyFrameWindow>();
    ASSERT_TRUE(frame->Create());
    frame->ShowWindow(kSwShow);
    frame->SwitchLanguage(c.language);
    // Modeless here: the test program runs no application loop to end a modal one.
    std::unique_ptr<TDialog> box = MakeAboutDialog(*frame);
    ASSERT_TRUE(box->Create());
    test::Pump(300ms);
    wxWindow* peer = box->GetPeer();
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->GetLabel().ToStdString(wxConvUTF8), c.caption);
    wxWindow* line = peer->FindWindow(11111);
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->GetLabel().ToStdString(wxConvUTF8), c.version);
    EXPECT_NE(ThemedPeerOf(peer->FindWindow(1)), nullptr) << "OK is a themed button";
    test::SaveScreenshot("about-" + std::to_string(c.language) + ".png");
    box->CloseWindow(kIdcOk);
    EXPECT_EQ(box->GetHandle(), nullptr);
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
