#include "foundation/GrowArray.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvn {
namespace {

TEST(GrowArray, DoublingGrowsFromTheStep) {
  PtrArray a(8);
  std::vector<std::uint32_t> seen;
  for (int i = 0; i < 20; ++i) {
    a.Add(i);
    if (seen.empty() || seen.back() != a.Capacity()) seen.push_back(a.Capacity());
  }
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{8, 16, 32}));
  EXPECT_EQ(a.Count(), 20u);
  for (std::uint32_t i = 0; i < a.Count(); ++i) EXPECT_EQ(a[i], i);
}

TEST(GrowArray, GrowToFitAddsTwiceTheCapacityPlusWhatIsAdded) {
  ByteArray bytes(8);
  const std::uint8_t three[3] = {1, 2, 3};
  bytes.AppendBytes(three, 3);
  EXPECT_EQ(bytes.Capacity(), 11u);  // step + n
  for (int i = 0; i < 8; ++i) bytes.AppendBytes(three, 1);
  EXPECT_EQ(bytes.Count(), 11u);
  EXPECT_EQ(bytes.Capacity(), 11u);
  bytes.AppendBytes(three, 1);
  EXPECT_EQ(bytes.Capacity(), 23u);  // full: 2 x 11 + 1
  bytes.AppendBytes(three, 0);
  bytes.AppendBytes(three, -5);
  EXPECT_EQ(bytes.Count(), 12u);
}

TEST(GrowArray, SetCountKeepsTheBlockWhenLowered) {
  GrowArray<std::uint16_t> a(4);
  a.SetCount(10);
  EXPECT_EQ(a.Capacity(), 14u);
  a.SetCount(2);
  EXPECT_EQ(a.Count(), 2u);
  EXPECT_EQ(a.Capacity(), 14u);
  a.Clear();
  EXPECT_EQ(a.Capacity(), 14u);
}

TEST(GrowArray, DetachAtMovesTheRestDown) {
  PtrArray a;
  for (int i = 0; i < 5; ++i) a.Add(10 + i);
  EXPECT_EQ(a.DetachAt(4), 14u);  // the last: nothing moves
  EXPECT_EQ(a.DetachAt(4), 0u);   // index equal to the count
  EXPECT_EQ(a.Count(), 4u);
  EXPECT_EQ(a.DetachAt(1), 11u);
  EXPECT_EQ(a[1], 12u);
  EXPECT_EQ(a.Count(), 3u);
  EXPECT_EQ(GetPointerArrayItem(a, 3), nullptr);
}

TEST(GrowArray, RecordsAreCopiedByValue) {
  struct Rec16 {
    double x, y;
  };
  GrowArray<Rec16> a(2);
  Rec16 r{1.5, -2.5};
  a.Append(r);
  r.x = 99;
  EXPECT_EQ(a[0].x, 1.5);
  EXPECT_EQ(a.Get(1), nullptr);
}

struct Tracked {
  static inline std::vector<int> destroyed;
  int id;
  explicit Tracked(int i) : id(i) {}
  ~Tracked() { destroyed.push_back(id); }
};

TEST(OwnedArray, DestroysFromTheLastToTheFirst) {
  Tracked::destroyed.clear();
  {
    OwnedArray<Tracked> a;
    for (int i = 0; i < 3; ++i) a.Add(new Tracked(i));
    delete a.DetachAt(1);  // no longer owned by the array
  }
  EXPECT_EQ(Tracked::destroyed, (std::vector<int>{1, 2, 0}));
}

TEST(GrowArray, MoveLeavesTheSourceEmpty) {
  PtrArray a;
  a.Add(7);
  PtrArray b = std::move(a);
  EXPECT_EQ(b.Count(), 1u);
  EXPECT_EQ(a.Count(), 0u);  // NOLINT(bugprone-use-after-move)
  EXPECT_EQ(a.Items(), nullptr);
}

}  // namespace
}  // namespace kvn
