// A symbol face's pictograms sit at the codes 0x20 to 0xFF, which UTF-16
// records also write as the private-use codes 0xF020 to 0xF0FF: every code
// of the range, its last one included, draws in a metafile exactly what its
// byte draws, in each symbol face.
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
#include "tests/support/PrivateFonts.h"

namespace kvn {
namespace emf_symbol_range {

constexpr const char* kOpenSymbol = "/usr/share/fonts/truetype/libreoffice/opens___.ttf";
constexpr int kSide = 48;

// One character of a face (symbol character set), 30 pixels high.
std::vector<std::uint8_t> Draw(const std::u16string& face, std::uint16_t code, bool wide) {
  EmfBuilder b(1 << 16);
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
  le::Put32(f + 12, std::uint32_t(-30));
  le::Put32(f + 28, 400);
  f[35] = 2;  // SYMBOL_CHARSET
  f[38] = 3;  // no anti-aliasing: exact pixels
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  le::Put32(b.Add(U_EMR_SELECTOBJECT, 12) + 8, 1);
  std::uint8_t* t = b.Add(wide ? U_EMR_EXTTEXTOUTW : U_EMR_EXTTEXTOUTA, 80);
  le::Put32(t + 24, 1);
  le::Put32(t + 36, 6);
  le::Put32(t + 40, 36);
  le::Put32(t + 44, 1);
  le::Put32(t + 48, 76);
  if (wide) {
    le::Put16(t + 76, code);
  } else {
    t[76] = std::uint8_t(code);
  }
  EXPECT_TRUE(b.Finish(2));
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(b.Bytes().Items(), b.Bytes().Count());
  std::vector<std::uint8_t> bits(kSide * kSide * 4, 0xFF);
  if (!emf) return bits;
  auto dc = RasterDC::Create(bits.data(), kSide, kSide);
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kSide, kSide}));
  dc->Flush();
  return bits;
}

class EmfSymbolRange : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> files = {test::kLiberationSans, test::kDejaVuSans, kOpenSymbol};
    if (!test::FontFilesPresent(files)) GTEST_SKIP() << "fonts-liberation2, fonts-dejavu-core or fonts-opensymbol missing";
    fonts_ = std::make_unique<test::PrivateFonts>("emf-symbol-range", files);
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

TEST_F(EmfSymbolRange, EveryPrivateUseCodeDrawsWhatItsByteDraws) {
  for (const std::u16string face : {u"Symbol", u"Wingdings"}) {
    int mismatches = 0;
    for (std::uint16_t code = 0x20; code <= 0xFF; ++code) {
      const std::vector<std::uint8_t> byte = Draw(face, code, false);
      const std::vector<std::uint8_t> privateUse = Draw(face, std::uint16_t(0xF000 + code), true);
      if (byte != privateUse && ++mismatches <= 5) {
        ADD_FAILURE() << std::string(face.begin(), face.end()) << ": U+" << std::hex << (0xF000 + code)
                      << " draws otherwise than the byte " << code;
      }
    }
    EXPECT_EQ(mismatches, 0);
  }
}

}  // namespace emf_symbol_range
}  // namespace kvn
