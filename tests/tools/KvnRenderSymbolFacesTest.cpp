// kvn-render of metafiles written in the dingbat faces, with no such font
// installed: each line draws the pictographs its codes stand for, the same
// pixels as a metafile that writes those characters in Symbola itself, and
// not the Latin letters the codes are.
#include <gtest/gtest.h>
#include <uemf.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/gdi/LeBytes.h"
#include "platform/metafile/EmfBuilder.h"
#include "platform/metafile/EmfValidate.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/PrivateFonts.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 240, kHeight = 60;
constexpr int kAdvance = 40;

// One line of text at a fixed advance per code: bytes in the symbol
// character set, or UTF-16 units (a surrogate pair advances as one code).
void WriteEmf(const fs::path& file, const std::u16string& face, const std::u16string& units, bool symbolCharset) {
  EmfBuilder b(1 << 12);
  std::uint8_t* h = b.Add(U_EMR_HEADER, 108);
  le::Put32(h + 16, kWidth - 1);  // bounds
  le::Put32(h + 20, kHeight - 1);
  le::Put32(h + 32, kWidth * 100);  // frame
  le::Put32(h + 36, kHeight * 100);
  le::Put32(h + 40, kEmfSignature);
  le::Put32(h + 44, 0x10000);
  le::Put32(h + 72, kWidth);
  le::Put32(h + 76, kHeight);
  le::Put32(h + 80, kWidth);
  le::Put32(h + 84, kHeight);
  le::Put32(b.Add(U_EMR_SETBKMODE, 12) + 8, U_TRANSPARENT);
  le::Put32(b.Add(U_EMR_SETTEXTALIGN, 12) + 8, U_TA_BASELINE);
  std::uint8_t* f = b.Add(U_EMR_EXTCREATEFONTINDIRECTW, 104);
  le::Put32(f + 8, 1);
  le::Put32(f + 12, std::uint32_t(-36));
  le::Put32(f + 28, 400);
  f[35] = symbolCharset ? 2 : 1;
  for (std::size_t i = 0; i < face.size(); ++i) le::Put16(f + 40 + 2 * i, face[i]);
  le::Put32(b.Add(U_EMR_SELECTOBJECT, 12) + 8, 1);
  const std::uint32_t count = std::uint32_t(units.size());
  const std::uint32_t text = ((count * (symbolCharset ? 1 : 2)) + 3) & ~3u;
  std::uint8_t* t = b.Add(symbolCharset ? U_EMR_EXTTEXTOUTA : U_EMR_EXTTEXTOUTW, 76 + text + 4 * count);
  le::Put32(t + 24, 1);
  le::Put32(t + 36, 10);
  le::Put32(t + 40, 45);
  le::Put32(t + 44, count);
  le::Put32(t + 48, 76);
  le::Put32(t + 72, 76 + text);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (symbolCharset) t[76 + i] = std::uint8_t(units[i]);
    else le::Put16(t + 76 + 2 * i, units[i]);
    const bool low = !symbolCharset && units[i] >= 0xDC00 && units[i] < 0xE000;
    le::Put32(t + 76 + text + 4 * i, low ? 0 : kAdvance);
  }
  ASSERT_TRUE(b.Finish(2));
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(b.Bytes().Items()), b.Bytes().Count());
}

TEST(KvnRenderSymbolFaces, DingbatLinesDrawThePictographs) {
  const std::vector<std::string> files = {test::kLiberationSans, test::kDejaVuSans, test::kOpenSymbolFont,
                                          test::kSymbola};
  if (!test::FontFilesPresent(files)) GTEST_SKIP() << "fonts-dejavu-core, fonts-opensymbol or fonts-symbola missing";
  test::ScratchDir dir;
  test::PrivateFonts fonts("kvn-render-symbol-faces", files);
  const fs::path conf = fs::current_path() / "private-fonts" / "kvn-render-symbol-faces" / "fonts.conf";
  auto render = [&](const fs::path& emf) {
    const fs::path png = fs::path(emf).replace_extension(".png");
    const std::string command = "FONTCONFIG_FILE='" + conf.string() + "' " + std::string(KVN_RENDER_PATH) +
                                " --width " + std::to_string(2 * kWidth) + " --height " + std::to_string(2 * kHeight) +
                                " '" +
                                emf.string() + "' '" + png.string() + "' 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    test::Picture picture;
    if (!pipe) return picture;
    std::string out;
    char buf[1024];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) out.append(buf, n);
    EXPECT_EQ(pclose(pipe), 0) << out;
    EXPECT_TRUE(test::ReadPng(png, &picture)) << out;
    return picture;
  };
  auto ink = [](const test::Picture& p) {
    int n = 0;
    for (std::uint32_t pixel : p.pixels) n += (pixel & 0xFF) < 0x80;
    return n;
  };
  struct Line {
    const char16_t* face;
    std::u16string codes;
    std::u16string unicode;  // UTF-16
  };
  const Line lines[] = {
      {u"Wingdings 2", u"\x21\x69\xF0", u"\U0001F58A\u24EA\u2739"},  // pen, circled zero, star
      {u"Wingdings 3", u"\x21\x8A", u"\u2B60\U0001F812"},              // arrows
      {u"Webdings", u"\x21\xFC", u"\U0001F577\U0001F30D"},              // spider, globe
      {u"Wingdings", u"\x25\x4E", u"\U0001F56D\U0001F571"},             // bell, black skull
  };
  for (const Line& line : lines) {
    SCOPED_TRACE(WString(line.face).ToUtf8());
    WriteEmf(dir / "codes.emf", line.face, line.codes, true);
    WriteEmf(dir / "unicode.emf", u"Symbola", line.unicode, false);
    WriteEmf(dir / "letters.emf", u"Symbola", line.codes, false);
    const test::Picture codes = render(dir / "codes.emf");
    const test::Picture unicode = render(dir / "unicode.emf");
    EXPECT_GT(ink(unicode), 200);
    EXPECT_TRUE(codes.pixels == unicode.pixels);
    EXPECT_FALSE(codes.pixels == render(dir / "letters.emf").pixels);
  }
}

}  // namespace
}  // namespace kvn
