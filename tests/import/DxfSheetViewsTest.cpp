// The sheets of a foreign drawing and what their views show: a drawing that
// lives in paper space opens on its paper sheet; a viewport hides the layers
// frozen in it (and only there) and is itself shown whatever its own layer.
// The document is named by its file, read only.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dxf/DxfReader.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfGroupRecord.h"
#include "model/LevelTable.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"
#include "print/export/MakeDrawingPreview.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "dwg/InstallReaders.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;

DocumentResult Load(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  return LoadDxfStream(in, WString(u"/nowhere/views.dxf"), nullptr, nullptr);
}

TEST(DxfSheetViews, ADrawingInPaperSpaceOpensOnItsPaperSheet) {
  // As R12 writers put it: entities flagged 67 = 1, no layouts.
  DxfWriter w;
  w.Section("ENTITIES");
  w.Str(0, "LINE").Str(8, "0").Int(67, 1).Point(10, 0, 0).Point(11, 10, 10);
  w.Str(0, "CIRCLE").Str(8, "0").Int(67, 1).Point(10, 5, 5).Real(40, 2);
  w.EndSection().Eof();
  SetLanguageIndex(2);
  InvalidateLangTable();
  DocumentResult result = Load(w.Bytes());
  ASSERT_TRUE(result.Ok());
  cDrawingDoc& document = *result.Document();
  // The document is named by its file, shown and not edited.
  EXPECT_EQ(document.name, WString(u"views.dxf (read only)"));
  ASSERT_EQ(document.SheetCount(), 2u);
  EXPECT_EQ(document.GetSheet(0)->name, WString(u"Model"));
  EXPECT_EQ(document.GetSheet(1)->name, WString(u"Paper"));
  EXPECT_EQ(document.currentEntry, 1);
  EXPECT_NE(document.GetSheet(1)->TopBlock().FirstObject(), nullptr);

  // With a model the drawing opens on it.
  DxfWriter m;
  m.Section("ENTITIES").Line("0", 0, 0, 1, 1);
  m.Str(0, "LINE").Str(8, "0").Int(67, 1).Point(10, 0, 0).Point(11, 10, 10);
  m.EndSection().Eof();
  DocumentResult both = Load(m.Bytes());
  ASSERT_TRUE(both.Ok());
  EXPECT_EQ(both.Document()->currentEntry, 0);
}

// Model: a line on layer SHOWN at y = 2 and one on layer FROZEN at y = 8.
// Paper: the overall viewport, then a 40 x 40 viewport at (50, 50) on layer
// VP (off) showing the model around (5, 5) at scale 2, with FROZEN frozen.
std::string ViewportDrawing(bool freeze) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  w.Str(0, "LAYER").Str(5, "10").Str(2, "0").Int(70, 0).Int(62, 7).Str(6, "CONTINUOUS");
  w.Str(0, "LAYER").Str(5, "11").Str(2, "SHOWN").Int(70, 0).Int(62, 7).Str(6, "CONTINUOUS");
  w.Str(0, "LAYER").Str(5, "12").Str(2, "FROZEN").Int(70, 0).Int(62, 7).Str(6, "CONTINUOUS");
  w.Str(0, "LAYER").Str(5, "13").Str(2, "VP").Int(70, 0).Int(62, -7).Str(6, "CONTINUOUS");
  w.Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  w.Line("SHOWN", -10, 2, 20, 2).Line("FROZEN", -10, 8, 20, 8);
  auto viewport = [&](int id, double cx, double cy, double size, std::string_view layer, bool frozen) {
    w.Str(0, "VIEWPORT").Str(8, layer).Int(67, 1).Point(10, cx, cy).Real(40, size).Real(41, size).Int(69, id);
    w.Point(12, 5, 5).Point(17, 0, 0).Point(16, 0, 0, 1).Real(45, size / 2).Real(51, 0);
    if (frozen) w.Str(331, "12");
  };
  viewport(1, 50, 50, 200, "0", false);
  viewport(2, 50, 50, 40, "VP", freeze);
  w.EndSection().Eof();
  return w.Bytes();
}

// The share of dark pixels in the upper and the lower half of the middle
// column band of a picture.
void InkHalves(const TDib& dib, double& upper, double& lower) {
  int up = 0, low = 0;
  const int x0 = dib.Width() / 3, x1 = 2 * dib.Width() / 3, h = dib.Height();
  for (int y = 2; y < h - 2; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t c = dib.GetPixelColor(x, y);
      if (((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3 < 128) (y < h / 2 ? up : low) += 1;
    }
  }
  upper = double(up), lower = double(low);
}

TEST(DxfSheetViews, AViewportHidesTheLayersFrozenInItAndShowsOnItsOffLayer) {
  for (bool freeze : {false, true}) {
    SCOPED_TRACE(freeze ? "frozen in the viewport" : "nothing frozen");
    DocumentResult result = Load(ViewportDrawing(freeze));
    ASSERT_TRUE(result.Ok());
    cDrawingDoc& document = *result.Document();
    ASSERT_EQ(document.SheetCount(), 2u);
    cSheet& model = *document.GetSheet(0);
    cSheet& paper = *document.GetSheet(1);
    const cSection* view = paper.TopBlock().FirstObject() ? paper.TopBlock().FirstObject()->AsSection() : nullptr;
    ASSERT_TRUE(view);
    EXPECT_EQ(view->sheetIndex, 0);
    // The viewport's own layer VP is off in the file: the viewport shows.
    const LevelRecord* own = paper.Data()->Levels().FindLevel(view->Level());
    ASSERT_TRUE(own);
    EXPECT_EQ(own->visible, 1);

    // Levels of the model sheet: SHOWN and FROZEN (layer 0 is the default).
    std::uint16_t shown = 65535, frozen = 65535;
    for (cOutObj* o = model.TopBlock().FirstObject(); o; o = o->next) {
      const WString& name = model.Data()->Levels().FindLevel(o->Level())->name;
      (name == WString(u"SHOWN") ? shown : frozen) = o->Level();
    }
    ASSERT_NE(shown, 65535);
    ASSERT_NE(frozen, 65535);
    const std::uint16_t* values = view->selectionValues.Items();
    const auto has = [&](std::uint16_t level) {
      return std::find(values, values + view->selectionValues.Count(), level) != values + view->selectionValues.Count();
    };
    if (!freeze) {
      EXPECT_EQ(view->selectionPresent, 0);
      EXPECT_EQ(view->selectionValues.Count(), 0u);
    } else {
      EXPECT_EQ(view->selectionPresent, 1);
      EXPECT_TRUE(has(shown));
      EXPECT_FALSE(has(frozen));
      EXPECT_TRUE(has(65535));
    }

    // Painted: the SHOWN line lies in the lower half of the frame, the
    // FROZEN line in the upper half only when it is not frozen.
    PreviewOptions options;
    options.smoothing = false;
    auto dib = MakeDrawingPreview(paper.Drawing(), paper.Data(), &paper.TopBlock(), 200, 200, options);
    ASSERT_NE(dib, nullptr);
    double upper = 0, lower = 0;
    InkHalves(*dib, upper, lower);
    EXPECT_GT(lower, 20);
    if (freeze) {
      EXPECT_EQ(upper, 0);
    } else {
      EXPECT_GT(upper, 20);
    }
  }
}

// Model: a horizontal line on each of the layers 0, A, B and C, one above
// the other (y = 1, 3, 5, 7). Paper: the overall viewport and a viewport
// showing all four lines, with the layer of handle `frozen` frozen in it
// (none for an empty handle).
std::string FourLayerDrawing(const std::string& frozen) {
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  const char* names[4] = {"0", "A", "B", "C"};
  for (int k = 0; k < 4; ++k) {
    w.Str(0, "LAYER").Str(5, std::string("2") + char('0' + k)).Str(2, names[k]).Int(70, 0).Int(62, 7).Str(6, "CONTINUOUS");
  }
  w.Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  for (int k = 0; k < 4; ++k) w.Line(names[k], 0, 1 + 2 * k, 10, 1 + 2 * k);
  auto viewport = [&](int id, double size, bool withFrozen) {
    w.Str(0, "VIEWPORT").Str(8, "0").Int(67, 1).Point(10, 50, 50).Real(40, size).Real(41, size).Int(69, id);
    w.Point(12, 5, 4).Point(17, 0, 0).Point(16, 0, 0, 1).Real(45, size / 5).Real(51, 0);
    if (withFrozen && !frozen.empty()) w.Str(331, frozen);
  };
  viewport(1, 200, false);
  viewport(2, 40, true);
  w.EndSection().Eof();
  return w.Bytes();
}

// The rows of the painted paper sheet with ink in the middle third of the
// columns, grouped into runs of neighbouring rows: one run per line.
std::vector<std::pair<int, int>> InkRuns(const std::string& drawing) {
  std::vector<std::pair<int, int>> runs;
  DocumentResult result = Load(drawing);
  EXPECT_TRUE(result.Ok());
  if (!result.Ok() || result.Document()->SheetCount() < 2) return runs;
  cSheet& paper = *result.Document()->GetSheet(1);
  PreviewOptions options;
  options.smoothing = false;
  auto dib = MakeDrawingPreview(paper.Drawing(), paper.Data(), &paper.TopBlock(), 200, 200, options);
  EXPECT_NE(dib, nullptr);
  if (!dib) return runs;
  for (int y = 0; y < dib->Height(); ++y) {
    bool ink = false;
    for (int x = dib->Width() / 3; x < 2 * dib->Width() / 3 && !ink; ++x) {
      const std::uint32_t c = dib->GetPixelColor(x, y);
      ink = ((c & 0xFF) + ((c >> 8) & 0xFF) + ((c >> 16) & 0xFF)) / 3 < 128;
    }
    if (!ink) continue;
    if (!runs.empty() && runs.back().second == y - 1) {
      runs.back().second = y;
    } else {
      runs.emplace_back(y, y);
    }
  }
  return runs;
}

// Whichever layer a viewport freezes, the first of the table ("0", the
// default layer) included, the viewport hides that layer's line and shows
// the others.
TEST(DxfSheetViews, AViewportFreezingAnyLayerHidesExactlyThatLayersObjects) {
  const auto all = InkRuns(FourLayerDrawing(""));
  ASSERT_EQ(all.size(), 4u) << "one run of ink per line";
  for (int k = 0; k < 4; ++k) {
    SCOPED_TRACE(::testing::Message() << "layer " << (k == 0 ? "0" : std::string(1, char('A' + k - 1)))
                                      << " frozen in the viewport");
    const auto runs = InkRuns(FourLayerDrawing(std::string("2") + char('0' + k)));
    // Rows run down, y up: the line at y = 1 + 2k is run 3 - k.
    std::vector<std::pair<int, int>> expected = all;
    expected.erase(expected.begin() + (3 - k));
    EXPECT_EQ(runs, expected);
  }
}

std::unique_ptr<cDrawingDoc> OpenSample(const std::filesystem::path& path) {
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
}

// The view a drawing opens on comes from its active viewport, cut to the
// drawing area, whichever form the drawing is read from: the DWG file holds
// the view's width where DXF holds its aspect ratio.
TEST(DxfSheetViews, TheDwgAndDxfFormsOpenOnTheActiveViewport) {
  KVN_REQUIRE_TESTDATA(data);
  const char* pairs[][2] = {{"dxf/libredwg_example_2000.dxf", "dwg/libredwg_example_2000.dwg"},
                            {"dxf/libredwg_example_2000.dxf", "dwg/libredwg_example_r14.dwg"},
                            {"dxf/acadsharp_sample_AC1024_ascii.dxf", "dwg/acadsharp_sample_AC1024.dwg"}};
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair[1]);
    auto dxf = OpenSample(data / pair[0]);
    auto dwg = OpenSample(data / pair[1]);
    ASSERT_TRUE(dxf && dwg);
    const DRect& a = dxf->GetSheet(0)->Drawing().rememberedView.rect;
    const DRect& b = dwg->GetSheet(0)->Drawing().rememberedView.rect;
    ASSERT_LT(a.x1, a.x2);
    // The viewport's sides (the bottom is where each form's content ends).
    EXPECT_NEAR(b.x1, a.x1, 1e-6 * (a.x2 - a.x1));
    EXPECT_NEAR(b.x2, a.x2, 1e-6 * (a.x2 - a.x1));
    EXPECT_NEAR(b.y2, a.y2, 1e-6 * (a.x2 - a.x1));
  }
}

// A DXF LAYOUT names itself and its block-table record in its own part:
// before it stand the page setup's name (1) and the owner dictionary (330).
TEST(DxfSheetViews, ALayoutIsNamedAndPlacedByItsOwnPart) {
  YxxfGroupRecord r;
  r.AddString(5, std::string_view("59"));
  r.AddString(330, std::string_view("1A"));  // the owner dictionary
  r.AddString(100, std::string_view("AcDbPlotSettings"));
  r.AddString(1, std::string_view(""));  // the page setup's name
  r.AddString(100, std::string_view("AcDbLayout"));
  r.AddString(1, std::string_view("Sheet 2"));
  r.AddString(330, std::string_view("1FDD"));
  r.AddString(331, std::string_view("1FE0"));
  auto layout = YxxfLayoutRec::FromRecord(r);
  EXPECT_EQ(layout->name, WString(u"Sheet 2"));
  EXPECT_EQ(layout->owner, 0x1FDDu);
  EXPECT_EQ(layout->lastActiveViewport, 0x1FE0u);
  // Without the subclass marker (a reader that gives only the layout's own
  // groups) the first groups are the layout's.
  YxxfGroupRecord plain;
  plain.AddString(1, std::string_view("Layout1"));
  plain.AddString(330, std::string_view("22"));
  auto bare = YxxfLayoutRec::FromRecord(plain);
  EXPECT_EQ(bare->name, WString(u"Layout1"));
  EXPECT_EQ(bare->owner, 0x22u);
}

}  // namespace
}  // namespace kvn
