// Symbol and Wingdings texts of a metafile where no such font is installed
// (the usual Linux machine): drawn as the pictograms, the same pixels as
// their Unicode characters written in the stand-in face, for one-byte and
// UTF-16 records and for the private-use codes, and never as the letters
// the codes are.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/RasterDC.h"
#include "platform/gdi/TextFaces.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/SymbolFaces.h"
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace emf_symbol_face {

constexpr const char* kOpenSymbol = "/usr/share/fonts/truetype/libreoffice/opens___.ttf";
constexpr int kWidth = 200, kHeight = 60;

// One text record in a face, 40 pixels high, on a 1:1 picture.
std::vector<std::uint8_t> Draw(const std::u16string& face, const std::vector<std::uint16_t>& codes, bool wide) {
  EmfBuilder b(1 << 20);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, kWidth * 100);
  le::Put32(h + 36, kHeight * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kWidth);  // one pixel per mm
  le::Put32(h + 76, kHeight);
  le::Put32(h + 80, kWidth);
  le::Put32(h + 84, kHeight);
  le::Put32(b.Add(U_EMR_SETBKMODE, 12) + 8, U_TRANSPARENT);
  le::Put32(b.Add(U_EMR_SETTEXTALIGN, 12) + 8, U_TA_BASELINE);
  std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  le::Put32(f + 8, 1);
  le::Put32(f + 12, std::uint32_t(-40));
  le::Put32(f + 28, 400);
  f[35] = face == u"Symbol" || face == u"WINGDINGS" ? 2 : 1;  // SYMBOL_CHARSET for the symbol faces
  f[38] = 3;
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  le::Put32(b.Add(U_EMR_SELECTOBJECT, 12) + 8, 1);
  const std::uint32_t unit = wide ? 2 : 1;
  const std::uint32_t size = 76 + ((std::uint32_t(codes.size()) * unit + 3) & ~3u);
  std::uint8_t* t = b.Add(wide ? U_EMR_EXTTEXTOUTW : U_EMR_EXTTEXTOUTA, size);
  le::Put32(t + 24, 1);
  le::Put32(t + 36, 10);
  le::Put32(t + 40, 45);
  le::Put32(t + 44, std::uint32_t(codes.size()));
  le::Put32(t + 48, 76);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (wide) le::Put16(t + 76 + 2 * i, codes[i]);
    else t[76 + i] = std::uint8_t(codes[i]);
  }
  EXPECT_TRUE(b.Finish(2));
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  std::vector<std::uint8_t> bits(kWidth * kHeight * 4, 0xFF);
  if (!emf) return bits;
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kWidth, kHeight}));
  dc->Flush();
  return bits;
}

int Ink(const std::vector<std::uint8_t>& bits) {
  int n = 0;
  for (std::size_t i = 0; i < bits.size(); i += 4) n += bits[i] < 128;
  return n;
}

class EmfSymbolFace : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> files = {test::kLiberationSans, test::kDejaVuSans, kOpenSymbol};
    if (!test::FontFilesPresent(files)) GTEST_SKIP() << "fonts-liberation2, fonts-dejavu-core or fonts-opensymbol missing";
    fonts_ = std::make_unique<test::PrivateFonts>("emf-symbol-face", files);
    previous_ = GetTextFaceSource();
    InstallFontLayerFaces();
  }
  void TearDown() override {
    SetTextFaceSource(previous_);
    fonts_.reset();
  }
  std::unique_ptr<test::PrivateFonts> fonts_;
  TextFaceSource* previous_ = nullptr;
};

struct Case {
  const char* name;
  const char16_t* face;
  std::vector<std::uint16_t> codes;
  bool wide;
  std::u16string unicode;  // what the codes stand for
  const char16_t* standIn = kSymbolStandInFace;  // the face that has them all
};

TEST_F(EmfSymbolFace, CodesAreDrawnAsTheirPictogramsInTheStandInFace) {
  const Case cases[] = {
      {"Symbol, bytes: alpha beta pi", u"Symbol", {0x61, 0x62, 0x70}, false, u"\u03B1\u03B2\u03C0"},
      {"Symbol, UTF-16: Sigma infinity", u"Symbol", {0x53, 0xA5}, true, u"\u03A3\u221E"},
      {"Symbol, private-use codes: for all, sum", u"Symbol", {0xF022, 0xF0E5}, true, u"\u2200\u2211"},
      {"Wingdings: scissors, smiley, check mark", u"WINGDINGS", {0x22, 0x4A, 0xFC}, false, u"\u2702\u263A\u2713"},
      // OpenSymbol has no zodiac signs; DejaVu Sans has.
      {"Wingdings: aries, pisces", u"Wingdings", {0x5E, 0x69}, false, u"\u2648\u2653", u"DejaVu Sans"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::uint8_t> drawn = Draw(c.face, c.codes, c.wide);
    std::vector<std::uint16_t> units(c.unicode.begin(), c.unicode.end());
    const std::vector<std::uint8_t> expected = Draw(c.standIn, units, true);
    EXPECT_GT(Ink(expected), 50);
    EXPECT_EQ(drawn, expected);
    // The letters the codes are look different.
    std::vector<std::uint16_t> letters;
    for (std::uint16_t code : c.codes) letters.push_back(code >= 0xF000 ? code - 0xF000 : code);
    EXPECT_NE(drawn, Draw(u"Liberation Sans", letters, c.wide));
  }
}

TEST(SymbolFaces, TablesAndFaceNames) {
  LogFont font;
  const std::u16string name = u"wingdings";
  for (std::size_t i = 0; i < name.size(); ++i) font.faceName[i] = name[i];
  EXPECT_EQ(SymbolFaceOf(font), SymbolFace::kWingdings);
  font.faceName[0] = u'x';
  EXPECT_EQ(SymbolFaceOf(font), SymbolFace::kNone);
  EXPECT_EQ(SymbolFaceChar(SymbolFace::kSymbol, u'1'), u'1');  // digits stay
  EXPECT_EQ(SymbolFaceChar(SymbolFace::kSymbol, 0x44), u'\u0394');
  EXPECT_EQ(SymbolFaceChar(SymbolFace::kWingdings, 0xF081), U'\u2780');  // dingbat circled digit one
  EXPECT_EQ(SymbolFaceChar(SymbolFace::kNone, 0x61), u'a');
  EXPECT_EQ(SymbolFaceChar(SymbolFace::kWingdings, 0x263A), u'\u263A');  // beyond the codes: as it is
}

TEST_F(EmfSymbolFace, TheStandInWithMostOfARunsCharactersIsChosen) {
  EXPECT_EQ(StandInCoverage(u"OpenSymbol", {u'\u03B1', u'\u2648'}), 1);
  EXPECT_EQ(StandInCoverage(u"DejaVu Sans", {u'\u03B1', u'\u2648'}), 2);
  EXPECT_EQ(StandInCoverage(u"No Such Face", {u'a'}), -1);
  EXPECT_EQ(std::u16string(ChooseStandInFace({u'\u2648'})), u"DejaVu Sans");
  EXPECT_EQ(std::u16string(ChooseStandInFace({u'\u03B1'})), u"OpenSymbol");
}

}  // namespace emf_symbol_face
}  // namespace kvn
