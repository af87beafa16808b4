#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "dwg/container/DwgDecompress2004.h"
#include "tests/support/DwgCompress2004.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::size_t kCap = 1u << 26;

bool Expand(const Bytes& in, Bytes& out, std::uint32_t expected = kDwgNoExpectedSize) {
  return DecompressDwg2004(in, out, expected, kCap);
}

Bytes RandomBytes(std::size_t n, std::uint32_t seed, int alphabet = 256) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& v : b) v = std::uint8_t(rng() % unsigned(alphabet));
  return b;
}

void ExpectRoundTrip(const Bytes& data) {
  const Bytes packed = test::CompressDwg2004(data);
  ASSERT_FALSE(packed.empty());
  Bytes out;
  ASSERT_TRUE(Expand(packed, out, std::uint32_t(data.size())));
  EXPECT_EQ(out, data);
  Bytes unchecked;
  ASSERT_TRUE(Expand(packed, unchecked));
  EXPECT_EQ(unchecked, data);
}

TEST(DwgDecompress2004, RoundTripsOfRandomAndRepetitiveData) {
  for (std::uint32_t seed = 1; seed <= 20; ++seed) {
    ExpectRoundTrip(RandomBytes(4 + seed * 37, seed));          // mostly literals
    ExpectRoundTrip(RandomBytes(3000 + seed * 11, seed, 3));     // short near matches, trailing literals
  }
  ExpectRoundTrip(Bytes(100000, 0x5A));                          // distance 0, long lengths
  Bytes text;
  for (int i = 0; i < 2000; ++i) {
    const Bytes word = RandomBytes(5 + i % 40, std::uint32_t(i % 90));
    text.insert(text.end(), word.begin(), word.end());
  }
  ExpectRoundTrip(text);                                          // middle distances, long matches
  // Far matches: a block repeated at distances past 0x3FFF and past 0x7FFF.
  for (std::size_t span : {std::size_t(0x5000), std::size_t(0x9000), std::size_t(0xBFFF)}) {
    Bytes far = RandomBytes(span, 7);
    const Bytes again(far.begin(), far.begin() + 3000);
    far.insert(far.end(), again.begin(), again.end());
    far.push_back(1);
    far.push_back(2);
    ExpectRoundTrip(far);
  }
}

TEST(DwgDecompress2004, LongLengthCountsZeroBytesAndStopsAtTheLimit) {
  const Bytes in = {0x00, 0x00, 0x07, 0x09};
  std::size_t p = 0;
  EXPECT_EQ(ReadDwgLongLength(in, p, in.size()), 255u + 255u + 7u);
  EXPECT_EQ(p, 3u);
  p = 0;
  EXPECT_EQ(ReadDwgLongLength(in, p, 2), 0u);
  EXPECT_EQ(p, 2u);
}

TEST(DwgDecompress2004, EndOpcodeWantsExactlyTwoBytesAfterIt) {
  Bytes out;
  EXPECT_FALSE(Expand({}, out));
  const Bytes head = {0x01, 'a', 'b', 'c', 'd'};  // run of 4
  Bytes one = head, two = head, three = head;
  one.insert(one.end(), {0x11, 0});
  two.insert(two.end(), {0x11, 0, 0});
  three.insert(three.end(), {0x11, 0, 0, 0});
  EXPECT_FALSE(Expand(one, out));
  EXPECT_FALSE(Expand(three, out));
  ASSERT_TRUE(Expand(two, out));
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'd'}));
  // The expected size must be met exactly.
  EXPECT_TRUE(Expand(two, out, 4));
  EXPECT_FALSE(Expand(two, out, 5));
  EXPECT_FALSE(Expand(two, out, 3));
  // A stream that runs out before its end opcode fails.
  EXPECT_FALSE(Expand(head, out));
}

TEST(DwgDecompress2004, LongLiteralRunOf533Bytes) {
  Bytes in = {0x00, 0x00, 0x00, 0x05};
  const Bytes literal = RandomBytes(533, 3);
  in.insert(in.end(), literal.begin(), literal.end());
  in.insert(in.end(), {0x11, 0, 0});
  Bytes out;
  ASSERT_TRUE(Expand(in, out, 533));
  EXPECT_EQ(out, literal);
  in.erase(in.begin() + 100);  // one literal short: the end opcode is taken as a literal
  EXPECT_FALSE(Expand(in, out));
}

TEST(DwgDecompress2004, BackReferenceForms) {
  Bytes out;
  // 0x41 0x00: 3 bytes from 1 back, then one trailing literal.
  ASSERT_TRUE(Expand({0x01, 'a', 'b', 'c', 'd', 0x41, 0x00, 'z', 0x11, 0, 0}, out));
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'd', 'd', 'd', 'd', 'z'}));
  // 0x20 with long length 2: 35 bytes; distance code 0 repeats the last byte.
  ASSERT_TRUE(Expand({0x01, 'a', 'b', 'c', 'd', 0x20, 0x02, 0x00, 0x00, 0x11, 0, 0}, out));
  EXPECT_EQ(out.size(), 4u + 35u);
  EXPECT_EQ(std::count(out.begin() + 4, out.end(), 'd'), 35);
  // 0x20 0x00 0x00 0x02: the long length goes on over zero bytes and takes
  // the distance bytes after it (255 + 2 + 33 bytes; b1, b2 run out).
  EXPECT_FALSE(Expand({0x01, 'a', 'b', 'c', 'd', 0x20, 0x00, 0x02, 0x11, 0, 0}, out));
  // Distance code 0, length 5 (opcode 0x23): the last byte five times.
  ASSERT_TRUE(Expand({0x01, 'a', 'b', 'c', 'd', 0x23, 0x00, 0x00, 0x11, 0, 0}, out));
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'd', 'd', 'd', 'd', 'd', 'd'}));
  // A distance code equal to the output length fails; one less copies from the start.
  EXPECT_FALSE(Expand({0x01, 'a', 'b', 'c', 'd', 0x41, 0x01, 0x11, 0, 0}, out));
  ASSERT_TRUE(Expand({0x01, 'a', 'b', 'c', 'd', 0x4C, 0x00, 0x11, 0, 0}, out));
  EXPECT_EQ(out, (Bytes{'a', 'b', 'c', 'd', 'a', 'b', 'c'}));
  // Trailing literals that are not there fail.
  EXPECT_FALSE(Expand({0x01, 'a', 'b', 'c', 'd', 0x43, 0x00, 'x'}, out));
}

TEST(DwgDecompress2004, OutputStaysWithinTheCap) {
  // A few bytes asking for about 255 * 4000 bytes.
  Bytes in = {0x01, 'a', 'b', 'c', 'd', 0x20};
  in.insert(in.end(), 4000, 0x00);
  in.insert(in.end(), {0x01, 0x00, 0x00, 0x11, 0, 0});
  Bytes out;
  EXPECT_TRUE(DecompressDwg2004(in, out, kDwgNoExpectedSize, 2'000'000));
  EXPECT_FALSE(DecompressDwg2004(in, out, kDwgNoExpectedSize, 1'000'000));
  EXPECT_LE(out.size(), 1'000'000u);
  EXPECT_FALSE(DecompressDwg2004(in, out, 100, kCap));
  EXPECT_LE(out.size(), 100u);
}

}  // namespace
}  // namespace kvn
