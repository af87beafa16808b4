#include <gtest/gtest.h>

#include <cstring>

#include "dwg/objects/DwgCrc.h"
#include "tests/dwg/DwgTestSupport.h"

namespace kvn {
namespace {

using test::BitReader;
using test::DwgBitWriter;

TEST(DwgCrcTest, TableAndKnownValue) {
  std::uint16_t crc = 0;
  Crc16Step(crc, 1);
  EXPECT_EQ(crc, 0xC0C1);
  // CRC-16/ARC of "123456789" is 0xBB3D.
  const char* digits = "123456789";
  EXPECT_EQ(Crc16(0, reinterpret_cast<const std::uint8_t*>(digits), 9), 0xBB3D);
}

TEST(DwgCrcTest, RunsOfEveryLengthMatchTheByteSteps) {
  // Runs fold eight bytes at a time: every length and seed must give what
  // the steps one byte at a time give.
  std::uint8_t bytes[40];
  for (int i = 0; i < 40; ++i) bytes[i] = std::uint8_t(i * 37 + 11);
  for (std::uint16_t seed : {std::uint16_t(0), kDwgCrcSeed, std::uint16_t(0xFFFF), std::uint16_t(0x1234)}) {
    for (std::size_t n = 0; n <= 40; ++n) {
      std::uint16_t stepped = seed;
      for (std::size_t i = 0; i < n; ++i) Crc16Step(stepped, bytes[i]);
      EXPECT_EQ(Crc16(seed, bytes, n), stepped) << "seed " << seed << ", " << n << " bytes";
    }
  }
}

TEST(DwgBitStreamTest, BitsAreTakenHighFirstAndRawValuesCrossBytes) {
  DwgBitWriter w;
  w.B(1);
  w.RC(0xA5);
  w.RS(0x1234);
  w.RL(0xDEADBEEF);
  w.RD(-2.25);
  BitReader r(w);
  EXPECT_EQ(r.reader.ReadBit(), 1);
  EXPECT_EQ(r.reader.ReadRawChar(), 0xA5);
  EXPECT_EQ(r.reader.ReadRawShort(), 0x1234);
  EXPECT_EQ(r.reader.ReadRawLong(), 0xDEADBEEFu);
  EXPECT_EQ(r.reader.ReadRawDouble(), -2.25);
  EXPECT_EQ(r.reader.BitsCounted(), 1u + 8 + 16 + 32 + 64);
  EXPECT_FALSE(r.reader.Overrun());
}

TEST(DwgBitStreamTest, BitShortLongDoubleCodes) {
  DwgBitWriter w;
  w.BB(3);  // BS 11: 256, nothing more
  w.BB(3);  // BL 11: 0
  w.BB(3);  // BD 11: 0.0
  w.BB(2);  // BS 10: 0
  w.BB(1);
  w.RC(0xFE);  // BS 01: unsigned byte
  w.BB(1);  // BD 01: 1.0
  w.BB(0);
  w.RS(0x8001);  // BS 00
  w.BB(1);
  w.RC(200);  // BL 01
  w.Bits(3, 3);  // BLL, 3 bytes
  w.RC(1);
  w.RC(2);
  w.RC(3);
  w.Bits(6, 3);  // BLL, 6 bytes: only the first four count
  for (int i = 1; i <= 6; ++i) w.RC(std::uint8_t(i));
  w.RC(0x77);
  BitReader r(w);
  DwgReader& d = r.reader;
  EXPECT_EQ(d.ReadBitShort(), 256);
  EXPECT_EQ(d.ReadBitLong(), 0u);
  EXPECT_EQ(d.ReadBitDouble(), 0.0);
  EXPECT_EQ(d.ReadBitShort(), 0);
  EXPECT_EQ(d.ReadBitShort(), 0xFE);
  EXPECT_EQ(d.ReadBitDouble(), 1.0);
  EXPECT_EQ(d.ReadBitShort(), 0x8001);
  EXPECT_EQ(d.ReadBitLong(), 200u);
  EXPECT_EQ(d.ReadBitLongLong(), 0x030201u);
  EXPECT_EQ(d.ReadBitLongLong(), 0x04030201u);
  EXPECT_EQ(d.ReadRawChar(), 0x77);
}

TEST(DwgBitStreamTest, DefaultDoubleForms) {
  const double def = 123456.789;
  std::uint8_t defBytes[8];
  std::memcpy(defBytes, &def, 8);
  DwgBitWriter w;
  w.BB(0);  // the default
  w.BB(1);  // bytes 0-3 replaced
  for (int i = 0; i < 4; ++i) w.RC(std::uint8_t(0x10 + i));
  w.BB(2);  // bytes 4-5, then 0-3 replaced
  w.RC(0xAA);
  w.RC(0xBB);
  for (int i = 0; i < 4; ++i) w.RC(std::uint8_t(0x20 + i));
  w.BB(3);
  w.RD(7.5);
  BitReader r(w);
  EXPECT_EQ(r.reader.ReadDefaultDouble(def), def);
  double one = r.reader.ReadDefaultDouble(def);
  std::uint8_t b[8];
  std::memcpy(b, &one, 8);
  EXPECT_EQ(b[0], 0x10);
  EXPECT_EQ(b[3], 0x13);
  EXPECT_EQ(b[4], defBytes[4]);
  double two = r.reader.ReadDefaultDouble(def);
  std::memcpy(b, &two, 8);
  EXPECT_EQ(b[0], 0x20);
  EXPECT_EQ(b[3], 0x23);
  EXPECT_EQ(b[4], 0xAA);
  EXPECT_EQ(b[5], 0xBB);
  EXPECT_EQ(b[6], defBytes[6]);
  EXPECT_EQ(b[7], defBytes[7]);
  EXPECT_EQ(r.reader.ReadDefaultDouble(def), 7.5);
}

TEST(DwgBitStreamTest, HandleCodesRelativeToTheObject) {
  DwgBitWriter w;
  w.RC(0x60);  // code 6, counter 0: +1
  w.RC(0x80);  // code 8: -1
  w.RC(0xC1);
  w.RC(3);  // code 12: -3
  w.RC(0xA1);
  w.RC(5);  // code 10: +5
  w.RC(0x61);
  w.RC(4);  // code 6 with a counter: +4
  w.RC(0x58);  // code 5, eight bytes, most significant first
  for (int i = 1; i <= 8; ++i) w.RC(std::uint8_t(i));
  w.RC(0x3A);  // ten bytes: the two leading ones are dropped
  for (int i = 1; i <= 10; ++i) w.RC(std::uint8_t(i));
  BitReader r(w);
  r.reader.SetObjectHandle(0x1F);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x20u);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x1Eu);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x1Cu);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x24u);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x23u);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x0102030405060708u);
  EXPECT_EQ(r.reader.ReadHandle(0), 0x030405060708090Au);
}

TEST(DwgBitStreamTest, BudgetOverrunGivesZerosAndSticks) {
  BitReader r(std::vector<std::uint8_t>{0x11, 0x22, 0x33, 0x44});
  r.reader.SetBudget(1);
  EXPECT_EQ(r.reader.ReadRawLong(), 0x11u);
  EXPECT_TRUE(r.reader.Overrun());
  r.reader.SetBudget(10);
  r.reader.ReadRawChar();
  EXPECT_TRUE(r.reader.Overrun());
  // A byte run longer than the budget reads nothing.
  BitReader s(std::vector<std::uint8_t>(8, 1));
  s.reader.SetBudget(4);
  std::uint8_t buffer[8] = {};
  EXPECT_FALSE(s.reader.ReadRawBytes(buffer, 5));
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(s.reader.Budget(), 4u);
}

TEST(DwgBitStreamTest, ModularNumbersAndTheirLimits) {
  // MC: 0x82 0x01 = 2 + (1 << 7); signed with bit 6 of the last byte.
  BitReader r(std::vector<std::uint8_t>{0x82, 0x01, 0x85, 0x41, 0xFF, 0xFF, 0xFF, 0x7F});
  std::int64_t v = 0;
  std::uint32_t count = 0;
  EXPECT_TRUE(r.reader.ReadModularChar(v, true, &count));
  EXPECT_EQ(v, 130);
  EXPECT_EQ(count, 2u);
  EXPECT_TRUE(r.reader.ReadModularChar(v, false));
  EXPECT_EQ(v, -(5 + (1 << 7)));
  // MS: 0xFFFF 0x7FFF.
  EXPECT_EQ(r.reader.ReadModularShort(), 0x3FFFFFFFu);

  // 256 continuation bytes then one more: the read fails; the bits beyond the
  // 64th are dropped on the way rather than shifted out of range.
  std::vector<std::uint8_t> longMc(300, 0xFF);
  BitReader m(longMc);
  EXPECT_FALSE(m.reader.ReadModularChar(v, true));
  std::vector<std::uint8_t> tenBytes(9, 0xFF);
  tenBytes.push_back(0x01);
  BitReader t(tenBytes);
  EXPECT_TRUE(t.reader.ReadModularChar(v, true));
  EXPECT_EQ(std::uint64_t(v), 0xFFFFFFFFFFFFFFFFull);
  std::vector<std::uint8_t> longMs(600, 0xFF);
  BitReader s(longMs);
  std::uint32_t words = 0;
  EXPECT_EQ(s.reader.ReadModularShort(&words), 0u);
  EXPECT_EQ(words, 256u);
}

TEST(DwgBitStreamTest, TextsEmitInTheReadersCodePage) {
  DwgBitWriter w;
  w.TV("\x8A\x9A");  // Š š in 1250
  w.BS(0);
  BitReader r(w);
  r.reader.codePage = 1250;
  WString got;
  r.reader.ReadText(&got, 1);
  EXPECT_EQ(got, WString(u"\u0160\u0161"));
  r.reader.ReadText(nullptr, 3);
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetString(1), WString(u"\u0160\u0161"));
  // A text of length 0 still emits its item.
  EXPECT_GE(rec->FindIndex(3), 0);
  EXPECT_EQ(rec->GetString(3, u"x"), WString());
}

TEST(DwgBitStreamTest, ExtendedDataItems) {
  DwgBitWriter w;
  // Block 1: a string in code page row 28 (1250), a 1071 and a point.
  std::vector<std::uint8_t> items = {0, 2, 0, 28, 0x8A, 'a', 71, 0x78, 0x56, 0x34, 0x12, 10};
  double p[3] = {1, 2, 3};
  for (double d : p) {
    std::uint8_t b[8];
    std::memcpy(b, &d, 8);
    for (std::uint8_t x : b) items.push_back(x);
  }
  w.BS(std::uint16_t(items.size()));
  w.H(5, 0x12);
  for (std::uint8_t b : items) w.RC(b);
  // Block 2: an unknown item code skips the rest of this block only.
  w.BS(3);
  w.H(5, 0x12);
  w.RC(99);
  w.RC(70);
  w.RC(1);
  w.BS(3);
  w.H(5, 0x12);
  w.RC(70);
  w.RS(7);
  w.BS(0);
  w.RC(0x5A);
  BitReader r(w);
  EXPECT_TRUE(r.reader.ReadExtendedData(true));
  EXPECT_EQ(r.reader.ReadRawChar(), 0x5A);
  auto rec = test::RecordOf(r.reader);
  EXPECT_EQ(rec->GetString(1000), WString(u"\u0160a"));
  EXPECT_EQ(rec->GetInt(1071), 0x12345678);
  EXPECT_EQ(r.reader.LastExtendedDataLong(), 0x12345678);
  EXPECT_EQ(r.reader.ExtendedDataText(), WString(u"\u0160a"));
  EXPECT_EQ(rec->GetDouble(1010), 1.0);
  EXPECT_EQ(rec->GetDouble(1020), 2.0);
  EXPECT_EQ(rec->GetDouble(1030), 3.0);
  EXPECT_EQ(rec->GetInt(1070), 7);
}

TEST(DwgBitStreamTest, ExtendedDataSizeBeyondTheBudgetFails) {
  DwgBitWriter w;
  w.BS(0xFFFF);
  w.H(5, 1);
  w.RC(70);
  BitReader r(w);
  r.reader.SetBudget(std::uint32_t(w.Bytes().size()));
  EXPECT_FALSE(r.reader.ReadExtendedData(true));
}

TEST(DwgBitStreamTest, R2007TextsFollowInQueueOrderWithSubRecordSwitches) {
  DwgBitWriter w;
  w.TU(u"first");
  w.TU(u"second");
  BitReader r(w, 21);
  DwgReader& d = r.reader;
  WString target;
  d.ReadText(&target, 1);
  d.Buffer().SwitchSubRecord(1);
  d.ReadText(nullptr, 3);
  d.Buffer().SwitchSubRecord(0);
  d.Buffer().AddDouble(40, 2.0);
  EXPECT_TRUE(d.ResolveDeferredTexts());
  EXPECT_EQ(target, WString(u"first"));
  std::vector<int> codes = test::CodesOf(d.TakeRecord());
  // 1111 + id marks a switch.
  std::vector<int> expected = {1111 + 1, 1111 + 0, 40, 1, 1111 + 1, 3, 1111 + 0};
  EXPECT_EQ(codes, expected);
}

TEST(DwgBitStreamTest, R2007HandlesResolveInPassesBySubRecord) {
  DwgBitWriter w;
  w.H(5, 0x10);  // sub-record 0, first
  w.H(5, 0x11);  // sub-record 0, second
  w.H(5, 0x20);  // sub-record 1
  BitReader r(w, 24);
  DwgReader& d = r.reader;
  std::uint64_t a = 0;
  d.ReadHandleRef(5, &a, 8);
  d.Buffer().SwitchSubRecord(1);
  d.ReadHandleRef(5, nullptr, 6);
  d.Buffer().SwitchSubRecord(0);
  d.ReadHandleRef(5, nullptr, 7);
  EXPECT_TRUE(d.ResolveDeferredHandles(1000));
  EXPECT_EQ(a, 0x10u);
  std::vector<int> codes = test::CodesOf(d.TakeRecord());
  std::vector<int> expected = {1112, 1111, 8, 7, 1112, 6, 1111};
  EXPECT_EQ(codes, expected);
  // Handle data longer than its stated size fails.
  BitReader s(w, 24);
  s.reader.ReadHandleRef(5, nullptr, 8);
  s.reader.ReadHandleRef(5, nullptr, 8);
  EXPECT_FALSE(s.reader.ResolveDeferredHandles(10));
}

TEST(DwgBitStreamTest, EntityColorsOfR2004) {
  DwgBitWriter w;
  w.BS(5);  // an index
  w.BS(0x8000 | 0x07);
  w.BL(0xC2123456);  // a true colour
  w.BS(0x8000);
  w.BL(0xC300002A);  // by index 42, not a near-black true colour
  w.BS(0x8000);
  w.BL(0xC0000000);  // by layer
  w.BS(0x8000);
  w.BL(0xC1000000);  // by block
  w.BS(0x4000 | 0x2000 | 3);
  w.BL(0x80);  // transparency, dropped
  BitReader r(w, 18);
  bool book = false;
  std::int32_t rgb = 0;
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 5);
  EXPECT_EQ(rgb, -1);
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 7);
  EXPECT_EQ(rgb, 0x123456);
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 42);
  EXPECT_EQ(rgb, -1);
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 256);
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 0);
  EXPECT_FALSE(book);
  EXPECT_EQ(r.reader.ReadEntityColor(book, rgb), 3);
  EXPECT_TRUE(book);
  EXPECT_FALSE(r.reader.Overrun());
}

TEST(DwgBitStreamTest, ObjectColorBeforeAndFromR2004) {
  DwgBitWriter w;
  w.BS(1);
  BitReader r(w, 15);
  EXPECT_EQ(r.reader.ReadObjectColor(), 0xFF0000u);  // index 1 is red
  DwgBitWriter v;
  v.BS(0);
  v.BL(0x00112233);
  v.RC(3);
  v.TV("name");
  v.TV("book");
  v.RC(0x5A);
  BitReader s(v, 18);
  EXPECT_EQ(s.reader.ReadObjectColor(), 0x00112233u);
  EXPECT_EQ(s.reader.ReadRawChar(), 0x5A);
}

TEST(DwgBitStreamTest, SentinelsAreFoundAfterFalseStarts) {
  std::vector<std::uint8_t> bytes = {0x95, 0xA0, 0x00, 0x95};
  const std::uint8_t end[16] = {0x95, 0xA0, 0x4E, 0x28, 0x99, 0x82, 0x1A, 0xE5,
                                0x5E, 0x41, 0xE0, 0x5F, 0x9D, 0x3A, 0x4D, 0x00};
  bytes.insert(bytes.end(), end, end + 16);
  // The header-variables start sentinel and its complement, the end.
  const std::uint8_t start[16] = {0xCF, 0x7B, 0x1F, 0x23, 0xFD, 0xDE, 0x38, 0xA9,
                                  0x5F, 0x7C, 0x68, 0xB8, 0x4E, 0x6D, 0x33, 0x5F};
  bytes.insert(bytes.end(), start, start + 16);
  for (std::uint8_t b : start) bytes.push_back(std::uint8_t(~b));
  BitReader r(bytes);
  EXPECT_TRUE(r.reader.FindSentinel(0));
  EXPECT_TRUE(r.reader.FindSentinel(1));
  EXPECT_TRUE(r.reader.FindSentinel(2));
  EXPECT_EQ(r.reader.ExpectedSentinel(), 3);
  EXPECT_FALSE(r.reader.FindSentinel(3));
  EXPECT_TRUE(r.reader.HasError());
  EXPECT_EQ(r.reader.ErrorCode(), 10009);
  EXPECT_EQ(r.reader.ErrorSubCode(), 3);
  // Only the first error is kept.
  r.reader.SetReaderError(1, 2);
  EXPECT_EQ(r.reader.ErrorCode(), 10009);
}

}  // namespace
}  // namespace kvn

namespace kvn {
namespace {

TEST(DwgBitStreamTest, SignedModularCharOfSixtyFourBitsNegatesWithoutOverflow) {
  // Nine full bytes and a last one with the sign bit: the value has bit 63 set.
  std::vector<std::uint8_t> bytes(9, 0xFF);
  bytes.push_back(0x41);
  test::BitReader r(bytes);
  std::int64_t v = 0;
  EXPECT_TRUE(r.reader.ReadModularChar(v, false));
  EXPECT_EQ(std::uint64_t(v), 0ull - 0xFFFFFFFFFFFFFFFFull);
}

}  // namespace
}  // namespace kvn
