// DecodePngToDib: a PNG held in memory (a DWG preview) into a TDib, with the
// caller's pixel cap checked from the header before any pixel memory.
#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"

namespace kvn {

bool DecodePngToDib(const std::uint8_t* data, std::size_t size, std::uint64_t maxPixels, TDib* out) {
  out->Clear();
  if (data == nullptr || size == 0) return false;
  PictureInfo info;
  if (DecodePngPicture(data, size, nullptr, &info) != PictureStatus::kOk) return false;
  if (info.width <= 0 || info.height <= 0 || std::uint64_t(info.width) * std::uint64_t(info.height) > maxPixels)
    return false;
  if (DecodePngPicture(data, size, out, &info) != PictureStatus::kOk || out->IsEmpty()) {
    out->Clear();
    return false;
  }
  return true;
}

}  // namespace kvn
