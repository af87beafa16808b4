// Pattern hatches through the whole import: the reader's pattern becomes a
// fill style of the drawing data (one per pattern), the hatch takes its
// index with the pattern colour resolved by layer and by block and no solid
// layer, and the painted sheet shows pattern lines, not a filled area.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "model/ObjectTypes.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cStyleFill.h"
#include "print/export/MakeDrawingPreview.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/pattern.dxf"), nullptr, nullptr);
}

// A square HATCH of a predefined pattern (no own lines: the table's).
void Hatch(DxfWriter& w, std::string_view layer, int color, std::string_view pattern, double x, double size,
           double scale) {
  w.Str(0, "HATCH").Str(8, layer);
  if (color != 256) w.Int(62, color);
  w.Point(10, 0, 0).Str(2, pattern).Int(70, pattern == "SOLID" ? 1 : 0).Int(71, 0).Int(91, 1).Int(92, 2);
  w.Int(72, 0).Int(73, 1).Int(93, 4);
  w.Real(10, x).Real(20, 0).Real(10, x + size).Real(20, 0).Real(10, x + size).Real(20, size).Real(10, x);
  w.Real(20, size).Int(97, 0).Int(75, 0).Int(76, 1).Real(52, 0).Real(41, scale).Int(77, 0).Int(98, 0);
}

const cAnyFill* FirstFill(const cBlock& block) {
  for (cOutObj* o = block.FirstObject(); o; o = o->next) {
    if (const cAnyFill* f = o->AsAnyFill()) return f;
  }
  return nullptr;
}

TEST(ImportPatternFillTest, PatternsBecomeFillStylesWithResolvedColours) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("GREEN", 3).Layer("RED", 1);
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("BYBLOCK_HATCH");
  Hatch(w, "0", 0, "ANSI31", 0, 10, 1.0);
  w.EndBlock().Block("LAYER0_HATCH");
  Hatch(w, "0", 256, "ANSI31", 0, 10, 1.0);
  w.EndBlock().EndSection().Section("ENTITIES");
  Hatch(w, "GREEN", 256, "ANSI31", 0, 10, 1.0);   // by layer: green
  Hatch(w, "0", 5, "ANSI31", 20, 10, 1.0);        // own colour: blue, the same pattern
  Hatch(w, "0", 256, "SOLID", 40, 10, 1.0);       // solid: a plain fill
  w.Insert("BYBLOCK_HATCH", "0", 60, 0, 1);       // by block in a red insert
  w.Insert("LAYER0_HATCH", "RED", 80, 0);         // by layer on "0" in an insert on RED
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  cDrawingData& data = *sheet.Data();
  std::vector<cOutObj*> top;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) top.push_back(o);
  ASSERT_EQ(top.size(), 5u);

  // One pattern, one fill style of symbol-hatch lines that defers to the object.
  ASSERT_EQ(data.FillStyles().Count(), 1u);
  const cStyleFill* style = data.FillStyles().Get(0);
  EXPECT_EQ(style->hatchKind, kSymbolHatch);
  EXPECT_EQ(style->hatchLines.size(), 1u);
  EXPECT_EQ(style->name, WString(u"ANSI31"));

  struct Expect {
    const cAnyFill* fill;
    std::uint32_t hatchColor;
  };
  const cAnyFill* byBlock = FirstFill(*data.GetBlock(top[3]->AsInsert()->blockIndex));
  const cAnyFill* layerZero = FirstFill(*data.GetBlock(top[4]->AsInsert()->blockIndex));
  const Expect patterned[] = {{top[0]->AsAnyFill(), 0x0000FF00u},
                              {top[1]->AsAnyFill(), 0x00FF0000u},
                              {byBlock, 0x000000FFu},
                              {layerZero, 0x000000FFu}};
  for (const Expect& e : patterned) {
    ASSERT_TRUE(e.fill);
    EXPECT_EQ(e.fill->TypeByte() & kTypeStyledFill, kTypeStyledFill);
    EXPECT_EQ(e.fill->GetFillStyle(&data), style);
    EXPECT_EQ(e.fill->GetHatchKind(&data), kSymbolHatch);
    EXPECT_EQ(e.fill->GetHatchColor(&data), e.hatchColor);
    EXPECT_NE(e.fill->GetFillColor(&data) & 0x80000000u, 0u) << "a pattern has no solid layer";
  }
  const cAnyFill* solid = top[2]->AsAnyFill();
  ASSERT_TRUE(solid);
  EXPECT_EQ(solid->TypeByte() & kTypeStyledFill, 0);
  EXPECT_EQ(solid->GetFillColor(&data), 0u);  // layer "0" colour 7: black
}

// The share of dark pixels in a window of a grey picture.
double InkShare(const TDib& dib, int x0, int y0, int x1, int y1) {
  int ink = 0, all = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t c = dib.GetPixelColor(x, y);
      const int grey = int((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3;
      ink += grey < 128;
      ++all;
    }
  }
  return all ? double(ink) / all : 0.0;
}

TEST(ImportPatternFillTest, PatternHatchPaintsLinesAndSolidHatchPaintsArea) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  Hatch(w, "0", 256, "ANSI31", 0, 100, 2.0);
  Hatch(w, "0", 256, "SOLID", 120, 100, 1.0);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cSheet& sheet = *result.Document()->GetFirstSheet();
  PreviewOptions options;
  options.smoothing = false;
  // 220 x 100 drawing units at 2 pixels a unit.
  auto dib = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 440, 200, options);
  ASSERT_NE(dib, nullptr);
  ASSERT_GE(dib->Width(), 430);
  // ANSI31 at scale 2: lines 12.7 units apart, 45 degrees: thin lines over
  // white, present everywhere in the square.
  const double pattern = InkShare(*dib, 20, 20, 180, 180);
  EXPECT_GT(pattern, 0.02);
  EXPECT_LT(pattern, 0.4) << "a pattern hatch must not paint as a solid area";
  EXPECT_GT(InkShare(*dib, 20, 20, 60, 60), 0.02);
  EXPECT_GT(InkShare(*dib, 140, 140, 180, 180), 0.02);
  EXPECT_GT(InkShare(*dib, 260, 20, 420, 180), 0.95);
}

}  // namespace
}  // namespace kvn
