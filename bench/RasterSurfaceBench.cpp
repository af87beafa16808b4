// One window paint's fixed cost on the raster surface: prepare the shared
// surface for a 1920 x 1080 paint rectangle, fill it, and copy it out.
//   kvn-bench-raster-surface [frames]
// Prints milliseconds per frame for two copies: a blit through the device
// context layer into a window-sized raster target (cairo SRCCOPY), and a
// plain row copy of the blit source (the bytes a window blit has to move).
// Target: under 4 ms per frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/gdi/RasterDC.h"
#include "render/RasterSurface.h"

using namespace kvn;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::int32_t kWidth = 1920;
constexpr std::int32_t kHeight = 1080;

double Milliseconds(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
  const long frames = argc > 1 ? std::max(1L, std::atol(argv[1])) : 100;
  cRasterSurface surface(false);
  std::vector<std::uint8_t> window(std::size_t(kWidth) * kHeight * 4);
  auto target = RasterDC::Create(window.data(), kWidth, kHeight);
  if (!target) return 1;
  const TRect paint{0, 0, kWidth, kHeight};
  std::uint32_t check = 0;

  // Warm-up frame: the first Prepare allocates the surface.
  surface.Prepare(paint);

  auto t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!surface.Prepare(paint)) return 1;
    surface.FillRectColorref(0, 0, kWidth, kHeight, i & 1 ? 0x00C0FFFF : 0x00FFFFFF);
    surface.BlitTo(target.get());
    target->Flush();
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double throughDc = Milliseconds(t0) / double(frames);

  t0 = Clock::now();
  for (long i = 0; i < frames; ++i) {
    if (!surface.Prepare(paint)) return 1;
    surface.FillRectColorref(0, 0, kWidth, kHeight, i & 1 ? 0x00C0FFFF : 0x00FFFFFF);
    const RasterBlitSource src = surface.BlitSource();
    const std::size_t rowBytes = std::size_t(src.area.right - src.area.left) * 4;
    for (std::int32_t y = src.area.top; y < src.area.bottom; ++y)
      std::memcpy(window.data() + std::size_t(y) * kWidth * 4 + std::size_t(src.area.left) * 4,
                  src.pixels.bits + std::size_t(y) * std::size_t(src.pixels.stride) + std::size_t(src.area.left) * 4,
                  rowBytes);
    check += window[std::size_t(i % kHeight) * kWidth * 4];
  }
  const double rowCopy = Milliseconds(t0) / double(frames);

  std::printf("raster surface %d x %d, %ld frames (prepare + fill + copy)\n", kWidth, kHeight, frames);
  std::printf("  blit through the device context: %.3f ms per frame\n", throughDc);
  std::printf("  row copy of the blit source:     %.3f ms per frame\n", rowCopy);
  std::printf("  target under 4 ms per frame: %s (checksum %u)\n", throughDc < 4.0 ? "met" : "NOT met", check);
  return 0;
}
