#include "document/NativeLoad.h"

#include <string>

#include "foundation/FileSystem.h"

#include "document/DocumentCost.h"
#include "document/DocumentReaders.h"
#include "document/NativeFormat.h"
#include "document/OpenDrawingFile.h"
#include "document/ProgressMonitor.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/TextFormat.h"
#include "foundation/MsgBox.h"
#include "platform/ole/OleStorage.h"

namespace kvn {

namespace {

bool Cancelled(const FormatReadContext& context) { return context.monitor && context.monitor->Cancelled(); }

// The file load: the file opened read-only, the OLE signature refused,
// otherwise the native container. The file is not kept open: the viewer
// never writes a drawing, and a file held open would lock it for others.
int LoadFile(cDrawingDoc& document, const WString& path, const FormatReadContext& context) {
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) document.GetSheet(i)->loadedMark = 0;
  document.BeginLoad();
  InFileStream in(path, true);
  if (!in.IsOpen()) {
    if (context.allowMissing &&
        context.questions->GoOn(LoadQuestion{kStrMissingFileQuestion, kMbOkCancel | kMbIconQuestion})) {
      document.MarkAllSheetsModified();
      return kLoadOk;
    }
    return kLoadNotOpened;
  }
  std::uint8_t head[5] = {};
  if (in.Read(head, 5) == 5 && HasOleSignature(head, 5)) return kLoadOleSignature;
  in.Rewind();
  NativeReadOptions options;
  options.questions = context.questions;
  options.monitor = context.monitor;
  options.assumedVersion = context.assumedVersion;
  options.referenceContext = context.referenceContext;
  options.hostPath = GetFullPath(path);
  options.quiet = context.quiet;
  return document.ReadNativeContainer(in, options);
}

bool ProbeNative(InFileStream& in, const WString& path) {
  std::uint8_t head[kNativeMagicLength] = {};
  if (in.Read(head, kNativeMagicLength) == kNativeMagicLength && IsNativeMagic(head, kNativeMagicLength)) return true;
  in.Rewind();
  std::uint8_t ole[5] = {};
  return in.Read(ole, 5) == 5 && HasOleSignature(ole, 5) && HasNativeExtension(path);
}

DocumentResult LoadNativeFile(const WString& path, const FormatReadContext& context) {
  auto document = std::make_unique<cDrawingDoc>();
  bool library = false;
  LoadResult cause = kLoadOk;
  const LoadResult result = LoadNative(*document, path, context, context.wantLibraryFlag ? &library : nullptr, &cause);
  if (result != kLoadOk) document->DestroySheets();
  if (Cancelled(context)) return DocumentResult::Failure(kOpenCancelled);
  if (context.wantLibraryFlag && library) return DocumentResult::Failure(kOpenLibraryDetected);
  if (result != kLoadOk) return DocumentResult::Failure(result, cause);
  // Weighed before anything expands an insert: a few kilobytes may place a
  // large block without end.
  const DocumentCost forecast = ForecastDocumentCost(*document);
  if (!forecast.cost.Within()) return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable, DrawingTooLargeText());
  const bool damaged = document->damagedRecordsDropped != 0;
  DocumentResult opened(std::move(document));
  // Told as a damaged picture file is: what could be read is shown.
  if (damaged) opened.MarkPartial();
  if (forecast.insertsCut != 0) {
    opened.AddWarning(
        FormatPercentS(LoadLangString(kStrExpansionsCut), WString::FromUtf8(std::to_string(forecast.insertsCut))));
  }
  return opened;
}

}  // namespace

LoadResult LoadNative(cDrawingDoc& document, const WString& path, const FormatReadContext& context, bool* library,
                      LoadResult* cause) {
  if (library) *library = false;
  document.name = path;
  document.BeginLoad();
  const int result = LoadFile(document, path, context);
  if (cause) *cause = LoadResult(result);
  if (result == kLoadOleSignature) return kLoadTooOld;
  if (result != kLoadOk) return LoadResult(result);
  if (cSheet* first = document.GetFirstSheet(); first && first->Drawing().libraryFlag) {
    if (!library) {
      if (cause) *cause = kLoadIsLibraryDrawing;
      return kLoadIsLibraryDrawing;
    }
    *library = true;
  }
  if (document.GetDisplayName().IsEmpty()) document.SetFilePath(document.name);
  return kLoadOk;
}

LoadResult LoadNativeDrawing(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library) {
  RequestContext context(request);
  return LoadNative(document, path, context.Get(), library);
}

LoadResult LoadWithRefs(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library) {
  const LoadResult result = LoadNativeDrawing(document, path, request, library);
  if (result != kLoadOk) document.DestroySheets();
  return result;
}

FormatReader NativeFormatReader() { return FormatReader{kReaderNative, FormatSlot::kNative, &ProbeNative, &LoadNativeFile}; }

}  // namespace kvn
