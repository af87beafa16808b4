// EMR_WIDENPATH and EMR_EXTFLOODFILL played onto the raster target, from
// small metafiles written with libUEMF's writers.
//
// A widened path filled with a brush paints what stroking the path with a
// pen of the brush's colour paints (up to an edge pixel: the outline is
// AGG's, the stroke cairo's); a failed widening leaves the path to be filled
// as it was. A flood fill is checked as the exact set of pixels it changes
// against the same picture played without it.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/CairoDC.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/MetafileDC.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {
namespace emf_widen_flood {

using Writer = std::function<void(EmfBuilder&)>;

U_RECTL R(int l, int t, int r, int b) { return rectl_set(point32_set(l, t), point32_set(r, b)); }

// A metafile of `side` reference pixels on `side` mm, played 1:1 onto a
// surface of that size.
EmfDocument Write(int side, const Writer& write) {
  EmfBuilder b(1 << 22);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, std::uint32_t(side * 100));
  le::Put32(h + 36, std::uint32_t(side * 100));
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, std::uint32_t(side));
  le::Put32(h + 76, std::uint32_t(side));
  le::Put32(h + 80, std::uint32_t(side));
  le::Put32(h + 84, std::uint32_t(side));
  write(b);
  EXPECT_TRUE(b.Finish(4));
  std::optional<EmfDocument> doc = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  EXPECT_TRUE(doc);
  return doc ? std::move(*doc) : EmfDocument{};
}

struct Picture {
  int side;
  std::vector<COLORREF> pixels;
  std::uint32_t unplayed;
  COLORREF At(int x, int y) const { return pixels[std::size_t(y) * std::size_t(side) + std::size_t(x)]; }
};

Picture Play(int side, const Writer& write) {
  std::vector<std::uint8_t> bits(std::size_t(side) * std::size_t(side) * 4);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), side, side);
  dc->FillSolidRect(TRect{0, 0, side, side}, Rgb(255, 255, 255));
  EmfPlayStats stats;
  PlayEnhMetaFile(*dc, Write(side, write), TRect{0, 0, side, side}, &stats);
  dc->Flush();
  Picture p{side, {}, stats.unplayed};
  for (std::size_t i = 0; i < bits.size(); i += 4) p.pixels.push_back(Rgb(bits[i + 2], bits[i + 1], bits[i]));
  return p;
}

void Select(EmfBuilder& b, std::uint32_t object) { b.Take(U_EMRSELECTOBJECT_set(object)); }

void Brush(EmfBuilder& b, std::uint32_t style, U_COLORREF color, int hatch = 0) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(2, logbrush_set(style, color, hatch)));
  Select(b, 2);
}

// ---- WIDENPATH ----

const U_COLORREF kRed = colorref_set(255, 0, 0);
const U_COLORREF kBlack = colorref_set(0, 0, 0);

// A pen at handle 1 of the colour: ExtCreatePen, or CreatePen when `plain`.
struct Pen {
  std::uint32_t style;
  std::uint32_t width;
  bool plain;
  std::vector<std::uint32_t> dashes;
  void Write(EmfBuilder& b, U_COLORREF color) const {
    if (plain) {
      b.Take(U_EMRCREATEPEN_set(1, logpen_set(style, point_set(std::int32_t(width), 0), color)));
    } else {
      std::vector<std::uint32_t> d = dashes;
      PU_EXTLOGPEN elp = extlogpen_set(style, width, U_BS_SOLID, color, 0, std::uint32_t(d.size()),
                                       d.empty() ? nullptr : d.data());
      b.Take(U_EMREXTCREATEPEN_set(1, nullptr, 0, nullptr, elp));
      std::free(elp);
    }
    Select(b, 1);
  }
};

enum class Then { Fill, ClipThenFill, StrokeAndFillWithoutPen };
enum class Expect { LikeStroke, LikeNoWidening };

struct WidenCase {
  const char* name;
  Pen pen;
  std::vector<U_POINTL> points;
  bool closed;
  bool widenBeforeEndPath;
  Then then;
  Expect expect;
  bool stretched = false;  // logical x twice as long on the device: an elliptic nib
};

const std::vector<U_POINTL> kZigzag = {{30, 150}, {70, 40}, {110, 160}, {150, 50}, {170, 120}};
const std::vector<U_POINTL> kCrossing = {{30, 30}, {170, 170}, {170, 30}, {30, 170}};
const std::vector<U_POINTL> kTriangle = {{40, 160}, {100, 30}, {165, 150}};
const std::vector<U_POINTL> kNarrowZigzag = {{15, 150}, {35, 40}, {55, 160}, {75, 50}, {85, 120}};
const std::vector<U_POINTL> kSquare = {{40, 40}, {160, 40}, {160, 160}, {40, 160}};
const std::vector<U_POINTL> kPentagon = {{100, 25}, {170, 80}, {145, 165}, {55, 165}, {30, 80}};
constexpr std::uint32_t kGeo = U_PS_GEOMETRIC;
constexpr std::uint32_t kUser = U_PS_GEOMETRIC | U_PS_USERSTYLE;

const WidenCase kWidenCases[] = {
    {"flat caps, mitre joins", {kGeo | U_PS_ENDCAP_FLAT | U_PS_JOIN_MITER, 12, false, {}}, kZigzag, false, false,
     Then::Fill, Expect::LikeStroke},
    {"square caps, bevel joins", {kGeo | U_PS_ENDCAP_SQUARE | U_PS_JOIN_BEVEL, 12, false, {}}, kZigzag, false,
     false, Then::Fill, Expect::LikeStroke},
    {"round caps and joins of a CreatePen pen", {U_PS_SOLID, 12, true, {}}, kZigzag, false, false, Then::Fill,
     Expect::LikeStroke},
    {"a closed figure's mitres", {kGeo | U_PS_JOIN_MITER, 10, false, {}}, kTriangle, true, false, Then::Fill,
     Expect::LikeStroke},
    {"a self-crossing line, filled whole under ALTERNATE", {kGeo | U_PS_ENDCAP_FLAT, 14, false, {}}, kCrossing,
     false, false, Then::Fill, Expect::LikeStroke},
    {"a self-crossing line, stroked and filled under ALTERNATE", {kGeo | U_PS_ENDCAP_FLAT, 14, false, {}}, kCrossing,
     false, false, Then::StrokeAndFillWithoutPen, Expect::LikeStroke},
    {"dashed geometric pen", {kGeo | U_PS_DASH | U_PS_ENDCAP_FLAT | U_PS_JOIN_BEVEL, 8, false, {}}, kZigzag, false,
     false, Then::Fill, Expect::LikeStroke},
    {"user dashes of an odd count, round caps", {kGeo | U_PS_USERSTYLE, 6, false, {20, 10, 5}}, kZigzag, false,
     false, Then::Fill, Expect::LikeStroke},
    {"a pen under an anisotropic mapping", {kGeo | U_PS_ENDCAP_ROUND | U_PS_JOIN_MITER, 8, false, {}},
     kNarrowZigzag, false, false, Then::Fill, Expect::LikeStroke, true},
    // Closed figures whose pattern is "on" where it ends: the dash through
    // the first corner is joined there, as the stroke joins it (the end
    // lies 32, 21, 25, 5 and 5 units into a dash).
    {"closed, a dash through the first corner, flat caps, mitre", {kUser | U_PS_ENDCAP_FLAT | U_PS_JOIN_MITER, 12,
     false, {44, 20}}, kSquare, true, false, Then::Fill, Expect::LikeStroke},
    {"closed, a dash through the first corner, square caps, bevel", {kUser | U_PS_ENDCAP_SQUARE | U_PS_JOIN_BEVEL, 10,
     false, {36, 12}}, kTriangle, true, false, Then::Fill, Expect::LikeStroke},
    {"closed, a dash through the first corner, round, odd count", {kUser | U_PS_ENDCAP_ROUND | U_PS_JOIN_ROUND, 8,
     false, {40, 12, 18}}, kPentagon, true, false, Then::Fill, Expect::LikeStroke},
    {"closed, a dash through the first corner, flat caps, bevel, odd count", {kUser | U_PS_ENDCAP_FLAT |
     U_PS_JOIN_BEVEL, 10, false, {30, 10, 20}}, kTriangle, true, false, Then::Fill, Expect::LikeStroke},
    {"closed, a dash through the first corner, square caps, mitre, odd count", {kUser | U_PS_ENDCAP_SQUARE |
     U_PS_JOIN_MITER, 10, false, {25, 15, 35}}, kTriangle, true, false, Then::Fill, Expect::LikeStroke},
    {"clip to the widened path", {kGeo | U_PS_ENDCAP_SQUARE | U_PS_JOIN_MITER, 12, false, {}}, kZigzag, false,
     false, Then::ClipThenFill, Expect::LikeStroke},
    {"no closed path yet: nothing changes", {kGeo, 12, false, {}}, kZigzag, false, true, Then::Fill,
     Expect::LikeNoWidening},
    {"cosmetic pen: nothing changes", {U_PS_COSMETIC, 1, false, {}}, kZigzag, false, false, Then::Fill,
     Expect::LikeNoWidening},
    {"CreatePen pen one pixel wide: nothing changes", {U_PS_SOLID, 1, true, {}}, kZigzag, false, false, Then::Fill,
     Expect::LikeNoWidening},
};

void PathOf(EmfBuilder& b, const WidenCase& c, bool widen) {
  if (c.stretched) {
    b.Take(U_EMRSETMAPMODE_set(U_MM_ANISOTROPIC));
    b.Take(U_EMRSETWINDOWEXTEX_set(sizel_set(100, 100)));
    b.Take(U_EMRSETVIEWPORTEXTEX_set(sizel_set(200, 100)));
  }
  b.Take(U_EMRBEGINPATH_set());
  const U_RECTL box = R(0, 0, 200, 200);
  if (c.closed) {
    b.Take(U_EMRPOLYGON_set(box, std::uint32_t(c.points.size()), c.points.data()));
  } else {
    b.Take(U_EMRPOLYLINE_set(box, std::uint32_t(c.points.size()), c.points.data()));
  }
  if (widen && c.widenBeforeEndPath) b.Take(U_EMRWIDENPATH_set());
  b.Take(U_EMRENDPATH_set());
  if (widen && !c.widenBeforeEndPath) b.Take(U_EMRWIDENPATH_set());
}

Picture Widened(const WidenCase& c, bool widen) {
  return Play(200, [&](EmfBuilder& b) {
    c.pen.Write(b, kBlack);
    Brush(b, U_BS_SOLID, kRed);
    PathOf(b, c, widen);
    if (c.then == Then::Fill) {
      b.Take(U_EMRFILLPATH_set(R(0, 0, 200, 200)));
    } else if (c.then == Then::StrokeAndFillWithoutPen) {
      // The null pen strokes nothing: what is red is the fill.
      Select(b, U_NULL_PEN | 0x80000000u);
      b.Take(U_EMRSTROKEANDFILLPATH_set(R(0, 0, 200, 200)));
    } else {
      b.Take(U_EMRSELECTCLIPPATH_set(U_RGN_COPY));
      Select(b, U_NULL_PEN | 0x80000000u);
      b.Take(U_EMRRECTANGLE_set(R(-10, -10, 210, 210)));
    }
  });
}

Picture Stroked(const WidenCase& c) {
  return Play(200, [&](EmfBuilder& b) {
    c.pen.Write(b, kRed);
    PathOf(b, c, false);
    b.Take(U_EMRSTROKEPATH_set(R(0, 0, 200, 200)));
  });
}

std::vector<bool> RedMask(const Picture& p) {
  std::vector<bool> mask;
  for (COLORREF c : p.pixels) mask.push_back(c == Rgb(255, 0, 0));
  return mask;
}

// Pixels of `a` with no pixel of `b` at most one pixel away.
int Strays(const std::vector<bool>& a, const std::vector<bool>& b, int side) {
  int strays = 0;
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      if (!a[std::size_t(y * side + x)]) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int nx = x + dx, ny = y + dy;
          near = nx >= 0 && ny >= 0 && nx < side && ny < side && b[std::size_t(ny * side + nx)];
        }
      strays += near ? 0 : 1;
    }
  return strays;
}

TEST(EmfWidenPath, FillOfTheWidenedPathPaintsWhatTheStrokePaints) {
  for (const WidenCase& c : kWidenCases) {
    SCOPED_TRACE(c.name);
    const Picture widened = Widened(c, true);
    const Picture expected = c.expect == Expect::LikeStroke ? Stroked(c) : Widened(c, false);
    const std::vector<bool> got = RedMask(widened), want = RedMask(expected);
    const long gotCount = std::count(got.begin(), got.end(), true);
    const long wantCount = std::count(want.begin(), want.end(), true);
    ASSERT_GT(wantCount, 500);
    if (c.expect == Expect::LikeNoWidening) {
      EXPECT_EQ(got, want);
      EXPECT_EQ(widened.unplayed, 1u);  // the refused WIDENPATH
      continue;
    }
    EXPECT_EQ(widened.unplayed, 0u);
    // Edges may differ by a pixel; nothing lies further off, and the areas agree.
    EXPECT_EQ(Strays(got, want, 200), 0);
    EXPECT_EQ(Strays(want, got, 200), 0);
    EXPECT_NEAR(double(gotCount), double(wantCount), 0.02 * double(wantCount));
  }
}

// The recorder writes the widening down, so that its fill plays as the band.
TEST(EmfWidenPath, TheMetafileRecorderKeepsTheWidening) {
  MetafileDC recorder(MetafileFrame{0, 0, 20000, 20000}, TSize{200, 200}, TSize{200, 200});
  recorder.SelectObject(TPen(Rgb(0, 0, 0), 10));
  recorder.SelectObject(TBrush(Rgb(255, 0, 0)));
  recorder.BeginPath();
  recorder.MoveTo(20, 100);
  recorder.LineTo(180, 100);
  recorder.EndPath();
  EXPECT_TRUE(recorder.WidenPath());
  recorder.FillPath();
  ByteArray bytes;
  ASSERT_TRUE(recorder.Close(bytes));
  std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.Items(), bytes.Count());
  ASSERT_TRUE(emf);
  std::vector<std::uint8_t> bits(200 * 200 * 4, 0xFF);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), 200, 200);
  PlayEnhMetaFile(*dc, *emf, TRect{0, 0, 200, 200});
  dc->Flush();
  int red = 0;
  for (std::size_t i = 0; i < bits.size(); i += 4) red += bits[i] == 0 && bits[i + 1] == 0 && bits[i + 2] == 255;
  EXPECT_NEAR(red, 160 * 10 + 10 * 10 * 3.14159 / 4, 80);  // the line and its round caps
}

// ---- EXTFLOODFILL ----

// A 200-pixel picture: a black outline of (50, 50)-(150, 150), maybe with a
// gap on the left, and a blue square inside; then `more` and the fill.
struct FloodCase {
  const char* name;
  int side;
  Writer picture;
  Writer fill;
  // The pixels the fill must change, from the picture without it; with
  // `exact` false, changed pixels only lie there (a hatch leaves some).
  std::function<bool(const Picture& before, int x, int y)> changes;
  bool exact;
};

void Outline(EmfBuilder& b, bool gap) {
  Select(b, U_BLACK_PEN | 0x80000000u);
  if (gap) {
    const U_POINTL p[5] = {{50, 90}, {50, 50}, {150, 50}, {150, 150}, {50, 150}};  // x=50 open from 90 to 150
    b.Take(U_EMRPOLYLINE_set(R(50, 50, 150, 150), 5, p));
    return;
  }
  Select(b, U_NULL_BRUSH | 0x80000000u);
  b.Take(U_EMRRECTANGLE_set(R(50, 50, 150, 150)));
}

void BlueSquare(EmfBuilder& b) {
  b.Take(U_EMRCREATEBRUSHINDIRECT_set(3, logbrush_set(U_BS_SOLID, colorref_set(0, 0, 255), 0)));
  Select(b, 3);
  Select(b, U_NULL_PEN | 0x80000000u);
  b.Take(U_EMRRECTANGLE_set(R(80, 80, 100, 100)));
}

Writer Flood(int x, int y, U_COLORREF color, std::uint32_t mode, std::uint32_t brushStyle = U_BS_SOLID) {
  return [=](EmfBuilder& b) {
    Brush(b, brushStyle, kRed, U_HS_CROSS);
    b.Take(U_EMREXTFLOODFILL_set(point32_set(x, y), color, mode));
  };
}

bool White(const Picture& p, int x, int y) { return p.At(x, y) == Rgb(255, 255, 255); }
bool Inside(int x, int y) { return x > 50 && x < 150 && y > 50 && y < 150; }

// Vertical black lines every fourth pixel, open alternately at the top and
// the bottom: one white corridor winding through the whole picture.
void Serpentine(EmfBuilder& b, int side) {
  Select(b, U_BLACK_PEN | 0x80000000u);
  for (int x = 2, k = 0; x < side - 2; x += 4, ++k) {
    b.Take(U_EMRMOVETOEX_set(point32_set(x, k % 2 ? 2 : 0)));
    b.Take(U_EMRLINETO_set(point32_set(x, k % 2 ? side : side - 2)));
  }
}

const FloodCase kFloodCases[] = {
    {"border mode fills the inside", 200, [](EmfBuilder& b) { Outline(b, false); },
     Flood(100, 100, kBlack, U_FLOODFILLBORDER),
     [](const Picture& p, int x, int y) { return Inside(x, y) && White(p, x, y); }, true},
    {"surface mode fills the inside", 200, [](EmfBuilder& b) { Outline(b, false); },
     Flood(100, 100, colorref_set(255, 255, 255), U_FLOODFILLSURFACE),
     [](const Picture& p, int x, int y) { return Inside(x, y) && White(p, x, y); }, true},
    {"border mode paints over other colours",
     200, [](EmfBuilder& b) { Outline(b, false); BlueSquare(b); }, Flood(60, 60, kBlack, U_FLOODFILLBORDER),
     [](const Picture& p, int x, int y) { return Inside(x, y) && p.At(x, y) != Rgb(0, 0, 0); }, true},
    {"surface mode stops at any other colour",
     200, [](EmfBuilder& b) { Outline(b, false); BlueSquare(b); },
     Flood(60, 60, colorref_set(255, 255, 255), U_FLOODFILLSURFACE),
     [](const Picture& p, int x, int y) { return Inside(x, y) && White(p, x, y); }, true},
    {"a gap in the border leaks out", 200, [](EmfBuilder& b) { Outline(b, true); },
     Flood(100, 100, kBlack, U_FLOODFILLBORDER), [](const Picture& p, int x, int y) { return White(p, x, y); },
     true},
    {"the clip bounds the fill", 200,
     [](EmfBuilder& b) {
       Outline(b, false);
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(0, 0, 100, 200)));
     },
     Flood(75, 100, kBlack, U_FLOODFILLBORDER),
     [](const Picture& p, int x, int y) { return x < 100 && Inside(x, y) && White(p, x, y); }, true},
    {"a start outside the clip fills nothing", 200,
     [](EmfBuilder& b) {
       Outline(b, false);
       b.Take(U_EMRINTERSECTCLIPRECT_set(R(0, 0, 40, 40)));
     },
     Flood(100, 100, kBlack, U_FLOODFILLBORDER), [](const Picture&, int, int) { return false; }, true},
    {"a hatched brush fills only inside", 200, [](EmfBuilder& b) { Outline(b, false); },
     Flood(100, 100, kBlack, U_FLOODFILLBORDER, U_BS_HATCHED),
     [](const Picture& p, int x, int y) { return Inside(x, y) && White(p, x, y); }, false},
    {"a 2000-pixel winding corridor", 2000, [](EmfBuilder& b) { Serpentine(b, 2000); },
     Flood(0, 0, kBlack, U_FLOODFILLBORDER), [](const Picture& p, int x, int y) { return White(p, x, y); }, true},
};

TEST(EmfExtFloodFill, ChangesExactlyTheReachedPixels) {
  for (const FloodCase& c : kFloodCases) {
    SCOPED_TRACE(c.name);
    const Picture before = Play(c.side, c.picture);
    const Picture after = Play(c.side, [&](EmfBuilder& b) {
      c.picture(b);
      c.fill(b);
    });
    long changed = 0, expected = 0, wrong = 0;
    for (int y = 0; y < c.side; ++y)
      for (int x = 0; x < c.side; ++x) {
        const bool want = c.changes(before, x, y);
        const bool got = after.At(x, y) != before.At(x, y);
        expected += want;
        changed += got;
        wrong += c.exact ? got != want : got && !want;
      }
    EXPECT_EQ(wrong, 0) << changed << " changed, " << expected << " expected";
    if (!c.exact) {
      EXPECT_GT(changed, expected / 10);
    }
    EXPECT_EQ(after.unplayed, expected == 0 ? 1u : 0u);
  }
}

// A vector page cannot read its pixels: as on a printer, nothing is drawn
// and the record counts as not played.
TEST(EmfExtFloodFill, VectorPageDrawsNothing) {
  cairo_surface_t* surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, nullptr);
  {
    DeviceCaps caps;
    caps.technology = kDtRasPrinter;
    caps.widthPx = 200;
    caps.heightPx = 200;
    CairoDC dc(surface, caps);
    EmfPlayStats stats;
    PlayEnhMetaFile(dc, Write(200, Flood(100, 100, kBlack, U_FLOODFILLBORDER)), TRect{0, 0, 200, 200}, &stats);
    EXPECT_EQ(stats.unplayed, 1u);
  }
  double x, y, w, h;
  cairo_recording_surface_ink_extents(surface, &x, &y, &w, &h);
  EXPECT_EQ(w * h, 0.0);
  cairo_surface_destroy(surface);
}

}  // namespace emf_widen_flood
}  // namespace kvn
