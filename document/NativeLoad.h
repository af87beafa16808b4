// The native load: a native drawing file (".kvn") read into a document, its
// refusals (block libraries, OLE files of old versions) turned into result
// codes. No message is shown here: the open dispatcher makes the one
// message of a failure from the result; the missing-file question goes
// through the context's questions.
#pragma once

#include "document/FormatReader.h"
#include "document/OpenRequest.h"
#include "document/ResultCodes.h"

namespace kvn {

class cDrawingDoc;

// The native load of a fresh document. `library` (may be null) is set when
// the first sheet is a block library; without it such a drawing is refused
// with kLoadIsLibraryDrawing. `cause` (may be null) gets the reader's own
// code where the result is a more general one (kLoadOleSignature for
// kLoadTooOld).
[[nodiscard]] LoadResult LoadNative(cDrawingDoc& document, const WString& path, const FormatReadContext& context,
                                    bool* library, LoadResult* cause = nullptr);

// The same for a request (the questions as the request says).
[[nodiscard]] LoadResult LoadNativeDrawing(cDrawingDoc& document, const WString& path, const OpenRequest& request,
                                           bool* library);

// The native load, and on failure every sheet of the document destroyed.
[[nodiscard]] LoadResult LoadWithRefs(cDrawingDoc& document, const WString& path, const OpenRequest& request,
                                      bool* library);

// The native road as a registered reader.
FormatReader NativeFormatReader();

}  // namespace kvn
