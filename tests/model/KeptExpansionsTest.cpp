// The list of kept expansions on stand-in inserts, each charged the least a
// child costs: the budget holds after every drawing, the least recently
// drawn go first, an expansion past the budget alone is not kept, an
// insert that dies or lets its children go leaves the list, and a held
// expansion is let go only once its hold ends.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/InsertChildList.h"
#include "model/KeptExpansions.h"

namespace kvn {
namespace {

// Charged per child when nothing was allocated while drawing.
constexpr std::uint64_t kPerChild = 64;

class StandIn : public InsertChildList {
 public:
  StandIn(int id, std::vector<int>& dropped) : id(id), dropped(dropped) {}
  ~StandIn() override = default;
  std::span<cOutObj* const> GetChildren() const override { return {}; }
  void DropChildren() override {
    KeptExpansions::Shared().Forget(*this);
    dropped.push_back(id);
  }
  int id;
  std::vector<int>& dropped;
};

struct Fixture {
  explicit Fixture(std::uint64_t budget) { list.SetBudget(budget); }
  ~Fixture() {
    list.DropAll();
    list.SetBudget(kKeptExpansionBytes);
  }
  StandIn& Add() {
    inserts.push_back(std::make_unique<StandIn>(int(inserts.size()), dropped));
    return *inserts.back();
  }
  void Draw(StandIn& insert, std::size_t children) {
    list.Drawn(insert, KeptExpansions::HeapNow(), children);
    EXPECT_LE(list.Bytes(), list.Budget()) << "after drawing " << insert.id;
  }
  KeptExpansions& list = KeptExpansions::Shared();
  std::vector<int> dropped;
  std::vector<std::unique_ptr<StandIn>> inserts;
};

TEST(KeptExpansions, TheLeastRecentlyDrawnGoFirstWithinTheBudget) {
  Fixture f(5 * 2 * kPerChild);
  for (int i = 0; i < 8; ++i) f.Draw(f.Add(), 2);
  EXPECT_EQ(f.dropped, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(f.list.Count(), 5u);
  EXPECT_EQ(f.list.Bytes(), 5 * 2 * kPerChild);

  // Drawn again, 3 is the most recent: 4 is now the least recently drawn.
  f.Draw(*f.inserts[3], 2);
  f.Draw(*f.inserts[0], 2);
  EXPECT_EQ(f.dropped, (std::vector<int>{0, 1, 2, 4}));
  EXPECT_TRUE(f.inserts[3]->IsKept());
  EXPECT_TRUE(f.inserts[0]->IsKept());

  // Past the budget alone: let go at once, the others stay.
  StandIn& large = f.Add();
  f.Draw(large, 11);
  EXPECT_FALSE(large.IsKept());
  EXPECT_EQ(f.dropped.back(), large.id);
  EXPECT_EQ(f.list.Count(), 5u);

  // A smaller budget lets the oldest go: 5, then 6.
  f.list.SetBudget(3 * 2 * kPerChild);
  EXPECT_EQ(f.dropped, (std::vector<int>{0, 1, 2, 4, 8, 5, 6}));
  EXPECT_EQ(f.list.Count(), 3u);
}

TEST(KeptExpansions, AnInsertThatDiesOrLetsItsChildrenGoLeavesTheList) {
  Fixture f(10 * kPerChild);
  StandIn& a = f.Add();
  StandIn& b = f.Add();
  StandIn& c = f.Add();
  f.Draw(a, 1);
  f.Draw(b, 2);
  f.Draw(c, 3);
  EXPECT_EQ(f.list.Bytes(), 6 * kPerChild);
  f.inserts[1].reset();
  EXPECT_EQ(f.list.Bytes(), 4 * kPerChild);
  EXPECT_EQ(f.list.Count(), 2u);
  c.DropChildren();
  EXPECT_EQ(f.list.Bytes(), 1 * kPerChild);
  // What is left is still in order: a new drawing past the budget lets a go.
  StandIn& d = f.Add();
  f.Draw(d, 10);
  EXPECT_FALSE(a.IsKept());
  EXPECT_TRUE(d.IsKept());
  EXPECT_EQ(f.list.Count(), 1u);
}

// An insert being drawn from (the outer insert whose view draws other
// inserts) stays, oldest or not, whatever is drawn meanwhile or however far
// the budget is lowered; it goes, and the budget holds again, once its
// hold ends. Drawn while held, one past the budget goes with its hold too.
TEST(KeptExpansions, AHeldExpansionIsLetGoOnlyOnceItsHoldEnds) {
  Fixture f(3 * 2 * kPerChild);
  StandIn& outer = f.Add();
  f.Draw(outer, 2);
  {
    const KeptExpansions::Hold hold(outer);
    EXPECT_TRUE(outer.IsHeld());
    for (int i = 0; i < 6; ++i) f.Draw(f.Add(), 2);
    EXPECT_TRUE(outer.IsKept());
    EXPECT_EQ(f.dropped, (std::vector<int>{1, 2, 3, 4})) << "the held insert was let go";
    f.list.SetBudget(kPerChild);
    EXPECT_EQ(f.dropped, (std::vector<int>{1, 2, 3, 4, 5, 6})) << "the held insert was let go";
    EXPECT_TRUE(outer.IsKept());

    StandIn& large = f.Add();
    const KeptExpansions::Hold drawing(large);
    f.list.Drawn(large, KeptExpansions::HeapNow(), 5);
    EXPECT_FALSE(large.IsKept());
    EXPECT_EQ(f.dropped.back(), 6) << "a held expansion past the budget was let go under its drawing";
  }
  EXPECT_FALSE(outer.IsHeld());
  EXPECT_EQ(f.dropped, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 0}));
  EXPECT_EQ(f.list.Count(), 0u);
  EXPECT_LE(f.list.Bytes(), f.list.Budget());
}

}  // namespace
}  // namespace kvn
