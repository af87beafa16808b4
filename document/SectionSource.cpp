#include "document/SectionSource.h"

#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cDrawingData.h"
#include "model/cSection.h"

namespace kvn {

cDrawing* GetSectionSourceDrawing(const cSection& section, const cDrawingData* data) {
  const cDrawing* own = data ? data->GetDrawing() : nullptr;
  const cDrawingDoc* document = own ? own->Document() : nullptr;
  if (!document || document->busy) return nullptr;
  cSheet* sheet = document->GetSheet(section.sheetIndex);
  return sheet ? &sheet->Drawing() : nullptr;
}

}  // namespace kvn
