// The drawing a section view shows: the sheet of the view's document named
// by its sheet index. The renderer draws views through it, and a page swap
// follows the views that show the swapped drawing.
#pragma once

namespace kvn {

class cDrawing;
class cDrawingData;
class cSection;

// The source drawing of the view, whose own sheet has the drawing data
// `data`: null without drawing data, without a document, while the document
// is busy or when the sheet index lies beyond its sheets.
cDrawing* GetSectionSourceDrawing(const cSection& section, const cDrawingData* data);

}  // namespace kvn
