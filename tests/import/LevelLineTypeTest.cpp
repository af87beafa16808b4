// The line type of a CAD layer reaches the level made from it, by handle:
// a DWG's levels against the layer table of its DXF twin (the same
// drawing, the same handles), and the two words of the handle in their
// order on levels numbered apart from their layers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "foundation/GrowArray.h"
#include "foundation/InFileStream.h"
#include "import/dxf/DxfReader.h"
#include "import/records/TableRecords.h"
#include "import/records/YxxfReader.h"
#include "model/LevelTable.h"
#include "model/cDrawingData.h"
#include "tests/support/DxfWriter.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\r' || s.back() == ' ')) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && s[i] == ' ') ++i;
  return s.substr(i);
}

// Layer name (upper case) -> handle of its line type, read from the LTYPE
// and LAYER entries of a text DXF.
std::map<std::string, std::uint64_t> LayerLineTypes(const std::string& path) {
  std::ifstream in(path);
  std::map<std::string, std::uint64_t> lineTypes;
  std::map<std::string, std::string> layers;
  std::string code, value, entity, name, handle, lineType;
  auto flush = [&] {
    if (entity == "LTYPE") lineTypes[Upper(name)] = std::strtoull(handle.c_str(), nullptr, 16);
    if (entity == "LAYER") layers[Upper(name)] = Upper(lineType);
    name.clear();
    handle.clear();
    lineType.clear();
  };
  while (std::getline(in, code) && std::getline(in, value)) {
    const int c = std::atoi(Trim(code).c_str());
    value = Trim(value);
    if (c == 0) {
      flush();
      entity = value;
      if (value == "ENDSEC" && !layers.empty()) break;
    } else if (c == 2) {
      name = value;
    } else if (c == 5) {
      handle = value;
    } else if (c == 6) {
      lineType = value;
    }
  }
  std::map<std::string, std::uint64_t> out;
  for (const auto& [layer, type] : layers) out[layer] = lineTypes.count(type) ? lineTypes[type] : 0;
  return out;
}

TEST(LevelLineTypeTest, DwgLevelsCarryTheirLayersLineTypeAsTheDxfTwinNamesIt) {
  KVN_REQUIRE_TESTDATA(data);
  const std::map<std::string, std::uint64_t> expected =
      LayerLineTypes((data / "dxf/acadsharp_sample_AC1024_ascii.dxf").string());
  ASSERT_EQ(expected.at("LAYER_LT_DASH"), 0x280u);
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> document =
      OpenDrawingFile(WString::FromUtf8((data / "dwg/acadsharp_sample_AC1024.dwg").string()), request, outcome);
  ASSERT_TRUE(document);
  int checked = 0;
  bool dashed = false;
  for (std::uint32_t s = 0; s < document->SheetCount(); ++s) {
    LevelTable& levels = document->GetSheet(s)->Data()->Levels();
    for (std::uint32_t i = 0; i < levels.Count(); ++i) {
      const LevelRecord& level = *levels.GetLevel(std::uint16_t(i));
      const std::string name = Upper(level.name.ToUtf8());
      SCOPED_TRACE(name);
      ASSERT_TRUE(expected.count(name));
      EXPECT_EQ(level.lineTypeHandle, expected.at(name));
      dashed = dashed || level.lineTypeHandle == 0x280u;
      ++checked;
    }
    // The default layer "0" is no level and keeps none.
    EXPECT_EQ(levels.GetLevel(65535)->lineTypeHandle, 0u);
  }
  EXPECT_GT(checked, 3);
  EXPECT_TRUE(dashed);
}

// Layers given their line types as the DWG readers give them (a DXF names
// its line type instead): an unused layer makes no level, so level and
// layer numbers differ; the handle's high word is the upper half.
TEST(LevelLineTypeTest, TheHandleOfEachLayerGoesToItsOwnLevelWordsInOrder) {
  test::DxfWriter w;
  w.Section("TABLES").Str(0, "TABLE").Str(2, "LAYER");
  w.Layer("0", 7).Layer("UNUSED", 1).Layer("WALLS", 2).Layer("AXES", 3).Str(0, "ENDTAB").EndSection();
  w.Section("ENTITIES").Line("AXES", 0, 0, 10, 0).Line("WALLS", 0, 0, 0, 10).Line("0", 0, 0, 5, 5);
  w.EndSection().Eof();
  ByteArray bytes;
  bytes.AppendBytes(w.Bytes().data(), std::int64_t(w.Bytes().size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  YxxfReader reader(WString(u"levels.dxf"), 1);
  DxfReadOutcome outcome;
  ASSERT_TRUE(ReadDxfSections(reader, nullptr, in, outcome));
  const std::map<std::string, std::uint64_t> handles{
      {"0", 0x10}, {"UNUSED", 0x1'0000'0016}, {"WALLS", 0x15}, {"AXES", 0x2'0000'0017}};
  ASSERT_EQ(reader.layers.Count(), 4u);
  for (YxxfLayerRec* layer : reader.layers) {
    const std::uint64_t h = handles.at(layer->name.ToUtf8());
    layer->lineTypeHandleLow = std::uint32_t(h);
    layer->lineTypeHandleHigh = std::uint32_t(h >> 32);
  }
  std::unique_ptr<cDrawingDoc> document = reader.AssembleDrawing(nullptr);
  ASSERT_TRUE(document);
  LevelTable& levels = document->GetSheet(0)->Data()->Levels();
  ASSERT_EQ(levels.Count(), 2u);
  EXPECT_EQ(levels.GetLevel(0)->name, WString(u"WALLS"));
  EXPECT_EQ(levels.GetLevel(0)->lineTypeHandle, 0x15u);
  EXPECT_EQ(levels.GetLevel(1)->name, WString(u"AXES"));
  EXPECT_EQ(levels.GetLevel(1)->lineTypeHandle, 0x2'0000'0017u);
  EXPECT_EQ(levels.GetLevel(65535)->lineTypeHandle, 0u);
}

}  // namespace
}  // namespace kvn
