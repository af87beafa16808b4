// What pictures and metafiles need from the renderer's bitmap routines and
// drawing, behind one interface so that the model links and runs without
// the renderer: until the renderer installs its implementation, pictures
// are kept as given (no mask extraction, colour reduction or compression)
// and draw nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/DPoint.h"
#include "platform/gdi/TDib.h"

namespace kvn {

class cBitmap;
class cDrawInfo;
class cWmf;

class PictureServices {
 public:
  virtual ~PictureServices() = default;
  // The alpha bytes of a 32-bit picture as an 8-bit mask, or null.
  virtual std::unique_ptr<TDib> ExtractAlphaMask(const TDib& picture);
  // A copy at `bitCount` bits (24 above 8), or with exactly the colours of
  // `palette` when one is given; null when it cannot be made.
  virtual std::unique_ptr<TDib> ConvertDibBitCount(const TDib& picture, std::uint32_t bitCount,
                                                   const std::vector<std::uint32_t>* palette);
  // The distinct colours of the picture padded to 2, 16 or 256; false when
  // they cannot be counted.
  virtual bool CountDibColors(std::vector<std::uint32_t>* colors, const TDib& picture);
  // RLE compression in place when smaller.
  virtual bool CompressDibRle(TDib& picture);
  // A 32-bit picture brought to 24 bits in its own block, as the conversion
  // to 24 bits makes it; false (nothing changed) for any other picture.
  virtual bool NarrowDibTo24(TDib& picture);
  virtual void DrawBitmap(cBitmap& bitmap, cDrawInfo* info);
  // The outline pass of a frame: its four corners as one closed polygon.
  virtual void RasterizeFrame(const DPoint corners[4], std::uint32_t value, cDrawInfo* info);
  virtual void DrawWmf(cWmf& metafile, cDrawInfo* info);
};

// The installed services, or the default.
PictureServices& GetPictureServices();
// Null restores the default. The services must outlive their installation.
void SetPictureServices(PictureServices* services);

}  // namespace kvn
