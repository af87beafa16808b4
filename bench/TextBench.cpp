// Texts: 20,000 one-line texts, half in a TrueType face of the font table
// ("Arial", the installed stand-in) and half in the built-in Romans SHX font,
// laid out from dirty, then drawn into a 1920 x 1080 memory surface with all
// of them in view, and again at 100 % (scale 1) where the painter's extent
// test leaves most of them out.
//   kvn-bench-text [rounds]
// Prints the best and median milliseconds of each phase.
// Targets: layout under 40 ms, repaint under 100 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model/FontList.h"
#include "model/cDrawingData.h"
#include "model/cStyleFont.h"
#include "model/cText.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

using namespace kvn;

namespace {

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

void Report(const char* what, std::vector<double> v) {
  std::sort(v.begin(), v.end());
  std::printf("%-22s best %8.2f ms  median %8.2f ms\n", what, v.front(), v[v.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  constexpr int kWidth = 1920, kHeight = 1080, kColumns = 100, kRows = 200;
  InstallShxFonts();
  InstallTrueTypeLineDrawer();
  cDrawingData data;
  auto arial = std::make_unique<cStyleFont>();
  arial->name = WString(u"Arial");
  arial->BindFace(std::make_unique<TrueTypeFaceSet>(arial->name), nullptr);
  const std::uint16_t trueType = data.FontStyles().Add(std::move(arial));
  auto romans = std::make_unique<cStyleFont>();
  romans->name = WString(u"Romans.shx");
  romans->BindFace(nullptr, nullptr);
  const std::uint16_t shx = data.FontStyles().Add(std::move(romans));

  // A grid of 100 x 200 texts, 20 x 5 units apart: 2000 x 1000 units.
  std::vector<std::unique_ptr<cText>> texts;
  for (int i = 0; i < kColumns * kRows; ++i) {
    auto t = std::make_unique<cText>();
    t->SetText(WString::FromUtf8("Text " + std::to_string(i)));
    t->SetFontIndex(i % 2 ? shx : trueType);
    t->attr.height = 2.5;
    t->point = DPoint{20.0 * (i % kColumns), 5.0 * (i / kColumns)};
    t->alignment = std::uint8_t(i % 12);
    texts.push_back(std::move(t));
  }
  cRasterSurface surface(true);
  if (!surface.Prepare(TRect{0, 0, kWidth, kHeight})) {
    std::fprintf(stderr, "cannot prepare the surface\n");
    return 1;
  }
  surface.SetAntiAliasMode(1);
  auto paint = [&](double scale) {
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    WorldMapping m;
    m.scale = scale;
    m.deviceClip = {0, 0, kWidth, kHeight};
    cDrawInfo info(m, &data, surface.GetRasterDC(), &surface);
    const double unit = scale * 4;
    for (auto& t : texts) {
      DRect e;
      t->AddFullExtent(&data, e);
      if (e.x2 * unit < 0 || e.x1 * unit > kWidth || e.y2 * unit < 0 || e.y1 * unit > kHeight) continue;
      t->Draw(&info);
    }
    surface.Flush();
  };
  std::vector<double> layout, all, full;
  for (int r = 0; r < rounds; ++r) {
    for (auto& t : texts) t->MarkDirty();
    auto a = std::chrono::steady_clock::now();
    for (auto& t : texts) (void)t->GetLineCount(&data);
    auto b = std::chrono::steady_clock::now();
    layout.push_back(Ms(a, b));
    paint(kWidth / (2000.0 * 4));
    auto c = std::chrono::steady_clock::now();
    all.push_back(Ms(b, c));
    paint(1.0);
    auto d = std::chrono::steady_clock::now();
    full.push_back(Ms(c, d));
  }
  Report("layout from dirty", layout);
  Report("repaint all in view", all);
  Report("repaint at 100 %", full);
  return 0;
}
