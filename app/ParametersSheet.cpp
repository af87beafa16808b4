#include "app/ParametersSheet.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

#include "app/LevelCombo.h"
#include "app/LevelList.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/AutoControls.h"
#include "controls/ColorCombo.h"
#include "controls/PropertySheet.h"
#include "document/HandOvers.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/TextFormat.h"
#include "model/LevelTable.h"
#include "model/LevelUse.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "model/cDrawingData.h"
#include "print/PaperChoice.h"
#include "print/ParametersRules.h"
#include "print/PrinterList.h"
#include "print/dialogs/PageFormatDialog.h"
#include "print/dialogs/PaperDialog.h"

namespace kvn {

namespace {

constexpr int kSheetCaption = 18978;
constexpr std::uint32_t kSheetHelp = 15210;
constexpr int kStrZeroScaleArea = 18139, kStrRemovePage = 19926, kStrRemoveUnused = 19928, kStrWarning = 1186;

// Format page.
constexpr int kFormatPage = 16773;
constexpr int kDrawingScaleField = 3700, kEstimateScale = 3710, kScaleSet = 3701, kScaleText = 1130, kPrinterScale = 3646;
constexpr int kDefineArea = 3601, kFormatWidth = 3651, kFormatHeight = 3652, kExchange = 3662;
constexpr int kPaperOfPrinter = 3630, kPaperText = 3103, kMarginText = 3104, kFormatDialog = 3102;
constexpr int kOriginX = 3603, kOriginY = 3605, kEstimateOrigin = 3619;
constexpr int kTiled = 3501, kTilesX = 3503, kTilesY = 3505, kEstimateTiles = 3508, kOverlap = 3507;
constexpr int kPaperGiven = 8100, kOwnPaperCombo = 8101, kPaperId = 8107, kPaperDialog = 8110;
constexpr int kLocationGiven = 8102, kLocationX = 8104, kLocationY = 8106;
// Pages page.
constexpr int kPagesPage = 19909;
constexpr int kPageColours = 16548, kPageList = 7002, kPageUp = 7003, kPageDown = 7004, kPageRemove = 7005;
constexpr int kPageName = 7010, kPageRename = 7011, kPagePrintable = 7020, kPageOnAll = 7021, kPageColoured = 7023;
constexpr int kPageColour = 7025, kRemoveUnused = 7008;
// Layers page.
constexpr int kLayersPage = 18894;
constexpr int kLevelColours = 16548, kLevelRows = 15942, kLevelVisible = 15590, kLevelPrintable = 16546,
              kLevelColoured = 15604, kLevelColour = 15606;
constexpr int kUseLevels = 5500, kSortByLevels = 5501, kLevelFilter = 5503, kSelectAllLevels = 5510, kInvertLevels = 5511;
constexpr int kStructuralLevelControls[] = {15584, 15700, 15586, 15582, 16862, 2006, 15580, 2001, 5531, 7001, 15588};
constexpr int kStrQuestion = 1173, kStrDisableLevels = 18060, kStrSortByLevels = 18062, kStrNoSortByLevels = 18064;

constexpr std::uint8_t kPageNotPrintable = 0x01, kPageOnAllPages = 0x02;
constexpr std::uint32_t kNoColour = 0x80000000u;

int LastPage = 0;  // the page shown last, for the next opening

WString Number(double v) {
  char text[48];
  std::snprintf(text, sizeof text, "%.10g", v);
  return WString::FromUtf8(text);
}

TAutoDouble* Field(TWindow* page, int id, double* variable, double defaultValue, double low, double high,
                   unsigned decimals = 2) {
  auto* field = new TAutoDouble(decimals, page, id, variable, defaultValue);
  field->SetRange(low, high, 1);
  return field;
}

struct SheetState {
  cDrawingDoc* document = nullptr;
  cDrawing* drawing = nullptr;
  cSheet* sheet = nullptr;
  FormatPageValues format;
  double shownScaleField = 0;
  double oldScale = 0;
  double newScale = 0;
  bool scaleChanged = false;
  int pageColours = 1;
  int levelColours = 1;
};

void Redraw(SheetState& state) {
  state.drawing->MarkModified();
  state.drawing->RedrawViews(0);
}

// After the page list changed (removed, moved or renamed pages): the views'
// page tabs and every page box list the pages as they are now.
void PagesChanged(SheetState& state) {
  Redraw(state);
  RefreshDocumentViews(state.document, true);
  RefreshPagesComboBoxes();
}

// Removes a page; every view of the drawing keeps the page it showed, or
// shows the one that took the removed page's place (the last one when the
// removed page was last).
void RemovePageKeepingViews(SheetState& state, std::uint32_t index) {
  cDrawing& d = *state.drawing;
  std::vector<std::pair<cDocView*, std::uint32_t>> shown;
  // The raw page: a view's own answer is clamped to the pages that are left.
  state.document->ForEachViewOf(&d, [&](cDocView& view) {
    auto* vector = dynamic_cast<cVectorView*>(&view);
    shown.emplace_back(&view, vector ? vector->GetVectorWindow()->RawBlockIndex() : view.GetCurrentPage());
  });
  d.DeletePage(index);
  const std::uint32_t count = d.PageRecordCount();
  for (auto& [view, page] : shown) {
    if (page > index) --page;
    if (page >= count) page = count > 0 ? count - 1 : 0;
    view->SetCurrentPage(std::uint16_t(page));
  }
}

// ---- Format page ----------------------------------------------------------------------------------

class cNewPrintPage : public TMyPropertyPage {
 public:
  cNewPrintPage(TMyPropertySheet* sheet, SheetState& state)
      : TMyPropertyPage(sheet, kFormatPage, WString(u"~09120Format~")), state_(state) {
    FormatPageValues& v = state.format;
    scale_ = Field(this, kDrawingScaleField, &v.scaleField, 0, 0, 1e300, 6);
    new TAutoCheck(this, kScaleSet, &v.scaleSet, 0);
    Field(this, kPrinterScale, &v.printerScale, 100, 1, 10000);
    defineArea_ = new TAutoCheck(this, kDefineArea, &v.defineArea, 0);
    width_ = Field(this, kFormatWidth, &v.paperFormat.width, 190, 0, 9999);
    height_ = Field(this, kFormatHeight, &v.paperFormat.height, 277, 0, 9999);
    originX_ = Field(this, kOriginX, &v.origin.x, 0, -1e12, 1e12);
    originY_ = Field(this, kOriginY, &v.origin.y, 0, -1e12, 1e12);
    tiled_ = new TAutoCheck(this, kTiled, &v.tiled, 0);
    tilesX_ = Field(this, kTilesX, &v.tilesX, 1, 1, 999, 0);
    tilesY_ = Field(this, kTilesY, &v.tilesY, 1, 1, 999, 0);
    Field(this, kOverlap, &v.overlap, 0, 0, 10000);
    paperGiven_ = new TAutoCheck(this, kPaperGiven, &v.paperGiven, 0);
    paperId_ = Field(this, kPaperId, &v.paperId, 0, 0, 65535, 0);
    papers_ = new TComboBox(this, kOwnPaperCombo);
    locationGiven_ = new TAutoCheck(this, kLocationGiven, &v.locationGiven, 0);
    Field(this, kLocationX, &v.locationX, 0, 0, 9999);
    Field(this, kLocationY, &v.locationY, 0, 0, 9999);
    scaleText_ = new TMyStaticText(this, kScaleText);
    paperText_ = new TMyStaticText(this, kPaperText);
    marginText_ = new TMyStaticText(this, kMarginText);
    for (TAutoCheck* check : {defineArea_, tiled_, paperGiven_, locationGiven_}) {
      check->callback = [](TWindow* parent, std::uint32_t, int) {
        if (auto* page = dynamic_cast<cNewPrintPage*>(parent)) page->EnableDependents();
      };
    }
  }

  bool Apply() override {
    if (Checked(kDefineArea) && scale_->GetValue() == 0) {
      // A drawing area needs a scale; the page stays open either way.
      if (MessageBoxById(0, kMbOkCancel | kMbIconError, kStrZeroScaleArea) == kIdOk) {
        defineArea_->SetState(0);
        EnableDependents();
      }
      return false;
    }
    if (!TMyPropertyPage::Apply()) return false;
    state_.scaleChanged =
        StoreFormatPage(state_.format, state_.shownScaleField, *state_.drawing, state_.oldScale, state_.newScale);
    return true;
  }

  void EnableDependents() {
    const bool area = Checked(kDefineArea);
    for (int id : {kFormatWidth, kFormatHeight, kExchange, kPaperOfPrinter, kFormatDialog, kOriginX, kOriginY,
                   kEstimateOrigin, kTiled}) {
      Enable(id, area);
    }
    const bool tiled = area && Checked(kTiled);
    for (int id : {kTilesX, kTilesY, kEstimateTiles, kOverlap}) Enable(id, tiled);
    const bool paper = Checked(kPaperGiven);
    for (int id : {kOwnPaperCombo, kPaperId, kPaperDialog}) Enable(id, paper);
    const bool location = Checked(kLocationGiven);
    for (int id : {kLocationX, kLocationY}) Enable(id, location);
  }

  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {
            OnCommand<&cNewPrintPage::CmEstimateScale>(kEstimateScale),
            OnCommand<&cNewPrintPage::CmEstimateOrigin>(kEstimateOrigin),
            OnCommand<&cNewPrintPage::CmEstimateTiles>(kEstimateTiles),
            OnCommand<&cNewPrintPage::CmExchange>(kExchange),
            OnCommand<&cNewPrintPage::CmPaperOfPrinter>(kPaperOfPrinter),
            OnCommand<&cNewPrintPage::CmPaperOfPrinter>(kPaperDialog),
            OnCommand<&cNewPrintPage::CmFormatDialog>(kFormatDialog),
            OnChildNotify<&cNewPrintPage::EvScaleChange>(kDrawingScaleField, kEnChange),
            OnChildNotify<&cNewPrintPage::EvFormatChange>(kFormatWidth, kEnChange),
            OnChildNotify<&cNewPrintPage::EvFormatChange>(kFormatHeight, kEnChange),
            OnChildNotify<&cNewPrintPage::EvPaperChosen>(kOwnPaperCombo, kCbnSelChange),
        },
        {&TMyPropertyPage::Table()});
    return table;
  }

 protected:
  void SetupWindow() override {
    TMyPropertyPage::SetupWindow();
    papers_->ClearList();
    for (const PaperChoiceEntry& entry : PaperChoiceList()) {
      const int index = papers_->AddString(entry.longName);
      papers_->SetItemData(index, entry.id);
    }
    SelectPaperInCombo();
    setUp_ = true;
    EnableDependents();
    RefreshTexts();
  }

 private:
  bool Checked(int id) {
    auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id));
    return check && check->GetCheck() == kBstChecked;
  }
  void Enable(int id, bool enable) {
    if (TWindow* w = GetDlgItem(id)) w->EnableWindow(enable);
  }
  void SelectPaperInCombo() {
    const int id = int(paperId_->GetValue());
    for (int i = 0; i < papers_->GetCount(); ++i) {
      if (papers_->GetItemData(i) == id) {
        papers_->SetSelIndex(i);
        return;
      }
    }
    papers_->SetSelIndex(-1);
  }
  void RefreshTexts() {
    if (!setUp_) return;
    const double field = scale_->GetValue();
    scaleText_->SetText(WString(u"1 : ").Append(Number(field)), field > 0 ? Number(1 / field) : WString(u"-"));
    int orientation = -1;
    WString name, shortName;
    const PaperSizeMm size{width_->GetValue(), height_->GetValue()};
    WString paperName;
    if (FindPaperBySize(orientation, name, shortName, size) >= 0) paperName = WString(u"  -  ").Append(name);
    paperText_->SetText(Number(size.width), Number(size.height), paperName);
    marginText_->SetText(Number(state_.format.margins.x), Number(state_.format.margins.y));
  }
  void CmEstimateScale() {
    const double field = EstimateScaleField(state_.drawing->GetExtent());
    if (field > 0) scale_->SetValue(field);
    RefreshTexts();
  }
  void CmEstimateOrigin() {
    const DPoint origin =
        EstimateOrigin(state_.drawing->GetExtent(), scale_->GetValue(), GetField(kPrinterScale));
    originX_->SetValue(origin.x);
    originY_->SetValue(origin.y);
  }
  void CmEstimateTiles() {
    int x = 1, y = 1;
    EstimateTiles(state_.drawing->GetExtent(), {originX_->GetValue(), originY_->GetValue()},
                  {width_->GetValue(), height_->GetValue()}, state_.format.margins, scale_->GetValue(), x, y);
    tilesX_->SetValue(x);
    tilesY_->SetValue(y);
  }
  void CmExchange() {
    const double w = width_->GetValue(), h = height_->GetValue();
    width_->SetValue(h);
    height_->SetValue(w);
    std::swap(state_.format.margins.x, state_.format.margins.y);
    RefreshTexts();
  }
  // The paper dialog on the page's paper; its choice becomes the format,
  // turned to the page's orientation.
  void CmPaperOfPrinter() {
    int id = int(paperId_->GetValue());
    const bool landscape = width_->GetValue() > height_->GetValue();
    PaperSizeMm size;
    DPoint margins;
    TDialogPaper dialog(this, 2150, &id, &size, &margins);
    dialog.SetHelpId(kSheetHelp);
    if (dialog.Execute() != kIdcOk || id <= 0) return;
    if ((size.width > size.height) != landscape) {
      std::swap(size.width, size.height);
      std::swap(margins.x, margins.y);
    }
    width_->SetValue(size.width);
    height_->SetValue(size.height);
    state_.format.margins = margins;
    paperId_->SetValue(id);
    if (auto* check = dynamic_cast<TAutoCheck*>(GetDlgItem(kPaperGiven))) check->SetState(1);
    if (auto* check = dynamic_cast<TAutoCheck*>(GetDlgItem(kLocationGiven))) check->SetState(0);
    tiled_->SetState(tilesX_->GetValue() > 1 || tilesY_->GetValue() > 1 ? 1 : 0);
    SelectPaperInCombo();
    EnableDependents();
    RefreshTexts();
  }
  void CmFormatDialog() {
    PaperSizeMm format{width_->GetValue(), height_->GetValue()};
    DPoint margins = state_.format.margins;
    cNewPrintPageFormat dialog(this, &format, &margins);
    if (dialog.Execute() != kIdcOk) return;
    width_->SetValue(format.width);
    height_->SetValue(format.height);
    state_.format.margins = margins;
    RefreshTexts();
  }
  void EvScaleChange() { RefreshTexts(); }
  void EvFormatChange() { RefreshTexts(); }
  void EvPaperChosen() {
    const int index = papers_->GetSelIndex();
    if (index >= 0) paperId_->SetValue(double(papers_->GetItemData(index)));
  }
  double GetField(int id) {
    auto* field = dynamic_cast<TAutoDouble*>(GetDlgItem(id));
    return field ? field->GetValue() : 0;
  }

  SheetState& state_;
  bool setUp_ = false;
  TAutoDouble *scale_, *width_, *height_, *originX_, *originY_, *tilesX_, *tilesY_, *paperId_;
  TAutoCheck *defineArea_, *tiled_, *paperGiven_, *locationGiven_;
  TComboBox* papers_;
  TMyStaticText *scaleText_, *paperText_, *marginText_;
};

// ---- Pages page -----------------------------------------------------------------------------------

class cNewPagesPage : public TMyPropertyPage {
 public:
  cNewPagesPage(TMyPropertySheet* sheet, SheetState& state, std::uint32_t currentPage)
      : TMyPropertyPage(sheet, kPagesPage, WString(u"~09290Pages~")), state_(state), current_(currentPage) {
    new TAutoCheck(this, kPageColours, &state.pageColours, 1);
    list_ = new TListBox(this, kPageList);
    name_ = new TEdit(this, kPageName);
    colour_ = new TColorCombo(this, kPageColour, nullptr, 0);
    colour_->SetChangeCallback([this](std::uint32_t colour) {
      if (PageRecord* page = Selected()) {
        page->color = colour & 0x00FFFFFFu;
        Redraw(state_);
      }
    });
  }

  bool Apply() override {
    if (!TMyPropertyPage::Apply()) return false;
    state_.drawing->pageFlags[1] = std::uint8_t(state_.pageColours != 0);
    return true;
  }

  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {
            OnChildNotify<&cNewPagesPage::ShowSelected>(kPageList, kLbnSelChange),
            OnCommand<&cNewPagesPage::CmUp>(kPageUp),
            OnCommand<&cNewPagesPage::CmDown>(kPageDown),
            OnCommand<&cNewPagesPage::CmRemove>(kPageRemove),
            OnCommand<&cNewPagesPage::CmRename>(kPageRename),
            OnCommand<&cNewPagesPage::CmPrintable>(kPagePrintable),
            OnCommand<&cNewPagesPage::CmOnAllPages>(kPageOnAll),
            OnCommand<&cNewPagesPage::CmColoured>(kPageColoured),
            OnCommand<&cNewPagesPage::CmRemoveUnused>(kRemoveUnused),
        },
        {&TMyPropertyPage::Table()});
    return table;
  }

  // The page operations, also for tests: moves keep each page's objects.
  void MovePage(int from, int to) {
    cDrawing& d = *state_.drawing;
    if (from < 0 || to < 0 || std::uint32_t(from) >= d.PageRecordCount() || std::uint32_t(to) >= d.PageRecordCount())
      return;
    state_.document->SwapPages(d, std::uint32_t(from), std::uint32_t(to));
    Fill(to);
    PagesChanged(state_);
  }

 protected:
  void SetupWindow() override {
    TMyPropertyPage::SetupWindow();
    Fill(int(current_));
  }

 private:
  PageRecord* Selected() {
    const int index = list_->GetSelIndex();
    return index < 0 ? nullptr : state_.drawing->GetPage(std::uint32_t(index));
  }
  void Fill(int select) {
    list_->ClearList();
    const cDrawing& d = *state_.drawing;
    for (std::uint32_t i = 0; i < d.PageRecordCount(); ++i) list_->AddString(FormatPageLabel(d, i));
    list_->SetSelIndex(std::min(select, list_->GetCount() - 1));
    ShowSelected();
  }
  void SetCheck(int id, bool on, bool enable) {
    if (auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id))) {
      check->SetCheck(on ? kBstChecked : kBstUnchecked);
      check->EnableWindow(enable);
    }
  }
  bool Checked(int id) {
    auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id));
    return check && check->GetCheck() == kBstChecked;
  }
  void ShowSelected() {
    const PageRecord* page = Selected();
    const int count = list_->GetCount();
    if (TWindow* w = GetDlgItem(kPageUp)) w->EnableWindow(count > 1);
    if (TWindow* w = GetDlgItem(kPageDown)) w->EnableWindow(count > 1);
    // Without a chosen page (a sheet without pages) they would do nothing.
    for (int id : {kPageRemove, kPageRename}) {
      if (TWindow* w = GetDlgItem(id)) w->EnableWindow(page != nullptr);
    }
    // A sheet without pages has none to remove: no question about them.
    if (TWindow* w = GetDlgItem(kRemoveUnused)) w->EnableWindow(count > 0);
    name_->SetText(page ? page->name : WString());
    SetCheck(kPagePrintable, page && !(page->kind & kPageNotPrintable), page != nullptr);
    SetCheck(kPageOnAll, page && (page->kind & kPageOnAllPages), page != nullptr);
    SetCheck(kPageColoured, page && !(page->color & kNoColour), page != nullptr);
    colour_->SetColor(page ? page->color & 0x00FFFFFFu : 0);
    colour_->EnableWindow(page && !(page->color & kNoColour));
  }
  void CmUp() { MovePage(list_->GetSelIndex(), list_->GetSelIndex() - 1); }
  void CmDown() { MovePage(list_->GetSelIndex(), list_->GetSelIndex() + 1); }
  void CmRemove() {
    const int index = list_->GetSelIndex();
    if (index < 0) return;
    if (MessageBoxStr(LoadLangString(kStrWarning), kMbOkCancel | kMbIconQuestion, LoadLangString(kStrRemovePage)) !=
        kIdOk)
      return;
    RemovePageKeepingViews(state_, std::uint32_t(index));
    // The row that took the removed page's place, or the new last one.
    Fill(index);
    PagesChanged(state_);
  }
  void CmRename() {
    if (PageRecord* page = Selected()) {
      page->name = name_->GetText();
      Fill(list_->GetSelIndex());
      PagesChanged(state_);
    }
  }
  void CmPrintable() {
    if (PageRecord* page = Selected()) {
      page->kind = Checked(kPagePrintable) ? std::uint8_t(page->kind & ~kPageNotPrintable)
                                           : std::uint8_t(page->kind | kPageNotPrintable);
      Redraw(state_);
    }
  }
  void CmOnAllPages() {
    if (PageRecord* page = Selected()) {
      page->kind = Checked(kPageOnAll) ? std::uint8_t(page->kind | kPageOnAllPages)
                                       : std::uint8_t(page->kind & ~kPageOnAllPages);
      Redraw(state_);
    }
  }
  void CmColoured() {
    if (PageRecord* page = Selected()) {
      page->color = Checked(kPageColoured) ? (page->color & 0x00FFFFFFu) : (page->color | kNoColour);
      colour_->EnableWindow(!(page->color & kNoColour));
      Redraw(state_);
    }
  }
  void CmRemoveUnused() {
    if (state_.drawing->PageRecordCount() == 0) return;
    if (MessageBoxStr(LoadLangString(kStrWarning), kMbOkCancel | kMbIconQuestion, LoadLangString(kStrRemoveUnused)) !=
        kIdOk)
      return;
    cDrawing& d = *state_.drawing;
    for (std::uint32_t i = d.PageRecordCount(); i-- > 0;) {
      bool used = false;
      // An object on every page keeps no page of its own: it stays with
      // whatever pages are left.
      for (const cOutObj* o = state_.sheet->TopBlock().FirstObject(); o && !used; o = o->next) {
        used = o->IsOnPage(PageIdOfIndex(i)) && (o->PageList() != nullptr || o->PageId() != kAllPages);
      }
      if (!used) RemovePageKeepingViews(state_, i);
    }
    Fill(0);
    PagesChanged(state_);
  }

  SheetState& state_;
  std::uint32_t current_;
  TListBox* list_;
  TEdit* name_;
  TColorCombo* colour_;
};

// ---- Layers page ----------------------------------------------------------------------------------

class TLevelPage : public TMyPropertyPage {
 public:
  TLevelPage(TMyPropertySheet* sheet, SheetState& state)
      : TMyPropertyPage(sheet, kLayersPage, WString(u"~09360Layers~")), state_(state) {
    new TAutoCheck(this, kLevelColours, &state.levelColours, 1);
    list_ = NewLevelListBox(this, kLevelRows, state.sheet);
    list_->onLevelChanged = [this] { ShowSelected(); };
    filter_ = new TEdit(this, kLevelFilter);
    colour_ = new TColorCombo(this, kLevelColour, nullptr, 0);
    colour_->SetChangeCallback([this](std::uint32_t colour) { ApplyColour(colour); });
  }

  bool Apply() override {
    if (!TMyPropertyPage::Apply()) return false;
    state_.drawing->pageFlags[0] = std::uint8_t(state_.levelColours != 0);
    return true;
  }

  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable table(
        {
            OnChildNotify<&TLevelPage::ShowSelected>(kLevelRows, kLbnSelChange),
            OnChildNotify<&TLevelPage::Fill>(kLevelFilter, kEnChange),
            OnCommand<&TLevelPage::CmUseLevels>(kUseLevels),
            OnCommand<&TLevelPage::CmSortByLevels>(kSortByLevels),
            OnCommand<&TLevelPage::CmSelectAll>(kSelectAllLevels),
            OnCommand<&TLevelPage::CmInvertSelection>(kInvertLevels),
            OnCommand<&TLevelPage::CmVisible>(kLevelVisible),
            OnCommand<&TLevelPage::CmPrintable>(kLevelPrintable),
            OnCommand<&TLevelPage::CmColoured>(kLevelColoured),
        },
        {&TMyPropertyPage::Table()});
    return table;
  }

 protected:
  void SetupWindow() override {
    TMyPropertyPage::SetupWindow();
    // The structural editing of levels is the editor's.
    for (int id : kStructuralLevelControls)
      if (TWindow* w = GetDlgItem(id)) w->EnableWindow(false);
    const LevelTable* table = Levels();
    SetCheck(kUseLevels, table && table->InUse(), table != nullptr);
    SetCheck(kSortByLevels, state_.drawing->sortByLevels != 0, true);
    EnableLevelList();
    Fill();
    if (list_->GetCount() > 0 && list_->GetSelCount() == 0) list_->SetSel(0, true);
    ShowSelected();
  }

 private:
  LevelTable* Levels() {
    cDrawingData* data = state_.drawing->Data();
    return data ? &data->Levels() : nullptr;
  }
  // The levels of the selected rows.
  std::vector<LevelRecord*> Selected() {
    std::vector<LevelRecord*> out;
    LevelTable* table = Levels();
    if (table == nullptr) return out;
    for (int row : list_->GetSelIndexes()) {
      const std::intptr_t index = list_->GetItemData(row);
      if (index < 0 || index > 65535) continue;
      if (LevelRecord* level = table->FindLevel(std::uint16_t(index))) out.push_back(level);
    }
    return out;
  }
  // Refills the list through the filter; the levels selected before stay
  // selected where they are still listed.
  void Fill() {
    std::vector<std::intptr_t> before;
    for (int row : list_->GetSelIndexes()) before.push_back(list_->GetItemData(row));
    const WString filter = filter_->GetText();
    FillLevelList(*list_, state_.drawing->Data(), nullptr, &filter, nullptr);
    for (int row = 0; row < list_->GetCount(); ++row)
      if (std::find(before.begin(), before.end(), list_->GetItemData(row)) != before.end()) list_->SetSel(row, true);
    ShowSelected();
  }
  // The list lists the levels of a drawing that uses them (FillLevelList):
  // without level use (a paper sheet, whose drawing has no level table of
  // its own) it and its filter stay empty and disabled.
  void EnableLevelList() {
    const LevelTable* table = Levels();
    const bool inUse = table && table->InUse();
    list_->EnableWindow(inUse);
    filter_->EnableWindow(inUse);
  }
  void SetCheck(int id, bool on, bool enable) {
    if (auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id))) {
      check->SetCheck(on ? kBstChecked : kBstUnchecked);
      check->EnableWindow(enable);
    }
  }
  bool Checked(int id) {
    auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id));
    return check && check->GetCheck() == kBstChecked;
  }
  // The common state of the selected levels: mixed when they differ.
  void ShowCommon(int id, const std::vector<LevelRecord*>& levels, bool (*state)(const LevelRecord&)) {
    auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id));
    if (check == nullptr) return;
    const std::size_t on = std::size_t(std::count_if(levels.begin(), levels.end(),
                                                     [&](const LevelRecord* l) { return state(*l); }));
    check->SetCheck(on == 0 ? kBstUnchecked : on == levels.size() ? kBstChecked : kBstIndeterminate);
    check->EnableWindow(!levels.empty());
  }
  void ShowSelected() {
    const std::vector<LevelRecord*> levels = Selected();
    ShowCommon(kLevelVisible, levels, [](const LevelRecord& l) { return l.visible != 0; });
    ShowCommon(kLevelPrintable, levels, [](const LevelRecord& l) { return l.printable != 0; });
    ShowCommon(kLevelColoured, levels, [](const LevelRecord& l) { return (l.color & kNoColour) == 0; });
    colour_->SetColor(levels.empty() ? 0 : levels.front()->color & 0x00FFFFFFu);
    colour_->EnableWindow(!levels.empty());
    const bool any = list_->GetCount() > 0;
    for (int id : {kSelectAllLevels, kInvertLevels})
      if (TWindow* w = GetDlgItem(id)) w->EnableWindow(any);
  }
  // A mixed box clicked becomes clear; else it shows the new state.
  bool Clicked(int id) {
    auto* check = dynamic_cast<TCheckBox*>(GetDlgItem(id));
    if (check == nullptr) return false;
    if (check->GetCheck() == kBstIndeterminate) check->SetCheck(kBstUnchecked);
    return check->GetCheck() == kBstChecked;
  }
  void Changed() {
    Redraw(state_);
    list_->Invalidate(false);
    ShowSelected();
  }
  void CmVisible() {
    const bool on = Clicked(kLevelVisible);
    for (LevelRecord* level : Selected()) level->visible = std::uint8_t(on);
    Changed();
  }
  void CmPrintable() {
    const bool on = Clicked(kLevelPrintable);
    for (LevelRecord* level : Selected()) level->printable = std::uint8_t(on);
    Changed();
  }
  void CmColoured() {
    const bool on = Clicked(kLevelColoured);
    for (LevelRecord* level : Selected()) level->color = on ? (level->color & 0x00FFFFFFu) : (level->color | kNoColour);
    Changed();
  }
  void ApplyColour(std::uint32_t colour) {
    for (LevelRecord* level : Selected()) level->color = colour & 0x00FFFFFFu;
    Changed();
  }
  void CmSelectAll() {
    list_->SetSel(-1, true);
    ShowSelected();
  }
  void CmInvertSelection() {
    for (int row = 0; row < list_->GetCount(); ++row) list_->SetSel(row, !list_->GetSel(row));
    ShowSelected();
  }
  void CmUseLevels() {
    cDrawingData* data = state_.drawing->Data();
    if (data == nullptr) return;
    LevelTable& table = data->Levels();
    if (Checked(kUseLevels)) {
      // Also over a drawing without levels (a paper sheet): its objects stay
      // on no level, and the tool bar's level box, with nothing to choose,
      // stays hidden.
      table.SetInUse();
    } else if (table.InUse()) {
      if (MessageBoxStr(LoadLangString(kStrQuestion), kMbOkCancel | kMbIconQuestion, LoadLangString(kStrDisableLevels)) !=
          kIdOk) {
        SetCheck(kUseLevels, true, true);
        return;
      }
      DropLevelUse(*data, state_.sheet->TopBlock());
    }
    EnableLevelList();
    Fill();
    Changed();
    RefreshLevelComboBoxes(nullptr);
  }
  void CmSortByLevels() {
    const bool on = Checked(kSortByLevels);
    const int question = on ? kStrSortByLevels : kStrNoSortByLevels;
    if (MessageBoxStr(LoadLangString(kStrQuestion), kMbOkCancel | kMbIconQuestion, LoadLangString(question)) != kIdOk) {
      SetCheck(kSortByLevels, !on, true);
      return;
    }
    state_.drawing->sortByLevels = std::uint8_t(on);
    if (on) {
      SortObjectsByLevel(state_.sheet->TopBlock());
      Redraw(state_);
    }
  }

  SheetState& state_;
  TLevelListBox* list_;
  TEdit* filter_;
  TColorCombo* colour_;
};

}  // namespace

bool RunParametersSheet(TWindow* frame, cVectorWindow* window, cDrawingDoc* document, std::uint32_t sheetIndex,
                        const ProposedFormat* proposed) {
  if (document == nullptr) return false;
  cSheet* sheet = document->GetSheet(sheetIndex);
  if (sheet == nullptr || sheet->Data() == nullptr) return false;
  SheetState state;
  state.document = document;
  state.sheet = sheet;
  state.drawing = &sheet->Drawing();
  state.oldScale = state.newScale = sheet->Data()->Scale();
  state.format = LoadFormatPage(*state.drawing, state.oldScale);
  state.shownScaleField = state.format.scaleField;
  if (proposed) {
    // The drawing area made for the proposed paper, its margins what the
    // printer cannot print; the page shows it for the user to confirm.
    const DPoint margins{std::max(0.0, (proposed->paper.width - proposed->printable.width) / 2),
                         std::max(0.0, (proposed->paper.height - proposed->printable.height) / 2)};
    state.format.defineArea = 1;
    ApplyPaper(state.format, *state.drawing, true, proposed->paper, margins);
    state.format.tiled = state.format.tilesX > 1 || state.format.tilesY > 1 ? 1 : 0;
  }
  state.pageColours = state.drawing->pageFlags[1];
  state.levelColours = state.drawing->pageFlags[0];

  TMyPropertySheet propertySheet(frame, kSheetCaption);
  propertySheet.SetHelpId(kSheetHelp);
  if (proposed) LastPage = 0;  // the Format page
  propertySheet.rememberedPage = &LastPage;
  new cNewPrintPage(&propertySheet, state);
  const std::uint32_t currentPage = window && state.drawing->PageCount() > 0 ? window->GetBlockIndex() : 0;
  new cNewPagesPage(&propertySheet, state, currentPage);
  new TLevelPage(&propertySheet, state);
  if (propertySheet.Execute() != 1) return false;

  if (state.scaleChanged) {
    cDrawingData& data = *sheet->Data();
    if (state.newScale > 0 && state.oldScale > 0) {
      // Sizes that follow the scale (texts, widths, styles) keep their look
      // on paper.
      RescaleDrawing(data, state.drawing, sheet->TopBlock(), state.oldScale / state.newScale, false);
    }
    data.SetScale(state.newScale);
  }
  state.drawing->MarkModified();
  state.drawing->RedrawViews(0);
  return true;
}

}  // namespace kvn
