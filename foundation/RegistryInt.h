// RegistryInt: an integer option of a dialog kept as a DWORD value under the
// program's settings key. The constructor gives the variable the stored value
// when there is one; Store writes the variable back only when it changed.
#pragma once

#include <cstdint>

#include "foundation/WString.h"

namespace kvn {

class RegistryInt {
 public:
  RegistryInt(int* variable, const WString& valueName);

  void Store();

 private:
  int* variable_;
  WString valueName_;
  std::uint32_t stored_ = 0;
};

}  // namespace kvn
