#include "model/cBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ObjectTypes.h"
#include "model/PictureServices.h"
#include "render/DrawInfo.h"

namespace kvn {

namespace {

// Bytes of an 8-bit mask's rows, padded to 32 bits.
std::uint64_t MaskImageSize(std::int32_t width, std::int32_t height) {
  return ((8ull * std::uint32_t(width) + 31) / 32) * 4 * std::uint32_t(height);
}

}  // namespace

cBitmap::cBitmap() : cFramedPicture(kTypeBitmap) {}

cBitmap::~cBitmap() = default;

// ---- picture ----

void cBitmap::SetImage(bool makeMask, std::unique_ptr<TDib> picture, bool reduceColours,
                       std::vector<std::uint8_t> encoded, std::unique_ptr<TDib> mask) {
  if (!picture) return;
  PictureServices& services = GetPictureServices();
  if (makeMask && !mask) mask = services.ExtractAlphaMask(*picture);
  if (reduceColours) {
    // A 32-bit picture is narrowed in its own block: a large one is not
    // held twice.
    if ((picture->Compression() == kBiBitFields || picture->BitCount() == 16 || picture->BitCount() == 32) &&
        !services.NarrowDibTo24(*picture))
      if (auto wide = services.ConvertDibBitCount(*picture, 24, nullptr)) picture = std::move(wide);
    std::vector<std::uint32_t> colours;
    if (services.CountDibColors(&colours, *picture) && colours.size() < (picture->BitCount() <= 8 ? 1u << picture->BitCount() : 0u))
      if (auto fewer = services.ConvertDibBitCount(*picture, 0, &colours)) picture = std::move(fewer);
    services.CompressDibRle(*picture);
  }
  // A mask that does not match the picture would be read beyond its end.
  if (mask && (mask->BitCount() != 8 || mask->Width() != picture->Width() || mask->Height() != picture->Height()))
    mask.reset();
  encoded_.reset();
  if (!encoded.empty()) {
    encoded_ = std::make_shared<EncodedPictureHolder>();
    encoded_->bytes = std::move(encoded);
  }
  image_ = std::make_shared<DibHolder>();
  image_->picture = std::move(picture);
  image_->mask = std::move(mask);
  MarkDirty();
}

void cBitmap::SetEncodedImage(std::vector<std::uint8_t> encoded) {
  if (encoded.empty()) return;
  encoded_ = std::make_shared<EncodedPictureHolder>();
  encoded_->bytes = std::move(encoded);
  MarkDirty();
}

void cBitmap::ShareImageFrom(const cBitmap& other) {
  if (&other == this) return;
  image_ = other.image_;
  encoded_ = other.encoded_;
}

// ---- record ----

void cBitmap::Write(cDrawingData*, ArchiveWriter& w) const {
  WriteHeader(w);
  w.WriteRealPoint(frame.origin);
  w.WriteRealPoint({frame.width, frame.height});
  w.WriteCompactDouble(frame.angle);
  w.WriteColor(transparentColour);
  if ((transparentColour & kNoTransparentColour) == 0) w.WriteCompactDouble(tolerance);
  const TDib* mask = GetAlphaMask();
  w.WriteBit(mask != nullptr);
  w.Flush();
  if (mask) {
    const std::uint64_t n = std::min<std::uint64_t>(MaskImageSize(mask->Width(), mask->Height()), mask->BitsSize());
    w.WriteRaw32(std::uint32_t(n));
    w.Write(mask->Bits(), std::uint32_t(n));
  }
  w.WriteBit(encoded_ != nullptr);
  if (encoded_) {
    w.WriteRaw32(std::uint32_t(encoded_->bytes.size()));
    w.Write(encoded_->bytes.data(), std::uint32_t(encoded_->bytes.size()));
    return;
  }
  const TDib* picture = StoredDib();
  if (picture && picture->HasBits()) {
    w.WriteRaw32(picture->PackedDibSize());
    w.Write(picture->PackedDib(), picture->PackedDibSize());
  } else {
    w.WriteRaw32(0);
  }
}

ObjectChain cBitmap::Read(ReadContext*, cDrawingData*, ArchiveReader& r, int version) {
  ReadHeader(r, version);
  bool hasMask = false;
  if (version < 3061) {
    frame.origin = r.ReadFloatPoint();
    const DPoint size = r.ReadFloatPoint();
    frame.width = size.x;
    frame.height = size.y;
  } else {
    frame.origin = r.ReadRealPoint();
    const DPoint size = r.ReadRealPoint();
    frame.width = size.x;
    frame.height = size.y;
    if (version >= 3088) frame.angle = r.ReadCompactDouble();
    if (version >= 3092) {
      transparentColour = r.ReadColor();
      if ((transparentColour & kNoTransparentColour) == 0) tolerance = r.ReadCompactDouble();
    }
    if (version >= 3106) hasMask = r.ReadBit();
    // The byte fields start on a byte: the checksum read drops the pending bits.
    r.TakeChecksum();
  }
  std::vector<std::uint8_t> maskBytes;
  if (hasMask) {
    const std::uint32_t n = r.ReadRaw32();
    if (!r.ReadIntoVector(maskBytes, n)) maskBytes.clear();
  }
  const bool encoded = version >= 3067 && r.ReadBit();
  const std::uint32_t n = r.ReadRaw32();
  std::vector<std::uint8_t> bytes;
  const bool complete = n > 0 && r.ReadIntoVector(bytes, n);
  MarkDirty();
  if (!complete) return {};
  if (encoded) {
    encoded_ = std::make_shared<EncodedPictureHolder>();
    encoded_->bytes = std::move(bytes);
    return {};
  }
  auto picture = std::make_unique<TDib>();
  // Stored pictures pass the packed-DIB checks like any other; one that
  // fails leaves the object as it was.
  if (!picture->LoadPackedDib(bytes.data(), bytes.size())) return {};
  if (version < 3088) {
    frame.width = std::fabs(frame.width);
    frame.height = std::fabs(frame.height);
  }
  std::unique_ptr<TDib> mask;
  if (!maskBytes.empty()) {
    mask = std::make_unique<TDib>();
    if (mask->Create(picture->Width(), picture->Height(), 8)) {
      // A stored mask longer than the mask's image is cut to it.
      std::memcpy(mask->Bits(), maskBytes.data(), std::min<std::size_t>(maskBytes.size(), mask->BitsSize()));
    } else {
      mask.reset();
    }
  }
  encoded_.reset();
  image_ = std::make_shared<DibHolder>();
  image_->picture = std::move(picture);
  image_->mask = std::move(mask);
  return {};
}

// ---- geometry ----

void cBitmap::Assign(const cOutObj& source) {
  cOutObj::Assign(source);
  const cBitmap* other = source.AsBitmap();
  if (!other || other == this) return;
  frame = other->frame;
  transparentColour = other->transparentColour;
  tolerance = other->tolerance;
  ShareImageFrom(*other);
}

DRect& cBitmap::GetExtent(DRect& out) {
  out = frame.extent;
  return out;
}

void cBitmap::Recalc(cDrawingData*) { frame.Recalc(); }

void cBitmap::Draw(cDrawInfo* info) {
  if (!info || HasFlag(kFlagHidden)) return;
  GetPictureServices().DrawBitmap(*this, info);
}

void cBitmap::DrawOutline(std::uint32_t value, cDrawInfo* info, bool) {
  if (!info) return;
  UpdateIfDirty(nullptr);
  DPoint corners[4];
  frame.GetCorners(corners);
  GetPictureServices().RasterizeFrame(corners, value, info);
}

}  // namespace kvn
