#include "import/pictures/PictureReader.h"

#include "document/DocumentReaders.h"
#include "document/FormatReader.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "import/pictures/PictureImport.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "platform/image/PictureDecode.h"

namespace kvn {

namespace {

bool ProbeAnything(InFileStream&, const WString&) { return true; }

// Whether the file starts like a picture of a format read here (so that a
// failure means a damaged picture, not a file of an unknown kind).
bool HasPictureSignature(const WString& path) {
  InFileStream in(path, true);
  std::uint8_t head[16] = {};
  const std::uint32_t n = in.IsOpen() ? in.Read(head, sizeof head) : 0;
  return SniffPictureFormat(head, n) != PictureFormat::kUnknown;
}

DocumentResult LoadPictureDocument(const WString& path, const FormatReadContext&) {
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *document->GetFirstSheet();
  std::unique_ptr<cOutObj> object = ImportPictureFile(sheet.Data(), nullptr, path);
  if (!object) {
    const bool known = IsMetafileName(path) || HasPictureSignature(path);
    return DocumentResult::Failure(kOpenPictureFailed, known ? kOpenUnknownFileFormat : kOpenUnsupportedFormat);
  }
  sheet.Data()->SetScale(1.0);
  ObjectChain chain;
  chain.Append(object.release());
  sheet.TopBlock().AppendChain(std::move(chain));
  cDrawing& drawing = sheet.Drawing();
  drawing.formatOrigin = DPoint{};
  drawing.printMargins = DPoint{};
  drawing.InvalidateSummary(0);
  document->name = path;
  document->SetFilePath(path);
  DocumentResult result(std::move(document));
  result.native = false;
  return result;
}

}  // namespace

void RegisterPictureReader(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderPicture, FormatSlot::kPicture, &ProbeAnything, &LoadPictureDocument});
}

}  // namespace kvn
