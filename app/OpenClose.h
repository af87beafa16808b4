// The two halves of opening a drawing that the main frame calls: asking for
// a file, and running the open dispatcher under a progress monitor.
#pragma once

#include <memory>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class TWindow;

// The File-Open dialog of drawings (single selection, the drawing filter).
// The chosen path, or empty when the user cancels. A plain toolkit dialog:
// the previewing dialog takes its place once it exists.
WString AskDrawingFileName(TWindow& owner);

// The file chosen for a missing external reference, the chooser starting in
// `startFolder`; empty when cancelled (installed into the reference loader).
WString ChooseReferenceFile(const WString& startFolder);

// The open dispatcher on `path` under a progress monitor on `parent` (its
// dialog, or the frame, owns the message boxes). The dispatcher shows the
// one message of a failure; a failure or a cancelled load gives null.
std::unique_ptr<cDrawingDoc> OpenDrawingUnderMonitor(TWindow& parent, const WString& path);

// The hook GUI tests use instead of the modal dialog (null restores it).
using AskFileNameHook = WString (*)(TWindow& owner);
void SetAskDrawingFileNameHook(AskFileNameHook hook);

}  // namespace kvn
