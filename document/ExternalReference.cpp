#include "document/ExternalReference.h"

#include <memory>

#include "document/cDrawingDoc.h"

namespace kvn {

bool LoadExternalReference(cDrawingDoc& host, const ExternalReferenceEntry& entry,
                           const NativeReadOptions& /*options*/) {
  auto sheet = std::make_unique<cSheet>();
  sheet->name = entry.sheetName;
  sheet->Drawing().name = entry.sheetName;
  sheet->isReference = 1;
  sheet->referencedSheet = entry.sheetIndex;
  sheet->referencePath = entry.storedPath;
  host.AddSheet(std::move(sheet));
  return true;
}

}  // namespace kvn
