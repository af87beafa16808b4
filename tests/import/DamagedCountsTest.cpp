// Damaged counts and sizes of point-sequence entities, one value at a time:
// each either leaves the object whole (the items that follow still hold its
// vertices or edges) or drops it with a count under skippedReasons and one
// warning of the open. Never a silent loss.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "document/DwgLoadReport.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "foundation/InFileStream.h"
#include "foundation/LangTable.h"
#include "import/dxf/DxfReader.h"
#include "import/records/ImportLosses.h"
#include "model/cAnyFill.h"
#include "model/cBlock.h"
#include "model/cPolygon.h"
#include "model/cSection.h"
#include "tests/support/DxfWriter.h"

namespace kvn {
namespace {

using test::DxfWriter;

// The value written in place of one group: the group is named by its code
// and by which of the groups of that code it is (0 the first).
struct Damage {
  int code = 0;
  int occurrence = 0;
  double value = 0;
};

class EntityWriter {
 public:
  EntityWriter(DxfWriter& w, const Damage* damage) : w_(w), damage_(damage) {}
  EntityWriter& Int(int code, std::int32_t value) {
    if (Hit(code)) {
      w_.Int(code, std::int32_t(damage_->value));
    } else {
      w_.Int(code, value);
    }
    return *this;
  }
  EntityWriter& Real(int code, double value) {
    w_.Real(code, Hit(code) ? damage_->value : value);
    return *this;
  }
  EntityWriter& Str(int code, std::string_view value) {
    w_.Str(code, value);
    return *this;
  }
  EntityWriter& Point(int code, double x, double y) {
    w_.Point(code, x, y);
    return *this;
  }
  EntityWriter& Point2(int code, double x, double y) {
    w_.Real(code, x).Real(code + 10, y);
    return *this;
  }

 private:
  bool Hit(int code) { return damage_ && damage_->code == code && seen_[code]++ == damage_->occurrence; }
  DxfWriter& w_;
  const Damage* damage_;
  int seen_[1100] = {};
};

enum class Kind { Spline, FitSpline, FitOnlySpline, LwPolyline, Polyline, Hatch, Viewport };

void WriteEntity(DxfWriter& w, Kind kind, const Damage* damage) {
  EntityWriter e(w, damage);
  switch (kind) {
    case Kind::Spline:
      e.Str(0, "SPLINE").Str(5, "A1").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDbSpline");
      e.Int(70, 8).Int(71, 3).Int(72, 8).Int(73, 4).Int(74, 0);
      for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) e.Real(40, k);
      e.Point(10, 0, 0).Point(10, 10, 20).Point(10, 20, -20).Point(10, 30, 0);
      return;
    case Kind::FitSpline:
      e.Str(0, "SPLINE").Str(5, "A2").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDbSpline");
      e.Int(70, 8).Int(71, 3).Int(72, 8).Int(73, 4).Int(74, 3);
      for (double k : {0, 0, 0, 0, 1, 1, 1, 1}) e.Real(40, k);
      e.Point(10, 0, 0).Point(10, 10, 20).Point(10, 20, -20).Point(10, 30, 0);
      e.Point(11, 0, 0).Point(11, 15, 5).Point(11, 30, 0);
      return;
    case Kind::FitOnlySpline:
      e.Str(0, "SPLINE").Str(5, "A8").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDbSpline");
      e.Int(70, 8).Int(71, 3).Int(72, 0).Int(73, 0).Int(74, 3);
      e.Point(11, 0, 0).Point(11, 15, 5).Point(11, 30, 0);
      return;
    case Kind::LwPolyline:
      e.Str(0, "LWPOLYLINE").Str(5, "A3").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDbPolyline");
      e.Int(90, 4).Int(70, 0);
      e.Point2(10, 0, 0).Point2(10, 10, 0).Point2(10, 10, 10).Point2(10, 0, 10);
      return;
    case Kind::Polyline:
      e.Str(0, "POLYLINE").Str(5, "A4").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDb2dPolyline");
      e.Int(66, 1).Point(10, 0, 0).Int(70, 0);
      for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) {
        e.Str(0, "VERTEX").Str(8, "0").Str(100, "AcDbVertex").Str(100, "AcDb2dVertex").Point(10, x, y);
      }
      e.Str(0, "SEQEND").Str(8, "0");
      return;
    case Kind::Hatch: {
      // A polyline path and an edge path.
      e.Str(0, "HATCH").Str(5, "A5").Str(8, "0").Str(100, "AcDbEntity").Str(100, "AcDbHatch");
      e.Point(10, 0, 0).Str(2, "SOLID").Int(70, 1).Int(71, 0).Int(91, 2);
      e.Int(92, 2).Int(72, 0).Int(73, 1).Int(93, 4);
      e.Point2(10, 0, 0).Point2(10, 10, 0).Point2(10, 10, 10).Point2(10, 0, 10).Int(97, 0);
      e.Int(92, 1).Int(93, 4);
      const double square[5][2] = {{20, 0}, {30, 0}, {30, 10}, {20, 10}, {20, 0}};
      for (int i = 0; i < 4; ++i) {
        e.Int(72, 1).Point2(10, square[i][0], square[i][1]).Point2(11, square[i + 1][0], square[i + 1][1]);
      }
      e.Int(97, 0).Int(75, 1).Int(76, 1).Int(98, 1).Point2(10, 5, 5);
      return;
    }
    case Kind::Viewport:
      e.Str(0, "VIEWPORT").Str(5, "A6").Str(8, "0").Str(100, "AcDbEntity").Int(67, 1).Str(100, "AcDbViewport");
      e.Point(10, 148.5, 105).Real(40, 297).Real(41, 210).Int(69, 1);
      e.Str(0, "VIEWPORT").Str(5, "A7").Str(8, "0").Str(100, "AcDbEntity").Int(67, 1).Str(100, "AcDbViewport");
      e.Point(10, 200, 60).Real(40, 60).Real(41, 40).Int(69, 2).Point2(12, 0, 0).Real(45, 20);
      return;
  }
}

struct Outcome {
  bool ok = false;
  std::size_t points = 0;    // every point of every polygon, on every sheet
  std::size_t sections = 0;  // views on the sheets
  std::uint64_t damaged = 0;  // skipped for a damaged count
  std::vector<std::string> warnings;
};

Outcome Open(Kind kind, const Damage* damage) {
  DxfWriter w;
  w.Section("ENTITIES");
  WriteEntity(w, kind, damage);
  w.EndSection().Eof();
  ByteArray bytes;
  bytes.AppendBytes(w.Bytes().data(), std::int64_t(w.Bytes().size()));
  InFileStream in = InFileStream::FromMemory(bytes);
  DwgLoadReport report;
  DocumentResult result = LoadDxfStream(in, WString(u"damaged.dxf"), nullptr, &report);
  Outcome out;
  out.ok = result.Ok();
  if (!out.ok) return out;
  const cDrawingDoc& document = *result.Document();
  for (std::uint32_t s = 0; s < document.SheetCount(); ++s) {
    for (cOutObj* o = document.GetSheet(s)->TopBlock().FirstObject(); o; o = o->next) {
      if (o->AsSection()) ++out.sections;
      const cAnyFill* fill = o->AsAnyFill();
      const cPolygon* polygon = fill ? fill->AsPolygon() : nullptr;
      if (!polygon) continue;
      for (std::uint32_t l = 0; l < polygon->ListCount(); ++l) out.points += polygon->List(l).Count();
    }
  }
  for (const auto& [name, reasons] : report.skippedReasons) {
    for (const auto& [reason, count] : reasons) {
      if (reason == "damaged count") out.damaged += count;
    }
  }
  for (const WString& warning : result.Warnings()) out.warnings.push_back(warning.ToUtf8());
  return out;
}

TEST(DamagedCountsTest, EachDamagedCountKeepsTheObjectOrIsCountedAndTold) {
  constexpr double kMillion = 1e6;
  constexpr double kMax = INT_MAX, kMin = INT_MIN;
  struct Case {
    Kind kind;
    int code;
    int occurrence;
    std::vector<double> values;
  };
  const std::vector<double> spline = {-1, 0, 255, 65535, kMillion, kMax, kMin};
  const std::vector<double> hatch = {0, -1, kMillion, kMin};
  const Case cases[] = {
      {Kind::Spline, 73, 0, spline},         {Kind::Spline, 74, 0, spline},
      {Kind::FitSpline, 73, 0, spline},      {Kind::FitSpline, 74, 0, spline},
      {Kind::FitOnlySpline, 73, 0, spline},  {Kind::FitOnlySpline, 74, 0, spline},
      {Kind::LwPolyline, 90, 0, {0, -1, kMin}}, {Kind::LwPolyline, 70, 0, {kMillion}},
      {Kind::Polyline, 70, 0, {kMillion}},   {Kind::Hatch, 91, 0, hatch},
      {Kind::Hatch, 92, 0, hatch},           {Kind::Hatch, 92, 1, hatch},
      {Kind::Hatch, 93, 0, hatch},           {Kind::Hatch, 93, 1, hatch},
      {Kind::Viewport, 45, 0, {0, -1, -1e300}},
  };
  const std::string told = LoadLangString(kStrLostDamagedCount).ToUtf8();
  const std::string toldStart = told.substr(0, told.find("%s"));
  InvalidateLangTable();
  for (const Case& c : cases) {
    const Outcome whole = Open(c.kind, nullptr);
    ASSERT_TRUE(whole.ok);
    ASSERT_GT(whole.points + whole.sections, 0u) << int(c.kind);
    for (double value : c.values) {
      const Damage damage{c.code, c.occurrence, value};
      const Outcome damaged = Open(c.kind, &damage);
      SCOPED_TRACE("kind " + std::to_string(int(c.kind)) + " code " + std::to_string(c.code) + "#" +
                   std::to_string(c.occurrence) + " = " + std::to_string(value));
      ASSERT_TRUE(damaged.ok);
      const bool kept = damaged.points == whole.points && damaged.sections == whole.sections;
      bool warned = false;
      for (const std::string& warning : damaged.warnings) warned = warned || warning.starts_with(toldStart);
      EXPECT_TRUE(kept || (damaged.damaged == 1 && warned))
          << "points " << damaged.points << " of " << whole.points << ", views " << damaged.sections << " of "
          << whole.sections << ", skipped as damaged " << damaged.damaged << ", warned " << warned;
    }
  }
}

}  // namespace
}  // namespace kvn
