#include "document/DwgProbe.h"

#include <cstring>

#include "foundation/InFileStream.h"

namespace kvn {

int DetectDwgVersion(const char* s, bool* isAC1012) {
  if (isAC1012) *isAC1012 = false;
  if (std::memcmp(s, "AC1500", 6) == 0 || std::memcmp(s, "AC1.4", 5) == 0 || std::memcmp(s, "AC1.50", 6) == 0 ||
      std::memcmp(s, "AC2.10", 6) == 0) {
    return 3;
  }
  if (std::memcmp(s, "AC10", 4) != 0) return 0;
  if (s[4] < '0' || s[4] > '9' || s[5] < '0' || s[5] > '9') return 0;
  switch ((s[4] - '0') * 10 + (s[5] - '0')) {
    case 9: return 12;
    case 12:
      if (isAC1012) *isAC1012 = true;
      return 14;
    case 14: return 14;
    case 15: return 15;
    case 18: return 18;
    case 21: return 21;
    case 24: return 24;
    case 27: return 27;
    case 32: return 32;
    default: return 3;
  }
}

bool IsDwgFile(InFileStream& in) {
  char head[6] = {};
  in.Seek(0);
  // A shorter file leaves zeros, which no version string holds.
  in.Read(head, 6);
  in.Seek(0);
  return DetectDwgVersion(head, nullptr) != 0;
}

}  // namespace kvn
