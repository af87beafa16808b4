// Every code of the Symbol and dingbat faces (Wingdings, Wingdings 2,
// Wingdings 3, Webdings) that stands for a character draws that character
// through the metafile player where no such font is installed: ink, and not
// the missing-glyph box of any stand-in face. Before, Wingdings 2 drew the
// Latin letters its codes are, and most Wingdings pictographs were boxes.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
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
#include "platform/metafile/SymbolFaceTables.h"
#include "platform/metafile/SymbolFaces.h"
#include "platform/print/PrintDC.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

constexpr int kSide = 48;

// Codes in a face, 36 pixels high, as a one-byte record in the symbol
// character set, or UTF-16 units.
std::vector<std::uint8_t> TextEmf(const std::u16string& face, const std::u16string& codes, bool symbolCharset) {
  EmfBuilder b(1 << 12);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, kSide * 100);
  le::Put32(h + 36, kSide * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  for (int at : {72, 76, 80, 84}) le::Put32(h + at, kSide);  // one pixel per mm
  le::Put32(b.Add(U_EMR_SETBKMODE, 12) + 8, U_TRANSPARENT);
  le::Put32(b.Add(U_EMR_SETTEXTALIGN, 12) + 8, U_TA_BASELINE);
  std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  le::Put32(f + 8, 1);
  le::Put32(f + 12, std::uint32_t(-36));
  le::Put32(f + 28, 400);
  f[35] = symbolCharset ? 2 : 1;
  f[38] = 3;
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  le::Put32(b.Add(U_EMR_SELECTOBJECT, 12) + 8, 1);
  const std::uint32_t unit = symbolCharset ? 1 : 2;
  const std::uint32_t size = 76 + ((std::uint32_t(codes.size()) * unit + 3) & ~3u);
  std::uint8_t* t = b.Add(symbolCharset ? U_EMR_EXTTEXTOUTA : U_EMR_EXTTEXTOUTW, size);
  le::Put32(t + 24, 1);
  le::Put32(t + 36, 4);
  le::Put32(t + 40, 38);
  le::Put32(t + 44, std::uint32_t(codes.size()));
  le::Put32(t + 48, 76);
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (symbolCharset) t[76 + i] = std::uint8_t(codes[i]);
    else le::Put16(t + 76 + 2 * i, codes[i]);
  }
  EXPECT_TRUE(b.Finish(2));
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

std::vector<std::uint8_t> Draw(const std::u16string& face, const std::u16string& codes, bool symbolCharset) {
  const std::vector<std::uint8_t> bytes = TextEmf(face, codes, symbolCharset);
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  if (!emf) return bits;
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}));
  dc->Flush();
  return bits;
}

std::u16string Utf16(char32_t c) {
  if (c <= 0xFFFF) return std::u16string(1, char16_t(c));
  return {char16_t(0xD800 + ((c - 0x10000) >> 10)), char16_t(0xDC00 + ((c - 0x10000) & 0x3FF))};
}

int Ink(const std::vector<std::uint8_t>& bits) {
  int n = 0;
  for (std::size_t i = 0; i < bits.size(); i += 4) n += bits[i] < 160;
  return n;
}

// The text of a PDF as poppler reads it back.
std::string PdfText(const std::filesystem::path& pdf) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(("pdftotext -enc UTF-8 '" + pdf.string() + "' -").c_str(), "r"),
                                             ::pclose);
  if (!pipe) return out;
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
  return out;
}

class EmfDingbatFaces : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> files = {test::kLiberationSans, test::kDejaVuSans, test::kOpenSymbolFont,
                                            test::kSymbola};
    if (!test::FontFilesPresent(files)) GTEST_SKIP() << "fonts-dejavu-core, fonts-opensymbol or fonts-symbola missing";
    fonts_ = std::make_unique<test::PrivateFonts>("emf-dingbat-faces", files);
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

TEST_F(EmfDingbatFaces, EveryCodeOfEachFaceDrawsItsCharacter) {
  // The missing-glyph box of each stand-in, drawn at a character none has
  // (an unassigned Greek code).
  std::vector<std::vector<std::uint8_t>> missing;
  for (const char16_t* standIn : kSymbolStandInFaces) missing.push_back(Draw(standIn, u"\u0378", false));
  struct Face {
    const char16_t* name;
    SymbolFace face;
  };
  const Face faces[] = {{u"Symbol", SymbolFace::kSymbol},
                        {u"Wingdings", SymbolFace::kWingdings},
                        {u"Wingdings 2", SymbolFace::kWingdings2},
                        {u"Wingdings 3", SymbolFace::kWingdings3},
                        {u"Webdings", SymbolFace::kWebdings}};
  for (const Face& f : faces) {
    int drawn = 0;
    for (std::uint32_t code = 0x21; code <= 0xFF; ++code) {
      const char32_t c = SymbolFaceChar(f.face, code);
      if (c == U' ' || c == kUndefined) continue;  // no character at the code
      SCOPED_TRACE(testing::Message() << std::string(WString(f.name).ToUtf8()) << " code 0x" << std::hex << code
                                      << " U+" << std::uint32_t(c));
      // The character in the stand-in that has it, as a text of that face
      // would draw it; private-use codes in a UTF-16 record alike.
      if (f.face != SymbolFace::kSymbol) {
        EXPECT_NE(std::uint32_t(c), code);
      }
      const std::vector<std::uint8_t> bits = Draw(f.name, std::u16string(1, char16_t(code)), true);
      EXPECT_TRUE(Draw(f.name, std::u16string(1, char16_t(0xF000 + code)), false) == bits);
      EXPECT_TRUE(Draw(ChooseStandInFace({c}), Utf16(c), false) == bits);
      EXPECT_GT(Ink(bits), 3);
      for (const std::vector<std::uint8_t>& box : missing) EXPECT_FALSE(bits == box) << "a missing-glyph box";
      ++drawn;
    }
    // Nearly every code of each face stands for a character.
    EXPECT_GT(drawn, 180) << std::string(WString(f.name).ToUtf8());
  }
}

// The printer's road: a PDF page whose text, read back, is the pictographs.
TEST_F(EmfDingbatFaces, PrintedPagesCarryThePictographs) {
  test::ScratchDir scratch;
  const std::filesystem::path file = scratch.Path() / "dingbats.pdf";
  TPrintDC_ dc("TEST", PrinterSettings{}, PrintPageSetup{210, 297, 300, 300, 200, 287, 5, 5});
  ASSERT_TRUE(dc.Valid());
  ASSERT_GT(dc.StartDoc(WString(u"dingbats"), WString::FromUtf8(file.string())), 0);
  ASSERT_GT(dc.StartPage(), 0);
  struct Line {
    const char16_t* face;
    std::u16string codes;
    const char* expected;  // UTF-8
  };
  const Line lines[] = {
      {u"Wingdings 2", u"\x21\x69\xF0", "\U0001F58A\u24EA\u2739"},  // pen, circled zero, star
      {u"Wingdings 3", u"\x21\x8A", "\u2B60\U0001F812"},               // arrows
      {u"Webdings", u"\x21\xFC", "\U0001F577\U0001F30D"},               // spider, globe
  };
  int y = 0;
  for (const Line& line : lines) {
    const std::vector<std::uint8_t> bytes = TextEmf(line.face, line.codes, true);
    const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
    ASSERT_TRUE(emf);
    EXPECT_TRUE(PlayEnhMetaFile(dc, *emf, TRect{100, 100 + y, 700, 700 + y}));
    y += 700;
  }
  ASSERT_GT(dc.EndPage(), 0);
  ASSERT_GT(dc.EndDoc(), 0);
  const std::string text = PdfText(file);
  for (const Line& line : lines) EXPECT_NE(text.find(line.expected), std::string::npos) << text;
}

}  // namespace
}  // namespace kvn
