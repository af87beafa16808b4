#include "foundation/WindowText.h"

namespace kvn {

WString CleanWindowText(const WString& text, bool clean) {
  if (text.Length() > kMaxWindowTextLength) return WString();
  if (!clean) return text;
  WString out(text);
  for (int i = 0; i < out.Length(); ++i) {
    const char16_t c = out[i];
    if ((c < 32 && c != u'\t' && c != u'\n' && c != u'\r') || (c >= 0x80 && c <= 0xA0)) *out.WritableAt(i) = u' ';
  }
  return out;
}

}  // namespace kvn
