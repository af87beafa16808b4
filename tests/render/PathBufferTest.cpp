#include "model/PathBuffer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "render/EllipsePath.h"
#include "render/PointArray.h"
#include "model/WorldMapping.h"
#include "model/Cubic.h"
#include "model/OutlinePath.h"
#include "model/RoundedCorners.h"

namespace kvn {
namespace {

// Leaves the process-wide path buffer as the tests found it.
class PathBufferTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Both lists empty: an earlier test may have left pieces in either.
    savedMode_ = PathBuffer::SetPathMode(1);
    PathBuffer::Empty();
    PathBuffer::SetPathMode(0);
    PathBuffer::Empty();
  }
  void TearDown() override {
    PathBuffer::SetPathMode(1);
    PathBuffer::Empty();
    PathBuffer::SetPathMode(0);
    PathBuffer::Empty();
    PathBuffer::SetPathMode(savedMode_);
  }
  int savedMode_ = 0;
};

TEST_F(PathBufferTest, PiecesAreReusedAfterEmptying) {
  SegmentArray* first = PathBuffer::NewPiece();
  first->Append(DeviceSegment::Line(0, 0, 256, 256));
  first->closed = 1;
  SegmentArray* second = PathBuffer::NewPiece();
  EXPECT_NE(first, second);
  ASSERT_EQ(PathBuffer::PieceCount(), 2u);
  EXPECT_EQ(PathBuffer::Pieces()[0], first);
  EXPECT_EQ(PathBuffer::Pieces()[1], second);
  EXPECT_EQ(PathBuffer::Piece(2), nullptr);

  const std::uint32_t capacity = first->segments.Capacity();
  PathBuffer::Empty();
  EXPECT_EQ(PathBuffer::PieceCount(), 0u);
  EXPECT_EQ(PathBuffer::Piece(0), nullptr);
  SegmentArray* again = PathBuffer::NewPiece();
  EXPECT_EQ(again, first);  // the same record, emptied, its storage kept
  EXPECT_EQ(again->Count(), 0u);
  EXPECT_EQ(again->closed, 0);
  EXPECT_EQ(again->segments.Capacity(), capacity);
}

TEST_F(PathBufferTest, EachPathModeHasItsOwnList) {
  PathBuffer::NewPiece()->Append(DeviceSegment::Line(1, 2, 3, 4));
  EXPECT_EQ(PathBuffer::SetPathMode(1), 0);
  EXPECT_EQ(PathBuffer::PathMode(), 1);
  EXPECT_EQ(PathBuffer::PieceCount(), 0u);
  PathBuffer::NewPiece();
  PathBuffer::NewPiece();
  PathBuffer::Empty();  // empties only the nested list
  EXPECT_EQ(PathBuffer::SetPathMode(7), 1);  // any non-zero mode is 1
  PathBuffer::SetPathMode(0);
  ASSERT_EQ(PathBuffer::PieceCount(), 1u);
  EXPECT_EQ(PathBuffer::Piece(0)->Items()[0], DeviceSegment::Line(1, 2, 3, 4));
}

TEST(SegmentArray, GrowsToTwiceItsCapacityPlusOne) {
  SegmentArray piece;
  for (int i = 0; i < 9; ++i) piece.Append(DeviceSegment::Line(i, 0, i + 1, 0));
  const std::uint32_t full = piece.segments.Capacity();
  ASSERT_EQ(piece.Count(), full);
  piece.Append(DeviceSegment::Line(9, 0, 10, 0));
  EXPECT_EQ(piece.segments.Capacity(), 2 * full + 1);
  EXPECT_EQ(piece.Items()[9], DeviceSegment::Line(9, 0, 10, 0));
}

TEST(PointArray, AppendsARunInOneBlock) {
  PointArray points;
  const DPoint run[3] = {{1, 2}, {3, 4}, {5, 6}};
  points.AppendPoints(run, 3);
  points.AppendPoints(nullptr, 5);  // nothing
  ASSERT_EQ(points.Count(), 3u);
  EXPECT_EQ(points[2], (DPoint{5, 6}));
  const std::uint32_t capacity = points.points.Capacity();
  for (std::uint32_t i = points.Count(); i < capacity; ++i) points.Add({0, 0});
  points.AppendPoints(run, 3);
  EXPECT_EQ(points.points.Capacity(), 2 * capacity + 3);
  EXPECT_EQ(points[capacity + 1], (DPoint{3, 4}));
}

// ---- the ellipse ----

DPoint Bezier(const DeviceSegment& s, double t) {
  const double u = 1 - t;
  const double b[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
  DPoint p;
  for (int i = 0; i < 4; ++i) {
    p.x += b[i] * s.v[2 * i];
    p.y += b[i] * s.v[2 * i + 1];
  }
  return p;
}

TEST_F(PathBufferTest, EllipseOfASquareAtScaleOne) {
  WorldMapping mapping;  // 4 device units per world unit, 1024 sub-pixel units
  AddEllipsePath(mapping, 0, 0, 2, 2);
  ASSERT_EQ(PathBuffer::PieceCount(), 1u);
  const SegmentArray& piece = *PathBuffer::Piece(0);
  EXPECT_EQ(piece.closed, 1);
  ASSERT_EQ(piece.Count(), 4u);
  // End points on the side middles, once around; neighbours share them.
  const std::int32_t middles[4][2] = {{2048, 1024}, {1024, 2048}, {0, 1024}, {1024, 0}};
  for (int q = 0; q < 4; ++q) {
    const DeviceSegment& s = piece.Items()[q];
    const DeviceSegment& next = piece.Items()[(q + 1) % 4];
    EXPECT_EQ(s.v[0], middles[q][0]);
    EXPECT_EQ(s.v[1], middles[q][1]);
    EXPECT_EQ(s.v[6], next.v[0]);
    EXPECT_EQ(s.v[7], next.v[1]);
    // Control points 0.5523 world units (2.209 device units) along the
    // tangents, rounded to 1/256.
    EXPECT_NEAR(std::hypot(s.v[2] - s.v[0], s.v[3] - s.v[1]), 565.54, 0.71);
    EXPECT_NEAR(std::hypot(s.v[4] - s.v[6], s.v[5] - s.v[7]), 565.54, 0.71);
    EXPECT_TRUE(s.v[2] == s.v[0] || s.v[3] == s.v[1]);  // on the tangent
    // The curve stays on the circle of radius 1024 within its 2.8e-4 error.
    for (double t : {0.25, 0.5, 0.75})
      EXPECT_NEAR(std::hypot(Bezier(s, t).x - 1024, Bezier(s, t).y - 1024), 1024, 1024 * 3e-4 + 1);
  }
}

TEST_F(PathBufferTest, EllipseFollowsTheMapping) {
  WorldMapping mapping;
  mapping.scale = 2;
  mapping.originX = 100;
  AddEllipsePath(mapping, 10, 0, -10, 4);  // corners in either order
  const SegmentArray& piece = *PathBuffer::Piece(0);
  ASSERT_EQ(piece.Count(), 4u);
  // First quadrant starts at the middle of the x2 side: world (-10, 2).
  EXPECT_EQ(piece.Items()[0].v[0], (-10 * 8 + 100) * 256);
  EXPECT_EQ(piece.Items()[0].v[1], 2 * 8 * 256);
  EXPECT_EQ(piece.Items()[1].v[0], 100 * 256);  // then the y2 side: world (0, 4)
  EXPECT_EQ(piece.Items()[1].v[1], 4 * 8 * 256);
  // A second ellipse is a second piece of the same list.
  AddEllipsePath(mapping, 0, 0, 1, 1);
  EXPECT_EQ(PathBuffer::PieceCount(), 2u);
}

// A list of straight edges goes into the path vertex by vertex: the piece
// must hold the very segments its straight records give (open and closed,
// none to many points, repeated points, a point at the start again, values
// that saturate or are not numbers), under mappings with fractions.
TEST_F(PathBufferTest, PolylinePieceIsWhatItsStraightRecordsGive) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<std::vector<DPoint>> lists = {
      {},
      {{3, 4}},
      {{3, 4}, {10.25, -7.5}},
      {{0, 0}, {60, 0}, {60, 20}, {0, 20}},
      {{1.1, 2.2}, {1.1, 2.2}, {5.5, 2.2}, {5.5, 2.2}, {1.1, 2.2}},
      {{-40.3, 17.9}, {12.6, -3.3}, {99.9, 42.1}, {-0.4, 0.6}, {33.3, 33.3}, {-40.3, 17.9}},
      {{1e12, -1e12}, {2, 3}, {nan, 4}, {5, 6}},
  };
  const struct {
    double scale, originX, originY;
    std::int32_t offsetX, offsetY;
  } mappings[] = {{1.0, 0, 0, 0, 0}, {0.0142, 13.37, -2.5, 960, 540}, {7.3, -0.5, 0.25, -3, 8}};
  int compared = 0;
  for (const auto& mp : mappings) {
    WorldMapping m;
    m.scale = mp.scale;
    m.originX = mp.originX;
    m.originY = mp.originY;
    m.offsetX = mp.offsetX;
    m.offsetY = mp.offsetY;
    for (const std::vector<DPoint>& points : lists) {
      for (const bool closed : {false, true}) {
        CubicArray records;
        RoundedPolylineToBeziers(records, nullptr, points.data(), std::uint32_t(points.size()), closed, 0.0, nullptr);
        PathBuffer::Empty();
        AppendOutlinePiece(m, records, closed);
        AppendPolylinePiece(m, points.data(), std::uint32_t(points.size()), closed);
        ASSERT_EQ(PathBuffer::PieceCount(), 2u);
        const SegmentArray& want = *PathBuffer::Piece(0);
        const SegmentArray& got = *PathBuffer::Piece(1);
        EXPECT_EQ(got.closed, want.closed);
        ASSERT_EQ(got.Count(), want.Count()) << points.size() << " points, closed " << closed;
        for (std::uint32_t i = 0; i < got.Count(); ++i)
          EXPECT_TRUE(got.Items()[i] == want.Items()[i]) << points.size() << " points, closed " << closed << ", " << i;
        ++compared;
      }
    }
  }
  EXPECT_EQ(compared, 3 * 7 * 2);
}

}  // namespace
}  // namespace kvn
