// The abort procedure of a device context: reached once every
// kAbortCheckOperations drawing operations (direct writes to a raster
// context's pixels included); once it says stop, nothing more is drawn.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/gdi/RasterDC.h"

namespace kvn {
namespace {

constexpr int kInterval = int(kAbortCheckOperations);
constexpr std::uint32_t kWhite = 0x00FFFFFF;

struct Canvas {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(64 * 64, kWhite);
  std::unique_ptr<RasterDC> dc = RasterDC::Create(reinterpret_cast<std::uint8_t*>(pixels.data()), 64, 64);
  bool RowWhite(int y) {
    dc->Flush();
    for (int x = 0; x < 64; ++x)
      if ((pixels[std::size_t(y) * 64 + std::size_t(x)] & 0xFFFFFF) != kWhite) return false;
    return true;
  }
};

TEST(AbortProc, ReachedEveryIntervalAndAStopEndsTheDrawing) {
  Canvas c;
  ASSERT_TRUE(c.dc);
  int calls = 0;
  c.dc->SetAbortProc([&](TDC* dc, int code) {
    EXPECT_EQ(dc, c.dc.get());
    EXPECT_EQ(code, 0);
    return ++calls < 2;
  });
  // Operations 1 .. 2 x kInterval - 1 draw; the procedure is asked at
  // kInterval (goes on) and at 2 x kInterval (stops: that one is refused).
  int drawn = 0;
  for (int i = 1; i <= 3 * kInterval; ++i) {
    c.dc->MoveTo(0, 0);
    drawn += c.dc->LineTo(63, 0) ? 1 : 0;
  }
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(drawn, 2 * kInterval - 1);
  EXPECT_TRUE(c.dc->Aborted());
  EXPECT_EQ(c.dc->DrawingOperations(), std::uint64_t(3 * kInterval));
  EXPECT_FALSE(c.RowWhite(0));
  // Every kind of drawing is refused from now on.
  c.dc->MoveTo(0, 5);
  EXPECT_FALSE(c.dc->LineTo(63, 5));
  EXPECT_FALSE(c.dc->FillRect(TRect{0, 6, 64, 7}, TBrush(0)));
  EXPECT_EQ(c.dc->SetPixel(3, 7, 0), kClrInvalid);
  EXPECT_TRUE(c.RowWhite(5));
  EXPECT_TRUE(c.RowWhite(6));
  EXPECT_TRUE(c.RowWhite(7));
  EXPECT_EQ(calls, 2);
}

TEST(AbortProc, DirectWritesToThePixelsCountAndNoProcedureNeverStops) {
  Canvas c;
  int calls = 0;
  c.dc->SetAbortProc([&](TDC*, int) {
    ++calls;
    return true;
  });
  for (int i = 0; i < 2 * kInterval; ++i) c.dc->Flush();
  EXPECT_EQ(calls, 2);

  Canvas plain;
  for (int i = 0; i < 3 * kInterval; ++i) {
    plain.dc->MoveTo(0, 1);
    ASSERT_TRUE(plain.dc->LineTo(63, 1));
  }
  EXPECT_FALSE(plain.dc->Aborted());
  EXPECT_TRUE(plain.dc->QueryAbort());
  // A window's context has no procedure: its repaints count nothing.
  EXPECT_EQ(plain.dc->DrawingOperations(), 0u);
}

// Every kind of drawing call is one operation: kInterval calls of any one
// kind reach the procedure once, so that a page of nothing but texts,
// fills or pictures still answers a cancel.
TEST(AbortProc, EveryKindOfDrawingCounts) {
  const std::uint32_t black = 0;
  const PixelView pixel{reinterpret_cast<const std::uint8_t*>(&black), 1, 1, 4};
  auto path = [](TDC& dc) {
    dc.BeginPath();
    dc.MoveTo(0, 0);
    dc.LineTo(5, 0);
    dc.LineTo(0, 5);
    dc.EndPath();
  };
  const struct {
    const char* name;
    std::function<void(TDC&)> draw;
  } kinds[] = {
      {"LineTo", [](TDC& dc) { dc.LineTo(5, 5); }},
      {"FillRect", [](TDC& dc) { dc.FillRect(TRect{0, 0, 4, 4}, TBrush(0)); }},
      {"FillRgn", [](TDC& dc) { dc.FillRgn(TRegion(TRect{0, 0, 4, 4}), TBrush(0)); }},
      {"PatBlt", [](TDC& dc) { dc.PatBlt(0, 0, 4, 4, kPatCopy); }},
      {"FillPath", [&](TDC& dc) { path(dc); dc.FillPath(); }},
      {"StrokePath", [&](TDC& dc) { path(dc); dc.StrokePath(); }},
      {"StrokeAndFillPath", [&](TDC& dc) { path(dc); dc.StrokeAndFillPath(); }},
      {"SetPixel", [](TDC& dc) { dc.SetPixel(1, 1, 0); }},
      {"BitBlt", [&](TDC& dc) { dc.BitBlt(0, 0, 1, 1, pixel, 0, 0, kSrcCopy); }},
      {"ExtTextOut", [](TDC& dc) { dc.ExtTextOut(0, 0, 0, nullptr, u"A", 1, nullptr); }},
  };
  for (const auto& kind : kinds) {
    Canvas c;
    int calls = 0;
    c.dc->SetAbortProc([&](TDC*, int) {
      ++calls;
      return true;
    });
    for (int i = 0; i < kInterval; ++i) kind.draw(*c.dc);
    EXPECT_EQ(calls, 1) << kind.name;
    EXPECT_EQ(c.dc->DrawingOperations(), std::uint64_t(kInterval)) << kind.name;
  }
}

}  // namespace
}  // namespace kvn
