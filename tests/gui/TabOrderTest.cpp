// Tab and Shift+Tab in every dialog and every property-sheet page of the
// program, pressed through the X server on a private display: the places
// that Tab walks round, back to where it began, are the places Shift+Tab
// walks in the reverse order, and they are every visible, enabled control
// whose template entry (or, for the sheet's own windows, the toolkit) gives
// it a tab stop, each once, a radio group counting as one. Ctrl+Tab turns a
// sheet's pages forward, round the end, and Ctrl+Shift+Tab back.
//
// Dialogs the viewer opens from its menus are opened that way; the others
// are made as the dialog or page that opens them makes them. The export
// options lie inside the toolkit's file chooser, which walks its own
// widgets: their places are compared with the template's, in order, without
// keys. Left out: the other choosers' extra controls, the drop-down colour
// grid and the pop-up choice list (a single list each), the tool bars'
// boxes and the preview's Close bar (not dialogs), the progress window
// (a Cancel button alone) and the dialog layer's own test template.
#include <gtest/gtest.h>
#include <wx/eventfilter.h>
#include <wx/filedlg.h>
#include <wx/notebook.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/AboutDialog.h"
#include "app/CommandIds.h"
#include "app/LoadDialogs.h"
#include "app/TestyFrameWindow.h"
#include "controls/CharacterPicker.h"
#include "controls/PropertySheet.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "model/cDrawingData.h"
#include "platform/fonts/FontLayerFaces.h"
#include "platform/ui/ControlPeers.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/DialogNavigation.h"
#include "print/PrinterData.h"
#include "print/export/ExportDrawing.h"
#include "print/PrinterList.h"
#include "print/dialogs/CompactPrintDialog.h"
#include "print/dialogs/ExportDialog.h"
#include "print/dialogs/PageFormatDialog.h"
#include "print/dialogs/PaperDialog.h"
#include "print/dialogs/PrintDialog.h"
#include "print/dialogs/PrintLayoutDialog.h"
#include "print/dialogs/PrinterProperties.h"
#include "render/GeometryServicesImpl.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// Counts the Tab presses (with or without Shift and Ctrl) the program has
// taken from the X server: the focus is read once the press was handled.
class TabPresses : public wxEventFilter {
 public:
  TabPresses() { wxEvtHandler::AddFilter(this); }
  ~TabPresses() override { wxEvtHandler::RemoveFilter(this); }
  TabPresses(const TabPresses&) = delete;
  TabPresses& operator=(const TabPresses&) = delete;
  int FilterEvent(wxEvent& event) override {
    if (event.GetEventType() == wxEVT_CHAR_HOOK && static_cast<wxKeyEvent&>(event).GetKeyCode() == WXK_TAB) {
      ++count;
    }
    return Event_Skip;
  }
  int count = 0;
};

// Presses Tab with the modifiers the words name ("shift+Tab", "ctrl+Tab")
// through the X server's test extension, as xdotool does, without a
// process per press.
void Press(const std::string& keys) {
  int modifiers = wxMOD_NONE;
  if (keys.find("shift+") != std::string::npos) modifiers |= wxMOD_SHIFT;
  if (keys.find("ctrl+") != std::string::npos) modifiers |= wxMOD_CONTROL;
  wxUIActionSimulator().Char(WXK_TAB, modifiers);
}

std::string Escaped(const std::string& title) {
  std::string out;
  for (char c : title) {
    if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) out += '\\';
    out += c;
  }
  return out;
}

bool IsRadio(const DialogControlData& c) {
  const std::uint32_t type = c.style & kBsTypeMask;
  return c.cls == DialogControlClass::Button && (type == kBsRadioButton || type == kBsAutoRadioButton);
}

wxWindow* ChildWithId(wxWindow* parent, int id) {
  for (wxWindow* child : parent->GetChildren()) {
    if (child->GetId() == id) return child;
  }
  return nullptr;
}

bool Usable(wxWindow* w) { return w && w->IsShownOnScreen() && w->IsEnabled(); }

// What Tab must walk: the places (a radio group by its first button) and,
// for every window that can hold the focus, its place.
struct Expected {
  std::set<wxWindow*> places;
  std::vector<wxWindow*> order;  // the places in template (creation) order
  std::map<wxWindow*, wxWindow*> placeOf;

  void Add(wxWindow* w, wxWindow* place, bool counts) {
    if (w == nullptr) return;
    placeOf[w] = place;
    if (counts && places.insert(place).second) order.push_back(place);
  }
  // The template's controls of a dialog or page, and the controls its code
  // made with a tab stop.
  void AddDialog(TDialog& d) {
    wxWindow* panel = d.GetPeer();
    const auto controls = d.GetTemplate()->Controls();
    std::set<int> ids;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const DialogControlData& c = controls[i];
      ids.insert(c.id);
      if (!IsRadio(c)) {
        wxWindow* w = c.id == -1 ? nullptr : ChildWithId(panel, c.id);
        Add(w, w, (c.style & kWsTabStop) && Usable(w));
        continue;
      }
      // A run of radio buttons, up to the next one that starts a group.
      std::size_t end = i + 1;
      while (end < controls.size() && IsRadio(controls[end]) && !(controls[end].style & kWsGroup)) ++end;
      bool tabStop = false, usable = false;
      for (std::size_t k = i; k < end; ++k) {
        tabStop = tabStop || (controls[k].style & kWsTabStop);
        usable = usable || Usable(ChildWithId(panel, controls[k].id));
      }
      wxWindow* first = ChildWithId(panel, c.id);
      for (std::size_t k = i; k < end; ++k) {
        ids.insert(controls[k].id);
        Add(ChildWithId(panel, controls[k].id), first, tabStop && usable);
      }
      i = end - 1;
    }
    for (wxWindow* child : panel->GetChildren()) {
      const TWindow* object = TWindow::FromPeer(child);
      if (object && !ids.count(child->GetId())) Add(child, child, (object->Attr.Style & kWsTabStop) && Usable(child));
    }
  }
};

Expected ExpectedOf(TWindow& top) {
  Expected e;
  if (auto* sheet = dynamic_cast<TMyPropertySheet*>(&top)) {
    // The tabs, the page shown after them, and the sheet's buttons.
    for (wxWindow* child : top.GetPeer()->GetChildren()) {
      if (dynamic_cast<wxNotebook*>(child) || PeerIsPushButton(child)) e.Add(child, child, Usable(child));
      if (dynamic_cast<wxNotebook*>(child)) e.AddDialog(*sheet->GetCurrentPage());
    }
  } else if (auto* dialog = dynamic_cast<TDialog*>(&top)) {
    e.AddDialog(*dialog);
  }
  return e;
}

wxWindow* FocusedPlace(const Expected& e) {
  for (wxWindow* w = wxWindow::FindFocus(); w; w = w->GetParent()) {
    if (auto it = e.placeOf.find(w); it != e.placeOf.end()) return it->second;
    if (w->IsTopLevel()) break;
  }
  return nullptr;
}

std::string Name(wxWindow* w) {
  if (w == nullptr) return "(none of the dialog's controls)";
  std::string label = w->GetLabel().ToStdString();
  if (dynamic_cast<wxNotebook*>(w)) label = "the tabs";
  return std::to_string(w->GetId()) + " \"" + label + "\"";
}

std::string Names(const std::vector<wxWindow*>& ws) {
  std::string out;
  for (wxWindow* w : ws) out += (out.empty() ? "" : ", ") + Name(w);
  return out;
}

// The walks of one dialog or page: Tab round to where it began, then
// Shift+Tab round.
class Walker {
 public:
  Walker(TabPresses& presses, const std::string& what) : presses_(presses), what_(what) {}

  // A step (true when done): presses `key` and notes the place after each
  // press until the focus is back where it began. A focus on none of the
  // dialog's controls at first is moved once before the walk begins.
  std::function<bool()> Walk(TWindow& top, const std::string& key, std::vector<wxWindow*>& visited) {
    auto sent = std::make_shared<int>(-1);
    auto pressed = std::make_shared<std::size_t>(0);
    auto expected = std::make_shared<Expected>();
    return [this, &top, key, &visited, sent, pressed, expected] {
      if (*sent >= 0 && presses_.count == *sent) return false;  // the press is not handled yet
      if (*sent < 0) *expected = ExpectedOf(top);
      wxWindow* place = FocusedPlace(*expected);
      if (*sent < 0 || (visited.empty() && place == nullptr)) {
        visited.clear();
        if (place) visited.push_back(place);
      } else if (place == visited.front()) {
        Check(*expected, key, visited);
        return true;
      } else {
        visited.push_back(place);
      }
      // Round every place and once more: the focus has not come back.
      if (++*pressed > expected->places.size() + 2) {
        ADD_FAILURE() << what_ << ": " << key << " never came back to "
                      << Name(visited.empty() ? nullptr : visited.front()) << "; it walked " << Names(visited);
        return true;
      }
      *sent = presses_.count;
      Press(key);
      return false;
    };
  }

  void Check(const Expected& e, const std::string& key, const std::vector<wxWindow*>& visited) {
    const std::set<wxWindow*> walked(visited.begin(), visited.end());
    EXPECT_EQ(walked.size(), visited.size()) << what_ << ": " << key << " walked a place twice: " << Names(visited);
    std::vector<wxWindow*> missing, extra;
    for (wxWindow* w : e.places) {
      if (!walked.count(w)) missing.push_back(w);
    }
    for (wxWindow* w : walked) {
      if (!e.places.count(w)) extra.push_back(w);
    }
    EXPECT_TRUE(missing.empty()) << what_ << ": " << key << " never reached " << Names(missing)
                                 << "; it walked " << Names(visited);
    EXPECT_TRUE(extra.empty()) << what_ << ": " << key << " reached " << Names(extra);
    if (key != "Tab" || !missing.empty() || !extra.empty() || visited.empty()) return;
    // Tab's round is the template's order, from where it began.
    std::vector<wxWindow*> order = e.order;
    const auto start = std::find(order.begin(), order.end(), visited.front());
    if (start != order.end()) std::rotate(order.begin(), start, order.end());
    EXPECT_EQ(Names(visited), Names(order)) << what_ << ": Tab does not walk the template's order";
  }

  // Shift+Tab's round is Tab's backwards.
  void ExpectReversed(const std::vector<wxWindow*>& forward, const std::vector<wxWindow*>& backward) {
    std::vector<wxWindow*> reversed;
    if (!forward.empty()) {
      reversed.push_back(forward.front());
      reversed.insert(reversed.end(), forward.rbegin(), forward.rend() - 1);
    }
    EXPECT_EQ(Names(backward), Names(reversed)) << what_ << ": Shift+Tab is not Tab backwards";
  }

 private:
  TabPresses& presses_;
  std::string what_;
};

class TabOrderTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    SetLanguageIndex(kLanguageEnglish);
    InvalidateLangTable();
    ResetPrinters();
    PrintDialogGlobals() = PrintDialogOptions{};
    test::AddA4Queue(queues_);
    override_ = std::make_unique<ScopedSpoolerOverride>(spooler_);
    InstallRendererGeometryServices();
    InstallFontLayerFaces();
    LoadPrinterList();
    frame_ = std::make_unique<TTestyFrameWindow>();
    frame_->Attr.X = 30;
    frame_->Attr.Y = 20;
    frame_->Attr.W = 900;
    frame_->Attr.H = 700;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    const auto file = files_.Path() / "pages.kvn";
    ASSERT_TRUE(test::SaveBytes(file.string(), test::WriteNativeFile(TwoPages())));
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(file.string())));
    test::Pump(200ms);
  }
  void TearDown() override {
    frame_.reset();
    ResetPrinters();
    override_.reset();
    test::SettingsFolderTest::TearDown();
  }

  static test::FixtureDocument TwoPages() {
    test::FixtureDocument plan;
    test::FixtureSheet sheet;
    sheet.name = u"Plan";
    for (int p = 0; p < 2; ++p) {
      test::FixturePage page;
      page.name = p == 0 ? u"Ground" : u"Roof";
      page.color = 0x80000000;
      sheet.pages.push_back(page);
      test::FixtureLine l;
      l.start = {20, 20};
      l.end = {180, 180};
      l.page = std::uint16_t(p);
      sheet.lines.push_back(l);
    }
    plan.sheets.push_back(sheet);
    return plan;
  }

  // A step: presses `key` in a sheet with the focus on the shown page's
  // first place and, once the press is handled, expects the page shown to be
  // `page` and the focus on its first place, not where the toolkit leaves it
  // (the tabs) nor on the page that went (a hidden window).
  static std::function<bool()> TurnStep(TabPresses& presses, TMyPropertySheet& sheet, const std::string& key,
                                        int page) {
    auto sent = std::make_shared<int>(-1);
    return [&presses, &sheet, key, page, sent] {
      if (*sent < 0) {
        const Expected before = ExpectedOf(sheet);
        wxWindow* start = nullptr;
        for (wxWindow* w : before.order) {
          const bool tabs = dynamic_cast<wxNotebook*>(w) != nullptr;
          if (!tabs && w->GetParent() != sheet.GetPeer()) {
            start = w;
            break;
          }
        }
        if (start == nullptr) {
          ADD_FAILURE() << key << ": the sheet's page shows no place to start from";
          return true;
        }
        start->SetFocus();
        *sent = presses.count;
        Press(key);
        return false;
      }
      if (presses.count == *sent) return false;
      EXPECT_EQ(sheet.GetCurrentPageIndex(), page) << key;
      const Expected after = ExpectedOf(sheet);
      wxWindow* want = nullptr;
      for (wxWindow* w : after.order) {
        const bool tabs = dynamic_cast<wxNotebook*>(w) != nullptr;
        if (!tabs && w->GetParent() != sheet.GetPeer()) {
          want = w;
          break;
        }
      }
      EXPECT_EQ(Name(FocusedPlace(after)), Name(want)) << key << " from a control of the page left the focus elsewhere";
      return true;
    };
  }

  // Runs `open` (a modal run) and, once its window is shown, walks it both
  // ways (and every page of a sheet, turned by Ctrl+Tab), then cancels it.
  void WalkDialog(const std::string& what, const std::function<void()>& open) {
    TabPresses presses;
    std::deque<std::function<bool()>> steps;
    std::deque<std::vector<wxWindow*>> walks;
    TWindow* top = nullptr;
    int settle = 0, retry = 0;
    // The steps after the first are known once the window is: a sheet's
    // depend on its pages.
    steps.push_back([&] {
      auto* shown = dynamic_cast<TWindow*>(ModalStack::Top());
      // The export options are walked inside the toolkit's chooser, from
      // their first place (the chooser's own widgets walk their own order).
      auto* exporting = dynamic_cast<TExportDialog*>(TOpenSaveDialogMy::Running());
      if (exporting != nullptr) {
        TEmbeddedDialog* options = exporting->Extra();
        if (!options || !options->GetHandle() || exporting->ShownFilterIndex() == 0 ||
            !options->GetPeer()->IsShownOnScreen())
          return false;
        // The element buttons, which the viewer never shows (it has no
        // selection), as an editor with a selection shows them: the one
        // template with two radio groups in a row.
        for (const int id : {kIdAllElements, kIdSelectedElements}) {
          options->GetDlgItem(id)->ShowWindow(kSwShow);
          options->GetDlgItem(id)->EnableWindow(true);
        }
        shown = options;
      }
      if (shown == nullptr || shown == frame_.get() || !shown->GetPeer() || !shown->GetPeer()->IsShown()) return false;
      top = shown;
      // There is no window manager to give the dialog the X focus.
      test::Shell(test::XdoOnWindow(Escaped(wxGetTopLevelParent(top->GetPeer())->GetLabel().ToStdString())));
      steps.push_back([&] {
        auto* window = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(top->GetPeer()));
        if (window == nullptr) return false;
        if (top->GetPeer()->IsTopLevel()) return window->IsActive() && ++settle > 3;
        // Inside the toolkit's chooser, which may map its window after the
        // options show and whose activity the toolkit does not report: the
        // X focus and the options' first place are asked until the focus is
        // there.
        const Expected e = ExpectedOf(*top);
        if (e.order.empty()) return false;
        if (FocusedPlace(e) == nullptr) {
          if (retry++ % 25 == 0) {
            test::Shell(test::XdoOnWindow(Escaped(window->GetLabel().ToStdString())));
            e.order.front()->SetFocus();
          }
          return false;
        }
        return ++settle > 3;
      });
      if (!top->GetPeer()->IsTopLevel()) {
        // The chooser takes Tab itself and walks its own widgets, ours
        // among them: the places the dialog manager walks in the options
        // are compared with the template's, in order.
        walks.emplace_back();
        steps.push_back([&, what] {
          const Expected e = ExpectedOf(*top);
          std::vector<wxWindow*> walked;
          for (wxWindow* w : TabPlaces(top->GetPeer())) {
            const auto it = e.placeOf.find(w);
            walked.push_back(it == e.placeOf.end() ? nullptr : it->second);
          }
          EXPECT_EQ(Names(walked), Names(e.order)) << what << ": the options' places are not the template's";
          return true;
        });
      }
      auto* sheet = dynamic_cast<TMyPropertySheet*>(top);
      const int pages = !top->GetPeer()->IsTopLevel() ? 0 : sheet ? sheet->GetPageCount() : 1;
      for (int p = 0; p < pages; ++p) {
        auto walker = std::make_shared<Walker>(presses, sheet ? what + ", page " + std::to_string(p) : what);
        std::vector<wxWindow*>& forward = walks.emplace_back();
        std::vector<wxWindow*>& backward = walks.emplace_back();
        for (auto [key, visited] : {std::pair{"Tab", &forward}, std::pair{"shift+Tab", &backward}}) {
          auto walk = std::make_shared<std::function<bool()>>();
          steps.push_back([&top, walker, walk, key, visited] {
            if (!*walk) *walk = walker->Walk(*top, key, *visited);
            return (*walk)();
          });
        }
        steps.push_back([walker, &forward, &backward] {
          walker->ExpectReversed(forward, backward);
          return true;
        });
        if (sheet) steps.push_back(TurnStep(presses, *sheet, "ctrl+Tab", (p + 1) % pages));
      }
      if (sheet) steps.push_back(TurnStep(presses, *sheet, "ctrl+shift+Tab", pages - 1));
      steps.push_back([&] {
        if (auto* d = dynamic_cast<TDialog*>(top); d && top->GetPeer()->IsTopLevel()) d->CloseWindow(kIdcCancel);
        if (auto* s = dynamic_cast<TMyPropertySheet*>(top)) s->CmCancel();
        if (!top->GetPeer()->IsTopLevel()) {
          if (auto* chooser = dynamic_cast<wxFileDialog*>(wxGetTopLevelParent(top->GetPeer())))
            chooser->EndModal(wxID_CANCEL);
        }
        return true;
      });
      return true;
    });

    test::StepClock clock;
    wxTimer timer;
    bool expired = false;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (expired) return;
      if (clock.Expired(what + "'s steps")) {
        expired = true;
        test::EndModalWindows();
        return;
      }
      if (!steps.empty() && steps.front()()) {
        steps.pop_front();
        clock.Next();
      }
    });
    timer.Start(20);
    open();
    timer.Stop();
    EXPECT_TRUE(steps.empty()) << what << ": " << steps.size() << " steps not run";
    EXPECT_FALSE(walks.empty()) << what << " never opened";
    test::Pump(50ms);
  }

  test::FakeSpooler queues_;
  test::JobSpooler spooler_{queues_};
  std::unique_ptr<ScopedSpoolerOverride> override_;
  test::ScratchDir files_;
  std::unique_ptr<TTestyFrameWindow> frame_;
};

TEST_F(TabOrderTest, TabAndShiftTabWalkEveryDialogBothWaysAndCtrlTabTurnsPages) {
  ASSERT_TRUE(test::HaveXdotool()) << "xdotool is missing: run scripts/install-deps.sh";
  TTestyFrameWindow& frame = *frame_;
  test::TiledDrawing tiled(190, 277, 2, 1, 3);
  const auto command = [&frame](std::uint32_t id) { return [&frame, id] { frame.CommandFromMenu(id); }; };
  struct Row {
    std::string name;
    std::function<void()> open;
  };
  const std::vector<Row> rows = {
      {"About (16434)", command(kCmAbout)},
      {"Drawing parameters (16773, 19909, 18894)", command(kCmParameters)},
      {"Print (19516)", command(kCmPrint)},
      {"User zoom (15762)", command(kCmUserZoom)},
      {"Compact print (1538)",
       [&] {
         PrintOutOptions o;
         o.printer = GetPrinterList().At(0);
         o.printScale = 1;
         APXPrintOut out(tiled.Drawing(), o);
         CompactPrintGlobals() = CompactPrintOptions{};
         RunCompactPrintDialog(&frame, &out);
       }},
      {"Page format (16774)",
       [&] {
         PaperSizeMm format{210, 297};
         DPoint margins{10, 10};
         cNewPrintPageFormat(&frame, &format, &margins).Execute();
       }},
      {"Paper (2150)",
       [&] {
         int paper = 9;
         PaperSizeMm size{210, 297};
         DPoint margins{5, 5};
         TDialogPaper(&frame, 2150, &paper, &size, &margins).Execute();
       }},
      {"Printer properties (2162)", [&] { RunPrinterProperties(&frame, *GetPrinterList().At(0)); }},
      {"Print layout (18136)",
       [&] {
         cDrawingData data;
         const DRect areas[3] = {{0, 0, 100, 100}, {0, 0, 50, 50}, {0, 0, 20, 20}};
         double scale = 1;
         int area = 0;
         TDialogPrintLayout(&data, &frame, areas, &scale, &area).Execute();
       }},
      {"Character picker (1098)",
       [&] {
         char16_t chosen = u'A';
         TDialogAnyChar(&frame, WString(u"Liberation Sans"), true, &chosen).Execute();
       }},
      {"Sheet choice (15529)", [&] { RunSheetChoiceDialog(&frame, {WString(u"Model"), WString(u"Layout1")}); }},
      {"View direction (15528)",
       [&] {
         ViewDirectionChoice choice;
         RunViewDirectionDialog(&frame, choice);
       }},
      {"Export options (19758)", command(kCmExport)},
  };
  for (const Row& row : rows) WalkDialog(row.name, row.open);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
