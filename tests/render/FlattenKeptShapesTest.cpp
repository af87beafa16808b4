// The flattening keeps the points of small segments per shape and hands
// them to later segments of the same shape wherever they lie. A kept shape
// must give what the subdivision gives at the new place: shapes repeated at
// many places, shapes that differ from a kept one in a single coordinate
// (in either half of the key), shapes at the edge of what is kept (16-bit
// offsets, more than 15 points), appended after points already there.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "foundation/GrowArray.h"
#include "model/PathBuffer.h"
#include "render/StyledPrimitive.h"

namespace kvn {
namespace {

// The segment moved by (dx, dy).
DeviceSegment Moved(const DeviceSegment& s, std::int32_t dx, std::int32_t dy) {
  DeviceSegment m = s;
  for (int i = 0; i < 8; i += 2) {
    m.v[i] += dx;
    m.v[i + 1] += dy;
  }
  return m;
}

// FlattenCubicInt against the plain subdivision, both appended after a
// point already in the array.
void ExpectSameAsWalk(const DeviceSegment& s, const std::string& what) {
  GrowArray<std::int32_t> got(8), want(8);
  const std::int32_t before[2] = {-17, 23};
  got.Append(before, 2);
  want.Append(before, 2);
  FlattenCubicInt(got, s);
  FlattenCubicIntWalk(want, s);
  ASSERT_EQ(got.Count(), want.Count()) << what;
  for (std::uint32_t i = 0; i < got.Count(); ++i) ASSERT_EQ(got[i], want[i]) << what << ", value " << i;
}

TEST(FlattenKeptShapes, KeptShapesGiveTheSubdivisionAtEveryPlace) {
  std::mt19937 rng(61);
  // Offsets from the start: a pixel or two (small circles and arcs), tens
  // of pixels, and up to the 16-bit limit.
  const std::int32_t spans[] = {300, 3000, 32767};
  std::vector<DeviceSegment> shapes;
  for (const std::int32_t span : spans) {
    std::uniform_int_distribution<std::int32_t> rel(-span, span);
    for (int n = 0; n < 60; ++n) {
      DeviceSegment s{};
      for (int i = 2; i < 8; ++i) s.v[i] = rel(rng);
      shapes.push_back(s);
    }
  }
  // The quarters of a small circle (as the ellipse path makes them), and a
  // degenerate segment (all four points in one).
  shapes.push_back(DeviceSegment{{0, 0, 0, 120, -98, 218, -218, 218}});
  shapes.push_back(DeviceSegment{{0, 0, -120, 0, -218, -98, -218, -218}});
  shapes.push_back(DeviceSegment{{0, 0, 0, 0, 0, 0, 0, 0}});
  // Shapes one coordinate apart from the first, in each of the six places
  // (the first four fill one half of the key, the last two the other).
  for (int i = 2; i < 8; ++i) {
    DeviceSegment s = shapes.front();
    s.v[i] += 1;
    shapes.push_back(s);
  }
  // Offsets at and just past the 16-bit bound, a loop with many points.
  shapes.push_back(DeviceSegment{{0, 0, 32767, -32768, -32768, 32767, 100, 100}});
  shapes.push_back(DeviceSegment{{0, 0, 32768, 0, 0, 100, 200, 200}});
  shapes.push_back(DeviceSegment{{0, 0, -32769, 50, 0, -100, -200, 200}});
  shapes.push_back(DeviceSegment{{0, 0, 30000, 30000, -30000, 30000, 0, 0}});

  std::uniform_int_distribution<std::int32_t> place(-4000000, 4000000);
  int checked = 0;
  // Twice through: the second pass finds the shapes kept by the first.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t k = 0; k < shapes.size(); ++k) {
      for (int p = 0; p < 4; ++p) {
        const std::int32_t dx = p == 0 ? 0 : place(rng), dy = p == 0 ? 0 : place(rng);
        ExpectSameAsWalk(Moved(shapes[k], dx, dy),
                         "shape " + std::to_string(k) + ", pass " + std::to_string(pass) + ", place " +
                             std::to_string(p));
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, int(2 * 4 * shapes.size()));
  // More shapes than there are places to keep them, alike in one half of
  // the key and different in the other: shapes of one half meet in a place,
  // and a shape must not take the points of another that shares its half.
  for (int half = 0; half < 2; ++half) {
    for (int n = 0; n < 700; ++n) {
      DeviceSegment s{{0, 0, 40, 90, 160, 200, 260, 180}};
      const std::int32_t a = n % 37 - 18, b = n / 37 - 9;
      s.v[half == 0 ? 6 : 2] += a;
      s.v[half == 0 ? 7 : 3] += b;
      ExpectSameAsWalk(Moved(s, 1000 * n, -700 * n), "half " + std::to_string(half) + ", variant " + std::to_string(n));
    }
  }
  // Points far apart near the ends of the 32-bit range take the plain road.
  ExpectSameAsWalk(DeviceSegment{{INT32_MAX - 5, INT32_MIN + 5, INT32_MIN + 9, INT32_MAX - 9, 0, 0, 7, 7}},
                   "far apart");
}

}  // namespace
}  // namespace kvn
