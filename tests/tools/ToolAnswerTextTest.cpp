// The texts of the tools' JSON answers: valid UTF-8 whatever bytes the file
// or the command line held, and the open's warning for a metafile drawn
// wholly in EMF+ records.
#include <glib.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/LangTable.h"
#include "import/pictures/PictureReader.h"
#include "tests/support/Language.h"
#include "tests/support/TestData.h"
#include "tools/JsonText.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

// The command's standard output, its errors dropped.
std::string ToolOutput(const std::string& command) {
  std::string out;
  std::FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

bool ValidUtf8(const std::string& text) { return g_utf8_validate(text.data(), gssize(text.size()), nullptr); }

TEST(ToolAnswerTextTest, BytesThatAreNoUtf8ComeOutEscapedAndTheAnswerStaysUtf8) {
  test::ScratchDir dir;
  // An entity name of 78 bytes ending in 0x80, a layer name in a code page
  // (0xE9) and a cut sequence: counted under entities, skipped and
  // skippedReasons, and named among the layers.
  const std::string name = "LIN" + std::string(74, 'E') + "\x80";
  const fs::path drawing = dir / "names.dxf";
  {
    std::ofstream out(drawing, std::ios::binary);
    out << "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2\nCaf\xe9\n70\n0\n62\n1\n0\nENDTAB\n0\nENDSEC\n"
        << "0\nSECTION\n2\nENTITIES\n0\n" << name << "\n8\nCaf\xe9\n10\n0\n20\n0\n11\n1\n21\n1\n"
        << "0\nLINE\n8\n\xe2\x82\n10\n0\n20\n0\n11\n1\n21\n1\n0\nENDSEC\n0\nEOF\n";
  }
  const std::string dump = ToolOutput(std::string(KVN_DUMP_PATH) + " '" + drawing.string() + "'");
  ASSERT_EQ(dump.rfind("{\"result\": 0,", 0), 0u) << dump;
  EXPECT_TRUE(ValidUtf8(dump)) << dump;
  // Escaped byte by byte, so that names that differ stay apart.
  const std::string escaped = "\"LIN" + std::string(74, 'E') + "\\u0080\"";
  std::size_t seen = 0;
  for (std::size_t at = dump.find(escaped); at != std::string::npos; at = dump.find(escaped, at + 1)) ++seen;
  EXPECT_GE(seen, 3u) << dump;

  // kvn-render's answer names a picture it cannot write.
  const std::string render = ToolOutput(std::string(KVN_RENDER_PATH) + " '" + drawing.string() + "' '" +
                                 (dir / "no\xff" / "out.png").string() + "' --width 32 --height 32");
  ASSERT_NE(render.find("no\\u00ff"), std::string::npos) << render;
  EXPECT_TRUE(ValidUtf8(render)) << render;
}

// Each byte of a cut or stray sequence is escaped as itself, so that names
// differing in any of its bytes stay different keys.
TEST(ToolAnswerTextTest, ACutSequenceIsEscapedByteByByteAndTwoSuchNamesStayTwoKeys) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"CUT\xe2\x82", "\"CUT\\u00e2\\u0082\""},
      {"CUT\xe2\x83", "\"CUT\\u00e2\\u0083\""},
      {"\xf0\x9f\x98", "\"\\u00f0\\u009f\\u0098\""},
      {"a\xff" "b\xe2\x82\xac", "\"a\\u00ffb\xe2\x82\xac\""},
      {"q\"\\\n\x01", "\"q\\\"\\\\\\n\\u0001\""},
  };
  for (const auto& c : cases) {
    std::string out;
    tool::AppendJsonString(out, c.in);
    EXPECT_EQ(out, c.out);
  }

  test::ScratchDir dir;
  const fs::path drawing = dir / "cut.dxf";
  {
    std::ofstream out(drawing, std::ios::binary);
    out << "0\nSECTION\n2\nENTITIES\n"
        << "0\nCUT\xe2\x82\n8\n0\n10\n0\n20\n0\n"
        << "0\nCUT\xe2\x83\n8\n0\n10\n0\n20\n0\n"
        << "0\nCUT\xe2\x83\n8\n0\n10\n0\n20\n0\n0\nENDSEC\n0\nEOF\n";
  }
  const std::string dump = ToolOutput(std::string(KVN_DUMP_PATH) + " '" + drawing.string() + "'");
  ASSERT_EQ(dump.rfind("{\"result\": 0,", 0), 0u) << dump;
  EXPECT_TRUE(ValidUtf8(dump)) << dump;
  const std::size_t entities = dump.find("\"entities\": {");
  ASSERT_NE(entities, std::string::npos) << dump;
  EXPECT_NE(dump.find("\"CUT\\u00e2\\u0082\": 1", entities), std::string::npos) << dump;
  EXPECT_NE(dump.find("\"CUT\\u00e2\\u0083\": 2", entities), std::string::npos) << dump;
}

TEST(ToolAnswerTextTest, AMetafileDrawnOnlyInEmfPlusIsToldAndAnOrdinaryOneIsNot) {
  KVN_REQUIRE_TESTDATA(data);
  // Switched as the tools switch: a table an earlier test loaded in another
  // language would translate the text here.
  test::UseLanguage(ReadLanguageSetting());
  const std::string told = LoadLangString(kStrEmfPlusNotDrawn).ToUtf8();
  InvalidateLangTable();
  auto warned = [&](const char* file) {
    const std::string dump = ToolOutput(std::string(KVN_DUMP_PATH) + " '" + (data / "metafile" / file).string() + "'");
    EXPECT_EQ(dump.rfind("{\"result\": 0,", 0), 0u) << dump;
    const std::size_t at = dump.find("\"warnings\": [");
    return at != std::string::npos && dump.find("\"" + told + "\"", at) != std::string::npos;
  };
  EXPECT_TRUE(warned("libuemf_test_libuemf_p_ref.emf"));
  EXPECT_FALSE(warned("libuemf_test_libuemf_ref.emf"));
  EXPECT_FALSE(warned("emf2svg_test-181.emf"));
}

}  // namespace
}  // namespace kvn
