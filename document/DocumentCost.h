// The cost of a document read from a native drawing (model/DrawingCost.h),
// taken before any of its inserts is expanded: the file holds every object
// it keeps, so what counts is what a paint walks (each view once more over
// the sheet it shows), what the first paint keeps of each top object and the
// largest placement it expands, whole. Inserts whose blocks expand past the
// expansion's count are counted for the warning that tells them.
#pragma once

#include <cstdint>

#include "model/DrawingCost.h"

namespace kvn {

class cDrawingDoc;

struct DocumentCost {
  DrawingCost cost;
  // Top-level inserts that show only part of their block.
  std::uint64_t insertsCut = 0;
};

DocumentCost ForecastDocumentCost(cDrawingDoc& document);

}  // namespace kvn
