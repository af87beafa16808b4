// The anti-aliased fill against plain AGG: 10,000 random 20-vertex polygons
// (vertices within 50 pixels of a random centre, so many self-intersect)
// filled into a 1920 x 1080 memory surface through FillAntiAliased, and the
// same geometry through AGG's own loop (rasterizer_scanline_aa, scanline_p8,
// render_scanlines with a solid renderer over the surface's pixel format),
// in the same run, opaque and at alpha 128.
//   kvn-bench-aa-fill [rounds]
// Prints milliseconds per round (best and median, wall clock) for each road
// and the ratio of the medians. Target: FillAntiAliased within 1.5 x of
// plain AGG.
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_scanline.h>
#include <agg_scanline_p.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <vector>

#include "render/AntiAliasedFill.h"
#include "render/RasterSurface.h"
#include "render/RasterSurfaceAgg.h"

using namespace kvn;

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kPolygons = 10000, kVertices = 20;

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Times {
  std::vector<double> ms;
  double Best() const { return *std::min_element(ms.begin(), ms.end()); }
  double Median() const {
    std::vector<double> v = ms;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  }
};

std::uint64_t Checksum(const cRasterSurface& s) {
  std::uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x) h = (h ^ *s.PixelAt(x, y)) * 1099511628211ull;
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  cRasterSurface surface(true);
  if (!surface.Prepare(TRect{0, 0, kWidth, kHeight})) {
    std::fprintf(stderr, "cannot prepare the surface\n");
    return 1;
  }
  surface.SetAntiAliasMode(1);

  // The polygons in 1/256 pixel, as closed pieces of straight segments.
  std::mt19937 rng(42);
  std::uniform_real_distribution<double> cx(0, kWidth), cy(0, kHeight), off(-50, 50);
  std::vector<std::unique_ptr<SegmentArray>> pieces;
  std::vector<std::vector<std::int32_t>> points;
  for (int p = 0; p < kPolygons; ++p) {
    const double x0 = cx(rng), y0 = cy(rng);
    std::vector<std::int32_t> pts;
    for (int v = 0; v < kVertices; ++v) {
      pts.push_back(std::int32_t((x0 + off(rng)) * 256));
      pts.push_back(std::int32_t((y0 + off(rng)) * 256));
    }
    auto piece = std::make_unique<SegmentArray>();
    piece->closed = 1;
    for (int v = 0; v < kVertices; ++v) {
      const int w = (v + 1) % kVertices;
      piece->Append(DeviceSegment::Line(pts[2 * v], pts[2 * v + 1], pts[2 * w], pts[2 * w + 1]));
    }
    pieces.push_back(std::move(piece));
    points.push_back(std::move(pts));
  }

  agg::rasterizer_scanline_aa<> ras;
  agg::scanline_p8 sl;
  ras.filling_rule(agg::fill_even_odd);
  ras.clip_box(0, 0, kWidth, kHeight);

  for (int alpha : {255, 128}) {
    Times ours, plain;
    std::uint64_t ourSum = 0, plainSum = 0;
    const COLORREF color = Rgb(30, 90, 200);
    for (int round = 0; round < rounds; ++round) {
      surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
      auto t0 = std::chrono::steady_clock::now();
      for (auto& piece : pieces) {
        SegmentArray* one[] = {piece.get()};
        FillAntiAliased(surface, nullptr, nullptr, one, 1, nullptr, color, alpha);
      }
      ours.ms.push_back(Ms(std::chrono::steady_clock::now() - t0));
      ourSum = Checksum(surface);

      surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
      RasterAgg& agg = *surface.Agg();
      agg.solid.color(agg::rgba8(30, 90, 200, unsigned(alpha)));
      t0 = std::chrono::steady_clock::now();
      for (const auto& pts : points) {
        ras.reset();
        ras.move_to(pts[0] + 128, pts[1] + 128);
        for (int v = 1; v < kVertices; ++v) ras.line_to(pts[2 * v] + 128, pts[2 * v + 1] + 128);
        ras.close_polygon();
        agg::render_scanlines(ras, sl, agg.solid);
      }
      plain.ms.push_back(Ms(std::chrono::steady_clock::now() - t0));
      plainSum = Checksum(surface);
    }
    std::printf("alpha %3d  FillAntiAliased best %7.1f ms median %7.1f ms | plain AGG best %7.1f ms median %7.1f ms | "
                "ratio %.2f  (checksums %016llx %016llx)\n",
                alpha, ours.Best(), ours.Median(), plain.Best(), plain.Median(), ours.Median() / plain.Median(),
                static_cast<unsigned long long>(ourSum), static_cast<unsigned long long>(plainSum));
  }
  return 0;
}
