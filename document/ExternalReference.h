// External references: a sheet of a native document that names another
// drawing file and the sheet of it to show.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class cDrawingDoc;
struct NativeReadOptions;

struct ExternalReferenceEntry {
  WString sheetName;
  WString storedPath;
  // 0 the path as stored, 1 relative to the host's folder, 2 the old rule
  // of files before 3084.
  int kind = 2;
  std::uint16_t sheetIndex = 0;
};

// Appends the sheet that shows the reference to the host document. False
// only when the referenced file opened but has too few sheets.
//
// The referenced file is not opened yet: the sheet appended is the empty
// placeholder that a reference the user gave up leaves, carrying the
// reference's name, index and path, so that the container and the page list
// read on exactly as with a loaded one.
bool LoadExternalReference(cDrawingDoc& host, const ExternalReferenceEntry& entry, const NativeReadOptions& options);

}  // namespace kvn
