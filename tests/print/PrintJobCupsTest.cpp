// Printing against a real CUPS server (tests/print/cupsd-fixture.sh starts
// one with an A4 cups-pdf queue of this build's own): the PDFs that arrive
// are read with pdfinfo and pdftoppm. Without a server these tests skip;
// with CI=true they fail.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "foundation/DialogFolder.h"
#include "platform/print/CupsPrintJob.h"
#include "print/PrintJob.h"
#include "tests/print/PrintFixtures.h"
#include "tests/support/TestData.h"
#include "tests/support/TestQueues.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using test::RecordedBoxes;
using test::TiledDrawing;

std::string RunCommand(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe) return out;
  std::array<char, 4096> buffer{};
  std::size_t n;
  while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0) out.append(buffer.data(), n);
  return out;
}

bool ServerRunning() { return RunCommand("lpstat -r 2>/dev/null").find("is running") != std::string::npos; }

#define KVN_REQUIRE_CUPS()                                                                                      \
  do {                                                                                                          \
    if (!ServerRunning()) {                                                                                     \
      const char* ci = std::getenv("CI");                                                                       \
      if (ci && std::string(ci) == "true") FAIL() << "no CUPS server, and CI=true: printing must be tested";    \
      GTEST_SKIP() << "no CUPS server: run tests/print/cupsd-fixture.sh start <folder> as root";               \
    }                                                                                                           \
  } while (0)

std::set<fs::path> Pdfs(const fs::path& folder) {
  std::set<fs::path> files;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) {
    if (e.path().extension() == ".pdf") files.insert(e.path());
  }
  return files;
}

// A job title of this test run's own: cups-pdf names its file after it, so
// that jobs of other runs on the shared server are never taken for ours.
std::string UniqueTitle() {
  static int counter = 0;
  return "kvnprint" + std::to_string(::getpid()) + "n" + std::to_string(++counter);
}

// The first PDF of the title in the A4 queue's Out folder that pdfinfo can
// read, once its job has ended (test::WaitForCupsPdf); empty when none
// came, with the reason on the test's output.
fs::path WaitForPdf(const std::string& title) {
  std::string why;
  fs::path pdf = test::WaitForCupsPdf(test::CupsTestQueue(), title, std::chrono::seconds(240), &why);
  if (pdf.empty()) std::printf("no PDF of %s: %s\n", title.c_str(), why.c_str());
  return pdf;
}

// Whether a PDF of the title showed within `seconds`: what must not come
// can only be watched for a while.
bool PdfWithin(const std::string& title, int seconds) {
  const fs::path folder = test::CupsOutFolder(test::CupsTestQueue());
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!folder.empty() && std::chrono::steady_clock::now() < end) {
    for (const fs::path& p : Pdfs(folder)) {
      if (p.filename().string().rfind(title, 0) == 0) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return false;
}

int PageCount(const fs::path& pdf) {
  const std::string info = RunCommand("pdfinfo '" + pdf.string() + "'");
  const std::size_t at = info.find("Pages:");
  return at == std::string::npos ? -1 : std::atoi(info.c_str() + at + 6);
}

// One page of the PDF as RGB pixels at `dpi` (no anti-aliasing), cut to the
// given pixel rectangle.
struct Pixels {
  int width = 0, height = 0;
  std::string rgb;
  std::array<std::uint8_t, 3> At(int x, int y) const {
    const std::size_t i = (std::size_t(y) * width + x) * 3;
    return {std::uint8_t(rgb[i]), std::uint8_t(rgb[i + 1]), std::uint8_t(rgb[i + 2])};
  }
};
Pixels Render(const fs::path& pdf, int page, int dpi, int x, int y, int w, int h) {
  Pixels p;
  const std::string ppm = RunCommand("pdftoppm -f " + std::to_string(page) + " -l " + std::to_string(page) +
                                     " -r " + std::to_string(dpi) + " -aa no -aaVector no -x " + std::to_string(x) +
                                     " -y " + std::to_string(y) + " -W " + std::to_string(w) + " -H " +
                                     std::to_string(h) + " '" + pdf.string() + "'");
  std::istringstream in(ppm);
  std::string magic;
  int maxValue = 0;
  in >> magic >> p.width >> p.height >> maxValue;
  in.get();
  if (magic != "P6" || p.width <= 0 || p.height <= 0) return Pixels{};
  p.rgb.resize(std::size_t(p.width) * p.height * 3);
  in.read(p.rgb.data(), std::streamsize(p.rgb.size()));
  return p;
}

bool Dark(const std::array<std::uint8_t, 3>& c) { return c[0] < 100 && c[1] < 100 && c[2] < 100; }
bool White(const std::array<std::uint8_t, 3>& c) { return c[0] > 230 && c[1] > 230 && c[2] > 230; }

class Owner final : public cMsgDlg {
 public:
  void* GetWindowHandle() const override { return const_cast<Owner*>(this); }
  void* GetOwnerWindow() const override { return nullptr; }
};

class CupsPrintJobTest : public ::testing::Test, public test::PrinterTestBase {
 protected:
  CupsPrintJobTest() : cups_(MakeCupsSpooler()), override_(*cups_) {}
  PrinterInfo* Queue(const std::string& name) {
    LoadPrinterList();
    const int i = FindPrinterIndex(WString::FromUtf8(name));
    return i >= 0 ? GetPrinterList().At(i) : nullptr;
  }
  std::unique_ptr<Spooler> cups_;
  ScopedSpoolerOverride override_;
  Owner owner_;
  RecordedBoxes boxes_;
  test::EnglishTexts english_;
};

TEST(CupsJobOptions, EveryOptionTheJobAsksFor) {
  PrinterSettings s;
  s.fields = kDmCopies;
  s.copies = 3;
  s.collate = 1;
  s.media = "iso_a4_210x297mm";
  s.orientation = kDmOrientLandscape;
  s.color = kDmColorMonochrome;
  s.resolutionX = 600;
  s.resolutionY = 300;
  const auto options = CupsJobOptions(s);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"copies", "3"},
      {"multiple-document-handling", "separate-documents-collated-copies"},
      {"media", "iso_a4_210x297mm"},
      {"orientation-requested", "4"},
      {"print-color-mode", "monochrome"},
      {"printer-resolution", "600x300dpi"},
      {"print-scaling", "none"}};
  EXPECT_EQ(options, expected);
  s.fields = 0;
  EXPECT_EQ(CupsJobOptions(s).front().first, "media");
}

// The 2 x 3 tiled drawing of four pages arrives as 24 A4 pages, each with
// its tile's square where the placement puts it, by both roads.
TEST_F(CupsPrintJobTest, ATiledDrawingArrivesAsTwentyFourA4Pages) {
  KVN_REQUIRE_CUPS();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  const fs::path out = test::CupsOutFolder(test::CupsTestQueue());
  ASSERT_FALSE(out.empty());
  TiledDrawing t(100, 140, 2, 3, 4);
  for (std::uint8_t vector : {1, 0}) {
    PrintOutOptions o;
    o.printer = printer;
    o.printScale = 1;
    o.vectorMode = vector;
    APXPrintOut job(t.Drawing(), o);
    const std::string title = UniqueTitle();
    job.documentName = WString::FromUtf8(title);
    ASSERT_TRUE(RunPrintJob(&owner_, &job, 1, false, nullptr)) << (boxes_.texts.empty() ? "" : boxes_.texts.back());
    const fs::path pdf = WaitForPdf(title);
    ASSERT_FALSE(pdf.empty()) << "no PDF arrived in " << out;
    EXPECT_EQ(PageCount(pdf), 24);
    EXPECT_NE(RunCommand("pdfinfo '" + pdf.string() + "'").find("(A4)"), std::string::npos);
    // Page 7, the first tile of the second page: the square's middle lies
    // half a tile from the image's corner.
    const MyPrinterDataStruct__& r = job.Record();
    const int dpi = 50;
    const int cx = int((r.positionX + 50 * r.scale) / 25.4 * dpi);
    const int cy = int((r.positionY + 70 * r.scale) / 25.4 * dpi);
    const int half = int(100 * r.scale / 25.4 * dpi / 2);
    const Pixels p = Render(pdf, 7, dpi, cx - half, cy - half, 2 * half, 2 * half);
    ASSERT_GT(p.width, 0);
    EXPECT_TRUE(Dark(p.At(half, half))) << "vector " << int(vector);
    EXPECT_TRUE(White(p.At(2, 2)));
    EXPECT_TRUE(White(p.At(p.width - 3, p.height - 3)));
    fs::remove(pdf);
  }
}

// A drawing wider than tall is printed landscape: the server puts the
// landscape page on the portrait sheet turned a quarter, at full size (no
// second turn, no shrinking), its square in the middle as placed.
TEST_F(CupsPrintJobTest, ALandscapeDrawingArrivesTurnedAtFullSize) {
  KVN_REQUIRE_CUPS();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  TiledDrawing t(240, 150, 1, 1, 0);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.vectorMode = 1;
  APXPrintOut job(t.Drawing(), o);
  ASSERT_GT(job.Record().paperWidth, job.Record().paperHeight);
  const std::string title = UniqueTitle();
  job.documentName = WString::FromUtf8(title);
  ASSERT_TRUE(RunPrintJob(&owner_, &job, 1, false, nullptr));
  const fs::path pdf = WaitForPdf(title);
  ASSERT_FALSE(pdf.empty());
  const int dpi = 50;
  const Pixels page = Render(pdf, 1, dpi, 0, 0, 1000, 1000);
  ASSERT_GT(page.width, 0);
  int left = page.width, right = -1, top = page.height, bottom = -1;
  for (int y = 0; y < page.height; ++y) {
    for (int x = 0; x < page.width; ++x) {
      if (!Dark(page.At(x, y))) continue;
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  ASSERT_GE(right, 0) << "nothing printed";
  const double zoom = job.Record().scale;
  const double across = (right - left + 1) * 25.4 / dpi, down = (bottom - top + 1) * 25.4 / dpi;
  const double longSide = 80 * zoom, shortSide = 50 * zoom;
  if (page.width < page.height) {
    EXPECT_NEAR(down, longSide, 2.0);
    EXPECT_NEAR(across, shortSide, 2.0);
  } else {
    EXPECT_NEAR(across, longSide, 2.0);
    EXPECT_NEAR(down, shortSide, 2.0);
  }
  EXPECT_NEAR((left + right) / 2.0, page.width / 2.0, 3);
  EXPECT_NEAR((top + bottom) / 2.0, page.height / 2.0, 3);
  fs::remove(pdf);
}

// Colour mode 0 gives only black and white pixels, 1 only greys. The
// queue's filters print every page again as a picture with smoothed edges,
// so its PDF is held to "no colour, and in mode 0 black and white but for
// edge pixels"; the exact rule is checked on the same job printed to a file.
struct PixelCount {
  int dark = 0, coloured = 0, notBlackWhite = 0;
};
PixelCount CountPixels(const Pixels& p) {
  PixelCount n;
  for (int y = 0; y < p.height; ++y) {
    for (int x = 0; x < p.width; ++x) {
      const auto c = p.At(x, y);
      if (!White(c)) ++n.dark;
      const bool grey = c[0] == c[1] && c[1] == c[2];
      if (!grey) ++n.coloured;
      if (!grey || (c[0] != 0 && c[0] != 255)) ++n.notBlackWhite;
    }
  }
  return n;
}

class FileChooser final : public PrintFileChooser {
 public:
  FileChooser() : previous_(SetPrintFileChooser(this)) {}
  ~FileChooser() override { SetPrintFileChooser(previous_); }
  bool ChooseFile(ProgressMonitor&, const WString&, DialogFolder&, const WString&, const WString&,
                  WString& chosen) override {
    chosen = WString::FromUtf8(path);
    return true;
  }
  std::string path;

 private:
  PrintFileChooser* previous_;
};

TEST_F(CupsPrintJobTest, BlackAndWhiteAndGreyPagesHoldNoColour) {
  KVN_REQUIRE_CUPS();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  test::ScratchDir scratch;
  FileChooser chooser;
  chooser.path = (scratch.Path() / "page.prn").string();
  TiledDrawing t(100, 140, 1, 1, 0, 0x0000A0);
  auto* green = new cRectangle();
  green->corner1 = {20, 20};
  green->corner2 = {40, 60};
  green->fill.fillColor = green->stroke.color = 0x00D000;
  ObjectChain chain;
  chain.Append(green);
  t.sheet->TopBlock().AppendChain(std::move(chain));
  for (int mode : {0, 1}) {
    for (std::uint8_t vector : {0, 1}) {
      for (bool toFile : {false, true}) {
        PrintOutOptions o;
        o.printer = printer;
        o.printScale = 1;
        o.colorMode = mode;
        o.vectorMode = vector;
        APXPrintOut job(t.Drawing(), o);
        const std::string title = UniqueTitle();
        job.documentName = WString::FromUtf8(title);
        ASSERT_TRUE(RunPrintJob(&owner_, &job, 1, toFile, nullptr));
        const fs::path pdf = toFile ? fs::path(chooser.path) : WaitForPdf(title);
        ASSERT_FALSE(pdf.empty());
        const MyPrinterDataStruct__& r = job.Record();
        const int dpi = r.resolutionX;
        const Pixels p = Render(pdf, 1, dpi, int(r.positionX / 25.4 * dpi), int(r.positionY / 25.4 * dpi),
                                int(100 * r.scale / 25.4 * dpi), int(140 * r.scale / 25.4 * dpi));
        ASSERT_GT(p.width, 0);
        const PixelCount n = CountPixels(p);
        const std::string what = "mode " + std::to_string(mode) + (vector ? " vector" : " raster") +
                                 (toFile ? " file" : " queue");
        EXPECT_GT(n.dark, 1000) << what;
        EXPECT_EQ(n.coloured, 0) << what;
        if (toFile && !vector) {
          // The bands themselves: grey pictures of at most 1000 x 1000, one
          // bit deep in black and white.
          std::istringstream list(RunCommand("pdfimages -list '" + pdf.string() + "'"));
          std::string line;
          std::getline(list, line);
          std::getline(list, line);
          int images = 0;
          while (std::getline(list, line)) {
            std::istringstream f(line);
            std::string page, num, type, color, comp, bpc;
            int width = 0, height = 0;
            f >> page >> num >> type >> width >> height >> color >> comp >> bpc;
            ++images;
            EXPECT_LE(width, kPrintBandSize) << what;
            EXPECT_LE(height, kPrintBandSize) << what;
            EXPECT_EQ(color, "gray") << what << ": " << line;
            if (mode == 0) {
              EXPECT_EQ(bpc, "1") << what << ": " << line;
            }
          }
          EXPECT_GT(images, 0) << what;
        } else if (mode == 0 && toFile) {
          // Pixels of vector output come out exactly black or white.
          EXPECT_EQ(n.notBlackWhite, 0) << what;
        } else if (mode == 0) {
          EXPECT_LT(n.notBlackWhite, n.dark / 10) << what;
        }
        fs::remove(pdf);
      }
    }
  }
}

TEST_F(CupsPrintJobTest, PrintToFileWritesTheSamePages) {
  KVN_REQUIRE_CUPS();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  test::ScratchDir scratch;
  FileChooser chooser;
  chooser.path = (scratch.Path() / "drawing.prn").string();
  TiledDrawing t(100, 140, 2, 3, 4);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  APXPrintOut job(t.Drawing(), o);
  const std::string title = UniqueTitle();
  job.documentName = WString::FromUtf8(title);
  ASSERT_TRUE(RunPrintJob(&owner_, &job, 1, true, nullptr));
  EXPECT_EQ(PageCount(chooser.path), 24);
  EXPECT_NE(RunCommand("pdfinfo '" + chooser.path + "'").find("(A4)"), std::string::npos);
  EXPECT_FALSE(PdfWithin(title, 3)) << "print to file reached the queue";
}

// A progress dialog that answers the cancel question at its first pump.
class CancellingWindow final : public ProgressWindow {
 public:
  explicit CancellingWindow(ProgressMonitor& m) : monitor_(m) {}
  bool HasWindow() const override { return true; }
  cMsgDlg* GetMessageOwner() override { return &owner_; }
  void SetCaption(const WString&) override {}
  void SetValueText(const WString&) override {}
  void ShowBar(std::uint32_t) override {}
  void HideBar() override {}
  void SetDetailText(const WString&) override {}
  void DisableCancel() override {}
  void PumpMessages() override { monitor_.AskCancel(); }
  void UpdateCursor(bool) override {}

 private:
  ProgressMonitor& monitor_;
  Owner owner_;
};

class CancellingFactory final : public ProgressWindowFactory {
 public:
  CancellingFactory() : previous_(SetProgressWindowFactory(this)) {}
  ~CancellingFactory() override { SetProgressWindowFactory(previous_); }
  std::unique_ptr<ProgressWindow> CreateProgressWindow(ProgressMonitor& m, cMsgDlg&, ProgressWindow*) override {
    ++shown;
    return std::make_unique<CancellingWindow>(m);
  }
  int shown = 0;

 private:
  ProgressWindowFactory* previous_;
};

// A print-out that takes its time over each page, and can delete its queue
// after a page (the test seam of a vanishing queue).
class SlowPrintOut final : public APXPrintOut {
 public:
  using APXPrintOut::APXPrintOut;
  bool PrintPage(TDC* dc, int page, bool capture, std::uint8_t* out, ProgressMonitor* monitor, int done, int total,
                 bool useFilter, bool noDevice, int reserved) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    const bool ok = APXPrintOut::PrintPage(dc, page, capture, out, monitor, done, total, useFilter, noDevice, reserved);
    if (page == deleteQueueAfter) RunCommand("lpadmin -x " + queueToDelete + " 2>&1");
    return ok;
  }
  int delayMs = 0;
  int deleteQueueAfter = -1;
  std::string queueToDelete;
};

TEST_F(CupsPrintJobTest, ALongJobShowsTheProgressDialogAndCancelLeavesNoOutput) {
  KVN_REQUIRE_CUPS();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  CancellingFactory dialogs;
  TiledDrawing t(100, 140, 2, 3, 4);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.vectorMode = 1;
  SlowPrintOut job(t.Drawing(), o);
  job.delayMs = 150;
  const std::string title = UniqueTitle();
  job.documentName = WString::FromUtf8(title);
  EXPECT_FALSE(RunPrintJob(&owner_, &job, 1, false, nullptr));
  EXPECT_EQ(dialogs.shown, 1);
  ASSERT_FALSE(boxes_.texts.empty());
  EXPECT_EQ(boxes_.texts.back(), "Printing canceled");
  EXPECT_FALSE(PdfWithin(title, 4)) << "a cancelled job printed";
}

TEST_F(CupsPrintJobTest, AQueueDeletedMidJobCancelsCleanly) {
  KVN_REQUIRE_CUPS();
  if (::geteuid() != 0) GTEST_SKIP() << "adding and deleting a queue needs root";
  const std::string queue = "KVN_GONE_" + std::to_string(::getpid());
  // Its PDFs would land where the A4 queue's do, so that "no output" is looked for
  // in the right place.
  const std::string conf = "/etc/cups/cups-pdf-" + queue + ".conf";
  std::ofstream(conf) << "Out " << test::CupsOutFolder(test::CupsTestQueue()).string() << "\nLabel 0\n";
  RunCommand("lpadmin -p " + queue + " -E -v cups-pdf:/" + queue +
             " -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd -o media-default=iso_a4_210x297mm 2>&1");
  ResetPrinters();
  PrinterInfo* printer = Queue(queue);
  ASSERT_TRUE(printer) << "the queue could not be added";
  TiledDrawing t(100, 140, 2, 3, 4);
  PrintOutOptions o;
  o.printer = printer;
  o.printScale = 1;
  o.vectorMode = 1;
  SlowPrintOut job(t.Drawing(), o);
  job.deleteQueueAfter = 3;
  job.queueToDelete = queue;
  const std::string title = UniqueTitle();
  job.documentName = WString::FromUtf8(title);
  EXPECT_FALSE(RunPrintJob(&owner_, &job, 1, false, nullptr));
  RunCommand("lpadmin -x " + queue + " 2>&1");
  fs::remove(conf);
  ASSERT_FALSE(boxes_.texts.empty());
  const std::string& said = boxes_.texts.back();
  EXPECT_TRUE(said.rfind("Error encountered during print - ", 0) == 0 ||
              said.rfind("Printing aborted in Print Manager - ", 0) == 0)
      << said;
  EXPECT_FALSE(PdfWithin(title, 4));
}


// The pictures of each page of a PDF (pdfimages -list), as "width x height".
std::vector<std::multiset<std::string>> PicturesByPage(const fs::path& pdf, int pages) {
  std::vector<std::multiset<std::string>> byPage(std::size_t(std::max(pages, 0)));
  std::istringstream list(RunCommand("pdfimages -list '" + pdf.string() + "' 2>/dev/null"));
  std::string line;
  for (int header = 0; header < 2 && std::getline(list, line);) ++header;
  while (std::getline(list, line)) {
    std::istringstream f(line);
    int page = 0, num = 0, width = 0, height = 0;
    std::string type;
    if (!(f >> page >> num >> type >> width >> height) || page < 1 || page > pages) continue;
    byPage[std::size_t(page - 1)].insert(std::to_string(width) + " x " + std::to_string(height));
  }
  return byPage;
}

// Whether page `page` (from 1) of a PDF cairo wrote draws something
// semi-transparent: its resources hold a graphics state of alpha below 1.
bool SemiTransparentPage(const std::string& pdf, int page) {
  const std::size_t at = pdf.find("<< /Type /Page % " + std::to_string(page) + "\n");
  const std::size_t resources = pdf.find("/Resources ", at);
  if (at == std::string::npos || resources == std::string::npos) return false;
  const std::string object = "\n" + std::to_string(std::atoi(pdf.c_str() + resources + 11)) + " 0 obj\n";
  const std::size_t from = pdf.find(object);
  const std::size_t to = pdf.find("endobj", from);
  return from != std::string::npos && pdf.substr(from, to - from).find("/ca 0.") != std::string::npos;
}

// "Print to a vector graphics" reaches the PDF printer as vectors: every
// page of the sample drawing and of a plain DXF arrives with only the
// drawing's own pictures (those of the same job printed to a file), not as
// one picture of the page. The queue's filters turn every page that carries
// a transparency group into a picture; they do the same with a page that
// draws something semi-transparent (the queue's PostScript stage has no
// transparency), which the print command warns of.
TEST_F(CupsPrintJobTest, VectorPagesArriveAsVectors) {
  KVN_REQUIRE_CUPS();
  KVN_REQUIRE_TESTDATA(data);
  InstallReaders();
  PrinterInfo* printer = Queue(test::CupsTestQueue());
  ASSERT_TRUE(printer);
  test::ScratchDir scratch;
  FileChooser chooser;
  const fs::path sources = fs::path(__FILE__).parent_path().parent_path().parent_path();
  for (const fs::path& file : {sources / "samples" / "sample.kvn", data / "dxf" / "ezdxf_AC1003_LINE_Example.dxf"}) {
    SCOPED_TRACE(file.filename().string());
    OpenRequest request;
    request.quiet = true;
    OpenOutcome outcome;
    auto doc = OpenDrawingFile(WString::FromUtf8(file.string()), request, outcome);
    ASSERT_NE(doc, nullptr);
    PrintOutOptions o;
    o.printer = printer;
    o.vectorMode = 1;
    APXPrintOut job(doc->GetSheet(0)->Drawing(), o);
    const std::string title = UniqueTitle();
    job.documentName = WString::FromUtf8(title);
    ASSERT_TRUE(RunPrintJob(&owner_, &job, 1, false, nullptr)) << (boxes_.texts.empty() ? "" : boxes_.texts.back());
    const fs::path pdf = WaitForPdf(title);
    ASSERT_FALSE(pdf.empty());
    chooser.path = (scratch.Path() / (file.stem().string() + ".prn")).string();
    APXPrintOut toFile(doc->GetSheet(0)->Drawing(), o);
    ASSERT_TRUE(RunPrintJob(&owner_, &toFile, 1, true, nullptr));
    EXPECT_EQ(job.vectorPagesAsPictures, 0);
    const int pages = PageCount(pdf);
    ASSERT_GE(pages, 1);
    EXPECT_EQ(PageCount(chooser.path), pages);
    const auto arrived = PicturesByPage(pdf, pages), sent = PicturesByPage(chooser.path, pages);
    std::ifstream in(chooser.path, std::ios::binary);
    const std::string sentPdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int opaquePages = 0;
    for (int page = 0; page < pages; ++page) {
      if (SemiTransparentPage(sentPdf, page + 1)) {
        EXPECT_EQ(job.transparencyWarning, 1);
        continue;
      }
      ++opaquePages;
      EXPECT_EQ(arrived[std::size_t(page)].size(), sent[std::size_t(page)].size()) << "page " << page + 1;
      for (const std::string& picture : arrived[std::size_t(page)])
        EXPECT_TRUE(sent[std::size_t(page)].count(picture)) << "page " << page + 1 << ": " << picture;
    }
    EXPECT_GE(opaquePages, pages - 1);
    fs::remove(pdf);
  }
}

}  // namespace
}  // namespace kvn
