// The readers the document subsystem registers itself: the native road, the
// recognisers of DWG, DXF and DGN files, and the picture import. Until the
// readers of import/ and dwg/ take their places, the foreign ones load
// through the replaceable ForeignReaderSlots (document/OpenDrawingFile.h)
// and answer their format's result code when the slot is empty.
#pragma once

#include "document/FormatReader.h"

namespace kvn {

// Names of the registered readers; a foreign reader registered under the
// same name takes the place of the document's own.
inline constexpr char kReaderDwg[] = "DWG";
inline constexpr char kReaderDxf[] = "DXF";
inline constexpr char kReaderDgn[] = "DGN";
inline constexpr char kReaderNative[] = "native";
inline constexpr char kReaderMetafile[] = "metafile";
inline constexpr char kReaderPicture[] = "picture";

void RegisterDocumentReaders(FormatRegistry& registry);

}  // namespace kvn
