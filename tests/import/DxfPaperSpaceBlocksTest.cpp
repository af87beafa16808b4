// Nothing read is lost on the way to the sheets: a file that holds its
// layouts only as *Paper_Space blocks (no layout objects) opens on the
// paper sheet built from them, each further such block a sheet of its own;
// a file whose objects reach no sheet at all says so once, and counts them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "model/cBlock.h"
#include "model/cText.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/PaperSpaceDxf.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Opened {
  DocumentResult result{nullptr};
  DwgLoadReport report;
};

Opened Open(const std::string& text) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  Opened opened;
  opened.result = LoadDxfStream(in, WString(u"blocks.dxf"), nullptr, &opened.report);
  return opened;
}

std::vector<std::string> Texts(const cSheet& sheet) {
  std::vector<std::string> texts;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    if (cText* t = o->AsText()) texts.push_back(t->GetText().ToUtf8());
  }
  return texts;
}

std::size_t ObjectCount(const cSheet& sheet) {
  std::size_t n = 0;
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) ++n;
  return n;
}

TEST(DxfPaperSpaceBlocks, ABlocksOnlyFileOpensOnItsPaperSheets) {
  Opened opened = Open(test::PaperSpaceBlockOnlyDxf());
  ASSERT_TRUE(opened.result.Ok());
  const cDrawingDoc& document = *opened.result.Document();
  ASSERT_EQ(document.SheetCount(), 3u);
  EXPECT_EQ(document.GetSheet(0)->Drawing().name.ToUtf8(), "Model");
  EXPECT_EQ(ObjectCount(*document.GetSheet(0)), 0u);
  // The paper: the insert, the text, the line and the viewport onto the
  // model (the paper's own viewport is none).
  const cSheet& paper = *document.GetSheet(1);
  EXPECT_EQ(paper.Drawing().name.ToUtf8(), "Paper");
  EXPECT_EQ(ObjectCount(paper), 4u);
  EXPECT_EQ(Texts(paper), std::vector<std::string>{"PAPER IN ITS BLOCK"});
  const cSheet& second = *document.GetSheet(2);
  EXPECT_EQ(second.Drawing().name.ToUtf8(), "*Paper_Space28");
  EXPECT_EQ(Texts(second), std::vector<std::string>{"SECOND LAYOUT"});
  EXPECT_EQ(ObjectCount(second), 2u);
  // It opens where the drawing is, and nothing was lost.
  EXPECT_EQ(document.currentEntry, 1);
  EXPECT_TRUE(opened.result.Warnings().empty());
  EXPECT_TRUE(opened.report.skipped.empty());
}

// Where the default block holds paper-space records, they are the paper as
// before; the *Paper_Space block is not drawn a second time.
TEST(DxfPaperSpaceBlocks, PaperRecordsOfTheDefaultBlockKeepThePaper) {
  DxfWriter w;
  w.Section("BLOCKS").Block("*Paper_Space").Line("0", 0, 0, 10, 10).EndBlock().EndSection();
  w.Section("ENTITIES").Line("0", 0, 0, 5, 5);
  w.Str(0, "TEXT").Str(8, "0").Int(67, 1).Point(10, 0, 0).Real(40, 2).Str(1, "FLAGGED");
  w.EndSection().Eof();
  Opened opened = Open(w.Bytes());
  ASSERT_TRUE(opened.result.Ok());
  const cDrawingDoc& document = *opened.result.Document();
  ASSERT_EQ(document.SheetCount(), 2u);
  EXPECT_EQ(Texts(*document.GetSheet(1)), std::vector<std::string>{"FLAGGED"});
  EXPECT_EQ(ObjectCount(*document.GetSheet(1)), 1u);
}

// Read objects that reach no sheet are told once, with their number, and
// counted by type; a drawing with anything on a sheet says nothing of it.
TEST(DxfPaperSpaceBlocks, ObjectsOnNoSheetAreTold) {
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  struct Case {
    const char* what;
    std::string file;
    std::uint64_t told;  // 0: no warning
    std::map<std::string, std::uint64_t> onNoSheet;
  };
  DxfWriter library;
  library.Section("BLOCKS").Block("BOLT").Line("0", 0, 0, 1, 0).Line("0", 1, 0, 1, 1);
  library.Str(0, "CIRCLE").Str(8, "0").Point(10, 0, 0).Real(40, 1).EndBlock().EndSection();
  library.Section("ENTITIES").Str(0, "XLINE").Str(8, "0").Point(10, 0, 0).Point(11, 1, 0).EndSection().Eof();
  DxfWriter placed;
  placed.Section("BLOCKS").Block("BOLT").Line("0", 0, 0, 1, 0).EndBlock().EndSection();
  placed.Section("ENTITIES").Line("0", 0, 0, 9, 9).EndSection().Eof();
  DxfWriter empty;
  empty.Section("ENTITIES").EndSection().Eof();
  const Case cases[] = {
      // Two lines and a circle in a block no sheet places, and an XLINE
      // (not drawn, already counted as skipped).
      {"block library", library.Bytes(), 4, {{"LINE", 2}, {"CIRCLE", 1}}},
      {"a line on the model", placed.Bytes(), 0, {}},
      {"nothing read", empty.Bytes(), 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Opened opened = Open(c.file);
    ASSERT_TRUE(opened.result.Ok());
    std::vector<std::string> told;
    for (const WString& w : opened.result.Warnings()) told.push_back(w.ToUtf8());
    if (c.told == 0) {
      EXPECT_TRUE(told.empty()) << told.front();
    } else {
      ASSERT_EQ(told.size(), 1u);
      EXPECT_EQ(told[0], "The drawing shows nothing: " + std::to_string(c.told) +
                             " objects were read, but none of them lies on a sheet.");
    }
    std::map<std::string, std::uint64_t> onNoSheet;
    for (const auto& [name, reasons] : opened.report.skippedReasons) {
      const auto it = reasons.find("on no sheet");
      if (it != reasons.end()) onNoSheet[name] = it->second;
    }
    EXPECT_EQ(onNoSheet, c.onNoSheet);
    for (const auto& [name, count] : c.onNoSheet) EXPECT_EQ(opened.report.skipped[name], count) << name;
  }
}

}  // namespace
}  // namespace kvn
