// The R2007 layout's codes: the reordered literal copy for every tail
// length, the LZ77 variant, the Reed-Solomon check of interleaved blocks of
// both codes, the block estimate, and the R2007 sample drawing.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "document/DwgLoadReport.h"
#include "dwg/container/DwgDecompress2007.h"
#include "dwg/container/DwgLoader.h"
#include "dwg/container/DwgSection2007.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(DwgDecompress2007, CopyReorderedFollowsTheTableForEveryTail) {
  // The order of the pieces (count, offset) of each tail length 1 to 31.
  const char* const expected[] = {
#include "DwgCopyReordered2007Golden.inc"
  };
  const std::string alphabet = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJ";
  for (std::size_t r = 1; r <= 31; ++r) {
    std::string out(r, '?');
    CopyReordered2007(reinterpret_cast<std::uint8_t*>(out.data()),
                      reinterpret_cast<const std::uint8_t*>(alphabet.data()), r);
    EXPECT_EQ(out, expected[r - 1]) << r;
  }
  // 32 bytes and more: groups of 32 with their halves swapped, each half by
  // the rule for 16, then the tail.
  std::string source(35, ' ');
  for (std::size_t i = 0; i < source.size(); ++i) source[i] = char('!' + i);
  std::string out(35, '?');
  CopyReordered2007(reinterpret_cast<std::uint8_t*>(out.data()), reinterpret_cast<const std::uint8_t*>(source.data()),
                    35);
  const std::string sixteen = expected[15];  // "ijklmnopabcdefgh"
  for (std::size_t i = 0; i < 16; ++i) {
    EXPECT_EQ(out[i], source[16 + std::size_t(sixteen[i] - 'a')]);
    EXPECT_EQ(out[16 + i], source[std::size_t(sixteen[i] - 'a')]);
  }
  EXPECT_EQ(out.substr(32), (std::string{source[34], source[33], source[32]}));
}

TEST(DwgDecompress2007, MatchesAndLiteralRuns) {
  Bytes out;
  // A match of length 0 whose new opcode carries a literal count of 2.
  ASSERT_TRUE(DecompressDwg2007(Bytes{0x20, 0x00, 0x00, 0x02, 'x', 'y'}, out, 100));
  EXPECT_EQ(out, (Bytes{'y', 'x'}));
  // A literal run of 8 (opcode 0), then opcode 0x31: 3 bytes from 2 back
  // (offset (1) + 1 + 2 x (b1 AND 0xF8)), new opcode b1 = 0x01: one literal.
  ASSERT_TRUE(DecompressDwg2007(Bytes{0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x31, 0x01, 'z'}, out, 100));
  EXPECT_EQ(std::string(out.begin(), out.end()), "abcdefghghgz");
  // The limit and the input's end fail instead of passing them.
  EXPECT_FALSE(DecompressDwg2007(Bytes{0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x31, 0x01, 'z'}, out, 11));
  EXPECT_TRUE(out.empty());
  EXPECT_FALSE(DecompressDwg2007(Bytes{0x00, 'a', 'b', 'c'}, out, 100));
  EXPECT_FALSE(DecompressDwg2007(Bytes{0x20, 0x00}, out, 100));
  EXPECT_FALSE(DecompressDwg2007(Bytes{}, out, 100));
  // An offset reaching before the output fails.
  EXPECT_FALSE(DecompressDwg2007(Bytes{0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x3F, 0x01, 'z'}, out, 100));
  // A long literal run: 0x0F + 8 = 0x17 takes the next byte (and 16-bit
  // values after 0xFF).
  Bytes run = {0x0F, 0xFF, 0x02, 0x00};
  run.resize(run.size() + 0x17 + 0xFF + 2, 'q');
  ASSERT_TRUE(DecompressDwg2007(run, out, 1000));
  EXPECT_EQ(out.size(), 0x17u + 0xFFu + 2u);
}

TEST(DwgReedSolomon2007, BlockEstimate) {
  EXPECT_EQ(RsBlockCount2007(1000), 9u);
  EXPECT_EQ(RsBlockCount2007(100), 4u);
  EXPECT_EQ(RsBlockCount2007(0), 4u);
  EXPECT_GT(RsBlockCount2007(~std::uint64_t(0)), 4u);  // no overflow to a small count
}

// Test-side field arithmetic: code words as multiples of the generator.
struct TestField {
  int exp[512] = {}, log[256] = {};
  explicit TestField(unsigned poly) {
    unsigned x = 1;
    for (int i = 0; i < 255; ++i) {
      exp[i] = int(x);
      exp[i + 255] = int(x);
      log[x] = i;
      x <<= 1;
      if (x & 0x100) x ^= poly;
    }
  }
  int Mul(int a, int b) const { return a && b ? exp[log[a] + log[b]] : 0; }
};

Bytes CodeWord(const TestField& f, int roots, std::mt19937& rng) {
  std::vector<int> g = {1};
  for (int i = 1; i <= roots; ++i) {
    std::vector<int> next(g.size() + 1, 0);
    for (std::size_t j = 0; j < g.size(); ++j) {
      next[j + 1] ^= g[j];
      next[j] ^= f.Mul(g[j], f.exp[i]);
    }
    g = next;
  }
  Bytes word(255, 0);
  for (int j = 0; j < 255 - roots; ++j) {
    const int m = int(rng() % 256);
    for (std::size_t k = 0; k < g.size(); ++k) word[std::size_t(j) + k] ^= std::uint8_t(f.Mul(m, g[k]));
  }
  return word;
}

TEST(DwgReedSolomon2007, InterleavedBlocksPassAndAnyChangedByteFails) {
  std::mt19937 rng(11);
  for (bool system : {true, false}) {
    const TestField field(system ? 0x169 : 0x11D);
    const int roots = system ? 16 : 4;
    const std::size_t data = 255 - std::size_t(roots);
    const std::size_t k = 3;
    std::vector<Bytes> blocks;
    for (std::size_t j = 0; j < k; ++j) blocks.push_back(CodeWord(field, roots, rng));
    Bytes interleaved(255 * k);
    for (std::size_t r = 0; r < 255; ++r) {
      for (std::size_t j = 0; j < k; ++j) interleaved[r * k + j] = blocks[j][r];
    }
    Bytes out;
    ASSERT_TRUE(DecodeRsBlocks2007(interleaved, system, k, out));
    Bytes expected;
    for (const Bytes& b : blocks) expected.insert(expected.end(), b.begin(), b.begin() + std::ptrdiff_t(data));
    EXPECT_EQ(out, expected);
    // The other code's check fails.
    EXPECT_FALSE(DecodeRsBlocks2007(interleaved, !system, k, out));
    for (std::size_t at = 0; at < interleaved.size(); at += 7) {
      Bytes damaged = interleaved;
      damaged[at] ^= std::uint8_t(1 + at % 255);
      EXPECT_FALSE(DecodeRsBlocks2007(damaged, system, k, out)) << at;
      EXPECT_TRUE(out.empty());
    }
    EXPECT_FALSE(DecodeRsBlocks2007(interleaved, system, 0, out));
    EXPECT_FALSE(DecodeRsBlocks2007(interleaved, system, 2, out));
  }
}

TEST(DwgContainer2007, SampleGivesTheSameModelSpaceAsR2000) {
  KVN_REQUIRE_TESTDATA(dir);
  DwgLoadReport reference, report;
  ASSERT_TRUE(LoadDwgFile(WString::FromUtf8((dir / "dwg" / "libredwg_example_2000.dwg").string()), nullptr,
                          &reference).Ok());
  ASSERT_TRUE(LoadDwgFile(WString::FromUtf8((dir / "dwg" / "libredwg_example_2007.dwg").string()), nullptr,
                          &report).Ok());
  EXPECT_TRUE(report.headerChecked);
  EXPECT_EQ(report.entities, reference.entities);
  EXPECT_EQ(report.dispatched, reference.dispatched);
  EXPECT_EQ(report.layers.size(), reference.layers.size());
  EXPECT_EQ(report.pagesRead["AcDb:Header"], 1u);
  EXPECT_TRUE(report.pagesFailed.empty());
}

// All-zero blocks pass both codes: a file of them holds pages of zeros
// whose placement and sizes can be checked.
std::uint64_t Deliver(DwgSection2007& section) {
  std::uint64_t n = 0;
  std::uint8_t b = 0;
  while (section.NextByte(b)) ++n;
  return n;
}

TEST(DwgContainer2007, SectionPagesSitAtTheirOffsetsAndSizesAreChecked) {
  Bytes zeros(0x480 + 255 * 8, 0);
  ByteArray memory(8);
  memory.Append(zeros.data(), std::uint32_t(zeros.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  const std::vector<DwgPageRecord2007> pageMap = {{255 * 4, 1, 0x480}, {255 * 4, -2, 0x480 + 255 * 4}};
  auto sectionOf = [](std::vector<DwgSectionPage2007> pages) {
    DwgSectionRecord2007 record;
    record.hash = 0x32B803D9u;
    record.pages = std::move(pages);
    return std::vector<DwgSectionRecord2007>{record};
  };
  // A gap before the second page is filled; its id matches without the sign.
  auto sections = sectionOf({{0, 0, 1, 10, 10}, {25, 0, 2, 10, 10}});
  DwgSection2007 gap(in, pageMap, sections, 0x32B803D9u);
  EXPECT_EQ(Deliver(gap), 35u);
  EXPECT_EQ(gap.PagesRead(), 2u);
  // A page that starts behind the bytes delivered fails.
  sections = sectionOf({{0, 0, 1, 10, 10}, {5, 0, 2, 10, 10}});
  DwgSection2007 behind(in, pageMap, sections, 0x32B803D9u);
  EXPECT_EQ(Deliver(behind), 10u);
  EXPECT_EQ(behind.Failure(), DwgPageFailure::Size);
  // A gap past the page cap fails; so does a page larger than its blocks.
  sections = sectionOf({{std::uint64_t(1) << 40, 0, 1, 10, 10}});
  DwgSection2007 far(in, pageMap, sections, 0x32B803D9u);
  EXPECT_EQ(Deliver(far), 0u);
  sections = sectionOf({{0, 0, 1, 251 * 4 + 1, 251 * 4 + 1}});
  DwgSection2007 large(in, pageMap, sections, 0x32B803D9u);
  EXPECT_EQ(Deliver(large), 0u);
  EXPECT_EQ(large.Failure(), DwgPageFailure::Size);
  // Blocks past the file's end are not read.
  Bytes out;
  EXPECT_FALSE(ReadRsPage2007(in, 0x480, false, 10, 10, 9, out));
  EXPECT_FALSE(ReadRsPage2007(in, 0x480, false, 10, 10, ~std::uint64_t(0) / 255, out));
  EXPECT_TRUE(ReadRsPage2007(in, 0x480, false, 10, 10, 8, out));
  // An encrypted section is refused with the password message.
  sections = sectionOf({{0, 0, 1, 10, 10}});
  sections[0].encrypted = 1;
  DwgSection2007 locked(in, pageMap, sections, 0x32B803D9u);
  EXPECT_FALSE(locked.Found());
  EXPECT_EQ(locked.Status(), 19893);
}

Bytes ReadSample(const std::filesystem::path& p) {
  Bytes b;
  std::FILE* f = std::fopen(p.string().c_str(), "rb");
  if (!f) return b;
  std::uint8_t buf[4096];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) b.insert(b.end(), buf, buf + n);
  std::fclose(f);
  return b;
}

DocumentResult LoadBytes(const Bytes& bytes, DwgLoadReport* report = nullptr) {
  ByteArray memory(8);
  memory.Append(bytes.data(), std::uint32_t(bytes.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  return LoadDwgStream(in, WString(u"damaged.dwg"), nullptr, report);
}

std::uint64_t U64At(const Bytes& b, std::size_t at) {
  std::uint64_t v = 0;
  for (int k = 7; k >= 0; --k) v = v << 8 | b[at + std::size_t(k)];
  return v;
}

TEST(DwgContainer2007, DamagedSystemAndDataPagesGiveTheirCodes) {
  KVN_REQUIRE_TESTDATA(dir);
  const Bytes whole = ReadSample(dir / "dwg" / "libredwg_example_2007.dwg");
  ASSERT_GT(whole.size(), 0x480u);
  // The header run fails its check.
  Bytes damaged = whole;
  damaged[0x80 + 300] ^= 0x11;
  EXPECT_EQ(LoadBytes(damaged).Detail().ToUtf8(), "10031");
  // Where the page map and the section map lie, from the header body.
  Bytes header;
  ASSERT_TRUE(DecodeRsBlocks2007(std::span(whole).subspan(0x80, 765), true, 3, header));
  Bytes body;
  const std::uint32_t compressed = header[24] | header[25] << 8;
  if (compressed >= 1) {
    ASSERT_TRUE(DecompressDwg2007(std::span(header).subspan(32, compressed), body, 0x110));
  } else {
    body.assign(header.begin() + 32, header.begin() + 32 + 0x110);
  }
  body.resize(0x110, 0);
  const std::uint64_t pageMapAt = U64At(body, 0x38) + 0x480;
  damaged = whole;
  damaged[pageMapAt + 10] ^= 0x11;
  EXPECT_EQ(LoadBytes(damaged).Detail().ToUtf8(), "10034");
  // The page map too small for its entry count.
  ByteArray memory(8);
  memory.Append(whole.data(), std::uint32_t(whole.size()));
  InFileStream in = InFileStream::FromMemory(memory);
  Bytes map;
  ASSERT_TRUE(ReadRsPage2007(in, pageMapAt, true, U64At(body, 0x50), U64At(body, 0x58) + 80,
                             RsBlockCount2007(U64At(body, 0x58) + 80), map));
  std::uint64_t position = 0x480, sectionMapAt = 0;
  for (std::uint64_t i = 0; i < U64At(body, 0x60); ++i) {
    if (UnsignedId(std::int64_t(U64At(map, i * 16 + 8))) == UnsignedId(std::int64_t(U64At(body, 0xC0)))) {
      sectionMapAt = position;
    }
    position += U64At(map, i * 16);
  }
  ASSERT_NE(sectionMapAt, 0u);
  damaged = whole;
  damaged[sectionMapAt + 10] ^= 0x11;
  EXPECT_EQ(LoadBytes(damaged).Detail().ToUtf8(), "10036");
  // A changed byte in a data page fails that page with the Reed-Solomon
  // reason; every such file is refused or read, never more.
  int reedSolomon = 0;
  for (std::size_t at = 0x480; at < whole.size(); at += whole.size() / 41) {
    if (at >= pageMapAt && at < pageMapAt + 255 * 8) continue;
    damaged = whole;
    damaged[at] ^= 0x5A;
    DwgLoadReport report;
    const DocumentResult result = LoadBytes(damaged, &report);
    EXPECT_TRUE(result.Ok() || int(result.Code()) == 5002) << at;
    for (const auto& [section, reason] : report.pagesFailed) reedSolomon += reason == "Reed-Solomon";
  }
  EXPECT_GT(reedSolomon, 0);
}

}  // namespace
}  // namespace kvn
