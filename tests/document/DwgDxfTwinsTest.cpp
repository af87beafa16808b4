// The DWG example drawing and its DXF twins (text and binary) open into the
// same document: kvn-dump's sheets equal but for the last digits of the
// extents (1e-6 relative). The R14 and R13 files of the same drawing match
// it but for the differences listed here.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/TestData.h"

namespace kvn {
namespace {

std::string Dump(const std::string& path) {
  const std::string command = std::string(KVN_DUMP_PATH) + " '" + path + "'";
  std::FILE* pipe = popen(command.c_str(), "r");
  std::string out;
  if (!pipe) return out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
  pclose(pipe);
  return out;
}

// The sheets array: everything between "sheets" and "source".
std::string Sheets(const std::string& dump) {
  const std::size_t a = dump.find("\"sheets\": ");
  const std::size_t b = dump.find(", \"source\": ");
  return a == std::string::npos || b == std::string::npos ? std::string() : dump.substr(a, b - a);
}

constexpr char kExtentKey[] = "\"extent\": [";

// The text with every extent's numbers taken out (into `values` when given).
std::string WithoutExtents(const std::string& sheets, std::vector<double>* values = nullptr) {
  std::string out;
  std::size_t at = 0;
  for (;;) {
    const std::size_t key = sheets.find(kExtentKey, at);
    if (key == std::string::npos) break;
    const std::size_t open = key + sizeof kExtentKey - 1;
    const std::size_t close = sheets.find(']', open);
    if (close == std::string::npos) break;
    out.append(sheets, at, open - at);
    if (values) {
      std::size_t i = open;
      while (i < close) {
        std::size_t used = 0;
        values->push_back(std::stod(sheets.substr(i, close - i), &used));
        i += used;
        while (i < close && (sheets[i] == ',' || sheets[i] == ' ')) ++i;
      }
    }
    at = close;
  }
  out.append(sheets, at, std::string::npos);
  return out;
}

std::vector<double> Extents(const std::string& sheets) {
  std::vector<double> values;
  WithoutExtents(sheets, &values);
  return values;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

void ExpectSameDrawing(const std::string& a, const std::string& b, const std::string& what) {
  ASSERT_FALSE(a.empty()) << what;
  EXPECT_EQ(WithoutExtents(a), WithoutExtents(b)) << what;
  const std::vector<double> ea = Extents(a), eb = Extents(b);
  ASSERT_EQ(ea.size(), eb.size()) << what;
  for (std::size_t i = 0; i < ea.size(); ++i)
    EXPECT_NEAR(ea[i], eb[i], 1e-6 * std::max(1.0, std::fabs(ea[i]))) << what << " extent " << i;
}

TEST(DwgDxfTwins, TheExampleDrawingOpensAlikeFromDwgAndBothDxfForms) {
  KVN_REQUIRE_TESTDATA(data);
  const std::string dwg = Sheets(Dump((data / "dwg/libredwg_example_2000.dwg").string()));
  ExpectSameDrawing(dwg, Sheets(Dump((data / "dxf/libredwg_example_2000.dxf").string())), "ASCII DXF");
  ExpectSameDrawing(dwg, Sheets(Dump((data / "dxf/libredwg_example_2000_binary.dxf").string())), "binary DXF");

  // R14 stores the layer names in capitals with underscores; the rest is the
  // same drawing.
  std::string r14 = Sheets(Dump((data / "dwg/libredwg_example_r14.dwg").string()));
  r14 = Replaced(r14, "TAVOLO_", "Tavolo ");
  ExpectSameDrawing(dwg, r14, "R14");

  // R13: the same names as R14, and counts that differ: 23 inserts, 20
  // polygons, 5 texts against 21, 21 and 6 (the extents agree; the arc
  // dimension is one insert in both). A listed
  // difference, not yet explained; the test pins it so that a change shows.
  std::string r13 = Sheets(Dump((data / "dwg/libredwg_example_r13.dwg").string()));
  r13 = Replaced(r13, "TAVOLO_", "Tavolo ");
  EXPECT_NE(r13.find("\"cInsert\": 23, \"cLine\": 12, \"cPolygon\": 20, \"cText\": 5"), std::string::npos) << r13;
  const std::vector<double> e13 = Extents(r13), e2000 = Extents(dwg);
  ASSERT_EQ(e13.size(), e2000.size());
  for (std::size_t i = 0; i < e13.size(); ++i) EXPECT_NEAR(e13[i], e2000[i], 1e-6 * std::fabs(e2000[i]));
}

}  // namespace
}  // namespace kvn
