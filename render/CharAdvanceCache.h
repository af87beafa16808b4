// The advances of characters in the font a device context has selected,
// kept for the life of one drawing context. A device context answers a
// character's width by realising its font and laying the character out;
// texts of one repaint mostly share a font and the same few characters, so
// each is asked once. The answers belong to one device context and its
// selected font: another of either starts the table afresh.
#pragma once

#include <array>
#include <cstdint>
#include <unordered_map>

#include "platform/gdi/GdiObjects.h"

namespace kvn {

class TDC;

class CharAdvanceCache {
 public:
  // The device's answer to GetCharWidth(c, c): false when it gives none.
  bool Width(const TDC& dc, char16_t c, std::int32_t* width);

 private:
  struct Answer {
    std::int32_t width = 0;
    bool known = false;
    bool ok = false;
  };
  const TDC* dc_ = nullptr;
  TFont font_;
  std::array<Answer, 256> latin_{};
  std::unordered_map<char16_t, Answer> others_;
};

}  // namespace kvn
