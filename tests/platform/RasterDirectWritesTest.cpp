// Direct writes to a raster target's pixels, bracketed by Flush and
// MarkDirty (which tell cairo only when it has drawn or is about to draw),
// mixed with drawing through the target in every order: each drawing must
// see the writes before it and each write must land on the drawings before
// it, whatever ran in between.
#include "platform/gdi/RasterDC.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/RasterOps.h"

namespace kvn {
namespace {

constexpr int kW = 12, kH = 8;
constexpr COLORREF kWhite = Rgb(255, 255, 255);

struct Target {
  std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(std::size_t(kW) * kH * 4, 255);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(pixels.data(), kW, kH);

  void Write(int x0, int x1, COLORREF color) {
    dc->Flush();
    for (int y = 0; y < kH; ++y)
      for (int x = x0; x < x1; ++x) {
        std::uint8_t* p = pixels.data() + (std::size_t(y) * kW + x) * 4;
        p[0] = ColorB(color), p[1] = ColorG(color), p[2] = ColorR(color), p[3] = 255;
      }
    dc->MarkDirty();
  }
  COLORREF At(int x, int y) {
    dc->Flush();
    const std::uint8_t* p = pixels.data() + (std::size_t(y) * kW + x) * 4;
    return Rgb(p[2], p[1], p[0]);
  }
};

// One step: 'w' writes `color` directly into columns [x0, x1); 'i' inverts
// them through the target (a cairo difference, which reads the pixels); 'p'
// paints them with a brush of `color` through the target; 'b' blends
// `color` over them at half alpha through the target.
struct Step {
  char kind;
  int x0, x1;
  COLORREF color;
};

void Apply(Target& t, const Step& s) {
  switch (s.kind) {
    case 'w':
      t.Write(s.x0, s.x1, s.color);
      break;
    case 'i':
      t.dc->PatBlt(s.x0, 0, s.x1 - s.x0, kH, kDstInvert);
      break;
    case 'p':
      t.dc->SelectObject(TBrush(s.color));
      t.dc->PatBlt(s.x0, 0, s.x1 - s.x0, kH, kPatCopy);
      break;
    case 'b': {
      const std::uint32_t word = 0xFF000000u | (ColorR(s.color) << 16) | (ColorG(s.color) << 8) | ColorB(s.color);
      const std::vector<std::uint32_t> source(std::size_t(kW) * kH, word);
      PixelView view{reinterpret_cast<const std::uint8_t*>(source.data()), kW, kH, kW * 4};
      BlendFunction half;
      half.sourceConstantAlpha = 128;
      t.dc->AlphaBlend(s.x0, 0, s.x1 - s.x0, kH, view, 0, 0, s.x1 - s.x0, kH, half);
      break;
    }
  }
}

struct Sequence {
  const char* name;
  std::vector<Step> steps;
  // The colour of each column at the end.
  std::vector<COLORREF> columns;
};

constexpr COLORREF R = Rgb(255, 0, 0), G = Rgb(0, 255, 0), B = Rgb(0, 0, 255), C = Rgb(0, 255, 255),
                   M = Rgb(255, 0, 255), K = Rgb(0, 0, 0), W = kWhite;

TEST(RasterDirectWrites, DrawingAndDirectWritesSeeEachOther) {
  const Sequence sequences[] = {
      {"a write, then an inversion over it",
       {{'w', 0, 6, R}, {'i', 3, 9, 0}},
       {R, R, R, C, C, C, K, K, K, W, W, W}},
      {"two writes, then an inversion",
       {{'w', 0, 4, R}, {'w', 4, 8, B}, {'i', 2, 6, 0}},
       {R, R, C, C, Rgb(255, 255, 0), Rgb(255, 255, 0), B, B, W, W, W, W}},
      {"a painting, then a write over part of it",
       {{'p', 0, 8, G}, {'w', 4, 12, M}},
       {G, G, G, G, M, M, M, M, M, M, M, M}},
      {"write, paint, write, invert, write",
       {{'w', 0, 12, B}, {'p', 2, 10, R}, {'w', 4, 6, G}, {'i', 0, 12, 0}, {'w', 11, 12, K}},
       {Rgb(255, 255, 0), Rgb(255, 255, 0), C, C, M, M, C, C, C, C, Rgb(255, 255, 0), K}},
      {"inversions only",
       {{'i', 0, 6, 0}, {'i', 3, 12, 0}},
       {K, K, K, W, W, W, K, K, K, K, K, K}},
      {"a blend over a write, then a write",
       {{'w', 0, 12, K}, {'b', 0, 6, W}, {'w', 5, 12, R}},
       {Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(128, 128, 128), R, R, R,
        R, R, R, R}},
  };
  for (const Sequence& seq : sequences) {
    Target t;
    ASSERT_TRUE(t.dc) << seq.name;
    for (const Step& s : seq.steps) Apply(t, s);
    for (int x = 0; x < kW; ++x) {
      for (int y : {0, kH - 1}) {
        const COLORREF got = t.At(x, y), want = seq.columns[std::size_t(x)];
        // The half-alpha blend may round either way.
        const bool near = std::abs(int(ColorR(got)) - int(ColorR(want))) <= 1 &&
                          std::abs(int(ColorG(got)) - int(ColorG(want))) <= 1 &&
                          std::abs(int(ColorB(got)) - int(ColorB(want))) <= 1;
        EXPECT_TRUE(near) << seq.name << ": column " << x << " is " << std::hex << got << ", not " << want;
      }
    }
  }
}

}  // namespace
}  // namespace kvn
