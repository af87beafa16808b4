// Texts written by the native fixture writer name the fonts of their sheet:
// each font of the sheet's table (a face name, a built-in SHX font, a whole
// definition) travels inline at its first reference, in a block or at the
// top level, and is read back under the text's reference; fonts no text
// names stay in the trailing table; a reference beyond the table reads as
// no font.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/WString.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::shared_ptr<cText> TextInFont(const char16_t* content, std::uint16_t font) {
  auto t = std::make_shared<cText>();
  t->SetText(WString(content));
  t->SetFontIndex(font);
  t->attr.height = 3;
  return t;
}

// The font a text is drawn in after reading: its table entry's name, or ""
// for none.
std::string FontOf(cDrawingData* data, const cText& text) {
  const std::uint16_t index = text.GetFontIndex(data);
  const cStyleFont* font = index == kNoStyle ? nullptr : data->FontStyles().Get(index);
  return font ? font->name.ToUtf8() : std::string();
}

TEST(FixtureFontRefs, TextsReadBackInTheFontsTheSheetDefines) {
  test::FixtureSheet sheet;
  sheet.levels = {{u"0"}};
  // Sheet indexes: 0 Arial, 1 Arial Narrow, 2 Romans.shx, 3 Courier New.
  sheet.fontNames = {u"Arial", u"Arial Narrow"};
  sheet.shxFonts = {{u"Romans.shx", 8.0}};
  sheet.fontDefinitions = {[](ArchiveWriter& w) {
    w.WriteString(WString(u"Courier New"));
    w.WriteString(WString(u""));
    w.WriteByte(0);     // named face
    w.WriteByte(0x31);  // fixed pitch, modern
    w.WriteByte(0);
  }};
  test::FixtureBlock block;
  block.objects = {TextInFont(u"in block", 3)};
  sheet.blocks = {block};
  sheet.objects = {TextInFont(u"first Romans", 2), TextInFont(u"Arial", 0), TextInFont(u"Courier again", 3),
                   TextInFont(u"Romans again", 2), TextInFont(u"beyond the table", 7)};
  test::FixtureDocument doc;
  doc.sheets = {sheet};

  test::ScratchDir dir;
  const std::string path = (dir / "fonts.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(doc)));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> opened = OpenDrawingFile(WString::FromUtf8(path), request, outcome);
  ASSERT_NE(opened, nullptr) << outcome.errorCode;
  cDrawingData* data = opened->GetSheet(0)->Data();

  struct Expected {
    const char* text;
    const char* font;
  };
  static const Expected kTexts[] = {
      {"in block", "Courier New"},    {"first Romans", "Romans.shx"},  {"Arial", "Arial"},
      {"Courier again", "Courier New"}, {"Romans again", "Romans.shx"}, {"beyond the table", ""},
  };
  std::vector<const cText*> texts;
  const cBlock* inBlock = data->GetBlock(0);
  ASSERT_NE(inBlock, nullptr);
  for (const cOutObj* o = inBlock->FirstObject(); o; o = o->next)
    if (const auto* t = dynamic_cast<const cText*>(o)) texts.push_back(t);
  for (const cOutObj* o = opened->GetSheet(0)->TopBlock().FirstObject(); o; o = o->next)
    if (const auto* t = dynamic_cast<const cText*>(o)) texts.push_back(t);
  ASSERT_EQ(texts.size(), std::size(kTexts));
  for (std::size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i]->GetText().ToUtf8(), kTexts[i].text);
    EXPECT_EQ(FontOf(data, *texts[i]), kTexts[i].font) << kTexts[i].text;
  }

  // The font no text names is still in the table, once; none is doubled.
  std::vector<std::string> names;
  for (const cStyleFont* font : data->FontStyles()) names.push_back(font ? font->name.ToUtf8() : std::string());
  EXPECT_EQ(names, (std::vector<std::string>{"Courier New", "Romans.shx", "Arial", "Arial Narrow"}));
}

}  // namespace
}  // namespace kvn
