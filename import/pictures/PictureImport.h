// Picture import: a picture file as one drawing object. Metafiles (".wmf",
// ".emf" by name) become a cWmf sized by the metafile's frame; everything
// else is read as a raster picture (BMP, PNG, JPEG, TIFF, GIF through
// platform/image) and becomes a cBitmap sized by its resolution. JPEG files
// keep their bytes in the object next to the decoded picture.
//
// Messages appear only when a parent window is given; the open dispatcher
// gives none and reports the result itself.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"
#include "platform/gdi/TDib.h"

namespace kvn {

class cBitmap;
class cDrawingData;
class cMsgDlg;
class cOutObj;
struct PictureInfo;

// "Unknown file format".
inline constexpr int kStrUnknownFileFormat = 16082;
// A picture without a resolution is taken at 4000 pixels per metre.
inline constexpr std::int32_t kDefaultPixelsPerMetre = 4000;

// The picture loader has no run-time module to look for: the codecs are
// linked in, so the module has always started and every format is always
// available.
class TGdiPlusModule {
 public:
  explicit TGdiPlusModule(const WString& directory = WString()) { (void)directory; }
  bool Started() const { return true; }
};
bool IsGdiPlusPossible();

// Whether the name ends in ".wmf" or ".emf" (ASCII case ignored).
bool IsMetafileName(const WString& fileName);

// `info`, when given, receives what the decoder found of a raster picture
// (its format; whether damaged data were passed over), and whether a
// metafile was too big, which is then left for the caller to tell.
std::unique_ptr<cOutObj> ImportPictureFile(cDrawingData* data, const cMsgDlg* parent, const WString& fileName,
                                           PictureInfo* info = nullptr);

// A cBitmap of the file's picture (the frames of a file beyond its first
// are not read), or null.
std::unique_ptr<cOutObj> LoadPictureObject(cDrawingData* data, const cMsgDlg* parent, const WString& fileName,
                                           double sizeFactor, bool keepEncoded, PictureInfo* info = nullptr);

// A cBitmap showing the picture at `sizeFactor` millimetres per
// millimetre of its resolution, holding the JPEG bytes when given; null
// when the picture has no bits.
std::unique_ptr<cBitmap> MakeBitmapObject(std::unique_ptr<TDib> picture, double sizeFactor,
                                          std::vector<std::uint8_t> jpegBytes, bool keepEncoded);

// What loading a picture file (LoadPictureObject) takes of the memory,
// weighed from the header ProbePicture read and the file's size before
// anything is decoded. `kept`: what the picture object keeps, its bitmap
// once its colours are reduced (16 and 32 bits become 24), its alpha mask
// when `keepEncoded` makes one, and a JPEG file's bytes. `peak`: the most
// the load holds at once, what it keeps among it: the file read whole
// beside the decoded bitmap and what the decoder holds with it, a JPEG
// file's trial decode, the copies the colour reduction makes. Pictures
// loaded one after another hold the `kept` of those before and the `peak`
// of the one loading. Nothing for a header not read or a file the loader
// would not read.
struct PictureLoadWeight {
  std::uint64_t kept = 0;
  std::uint64_t peak = 0;
};
PictureLoadWeight WeighPictureLoad(const PictureInfo& header, const WString& fileName, std::uint64_t fileBytes,
                                   bool keepEncoded);

// The whole file for a name ending in ".jpg" or ".jpeg" whose bytes decode
// as JPEG; empty otherwise.
std::vector<std::uint8_t> ReadJpegFileBytes(const WString& fileName);

// The pictures of the file (its first picture only), or empty when it is
// not a picture this program reads.
std::vector<std::unique_ptr<TDib>> LoadPictureFrames(const cMsgDlg* parent, const WString& fileName,
                                                     PictureInfo* info = nullptr);

// The file as enhanced-metafile bytes (Windows metafiles converted), or null.
// `partial`, when given, asks for what can be read of a damaged metafile and
// tells one read in part; `tooBig`, when given, one refused for its size,
// whose message is then the caller's (ReadMetafileAsEmf).
std::unique_ptr<ByteArray> ReadMetafileFile(const cMsgDlg* parent, const WString& fileName,
                                            bool* partial = nullptr, bool* tooBig = nullptr);

}  // namespace kvn
