// kvn-render on a drawing whose text styles name five TrueType files and one
// SHX file that nobody has, beside a built-in SHX font and an installed
// family: every text leaves ink in its own band of rows (a text that
// vanished leaves its band empty and the bands fewer).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/DxfWriter.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFontFiles[] = {"ariblk.ttf", "BRADHITC.TTF", "consola.ttf", "FiraCode-Retina.ttf",
                                      "impact.ttf", "nosuchfont.shx", "romans.shx", "arial.ttf"};
constexpr int kTexts = int(std::size(kFontFiles));

std::string StylesDrawing() {
  test::DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "STYLE").Int(70, kTexts);
  for (int i = 0; i < kTexts; ++i)
    w.Str(0, "STYLE").Str(2, "S" + std::to_string(i)).Int(70, 0).Real(40, 0.0).Real(41, 1.0).Str(3, kFontFiles[i]);
  w.Str(0, "ENDTAB").EndSection().Section("ENTITIES");
  // One text per band: 5 units high, 12 apart.
  for (int i = 0; i < kTexts; ++i) {
    w.Str(0, "TEXT").Str(8, "0").Point(10, 0.0, 12.0 * i).Real(40, 5.0).Str(1, "Font substitute Agz 0");
    w.Str(7, "S" + std::to_string(i));
  }
  w.EndSection().Eof();
  return w.Bytes();
}

TEST(KvnRenderFonts, EveryTextInAFontNobodyHasDraws) {
  if (!test::FontFilesPresent({test::kLiberationSans, test::kDejaVuSans})) GTEST_SKIP() << "fonts missing";
  test::ScratchDir dir;
  test::PrivateFonts fonts("kvn-render-fonts", {test::kLiberationSans, test::kDejaVuSans});
  const fs::path conf = fs::current_path() / "private-fonts" / "kvn-render-fonts" / "fonts.conf";
  const fs::path dxf = dir / "styles.dxf";
  std::ofstream(dxf, std::ios::binary) << StylesDrawing();
  const fs::path png = dir / "styles.png";
  const std::string command = "FONTCONFIG_FILE='" + conf.string() + "' " + std::string(KVN_RENDER_PATH) +
                              " --width 600 --height 600 '" + dxf.string() + "' '" + png.string() + "' 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[1024];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
  ASSERT_EQ(pclose(pipe), 0) << out;
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  // Rows with ink, grouped into bands separated by blank rows.
  std::vector<int> bandInk;
  bool inBand = false;
  for (int y = 0; y < picture.height; ++y) {
    int ink = 0;
    for (int x = 0; x < picture.width; ++x) ink += (picture.At(x, y) & 0xFF) < 0x80;
    if (ink > 0 && !inBand) bandInk.push_back(0);
    if (ink > 0) bandInk.back() += ink;
    inBand = ink > 0;
  }
  ASSERT_EQ(int(bandInk.size()), kTexts) << out;
  for (int ink : bandInk) EXPECT_GT(ink, 400);
}

}  // namespace
}  // namespace kvn
