#include "model/cDrawingData.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/StyleRefs.h"
#include "model/TextStyleRegistry.h"
#include "model/cBlock.h"
#include "model/cStyleFill.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cStyleLink.h"
#include "model/cStyleText.h"
#include "model/cStyleWall.h"
#include "tests/model/StandInObjects.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

// What was destroyed, in order.
std::vector<std::string> g_log;

template <class Style>
class Logged : public Style {
 public:
  explicit Logged(std::string tag) : tag_(std::move(tag)) {}
  ~Logged() override { g_log.push_back(tag_); }

 private:
  std::string tag_;
};

// An object whose destruction notes whether the styles were still there.
class LoggedObject : public test::ValueObject {
 public:
  explicit LoggedObject(const cDrawingData* data) : data_(data) {}
  ~LoggedObject() override {
    g_log.push_back(data_->LineStyles().Count() == 2 && data_->FontStyles().Count() == 2 ? "object, styles alive"
                                                                                           : "object, styles gone");
  }

 private:
  const cDrawingData* data_;
};

TEST(DrawingData, FreshRecord) {
  cDrawingData d;
  EXPECT_TRUE(d.LineStyles().Empty());
  EXPECT_TRUE(d.FillStyles().Empty());
  EXPECT_TRUE(d.TextStyles().Empty());
  EXPECT_TRUE(d.WallStyles().Empty());
  EXPECT_TRUE(d.LinkStyles().Empty());
  EXPECT_TRUE(d.FontStyles().Empty());
  for (std::uint16_t counter : {d.LineStyles().writeCounter, d.FillStyles().writeCounter,
                                d.WallStyles().writeCounter, d.LinkStyles().writeCounter,
                                d.TextStyles().writeCounter, d.FontStyles().writeCounter}) {
    EXPECT_EQ(counter, 65535);
  }
  EXPECT_FALSE(d.Levels().InUse());
  EXPECT_EQ(d.BlockCount(), 0u);
  EXPECT_EQ(d.GetScale(), 1.0);
  EXPECT_EQ(d.Parent(), nullptr);
  EXPECT_EQ(d.Owner(), nullptr);
  EXPECT_EQ(d.GetDrawing(), nullptr);
  EXPECT_EQ(d.RefCount(), 0u);
}

TEST(DrawingData, DestroysBlocksThenEachStyleOnceInTableOrder) {
  g_log.clear();
  {
    auto* d = new cDrawingData;
    d->AddRef();
    d->AddRef();
    for (int i = 0; i < 2; ++i) {
      const std::string n = std::to_string(i);
      d->LineStyles().Add(std::make_unique<Logged<cStyleLine>>("line " + n));
      d->FillStyles().Add(std::make_unique<Logged<cStyleFill>>("fill " + n));
      d->TextStyles().Add(std::make_unique<Logged<cStyleText>>("text " + n));
      d->WallStyles().Add(std::make_unique<Logged<cStyleWall>>("wall " + n));
      d->LinkStyles().Add(std::make_unique<Logged<cStyleLink>>("link " + n));
      d->FontStyles().Add(std::make_unique<Logged<cStyleFont>>("font " + n));
    }
    d->Levels().InsertLevel(u"0", nullptr, 0);
    auto* block = new cBlock;
    block->AppendChain(ObjectChain(new LoggedObject(d)));
    EXPECT_EQ(d->AddBlock(block), 0u);
    EXPECT_EQ(d->GetBlock(0), block);

    d->Release();
    EXPECT_EQ(d->RefCount(), 1u);
    EXPECT_TRUE(g_log.empty());
    d->Release();  // the last holder
  }
  const std::vector<std::string> expected = {"object, styles alive", "font 1", "font 0", "link 1", "link 0",
                                             "wall 1",               "wall 0", "text 1", "text 0", "fill 1",
                                             "fill 0",               "line 1", "line 0"};
  EXPECT_EQ(g_log, expected);
}

TEST(DrawingData, StylesReadInlineAreOwnedByTheData) {
  // Two references to one style: the first carries its record.
  cDrawingData source;
  auto line = std::make_unique<cStyleLine>();
  line->name = u"Dashed";
  source.LineStyles().Add(std::move(line));
  const auto bytes = test::Archive([&](ArchiveWriter& w) {
    WriteStyleRef<cStyleLine>(w, 0, &source);
    WriteStyleRef<cStyleLine>(w, 0, &source);
  });
  auto* target = new cDrawingData;
  target->AddRef();
  test::MemoryArchive a(bytes);
  EXPECT_EQ(ReadStyleRef<cStyleLine>(a.Reader(), kCurrentFileVersion, target), 0);
  EXPECT_EQ(ReadStyleRef<cStyleLine>(a.Reader(), kCurrentFileVersion, target), 0);
  ASSERT_EQ(target->LineStyles().Count(), 1u);
  EXPECT_EQ(target->LineStyles().Get(0)->name, u"Dashed");
  target->Release();  // the sanitizer build checks that it went exactly once
}

TEST(DrawingData, GetDrawingPrefersTheParentsOwner) {
  int a = 0, b = 0;
  auto* own = reinterpret_cast<cDrawing*>(&a);
  auto* parents = reinterpret_cast<cDrawing*>(&b);
  cDrawingData parent, child;
  child.SetOwner(own);
  EXPECT_EQ(child.GetDrawing(), own);
  child.SetParent(&parent);
  EXPECT_EQ(child.GetDrawing(), own);  // the parent has no owner
  parent.SetOwner(parents);
  EXPECT_EQ(child.GetDrawing(), parents);
}

// ---- text-style registry ----

TEST(TextStyleRegistry, TextStyleIndex) {
  EXPECT_EQ(cDrawingData::TextStyleIndex(0, nullptr), 65535);
  cDrawingData d;
  auto s0 = std::make_unique<cStyleText>();
  s0->builtinMarks = 0x01;
  auto s1 = std::make_unique<cStyleText>();
  s1->builtinMarks = 0x84;
  d.TextStyles().Add(std::move(s0));
  d.TextStyles().Add(std::move(s1));
  EXPECT_EQ(cDrawingData::TextStyleIndex(1, &d), 1);
  EXPECT_EQ(cDrawingData::TextStyleIndex(2, &d), 65535);
  EXPECT_EQ(cDrawingData::TextStyleIndex(0x8000, &d), 0);
  EXPECT_EQ(cDrawingData::TextStyleIndex(0x8002, &d), 1);
  EXPECT_EQ(cDrawingData::TextStyleIndex(0x8007, &d), 1);
  EXPECT_EQ(cDrawingData::TextStyleIndex(0x8001, &d), 65535);  // nobody marked for built-in 1
  EXPECT_EQ(cDrawingData::TextStyleIndex(0x8008, &d), 65535);
  EXPECT_EQ(cDrawingData::TextStyleIndex(65535, &d), 65535);
}

TEST(TextStyleRegistry, AddTextStyleReusesByNameScalesAndGivesAFont) {
  cDrawingData d;
  d.SetScale(2.0);
  TextAttributes record;
  SetFaceName(record, u"Arial", 5);
  record.height = 2.5;
  const std::uint16_t first = d.AddTextStyle(record);
  EXPECT_EQ(first, 0);
  ASSERT_EQ(d.TextStyles().Count(), 1u);
  const cStyleText* style = d.TextStyles().Get(0);
  EXPECT_EQ(style->attributes.height, 5.0);
  EXPECT_FALSE(style->name.IsEmpty());
  ASSERT_EQ(d.FontStyles().Count(), 1u);
  EXPECT_EQ(style->attributes.fontIndex, 0);
  EXPECT_EQ(d.FontStyles().Get(0)->name, u"Arial");

  EXPECT_EQ(d.AddTextStyle(record), first);  // same record, same name
  EXPECT_EQ(d.TextStyles().Count(), 1u);

  record.height = 3.5;
  SetFaceName(record, u"ARIAL", 5);
  EXPECT_EQ(d.AddTextStyle(record), 1);
  EXPECT_EQ(d.TextStyles().Get(1)->attributes.fontIndex, 0);  // found, not added
  EXPECT_EQ(d.FontStyles().Count(), 1u);
}

TEST(TextStyleRegistry, ResolveStyleFontAndFindOrAddFont) {
  cDrawingData d;
  EXPECT_EQ(d.FindOrAddFont(u"Arial"), 0);
  EXPECT_EQ(d.FindOrAddFont(u"arial"), 0);
  EXPECT_EQ(d.FindOrAddFont(u"txt.shx"), 1);
  EXPECT_EQ(d.FontStyles().Count(), 2u);

  TextAttributes record;
  SetFaceName(record, u"TXT.SHX", 7);
  record.fontIndex = 9;  // beyond the table
  d.ResolveStyleFont(record);
  EXPECT_EQ(record.fontIndex, 1);
  record.fontIndex = 0;  // a valid index stays
  d.ResolveStyleFont(record);
  EXPECT_EQ(record.fontIndex, 0);
}

}  // namespace
}  // namespace kvn
