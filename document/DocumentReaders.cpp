#include "document/DocumentReaders.h"

#include "document/DwgProbe.h"
#include "document/NativeLoad.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"

namespace kvn {

namespace {

// The slots still take the request of the earlier dispatcher; they are
// given a quiet one, since readers show no message.
OpenRequest SlotRequest(const ReadContext& context) {
  OpenRequest request;
  request.monitor = context.monitor;
  request.quiet = true;
  request.allowMissing = context.allowMissing;
  request.referenceContext = context.referenceContext;
  request.assumedVersion = context.assumedVersion;
  request.questions = context.questions;
  return request;
}

DocumentResult CadResult(std::unique_ptr<cDrawingDoc> document, bool haveReader, int error) {
  if (document) return DocumentResult(std::move(document));
  if (!haveReader) return DocumentResult::Failure(kOpenNotReadable, kOpenUnsupportedFormat);
  return DocumentResult::Failure(error != 0 ? LoadResult(error) : kOpenNotReadable);
}

bool ProbeDwg(InFileStream& in, const WString&) { return IsDwgFile(in); }

DocumentResult LoadDwg(const WString& path, const ReadContext& context) {
  auto load = GetForeignReaderSlots().loadDwg;
  int error = 0;
  auto document = load ? load(path, SlotRequest(context), &error) : nullptr;
  return CadResult(std::move(document), load != nullptr, error);
}

bool ProbeDxf(InFileStream& in, const WString&) {
  auto probe = GetForeignReaderSlots().isDxfFile;
  return probe && probe(in);
}

DocumentResult LoadDxf(const WString& path, const ReadContext& context) {
  auto load = GetForeignReaderSlots().loadDxf;
  int error = 0;
  auto document = load ? load(path, SlotRequest(context), &error) : nullptr;
  return CadResult(std::move(document), load != nullptr, error);
}

bool ProbeDgn(InFileStream&, const WString& path) { return HasExtension(path, u".dgn"); }

DocumentResult LoadDgn(const WString& path, const ReadContext& context) {
  auto load = GetForeignReaderSlots().loadDgn;
  if (!load) return DocumentResult::Failure(kOpenDgnFailed, kOpenUnsupportedFormat);
  auto document = load(path, SlotRequest(context));
  if (!document) return DocumentResult::Failure(kOpenDgnFailed);
  return DocumentResult(std::move(document));
}

// The picture import takes whatever no other reader took.
bool ProbeAnything(InFileStream&, const WString&) { return true; }

// A new document of one sheet whose top block holds the imported object.
DocumentResult LoadPicture(const WString& path, const ReadContext& context) {
  auto import = GetForeignReaderSlots().importPicture;
  if (!import) return DocumentResult::Failure(kOpenPictureFailed, kOpenUnsupportedFormat);
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *document->GetFirstSheet();
  cOutObj* object = import(path, sheet.Data(), SlotRequest(context));
  if (!object) return DocumentResult::Failure(kOpenPictureFailed);
  sheet.Data()->SetScale(1.0);
  ObjectChain chain;
  chain.Append(object);
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

void RegisterDocumentReaders(FormatRegistry& registry) {
  registry.Register(FormatReader{kReaderDwg, FormatSlot::kDwg, &ProbeDwg, &LoadDwg});
  registry.Register(FormatReader{kReaderDxf, FormatSlot::kDxf, &ProbeDxf, &LoadDxf});
  registry.Register(FormatReader{kReaderDgn, FormatSlot::kDgn, &ProbeDgn, &LoadDgn});
  registry.Register(NativeFormatReader());
  registry.Register(FormatReader{kReaderPicture, FormatSlot::kPicture, &ProbeAnything, &LoadPicture});
}

}  // namespace kvn
