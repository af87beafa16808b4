// One small metafile per drawing record the player gained (gradient fills,
// masked, parallelogram and transparent bitmap copies, region frames and
// inversions, offset clip regions), written with libUEMF's writers and
// played onto the raster target: the record is played (not counted as
// passed over) and the pixels at chosen points have the colours the record
// asks for.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {
namespace emf_record_fixture {

constexpr int kSide = 100;  // 100 reference pixels on 100 mm, drawn 1:1

struct Probe {
  int x, y;
  std::uint8_t r, g, b;
};

struct Fixture {
  const char* record;
  std::function<void(EmfBuilder&)> write;
  std::vector<Probe> probes;
};

U_RECTL Box() { return rectl_set(point32_set(0, 0), point32_set(kSide, kSide)); }
const U_XFORM kIdentity = xform_set(1, 0, 0, 1, 0, 0);

// A top-down bitmap: 24-bit from a colour per pixel, or 1-bit from set bits.
struct Bitmap {
  PU_BITMAPINFO info = nullptr;
  std::vector<char> bits;
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  ~Bitmap() { std::free(info); }

  Bitmap(int w, int h, const std::function<U_COLORREF(int, int)>& color) {
    const int stride = (w * 3 + 3) & ~3;
    bits.assign(std::size_t(stride * h), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const U_COLORREF c = color(x, y);
        char* p = bits.data() + y * stride + x * 3;
        p[0] = char(c.Blue);
        p[1] = char(c.Green);
        p[2] = char(c.Red);
      }
    info = bitmapinfo_set(bitmapinfoheader_set(w, -h, 1, 24, U_BI_RGB, std::uint32_t(bits.size()), 0, 0, 0, 0), nullptr);
  }
  Bitmap(int w, int h, const std::function<bool(int, int)>& set) {
    const int stride = ((w + 31) / 32) * 4;
    bits.assign(std::size_t(stride * h), 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        if (set(x, y)) bits[std::size_t(y * stride + x / 8)] |= char(0x80 >> (x % 8));
    U_RGBQUAD colors[2] = {rgbquad_set(0, 0, 0, 0), rgbquad_set(255, 255, 255, 0)};
    info = bitmapinfo_set(bitmapinfoheader_set(w, -h, 1, 1, U_BI_RGB, std::uint32_t(bits.size()), 0, 0, 2, 0), colors);
  }
  std::uint32_t Size() const { return std::uint32_t(bits.size()); }
  char* Bits() { return bits.data(); }
};

// RGNDATA of rectangles (malloc'd; libUEMF copies it into the record).
struct Region {
  PU_RGNDATA data;
  explicit Region(std::vector<U_RECTL> rects) {
    U_RECTL bound = rects.front();
    for (const U_RECTL& r : rects) {
      bound.left = std::min(bound.left, r.left);
      bound.top = std::min(bound.top, r.top);
      bound.right = std::max(bound.right, r.right);
      bound.bottom = std::max(bound.bottom, r.bottom);
    }
    data = rgndata_set(rgndataheader_set(std::uint32_t(rects.size()), bound), rects.data());
  }
  ~Region() { std::free(data); }
};

U_RECTL R(int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); }

void SolidBrush(EmfBuilder& b, std::uint32_t index, U_COLORREF color) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(index, logbrush_set(U_BS_SOLID, color, 0)));
}

U_TRIVERTEX Vertex(int x, int y, int r, int g, int b) {
  return U_TRIVERTEX{x, y, std::uint16_t(r << 8), std::uint16_t(g << 8), std::uint16_t(b << 8), 0};
}

const Fixture kFixtures[] = {
    {"EMR_GRADIENTFILL (across)",
     [](EmfBuilder& b) {
       U_TRIVERTEX v[2] = {Vertex(10, 10, 255, 0, 0), Vertex(90, 30, 0, 0, 255)};
       const std::uint32_t rect[2] = {0, 1};
       b.Take(U_EMRGRADIENTFILL_set(Box(), 2, 1, U_GRADIENT_FILL_RECT_H, v, rect));
     },
     {{11, 20, 253, 0, 2}, {50, 20, 127, 0, 128}, {89, 20, 2, 0, 253}, {50, 35, 255, 255, 255}}},
    {"EMR_GRADIENTFILL (down)",
     [](EmfBuilder& b) {
       U_TRIVERTEX v[2] = {Vertex(10, 10, 0, 0, 0), Vertex(30, 90, 0, 255, 0)};
       const std::uint32_t rect[2] = {0, 1};
       b.Take(U_EMRGRADIENTFILL_set(Box(), 2, 1, U_GRADIENT_FILL_RECT_V, v, rect));
     },
     {{20, 11, 0, 2, 0}, {20, 50, 0, 127, 0}, {20, 89, 0, 253, 0}, {35, 50, 255, 255, 255}}},
    {"EMR_GRADIENTFILL (triangles)",
     [](EmfBuilder& b) {
       U_TRIVERTEX v[4] = {Vertex(10, 10, 255, 0, 0), Vertex(90, 10, 0, 255, 0), Vertex(10, 90, 0, 0, 255),
                           Vertex(90, 90, 255, 255, 255)};
       const std::uint32_t tri[6] = {0, 1, 2, 1, 3, 2};
       b.Take(U_EMRGRADIENTFILL_set(Box(), 4, 2, U_GRADIENT_FILL_TRIANGLE, v, tri));
     },
     {{12, 12, 245, 5, 5}, {87, 12, 7, 245, 5}, {12, 87, 7, 5, 245}, {50, 50, 0, 128, 128}, {70, 70, 131, 193, 193}, {95, 50, 255, 255, 255}}},
    {"EMR_TRANSPARENTBLT",
     [](EmfBuilder& b) {
       Bitmap bmp(4, 4, [](int x, int) { return x < 2 ? colorref_set(255, 0, 0) : colorref_set(0, 255, 0); });
       b.Take(U_EMRTRANSPARENTBLT_set(Box(), point32_set(10, 10), point32_set(40, 40), point32_set(0, 0),
                                      point32_set(4, 4), kIdentity, colorref_set(0, 0, 0), U_DIB_RGB_COLORS,
                                      0x0000FF00, bmp.info, bmp.Size(), bmp.Bits()));
     },
     {{15, 30, 255, 0, 0}, {45, 30, 255, 255, 255}}},
    {"EMR_MASKBLT",
     [](EmfBuilder& b) {
       Bitmap bmp(8, 8, [](int, int) { return colorref_set(0, 0, 255); });
       Bitmap mask(8, 8, [](int x, int) { return x < 4; });
       // Copy where the mask is set, leave the destination elsewhere.
       const std::uint32_t rop4 = 0xAA000000u | U_SRCCOPY;
       b.Take(U_EMRMASKBLT_set(Box(), point32_set(20, 20), point32_set(8, 8), point32_set(0, 0), kIdentity,
                               colorref_set(0, 0, 0), U_DIB_RGB_COLORS, point32_set(0, 0), U_DIB_RGB_COLORS, rop4,
                               bmp.info, bmp.Size(), bmp.Bits(), mask.info, mask.Size(), mask.Bits()));
     },
     {{21, 24, 0, 0, 255}, {26, 24, 255, 255, 255}}},
    {"EMR_PLGBLT",
     [](EmfBuilder& b) {
       Bitmap bmp(4, 4, [](int, int) { return colorref_set(255, 0, 0); });
       // Upper left, upper right, lower left: a square on its corner.
       U_POINTL corners[3] = {point32_set(50, 10), point32_set(90, 50), point32_set(10, 50)};
       b.Take(U_EMRPLGBLT_set(Box(), corners, point32_set(0, 0), point32_set(4, 4), kIdentity, colorref_set(0, 0, 0),
                              U_DIB_RGB_COLORS, point32_set(0, 0), U_DIB_RGB_COLORS, bmp.info, bmp.Size(), bmp.Bits(),
                              nullptr, 0, nullptr));
     },
     {{50, 50, 255, 0, 0}, {50, 80, 255, 0, 0}, {15, 15, 255, 255, 255}, {85, 85, 255, 255, 255}}},
    {"EMR_FRAMERGN",
     [](EmfBuilder& b) {
       SolidBrush(b, 1, colorref_set(255, 0, 0));
       Region region({R(20, 20, 80, 80)});
       b.Take(U_EMRFRAMERGN_set(Box(), 1, sizel_set(3, 3), region.data));
     },
     {{21, 50, 255, 0, 0}, {78, 50, 255, 0, 0}, {50, 21, 255, 0, 0}, {50, 50, 255, 255, 255}, {10, 10, 255, 255, 255}}},
    {"EMR_INVERTRGN",
     [](EmfBuilder& b) {
       Region region({R(20, 20, 60, 40), R(20, 40, 40, 60)});
       b.Take(U_EMRINVERTRGN_set(region.data));
     },
     {{30, 30, 0, 0, 0}, {30, 50, 0, 0, 0}, {50, 50, 255, 255, 255}, {70, 70, 255, 255, 255}}},
    {"EMR_INVERTRGN of a region reaching far past an int's range",
     [](EmfBuilder& b) {
       Region region({R(-2147483638, 20, 120, 40)});
       b.Take(U_EMRINVERTRGN_set(region.data));
     },
     {{30, 30, 0, 0, 0}, {90, 30, 0, 0, 0}, {50, 50, 255, 255, 255}}},
    {"EMR_OFFSETCLIPRGN",
     [](EmfBuilder& b) {
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(0, 0, 50, 50)));
       b.Take(U_EMROFFSETCLIPRGN_set(point32_set(30, 30)));
       SolidBrush(b, 1, colorref_set(0, 128, 0));
       b.Take(U_EMRSELECTOBJECT_set(1));
       b.Take(U_EMRSELECTOBJECT_set(U_NULL_PEN | 0x80000000u));
       b.Take(U_EMRRECTANGLE_set(R(0, 0, kSide, kSide)));
     },
     {{10, 10, 255, 255, 255}, {40, 40, 0, 128, 0}, {70, 70, 0, 128, 0}, {90, 90, 255, 255, 255}}},
    {"EMR_EXTESCAPE (a driver's request: skipped, not refused)",
     [](EmfBuilder& b) {
       std::uint8_t* p = b.Add(U_EMR_EXTESCAPE, 20);
       le::Put32(p + 8, 4100);  // the escape
       le::Put32(p + 12, 4);    // its data
     },
     {{50, 50, 255, 255, 255}}},
};

std::optional<EmfDocument> Write(const Fixture& f) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, 10000);  // frame 0..100 mm
  le::Put32(h + 36, 10000);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kSide);  // 100 pixels on 100 mm
  le::Put32(h + 76, kSide);
  le::Put32(h + 80, 100);
  le::Put32(h + 84, 100);
  f.write(b);
  if (!b.Finish(4)) return std::nullopt;
  return EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
}

TEST(EmfRecordFixture, EachNewRecordIsPlayedWithTheColoursItAsksFor) {
  for (const Fixture& f : kFixtures) {
    SCOPED_TRACE(f.record);
    const std::optional<EmfDocument> emf = Write(f);
    ASSERT_TRUE(emf);
    std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kSide, kSide);
    ASSERT_TRUE(dc);
    EmfPlayStats stats;
    EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}, &stats));
    EXPECT_EQ(stats.unplayed, 0u);
    dc->Flush();
    for (const Probe& p : f.probes) {
      const std::uint8_t* px = bits.data() + (p.y * kSide + p.x) * 4;
      SCOPED_TRACE(::testing::Message() << "at (" << p.x << ", " << p.y << ") rgb " << int(px[2]) << " "
                                        << int(px[1]) << " " << int(px[0]));
      EXPECT_NEAR(px[2], p.r, 8);
      EXPECT_NEAR(px[1], p.g, 8);
      EXPECT_NEAR(px[0], p.b, 8);
    }
  }
}

// A damaged region may reach past the range of an int on any side: on
// every combination of sides lying on the surface, just off it or far past
// an int's range, the region is inverted on the surface wherever it lies
// there, and nowhere else.
TEST(EmfRecordFixture, RegionsReachingPastEachSideAreInvertedWhereTheyLie) {
  // The region's core is 20..80 x 20..60; a probe beyond each side lies in
  // the region only when that side lies off the surface.
  struct Side {
    const char* name;
    int on, off, far;  // the side's coordinate in each of its three places
    int x, y;          // the probe beyond it
  };
  const Side sides[4] = {{"left", 20, -100, -2147483638, 10, 40},
                         {"top", 20, -100, -2147483638, 50, 10},
                         {"right", 80, 200, 2147483637, 90, 40},
                         {"bottom", 60, 200, 2147483637, 50, 80}};
  for (int combination = 0; combination < 81; ++combination) {
    int place[4];
    int sideCoordinate[4];
    for (int i = 0, c = combination; i < 4; ++i, c /= 3) {
      place[i] = c % 3;
      sideCoordinate[i] = place[i] == 0 ? sides[i].on : place[i] == 1 ? sides[i].off : sides[i].far;
    }
    SCOPED_TRACE(::testing::Message() << "region " << sideCoordinate[0] << ", " << sideCoordinate[1] << " .. "
                                      << sideCoordinate[2] << ", " << sideCoordinate[3]);
    const U_RECTL rect = R(sideCoordinate[0], sideCoordinate[1], sideCoordinate[2], sideCoordinate[3]);
    const Fixture fixture{"EMR_INVERTRGN",
                          [&](EmfBuilder& b) {
                            Region region({rect});
                            b.Take(U_EMRINVERTRGN_set(region.data));
                          },
                          {}};
    const std::optional<EmfDocument> emf = Write(fixture);
    ASSERT_TRUE(emf);
    std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
    auto dc = RasterDC::Create(bits.data(), kSide, kSide);
    ASSERT_TRUE(dc);
    EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}));
    dc->Flush();
    auto inverted = [&](int x, int y) { return bits[std::size_t((y * kSide + x) * 4)] < 128; };
    EXPECT_TRUE(inverted(50, 40)) << "the region's core";
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(inverted(sides[i].x, sides[i].y), place[i] != 0) << "beyond the " << sides[i].name << " side";
    }
  }
}

}  // namespace emf_record_fixture
}  // namespace kvn
