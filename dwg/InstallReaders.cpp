#include "dwg/InstallReaders.h"

#include "document/DocumentReaders.h"
#include "document/FormatReader.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/objects/DecodeDwgObject.h"
#include "import/ImportReaders.h"

namespace kvn {

void InstallReaders(FormatRegistry& registry) {
  registry.Clear();
  RegisterDocumentReaders(registry);
  RegisterImportReaders(registry);
  // Proxy entities of DXF files carry DWG object data: the import decodes
  // them through the DWG object reader.
  InstallDwgObjectDecoder();
  RegisterDwgReader(registry);
}

void InstallReaders() { InstallReaders(GetFormatRegistry()); }

}  // namespace kvn
