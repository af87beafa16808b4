#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

#include "foundation/DeflateWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/InflateReader.h"
#include "foundation/OutFileStream.h"
#include "foundation/StreamCrc.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

constexpr std::uint8_t kMarker = 0x5A;

std::vector<std::uint8_t> RandomBytes(std::size_t n, std::uint32_t seed) {
  std::vector<std::uint8_t> v(n);
  std::mt19937 rng(seed);
  for (auto& b : v) b = std::uint8_t(rng());
  return v;
}

std::vector<std::uint8_t> TextLike(std::size_t n) {
  static const char kWords[] = "LINE CIRCLE ARC LAYER 0 BYLAYER 10.5 20.25 ";
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(kWords[(i * 7 + i / 13) % (sizeof kWords - 1)]);
  return v;
}

// A prefix, the compressed data in the given mode, then one marker byte.
ByteArray Compress(const std::vector<std::uint8_t>& data, int mode, std::size_t prefix = 0, std::uint32_t chunk = 0) {
  ByteArray sink;
  auto out = OutFileStream::ToMemory(sink);
  for (std::size_t i = 0; i < prefix; ++i) out.Write("P", 1);
  {
    DeflateWriter deflater(&out, mode);
    EXPECT_TRUE(deflater.IsGood());
    std::size_t step = chunk ? chunk : std::max<std::size_t>(data.size(), 1);
    for (std::size_t at = 0; at < data.size(); at += step) {
      EXPECT_TRUE(deflater.Write(data.data() + at, std::uint32_t(std::min(step, data.size() - at))));
    }
    EXPECT_TRUE(deflater.Finish());
    EXPECT_FALSE(deflater.IsGood());
  }
  out.Write(&kMarker, 1);
  EXPECT_TRUE(out.Flush());
  return sink;
}

std::vector<std::uint8_t> Bytes(const ByteArray& a) { return {a.begin(), a.end()}; }

std::vector<std::uint8_t> RawDeflate(const std::vector<std::uint8_t>& data) {
  z_stream zs{};
  EXPECT_EQ(deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<std::uint8_t> out(deflateBound(&zs, uLong(data.size())) + 16);
  zs.next_in = const_cast<Bytef*>(data.data());
  zs.avail_in = uInt(data.size());
  zs.next_out = out.data();
  zs.avail_out = uInt(out.size());
  EXPECT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

TEST(StreamCrc, IsTheUnreflectedCrc32StartedAtCafeDead) {
  // With the start 0xFFFFFFFF this is the catalogued CRC-32/MPEG-2.
  EXPECT_EQ(UpdateStreamCrc(0xFFFFFFFF, "123456789", 9), 0x0376E6E7u);
  EXPECT_EQ(UpdateStreamCrc(kStreamCrcStart, nullptr, 0), 0xCAFEDEADu);
  std::uint32_t whole = UpdateStreamCrc(kStreamCrcStart, "abcdef", 6);
  EXPECT_EQ(UpdateStreamCrc(UpdateStreamCrc(kStreamCrcStart, "abc", 3), "def", 3), whole);

  // Eight bytes at a time must agree with one byte at a time, at every
  // length and split.
  std::vector<std::uint8_t> data(1000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 131 + 7);
  std::uint32_t bytewise = kStreamCrcStart;
  for (std::uint8_t b : data) bytewise = UpdateStreamCrc(bytewise, &b, 1);
  EXPECT_EQ(UpdateStreamCrc(kStreamCrcStart, data.data(), data.size()), bytewise);
  for (std::size_t split : {1u, 7u, 8u, 9u, 500u, 999u}) {
    std::uint32_t c = UpdateStreamCrc(kStreamCrcStart, data.data(), split);
    EXPECT_EQ(UpdateStreamCrc(c, data.data() + split, data.size() - split), bytewise);
  }
}

TEST(CompressedStream, AnEmptyStreamIsTheDeflateOfNothingAndTheStartValue) {
  ByteArray sink;
  {
    auto out = OutFileStream::ToMemory(sink);
    DeflateWriter deflater(&out, 1);
    EXPECT_TRUE(deflater.Finish());
    EXPECT_TRUE(deflater.Finish());  // once finished, it stays finished
  }
  std::vector<std::uint8_t> expected = RawDeflate({});
  expected.insert(expected.end(), {0xAD, 0xDE, 0xFE, 0xCA});
  EXPECT_EQ(Bytes(sink), expected);
}

TEST(CompressedStream, ModeZeroAddsAMarkerAndModeTwoIsAZlibStream) {
  auto data = TextLike(30000);
  ByteArray one = Compress(data, 1);
  ByteArray zero = Compress(data, 0);
  ASSERT_EQ(zero.Count(), one.Count() + 1);
  EXPECT_EQ(zero[0], 0x01);
  EXPECT_TRUE(std::equal(one.begin(), one.end(), zero.begin() + 1));

  ByteArray two = Compress(data, 2);
  ASSERT_GE(two.Count(), 3u);
  EXPECT_EQ(two[0], 0x78);  // deflate, 32 KiB window
  EXPECT_EQ((two[0] * 256 + two[1]) % 31, 0);
  std::vector<std::uint8_t> back(data.size());
  uLongf backLength = uLongf(back.size());
  uLong sourceLength = two.Count() - 1;  // without the marker
  ASSERT_EQ(uncompress2(back.data(), &backLength, two.Items(), &sourceLength), Z_OK);
  EXPECT_EQ(sourceLength, two.Count() - 1);  // no trailer after the zlib stream
  EXPECT_EQ(back, data);
}

TEST(CompressedStream, RoundTripsLeaveTheInputRightAfterTheTrailer) {
  for (std::size_t size : {0, 1, 8191, 8192, 8193, 100000}) {
    for (int kind = 0; kind < 2; ++kind) {
      SCOPED_TRACE(testing::Message() << size << (kind ? " compressible" : " random"));
      auto data = kind ? TextLike(size) : RandomBytes(size, std::uint32_t(size));
      for (std::size_t prefix : {std::size_t(0), std::size_t(8190)}) {
        ByteArray stream = Compress(data, 1, prefix, 3000);
        auto in = InFileStream::FromMemory(stream);
        ASSERT_TRUE(in.Seek(prefix));
        InflateReader reader(&in, 1);
        ASSERT_TRUE(reader.IsGood());
        std::vector<std::uint8_t> got;
        std::mt19937 rng(std::uint32_t(size + prefix));
        std::vector<std::uint8_t> buffer(20000);
        while (got.size() < data.size()) {
          std::uint32_t n = std::uint32_t(std::min<std::size_t>(1 + rng() % 12000, data.size() - got.size()));
          std::uint32_t r = rng() % 2 ? reader.Read(buffer.data(), n) : reader.ReadDirect(buffer.data(), n);
          ASSERT_EQ(r, n);
          got.insert(got.end(), buffer.begin(), buffer.begin() + r);
        }
        EXPECT_EQ(got, data);
        // A read past the data finds the end (if not found yet) and delivers nothing.
        if (!reader.Ended()) {
          EXPECT_EQ(reader.ReadDirect(buffer.data(), 1), 0u);
        }
        EXPECT_TRUE(reader.Ended());
        EXPECT_TRUE(reader.IsGood());
        EXPECT_EQ(in.ReadByte(), kMarker);
        EXPECT_TRUE(in.Eof());
        // Reading after the end is a fault of the caller.
        EXPECT_EQ(reader.Read(buffer.data(), 4), 0u);
        EXPECT_FALSE(reader.IsGood());
      }
    }
  }
}

TEST(CompressedStream, RoundTripThroughAFile) {
  test::ScratchDir dir;
  auto path = WString::FromUtf8((dir / "z.bin").string());
  auto data = TextLike(50000);
  {
    OutFileStream out(path);
    DeflateWriter deflater(&out, 1);
    ASSERT_TRUE(deflater.Write(data.data(), std::uint32_t(data.size())));
    // The destructor finishes the stream.
  }
  InFileStream in(path);
  InflateReader reader(&in, 1);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_EQ(reader.Read(got.data(), std::uint32_t(got.size())), data.size());
  EXPECT_EQ(got, data);
  EXPECT_TRUE(reader.Ended());
  EXPECT_TRUE(in.Eof());
}

TEST(CompressedStream, AWrongTrailerMakesTheReaderNotGood) {
  auto data = TextLike(1000);
  ByteArray stream = Compress(data, 1);
  stream[stream.Count() - 3] ^= 0x01;  // the trailer's last byte, before the marker
  std::vector<std::uint8_t> buffer(2000);
  {
    // Meeting the end inside the read: nothing is delivered.
    auto in = InFileStream::FromMemory(stream);
    InflateReader reader(&in, 1);
    EXPECT_EQ(reader.Read(buffer.data(), 2000), 0u);
    EXPECT_FALSE(reader.IsGood());
    EXPECT_EQ(reader.Read(buffer.data(), 1), 0u);
  }
  {
    // Meeting it while inflating ahead keeps what the read delivered. That
    // happens when the end code lies past the input block the data came
    // from, so slide the stream across a block boundary until it does.
    int metAhead = 0;
    const std::size_t length = stream.Count() - 1;  // deflate data and trailer
    for (std::size_t prefix = 8192 - length; prefix <= 8192 - length + 8; ++prefix) {
      ByteArray shifted = Compress(data, 1, prefix);
      shifted[shifted.Count() - 3] ^= 0x01;
      auto in = InFileStream::FromMemory(shifted);
      ASSERT_TRUE(in.Seek(prefix));
      InflateReader reader(&in, 1);
      std::uint32_t r = reader.Read(buffer.data(), 1000);
      EXPECT_TRUE(r == 0 || r == 1000) << r;
      metAhead += r == 1000;
      EXPECT_FALSE(reader.IsGood());
      EXPECT_EQ(reader.Read(buffer.data(), 1), 0u);
    }
    EXPECT_GT(metAhead, 0);
  }
  {
    // A look-ahead byte delivered first is all a failing read returns.
    auto in = InFileStream::FromMemory(stream);
    InflateReader reader(&in, 1);
    EXPECT_EQ(reader.Read(buffer.data(), 500), 500u);
    EXPECT_TRUE(reader.IsGood());
    EXPECT_EQ(reader.Read(buffer.data(), 1000), 1u);
    EXPECT_EQ(buffer[0], data[500]);
    EXPECT_FALSE(reader.IsGood());
  }
}

TEST(CompressedStream, TruncatedOrDamagedInputMakesTheReaderNotGood) {
  auto data = RandomBytes(30000, 5);
  ByteArray whole = Compress(data, 1);
  std::vector<std::uint8_t> buffer(40000);
  // Cut inside the data, halfway, and inside the trailer.
  for (std::uint32_t cut : {100u, whole.Count() / 2, whole.Count() - 4, whole.Count() - 2}) {
    SCOPED_TRACE(cut);
    ByteArray part;
    part.AppendBytes(whole.Items(), cut);
    auto in = InFileStream::FromMemory(part);
    InflateReader reader(&in, 1);
    std::uint32_t r = reader.Read(buffer.data(), 40000);
    EXPECT_EQ(r, 0u);
    EXPECT_FALSE(reader.IsGood());
    EXPECT_FALSE(reader.Ended());
  }
  // Garbage never crashes nor hangs: every read ends in bytes or failure.
  for (std::uint32_t seed = 0; seed < 50; ++seed) {
    auto noise = RandomBytes(5000, seed + 100);
    ByteArray bytes;
    bytes.AppendBytes(noise.data(), std::int64_t(noise.size()));
    auto in = InFileStream::FromMemory(bytes);
    InflateReader reader(&in, 1);
    for (int i = 0; i < 100 && reader.IsGood(); ++i) {
      std::uint32_t r = reader.Read(buffer.data(), 1000);
      ASSERT_LE(r, 1000u);
    }
    EXPECT_FALSE(reader.Ended());
  }
}

TEST(CompressedStream, OnlyModeOneCanBeReadAndOnlyBufferedStreamsServe) {
  ByteArray stream = Compress(TextLike(100), 1);
  std::uint8_t buffer[100];
  for (int mode : {0, 2, 3}) {
    auto in = InFileStream::FromMemory(stream);
    InflateReader reader(&in, mode);
    EXPECT_FALSE(reader.IsGood());
    EXPECT_EQ(reader.Read(buffer, 100), 0u);
  }
  auto unbuffered = InFileStream::FromMemory(stream, true);
  InflateReader reader(&unbuffered, 1);
  EXPECT_EQ(reader.Read(buffer, 100), 0u);
  EXPECT_FALSE(reader.IsGood());

  ByteArray sink;
  auto out = OutFileStream::ToMemory(sink, false);
  DeflateWriter deflater(&out, 1);
  EXPECT_FALSE(deflater.Write(buffer, 100));
  EXPECT_FALSE(deflater.IsGood());
  EXPECT_FALSE(deflater.Finish());
}

TEST(CompressedStream, AFailingOutputMakesTheWriterNotGood) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  OutFileStream out(WString(u"/dev/full"));
  DeflateWriter deflater(&out, 1);
  auto data = RandomBytes(100000, 9);
  bool ok = deflater.Write(data.data(), std::uint32_t(data.size()));
  EXPECT_FALSE(ok);
  EXPECT_FALSE(deflater.IsGood());
  EXPECT_FALSE(deflater.Finish());
}

}  // namespace
}  // namespace kvn
