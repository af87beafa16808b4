#include "render/LevelRemap.h"

#include "model/cOutObj.h"

namespace kvn {

std::uint16_t RemapLevelIndex(std::uint16_t level, std::uint16_t insertion) {
  if (level == kNoLevel) return insertion;
  if (level >= insertion && level + 1 < kNoLevel) return std::uint16_t(level + 1);
  return level;
}

void RenumberChainLevels(cOutObj* head, std::uint16_t insertion, std::optional<std::uint16_t> onlyAbove) {
  for (cOutObj* o = head; o; o = o->next) {
    if (onlyAbove && o->Level() <= *onlyAbove) continue;
    const std::uint16_t level = RemapLevelIndex(o->Level(), insertion);
    if (level != o->Level()) o->SetLevel(level);
  }
}

}  // namespace kvn
