#include "foundation/RegistryInt.h"

#include "foundation/Registry.h"

namespace kvn {

RegistryInt::RegistryInt(int* variable, const WString& valueName) : variable_(variable), valueName_(valueName) {
  stored_ = variable_ ? std::uint32_t(*variable_) : 0;
  RegReadKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  std::uint8_t defaultUsed = 1;
  const std::uint32_t value = key.GetDwordEx(valueName_, stored_, defaultUsed);
  if (defaultUsed == 0) {
    stored_ = value;
    if (variable_) *variable_ = int(value);
  }
}

void RegistryInt::Store() {
  if (variable_ == nullptr || std::uint32_t(*variable_) == stored_) return;
  RegWriteKey key(kHkeyCurrentUser, WString(kProgramRegistryKey));
  if (key.SetDword(valueName_, std::uint32_t(*variable_))) stored_ = std::uint32_t(*variable_);
}

}  // namespace kvn
