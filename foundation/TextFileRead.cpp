// Reading text files and lines into strings, over an InFileStream.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "foundation/AString.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "foundation/WString.h"

namespace kvn {

namespace {

// Whole-file reads stop here: text files this program reads (settings,
// scripts, line-type and font lists) are far smaller, and a bigger one is
// most likely not text at all.
constexpr std::uint64_t kMaxTextFileBytes = 100'000'000;

// Appends n bytes, growing the representation by doubling so that a long
// line read window by window costs linear time. False when the string would
// pass its maximal length.
bool AppendRaw(AString& s, const std::uint8_t* bytes, std::uint32_t n) {
  if (n == 0) return true;
  std::int64_t length = s.Length();
  std::int64_t need = length + n;
  if (need > std::int64_t(AString::kMaxLength)) return false;
  if (need > s.Capacity()) {
    s.Reserve(std::min<std::int64_t>(std::max<std::int64_t>(2 * std::int64_t(s.Capacity()), need),
                                     AString::kMaxLength));
  }
  s.Resize(need);
  std::memcpy(s.Data() + length, bytes, n);
  return true;
}

// The whole file into `bytes`; false for a file above the limit or a failed read.
bool ReadAllBytes(InFileStream& stream, ByteArray& bytes) {
  std::uint64_t size = stream.Size();
  if (size > kMaxTextFileBytes || !stream.Seek(0)) return false;
  bytes.SetCount(std::uint32_t(size));
  return size == 0 || stream.Read(bytes.Items(), std::uint32_t(size)) == size;
}

}  // namespace

AString& AString::ReadLineFrom(InFileStream& stream, int stopByte, std::int64_t max) {
  std::int64_t left = max > 0 ? max : INT64_MAX;
  const bool haveStop = stopByte >= 0 && stopByte <= 0xFF;
  while (left > 0) {
    if (stream.IsBuffered()) {
      std::uint32_t length = 0;
      const std::uint8_t* window = stream.GetReadWindow(length);
      if (!window || length == 0) break;
      auto scan = std::uint32_t(std::min<std::int64_t>(length, left));
      const void* hit = haveStop ? std::memchr(window, stopByte, scan) : nullptr;
      std::uint32_t take = hit ? std::uint32_t(static_cast<const std::uint8_t*>(hit) - window) : scan;
      if (!AppendRaw(*this, window, take)) break;
      stream.ConsumeWindow(take + (hit ? 1 : 0));
      left -= take;
      if (hit) break;
    } else {
      std::uint8_t b;
      if (stream.Read(&b, 1) != 1) break;
      if (haveStop && b == stopByte) break;
      if (!AppendRaw(*this, &b, 1)) break;
      --left;
    }
  }
  return *this;
}

AString& AString::ReadUntil(InFileStream& stream, int stopByte, std::int64_t max) {
  Clear();
  return ReadLineFrom(stream, stopByte, max);
}

AString& AString::ReadTextLine(InFileStream& stream, std::int64_t max) {
  ReadUntil(stream, '\n', max);
  if (Length() > 0 && (*this)[Length() - 1] == '\r') Resize(Length() - 1);
  return *this;
}

std::int64_t AString::ReadWholeFile(InFileStream& stream) {
  Clear();
  std::uint64_t size = stream.Size();
  // A file too large for a text file is a failure, told apart from every real count.
  if (size > kMaxTextFileBytes || !stream.Seek(0)) return -1;
  if (size == 0) return 0;
  Resize(std::int64_t(size));
  if (stream.Read(Data(), std::uint32_t(size)) != size) {
    Clear();
    return -1;
  }
  return std::int64_t(size);
}

WString& WString::ReadTextFile(InFileStream& stream) {
  Clear();
  ByteArray bytes(0);
  if (!ReadAllBytes(stream, bytes)) return *this;
  const std::uint8_t* b = bytes.Items();
  const std::uint32_t count = bytes.Count();

  if (count >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
    const bool bigEndian = b[0] == 0xFE;
    // An odd last byte is half a code unit and is dropped.
    const std::uint32_t units = (count - 2) / 2;
    Resize(units);
    char16_t* out = Data();
    for (std::uint32_t i = 0; i < units; ++i) {
      std::uint8_t first = b[2 + 2 * i], second = b[3 + 2 * i];
      out[i] = bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    }
    return *this;
  }
  if (count >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
    return AssignUtf8(reinterpret_cast<const char*>(b + 3), int(count - 3));
  }
  return AssignBytes(0, reinterpret_cast<const char*>(b), int(count));
}

}  // namespace kvn
