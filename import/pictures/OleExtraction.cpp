#include "import/pictures/OleExtraction.h"

#include <strings.h>

#include <algorithm>

#include "foundation/InFileStream.h"
#include "import/pictures/PictureImport.h"
#include "model/cBitmap.h"
#include "model/cWmf.h"
#include "platform/gdi/TDib.h"
#include "platform/image/PictureDecode.h"
#include "platform/image/PictureWeight.h"
#include "platform/metafile/ReadMetafileAsEmf.h"
#include "platform/ole/OleStorage.h"

namespace kvn {

namespace {

// The standard OLE stream names; the first character is a control code.
constexpr const char* kContentsName = "CONTENTS";
constexpr const char* kNativeName = "\001Ole10Native";
constexpr const char* kPresentationName = "\002OlePres000";
constexpr std::size_t kNativeSizePrefix = 4;
constexpr std::size_t kPresentationHeader = 40;

bool SameNoCase(const std::string& name, const char* wanted) { return strcasecmp(name.c_str(), wanted) == 0; }

bool IsCompoundPart(const std::string& name) { return name.compare(0, 6, "OcPart") == 0; }

// A picture of the stream's bytes after the first `skip` (fewer when the
// stream is shorter), appended to the list when there is one.
void AddPicture(OlePictureList& list, const ByteArray& bytes, std::size_t skip, bool* tooLarge) {
  const std::size_t from = std::min<std::size_t>(skip, bytes.Count());
  if (auto picture = MakePictureFromBytes(bytes.Items() + from, bytes.Count() - from, tooLarge)) {
    list.push_back(std::move(picture));
  }
}

}  // namespace

void CollectOlePictures(const OleStorage& storage, OlePictureList& presentations, OlePictureList& natives,
                        ByteArray* contents, bool* tooLarge, int depth) {
  for (const OleElement& element : storage.ListElements()) {
    if (!IsCompoundPart(element.name)) {
      ByteArray bytes;
      if (!storage.ReadWholeStream(bytes, element)) continue;
      if (SameNoCase(element.name, kContentsName)) {
        if (contents) contents->Append(bytes.Items(), bytes.Count());
      } else if (SameNoCase(element.name, kNativeName)) {
        AddPicture(natives, bytes, kNativeSizePrefix, tooLarge);
      } else if (SameNoCase(element.name, kPresentationName)) {
        AddPicture(presentations, bytes, kPresentationHeader, tooLarge);
      }
    } else if (!element.isStream && depth < kMaxOcPartDepth) {
      if (auto part = storage.OpenStorage(element.name)) {
        CollectOlePictures(*part, presentations, natives, nullptr, tooLarge, depth + 1);
      }
    }
  }
}

std::unique_ptr<cOutObj> MakePictureFromBytes(const std::uint8_t* data, std::size_t size, bool* tooLarge) {
  if (!data || size == 0 || size > kMaxDibImageBytes) return nullptr;
  ByteArray bytes;
  bytes.Append(data, std::uint32_t(size));
  {
    InFileStream in = InFileStream::FromMemory(bytes);
    auto dib = std::make_unique<TDib>(TDib::FromBmpStream(in));
    if (dib->HasBits()) {
      if (!PictureWeightAllowed(dib->Width(), dib->Height(), dib->BitCount(), 0)) {
        if (tooLarge) *tooLarge = true;
        return nullptr;
      }
      // Runs too few to reach the rows they claim are damaged.
      const bool runs = dib->Compression() == kBiRle4 || dib->Compression() == kBiRle8;
      if (runs && !CodedDataCouldHold(PixelCoding::kBmpRuns, size, std::uint64_t(dib->Width()),
                                      std::uint64_t(dib->Height()), dib->BitCount()))
        return nullptr;
      return MakeBitmapObject(std::move(dib), 1.0, {}, false);
    }
  }
  // ReadMetafileAsEmf would tell the user about a picture too big; here it
  // is one of a drawing's objects and is left out quietly.
  if (size > kMaxMetafileBytes) return nullptr;
  InFileStream in = InFileStream::FromMemory(bytes);
  std::unique_ptr<ByteArray> emf = ReadMetafileAsEmf(in, nullptr);
  if (!emf || emf->Count() == 0) return nullptr;
  auto metafile = std::make_unique<cWmf>();
  metafile->SetBits(std::vector<std::uint8_t>(emf->Items(), emf->Items() + emf->Count()));
  return metafile;
}

}  // namespace kvn
