// The print job's abort procedure while a long page is drawn: it is reached
// every few operations on both roads (the vector road's count included) and
// while the document is written, and a cancel confirmed part-way stops the
// page at its next call: the page is abandoned, the queue's job cancelled,
// a file printed to is deleted and the user reads "Printing canceled".
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "document/ProgressMonitor.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"
#include "platform/print/PrintDC.h"
#include "print/PrintJob.h"
#include "print/PrintPreview.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::AddA4Queue;
using test::JobSpooler;
using test::RecordedBoxes;
using test::TestOwner;

constexpr int kLines = 40000;
constexpr int kCancelAt = kLines / 2;

// What the lines saw: their draws, and the draw at which one of them
// cancelled the job's monitor (a Cancel the user confirmed mid-page).
struct DrawLog {
  int draws = 0;
  int cancelledAt = -1;
  // Cancelled instead of the print job's monitor (the preview's).
  ProgressMonitor* monitor = nullptr;
  bool cancelOn = true;
};

class CountingLine final : public cLine {
 public:
  CountingLine(DrawLog& log, bool cancels) : log_(log), cancels_(cancels) {}
  void Draw(cDrawInfo* info) override {
    cLine::Draw(info);
    ++log_.draws;
    if (!cancels_ || !log_.cancelOn || log_.cancelledAt >= 0) return;
    if (ProgressMonitor* monitor = log_.monitor ? log_.monitor : CurrentPrintMonitor()) {
      monitor->Cancel();
      log_.cancelledAt = log_.draws;
    }
  }

 private:
  DrawLog& log_;
  bool cancels_;
};

// kLines short lines on a grid; the one in the middle cancels.
struct LongPage {
  cDrawingDoc doc;
  DrawLog log;
  LongPage() {
    doc.AddSheet(std::make_unique<cSheet>());
    cSheet& sheet = *doc.GetSheet(0);
    sheet.Data()->Levels().InsertLevel(u"0", nullptr, 0);
    ObjectChain chain;
    for (int i = 0; i < kLines; ++i) {
      auto* line = new CountingLine(log, i == kCancelAt);
      const double x = i % 200, y = i / 200;
      line->start = {x, y};
      line->end = {x + 0.6, y + 0.7};
      line->SetLevel(0);
      chain.Append(line);
    }
    sheet.TopBlock().AppendChain(std::move(chain));
  }
  cDrawing& Drawing() { return doc.GetSheet(0)->Drawing(); }
  int DrawsAfterCancel() const { return log.draws - log.cancelledAt; }
};

class FileChooser final : public PrintFileChooser {
 public:
  explicit FileChooser(std::string path) : path_(std::move(path)), previous_(SetPrintFileChooser(this)) {}
  ~FileChooser() override { SetPrintFileChooser(previous_); }
  bool ChooseFile(ProgressMonitor&, const WString&, DialogFolder&, const WString&, const WString&,
                  WString& chosen) override {
    chosen = WString::FromUtf8(path_);
    return true;
  }

 private:
  std::string path_;
  PrintFileChooser* previous_;
};

class PrintAbortTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  PrintAbortTest() : jobs_(spooler), override_(jobs_) {
    AddA4Queue(spooler, 150);
    LoadPrinterList();
    printer_ = GetPrinterList().At(0);
  }
  PrintOutOptions Options(bool vector) {
    PrintOutOptions o;
    o.printer = printer_;
    o.vectorMode = vector ? 1 : 0;
    return o;
  }
  JobSpooler jobs_;
  ScopedSpoolerOverride override_;
  PrinterInfo* printer_ = nullptr;
  TestOwner owner_;
  RecordedBoxes boxes_;
  test::EnglishTexts english_;
  test::ScratchDir files_;
};

// Drawn as the print job draws it, with an abort procedure that only counts:
// a page of kLines lines reaches it about once every kAbortCheckOperations
// lines on each walk, and the vector page again while it is written.
TEST_F(PrintAbortTest, ALongPageReachesTheAbortProcedureWhileItIsDrawn) {
  for (bool vector : {true, false}) {
    SCOPED_TRACE(vector ? "vector road" : "bitmap road");
    LongPage page;
    page.log.cancelOn = false;
    APXPrintOut out(page.Drawing(), Options(vector));
    const MyPrinterDataStruct__& r = out.Record();
    PrintPageSetup setup{r.paperWidth,     r.paperHeight,     r.resolutionX,      r.resolutionY,
                         r.printableWidth, r.printableHeight, r.printableOffsetX, r.printableOffsetY};
    TPrintDC_ dc("TEST", *r.devmodeCopy, setup);
    int calls = 0;
    dc.SetAbortProc([&](TDC*, int code) {
      EXPECT_EQ(code, 0);
      ++calls;
      return true;
    });
    ASSERT_GT(dc.StartDoc(WString(u"long"), WString()), 0);
    ASSERT_GT(dc.StartPage(), 0);
    ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
    // The vector road walks the page twice (its count, then the drawing);
    // bands draw the lines across their edges twice.
    const int walks = vector ? 2 : 1;
    EXPECT_GE(page.log.draws, walks * kLines);
    EXPECT_GE(calls, walks * kLines / int(kAbortCheckOperations) - 1);
    const int drawn = calls;
    ASSERT_GT(dc.EndPage(), 0);
    if (vector) {
      EXPECT_GT(calls, drawn) << "the page's writing never reached the abort procedure";
    }
    EXPECT_GT(dc.EndDoc(), 0);
    EXPECT_TRUE(jobs_.jobs.back()->finished);
  }
}

// A cancel confirmed while the page is drawn, by every road: the page stops
// within one interval of the abort procedure and the job says so.
TEST_F(PrintAbortTest, ACancelPartWayAbandonsThePage) {
  const auto file = files_.Path() / "long.prn";
  struct Road {
    const char* name;
    bool vector;
    bool toFile;
  };
  for (const Road& road : {Road{"vector road", true, false}, Road{"bitmap road", false, false},
                           Road{"vector road to a file", true, true}}) {
    SCOPED_TRACE(road.name);
    LongPage page;
    APXPrintOut out(page.Drawing(), Options(road.vector));
    const std::size_t jobs = jobs_.jobs.size();
    FileChooser chooser(file.string());
    EXPECT_FALSE(RunPrintJob(&owner_, &out, 1, road.toFile, nullptr));
    ASSERT_GE(page.log.cancelledAt, 0) << "the page was not drawn";
    EXPECT_LE(page.DrawsAfterCancel(), int(kAbortCheckOperations) + 1);
    ASSERT_FALSE(boxes_.texts.empty());
    EXPECT_EQ(boxes_.texts.back(), "Printing canceled");
    if (road.toFile) {
      EXPECT_FALSE(std::filesystem::exists(file)) << "a half-written file was left";
      EXPECT_EQ(jobs_.jobs.size(), jobs);
    } else {
      ASSERT_EQ(jobs_.jobs.size(), jobs + 1);
      EXPECT_TRUE(jobs_.jobs.back()->cancelled);
      EXPECT_FALSE(jobs_.jobs.back()->finished);
      EXPECT_EQ(test::PdfPageCount(jobs_.jobs.back()->pdf), 0);
    }
  }
}

// The preview's page has no printer: its bands step the preview's monitor.
TEST_F(PrintAbortTest, ACancelPartWayStopsThePreviewsPage) {
  LongPage page;
  ProgressMonitor monitor(&owner_);
  page.log.monitor = &monitor;
  APXPrintOut out(page.Drawing(), Options(false));
  EXPECT_FALSE(RenderPreviewPage(out, 1, &monitor));
  ASSERT_GE(page.log.cancelledAt, 0);
  EXPECT_LE(page.DrawsAfterCancel(), int(kAbortCheckOperations) + 1);
}

// A cancel while the page is written (most of a long vector page's time):
// the document ends there, as cancelled, and the queue's job with it.
TEST_F(PrintAbortTest, ACancelWhileThePageIsWrittenEndsTheDocument) {
  LongPage page;
  page.log.cancelOn = false;
  APXPrintOut out(page.Drawing(), Options(true));
  const MyPrinterDataStruct__& r = out.Record();
  PrintPageSetup setup{r.paperWidth,     r.paperHeight,     r.resolutionX,      r.resolutionY,
                       r.printableWidth, r.printableHeight, r.printableOffsetX, r.printableOffsetY};
  TPrintDC_ dc("TEST", *r.devmodeCopy, setup);
  bool writing = false;
  int stops = 0;
  dc.SetAbortProc([&](TDC*, int) {
    if (writing) ++stops;
    return !writing;
  });
  ASSERT_GT(dc.StartDoc(WString(u"long"), WString()), 0);
  ASSERT_GT(dc.StartPage(), 0);
  ASSERT_TRUE(out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0));
  writing = true;
  EXPECT_EQ(dc.EndPage(), kSpAppAbort);
  EXPECT_EQ(stops, 1);
  EXPECT_TRUE(dc.Aborted());
  dc.AbortDoc();
  EXPECT_TRUE(jobs_.jobs.back()->cancelled);
  EXPECT_FALSE(jobs_.jobs.back()->finished);
}

}  // namespace
}  // namespace kvn
