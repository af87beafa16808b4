// Text styles of imported texts: texts of one import style share one text
// style of the drawing, named like it, with the style's mirroring and its
// height (the first text's when the style has none); an MTEXT box far wider
// than its text is dropped; a family the machine lacks is written in the
// default face; a text keeps its own mirroring when drawn without its style.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/FontList.h"
#include "model/ObjectTypes.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cStyleText.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/styles.dxf"), nullptr, nullptr);
}

std::vector<cText*> Texts(cSheet& sheet) {
  std::vector<cText*> out;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next)
    if (cText* t = o->AsText()) out.push_back(t);
  return out;
}

TEST(ImportTextStyleTest, TextsOfOneStyleShareItsMirroringAndHeight) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE");
  // MIRRORED: backwards (generation flag 2), no height of its own.
  w.Str(0, "STYLE").Str(2, "MIRRORED").Int(70, 0).Real(40, 0).Real(41, 1).Int(71, 2).Str(3, "arial.ttf");
  w.Str(0, "STYLE").Str(2, "TALL").Int(70, 0).Real(40, 7.5).Real(41, 1).Int(71, 4).Str(3, "arial.ttf");
  w.Str(0, "ENDTAB").EndSection().Section("ENTITIES");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 2.5).Str(1, "one").Str(7, "MIRRORED");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 10).Real(40, 4.0).Str(1, "two").Str(7, "mirrored");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 20).Real(40, 1.0).Str(1, "three").Str(7, "TALL");
  // MTEXT boxes: 1000 wide for 5 characters of height 1 is no box; 12 is.
  w.Str(0, "MTEXT").Str(8, "0").Point(10, 0, 30).Real(40, 1.0).Real(41, 1000.0).Str(1, "wi de").Str(7, "TALL");
  w.Str(0, "MTEXT").Str(8, "0").Point(10, 0, 40).Real(40, 1.0).Real(41, 12.0).Str(1, "bo xd").Str(7, "TALL");
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  cDrawingData& data = *sheet.Data();
  auto texts = Texts(sheet);
  ASSERT_EQ(texts.size(), 5u);
  for (cText* t : texts) EXPECT_EQ(t->TypeByte() & kTypeStyledStroke, kTypeStyledStroke);
  EXPECT_EQ(texts[0]->attr.textStyle, texts[1]->attr.textStyle);
  EXPECT_NE(texts[0]->attr.textStyle, texts[2]->attr.textStyle);
  EXPECT_EQ(data.TextStyles().Count(), 2u);
  const cStyleText* mirrored = data.TextStyles().Get(texts[0]->attr.textStyle);
  ASSERT_TRUE(mirrored);
  EXPECT_EQ(mirrored->name, WString(u"MIRRORED"));
  EXPECT_EQ(mirrored->attributes.mirrorX, 1);
  EXPECT_EQ(mirrored->attributes.mirrorY, 0);
  EXPECT_DOUBLE_EQ(mirrored->attributes.height, 2.5);  // the first text's
  EXPECT_TRUE(texts[1]->IsMirroredX(&data));
  const cStyleText* tall = data.TextStyles().Get(texts[2]->attr.textStyle);
  ASSERT_TRUE(tall);
  EXPECT_DOUBLE_EQ(tall->attributes.height, 7.5);
  EXPECT_EQ(tall->attributes.mirrorY, 1);
  EXPECT_TRUE(texts[2]->IsMirroredY(&data));
  // Each text keeps its own height.
  EXPECT_DOUBLE_EQ(texts[1]->GetHeight(&data), 4.0);
  EXPECT_EQ(texts[3]->wrapWidth, 0.0);
  EXPECT_DOUBLE_EQ(texts[4]->wrapWidth, 12.0);

  // Drawn without its style, a text keeps its own mirroring and takes the
  // style's.
  cText copy;
  copy.Assign(*texts[0]);
  copy.attr.mirrorY = 1;
  copy.DetachFromStyle(&data);
  EXPECT_EQ(copy.TypeByte() & kTypeStyledStroke, 0);
  EXPECT_EQ(copy.attr.mirrorX, 1);
  EXPECT_EQ(copy.attr.mirrorY, 1);
}

// A family this machine lacks keeps its name in the font table (so that the
// report says what the drawing asked for) and is drawn in a face that
// exists: its substitute, which the set records.
TEST(ImportTextStyleTest, AFamilyThisMachineLacksKeepsItsNameAndDrawsInASubstitute) {
  if (!FontList::FindByName(WString(u"Arial"))) GTEST_SKIP() << "the font list holds no Arial here";
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE");
  w.Str(0, "STYLE").Str(2, "CODE").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, "no_such_family_here.ttf");
  w.Str(0, "ENDTAB").EndSection().Section("ENTITIES");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 2.5).Str(1, "code").Str(7, "CODE");
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto texts = Texts(sheet);
  ASSERT_EQ(texts.size(), 1u);
  const cStyleFont* font = sheet.Data()->FontStyles().Get(texts[0]->GetFontIndex(sheet.Data()));
  ASSERT_TRUE(font);
  EXPECT_EQ(font->name, WString(u"no_such_family_here"));
  TrueTypeFaceSet* set = font->FaceSet();
  ASSERT_TRUE(set);
  EXPECT_FALSE(set->IsAvailable());
  TrueTypeFace* substitute = GetSubstituteFace(*set, 0);
  ASSERT_TRUE(substitute);
  EXPECT_FALSE(set->substituteName.IsEmpty());
  EXPECT_NE(substitute->GetGlyph(u'c'), nullptr);
  // The text has a width: it shows.
  EXPECT_GT(texts[0]->blockWidth, 0.0);
}

}  // namespace
}  // namespace kvn
