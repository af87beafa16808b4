// The byte conventions of DGN V7 files and the element parser: word-swapped
// integers, VAX D-floats, Radix-50 names, texts, fill linkages, and fields
// read only inside their element.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "import/dgn/DgnConvert.h"
#include "import/dgn/DgnElements.h"
#include "import/dgn/DgnFormat.h"
#include "model/DgnTable.h"
#include "tests/support/DgnWriter.h"

namespace kvn {
namespace {

using test::DgnElement;
using test::DgnWriter;

TEST(DgnFormat, WordSwappedIntegersAndBoundedReads) {
  const std::vector<std::uint8_t> bytes = {0x34, 0x12, 0x78, 0x56, 0xFF, 0xFF, 0xFE, 0xFF, 0x01};
  const DgnBytes b(bytes);
  EXPECT_EQ(b.I32(0), 0x12345678);
  EXPECT_EQ(b.I32(4), -2);  // FFFF FFFE
  EXPECT_EQ(b.U16(0), 0x1234);
  EXPECT_FALSE(b.Short());
  EXPECT_EQ(b.I32(6), 0);  // would end past the ninth byte
  EXPECT_TRUE(b.Short());
  EXPECT_EQ(DgnBytes(bytes).VaxDouble(2), 0.0);
  EXPECT_EQ(DgnBytes(bytes).U8(9), 0);
}

// Every read of a view cut anywhere inside an element, at every offset: a
// field that ends inside the view reads as over the whole element; one that
// crosses the cut or lies past it gives 0 and tells the view short. The
// byte past the element is the next element's first (0xAB, a component on
// level 43), which a read that checks too few bytes would take in.
TEST(DgnFormat, ReadsThatCrossTheElementsEndGiveZeroAndTellItShort) {
  const DgnWriter w;
  const DgnElement element = w.MultiPoint(4, 3, 1, {{1, 2, 0}, {-30000, 70000, 0}, {5, 262, 0}});
  std::vector<std::uint8_t> file = element;
  file.insert(file.end(), {0xAB, 0x04, 0x00, 0x00});
  const std::span<const std::uint8_t> bytes(file);
  const DgnBytes whole(bytes.first(element.size()));
  struct Read {
    const char* name;
    std::size_t bytes;
    double (*get)(const DgnBytes&, std::size_t);
  };
  const Read reads[] = {
      {"U8", 1, [](const DgnBytes& b, std::size_t at) { return double(b.U8(at)); }},
      {"U16", 2, [](const DgnBytes& b, std::size_t at) { return double(b.U16(at)); }},
      {"I32", 4, [](const DgnBytes& b, std::size_t at) { return double(b.I32(at)); }},
      {"VaxDouble", 8, [](const DgnBytes& b, std::size_t at) { return b.VaxDouble(at); }},
  };
  std::vector<std::string> wrong;
  for (std::size_t end = 0; end <= element.size(); ++end) {
    for (std::size_t at = 0; at <= end + 1; ++at) {
      for (const Read& r : reads) {
        const DgnBytes view(bytes.first(end));
        const double got = r.get(view, at);
        const bool inside = at + r.bytes <= end;
        const double want = inside ? r.get(whole, at) : 0.0;
        if (got != want || view.Short() == inside) {
          const auto show = [&r](double v) {
            std::ostringstream out;
            if (r.bytes <= 4) {
              out << "0x" << std::hex << std::uint32_t(std::int64_t(v));
            } else {
              out << v;
            }
            return out.str();
          };
          wrong.push_back(std::string(r.name) + " at " + std::to_string(at) + " of a view of " +
                          std::to_string(end) + " bytes gave " + show(got) +
                          (view.Short() ? ", short" : ", not short") + "; want " + show(want) +
                          (inside ? ", not short" : ", short"));
        }
      }
    }
  }
  EXPECT_TRUE(wrong.empty()) << wrong.size() << " reads wrong, the first: " << (wrong.empty() ? "" : wrong.front())
                             << (wrong.size() > 1 ? "; the last: " + wrong.back() : "");
  // The word at the element's last byte (01, of the last y, 262), which the
  // next element's first byte would complete to 0xAB01.
  const DgnBytes view(bytes.first(element.size()));
  EXPECT_EQ(view.U16(element.size() - 1), 0) << "a word from outside the element";
  EXPECT_TRUE(view.Short());
}

TEST(DgnFormat, VaxDoublesKnownValuesAndRoundTrip) {
  // 1.0 is 0.5 x 2^1: exponent 129, fraction zero; words 4080 0000 0000 0000.
  const std::uint8_t one[8] = {0x80, 0x40, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(VaxDToIeee(one), 1.0);
  const std::uint8_t minusHalf[8] = {0x00, 0xC0, 0, 0, 0, 0, 0, 0};  // sign, exponent 128
  EXPECT_EQ(VaxDToIeee(minusHalf), -0.5);
  const std::uint8_t zero[8] = {0x00, 0x00, 0x12, 0x34, 0, 0, 0, 0};  // exponent 0: zero
  EXPECT_EQ(VaxDToIeee(zero), 0.0);
  for (double v : {1.0, -1.0, 3.5, 0.1, 123456.789, -1e-20, 1e30, 10267.483021}) {
    std::uint8_t bytes[8];
    IeeeToVaxD(v, bytes);
    EXPECT_NEAR(VaxDToIeee(bytes), v, std::fabs(v) * 1e-15) << v;
  }
  std::uint8_t huge[8];
  IeeeToVaxD(1e300, huge);  // beyond the D-float range: clamped, finite
  EXPECT_TRUE(std::isfinite(VaxDToIeee(huge)));
  EXPECT_GT(VaxDToIeee(huge), 1e38);
}

TEST(DgnFormat, Radix50NamesAndDigitsAboveTheAlphabet) {
  EXPECT_EQ(Radix50Text(DgnWriter::Radix50("ABC")), "ABC");
  EXPECT_EQ(Radix50Text(DgnWriter::Radix50("$.9")), "$.9");
  EXPECT_EQ(Radix50Text(0), "   ");
  EXPECT_EQ(Radix50Text(29 * 1600 + 29 * 40 + 29), "   ");  // 29 is a space too
  // 65,535 = 40 x 1600 + 38 x 40 + 15: the first digit is past the alphabet.
  EXPECT_EQ(Radix50Text(65535), "?8O");
  EXPECT_EQ(Radix50Text(64000), "?  ");
}

TEST(DgnFormat, TextsUtf8WithMarkElseAnsi) {
  const std::vector<std::uint8_t> utf8 = {0xEF, 0xBB, 0xBF, 'a', 0xC3, 0xA9, 0xE2, 0x82, 0xAC, 0xF0, 'b', 0xE2, 0x82};
  // a, e acute, euro; the four-byte lead byte and the cut sequence are dropped.
  EXPECT_EQ(DecodeDgnText(utf8).ToUtf8(), "a\xC3\xA9\xE2\x82\xAC" "b");
  const std::vector<std::uint8_t> ansi = {'x', 0xE9, 0x80, 0, 'y'};
  EXPECT_EQ(DecodeDgnText(ansi).ToUtf8(), "x\xC3\xA9\xE2\x82\xAC");  // stops at the zero byte
  EXPECT_EQ(DgnTypeName(12), "COMPLEX_CHAIN");
  EXPECT_EQ(DgnTypeName(99), "TYPE_99");
  EXPECT_EQ(DgnLevelName(5), "05");
  EXPECT_EQ(DgnLevelName(63), "63");
}

TEST(DgnFormat, FillLinkagesMustHoldTheirColourByte) {
  std::vector<std::uint8_t> attributes(8, 0);  // an 8-byte user linkage (0, 0) first
  const std::vector<std::uint8_t> fill = DgnWriter::FillLinkage(42);
  attributes.insert(attributes.end(), fill.begin(), fill.end());
  EXPECT_EQ(FindFillColor(attributes), 42);
  // An id-65 linkage of 8 bytes (first byte 3) has no byte 8: no fill.
  std::vector<std::uint8_t> shortLink = {3, 0x10, 65, 0, 0, 0, 0, 0, 99};
  EXPECT_EQ(FindFillColor(shortLink), kDgnNoFill);
  // A linkage that claims more than the attribute bytes hold stops the walk.
  std::vector<std::uint8_t> cut = fill;
  cut.resize(12);
  EXPECT_EQ(FindFillColor(cut), kDgnNoFill);
  // Without bit 0x10 the walk stops at once.
  std::vector<std::uint8_t> foreign = {7, 0x00, 65, 0, 0, 0, 0, 0, 5, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(FindFillColor(foreign), kDgnNoFill);
  EXPECT_EQ(FindFillColor({}), kDgnNoFill);
}

TEST(DgnElements, CountsAndOffsetsStayInsideTheElement) {
  cDGNInfo info;
  const DgnWriter w;
  // A line string that claims 1000 vertices but holds 2.
  const DgnElement claimed = w.MultiPoint(4, 3, 1, {{0, 0, 0}, {10, 20, 0}}, -1, 1000);
  auto e = ReadDgnElement(info, claimed);
  ASSERT_EQ(e->structType, DgnStructure::MultiPoint);
  const auto& m = static_cast<const DGNElemMultiPoint&>(*e);
  ASSERT_EQ(m.vertices.size(), 2u);
  EXPECT_EQ(m.vertices[1].y, 20.0);
  EXPECT_EQ(m.level, 3);

  // Elements below their type's size are cut short, whatever they claim.
  for (int type : {3, 4, 12, 15, 16, 17, 2, 27, 9}) {
    DgnElement tiny(36, 0);
    DgnWriter::Finish(tiny, type, 1, 0);
    auto t = ReadDgnElement(info, tiny);
    EXPECT_TRUE(t->cutShort) << type;
    EXPECT_EQ(t->structType, DgnStructure::Core) << type;
  }
  EXPECT_FALSE(info.tcbRead);

  // An attribute offset past the end gives no attributes.
  DgnElement far = w.MultiPoint(6, 1, 1, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  DgnWriter::PutU16(far, 30, 0x7FFF);
  DgnWriter::PutU16(far, 32, 0x800);
  auto f = ReadDgnElement(info, far);
  EXPECT_TRUE(f->attributes.empty());
  EXPECT_EQ(static_cast<const DGNElemMultiPoint&>(*f).fillColor, kDgnNoFill);

  // A text whose character count passes the end keeps what is there.
  DgnElement text = w.Text(2, 1, {5, 6, 0}, 1.0, "HELLO");
  text[58] = 200;
  auto t = ReadDgnElement(info, text);
  ASSERT_EQ(t->structType, DgnStructure::Text);
  EXPECT_EQ(static_cast<const DGNElemText&>(*t).text.ToUtf8().substr(0, 5), "HELLO");
}

TEST(DgnElements, TcbUnitsOriginDimensionAndColours) {
  cDGNInfo info;
  const DgnWriter w3(true);
  auto tcb = ReadDgnElement(info, w3.Tcb(10, 100, {1000, 2000, 3000}, ~(std::uint64_t(1) << 4)));
  ASSERT_EQ(tcb->structType, DgnStructure::Tcb);
  EXPECT_EQ(info.dimension, 3);
  EXPECT_DOUBLE_EQ(info.scale, 0.001);
  EXPECT_DOUBLE_EQ(info.origin.x, 1.0);
  EXPECT_DOUBLE_EQ(info.origin.z, 3.0);
  EXPECT_EQ(info.levelMask >> 4 & 1, 0u);
  // Only the first TCB counts.
  (void)ReadDgnElement(info, w3.Tcb(1, 1));
  EXPECT_DOUBLE_EQ(info.scale, 0.001);

  // Colours: 255 white, a white entry black, above 255 black, else the table.
  cDGNInfo plain;
  EXPECT_EQ(DgnColorRgb(plain, 255), 0xFFFFFFu);
  EXPECT_EQ(DgnColorRgb(plain, 0), 0u);  // the default table's white
  const auto table = GetDgnTable();
  EXPECT_EQ(DgnColorRgb(plain, 3), std::uint32_t(table[9]) << 16 | std::uint32_t(table[10]) << 8 | table[11]);
  EXPECT_EQ(DgnColorRgb(plain, 256), 0u);
  std::array<std::uint8_t, 768> own{};
  own[3 * 7] = 0x12;
  own[3 * 7 + 1] = 0x34;
  own[3 * 7 + 2] = 0x56;
  own[3 * 9] = own[3 * 9 + 1] = own[3 * 9 + 2] = 255;
  auto ct = ReadDgnElement(plain, DgnWriter().ColorTable(own));
  EXPECT_EQ(ct->structType, DgnStructure::ColorTable);
  EXPECT_EQ(DgnColorRgb(plain, 7), 0x123456u);
  EXPECT_EQ(DgnColorRgb(plain, 9), 0u);
  EXPECT_EQ(DgnColorRgb(plain, 255), 0xFFFFFFu);
}

TEST(DgnElements, QuaternionsDecidePlanarity) {
  cDGNInfo info;
  info.dimension = 3;
  const DgnWriter w(true);
  auto planar = ReadDgnElement(info, w.Arc(15, 1, 1, {0, 0, 0}, 10, 5, 30.0));
  EXPECT_FALSE(planar->nonPlanar);
  EXPECT_NEAR(static_cast<const DGNElemArc&>(*planar).rotation, 30.0, 1e-6);
  const std::array<double, 4> tilted{std::sqrt(0.5), std::sqrt(0.5), 0.0, 0.0};  // 90 degrees about x
  auto off = ReadDgnElement(info, w.Arc(15, 1, 1, {0, 0, 0}, 10, 5, 0.0, 0, 360, -1, &tilted));
  EXPECT_TRUE(off->nonPlanar);
  // Its outline leaves the plane: the quarter point of the primary axis stays,
  // the secondary axis turns onto z.
  const auto segments = DgnArcSegments(static_cast<const DGNElemArc&>(*off), 0.0, 360.0);
  ASSERT_EQ(segments.size(), 4u);
  EXPECT_NEAR(segments[0].p[0].x, 10.0, 1e-6);
  EXPECT_NEAR(std::fabs(segments[0].p[3].z), 5.0, 1e-6);
  EXPECT_NEAR(segments[0].p[3].y, 0.0, 1e-6);
}

}  // namespace
}  // namespace kvn
