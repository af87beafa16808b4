// Import transforms and frames: the counter of non-planar points, the
// arbitrary-axis rule with its 1/64 threshold, the distortion test, the view
// matrix, and object-to-world mapping compared with a peer library.
#include "import/records/ImportMatrix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>

#include "import/records/ImportFrames.h"

namespace kvn {
namespace {

constexpr double kPi = 3.141592653589793;

void ExpectNear(const Vec3& a, const Vec3& b, double tol = 1e-12) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST(ImportMatrixTest, TransformTo2DNegatesYAndCountsDepth) {
  ImportMatrix m;
  OffPlaneCounter count;
  m.counter = &count;
  DPoint p = m.TransformTo2D(Vec3{1, 2, 0});
  EXPECT_EQ(p.x, 1.0);
  EXPECT_EQ(p.y, -2.0);
  EXPECT_EQ(count.count, 0u);
  m.TransformTo2D(Vec3{1, 2, 0.5});
  EXPECT_EQ(count.count, 1u);
  m.TransformTo2D(Vec3{1, 2, 1e-6});  // exactly the threshold: not counted
  EXPECT_EQ(count.count, 1u);
  // The plane is the first point's: a flat drawing at an elevation counts none.
  OffPlaneCounter raised;
  m.counter = &raised;
  for (double z : {5.0, 5.0, 5.0 + 1e-7}) m.TransformTo2D(Vec3{1, 2, z});
  EXPECT_EQ(raised.count, 0u);
  m.TransformTo2D(Vec3{1, 2, 0});
  EXPECT_EQ(raised.count, 1u);
  m.counter = &count;
  ImportMatrix copy(m);
  EXPECT_EQ(copy.counter, &count);
  copy.SetIdentity();
  EXPECT_EQ(copy.counter, &count);
}

TEST(ImportMatrixTest, ArbitraryAxesAndTheThreshold) {
  Vec3 ax, ay;
  ArbitraryAxes(Vec3{0.0156, 0, 0.9999}, ax, ay);  // below 1/64: world y axis
  EXPECT_NEAR(ax.x, 0.9999 / std::hypot(0.9999, 0.0156), 1e-15);
  EXPECT_NEAR(ax.z, -0.0156 / std::hypot(0.9999, 0.0156), 1e-15);
  ArbitraryAxes(Vec3{0.016, 0, 0.9999}, ax, ay);  // above: world z axis
  ExpectNear(ax, Vec3{0, 1, 0}, 1e-15);

  Vec3 p{3, 4, 5};
  EXPECT_EQ(OcsToWcs(p, Vec3{0, 0, 1 + 5e-11}), p);
  ExpectNear(OcsToWcs(p, Vec3{0, 0, -1}), Vec3{-3, 4, -5});
  EXPECT_TRUE(IsDefaultExtrusion(Vec3{0, 0, 1}));
  EXPECT_FALSE(IsDefaultExtrusion(Vec3{0, 0, -1}));
}

TEST(ImportMatrixTest, OcsToWcsMatchesThePeerLibrary) {
  std::ifstream in(std::string(KVN_IMPORT_TEST_DIR) + "/data/ocs_to_wcs.txt");
  ASSERT_TRUE(in) << "tests/import/data/ocs_to_wcs.txt (made by tools/gen_ocs_oracle.py)";
  std::string line;
  int cases = 0;
  double worst = 0;
  while (std::getline(in, line)) {
    std::istringstream s(line);
    Vec3 n, p, w;
    s >> n.x >> n.y >> n.z >> p.x >> p.y >> p.z >> w.x >> w.y >> w.z;
    ASSERT_FALSE(s.fail()) << line;
    Vec3 got = OcsToWcs(p, n);
    // Points reach 1000 units; 1e-12 relative to their size.
    double scale = std::max(1.0, std::sqrt(p.LengthSq()));
    worst = std::max({worst, std::fabs(got.x - w.x) / scale, std::fabs(got.y - w.y) / scale,
                      std::fabs(got.z - w.z) / scale});
    ++cases;
  }
  EXPECT_EQ(cases, 1000);
  EXPECT_LT(worst, 1e-12);
}

TEST(ImportMatrixTest, UniformScaleFactor) {
  ImportMatrix m;
  EXPECT_EQ(UniformScaleFactor(m, Vec3{0, 0, 1}), 1.0);
  ImportMatrix stretch;
  stretch.PreScaleAbout(Vec3{2, 1, 1}, Vec3{});
  EXPECT_EQ(UniformScaleFactor(stretch, Vec3{0, 0, 1}), 0.0);
  ImportMatrix turned;
  turned.PreScaleAbout(Vec3{3, 3, 3}, Vec3{});
  turned.PreRotateAboutAxis(Vec3{}, Vec3{0, 0, 1}, 0.7);
  EXPECT_NEAR(UniformScaleFactor(turned, Vec3{0, 0, 1}), 3.0, 1e-12);
  // A plane seen edge-on is distorted.
  ImportMatrix side = BuildViewMatrix(Vec3{1, 0, 0}, 0);
  EXPECT_EQ(UniformScaleFactor(side, Vec3{0, 0, 1}), 0.0);
}

TEST(ImportMatrixTest, InverseRotationAndScale) {
  ImportMatrix singular;
  singular.m[5] = 0;
  singular.m[6] = 0;
  singular.m[4] = 0;
  EXPECT_EQ(singular.InverseTransformPoint(Vec3{1, 2, 3}), (Vec3{}));
  ImportMatrix r;
  r.PreRotateAboutAxis(Vec3{}, Vec3{0, 0, 1}, kPi / 2);
  ExpectNear(r.TransformPoint(Vec3{1, 0, 0}), Vec3{0, 1, 0}, 1e-15);
  ImportMatrix a;
  a.PreScaleAbout(Vec3{2, 3, 4}, Vec3{1, 1, 1});
  a.PreRotateAboutAxis(Vec3{1, 2, 3}, Vec3{2, 0, 5}, 0.4);
  a.PreTranslate(7, -8, 9);
  Vec3 q{0.5, -1.5, 2.5};
  ExpectNear(a.InverseTransformPoint(a.TransformPoint(q)), q, 1e-12);
  ExpectNear(a.TransformDirection(Vec3{1, 0, 0}),
             Vec3{a.TransformPoint(Vec3{1, 0, 0}).x - a.m[3], a.TransformPoint(Vec3{1, 0, 0}).y - a.m[7],
                  a.TransformPoint(Vec3{1, 0, 0}).z - a.m[11]});
  // Pre- and post-multiplication and the product agree.
  ImportMatrix b;
  b.PreRotateAboutAxis(Vec3{}, Vec3{1, 1, 0}, 1.1);
  ImportMatrix ab;
  ab.SetProduct(a, b);
  ImportMatrix pre(b);
  pre.PreMultiply(a);
  ImportMatrix post(a);
  post.PostMultiply(b);
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(ab.m[i], pre.m[i], 1e-12);
    EXPECT_NEAR(ab.m[i], post.m[i], 1e-12);
  }
  Vec3 s = CartesianToSpherical(1, 1, 1);
  ExpectNear(SphericalToCartesian(s), Vec3{1, 1, 1});
  ExpectNear(CartesianToSpherical(0, 0, 0), Vec3{});
}

TEST(ImportMatrixTest, BuildViewMatrix) {
  for (Vec3 d : {Vec3{0, 0, 1}, Vec3{0, 0, 5}, Vec3{0, 0, 1e-6}}) {
    ImportMatrix v = BuildViewMatrix(d, 0);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(v.m[i], i % 5 == 0 ? 1.0 : 0.0, 1e-15) << i;
  }
  ImportMatrix side = BuildViewMatrix(Vec3{1, 0, 0}, 0);
  ExpectNear(side.TransformPoint(Vec3{0, 0, 1}), Vec3{0, 1, 0});
  ExpectNear(side.TransformPoint(Vec3{1, 2, 3}), Vec3{2, 3, 1});
  ImportMatrix twisted = BuildViewMatrix(Vec3{0, 0, 1}, 90);
  ExpectNear(twisted.TransformPoint(Vec3{1, 0, 0}), Vec3{0, 1, 0});
  EXPECT_EQ(twisted.counter, nullptr);
}

TEST(ImportFramesTest, DirectionFrame) {
  ExpectNear(ToDirectionFrame(Vec3{1, 2, 3}, Vec3{}), Vec3{1, 2, 3});
  ExpectNear(ToDirectionFrame(Vec3{0, 1, 0}, Vec3{0, 1, 0}), Vec3{-1, 0, 0});
  // Along z the frame still maps without collapsing.
  Vec3 up = ToDirectionFrame(Vec3{1, 1, 1}, Vec3{0, 0, 2});
  EXPECT_NEAR(up.LengthSq(), 3.0, 1e-12);
}

TEST(ImportFramesTest, InsertMatrix) {
  ImportMatrix m;
  m.PreTranslate(10, 20, 30);
  Vec3 at = SetupInsertMatrix(m, Vec3{0, 0, 1}, 0, Vec3{1, 1, 1}, Vec3{1, 2, 3});
  ExpectNear(at, Vec3{11, 22, 33});
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(m.m[i], i % 5 == 0 ? 1.0 : 0.0, 1e-15) << i;

  ImportMatrix r;
  SetupInsertMatrix(r, Vec3{0, 0, 1}, 90, Vec3{2, 3, 1}, Vec3{});
  ExpectNear(r.TransformPoint(Vec3{1, 0, 0}), Vec3{0, 2, 0});
  ExpectNear(r.TransformPoint(Vec3{0, 1, 0}), Vec3{-3, 0, 0});
  // Under (0, 0, -1) the insertion point is mirrored in x, and so is the block.
  ImportMatrix flip;
  Vec3 p = SetupInsertMatrix(flip, Vec3{0, 0, -1}, 0, Vec3{1, 1, 1}, Vec3{5, 6, 7});
  ExpectNear(p, Vec3{-5, 6, -7});
  ExpectNear(flip.TransformPoint(Vec3{1, 0, 0}), Vec3{-1, 0, 0});
}

}  // namespace
}  // namespace kvn
