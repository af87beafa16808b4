// TIFF encoding through libtiff into memory: one page, LZW compressed,
// rows by the pixel-format table of EncodeDibAsContainer.
#include <cstring>
#include <memory>
#include <vector>

#include <tiffio.h>

#include "platform/image/EncodeRows.h"

namespace kvn {

namespace {

struct TiffSink {
  std::vector<std::uint8_t>* bytes;
  std::size_t at;
};

tmsize_t SinkRead(thandle_t handle, void* target, tmsize_t length) {
  auto* sink = static_cast<TiffSink*>(handle);
  if (length <= 0 || sink->at >= sink->bytes->size()) return 0;
  const std::size_t n = std::min<std::size_t>(std::size_t(length), sink->bytes->size() - sink->at);
  std::memcpy(target, sink->bytes->data() + sink->at, n);
  sink->at += n;
  return tmsize_t(n);
}

tmsize_t SinkWrite(thandle_t handle, void* data, tmsize_t length) {
  auto* sink = static_cast<TiffSink*>(handle);
  if (length <= 0) return 0;
  const std::size_t end = sink->at + std::size_t(length);
  if (end > sink->bytes->size()) sink->bytes->resize(end);
  std::memcpy(sink->bytes->data() + sink->at, data, std::size_t(length));
  sink->at = end;
  return length;
}

toff_t SinkSeek(thandle_t handle, toff_t offset, int whence) {
  auto* sink = static_cast<TiffSink*>(handle);
  std::uint64_t base = 0;
  if (whence == SEEK_CUR) base = sink->at;
  else if (whence == SEEK_END) base = sink->bytes->size();
  const std::uint64_t target = base + offset;
  if (target > 0x7FFFFFFF) return toff_t(-1);
  sink->at = std::size_t(target);
  return target;
}

int SinkClose(thandle_t) { return 0; }
toff_t SinkSize(thandle_t handle) { return static_cast<TiffSink*>(handle)->bytes->size(); }
int SinkMap(thandle_t, void**, toff_t*) { return 0; }
void SinkUnmap(thandle_t, void*, toff_t) {}
void QuietHandler(const char*, const char*, va_list) {}

}  // namespace

bool EncodeDibAsTiff(const TDib& dib, const TDib* alphaMask, std::vector<std::uint8_t>* out) {
  out->clear();
  EncodeRows rows(dib, alphaMask);
  if (!rows.Ok()) return false;
  TIFFSetErrorHandler(QuietHandler);
  TIFFSetWarningHandler(QuietHandler);
  TiffSink sink{out, 0};
  TIFF* tiff = TIFFClientOpen("picture", "w", &sink, SinkRead, SinkWrite, SinkSeek, SinkClose, SinkSize, SinkMap,
                              SinkUnmap);
  if (tiff == nullptr) return false;
  const std::uint32_t width = std::uint32_t(dib.Width()), height = std::uint32_t(dib.Height());
  bool ok = true;
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, height);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  std::vector<std::uint16_t> map;
  if (rows.Indexed()) {
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(rows.BitsPerPixel()));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(1));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_PALETTE);
    const std::size_t n = rows.Palette().size();
    map.resize(3 * n);
    for (std::size_t i = 0; i < n; ++i) {
      const std::uint32_t rgb = rows.Palette()[i];
      map[i] = std::uint16_t(((rgb >> 16) & 0xFF) * 257);
      map[n + i] = std::uint16_t(((rgb >> 8) & 0xFF) * 257);
      map[2 * n + i] = std::uint16_t((rgb & 0xFF) * 257);
    }
    TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + n, map.data() + 2 * n);
  } else {
    const bool alpha = rows.BitsPerPixel() == 32;
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, std::uint16_t(8));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, std::uint16_t(alpha ? 4 : 3));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    if (alpha) {
      const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, std::uint16_t(1), &extra);
    }
  }
  const auto& h = dib.Layout().header;
  if (h.xPelsPerMeter > 0 && h.yPelsPerMeter > 0) {
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(h.xPelsPerMeter * 254.0 / 10000.0));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(h.yPelsPerMeter * 254.0 / 10000.0));
  }
  const std::size_t step = rows.BitsPerPixel() / 8;
  for (std::uint32_t y = 0; ok && y < height; ++y) {
    std::uint8_t* row = rows.Row(std::int32_t(y));
    // The rows come as B, G, R; the file holds R, G, B.
    if (!rows.Indexed())
      for (std::uint32_t x = 0; x < width; ++x) std::swap(row[step * x], row[step * x + 2]);
    ok = TIFFWriteScanline(tiff, row, y, 0) == 1;
  }
  if (ok) ok = TIFFWriteDirectory(tiff) == 1;
  TIFFClose(tiff);
  if (!ok) out->clear();
  return ok && !out->empty();
}

}  // namespace kvn
