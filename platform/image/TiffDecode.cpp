// TIFF decoding through libtiff, from memory: the first page. Bilevel, grey
// and palette pages of 1, 4, 8 or 16 bits are read line by line into a
// paletted picture; every other kind goes through libtiff's RGBA reader.
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"

namespace kvn {

namespace {

struct TiffSource {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at;
};

tmsize_t ReadProc(thandle_t handle, void* target, tmsize_t length) {
  auto* source = static_cast<TiffSource*>(handle);
  if (length <= 0 || source->at >= source->size) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(length), source->size - source->at);
  std::memcpy(target, source->data + source->at, n);
  source->at += n;
  return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* source = static_cast<TiffSource*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = source->at;
  else if (whence == SEEK_END) base = source->size;
  const std::uint64_t target = base + offset;
  if (target < base) return toff_t(-1);
  // Beyond the end reads nothing, as a file would.
  source->at = std::size_t(std::min<std::uint64_t>(target, source->size));
  return target;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) { return static_cast<TiffSource*>(handle)->size; }
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

void QuietHandler(const char*, const char*, va_list) {}

// Every error libtiff meets on this file is counted: its RGBA reader goes on
// past a strip it cannot read, and only the count tells that rows are lost.
int CountError(TIFF*, void* count, const char*, const char*, va_list) {
  ++*static_cast<int*>(count);
  return 1;
}

int QuietWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

PixelCoding CodingOf(std::uint16_t compression) {
  switch (compression) {
    case COMPRESSION_NONE: return PixelCoding::kStored;
    case COMPRESSION_LZW: return PixelCoding::kTiffLzw;
    case COMPRESSION_ADOBE_DEFLATE:
    case COMPRESSION_DEFLATE: return PixelCoding::kDeflate;
    case COMPRESSION_PACKBITS: return PixelCoding::kPackBits;
    case COMPRESSION_OJPEG:
    case COMPRESSION_JPEG: return PixelCoding::kJpegHuffman;
    case COMPRESSION_CCITTRLE:
    case COMPRESSION_CCITTRLEW:
    case COMPRESSION_CCITTFAX3:
    case COMPRESSION_CCITTFAX4: return PixelCoding::kFax;
    default: return PixelCoding::kUnbounded;
  }
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// 16-bit samples to 8 bits as ImageMagick reduces them.
std::uint8_t Reduce16(std::uint16_t v) { return std::uint8_t(v / 257); }

void SetResolutionFromTags(TIFF* tiff, TDib* out) {
  float x = 0, y = 0;
  std::uint16_t unit = RESUNIT_INCH;
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &x) != 1 || TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &y) != 1) return;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (unit == RESUNIT_INCH) out->SetResolution(PixelsPerMetreFromDpi(x), PixelsPerMetreFromDpi(y));
  else if (unit == RESUNIT_CENTIMETER) out->SetResolution(PixelsPerMetreFromDpcm(x), PixelsPerMetreFromDpcm(y));
}

// Grey, bilevel and palette pages line by line. `cut`: a line could not be
// read; the lines before it are kept (false when there were none).
bool ReadIndexed(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint16_t bps, std::uint16_t photometric,
                 TDib* out, bool* cut) {
  const std::uint16_t bitCount = bps == 16 ? 8 : bps;
  if (!out->Create(std::int32_t(width), std::int32_t(height), bitCount)) return false;
  const std::uint32_t entries = 1u << bitCount;
  if (photometric == PHOTOMETRIC_PALETTE) {
    std::uint16_t *r = nullptr, *g = nullptr, *b = nullptr;
    if (TIFFGetField(tiff, TIFFTAG_COLORMAP, &r, &g, &b) != 1 || !r || !g || !b) return false;
    // libtiff sizes the colour map by the bits per sample.
    for (std::uint32_t i = 0; i < entries && i < (1u << bps); ++i)
      out->SetPaletteEntry(i, std::uint32_t(Reduce16(r[i])) << 16 | std::uint32_t(Reduce16(g[i])) << 8 |
                                  Reduce16(b[i]));
  } else {
    for (std::uint32_t i = 0; i < entries; ++i) {
      std::uint32_t v = i * 255 / (entries - 1);
      if (photometric == PHOTOMETRIC_MINISWHITE) v = 255 - v;
      out->SetPaletteEntry(i, v * 0x010101);
    }
  }
  const tmsize_t lineSize = TIFFScanlineSize(tiff);
  const std::size_t need = (std::size_t(width) * bps + 7) / 8;
  if (lineSize <= 0 || std::size_t(lineSize) < need) return false;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) {
      *cut = true;
      return y > 0;
    }
    std::uint8_t* row = out->Bits() + std::size_t(height - 1 - y) * out->Stride();
    if (bps == 16) {
      for (std::uint32_t x = 0; x < width; ++x) {
        std::uint16_t v;
        std::memcpy(&v, &line[2 * std::size_t(x)], 2);  // libtiff swaps to the host order
        row[x] = Reduce16(v);
      }
    } else {
      std::memcpy(row, line.data(), need);
    }
  }
  return true;
}

// 8-bit RGB and RGBA pages line by line: the samples as stored, alpha
// included (the RGBA reader would premultiply it).
// Associated alpha (colours premultiplied) is taken back to plain colours,
// as a 32-bit picture holds them.
bool ReadRgbLines(TIFF* tiff, std::uint32_t width, std::uint32_t height, std::uint16_t spp, bool associated,
                  TDib* out, bool* cut) {
  const bool alpha = spp == 4;
  if (!out->Create(std::int32_t(width), std::int32_t(height), alpha ? 32 : 24)) return false;
  const tmsize_t lineSize = TIFFScanlineSize(tiff);
  if (lineSize <= 0 || std::uint64_t(lineSize) < std::uint64_t(width) * spp) return false;
  std::vector<std::uint8_t> line(static_cast<std::size_t>(lineSize));
  const std::size_t bytes = alpha ? 4 : 3;
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, line.data(), y, 0) < 0) {
      *cut = true;
      return y > 0;
    }
    std::uint8_t* row = out->Bits() + std::size_t(height - 1 - y) * out->Stride();
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint8_t* p = &line[std::size_t(x) * spp];
      std::uint8_t* q = row + bytes * x;
      q[0] = p[2];
      q[1] = p[1];
      q[2] = p[0];
      if (!alpha) continue;
      q[3] = p[3];
      if (associated && p[3] != 0 && p[3] != 255) {
        for (int k = 0; k < 3; ++k) q[k] = std::uint8_t(std::min(255u, q[k] * 255u / p[3]));
      }
    }
  }
  return true;
}

bool ReadRgba(TIFF* tiff, std::uint32_t width, std::uint32_t height, bool alpha, TDib* out) {
  std::vector<std::uint32_t> pixels(std::size_t(width) * height);
  if (TIFFReadRGBAImageOriented(tiff, width, height, pixels.data(), ORIENTATION_TOPLEFT, 0) != 1) return false;
  if (!out->Create(std::int32_t(width), std::int32_t(height), alpha ? 32 : 24)) return false;
  const std::size_t bytes = alpha ? 4 : 3;
  for (std::uint32_t y = 0; y < height; ++y) {
    std::uint8_t* row = out->Bits() + std::size_t(height - 1 - y) * out->Stride();
    for (std::uint32_t x = 0; x < width; ++x) {
      const std::uint32_t p = pixels[std::size_t(y) * width + x];
      std::uint8_t* q = row + bytes * x;
      q[0] = std::uint8_t(TIFFGetB(p));
      q[1] = std::uint8_t(TIFFGetG(p));
      q[2] = std::uint8_t(TIFFGetR(p));
      if (alpha) q[3] = std::uint8_t(TIFFGetA(p));
    }
  }
  return true;
}

}  // namespace

PictureStatus DecodeTiffPicture(const std::uint8_t* data, std::size_t size, TDib* out, PictureInfo* info) {
  if (out) out->Clear();
  if (data == nullptr || size < 8) return PictureStatus::kDamaged;
  TIFFSetErrorHandler(QuietHandler);
  TIFFSetWarningHandler(QuietHandler);
  TiffSource source{data, size, 0};
  // The library sizes its buffers from the file's tags (a damaged samples
  // count asked it for 21 GB): no single block it takes may be larger than
  // the largest picture we make.
  std::unique_ptr<TIFFOpenOptions, decltype(&TIFFOpenOptionsFree)> options(TIFFOpenOptionsAlloc(),
                                                                             &TIFFOpenOptionsFree);
  if (!options) return PictureStatus::kDamaged;
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(kMaxDibImageBytes));
  int errors = 0;
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), CountError, &errors);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), QuietWarning, nullptr);
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "rm", &source, ReadProc, WriteProc, SeekProc,
                                                           CloseProc, SizeProc, MapProc, UnmapProc, options.get()));
  if (!tiff) return PictureStatus::kDamaged;
  std::uint32_t width = 0, height = 0;
  std::uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE, planar = PLANARCONFIG_CONTIG;
  std::uint16_t extraCount = 0, compression = COMPRESSION_NONE;
  std::uint16_t* extra = nullptr;
  if (TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) != 1 ||
      TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) != 1)
    return PictureStatus::kDamaged;
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_BITSPERSAMPLE, &bps);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, &spp);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_PLANARCONFIG, &planar);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_COMPRESSION, &compression);
  if (TIFFGetField(tiff.get(), TIFFTAG_PHOTOMETRIC, &photometric) != 1)
    photometric = spp >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  const bool indexed = spp == 1 && !TIFFIsTiled(tiff.get()) && planar == PLANARCONFIG_CONTIG &&
                       (bps == 1 || bps == 4 || bps == 8 || (bps == 16 && photometric != PHOTOMETRIC_PALETTE)) &&
                       (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK ||
                        photometric == PHOTOMETRIC_PALETTE);
  const bool rgbLines = !indexed && !TIFFIsTiled(tiff.get()) && planar == PLANARCONFIG_CONTIG && bps == 8 &&
                        photometric == PHOTOMETRIC_RGB && (spp == 3 || (spp == 4 && extraCount == 1));
  const bool alpha = !indexed && extraCount > 0;
  const bool associated = extraCount > 0 && extra != nullptr && extra[0] == EXTRASAMPLE_ASSOCALPHA;
  const std::uint16_t bitCount = indexed ? (bps == 16 ? 8 : bps) : alpha ? 32 : 24;
  if (info) {
    info->format = PictureFormat::kTiff;
    info->width = std::int32_t(std::min<std::uint32_t>(width, 0x7FFFFFFF));
    info->height = std::int32_t(std::min<std::uint32_t>(height, 0x7FFFFFFF));
    info->bitsPerPixel = std::uint32_t(bps) * spp;
    info->frames = TIFFNumberOfDirectories(tiff.get());
  }
  // The RGBA reader needs a 32-bit word per pixel besides the picture.
  const std::uint64_t raster = indexed || rgbLines ? 0 : std::uint64_t(width) * height * 4;
  if (!PictureWeightAllowed(width, height, bitCount, raster, info)) return PictureStatus::kTooLarge;
  // JPEG blocks are counted on the whole picture's pixels: a block per 64.
  const std::uint64_t pixels = std::uint64_t(width) * height;
  if (!CodedDataCouldHold(CodingOf(compression), size, width, height, std::uint32_t(bps) * spp, (pixels + 63) / 64))
    return PictureStatus::kDamaged;
  if (!out) return PictureStatus::kOk;
  errors = 0;
  bool cut = false;
  const bool ok = indexed    ? ReadIndexed(tiff.get(), width, height, bps, photometric, out, &cut)
                  : rgbLines ? ReadRgbLines(tiff.get(), width, height, spp, associated, out, &cut)
                             : ReadRgba(tiff.get(), width, height, alpha, out);
  if (!ok) {
    out->Clear();
    return PictureStatus::kDamaged;
  }
  // The RGBA reader leaves what it could not read blank and goes on.
  if (info && (cut || errors > 0)) info->repaired = true;
  SetResolutionFromTags(tiff.get(), out);
  return PictureStatus::kOk;
}

}  // namespace kvn
