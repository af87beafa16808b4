// The page list of a document, page titles, tiles and printable areas, page
// deletion and exchange, and the typed attributes of a drawing.
#include <gtest/gtest.h>

#include "document/cDocView.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"

namespace kvn {
namespace {

std::u16string U16(const WString& s) { return std::u16string(s.View()); }

// A sheet named `name` with `pages` page records.
std::unique_ptr<cSheet> MakeSheet(const char16_t* name, int pages) {
  auto sheet = std::make_unique<cSheet>();
  sheet->name = name;
  sheet->Drawing().name = name;
  for (int i = 0; i < pages; ++i) {
    PageRecord page;
    page.name = WString(u"P") ;
    page.name.AppendChar(char16_t(u'1' + i));
    sheet->Drawing().AppendPage(page);
  }
  return sheet;
}

cLine* AddLine(cSheet& sheet, std::uint16_t page, const std::vector<std::uint16_t>& pages = {}) {
  auto* line = new cLine();
  if (pages.empty()) {
    line->SetPage(page);
  } else {
    PageMask mask;
    for (std::uint16_t p : pages) mask.bits[p / 8] |= std::uint8_t(0x80 >> (p % 8));
    line->SetPagesFromMask(mask);
  }
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
  return line;
}

TEST(PageList, EntriesFlattenSheetsAndPages) {
  cDrawingDoc doc;
  doc.AddSheet(MakeSheet(u"A", 0));
  doc.AddSheet(MakeSheet(u"B", 3));
  doc.AddSheet(MakeSheet(u"C", 1));  // one page counts as one entry
  EXPECT_EQ(doc.GetPageEntryCount(), 5u);
  EXPECT_EQ(doc.GetPageEntryIndex(1, 2), 3u);
  EXPECT_EQ(doc.GetPageEntryIndex(1, 7), 1u);  // a page beyond the count adds nothing
  EXPECT_EQ(doc.GetPageEntryIndex(2, 0), 4u);
  EXPECT_EQ(doc.GetPageEntryIndex(9, 0), 0u);

  std::uint32_t page = 99, sheet = 99;
  EXPECT_EQ(doc.EntryToDrawing(3, &page, &sheet), &doc.GetSheet(1)->Drawing());
  EXPECT_EQ(page, 2u);
  EXPECT_EQ(sheet, 1u);
  EXPECT_EQ(doc.EntryToDrawing(5, &page, &sheet), nullptr);

  sheet = 7;
  doc.EntryToSheetAndPage(sheet, page, 4);
  EXPECT_EQ(sheet, 2u);
  EXPECT_EQ(page, 0u);
  sheet = 0;
  doc.EntryToSheetAndPage(sheet, page, 50);  // no such entry: the sheet stays
  EXPECT_EQ(sheet, 0u);
  EXPECT_EQ(page, 0u);
}

TEST(PageList, TitlesNameSheetsOnlyWhenThereAreSeveral) {
  cDrawingDoc single;
  single.AddSheet(MakeSheet(u"Only", 0));
  EXPECT_EQ(single.GetPageEntryCount(), 1u);
  EXPECT_TRUE(single.GetPageEntryTitle(0).IsEmpty());

  cDrawingDoc doc;
  doc.AddSheet(MakeSheet(u"", 0));
  doc.AddSheet(MakeSheet(u"Plan", 2));
  auto ref = MakeSheet(u"Ref", 0);
  ref->isReference = 1;
  doc.AddSheet(std::move(ref));
  WString defaultName = LoadLangString(kStrDefaultSheetName);
  defaultName.Append(WString(u" 1"));
  EXPECT_EQ(U16(doc.GetPageEntryTitle(0)), U16(defaultName));
  EXPECT_EQ(U16(doc.GetPageEntryTitle(2)), u"Plan - 2 P2");
  WString refTitle(u"Ref");
  AppendReferenceMarker(refTitle);
  EXPECT_EQ(U16(doc.GetPageEntryTitle(3)), U16(refTitle));
}

TEST(PageList, DisplayAndTitleNames) {
  cDrawingDoc doc;
  doc.unsavedNumber = 4;
  WString unsaved = LoadLangString(kStrUnsavedDrawing);
  unsaved.AppendChar(u'4');
  EXPECT_EQ(U16(doc.GetDisplayName()), U16(unsaved));
  doc.name = u"/plans/house.v2.kvn";
  doc.UseNameAsFilePath();
  EXPECT_EQ(doc.unsavedNumber, 0);
  EXPECT_EQ(U16(doc.GetDisplayName()), u"house.v2.kvn");
  EXPECT_EQ(U16(doc.GetTitleName()), u"house.v2");
}

TEST(DrawingFormat, TilesAndPrintableAreas) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  d.formatSize = {0, 210};
  EXPECT_TRUE(d.HasNoFormat());
  int across = 0, down = 0;
  d.GetTileCounts(across, down);
  EXPECT_EQ(across, 1);
  EXPECT_EQ(down, 1);
  EXPECT_TRUE(d.GetPrintableArea().IsZero());

  sheet.Data()->SetScale(10.0);
  d.formatOrigin = {100, 50};
  d.formatSize = {297, 210};
  d.formatMargins = {10, 5};
  d.tiles = {2.5, 1.0};
  EXPECT_FALSE(d.HasNoFormat());
  d.GetTileCounts(across, down);
  EXPECT_EQ(across, 3);
  EXPECT_EQ(down, 1);
  double w = 0, h = 0;
  d.GetPrintableSize(w, h);
  EXPECT_DOUBLE_EQ(w, 2770.0);
  EXPECT_DOUBLE_EQ(h, 2000.0);
  const DRect area = d.GetPrintableArea();
  EXPECT_DOUBLE_EQ(area.x1, 100.0);
  EXPECT_DOUBLE_EQ(area.x2, 100.0 + 2770.0 * 2.5);
  EXPECT_DOUBLE_EQ(area.y2, 50.0 + 2000.0);

  // Three tiles per page: print page 4 is the second tile of page 1.
  const PageTile tile = d.GetPageTileRect(4);
  EXPECT_EQ(tile.page, 1);
  EXPECT_DOUBLE_EQ(tile.origin.x, 100.0 + 2770.0);
  EXPECT_DOUBLE_EQ(tile.rect.x2, 100.0 + 2 * 2770.0);

  // A scale not above 0 counts as 1.
  sheet.Data()->SetScale(0.0);
  d.GetPrintableSize(w, h);
  EXPECT_DOUBLE_EQ(w, 277.0);

  // Any part of a tile is a tile: rounded up, not to the nearest (2.5
  // alone cannot tell them apart).
  const struct {
    double x, y;
    int across, down;
  } counts[] = {{2.3, 1.2, 3, 2}, {1.0, 1.0, 1, 1}, {1.01, 3.0, 2, 3}, {0.4, -2.0, 1, 1}};
  for (const auto& c : counts) {
    d.tiles = {c.x, c.y};
    d.GetTileCounts(across, down);
    EXPECT_EQ(across, c.across) << c.x;
    EXPECT_EQ(down, c.down) << c.y;
  }
}

TEST(DrawingPages, DeletePageRenumbersAndDropsOrphans) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  for (int i = 0; i < 3; ++i) d.AppendPage(PageRecord{0, 0x7EFFFFFF, WString(u"p")});
  EXPECT_EQ(d.GetPage(0)->color, 0x00FFFFFFu);  // top 7 bits clear
  cLine* onFirst = AddLine(sheet, 0);
  AddLine(sheet, 1);  // deleted with its page
  cLine* onThird = AddLine(sheet, 2);
  cLine* everywhere = AddLine(sheet, kAllPages);
  cLine* unnamed = AddLine(sheet, kNoPage);  // an object given no page is on the first
  cLine* twoPages = AddLine(sheet, 0, {1, 2});
  d.DeletePage(1);
  EXPECT_EQ(d.PageCount(), 2u);
  std::vector<cOutObj*> left;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) left.push_back(o);
  ASSERT_EQ(left.size(), 5u);
  EXPECT_EQ(left[0], onFirst);
  EXPECT_EQ(onFirst->PageId(), 0);
  EXPECT_EQ(left[1], onThird);
  EXPECT_EQ(onThird->PageId(), 1);
  EXPECT_EQ(everywhere->PageId(), kAllPages);
  EXPECT_EQ(unnamed->PageId(), 0);
  EXPECT_TRUE(twoPages->IsOnPage(1));
  EXPECT_FALSE(twoPages->IsOnPage(2));
  // Deleting the first page takes the objects that were only there.
  d.DeletePage(0);
  left.clear();
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) left.push_back(o);
  EXPECT_EQ(left, (std::vector<cOutObj*>{onThird, everywhere, twoPages}));
  EXPECT_EQ(onThird->PageId(), 0);
  EXPECT_TRUE(twoPages->IsOnPage(0));
}

class FakeView : public cDocView {
 public:
  std::uint32_t GetSheetIndex() const override { return sheet; }
  std::uint16_t GetCurrentPage() const override { return page; }
  void SetCurrentPage(std::uint16_t p) override { page = p; }
  void SetCaption(const WString& text) override { caption = U16(text); }
  void Redraw(int) override { ++redraws; }
  void Update(int) override { ++updates; }
  void DocumentClosing() override { closed = true; }
  std::uint32_t sheet = 0;
  std::uint16_t page = 0;
  std::u16string caption;
  int redraws = 0;
  int updates = 0;
  bool closed = false;
};

TEST(DrawingPages, SwapPagesExchangesMembershipsRecordsAndViews) {
  FakeView view;
  {
    cDrawingDoc doc;
    doc.AddSheet(MakeSheet(u"A", 3));
    cSheet& sheet = *doc.GetFirstSheet();
    cLine* a = AddLine(sheet, 0);
    cLine* c = AddLine(sheet, 2);
    cLine* all = AddLine(sheet, kAllPages);
    doc.filePath = u"plan.kvn";
    doc.AddView(&view);
    view.page = 0;
    doc.SwapPages(sheet.Drawing(), 0, 2);
    EXPECT_EQ(a->PageId(), 2);
    EXPECT_EQ(c->PageId(), 0);
    EXPECT_EQ(all->PageId(), kAllPages);
    EXPECT_TRUE(sheet.Drawing().GetPage(0)->name == u"P3");
    EXPECT_EQ(view.page, 2);
    EXPECT_EQ(view.caption, u"plan.kvn  ( 3/3 P1)");
    // With itself nothing changes.
    doc.SwapPages(sheet.Drawing(), 1, 1);
    EXPECT_EQ(a->PageId(), 2);
    sheet.Drawing().InvalidateSummary(0);
    EXPECT_EQ(view.updates, 1);
  }
  EXPECT_TRUE(view.closed);
}

TEST(TypedAttributes, ValuesAreTypedBySize) {
  TypedAttributeList list;
  list.SetU16(kAttrDefaultLineStyle, 7);
  list.SetI32(kAttrSetting204, -3);
  list.SetDouble(5, 2.5);
  list.SetWString(6, WString(u"kůň"));
  list.SetPoint(7, {1, 2});
  EXPECT_EQ(list.GetU16(kAttrDefaultLineStyle), 7);
  EXPECT_EQ(list.GetI32(kAttrDefaultLineStyle), 0);  // another size
  EXPECT_EQ(list.GetI32(kAttrSetting204), -3);
  EXPECT_EQ(list.GetDouble(5), 2.5);
  EXPECT_EQ(U16(list.GetWString(6)), u"kůň");
  EXPECT_EQ(list.GetByte(99), 0);
  double xy[2] = {};
  EXPECT_TRUE(list.GetInto(xy, sizeof xy, 7));
  EXPECT_EQ(xy[1], 2.0);
  EXPECT_FALSE(list.GetInto(xy, 4, 7));
  list.SetU16(kAttrDefaultLineStyle, 9);  // replaces
  EXPECT_EQ(list.Count(), 5u);
  TypedAttributeList copy;
  copy.CopyFrom(list);
  EXPECT_EQ(copy.GetU16(kAttrDefaultLineStyle), 9);

  cSheet sheet;
  EXPECT_EQ(sheet.Drawing().attributes.GetU16(kAttrDefaultTextStyle), 65535);
}

TEST(SheetData, SharedDrawingDataLivesAsLongAsItsLastSheet) {
  auto first = std::make_unique<cSheet>();
  cDrawingData* data = first->Data();
  EXPECT_EQ(data->RefCount(), 1u);
  EXPECT_EQ(data->Owner(), &first->Drawing());
  data->AddBlock(new cBlock());
  auto second = std::make_unique<cSheet>(data);
  EXPECT_EQ(data->RefCount(), 2u);
  first.reset();
  // The other sheet still shows the data with its blocks.
  EXPECT_EQ(second->Data()->RefCount(), 1u);
  EXPECT_EQ(second->Data()->BlockCount(), 1u);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(SheetScale, ZeroScaleIsStoredAndChangesNothingElse) {
  cSheet sheet;
  cDrawing& d = sheet.Drawing();
  sheet.Data()->SetScale(2.0);
  d.gridStep = {5, 5};
  SetSheetScale(d, nullptr, 0.0);
  EXPECT_EQ(sheet.Data()->Scale(), 0.0);
  EXPECT_EQ(d.gridStep.x, 5.0);
  sheet.Data()->SetScale(2.0);
  d.formatOrigin = {10, 20};
  SetSheetScale(d, nullptr, 5.0);
  EXPECT_EQ(sheet.Data()->Scale(), 5.0);
  EXPECT_EQ(d.gridStep.x, 12.5);
  EXPECT_EQ(d.minStep.y, 0.625);
  EXPECT_EQ(d.formatOrigin.y, 50.0);
}

// A page stored without a colour (bit 31, the "not set" form) must not turn
// black: the painter would then recolour every object of the page.
TEST(DrawingPages, StoredNoColourStaysNone) {
  EXPECT_EQ(PageColorFromStored(0x80000000u), kPageNoColor);
  EXPECT_EQ(PageColorFromStored(0xFFFFFFFFu), kPageNoColor);
  EXPECT_EQ(PageColorFromStored(0x7E00FF00u), 0x0000FF00u);
  EXPECT_LT(std::int32_t(kPageNoColor), 0);
  cSheet sheet;
  sheet.Drawing().AppendPage(PageRecord{0, kPageNoColor, WString(u"p")});
  EXPECT_EQ(sheet.Drawing().GetPage(0)->color, kPageNoColor);
}

}  // namespace
}  // namespace kvn
