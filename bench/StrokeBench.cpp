// Strokes onto the raster surface: 100,000 mixed segments (solid and dashed
// line types, widths of one to four pixels, one in fifty reaching far
// beyond the surface so that the clip cuts them) stroked through the drawing
// context into a 1920 x 1080 memory surface, the way a paint of a large
// drawing sends them.
//   kvn-bench-stroke [rounds] [none]
// With "none" the strokes go to no target: path, clip, dash walk and stroke
// set-up without the pixel work of the surface.
// Prints milliseconds per round, best, median and mean, of wall-clock time and
// of the thread's processor time. Rounds of identical work differ by up to a
// factor of two on a shared machine: the best and the median say more than
// the mean.
// Target: under 30 ms.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <ctime>
#include <vector>

#include "model/cLine.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"

using namespace kvn;

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const bool noTarget = argc > 2 && std::string(argv[2]) == "none";
  constexpr int kWidth = 1920, kHeight = 1080, kSegments = 100000;

  cRasterSurface surface(true);
  if (!surface.Prepare(TRect{0, 0, kWidth, kHeight})) {
    std::fprintf(stderr, "cannot prepare the surface\n");
    return 1;
  }
  // World units: 4 device pixels per unit at scale 1, so the surface is
  // 480 x 270 units.
  std::mt19937 rng(12345);
  std::uniform_real_distribution<double> inside(0.0, 1.0);
  std::uniform_int_distribution<int> pick(0, 99);
  std::vector<std::unique_ptr<cLine>> lines;
  lines.reserve(kSegments);
  for (int i = 0; i < kSegments; ++i) {
    auto line = std::make_unique<cLine>();
    const double x = inside(rng) * 480, y = inside(rng) * 270;
    const int kind = pick(rng);
    if (kind < 2) {
      // Long and crossing the edges.
      line->start = {x - 2000, y - 1000};
      line->end = {x + 2000, y + 1000 * (inside(rng) - 0.5)};
    } else {
      const double len = 1 + inside(rng) * 19;
      line->start = {x, y};
      line->end = {x + len * (inside(rng) - 0.5), y + len * (inside(rng) - 0.5)};
    }
    line->stroke.lineType = std::uint8_t(kind % 3 == 0 ? 2 + kind % 17 : 1);
    line->stroke.width = kind < 60 ? 0.25 : 0.25 * (2 + kind % 3);
    line->stroke.color = std::uint32_t(rng() & 0xFFFFFF);
    lines.push_back(std::move(line));
  }

  WorldMapping mapping;
  mapping.deviceClip = {0, 0, kWidth, kHeight};
  auto cpuMs = [] {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) * 1e3 + double(ts.tv_nsec) / 1e6;
  };
  std::vector<double> wall, cpuTimes;
  for (int r = 0; r < rounds; ++r) {
    surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpuMs();
    {
      cDrawInfo info(mapping, nullptr, nullptr, noTarget ? nullptr : &surface);
      for (const auto& line : lines) line->Draw(&info);
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = cpuMs() - c0;
    wall.push_back(ms);
    cpuTimes.push_back(cpu);
  }
  struct Summary {
    double best, median, mean;
  };
  auto summarize = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    double total = 0;
    for (double x : v) total += x;
    return Summary{v.front(), v[v.size() / 2], total / double(v.size())};
  };
  const Summary w = summarize(wall), c = summarize(cpuTimes);
  std::printf("stroke %d mixed segments into %s %d x %d over %d rounds: wall best %.2f ms, median %.2f ms, mean %.2f ms; "
              "processor best %.2f ms, median %.2f ms, mean %.2f ms\n",
              kSegments, noTarget ? "no target, clip" : "a surface of", kWidth, kHeight, rounds, w.best, w.median, w.mean,
              c.best, c.median, c.mean);
  return 0;
}
