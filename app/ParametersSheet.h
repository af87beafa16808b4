// The parameters property sheet of one drawing (File > Parameters, Ctrl+I,
// and a double click on a page tab).
#pragma once

#include <cstdint>

#include "print/PaperTable.h"

namespace kvn {

class TWindow;
class cDrawingDoc;
class cVectorWindow;

// A format proposed by the print dialog ("Adapt the drawing format"): the
// printer's paper and its printable size, in mm.
struct ProposedFormat {
  PaperSizeMm paper;
  PaperSizeMm printable;
};

// Runs the sheet for sheet `sheetIndex` of `document` shown in `window`,
// owned by the main frame; true when something was changed. With a
// proposed format the sheet opens on its Format page with a drawing area
// made for that paper.
bool RunParametersSheet(TWindow* frame, cVectorWindow* window, cDrawingDoc* document, std::uint32_t sheetIndex,
                        const ProposedFormat* proposed = nullptr);

}  // namespace kvn
