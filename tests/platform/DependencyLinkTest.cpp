// Each library the platform layer is built on links and answers a first call,
// so that a missing or broken package shows up here and not in a later feature.
#include <agg_rasterizer_scanline_aa.h>
#include <agg_scanline_u.h>
#include <cairo.h>
#include <cups/cups.h>
#include <double-conversion/double-conversion.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <gif_lib.h>
#include <gsf/gsf-utils.h>
#include <gtest/gtest.h>
#include <png.h>
#include <tiffio.h>
#include <uemf.h>
#include <wx/string.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>

#include <jpeglib.h>

TEST(DependencyLink, CompressionAndNumbers) {
  EXPECT_EQ(std::string(zlibVersion()).substr(0, 2), "1.");
  double_conversion::StringToDoubleConverter conv(
      double_conversion::StringToDoubleConverter::ALLOW_LEADING_SPACES, 0.0, 0.0, nullptr, nullptr);
  int used = 0;
  EXPECT_EQ(conv.StringToDouble(" 2.5", 4, &used), 2.5);
}

TEST(DependencyLink, RasterLibraries) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 8, 8);
  EXPECT_EQ(cairo_surface_status(s), CAIRO_STATUS_SUCCESS);
  cairo_surface_destroy(s);

  agg::rasterizer_scanline_aa<> ras;
  ras.clip_box(0, 0, 100, 100);
  ras.move_to_d(1, 1);
  ras.line_to_d(10, 1);
  ras.line_to_d(10, 10);
  EXPECT_TRUE(ras.rewind_scanlines());

  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr jerr{};
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);

  EXPECT_NE(png_access_version_number(), 0u);
  EXPECT_NE(TIFFGetVersion(), nullptr);
  EXPECT_GE(GIFLIB_MAJOR, 5);
  EXPECT_STREQ(GifErrorString(D_GIF_ERR_OPEN_FAILED) != nullptr ? "ok" : "", "ok");
}

TEST(DependencyLink, FontLibraries) {
  FT_Library ft = nullptr;
  ASSERT_EQ(FT_Init_FreeType(&ft), 0);
  FT_Done_FreeType(ft);
  EXPECT_GT(FcGetVersion(), 0);
}

TEST(DependencyLink, DocumentLibraries) {
  gsf_init();
  gsf_shutdown();
  char* rec = U_EMRSETBKMODE_set(1);  // libuemf builds one EMF record
  ASSERT_NE(rec, nullptr);
  std::free(rec);
  EXPECT_NE(cupsUser(), nullptr);
}

TEST(DependencyLink, Toolkit) {
  wxString s = wxString::FromUTF8("\xC5\xA1");
  EXPECT_EQ(s.length(), 1u);
}
