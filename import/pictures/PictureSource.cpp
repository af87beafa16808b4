#include "import/pictures/PictureSource.h"

#include <uwmf.h>

#include <cstring>
#include <vector>

#include "foundation/InFileStream.h"
#include "import/pictures/MetafileExploder.h"
#include "import/pictures/PictureImport.h"
#include "model/cOutObj.h"
#include "model/cWmf.h"
#include "platform/gdi/LeBytes.h"
#include "platform/image/PictureDecode.h"
#include "platform/metafile/EmfValidate.h"

namespace kvn {

namespace {

std::vector<std::uint8_t> ReadAll(const WString& path) {
  InFileStream in(path, true);
  if (!in.IsOpen() || in.Size() == 0 || in.Size() > kMaxDibImageBytes) return {};
  std::vector<std::uint8_t> bytes(std::size_t(in.Size()));
  if (in.Read(bytes.data(), std::uint32_t(bytes.size())) != bytes.size()) return {};
  return bytes;
}

std::string WmfRecordName(std::uint16_t function) {
  const char* name = U_wmr_names(function & 0xFF);
  if (name == nullptr || std::strncmp(name, "U_", 2) != 0) return "WMR_" + std::to_string(function);
  return name + 2;
}

// The records of a Windows metafile (placeable or plain), by name, up to
// the end record or the first record that does not fit.
void CountWmfRecords(const std::vector<std::uint8_t>& bytes, std::map<std::string, std::uint64_t>* records) {
  std::size_t at = 0;
  if (bytes.size() >= 22 && le::U32(bytes.data()) == 0x9AC6CDD7) at = 22;
  if (bytes.size() < at + 18) return;
  const std::size_t headerWords = le::U16(bytes.data() + at + 2);
  at += headerWords * 2;
  while (at + 6 <= bytes.size()) {
    const std::uint64_t words = le::U32(bytes.data() + at);
    const std::uint16_t function = le::U16(bytes.data() + at + 4);
    if (words < 3 || words * 2 > bytes.size() - at) break;
    ++(*records)[WmfRecordName(function)];
    if (function == 0) break;
    at += std::size_t(words * 2);
  }
}

}  // namespace

bool DescribePictureSource(const WString& path, PictureSourceReport* report) {
  *report = PictureSourceReport{};
  const std::vector<std::uint8_t> bytes = ReadAll(path);
  if (bytes.empty()) return false;
  if (!IsMetafileName(path)) {
    PictureInfo info;
    ProbePicture(bytes.data(), bytes.size(), &info);
    if (info.format == PictureFormat::kUnknown) return false;
    report->format = PictureFormatName(info.format);
    report->width = info.width;
    report->height = info.height;
    report->bitsPerPixel = info.bitsPerPixel;
    report->frames = info.frames;
    return true;
  }
  report->metafile = true;
  const bool emf = HasEmfSignature(bytes.data(), bytes.size());
  report->format = emf ? "EMF" : "WMF";
  if (!emf) CountWmfRecords(bytes, &report->records);
  // An enhanced metafile is walked as the file holds it, up to a damaged
  // record; a Windows metafile through its translation.
  std::unique_ptr<cOutObj> object;
  EmfHeaderInfo header;
  if (emf && ReadEmfHeader(bytes.data(), bytes.size(), &header)) {
    auto raw = std::make_unique<cWmf>();
    const EmfSizeMm size = GetEmfFrameSizeMm(header);
    raw->frame.width = size.width;
    raw->frame.height = size.height;
    raw->SetBits(bytes);
    object = std::move(raw);
  } else if (!emf) {
    object = ImportPictureFile(nullptr, nullptr, path);
  }
  cWmf* metafile = object ? object->AsWmf() : nullptr;
  if (!metafile) return true;
  MetafileWalkReport walk;
  ObjectChain chain = ExplodeMetafile(*metafile, nullptr, &walk);
  (emf ? report->records : report->converted) = walk.records;
  report->skipped = walk.skipped;
  for (cOutObj* o = chain.Head(); o; o = o->next) ++report->exploded[o->TypeCode()];
  return true;
}

}  // namespace kvn
