#include "document/OpenDrawingFile.h"

#include <cstring>
#include <string_view>

#include "document/DwgProbe.h"
#include "document/NativeFormat.h"
#include "document/ProgressMonitor.h"
#include "document/ResultCodes.h"
#include "document/cDrawingDoc.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "foundation/PathNames.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cOutObj.h"
#include "platform/ole/OleStorage.h"

namespace kvn {

namespace {

constexpr int kStrAllDrawingsAndPictures = 18282;
constexpr int kStrProductName = 16635;
constexpr int kStrPictures = 1124;

ForeignReaderSlots& Slots() {
  static ForeignReaderSlots slots;
  return slots;
}

// ASCII letters only compare without regard to case.
bool ExtensionIs(const WString& path, std::u16string_view extension) {
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

// The owner of the load's messages: the monitor's message parent when a
// monitor is given, else the request's owner; none when quiet.
cMsgDlg* MessageOwner(const OpenRequest& request) {
  if (request.quiet) return nullptr;
  if (request.monitor) return request.monitor->GetMessageParent();
  return request.owner;
}

bool MonitorCancelled(const OpenRequest& request) { return request.monitor && request.monitor->Cancelled(); }

// The file load: the file opened read-only, the OLE signature refused,
// otherwise the native container. The file is not kept open: the viewer
// never writes a drawing, and a file held open would lock it for others.
int LoadFile(cDrawingDoc& document, const WString& path, const OpenRequest& request) {
  for (std::uint32_t i = 0; i < document.SheetCount(); ++i) document.GetSheet(i)->loadedMark = 0;
  document.BeginLoad();
  InFileStream in(path, true);
  if (!in.IsOpen()) {
    cMsgDlg* owner = MessageOwner(request);
    if (request.allowMissing && owner &&
        owner->MessageBoxById(0, kMbOkCancel | kMbIconQuestion, kStrMissingFileQuestion) == kIdOk) {
      document.MarkAllSheetsModified();
      return kLoadOk;
    }
    return kLoadNotOpened;
  }
  std::uint8_t head[5] = {};
  if (in.Read(head, 5) == 5 && HasOleSignature(head, 5)) return kLoadOleSignature;
  in.Rewind();
  NativeReadOptions options;
  options.messageParent = MessageOwner(request);
  options.monitor = request.monitor;
  options.assumedVersion = request.assumedVersion;
  options.quiet = request.quiet;
  options.referenceContext = request.referenceContext;
  return document.ReadNativeContainer(in, options);
}

// The first bytes of the file decide; the stream is rewound before each probe.
enum class Probe { kDwg, kDxf, kDgn, kNative, kPicture };

Probe ProbeFile(InFileStream& in, const WString& path) {
  if (IsDwgFile(in)) return Probe::kDwg;
  in.Rewind();
  if (Slots().isDxfFile && Slots().isDxfFile(in)) return Probe::kDxf;
  in.Rewind();
  if (ExtensionIs(path, u".dgn")) return Probe::kDgn;
  std::uint8_t head[kNativeMagicLength] = {};
  if (in.Read(head, kNativeMagicLength) == kNativeMagicLength && IsNativeMagic(head, kNativeMagicLength)) {
    return Probe::kNative;
  }
  in.Rewind();
  std::uint8_t ole[5] = {};
  if (in.Read(ole, 5) == 5 && HasOleSignature(ole, 5) && HasNativeExtension(path)) return Probe::kNative;
  return Probe::kPicture;
}

std::unique_ptr<cDrawingDoc> ImportPicture(const WString& path, const OpenRequest& request, OpenOutcome& outcome) {
  auto document = std::make_unique<cDrawingDoc>();
  document->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *document->GetFirstSheet();
  cOutObj* object = Slots().importPicture ? Slots().importPicture(path, sheet.Data(), request) : nullptr;
  if (!object) {
    outcome.errorCode = kOpenPictureFailed;
    return nullptr;
  }
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
  outcome.native = false;
  return document;
}

}  // namespace

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

bool HasNativeExtension(const WString& path) { return ExtensionIs(path, u".kvn") || ExtensionIs(path, u".kni"); }

int LoadNativeDrawing(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library) {
  if (library) *library = false;
  document.name = path;
  document.BeginLoad();
  int result = LoadFile(document, path, request);
  cMsgDlg* owner = MessageOwner(request);
  if (result == kLoadLibraryContainer) {
    if (owner) owner->MessageBoxById(0, kMbIconError, kStrLibraryRefused);
    return kLoadLibraryContainer;
  }
  if (result == kLoadOleSignature) {
    if (owner) owner->MessageBoxById(0, kMbIconError, kStrDrawingTooOld);
    return kLoadTooOld;
  }
  if (result != kLoadOk) {
    if (owner && !MonitorCancelled(request)) {
      ShowFileMessage(owner, LoadLangString(kStrCannotOpenDrawing), path, AString());
    }
    return result;
  }
  if (cSheet* first = document.GetFirstSheet(); first && first->Drawing().libraryFlag) {
    if (!library) {
      if (owner) owner->MessageBoxById(0, kMbIconError, kStrLibraryRefused);
      return kLoadIsLibraryDrawing;
    }
    *library = true;
  }
  if (document.GetDisplayName().IsEmpty()) document.SetFilePath(document.name);
  return kLoadOk;
}

int LoadWithRefs(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library) {
  const int result = LoadNativeDrawing(document, path, request, library);
  if (result != kLoadOk) document.DestroySheets();
  return result;
}

std::unique_ptr<cDrawingDoc> OpenDrawingFile(const WString& path, const OpenRequest& request, OpenOutcome& outcome) {
  outcome.errorCode = 0;
  outcome.library = false;
  outcome.native = true;
  Probe probe;
  {
    InFileStream in(path, true);
    if (!in.CheckOpen(MessageOwner(request))) {
      outcome.errorCode = kOpenNotReadable;
      return nullptr;
    }
    probe = ProbeFile(in, path);
  }
  switch (probe) {
    case Probe::kNative: {
      auto document = std::make_unique<cDrawingDoc>();
      bool library = false;
      const int result = LoadWithRefs(*document, path, request, outcome.wantLibraryFlag ? &library : nullptr);
      if (MonitorCancelled(request)) return nullptr;
      if (outcome.wantLibraryFlag && library) {
        outcome.errorCode = kOpenLibraryDetected;
        return nullptr;
      }
      if (result != kLoadOk) {
        outcome.errorCode = result;
        return nullptr;
      }
      return document;
    }
    case Probe::kDgn: {
      auto document = Slots().loadDgn ? Slots().loadDgn(path, request) : nullptr;
      if (!document) outcome.errorCode = kOpenDgnFailed;
      return document;
    }
    case Probe::kDwg:
    case Probe::kDxf: {
      int error = 0;
      auto loader = probe == Probe::kDwg ? Slots().loadDwg : Slots().loadDxf;
      auto document = loader ? loader(path, request, &error) : nullptr;
      if (!document) outcome.errorCode = error != 0 ? error : kOpenNotReadable;
      return document;
    }
    case Probe::kPicture: return ImportPicture(path, request, outcome);
  }
  return nullptr;
}

}  // namespace kvn
