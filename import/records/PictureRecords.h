// The picture records: cOneBitmap for IMAGE entities, whose raster file lies
// beside the drawing, and cOLE for OLE2FRAME entities, whose embedded OLE
// object holds a bitmap or a metafile. Both make a picture object (cBitmap
// or cWmf) on the parallelogram the entity spans, mapped through the import
// transform; neither makes anything without a transform (the view survey).
//
// Placing (PlacePictureFrame): three points are mapped with the transform,
// the origin O, the end A of the width side and the end B of the height
// side. In drawing space (y negated) a = A' - O', b = B' - O'; the frame is
// |a| wide and |b| high, turned by minus the angle of a. The turn d from a
// to b (degrees, in (-180, 180), 180 taken as -180) decides the mirroring:
// an IMAGE (v pointing up the picture's rows, drawn top-down) is mirrored
// when d > 0 and placed at B', an OLE frame (corners 1, 2 and 4 as O, A
// and B) when d < 0 and placed at O'. Sides whose lengths multiply to less
// than 1e-10 give no object.
//
// cOneBitmap: insertion point 10/20/30 (O), u vector 11/21/31 (one pixel
// along x), v vector 12/22/32 (one pixel along y), size in pixels 13/23
// (A = O + u x width, B = O + v x height), image definition handle 340.
// An IMAGE that cannot be shown is left out by the dispatch, counted lost
// and handed on no further: one of model or paper space, drawn where the
// file puts it, when it cannot be placed there (ImageLossBeforePlacing):
// sides of no length, or so short that the frame collapses, are damage
// (LossReason::DamagedCount); a corner beyond what the assembly keeps of any
// object is ExtentTooLarge (or ExtentNotFinite). One in a block is drawn in
// the block's units, which only its inserts turn into the drawing's: the
// dispatch leaves out only what no placement mends (ImageLossAnywhere), and
// the block conversion judges the picture where each insert places it
// (PictureLossWherePlaced).
// The first MakeObject finds the definition (YxxfReader::imageDefs), the
// file (FindImageFile: the stored path, else its name beside the drawing)
// and loads it as a bitmap, once for all the records that show that file
// (YxxfReader::loadedPictures); later calls reuse that picture. A picture
// that does not show is a loss of the reader's statistics, counted once for
// the record: no definition naming a file (PictureUnnamed), the file not
// found (PictureNotFound), refused for its size (PictureTooLarge), damaged,
// of no format read here or not to be opened (PictureNotRead); a damaged
// file that shows what could be read is counted too (PictureInPart). The
// open's warnings name each file not found, not read or shown in part
// once; one that is no file to read (a folder, a named pipe, a device, a
// socket, a loop of links, no permission) is told as not opened, with the
// reason the drawing's own open gives (document/FileToRead.h). The picture is
// not spooled: a record read back from the spool loads it again.
// Spool form after the base: insertion point, u, v (24 each), size (16),
// handle (8): 96 bytes.
//
// cOLE: version 70 must be 2, length 90 at least 129, and the 310 chunks
// together exactly that long. The bytes after the 128-byte frame header are
// a compound file; its picture is taken from the CONTENTS bytes, else the
// first native-data picture, else the first presentation picture
// (OleExtraction.h). The corners are the 12 doubles at bytes 2 to 97. A
// frame left without a picture because one was refused for its size says
// so (pictureTooLarge), for the dispatch to count the loss.
// Spool form after the base: the corners (96), the valid byte and 7 zero
// bytes (104 bytes); then a byte 1 when a metafile follows, the cWmf as it
// writes itself to an archive (flushed to a byte), a byte 1 when a bitmap
// follows and the cBitmap the same way.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "import/records/ImportStatistics.h"
#include "import/records/cOneObjRec.h"

namespace kvn {

class cBitmap;
class cWmf;
struct PictureFrame;

// The frame on the parallelogram (see above); false when the sides collapse.
// `imageRule` selects the IMAGE rule, else the OLE rule.
bool PlacePictureFrame(const ImportMatrix& transform, const Vec3& origin, const Vec3& widthEnd,
                       const Vec3& heightEnd, bool imageRule, PictureFrame& frame);

// Why an IMAGE as the file gives it (corners O, O + u x width, O + v x
// height) can be shown nowhere, whatever transform places it: sides without
// a length that is a number (DamagedCount), a corner not finite
// (ExtentNotFinite). Empty when some placement may show it.
std::optional<LossReason> ImageLossAnywhere(const Vec3& insertionPoint, const Vec3& uVector, const Vec3& vVector,
                                            const double size[2]);

// Why an IMAGE as the file gives it cannot be shown, judged in the file's
// own coordinates: ImageLossAnywhere, a corner beyond kFarthestCoordinate in
// x or y, or a frame PlacePictureFrame would refuse (far out, a pixel's
// width is lost in the rounding of its corner). Empty when it can be placed.
std::optional<LossReason> ImageLossBeforePlacing(const Vec3& insertionPoint, const Vec3& uVector,
                                                 const Vec3& vVector, const double size[2]);

// Why a picture record (IMAGE or OLE frame) cannot be shown where
// `transform` places it in the drawing: a placed corner not finite
// (ExtentNotFinite) or beyond kFarthestCoordinate in x or y
// (ExtentTooLarge), or a frame that collapses there (PictureNoArea: a block
// scaled by 0 on an axis, a picture seen edge on, one too small for its
// insert's scale). Empty for a record that is no picture, or lands whole.
std::optional<LossReason> PictureLossWherePlaced(const cOneObjRec& record, const ImportMatrix& transform);

class cOneBitmap : public SpooledRecord<cOneBitmap> {
 public:
  cOneBitmap();
  cOneBitmap(const YxxfGroupRecord* record, std::uint16_t code);
  ~cOneBitmap() override;
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Bitmap; }
  // The parallelogram's origin and the ends of its width and height sides.
  void FramePoints(Vec3& origin, Vec3& widthEnd, Vec3& heightEnd) const;
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    v(r.insertionPoint);
    v(r.uVector);
    v(r.vVector);
    v(r.size[0]);
    v(r.size[1]);
    v(r.imageDefHandle);
  }

  Vec3 insertionPoint;
  Vec3 uVector;
  Vec3 vVector;
  double size[2] = {0, 0};
  std::uint64_t imageDefHandle = 0;

 protected:
  bool ReadExtra(InFileStream& in) override;

 private:
  void LoadPicture(YxxfReader* reader) const;
  mutable bool resolved_ = false;
  // The file's picture, shared with every record that shows it.
  mutable std::shared_ptr<const cBitmap> picture_;
};

class cOLE : public SpooledRecord<cOLE> {
 public:
  cOLE();
  // Reads the frame and extracts its picture (see above).
  cOLE(const YxxfGroupRecord* record, std::uint16_t code);
  ~cOLE() override;
  ObjectChain MakeObject(const ImportMatrix* transform, YxxfReader* reader, void* unused) const override;
  RecordKind Kind() const override { return RecordKind::Ole; }
  template <class Self, class V>
  static void Fields(Self& r, V&& v) {
    for (auto& corner : r.corners) v(corner);
    v(r.valid);
    v(SpoolPad{7});
  }

  Vec3 corners[4];
  std::uint8_t valid = 0;
  // Not spooled: only a frame that is not valid has it set.
  bool pictureTooLarge = false;
  std::unique_ptr<cWmf> metafile;
  std::unique_ptr<cBitmap> bitmap;

 protected:
  void WriteExtra(OutFileStream& out) const override;
  bool ReadExtra(InFileStream& in) override;
};

}  // namespace kvn
