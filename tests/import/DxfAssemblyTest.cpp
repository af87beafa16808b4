// What the drawing assembly makes of small DXF drawings beyond their
// objects: the view question and the one 3-D rebuild, attribute definitions
// in the document's list, the header's precisions, the initial view of the
// active viewport, shared generated blocks, and external references loaded
// as sheets of their own (asked about in a box captioned with the formats,
// refused inside a reference, left out with a warning when they cannot be
// loaded).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "document/ExternalReference.h"
#include "document/LoadQuestions.h"
#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "import/dxf/DxfReader.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "model/TrueTypeFace.h"
#include "model/cSection.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using test::DxfWriter;
namespace fs = std::filesystem;

class RecordingQuestions : public LoadQuestions {
 public:
  bool GoOn(const LoadQuestion& q) override {
    const int a = Ask(q);
    return a == kIdOk || a == kIdYes;
  }
  int Ask(const LoadQuestion& q) override {
    asked.push_back(q.textId);
    order.push_back(q.textId);
    return answer;
  }
  bool ChooseViewDirection(ViewDirectionChoice& choice) override {
    presetsShown.push_back(choice.preset);
    order.push_back(kViewQuestion);
    choice.preset = viewPreset;
    return viewAnswer;
  }
  int answer = kIdOk;
  int viewPreset = 3;  // from +x
  bool viewAnswer = true;
  std::vector<int> asked;
  std::vector<int> presetsShown;
  // Every question in turn; the view question as kViewQuestion.
  static constexpr int kViewQuestion = -1;
  std::vector<int> order;
};

DocumentResult Load(const std::string& text, LoadQuestions* questions) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  FormatReadContext context;
  context.questions = questions;
  return LoadDxfStream(in, WString(u"test.dxf"), nullptr, nullptr, questions ? &context : nullptr);
}

std::vector<cOutObj*> TopObjects(const cDrawingDoc& document, std::uint32_t sheet = 0) {
  std::vector<cOutObj*> out;
  for (cOutObj* o = document.GetSheet(sheet)->TopBlock().FirstObject(); o; o = o->next) out.push_back(o);
  return out;
}

// Upright lines: each has one end off the drawing plane.
std::string UprightLines(int count, bool tiltedViewport = false) {
  DxfWriter w;
  if (tiltedViewport) {
    w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active").Point(16, 1, 1, 1);
    w.Str(0, "ENDTAB").EndSection();
  }
  w.Section("ENTITIES");
  for (int i = 0; i < count; ++i) w.Str(0, "LINE").Str(8, "0").Point(10, i, 0, 0).Point(11, i, 0, 10);
  w.EndSection().Eof();
  return w.Bytes();
}

double FirstLineLength(const DocumentResult& result) {
  auto objects = TopObjects(*result.Document());
  auto* line = objects.empty() ? nullptr : dynamic_cast<cLine*>(objects[0]);
  return line ? std::hypot(line->end.x - line->start.x, line->end.y - line->start.y) : -1.0;
}

TEST(DxfAssembly, ThreeDContentIsRebuiltOnceFromTheDirectionTheUserChooses) {
  RecordingQuestions questions;
  DocumentResult rebuilt = Load(UprightLines(12), &questions);
  ASSERT_TRUE(rebuilt.Ok());
  // Seen from above first (no question for a view along an axis), then 12
  // points off the plane: asked once, with the user-defined entry, and
  // built again from +x, where the lines have their length.
  EXPECT_EQ(questions.presetsShown, (std::vector<int>{kUserViewDirection}));
  EXPECT_NEAR(FirstLineLength(rebuilt), 10.0, 1e-9);
  EXPECT_EQ(TopObjects(*rebuilt.Document()).size(), 12u);

  // Fewer than 10 points off the plane: no question, seen from above.
  RecordingQuestions few;
  DocumentResult flat = Load(UprightLines(9), &few);
  ASSERT_TRUE(flat.Ok());
  EXPECT_TRUE(few.presetsShown.empty());
  EXPECT_NEAR(FirstLineLength(flat), 0.0, 1e-9);

  // Nobody to ask: the active viewport's view, no rebuild.
  DocumentResult unasked = Load(UprightLines(12), nullptr);
  ASSERT_TRUE(unasked.Ok());
  EXPECT_NEAR(FirstLineLength(unasked), 0.0, 1e-9);
}

TEST(DxfAssembly, AViewportAlongADiagonalAsksAtOnceAndCancelOpensNothing) {
  RecordingQuestions questions;
  questions.viewAnswer = false;
  DocumentResult cancelled = Load(UprightLines(1, true), &questions);
  EXPECT_FALSE(cancelled.Ok());
  EXPECT_EQ(int(cancelled.Code()), int(kOpenCancelled));
  // The dialog opens on the preset of (1, 1, 1).
  EXPECT_EQ(questions.presetsShown, (std::vector<int>{8}));

  // Kept as offered: seen along the diagonal.
  RecordingQuestions keep;
  keep.viewPreset = 8;
  DocumentResult diagonal = Load(UprightLines(1, true), &keep);
  ASSERT_TRUE(diagonal.Ok());
  EXPECT_NEAR(FirstLineLength(diagonal), 10.0 * std::sqrt(2.0 / 3.0), 1e-9);
}

// The view question is put only after a conversion went through: a read
// error is told before it, and a drawing refused as too large is refused
// without it.
TEST(DxfAssembly, TheViewQuestionFollowsTheReadErrorAndNeverPrecedesARefusal) {
  std::string cut = UprightLines(3, true);
  cut.resize(cut.find("EOF") - 2);
  RecordingQuestions questions;
  DocumentResult partial = Load(cut, &questions);
  ASSERT_TRUE(partial.Ok());
  EXPECT_EQ(questions.order, (std::vector<int>{kStrFileReadError, RecordingQuestions::kViewQuestion}));
  // Told: the open does not tell it again.
  EXPECT_TRUE(partial.Partial());
  EXPECT_TRUE(partial.PartialTold());

  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active").Point(16, 1, 1, 1);
  w.Str(0, "ENDTAB").EndSection();
  w.Section("BLOCKS").Block("B0").Line("0", 0, 0, 1, 0).EndBlock();
  for (int level = 1; level <= 24; ++level) {
    w.Block("B" + std::to_string(level));
    w.Insert("B" + std::to_string(level - 1), "0", 0, 0).Insert("B" + std::to_string(level - 1), "0", 1, 0);
    w.EndBlock();
  }
  w.EndSection().Section("ENTITIES").Insert("B24", "0", 0, 0).EndSection().Eof();
  RecordingQuestions bomb;
  DocumentResult refused = Load(w.Bytes(), &bomb);
  EXPECT_FALSE(refused.Ok());
  EXPECT_TRUE(bomb.order.empty());
}

TEST(DxfAssembly, AttributeDefinitionsOfTheSheetEnterTheDocumentOncePerTag) {
  DxfWriter w;
  w.Section("BLOCKS").Block("TAG").Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "x");
  w.Str(2, "INNER").Str(3, "Inside?").EndBlock().EndSection();
  w.Section("ENTITIES");
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "Plan").Str(2, "Title").Str(3, "");
  w.Int(70, 1);
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 5).Real(40, 1).Str(1, "Other").Str(2, "TITLE").Str(3, "What?");
  w.Str(0, "ATTDEF").Str(8, "0").Point(10, 0, 9).Real(40, 1).Str(1, "1:50").Str(2, "Scale").Str(3, "Which scale?");
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes(), nullptr);
  ASSERT_TRUE(result.Ok());
  const AttributeList& list = result.Document()->attributes;
  ASSERT_EQ(list.Count(), 2u);
  EXPECT_EQ(list.Get(0)->name.ToUtf8(), "Title");
  EXPECT_EQ(list.Get(0)->value.ToUtf8(), "Plan");
  EXPECT_EQ(list.Get(0)->third.ToUtf8(), "Title");  // no prompt: the tag
  EXPECT_EQ(list.Get(0)->flag, 0);                  // flag bit 0 set
  EXPECT_EQ(list.Get(1)->name.ToUtf8(), "Scale");
  EXPECT_EQ(list.Get(1)->third.ToUtf8(), "Which scale?");
  EXPECT_EQ(list.Get(1)->flag, 1);
}

TEST(DxfAssembly, HeaderPrecisionsOfDecimalUnits) {
  auto load = [](int lunits, int luprec, int aunits, int auprec) {
    DxfWriter w;
    w.Section("HEADER").Str(9, "$LUNITS").Int(70, lunits).Str(9, "$LUPREC").Int(70, luprec);
    w.Str(9, "$AUNITS").Int(70, aunits).Str(9, "$AUPREC").Int(70, auprec).EndSection();
    w.Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof();
    DocumentResult result = Load(w.Bytes(), nullptr);
    EXPECT_TRUE(result.Ok());
    const cDrawing& d = result.Document()->GetSheet(0)->Drawing();
    return std::vector<std::uint32_t>{d.v3088Ints[0], d.v3088Ints[1]};
  };
  EXPECT_EQ(load(2, 10, 0, 2), (std::vector<std::uint32_t>{12, 2}));
  EXPECT_EQ(load(2, 3, 0, 9), (std::vector<std::uint32_t>{3, 12}));
  // Not decimal: the drawing's defaults stay.
  EXPECT_EQ(load(4, 3, 1, 5), (std::vector<std::uint32_t>{12, 2}));
}

TEST(DxfAssembly, TheViewsOpenOnTheActiveViewportWhenItHoldsAnObjectWhole) {
  auto load = [](double insideX) {
    DxfWriter w;
    w.Section("TABLES").Str(0, "TABLE").Str(2, "VPORT").Str(0, "VPORT").Str(2, "*Active");
    w.Point(12, 50, 50).Point(16, 0, 0, 1).Real(40, 20).Real(41, 1.5).Str(0, "ENDTAB").EndSection();
    w.Section("ENTITIES").Line("0", insideX, 45, insideX + 5, 55).Line("0", 0, 0, 1000, 1000).EndSection().Eof();
    DocumentResult result = Load(w.Bytes(), nullptr);
    EXPECT_TRUE(result.Ok());
    return result.Document()->GetSheet(0)->Drawing().rememberedView.rect;
  };
  // 30 wide (20 x 1.5), 20 high about (50, 50), y down.
  const DRect view = load(45);
  EXPECT_DOUBLE_EQ(view.x1, 35);
  EXPECT_DOUBLE_EQ(view.x2, 65);
  EXPECT_DOUBLE_EQ(view.y1, -60);
  EXPECT_DOUBLE_EQ(view.y2, -40);
  // Nothing wholly inside: the whole drawing as before.
  const DRect none = load(62);
  EXPECT_EQ(none.x2 - none.x1, 0.0);
}

// An insert's share of the drawing area is its children on visible levels,
// whatever its own level: a block with a line at the origin and one 2,000
// units up, each row putting the insert and its lines on layers shown or
// hidden (frozen, off). The scale fits the area on an A3 sheet: the far
// line makes it 7 (2,010 / 297 rounded up), the near one alone 1.
TEST(DxfAssembly, AnInsertJoinsTheDrawingAreaByItsChildrenOnVisibleLevels) {
  struct Row {
    const char* insertLayer;
    const char* nearLayer;
    const char* farLayer;
    bool nested;  // the lines one block further down
    double scale;
  };
  const Row rows[] = {
      {"ON", "ON", "FROZEN", false, 1}, {"ON", "ON", "OFF", false, 1},   {"ON", "ON", "ON", false, 7},
      {"FROZEN", "ON", "ON", false, 7}, {"ON", "ON", "FROZEN", true, 1}, {"FROZEN", "0", "ON", true, 1},
      {"ON", "0", "ON", true, 7},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.insertLayer) + " " + row.nearLayer + " " + row.farLayer +
                 (row.nested ? " nested" : ""));
    DxfWriter w;
    w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("ON", 7).Layer("FROZEN", 7, 1);
    w.Layer("OFF", -7).Str(0, "ENDTAB").EndSection();
    w.Section("BLOCKS").Block("LINES").Line(row.nearLayer, 0, 0, 10, 10).Line(row.farLayer, 0, 2000, 10, 2010);
    w.EndBlock().Block("OUTER").Insert("LINES", "0", 0, 0).EndBlock().EndSection();
    w.Section("ENTITIES").Insert(row.nested ? "OUTER" : "LINES", row.insertLayer, 0, 0).EndSection().Eof();
    DocumentResult result = Load(w.Bytes(), nullptr);
    ASSERT_TRUE(result.Ok());
    EXPECT_EQ(result.Document()->GetSheet(0)->Data()->GetScale(), row.scale);
  }
}

TEST(DxfAssembly, InsertsOfOneBlockAtOneTurnAndScaleShareItsGeneratedBlock) {
  DxfWriter w;
  // Lines by block: their colour is the insert's.
  w.Section("BLOCKS").Block("B").Line("0", 0, 0, 1, 0, 0).Line("0", 0, 0, 0, 1, 0).EndBlock();
  w.Block("TWIN").Line("0", 0, 0, 1, 0, 0).Line("0", 0, 0, 0, 1, 0).EndBlock().EndSection();
  w.Section("ENTITIES");
  w.Insert("B", "0", 10, 0).Insert("B", "0", 20, 5).Insert("B", "0", 30, 7);
  w.Str(0, "INSERT").Str(8, "0").Str(2, "B").Point(10, 40, 0).Real(41, 2).Real(42, 2);  // larger
  w.Insert("B", "0", 50, 0, 1);                                                           // red
  w.Insert("TWIN", "0", 60, 0);  // another block of the same content
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes(), nullptr);
  ASSERT_TRUE(result.Ok());
  auto top = TopObjects(*result.Document());
  ASSERT_EQ(top.size(), 6u);
  std::vector<std::uint32_t> blocks;
  for (cOutObj* o : top) blocks.push_back(o->AsInsert()->blockIndex);
  EXPECT_EQ(blocks[1], blocks[0]);
  EXPECT_EQ(blocks[2], blocks[0]);
  EXPECT_NE(blocks[3], blocks[0]);
  EXPECT_NE(blocks[4], blocks[0]);
  // The twin's generated block is merged onto the first (and stays in the
  // table, emptied); the three alike made one block between them.
  EXPECT_EQ(blocks[5], blocks[0]);
  EXPECT_EQ(result.Document()->GetSheet(0)->Data()->BlockCount(), 4u);
  // The shared block draws at each insert's place.
  DRect extent;
  top[2]->GetExtentUpdated(result.Document()->GetSheet(0)->Data(), extent);
  extent.Normalize();
  EXPECT_DOUBLE_EQ(extent.x1, 30);
  EXPECT_DOUBLE_EQ(extent.x2, 31);
}

// Ten thousand inserts of one block, each at its own turn, and their
// repeats: one made at the same turn a hair apart (less than the epsilon:
// the grid cells of the search must not split them), and one of a twin
// block of the same content at the same place (merged onto the first, in
// the first pass or, where a block of the same checksum came between them,
// emptied in the second).
TEST(DxfAssembly, TenThousandTurnedInsertsShareAndMergeTheirBlocksOnePerTurn) {
  constexpr int kTurns = 10'000;
  DxfWriter w;
  w.Section("BLOCKS").Block("B").Line("0", 0, 0, 1, 0, 0).EndBlock();
  w.Block("TWIN").Line("0", 0, 0, 1, 0, 0).EndBlock().EndSection();
  w.Section("ENTITIES");
  auto turned = [&w](const char* block, double x, double y, double angle) {
    w.Str(0, "INSERT").Str(8, "0").Str(2, block).Point(10, x, y).Real(50, angle);
  };
  for (int i = 0; i < kTurns; ++i) turned("B", i, 0, i * 0.036);
  for (int i = 0; i < kTurns; ++i) turned("B", i, 5, i * 0.036 + 1e-6);
  for (int i = 0; i < kTurns; ++i) turned("TWIN", i, 0, i * 0.036);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes(), nullptr);
  ASSERT_TRUE(result.Ok());
  const auto top = TopObjects(*result.Document());
  ASSERT_EQ(top.size(), std::size_t(3 * kTurns));
  cDrawingData* data = result.Document()->GetSheet(0)->Data();
  // A block per turn for B and for the twin; no insert places a twin's.
  EXPECT_EQ(data->BlockCount(), std::uint32_t(2 * kTurns));
  std::vector<std::uint32_t> blockOfTurn;
  for (int i = 0; i < kTurns; ++i) blockOfTurn.push_back(top[std::size_t(i)]->AsInsert()->blockIndex);
  std::vector<std::uint32_t> distinct = blockOfTurn;
  std::sort(distinct.begin(), distinct.end());
  EXPECT_EQ(std::unique(distinct.begin(), distinct.end()) - distinct.begin(), kTurns);
  for (int copy = 1; copy < 3; ++copy) {
    for (int i = 0; i < kTurns; ++i) {
      ASSERT_EQ(top[std::size_t(copy * kTurns + i)]->AsInsert()->blockIndex, blockOfTurn[std::size_t(i)])
          << "copy " << copy << " turn " << i;
    }
  }
}

// Every text of the top block and of the generated blocks has its glyphs
// loaded when the drawing opens, those after a dropped object too.
TEST(DxfAssembly, TheGlyphsOfEveryTextAreLoadedWhenTheDrawingOpens) {
  DxfWriter w;
  w.Section("BLOCKS").Block("B").Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1).Str(1, "inside");
  w.EndBlock().EndSection();
  w.Section("ENTITIES");
  w.Str(0, "TEXT").Str(8, "A").Point(10, 0, 0).Real(40, 2).Str(1, "Alpha");
  w.Line("A", 0, 0, 1e30, 0);  // beyond 1e20: dropped
  w.Str(0, "TEXT").Str(8, "A").Point(10, 5, 5).Real(40, 2).Str(1, "wxyz 19%%d");
  w.Insert("B", "A", 20, 0);
  w.EndSection().Eof();
  DocumentResult result = Load(w.Bytes(), nullptr);
  ASSERT_TRUE(result.Ok());
  cDrawingData* data = result.Document()->GetSheet(0)->Data();
  std::vector<cText*> texts;
  for (cOutObj* o : TopObjects(*result.Document())) {
    if (cText* text = o->AsText()) texts.push_back(text);
  }
  for (std::uint32_t b = 0; b < data->BlockCount(); ++b) {
    for (cOutObj* o = data->GetBlock(b)->FirstObject(); o; o = o->next) {
      if (cText* text = o->AsText()) texts.push_back(text);
    }
  }
  ASSERT_EQ(texts.size(), 3u);
  for (cText* text : texts) {
    const std::uint16_t index = text->GetFontIndex(data);
    ASSERT_LT(index, data->FontStyles().Count());
    TrueTypeFaceSet* set = data->FontStyles().Get(index)->FaceSet();
    if (!set || !set->IsAvailable()) GTEST_SKIP() << "no outline font for the texts";
    const int style = (text->IsBold(data) ? 1 : 0) + (text->IsItalic(data) ? 2 : 0);
    const TrueTypeFace* face = set->GetFace(style);
    ASSERT_NE(face, nullptr);
    const WString& shown = text->GetDisplayText(data);
    ASSERT_GT(shown.Length(), 0);
    for (int i = 0; i < shown.Length(); ++i) EXPECT_NE(FindGlyph(shown[i], face->glyphs), nullptr) << int(shown[i]);
  }
}

// ---- external references ----

std::string ReferencingDrawing(const std::string& path) {
  DxfWriter w;
  w.Section("BLOCKS").Str(0, "BLOCK").Str(8, "0").Str(2, "XREF").Int(70, 4).Point(10, 0, 0).Str(1, path);
  w.EndBlock().EndSection();
  w.Section("ENTITIES").Line("0", 0, 0, 10, 10).Insert("XREF", "0", 100, 0).EndSection().Eof();
  return w.Bytes();
}

void Save(const fs::path& path, const std::string& bytes) {
  ASSERT_TRUE(test::SaveBytes(path.string(), std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
}

std::unique_ptr<cDrawingDoc> Open(const fs::path& path, LoadQuestions* questions) {
  InstallReaders();
  OpenRequest request;
  request.questions = questions;
  request.quiet = questions == nullptr;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
}

const cSection* ReferenceView(const cDrawingDoc& document) {
  for (cOutObj* o : TopObjects(document))
    if (const cSection* view = o->AsSection(); view && view->referenceView) return view;
  return nullptr;
}

TEST(DxfAssembly, AnExternalReferenceBecomesASheetShownThroughItsView) {
  test::ScratchDir dir;
  DxfWriter leaf;
  leaf.Section("ENTITIES").Line("0", 0, 0, 5, 5).Line("0", 5, 5, 9, 0).EndSection().Eof();
  Save(dir / "leaf.dxf", leaf.Bytes());
  Save(dir / "host.dxf", ReferencingDrawing("leaf.dxf"));
  RecordingQuestions ok;
  auto doc = Open(dir / "host.dxf", &ok);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->SheetCount(), 2u);
  EXPECT_EQ(ok.asked, (std::vector<int>{18404}));
  EXPECT_EQ(doc->GetSheet(1)->isReference, 1);
  EXPECT_EQ(TopObjects(*doc, 1).size(), 2u);
  const cSection* view = ReferenceView(*doc);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->sheetIndex, 1);
  EXPECT_DOUBLE_EQ(view->insertPoint.x, 100);

  // Refused: the drawing alone, without the view.
  RecordingQuestions refuse;
  refuse.answer = kIdCancel;
  doc = Open(dir / "host.dxf", &refuse);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->SheetCount(), 1u);
  EXPECT_EQ(ReferenceView(*doc), nullptr);
  EXPECT_EQ(TopObjects(*doc).size(), 1u);

  // Nobody to ask: loaded.
  doc = Open(dir / "host.dxf", nullptr);
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(doc->SheetCount(), 2u);
}

TEST(DxfAssembly, AReferenceThatCannotBeLoadedIsLeftOutAndTheDrawingOpens) {
  test::ScratchDir dir;
  Save(dir / "host.dxf", ReferencingDrawing("missing.dxf"));
  ByteArray bytes;
  const std::string text = ReferencingDrawing((dir / "missing.dxf").string());
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InstallReaders();
  InFileStream in = InFileStream::FromMemory(bytes);
  FormatReadContext context;
  context.quiet = true;
  context.questions = &NoQuestions();
  DocumentResult result = LoadDxfStream(in, WString::FromUtf8((dir / "host.dxf").string()), nullptr, nullptr, &context);
  ASSERT_TRUE(result.Ok());
  EXPECT_EQ(result.Document()->SheetCount(), 1u);
  EXPECT_EQ(ReferenceView(*result.Document()), nullptr);
  bool told = false;
  for (const WString& warning : result.Warnings()) told = told || warning.ToUtf8().find("missing.dxf") != std::string::npos;
  EXPECT_TRUE(told);
}

TEST(DxfAssembly, ReferencesToPipesAndDevicesAreNotOpened) {
  // Opening a pipe waits for a writer that never comes; /dev/zero never
  // ends. Neither is a drawing.
  test::ScratchDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe.dxf").string().c_str(), 0600), 0);
  for (const char* path : {"pipe.dxf", "/dev/zero"}) {
    Save(dir / "host.dxf", ReferencingDrawing(path));
    auto doc = Open(dir / "host.dxf", nullptr);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->SheetCount(), 1u) << path;
    EXPECT_EQ(ReferenceView(*doc), nullptr) << path;
  }
}

TEST(DxfAssembly, AReferenceInsideAReferenceIsRefusedOnceWithTheChain) {
  test::ScratchDir dir;
  DxfWriter inner;
  inner.Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof();
  Save(dir / "inner.dxf", inner.Bytes());
  Save(dir / "middle.dxf", ReferencingDrawing("inner.dxf"));
  Save(dir / "host.dxf", ReferencingDrawing("middle.dxf"));
  RecordingQuestions ok;
  auto doc = Open(dir / "host.dxf", &ok);
  ASSERT_NE(doc, nullptr);
  // The host and the middle drawing (its own line; its reference left out).
  ASSERT_EQ(doc->SheetCount(), 2u);
  EXPECT_EQ(TopObjects(*doc, 1).size(), 1u);
  EXPECT_EQ(ok.asked, (std::vector<int>{18404, 18402}));
}

// The boxes a load shows, as the user sees them: caption, buttons, text.
class RecordedBoxes final : public MessageBoxBackend {
 public:
  RecordedBoxes() : previous_(SetMessageBoxBackend(this)) {}
  ~RecordedBoxes() override { SetMessageBoxBackend(previous_); }
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;
  int Show(const cMsgDlg*, const WString& text, const WString& caption, std::uint32_t style) override {
    texts.push_back(text.ToUtf8());
    captions.push_back(caption.ToUtf8());
    styles.push_back(style);
    return kIdOk;
  }
  std::vector<std::string> texts;
  std::vector<std::string> captions;
  std::vector<std::uint32_t> styles;

 private:
  MessageBoxBackend* previous_;
};

class BoxOwner final : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }
};

// The references question names the formats in its caption; the refusal of
// a reference inside a reference is an error box with the default caption.
TEST(DxfAssembly, TheReferencesQuestionIsCaptionedWithTheFormatsItReads) {
  test::ScratchDir dir;
  DxfWriter inner;
  inner.Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof();
  Save(dir / "inner.dxf", inner.Bytes());
  Save(dir / "middle.dxf", ReferencingDrawing("inner.dxf"));
  Save(dir / "host.dxf", ReferencingDrawing("middle.dxf"));
  RecordedBoxes boxes;
  BoxOwner owner;
  MessageBoxQuestions questions(owner);
  auto doc = Open(dir / "host.dxf", &questions);
  ASSERT_NE(doc, nullptr);
  ASSERT_EQ(doc->SheetCount(), 2u);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_EQ(boxes.texts[0], LoadLangString(18404).ToUtf8());
  EXPECT_EQ(boxes.captions[0], "DWG/DXF");
  EXPECT_EQ(boxes.styles[0] & (kMbTypeMask | kMbIconMask), kMbOkCancel | kMbIconQuestion);
  EXPECT_EQ(boxes.texts[1].rfind(LoadLangString(18402).ToUtf8(), 0), 0u);
  EXPECT_EQ(boxes.captions[1], LoadLangString(kStrDefaultCaption).ToUtf8());
  EXPECT_EQ(boxes.styles[1] & (kMbTypeMask | kMbIconMask), kMbOk | kMbIconError);
}

}  // namespace
}  // namespace kvn
