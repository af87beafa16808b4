// A pattern hatch painted by kvn-render as the window paints it: thin
// pattern lines over the whole area, in the layer's colour, beside a solid
// hatch that stays solid.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/DxfWriter.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using test::DxfWriter;

void Square(DxfWriter& w, std::string_view pattern, double x) {
  w.Str(0, "HATCH").Str(8, "RED").Point(10, 0, 0).Str(2, pattern).Int(70, pattern == "SOLID" ? 1 : 0).Int(71, 0);
  w.Int(91, 1).Int(92, 2).Int(72, 0).Int(73, 1).Int(93, 4);
  w.Real(10, x).Real(20, 0).Real(10, x + 100).Real(20, 0).Real(10, x + 100).Real(20, 100).Real(10, x).Real(20, 100);
  w.Int(97, 0).Int(75, 0).Int(76, 1).Real(52, 0).Real(41, 1.0).Int(77, 0).Int(98, 0);
}

// Shares of red and of other ink in a window of the picture.
void Shares(const test::Picture& p, int x0, int y0, int x1, int y1, double& red, double& other) {
  int r = 0, o = 0, all = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x, ++all) {
      const std::uint32_t c = p.At(x, y);
      const int R = int(c >> 16 & 0xFF), G = int(c >> 8 & 0xFF), B = int(c & 0xFF);
      if (R > 160 && G < 100 && B < 100) {
        ++r;
      } else if (R < 208 || G < 208 || B < 208) {
        ++o;
      }
    }
  }
  red = double(r) / all;
  other = double(o) / all;
}

TEST(PatternHatchRenderTest, APatternHatchPaintsLinesInItsLayersColour) {
  test::ScratchDir dir;
  DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER").Layer("0", 7).Layer("RED", 1).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES");
  Square(w, "ANSI31", 0);
  Square(w, "SOLID", 120);
  w.EndSection().Eof();
  const fs::path dxf = dir / "hatch.dxf", png = dir / "hatch.png";
  std::ofstream(dxf, std::ios::binary) << w.Bytes();
  const std::string command = std::string(KVN_RENDER_PATH) + " --width 460 --height 200 '" + dxf.string() + "' '" +
                              png.string() + "' > /dev/null 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  test::Picture picture;
  ASSERT_TRUE(test::ReadPng(png, &picture));
  // 220 x 100 units fitted into 460 x 200 less the inset: about 1.6 pixels
  // a unit, the pattern square on the left, the solid one on the right.
  double red = 0, other = 0;
  const int mid = picture.height / 2;
  Shares(picture, 40, mid - 50, 140, mid + 50, red, other);
  EXPECT_GT(red, 0.03) << "the pattern lines are missing";
  EXPECT_LT(red, 0.5) << "a pattern hatch must not paint as a solid area";
  EXPECT_LT(other, 0.02) << "the pattern lines take the layer's colour";
  Shares(picture, 320, mid - 50, 420, mid + 50, red, other);
  EXPECT_GT(red, 0.95);
}

}  // namespace
}  // namespace kvn
