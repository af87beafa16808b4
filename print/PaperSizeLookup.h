// Hands the paper table's sizes down to the conversions of old drawings,
// which sit below the printing layer.
#pragma once

namespace kvn {

void InstallPaperSizeLookup();

}  // namespace kvn
