// The print dialog's choices without its window: the print-out they build
// on a fake printer list (page selection, current tile, empty selection,
// paper the printer lacks, colour correction), their registry form, and the
// scale and colour texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "foundation/LangTable.h"
#include "foundation/Registry.h"
#include "model/LevelTable.h"
#include "print/PrintOptions.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::AddA4Queue;
using test::TiledDrawing;

// Message boxes answered with a chosen button; their texts kept.
class AnsweringBoxes final : public MessageBoxBackend {
 public:
  explicit AnsweringBoxes(int answer) : answer_(answer), previous_(SetMessageBoxBackend(this)) {}
  ~AnsweringBoxes() override { SetMessageBoxBackend(previous_); }
  AnsweringBoxes(const AnsweringBoxes&) = delete;
  AnsweringBoxes& operator=(const AnsweringBoxes&) = delete;
  int Show(const cMsgDlg*, const WString& text, const WString&, std::uint32_t style) override {
    std::string utf8 = text.ToUtf8();
    std::erase(utf8, '\r');  // the string table's line breaks are CR LF
    texts.push_back(utf8);
    styles.push_back(style);
    return answer_;
  }
  std::vector<std::string> texts;
  std::vector<std::uint32_t> styles;

 private:
  int answer_;
  MessageBoxBackend* previous_;
};

class PrintOptionsTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  void SetUp() override {
    AddA4Queue(spooler);
    LoadPrinterList();
    options.printerIndex = 0;
  }
  std::unique_ptr<APXPrintOut> Build(TiledDrawing& tiled, bool check = false, BuildOutcome* outcome = nullptr) {
    PrintOutRequest request;
    request.drawing = &tiled.Drawing();
    request.currentPage = currentPage;
    request.viewRect = view;
    request.owner = &owner;
    request.openParameters = [this] { ++parametersOpened; };
    return BuildPrintOutFrom(options, request, check, outcome);
  }
  static std::vector<int> KeptPages(APXPrintOut& printOut) {
    std::vector<int> kept;
    for (int page = 1; page <= printOut.pageCount; ++page) {
      if (printOut.PageState(page) != 0) kept.push_back(page);
    }
    return kept;
  }

  test::EnglishTexts english;
  test::TestOwner owner;
  PrintDialogOptions options;
  std::uint16_t currentPage = 0;
  DRect view;
  int parametersOpened = 0;
};

TEST_F(PrintOptionsTest, CustomRangesWithToBelowFromPrintTheFromPageAndTile) {
  TiledDrawing tiled(100, 100, 2, 1, 3);  // 3 pages x 2 tiles
  options.what = kPrintCustom;
  options.pageFrom = 2;
  options.pageTo = 1;
  options.tileFrom = 2;
  options.tileTo = 1;
  auto printOut = Build(tiled);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(KeptPages(*printOut), std::vector<int>{4});
  EXPECT_EQ(printOut->firstPage, 4);
  EXPECT_EQ(printOut->lastPage, 4);
  // One print page of a paged drawing carries its page's name.
  EXPECT_TRUE(printOut->documentName.ToUtf8().ends_with(" - P")) << printOut->documentName.ToUtf8();

  options.pageFrom = 1;
  options.pageTo = 2;
  options.tileFrom = 1;
  options.tileTo = 2;
  printOut = Build(tiled);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(KeptPages(*printOut), (std::vector<int>{1, 2, 3, 4}));
  EXPECT_EQ(printOut->firstPage, 1);
  EXPECT_EQ(printOut->lastPage, 4);
  EXPECT_FALSE(printOut->documentName.ToUtf8().ends_with(" - P"));
}

TEST_F(PrintOptionsTest, CurrentPageOrTileKeepsTheTileUnderTheViewCentre) {
  TiledDrawing tiled(100, 100, 2, 2, 2);  // 2 pages x 4 tiles
  options.what = kPrintCurrent;
  currentPage = 1;
  view = DRect{120, 110, 180, 190};  // centre (150, 150): column 1, row 1
  auto printOut = Build(tiled);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(KeptPages(*printOut), std::vector<int>{1 * 4 + 1 * 2 + 1 + 1});

  // A centre outside the tiles gives the first tile of the page.
  view = DRect{900, 900, 1000, 1000};
  printOut = Build(tiled);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(KeptPages(*printOut), std::vector<int>{5});

  // Untiled: the current page alone.
  TiledDrawing pages(100, 100, 1, 1, 3);
  printOut = Build(pages);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(KeptPages(*printOut), std::vector<int>{2});
}

// Whichever tile of a 3 x 2 tiling the view is centred on, off the
// diagonal too, on either drawing page: the one print page kept shows that
// drawing page and holds the view's centre.
TEST_F(PrintOptionsTest, CurrentTileIsTheTileUnderTheViewCentreOnEveryTile) {
  TiledDrawing tiled(100, 100, 3, 2, 2);  // 2 pages x 6 tiles
  options.what = kPrintCurrent;
  for (std::uint16_t page = 0; page < 2; ++page) {
    for (int row = 0; row < 2; ++row) {
      for (int column = 0; column < 3; ++column) {
        SCOPED_TRACE(::testing::Message() << "page " << page << ", column " << column << ", row " << row);
        currentPage = page;
        const DPoint centre{100.0 * column + 40, 100.0 * row + 60};
        view = DRect{centre.x - 20, centre.y - 30, centre.x + 20, centre.y + 30};
        auto printOut = Build(tiled);
        ASSERT_TRUE(printOut);
        const std::vector<int> kept = KeptPages(*printOut);
        ASSERT_EQ(kept.size(), 1u);
        const PageTile tile = tiled.Drawing().GetPageTileRect(kept[0] - 1);
        EXPECT_EQ(tile.page, page);
        DRect r = tile.rect;
        r.Normalize();
        EXPECT_TRUE(centre.x > r.x1 && centre.x < r.x2 && centre.y > r.y1 && centre.y < r.y2)
            << "print page " << kept[0] << " shows " << r.x1 << ", " << r.y1 << " .. " << r.x2 << ", " << r.y2;
      }
    }
  }
}

TEST_F(PrintOptionsTest, KeepCurrentPageOrTileWithTheWholePage) {
  TiledDrawing tiled(100, 100, 2, 2, 2);
  PrintOutOptions o;
  o.printer = GetChosenPrinter().GetPrinter();
  APXPrintOut printOut(tiled.Drawing(), o);
  const DRect centre{10, 10, 20, 20};
  KeepCurrentPageOrTile(printOut, tiled.Drawing(), &centre, 1, true);
  EXPECT_EQ(KeptPages(printOut), (std::vector<int>{5, 6, 7, 8}));
}

TEST_F(PrintOptionsTest, EmptySelectionIsRefusedWith18246) {
  TiledDrawing tiled(100, 100, 1, 1, 2);
  for (std::uint32_t p = 0; p < 2; ++p) tiled.Drawing().GetPage(p)->kind = 1;  // not printable
  AnsweringBoxes boxes(kIdOk);
  BuildOutcome outcome = BuildOutcome::Built;
  EXPECT_FALSE(Build(tiled, false, &outcome));
  EXPECT_EQ(outcome, BuildOutcome::EmptySelection);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_EQ(boxes.texts[0], "The selected pages are empty, do not contain any drawing.");
  EXPECT_EQ(boxes.styles[0] & kMbIconMask, kMbIconError);
  EXPECT_EQ(parametersOpened, 0);

  // Check mode builds it all the same: the information lines need it.
  EXPECT_TRUE(Build(tiled, true));
}

TEST_F(PrintOptionsTest, PaperThePrinterLacksAsksForTheParameters) {
  TiledDrawing tiled(100, 100, 1, 1, 0);
  tiled.Drawing().paperId = 8;  // A3: the queue has only A4
  {
    AnsweringBoxes boxes(kIdOk);
    BuildOutcome outcome = BuildOutcome::Built;
    EXPECT_FALSE(Build(tiled, false, &outcome));
    EXPECT_EQ(outcome, BuildOutcome::ChangeParameters);
    EXPECT_EQ(parametersOpened, 1);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0],
              "Bad paper format 'A3'.\n\nPrinter 'TEST' not supported this format.\n\n"
              "Do you want to choose another format?");
    EXPECT_EQ(boxes.styles[0] & kMbTypeMask, kMbOkCancel);
  }
  {
    AnsweringBoxes boxes(kIdCancel);
    auto printOut = Build(tiled);
    ASSERT_TRUE(printOut);  // printed on the printer's own paper
    EXPECT_EQ(parametersOpened, 1);
    const auto& record = printOut->Record();
    EXPECT_EQ(std::min(record.paperWidth, record.paperHeight), 210);
    EXPECT_EQ(std::max(record.paperWidth, record.paperHeight), 297);
  }
  // The printer's paper asks nothing.
  tiled.Drawing().paperId = 9;
  AnsweringBoxes boxes(kIdOk);
  EXPECT_TRUE(Build(tiled));
  EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(PrintOptionsTest, ColourCorrectionGivesColourModeAndCompression) {
  TiledDrawing tiled(100, 100, 1, 1, 0);
  options.maxColors = 2;
  options.colorCorrection = 3;  // "Max. 256 colors, compress"
  auto printOut = Build(tiled, true);
  ASSERT_TRUE(printOut);
  EXPECT_EQ(printOut->Options().colorMode, 4);
  EXPECT_EQ(printOut->Options().noCompression, 0);
  EXPECT_EQ(printOut->Options().only24Bit, 0);
  EXPECT_EQ(printOut->Record().bitsPerPixel, 8);

  options.colorCorrection = 2;
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->Options().colorMode, 4);
  EXPECT_EQ(printOut->Options().noCompression, 1);

  options.colorCorrection = 1;
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->Options().colorMode, 2);
  EXPECT_EQ(printOut->Options().only24Bit, 1);

  // Grey stays grey whatever the correction.
  options.maxColors = 1;
  options.colorCorrection = 3;
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->Options().colorMode, 1);

  // Not to the printer: no printer, no correction, the PDF mode decides.
  options.output = 1;
  options.maxColors = 2;
  options.pdfMode = 0;
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->printer, nullptr);
  EXPECT_EQ(printOut->Options().colorMode, 2);
  EXPECT_EQ(printOut->Options().pdfVector, 1);
}

TEST_F(PrintOptionsTest, ScaleZeroAndZoomToPageFitAndTheVisibleAreaIsOnePage) {
  TiledDrawing tiled(100, 100, 2, 1, 0);
  options.scalePercent = 250;
  auto printOut = Build(tiled, true);
  EXPECT_DOUBLE_EQ(printOut->Options().printScale, 2.5);
  options.zoomWholePage = 1;
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->Options().printScale, 0.0);
  options.zoomWholePage = 0;
  tiled.sheet->Data()->SetScale(0);
  printOut = Build(tiled, true);
  EXPECT_EQ(printOut->Options().printScale, 0.0);

  options.what = kPrintVisibleArea;
  view = DRect{10, 10, 60, 40};
  printOut = Build(tiled);
  ASSERT_TRUE(printOut);
  EXPECT_TRUE(printOut->HasPrintArea());
  EXPECT_EQ(printOut->pageCount, 1);
}

TEST_F(PrintOptionsTest, RegistryValuesInThousandthsOfAMillimetre) {
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  key.SetDword(u"PRINT_MIN_WI", 0);
  key.SetDword(u"MODE_PRN_PDF_MAIL", 1);
  PrintDialogOptions loaded;
  loaded.LoadConstructorValues();
  EXPECT_DOUBLE_EQ(loaded.minLineWidth, 0.125);
  EXPECT_EQ(loaded.output, 0);  // always opens on the printer
  EXPECT_EQ(loaded.autoRotate, 1);

  PrintDialogOptions saved;
  saved.minLineWidth = 0.35;
  saved.areaMargin = 2.5;
  saved.colorCorrection = 3;
  saved.halfResolution = 1;
  saved.printMode = 1;
  saved.alignment = 4;
  saved.autoRotate = 0;
  saved.saveSettings = 1;
  saved.Save();
  RegReadKey read(kHkeyCurrentUser, WString(kProgramRegistryKey));
  EXPECT_EQ(read.GetDword(u"PRINT_MIN_WI", 0), 350u);
  EXPECT_EQ(read.GetDword(u"PRINT_SEL_MAR", 0), 2500u);
  EXPECT_EQ(read.GetDword(u"MODE_PRN_PDF_MAIL", 9), 0u);

  PrintDialogOptions again;
  again.LoadConstructorValues();
  again.LoadSetupValues();
  EXPECT_DOUBLE_EQ(again.minLineWidth, 0.35);
  EXPECT_DOUBLE_EQ(again.areaMargin, 2.5);
  EXPECT_EQ(again.colorCorrection, 3);
  EXPECT_EQ(again.halfResolution, 1);
  EXPECT_EQ(again.printMode, 1);
  EXPECT_EQ(again.alignment, 4);
  EXPECT_EQ(again.autoRotate, 0);
  EXPECT_EQ(again.saveSettings, 1);
}

TEST_F(PrintOptionsTest, ScaleInformation) {
  TiledDrawing tiled(100, 100, 1, 1, 0);
  tiled.sheet->Data()->SetScale(50);
  tiled.Drawing().formatMargins = {0, 0};
  auto printOut = Build(tiled, true);
  ASSERT_TRUE(printOut);
  const double zoom = printOut->Record().scale;
  PrintScaleInfo info = ComputeScaleInfo(*printOut, tiled.Drawing(), false);
  EXPECT_NEAR(std::stod(info.unitsPerMm.ToUtf8()), 50.0 / zoom, 1e-9);
  EXPECT_NEAR(std::stod(info.percent.ToUtf8()), 100.0 * zoom, 1e-3);  // six digits
  EXPECT_EQ(info.reduced, zoom < 1.0);

  // A format larger than the paper is reduced, unless fitting was asked.
  tiled.Drawing().formatSize = {1000, 1000};
  printOut = Build(tiled, true);
  info = ComputeScaleInfo(*printOut, tiled.Drawing(), false);
  EXPECT_LT(printOut->Record().scale, 1.0);
  EXPECT_TRUE(info.reduced);
  EXPECT_FALSE(ComputeScaleInfo(*printOut, tiled.Drawing(), true).reduced);

  tiled.sheet->Data()->SetScale(0);
  printOut = Build(tiled, true);
  info = ComputeScaleInfo(*printOut, tiled.Drawing(), false);
  EXPECT_TRUE(info.percent.IsEmpty());
  EXPECT_FALSE(info.reduced);
}

TEST_F(PrintOptionsTest, ColouredLevelsOrPagesWithoutTheirPrintInColourOption) {
  TiledDrawing tiled(100, 100, 1, 1, 2);
  EXPECT_FALSE(ColouredButNotInColour(tiled.doc));
  tiled.Drawing().GetPage(1)->color = 0x0000FF;
  EXPECT_FALSE(ColouredButNotInColour(tiled.doc));  // pages print in colour
  tiled.Drawing().pageFlags[1] = 0;
  EXPECT_TRUE(ColouredButNotInColour(tiled.doc));
  tiled.Drawing().GetPage(1)->kind = 1;  // a page that does not print does not count
  EXPECT_FALSE(ColouredButNotInColour(tiled.doc));

  LevelTable& levels = tiled.sheet->Data()->Levels();
  std::uint16_t index = 0;
  LevelRecord* level = levels.InsertLevel(WString(u"red"), &index, 0);
  ASSERT_NE(level, nullptr);
  level->color = 0x0000FF;
  EXPECT_FALSE(ColouredButNotInColour(tiled.doc));
  tiled.Drawing().pageFlags[0] = 0;
  EXPECT_TRUE(ColouredButNotInColour(tiled.doc));
  level->printable = 0;
  EXPECT_FALSE(ColouredButNotInColour(tiled.doc));
}

// The semi-transparency warning names the print dialog's vector radio
// button (4202, table line 2297) by the button's own words in Czech and
// Slovak; the English text is the program's stated one.
TEST(TransparencyWarning, QuotesTheVectorPrintButtonInCzechAndSlovak) {
  constexpr int kVectorModeLine = 2297;
  for (int language : {kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    SetLanguageIndex(language);
    InvalidateLangTable();
    const WString button(GetLangTableLine(kVectorModeLine));
    const std::u16string_view words = button.View().substr(0, button.View().find(u" ("));
    const std::u16string quoted = u"'" + std::u16string(words) + u"'";
    EXPECT_NE(LoadLangString(kStrTransparencyWarning).View().find(quoted), std::u16string_view::npos)
        << LoadLangString(kStrTransparencyWarning).ToUtf8();
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

}  // namespace
}  // namespace kvn
