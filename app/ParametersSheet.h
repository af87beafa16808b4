// The parameters property sheet of one drawing (File > Parameters, Ctrl+I,
// and a double click on a page tab).
#pragma once

#include <cstdint>

namespace kvn {

class TWindow;
class cDrawingDoc;
class cVectorWindow;

// Runs the sheet for sheet `sheetIndex` of `document` shown in `window`,
// owned by the main frame; true when something was changed.
bool RunParametersSheet(TWindow* frame, cVectorWindow* window, cDrawingDoc* document, std::uint32_t sheetIndex);

}  // namespace kvn
