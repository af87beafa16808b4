// Recognising a DWG drawing by the version string in its first six bytes
// ("AC1015" and the like), for the open dispatcher.
#pragma once

#include <cstdint>

namespace kvn {

class InFileStream;

// DWG version numbers: 0 not a DWG file, 3 a release too old or unknown
// (refused by the reader with "Unsupported DWG version"), otherwise the
// release (12, 14, 15, 18, 21, 24, 27, 32). `isAC1012` is set only for AC1012.
int DetectDwgVersion(const char* sixBytes, bool* isAC1012);

// Seeks to 0, reads six bytes, seeks back to 0: whether they are a DWG
// version string (a too-old release counts, so that the DWG reader refuses
// it with its own message).
bool IsDwgFile(InFileStream& in);

}  // namespace kvn
