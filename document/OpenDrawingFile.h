// OpenDrawingFile: turns a file name into an open document, whatever the
// file holds. The file's content decides, probed in this order (the stream
// rewound before each): a DWG version string, the DXF probe, the ".dgn"
// extension, the native magic, the OLE compound-file signature (native only
// with the extension ".kvn" or ".kni"). Anything else is offered to the
// picture import.
//
// The readers of foreign formats are reached through replaceable slots;
// until a format's reader exists its slot answers "no document", which the
// dispatcher reports with the format's result code.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class cDrawingData;
class cMsgDlg;
class cOutObj;
class InFileStream;
class ProgressMonitor;

struct OpenRequest {
  // Owner of the messages (a window). Null, or the quiet flag, shows none.
  cMsgDlg* owner = nullptr;
  ProgressMonitor* monitor = nullptr;
  bool quiet = false;
  // A missing native file may give an empty document after the user's OK.
  bool allowMissing = false;
  // The reference context of a top-level load (external references).
  void* referenceContext = nullptr;
  // The version to assume for a native stream without a container header.
  int assumedVersion = 0;
};

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

// The open dispatcher. Null with the outcome's error code on failure.
std::unique_ptr<cDrawingDoc> OpenDrawingFile(const WString& path, const OpenRequest& request, OpenOutcome& outcome);

// The native load of a fresh document: the file load, then the refusals and
// messages of a failed load. Result 0 or a LoadResult; `library` (may be
// null) is set when the first sheet is a block library.
int LoadNativeDrawing(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library);

// The native load, and on failure every sheet of the document destroyed.
int LoadWithRefs(cDrawingDoc& document, const WString& path, const OpenRequest& request, bool* library);

// The readers of other formats, replaceable (tests install fakes; the
// import and DWG subsystems install theirs). A slot that is null, or that
// answers null, has read nothing.
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

}  // namespace kvn
