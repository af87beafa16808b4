#include "platform/ui/RegisteredMessages.h"

#include <string>
#include <vector>

#include "foundation/UnicodeCase.h"
#include "platform/ui/Messages.h"

namespace kvn {

std::uint32_t RegisterWindowMessage(const char16_t* name) {
  if (name == nullptr || *name == 0) return 0;
  // A few names per process: a list searched in order is all it takes.
  static std::vector<std::u16string> names;
  std::u16string upper;
  for (const char16_t* p = name; *p; ++p) {
    const char16_t u = UpperCaseW(*p);  // 0: no upper case, the unit stays
    upper.push_back(u != 0 ? u : *p);
  }
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == upper) return kFirstRegisteredMessage + std::uint32_t(i);
  }
  if (names.size() > kLastRegisteredMessage - kFirstRegisteredMessage) return 0;
  names.push_back(std::move(upper));
  return kFirstRegisteredMessage + std::uint32_t(names.size() - 1);
}

}  // namespace kvn
