// The texts of the drawing parameters sheet and of the print dialog, in all
// three languages, on a private X display with the sample drawing open:
// every one-line text shows whole (its best size fits its box), and every
// check box and radio button has room for its indicator and label; every
// dialog grown for its texts stays on the screen.
// Regression: "Drawing scale is correc..." and longer translations were cut.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/control.h>
#include <wx/radiobut.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/ProgressDialog.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/DialogTr.h"
#include "controls/PropertySheet.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "foundation/WindowPlacement.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/ThemedButton.h"
#include "print/dialogs/PrintDialog.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// Every shown text, check box and radio button below `root` that does not
// fit its box, as "label: best w x h in w x h".
void CollectCut(wxWindow* root, std::vector<std::string>& cut) {
  for (wxWindow* child : root->GetChildren()) {
    if (!child->IsShown()) continue;
    const wxSize size = child->GetSize(), best = child->GetBestSize();
    bool tooSmall = false;
    if (dynamic_cast<wxStaticText*>(child)) {
      const bool oneLine = size.y < 2 * child->GetCharHeight() && !child->GetLabel().Contains('\n');
      const bool left = !(child->GetWindowStyle() & (wxALIGN_RIGHT | wxALIGN_CENTRE_HORIZONTAL));
      // A box of several lines wraps its text: it must hold every line.
      tooSmall = oneLine ? left && best.x > size.x : best.y > size.y || best.x > size.x;
    } else if (dynamic_cast<wxCheckBox*>(child) || dynamic_cast<wxRadioButton*>(child)) {
      tooSmall = best.x > size.x || best.y > size.y;
    }
    if (tooSmall) {
      cut.push_back(child->GetLabel().ToStdString(wxConvUTF8) + ": best " + std::to_string(best.x) + " x " +
                    std::to_string(best.y) + " in " + std::to_string(size.x) + " x " + std::to_string(size.y));
    }
    CollectCut(child, cut);
  }
}

bool RunSteps(const std::function<void()>& start, std::deque<std::function<bool()>> steps) {
  wxTimer timer;
  test::StepClock clock;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (clock.Expired("the dialog's steps")) {
      if (auto* sheet = dynamic_cast<TMyPropertySheet*>(ModalStack::Top())) sheet->CmCancel();
      if (auto* dialog = dynamic_cast<cPrintDialog*>(ModalStack::Top())) dialog->CloseWindow(kIdcCancel);
      return;
    }
    if (!steps.empty() && steps.front()()) {
      steps.pop_front();
      clock.Next();
    }
  });
  timer.Start(60);
  start();
  test::PumpUntil([&] { return steps.empty() && ModalStack::Depth() == 0; });
  timer.Stop();
  return steps.empty();
}

class DialogTextsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    test::AddA4Queue(queues_);
    override_ = std::make_unique<ScopedSpoolerOverride>(spooler_);
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    InstallProgressDialogs();
    LoadPrinterList();
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 0;
    frame_->Attr.Y = 0;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const std::filesystem::path sample =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
    test::Pump(300ms);
  }
  void TearDown() override {
    delete frame_;
    ResetPrinters();
    override_.reset();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    SettingsFolderTest::TearDown();
  }
  cVectorWindow& Window() { return *static_cast<cVectorView*>(frame_->GetClientWindow())->GetVectorWindow(); }

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(DialogTextsTest, EveryTextOfTheParametersSheetAndThePrintDialogShowsWhole) {
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    frame_->SwitchLanguage(language);
    MessageQueue::Instance().DispatchRound();
    std::vector<std::string> cut;
    bool seen = false;
    EXPECT_TRUE(RunSteps([&] { Window().HandleMessage(kWmCommand, kCmParameters, 0); },
                         {
                             [&] { return dynamic_cast<TMyPropertySheet*>(ModalStack::Top()) != nullptr; },
                             [&] {
                               auto& sheet = *dynamic_cast<TMyPropertySheet*>(ModalStack::Top());
                               for (int page = 0; page < sheet.GetPageCount(); ++page) {
                                 sheet.SelectPage(page);
                                 if (TMyPropertyPage* p = sheet.GetPage(page); p && p->GetPeer())
                                   CollectCut(p->GetPeer(), cut);
                               }
                               sheet.SelectPage(0);
                               test::Pump(200ms);
                               test::SaveScreenshot("parameters-format-" + std::to_string(language) + ".png");
                               seen = true;
                               sheet.CmCancel();
                               return true;
                             },
                         }));
    EXPECT_TRUE(RunSteps([&] { Window().HandleMessage(kWmCommand, kCmPrint, 0); },
                         {
                             [&] { return dynamic_cast<cPrintDialog*>(ModalStack::Top()) != nullptr; },
                             [&] {
                               auto& dialog = *dynamic_cast<cPrintDialog*>(ModalStack::Top());
                               CollectCut(dialog.GetPeer(), cut);
                               // As the viewer shows it, on the screen.
                               const ScreenRect work = GetPrimaryWorkArea();
                               const wxRect r = dialog.GetPeer()->GetRect();
                               if (!wxRect(work.left, work.top, work.right - work.left, work.bottom - work.top)
                                        .Contains(r)) {
                                 cut.push_back("the print dialog at x " + std::to_string(r.x) + ", " +
                                               std::to_string(r.width) + " wide, leaves the screen");
                               }
                               if (language == kLanguageSlovak) test::SaveScreenshot("print-dialog-slovak.png");
                               dialog.CloseWindow(kIdcCancel);
                               return true;
                             },
                         }));
    EXPECT_TRUE(seen);
    for (const std::string& text : cut) ADD_FAILURE() << "cut off: " << text;
  }
}

// The room a text field gives its text: GTK's text area of the entry
// (inside its frame and padding), asked of the toolkit itself.
int EntryTextWidth(wxWindow* field) {
  struct Area {
    int x, y, width, height;
  };
  using TextArea = void (*)(void*, Area*);
  static const auto textArea = reinterpret_cast<TextArea>(dlsym(RTLD_DEFAULT, "gtk_entry_get_text_area"));
  if (textArea == nullptr || field == nullptr) return -1;
  Area area{};
  textArea(field->GetHandle(), &area);
  return area.width;
}

// The drawing area's beginning X and Y on the Format page hold seven-digit
// values with their two decimals (a drawing far from its origin, as
// "Adapt the drawing format..." proposes them) whole.
// Regression: the two fields cut such values.
TEST_F(DialogTextsTest, TheFormatPagesBeginningFieldsShowSevenDigitValuesWhole) {
  std::vector<std::string> cut;
  EXPECT_TRUE(RunSteps([&] { Window().HandleMessage(kWmCommand, kCmParameters, 0); },
                       {
                           [&] { return dynamic_cast<TMyPropertySheet*>(ModalStack::Top()) != nullptr; },
                           [&] {
                             auto& sheet = *dynamic_cast<TMyPropertySheet*>(ModalStack::Top());
                             sheet.SelectPage(0);
                             wxWindow* page = sheet.GetPage(0) ? sheet.GetPage(0)->GetPeer() : nullptr;
                             for (int id : {3603, 3605}) {
                               auto* field = page ? dynamic_cast<wxTextCtrl*>(page->FindWindow(id)) : nullptr;
                               if (field == nullptr) {
                                 cut.push_back("no field " + std::to_string(id));
                                 continue;
                               }
                               field->ChangeValue("-1234567.89");
                               test::Pump(100ms);
                               const int needs = field->GetTextExtent(field->GetValue()).x;
                               const int room = EntryTextWidth(field);
                               if (room < needs) {
                                 cut.push_back(std::to_string(id) + ": the text needs " + std::to_string(needs) +
                                               " pixels, the field shows " + std::to_string(room));
                               }
                             }
                             sheet.CmCancel();
                             return true;
                           },
                       }));
  for (const std::string& text : cut) ADD_FAILURE() << text;
}

// Every template of the program, built as the dialog layer builds it and
// translated as the program's dialogs translate it at set-up, in each
// language, measured with the toolkit's fonts: every text fits the
// rectangle its template gives it in the dialog's units (a text or check
// box that needs more widens past it, a push button cuts its text), every
// control lies inside the dialog, and every control the template puts
// inside a group box stays inside that box.
// Regression: the parameters sheet's "Drawing scale is correctly set" and
// "Choose according actual printer" ran past the sheet's right edge; in
// Slovak the print dialog's vector-graphics option ran onto the Printer
// group's border.
TEST_F(DialogTextsTest, EveryControlOfEveryTemplateFitsItsRectangleInEveryLanguage) {
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    SetLanguageIndex(language);
    InvalidateLangTable();
    for (const DialogTemplateData& t : AllDialogTemplates()) {
      TDialogTr dialog(frame_, t.id);
      ASSERT_TRUE(dialog.Create());
      wxWindow* peer = dialog.GetPeer();
      ASSERT_NE(peer, nullptr);
      const TSize units = dialog.GetBaseUnits();
      const wxSize client = peer->GetClientSize();
      std::vector<std::string> cut;
      auto say = [&](const wxWindow& w, const std::string& what) {
        cut.push_back("\"" + w.GetLabel().ToStdString(wxConvUTF8) + "\" " + what);
      };
      // The shown control made for each template entry: found where its rectangle begins.
      std::vector<std::pair<const DialogControlData*, wxWindow*>> made;
      for (const DialogControlData& c : t.Controls()) {
        const TRect r = DialogUnitsToPixels(TRect{c.x, c.y, c.x + c.cx, c.y + c.cy}, units.cx, units.cy);
        for (wxWindow* child : peer->GetChildren()) {
          if (child->IsShown() && child->GetPosition() == wxPoint(r.left, r.top)) {
            made.emplace_back(&c, child);
            break;
          }
        }
      }
      for (const auto& [c, child] : made) {
        const TRect r = DialogUnitsToPixels(TRect{c->x, c->y, c->x + c->cx, c->y + c->cy}, units.cx, units.cy);
        const wxRect actual = child->GetRect();
        const int width = int(r.Width()), height = int(r.Height());
        const std::string room = " (" + std::to_string(width) + " x " + std::to_string(height) + ")";
        const bool toggle = dynamic_cast<wxCheckBox*>(child) || dynamic_cast<wxRadioButton*>(child);
        if ((toggle || dynamic_cast<wxStaticText*>(child)) && actual.width > width) {
          say(*child, "needs " + std::to_string(actual.width) + " pixels of its rectangle" + room);
        }
        if (toggle && actual.height > height) {
          say(*child, "needs " + std::to_string(actual.height) + " pixels of height" + room);
        }
        if (PeerIsPushButton(child) && !child->GetLabel().empty() &&
            child->GetTextExtent(wxControl::RemoveMnemonics(child->GetLabel())).x > width - 8) {
          say(*child, "is cut by its button" + room);
        }
        if (actual.x < 0 || actual.y < 0 || actual.GetRight() >= client.x || actual.GetBottom() >= client.y) {
          say(*child, "lies outside the dialog's " + std::to_string(client.x) + " x " + std::to_string(client.y));
        }
      }
      // Inside a group box: every control whose template rectangle lies in the box's.
      for (const auto& [g, box] : made) {
        if (!dynamic_cast<wxStaticBox*>(box)) continue;
        for (const auto& [c, child] : made) {
          const bool inside = c != g && c->x >= g->x && c->y >= g->y && c->x + c->cx <= g->x + g->cx &&
                              c->y + c->cy <= g->y + g->cy;
          if (inside && !box->GetRect().Contains(child->GetRect())) say(*child, "runs onto its group box's border");
        }
      }
      for (const std::string& text : cut) ADD_FAILURE() << "dialog " << t.id << ": " << text;
      dialog.Destroy(kIdcCancel);
    }
  }
}

// Every push button of every template, translated as the viewer translates
// after a language switch, in each language: its label shows no literal
// '&' and marks at most one mnemonic, and the standard buttons (OK, Cancel,
// Yes, No, Help, ...) are drawn alike in every language: the same themed
// face with the same glyph, a mnemonic wherever the English one has one.
// (The themed face lost to a stale record of a deleted dialog is caught by
// ThemedButtonTest.ADialogDeletedWithItsWindowLeavesNoRecord.)
TEST_F(DialogTextsTest, EveryButtonOfEveryTemplateIsShownAlikeInEveryLanguage) {
  struct Shown {
    bool themed = false;
    bool glyph = false;
    bool mnemonic = false;
    bool operator==(const Shown&) const = default;
  };
  std::map<std::pair<int, int>, Shown> english;  // (template, button) -> how English shows it
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    frame_->SwitchLanguage(language);
    MessageQueue::Instance().DispatchRound();
    int standard = 0;
    for (const DialogTemplateData& t : AllDialogTemplates()) {
      TDialogTr dialog(frame_, t.id);
      ASSERT_TRUE(dialog.Create());
      for (wxWindow* child : dialog.GetPeer()->GetChildren()) {
        if (!PeerIsPushButton(child)) continue;
        const wxString label = child->GetLabel();
        const std::string text = label.ToStdString(wxConvUTF8);
        const wxString shownText = wxControl::RemoveMnemonics(label);
        EXPECT_FALSE(shownText.Contains('&')) << "dialog " << t.id << " button " << child->GetId() << " shows \""
                                              << shownText.ToStdString(wxConvUTF8) << "\"";
        EXPECT_LE(label.length() - shownText.length(), 1u) << "dialog " << t.id << ": \"" << text << "\"";
        const int id = child->GetId();
        if (id != kIdOk && id != kIdCancel && id != kIdYes && id != kIdNo && id != kIdcHelp && id != 1038) continue;
        ++standard;
        Shown shown;
        const ThemedPeerInfo* themed = ThemedPeerOf(child);
        shown.themed = themed != nullptr;
        shown.glyph = themed && ThemedButtonGlyph(themed->glyphId, true) != nullptr;
        shown.mnemonic = shownText.length() < label.length();
        EXPECT_TRUE(shown.themed && shown.glyph) << "dialog " << t.id << ": \"" << text << "\" has no icon";
        if (language == kLanguageEnglish) {
          english[std::make_pair(t.id, id)] = shown;
        } else {
          EXPECT_TRUE(shown == english[std::make_pair(t.id, id)])
              << "dialog " << t.id << ": \"" << text << "\" is not shown as its English twin";
        }
      }
      dialog.Destroy(kIdcCancel);
    }
    EXPECT_GT(standard, 20);
  }
}

// Every template, translated and fitted to its texts in each language,
// lies on the screen, and the print dialog grows no wider in English than
// in the two translations (its English texts are no longer than theirs).
// Regression: the English print dialog grew for one radio button's text to
// 1260 pixels, wider than the main window, and kept its centre by moving
// its left edge off the screen.
TEST_F(DialogTextsTest, EveryFittedTemplateLiesOnTheScreenInEveryLanguage) {
  const ScreenRect work = GetPrimaryWorkArea();
  const wxRect screen(work.left, work.top, work.right - work.left, work.bottom - work.top);
  std::map<int, int> printWidth;
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    SetLanguageIndex(language);
    InvalidateLangTable();
    for (const DialogTemplateData& t : AllDialogTemplates()) {
      TDialogTr dialog(frame_, t.id);
      ASSERT_TRUE(dialog.Create());
      const wxRect r = dialog.GetPeer()->GetRect();
      EXPECT_TRUE(screen.Contains(r)) << "dialog " << t.id << " at " << r.x << ", " << r.y << ", " << r.width
                                      << " x " << r.height << " leaves the screen";
      if (t.id == 19516) printWidth[language] = r.width;
      dialog.Destroy(kIdcCancel);
    }
  }
  EXPECT_LE(printWidth[kLanguageEnglish], std::max(printWidth[kLanguageCzech], printWidth[kLanguageSlovak]));

  // A dialog that grows by half for one text, placed at the screen's edge.
  static const DialogControlData kControls[] = {
      {DialogControlClass::Button, 101, u"Check box too long", 7, 7, 60, 10,
       kWsVisible | kWsTabStop | kBsAutoCheckBox},
  };
  static const DialogTemplateData kGrowing[] = {{29811, u"Grows", 400, 40, 0, kControls, 1}};
  ScopedDialogTemplates templates(kGrowing);
  TDialogTr dialog(frame_, 29811);
  ASSERT_TRUE(dialog.Create());
  const wxRect r = dialog.GetPeer()->GetRect();
  EXPECT_GT(r.width, 1000) << "the test dialog did not grow";
  EXPECT_TRUE(screen.Contains(r)) << "the grown dialog at " << r.x << ", " << r.y << ", " << r.width << " x "
                                  << r.height << " leaves the screen";
  dialog.Destroy(kIdcCancel);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
