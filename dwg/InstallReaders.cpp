#include "dwg/InstallReaders.h"

#include "document/DocumentReaders.h"
#include "document/FormatReader.h"
#include "import/ImportReaders.h"

namespace kvn {

void InstallReaders(FormatRegistry& registry) {
  registry.Clear();
  RegisterDocumentReaders(registry);
  RegisterImportReaders(registry);
  // The DWG reader registers here when it arrives, under kReaderDwg in
  // FormatSlot::kDwg.
}

void InstallReaders() { InstallReaders(GetFormatRegistry()); }

}  // namespace kvn
