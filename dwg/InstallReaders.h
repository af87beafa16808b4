// InstallReaders: fills the open dispatcher's registry with every reader of
// the program: the document's own (the native road, the DWG/DXF/DGN
// recognisers, the picture import), then those of import/ and of this
// folder. It lives here, in the top reader layer, because it is the one
// place that may see them all. The application and kvn-dump call it once at
// start; calling it again puts the registry back as it was installed.
#pragma once

namespace kvn {

class FormatRegistry;

void InstallReaders(FormatRegistry& registry);
// The program's registry.
void InstallReaders();

}  // namespace kvn
