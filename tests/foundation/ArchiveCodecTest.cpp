#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <variant>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "foundation/InFileStream.h"
#include "foundation/OutFileStream.h"
#include "foundation/WString.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// "01 0010 ..." -> bytes, most significant bit first, zero-padded.
std::vector<std::uint8_t> Bits(const std::string& text) {
  std::vector<std::uint8_t> out;
  int n = 0;
  for (char c : text) {
    if (c != '0' && c != '1') continue;
    if (n % 8 == 0) out.push_back(0);
    if (c == '1') out.back() |= std::uint8_t(0x80 >> (n % 8));
    ++n;
  }
  return out;
}

std::vector<std::uint8_t> Bytes(const ByteArray& a) { return {a.begin(), a.end()}; }

std::vector<std::uint8_t> Written(const std::function<void(ArchiveWriter&)>& write) {
  ByteArray sink;
  {
    ArchiveWriter w(&sink);
    write(w);
  }
  return Bytes(sink);
}

// A reader over bytes held in memory.
ByteArray ToByteArray(const std::vector<std::uint8_t>& bytes) {
  ByteArray a;
  a.AppendBytes(bytes.data(), std::int64_t(bytes.size()));
  return a;
}

struct MemoryReader {
  explicit MemoryReader(const std::vector<std::uint8_t>& bytes) : data(ToByteArray(bytes)) {}
  ByteArray data;  // filled before the stream takes its size
  InFileStream in{WString(), true, &data};
  ArchiveReader r{&in};
};

TEST(ArchiveGolden, CompactIntegersUseTheirOwnThresholds) {
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU32(255); }), Bits("10 11111111 00000000"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU32(254); }), Bits("01 11111110"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU32(65535); }),
            Bits("11 11111111 11111111 00000000 00000000"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU32(7); }), Bits("00 0111"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU16(0); }), Bits("00"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU16(255); }), Bits("10 11111111"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactU16(256); }), Bits("11 00000000 00000001"));
}

TEST(ArchiveGolden, Reals) {
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactDouble(1.0); }), Bits("01 11110000 00111111"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteCompactDouble(-0.0); }), Bits("00"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteReal(0.5); }),
            Bits("0 00000000 00000000 11100000 00111111"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteRealOrUnit(1.0); }), Bits("01"));
  // 0.1 has low bits set: bit 1 and all eight bytes.
  auto tenth = Written([](ArchiveWriter& w) { w.WriteReal(0.1); });
  EXPECT_EQ(tenth.size(), 9u);
  EXPECT_EQ(tenth[0] >> 7, 1);
}

TEST(ArchiveGolden, StringsAndColoursAndBits) {
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteString(WString(u"A\u00E9")); }),
            Bits("01 0010  01000001  1 11101001 00000000"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteColor(0x00332211); }), Bits("11 00010001 00100010 00110011"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteColor(0x0000FF); }), Bits("10 1010"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteColor(0x80123456); }), Bits("01"));
  EXPECT_EQ(Written([](ArchiveWriter& w) {
              w.monochrome = 1;
              w.WriteColor(0x0000FF);  // forced to black, written through the palette
              w.WriteColor(0xFFFFFF);
            }),
            Bits("10 0000 10 1000"));
  EXPECT_EQ(Written([](ArchiveWriter& w) { w.WriteBit(true); }), std::vector<std::uint8_t>{0x80});
  EXPECT_EQ(Written([](ArchiveWriter& w) {
              w.WriteSmallByte(1);
              w.WriteSmallByte(9);
              w.WriteSmallByte(200);
              w.WriteOptionalByte(0);
            }),
            Bits("0 1  10 1001  11 11001000  0"));
}

TEST(ArchiveGolden, ColourReadsBackLosingTheHighByte) {
  auto bytes = Written([](ArchiveWriter& w) {
    w.WriteColor(0x7F332211);
    w.WriteColor(0x80FFFFFF);
    w.WriteColor(0);
  });
  MemoryReader m(bytes);
  EXPECT_EQ(m.r.ReadColor(), 0x00332211u);
  EXPECT_EQ(m.r.ReadColor(), 0x80000000u);
  EXPECT_EQ(m.r.ReadColor(), 0u);
}

TEST(ArchiveGolden, ChecksumRotatesAfterXorWithBytePlusOne) {
  ByteArray sink;
  ArchiveWriter w(&sink);
  w.checksumOn = true;
  w.WriteByte(0x00);  // 0 ^ 1 = 1 -> 2
  w.WriteByte(0xFF);  // 2 ^ 0x100 = 0x102 -> 0x204
  EXPECT_EQ(w.Finish(), 0x204u);

  MemoryReader m(Bytes(sink));
  m.r.checksumOn = true;
  m.r.ReadByte();
  m.r.ReadByte();
  EXPECT_EQ(m.r.TakeChecksum(), 0x204u);
}

TEST(ArchiveLegacyReals, FortyBitValues) {
  const std::uint8_t half[5] = {0, 0, 0, 0, 0x02};   // E = 0, F = 2^33
  const std::uint8_t one[5] = {0, 0, 0, 0, 0x04};    // E = 1, F = 0
  const std::uint8_t mone[5] = {0, 0, 0, 0, 0x84};   // sign set
  const std::uint8_t three[5] = {0, 0, 0, 0, 0x0A};  // E = 2, F = 2^33: 1.5 x 2
  const std::uint8_t mhalf[5] = {0, 0, 0, 0, 0x82};  // E = 0, sign set
  EXPECT_EQ(LegacyRealToDouble(half), 0.5);
  EXPECT_EQ(LegacyRealToDouble(one), 1.0);
  EXPECT_EQ(LegacyRealToDouble(mone), -1.0);
  EXPECT_EQ(LegacyRealToDouble(three), 3.0);
  EXPECT_EQ(LegacyRealToDouble(mhalf), -0.5);

  // Through the reader: short form carries bytes 2..4, compact form 3..4.
  MemoryReader m(Bits("0 00000000 00000000 00000100  01 00000000 00001010  1 00000000 00000000 00000000 00000000 "
                      "00000010"));
  m.r.realFormat = 0;
  EXPECT_EQ(m.r.ReadReal(), 1.0);
  EXPECT_EQ(m.r.ReadCompactDouble(), 3.0);
  EXPECT_EQ(m.r.ReadReal(), 0.5);
  EXPECT_FALSE(m.r.HasError());
}

// One value of every encoding, written and read back at random bit offsets.
using Value = std::variant<bool, std::uint8_t, std::uint16_t, std::uint32_t, double, std::u16string>;
enum class Kind {
  Bit, Bits5, Byte, Raw16, Raw32, Double, Real, CompactDouble, RealOrUnit, DeltaValue, SmallByte,
  OptionalByte, CompactU16, CompactU32, Color, String, Bytes3, kCount
};

double RandomDouble(std::mt19937_64& rng) {
  switch (rng() % 6) {
    case 0: return 0.0;
    case 1: return 1.0;
    case 2: return double(std::int32_t(rng()));                       // low bits zero
    case 3: return std::bit_cast<double>(rng() & ~0xFFFFFFFFFFFFull);  // compact middle form
    case 4: return std::ldexp(double(rng() % 1000000), -int(rng() % 40));
    default: {
      double d = std::bit_cast<double>(rng());
      return std::isnan(d) ? 2.5 : d;
    }
  }
}

TEST(ArchiveRoundTrip, EveryEncodingAtRandomBitOffsets) {
  std::mt19937_64 rng(20261206);
  for (int round = 0; round < 200; ++round) {
    struct Op {
      Kind kind;
      Value value;
    };
    std::vector<Op> ops;
    int lead = int(rng() % 8);
    for (int i = 0; i < 60; ++i) {
      Kind k = Kind(rng() % unsigned(Kind::kCount));
      Value v;
      switch (k) {
        case Kind::Bit: v = bool(rng() & 1); break;
        case Kind::Bits5: v = std::uint8_t(rng() % 32); break;
        case Kind::Byte:
        case Kind::OptionalByte: v = std::uint8_t(rng() % 3 == 0 ? 0 : rng()); break;
        case Kind::SmallByte: v = std::uint8_t(rng() % 3 == 0 ? rng() % 17 : rng()); break;
        case Kind::Raw16: v = std::uint16_t(rng()); break;
        case Kind::CompactU16: v = std::uint16_t(rng() % 2 ? rng() % 300 : rng()); break;
        case Kind::Raw32: v = std::uint32_t(rng()); break;
        case Kind::CompactU32: {
          static const std::uint32_t edges[] = {0, 15, 16, 254, 255, 65534, 65535, 0xFFFFFFFF};
          v = std::uint32_t(rng() % 2 ? edges[rng() % 8] : std::uint32_t(rng()));
          break;
        }
        case Kind::Color: {
          std::uint32_t c = std::uint32_t(rng()) & 0x00FFFFFF;
          if (rng() % 3 == 0) c = 0x808080;
          if (rng() % 5 == 0) c = 0x80000000;
          v = c;
          break;
        }
        case Kind::String: {
          std::u16string s;
          int len = int(rng() % 12);
          for (int j = 0; j < len; ++j) s.push_back(char16_t(rng() % 2 ? rng() % 128 : rng()));
          v = s;
          break;
        }
        case Kind::Bytes3: v = std::uint32_t(rng()) & 0xFFFFFF; break;
        default: v = RandomDouble(rng); break;
      }
      ops.push_back({k, v});
    }

    ByteArray sink;
    {
      ArchiveWriter w(&sink);
      w.WriteBits(0, unsigned(lead));
      double prev = 0;
      for (const Op& op : ops) {
        switch (op.kind) {
          case Kind::Bit: w.WriteBit(std::get<bool>(op.value)); break;
          case Kind::Bits5: w.WriteBits(std::get<std::uint8_t>(op.value), 5); break;
          case Kind::Byte: w.WriteByte(std::get<std::uint8_t>(op.value)); break;
          case Kind::OptionalByte: w.WriteOptionalByte(std::get<std::uint8_t>(op.value)); break;
          case Kind::SmallByte: w.WriteSmallByte(std::get<std::uint8_t>(op.value)); break;
          case Kind::Raw16: w.WriteUInt16(std::get<std::uint16_t>(op.value)); break;
          case Kind::CompactU16: w.WriteCompactU16(std::get<std::uint16_t>(op.value)); break;
          case Kind::Raw32: w.WriteRaw32(std::get<std::uint32_t>(op.value)); break;
          case Kind::CompactU32: w.WriteCompactU32(std::get<std::uint32_t>(op.value)); break;
          case Kind::Color: w.WriteColor(std::get<std::uint32_t>(op.value)); break;
          case Kind::String: w.WriteString(WString(std::u16string_view(std::get<std::u16string>(op.value)))); break;
          case Kind::Bytes3: {
            std::uint32_t v = std::get<std::uint32_t>(op.value);
            w.Write(&v, 3);
            break;
          }
          case Kind::Double: w.WriteDouble(std::get<double>(op.value)); break;
          case Kind::Real: w.WriteReal(std::get<double>(op.value)); break;
          case Kind::CompactDouble: w.WriteCompactDouble(std::get<double>(op.value)); break;
          case Kind::RealOrUnit: w.WriteRealOrUnit(std::get<double>(op.value)); break;
          case Kind::DeltaValue:
            w.WriteDeltaValue(std::get<double>(op.value), prev);
            prev = std::get<double>(op.value);
            break;
          default: break;
        }
      }
    }

    MemoryReader m(Bytes(sink));
    ArchiveReader& r = m.r;
    r.ReadBits(unsigned(lead));
    double prev = 0;
    for (std::size_t i = 0; i < ops.size(); ++i) {
      const Op& op = ops[i];
      SCOPED_TRACE("round " + std::to_string(round) + " op " + std::to_string(i) + " kind " +
                   std::to_string(int(op.kind)));
      switch (op.kind) {
        case Kind::Bit: EXPECT_EQ(r.ReadBit(), std::get<bool>(op.value)); break;
        case Kind::Bits5: EXPECT_EQ(r.ReadBits(5), std::get<std::uint8_t>(op.value)); break;
        case Kind::Byte: EXPECT_EQ(r.ReadByte(), std::get<std::uint8_t>(op.value)); break;
        case Kind::OptionalByte: EXPECT_EQ(r.ReadOptionalByte(), std::get<std::uint8_t>(op.value)); break;
        case Kind::SmallByte: EXPECT_EQ(r.ReadSmallByte(), std::get<std::uint8_t>(op.value)); break;
        case Kind::Raw16: EXPECT_EQ(r.ReadUInt16(), std::get<std::uint16_t>(op.value)); break;
        case Kind::CompactU16: EXPECT_EQ(r.ReadCompactU16(), std::get<std::uint16_t>(op.value)); break;
        case Kind::Raw32: EXPECT_EQ(r.ReadRaw32(), std::get<std::uint32_t>(op.value)); break;
        case Kind::CompactU32: EXPECT_EQ(r.ReadCompactU32(), std::get<std::uint32_t>(op.value)); break;
        case Kind::Color: EXPECT_EQ(r.ReadColor(), std::get<std::uint32_t>(op.value)); break;
        case Kind::String: {
          WString s;
          EXPECT_TRUE(r.ReadString(s, false));
          EXPECT_TRUE(s.View() == std::get<std::u16string>(op.value));
          break;
        }
        case Kind::Bytes3: {
          std::uint32_t v = 0;
          EXPECT_EQ(r.Read(&v, 3), 3u);
          EXPECT_EQ(v, std::get<std::uint32_t>(op.value));
          break;
        }
        case Kind::Double: EXPECT_EQ(std::bit_cast<std::uint64_t>(r.ReadDouble()),
                                     std::bit_cast<std::uint64_t>(std::get<double>(op.value))); break;
        case Kind::Real: EXPECT_EQ(std::bit_cast<std::uint64_t>(r.ReadReal()),
                                   std::bit_cast<std::uint64_t>(std::get<double>(op.value))); break;
        case Kind::CompactDouble: EXPECT_EQ(r.ReadCompactDouble(), std::get<double>(op.value)); break;
        case Kind::RealOrUnit: EXPECT_EQ(r.ReadRealOrUnit(), std::get<double>(op.value)); break;
        case Kind::DeltaValue: {
          double v = r.ReadDeltaValue(prev);
          EXPECT_EQ(v, std::get<double>(op.value));
          prev = v;
          break;
        }
        default: break;
      }
    }
    EXPECT_FALSE(r.HasError());
  }
}

TEST(ArchiveRoundTrip, PointsInEveryForm) {
  const DPoint a{1.0, 0.0}, b{-2.25, 1e300}, prev{-2.25, 7};
  auto bytes = Written([&](ArchiveWriter& w) {
    w.WriteBit(true);
    w.WriteCompactPoint(a);
    w.WriteUnitPoint(a);
    w.WriteRealPoint(b);
    w.WriteDeltaPoint(b, prev);
  });
  MemoryReader m(bytes);
  m.r.ReadBit();
  EXPECT_EQ(m.r.ReadCompactPoint(), a);
  EXPECT_EQ(m.r.ReadUnitPoint(), a);
  EXPECT_EQ(m.r.ReadRealPoint(), b);
  EXPECT_EQ(m.r.ReadDeltaPoint(prev), b);
  // x equal to the previous costs one bit.
  EXPECT_EQ(Written([&](ArchiveWriter& w) { w.WriteDeltaPoint(prev, prev); }), Bits("00"));
}

TEST(ArchiveErrors, BitsPastTheEndAreZerosWithoutError) {
  MemoryReader m({0xFF});
  EXPECT_EQ(m.r.ReadBits(8), 0xFFu);
  EXPECT_EQ(m.r.ReadBits(8), 0u);
  EXPECT_EQ(m.r.ReadCompactU32(), 0u);
  EXPECT_FALSE(m.r.HasError());
  EXPECT_TRUE(m.r.AtEnd());
}

TEST(ArchiveErrors, ShortByteReadSetsStickyErrorAndZeroFills) {
  MemoryReader m({0x12, 0x34, 0x56});
  std::uint8_t buf[8];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(m.r.Read(buf, 8), 0u);
  EXPECT_TRUE(m.r.HasError());
  for (std::uint8_t b : buf) EXPECT_EQ(b, 0);
  // Sticky: even data that is there reads as nothing now.
  MemoryReader n({0x12, 0x34});
  n.r.SetError();
  EXPECT_EQ(n.r.ReadUInt16(), 0u);
  EXPECT_EQ(n.r.ReadByte(), 0u);
  WString s(u"keep");
  EXPECT_FALSE(n.r.ReadString(s, false));
  EXPECT_TRUE(s.IsEmpty());
}

TEST(ArchiveErrors, UnalignedShortReadDeliversWhatCame) {
  MemoryReader m({0x0F, 0xF0, 0x0F});
  m.r.ReadBits(4);
  std::uint8_t buf[4] = {9, 9, 9, 9};
  EXPECT_EQ(m.r.Read(buf, 4), 2u);
  EXPECT_EQ(buf[0], 0xFF);
  EXPECT_EQ(buf[1], 0x00);
  EXPECT_EQ(buf[2], 0);
  EXPECT_EQ(buf[3], 0);
  EXPECT_TRUE(m.r.HasError());
}

TEST(ArchiveErrors, ByteAndNumberCutByTheEndSetTheErrorAndReadAsZero) {
  // A byte whose bits the input only half holds.
  MemoryReader half({0x0F});
  half.r.ReadBits(4);
  EXPECT_EQ(half.r.ReadByte(), 0u);
  EXPECT_TRUE(half.r.HasError());
  // A byte past the end, aligned.
  MemoryReader none({0x5A});
  EXPECT_EQ(none.r.ReadByte(), 0x5Au);
  EXPECT_FALSE(none.r.HasError());
  EXPECT_EQ(none.r.ReadByte(), 0u);
  EXPECT_TRUE(none.r.HasError());
  // Numbers: zero, never the bytes before the cut.
  MemoryReader word({0x0F, 0xF0, 0x0F});
  word.r.ReadBits(4);
  EXPECT_EQ(word.r.ReadRaw32(), 0u);
  EXPECT_TRUE(word.r.HasError());
  auto real = Written([](ArchiveWriter& w) { w.WriteCompactDouble(1234.5678); });
  for (std::size_t n = 1; n < real.size(); ++n) {
    MemoryReader cut(std::vector<std::uint8_t>(real.begin(), real.begin() + std::ptrdiff_t(n)));
    EXPECT_EQ(cut.r.ReadCompactDouble(), 0.0) << n;
    EXPECT_TRUE(cut.r.HasError()) << n;
  }
  auto color = Written([](ArchiveWriter& w) { w.WriteColor(0x123456); });
  color.pop_back();
  MemoryReader rgb(color);
  EXPECT_EQ(rgb.r.ReadColor(), 0u);
  EXPECT_TRUE(rgb.r.HasError());
}

TEST(ArchiveErrors, LongStringLongerThanTheFileIsRefused) {
  // Long-form length 1000 (compact u32: 10 + 2 bytes), then only 3 bytes.
  auto bytes = Bits("10 11101000 00000011 01000001 01000010 01000011");
  MemoryReader m(bytes);
  WString s(u"x");
  EXPECT_FALSE(m.r.ReadString(s, true));
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_TRUE(m.r.HasError());
}

TEST(ArchiveErrors, StringCutShortGivesEmpty) {
  auto bytes = Written([](ArchiveWriter& w) { w.WriteString(WString(u"ABCDEFGH")); });
  bytes.resize(4);
  MemoryReader m(bytes);
  WString s;
  EXPECT_FALSE(m.r.ReadString(s, false));
  EXPECT_TRUE(s.IsEmpty());
  EXPECT_TRUE(m.r.HasError());
}

TEST(ArchiveAlloc, ReadAllocAndVector) {
  std::vector<std::uint8_t> data(2'500'000);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = std::uint8_t(i * 7);
  MemoryReader m(data);
  auto block = m.r.ReadAlloc(data.size());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::memcmp(block.get(), data.data(), data.size()), 0);

  MemoryReader z({1, 2});
  EXPECT_NE(z.r.ReadAlloc(0), nullptr);

  // A corrupt length far beyond the data: null, error flag, nothing huge made.
  MemoryReader c(std::vector<std::uint8_t>(1000, 5));
  std::uint64_t before = GetPeakAllocatedBytes();
  EXPECT_EQ(c.r.ReadAlloc(3'000'000'000ull), nullptr);
  EXPECT_TRUE(c.r.HasError());
  EXPECT_LT(GetPeakAllocatedBytes() - before, 10'000'000u);

  MemoryReader v(data);
  std::vector<std::uint8_t> out;
  EXPECT_TRUE(v.r.ReadIntoVector(out, 1'000'001));
  EXPECT_EQ(out.size(), 1'000'001u);
  EXPECT_FALSE(v.r.ReadIntoVector(out, 5'000'000));
  EXPECT_TRUE(out.empty());
}

TEST(ArchiveReader, SkipAndSeek) {
  MemoryReader m({1, 2, 3, 4, 5});
  m.r.SkipBytes(2);
  EXPECT_EQ(m.r.ReadByte(), 3);
  EXPECT_TRUE(m.r.SeekFromStart(1));
  EXPECT_EQ(m.r.ReadByte(), 2);
  m.r.SkipBytes(100);
  EXPECT_TRUE(m.r.HasError());
}

TEST(ArchiveReader, CanReadChecksTheFileAndFlagsTheError) {
  MemoryReader m(std::vector<std::uint8_t>(100, 0));
  EXPECT_TRUE(m.r.CanRead(25, 4));
  EXPECT_FALSE(m.r.HasError());
  EXPECT_FALSE(m.r.CanRead(26, 4));
  EXPECT_TRUE(m.r.HasError());
  EXPECT_FALSE(m.r.CanRead(0, 1));
}

// A file whose body runs through the deflate sub-stream with the checksum on,
// ended by the checksum word, as the native container stores it.
TEST(ArchiveSubStream, CompressedChecksummedBodyEndToEnd) {
  test::ScratchDir dir;
  WString path = WString::FromUtf8((dir / "body.bin").string());
  std::uint32_t written;
  {
    OutFileStream out(path);
    ArchiveWriter w(&out);
    w.WriteString(WString(u"header"));
    w.Flush();
    w.checksumOn = true;
    w.WriteByte(1);  // compression marker
    w.BeginDeflate();
    for (int i = 0; i < 20000; ++i) {
      w.WriteCompactU32(std::uint32_t(i * 37));
      w.WriteCompactDouble(i * 0.25);
      w.WriteColor(std::uint32_t(i) & 0xFFFFFF);
    }
    w.WriteString(WString(u"Příliš žluťoučký kůň"));
    written = w.Finish();
    w.checksumOn = false;
    w.WriteRaw32(written);
    w.WriteByte(0xA5);  // something after the body
  }
  InFileStream in(path);
  ASSERT_TRUE(in.IsOpen());
  ArchiveReader r(&in);
  WString s;
  ASSERT_TRUE(r.ReadString(s, false));
  EXPECT_TRUE(s.View() == u"header");
  r.TakeChecksum();  // drops the pad bits, as the writer's flush made them
  r.checksumOn = true;
  EXPECT_EQ(r.ReadByte(), 1);
  r.BeginInflate(1);
  for (int i = 0; i < 20000; ++i) {
    ASSERT_EQ(r.ReadCompactU32(), std::uint32_t(i * 37));
    ASSERT_EQ(r.ReadCompactDouble(), i * 0.25);
    ASSERT_EQ(r.ReadColor(), std::uint32_t(i) & 0xFFFFFF);
  }
  ASSERT_TRUE(r.ReadString(s, false));
  EXPECT_TRUE(s.View() == u"Příliš žluťoučký kůň");
  std::uint32_t stored = r.EndSubStreamAndReadWord();
  EXPECT_EQ(stored, written);
  EXPECT_EQ(r.TakeChecksum(), written);
  EXPECT_EQ(r.ReadByte(), 0xA5);
  EXPECT_FALSE(r.HasError());
}

TEST(ArchiveSubStream, SubStreamEndingInsideAFieldFlagsAndZeroFills) {
  test::ScratchDir dir;
  WString path = WString::FromUtf8((dir / "short.bin").string());
  {
    OutFileStream out(path);
    ArchiveWriter w(&out);
    w.BeginDeflate();
    w.WriteByte(0x11);
    w.WriteByte(0x22);
  }
  InFileStream in(path);
  ArchiveReader r(&in);
  r.BeginInflate(1);
  std::uint8_t buf[6];
  std::memset(buf, 0xEE, sizeof buf);
  EXPECT_EQ(r.Read(buf, 6), 0u);
  EXPECT_TRUE(r.HasError());
  for (std::uint8_t b : buf) EXPECT_EQ(b, 0);
}

TEST(ArchiveSubStream, CorruptCountInsideCompressedDataIsRefused) {
  test::ScratchDir dir;
  WString path = WString::FromUtf8((dir / "count.bin").string());
  {
    OutFileStream out(path);
    ArchiveWriter w(&out);
    w.BeginDeflate();
    w.WriteCompactU32(0xFFFFFFF0);
  }
  InFileStream in(path);
  ArchiveReader r(&in);
  r.BeginInflate(1);
  std::uint32_t n = r.ReadCompactU32();
  EXPECT_FALSE(r.CanRead(n, 64));  // far more than a few compressed bytes can hold
  EXPECT_TRUE(r.HasError());
}

}  // namespace
}  // namespace kvn
