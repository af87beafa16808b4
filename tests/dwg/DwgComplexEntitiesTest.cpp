// The complex entity handlers on objects of the test writer: every type in
// every release, the item orders the dispatcher relies on, and damaged
// counts at every level of nesting.
#include <gtest/gtest.h>

#include <functional>
#include <numbers>

#include "import/records/YxxfGroupRecord.h"
#include "tests/dwg/DwgTestSupport.h"
#include "tests/support/DwgComplexWriter.h"

namespace kvn {
namespace {

using namespace test;

constexpr int kReleases[] = {14, 15, 18, 21, 24, 27, 32};
constexpr double kQuarterPi = std::numbers::pi / 4;

// Reads one object with the test classes mapped; the reader stays for the
// record.
struct Read {
  Read(const std::vector<std::uint8_t>& bytes, int release, bool ac1012 = false)
      : data(bytes), source(data), reader(WString(), release, ac1012) {
    reader.SetSource(&source);
    reader.AddDwgClass(kImageClass, "IMAGE", true);
    reader.AddDwgClass(kImageDefClass, "IMAGEDEF", false);
    reader.AddDwgClass(kMultiLeaderClass, "MULTILEADER", true);
    ok = reader.ReadDwgObject(std::uint32_t(data.size()));
    record = RecordOf(reader);
    codes = CodesOf(reader.TakeRecord());
  }
  // The codes from the first item of `code` on.
  std::vector<int> From(int code, std::size_t n) const {
    const int at = IndexOf(codes, code);
    if (at < 0) return {};
    const auto begin = codes.begin() + at;
    return std::vector<int>(begin, begin + std::ptrdiff_t(std::min<std::size_t>(n, codes.size() - std::size_t(at))));
  }
  std::vector<std::uint8_t> data;
  DwgMemorySource source;
  DwgReader reader;
  bool ok = false;
  std::unique_ptr<YxxfGroupRecord> record;
  std::vector<int> codes;
};

// The entity's own fields failed: up to R2000 the object is still read for
// its links (entity code 0, the common items only), later it is lost.
bool OwnFieldsFailed(const Read& got) { return !got.ok || got.reader.EntityCode() == 0; }

// The record holds the common entity items alone: handle, layer, line
// type, colour, line-type scale, visibility, space, extended data and the
// pseudo-codes of links.
bool OnlyCommonItems(const std::vector<int>& codes) {
  for (int code : codes) {
    if (code != 5 && code != 6 && code != 8 && code != 48 && code != 60 && code != 62 && code != 67 &&
        code != 420 && code < 1000) {
      return false;
    }
  }
  return true;
}

std::vector<double> DoublesOf(const YxxfGroupRecord& r, std::uint16_t code) {
  std::vector<double> out;
  std::uint32_t at = 0;
  double v = 0;
  while (r.FindDouble(v, code, &at)) out.push_back(v);
  return out;
}

int CountOf(const std::vector<int>& codes, int code) { return int(std::count(codes.begin(), codes.end(), code)); }

TEST(DwgComplexEntities, EveryTypeInEveryRelease) {
  for (int release : kReleases) {
    for (const DwgSampleObject& sample : DwgComplexSampleObjects(release)) {
      SCOPED_TRACE(sample.typeName + " release " + std::to_string(release));
      Read got(sample.bytes, release);
      ASSERT_TRUE(got.ok);
      EXPECT_EQ(got.reader.objectStatistics.Read(sample.typeName), 1u);
      const YxxfGroupRecord& r = *got.record;
      const std::string& name = sample.typeName;
      if (name == "HATCH") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kHatch);
        EXPECT_EQ(r.GetString(2), WString(u"ANSI31"));
        EXPECT_EQ(r.GetInt(91), 2);
        // Polyline path with bulges, then four edges; R2010 spline fit data.
        EXPECT_EQ(DoublesOf(r, 42), (std::vector<double>{0, 0.5, 0}));
        EXPECT_EQ(r.GetInt(97, -1), release >= 24 ? 2 : -1);
        EXPECT_EQ(r.GetInt(450, -1), release >= 18 ? 1 : -1);
        EXPECT_EQ(CountOf(got.codes, 421), release >= 18 ? 2 : 0);
        EXPECT_DOUBLE_EQ(r.GetDouble(52), 45.0);
      } else if (name == "SPLINE") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kSpline);
        EXPECT_EQ(r.GetInt(71), 3);
      } else if (name == "LEADER") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kLeader);
        EXPECT_EQ(r.GetInt(76), 3);
        EXPECT_EQ(DoublesOf(r, 10), (std::vector<double>{0, 5, 8}));
      } else if (name == "TYPE_47") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kMLine);
        EXPECT_EQ(r.GetInt(72), 2);
        EXPECT_EQ(r.GetInt(73), 2);
      } else if (name == "VIEWPORT") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kViewport);
        EXPECT_EQ(r.GetDouble(40), 200.0);
        // Frozen layers from R2000 on.
        EXPECT_EQ(CountOf(got.codes, 331), release >= 15 ? 2 : 0);
      } else if (name == "IMAGE") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kImage);
        EXPECT_EQ(r.GetHandle(340), 0x57u);
        EXPECT_EQ(r.GetHandle(360), 0x58u);
      } else if (name == "IMAGEDEF") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kImageDef);
        EXPECT_EQ(r.GetString(1), WString(u"C:\\pictures\\plan.png"));
        EXPECT_EQ(r.GetDouble(20), 480.0);
      } else if (name == "OLE2FRAME") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kOle2Frame);
        ByteArray chunk;
        ASSERT_TRUE(r.FindBytes(chunk, 310));
        EXPECT_EQ(chunk.Count(), 7u);
        EXPECT_EQ(r.GetInt(90), 7);
      } else if (name == "MULTILEADER") {
        EXPECT_EQ(got.reader.EntityCode(), entity::kMultiLeader);
        EXPECT_EQ(r.GetHandle(340), release >= 24 ? 0x15u : 0x11u);
      } else {
        ADD_FAILURE() << "no check for " << name;
      }
    }
  }
}

TEST(DwgComplexEntities, SolidHatchHasNoPatternItems) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    DwgHatchSpec spec;
    DwgHatchPath square;
    square.flags = 2;
    square.vertices = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    spec.paths = {square};
    spec.elevation = 2.5;
    Read got(HatchObject(release, 0x80, spec), release);
    ASSERT_TRUE(got.ok);
    for (int code : {52, 41, 77, 78, 53, 79}) EXPECT_EQ(IndexOf(got.codes, code), -1) << code;
    EXPECT_EQ(got.record->GetInt(70), 1);
    EXPECT_EQ(got.record->GetDouble(30), 2.5);
    EXPECT_EQ(got.record->GetInt(93), 4);
    // No bulges: no 42.
    EXPECT_EQ(IndexOf(got.codes, 42), -1);
  }
}

TEST(DwgComplexEntities, LineAndArcEdgesInTheirItemOrder) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    DwgHatchSpec spec;
    DwgHatchPath path;
    DwgHatchEdge line;
    line.x1 = 1, line.y1 = 2, line.x2 = 3, line.y2 = 4;
    DwgHatchEdge arc;
    arc.type = 2;
    arc.x1 = 5, arc.y1 = 6, arc.value = 2, arc.start = 0, arc.end = std::numbers::pi / 2;
    path.edges = {line, arc};
    spec.paths = {path};
    Read got(HatchObject(release, 0x80, spec), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.From(72, 12), (std::vector<int>{72, 10, 20, 11, 21, 72, 10, 20, 40, 50, 51, 73}));
    EXPECT_EQ(DoublesOf(*got.record, 51), (std::vector<double>{90.0}));
    EXPECT_EQ(DoublesOf(*got.record, 11), (std::vector<double>{3.0}));
  }
}

TEST(DwgComplexEntities, PatternAnglesInDegrees) {
  DwgHatchSpec spec;
  spec.solid = false;
  spec.name = "ANSI31";
  spec.patternAngle = kQuarterPi;
  spec.patternScale = 2;
  DwgHatchLine first;
  first.angle = kQuarterPi;
  first.dashes = {0.5, -0.25};
  DwgHatchLine second;
  second.angle = std::numbers::pi;
  spec.lines = {first, second};
  DwgHatchPath path;
  path.flags = 2;
  path.vertices = {{0, 0}, {1, 0}, {0, 1}};
  spec.paths = {path};
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(HatchObject(release, 0x80, spec), release);
    ASSERT_TRUE(got.ok);
    EXPECT_DOUBLE_EQ(got.record->GetDouble(52), 45.0);
    EXPECT_EQ(got.record->GetDouble(41), 2.0);
    EXPECT_EQ(got.record->GetInt(70), 0);
    EXPECT_EQ(got.record->GetInt(78), 2);
    const auto angles = DoublesOf(*got.record, 53);
    ASSERT_EQ(angles.size(), 2u);
    EXPECT_DOUBLE_EQ(angles[0], 45.0);
    EXPECT_DOUBLE_EQ(angles[1], 180.0);
    EXPECT_EQ(got.From(53, 9), (std::vector<int>{53, 43, 44, 45, 46, 79, 49, 49, 53}));
  }
}

TEST(DwgComplexEntities, WeightedSplineGivesEachWeightBeforeItsPoint) {
  DwgSplineSpec spec;
  spec.rational = true;
  spec.closed = true;
  spec.knots = {0, 0, 0, 1, 1, 1};
  spec.points = {{0, 0, 0}, {1, 1, 0}, {2, 0, 0}};
  spec.weights = {1, 0.5, 1};
  spec.degree = 2;
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(SplineObject(release, 0x80, spec), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.record->GetInt(70), 1 | 4);
    EXPECT_EQ(got.record->GetInt(71), 2);
    EXPECT_EQ(got.record->GetInt(72), 6);
    EXPECT_EQ(got.record->GetInt(73), 3);
    EXPECT_EQ(DoublesOf(*got.record, 41), (std::vector<double>{1, 0.5, 1}));
    EXPECT_EQ(got.From(41, 12), (std::vector<int>{41, 10, 20, 30, 41, 10, 20, 30, 41, 10, 20, 30}));
    EXPECT_EQ(CountOf(got.codes, 40), 6);
  }
  // Fit points, and control points without weights: no 41.
  DwgSplineSpec fit;
  fit.scenario = 2;
  fit.points = {{0, 0, 0}, {5, 5, 0}};
  fit.endTangent = {1, 0, 0};
  for (int release : kReleases) {
    Read got(SplineObject(release, 0x80, fit), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.record->GetInt(74), 2);
    EXPECT_EQ(DoublesOf(*got.record, 11), (std::vector<double>{0, 5}));
    EXPECT_EQ(got.record->GetDouble(13), 1.0);
    EXPECT_EQ(IndexOf(got.codes, 41), -1);
  }
}

// The dispatch takes the DWG records of damaged counts as it takes the DXF
// ones: a spline without points and a view without a height are counted as
// lost, the paper's overall viewport (the first, DWG giving no ids) is kept.
TEST(DwgComplexEntities, RecordsLeftWithNothingToDrawAreCountedAsDamaged) {
  for (int release : kReleases) {
    if (release < 15) continue;
    SCOPED_TRACE(release);
    DwgSplineSpec empty;
    empty.scenario = release >= 27 ? 1 : 3;
    Read spline(SplineObject(release, 0x80, empty), release);
    ASSERT_TRUE(spline.ok);
    spline.reader.DispatchEntity(*spline.record, entity::kSpline);
    EXPECT_EQ(spline.reader.statistics.Lost("SPLINE", LossReason::DamagedCount), 1u);
    EXPECT_EQ(spline.reader.statistics.Handed(ImportSpace::Model, "SPLINE"), 0u);

    DwgEntityCommon paper;
    paper.mode = 1;
    Read overall(ViewportObject(release, 0x80, {}, 0, 0.0, paper), release);
    Read view(ViewportObject(release, 0x81, {}, 0, 0.0, paper), release);
    ASSERT_TRUE(overall.ok && view.ok);
    YxxfReader& reader = overall.reader;
    reader.DispatchEntity(*overall.record, entity::kViewport);
    reader.DispatchEntity(*view.record, entity::kViewport);
    EXPECT_EQ(reader.statistics.Lost("VIEWPORT", LossReason::DamagedCount), 1u);
    EXPECT_EQ(reader.defaultBlock.viewportRecords, 1u);
  }
}

TEST(DwgComplexEntities, OleFrameLongerThanItsObjectFails) {
  const std::vector<std::uint8_t> data(40, 0xAB);
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read whole(Ole2FrameObject(release, 0x80, data), release);
    ASSERT_TRUE(whole.ok);
    ByteArray chunk;
    ASSERT_TRUE(whole.record->FindBytes(chunk, 310));
    EXPECT_EQ(chunk.Count(), 40u);
    EXPECT_EQ(CountOf(whole.codes, 310), 1);

    Read damaged(Ole2FrameObject(release, 0x80, data, 100000), release);
    EXPECT_TRUE(OwnFieldsFailed(damaged));
    EXPECT_EQ(IndexOf(damaged.codes, 310), -1);
    EXPECT_EQ(damaged.reader.objectStatistics.Skipped("OLE2FRAME", DwgSkipReason::Overrun), 1u);
  }
}

TEST(DwgComplexEntities, ImageHandlesFollowTheCommonHandles) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(ImageObject(release, 0x80, 0x44, 0x45), release);
    ASSERT_TRUE(got.ok);
    const int layer = IndexOf(got.codes, 8);
    ASSERT_GE(layer, 0);
    EXPECT_GT(IndexOf(got.codes, 340), layer);
    EXPECT_EQ(IndexOf(got.codes, 360), IndexOf(got.codes, 340) + 1);
    EXPECT_EQ(got.record->GetHandle(340), 0x44u);
    EXPECT_EQ(got.record->GetHandle(360), 0x45u);
    EXPECT_EQ(got.record->GetDouble(13), 640.0);
    EXPECT_EQ(got.record->GetDouble(22), 0.5);
  }
}

TEST(DwgComplexEntities, ViewportFrozenLayersAndAnglesInDegrees) {
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(ViewportObject(release, 0x80, {0x21, 0x22, 0x23}), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.record->GetDouble(41), 120.0);
    if (release < 15) {
      EXPECT_EQ(IndexOf(got.codes, 331), -1);
      EXPECT_EQ(IndexOf(got.codes, 17), -1);
      continue;
    }
    std::vector<std::uint64_t> frozen;
    for (const auto& [code, h] : RecordHandleItems(got.reader.TakeRecord())) {
      if (code == 331) frozen.push_back(h);
    }
    EXPECT_EQ(frozen, (std::vector<std::uint64_t>{0x21, 0x22, 0x23}));
    EXPECT_DOUBLE_EQ(got.record->GetDouble(51), 0.5 * 180 / std::numbers::pi);
    EXPECT_EQ(got.record->GetDouble(45), 300.0);
    EXPECT_EQ(got.record->GetDouble(12), 10.0);
    EXPECT_EQ(got.record->GetDouble(22), 20.0);
    EXPECT_EQ(got.record->GetInt(72), 1000);
  }
}

TEST(DwgComplexEntities, MultilineLinesAndParameters) {
  DwgMLineVertex a, b;
  b.point = {10, 0, 0};
  a.lines = b.lines = {{{0.0, 10.0}, {}}, {{0.5}, {0.25, 0.75}}};
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(MLineObject(release, 0x80, 2, {a, b}), release);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.reader.EntityCode(), entity::kMLine);
    EXPECT_EQ(got.record->GetInt(72), 2);
    EXPECT_EQ(got.record->GetInt(73), 2);
    EXPECT_EQ(got.From(11, 22), (std::vector<int>{11, 21, 31, 12, 22, 32, 13, 23, 33, 74, 41, 41, 75, 74, 41,
                                                   75, 42, 42, 11, 21, 31, 12}));
    EXPECT_EQ(DoublesOf(*got.record, 42), (std::vector<double>{0.25, 0.75, 0.25, 0.75}));
  }
}

TEST(DwgComplexEntities, LeaderOfTheFirstR13FilesHasNoEndPointProjection) {
  const std::vector<std::array<double, 3>> points = {{0, 0, 0}, {4, 4, 0}};
  Read ac1012(LeaderObject(14, 0x80, points, true), 14, true);
  ASSERT_TRUE(ac1012.ok);
  EXPECT_EQ(ac1012.record->GetInt(76), 2);
  EXPECT_EQ(ac1012.record->GetDouble(230), 1.0);
  Read r14(LeaderObject(14, 0x80, points, false), 14, false);
  ASSERT_TRUE(r14.ok);
  EXPECT_EQ(r14.record->GetInt(72), 1);
  // Read with the other rule, the fields after the points fall apart.
  Read wrong(LeaderObject(14, 0x80, points, false), 14, true);
  EXPECT_TRUE(OwnFieldsFailed(wrong));
  EXPECT_EQ(IndexOf(wrong.codes, 76), -1);
}

// Each count of a nested list is held against the bits the object has left
// before its loop: a claimed 2^31 (or 65535 for the 16-bit counts) fails the
// object at once, before any item of the list is emitted.
constexpr std::uint32_t kHuge = 0x80000000u;

struct Claim {
  const char* what;
  std::function<std::vector<std::uint8_t>(int release)> object;
  int listCode;  // a failed object has no item of this code
  const char* typeName;
  int fromRelease = 14;
};

std::vector<Claim> Claims() {
  auto hatch = [](std::function<void(DwgHatchSpec&)> change) {
    return [change](int release) {
      DwgHatchSpec s;
      DwgHatchPath edges;
      DwgHatchEdge spline;
      spline.type = 4;
      spline.knots = {0, 1};
      edges.edges = {spline};
      DwgHatchPath polyline;
      polyline.flags = 2;
      polyline.vertices = {{0, 0}, {1, 1}};
      s.paths = {edges, polyline};
      s.solid = false;
      DwgHatchLine line;
      line.dashes = {1};
      s.lines = {line};
      s.seeds = {{0, 0}};
      s.colours = {1};
      s.gradient = true;
      change(s);
      return HatchObject(release, 0x80, s);
    };
  };
  return {
      {"hatch paths", hatch([](DwgHatchSpec& s) { s.claimedPaths = kHuge; }), 92, "HATCH"},
      {"hatch edges", hatch([](DwgHatchSpec& s) { s.paths[0].claimedCount = kHuge; }), 72, "HATCH"},
      {"hatch knots", hatch([](DwgHatchSpec& s) { s.paths[0].edges[0].claimedKnots = kHuge; }), 95, "HATCH"},
      {"hatch vertices", hatch([](DwgHatchSpec& s) { s.paths[1].claimedCount = kHuge; }), 42, "HATCH"},
      {"hatch pattern lines", hatch([](DwgHatchSpec& s) { s.claimedLines = 65535; }), 53, "HATCH"},
      {"hatch dashes", hatch([](DwgHatchSpec& s) { s.lines[0].claimedDashes = 65535; }), 49, "HATCH"},
      {"hatch seeds", hatch([](DwgHatchSpec& s) { s.claimedSeeds = kHuge; }), 8, "HATCH"},
      {"gradient colours", hatch([](DwgHatchSpec& s) { s.claimedColours = kHuge; }), 421, "HATCH", 18},
      {"spline points",
       [](int release) {
         DwgSplineSpec s;
         s.knots = {0, 1};
         s.points = {{1, 2, 3}};
         s.claimedPoints = kHuge;
         return SplineObject(release, 0x80, s);
       },
       10, "SPLINE"},
      {"leader points", [](int release) { return LeaderObject(release, 0x80, {{1, 2, 3}}, false, kHuge); }, 10,
       "LEADER"},
      {"multiline vertices",
       [](int release) {
         DwgMLineVertex v;
         v.lines = {{{1.0}, {}}};
         return MLineObject(release, 0x80, 1, {v}, 65535);
       },
       11, "TYPE_47"},
      {"viewport frozen layers", [](int release) { return ViewportObject(release, 0x80, {0x21}, kHuge); }, 8,
       "VIEWPORT", 15},
      {"image clip points", [](int release) { return ImageObject(release, 0x80, 1, 2, false, kHuge); }, 340,
       "IMAGE"},
      {"multileader leaders",
       [](int release) {
         DwgMLeaderSpec s;
         s.leaders.resize(1);
         s.claimedLeaders = kHuge;
         return MultiLeaderObject(release, 0x80, s);
       },
       302, "MULTILEADER"},
      {"multileader lines",
       [](int release) {
         DwgMLeaderSpec s;
         s.leaders.resize(1);
         s.leaders[0].lines.resize(1);
         s.leaders[0].claimedLines = kHuge;
         return MultiLeaderObject(release, 0x80, s);
       },
       304, "MULTILEADER"},
      {"multileader points",
       [](int release) {
         DwgMLeaderSpec s;
         s.leaders.resize(1);
         s.leaders[0].lines.resize(1);
         s.leaders[0].lines[0].points = {{1, 2, 3}};
         s.leaders[0].lines[0].claimedPoints = kHuge;
         return MultiLeaderObject(release, 0x80, s);
       },
       91, "MULTILEADER"},
      {"multileader attributes",
       [](int release) {
         DwgMLeaderSpec s;
         s.attributes = {{0x30, "A"}};
         s.claimedAttributes = kHuge;
         return MultiLeaderObject(release, 0x80, s);
       },
       302, "MULTILEADER"},
  };
}

TEST(DwgComplexEntities, ClaimedCountsBeyondTheObjectFailAtEveryLevel) {
  for (int release : kReleases) {
    for (const Claim& c : Claims()) {
      if (release < c.fromRelease) continue;
      SCOPED_TRACE(std::string(c.what) + " release " + std::to_string(release));
      Read got(c.object(release), release);
      EXPECT_TRUE(OwnFieldsFailed(got));
      if (got.ok) {
        EXPECT_TRUE(OnlyCommonItems(got.codes));
      } else {
        EXPECT_EQ(IndexOf(got.codes, c.listCode), -1);
      }
      EXPECT_EQ(got.reader.objectStatistics.Skipped(c.typeName, DwgSkipReason::Overrun), 1u);
    }
  }
}

// Up to R2000 the entities of a block are chained through their handle
// data: an entity whose own fields fail still gives its owner, layer and
// next entity, and none of its own items. From R2004 (owned lists) it is
// dropped whole.
TEST(DwgComplexEntities, FailedEntityKeepsItsLinksThroughR2000) {
  DwgHatchSpec spec;
  spec.claimedPaths = 0x80000000u;
  DwgEntityCommon common;
  common.noLinks = false;
  common.next = 0x99;
  for (int release : kReleases) {
    SCOPED_TRACE(release);
    Read got(HatchObject(release, 0x80, spec, common), release);
    EXPECT_EQ(got.reader.objectStatistics.Skipped("HATCH", DwgSkipReason::Overrun), 1u);
    EXPECT_EQ(got.reader.objectStatistics.Read("HATCH"), 0u);
    if (release > 15) {
      EXPECT_FALSE(got.ok);
      continue;
    }
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.reader.EntityCode(), 0);
    EXPECT_TRUE(got.reader.LastIsEntity());
    EXPECT_EQ(got.record->GetHandle(kCodeNextEntity), 0x99u);
    EXPECT_EQ(got.record->GetHandle(8), 0x10u);
    EXPECT_TRUE(OnlyCommonItems(got.codes));
  }
}

}  // namespace
}  // namespace kvn
