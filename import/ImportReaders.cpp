#include "import/ImportReaders.h"

#include "document/FormatReader.h"
#include "import/dgn/DgnReader.h"
#include "import/dxf/DxfReader.h"
#include "import/pictures/MetafileExploder.h"
#include "import/pictures/PictureReader.h"
#include "model/cWmf.h"

namespace kvn {

namespace {

ObjectChain ExplodeForDrawing(cWmf& metafile, cDrawingData* data) { return ExplodeMetafile(metafile, data); }

}  // namespace

void RegisterImportReaders(FormatRegistry& registry) {
  // Each reader is registered under the name of document/DocumentReaders.h
  // that it replaces.
  // Metafiles and raster pictures both go through the picture reader,
  // which tells them apart by name and content.
  RegisterDxfReader(registry);
  RegisterDgnReader(registry);
  RegisterPictureReader(registry);
  // Placed metafiles are drawn through the interpreter's objects where no
  // device context plays them.
  SetMetafileExploder(&ExplodeForDrawing);
}

}  // namespace kvn
