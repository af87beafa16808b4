// The toolkit's own texts follow the interface language: the standard
// button labels of wxWidgets and GTK's file-chooser texts are Czech under
// the Czech interface and English again under the English one, whatever
// the process locale was, and the system's reasons the chooser gives
// follow every change of language. The chooser itself is shown for a
// person to look at ($KVN_GUI_ARTIFACTS/toolkit-czech-chooser.png).
#include <gtest/gtest.h>
#include <wx/stockitem.h>
#include <wx/timer.h>

#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <string>

#include "controls/FileDialogData.h"
#include "controls/FileDialogs.h"
#include "foundation/DialogFolder.h"
#include "foundation/LangTable.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/ToolkitLanguage.h"
#include "platform/ui/ToolkitSymbol.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// GLib's error record, as it lays it out.
struct GError {
  std::uint32_t domain;
  int code;
  char* message;
};

std::string Stock(int id) { return wxGetStockLabel(id, wxSTOCK_WITH_MNEMONIC).ToStdString(wxConvUTF8); }

class ToolkitLanguageTest : public test::SettingsFolderTest {
 protected:
  void TearDown() override {
    ApplyToolkitLanguage(kLanguageEnglish);
    test::SettingsFolderTest::TearDown();
  }
};

TEST_F(ToolkitLanguageTest, StandardButtonsAndChooserTextsFollowTheLanguage) {
  struct Case {
    int language;
    const char* cancel;
    const char* open;
    const char* otherPlaces;  // the chooser's sidebar
  };
  const Case cases[] = {
      {kLanguageCzech, "&Storno", "&Otevřít...", "Další umístění"},
      // wxWidgets' Slovak catalogue leaves these two buttons in English.
      {kLanguageSlovak, "&Cancel", "&Open...", "Ďalšie umiestnenia"},
      {kLanguageEnglish, "&Cancel", "&Open...", "Other Locations"},
  };
  for (const Case& c : cases) {
    ApplyToolkitLanguage(c.language);
    EXPECT_EQ(Stock(wxID_CANCEL), c.cancel) << c.language;
    EXPECT_EQ(Stock(wxID_OPEN), c.open) << c.language;
    EXPECT_EQ(std::string(ToolkitText("gtk30", "Other Locations")), c.otherPlaces) << c.language;
  }
}

// In a "C" character type every accented letter of a translated text
// becomes '?' ("Adres?? nebo soubor neexistuje", GTK's "nen? adres??em"):
// the character type is made UTF-8, the number format left alone.
TEST_F(ToolkitLanguageTest, TheCharacterTypeBecomesUtf8AndTheNumberFormatStays) {
  const std::string ctype = std::setlocale(LC_CTYPE, nullptr), numeric = std::setlocale(LC_NUMERIC, nullptr);
  locale_t czech = ::newlocale(LC_ALL_MASK, "cs_CZ.UTF-8", locale_t(nullptr));
  ASSERT_NE(czech, locale_t(nullptr)) << "the cs_CZ.UTF-8 locale is missing: run scripts/install-deps.sh";
  ASSERT_NE(std::setlocale(LC_CTYPE, "C"), nullptr);
  ASSERT_NE(std::setlocale(LC_NUMERIC, "cs_CZ.UTF-8"), nullptr);
  ApplyToolkitLanguage(kLanguageCzech);
  EXPECT_STREQ(nl_langinfo(CODESET), "UTF-8");
  EXPECT_STREQ(std::setlocale(LC_NUMERIC, nullptr), "cs_CZ.UTF-8");
  // The process's own error text, as GLib passes it to the chooser.
  const std::string shown = std::strerror(ENOENT);
  std::setlocale(LC_MESSAGES, std::string(std::setlocale(LC_MESSAGES, nullptr)).c_str());  // forget it
  EXPECT_EQ(shown, std::string(::strerror_l(ENOENT, czech)));
  EXPECT_EQ(shown.find('?'), std::string::npos) << shown;
  ::freelocale(czech);
  std::setlocale(LC_NUMERIC, numeric.c_str());
  std::setlocale(LC_CTYPE, ctype.c_str());
}

// The chooser's reasons come from GIO, which asks GLib for the system's
// text of an error number; GLib kept the first language's for good. Each
// language in turn, and the first again, gives its own reason, as the
// program's own boxes do.
TEST_F(ToolkitLanguageTest, TheChoosersSystemReasonFollowsEveryChangeOfLanguage) {
  using NewFile = void* (*)(const char*);
  using QueryInfo = void* (*)(void*, const char*, int, void*, GError**);
  using FreeError = void (*)(GError*);
  using Unref = void (*)(void*);
  const auto newFile = ToolkitSymbol<NewFile>("g_file_new_for_path");
  const auto queryInfo = ToolkitSymbol<QueryInfo>("g_file_query_info");
  const auto freeError = ToolkitSymbol<FreeError>("g_error_free");
  const auto unref = ToolkitSymbol<Unref>("g_object_unref");
  ASSERT_TRUE(newFile && queryInfo && freeError && unref) << "GIO is not loaded";
  const struct {
    int language;
    const char* reason;
  } cases[] = {
      {kLanguageCzech, "Adresář nebo soubor neexistuje"},
      {kLanguageSlovak, "Adresár alebo súbor neexistuje"},
      {kLanguageEnglish, "No such file or directory"},
      {kLanguageCzech, "Adresář nebo soubor neexistuje"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    ApplyToolkitLanguage(c.language);
    void* file = newFile("/no-such-folder-of-kvn/drawing.dxf");
    GError* error = nullptr;
    EXPECT_EQ(queryInfo(file, "standard::type", 0, nullptr, &error), nullptr);
    ASSERT_NE(error, nullptr);
    const std::string message = error->message;
    freeError(error);
    unref(file);
    EXPECT_GE(message.size(), std::strlen(c.reason));
    EXPECT_EQ(message.substr(message.size() - std::min(message.size(), std::strlen(c.reason))), c.reason)
        << message;
    EXPECT_STREQ(std::strerror(ENOENT), c.reason);
  }
}

TEST_F(ToolkitLanguageTest, TheChooserOpensInCzech) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  SetLanguageIndex(kLanguageCzech);
  ApplyToolkitLanguage(kLanguageCzech);
  std::unique_ptr<TFrameWindow> frame(test::NewFrame(WString(u"Owner"), 40, 40, 700, 500));
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::ScratchDir scratch;
  DialogFolder folder(WString(u"ToolkitLanguageTest"), DialogFolder::kDocuments);
  folder.SetFolder(WString::FromUtf8(scratch.Path().string()), false);
  FileDialogData data(kOfnFileMustExist, WString(u"All|*"));
  TAutoFileOpenDialog dialog(1, &folder, WString(), frame.get(), data, 0, WString(u"Czech chooser"));
  bool shown = false;
  int ticks = 0;
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    ++ticks;
    if (!shown && !test::Shell("xdotool search --onlyvisible --name '^Czech chooser$' 2>/dev/null").empty()) {
      shown = true;
      ticks = 0;
    }
    if (shown && ticks == 5) {
      test::SaveScreenshot("toolkit-czech-chooser.png");
      test::Shell(test::XdoOnWindow("Czech chooser", "key Escape"));
    }
    // Never found through the X server, or the Escape went astray: Escape
    // pressed there again would be lost the same way, so the chooser is
    // ended through the toolkit and the test fails.
    if (ticks == 200) {
      ADD_FAILURE() << (shown ? "Escape did not close the chooser" : "the chooser window was never found");
      test::EndModalWindows();
    }
  });
  timer.Start(100);
  EXPECT_EQ(dialog.Execute(), 2);
  timer.Stop();
  EXPECT_TRUE(shown);
  SetLanguageIndex(kLanguageEnglish);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
