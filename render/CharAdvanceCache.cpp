#include "render/CharAdvanceCache.h"

#include "platform/gdi/DeviceContext.h"

namespace kvn {

bool CharAdvanceCache::Width(const TDC& dc, char16_t c, std::int32_t* width) {
  if (dc_ != &dc || !(font_ == dc.GetCurrentFont())) {
    dc_ = &dc;
    font_ = dc.GetCurrentFont();
    latin_.fill(Answer{});
    others_.clear();
  }
  Answer& answer = c < latin_.size() ? latin_[c] : others_[c];
  if (!answer.known) {
    int w = 0;
    answer.ok = dc.GetCharWidth(c, c, &w);
    answer.width = w;
    answer.known = true;
  }
  *width = answer.width;
  return answer.ok;
}

}  // namespace kvn
