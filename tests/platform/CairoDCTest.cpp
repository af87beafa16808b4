// The cairo target on surfaces other than the raster buffer: what a vector
// page does with raster operations, and a PDF page drawn through it.
#include "platform/gdi/CairoDC.h"

#include <cairo-pdf.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kvn {
namespace {

struct ImageTarget {
  ImageTarget() {
    surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 20, 10);
    DeviceCaps caps;
    caps.widthPx = 20;
    caps.heightPx = 10;
    dc = std::make_unique<CairoDC>(surface, caps);
    dc->FillSolidRect(TRect{0, 0, 20, 10}, Rgb(255, 255, 255));
  }
  ~ImageTarget() {
    dc.reset();
    cairo_surface_destroy(surface);
  }
  COLORREF At(int x, int y) {
    cairo_surface_flush(surface);
    const std::uint8_t* p =
        cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + 4 * x;
    return Rgb(p[2], p[1], p[0]);
  }
  cairo_surface_t* surface;
  std::unique_ptr<CairoDC> dc;
};

TEST(CairoDCTest, VectorTargetsDrawOnlyTheOperationsThatNeedNoDestination) {
  ImageTarget t;
  t.dc->SelectStockObject(kNullPen);
  t.dc->SelectObject(TBrush(Rgb(255, 0, 0)));
  t.dc->SetROP2(kR2XorPen);
  t.dc->Rectangle(0, 0, 4, 4);
  EXPECT_EQ(t.At(1, 1), Rgb(255, 0, 0)) << "drawn as R2_COPYPEN";
  t.dc->SetROP2(kR2NotCopyPen);
  t.dc->Rectangle(4, 0, 8, 4);
  EXPECT_EQ(t.At(5, 1), Rgb(0, 255, 255));
  t.dc->SetROP2(kR2Nop);
  t.dc->Rectangle(8, 0, 12, 4);
  EXPECT_EQ(t.At(9, 1), Rgb(255, 255, 255));
  EXPECT_TRUE(t.dc->PatBlt(12, 0, 4, 4, kDstInvert));
  EXPECT_EQ(t.At(13, 1), Rgb(0, 0, 0));
  const std::uint8_t pixel[4] = {1, 2, 3, 4};
  EXPECT_FALSE(t.dc->BitBlt(0, 6, 1, 1, PixelView{pixel, 1, 1, 4}, 0, 0, kSrcAnd));
  EXPECT_TRUE(t.dc->BitBlt(0, 6, 1, 1, PixelView{pixel, 1, 1, 4}, 0, 0, kSrcCopy));
  EXPECT_EQ(t.At(0, 6), Rgb(3, 2, 1));
  EXPECT_EQ(t.dc->GetPixel(0, 6), kClrInvalid) << "no pixel access on a cairo surface";
}

cairo_status_t Collect(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

TEST(CairoDCTest, APdfPageIsDrawnThroughTheSameInterface) {
  std::string pdf;
  cairo_surface_t* surface = cairo_pdf_surface_create_for_stream(Collect, &pdf, 200, 100);
  {
    DeviceCaps caps;
    caps.technology = kDtRasPrinter;
    caps.widthPx = 200;
    caps.heightPx = 100;
    caps.dpiX = caps.dpiY = 72;
    CairoDC dc(surface, caps);
    dc.SetMapMode(kMmLoMetric);
    dc.SetViewportOrg(0, 100);
    dc.IntersectClipRect(0, 0, 600, 300);
    dc.SelectObject(TPen(Rgb(0, 0, 200), 5));
    dc.MoveTo(10, 10);
    dc.LineTo(500, 250);
    dc.SelectObject(TBrush(kHsCross, Rgb(0, 120, 0)));
    dc.Ellipse(100, 50, 300, 200);
    // The blit's pixels are gone before the page is written out.
    std::vector<std::uint8_t> block(8 * 8 * 4, 0x80);
    EXPECT_TRUE(dc.StretchBlt(400, 50, 100, 100, PixelView{block.data(), 8, 8, 32}, 0, 0, 8, 8, kSrcCopy));
    block.assign(block.size(), 0);
    block.clear();
    block.shrink_to_fit();
  }
  cairo_surface_finish(surface);
  EXPECT_EQ(cairo_surface_status(surface), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(surface);
  ASSERT_GT(pdf.size(), 200u);
  EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
}

}  // namespace
}  // namespace kvn
