// A DWG and its DXF twin, opened as the viewer opens them, draw the same
// lines: every open polygon of the model (the multileaders' leader lines
// among them, with their doglegs, which the DWG form states differently
// from the DXF form) lies in both at the same points. The lines of LEADER
// entities are left out: the DXF form of a leader with a hook line lists
// the hook's vertex, the DWG form does not.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "dwg/InstallReaders.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cPolygon.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::unique_ptr<cDrawingDoc> Open(const std::filesystem::path& path) {
  InstallReaders();
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  return OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
}

std::string PointText(double x, double y) {
  std::ostringstream text;
  text.setf(std::ios::fixed);
  text.precision(6);
  text << "(" << x + 0.0 << " " << y + 0.0 << ")";
  return text.str();
}

// The first vertex of each LEADER entity of a DXF file, as the model has it
// (y down).
std::vector<std::string> LeaderStarts(const std::filesystem::path& dxf) {
  std::vector<std::string> out;
  std::ifstream in(dxf);
  std::string code, value, entity;
  double x = 0;
  bool wantX = false, wantY = false;
  auto trim = [](std::string s) {
    s.erase(0, s.find_first_not_of(" \t\r"));
    s.erase(s.find_last_not_of(" \t\r") + 1);
    return s;
  };
  while (std::getline(in, code) && std::getline(in, value)) {
    code = trim(code);
    value = trim(value);
    if (code == "0") {
      entity = value;
      wantX = entity == "LEADER";
    } else if (wantX && code == "10") {
      x = std::stod(value);
      wantX = false;
      wantY = true;
    } else if (wantY && code == "20") {
      out.push_back(PointText(x, -std::stod(value)));
      wantY = false;
    }
  }
  return out;
}

// Each open point list of the model's polygons as text (coordinates to a
// millionth), with how often it occurs.
std::map<std::string, int> OpenLines(const std::filesystem::path& path, const std::vector<std::string>& leaders) {
  std::map<std::string, int> out;
  auto document = Open(path);
  EXPECT_TRUE(document) << path;
  if (!document) return out;
  cSheet& sheet = *document->GetSheet(0);
  for (cOutObj* o = sheet.TopBlock().FirstObject(); o; o = o->next) {
    const cAnyFill* fill = o->AsAnyFill();
    const cPolygon* polygon = fill ? fill->AsPolygon() : nullptr;
    if (!polygon) continue;
    for (std::uint32_t i = 0; i < polygon->ListCount(); ++i) {
      const PointList& list = polygon->List(i);
      if (list.IsClosed()) continue;
      std::string text;
      for (const DPoint& p : list.Points()) text += PointText(p.x, p.y);
      const bool leader = std::any_of(leaders.begin(), leaders.end(),
                                      [&](const std::string& start) { return text.rfind(start, 0) == 0; });
      if (!leader) ++out[text];
    }
  }
  return out;
}

TEST(DwgDxfTwin, MultileaderLeadersAndOtherOpenLinesAreDrawnAlike) {
  KVN_REQUIRE_TESTDATA(data);
  const std::vector<std::string> leaders = LeaderStarts(data / "dxf/acadsharp_sample_AC1024_ascii.dxf");
  EXPECT_FALSE(leaders.empty());
  const auto dwg = OpenLines(data / "dwg/acadsharp_sample_AC1024.dwg", leaders);
  const auto dxf = OpenLines(data / "dxf/acadsharp_sample_AC1024_ascii.dxf", leaders);
  // The drawing's multileaders alone give more than twenty leader lines.
  int lines = 0;
  for (const auto& [points, count] : dxf) lines += count;
  EXPECT_GT(lines, 20);
  for (const auto& [points, count] : dxf) {
    const auto found = dwg.find(points);
    EXPECT_EQ(found == dwg.end() ? 0 : found->second, count) << "DXF line not drawn alike from the DWG: " << points;
  }
  for (const auto& [points, count] : dwg) {
    EXPECT_TRUE(dxf.count(points)) << "DWG line the DXF twin does not draw: " << points;
  }
}

}  // namespace
}  // namespace kvn
