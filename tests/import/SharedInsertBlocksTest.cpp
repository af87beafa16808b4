// The search for a shared insert block answers exactly what a walk over every
// remembered entry in order answers: seeded entries whose turn elements lie on
// both sides of cell borders, at the equality limit and just past it, far
// from zero and not finite.
#include "import/records/SharedInsertBlocks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace kvn {
namespace {

const SharedInsertBlock* FirstSharing(const std::vector<SharedInsertBlock>& entries, const SharedInsertBlock& wanted) {
  for (const SharedInsertBlock& e : entries) {
    if (e.block != wanted.block || e.parent != wanted.parent || e.color != wanted.color || e.level != wanted.level ||
        e.lineTypeHandle != wanted.lineTypeHandle || e.lineTypeByHandle != wanted.lineTypeByHandle ||
        e.lineTypeName.View() != wanted.lineTypeName.View())
      continue;
    bool equal = true;
    for (int k = 0; k < 9; ++k) equal = equal && std::fabs(e.linear[k] - wanted.linear[k]) <= SharedInsertBlocks::kEqual;
    if (equal) return &e;
  }
  return nullptr;
}

TEST(SharedInsertBlocks, FindsWhatAWalkOverEveryEntryFinds) {
  const double cell = 1.0 / 1048576.0, eps = SharedInsertBlocks::kEqual;
  // Offsets from a cell border: inside the epsilon, at it, just past it.
  const double offsets[] = {0.0, eps / 2, eps, eps * 1.0000001, 2 * eps, -eps / 2, -eps, -eps * 1.0000001, 0.3 * cell};
  const double bases[] = {0.0, 0.5, -0.70710678118654752, 3.0, 1e9, 4.5e9, -1e12};
  const YxxfBlockRec* blocks[] = {reinterpret_cast<const YxxfBlockRec*>(16), reinterpret_cast<const YxxfBlockRec*>(32)};
  std::mt19937 random(61);
  auto pick = [&random](auto& table) -> decltype(table[0]) { return table[random() % std::size(table)]; };
  auto value = [&]() {
    if (random() % 50 == 0) return random() % 2 ? std::nan("") : HUGE_VAL;
    return std::round(pick(bases) / cell + double(random() % 3)) * cell + pick(offsets);
  };
  auto make = [&]() {
    SharedInsertBlock s;
    s.block = pick(blocks);
    s.color = random() % 2;
    s.lineTypeName = random() % 4 == 0 ? WString(u"DASHED") : WString();
    for (int k = 0; k < 9; ++k) s.linear[k] = k < 2 ? value() : (random() % 8 == 0 ? eps * 2 : 0.0);
    return s;
  };
  for (int round = 0; round < 3; ++round) {
    SharedInsertBlocks shared;
    std::vector<SharedInsertBlock> entries;
    int found = 0;
    for (int i = 0; i < 3000; ++i) {
      const SharedInsertBlock wanted = make();
      const SharedInsertBlock* expected = FirstSharing(entries, wanted);
      const SharedInsertBlock* got = shared.Find(wanted);
      ASSERT_EQ(got == nullptr, expected == nullptr) << "search " << i;
      if (expected) {
        ++found;
        ASSERT_EQ(got->blockIndex, expected->blockIndex) << "search " << i;
        continue;
      }
      SharedInsertBlock remembered = wanted;
      remembered.blockIndex = std::uint32_t(entries.size());
      entries.push_back(remembered);
      shared.Remember(remembered);
    }
    EXPECT_GT(found, 100);
    EXPECT_EQ(shared.Count(), entries.size());
    shared.Clear();
    EXPECT_EQ(shared.Find(entries.front()), nullptr);
  }
}

}  // namespace
}  // namespace kvn
