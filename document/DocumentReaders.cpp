#include "document/DocumentReaders.h"

#include <initializer_list>

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
OpenRequest SlotRequest(const FormatReadContext& context) {
  OpenRequest request;
  request.monitor = context.monitor;
  request.quiet = true;
  request.allowMissing = context.allowMissing;
  request.referenceContext = context.referenceContext;
  request.assumedVersion = context.assumedVersion;
  request.questions = context.questions;
  return request;
}

// A recognised format without its reader; `format` names it (null: unknown).
DocumentResult Unsupported(LoadResult code, const char16_t* format) {
  return DocumentResult::Failure(code, kOpenUnsupportedFormat, format ? WString(format) : WString());
}

// What kind of file the picture import is offered while it has no reader:
// the picture and metafile signatures, and DXF by its extension (no DXF
// probe exists before the DXF reader). Null for none of them.
const char16_t* KindOfUnreadFile(const WString& path) {
  if (HasExtension(path, u".dxf") || HasExtension(path, u".dxb")) return u"DXF";
  InFileStream in(path, true);
  std::uint8_t h[44] = {};
  const std::uint32_t n = in.Read(h, sizeof h);
  auto starts = [&](std::initializer_list<std::uint8_t> bytes, std::uint32_t at = 0) {
    if (n < at + bytes.size()) return false;
    std::uint32_t i = at;
    for (std::uint8_t b : bytes) {
      if (h[i++] != b) return false;
    }
    return true;
  };
  if (starts({0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'})) return u"PNG";
  if (starts({0xFF, 0xD8, 0xFF})) return u"JPEG";
  if (starts({'G', 'I', 'F', '8'})) return u"GIF";
  if (starts({'I', 'I', 42, 0}) || starts({'M', 'M', 0, 42})) return u"TIFF";
  if (starts({'B', 'M'})) return u"BMP";
  if (starts({1, 0, 0, 0}) && starts({' ', 'E', 'M', 'F'}, 40)) return u"EMF";
  if (starts({0xD7, 0xCD, 0xC6, 0x9A}) || starts({1, 0, 9, 0}) || starts({2, 0, 9, 0})) return u"WMF";
  return nullptr;
}

DocumentResult CadResult(std::unique_ptr<cDrawingDoc> document, bool haveReader, int error) {
  if (document) return DocumentResult(std::move(document));
  if (!haveReader) return Unsupported(kOpenNotReadable, u"DWG");
  return DocumentResult::Failure(error != 0 ? LoadResult(error) : kOpenNotReadable);
}

bool ProbeDwg(InFileStream& in, const WString&) { return IsDwgFile(in); }

DocumentResult LoadDwg(const WString& path, const FormatReadContext& context) {
  auto load = GetForeignReaderSlots().loadDwg;
  int error = 0;
  auto document = load ? load(path, SlotRequest(context), &error) : nullptr;
  return CadResult(std::move(document), load != nullptr, error);
}

bool ProbeDxf(InFileStream& in, const WString&) {
  auto probe = GetForeignReaderSlots().isDxfFile;
  return probe && probe(in);
}

DocumentResult LoadDxf(const WString& path, const FormatReadContext& context) {
  auto load = GetForeignReaderSlots().loadDxf;
  if (!load) return Unsupported(kOpenNotReadable, u"DXF");
  int error = 0;
  auto document = load(path, SlotRequest(context), &error);
  return CadResult(std::move(document), true, error);
}

bool ProbeDgn(InFileStream&, const WString& path) { return HasExtension(path, u".dgn"); }

DocumentResult LoadDgn(const WString& path, const FormatReadContext& context) {
  auto load = GetForeignReaderSlots().loadDgn;
  if (!load) return Unsupported(kOpenDgnFailed, u"DGN");
  auto document = load(path, SlotRequest(context));
  if (!document) return DocumentResult::Failure(kOpenDgnFailed);
  return DocumentResult(std::move(document));
}

// The picture import takes whatever no other reader took.
bool ProbeAnything(InFileStream&, const WString&) { return true; }

// A new document of one sheet whose top block holds the imported object.
DocumentResult LoadPicture(const WString& path, const FormatReadContext& context) {
  auto import = GetForeignReaderSlots().importPicture;
  if (!import) return Unsupported(kOpenPictureFailed, KindOfUnreadFile(path));
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
