#include "document/OpenDrawingFile.h"

#include <optional>
#include <string_view>

#include "document/FileToRead.h"
#include "document/OpenFailureMessage.h"
#include "document/PartialReadNotice.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"

namespace kvn {

namespace {

constexpr int kStrAllDrawingsAndPictures = 18282;
constexpr int kStrProductName = 16635;
constexpr int kStrPictures = 1124;
constexpr int kStrWarningCaption = 1186;

ForeignReaderSlots& Slots() {
  static ForeignReaderSlots slots;
  return slots;
}

// Probe and load, without a message.
DocumentResult OpenQuietly(const WString& path, const OpenRequest& request, const FormatRegistry& registry) {
  const FormatReader* reader = nullptr;
  std::uint64_t written = 0;
  bool haveTime = false;
  {
    // A folder, or a pipe, device or socket, is named for what it is before
    // anything opens it (a pipe would keep the open waiting for a writer).
    std::optional<InFileStream> opened;
    if (const std::uint32_t error = OpenFileToRead(path, opened)) {
      return DocumentResult::Failure(kOpenNotReadable, kOpenNotReadable,
                                     WString::FromUtf8(GetSystemErrorText(error).View()));
    }
    InFileStream& in = *opened;
    // No format has an empty file; say so rather than "unknown format".
    if (in.Size() == 0) return DocumentResult::Failure(kOpenPictureFailed, kOpenEmptyFile);
    haveTime = in.GetFileTime(nullptr, nullptr, &written);
    reader = registry.Probe(in, path);
  }
  // Nothing took the file: as when the picture import, which takes
  // anything, read nothing.
  if (!reader || !reader->load) return DocumentResult::Failure(kOpenPictureFailed, kOpenUnsupportedFormat);
  RequestContext context(request);
  DocumentResult result = reader->load(path, context.Get());
  if (MonitorCancelled(request) && !result.Ok()) return DocumentResult::Failure(kOpenCancelled);
  // The title-block fields show when the file was last written.
  if (result.Ok() && haveTime) result.Document()->SetFileDateTime(written);
  // A reader's conversions may ask for a drawing's extent before they move
  // or drop objects; the summary and its extent index start afresh.
  if (result.Ok()) {
    cDrawingDoc& document = *result.Document();
    for (std::uint32_t i = 0; i < document.SheetCount(); ++i) {
      if (cSheet* sheet = document.GetSheet(i)) sheet->Drawing().InvalidateSummary(0);
    }
  }
  return result;
}

}  // namespace

DocumentResult OpenDrawing(const WString& path, const OpenRequest& request) {
  return OpenDrawing(path, request, GetFormatRegistry());
}

DocumentResult OpenDrawing(const WString& path, const OpenRequest& request, const FormatRegistry& registry) {
  DocumentResult result = OpenQuietly(path, request, registry);
  cMsgDlg* owner = MessageOwner(request);
  if (!result.Ok()) {
    if (owner) ShowOpenFailure(owner, result, path);
  } else if (owner) {
    // A file read only in part, and what a reader mended or left out: one
    // box, after which the drawing opens. A read error is told as an error
    // (the reader's own "File read error."); a file read whole that opens
    // with something mended, left out or not drawn gets a warning, titled
    // and marked as one.
    const WString text = OpenWarningText(result, path);
    if (!text.IsEmpty()) {
      if (result.Partial() && !result.PartialTold()) {
        owner->MessageBox(text, nullptr, kMbIconError);
      } else {
        owner->MessageBoxStr(LoadLangString(kStrWarningCaption), kMbIconWarning, text);
      }
    }
  }
  return result;
}

std::unique_ptr<cDrawingDoc> OpenDrawingFile(const WString& path, const OpenRequest& request, OpenOutcome& outcome) {
  OpenRequest asked = request;
  asked.wantLibraryFlag = outcome.wantLibraryFlag;
  DocumentResult result = OpenDrawing(path, asked);
  outcome.library = false;
  outcome.native = result.native;
  outcome.errorCode = result.Ok() ? 0 : int(result.Code());
  return result.TakeDocument();
}

ForeignReaderSlots SetForeignReaderSlots(const ForeignReaderSlots& slots) {
  ForeignReaderSlots previous = Slots();
  Slots() = slots;
  return previous;
}

const ForeignReaderSlots& GetForeignReaderSlots() { return Slots(); }

WString MakeOpenDrawingFilter() {
  constexpr char16_t kPictures[] = u"*.wmf;*.emf;*.bmp;*.jpg;*.jpeg;*.jif;*.tif;*.tiff;*.gif;*.png";
  WString filter = LoadLangString(kStrAllDrawingsAndPictures);
  filter.Append(WString(u"|*.kvn;*.dxf;*.dxb;*.dwg;*.dgn;"));
  filter.Append(WString(kPictures + 0));
  filter.AppendChar(u'|');
  filter.Append(LoadLangString(kStrProductName));
  filter.Append(WString(u" (*.kvn)|*.kvn|AutoCAD - DWG/DXF (*.dwg *.dxf *.dxb)|*.dxf;*.dxb;*.dwg|"
                        u"MicroStation - V7 DGN (*.dgn)|*.dgn|"));
  filter.Append(LoadLangString(kStrPictures));
  filter.Append(WString(u" - BMP,TIFF,JPEG,GIF,PNG,EMF,WMF|"));
  filter.Append(WString(kPictures + 0));
  return filter;
}

// ASCII letters only compare without regard to case.
bool HasExtension(const WString& path, std::u16string_view extension) {
  const WString found = GetFileExtension(path);
  if (std::size_t(found.Length()) != extension.size()) return false;
  for (std::size_t i = 0; i < extension.size(); ++i) {
    char16_t a = found[int(i)];
    char16_t b = extension[i];
    if (a >= u'A' && a <= u'Z') a = char16_t(a + 32);
    if (b >= u'A' && b <= u'Z') b = char16_t(b + 32);
    if (a != b) return false;
  }
  return true;
}

bool HasNativeExtension(const WString& path) { return HasExtension(path, u".kvn") || HasExtension(path, u".kni"); }

}  // namespace kvn
