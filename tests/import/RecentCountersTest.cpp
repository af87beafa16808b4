// Counting by name through the table of recent counters gives the counts
// the maps alone would: names that share a slot, the same name in two maps,
// more names than slots, and a copy that must not count into the other's maps.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "import/records/RecentCounters.h"

namespace kvn {
namespace {

TEST(RecentCountersTest, CountsAsTheMapsAloneWould) {
  std::map<std::string, std::uint64_t> a, b, expectedA, expectedB;
  RecentCounters counters;
  for (int i = 0; i < 20000; ++i) {
    const std::string name = "N" + std::to_string((i * 7919) % (i < 10000 ? 9 : 200));
    std::map<std::string, std::uint64_t>& map = i % 3 == 0 ? b : a;
    ++counters.Counter(map, name);
    ++(i % 3 == 0 ? expectedB : expectedA)[name];
  }
  EXPECT_EQ(a, expectedA);
  EXPECT_EQ(b, expectedB);

  RecentCounters copy(counters);
  std::map<std::string, std::uint64_t> c;
  ++copy.Counter(c, "N1");
  EXPECT_EQ(c.at("N1"), 1u);
  EXPECT_EQ(a, expectedA);
  counters = copy;
  ++counters.Counter(a, "N1");
  EXPECT_EQ(a.at("N1"), expectedA.at("N1") + 1);
  EXPECT_EQ(c.at("N1"), 1u);
}

}  // namespace
}  // namespace kvn
