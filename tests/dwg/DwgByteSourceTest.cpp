// The stream source that reads ahead: the bytes lent to Take, NextByte and
// Position agree with a plain byte-by-byte read across chunk boundaries and
// after seeks, and the end of the data stops both.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "dwg/objects/DwgByteSource.h"
#include "foundation/InFileStream.h"

namespace kvn {
namespace {

TEST(DwgStreamSource, ReadAheadGivesTheBytesAndPositionsOfAPlainRead) {
  std::vector<std::uint8_t> bytes(200'000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7 + i / 251);
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  DwgStreamSource source(in, true);
  // Across the chunk boundaries, by both roads.
  for (std::size_t i = 0; i < 140'000; ++i) {
    ASSERT_EQ(source.Position(), i);
    std::uint8_t b = 0;
    ASSERT_TRUE(i % 3 ? source.Take(b) : source.NextByte(b));
    ASSERT_EQ(b, bytes[i]) << i;
  }
  // Back, forward, and to the end.
  for (std::uint64_t at : {std::uint64_t(5), std::uint64_t(65'535), std::uint64_t(199'990), std::uint64_t(17)}) {
    ASSERT_TRUE(source.Seek(at));
    EXPECT_EQ(source.Position(), at);
    std::uint8_t b = 0;
    ASSERT_TRUE(source.Take(b));
    EXPECT_EQ(b, bytes[at]);
  }
  ASSERT_TRUE(source.Seek(bytes.size() - 2));
  std::uint8_t b = 0;
  EXPECT_TRUE(source.Take(b));
  EXPECT_TRUE(source.Take(b));
  EXPECT_EQ(b, bytes.back());
  EXPECT_FALSE(source.Take(b));
  EXPECT_FALSE(source.NextByte(b));
  EXPECT_EQ(source.Position(), bytes.size());
  EXPECT_FALSE(source.Seek(bytes.size() + 1));
}

}  // namespace
}  // namespace kvn
