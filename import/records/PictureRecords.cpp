#include "import/records/PictureRecords.h"

#include <cmath>
#include <cstring>
#include <initializer_list>
#include <utility>
#include <vector>

#include "document/FileToRead.h"
#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MathConstants.h"
#include "foundation/MsgBox.h"
#include "foundation/SystemError.h"
#include "foundation/TextFormat.h"
#include "import/pictures/ImageFileLookup.h"
#include "import/pictures/OleExtraction.h"
#include "import/pictures/PictureImport.h"
#include "import/records/ImportLosses.h"
#include "import/records/ImportMatrix.h"
#include "import/records/SpoolStream.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/Geometry.h"
#include "model/ObjectTypes.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/image/PictureDecode.h"
#include "platform/ole/OleStorage.h"

namespace kvn {

namespace {

// The OLE frame's own header before the compound file, and where its corners lie.
constexpr std::size_t kOleFrameHeader = 128;
constexpr std::size_t kOleCornersAt = 2;

double LittleEndianDouble(const std::uint8_t* p) {
  std::uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits |= std::uint64_t(p[i]) << (8 * i);
  double d = 0;
  std::memcpy(&d, &bits, 8);
  return d;
}

// A model object as it writes itself to an archive, after a byte 1; a byte
// 0 for none.
void WritePictureObject(OutFileStream& out, const cOutObj* object) {
  SpoolWriter(out).U8(object ? 1 : 0);
  if (!object) return;
  ArchiveWriter archive(&out);
  object->Write(nullptr, archive);
  archive.Flush();
}

// The object written by WritePictureObject: null for a byte 0; false when
// the data are not an object of type T.
template <class T>
bool ReadPictureObject(InFileStream& in, std::unique_ptr<T>& out) {
  SpoolReader flag(in);
  const std::uint8_t present = flag.U8();
  if (!flag.Ok() || present > 1) return false;
  if (present == 0) return true;
  ArchiveReader archive(&in);
  if (archive.ReadByte() != T::kTypeCode) return false;
  auto object = std::make_unique<T>();
  // Written by this build, so read at this build's version.
  object->Read(nullptr, nullptr, archive, kCurrentFileVersion);
  if (archive.HasError()) return false;
  out = std::move(object);
  return true;
}

}  // namespace

bool PlacePictureFrame(const ImportMatrix& transform, const Vec3& origin, const Vec3& widthEnd,
                       const Vec3& heightEnd, bool imageRule, PictureFrame& frame) {
  const Vec3 o = transform.TransformPoint(origin);
  const Vec3 a3 = transform.TransformPoint(widthEnd);
  const Vec3 b3 = transform.TransformPoint(heightEnd);
  const DPoint a{a3.x - o.x, -(a3.y - o.y)};
  const DPoint b{b3.x - o.x, -(b3.y - o.y)};
  const double width = std::hypot(a.x, a.y), height = std::hypot(b.x, b.y);
  if (!(width * height >= 1e-10)) return false;
  const double angleA = std::atan2(a.y, a.x) * kDegPerRad;
  const double angleB = std::atan2(b.y, b.x) * kDegPerRad;
  double turn = NormalizeAngle(angleB - angleA);
  if (turn == 180.0) turn = -180.0;
  const bool mirrored = imageRule ? turn > 0.0 : turn < 0.0;
  frame.width = width;
  frame.height = mirrored ? -height : height;
  frame.angle = NormalizeAngle(-angleA);
  const Vec3& at = imageRule ? b3 : o;
  frame.origin = DPoint{at.x, -at.y};
  frame.Recalc();
  return true;
}

// ---- IMAGE ----

namespace {

const YxxfImageDefRec* FindImageDefinition(const YxxfReader& reader, std::uint64_t handle) {
  if (handle == 0) return nullptr;
  for (const YxxfImageDefRec* d : reader.imageDefs) {
    if (d->handle == handle) return d;
  }
  return nullptr;
}

// The open's warning about a picture file, with its name.
WString PictureWarning(int text, const WString& name) { return FormatPercentS(LoadLangString(text), name); }

}  // namespace

WString YxxfReader::ImageFile(std::uint64_t imageDefHandle) const {
  const YxxfImageDefRec* d = FindImageDefinition(*this, imageDefHandle);
  return d ? FindImageFile(d->fileName, fileName) : WString();
}

namespace {

Vec3 Along(const Vec3& from, const Vec3& perPixel, double pixels) {
  return Vec3{from.x + perPixel.x * pixels, from.y + perPixel.y * pixels, from.z + perPixel.z * pixels};
}

// The corner opposite the origin in x and y.
Vec3 OppositeCorner(const Vec3& origin, const Vec3& widthEnd, const Vec3& heightEnd) {
  return Vec3{widthEnd.x + heightEnd.x - origin.x, widthEnd.y + heightEnd.y - origin.y, 0.0};
}

// ExtentNotFinite or ExtentTooLarge for the first of the corners, in x and
// y, that is not finite or reaches beyond kFarthestCoordinate; not finite
// wins over far.
std::optional<LossReason> CornersLoss(std::initializer_list<Vec3> corners) {
  bool beyond = false;
  for (const Vec3& corner : corners) {
    for (double v : {corner.x, corner.y}) {
      if (!std::isfinite(v)) return LossReason::ExtentNotFinite;
      beyond = beyond || std::fabs(v) > kFarthestCoordinate;
    }
  }
  if (beyond) return LossReason::ExtentTooLarge;
  return std::nullopt;
}

}  // namespace

std::optional<LossReason> ImageLossAnywhere(const Vec3& insertionPoint, const Vec3& uVector, const Vec3& vVector,
                                            const double size[2]) {
  for (const auto& [perPixel, pixels] : {std::pair{uVector, size[0]}, std::pair{vVector, size[1]}}) {
    const double length = std::hypot(perPixel.x, perPixel.y, perPixel.z) * std::fabs(pixels);
    if (!(length > 0.0) || !std::isfinite(length)) return LossReason::DamagedCount;
  }
  // A transform may carry z into x or y: all three must be numbers.
  for (const Vec3& corner : {insertionPoint, Along(insertionPoint, uVector, size[0]),
                             Along(insertionPoint, vVector, size[1])}) {
    if (!std::isfinite(corner.x) || !std::isfinite(corner.y) || !std::isfinite(corner.z))
      return LossReason::ExtentNotFinite;
  }
  return std::nullopt;
}

std::optional<LossReason> ImageLossBeforePlacing(const Vec3& insertionPoint, const Vec3& uVector,
                                                 const Vec3& vVector, const double size[2]) {
  if (const auto loss = ImageLossAnywhere(insertionPoint, uVector, vVector, size)) return loss;
  const Vec3& o = insertionPoint;
  const Vec3 widthEnd = Along(o, uVector, size[0]), heightEnd = Along(o, vVector, size[1]);
  if (const auto loss = CornersLoss({o, widthEnd, heightEnd, OppositeCorner(o, widthEnd, heightEnd)})) return loss;
  PictureFrame frame;
  if (!PlacePictureFrame(ImportMatrix(), o, widthEnd, heightEnd, true, frame)) return LossReason::DamagedCount;
  return std::nullopt;
}

std::optional<LossReason> PictureLossWherePlaced(const cOneObjRec& record, const ImportMatrix& transform) {
  // Asked of every record of a block that holds pictures: the entity code
  // sorts out the others before any virtual call.
  if (record.entityCode != entity::kImage && record.entityCode != entity::kOle2Frame) return std::nullopt;
  Vec3 o, a, b;
  bool imageRule = true;
  if (record.Kind() == RecordKind::Bitmap) {
    static_cast<const cOneBitmap&>(record).FramePoints(o, a, b);
  } else if (record.Kind() == RecordKind::Ole) {
    const auto& ole = static_cast<const cOLE&>(record);
    // A frame without a picture makes nothing anywhere.
    if (!ole.valid) return std::nullopt;
    o = ole.corners[0];
    a = ole.corners[1];
    b = ole.corners[3];
    imageRule = false;
  } else {
    return std::nullopt;
  }
  const Vec3 o2 = transform.TransformPoint(o), a2 = transform.TransformPoint(a), b2 = transform.TransformPoint(b);
  if (const auto loss = CornersLoss({o2, a2, b2, OppositeCorner(o2, a2, b2)})) return loss;
  PictureFrame frame;
  if (!PlacePictureFrame(transform, o, a, b, imageRule, frame)) return LossReason::PictureNoArea;
  return std::nullopt;
}

cOneBitmap::cOneBitmap() = default;
cOneBitmap::~cOneBitmap() = default;

cOneBitmap::cOneBitmap(const YxxfGroupRecord* record, std::uint16_t code) : SpooledRecord(record, code) {
  if (!record) return;
  insertionPoint = record->GetPoint3(10);
  uVector = record->GetPoint3(11);
  vVector = record->GetPoint3(12);
  record->GetPoint2(size[0], size[1], 13);
  imageDefHandle = record->GetHandle(340);
}

void cOneBitmap::LoadPicture(YxxfReader* reader) const {
  resolved_ = true;
  if (!reader) return;
  const YxxfImageDefRec* definition = FindImageDefinition(*reader, imageDefHandle);
  if (!definition || definition->fileName.IsEmpty()) {
    reader->statistics.CountLoss("IMAGE", LossReason::PictureUnnamed);
    return;
  }
  // A name that is there as no file (a folder, a pipe, a device, a socket,
  // a loop of links) is taken too, to be told for what it is.
  WString notAFile;
  WString path = FindImageFile(definition->fileName, reader->fileName, &notAFile);
  if (path.IsEmpty()) path = notAFile;
  // Records that show one file share its picture: it is decoded, and its
  // loss told, once. A file not found is known by its stored name.
  std::u16string key(path.View());
  if (path.IsEmpty()) key = u'\0' + std::u16string(definition->fileName.View());
  auto [at, fresh] = reader->loadedPictures.try_emplace(std::move(key));
  YxxfReader::LoadedPicture& loaded = at->second;
  // Looked at as the drawing's own open looks at the drawing: a folder, a
  // pipe, a device or a socket by what it is (never opened), a file that
  // may not be read or a loop of links by the open's reason.
  const std::uint32_t openError = fresh && !path.IsEmpty() ? FileToReadError(path) : kErrorSuccess;
  // A link that leads to nothing is no file there.
  const bool gone = openError == kErrorFileNotFound || openError == kErrorPathNotFound;
  if (fresh && (path.IsEmpty() || gone)) {
    loaded.missing = true;
    reader->warnings.push_back(PictureWarning(kStrPictureNotFound, definition->fileName));
  } else if (openError != kErrorSuccess) {
    // Not opened: told by the reason, never as a damaged picture.
    reader->warnings.push_back(FormatPercentS2(LoadLangString(kStrPictureNotOpened), path,
                                               WString::FromUtf8(GetSystemErrorText(openError).View())));
  } else if (fresh) {
    PictureInfo info;
    std::unique_ptr<cOutObj> object = LoadPictureObject(nullptr, nullptr, path, 1.0, false, &info);
    if (object && object->AsBitmap()) {
      loaded.picture.reset(static_cast<cBitmap*>(object.release()));
      loaded.inPart = info.repaired;
      if (loaded.inPart) reader->warnings.push_back(PictureWarning(kStrPictureInPart, path));
    } else {
      // Too large is told by its count, with the other losses of its kind.
      loaded.tooLarge = info.tooLarge;
      if (!loaded.tooLarge) reader->warnings.push_back(PictureWarning(kStrPictureNotRead, path));
    }
  }
  picture_ = loaded.picture;
  // A record loads its picture once: the loss counts once however often
  // its block is placed.
  const LossReason loss = loaded.missing    ? LossReason::PictureNotFound
                          : loaded.tooLarge ? LossReason::PictureTooLarge
                          : !picture_       ? LossReason::PictureNotRead
                                            : LossReason::PictureInPart;
  if (!picture_ || loaded.inPart) reader->statistics.CountLoss("IMAGE", loss);
}

ObjectChain cOneBitmap::MakeObject(const ImportMatrix* transform, YxxfReader* reader, void*) const {
  if (!transform) return ObjectChain();
  if (!resolved_) LoadPicture(reader);
  if (!picture_) return ObjectChain();
  auto bitmap = std::make_unique<cBitmap>();
  Vec3 origin, widthEnd, heightEnd;
  FramePoints(origin, widthEnd, heightEnd);
  if (!PlacePictureFrame(*transform, origin, widthEnd, heightEnd, true, bitmap->frame)) return ObjectChain();
  bitmap->ShareImageFrom(*picture_);
  bitmap->MarkDirty();
  return ObjectChain(bitmap.release());
}

void cOneBitmap::FramePoints(Vec3& origin, Vec3& widthEnd, Vec3& heightEnd) const {
  origin = insertionPoint;
  widthEnd = Along(insertionPoint, uVector, size[0]);
  heightEnd = Along(insertionPoint, vVector, size[1]);
}

bool cOneBitmap::ReadExtra(InFileStream&) {
  resolved_ = false;
  picture_.reset();
  return true;
}

// ---- OLE2FRAME ----

cOLE::cOLE() = default;
cOLE::~cOLE() = default;

cOLE::cOLE(const YxxfGroupRecord* record, std::uint16_t code) : SpooledRecord(record, code) {
  if (!record || record->GetInt(70) != 2) return;
  const std::int32_t length = record->GetInt(90);
  if (length < 129) return;
  std::vector<std::uint8_t> data;
  ByteArray chunk;
  std::uint32_t at = 0;
  while (record->FindBytes(chunk, 310, &at)) {
    // More than the length says can never match; nothing more is gathered.
    if (data.size() + chunk.Count() > std::size_t(length)) return;
    data.insert(data.end(), chunk.begin(), chunk.end());
  }
  if (data.size() != std::size_t(length)) return;

  std::unique_ptr<OleStorage> storage =
      OleStorage::OpenBytes(data.data() + kOleFrameHeader, data.size() - kOleFrameHeader);
  if (!storage) return;
  OlePictureList presentations, natives;
  ByteArray contents;
  bool refused = false;
  CollectOlePictures(*storage, presentations, natives, &contents, &refused);
  std::unique_ptr<cOutObj> picture;
  if (contents.Count() > 0) picture = MakePictureFromBytes(contents.Items(), contents.Count(), &refused);
  if (!picture && !natives.empty()) picture = std::move(natives.front());
  if (!picture && !presentations.empty()) picture = std::move(presentations.front());
  if (!picture) {
    pictureTooLarge = refused;
    return;
  }

  valid = 1;
  for (int i = 0; i < 4; ++i) {
    const std::uint8_t* p = data.data() + kOleCornersAt + 24 * i;
    corners[i] = Vec3{LittleEndianDouble(p), LittleEndianDouble(p + 8), LittleEndianDouble(p + 16)};
  }
  if (picture->AsWmf()) {
    metafile.reset(static_cast<cWmf*>(picture.release()));
  } else if (picture->AsBitmap()) {
    bitmap.reset(static_cast<cBitmap*>(picture.release()));
  }
}

ObjectChain cOLE::MakeObject(const ImportMatrix* transform, YxxfReader*, void*) const {
  if (!transform || !valid) return ObjectChain();
  std::unique_ptr<cFramedPicture> object;
  if (metafile) {
    auto copy = std::make_unique<cWmf>();
    copy->Assign(*metafile);
    object = std::move(copy);
  } else if (bitmap) {
    auto copy = std::make_unique<cBitmap>();
    copy->Assign(*bitmap);
    object = std::move(copy);
  } else {
    return ObjectChain();
  }
  if (!PlacePictureFrame(*transform, corners[0], corners[1], corners[3], false, object->frame)) return ObjectChain();
  object->MarkDirty();
  return ObjectChain(object.release());
}

void cOLE::WriteExtra(OutFileStream& out) const {
  WritePictureObject(out, metafile.get());
  WritePictureObject(out, bitmap.get());
}

bool cOLE::ReadExtra(InFileStream& in) {
  metafile.reset();
  bitmap.reset();
  return ReadPictureObject(in, metafile) && ReadPictureObject(in, bitmap);
}

}  // namespace kvn
