#include "app/LevelCombo.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/ColorPalette.h"
#include "controls/ColorPicker.h"
#include "controls/GadgetImage.h"
#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/UiColors.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "platform/gdi/TDib.h"
#include "platform/ui/ControlDraw.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/Messages.h"
#include "platform/ui/OwnerDrawMeasure.h"

namespace kvn {

namespace {

constexpr int kColorWindow = 5;
constexpr int kColorWindowText = 8;
constexpr int kColorHighlight = 13;
constexpr int kColorHighlightText = 14;
constexpr int kColorBtnFace = 15;
constexpr std::uint32_t kNoLevelColor = 0x80000000u;

std::vector<TLevelComboBox*>& Combos() {
  static std::vector<TLevelComboBox*> combos;
  return combos;
}

// The nine column pictures, loaded on the first row drawn; positions 0
// (shown), 1 (hidden), 4 (printed), 5 (not printed) and 6 (no colour) are
// drawn.
const std::array<std::unique_ptr<TDib>, 9>& ColumnPictures() {
  static const std::array<std::unique_ptr<TDib>, 9> pictures = [] {
    static constexpr std::uint32_t kIds[9] = {16814, 16815, 16819, 16818, 16820, 16821, 16823, 16822, 16813};
    std::array<std::unique_ptr<TDib>, 9> out;
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = LoadGadgetImage(kIds[i]);
    return out;
  }();
  return pictures;
}

void DrawPictureCentered(const TDrawItem& item, const TDib* picture, const TRect& cell) {
  if (!picture) return;
  DrawItemDib(item, *picture, cell.left + int((cell.Width() - picture->Width()) / 2),
              cell.top + int((cell.Height() - picture->Height()) / 2));
}

// The three cells from the row's left edge: shown or hidden, (empty),
// printed or not, the colour square or "no colour".
void DrawLevelColumns(const TDrawItem& item, const LevelRecord& level, const TRect& row) {
  const auto& pictures = ColumnPictures();
  auto cell = [&](int index) {
    const int left = row.left + index * kLevelColumnWidth;
    return TRect{left, row.top, left + kLevelColumnWidth, row.bottom};
  };
  DrawPictureCentered(item, pictures[level.visible ? 0 : 1].get(), cell(0));
  DrawPictureCentered(item, pictures[level.printable ? 4 : 5].get(), cell(2));
  if ((level.color & kNoLevelColor) == 0) {
    const TRect c = cell(3);
    const int top = c.top + int((c.Height() - kLevelColumnWidth) / 2);
    const TRect square{c.left, top, c.left + kLevelColumnWidth, top + kLevelColumnWidth};
    FillItemRect(item, TRect{square.left + 1, square.top + 1, square.right - 1, square.bottom - 1}, 0x000000);
    FillItemRect(item, TRect{square.left + 2, square.top + 2, square.right - 2, square.bottom - 2},
                 level.color & 0xFFFFFF);
  } else {
    DrawPictureCentered(item, pictures[6].get(), cell(3));
  }
}

cSheet* CurrentSheet() {
  cVectorView* view = CurrentVectorView();
  return view ? view->GetVectorWindow()->GetCurrentSheet() : nullptr;
}

}  // namespace

// ---- the row ------------------------------------------------------------------------------------

int LevelColumnAt(const TRect& row, const TPoint& point) {
  if (point.y < row.top || point.y > row.bottom || point.x < row.left) return 0;
  return (point.x - row.left) / kLevelColumnWidth + 1;
}

void DrawLevelItem(TRect* rowOut, const TDrawItem& item, int valueFormat, cDrawingData* data, bool storeOnlySelected,
                   bool withColumns, bool withValue) {
  const bool selected = (item.itemState & kOdsSelected) != 0;
  if (rowOut && (!storeOnlySelected || selected)) *rowOut = item.rect;
  if (item.itemAction & (kOdaDrawEntire | kOdaSelect)) {
    if (item.itemState & kOdsDisabled) {
      FillItemRect(item, item.rect, GetUiSysColor(kColorBtnFace));
    } else if (item.itemData >= 0 && item.itemData < 65536 && data) {
      const std::uint32_t back = GetUiSysColor(selected ? kColorHighlight : kColorWindow);
      const std::uint32_t fore = GetUiSysColor(selected ? kColorHighlightText : kColorWindowText);
      TRect text = item.rect;
      if (withColumns) {
        const TRect strip{item.rect.left, item.rect.top, std::min(item.rect.left + kLevelColumnsStrip, item.rect.right),
                          item.rect.bottom};
        FillItemRect(item, strip, 0xFFFFFF);
        FillItemRect(item, TRect{strip.right, item.rect.top, item.rect.right, item.rect.bottom}, back);
        text.left = strip.right + 2;
      } else {
        FillItemRect(item, item.rect, back);
      }
      LevelRecord* level = data->Levels().GetLevel(std::uint16_t(item.itemData));
      if (level) {
        WString name;
        level->GetDisplayName(name);
        if (withColumns) DrawLevelColumns(item, *level, item.rect);
        if (withValue && !std::isnan(level->value) && level->value != 0) {
          const TRect value{int(text.right - text.Width() / 5 + 5), text.top, text.right, text.bottom};
          DrawItemText(item, value, FormatDouble(level->value, valueFormat), fore);
          text.right = value.left;
        }
        DrawItemText(item, text, name, fore);
        if (!withColumns) {
          const int end = text.left + MeasureItemText(item, name) + 3;
          DrawLevelColumns(item, *level, TRect{end, item.rect.top, item.rect.right, item.rect.bottom});
        }
      }
    }
  }
  const bool focusAction = (item.itemAction & kOdaFocus) && selected;
  const bool focusedDraw = (item.itemAction & (kOdaDrawEntire | kOdaSelect)) && (item.itemState & kOdsFocus);
  if (focusAction || focusedDraw) DrawItemFocusRect(item, item.rect);
}

bool ToggleLevelColumn(TWindow& owner, TWindow& control, const TRect& row, const TPoint& point, std::uint16_t index,
                       cSheet& sheet) {
  LevelRecord* level = sheet.Data() ? sheet.Data()->Levels().FindLevel(index) : nullptr;
  if (!level) return false;
  cDrawing& drawing = sheet.Drawing();
  switch (LevelColumnAt(row, point)) {
    case 1:
      level->visible = level->visible ? 0 : 1;
      drawing.MarkModified();
      drawing.RedrawViews(0);
      break;
    case 3:
      // Printing reads the flag: nothing on the screen changes.
      level->printable = level->printable ? 0 : 1;
      drawing.MarkModified();
      break;
    case 4: {
      std::uint32_t color = level->color & 0xFFFFFF;
      bool noColor = (level->color & kNoLevelColor) != 0;
      const TPoint screen = control.ClientToScreen(point);
      if (!ShowColorPicker(&owner, color, screen, &noColor, false, LoadLangString(30585), nullptr, true))
        return false;
      // "No colour" keeps the old colour under the flag, so that a colour
      // chosen later does not depend on it.
      level->color = noColor ? (level->color | kNoLevelColor) : (color & 0xFFFFFF);
      drawing.MarkModified();
      drawing.RedrawViews(0);
      break;
    }
    default: return false;
  }
  if (TWindow* parent = control.GetParentO()) {
    TNotify header{control.GetHandle(), std::uintptr_t(control.Attr.Id), 1};
    parent->HandleMessage(kWmNotify, TParam1(control.Attr.Id), reinterpret_cast<TParam2>(&header));
  }
  control.Invalidate(false);
  return true;
}

// ---- the combo ----------------------------------------------------------------------------------

TLevelComboBox::TLevelComboBox(TWindow* parent, const void* owner, TFrameWindow& frame)
    : TAutoCombo_(parent, kControlId, nullptr, 0), owner_(owner), frame_(frame) {
  Combos().push_back(this);
}

TLevelComboBox::~TLevelComboBox() { std::erase(Combos(), this); }

const TResponseTable& TLevelComboBox::Table() {
  using C = TLevelComboBox;
  static const TResponseTable table(
      {
          OnMessage<kWmLButtonDown, &C::EvLButtonDown>(),
          OnMessage<kWmLButtonDblClk, &C::EvLButtonDblClk>(),
      },
      {&TAutoCombo_::Table()});
  return table;
}

bool TLevelComboBox::Find(TEventInfo& info) { return Table().Search(info); }

void TLevelComboBox::SetupWindow() {
  TAutoCombo_::SetupWindow();
  SetTooltipText(LoadLangString(16234));
}

void TLevelComboBox::LoadFromVariable() {
  // The list comes from the drawing, not from a bound variable.
  filled_ = false;
  sheet_ = nullptr;
  Refresh();
}

void TLevelComboBox::Refresh() {
  if (!GetHandle()) return;
  cSheet* sheet = CurrentSheet();
  LevelTable* table = sheet && sheet->Data() ? &sheet->Data()->Levels() : nullptr;
  // Filled means filled from a table in use: level use switched on or off
  // (the Layers page) refills the box too.
  const bool keep = sheet == sheet_ && (sheet == nullptr || (table && table->InUse() == filled_ &&
                                                             table->Count() == countAtFill_ &&
                                                             table->SortMode() == sortModeAtFill_));
  bool refilled = false;
  if (!keep) {
    refilled = true;
    sheet_ = sheet;
    countAtFill_ = 0;
    sortModeAtFill_ = 0;
    ClearList();
    filled_ = false;
    if (table && table->InUse()) {
      if (auto order = table->MakeDisplayOrder()) {
        for (std::uint32_t i = 0; i < order->Count(); ++i) {
          const std::uint16_t index = (*order)[i];
          if (index != 65535 && index >= table->Count()) continue;
          LevelRecord* level = table->GetLevel(index);
          WString name;
          if (level) level->GetDisplayName(name);
          const int position = AddString(name);
          SetItemData(position, index);
        }
      }
      countAtFill_ = std::uint16_t(table->Count());
      sortModeAtFill_ = table->SortMode();
      filled_ = true;
    }
  }
  // A drawing without levels has none to choose, even with level use on.
  const bool shown = filled_ && sheet_ != nullptr && GetCount() > 0;
  EnableWindow(shown);
  ShowWindow(shown ? kSwShowNormal : kSwHide);
  // A refilled list shows its first row; a kept one keeps the row the user
  // chose (selecting row 0 on every refresh would undo each choice at once).
  if (sheet_ && (refilled || GetSelIndex() < 0)) SetSelIndex(GetCount() > 0 ? 0 : -1);
}

void TLevelComboBox::MeasureItem(TMeasureItem& item) {
  MeasureOwnerDrawItem(item, heights_, nullptr, GetPeer());
}

void TLevelComboBox::DrawItem(TDrawItem& item) {
  item.itemData = item.itemId >= 0 && item.itemId < GetCount() ? GetItemData(item.itemId) : 65536;
  DrawLevelItem(&itemRect_, item, 0, sheet_ ? sheet_->Data() : nullptr, false, true, false);
}

int TLevelComboBox::MeasureItemsWidth() {
  int widest = 0;
  if (sheet_ && sheet_->Data()) {
    LevelTable& table = sheet_->Data()->Levels();
    for (std::uint32_t i = 0; i < table.Count(); ++i)
      if (LevelRecord* level = table.GetLevel(std::uint16_t(i))) widest = std::max(widest, GetTextWidth(level->name));
  }
  return widest + 60;
}

void TLevelComboBox::EvLButtonDown(std::uint32_t, const TPoint& point) {
  const int selected = GetSelIndex();
  if (sheet_ && selected >= 0 && !GetDroppedState()) {
    const std::intptr_t index = GetItemData(selected);
    if (index >= 0 && index < 65536 &&
        ToggleLevelColumn(frame_, *this, itemRect_, point, std::uint16_t(index), *sheet_))
      return;
  }
  DefaultProcessing();
}

void TLevelComboBox::EvLButtonDblClk(std::uint32_t, const TPoint& point) {
  // A quick second click on the columns must not open the list.
  if (point.x >= itemRect_.left && point.x < itemRect_.left + kLevelColumnsStrip) return;
  DefaultProcessing();
}

void TLevelComboBox::OnSelectionChange() {
  const int selected = GetSelIndex();
  if (sheet_ && sheet_ == CurrentSheet() && selected >= 0 && sheet_->Data()) {
    sheet_->Data()->Levels().SetCurrentIndex(std::uint16_t(GetItemData(selected)));
    SetSelIndex(selected);
    RefreshLevelComboBoxes(nullptr);
  }
  if (TWindow* client = frame_.GetClientWindow(); client && client->GetHandle())
    client->SetFocus();
  else if (frame_.GetHandle())
    frame_.SetFocus();
}

TDialogBar* NewLevelComboBox(TWindow* parent, const void* owner, TFrameWindow& frame) {
  auto* bar = new TDialogBar(parent, 27237, frame);
  new TLevelComboBox(bar, owner, frame);
  return bar;
}

void RefreshLevelComboBoxes(const void* owner) {
  for (TLevelComboBox* combo : Combos())
    if (owner == nullptr || combo->Owner() == owner) combo->Refresh();
}

void DetachLevelCombosFrom(const cSheet* sheet) {
  for (TLevelComboBox* combo : Combos())
    if (combo->ShownSheet() == sheet) combo->ForgetSheet();
}

}  // namespace kvn
