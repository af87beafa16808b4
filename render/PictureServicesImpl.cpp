#include "render/PictureServicesImpl.h"

#include "model/PictureServices.h"
#include "render/DibConversion.h"
#include "render/MetafileDraw.h"
#include "render/PictureDraw.h"
#include "render/Strokes.h"

namespace kvn {

namespace {

class RendererPictureServices : public PictureServices {
 public:
  std::unique_ptr<TDib> ExtractAlphaMask(const TDib& picture) override { return kvn::ExtractAlphaMask(picture); }
  std::unique_ptr<TDib> ConvertDibBitCount(const TDib& picture, std::uint32_t bitCount,
                                           const std::vector<std::uint32_t>* palette) override {
    return kvn::ConvertDibBitCount(picture, bitCount, false, nullptr, std::nullopt, palette);
  }
  bool CountDibColors(std::vector<std::uint32_t>* colors, const TDib& picture) override {
    return kvn::CountDibColors(colors, picture);
  }
  bool CompressDibRle(TDib& picture) override { return kvn::CompressDibRle(picture); }
  bool NarrowDibTo24(TDib& picture) override { return kvn::NarrowDibTo24(picture); }
  void DrawBitmap(cBitmap& bitmap, cDrawInfo* info) override { DrawBitmapObject(bitmap, info); }
  void DrawWmf(cWmf& metafile, cDrawInfo* info) override { DrawWmfObject(metafile, info); }
  void RasterizeFrame(const DPoint corners[4], std::uint32_t value, cDrawInfo* info) override {
    RasterizePolyline(*info, value, corners, 4, true);
  }
};

}  // namespace

void InstallRendererPictureServices() {
  static RendererPictureServices services;
  SetPictureServices(&services);
}

}  // namespace kvn
