// Public DXF files fed entity by entity from the ENTITIES section through
// the dispatcher and compared with a peer library: the extents of hatches,
// splines and polylines made into objects (tools/gen_dxf_extents_oracle.py,
// data/dxf_extents.txt), and the plain texts of MTEXT entities
// (tools/gen_mtext_oracle.py, data/mtext_plain.txt).
//
// The feeder below reads ASCII DXF only as far as these tests need it: the
// group-code pairs of the ENTITIES section, typed by their code ranges.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "import/records/ImportMatrix.h"
#include "import/records/YxxfGroupRecord.h"
#include "import/records/YxxfReader.h"
#include "model/cLine.h"
#include "import/records/TextRecord.h"
#include "model/cPolygon.h"
#include "tests/import/ImportTestSupport.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

enum class Kind { Text, Real, Integer };

Kind KindOf(int code) {
  if ((code >= 10 && code <= 59) || (code >= 110 && code <= 149) || (code >= 210 && code <= 239) ||
      (code >= 460 && code <= 469) || (code >= 1010 && code <= 1059)) {
    return Kind::Real;
  }
  if ((code >= 60 && code <= 99) || (code >= 160 && code <= 179) || (code >= 270 && code <= 299) ||
      (code >= 370 && code <= 389) || (code >= 400 && code <= 409) || (code >= 420 && code <= 429) ||
      (code >= 440 && code <= 459) || (code >= 1060 && code <= 1071)) {
    return Kind::Integer;
  }
  return Kind::Text;
}

void FeedEntities(const std::filesystem::path& file, YxxfReader& reader) {
  std::ifstream in(file, std::ios::binary);
  std::string codeLine, value, name;
  YxxfGroupRecord record;
  bool inEntities = false, sectionName = false;
  while (std::getline(in, codeLine) && std::getline(in, value)) {
    // Spaces around a code do not count; around a text value they are the text's.
    if (!value.empty() && value.back() == '\r') value.pop_back();
    const int code = std::stoi(codeLine);
    if (code == 0 || code == 2) {
      while (!value.empty() && value.back() == ' ') value.pop_back();
    }
    if (code == 0) {
      if (inEntities && !name.empty()) reader.DispatchSection(record, name.c_str(), YxxfSection::Entities);
      record.Clear();
      name = value;
      if (value == "SECTION") sectionName = true;
      if (value == "ENDSEC") inEntities = false;
      if (value == "SECTION" || value == "ENDSEC" || value == "EOF") name.clear();
      continue;
    }
    if (sectionName && code == 2) {
      inEntities = value == "ENTITIES";
      sectionName = false;
      continue;
    }
    switch (KindOf(code)) {
      case Kind::Real: record.AddDouble(std::uint16_t(code), std::stod(value)); break;
      case Kind::Integer: record.AddInt(std::uint16_t(code), std::int32_t(std::stoll(value))); break;
      case Kind::Text: record.AddString(std::uint16_t(code), std::string_view(value)); break;
    }
  }
}

struct Box {
  double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
  void Add(double x, double y) {
    x1 = std::min(x1, x), y1 = std::min(y1, y), x2 = std::max(x2, x), y2 = std::max(y2, y);
  }
};

// The tight box of the objects in drawing axes (y down).
Box Extent(const ObjectChain& chain) {
  Box box;
  for (cOutObj* o = chain.Head(); o; o = o->next) {
    if (auto* line = dynamic_cast<cLine*>(o)) {
      box.Add(line->start.x, line->start.y);
      box.Add(line->end.x, line->end.y);
    } else if (auto* polygon = dynamic_cast<cPolygon*>(o)) {
      for (std::uint32_t i = 0; i < polygon->ListCount(); ++i) {
        PointList& list = polygon->List(i);
        list.UpdateBounds();
        DRect tight, hull;
        list.GetBounds(tight, hull);
        box.Add(tight.x1, tight.y1);
        box.Add(tight.x2, tight.y2);
      }
    }
  }
  return box;
}

TEST(DxfSamplesTest, HatchesSplinesAndPolylinesMatchThePeer) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream oracle(std::string(KVN_IMPORT_TEST_DIR) + "/data/dxf_extents.txt");
  std::map<std::string, std::map<std::uint64_t, std::pair<std::string, Box>>> expected;
  std::string line;
  while (std::getline(oracle, line)) {
    std::istringstream in(line);
    std::string file, type, handle;
    Box b;
    in >> file >> type >> handle >> b.x1 >> b.y1 >> b.x2 >> b.y2;
    expected[file][std::stoull(handle, nullptr, 16)] = {type, b};
  }
  ASSERT_EQ(expected.size(), 2u);
  ImportMatrix identity;
  for (const auto& [file, entities] : expected) {
    SCOPED_TRACE(file);
    YxxfReader reader(WString::FromUtf8(file), 1);
    FeedEntities(dir / "dxf" / file, reader);
    std::size_t compared = 0;
    for (cOneObjRec* record : reader.defaultBlock.entities) {
      auto found = entities.find(record->handle);
      if (found == entities.end()) continue;
      const auto& [type, peer] = found->second;
      SCOPED_TRACE(type + " " + std::to_string(record->handle));
      ObjectChain chain = record->MakeObject(&identity, &reader, nullptr);
      const Box box = Extent(chain);
      // Arcs are cubic pieces within 2.8e-4 of their radius; the peer
      // flattens curves to 1e-4.
      const double size = std::max(peer.x2 - peer.x1, peer.y2 - peer.y1);
      const double tolerance = 3e-4 * size + 2e-4;
      EXPECT_NEAR(box.x1, peer.x1, tolerance);
      EXPECT_NEAR(box.x2, peer.x2, tolerance);
      EXPECT_NEAR(box.y1, -peer.y2, tolerance);
      EXPECT_NEAR(box.y2, -peer.y1, tolerance);
      ++compared;
    }
    EXPECT_EQ(compared, entities.size());
  }
}

TEST(DxfSamplesTest, MtextPlainTextsMatchThePeer) {
  KVN_REQUIRE_TESTDATA(dir);
  std::ifstream oracle(std::string(KVN_IMPORT_TEST_DIR) + "/data/mtext_plain.txt");
  std::map<std::string, std::map<std::uint64_t, std::string>> expected;
  std::string line;
  while (std::getline(oracle, line)) {
    const std::size_t a = line.find('\t'), b = line.find('\t', a + 1);
    std::string text;
    for (std::size_t i = b + 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size()) {
        text.push_back(line[i + 1] == 'n' ? '\n' : line[i + 1]);
        ++i;
      } else {
        text.push_back(line[i]);
      }
    }
    expected[line.substr(0, a)][std::stoull(line.substr(a + 1, b - a - 1), nullptr, 16)] = text;
  }
  ASSERT_EQ(expected.size(), 1u);
  for (const auto& [file, texts] : expected) {
    SCOPED_TRACE(file);
    YxxfReader reader(WString::FromUtf8(file), 1);
    FeedEntities(dir / "dxf" / file, reader);
    std::size_t compared = 0;
    for (cOneObjRec* record : reader.defaultBlock.entities) {
      auto found = texts.find(record->handle);
      if (found == texts.end() || !record->AsText()) continue;
      EXPECT_EQ(record->AsText()->text, WString::FromUtf8(found->second)) << std::hex << record->handle;
      ++compared;
    }
    EXPECT_EQ(compared, texts.size());
  }
}

}  // namespace
}  // namespace kvn
