// What the import leaves out of a drawing it opens is told in the user's
// language: every warning an open result carries is the language table's
// text of that language, with the counts and the path filled in.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "document/LoadQuestions.h"
#include "dwg/InstallReaders.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportWarnings.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::vector<std::u16string> Warnings(const std::string& text, const std::filesystem::path& path) {
  ByteArray bytes;
  bytes.AppendBytes(text.data(), std::int64_t(text.size()));
  InstallReaders();
  InFileStream in = InFileStream::FromMemory(bytes);
  FormatReadContext context;
  context.quiet = true;
  context.questions = &NoQuestions();
  DocumentResult result = LoadDxfStream(in, WString::FromUtf8(path.string()), nullptr, nullptr, &context);
  EXPECT_TRUE(result.Ok());
  std::vector<std::u16string> out;
  for (const WString& warning : result.Warnings()) out.emplace_back(warning.View());
  return out;
}

TEST(ImportWarnings, EveryWarningOfAnOpenComesFromTheLanguageTables) {
  // A block inserting itself, an array of 20,000 cells (all made, nothing
  // to tell) and a reference to a file that is not there.
  test::DxfWriter w;
  w.Section("BLOCKS").Block("SELF").Line("0", 0, 0, 1, 0).Insert("SELF", "0", 1, 1).EndBlock();
  w.Block("CELL").Line("0", 0, 0, 1, 0).EndBlock();
  w.Str(0, "BLOCK").Str(8, "0").Str(2, "XREF").Int(70, 4).Point(10, 0, 0).Str(1, "missing.dxf").EndBlock();
  w.EndSection().Section("ENTITIES").Insert("SELF", "0", 0, 0).Insert("XREF", "0", 100, 0);
  w.Str(0, "INSERT").Str(8, "0").Str(2, "CELL").Point(10, 0, 0).Int(70, 200).Int(71, 100).Real(44, 1).Real(45, 1);
  w.EndSection().Eof();
  test::ScratchDir dir;
  const std::string text = w.Bytes();

  std::vector<std::u16string> english;
  for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
    SCOPED_TRACE(language);
    SetLanguageIndex(language);
    InvalidateLangTable();
    const std::vector<std::u16string> warnings = Warnings(text, dir / "host.dxf");
    const std::vector<std::u16string> expected = {
        std::u16string(ReferenceLeftOutWarning(WString(u"missing.dxf")).View()),
        std::u16string(SelfInsertsWarning(1, 64).View()),
    };
    for (const std::u16string& e : expected) {
      EXPECT_NE(std::find(warnings.begin(), warnings.end(), e), warnings.end()) << WString(e).ToUtf8();
    }
    if (language == kLanguageEnglish) {
      english = warnings;
      EXPECT_NE(expected[1].find(u"1 inserts of a block into itself (or nested deeper than 64)"), std::u16string::npos);
      EXPECT_EQ(warnings.size(), expected.size());
    } else {
      // Not one English text is left in the other languages.
      for (const std::u16string& warning : warnings) {
        EXPECT_EQ(std::find(english.begin(), english.end(), warning), english.end()) << WString(warning).ToUtf8();
      }
    }
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

}  // namespace
}  // namespace kvn
