#include "model/CharsetText.h"

#include "foundation/CodePages.h"

namespace kvn {

int CharsetToCodePageNumber(std::uint8_t charset, const WString& faceName) {
  switch (charset) {
    case 0: return 1252;
    case 161: return 1253;
    case 162: return 1254;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 238: return 1250;
    case 2:
      if (!faceName.IsEmpty() && (faceName.Contains(u"Symbol") || faceName.Contains(u"Dings"))) {
        return kCodePageBytes;
      }
      return kCodePageAnsi;
    default: return kCodePageAnsi;
  }
}

void CharsetToCodePage(WString& out, std::string_view bytes, std::uint8_t charset, const WString& faceName) {
  const std::size_t zero = bytes.find('\0');
  if (zero != std::string_view::npos) bytes = bytes.substr(0, zero);
  if (bytes.size() > WString::kMaxLength) bytes = bytes.substr(0, WString::kMaxLength);
  out.AssignBytes(CharsetToCodePageNumber(charset, faceName), bytes.data(), int(bytes.size()));
}

}  // namespace kvn
