#include "render/PictureDraw.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "model/ColorHls.h"
#include "model/cBitmap.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/image/ImageCodecs.h"
#include "render/DibConversion.h"
#include "render/DrawInfo.h"
#include "render/GdiOutput.h"
#include "render/RotatedBitmap.h"

namespace kvn {

namespace {

bool IsRleDib(const TDib& dib) { return dib.Compression() == kBiRle4 || dib.Compression() == kBiRle8; }

std::uint32_t Swap(std::uint32_t c) { return ((c >> 16) & 0xFF) | (c & 0xFF00) | ((c & 0xFF) << 16); }

// Dark colours (max + min of the channels at most 255) take the foreground,
// light ones the background: a copy with a two-entry table.
std::unique_ptr<TDib> Recoloured(const TDib& dib, std::uint32_t foreground, std::uint32_t background) {
  auto mono = ConvertDibBitCount(dib, 1, true, nullptr, false, nullptr);
  if (!mono) return nullptr;
  // A 1-bit source keeps its own table, which may list white first: each
  // entry goes by its own lightness, not by its position.
  for (std::uint32_t i = 0; i < 2 && i < mono->PaletteCount(); ++i) {
    const std::uint32_t c = mono->GetPaletteEntry(i);
    const std::uint32_t r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    const bool dark = std::max({r, g, b}) + std::min({r, g, b}) <= 255;
    mono->SetPaletteEntry(i, Swap(dark ? foreground : background));
  }
  return mono;
}

// Copies of the picture's colour table, edited for the output and put back
// when the scope ends. The table holds only the entries the picture has
// (never more than 256), so the saved copy cannot overflow.
class ColourTableEdit {
 public:
  ColourTableEdit(TDib& dib, const cDrawInfo& info, bool dark) : dib_(dib) {
    const bool grey = info.colorMode == kColorModeGrey;
    const bool override = info.overrideColor >= 0;
    if (!grey && !override && !dark) return;
    const std::uint32_t n = std::min<std::uint32_t>(dib.PaletteCount(), 256);
    saved_.resize(n);
    for (std::uint32_t i = 0; i < n; ++i) {
      saved_[i] = dib.GetPaletteEntry(i);
      std::uint32_t c = Swap(saved_[i]);
      const std::uint32_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      const std::uint32_t mx = std::max({r, g, b}), mn = std::min({r, g, b});
      if (grey) {
        const std::uint32_t l = std::uint32_t(MulDiv(std::int32_t(mx + mn), 255, 510));
        c = l | (l << 8) | (l << 16);
      }
      if (override) c = mx + mn > 255 ? 0xFFFFFF : 0;
      dib.SetPaletteEntry(i, Swap(info.MapLineColor(c)));
    }
    edited_ = true;
  }
  ~ColourTableEdit() {
    for (std::uint32_t i = 0; i < saved_.size(); ++i) dib_.SetPaletteEntry(i, saved_[i]);
  }
  ColourTableEdit(const ColourTableEdit&) = delete;
  ColourTableEdit& operator=(const ColourTableEdit&) = delete;
  bool Edited() const { return edited_; }

 private:
  TDib& dib_;
  std::vector<std::uint32_t> saved_;
  bool edited_ = false;
};

// The mask bytes in the form DrawRotatedBitmap reads: top row first, no
// padding.
std::vector<std::uint8_t> MaskRows(const TDib& mask) {
  std::vector<std::uint8_t> rows;
  const std::int32_t w = mask.Width(), h = mask.Height();
  rows.reserve(std::size_t(w) * std::size_t(h));
  for (std::int32_t y = 0; y < h; ++y)
    for (std::int32_t x = 0; x < w; ++x) {
      std::uint32_t v = 0;
      mask.GetPixel(x, y, &v);
      rows.push_back(std::uint8_t(v));
    }
  return rows;
}

// Whether the driver supports the escape.
bool Supports(TDC& dc, int escape) {
  std::uint8_t query[4];
  query[0] = std::uint8_t(escape);
  query[1] = std::uint8_t(escape >> 8);
  query[2] = std::uint8_t(escape >> 16);
  query[3] = std::uint8_t(escape >> 24);
  return dc.ExtEscape(kQueryEscSupport, 4, query, 0, nullptr) > 0;
}

// The driver's check of the data: a result of at least 1 and an answer of 1.
bool Accepts(TDC& dc, int escape, const std::vector<std::uint8_t>& data) {
  std::uint32_t answer = 0;
  return dc.ExtEscape(escape, int(data.size()), data.data(), 4, &answer) >= 1 && answer == 1;
}

bool SendData(TDC& dc, const DPoint& origin, double width, double height, double angle, std::int32_t w, std::int32_t h,
              std::uint32_t compression, const std::vector<std::uint8_t>& data) {
  DibHeader header;
  header.size = kBitmapInfoHeaderSize;
  header.width = w;
  header.height = -h;
  header.planes = 1;
  header.bitCount = 0;
  header.compression = compression;
  header.sizeImage = std::uint32_t(data.size());
  return DrawDibDataTransformed(dc, origin.x, origin.y, width, height, angle, header, data.data(),
                                std::uint32_t(data.size()));
}

// Printer pass-through: JPEG bytes as they are, or the picture as PNG, when
// the driver says it takes them. False when the picture must go the
// ordinary way.
bool PassThrough(cBitmap& bitmap, const TDib& dib, const cDrawInfo& info, TDC& dc, const DPoint& origin,
                 double width, double height, double angle) {
  if (const auto& encoded = bitmap.Encoded()) {
    if (!Supports(dc, kCheckJpegFormat) || !Accepts(dc, kCheckJpegFormat, encoded->bytes)) return false;
    return SendData(dc, origin, width, height, angle, dib.Width(), dib.Height(), kBiJpeg, encoded->bytes);
  }
  if (info.options.keepUncompressed || !Supports(dc, kCheckPngFormat)) return false;
  const std::uint32_t depth = dib.BitCount(), target = info.options.printerBitDepth;
  std::unique_ptr<TDib> converted;
  const TDib* source = &dib;
  if (!info.options.trueColor || depth == 1 || depth == 24) {
    if (target >= 1 && target <= 23 && depth == 24) {
      converted = ConvertDibBitCount(dib, target, false, nullptr, false, nullptr);
      source = converted.get();
    }
  } else {
    converted = ConvertDibBitCount(dib, 24, false, nullptr, false, nullptr);
    source = converted.get();
  }
  if (!source) return false;
  std::unique_ptr<TDib> plain;
  if (IsRleDib(*source)) {
    plain = ConvertDibBitCount(*source, 0, false, nullptr, false, nullptr);
    if (!plain) return false;
    source = plain.get();
  }
  std::vector<std::uint8_t> png;
  if (!EncodePngToMemory(*source, &png) || !Accepts(dc, kCheckPngFormat, png)) return false;
  return SendData(dc, origin, width, height, angle, source->Width(), source->Height(), kBiPng, png);
}

}  // namespace

bool IsBlackAndWhite(const TDib& dib) {
  if (dib.BitCount() != 1 || dib.PaletteCount() < 2) return false;
  const std::uint32_t a = dib.GetPaletteEntry(0), b = dib.GetPaletteEntry(1);
  return (a == 0 && b == 0xFFFFFF) || (a == 0xFFFFFF && b == 0);
}

bool DecodeJpeg(EncodedPictureHolder& holder) {
  auto decoded = std::make_unique<TDib>();
  if (!DecodeJpegToDib(holder.bytes.data(), holder.bytes.size(), decoded.get())) {
    holder.decodeFailed = true;
    return false;
  }
  holder.decoded = std::move(decoded);
  return true;
}

TDib* GetDib(cBitmap& bitmap, bool needUncompressed) {
  if (const auto& encoded = bitmap.Encoded()) {
    if (encoded->decodeFailed) return nullptr;
    if (!encoded->decoded && !DecodeJpeg(*encoded)) return nullptr;
    return encoded->decoded.get();
  }
  const auto& image = bitmap.Image();
  if (!image || !image->picture) return nullptr;
  if (needUncompressed && IsRleDib(*image->picture)) {
    if (!image->uncompressed) image->uncompressed = ConvertDibBitCount(*image->picture, 0, false, nullptr, false, nullptr);
    return image->uncompressed.get();
  }
  return image->picture.get();
}

std::unique_ptr<TDib> MakeTransparencyMask(cBitmap& bitmap) {
  if (bitmap.transparentColour & kNoTransparentColour) return nullptr;
  TDib* dib = GetDib(bitmap, true);
  if (!dib || !dib->HasBits()) return nullptr;
  DibBuildParts parts;
  parts.width = dib->Width();
  parts.height = dib->Layout().header.height;
  parts.bitCount = 8;
  parts.palette.resize(256);
  for (std::uint32_t i = 0; i < 256; ++i) parts.palette[i] = i * 0x010101;
  auto mask = BuildDib(parts, nullptr, 0);
  if (!mask) return nullptr;
  const std::uint32_t key = Swap(bitmap.transparentColour);
  const std::int64_t threshold = TransparentThreshold(bitmap.tolerance);
  for (std::int32_t y = 0; y < dib->Height(); ++y)
    for (std::int32_t x = 0; x < dib->Width(); ++x) {
      const std::uint32_t c = Swap(DibGetPixelColor(*dib, x, y));
      const bool near = c == key || ColorDistance512(c, key) < threshold * 512;  // as DrawRotatedBitmap
      DibSetPixelRaw(*mask, x, y, near ? 0 : 255);
    }
  return mask;
}

void DrawBitmapObject(cBitmap& bitmap, cDrawInfo* info) {
  const WorldMapping& m = info->mapping;
  const bool rasterOutput = m.outputMode == OutputMode::Screen || m.outputMode == OutputMode::Raster;
  TDib* dib = GetDib(bitmap, rasterOutput);
  if (!dib || !dib->HasBits()) return;
  bitmap.UpdateIfDirty(nullptr);
  DPoint corners[4];
  bitmap.GetCorners(corners);
  const TDib* mask = bitmap.GetAlphaMask();

  if (info->raster) {
    std::int32_t foreground = -1, background = -1;
    if (info->overrideColor >= 0) {
      foreground = std::int32_t(info->MapLineColor(std::uint32_t(info->overrideColor)));
      background = info->darkBackground ? 0 : 0xFFFFFF;
    } else if (info->darkBackground && IsBlackAndWhite(*dib)) {
      foreground = 0xFFFFFF;
      background = 0;
    }
    std::unique_ptr<TDib> recoloured;
    const TDib* picture = dib;
    if (foreground >= 0 && (recoloured = Recoloured(*dib, std::uint32_t(foreground), std::uint32_t(background))))
      picture = recoloured.get();
    std::vector<std::uint8_t> maskRows;
    if (mask && mask->Width() == dib->Width() && mask->Height() == dib->Height()) maskRows = MaskRows(*mask);
    const std::int32_t transparent =
        (bitmap.transparentColour & kNoTransparentColour) ? kNoTransparentColor : std::int32_t(bitmap.transparentColour);
    const RotatedBitmapCorners placed{m.ToDeviceF(corners[0]), m.ToDeviceF(corners[1]), m.ToDeviceF(corners[3])};
    DrawRotatedBitmap(*info->raster, placed, *picture, maskRows, transparent, bitmap.tolerance);
    return;
  }

  TDC* dc = info->Dc();
  if (!dc) return;
  if (info->outputMarker && (mask || !(bitmap.transparentColour & kNoTransparentColour))) *info->outputMarker = 1;
  // Grey or recoloured output of a true-colour picture goes through a grey
  // copy made once.
  bool greyCopy = false;
  if (dib->BitCount() > 8 && (info->overrideColor >= 0 || info->colorMode == kColorModeGrey)) {
    std::unique_ptr<TDib>* cache = nullptr;
    if (const auto& encoded = bitmap.Encoded())
      cache = &encoded->grey;
    else if (const auto& image = bitmap.Image())
      cache = &image->grey;
    if (cache && !*cache) *cache = ConvertDibBitCount(*dib, 8, false, nullptr, true, nullptr);
    if (cache && *cache) {
      dib = cache->get();
      greyCopy = true;
    }
  }
  const std::uint8_t savedDark = info->darkBackground;
  info->darkBackground = dib->BitCount() == 1 && !greyCopy ? savedDark : 0;
  {
    std::unique_ptr<TDib> temporary;
    const bool printing = m.outputMode == OutputMode::Metafile || m.outputMode == OutputMode::DirectPrinter;
    const TDib* out = dib;
    if (printing && dib->BitCount() == 1 && !IsBlackAndWhite(*dib)) {
      temporary = ConvertDibBitCount(*dib, 4, false, nullptr, false, nullptr);
      if (temporary) out = temporary.get();
    }
    ColourTableEdit edit(*const_cast<TDib*>(out), *info, info->darkBackground != 0);
    const DPoint origin = m.ToDeviceF(bitmap.frame.origin);
    const double width = bitmap.frame.width * m.scale * 4, height = bitmap.frame.height * m.scale * 4;
    const double angle = bitmap.frame.angle * std::numbers::pi / 180.0;
    if (m.outputMode != OutputMode::Screen && !edit.Edited() &&
        PassThrough(bitmap, *out, *info, *dc, origin, width, height, angle)) {
      info->darkBackground = savedDark;
      return;
    }
    if (printing) {
      // Printer preparation, step by step on temporaries.
      auto replace = [&](std::unique_ptr<TDib> next) {
        if (next) {
          temporary = std::move(next);
          out = temporary.get();
        }
      };
      if (info->options.keepUncompressed && IsRleDib(*out)) replace(ConvertDibBitCount(*out, 0, false, nullptr, false, nullptr));
      if (info->options.trueColor && out->BitCount() != 1 && out->BitCount() != 24)
        replace(ConvertDibBitCount(*out, 24, false, nullptr, false, nullptr));
      const std::uint32_t depth = info->options.printerBitDepth;
      if (depth >= 1 && depth <= 23 && out->BitCount() == 24)
        replace(ConvertDibBitCount(*out, depth, false, nullptr, false, nullptr));
      if (!info->options.keepUncompressed && !IsRleDib(*out) && out->BitCount() != 1 && out->BitCount() != 24 &&
          (out->BitCount() == 4 || out->BitCount() == 8)) {
        auto packed = std::make_unique<TDib>();
        if (packed->LoadPackedDib(out->PackedDib(), out->PackedDibSize()) && CompressDibRle(*packed)) replace(std::move(packed));
      }
    }
    DrawDibTransformed(*dc, origin.x, origin.y, width, height, angle, *out);
  }
  info->darkBackground = savedDark;
}

int BitmapHitTest(cBitmap& bitmap, const cDrawInfo& info, const DevicePoint& point) {
  bitmap.UpdateIfDirty(nullptr);
  DRect extent;
  bitmap.GetExtent(extent);
  const DevicePoint a = WorldToDevice(info.mapping, {extent.x1, extent.y1});
  const DevicePoint b = WorldToDevice(info.mapping, {extent.x2, extent.y2});
  const bool inside = point.x >= std::min(a.x, b.x) && point.x <= std::max(a.x, b.x) &&
                      point.y >= std::min(a.y, b.y) && point.y <= std::max(a.y, b.y);
  return inside ? 4 : -1;
}

}  // namespace kvn
