#include "platform/fonts/Type1Header.h"

#include <cstdio>
#include <memory>
#include <string_view>

namespace kvn {

namespace {

constexpr std::size_t kMaxClearText = 64 * 1024;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }

// The token after the key "/Name" (the key must stand alone: "/Weight" is not
// "/WeightVector"); empty when the key is absent.
std::string_view ValueOf(std::string_view text, std::string_view key) {
  for (std::size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
    std::size_t p = at + key.size();
    if (p < text.size() && !IsSpace(text[p])) continue;
    while (p < text.size() && IsSpace(text[p])) ++p;
    std::size_t end = p;
    if (p < text.size() && text[p] == '(') {
      end = text.find(')', p);
      if (end == std::string_view::npos) return {};
      return text.substr(p + 1, end - p - 1);
    }
    while (end < text.size() && !IsSpace(text[end])) ++end;
    return text.substr(p, end - p);
  }
  return {};
}

// FreeType's integer reading of a number: sign and leading digits.
long IntegerPart(std::string_view token) {
  std::size_t i = 0;
  bool negative = false;
  if (i < token.size() && (token[i] == '-' || token[i] == '+')) negative = token[i++] == '-';
  long value = 0;
  for (; i < token.size() && token[i] >= '0' && token[i] <= '9' && value < 1000000; ++i) value = value * 10 + (token[i] - '0');
  return negative ? -value : value;
}

}  // namespace

std::optional<Type1Facts> ReadType1Facts(std::span<const std::uint8_t> start) {
  std::string_view text(reinterpret_cast<const char*>(start.data()), start.size());
  if (!text.starts_with("%!PS-AdobeFont-1") && !text.starts_with("%!FontType1")) return std::nullopt;
  const std::size_t eexec = text.find("eexec");
  if (eexec == std::string_view::npos) return std::nullopt;
  text = text.substr(0, eexec);
  // Only plain fonts: a synthetic font or another font type is FreeType's.
  const std::string_view type = ValueOf(text, "/FontType");
  if (type != "1" || text.find("/FontInfo") == std::string_view::npos) return std::nullopt;
  Type1Facts facts;
  facts.italic = IntegerPart(ValueOf(text, "/ItalicAngle")) != 0;
  const std::string_view weight = ValueOf(text, "/Weight");
  facts.bold = weight == "Bold" || weight == "Black";
  facts.fixedPitch = ValueOf(text, "/isFixedPitch") == "true";
  return facts;
}

std::string ReadType1ClearText(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return {};
  std::string bytes(kMaxClearText, '\0');
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file.get()));
  // PFB: segments of a 0x80 byte, a type (1: clear text) and a 32-bit
  // little-endian length; the first segment is the clear text.
  if (bytes.size() >= 6 && std::uint8_t(bytes[0]) == 0x80) {
    if (bytes[1] != 1) return {};
    const std::size_t length = std::size_t(std::uint8_t(bytes[2])) | std::size_t(std::uint8_t(bytes[3])) << 8 |
                               std::size_t(std::uint8_t(bytes[4])) << 16 | std::size_t(std::uint8_t(bytes[5])) << 24;
    if (length > bytes.size() - 6) return {};
    return bytes.substr(6, length);
  }
  return bytes;
}

}  // namespace kvn
