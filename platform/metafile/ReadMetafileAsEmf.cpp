#include "platform/metafile/ReadMetafileAsEmf.h"

#include <algorithm>

#include "foundation/InFileStream.h"
#include "foundation/MsgBox.h"
#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/metafile/WmfToEmf.h"

namespace kvn {

namespace {

void ShowPictureTooBig(const cMsgDlg* owner) {
  ShowMessageBox(owner, WString(kPictureTooBigMessage), nullptr, kMbOk | kMbIconError);
}

// Reads `count` bytes from `start`; false on any short read.
bool ReadAt(InFileStream& stream, std::uint64_t start, std::uint64_t count, ByteArray& out) {
  if (count > 0xFFFFFFFFull || !stream.Seek(start)) return false;
  out.SetCount(std::uint32_t(count));
  return stream.Read(out.Items(), std::uint32_t(count)) == count;
}

std::unique_ptr<ByteArray> ValidatedOrNull(std::unique_ptr<ByteArray> emf, EmfValidation* validation = nullptr) {
  if (!emf || ValidateEmf(emf->Items(), emf->Count(), validation) != EmfCheck::Ok) return nullptr;
  return emf;
}

}  // namespace

std::int32_t MulDivRound(std::int32_t a, std::int32_t b, std::int32_t c) {
  if (c == 0) return -1;
  std::int64_t num = std::int64_t(a) * b;
  std::int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  const std::int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return std::int32_t(q);
}

std::unique_ptr<ByteArray> ReadMetafileAsEmf(InFileStream& stream, const cMsgDlg* owner, bool* partial,
                                             bool* tooBig) {
  if (partial) *partial = false;
  if (tooBig) *tooBig = false;
  const auto refuseTooBig = [&] {
    if (tooBig) *tooBig = true;
    else ShowPictureTooBig(owner);
    return nullptr;
  };
  const std::uint64_t start = stream.Position();
  const std::uint64_t available = stream.Size() > start ? stream.Size() - start : 0;
  if (available == 0) return nullptr;
  std::uint8_t head[kEmfHeaderMinSize] = {};
  const std::uint32_t headBytes = stream.Read(head, std::uint32_t(std::min<std::uint64_t>(available, sizeof head)));

  auto bytes = std::make_unique<ByteArray>();

  // 1. Enhanced metafile: the signature decides, whatever follows.
  if (HasEmfSignature(head, headBytes)) {
    if (headBytes < kEmfHeaderMinSize) return nullptr;
    const std::uint32_t total = le::U32(head + 48);
    if (total > available) return nullptr;  // truncated
    if (total > kMaxMetafileBytes) return refuseTooBig();
    if (!ReadAt(stream, start, total, *bytes)) return nullptr;
    // A text record whose string or spacing lies outside it is dropped
    // alone, as a Windows metafile's is.
    std::uint64_t kept = bytes->Count();
    std::uint32_t dropped = DropUnfitTextRecords(bytes->Items(), &kept);
    // So is a widening past the limit of one path's.
    dropped += DropWideningsPastLimit(bytes->Items(), &kept);
    bytes->SetCount(std::uint32_t(kept));
    EmfValidation validation;
    bytes = ValidatedOrNull(std::move(bytes), &validation);
    // The header's byte count ends the records: an end record before it,
    // with records or zeros after it up to there, came early.
    if (bytes && partial)
      *partial = dropped != 0 || validation.recordCount != validation.header.records ||
                 validation.recordsEnd != validation.header.bytes;
    return bytes;
  }

  // 2. Placeable Windows metafile: the 22-byte header gives the picture size.
  WmfPicture picture;
  std::uint64_t skip = 0;
  PlaceableHeader placeable;
  if (headBytes >= kPlaceableHeaderSize + 1 && ReadPlaceableHeader(head, headBytes, &placeable)) {
    skip = kPlaceableHeaderSize;
    picture.placeable = true;
    const std::int32_t width = std::int32_t(placeable.right) - placeable.left;
    const std::int32_t height = std::int32_t(placeable.bottom) - placeable.top;
    if (placeable.unitsPerInch != 0) {
      picture.hasSize = true;
      picture.widthHmm = MulDivRound(width, 2540, placeable.unitsPerInch);
      picture.heightHmm = MulDivRound(height, 2540, placeable.unitsPerInch);
    }
    picture.hasWindow = true;
    picture.windowLeft = placeable.left;
    picture.windowTop = placeable.top;
    picture.windowWidth = width;
    picture.windowHeight = height;
  }

  // 3. Otherwise the whole stream is a plain Windows metafile.
  if (available - skip > kMaxMetafileBytes) return refuseTooBig();
  if (!ReadAt(stream, start, available, *bytes)) return nullptr;
  auto emf = std::make_unique<ByteArray>();
  bool readInPart = false;
  if (!ConvertWmfToEmf(bytes->Items() + skip, available - skip, picture, *emf, partial ? &readInPart : nullptr))
    return nullptr;
  emf = ValidatedOrNull(std::move(emf));
  if (emf && partial) *partial = readInPart;
  return emf;
}

}  // namespace kvn
