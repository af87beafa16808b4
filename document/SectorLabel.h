// The label of the sector column or row in which a coordinate lies: numbers
// or letters (A..Z, AA..ZZ) along the frame of a drawing's sector grid.
#pragma once

#include "document/cDrawing.h"
#include "foundation/WString.h"

namespace kvn {

// For one axis: the settings, the first length (the printable tile size of
// the axis) and the second (the whole printable area), the coordinate and
// the format origin of the axis. Empty when the coordinate lies in no sector.
WString GetSectorLabel(const SectorSettings& settings, double firstLength, double secondLength, double coordinate,
                       double origin);

}  // namespace kvn
