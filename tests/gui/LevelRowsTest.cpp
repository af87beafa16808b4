// The level rows as the level box and the level list paint them (a
// reviewed picture of every kind of row), the list box's many selected
// rows, its filter, and a click on its columns.
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/dcmemory.h>
#include <wx/font.h>
#include <wx/image.h>

#include <memory>
#include <vector>

#include "app/LevelCombo.h"
#include "app/LevelList.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/UiColors.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/FrameWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

constexpr int kRowsWidth = 260;
constexpr int kRowHeight = 18;

struct Levels {
  cDrawingData data;
  Levels() {
    LevelTable& t = data.Levels();
    t.InsertLevel(u"Walls", nullptr, 0)->color = 0x0000C0;  // red, shown, printed
    LevelRecord* hidden = t.InsertLevel(u"Hidden notes", nullptr, 1);
    hidden->visible = 0;
    hidden->printable = 0;
    t.InsertLevel(u"Heights", nullptr, 2)->value = 2.5;
    t.InsertLevel(u"", nullptr, 3)->color = 0x00A000;  // unnamed: "(by block)"
  }
};

struct RowSpec {
  std::intptr_t level;
  std::uint32_t state;
  bool withColumns;
  bool withValue;
};

// The rows painted one below the other on grey, through a memory context
// with a fixed font.
test::Picture PaintRows(cDrawingData& data, const std::vector<RowSpec>& rows, std::vector<TRect>* stored = nullptr) {
  const int height = kRowHeight * int(rows.size());
  wxBitmap bitmap(kRowsWidth, height, 24);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(0x80, 0x80, 0x80)));
  dc.Clear();
  dc.SetFont(wxFont(wxFontInfo(8).FaceName("DejaVu Sans")));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    TDrawItem item;
    item.ctlType = kOdtListBox;
    item.itemId = int(i);
    item.itemAction = kOdaDrawEntire;
    item.itemState = rows[i].state;
    item.itemData = rows[i].level;
    item.rect = TRect{0, int(i) * kRowHeight, kRowsWidth, int(i + 1) * kRowHeight};
    item.dc = &dc;
    TRect out{-1, -1, -1, -1};
    DrawLevelItem(&out, item, 2, &data, true, rows[i].withColumns, rows[i].withValue);
    if (stored) stored->push_back(out);
  }
  dc.SelectObject(wxNullBitmap);
  const wxImage image = bitmap.ConvertToImage();
  test::Picture p;
  p.width = kRowsWidth;
  p.height = height;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < kRowsWidth; ++x)
      p.pixels.push_back(std::uint32_t(image.GetRed(x, y)) << 16 | std::uint32_t(image.GetGreen(x, y)) << 8 |
                         image.GetBlue(x, y));
  return p;
}

std::uint32_t Rgb(std::uint32_t colorRef) {
  return (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}

class LevelRowsTest : public test::SettingsFolderTest {
 protected:
  test::EnglishTexts english_;
};

TEST_F(LevelRowsTest, RowsOfEveryKindMatchTheReviewedPicture) {
  Levels levels;
  std::vector<TRect> stored;
  const test::Picture p = PaintRows(levels.data,
                                    {
                                        {0, 0, true, false},                    // shown, printed, red square
                                        {1, kOdsSelected, true, false},         // hidden, not printed, no colour
                                        {2, 0, true, true},                     // its value at the right
                                        {3, kOdsSelected, true, true},          // "(by block)", green
                                        {0, 0, false, false},                   // columns after the name
                                        {0, kOdsDisabled, true, false},         // disabled: button face only
                                        {65536, 0, true, false},                // no level: nothing at all
                                    },
                                    &stored);
  const std::uint32_t window = Rgb(GetUiSysColor(5));
  const std::uint32_t highlight = Rgb(GetUiSysColor(13));
  // The 55-pixel strip is white; the name area takes the row's background.
  EXPECT_EQ(p.At(12, 1), 0xFFFFFFu);
  EXPECT_EQ(p.At(56, 1), window);
  EXPECT_EQ(p.At(12, kRowHeight + 1), 0xFFFFFFu);
  EXPECT_EQ(p.At(kRowsWidth - 2, kRowHeight + 1), highlight);
  // The colour square of row 0: black frame, the level colour inside.
  EXPECT_EQ(p.At(33 + 1, kRowHeight / 2), 0x000000u);
  EXPECT_EQ(p.At(33 + 5, kRowHeight / 2), 0xC00000u);
  // The empty cell at 11..21 stays white.
  for (int x = 11; x < 22; ++x) EXPECT_EQ(p.At(x, kRowHeight / 2), 0xFFFFFFu) << x;
  // A disabled row is only the button face; a row without a level keeps
  // what was there.
  EXPECT_EQ(p.At(12, 5 * kRowHeight + 9), Rgb(GetUiSysColor(15)));
  EXPECT_EQ(p.At(12, 6 * kRowHeight + 9), 0x808080u);
  // Only selected rows store their rectangle.
  ASSERT_EQ(stored.size(), 7u);
  EXPECT_EQ(stored[0].left, -1);
  EXPECT_EQ(stored[1], (TRect{0, kRowHeight, kRowsWidth, 2 * kRowHeight}));
  EXPECT_EQ(stored[3], (TRect{0, 3 * kRowHeight, kRowsWidth, 4 * kRowHeight}));
  // The value "2.5" lies in the right fifth: ink there, none in row 0's.
  auto inkIn = [&](int row, int x1, int x2, std::uint32_t back) {
    for (int y = row * kRowHeight + 2; y < (row + 1) * kRowHeight - 2; ++y)
      for (int x = x1; x < x2; ++x)
        if (p.At(x, y) != back) return true;
    return false;
  };
  const int valueLeft = kRowsWidth - (kRowsWidth - 57) / 5 + 5;
  EXPECT_TRUE(inkIn(2, valueLeft, kRowsWidth, window));
  EXPECT_FALSE(inkIn(0, valueLeft, kRowsWidth, window));
  test::ExpectMatchesGolden(p, "level_rows", 24);
}

TEST_F(LevelRowsTest, FillingFollowsDisplayOrderFilterAndExclusions) {
  Levels levels;
  LevelTable& table = levels.data.Levels();
  TListBox list(nullptr, 1, 0, 0, 10, 10);
  // Sort mode 1: by name, the "by block" entry first.
  table.SetSortMode(1);
  EXPECT_EQ(FillLevelList(list, &levels.data, table.GetLevel(2), nullptr, nullptr), 2);
  ASSERT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list.GetItemData(0), 65535);
  std::vector<std::intptr_t> order;
  for (int i = 0; i < list.GetCount(); ++i) order.push_back(list.GetItemData(i));
  EXPECT_EQ(order, (std::vector<std::intptr_t>{65535, 3, 2, 1, 0}));
  // The filter is case-blind and matches inside the name.
  const WString filter(u"h");
  EXPECT_EQ(FillLevelList(list, &levels.data, table.GetLevel(0), &filter, nullptr), -1);
  ASSERT_EQ(list.GetCount(), 2);
  EXPECT_EQ(list.GetString(0).ToUtf8(), "Heights");
  EXPECT_EQ(list.GetString(1).ToUtf8(), "Hidden notes");
  const std::vector<std::uint16_t> excluded{1, 65535};
  const WString none;
  EXPECT_EQ(FillLevelList(list, &levels.data, nullptr, &none, &excluded), -1);
  EXPECT_EQ(list.GetCount(), 3);
  // Without levels in use: an empty list and -1.
  cDrawingData bare;
  EXPECT_EQ(FillLevelList(list, &bare, nullptr, nullptr, nullptr), -1);
  EXPECT_EQ(list.GetCount(), 0);

  OwnedArray<OneCheck> checks;
  checks.Add(new OneCheck);
  FillLevelCheckItems(checks, table, true);
  ASSERT_EQ(checks.Count(), 5u);
  EXPECT_EQ(checks[0]->index, 65535);
  EXPECT_EQ(checks[3]->name.ToUtf8(), "Hidden notes");
  EXPECT_EQ(checks[3]->checked, 0);
  EXPECT_EQ(checks[4]->checked, 1);
  EXPECT_EQ(checks[4]->kind, 2);
  FillLevelCheckItems(checks, table, false);
  EXPECT_EQ(checks[4]->checked, 0);
  FillLevelCheckItems(checks, bare.Levels(), true);
  EXPECT_EQ(checks.Count(), 0u);
}

// A dialog holding a level list of many selected rows.
const DialogControlData kListControls[] = {
    {DialogControlClass::ListBox, 15942, u"", 7, 7, 180, 120,
     kWsVisible | kWsTabStop | kWsVScroll | kLbsNotify | kLbsExtendedSel | kLbsOwnerDrawFixed | kLbsHasStrings},
};
const DialogTemplateData kListDialog[] = {{29811, u"Levels", 200, 140, 0, kListControls, 1}};

class ListHost : public TDialog {
 public:
  ListHost(TWindow* parent, cSheet* sheet) : TDialog(parent, 29811) { list = NewLevelListBox(this, 15942, sheet); }
  TLevelListBox* list;
};

TEST_F(LevelRowsTest, ListSelectsManyRowsAndItsColumnsSwitchTheLevel) {
  cDrawingDoc doc;
  doc.AddSheet(std::make_unique<cSheet>());
  cSheet* sheet = doc.GetSheet(0);
  LevelTable& table = sheet->Data()->Levels();
  table.InsertLevel(u"one", nullptr, 0);
  table.InsertLevel(u"two", nullptr, 1);
  table.InsertLevel(u"three", nullptr, 2);
  table.SetSortMode(0);
  table.SetUnlevelledPosition(3);
  std::unique_ptr<TFrameWindow> frame(test::NewFrame(WString(u"Owner"), 0, 0, 400, 300));
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  ScopedDialogTemplates templates(kListDialog);
  ListHost host(frame.get(), sheet);
  ASSERT_TRUE(host.Create());
  host.ShowWindow(kSwShow);
  TLevelListBox& list = *host.list;
  ASSERT_TRUE(list.IsMultipleSel());
  ASSERT_TRUE(list.IsOwnerDrawn());
  FillLevelList(list, sheet->Data(), nullptr, nullptr, nullptr);
  ASSERT_EQ(list.GetCount(), 4);
  list.SetSel(0, true);
  list.SetSel(2, true);
  EXPECT_EQ(list.GetSelIndexes(), (std::vector<int>{0, 2}));
  EXPECT_EQ(list.GetSelIndex(), 0);
  // Inverting row by row, then everything.
  for (int i = 0; i < list.GetCount(); ++i) list.SetSel(i, !list.GetSel(i));
  EXPECT_EQ(list.GetSelIndexes(), (std::vector<int>{1, 3}));
  list.SetSel(-1, true);
  EXPECT_EQ(list.GetSelCount(), 4);
  // A row inserted before selected ones moves their selection along.
  list.SetSel(-1, false);
  list.SetSel(1, true);
  list.InsertString(WString(u"new"), 0);
  EXPECT_EQ(list.GetSelIndexes(), (std::vector<int>{2}));
  list.DeleteString(0);
  EXPECT_EQ(list.GetSelIndexes(), (std::vector<int>{1}));

  // Column 1 of row 1 ("two") hides it; column 3 stops its printing; a
  // click on the name changes nothing.
  ASSERT_TRUE(test::PumpUntil([&] { return !list.GetItemRect(1).IsEmpty(); }));
  const TRect row = list.GetItemRect(1);
  EXPECT_EQ(list.ItemFromPoint(TPoint{row.left + 3, row.top + 2}), 1);
  int changes = 0;
  list.onLevelChanged = [&] { ++changes; };
  auto click = [&](int x) {
    list.HandleMessage(kWmLButtonDown, kMkLButton, MakePointParam(row.left + x, (row.top + row.bottom) / 2));
  };
  click(3);
  EXPECT_EQ(table.GetLevel(1)->visible, 0);
  click(2 * kLevelColumnWidth + 3);
  EXPECT_EQ(table.GetLevel(1)->printable, 0);
  click(kLevelColumnWidth + 3);  // the empty cell
  click(80);                     // the name
  EXPECT_EQ(table.GetLevel(1)->visible, 0);
  EXPECT_EQ(table.GetLevel(1)->printable, 0);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(table.GetLevel(0)->visible, 1);
  // Below the last row nothing is hit.
  EXPECT_EQ(list.ItemFromPoint(TPoint{5, row.top + 20 * kRowHeight}), -1);
  host.Destroy();
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
