// What section views need beside the cSection slots (render/SectionView.cpp).
#pragma once

namespace kvn {

class cDrawingData;
class cOutObj;

// The copy of one source object that a view shows: walls, links, dimensions
// and connection points become copies of their pieces; any other object a
// copy with its style references and, for a text, its fields replaced by
// their values. With a model the copies take its level, pages and hidden
// flag, without one page 0. The head of a new chain owned by the caller, or
// null when nothing results.
cOutObj* CopyObjectForView(cOutObj& object, cDrawingData* data, const cOutObj* model);

}  // namespace kvn
