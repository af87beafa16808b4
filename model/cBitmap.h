// cBitmap: a raster picture placed in a drawing, shown in a turned frame.
// The picture (or its encoded bytes, decoded when first drawn) lives in
// holders shared by every copy of the object, so copying a drawing never
// copies pixels. An optional 8-bit alpha mask and an optional transparent
// colour leave parts of the picture undrawn.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "model/FramedPicture.h"
#include "platform/gdi/TDib.h"

namespace kvn {

// The decoded picture with the renderer's caches and the alpha mask.
struct DibHolder {
  std::unique_ptr<TDib> picture;
  std::unique_ptr<TDib> uncompressed;  // an RLE picture decoded, made once
  std::unique_ptr<TDib> grey;          // an 8-bit grey copy, made once
  std::unique_ptr<TDib> mask;          // 8 bits, the picture's size
};

// A picture kept in its encoded form (JPEG bytes).
struct EncodedPictureHolder {
  std::unique_ptr<TDib> decoded;  // made on first use
  std::unique_ptr<TDib> grey;
  std::vector<std::uint8_t> bytes;
  bool decodeFailed = false;
};

inline constexpr std::uint32_t kNoTransparentColour = 0x80000000;

class cBitmap : public cFramedPicture {
 public:
  static constexpr std::uint8_t kTypeCode = 7;

  cBitmap();
  ~cBitmap() override;

  cBitmap* AsBitmap() override { return this; }
  const cBitmap* AsBitmap() const override { return this; }
  void Write(cDrawingData* data, ArchiveWriter& w) const override;
  DRect& GetExtent(DRect& out) override;
  void Assign(const cOutObj& source) override;
  ObjectChain Read(ReadContext* context, cDrawingData* data, ArchiveReader& r, int version) override;
  void Draw(cDrawInfo* info) override;
  // The four frame corners as one closed polygon, rasterised with the value.
  void DrawOutline(std::uint32_t value, cDrawInfo* info, bool flag) override;
  void Recalc(cDrawingData* data) override;

  // Takes the picture, the bytes and the mask. With `makeMask` and no mask
  // the alpha channel of a 32-bit picture becomes one; with `reduceColours`
  // the picture is brought to the fewest bits its colours need and RLE
  // compressed when smaller. Nothing happens without a picture.
  void SetImage(bool makeMask, std::unique_ptr<TDib> picture, bool reduceColours,
                std::vector<std::uint8_t> encoded, std::unique_ptr<TDib> mask);
  // Keeps only encoded bytes (a JPEG decoded when first drawn).
  void SetEncodedImage(std::vector<std::uint8_t> encoded);
  // Shares the other's holders; the geometry stays.
  void ShareImageFrom(const cBitmap& other);
  const TDib* GetAlphaMask() const { return image_ && image_->mask ? image_->mask.get() : nullptr; }

  const std::shared_ptr<DibHolder>& Image() const { return image_; }
  const std::shared_ptr<EncodedPictureHolder>& Encoded() const { return encoded_; }
  // The picture as stored (no decoding): the holder's picture or null.
  const TDib* StoredDib() const { return image_ && image_->picture ? image_->picture.get() : nullptr; }

  std::uint32_t transparentColour = kNoTransparentColour;
  double tolerance = 0.0;

 private:
  std::shared_ptr<DibHolder> image_;
  std::shared_ptr<EncodedPictureHolder> encoded_;
};

}  // namespace kvn
