// An arc keeps the circle through its three points from one change of its
// points to the next, and its outline and drawing take the kept circle. Each
// road that changes an arc (moved, turned, scaled, given new points,
// assigned, read back, its points set and marked) must leave the arc drawn
// and outlined as a new arc of the same points, whose circle is worked out
// afresh: a kept circle that outlived a change would draw the old arc.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "foundation/ArchiveReader.h"
#include "foundation/ArchiveWriter.h"
#include "model/ArcPieces.h"
#include "model/ObjectTypes.h"
#include "model/WorldMapping.h"
#include "model/cArc.h"
#include "render/DrawInfo.h"
#include "tests/render/RasterTestSupport.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 200, kHeight = 160;

// The arc's outline records, bit for bit.
std::vector<std::uint8_t> OutlineBytes(cArc& arc) {
  CubicArray records;
  arc.GetOutline(records, nullptr);
  std::vector<std::uint8_t> bytes(records.Count() * sizeof(Cubic));
  if (!bytes.empty()) std::memcpy(bytes.data(), records.Items(), bytes.size());
  return bytes;
}

// The arc drawn as the painter draws it: brought up to date, then drawn.
std::unique_ptr<cRasterSurface> Drawn(cArc& arc) {
  auto surface = raster_test::MakeSurface(kWidth, kHeight, true);
  if (!surface) return nullptr;
  WorldMapping mapping;
  mapping.scale = 0.25;  // a unit a pixel
  mapping.originX = 0.3;
  mapping.originY = -0.4;
  mapping.SetDeviceClip(DeviceRect{0, 0, kWidth, kHeight});
  cDrawInfo info(mapping, nullptr, nullptr, surface.get());
  arc.UpdateIfDirty(nullptr);
  arc.Draw(&info);
  return surface;
}

// A new arc of the same points and kind: nothing kept yet.
std::unique_ptr<cArc> Fresh(const cArc& arc) {
  auto fresh = std::make_unique<cArc>();
  fresh->kind = arc.kind;
  fresh->start = arc.start;
  fresh->middle = arc.middle;
  fresh->end = arc.end;
  fresh->stroke = arc.stroke;
  return fresh;
}

struct Change {
  const char* name;
  std::function<void(cArc&)> apply;
};

TEST(ArcKeptCircle, EveryChangeOfThePointsDrawsTheNewArc) {
  // Sweeps of one to four pieces, a full circle (end on start) and points on
  // a line (no arc: one straight record).
  const struct {
    const char* name;
    DPoint start, middle, end;
  } arcs[] = {
      {"quarter", {120, 60}, {98.8, 81.2}, {90, 90}},
      {"half", {40, 80}, {70, 50}, {100, 80}},
      {"three quarters", {100, 40}, {60, 80}, {100, 120}},
      {"almost whole", {100, 60}, {40, 80}, {101, 57}},
      {"whole circle", {60, 80}, {120, 80}, {60, 80}},
      {"on a line", {30, 30}, {60, 60}, {90, 90}},
  };
  const Change changes[] = {
      {"moved", [](cArc& a) { a.Move({7.5, -3.25}); }},
      {"turned", [](cArc& a) { a.Rotate(TransformContext{}, {100, 80}, 33.0); }},
      {"scaled", [](cArc& a) { a.Scale(TransformContext{}, {100, 80}, {0.7, 0.7}); }},
      {"given new points",
       [](cArc& a) {
         const DPoint box[2] = {{50, 50}, {110, 95}};
         a.SetPoints(box, 2);
       }},
      {"assigned",
       [](cArc& a) {
         cArc other;
         other.start = {20, 20};
         other.middle = {60, 5};
         other.end = {100, 30};
         a.Assign(other);
       }},
      {"read back",
       [](cArc& a) {
         cArc other;
         other.start = {150, 100};
         other.middle = {120, 140};
         other.end = {80, 110};
         test::MemoryArchive m([&](ArchiveWriter& w) { other.Write(nullptr, w); });
         m.Reader().ReadByte();  // the type byte
         a.Read(nullptr, nullptr, m.Reader(), kCurrentFileVersion);
       }},
      {"points set and marked",
       [](cArc& a) {
         a.middle = {a.middle.x + 6, a.middle.y - 9};
         a.MarkDirty();
       }},
  };
  int drawn = 0;
  for (const auto& a : arcs) {
    for (const Change& change : changes) {
      cArc arc;
      arc.start = a.start;
      arc.middle = a.middle;
      arc.end = a.end;
      // Drawn once, so that its circle is kept, then changed.
      ASSERT_TRUE(Drawn(arc));
      change.apply(arc);
      const std::string what = std::string(a.name) + ", " + change.name;
      std::unique_ptr<cArc> fresh = Fresh(arc);
      // Before and after the object is brought up to date.
      EXPECT_EQ(OutlineBytes(arc), OutlineBytes(*fresh)) << what << ", marked";
      const auto got = Drawn(arc);
      const auto want = Drawn(*fresh);
      ASSERT_TRUE(got && want);
      EXPECT_TRUE(raster_test::SamePixels(*got, *want)) << what;
      EXPECT_EQ(OutlineBytes(arc), OutlineBytes(*fresh)) << what << ", kept";
      drawn += raster_test::CountInk(*got, raster_test::kPaper) < kWidth * kHeight;
      // The kept circle is the one worked out from the points.
      CubicArray direct;
      AppendArcBeziers(direct, arc.start, arc.middle, arc.end);
      CubicArray kept;
      arc.GetOutline(kept, nullptr);
      EXPECT_EQ(kept.Count(), direct.Count()) << what;
      if (kept.Count() == direct.Count()) {
        EXPECT_EQ(std::memcmp(kept.Items(), direct.Items(), direct.Count() * sizeof(Cubic)), 0) << what;
      }
    }
  }
  EXPECT_EQ(drawn, int(std::size(arcs) * std::size(changes)));
}

}  // namespace
}  // namespace kvn
