#include "tests/support/FieldFixtures.h"

#include "document/cDrawing.h"
#include "document/cSheet.h"
#include "model/AttributeList.h"
#include "model/LevelTable.h"
#include "model/StyleTable.h"
#include "model/cBlock.h"
#include "model/cConPoint.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cLink.h"
#include "model/cStyleLink.h"
#include "model/cText.h"

namespace kvn::test {

namespace {

cInsert* AddInsert(ObjectChain& chain, std::uint32_t block, std::uint32_t runningId, const char16_t* name) {
  auto* insert = new cInsert(false);
  insert->blockIndex = block;
  insert->SetRunningId(runningId);
  insert->name = WString(name);
  chain.Append(insert);
  return insert;
}

cLink* AddLink(ObjectChain& chain, std::uint32_t from, std::uint16_t fromIndex, std::uint32_t to,
               std::uint16_t toIndex, const DPoint& a, const DPoint& b) {
  auto* link = new cLink();
  link->SetStartInsert(from, fromIndex);
  link->SetEndInsert(to, toIndex);
  link->Points().InsertPoint(a, 0);
  link->Points().InsertPoint(b, 1);
  chain.Append(link);
  return link;
}

cConPoint* AddConPoint(ObjectChain& chain, const char16_t* name) {
  auto* point = new cConPoint();
  point->name = WString(name);
  chain.Append(point);
  return point;
}

}  // namespace

FieldFixture MakeFieldFixture() {
  FieldFixture f;
  f.document = std::make_unique<cDrawingDoc>();
  cDrawingDoc& doc = *f.document;
  doc.SetFilePath(WString(u"/home/ann/plans/Site-plan.kvn"));
  doc.comment = WString(u"North wing");
  doc.attributes.Add(AttributeItem{WString(u"Client"), WString(u"ACME"), {}, 0, 1});
  doc.fileDate[0] = 7, doc.fileDate[1] = 3, doc.fileDate[2] = 26;
  doc.fileTime[0] = 9, doc.fileTime[1] = 5;
  doc.AddSheet(std::make_unique<cSheet>());
  doc.AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc.GetSheet(1);
  f.drawing = &sheet.Drawing();
  f.data = sheet.Data();
  cDrawing& d = *f.drawing;
  cDrawingData& data = *f.data;

  d.name = WString(u"Pump room");
  data.SetScale(100.0);
  d.formatOrigin = DPoint{0.0, 0.0};
  d.formatSize = DPoint{420.0, 297.0};
  d.formatMargins = DPoint{10.0, 5.0};
  d.tiles = DPoint{2.0, 1.0};
  d.printScale = 50.0;
  d.unitReal = 0.5;
  d.paged = 1;
  for (const char16_t* name : {u"Ground", u"First", u"Roof"}) d.AppendPage(PageRecord{0, kPageNoColor, WString(name)});
  std::uint16_t level = 0;
  data.Levels().InsertLevel(WString(u"Walls"), &level, 0);
  data.Levels().GetLevel(level)->value = 2.5;
  // Columns of 5,000 numbered from 1 across each tile; rows of 4,000
  // lettered from A over the whole printable area.
  d.sectorsOn = 1;
  d.sectors[0] = SectorSettings{1, 1, 0, 0, 1, 8, 0.0, 5000.0};
  d.sectors[1] = SectorSettings{0, 1, 0, 0, 3, 7, 0.0, 4000.0};

  auto linkStyle = std::make_unique<cStyleLink>();
  linkStyle->name = WString(u"Power");
  data.LinkStyles().Add(std::move(linkStyle));

  // Block "Pump": inputs In, Out and Spare, a line 30 long; its name overrides the inserts'.
  auto pump = std::make_unique<cBlock>();
  pump->name = WString(u"Pump");
  pump->mask = kBlockName;
  {
    ObjectChain chain;
    AddConPoint(chain, u"In");
    auto* line = new cLine();
    line->start = DPoint{0, 0};
    line->end = DPoint{18, 24};
    chain.Append(line);
    AddConPoint(chain, u"Out");
    AddConPoint(chain, u"Spare");
    pump->AppendChain(std::move(chain));
  }
  const std::uint32_t pumpIndex = data.AddBlock(pump.release());
  auto tankBlock = std::make_unique<cBlock>();
  {
    ObjectChain chain;
    AddConPoint(chain, u"Fill");
    AddConPoint(chain, u"Return");
    tankBlock->AppendChain(std::move(chain));
  }
  const std::uint32_t tankIndex = data.AddBlock(tankBlock.release());
  // Two blocks that place each other.
  auto loopA = std::make_unique<cBlock>();
  auto loopB = std::make_unique<cBlock>();
  loopA->name = WString(u"Loop A");
  loopB->name = WString(u"Loop B");
  const std::uint32_t loopAIndex = data.AddBlock(loopA.release());
  const std::uint32_t loopBIndex = data.AddBlock(loopB.release());
  {
    ObjectChain a, b;
    AddInsert(a, loopBIndex, 0, u"to B");
    AddInsert(b, loopAIndex, 0, u"to A");
    data.GetBlock(loopAIndex)->AppendChain(std::move(a));
    data.GetBlock(loopBIndex)->AppendChain(std::move(b));
  }

  ObjectChain chain;
  f.cyclic = AddInsert(chain, loopAIndex, 0, u"Loop");
  auto* text = new cText();
  text->point = DPoint{12000.0, 30000.0};
  text->SetLevel(level);
  // The text is on the first and the third page.
  PageMask pages;
  pages.bits[0] = 0x80 | 0x20;
  text->SetPagesFromMask(pages);
  chain.Append(text);
  f.text = text;
  f.pumpA = AddInsert(chain, pumpIndex, 11, u"P1");
  f.pumpA->point = DPoint{45000.0, 9000.0};
  f.pumpA->linkId = 5;
  f.pumpA->linkNumber = 1;
  f.pumpA->SetLevel(level);
  f.pumpA->attributes.Add(AttributeItem{WString(u"Description"), WString(u"Main pump"), {}, 1, 1});
  f.pumpA->attributes.Add(AttributeItem{WString(u"Type"), WString(u"M3"), {}, 2, 1});
  f.pumpB = AddInsert(chain, pumpIndex, 12, u"P2");
  f.pumpB->point = DPoint{2000.0, 2000.0};
  f.pumpB->linkId = 5;
  f.pumpB->linkNumber = 2;
  f.tank = AddInsert(chain, tankIndex, 13, u"Tank");
  f.tank->point = DPoint{70000.0, 25000.0};
  f.feed = AddLink(chain, 11, 0, 13, 1, DPoint{45000, 9000}, DPoint{70000, 25000});
  f.feed->attributes.Add(AttributeItem{WString(u"Label"), WString(u"Feed"), {}, 2, 1});
  f.feed->attributes.Add(AttributeItem{WString(u"Cable"), WString(u"CYKY"), {}, 0, 1});
  f.bypass = AddLink(chain, 12, 0, 11, 0, DPoint{2000, 2000}, DPoint{45000, 9000});
  f.drain = AddLink(chain, 13, 0, 11, 2, DPoint{70000, 25000}, DPoint{45000, 9000});
  sheet.TopBlock().AppendChain(std::move(chain));
  return f;
}

}  // namespace kvn::test
