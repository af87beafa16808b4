#include "tests/support/DwgCompress2004.h"

#include <cstddef>
#include <cstdint>
#include <unordered_map>

namespace kvn::test {

namespace {

void PutLongLength(std::vector<std::uint8_t>& out, std::uint64_t value) {
  // value >= 1: 0x00 bytes of 255 each, then the rest (1 to 255).
  const std::uint64_t last = value % 255 == 0 ? 255 : value % 255;
  for (std::uint64_t i = 0; i < (value - last) / 255; ++i) out.push_back(0);
  out.push_back(std::uint8_t(last));
}

void PutLiteralRun(std::vector<std::uint8_t>& out, std::span<const std::uint8_t> bytes) {
  const std::size_t count = bytes.size();  // 4 or more
  if (count <= 18) {
    out.push_back(std::uint8_t(count - 3));
  } else {
    out.push_back(0);
    PutLongLength(out, count - 18);
  }
  out.insert(out.end(), bytes.begin(), bytes.end());
}

constexpr std::size_t kFarthest = 0x7FFF + 0x3FFF;  // largest distance code

// Whether a match of `length` at distance code `d` can be written.
bool Encodable(std::size_t length, std::size_t d) {
  if (d <= 0x3FFE) return length >= 3;
  return d <= kFarthest && length >= 3 && !(d < 0x7FFF && length == 3);
}

// The match's opcode bytes with its trailing literal count.
void PutMatch(std::vector<std::uint8_t>& out, std::size_t length, std::size_t d, unsigned t) {
  if (d <= 1023 && length <= 14) {
    out.push_back(std::uint8_t((length + 1) << 4 | (d & 3) << 2 | t));
    out.push_back(std::uint8_t(d >> 2));
    return;
  }
  std::size_t code = d;
  if (d <= 0x3FFE) {
    if (length <= 33) {
      out.push_back(std::uint8_t(length + 30));
    } else {
      out.push_back(0x20);
      PutLongLength(out, length - 33);
    }
  } else {
    const bool farther = d >= 0x7FFF;
    code = d - (farther ? 0x7FFF : 0x3FFF);
    const std::uint8_t base = farther ? 0x18 : 0x10;
    if (length <= 9) {
      out.push_back(std::uint8_t(base | (length - 2)));
    } else {
      out.push_back(base);
      PutLongLength(out, length - 9);
    }
  }
  out.push_back(std::uint8_t((code & 63) << 2 | t));
  out.push_back(std::uint8_t(code >> 6));
}

}  // namespace

std::vector<std::uint8_t> CompressDwg2004(std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> out;
  std::unordered_map<std::uint32_t, std::size_t> last;  // 3-byte key -> latest position
  std::size_t literalStart = 0;
  std::size_t i = 0;
  // Where the previous match's trailing count sits (none before the first).
  std::size_t trailingAt = SIZE_MAX;
  auto flushLiterals = [&](std::size_t end) {
    const std::size_t count = end - literalStart;
    if (count == 0) return;
    if (count <= 3 && trailingAt != SIZE_MAX) {
      out[trailingAt] |= std::uint8_t(count);
      out.insert(out.end(), data.begin() + std::ptrdiff_t(literalStart), data.begin() + std::ptrdiff_t(end));
    } else {
      PutLiteralRun(out, data.subspan(literalStart, count));
    }
  };
  while (i + 3 <= data.size()) {
    const std::uint32_t key = std::uint32_t(data[i]) | std::uint32_t(data[i + 1]) << 8 | std::uint32_t(data[i + 2]) << 16;
    const auto found = last.find(key);
    last[key] = i;
    if (found == last.end()) {
      ++i;
      continue;
    }
    const std::size_t from = found->second;
    const std::size_t d = i - from - 1;
    const std::size_t pending = i - literalStart;
    // A literal run alone holds at least 4 bytes; fewer before the first
    // match cannot be written.
    if (d > kFarthest || (trailingAt == SIZE_MAX && pending < 4)) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    while (i + length < data.size() && data[from + length] == data[i + length]) ++length;
    if (!Encodable(length, d)) {
      ++i;
      continue;
    }
    flushLiterals(i);
    PutMatch(out, length, d, 0);
    // The trailing count sits in the opcode of the short form and in b1 of
    // the others: either way two bytes from the end.
    trailingAt = out.size() - 2;
    for (std::size_t k = 1; k < length && i + k + 3 <= data.size(); ++k) {
      const std::size_t at = i + k;
      last[std::uint32_t(data[at]) | std::uint32_t(data[at + 1]) << 8 | std::uint32_t(data[at + 2]) << 16] = at;
    }
    i += length;
    literalStart = i;
  }
  const std::size_t tail = data.size() - literalStart;
  if (tail > 0 && tail < 4 && trailingAt == SIZE_MAX) {
    // Too short for a run alone and no match before: such data (under 4
    // bytes) cannot be written by this format.
    return {};
  }
  flushLiterals(data.size());
  out.push_back(0x11);
  out.push_back(0);
  out.push_back(0);
  return out;
}

}  // namespace kvn::test
