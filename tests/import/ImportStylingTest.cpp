// Import styling and the font and line-type mapping, through small DXF
// drawings of the test writer: line types by block and by layer down the
// insert chain, text fonts from their styles, top-aligned TEXT on its
// baseline; and the face names and line-type indexes themselves.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportFonts.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfReader.h"
#include "model/ObjectTypes.h"
#include "model/cAnyLine.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/cStyleFont.h"
#include "model/cStyleLine.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/ShxFixtures.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/styling.dxf"), nullptr, nullptr);
}

std::vector<cOutObj*> Chain(cOutObj* first) {
  std::vector<cOutObj*> out;
  for (cOutObj* o = first; o; o = o->next) out.push_back(o);
  return out;
}

YxxfStyleRec Style(const char16_t* name, const char16_t* file, const char16_t* family) {
  return YxxfStyleRec(WString(name), 0, 0, WString(file), WString(family), 0, 0.0, 1.0, 0);
}

TEST(ImportStylingTest, FaceNamesOfTextStyles) {
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"C:\\Fonts\\romans.shx", u"")), WString(u"romans"));
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"txt.shx", u"Arial")), WString(u"Arial"));
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"a.shx.bak", u"")), WString(u"a.shx.bak"));
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"times.TTF", u"")), WString(u"times"));
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"", u"")), WString(u"Arial"));
  EXPECT_EQ(GetStyleFaceName(Style(u"S", u"", u"arial ce")), WString(u"Arial"));
}

TEST(ImportStylingTest, LineTypeIndexesByNameAndHandle) {
  YxxfReader reader(WString(u"x.dxf"), 1);
  reader.lineTypes.Add(new YxxfLineTypeRec(WString(u"DASHED"), nullptr, 0x20, 0, WString()));
  reader.byLayerLineType = 0x14;
  reader.byBlockLineType = 0x15;
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(), reader), kLineTypeByLayer);
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(u"ByLayer"), reader), kLineTypeByLayer);
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(u"BYBLOCK"), reader), kLineTypeByBlock);
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(u"dashed"), reader), 0);
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(u"CONTINUOUS"), reader), kLineTypeByBlock);
  EXPECT_EQ(GetImportLineTypeIndex(false, 0, WString(u"UNKNOWN"), reader), kLineTypeByBlock);
  EXPECT_EQ(GetImportLineTypeIndex(true, 0x14, WString(), reader), kLineTypeByLayer);
  EXPECT_EQ(GetImportLineTypeIndex(true, 0x15, WString(), reader), kLineTypeByBlock);
  EXPECT_EQ(GetImportLineTypeIndex(true, 0x20, WString(), reader), 0);
  EXPECT_EQ(GetImportLineTypeIndex(true, 0x99, WString(), reader), kLineTypeByLayer);
}

// A DASHED line type of two elements, a block of one CONTINUOUS line.
DxfWriter DashedDrawing() {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LTYPE");
  w.Str(0, "LTYPE").Str(2, "DASHED").Str(3, "Dashed __ __").Int(70, 0).Int(73, 2).Real(40, 0.75);
  w.Real(49, 0.5).Int(74, 0).Real(49, -0.25).Int(74, 0).Str(0, "ENDTAB");
  w.Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("B").Str(0, "LINE").Str(8, "0").Str(6, "CONTINUOUS").Point(10, 0, 0).Point(11, 1, 0);
  w.EndBlock().EndSection().Section("ENTITIES");
  return w;
}

TEST(ImportStylingTest, ContinuousTakesTheDashedLineTypeOfItsInsert) {
  DxfWriter w = DashedDrawing();
  w.Str(0, "INSERT").Str(8, "0").Str(6, "DASHED").Str(2, "B").Point(10, 0, 0);
  w.Str(0, "LINE").Str(8, "0").Str(6, "CONTINUOUS").Real(48, 2.0).Point(10, 0, 0).Point(11, 5, 0);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto top = Chain(sheet.TopBlock().FirstObject());
  ASSERT_EQ(top.size(), 2u);
  // At the top level CONTINUOUS stays plain.
  EXPECT_EQ(top[1]->TypeByte() & kTypeStyledStroke, 0);
  auto children = Chain(sheet.Data()->GetBlock(top[0]->AsInsert()->blockIndex)->FirstObject());
  ASSERT_EQ(children.size(), 1u);
  auto* line = dynamic_cast<cLine*>(children[0]);
  ASSERT_TRUE(line);
  ASSERT_NE(line->TypeByte() & kTypeStyledStroke, 0);
  const cStyleLine* style = sheet.Data()->LineStyles().Get(line->stroke.lineStyle);
  ASSERT_TRUE(style);
  EXPECT_EQ(style->name, WString(u"DASHED"));
  EXPECT_EQ(style->description, WString(u"Dashed __ __"));
  ASSERT_EQ(style->dashElements.size(), 2u);
  EXPECT_DOUBLE_EQ(style->dashElements[0].position, 0.5);
  EXPECT_DOUBLE_EQ(style->dashElements[1].position, -0.25);
  EXPECT_EQ(sheet.Data()->LineStyles().Count(), 1u);
}

TEST(ImportStylingTest, TopAlignedTextStandsOnItsBaselineAndStylesShareAFont) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE");
  w.Str(0, "STYLE").Str(2, "NOTES").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, "arial.ttf").Str(0, "ENDTAB");
  w.EndSection().Section("ENTITIES");
  // TEXT aligned top left (72 = 0, 73 = 3) at its second point (5, 5).
  w.Str(0, "TEXT").Str(8, "0").Point(10, 5, 5).Real(40, 2.5).Str(1, "Top").Str(7, "NOTES").Int(72, 0).Int(73, 3);
  w.Point(11, 5, 5);
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1.0).Str(1, "Base").Str(7, "notes");
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto top = Chain(sheet.TopBlock().FirstObject());
  ASSERT_EQ(top.size(), 2u);
  auto* moved = top[0]->AsText();
  auto* base = top[1]->AsText();
  ASSERT_TRUE(moved && base);
  // Drawing y grows downwards: the baseline lies 2.5 below the top.
  EXPECT_NEAR(moved->point.x, 5.0, 1e-9);
  EXPECT_NEAR(moved->point.y, -5.0 + 2.5, 1e-9);
  EXPECT_EQ(moved->alignment & kAlignCodeMask, 9);
  EXPECT_EQ(base->alignment & kAlignCodeMask, 9);
  EXPECT_NE(moved->attr.fontIndex, 65535);
  EXPECT_EQ(moved->attr.fontIndex, base->attr.fontIndex);
  EXPECT_EQ(sheet.Data()->FontStyles().Get(moved->attr.fontIndex)->name.ToUtf8(), "Arial");
}

TEST(ImportStylingTest, ShxFontsNamedByWindowsPathsAreFoundBesideTheDrawing) {
  test::ScratchDir dir;
  {
    const std::vector<std::uint8_t> font =
        test::MakeShapesFile({{65, "A", {0x34, 0x30, 0}}, {66, "B", {0x20, 0}}}, 10, 4);
    std::ofstream out(dir / "MyFont.SHX", std::ios::binary);
    out.write(reinterpret_cast<const char*>(font.data()), std::streamsize(font.size()));
  }
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE");
  w.Str(0, "STYLE").Str(2, "LABELS").Int(70, 0).Real(40, 0).Real(41, 1).Str(3, "C:\\Fonts\\myfont.shx");
  w.Str(0, "ENDTAB").EndSection().Section("ENTITIES");
  w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1.0).Str(1, "AB").Str(7, "LABELS").EndSection().Eof();
  const std::filesystem::path path = dir / "drawing.dxf";
  {
    std::ofstream out(path, std::ios::binary);
    out << w.Bytes();
  }
  DocumentResult result = LoadDxfFile(WString::FromUtf8(path.string()), nullptr, nullptr);
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto top = Chain(sheet.TopBlock().FirstObject());
  ASSERT_EQ(top.size(), 1u);
  const cStyleFont* font = sheet.Data()->FontStyles().Get(top[0]->AsText()->attr.fontIndex);
  ASSERT_TRUE(font);
  EXPECT_EQ(font->name.ToUtf8(), "Myfont.shx");
  EXPECT_EQ(font->GetKind(), FontRecordKind::kShx);
}

// A dot: a closed LWPOLYLINE of two half circles whose width fills it.
DxfWriter DotBlocks() {
  DxfWriter w;
  w.Section("BLOCKS").Block("DOT");
  w.Str(0, "LWPOLYLINE").Str(8, "0").Int(90, 2).Int(70, 1).Real(43, 0.5);
  w.Point(10, -0.25, 0).Real(42, 1.0).Point(10, 0.25, 0).Real(42, 1.0);
  w.EndBlock();
  // The dot again, inside a block of its own at twice the size.
  w.Block("PAIR").Str(0, "INSERT").Str(8, "0").Str(2, "DOT").Point(10, 0, 0).Real(41, 2).Real(42, 2).Real(43, 2);
  w.EndBlock().EndSection().Section("ENTITIES");
  return w;
}

// The line width of the one line object under an insert (through nested
// inserts), or -1.
double WidthInside(cSheet& sheet, cOutObj* object) {
  while (cInsert* insert = object ? object->AsInsert() : nullptr) {
    cBlock* block = sheet.Data()->GetBlock(insert->blockIndex);
    object = block ? block->FirstObject() : nullptr;
  }
  cAnyLine* line = object ? object->AsAnyLine() : nullptr;
  return line ? line->stroke.width : -1.0;
}

TEST(ImportStylingTest, WidePolylinesScaleWithTheirInserts) {
  struct Case {
    const char* block;
    double scale;
    double width;  // of the dot as drawn
  };
  const Case cases[] = {{"DOT", 1.0, 0.5}, {"DOT", 0.5, 0.25}, {"DOT", -0.5, 0.25}, {"PAIR", 0.25, 0.25}};
  DxfWriter w = DotBlocks();
  for (const Case& c : cases) {
    w.Str(0, "INSERT").Str(8, "0").Str(2, c.block).Point(10, 10, 0).Real(41, c.scale).Real(42, std::fabs(c.scale));
  }
  // At the top level the width is the file's.
  w.Str(0, "LWPOLYLINE").Str(8, "0").Int(90, 2).Int(70, 0).Real(43, 0.5).Point(10, 0, 0).Point(10, 1, 0);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  auto top = Chain(sheet.TopBlock().FirstObject());
  ASSERT_EQ(top.size(), std::size(cases) + 1);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].block + std::string(" at ") + std::to_string(cases[i].scale));
    EXPECT_NEAR(WidthInside(sheet, top[i]), cases[i].width, 1e-12);
  }
  EXPECT_NEAR(WidthInside(sheet, top.back()), 0.5, 1e-12);
}

}  // namespace
}  // namespace kvn
