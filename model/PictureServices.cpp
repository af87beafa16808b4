#include "model/PictureServices.h"

namespace kvn {

std::unique_ptr<TDib> PictureServices::ExtractAlphaMask(const TDib&) { return nullptr; }
std::unique_ptr<TDib> PictureServices::ConvertDibBitCount(const TDib&, std::uint32_t,
                                                          const std::vector<std::uint32_t>*) {
  return nullptr;
}
bool PictureServices::CountDibColors(std::vector<std::uint32_t>*, const TDib&) { return false; }
bool PictureServices::CompressDibRle(TDib&) { return false; }
bool PictureServices::NarrowDibTo24(TDib&) { return false; }
void PictureServices::DrawBitmap(cBitmap&, cDrawInfo*) {}
void PictureServices::DrawWmf(cWmf&, cDrawInfo*) {}
void PictureServices::RasterizeFrame(const DPoint*, std::uint32_t, cDrawInfo*) {}

namespace {
PictureServices defaults;
PictureServices* installedServices = nullptr;
}  // namespace

PictureServices& GetPictureServices() { return installedServices ? *installedServices : defaults; }
void SetPictureServices(PictureServices* services) { installedServices = services; }

}  // namespace kvn
