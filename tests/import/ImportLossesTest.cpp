// What an import loses without refusing the drawing is counted in the
// report (kvn-dump's skippedReasons) and told once per kind in the open's
// warnings: objects whose extent is not finite or reaches beyond 1e20,
// numbers the file writes so that they cannot be read, and inserts whose
// block expands past what one insert shows.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportStatistics.h"
#include "model/InsertExpansion.h"
#include "model/cBlock.h"
#include "model/cLine.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

struct Loaded {
  DocumentResult result{nullptr};
  DwgLoadReport report;
};

Loaded Load(const std::string& bytes) {
  ByteArray data;
  data.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  Loaded loaded;
  loaded.result = LoadDxfStream(in, WString(u"losses.dxf"), nullptr, &loaded.report);
  return loaded;
}

std::uint64_t TopCount(const cDrawingDoc& document) {
  std::uint64_t n = 0;
  for (cOutObj* o = document.GetSheet(0)->TopBlock().FirstObject(); o; o = o->next) ++n;
  return n;
}

// A drawing of one ENTITIES section, its entities written by `body`.
std::string Entities(DxfWriter::Form form, const std::function<void(DxfWriter&)>& body,
                     const std::function<void(DxfWriter&)>& blocks = nullptr) {
  DxfWriter w(form);
  if (blocks) {
    w.Section("BLOCKS");
    blocks(w);
    w.EndSection();
  }
  w.Section("ENTITIES");
  body(w);
  w.Line("0", 0, 0, 10, 10);  // one object that is kept
  w.EndSection().Eof();
  return w.Bytes();
}

// Blocks for one INSERT of GRID: GRID holds a 10 x `rows` array of LEAF,
// a block of `lines` lines.
std::function<void(DxfWriter&)> Grid(int rows, int lines) {
  return [rows, lines](DxfWriter& w) {
    w.Block("LEAF");
    for (int i = 0; i < lines; ++i) w.Line("0", i, 0, i, 1);
    w.EndBlock();
    w.Block("GRID");
    w.Str(0, "INSERT").Str(8, "0").Str(2, "LEAF").Point(10, 0, 0);
    w.Int(70, 10).Int(71, rows).Real(44, lines + 1.0).Real(45, 2.0);
    w.EndBlock();
  };
}

void InsertGrid(DxfWriter& w) { w.Str(0, "INSERT").Str(8, "0").Str(2, "GRID").Point(10, 0, 0); }

struct LossCase {
  const char* what;
  std::string file;
  const char* type;    // the record type the loss is counted under
  const char* reason;  // its reason in skippedReasons
  std::uint64_t count;
  int warning;         // the language-table text that tells it
  std::uint64_t kept;     // top objects the drawing keeps
  std::uint64_t skipped;  // objects of the type counted as skipped
};

std::vector<LossCase> Cases() {
  const auto text = DxfWriter::Form::Text;
  std::vector<LossCase> cases;
  cases.push_back({"two lines to 1e300",
                   Entities(text,
                            [](DxfWriter& w) {
                              w.Line("0", 0, 0, 1e300, 1e300);
                              w.Line("0", -1e300, 0, 0, 0);
                            }),
                   "LINE", "extent beyond 1e20", 2, kStrLostBeyondRange, 1, 2});
  cases.push_back({"text of height 1e300",
                   Entities(text,
                            [](DxfWriter& w) {
                              w.Str(0, "TEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1e300).Str(1, "Hello");
                            }),
                   "TEXT", "extent beyond 1e20", 1, kStrLostBeyondRange, 1, 1});
  cases.push_back({"mtext of height 1e300",
                   Entities(text,
                            [](DxfWriter& w) {
                              w.Str(0, "MTEXT").Str(8, "0").Point(10, 0, 0).Real(40, 1e300).Str(1, "Hello");
                            }),
                   "MTEXT", "extent beyond 1e20", 1, kStrLostBeyondRange, 1, 1});
  // Five inserts deep at 1e100 each: the line in the last block lies at 1e500.
  auto nested = [](DxfWriter& w) {
    for (int i = 0; i < 5; ++i) {
      w.Block("B" + std::to_string(i));
      if (i < 4) {
        w.Str(0, "INSERT").Str(8, "0").Str(2, "B" + std::to_string(i + 1)).Point(10, 0, 0);
        w.Real(41, 1e100).Real(42, 1e100);
      } else {
        w.Line("0", 0, 0, 1, 1);
      }
      w.EndBlock();
    }
  };
  cases.push_back({"five nested inserts at 1e100",
                   Entities(
                       text,
                       [](DxfWriter& w) {
                         w.Str(0, "INSERT").Str(8, "0").Str(2, "B0").Point(10, 0, 0).Real(41, 1e100).Real(42, 1e100);
                       },
                       nested),
                   "INSERT", "extent not finite", 1, kStrLostNotFinite, 1, 1});
  // The line is kept, its unreadable coordinates read as 0.
  cases.push_back({"unreadable numbers of a line",
                   Entities(text,
                            [](DxfWriter& w) {
                              w.Str(0, "LINE").Str(8, "0").Str(10, "abc").Str(20, "12abc").Str(30, "");
                              w.Str(11, "nan").Str(21, "5").Str(62, "x7");
                            }),
                   "LINE", "unreadable number", 5, kStrUnreadableNumbers, 2, 0});
  cases.push_back({"unreadable header value",
                   [] {
                     DxfWriter w;
                     w.Section("HEADER").Str(9, "$LTSCALE").Str(40, "1,5").EndSection();
                     w.Section("ENTITIES").Line("0", 0, 0, 1, 1).EndSection().Eof();
                     return w.Bytes();
                   }(),
                   "HEADER", "unreadable number", 1, kStrUnreadableNumbers, 1, 0});
  // A binary real that is no number: counted, and the line it places is
  // left out as not finite (the one skipped LINE).
  cases.push_back({"binary NaN coordinate",
                   Entities(DxfWriter::Form::Binary,
                            [](DxfWriter& w) {
                              w.Str(0, "LINE").Str(8, "0").Point(10, 0, 0);
                              w.Real(11, std::numeric_limits<double>::quiet_NaN()).Real(21, 1).Real(31, 0);
                            }),
                   "LINE", "unreadable number", 1, kStrUnreadableNumbers, 1, 1});
  // 100 cells of 4,100 lines: 410,000 children, past the count of
  // 400,000 the test gives an expansion (at its own size it holds only
  // what no forecast weighed); the insert is kept and shows in part.
  cases.push_back({"an insert past the expansion cap", Entities(text, InsertGrid, Grid(10, 4100)), "INSERT",
                   "expansion past the cap", 1, kStrExpansionsCut, 2, 0});
  return cases;
}

// Each case is read on the loop's own thread and read ahead on another: the
// reading thread's batches carry what the group reader found unreadable.
TEST(ImportLossesTest, EachLossIsCountedInTheReportAndToldOnce) {
  const expansion_testing::ScopedCuts cuts(400'000, 1'600'000);
  struct Restore {
    ~Restore() { dxf_testing::SetReadAhead(dxf_testing::ReadAhead::Auto); }
  } restore;
  for (const auto mode : {dxf_testing::ReadAhead::Never, dxf_testing::ReadAhead::Always}) {
    SCOPED_TRACE(mode == dxf_testing::ReadAhead::Never ? "read in the loop" : "read ahead");
    dxf_testing::SetReadAhead(mode);
    for (const LossCase& c : Cases()) {
      SCOPED_TRACE(c.what);
      Loaded loaded = Load(c.file);
      ASSERT_TRUE(loaded.result.Ok());
      EXPECT_EQ(TopCount(*loaded.result.Document()), c.kept);
      EXPECT_EQ(loaded.report.skippedReasons[c.type][c.reason], c.count);
      EXPECT_EQ(loaded.report.skipped[c.type], c.skipped);
      const WString told = FormatPercentS(LoadLangString(c.warning), WString::FromUtf8(std::to_string(c.count)));
      int times = 0;
      for (const WString& warning : loaded.result.Warnings()) times += warning == told ? 1 : 0;
      EXPECT_EQ(times, 1) << told.ToUtf8();
    }
  }
}

// The count of objects read onto no sheet agrees with its noun in each
// language: Czech and Slovak have a form for 1, one for 2 to 4 and one for
// the rest.
TEST(ImportLossesTest, ObjectsOnNoSheetAreToldWithTheNounOfTheirCount) {
  struct Case {
    int language;
    std::uint64_t count;
    const char* told;
  };
  const Case cases[] = {
      {kLanguageEnglish, 1, "The drawing shows nothing: 1 object was read, but it does not lie on a sheet."},
      {kLanguageEnglish, 3, "The drawing shows nothing: 3 objects were read, but none of them lies on a sheet."},
      {kLanguageEnglish, 5, "The drawing shows nothing: 5 objects were read, but none of them lies on a sheet."},
      {kLanguageCzech, 1, "Výkres nic nezobrazuje: načten byl 1 objekt, ale neleží na listu."},
      {kLanguageCzech, 2, "Výkres nic nezobrazuje: načteny byly 2 objekty, ale žádný z nich neleží na listu."},
      {kLanguageCzech, 4, "Výkres nic nezobrazuje: načteny byly 4 objekty, ale žádný z nich neleží na listu."},
      {kLanguageCzech, 5, "Výkres nic nezobrazuje: načteno bylo 5 objektů, ale žádný z nich neleží na listu."},
      {kLanguageCzech, 22, "Výkres nic nezobrazuje: načteno bylo 22 objektů, ale žádný z nich neleží na listu."},
      {kLanguageSlovak, 1, "Výkres nič nezobrazuje: načítaný bol 1 objekt, ale neleží na liste."},
      {kLanguageSlovak, 3, "Výkres nič nezobrazuje: načítané boli 3 objekty, ale žiadny z nich neleží na liste."},
      {kLanguageSlovak, 11, "Výkres nič nezobrazuje: načítaných bolo 11 objektov, ale žiadny z nich neleží na liste."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.language) + " " + std::to_string(c.count));
    SetLanguageIndex(c.language);
    InvalidateLangTable();
    ImportStatistics statistics;
    for (std::uint64_t i = 0; i < c.count; ++i) statistics.CountHanded(ImportSpace::Block, "LINE");
    EXPECT_EQ(CountReadOnNoSheet(statistics).ToUtf8(), c.told);
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

TEST(ImportLossesTest, UnreadableCoordinatesStillReadAsZero) {
  Loaded loaded = Load(Entities(DxfWriter::Form::Text, [](DxfWriter& w) {
    w.Str(0, "LINE").Str(8, "0").Str(10, "abc").Str(20, "12abc").Str(11, "nan").Str(21, "5");
  }));
  ASSERT_TRUE(loaded.result.Ok());
  auto* line = dynamic_cast<cLine*>(loaded.result.Document()->GetSheet(0)->TopBlock().FirstObject());
  ASSERT_NE(line, nullptr);
  EXPECT_EQ(line->start.x, 0.0);
  EXPECT_EQ(line->start.y, 0.0);
  EXPECT_EQ(line->end.x, 0.0);
  EXPECT_EQ(line->end.y, -5.0);
}

// Numbers in the forms writers use, spaces and exponents included, are no
// loss: a clean file tells nothing.
TEST(ImportLossesTest, ReadableNumbersInAnyFormAreNoLoss) {
  Loaded loaded = Load(Entities(DxfWriter::Form::Text, [](DxfWriter& w) {
    w.Str(0, "LINE").Str(8, "0").Str(10, "  12.5  ").Str(20, "1e5").Str(30, "-0");
    w.Str(11, "+3").Str(21, ".5").Str(62, "  7").Str(70, "-12 ");
  }));
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_TRUE(loaded.report.skippedReasons.empty());
  EXPECT_TRUE(loaded.result.Warnings().empty());
}

// An insert of many objects, below what one insert shows, loses nothing.
TEST(ImportLossesTest, AnInsertBelowTheExpansionCapIsNoLoss) {
  Loaded loaded = Load(Entities(DxfWriter::Form::Text, InsertGrid, Grid(10, 400)));
  ASSERT_TRUE(loaded.result.Ok());
  EXPECT_EQ(TopCount(*loaded.result.Document()), 2u);
  EXPECT_TRUE(loaded.report.skippedReasons.empty());
  EXPECT_TRUE(loaded.result.Warnings().empty());
}

}  // namespace
}  // namespace kvn
