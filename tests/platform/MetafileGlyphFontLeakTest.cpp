// Metafiles whose window makes an extreme anisotropic mapping (one axis
// stretched millions of times over the other) or whose fonts are larger
// than FreeType sizes a face: their text runs paint with nothing kept
// behind. Each run made cairo a scaled font it could not use, and one was
// lost per run; the leak checker reports it at the latest when the program
// ends, here already when the test does. A large font in fine logical units
// is still drawn.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/fonts/FontLayerFaces.h"
#include "platform/gdi/LeBytes.h"
#include "platform/gdi/TextFaces.h"
#include "platform/gdi/RasterDC.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfPlayer.h"
#include "platform/metafile/WmfToEmf.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

// Present in the sanitizer build only.
extern "C" int __lsan_do_recoverable_leak_check() __attribute__((weak));

namespace kvn {
namespace {

std::vector<std::uint8_t> ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first record of a type in an EMF, by walking the record sizes.
std::uint8_t* FindRecord(std::vector<std::uint8_t>& emf, std::uint32_t type) {
  std::size_t at = 0;
  while (at + 8 <= emf.size()) {
    const std::uint32_t size = le::U32(emf.data() + at + 4);
    if (le::U32(emf.data() + at) == type) return emf.data() + at;
    if (size < 8 || size > emf.size() - at) break;
    at += size;
  }
  return nullptr;
}

constexpr int kWidth = 320, kHeight = 240;

std::vector<std::uint8_t> Paint(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> bits(kWidth * kHeight * 4, 0xFF);
  const std::optional<EmfDocument> emf = EmfDocument::FromBytes(bytes.data(), bytes.size());
  EXPECT_TRUE(emf);
  auto dc = RasterDC::Create(bits.data(), kWidth, kHeight);
  if (!emf || !dc) return bits;
  EXPECT_TRUE(PlayEnhMetaFile(*dc, *emf, TRect{0, 0, kWidth, kHeight}));
  dc->Flush();
  return bits;
}

int Ink(const std::vector<std::uint8_t>& bits) {
  int n = 0;
  for (std::size_t i = 0; i < bits.size(); i += 4) n += bits[i] < 128;
  return n;
}

// "Hello" in a font `fontHeight` logical units high, the window `scale`
// times the picture's pixels: the text stands 40 pixels high.
std::vector<std::uint8_t> FineUnitsText(std::int32_t scale) {
  EmfBuilder b(1 << 16);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 32, kWidth * 100);
  le::Put32(h + 36, kHeight * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kWidth);  // one pixel per mm
  le::Put32(h + 76, kHeight);
  le::Put32(h + 80, kWidth);
  le::Put32(h + 84, kHeight);
  le::Put32(b.Add(U_EMR_SETMAPMODE, 12) + 8, U_MM_ANISOTROPIC);
  std::uint8_t* w = b.Add(U_EMR_SETWINDOWEXTEX, 16);
  le::Put32(w + 8, std::uint32_t(kWidth * scale));
  le::Put32(w + 12, std::uint32_t(kHeight * scale));
  std::uint8_t* v = b.Add(U_EMR_SETVIEWPORTEXTEX, 16);
  le::Put32(v + 8, kWidth);
  le::Put32(v + 12, kHeight);
  le::Put32(b.Add(U_EMR_SETBKMODE, 12) + 8, U_TRANSPARENT);
  le::Put32(b.Add(U_EMR_SETTEXTALIGN, 12) + 8, U_TA_BASELINE);
  std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  le::Put32(f + 8, 1);
  le::Put32(f + 12, std::uint32_t(-40 * scale));
  le::Put32(f + 28, 400);
  const std::u16string face = u"Liberation Sans";
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  le::Put32(b.Add(U_EMR_SELECTOBJECT, 12) + 8, 1);
  const std::u16string text = u"Hello";
  std::uint8_t* t = b.Add(U_EMR_EXTTEXTOUTW, 76 + 12);
  le::Put32(t + 24, 1);
  le::Put32(t + 36, std::uint32_t(10 * scale));
  le::Put32(t + 40, std::uint32_t(100 * scale));
  le::Put32(t + 44, std::uint32_t(text.size()));
  le::Put32(t + 48, 76);
  for (std::size_t i = 0; i < text.size(); ++i) le::Put16(t + 76 + 2 * i, text[i]);
  EXPECT_TRUE(b.Finish(2));
  return {b.Bytes().Items(), b.Bytes().Items() + b.Bytes().Count()};
}

class MetafileGlyphFontLeak : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<std::string> files = {test::kLiberationSans, test::kLiberationSerif, test::kDejaVuSans};
    if (!test::FontFilesPresent(files)) GTEST_SKIP() << "fonts-liberation2 or fonts-dejavu-core missing";
    fonts_ = std::make_unique<test::PrivateFonts>("metafile-glyph-font-leak", files);
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

TEST_F(MetafileGlyphFontLeak, ExtremeAnisotropicWindowsLeaveNothingBehind) {
  KVN_REQUIRE_TESTDATA(dir);
  constexpr std::uint32_t kSetWindowExtEx = 9;
  std::vector<std::uint8_t> emf = ReadAll(dir / "metafile/libuemf_test_mm_anisotropic_ref.emf");
  std::uint8_t* extent = FindRecord(emf, kSetWindowExtEx);
  ASSERT_NE(extent, nullptr);
  for (const std::uint32_t cx : {16409709u, 1u, 0x7FFFFFFFu}) {
    SCOPED_TRACE(cx);
    le::Put32(extent + 8, cx);
    Paint(emf);
  }

  // A font too large for FreeType at any mapping.
  std::vector<std::uint8_t> large = ReadAll(dir / "metafile/libuemf_test_mm_anisotropic_ref.emf");
  constexpr std::uint32_t kExtCreateFontIndirectW = 82;
  std::uint8_t* font = FindRecord(large, kExtCreateFontIndirectW);
  ASSERT_NE(font, nullptr);
  le::Put32(font + 12, std::uint32_t(-20000000));
  Paint(large);

  // The WMF twin: its window one unit wide, through the translation.
  std::vector<std::uint8_t> wmf = ReadAll(dir / "metafile/libuemf_test_libuemf_ref.wmf");
  ASSERT_GT(wmf.size(), std::size_t(kPlaceableHeaderSize + 18));
  bool patched = false;
  for (std::size_t at = kPlaceableHeaderSize + 18; at + 6 <= wmf.size();) {
    const std::uint32_t words = le::U32(wmf.data() + at);
    const std::uint16_t function = le::U16(wmf.data() + at + 4);
    if (function == 0x020C && at + 10 <= wmf.size()) {  // META_SETWINDOWEXT: y, then x
      le::Put16(wmf.data() + at + 8, 1);
      patched = true;
      break;
    }
    if (words < 3 || words > (wmf.size() - at) / 2) break;
    at += std::size_t(words) * 2;
  }
  ASSERT_TRUE(patched);
  PlaceableHeader header;
  ASSERT_TRUE(ReadPlaceableHeader(wmf.data(), wmf.size(), &header));
  WmfPicture picture;
  picture.hasWindow = true;
  picture.windowLeft = header.left;
  picture.windowTop = header.top;
  picture.windowWidth = header.right - header.left;
  picture.windowHeight = header.bottom - header.top;
  ByteArray converted;
  ASSERT_TRUE(
      ConvertWmfToEmf(wmf.data() + kPlaceableHeaderSize, wmf.size() - kPlaceableHeaderSize, picture, converted));
  Paint({converted.Items(), converted.Items() + converted.Count()});

  // A font larger than FreeType takes, in logical units ten thousand times
  // finer than the pixels: drawn 40 pixels high, as in plain pixels.
  const int plain = Ink(Paint(FineUnitsText(1)));
  EXPECT_GT(plain, 200);
  EXPECT_NEAR(Ink(Paint(FineUnitsText(10000))), plain, plain / 20);

  if (__lsan_do_recoverable_leak_check) {
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0);
  }
}

}  // namespace
}  // namespace kvn
