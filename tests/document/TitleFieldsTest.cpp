#include <gtest/gtest.h>

#include <map>
#include <string>

#include "document/TitleFields.h"
#include "document/TitleFieldsInternal.h"
#include "document/cDrawing.h"
#include "foundation/PathBytes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLink.h"
#include "model/cText.h"
#include "model/cTextFields.h"
#include "print/PaperNameField.h"
#include "tests/support/FieldFixtures.h"

namespace kvn {
namespace {

using test::FieldFixture;
using test::MakeFieldFixture;

class TitleFields : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallPaperNameField();
    f_ = MakeFieldFixture();
  }
  void TearDown() override { SetPaperNameLookup(nullptr); }

  // Expands with the given context objects and current insert, the fixture
  // text as the text object.
  std::u16string Expand(std::u16string_view text, std::initializer_list<cOutObj*> context, cOutObj* insert,
                        cText* owner = nullptr, WString* extra = nullptr) {
    WString s{text};
    std::vector<cOutObj*> objects(context);
    ExpandTitleFields(s, f_.data, owner, objects, insert, extra);
    return std::u16string(s.View());
  }
  std::u16string OnPump(std::u16string_view text) { return Expand(text, {f_.pumpA}, f_.pumpA, f_.text); }
  std::u16string OnText(std::u16string_view text) { return Expand(text, {nullptr}, nullptr, f_.text); }
  std::u16string OnLink(std::u16string_view text) { return Expand(text, {f_.feed}, nullptr); }

  FieldFixture f_;
};

std::u16string Field(std::u16string_view name) { return std::u16string(u"[/<") + std::u16string(name) + u">\\]"; }

// Capitals without accents, as a user might type a field name.
std::u16string Plain(const char16_t* name) {
  static const std::map<char16_t, char16_t> kAccents = {
      {u'á', u'a'}, {u'ä', u'a'}, {u'č', u'c'}, {u'ď', u'd'}, {u'é', u'e'}, {u'ě', u'e'}, {u'í', u'i'},
      {u'ĺ', u'l'}, {u'ľ', u'l'}, {u'ň', u'n'}, {u'ó', u'o'}, {u'ô', u'o'}, {u'ř', u'r'}, {u'ŕ', u'r'},
      {u'š', u's'}, {u'ť', u't'}, {u'ú', u'u'}, {u'ů', u'u'}, {u'ý', u'y'}, {u'ž', u'z'}};
  std::u16string out;
  for (const char16_t* p = name; *p; ++p) {
    char16_t c = *p;
    if (auto it = kAccents.find(c); it != kAccents.end()) c = it->second;
    if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
    out.push_back(c);
  }
  return out;
}

// Every row by every one of its names, as written and in plain capitals,
// on the pump insert (with the label text as text object).
TEST_F(TitleFields, EveryRowInEveryLanguage) {
  f_.pumpA->Recalc(f_.data);  // its children hold the block's line
  const std::map<int, std::u16string> expected = {
      {0, u"Site-plan"},     {1, u"/home/ann/plans/"}, {2, u"/home/ann/plans/"}, {3, u"7.3.26"},
      {4, u"9:05"},          {5, u"North wing"},       {6, u"ACME"},             {7, u"2"},
      {8, u"Pump room"},     {9, u"2"},                {10, u"1:100"},           {11, u"420"},
      {12, u"297"},          {13, u"A3"},              {14, u"400"},             {15, u"287"},
      {16, u"10"},           {17, u"5"},               {18, u"Ground"},          {19, u"1"},
      {20, u"3"},            {21, u"2"},               {22, u"1"},               {23, u"2x1"},
      {24, u"2"},            {25, u"1"},               {26, u"2"},               {27, u"2"},
      {28, u"2C"},           {29, u"2"},               {30, u"C"},               {31, u"8"},
      {32, u"7"},            {33, u"0"},               {34, u"0"},               {35, u"5000"},
      {36, u"4000"},         {37, u"0"},               {38, u"0"},               {39, u"5000"},
      {40, u"4000"},         {41, u"Walls"},           {42, u"2.5"},             {43, u"Pump"},
      {44, u"Main pump"},    {45, u"M3"},              {46, u"M3"},              {47, u""},
      {48, u""},             {49, u""},                {50, u""},                {51, u""},
      {52, u"\r\n\r\n"},             {53, u"30"},              {54, u""},                {55, u"0"},
      {56, u"0"},            {57, u"50"},              {58, u"0.5"},             {59, u""},
      {60, u""}};
  const auto rows = FieldRows();
  ASSERT_EQ(rows.size(), 61u);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const std::u16string parameter = i == 6 ? u"Client" : i == 46 ? u"Type" : i == 49 ? u"Cable" : u"";
    for (const char16_t* name : rows[i].names) {
      if (!name) continue;
      const std::u16string want = expected.at(int(i));
      EXPECT_EQ(OnPump(Field(name + parameter)), want) << "row " << i;
      EXPECT_EQ(OnPump(Field(Plain(name) + parameter)), want) << "row " << i << " in capitals";
    }
  }
}

TEST_F(TitleFields, PositionRowsOfTheTextItself) {
  // The text at (12000, 30000): first tile column, second row; on pages 1 and 3.
  EXPECT_EQ(OnText(Field(u"tile:x") + u"/" + Field(u"tile:y")), u"1/2");
  EXPECT_EQ(OnText(Field(u"tile:order:x") + u"/" + Field(u"tile:order:y")), u"3/2");
  EXPECT_EQ(OnText(Field(u"sector")), u"3A");
  EXPECT_EQ(OnText(Field(u"page:name")), u"Ground, Roof");
  EXPECT_EQ(OnText(Field(u"stránka:pořadí")), u"1, 3");
  EXPECT_EQ(OnText(Field(u"layer:name")), u"Walls");
  // On every page: no names, no numbers.
  f_.text->SetPage(kAllPages);
  EXPECT_EQ(OnText(Field(u"page:name") + u"|" + Field(u"page:order")), u"|");
  // Without pages: page order and count 1; without sectors, no sector.
  f_.drawing->paged = 0;
  f_.drawing->sectorsOn = 0;
  EXPECT_EQ(OnText(Field(u"page:order") + Field(u"page:count") + Field(u"sector") + Field(u"sector:count:x")), u"11");
  // Without a format the tiles are 1.
  f_.drawing->formatSize = DPoint{};
  EXPECT_EQ(OnText(Field(u"tile:x") + Field(u"tile:order:y") + Field(u"format:name")), u"11");
}

TEST_F(TitleFields, DateAndTimeOfferTheirDigits) {
  WString extra;
  EXPECT_EQ(Expand(Field(u"file:date") + u" " + Field(u"file:time"), {nullptr}, nullptr, f_.text, &extra),
            u"7.3.26 9:05");
  EXPECT_EQ(std::u16string(extra.View()).find(u"0123456789.-:/"), 0u);
  // A drawing scale that is not positive shows 0.
  f_.data->SetScale(0.0);
  EXPECT_EQ(OnText(Field(u"drawing:scale")), u"0");
}

TEST_F(TitleFields, LinkRowsAndTheAlternatingEnds) {
  EXPECT_EQ(OnLink(Field(u"link:description") + u"," + Field(u"spoj:styl") + u"," + Field(u"link:attribute:Cable")),
            u"Feed,Power,CYKY");
  // The block-name field twice names the first end, then the second; a
  // third use the first again. Each row counts its own uses.
  EXPECT_EQ(OnLink(Field(u"block:name") + u"-" + Field(u"block:name") + u"-" + Field(u"blok:název")),
            u"Pump-Tank-Pump");
  EXPECT_EQ(OnLink(Field(u"input:name") + u"-" + Field(u"input:name") + u"-" + Field(u"block:name")), u"In-Return-Pump");
  // A link whose ends name no insert: no block.
  f_.feed->end1Number = f_.feed->end2Number = 0;
  EXPECT_EQ(OnLink(Field(u"block:name") + u"." + Field(u"input:name")), u".");
}

// A drawing whose folder and name are not UTF-8 (Latin-1 bytes): the page
// shows U+FFFD for each stray byte, never the units that keep the bytes.
TEST_F(TitleFields, AFileNameThatIsNotUtf8ShowsAReplacementForEachStrayByte) {
  f_.document->SetFilePath(PathFromBytes("/home/ann/pl\xE1ny/caf\xE9.kvn"));
  EXPECT_EQ(OnPump(Field(u"file:name")), u"caf\uFFFD");
  EXPECT_EQ(OnPump(Field(u"file:path")), u"/home/ann/pl\uFFFDny/");
}

TEST_F(TitleFields, PlaceholderSyntax) {
  // Frozen: shown as the field itself, not its value.
  EXPECT_EQ(OnPump(Field(u"?file:name")), Field(u"file:name"));
  EXPECT_EQ(OnPump(u"a " + Field(u"no such field") + u" b"), u"a #ERROR# b");
  // A field runs to the next end mark, whatever lies between.
  EXPECT_EQ(OnPump(Field(u"file:name") + u" [/<file:name " + Field(u"file:name")), u"Site-plan #ERROR#");
  // An unterminated field stays as it is, and so does everything behind it.
  EXPECT_EQ(OnPump(Field(u"file:name") + u" [/<file:name " + Field(u"?x").substr(0, 3)),
            u"Site-plan [/<file:name [/<");
  EXPECT_EQ(OnPump(u"x [/<file:name"), u"x [/<file:name");
  // A value holding a field is not expanded again.
  f_.document->comment = WString(Field(u"file:name"));
  EXPECT_EQ(OnPump(Field(u"drawing:comment") + Field(u"file:name")), Field(u"file:name") + u"Site-plan");
  // No fields, no drawing data: nothing replaced.
  WString plain(u"plain");
  EXPECT_FALSE(ExpandTitleFields(plain, f_.data, nullptr, {}, nullptr, nullptr));
  WString field(Field(u"file:name"));
  EXPECT_FALSE(ExpandTitleFields(field, nullptr, nullptr, {}, nullptr, nullptr));
  // The top block's field switch empties every field but frozen ones.
  f_.drawing->TopBlock()->byteValue = 1;
  EXPECT_EQ(OnPump(u"<" + Field(u"file:name") + Field(u"nothing") + u">" + Field(u"?x")), u"<>" + Field(u"x"));
}

TEST_F(TitleFields, ReferencePrefixes) {
  // "2#": the insert of link number 2 in the linked set; "#": the first other one.
  EXPECT_EQ(OnPump(Field(u"2#block:name") + u"," + Field(u"#blok:hodnota") + u"," + Field(u"1#block:value")),
            u"Pump,,M3");
  f_.pumpB->attributes.Add(AttributeItem{WString(u"Type"), WString(u"M5"), {}, 2, 1});
  EXPECT_EQ(OnPump(Field(u"#block:value") + u"," + Field(u"2#block:attribute:Type")), u"M5,M5");
  // No such number, an insert outside any set, no insert at all.
  EXPECT_EQ(OnPump(Field(u"3#block:name")), u"#REF_ERROR#");
  EXPECT_EQ(Expand(Field(u"#block:name"), {f_.tank}, f_.tank), u"#REF_ERROR#");
  EXPECT_EQ(OnText(Field(u"#file:name")), u"#REF_ERROR#");
  // No matching row wins over the reference error.
  EXPECT_EQ(OnPump(Field(u"9#nothing")), u"#ERROR#");
  // More than nine digits are refused instead of overflowing.
  EXPECT_EQ(OnPump(Field(u"0000000002#block:name")), u"#REF_ERROR#");
  EXPECT_EQ(OnPump(Field(u"000000002#block:name")), u"Pump");
  EXPECT_EQ(OnPump(Field(u"99999999999999999999#block:name")), u"#REF_ERROR#");
}

TEST_F(TitleFields, ListFields) {
  // list:inputs of the pump: In has the feed and the bypass, Out nothing,
  // Spare the drain; each line names the input and the insert at the other end.
  const std::u16string line = Field(u"list:inputs") + Field(u"input:name") + u" - " + Field(u"block:name");
  EXPECT_EQ(OnPump(u"Inputs:\r\n" + line + u"\r\nend"), u"Inputs:\r\nIn - Tank\r\nIn - Pump\r\nSpare - Tank\r\nend");
  // The references of the linked set, a line without an end of line.
  EXPECT_EQ(OnPump(Field(u"seznam:reference") + u"> " + Field(u"block:name") + u" " + Field(u"block:attribute:Type")),
            u"> Pump ");
  // An empty list takes the rest of its line with it, the line end stays.
  EXPECT_EQ(OnPump(u"a " + Field(u"list:blocks") + u" rest\r\nb"), u"a \r\nb");
  EXPECT_EQ(OnPump(Field(u"list:links") + u"x\ny"), u"\ny");
  EXPECT_EQ(Expand(u"<" + Field(u"list:references") + u"gone>", {f_.tank}, f_.tank), u"<");
  // Values of the items are not expanded again.
  f_.tank->name = WString(Field(u"file:name"));
  EXPECT_EQ(OnPump(line), u"In - " + Field(u"file:name") + u"\r\nIn - Pump\r\nSpare - " + Field(u"file:name"));
}

TEST_F(TitleFields, ListsNestFourDeep) {
  // Each list of references of the pump names the other pump of the set,
  // whose list names the first again: four levels still show their line,
  // a fifth list is empty.
  const std::u16string list = Field(u"list:references");
  EXPECT_EQ(OnPump(list + list + list + list + Field(u"block:attribute:Type") + u"!"), u"M3!");
  EXPECT_EQ(OnPump(list + list + list + list + list + Field(u"block:attribute:Type") + u"!\r\nnext"), u"\r\nnext");
}

TEST_F(TitleFields, NestedListsAreBounded) {
  // A list field in its own line repeats at most four levels deep, and the
  // text never passes 65,535 units.
  std::u16string text = Field(u"list:inputs") + Field(u"list:inputs") + u"0123456789";
  for (int i = 0; i < 12; ++i) text += Field(u"list:inputs") + u"abcdefghijklmnopqrstuvwxyz";
  const std::u16string out = OnPump(text);
  EXPECT_LE(out.size(), 65535u);
  EXPECT_FALSE(out.empty());
}

TEST_F(TitleFields, HolderSearchEndsInCyclicBlocks) {
  // The cyclic insert's blocks place each other; the search for an object
  // that is nowhere ends.
  cLink stray;
  stray.SetStartInsert(11, 0);
  EXPECT_EQ(FindHolderBlock(f_.drawing->TopBlock(), &stray, *f_.data), nullptr);
  EXPECT_EQ(FindHolderBlock(f_.drawing->TopBlock(), f_.pumpA, *f_.data), f_.drawing->TopBlock());
  EXPECT_EQ(Expand(Field(u"#block:name"), {f_.cyclic}, f_.cyclic), u"#REF_ERROR#");
}

TEST_F(TitleFields, InstalledIntoTheTextLayout) {
  f_.text->SetText(WString(u"Sheet " + Field(u"drawing:order") + u"/" + Field(u"drawing:count")));
  InstallTitleFields();
  f_.text->Recalc(f_.data);
  EXPECT_EQ(std::u16string(f_.text->displayText.View()), u"Sheet 2/2");
  // The source keeps its fields; expanding them in the source freezes them.
  f_.text->ExpandFieldsInSource(f_.data, nullptr, nullptr);
  EXPECT_EQ(std::u16string(f_.text->GetText().View()), u"Sheet 2/2");
  SetFieldExpander(nullptr);
}

}  // namespace
}  // namespace kvn
