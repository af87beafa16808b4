// The extent index against the plain test of every extent: for seeded random
// extents (points, thin slivers, large objects, extents that are not
// numbers, objects marked "always") and random clips, an answered query
// holds exactly the positions whose extent meets the clip (touching edges
// meet), ascending, each once; and the cases where the query declines.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "model/ObjectExtentIndex.h"

namespace kvn {
namespace {

using Entry = ObjectExtentIndex::Entry;

bool Meets(const DRect& e, const DRect& c) {
  return !(c.x2 < e.x1 || e.x2 < c.x1 || c.y2 < e.y1 || e.y2 < c.y1);
}

std::vector<std::uint32_t> Plain(const std::vector<Entry>& entries, const DRect& clip) {
  std::vector<std::uint32_t> out;
  for (std::uint32_t p = 0; p < entries.size(); ++p)
    if (entries[p].always || Meets(entries[p].extent, clip)) out.push_back(p);
  return out;
}

std::vector<Entry> RandomEntries(std::mt19937& rng, std::size_t count) {
  std::uniform_real_distribution<double> pos(-500.0, 1500.0), size(0.0, 20.0), pick(0.0, 1.0);
  std::vector<Entry> entries;
  for (std::size_t i = 0; i < count; ++i) {
    Entry e;
    const double x = pos(rng), y = pos(rng), r = pick(rng);
    if (r < 0.1) {
      e.extent = {x, y, x, y};  // a point
    } else if (r < 0.12) {
      e.extent = {x, y, x + 800.0, y + 600.0};  // meets many cells: kept apart
    } else if (r < 0.13) {
      e.extent = {std::nan(""), y, x, y + 1.0};
    } else if (r < 0.14) {
      e.extent = {x, y, std::numeric_limits<double>::infinity(), y + 1.0};
    } else if (r < 0.15) {
      e.extent = {x, y, x + 1.0, y + 1.0};
      e.always = true;
    } else {
      e.extent = {x, y, x + size(rng), y + size(rng) * (r < 0.5 ? 0.0 : 1.0)};
    }
    entries.push_back(e);
  }
  return entries;
}

TEST(ObjectExtentIndex, AnsweredQueriesEqualThePlainTest) {
  std::mt19937 rng(34);
  const std::vector<Entry> entries = RandomEntries(rng, 5000);
  const ObjectExtentIndex index(entries);
  ASSERT_TRUE(index.HasGrid());
  std::uniform_real_distribution<double> pos(-600.0, 1600.0), size(0.0, 120.0);
  int answered = 0;
  std::vector<std::uint32_t> got;
  for (int round = 0; round < 400; ++round) {
    const double x = pos(rng), y = pos(rng);
    // Every fourth clip lies exactly on an extent's edge: touching meets.
    DRect clip{x, y, x + size(rng), y + size(rng)};
    if (round % 4 == 0) {
      const DRect& e = entries[std::size_t(round) % entries.size()].extent;
      clip = {e.x2, e.y2, e.x2 + 5.0, e.y2 + 5.0};
    }
    if (!index.Query(clip, got)) {
      EXPECT_TRUE(got.empty());
      continue;
    }
    ++answered;
    ASSERT_EQ(got, Plain(entries, clip)) << "clip " << clip.x1 << " " << clip.y1 << " " << clip.x2 << " " << clip.y2;
  }
  EXPECT_GT(answered, 350);
}

TEST(ObjectExtentIndex, DeclinesWhereTheWalkIsCheaper) {
  std::mt19937 rng(35);
  std::vector<std::uint32_t> got;
  // Too few objects for a grid.
  const ObjectExtentIndex small(RandomEntries(rng, ObjectExtentIndex::kMinObjects - 1));
  EXPECT_FALSE(small.HasGrid());
  EXPECT_FALSE(small.Query(DRect{0, 0, 1, 1}, got));

  const std::vector<Entry> entries = RandomEntries(rng, 2000);
  const ObjectExtentIndex index(entries);
  // A clip holding every object, one of more than a quarter of them, one
  // that is not a number.
  EXPECT_FALSE(index.Query(DRect{-1e9, -1e9, 1e9, 1e9}, got));
  EXPECT_FALSE(index.Query(DRect{-500, -500, 1000, 1000}, got));
  EXPECT_FALSE(index.Query(DRect{0, 0, std::nan(""), 10}, got));
  EXPECT_TRUE(got.empty());
  // A clip far outside: only what is kept apart and may meet anything.
  ASSERT_TRUE(index.Query(DRect{1e7, 1e7, 1e7 + 1, 1e7 + 1}, got));
  EXPECT_EQ(got, Plain(entries, DRect{1e7, 1e7, 1e7 + 1, 1e7 + 1}));
}

TEST(ObjectExtentIndex, DegenerateDrawingsStillAnswer) {
  // Every extent on one horizontal line, then every extent the same point:
  // the grid has one row, then one cell.
  std::vector<Entry> line, point;
  for (int i = 0; i < 1000; ++i) {
    line.push_back(Entry{nullptr, DRect{double(i), 5.0, double(i) + 0.5, 5.0}, false});
    point.push_back(Entry{nullptr, DRect{3.0, 4.0, 3.0, 4.0}, false});
  }
  std::vector<std::uint32_t> got;
  const ObjectExtentIndex a(line);
  ASSERT_TRUE(a.Query(DRect{10.5, 0, 20, 5}, got));
  EXPECT_EQ(got, Plain(line, DRect{10.5, 0, 20, 5}));
  EXPECT_EQ(got.front(), 10u);
  EXPECT_EQ(got.size(), 11u);
  const ObjectExtentIndex b(point);
  ASSERT_TRUE(b.Query(DRect{4, 4, 5, 5}, got));
  EXPECT_TRUE(got.empty());
  EXPECT_FALSE(b.Query(DRect{0, 0, 5, 5}, got));  // every object
  // Coordinates near the end of the double range do not reach the grid's
  // integer arithmetic unclamped.
  std::vector<Entry> huge = line;
  huge.push_back(Entry{nullptr, DRect{-1e308, -1e308, -1e308, -1e308}, false});
  huge.push_back(Entry{nullptr, DRect{1e308, 1e308, 1e308, 1e308}, false});
  const ObjectExtentIndex c(huge);
  EXPECT_FALSE(c.Query(DRect{10, 0, 20, 5}, got) && got != Plain(huge, DRect{10, 0, 20, 5}));
}

}  // namespace
}  // namespace kvn
