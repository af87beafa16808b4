// The print job against a fake queue whose jobs keep their PDF: copies and
// collated sets, empty sets, refusals, cancel and failure messages, print
// to file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "document/ProgressMonitor.h"
#include "foundation/DialogFolder.h"
#include "foundation/PathBytes.h"
#include "platform/print/PrintDC.h"
#include "print/PrintJob.h"
#include "tests/print/PrintFixtures.h"

namespace kvn {
namespace {

using test::AddA4Queue;
using test::JobSpooler;
using test::PdfPageCount;
using test::RecordedBoxes;
using test::TestOwner;
using test::TiledDrawing;

// A print-out of `pages` pages of which those in `empty` have no content;
// it logs every page it prints.
class LoggingPrintOut final : public TMyPrintOut {
 public:
  LoggingPrintOut(PrinterInfo* p, MyPrinterDataStruct__* r, int pages) {
    printer = p;
    record = r;
    documentName = WString(u"Log");
    firstPage = 1;
    lastPage = pageCount = pages;
  }
  bool HasPage(int page) override {
    return page >= firstPage && page <= lastPage && std::find(empty.begin(), empty.end(), page) == empty.end();
  }
  bool PrintPage(TDC*, int page, bool, std::uint8_t*, ProgressMonitor* monitor, int, int, bool, bool, int) override {
    printed.push_back(page);
    if (page == cancelAt && monitor) monitor->Cancel();
    if (page == failAt || page == outOfMemoryAt) {
      pageFailed = true;
      pageOutOfMemory = page == outOfMemoryAt;
      return false;
    }
    return true;
  }
  std::vector<int> empty;
  std::vector<int> printed;
  int cancelAt = -1, failAt = -1, outOfMemoryAt = -1;
};

class Chooser final : public PrintFileChooser {
 public:
  Chooser() : previous_(SetPrintFileChooser(this)) {}
  ~Chooser() override { SetPrintFileChooser(previous_); }
  bool ChooseFile(ProgressMonitor& monitor, const WString& f, DialogFolder& folder, const WString& name,
                  const WString&, WString& chosen) override {
    // As a Cancel confirmed in the progress window's first round of
    // messages, before the first page.
    if (cancelAfter) monitor.Cancel();
    filter = f.ToUtf8();
    proposed = name.ToUtf8();
    folderName = folder.ValueName().ToUtf8();
    chosen = PathFromBytes(path);
    return !path.empty();
  }
  std::string path, filter, proposed, folderName;
  bool cancelAfter = false;

 private:
  PrintFileChooser* previous_;
};

class PrintJobTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  PrintJobTest() : jobs_(spooler), override_(jobs_) {
    AddA4Queue(spooler, 150);
    LoadPrinterList();
    printer_ = GetPrinterList().At(0);
    record_.Update(printer_);
  }
  JobSpooler jobs_;
  ScopedSpoolerOverride override_;
  PrinterInfo* printer_ = nullptr;
  MyPrinterDataStruct__ record_;
  TestOwner owner_;
  RecordedBoxes boxes_;
  test::EnglishTexts english_;
  test::ScratchDir scratch_;
};

TEST_F(PrintJobTest, PerPageCopiesBelowOneActAsOne) {
  ASSERT_TRUE(record_.devmodeCopy);
  record_.devmodeCopy->fields &= ~kDmCopies;
  for (int copies : {0, -3, 0x10000}) {
    LoggingPrintOut out(printer_, &record_, 3);
    ASSERT_TRUE(RunPrintJob(&owner_, &out, copies, false, nullptr)) << copies;
    EXPECT_EQ(out.printed, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 3);
    EXPECT_TRUE(jobs_.jobs.back()->finished);
  }
  EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(PrintJobTest, DriverCopiesMakeCollatedSetsInOnePass) {
  record_.devmodeCopy->fields |= kDmCopies;
  LoggingPrintOut out(printer_, &record_, 2);
  out.collatedSets = 3;
  ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, false, nullptr));
  EXPECT_EQ(out.printed, (std::vector<int>{1, 2}));
  EXPECT_EQ(out.collatedSets, 1);
  const PrinterSettings& sent = jobs_.jobs.back()->request.settings;
  EXPECT_EQ(sent.copies, 3);
  EXPECT_EQ(sent.collate, 1);

  // Without sets the driver makes per-page copies, uncollated.
  LoggingPrintOut single(printer_, &record_, 2);
  ASSERT_TRUE(RunPrintJob(&owner_, &single, 4, false, nullptr));
  EXPECT_EQ(single.printed, (std::vector<int>{1, 2}));
  EXPECT_EQ(jobs_.jobs.back()->request.settings.copies, 4);
  EXPECT_EQ(jobs_.jobs.back()->request.settings.collate, 0);
}

TEST_F(PrintJobTest, WithoutDriverCopiesPagesRepeatInARowAndSetsRepeatTheRange) {
  record_.devmodeCopy->fields &= ~kDmCopies;
  LoggingPrintOut out(printer_, &record_, 2);
  out.collatedSets = 2;
  ASSERT_TRUE(RunPrintJob(&owner_, &out, 3, false, nullptr));
  EXPECT_EQ(out.printed, (std::vector<int>{1, 1, 1, 2, 2, 2, 1, 1, 1, 2, 2, 2}));
  EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 12);
}

TEST_F(PrintJobTest, ASetWithoutContentStillGivesOneEmptyPage) {
  record_.devmodeCopy->fields &= ~kDmCopies;
  LoggingPrintOut out(printer_, &record_, 2);
  out.empty = {1, 2};
  out.collatedSets = 2;
  ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, false, nullptr));
  EXPECT_TRUE(out.printed.empty());
  EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 2);
}

TEST_F(PrintJobTest, ARangeBeyondTheLastPageIsRefusedBeforeTheServerSeesIt) {
  LoggingPrintOut out(printer_, &record_, 4);
  out.firstPage = 5;
  out.lastPage = 6;
  EXPECT_FALSE(RunPrintJob(&owner_, &out, 1, false, nullptr));
  EXPECT_TRUE(jobs_.jobs.empty());
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], "The selected pages are empty, do not contain any drawing.");
}

TEST_F(PrintJobTest, FailuresAndCancelsAreReported) {
  // The queue refuses the job: the general text and the server's words.
  jobs_.refuse = true;
  LoggingPrintOut refused(printer_, &record_, 2);
  EXPECT_FALSE(RunPrintJob(&owner_, &refused, 1, false, nullptr));
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], "Error encountered during print - queue refused");
  EXPECT_EQ(boxes_.styles[0] & kMbIconMask, kMbIconError);
  EXPECT_TRUE(refused.printed.empty());
  jobs_.refuse = false;

  // A cancel in the progress dialog during page 2.
  ProgressMonitor outer(&owner_);
  LoggingPrintOut cancelled(printer_, &record_, 4);
  cancelled.cancelAt = 2;
  EXPECT_FALSE(RunPrintJob(&owner_, &cancelled, 1, false, &outer));
  EXPECT_EQ(boxes_.texts.back(), "Printing canceled");
  EXPECT_TRUE(jobs_.jobs.back()->cancelled);
  EXPECT_FALSE(jobs_.jobs.back()->finished);
  EXPECT_EQ(cancelled.printed, (std::vector<int>{1, 2}));

  // A page that fails is an error, not a cancel.
  LoggingPrintOut failing(printer_, &record_, 4);
  failing.failAt = 3;
  EXPECT_FALSE(RunPrintJob(&owner_, &failing, 1, false, nullptr));
  EXPECT_EQ(boxes_.texts.back(), "Error encountered during print");
  EXPECT_TRUE(jobs_.jobs.back()->cancelled);
  // One that could not be held in memory says so.
  LoggingPrintOut tooLarge(printer_, &record_, 4);
  tooLarge.outOfMemoryAt = 2;
  EXPECT_FALSE(RunPrintJob(&owner_, &tooLarge, 1, false, nullptr));
  EXPECT_EQ(boxes_.texts.back(), "Out of memory");
  EXPECT_TRUE(jobs_.jobs.back()->cancelled);

  // No set-up: detail 2.
  MyPrinterDataStruct__ bare;
  LoggingPrintOut noSetup(printer_, &bare, 1);
  EXPECT_FALSE(RunPrintJob(&owner_, &noSetup, 1, false, nullptr));
  EXPECT_EQ(boxes_.texts.back(), "Error encountered during print (#2)");

  // No parent and no monitor: nothing said, nothing sent.
  const std::size_t said = boxes_.texts.size(), sent = jobs_.jobs.size();
  LoggingPrintOut orphan(printer_, &record_, 1);
  EXPECT_FALSE(RunPrintJob(nullptr, &orphan, 1, false, nullptr));
  EXPECT_EQ(boxes_.texts.size(), said);
  EXPECT_EQ(jobs_.jobs.size(), sent);
}

TEST_F(PrintJobTest, PrintToFileWritesThePdfAndAFailureLeavesNoFile) {
  Chooser chooser;
  const std::filesystem::path file = scratch_.Path() / "out.prn";
  chooser.path = file.string();
  record_.devmodeCopy->fields &= ~kDmCopies;
  LoggingPrintOut out(printer_, &record_, 3);
  out.documentName = WString(u"a:b/c*d?" + std::u16string(80, u'x'));
  ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, true, nullptr));
  EXPECT_TRUE(jobs_.jobs.empty());
  std::ifstream in(file, std::ios::binary);
  std::stringstream pdf;
  pdf << in.rdbuf();
  EXPECT_EQ(pdf.str().substr(0, 5), "%PDF-");
  EXPECT_EQ(PdfPageCount(pdf.str()), 3);
  EXPECT_EQ(chooser.filter, "Print to file (*.prn)|*.prn");
  EXPECT_EQ(chooser.folderName, "CHD_PRN_PRINT");
  EXPECT_LE(WString::FromUtf8(chooser.proposed).Length(), 64);
  EXPECT_EQ(chooser.proposed.find_first_of(":/*?"), std::string::npos) << chooser.proposed;

  // A page that fails: the message, and the partial file is deleted.
  LoggingPrintOut failing(printer_, &record_, 3);
  failing.failAt = 2;
  EXPECT_FALSE(RunPrintJob(&owner_, &failing, 1, true, nullptr));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(boxes_.texts.back(), "Error encountered during print");

  // Cancelled before the first page: told as any cancel, and no file made.
  chooser.cancelAfter = true;
  LoggingPrintOut early(printer_, &record_, 3);
  EXPECT_FALSE(RunPrintJob(&owner_, &early, 1, true, nullptr));
  EXPECT_EQ(boxes_.texts.back(), "Printing canceled");
  EXPECT_TRUE(early.printed.empty());
  EXPECT_FALSE(std::filesystem::exists(file));
  chooser.cancelAfter = false;

  // A name that is not UTF-8 ("caf\xE9" from a Latin-1 disk) is written and
  // deleted by its own bytes, never by the replacement characters it shows.
  const std::filesystem::path latin1 = scratch_.Path() / "caf\xE9.prn";
  chooser.path = latin1.string();
  LoggingPrintOut named(printer_, &record_, 1);
  ASSERT_TRUE(RunPrintJob(&owner_, &named, 1, true, nullptr));
  ASSERT_TRUE(std::filesystem::exists(latin1));
  EXPECT_GT(std::filesystem::file_size(latin1), 0u);
  LoggingPrintOut namedFailing(printer_, &record_, 2);
  namedFailing.failAt = 2;
  EXPECT_FALSE(RunPrintJob(&owner_, &namedFailing, 1, true, nullptr));
  EXPECT_TRUE(std::filesystem::is_empty(scratch_.Path())) << "a file is left behind";

  // A file that cannot be made: StartDoc fails, the message carries the
  // system's words, no file is left.
  chooser.path = (scratch_.Path() / "missing" / "out.prn").string();
  LoggingPrintOut nowhere(printer_, &record_, 1);
  EXPECT_FALSE(RunPrintJob(&owner_, &nowhere, 1, true, nullptr));
  EXPECT_EQ(boxes_.texts.back().rfind("Error encountered during print - ", 0), 0u) << boxes_.texts.back();
  EXPECT_FALSE(std::filesystem::exists(chooser.path));

  // A cancelled file dialog: nothing said.
  const std::size_t said = boxes_.texts.size();
  chooser.path.clear();
  EXPECT_FALSE(RunPrintJob(&owner_, &nowhere, 1, true, nullptr));
  EXPECT_EQ(boxes_.texts.size(), said);

  // Batch printing refuses print to file.
  ProgressMonitor outer(&owner_);
  EXPECT_FALSE(RunPrintJob(&owner_, &nowhere, 1, true, &outer));
  EXPECT_EQ(boxes_.texts.back(), "Printing to a file is not supported by the batch printing function.");
}

TEST_F(PrintJobTest, TheAbortProcedureGoesOnOnlyForNoErrorAndFullDisk) {
  EXPECT_TRUE(PrintAbortProc(nullptr, 0));
  EXPECT_TRUE(PrintAbortProc(nullptr, -4));
  EXPECT_FALSE(PrintAbortProc(nullptr, -1));
  EXPECT_EQ(CurrentPrintMonitor(), nullptr);
}

// A real print-out through the job: every print page of the tiled drawing
// arrives as a page of the document.
TEST_F(PrintJobTest, ATiledDrawingPrintsEveryPrintPage) {
  TiledDrawing t(90, 130, 2, 3, 4);
  for (std::uint8_t vector : {1, 0}) {
    PrintOutOptions o;
    o.printer = printer_;
    o.vectorMode = vector;
    APXPrintOut out(t.Drawing(), o);
    ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, false, nullptr));
    EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 24);
    // Vector pages go without a transparency group and without pictures.
    const std::string& pdf = jobs_.jobs.back()->pdf;
    EXPECT_EQ(pdf.find("/S /Transparency") == std::string::npos, vector == 1);
    EXPECT_EQ(pdf.find("/Subtype /Image") == std::string::npos, vector == 1);
  }
}

// The print's view of the process for a scope: its resident memory as
// `reader` says, and its ceiling.
class HeldMemory {
 public:
  HeldMemory(std::function<std::uint64_t()> reader, std::uint64_t ceiling) {
    print_testing::SetResidentReader(std::move(reader));
    print_testing::SetResidentCeiling(ceiling);
  }
  ~HeldMemory() {
    print_testing::SetResidentReader(nullptr);
    print_testing::SetResidentCeiling(0);
  }
  HeldMemory(const HeldMemory&) = delete;
  HeldMemory& operator=(const HeldMemory&) = delete;
};

// A process of 1 GB as the print sees it.
constexpr std::uint64_t kHeld = std::uint64_t(1) << 30;

// Four pages of a square each, printed by the vector road.
struct FourVectorPages {
  explicit FourVectorPages(PrinterInfo* printer) : drawing(100, 140, 1, 1, 4) {
    options.printer = printer;
    options.printScale = 1;
    options.vectorMode = 1;
  }
  TiledDrawing drawing;
  PrintOutOptions options;
};

// What one of the pages weighs in the forecast that decides its road: what
// its count reached the printer's context, which then draws the same again.
std::uint64_t PageForecast(FourVectorPages& pages, const std::filesystem::path& file) {
  APXPrintOut out(pages.drawing.Drawing(), pages.options);
  const MyPrinterDataStruct__& r = out.Record();
  TPrintDC_ dc("TEST", *r.devmodeCopy, PrintPageSetup{r.paperWidth, r.paperHeight, r.resolutionX, r.resolutionY,
                                                      r.printableWidth, r.printableHeight, r.printableOffsetX,
                                                      r.printableOffsetY});
  if (dc.StartDoc(WString(u"count"), WString::FromUtf8(file.string())) <= 0 || dc.StartPage() <= 0) return 0;
  dc.SetMapMode(kMmAnisotropic);
  if (!out.PrintPage(&dc, 1, false, nullptr, nullptr, 0, 1, false, false, 0) || out.vectorPagesAsPictures) return 0;
  const CairoDC::OutputCount counted{dc.Output().operations / 2, dc.Output().points / 2};
  dc.EndPage();
  dc.EndDoc();
  return RecordedPageBytes(counted);
}

std::size_t Pictures(const std::string& pdf) {
  std::size_t n = 0;
  for (std::size_t at = pdf.find("/Subtype /Image"); at != std::string::npos; at = pdf.find("/Subtype /Image", at + 1))
    ++n;
  return n;
}

// Pages near the forecast's limit are each judged on their own weight
// beside what the process holds: in a job of four pages, each of which
// fits by half a page, every page goes as vectors (judged on the pages
// before it too, the second would not fit).
TEST_F(PrintJobTest, EveryPageOfAJobNearTheLimitIsJudgedOnItsOwn) {
  FourVectorPages pages(printer_);
  const std::uint64_t page = PageForecast(pages, scratch_.Path() / "count.pdf");
  ASSERT_GT(page, 0u);
  HeldMemory held([] { return kHeld; }, kHeld + page + page / 2);
  APXPrintOut out(pages.drawing.Drawing(), pages.options);
  ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, false, nullptr));
  EXPECT_TRUE(boxes_.texts.empty());
  EXPECT_EQ(out.vectorPagesAsPictures, 0);
  EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 4);
  EXPECT_EQ(Pictures(jobs_.jobs.back()->pdf), 0u);
}

// A process near the ceiling, or past it, prints a small page by the raster
// road, whose bands are bounded, and the job succeeds: the page does not
// fit beside what the process holds, though it would fit on its own (as
// vectors, the page watch would stop it and the job fail).
TEST_F(PrintJobTest, APageThatDoesNotFitBesideWhatTheProcessHoldsGoesAsAPicture) {
  FourVectorPages pages(printer_);
  const std::uint64_t page = PageForecast(pages, scratch_.Path() / "count.pdf");
  ASSERT_GT(page, 0u);
  for (const std::uint64_t ceiling : {kHeld + page / 2, kHeld - (std::uint64_t(1) << 20)}) {
    SCOPED_TRACE(ceiling);
    HeldMemory held([] { return kHeld; }, ceiling);
    APXPrintOut out(pages.drawing.Drawing(), pages.options);
    ASSERT_TRUE(RunPrintJob(&owner_, &out, 1, false, nullptr)) << (boxes_.texts.empty() ? "" : boxes_.texts.back());
    EXPECT_TRUE(boxes_.texts.empty());
    EXPECT_EQ(out.vectorPagesAsPictures, 4);
    EXPECT_EQ(PdfPageCount(jobs_.jobs.back()->pdf), 4);
    EXPECT_GE(Pictures(jobs_.jobs.back()->pdf), 4u);
  }
}

// A page the count let through but the watch stopped (the process grew
// past the ceiling while the page was drawn) ends the job with "Out of
// memory", and nothing is printed.
TEST_F(PrintJobTest, APageStoppedByTheWatchIsReportedAsOutOfMemory) {
  FourVectorPages pages(printer_);
  // The fit check reads the process first and finds room; every later read
  // finds it past the ceiling.
  int reads = 0;
  HeldMemory held([&reads] { return reads++ == 0 ? kHeld : 2 * kHeld; }, kHeld + (std::uint64_t(64) << 20));
  APXPrintOut out(pages.drawing.Drawing(), pages.options);
  EXPECT_FALSE(RunPrintJob(&owner_, &out, 1, false, nullptr));
  EXPECT_GE(reads, 2);
  EXPECT_EQ(out.vectorPagesAsPictures, 0);
  ASSERT_FALSE(boxes_.texts.empty());
  EXPECT_EQ(boxes_.texts.back(), "Out of memory");
  EXPECT_TRUE(jobs_.jobs.back()->cancelled);
  EXPECT_FALSE(jobs_.jobs.back()->finished);
}

}  // namespace
}  // namespace kvn
