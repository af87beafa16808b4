// Pictures inside an embedded OLE object (the compound file an OLE2FRAME
// carries). The object's own data ("CONTENTS" at the top level), its native
// data ("\1Ole10Native", after a 4-byte size) and its presentation
// ("\2OlePres000", after a 40-byte header) are the places a picture can
// hide; the storages of compound documents ("OcPart...") hold more of them.
//
// Every stream is read whole through OleStorage::ReadWholeStream (empty and
// oversized streams refused); every picture made from its bytes has passed
// TDib's packed-DIB checks or the metafile checks of ReadMetafileAsEmf.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/GrowArray.h"

namespace kvn {

class OleStorage;
class cOutObj;

// "OcPart" storages nest at most this deep below the top storage; deeper
// ones are not visited (a damaged directory may nest without end).
inline constexpr int kMaxOcPartDepth = 8;

using OlePictureList = std::vector<std::unique_ptr<cOutObj>>;

// Walks the storage's elements in its order: a stream named (case ignored)
// "CONTENTS" is appended to `contents` when that is given, "\1Ole10Native"
// and "\2OlePres000" become pictures of the native and presentation lists
// (when their bytes make one); a storage whose name begins with "OcPart" is
// walked the same way without contents bytes. Any other element is passed by.
// `tooLarge`, when given, is set when a picture was refused for its size.
void CollectOlePictures(const OleStorage& storage, OlePictureList& presentations, OlePictureList& natives,
                        ByteArray* contents, bool* tooLarge = nullptr, int depth = 0);

// A cBitmap of a .bmp file, else a cWmf of an enhanced or Windows metafile
// (converted), else null. Metafiles above kMaxMetafileBytes are refused
// without a message: they belong to a drawing being imported. A bitmap
// that would pass the memory threshold once drawn (a run-length picture
// claims its size in a few bytes) is refused as the picture files are
// (PictureWeightAllowed), `tooLarge` then set when given; runs too few for
// the rows they claim are refused as damaged.
std::unique_ptr<cOutObj> MakePictureFromBytes(const std::uint8_t* data, std::size_t size, bool* tooLarge = nullptr);

}  // namespace kvn
