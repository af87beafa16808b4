// OpenDrawingFile: turns a file name into an open document, whatever the
// file holds. The readers of the format registry (document/FormatReader.h)
// are probed in their order: a DWG version string, the DXF probe, the
// ".dgn" extension, the native magic or an OLE compound file with the
// extension ".kvn" or ".kni", metafiles, and anything else is offered to
// the picture import.
//
// A failure reaches the user as one message box made here from the result
// (document/OpenFailureMessage.h), owned by the monitor's message parent or
// the request's owner; the readers show none. A quiet request, or one
// without an owner, shows nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "document/DocumentResult.h"
#include "document/FormatReader.h"
#include "document/NativeLoad.h"
#include "document/OpenRequest.h"
#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class cDrawingData;
class cOutObj;
class InFileStream;

// The open dispatcher over the program's registry.
DocumentResult OpenDrawing(const WString& path, const OpenRequest& request);
// The same over a given registry.
DocumentResult OpenDrawing(const WString& path, const OpenRequest& request, const FormatRegistry& registry);

// The open dispatcher's earlier form: the document, or null with the
// outcome's error code.
struct OpenOutcome {
  // Native drawing (cleared for a picture).
  bool native = true;
  // Asked for by the caller: a block library was detected (then no document
  // is returned and the error code is 5005).
  bool wantLibraryFlag = false;
  bool library = false;
  // 0, or a LoadResult.
  int errorCode = 0;
};
std::unique_ptr<cDrawingDoc> OpenDrawingFile(const WString& path, const OpenRequest& request, OpenOutcome& outcome);

// Replaceable reader functions that the registered DWG, DXF, DGN and picture
// readers of document/ call until their real readers are registered (tests
// install fakes). A slot that is null, or that answers null, has read
// nothing.
struct ForeignReaderSlots {
  bool (*isDxfFile)(InFileStream& in) = nullptr;
  // `errorCode` may be set by the reader to its own result code.
  std::unique_ptr<cDrawingDoc> (*loadDwg)(const WString& path, const OpenRequest& request, int* errorCode) = nullptr;
  std::unique_ptr<cDrawingDoc> (*loadDxf)(const WString& path, const OpenRequest& request, int* errorCode) = nullptr;
  std::unique_ptr<cDrawingDoc> (*loadDgn)(const WString& path, const OpenRequest& request) = nullptr;
  // A new object that shows the picture or metafile, or null.
  cOutObj* (*importPicture)(const WString& path, cDrawingData* data, const OpenRequest& request) = nullptr;
};
// Returns the previous slots.
ForeignReaderSlots SetForeignReaderSlots(const ForeignReaderSlots& slots);
const ForeignReaderSlots& GetForeignReaderSlots();

// The filter of the File-Open dialog of drawings: description and pattern
// pairs separated by vertical bars (all drawings and pictures, native
// drawings, DWG/DXF, DGN, pictures).
WString MakeOpenDrawingFilter();

// Whether a path ends in the native extension ".kvn" or ".kni" (ASCII case
// ignored).
bool HasNativeExtension(const WString& path);
// Whether a path ends in `extension` (with its dot; ASCII case ignored).
bool HasExtension(const WString& path, std::u16string_view extension);

}  // namespace kvn
