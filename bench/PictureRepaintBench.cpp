// Picture repaint: a 1920 x 1080 surface showing a 4,000 x 3,000 picture
// turned by 30 degrees, a JPEG picture and a metafile, as the screen draws
// them (raster surface with its device context).
//   kvn-bench-picture-repaint [rounds] [testdata folder]
// Prints the first paint (which decodes the JPEG) apart, then milliseconds
// per repaint, best and median. Target: repaints under 30 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"

using namespace kvn;

namespace {

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
  std::filesystem::path dir = argc > 2 ? argv[2] : "";
  if (dir.empty()) {
    const char* env = std::getenv("KVN_TESTDATA");
    dir = env ? env : "../shared/testdata";
  }
  InstallRendererPictureServices();
  constexpr int kWidth = 1920, kHeight = 1080;
  cRasterSurface surface(false);
  if (!surface.Prepare(TRect{0, 0, kWidth, kHeight})) return 1;

  auto big = std::make_unique<TDib>();
  if (!big->Create(4000, 3000, 24)) return 1;
  std::uint8_t* bits = big->Bits();
  for (std::uint32_t i = 0; i < big->BitsSize(); ++i) bits[i] = std::uint8_t((i * 2654435761u) >> 24);
  cBitmap picture;
  picture.SetImage(false, std::move(big), false, {}, nullptr);
  picture.frame = PictureFrame{{60, -40}, 400, 300, 30};
  picture.transparentColour = 0x00FFFFFF;

  cBitmap jpeg;
  jpeg.SetEncodedImage(ReadFile(dir / "raster/imagers_cat_progressive.jpg"));
  jpeg.frame = PictureFrame{{300, 150}, 100, 75, 0};
  cWmf metafile;
  metafile.SetBits(ReadFile(dir / "metafile/libuemf_test_libuemf_ref.emf"));
  metafile.frame = PictureFrame{{20, 150}, 100, 80, 0};
  if (jpeg.Encoded()->bytes.empty() || !metafile.GetMetafileHandle()) {
    std::fprintf(stderr, "test pictures not found (set KVN_TESTDATA)\n");
    return 1;
  }

  WorldMapping mapping;
  mapping.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  auto paint = [&] {
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    cDrawInfo info(mapping, nullptr, surface.DC(), &surface);
    picture.Draw(&info);
    jpeg.Draw(&info);
    metafile.Draw(&info);
    surface.Flush();
  };
  auto start = std::chrono::steady_clock::now();
  paint();
  std::printf("first paint (JPEG decoded): %.1f ms\n", Ms(start));
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    start = std::chrono::steady_clock::now();
    paint();
    ms.push_back(Ms(start));
  }
  std::size_t drawn = 0;
  for (std::int32_t y = 0; y < kHeight; ++y)
    for (std::int32_t x = 0; x < kWidth; ++x) drawn += *surface.PixelAt(x, y) != 0xFFFFFFFFu;
  std::printf("pixels drawn: %zu of %d\n", drawn, kWidth * kHeight);
  std::sort(ms.begin(), ms.end());
  std::printf("repaint: best %.1f ms, median %.1f ms over %d rounds\n", ms.front(), ms[ms.size() / 2], rounds);
  return 0;
}
