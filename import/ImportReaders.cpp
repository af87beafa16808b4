#include "import/ImportReaders.h"

#include "document/FormatReader.h"

namespace kvn {

void RegisterImportReaders(FormatRegistry& registry) {
  // Each reader takes its place here when it arrives, registered under the
  // name of document/DocumentReaders.h that it replaces:
  //   DXF      (kReaderDxf, FormatSlot::kDxf)           import/dxf/
  //   DGN      (kReaderDgn, FormatSlot::kDgn)           import/dgn/
  //   metafile (kReaderMetafile, FormatSlot::kMetafile) import/pictures/
  //   picture  (kReaderPicture, FormatSlot::kPicture)   import/pictures/
  (void)registry;
}

}  // namespace kvn
