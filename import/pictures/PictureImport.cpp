#include "import/pictures/PictureImport.h"

#include <algorithm>
#include <cmath>

#include "foundation/CountingAlloc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/WaitCursor.h"
#include "import/pictures/EmfRepair.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/image/ImageCodecs.h"
#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"
#include "platform/metafile/EmfValidate.h"
#include "platform/metafile/ReadMetafileAsEmf.h"

namespace kvn {

namespace {

// ASCII case ignored.
bool EndsWith(const WString& name, std::u16string_view tail) {
  const std::u16string_view s = name.View();
  if (s.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char16_t a = s[s.size() - tail.size() + i], b = tail[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
    if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
    if (a != b) return false;
  }
  return true;
}

// The whole file, or empty when it does not open (reported with the
// parent) or cannot be read.
std::vector<std::uint8_t> ReadWholeFile(const cMsgDlg* parent, const WString& fileName) {
  InFileStream in(fileName, true);
  if (!in.CheckOpen(const_cast<cMsgDlg*>(parent))) return {};
  // A picture beyond TDib's limit could not be held anyway.
  if (in.Size() == 0 || in.Size() > kMaxDibImageBytes) return {};
  std::vector<std::uint8_t> bytes(std::size_t(in.Size()));
  if (in.Read(bytes.data(), std::uint32_t(bytes.size())) != bytes.size()) return {};
  return bytes;
}

// Whether the picture's header, read from the first bytes of the file,
// refuses it for its size (`info` then says so): such a file is not read
// whole. Formats whose header may lie further on are judged when decoded.
bool RefusedByItsHeader(const WString& fileName, PictureInfo* info) {
  constexpr std::uint32_t kHeadBytes = 64 * 1024;
  InFileStream in(fileName, true);
  if (!in.IsOpen()) return false;
  std::vector<std::uint8_t> head(std::size_t(std::min<std::uint64_t>(in.Size(), kHeadBytes)));
  head.resize(in.Read(head.data(), std::uint32_t(head.size())));
  PictureInfo probe;
  if (ProbePicture(head.data(), head.size(), &probe) != PictureStatus::kTooLarge) return false;
  if (info) *info = probe;
  return true;
}

bool IsJpegName(const WString& fileName) { return EndsWith(fileName, u".jpg") || EndsWith(fileName, u".jpeg"); }

}  // namespace

bool IsGdiPlusPossible() { return true; }

bool IsMetafileName(const WString& fileName) { return EndsWith(fileName, u".wmf") || EndsWith(fileName, u".emf"); }

std::unique_ptr<ByteArray> ReadMetafileFile(const cMsgDlg* parent, const WString& fileName, bool* partial,
                                            bool* tooBig) {
  if (partial) *partial = false;
  if (tooBig) *tooBig = false;
  InFileStream in(fileName, true);
  if (!in.CheckOpen(const_cast<cMsgDlg*>(parent))) return nullptr;
  return ReadMetafileAsEmf(in, parent, partial, tooBig);
}

std::unique_ptr<cOutObj> ImportPictureFile(cDrawingData* data, const cMsgDlg* parent, const WString& fileName,
                                           PictureInfo* info) {
  WaitCursor wait;
  if (!IsMetafileName(fileName)) return LoadPictureObject(data, parent, fileName, 1.0, true, info);
  bool partial = false, tooBig = false;
  std::unique_ptr<ByteArray> bits = ReadMetafileFile(parent, fileName, &partial, info ? &tooBig : nullptr);
  // Refused for its size, intact or not: not a damaged picture to mend.
  if (tooBig) {
    info->metafileTooBig = true;
    return nullptr;
  }
  // A metafile cut, ended early or miscounted shows the records that were read.
  if (bits && partial && info) info->repaired = true;
  if (!bits && !EndsWith(fileName, u".wmf")) {
    // A damaged enhanced metafile shows what could be read of it.
    const std::vector<std::uint8_t> whole = ReadWholeFile(nullptr, fileName);
    bits = RepairEmf(whole.data(), whole.size());
    if (bits && info) info->repaired = true;
  }
  EmfHeaderInfo header;
  if (!bits || !ReadEmfHeader(bits->Items(), bits->Count(), &header)) {
    if (parent) ShowMessageBox(parent, LoadLangString(kStrUnknownFileFormat), fileName.CStr(), kMbOk);
    return nullptr;
  }
  auto metafile = std::make_unique<cWmf>();
  const EmfSizeMm size = GetEmfFrameSizeMm(header);
  metafile->frame.width = size.width;
  metafile->frame.height = size.height;
  metafile->SetBits(std::vector<std::uint8_t>(bits->Items(), bits->Items() + bits->Count()));
  metafile->Recalc(data);
  return metafile;
}

PictureLoadWeight WeighPictureLoad(const PictureInfo& header, const WString& fileName, std::uint64_t fileBytes,
                                   bool keepEncoded) {
  const std::int64_t width = header.width, height = header.height;
  const std::uint32_t bits = header.bitCount;
  const std::uint64_t decoded = DibImageBytes(width, height, bits);
  // Past these the loader refuses the picture: it holds nothing of it.
  if (decoded == 0 || decoded > kMaxDibImageBytes || header.pixelBytes < decoded ||
      header.pixelBytes > kLowMemoryThreshold || fileBytes == 0 || fileBytes > kMaxDibImageBytes)
    return {};
  const std::uint64_t wide = bits == 16 || bits == 32 ? DibImageBytes(width, height, 24) : decoded;
  const std::uint64_t grey = DibImageBytes(width, height, 8);
  const std::uint64_t mask = keepEncoded && bits == 32 ? grey : 0;
  const std::uint64_t encoded = IsJpegName(fileName) ? fileBytes : 0;
  PictureLoadWeight weight;
  weight.kept = wide + mask + encoded;
  // Decoding: the file read whole beside the bitmap, the decoder's own
  // need and the mask taken from it (pixelBytes); a JPEG file is first
  // decoded at 24 bits on trial while its bytes are held.
  std::uint64_t decoding = fileBytes + header.pixelBytes;
  if (encoded != 0) decoding = std::max(decoding + encoded, encoded + wide + (header.pixelBytes - decoded));
  // Reducing: 16 bits copied to 24 beside the decoded bitmap (32 bits
  // narrow in their own block), few colours copied to a palette beside the
  // 24 bits, a palette's runs gathered and then packed beside it.
  std::uint64_t reducing = decoded + (bits == 16 ? wide : 0);
  if (bits > 8) reducing = std::max(reducing, wide + grey);
  if (bits == 4 || bits == 8) reducing = 3 * decoded;
  weight.peak = std::max(decoding, encoded + mask + reducing);
  return weight;
}

std::vector<std::uint8_t> ReadJpegFileBytes(const WString& fileName) {
  if (!IsJpegName(fileName)) return {};
  std::vector<std::uint8_t> bytes = ReadWholeFile(nullptr, fileName);
  TDib trial;
  if (bytes.empty() || !DecodeJpegToDib(bytes.data(), bytes.size(), &trial)) return {};
  return bytes;
}

std::vector<std::unique_ptr<TDib>> LoadPictureFrames(const cMsgDlg* parent, const WString& fileName,
                                                     PictureInfo* info) {
  WaitCursor wait;
  std::vector<std::unique_ptr<TDib>> frames;
  if (RefusedByItsHeader(fileName, info)) return frames;
  const std::vector<std::uint8_t> bytes = ReadWholeFile(parent, fileName);
  if (bytes.empty()) return frames;
  auto picture = std::make_unique<TDib>();
  if (DecodePicture(bytes.data(), bytes.size(), picture.get(), info) == PictureStatus::kOk && picture->HasBits())
    frames.push_back(std::move(picture));
  return frames;
}

std::unique_ptr<cBitmap> MakeBitmapObject(std::unique_ptr<TDib> picture, double sizeFactor,
                                          std::vector<std::uint8_t> jpegBytes, bool keepEncoded) {
  if (!picture || !picture->HasBits()) return nullptr;
  std::int32_t xRes = picture->Layout().header.xPelsPerMeter, yRes = picture->Layout().header.yPelsPerMeter;
  if (xRes < 1 || yRes < 1) xRes = yRes = kDefaultPixelsPerMetre;
  auto bitmap = std::make_unique<cBitmap>();
  bitmap->frame.width = double(picture->Width()) * 1000.0 / xRes * sizeFactor;
  bitmap->frame.height = double(picture->Height()) * 1000.0 / yRes * sizeFactor;
  bitmap->SetImage(keepEncoded, std::move(picture), true, std::move(jpegBytes), nullptr);
  bitmap->Recalc(nullptr);
  return bitmap;
}

std::unique_ptr<cOutObj> LoadPictureObject(cDrawingData*, const cMsgDlg* parent, const WString& fileName,
                                           double sizeFactor, bool keepEncoded, PictureInfo* info) {
  std::vector<std::uint8_t> jpeg = ReadJpegFileBytes(fileName);
  std::vector<std::unique_ptr<TDib>> frames = LoadPictureFrames(parent, fileName, info);
  if (frames.empty()) {
    if (parent) {
      WString text = LoadLangString(kStrUnknownFileFormat);
      text.AppendCStr(u"\n\n");
      text.Append(fileName);
      ShowMessageBox(parent, text, nullptr, kMbOk | kMbIconError);
    }
    return nullptr;
  }
  // The loader gives one picture per file, so the block of several pictures
  // side by side never arises.
  return MakeBitmapObject(std::move(frames.front()), sizeFactor, std::move(jpeg), keepEncoded);
}

}  // namespace kvn
