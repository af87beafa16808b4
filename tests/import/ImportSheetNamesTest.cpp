// The sheets of a CAD drawing are named by its layouts wherever a sheet is
// named (the drawing record the tabs, page box, printing and export read):
// the DXF and DWG twins of one drawing give the same names, in every
// interface language; a loaded external reference is named by the block
// that refers to it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "foundation/LangTable.h"
#include "model/cBlock.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

std::unique_ptr<cDrawingDoc> Open(const fs::path& path) {
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
}

TEST(ImportSheetNames, LayoutsNameTheSheetsOfBothTwinsInEveryLanguage) {
  KVN_REQUIRE_TESTDATA(data);
  const std::vector<std::string> names{"Model", "MyLayout", "Layout1", "Layout2"};
  for (const char* file : {"dxf/acadsharp_sample_AC1024_ascii.dxf", "dwg/acadsharp_sample_AC1024.dwg"}) {
    for (int language : {kLanguageEnglish, kLanguageCzech, kLanguageSlovak}) {
      SCOPED_TRACE(std::string(file) + " " + std::to_string(language));
      SetLanguageIndex(language);
      InvalidateLangTable();
      auto document = Open(data / file);
      ASSERT_TRUE(document);
      ASSERT_EQ(document->SheetCount(), names.size());
      for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
        EXPECT_EQ(document->GetSheet(i)->Drawing().name.ToUtf8(), names[i]);
        EXPECT_EQ(document->GetPageEntryTitle(i).ToUtf8(), names[i]);
      }
    }
  }
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
}

// A file with layouts keeps its sheets, their order and what each holds,
// whatever *Paper_Space blocks it carries besides: the DXF and DWG twins
// alike.
TEST(ImportSheetNames, AFileWithLayoutsKeepsItsSheets) {
  KVN_REQUIRE_TESTDATA(data);
  using Sheets = std::vector<std::pair<std::string, std::size_t>>;
  const Sheets acadsharp{{"Model", 187}, {"MyLayout", 1}, {"Layout1", 1}, {"Layout2", 1}};
  const Sheets example{{"Model", 64}};
  const std::pair<const char*, Sheets> files[] = {
      {"dxf/dxfparser_api-cw750-details.dxf",
       {{"Model", 1483}, {"Sheet 1", 11}, {"Sheet 2", 5}, {"Sheet 3", 6}, {"Sheet 4", 17}}},
      {"dxf/ezdxf_text.dxf", {{"Model", 222}, {"Layout2", 1}, {"Layout1", 1}}},
      {"dwg/libredwg_2018_Dynblocks.dwg", {{"Model", 117}, {"Layout2", 1}, {"Layout1", 1}}},
      {"dxf/acadsharp_sample_AC1024_ascii.dxf", acadsharp},
      {"dwg/acadsharp_sample_AC1024.dwg", acadsharp},
      {"dxf/libredwg_example_2000.dxf", example},
      {"dwg/libredwg_example_2000.dwg", example},
  };
  for (const auto& [file, sheets] : files) {
    SCOPED_TRACE(file);
    auto document = Open(data / file);
    ASSERT_TRUE(document);
    Sheets got;
    for (std::uint32_t i = 0; i < document->SheetCount(); ++i) {
      std::size_t n = 0;
      for (cOutObj* o = document->GetSheet(i)->TopBlock().FirstObject(); o; o = o->next) ++n;
      got.emplace_back(document->GetSheet(i)->Drawing().name.ToUtf8(), n);
    }
    EXPECT_EQ(got, sheets);
  }
}

TEST(ImportSheetNames, AReferenceSheetIsNamedByItsBlock) {
  test::ScratchDir dir;
  test::DxfWriter leaf;
  leaf.Section("ENTITIES").Line("0", 0, 0, 5, 5).EndSection().Eof();
  test::DxfWriter host;
  host.Section("BLOCKS").Str(0, "BLOCK").Str(8, "0").Str(2, "PUMP_ROOM").Int(70, 4).Point(10, 0, 0);
  host.Str(1, "leaf.dxf").EndBlock().EndSection();
  host.Section("ENTITIES").Line("0", 0, 0, 10, 10).Insert("PUMP_ROOM", "0", 100, 0).EndSection().Eof();
  for (const auto& [name, bytes] : {std::pair{"leaf.dxf", leaf.Bytes()}, std::pair{"host.dxf", host.Bytes()}})
    ASSERT_TRUE(test::SaveBytes((dir / name).string(), std::vector<std::uint8_t>(bytes.begin(), bytes.end())));
  auto document = Open(dir / "host.dxf");
  ASSERT_TRUE(document);
  ASSERT_EQ(document->SheetCount(), 2u);
  EXPECT_EQ(document->GetSheet(0)->Drawing().name.ToUtf8(), "Model");
  EXPECT_EQ(document->GetSheet(1)->isReference, 1);
  EXPECT_EQ(document->GetSheet(1)->Drawing().name.ToUtf8(), "PUMP_ROOM");
}

}  // namespace
}  // namespace kvn
