// The accelerator letters of the language tables as GTK shows them: every
// entry of the main frame's menu, titles included, in every language, is a
// GTK menu item whose label underlines the letter the menu builder gave it
// (the language names take part in no list and show none). Needs a display
// (run under Xvfb by xvfb-run.sh).
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/menu.h>

#include <cstdint>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/TestyFrameWindow.h"
#include "foundation/LangTable.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

constexpr unsigned kGdkVoidSymbol = 0xFFFFFF;

// The running toolkit's answers about a menu item's label widget.
struct GtkLabels {
  template <class F>
  static F Symbol(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
  }
  void* (*child)(void*) = Symbol<void* (*)(void*)>("gtk_bin_get_child");
  const char* (*label)(void*) = Symbol<const char* (*)(void*)>("gtk_label_get_label");
  unsigned (*keyval)(void*) = Symbol<unsigned (*)(void*)>("gtk_label_get_mnemonic_keyval");
  unsigned (*fromUnicode)(std::uint32_t) = Symbol<unsigned (*)(std::uint32_t)>("gdk_unicode_to_keyval");
  unsigned (*lower)(unsigned) = Symbol<unsigned (*)(unsigned)>("gdk_keyval_to_lower");
  bool Ok() const { return child && label && keyval && fromUnicode && lower; }

  // The label GTK shows for the menu item widget ('_' marks the letter).
  std::string Text(void* item) const {
    void* l = item ? child(item) : nullptr;
    const char* text = l ? label(l) : nullptr;
    return text ? text : "<none>";
  }
  unsigned Keyval(void* item) const {
    void* l = item ? child(item) : nullptr;
    return l ? keyval(l) : 0;
  }
  // The key GTK should answer for the wx label's '&' letter.
  unsigned Expected(const wxString& wxLabel) const {
    for (std::size_t i = 0; i + 1 < wxLabel.size(); ++i) {
      if (wxLabel[i] != '&') continue;
      if (wxLabel[i + 1] == '&') {
        ++i;
        continue;
      }
      return lower(fromUnicode(std::uint32_t(wxLabel[i + 1].GetValue())));
    }
    return kGdkVoidSymbol;
  }
};

// Entries whose GTK letter is not the builder's, and how many carry one.
std::string Mismatches(const GtkLabels& gtk, const wxMenu* menu, int& lettered) {
  std::string out;
  for (const wxMenuItem* item : menu->GetMenuItems()) {
    if (item->IsSeparator()) continue;
    const unsigned expected = gtk.Expected(item->GetItemLabel());
    if (expected != kGdkVoidSymbol) ++lettered;
    if (gtk.Keyval(item->GetMenuItem()) != expected)
      out += std::string(item->GetItemLabel().utf8_str()) + " -> " + gtk.Text(item->GetMenuItem()) + "; ";
    if (item->IsSubMenu()) out += Mismatches(gtk, item->GetSubMenu(), lettered);
  }
  return out;
}

class MenuMnemonicsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
  }
  void TearDown() override {
    delete frame_;
    SettingsFolderTest::TearDown();
  }
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(MenuMnemonicsTest, GtkUnderlinesTheLettersInEveryLanguage) {
  const GtkLabels gtk;
  ASSERT_TRUE(gtk.Ok());
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    frame_->SwitchLanguage(language);
    frame_->UpdateMenuEnablers();
    wxMenuBar* bar = frame_->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    int lettered = 0;
    for (std::size_t i = 0; i < bar->GetMenuCount(); ++i) {
      const wxMenu* menu = bar->GetMenu(i);
      const unsigned title = gtk.Keyval(menu->m_owner);
      EXPECT_NE(title, kGdkVoidSymbol) << language << ": " << gtk.Text(menu->m_owner);
      EXPECT_EQ(title, gtk.Expected(bar->GetMenuLabel(i))) << language << ": " << gtk.Text(menu->m_owner);
      EXPECT_EQ(Mismatches(gtk, menu, lettered), "") << language;
    }
    // Everything but the three language names carries a letter.
    EXPECT_GE(lettered, 20) << language;
  }
  frame_->SwitchLanguage(kLanguageEnglish);
  wxMenuBar* bar = frame_->GetMenuBar();
  EXPECT_EQ(gtk.Text(bar->FindItem(kCmFileOpen)->GetMenuItem()), "_Open...");
  EXPECT_EQ(gtk.Text(bar->FindItem(kCmExit)->GetMenuItem()), "E_xit");
  EXPECT_EQ(gtk.Text(bar->GetMenu(0)->m_owner), "_File");
  frame_->SwitchLanguage(kLanguageCzech);
  EXPECT_EQ(gtk.Text(frame_->GetMenuBar()->FindItem(kCmFileOpen)->GetMenuItem()), "_Otevřít...");
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
