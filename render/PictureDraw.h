// Drawing of placed pictures (cBitmap): the picture to draw with its cached
// decoded and converted copies, the raster road through DrawRotatedBitmap
// and the device-context road through DrawDibTransformed, and the
// transparency mask.
#pragma once

#include <memory>

#include "model/WorldMapping.h"
#include "platform/gdi/TDib.h"

namespace kvn {

class cBitmap;
class cDrawInfo;
struct EncodedPictureHolder;

// The picture to draw: the encoded bytes decoded once (null for good after
// a failure), else the held picture, or its uncompressed copy (made once)
// when `needUncompressed` and it is RLE.
TDib* GetDib(cBitmap& bitmap, bool needUncompressed);
// Decodes the holder's JPEG bytes into its decoded picture; on failure the
// failed flag is set. Whether a picture was made.
bool DecodeJpeg(EncodedPictureHolder& holder);
// 255 where a pixel's colour is not near the transparent colour, else 0;
// null without a transparent colour or a picture.
std::unique_ptr<TDib> MakeTransparencyMask(cBitmap& bitmap);
// A black-and-white 1-bit picture: its two entries are black and white.
bool IsBlackAndWhite(const TDib& dib);

void DrawBitmapObject(cBitmap& bitmap, cDrawInfo* info);

// 4 when the device point lies inside the picture's device rectangle (the
// corners of its extent mapped to the device), else -1.
int BitmapHitTest(cBitmap& bitmap, const cDrawInfo& info, const DevicePoint& point);

}  // namespace kvn
