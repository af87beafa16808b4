// The raster road of a print page: the page is cut into bands of at most
// 1000 x 1000 pixels, each rendered on the raster surface, reduced by the
// colour rules and sent (or captured for the preview) before the next one
// is made, so that no more than one band is ever held.
#include <algorithm>
#include <cmath>
#include <optional>

#include "document/cDrawing.h"
#include "model/ColorHls.h"
#include "model/cDrawingData.h"
#include "document/ProgressMonitor.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/RasterDC.h"
#include "platform/image/ImageCodecs.h"
#include "print/PrintBands.h"
#include "print/PrintOut.h"
#include "render/DibConversion.h"
#include "render/DrawInfo.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"

namespace kvn {

namespace {

// The largest page side the raster road takes, in pixels.
constexpr double kMaxPagePixels = 1e7;

std::optional<std::vector<std::uint32_t>> PaletteOf(const BandScan& scan) {
  if (scan.overflow || scan.colors.empty()) return std::nullopt;
  return PadPalette(scan.colors);
}

// The band as the device gets it: a PNG when the driver takes it, else
// run-length compressed when asked and possible, else as it is; a picture
// the device refuses compressed goes again uncompressed.
void SendBand(TDC& dc, TDib& band, int x, int y, int divisor, bool equalResolutions, bool compress, bool png) {
  const int w = band.Width(), h = band.Height();
  if (compress && png) {
    std::vector<std::uint8_t> data;
    if (EncodePngToMemory(band, &data) && !data.empty()) {
      if (dc.ExtEscape(kCheckPngFormat, int(data.size()), data.data(), 0, nullptr) == 1) {
        DibHeader header;
        header.size = kBitmapInfoHeaderSize;
        header.width = w;
        header.height = -h;
        header.planes = 1;
        header.compression = kBiPng;
        header.sizeImage = std::uint32_t(data.size());
        int lines;
        if (equalResolutions && divisor == 1) {
          lines = dc.StretchDIBitsData(x, y, w, h, 0, 0, w, -h, header, data.data(), header.sizeImage, kSrcCopy);
        } else {
          dc.SetStretchBltMode(kColorOnColor);
          lines = dc.StretchDIBitsData(x * divisor, y * divisor, w * divisor, h * divisor, 0, 0, w, -h, header,
                                       data.data(), header.sizeImage, kSrcCopy);
        }
        if (std::abs(lines) == h) return;
      }
    }
  }
  bool compressed = false;
  if (compress && (band.BitCount() == 8 || band.BitCount() == 4)) compressed = CompressDibRle(band);
  int lines = 0;
  if (equalResolutions && divisor == 1) {
    lines = dc.SetDIBitsToDevice(x, y, w, h, 0, 0, band);
  } else {
    dc.SetStretchBltMode(kColorOnColor);
    lines = dc.StretchDIBits(x * divisor, y * divisor, w * divisor, h * divisor, 0, 0, w, h, band, kSrcCopy);
  }
  if (std::abs(lines) == h || !compressed) return;
  if (auto plain = DecodeRleDib(band)) {
    dc.SetStretchBltMode(kColorOnColor);
    dc.StretchDIBits(x * divisor, y * divisor, w * divisor, h * divisor, 0, 0, w, h, *plain, kSrcCopy);
  }
}

}  // namespace

bool APXPrintOut::PrintRaster(TDC* dc, const PagePlace& place, double dpi, int divisor, std::int32_t minLinePx,
                              bool capture, ProgressMonitor* monitor, int done, int total, bool useFilter,
                              bool noDevice, bool png) {
  const bool keep = capture || noDevice;
  if (!dc && !keep) return true;
  cDrawingData* data = drawing_.Data();
  if (!data || !drawing_.TopBlock()) return true;
  const double ppu = PixelsPerUnit(dpi);
  const double widthPx = std::floor(place.rect.Width() * ppu + 0.5);
  const double heightPx = std::floor(place.rect.Height() * ppu + 0.5);
  const double offsetX = capture ? 0 : record_.printableOffsetX, offsetY = capture ? 0 : record_.printableOffsetY;
  const double imageX = std::floor(dpi * (record_.positionX - offsetX) / 25.4 + 0.5);
  const double imageY = std::floor(dpi * (record_.positionY - offsetY) / 25.4 + 0.5);
  // A page without a finite, positive size has nothing a band loop could
  // walk: the job fails instead of printing blank or looping for ever.
  if (!(widthPx >= 1 && widthPx <= kMaxPagePixels && heightPx >= 1 && heightPx <= kMaxPagePixels) ||
      !std::isfinite(imageX) || !std::isfinite(imageY) || std::abs(imageX) > kMaxPagePixels ||
      std::abs(imageY) > kMaxPagePixels || !std::isfinite(place.origin.x * ppu) ||
      !std::isfinite(place.origin.y * ppu)) {
    pageFailed = true;
    return false;
  }
  const int width = int(widthPx), height = int(heightPx);
  const int columns = (width + kPrintBandSize - 1) / kPrintBandSize;
  const int rows = (height + kPrintBandSize - 1) / kPrintBandSize;

  const int bits = record_.bitsPerPixel;
  const bool monochrome = record_.monochrome != 0;
  const bool only24 = options_.only24Bit && dc;
  const bool quantise = (bits == 4 || bits == 8) && !monochrome && !only24;
  const std::uint32_t limit = bits == 1 ? 2 : bits == 4 ? 16 : 256;
  const bool equalResolutions = record_.resolutionX == record_.resolutionY;
  const bool compress = !options_.noCompression;
  std::optional<OctreeQuantizer> octree;
  if (quantise) octree.emplace(bits == 4 ? 16 : 256, false);
  // The first pass's palette of each band (by row x columns + column).
  std::vector<std::optional<std::vector<std::uint32_t>>> recorded(quantise ? std::size_t(rows) * columns : 0);

  cRasterSurface surface(false);
  // A band's drawing reaches the job's abort procedure as drawing on the
  // printer does, so that a long band keeps the job answering and stops on
  // a cancel; the preview's pages, which have no printer, step their monitor.
  const TDC::AbortProc bandAbort = [dc, monitor](TDC*, int) {
    if (dc && dc->GetAbortProc()) return dc->QueryAbort();
    return !monitor || monitor->Step(kProgressNoValue, false, nullptr, nullptr, false);
  };
  bool imageStarted = false;
  const int passes = quantise ? 2 : 1;
  for (int pass = 0; pass < passes; ++pass) {
    const bool finalPass = pass == passes - 1;
    std::vector<std::uint32_t> octreePalette;
    if (quantise && finalPass && octree->LeafCount() > 0) octreePalette = octree->GetPalette();
    for (int row = 0; row < rows; ++row) {
      for (int column = 0; column < columns; ++column) {
        if (monitor) {
          int percent = MulDiv(row * (columns + 1) + column, 100, (rows + 1) * (columns + 1));
          if (quantise) percent = percent / 2 + 50 * pass;
          const int value = MulDiv(done * 100 + percent, 1, std::max(total, 1));
          if (!monitor->Step(std::uint32_t(std::max(value, 0)), true, nullptr, nullptr, false)) return false;
        }
        const int w = std::min(kPrintBandSize, width - column * kPrintBandSize);
        const int h = std::min(kPrintBandSize, height - row * kPrintBandSize);
        if (w <= 0 || h <= 0) continue;
        // A band that cannot be made fails the page: printing on would give
        // blank paper and call it done.
        if (!surface.Prepare(TRect{0, 0, w, h})) {
          pageFailed = true;
          return false;
        }
        TDC* bandDc = surface.DC();
        if (RasterDC* raster = surface.GetRasterDC()) raster->RefuseFloodFills();
        if (bandDc) bandDc->SetAbortProc(bandAbort);
        surface.FillRect(0, 0, w, h, 0xFFFFFFFFu);
        WorldMapping mapping;
        mapping.outputMode = OutputMode::Raster;
        mapping.scale = ppu / 4;
        mapping.originX = -(place.origin.x * ppu);
        mapping.originY = -(place.origin.y * ppu);
        mapping.offsetX = -column * kPrintBandSize;
        mapping.offsetY = -row * kPrintBandSize;
        mapping.lineWidthFactor = minLinePx * 256;
        mapping.SetDeviceClip(DeviceRect{0, 0, w, h});
        bool drawn;
        {
          cDrawInfo info(mapping, data, surface.DC(), &surface);
          info.colorMode = monochrome && bits == 1 ? kColorModeBlackWhite : kColorModeColor;
          PaintChainOptions chain;
          chain.filter = useFilter ? options_.objectFilter : nullptr;
          chain.levelColorsWhenPrinting = drawing_.pageFlags[0] != 0;
          chain.pageColorsWhenPrinting = drawing_.pageFlags[1] != 0;
          drawn = PaintObjectChain(&data->Levels(), data, drawing_.TopBlock(), &drawing_, place.drawingPage, info,
                                   chain);
        }
        if (bandDc && bandDc->Aborted()) return false;
        if (!drawn) continue;
        TDib band = surface.ToDib24();
        if (!band.HasBits()) {
          pageFailed = true;
          return false;
        }
        const BandScan scan = ScanBand(band, bits, monochrome, limit, quantise && pass == 0 ? &*octree : nullptr);
        if (scan.allWhite) continue;
        const std::size_t slot = std::size_t(row) * columns + column;
        if (quantise && pass == 0) {
          recorded[slot] = PaletteOf(scan);
          continue;
        }

        std::unique_ptr<TDib> indexed;
        if (quantise) {
          if (!octreePalette.empty()) {
            indexed = ConvertDibBitCount(band, bits, false, nullptr, false, &octreePalette);
            if (indexed) {
              std::vector<bool> used(octreePalette.size(), false);
              for (std::int32_t y = 0; y < indexed->Height(); ++y)
                for (std::int32_t x = 0; x < indexed->Width(); ++x) {
                  const std::uint32_t i = DibGetPixelIndex(*indexed, x, y);
                  if (i < used.size()) used[i] = true;
                }
              std::vector<std::uint32_t> reduced;
              for (std::size_t i = 0; i < used.size(); ++i) {
                if (used[i] && std::find(reduced.begin(), reduced.end(), octreePalette[i]) == reduced.end())
                  reduced.push_back(octreePalette[i]);
              }
              if (reduced.size() == 1 && reduced[0] == 0xFFFFFF) continue;
              for (std::uint32_t must : {0xFFFFFFu, 0u}) {
                if (std::find(reduced.begin(), reduced.end(), must) == reduced.end()) reduced.push_back(must);
              }
              reduced = PadPalette(std::move(reduced));
              if (reduced.size() < octreePalette.size()) {
                if (auto again = ConvertDibBitCount(band, 0, false, nullptr, false, &reduced)) indexed = std::move(again);
              }
            }
          } else if (recorded[slot]) {
            indexed = IndexBand(band, *recorded[slot]);
          }
        } else if (const auto palette = PaletteOf(scan)) {
          if (!(only24 && palette->size() > 2)) indexed = IndexBand(band, *palette);
        }
        TDib& out = indexed ? *indexed : band;

        const int x = int(imageX) + column * kPrintBandSize, y = int(imageY) + row * kPrintBandSize;
        if (keep && captureStrips) {
          // The preview's bands: placed in the printed area, kept on disk.
          const int bx = column * kPrintBandSize, by = row * kPrintBandSize;
          strips.emplace_back(TRect{bx, by, bx + w, by + h}, out);
          continue;
        }
        if (keep) {
          if (!imageStarted) {
            pageImages.push_back(PageImage{widthPx, heightPx, dpi, dpi, {}});
            imageStarted = true;
          }
          pageImages.back().bands.push_back(PageImageBand{TRect{x, y, x + w, y + h}, std::move(out)});
          continue;
        }
        SendBand(*dc, out, x, y, divisor, equalResolutions, compress, png);
        if (dc->Aborted()) return false;
      }
    }
  }
  return true;
}

}  // namespace kvn
