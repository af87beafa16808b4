// The drawing parameters sheet on a private X display: a zero scale with a
// drawing area is refused (18139) and, answered OK, stored without the
// area; moving page 2 before page 1 keeps each page's objects; the layer
// and page options reach the drawing on OK only; the Layers page filters,
// selects many levels, switches them together, and turns level use and
// sorting by level on and off after asking; level use turned on over a
// sheet without levels lasts and leaves the tool bar without a level box.
#include <gtest/gtest.h>
#include <wx/timer.h>
#include <wx/window.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/AppGlobals.h"
#include "app/LevelCombo.h"
#include "app/LevelList.h"
#include "app/ParametersSheet.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "controls/ColorCombo.h"
#include "controls/AutoControls.h"
#include "controls/PropertySheet.h"
#include "foundation/LangTable.h"
#include "foundation/ModalStack.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "model/cOutObj.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/TestData.h"

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
  bool Run(cDrawingDoc& doc, std::deque<std::function<bool()>> steps, bool& finished, std::uint32_t sheetIndex = 0) {
    return Drive([&] { return RunParametersSheet(frame_.get(), nullptr, &doc, sheetIndex); }, std::move(steps),
                 finished);
  }
  // The same for a sheet that `open` runs.
  bool Drive(const std::function<bool()>& open, std::deque<std::function<bool()>> steps, bool& finished) {
    test::StepClock clock;
    wxTimer timer;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (clock.Expired("the sheet's steps")) {
        if (TMyPropertySheet* sheet = RunningSheet()) sheet->CmCancel();
        return;
      }
      if (!steps.empty() && steps.front()()) {
        steps.pop_front();
        clock.Next();
      }
    });
    timer.Start(60);
    const bool result = open();
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

TEST_F(ParametersSheetTest, PagesPageColourFollowsColouredAndSetsThePageColour) {
  test::TiledDrawing tiled(100, 100, 1, 1, 2);
  cDrawing& d = tiled.Drawing();
  d.GetPage(0)->color = kPageNoColor;
  d.GetPage(1)->color = 0x00112233;
  bool finished = false;
  const bool ok = Run(tiled.doc,
                      {
                          [] { return RunningSheet() != nullptr; },
                          [&] {
                            TMyPropertySheet& s = *RunningSheet();
                            auto* colour = dynamic_cast<TColorCombo*>(Item(s, 1, 7025));
                            EXPECT_NE(colour, nullptr);
                            if (!colour) return true;
                            // Page 1 has no colour: the combo is off.
                            Select(s, 1, 7002, 0);
                            EXPECT_FALSE(colour->IsWindowEnabled());
                            // Page 2 shows its colour, and takes a new one.
                            Select(s, 1, 7002, 1);
                            EXPECT_TRUE(colour->IsWindowEnabled());
                            EXPECT_EQ(colour->GetColor(), 0x00112233u);
                            colour->ApplyPick(0x000000FF, false);
                            EXPECT_EQ(d.GetPage(1)->color, 0x000000FFu);
                            // "Coloured" off: the colour goes, the combo with it.
                            Click(s, 1, 7023);
                            EXPECT_NE(d.GetPage(1)->color & 0x80000000u, 0u);
                            EXPECT_FALSE(colour->IsWindowEnabled());
                            // "Add" does nothing in the viewer.
                            TWindow* add = Item(s, 1, 7006);
                            EXPECT_TRUE(add && !add->IsWindowEnabled());
                            s.CmOk();
                            return true;
                          },
                      },
                      finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(ok);
  EXPECT_EQ(d.PageRecordCount(), 2u);
}

// Remove and Rename act on the chosen page: off on a sheet without pages,
// on once a page is chosen. "Remove empty pages" is off without pages too,
// so that it never asks about pages that are not there.
TEST_F(ParametersSheetTest, PagesPageRemoveAndRenameNeedAChosenPage) {
  for (int pages : {0, 2}) {
    SCOPED_TRACE(pages);
    test::TiledDrawing tiled(100, 100, 1, 1, pages);
    bool finished = false;
    Run(tiled.doc,
        {
            [] { return RunningSheet() != nullptr; },
            [&] {
              TMyPropertySheet& s = *RunningSheet();
              for (int id : {7005, 7011, 7008}) {
                TWindow* button = Item(s, 1, id);
                EXPECT_TRUE(button && button->IsWindowEnabled() == (pages > 0)) << id;
              }
              s.CmCancel();
              return true;
            },
        },
        finished);
    EXPECT_TRUE(finished);
  }
}

// Message boxes answered from a queue (OK when it is empty), each text noted.
class QueuedBoxes final : public MessageBoxBackend {
 public:
  QueuedBoxes() : previous_(SetMessageBoxBackend(this)) {}
  ~QueuedBoxes() override { SetMessageBoxBackend(previous_); }
  QueuedBoxes(const QueuedBoxes&) = delete;
  QueuedBoxes& operator=(const QueuedBoxes&) = delete;
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t) override {
    texts.push_back(text.ToUtf8());
    if (answers.empty()) return kIdOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::deque<int> answers;
  std::vector<std::string> texts;

 private:
  MessageBoxBackend* previous_;
};

// A colour box's field as the screen shows it once the box has painted:
// Show binds ahead of the box's own paint handler and shows its page. An
// event handler, so that the toolkit forgets the binding whichever goes first.
class ShownField : public wxEvtHandler {
 public:
  void Show(TMyPropertySheet& sheet, int page, int id) {
    combo_ = sheet.GetPage(page) ? sheet.GetPage(page)->GetDlgItem(id) : nullptr;
    ASSERT_TRUE(combo_ && combo_->GetPeer()) << id;
    combo_->GetPeer()->Bind(wxEVT_PAINT, &ShownField::OnPaint, this);
    sheet.SelectPage(page);
  }
  bool Painted() const { return painted_ || combo_ == nullptr; }
  // The middle of the swatch's place, left of the arrow (0xRRGGBB).
  std::uint32_t Middle(const std::string& shot) const {
    const TRect r = combo_ ? combo_->GetClientRect() : TRect{};
    const TPoint p = combo_ ? combo_->ClientToScreen(TPoint{r.left + 10, (r.top + r.bottom) / 2}) : TPoint{-1, -1};
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / shot);
    return p.x < 0 || p.y < 0 || p.x >= screen.width || p.y >= screen.height ? 0xFFFFFFFF : screen.At(p.x, p.y);
  }

 private:
  void OnPaint(wxPaintEvent& e) {
    painted_ = true;
    e.Skip();
  }
  TWindow* combo_ = nullptr;
  bool painted_ = false;
};

int CheckState(TMyPropertySheet& sheet, int page, int id) {
  auto* check = dynamic_cast<TCheckBox*>(Item(sheet, page, id));
  return check ? check->GetCheck() : -1;
}


TEST_F(ParametersSheetTest, LayersPageFiltersSelectsManyLevelsAndSwitchesLevelUseAndSorting) {
  test::TiledDrawing tiled(100, 100, 1, 1, 0);
  cDrawingData& data = *tiled.sheet->Data();
  LevelTable& table = data.Levels();
  table.InsertLevel(u"alpha", nullptr, 0);
  table.InsertLevel(u"beta", nullptr, 1)->visible = 0;
  table.InsertLevel(u"gamma", nullptr, 2);
  // One square on each level, in the order gamma, alpha, beta.
  std::vector<std::uint16_t> levelsInChain{2, 0, 1};
  {
    cOutObj* o = tiled.sheet->TopBlock().FirstObject();
    ASSERT_NE(o, nullptr);
    for (std::uint16_t level : levelsInChain) {
      ObjectChain chain;
      auto* square = new cRectangle();
      square->corner2 = {10, 10};
      square->SetLevel(level);
      chain.Append(square);
      tiled.sheet->TopBlock().AppendChain(std::move(chain));
    }
    // The fixture's own square goes to "gamma" too, first in the chain.
    o->SetLevel(2);
  }
  auto chainLevels = [&] {
    std::vector<std::uint16_t> out;
    for (const cOutObj* o = tiled.sheet->TopBlock().FirstObject(); o; o = o->next) out.push_back(o->Level());
    return out;
  };
  QueuedBoxes boxes;
  boxes.answers = {kIdOk, kIdCancel, kIdOk};
  auto levelList = [](TMyPropertySheet& s) { return dynamic_cast<TLevelListBox*>(Item(s, 2, 15942)); };
  auto filterTo = [](TMyPropertySheet& s, const char16_t* text) {
    auto* filter = dynamic_cast<TEdit*>(Item(s, 2, 5503));
    EXPECT_NE(filter, nullptr);
    if (!filter) return;
    filter->SetText(WString(text));
    s.GetPage(2)->HandleMessage(kWmCommand, MakeWParam(5503, std::uint16_t(kEnChange)), 0);
  };
  bool finished = false;
  const bool ok = Run(tiled.doc,
                      {
                          [] { return RunningSheet() != nullptr; },
                          [&] {
                            TMyPropertySheet& s = *RunningSheet();
                            TLevelListBox* list = levelList(s);
                            EXPECT_NE(list, nullptr);
                            if (!list) return true;
                            // Sort mode 1: "(by block)" first, then by name.
                            EXPECT_EQ(list->GetCount(), 4);
                            EXPECT_EQ(list->GetSelIndexes(), (std::vector<int>{0}));
                            // The structural editing stays off.
                            for (int id : {15584, 15700, 15586, 15582, 16862, 15580, 2001, 5531, 7001, 15588}) {
                              TWindow* w = Item(s, 2, id);
                              EXPECT_TRUE(w && !w->IsWindowEnabled()) << id;
                            }
                            filterTo(s, u"ET");
                            EXPECT_EQ(list->GetCount(), 1);
                            EXPECT_EQ(list->GetString(0).ToUtf8(), "beta");
                            filterTo(s, u"");
                            EXPECT_EQ(list->GetCount(), 4);
                            Click(s, 2, 5510);  // select all
                            EXPECT_EQ(list->GetSelCount(), 4);
                            Click(s, 2, 5511);  // invert
                            EXPECT_EQ(list->GetSelCount(), 0);
                            EXPECT_EQ(CheckState(s, 2, 15590), kBstUnchecked);
                            // alpha and beta: shown and hidden, so mixed.
                            list->SetSel(1, true);
                            list->SetSel(2, true);
                            s.GetPage(2)->HandleMessage(kWmCommand, MakeWParam(15942, std::uint16_t(kLbnSelChange)), 0);
                            EXPECT_EQ(CheckState(s, 2, 15590), kBstIndeterminate);
                            EXPECT_EQ(CheckState(s, 2, 16546), kBstChecked);
                            // A mixed box clicked clears: both hidden.
                            Click(s, 2, 15590);
                            EXPECT_EQ(CheckState(s, 2, 15590), kBstUnchecked);
                            EXPECT_EQ(table.GetLevel(0)->visible, 0);
                            EXPECT_EQ(table.GetLevel(1)->visible, 0);
                            EXPECT_EQ(table.GetLevel(2)->visible, 1);
                            // Levels start without a colour: Coloured gives both
                            // one (black), then the combo sets it for both.
                            EXPECT_EQ(CheckState(s, 2, 15604), kBstUnchecked);
                            Click(s, 2, 15604);
                            EXPECT_EQ(table.GetLevel(0)->color, 0u);
                            EXPECT_EQ(table.GetLevel(1)->color, 0u);
                            EXPECT_NE(table.GetLevel(2)->color & 0x80000000u, 0u);
                            auto* colour = dynamic_cast<TColorCombo*>(Item(s, 2, 15606));
                            EXPECT_NE(colour, nullptr);
                            if (colour) colour->ApplyPick(0x00336699, false);
                            EXPECT_EQ(table.GetLevel(0)->color, 0x00336699u);
                            EXPECT_EQ(table.GetLevel(1)->color, 0x00336699u);
                            EXPECT_EQ(CheckState(s, 2, 15604), kBstChecked);
                            // Sorting by levels, answered OK.
                            Click(s, 2, 5501);
                            EXPECT_EQ(chainLevels(), (std::vector<std::uint16_t>{0, 1, 2, 2}));
                            // Level use off: Cancel keeps it, OK drops the levels.
                            Click(s, 2, 5500);
                            EXPECT_EQ(CheckState(s, 2, 5500), kBstChecked);
                            EXPECT_TRUE(table.InUse());
                            Click(s, 2, 5500);
                            EXPECT_FALSE(table.InUse());
                            EXPECT_EQ(list->GetCount(), 0);
                            // Nothing left to list or to narrow; level use
                            // may be turned on again.
                            EXPECT_FALSE(list->IsWindowEnabled());
                            EXPECT_FALSE(Item(s, 2, 5503)->IsWindowEnabled());
                            EXPECT_TRUE(Item(s, 2, 5500)->IsWindowEnabled());
                            s.CmOk();
                            return true;
                          },
                      },
                      finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(ok);
  ASSERT_EQ(boxes.texts.size(), 3u);
  EXPECT_NE(boxes.texts[0].find("sort all items"), std::string::npos);
  EXPECT_NE(boxes.texts[1].find("disable layers"), std::string::npos);
  EXPECT_EQ(chainLevels(), (std::vector<std::uint16_t>{65535, 65535, 65535, 65535}));
  EXPECT_EQ(tiled.Drawing().sortByLevels, 1);
}

// A drawing's model lists its layers; a paper sheet of it, whose drawing has
// no level table of its own, shows "Use layers" off (but free to tick), its
// list, filter and colour empty and disabled, and the Pages page's colour
// off with no page chosen.
TEST_F(ParametersSheetTest, LayersPageOfAPaperSheetWithoutLevelsHasItsListAndFilterOff) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallReaders();
  OpenRequest quiet;
  quiet.quiet = true;
  DocumentResult opened = OpenDrawing(WString::FromUtf8((dir / "dxf/acadsharp_sample_AC1024_ascii.dxf").string()), quiet);
  ASSERT_TRUE(opened.Ok());
  cDrawingDoc& doc = *opened.Document();
  ASSERT_GE(doc.SheetCount(), 2u);
  ASSERT_TRUE(doc.GetSheet(0)->Data()->Levels().InUse());
  ASSERT_FALSE(doc.GetSheet(1)->Data()->Levels().InUse());
  for (std::uint32_t index : {0u, 1u}) {
    SCOPED_TRACE(index);
    const bool levels = index == 0;
    bool finished = false;
    ShownField layerColour, pageColour;
    std::uint32_t layerMiddle = 0xFFFFFFFF;
    std::uint32_t pageMiddle = 0xFFFFFFFF;
    Run(
        doc,
        {
            [] { return RunningSheet() != nullptr; },
            [&] {
              TMyPropertySheet& s = *RunningSheet();
              auto* list = dynamic_cast<TLevelListBox*>(Item(s, 2, 15942));
              TWindow* filter = Item(s, 2, 5503);
              EXPECT_TRUE(list && filter);
              if (!list || !filter) return true;
              EXPECT_EQ(CheckState(s, 2, 5500), levels ? kBstChecked : kBstUnchecked);
              // The six layers and the "by block" entry.
              EXPECT_EQ(list->GetCount(), levels ? 7 : 0);
              EXPECT_EQ(list->IsWindowEnabled(), levels);
              EXPECT_EQ(filter->IsWindowEnabled(), levels);
              EXPECT_TRUE(Item(s, 2, 5500)->IsWindowEnabled());
              // The first layer is chosen; no level is chosen without any.
              EXPECT_EQ(Item(s, 2, 15606)->IsWindowEnabled(), levels);
              // The paper sheet has no pages, so none is chosen.
              Select(s, 1, 7002, 0);
              EXPECT_FALSE(Item(s, 1, 7025)->IsWindowEnabled());
              return true;
            },
            // Disabled, a colour box still shows the colour it holds: the
            // black swatch of colour 0 when nothing is chosen, greyed
            // around, not an empty field.
            [&] {
              layerColour.Show(*RunningSheet(), 2, 15606);
              return true;
            },
            // Asked again until the X server shows the painted swatch.
            [&] {
              if (!layerColour.Painted()) return false;
              if (!levels) {
                layerMiddle = layerColour.Middle("parameters-layer-colour.png");
                if (layerMiddle != 0x000000u) return false;
              }
              pageColour.Show(*RunningSheet(), 1, 7025);
              return true;
            },
            [&] {
              if (!pageColour.Painted()) return false;
              pageMiddle = pageColour.Middle("parameters-page-colour.png");
              return pageMiddle == 0x000000u;
            },
            [&] {
              RunningSheet()->CmOk();
              return true;
            },
        },
        finished, index);
    EXPECT_TRUE(finished);
    if (!levels) {
      EXPECT_EQ(layerMiddle, 0x000000u) << "the disabled layer colour box shows no swatch";
    }
    EXPECT_EQ(pageMiddle, 0x000000u) << "the disabled page colour box shows no swatch";
    EXPECT_EQ(doc.GetSheet(index)->Data()->Levels().InUse(), levels);
  }
}

// "Use layers" ticked on a sheet without levels (the sample's Layout1)
// turns level use on for that sheet: the sheet opened again shows it on.
// The tool bar's level box, with no level to choose, stays hidden.
TEST_F(ParametersSheetTest, UseLayersTurnsLevelUseOnForASheetWithoutLevels) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallReaders();
  auto frame = std::make_unique<TTestyFrameWindow>();
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShowNormal);
  frame->GetPeer()->SetSize(0, 0, 1200, 700);
  ASSERT_TRUE(frame->OpenFile(WString::FromUtf8((dir / "dxf/acadsharp_sample_AC1024_ascii.dxf").string())));
  ASSERT_TRUE(test::PumpUntil([] { return CurrentVectorView() != nullptr; })) << "the drawing shows no view";
  cVectorWindow& window = *CurrentVectorView()->GetVectorWindow();
  window.CmNextPage();
  window.CmNextPage();
  ASSERT_EQ(window.GetSheetIndex(), 2u);
  cSheet& layout = *window.GetCurrentSheet();
  ASSERT_EQ(layout.Drawing().name.ToUtf8(), "Layout1");
  const LevelTable& table = layout.Data()->Levels();
  ASSERT_FALSE(table.InUse());
  ASSERT_EQ(table.Count(), 0u);
  TLevelComboBox* levelBox = nullptr;
  std::function<void(TWindow&)> findBox = [&](TWindow& root) {
    for (TWindow* child : root.GetChildren()) {
      if (auto* box = dynamic_cast<TLevelComboBox*>(child)) levelBox = box;
      if (!levelBox) findBox(*child);
    }
  };
  findBox(*frame);
  ASSERT_NE(levelBox, nullptr);
  auto levelBoxHidden = [&] {
    return levelBox->ShownSheet() == &layout && levelBox->GetCount() == 0 && !levelBox->IsWindowEnabled() &&
           !levelBox->GetPeer()->IsShown();
  };
  RefreshLevelComboBoxes(nullptr);
  ASSERT_TRUE(levelBoxHidden());

  auto openSheet = [&] { return RunParametersSheet(frame.get(), &window, CurrentDocument(), window.GetSheetIndex()); };
  bool finished = false;
  const bool ok = Drive(openSheet,
                        {
                            [] { return RunningSheet() != nullptr; },
                            [&] {
                              TMyPropertySheet& s = *RunningSheet();
                              EXPECT_EQ(CheckState(s, 2, 5500), kBstUnchecked);
                              EXPECT_TRUE(Item(s, 2, 5500)->IsWindowEnabled());
                              Click(s, 2, 5500);
                              EXPECT_EQ(CheckState(s, 2, 5500), kBstChecked);
                              EXPECT_TRUE(table.InUse());
                              // Nothing to list, but the list is the drawing's now.
                              TWindow* list = Item(s, 2, 15942);
                              EXPECT_TRUE(list && list->IsWindowEnabled());
                              s.CmOk();
                              return true;
                            },
                        },
                        finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(table.InUse());
  EXPECT_EQ(table.Count(), 0u);
  frame->IdleAction(0);
  EXPECT_TRUE(levelBoxHidden());

  // Opened again: still ticked, and still free to untick.
  finished = false;
  Drive(openSheet,
        {
            [] { return RunningSheet() != nullptr; },
            [&] {
              TMyPropertySheet& s = *RunningSheet();
              EXPECT_EQ(CheckState(s, 2, 5500), kBstChecked);
              EXPECT_TRUE(Item(s, 2, 5500)->IsWindowEnabled());
              s.CmCancel();
              return true;
            },
        },
        finished);
  EXPECT_TRUE(finished);
  EXPECT_TRUE(table.InUse());
  RefreshLevelComboBoxes(nullptr);
  EXPECT_TRUE(levelBoxHidden());
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
