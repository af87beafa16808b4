// The cost of a document read from a native drawing (model/DrawingCost.h),
// taken before any of its inserts is expanded: the file holds every object
// it keeps, so what counts is what a paint walks and the largest placement
// it expands. Inserts whose blocks expand past what one insert shows are
// counted for the warning that tells them.
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
