// kvn-render run as a user runs it: a drawing of every kind the viewer
// reads becomes a PNG of the asked size with ink inside the fitted area and
// white paper around it; one small DXF is compared with its reviewed
// picture; files that do not open give the viewer's message and no PNG.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/DrawingServices.h"
#include "document/OpenDrawingFile.h"
#include "document/PartialReadNotice.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/LangTable.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PaperSpaceDxf.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"
#include "tools/InkMask.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  std::string out;
  int status = -1;
};

// `environment` is put before the command (NAME=value ...).
ToolRun RunRender(const std::string& arguments, const std::string& environment = {}) {
  const std::string command = environment + " " + std::string(KVN_RENDER_PATH) + " " + arguments + " 2>&1";
  ToolRun r;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return r;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.out.append(buf, n);
  r.status = pclose(pipe);
  return r;
}

// The shipped sample, found from this source file as the other tests do.
fs::path SamplePath() { return fs::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn"; }

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

// The box of the non-white pixels; x2 < 0 when there are none.
struct InkBox {
  int x1 = 1 << 30, y1 = 1 << 30, x2 = -1, y2 = -1;
};
InkBox InkBoxOf(const test::Picture& p) {
  InkBox b;
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x)
      if (p.At(x, y) != 0xFFFFFFu) {
        b.x1 = std::min(b.x1, x);
        b.x2 = std::max(b.x2, x);
        b.y1 = std::min(b.y1, y);
        b.y2 = std::max(b.y2, y);
      }
  return b;
}

TEST(KvnRenderTest, EveryKindOfDrawingFillsTheFittedAreaOnWhitePaper) {
  KVN_REQUIRE_TESTDATA(data);
  test::ScratchDir dir;
  const fs::path sample = SamplePath();
  const fs::path files[] = {sample,
                            data / "dxf/libredwg_example_r12.dxf",
                            data / "dxf/ezdxf_hatches_1.dxf",
                            data / "dwg/libredwg_example_2004.dwg",
                            data / "dwg/libredwg_r11_entities-2d.dwg",
                            data / "dgn/dgnlib_samp4.dgn",
                            data / "metafile/libwmf_sample.wmf",
                            data / "metafile/emf2svg_test-181.emf",
                            data / "raster/imagers_basi2c08.png",
                            data / "raster/imagers_rgb24.bmp"};
  constexpr int kWidth = 360, kHeight = 200;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    const fs::path png = dir / (file.filename().string() + ".png");
    const ToolRun r = RunRender("--width 360 --height 200 " + Quoted(file) + " " + Quoted(png));
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.out.rfind("{\"result\": 0, \"sheet\": 0, \"page\": null, \"extent\": [", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("\"ms\": {\"open\": "), std::string::npos) << r.out;
    test::Picture picture;
    ASSERT_TRUE(test::ReadPng(png, &picture));
    ASSERT_EQ(picture.width, kWidth);
    ASSERT_EQ(picture.height, kHeight);
    // The fit leaves 12 pixels on every side; strokes may reach a few
    // pixels beyond the objects' geometry, never to the picture's edge.
    const InkBox ink = InkBoxOf(picture);
    ASSERT_GE(ink.x2, 0) << "no ink";
    EXPECT_GE(ink.x1, 6);
    EXPECT_GE(ink.y1, 6);
    EXPECT_LE(ink.x2, kWidth - 7);
    EXPECT_LE(ink.y2, kHeight - 7);
    // The limiting axis is filled up to the inset; the other is centred.
    const int spanX = ink.x2 - ink.x1 + 1, spanY = ink.y2 - ink.y1 + 1;
    EXPECT_TRUE(spanX >= kWidth - 2 * 12 - 8 || spanY >= kHeight - 2 * 12 - 8) << spanX << " x " << spanY;
    EXPECT_NEAR((ink.x1 + ink.x2) / 2.0, kWidth / 2.0, 12.0);
    EXPECT_NEAR((ink.y1 + ink.y2) / 2.0, kHeight / 2.0, 12.0);
  }
}

TEST(KvnRenderTest, SheetsPagesAndTheFrameAreChosenByTheOptions) {
  test::ScratchDir dir;
  const fs::path sample = SamplePath();
  const fs::path png = dir / "page.png";
  ToolRun r = RunRender("--page 0 --frame --width 300 --height 240 " + Quoted(sample) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("\"page\": 0,"), std::string::npos) << r.out;
  test::Picture framed;
  ASSERT_TRUE(test::ReadPng(png, &framed));
  // The window's outside area (light yellow) is there with --frame only.
  EXPECT_EQ(framed.At(1, 1), 0xFFFFC0u);

  for (const char* bad : {"--sheet 99", "--page 4000", "--width 0", "--height -3", "--bogus"}) {
    SCOPED_TRACE(bad);
    const fs::path none = dir / "none.png";
    r = RunRender(std::string(bad) + " " + Quoted(sample) + " " + Quoted(none));
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_FALSE(fs::exists(none));
  }

  // A drawing whose name starts with "-" is an unknown option, unless the
  // options have ended at "--" (run in its folder, to be named as it is).
  std::ofstream(dir / "-x.dxf") << test::DxfWriter().Section("ENTITIES").Line("0", 0, 0, 10, 5).EndSection().Eof()
                                       .Bytes();
  const std::string inFolder = "cd " + Quoted(dir.Path()) + " &&";
  r = RunRender("-x.dxf dash.png", inFolder);
  EXPECT_NE(r.status, 0) << r.out;
  EXPECT_FALSE(fs::exists(dir / "dash.png"));
  r = RunRender("--width 80 -- -x.dxf dash.png", inFolder);
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"result\": 0,", 0), 0u) << r.out;
  test::Picture dash;
  ASSERT_TRUE(test::ReadPng(dir / "dash.png", &dash));
  EXPECT_EQ(dash.width, 80);
}

// On every sheet the last page is painted and the page just past it is
// refused, with no picture; a sheet without pages has its objects as the
// one page 0.
TEST(KvnRenderTest, ThePageJustPastTheLastIsRefusedOnEverySheet) {
  test::ScratchDir dir;
  const fs::path sample = SamplePath();
  const fs::path noPages = dir / "no-pages.dxf";
  std::ofstream(noPages) << "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\n0\n10\n0\n20\n0\n11\n10\n21\n5\n"
                            "0\nENDSEC\n0\nEOF\n";
  InstallDrawingServices();
  int sheetsWithPages = 0, sheetsWithout = 0;
  for (const fs::path& file : {sample, noPages}) {
    OpenRequest request;
    request.quiet = true;
    DocumentResult opened = OpenDrawing(WString::FromUtf8(file.string()), request);
    ASSERT_TRUE(opened.Ok() && opened.Document()) << file;
    for (std::uint32_t s = 0; s < opened.Document()->SheetCount(); ++s) {
      const std::uint32_t pages = opened.Document()->GetSheet(s)->Drawing().PageCount();
      ++(pages > 0 ? sheetsWithPages : sheetsWithout);
      const std::uint32_t past = std::max<std::uint32_t>(pages, 1);
      for (const std::uint32_t page : {past - 1, past}) {
        SCOPED_TRACE(::testing::Message() << file.filename().string() << " sheet " << s << " of " << pages
                                          << " pages, --page " << page);
        const fs::path png = dir / ("page-" + std::to_string(s) + "-" + std::to_string(page) + ".png");
        const ToolRun r = RunRender("--sheet " + std::to_string(s) + " --page " + std::to_string(page) +
                                    " --width 120 --height 90 " + Quoted(file) + " " + Quoted(png));
        if (page < past) {
          EXPECT_EQ(r.status, 0) << r.out;
          EXPECT_TRUE(fs::exists(png));
        } else {
          EXPECT_NE(r.status, 0) << r.out;
          EXPECT_NE(r.out.find("\"message\": \""), std::string::npos) << r.out;
          EXPECT_FALSE(fs::exists(png));
        }
      }
    }
  }
  EXPECT_GT(sheetsWithPages, 0);
  EXPECT_GT(sheetsWithout, 0);
}

TEST(KvnRenderTest, FilesThatDoNotOpenGiveTheViewersMessageAndNoPicture) {
  test::ScratchDir dir;
  const fs::path empty = dir / "empty.dxf";
  std::ofstream(empty).close();
  const fs::path damaged = dir / "damaged.dwg";
  std::ofstream(damaged, std::ios::binary) << "AC1015" << std::string(40, '\x7f');
  for (const fs::path& file : {dir / "missing.dxf", empty, damaged}) {
    SCOPED_TRACE(file.filename().string());
    const fs::path png = dir / (file.filename().string() + ".png");
    const ToolRun r = RunRender(Quoted(file) + " " + Quoted(png));
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out.rfind("{\"result\": ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("{\"result\": 0,"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\"message\": \""), std::string::npos) << r.out;
    EXPECT_FALSE(fs::exists(png));
  }
}

// A drawing whose model space is empty is painted from the layout that
// holds its content, as the window opens it; its empty model stays white.
TEST(KvnRenderTest, PaperSpaceDrawingIsPaintedFromItsLayout) {
  test::ScratchDir dir;
  const fs::path file = dir / "paper.dxf";
  std::ofstream(file, std::ios::binary) << test::PaperSpaceOnlyDxf();
  const fs::path png = dir / "paper.png";
  ToolRun r = RunRender("--width 300 --height 200 " + Quoted(file) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"result\": 0, \"sheet\": 1, ", 0), 0u) << r.out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  EXPECT_GE(InkBoxOf(picture).x2, 0) << "no ink";

  r = RunRender("--sheet 0 --width 300 --height 200 " + Quoted(file) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"result\": 0, \"sheet\": 0, ", 0), 0u) << r.out;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  EXPECT_LT(InkBoxOf(picture).x2, 0) << "the model has ink";
}

// A file of a BLOCKS section only, whose drawing lies in its *Paper_Space
// block, is painted from its paper sheet; kvn-dump lists that sheet's
// objects and the further *Paper_Space28 as a sheet of its own.
TEST(KvnRenderTest, PaperSpaceHeldInItsBlockIsPaintedAndDumped) {
  test::ScratchDir dir;
  const fs::path file = dir / "blocks.dxf";
  std::ofstream(file, std::ios::binary) << test::PaperSpaceBlockOnlyDxf();
  const fs::path png = dir / "blocks.png";
  ToolRun r = RunRender("--width 300 --height 200 " + Quoted(file) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"result\": 0, \"sheet\": 1, ", 0), 0u) << r.out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  EXPECT_GE(InkBoxOf(picture).x2, 0) << "no ink";

  const std::string command = std::string(KVN_DUMP_PATH) + " " + Quoted(file) + " 2>&1";
  std::string out;
  if (std::FILE* pipe = popen(command.c_str(), "r")) {
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    EXPECT_EQ(pclose(pipe), 0) << out;
  }
  EXPECT_EQ(out.rfind("{\"result\": 0, ", 0), 0u) << out;
  // The paper sheet's objects: the insert, the text, the line and the view
  // onto the model.
  EXPECT_NE(out.find("\"name\": \"Paper\", \"pages\": 0, \"objectsOnPage\": [4]"), std::string::npos) << out;
  EXPECT_NE(out.find("\"name\": \"*Paper_Space28\""), std::string::npos) << out;
}

// A real drawing of that kind (an old DWG whose entities are all flagged as
// paper space) fills the picture from its paper sheet.
TEST(KvnRenderTest, RealPaperSpaceDrawingIsPaintedFromItsPaperSheet) {
  KVN_REQUIRE_TESTDATA(data);
  test::ScratchDir dir;
  const fs::path png = dir / "aceb10.png";
  const ToolRun r =
      RunRender("--width 300 --height 200 " + Quoted(data / "dwg/libredwg_r11_ACEB10.dwg") + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.rfind("{\"result\": 0, \"sheet\": 1, ", 0), 0u) << r.out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  const InkBox ink = InkBoxOf(picture);
  EXPECT_GT(ink.y2 - ink.y1, 150) << "the paper sheet does not fill the picture";
}

// A file cut short is painted from what could be read, and the JSON line
// says so with the viewer's notice (in the language the tool runs in); an
// intact file carries no warning.
TEST(KvnRenderTest, CutFileCarriesThePartialReadNotice) {
  test::ScratchDir dir;
  test::DxfWriter w;
  w.Section("ENTITIES").Line("0", 0, 0, 100, 50).Line("0", 0, 50, 100, 0);
  const std::string opened = w.Bytes();
  const std::string whole = w.EndSection().Eof().Bytes();
  const fs::path cut = dir / "cut.dxf", intact = dir / "intact.dxf";
  std::ofstream(cut, std::ios::binary) << opened << "0\nLINE\n8\n0\n10\n5";
  std::ofstream(intact, std::ios::binary) << whole;
  const fs::path png = dir / "out.png";

  ToolRun r = RunRender(Quoted(intact) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out.find("\"warnings\""), std::string::npos) << r.out;

  r = RunRender(Quoted(cut) + " " + Quoted(png));
  ASSERT_EQ(r.status, 0) << r.out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  EXPECT_GE(InkBoxOf(picture).x2, 0) << "what was read is not painted";
  bool told = false;
  for (int language : {kLanguageCzech, kLanguageSlovak, kLanguageEnglish}) {
    SetLanguageIndex(language);
    InvalidateLangTable();
    std::string expected = "\"warnings\": [\"";
    for (char c : PartialReadText(WString::FromUtf8(cut.string())).ToUtf8()) {
      if (c == '\n') expected += "\\n";
      else expected += c;
    }
    told = told || r.out.find(expected + "\"]") != std::string::npos;
  }
  EXPECT_TRUE(told) << r.out;
}

// Dimensions with arrows and text, in fonts pinned for the test.
TEST(KvnRenderTest, SmallDxfMatchesItsReviewedPicture) {
  KVN_REQUIRE_TESTDATA(data);
  if (!test::FontFilesPresent({test::kLiberationSans, test::kDejaVuSans})) GTEST_SKIP() << "fonts missing";
  test::ScratchDir dir;
  test::PrivateFonts fonts("kvn-render", {test::kLiberationSans, test::kDejaVuSans});
  const fs::path conf = fs::current_path() / "private-fonts" / "kvn-render" / "fonts.conf";
  const fs::path png = dir / "dimensions.png";
  const ToolRun r = RunRender("--width 320 --height 240 " + Quoted(data / "dxf/ezdxf_dimension_in_block.dxf") + " " +
                              Quoted(png),
                          "FONTCONFIG_FILE=" + Quoted(conf));
  ASSERT_EQ(r.status, 0) << r.out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  test::ExpectMatchesGolden(picture, "kvn_render_dimensions", 48);
}

// The measure the peer comparisons use, on pictures whose answer is known.
TEST(InkMaskTest, CropScaleAndNearnessBehaveAsTheComparisonsNeed) {
  using tool::InkMask;
  auto blank = [](int w, int h) {
    InkMask m;
    m.width = w;
    m.height = h;
    m.ink.assign(std::size_t(w * h), 0);
    return m;
  };
  // A one-pixel diagonal in a large margin.
  InkMask line = blank(1000, 600);
  for (int i = 0; i < 500; ++i) line.ink[std::size_t((50 + i) * 1000 + 200 + i)] = 1;
  const InkMask cropped = tool::CropToInk(line);
  EXPECT_EQ(cropped.width, 500);
  EXPECT_EQ(cropped.height, 500);
  // A reduction keeps the line unbroken: every row and column has ink.
  const InkMask small = tool::ScaleMask(cropped, 40, 40);
  for (int i = 0; i < 40; ++i) EXPECT_TRUE(small.At(i, i)) << i;
  const InkMask stored = tool::StoredMaskOf(line);
  EXPECT_EQ(stored.width, tool::kStoredSide);
  EXPECT_EQ(stored.height, tool::kStoredSide);
  // Shifted by two pixels: near within 3, not within 1.
  InkMask shifted = blank(400, 400), base = blank(400, 400);
  for (int i = 0; i < 400; ++i) {
    base.ink[std::size_t(200 * 400 + i)] = 1;
    shifted.ink[std::size_t(202 * 400 + i)] = 1;
  }
  EXPECT_DOUBLE_EQ(tool::InkWithin(base, shifted, 3), 1.0);
  EXPECT_DOUBLE_EQ(tool::InkWithin(base, shifted, 1), 0.0);
  // The same drawing at another size and margin agrees with itself.
  InkMask big = blank(1600, 1200);
  for (int i = 0; i < 1000; ++i) {
    big.ink[std::size_t((100 + i) * 1600 + 300)] = 1;
    big.ink[std::size_t(100 * 1600 + 300 + i)] = 1;
  }
  InkMask other = blank(700, 500);
  for (int i = 0; i < 400; ++i) {
    other.ink[std::size_t((40 + i) * 700 + 90)] = 1;
    other.ink[std::size_t(40 * 700 + 90 + i)] = 1;
  }
  const tool::InkAgreement same = tool::CompareWithPeer(tool::StoredMaskOf(big), other);
  EXPECT_GT(same.peerNearOurs, 0.99);
  EXPECT_GT(same.oursNearPeer, 0.99);
  // Stored and read back bit for bit (widths not a multiple of 8).
  test::ScratchDir dir;
  InkMask odd = blank(13, 5);
  odd.ink[0] = odd.ink[12] = odd.ink[64] = 1;
  ASSERT_TRUE(tool::WritePbm(odd, (dir / "odd.pbm").string()));
  const InkMask back = tool::ReadPbm((dir / "odd.pbm").string());
  EXPECT_EQ(back.width, 13);
  EXPECT_EQ(back.ink, odd.ink);
  EXPECT_TRUE(tool::ReadPbm((dir / "missing.pbm").string()).Empty());
}

}  // namespace
}  // namespace kvn
