#include "import/pictures/PictureReader.h"

#include <string>

#include "document/DocumentReaders.h"
#include "document/FormatReader.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/pictures/PictureImport.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "model/cWmf.h"
#include "platform/image/PictureDecode.h"
#include "platform/metafile/EmfPlayer.h"

namespace kvn {

namespace {

bool ProbeAnything(InFileStream&, const WString&) { return true; }

// The format the file starts like, when it is one read here (so that a
// failure means a damaged picture of that format, not a file of an unknown
// kind); empty otherwise.
WString RecognisedFormat(const WString& path) {
  if (IsMetafileName(path)) {
    const std::u16string_view name = path.View();
    const bool wmf = name.size() >= 3 && (name[name.size() - 3] == u'w' || name[name.size() - 3] == u'W');
    return WString(wmf ? u"WMF" : u"EMF");
  }
  InFileStream in(path, true);
  std::uint8_t head[16] = {};
  const std::uint32_t n = in.IsOpen() ? in.Read(head, sizeof head) : 0;
  const PictureFormat format = SniffPictureFormat(head, n);
  return format == PictureFormat::kUnknown ? WString() : WString::FromUtf8(PictureFormatName(format));
}

DocumentResult LoadPictureDocument(const WString& path, const FormatReadContext&) {
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *document->GetFirstSheet();
  PictureInfo info;
  std::unique_ptr<cOutObj> object = ImportPictureFile(sheet.Data(), nullptr, path, &info);
  if (!object && info.metafileTooBig) return DocumentResult::Failure(kOpenPictureFailed, kOpenMetafileTooBig);
  if (!object && info.tooLarge) {
    return DocumentResult::Failure(kOpenPictureFailed, kOpenPictureTooLarge,
                                   WString::FromUtf8(std::to_string(info.pixelBytes)));
  }
  if (!object) {
    const WString format = RecognisedFormat(path);
    if (format.IsEmpty()) return DocumentResult::Failure(kOpenPictureFailed, kOpenUnsupportedFormat);
    return DocumentResult::Failure(kOpenPictureFailed, kOpenUnknownFileFormat, format);
  }
  // A metafile drawn wholly in EMF+ records shows as an empty frame: the
  // open says so.
  cWmf* metafile = object->AsWmf();
  const EmfDocument* emf = metafile ? metafile->GetMetafileHandle() : nullptr;
  const bool emfPlusOnly = emf && DrawsOnlyInEmfPlus(*emf);
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
  if (info.repaired) result.MarkPartial();
  if (emfPlusOnly) result.AddWarning(LoadLangString(kStrEmfPlusNotDrawn));
  return result;
}

}  // namespace

void RegisterPictureReader(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderPicture, FormatSlot::kPicture, &ProbeAnything, &LoadPictureDocument});
}

}  // namespace kvn
