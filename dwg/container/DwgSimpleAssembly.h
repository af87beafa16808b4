// The least drawing assembly: the simple entity records of model space
// (lines, arcs, circles, solids and traces, ellipses, points) become the
// objects of one sheet, and the layers its levels. Blocks, inserts, paper
// space, texts, polylines and dimensions wait for the full assembly of the
// import.
#pragma once

#include <memory>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
class YxxfReader;

std::unique_ptr<cDrawingDoc> AssembleSimpleDrawing(YxxfReader& reader, const WString& path);

}  // namespace kvn
