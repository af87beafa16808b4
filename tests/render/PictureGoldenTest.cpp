// Pictures and metafiles against reviewed pictures: the screen road (raster
// surface with its device context: pictures turned into the surface,
// metafiles played through the surface's context) and the device-context
// road on a cairo image target.
// Reviewed pictures: tests/golden/pictures_surface.png, pictures_dc.png.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "foundation/InFileStream.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/gdi/RasterDC.h"
#include "render/DrawInfo.h"
#include "render/PictureServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

constexpr int kWidth = 400, kHeight = 300;

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::unique_ptr<TDib> Bmp(const std::filesystem::path& path) {
  const auto bytes = ReadFile(path);
  ByteArray data;
  data.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(data);
  return std::make_unique<TDib>(TDib::FromBmpStream(in));
}

struct Scene {
  cBitmap rgb, mono, rle, jpeg;
  cWmf upright, turned, mirrored;
};

void MakeScene(const std::filesystem::path& dir, Scene& s) {
  auto rgb = Bmp(dir / "raster/imagers_rgb24.bmp");
  const std::uint32_t corner = rgb->GetPixelColor(0, 0);
  s.rgb.SetImage(false, std::move(rgb), false, {}, nullptr);
  s.rgb.frame = PictureFrame{{8, 8}, 30, 15, 30};
  s.rgb.transparentColour = corner;
  s.rgb.tolerance = 10;
  s.mono.SetImage(false, Bmp(dir / "raster/imagers_Core_1_Bit.bmp"), false, {}, nullptr);
  s.mono.frame = PictureFrame{{45, 5}, 20, 20, 0};
  s.rle.SetImage(false, Bmp(dir / "raster/imagers_pal8rle.bmp"), false, {}, nullptr);
  s.rle.frame = PictureFrame{{72, 5}, 24, 12, 0};
  s.jpeg.SetEncodedImage(ReadFile(dir / "raster/imagers_cat_progressive.jpg"));
  s.jpeg.frame = PictureFrame{{4, 35}, 24, 18, 0};
  const auto emf = ReadFile(dir / "metafile/libuemf_test_libuemf_ref.emf");
  s.upright.SetBits(emf);
  s.upright.frame = PictureFrame{{32, 35}, 24, 18, 0};
  s.turned.SetBits(emf);
  s.turned.frame = PictureFrame{{60, 72}, 24, 18, 90};
  s.mirrored.SetBits(emf);
  s.mirrored.frame = PictureFrame{{98, 35}, -24, 18, 0};
}

void DrawScene(Scene& s, TDC* dc, cRasterSurface* raster, bool darkMono) {
  WorldMapping mapping;
  mapping.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  cDrawInfo info(mapping, nullptr, dc, raster);
  for (cOutObj* o : std::initializer_list<cOutObj*>{&s.rgb, &s.rle, &s.jpeg, &s.upright, &s.turned, &s.mirrored})
    o->Draw(&info);
  // The 1-bit picture on a dark background.
  info.darkBackground = darkMono ? 1 : 0;
  s.mono.Draw(&info);
}

TEST(PictureGolden, ScreenRoad) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallRendererPictureServices();
  cRasterSurface surface(false);
  ASSERT_TRUE(surface.Prepare(TRect{0, 0, kWidth, kHeight}));
  surface.FillRect(0, 0, kWidth, kHeight, 0xFFFFFFFF);
  surface.FillRect(170, 10, 100, 100, 0xFF202840);
  Scene scene;
  MakeScene(dir, scene);
  DrawScene(scene, surface.DC(), &surface, true);
  surface.Flush();
  test::ExpectMatchesGolden(test::PictureFromBgra(surface.Bits(), kWidth, kHeight), "pictures_surface", 0);
}

TEST(PictureGolden, DeviceContextRoad) {
  KVN_REQUIRE_TESTDATA(dir);
  InstallRendererPictureServices();
  std::vector<std::uint8_t> bits(std::size_t(kWidth) * kHeight * 4, 0xFF);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  ASSERT_TRUE(dc);
  dc->FillSolidRect(TRect{170, 10, 270, 110}, 0x402820);
  Scene scene;
  MakeScene(dir, scene);
  DrawScene(scene, dc.get(), nullptr, true);
  dc->Flush();
  test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), kWidth, kHeight), "pictures_dc", 0);
}

}  // namespace
}  // namespace kvn
