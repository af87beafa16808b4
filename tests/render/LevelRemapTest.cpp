#include "render/LevelRemap.h"

#include <gtest/gtest.h>

#include "model/ObjectChain.h"
#include "model/cLine.h"

namespace kvn {
namespace {

TEST(LevelRemap, IndexAfterAnInsertedLevel) {
  EXPECT_EQ(RemapLevelIndex(65535, 4), 4);  // no level: the new one
  EXPECT_EQ(RemapLevelIndex(4, 4), 5);
  EXPECT_EQ(RemapLevelIndex(9, 4), 10);
  EXPECT_EQ(RemapLevelIndex(3, 4), 3);
  EXPECT_EQ(RemapLevelIndex(0, 0), 1);
  EXPECT_EQ(RemapLevelIndex(65534, 0), 65534);  // never becomes "no level"
}

TEST(LevelRemap, ChainOptionallyAboveALevel) {
  ObjectChain chain;
  const std::uint16_t levels[4] = {1, 5, 65535, 8};
  for (std::uint16_t level : levels) {
    auto* line = new cLine;
    line->SetLevel(level);
    chain.Append(line);
  }
  RenumberChainLevels(chain.Head(), 5);
  cOutObj* o = chain.Head();
  for (std::uint16_t expected : {1, 6, 5, 9}) {
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->Level(), expected);
    o = o->next;
  }
  RenumberChainLevels(chain.Head(), 0, 5);  // only levels above 5
  o = chain.Head();
  for (std::uint16_t expected : {1, 7, 5, 10}) {
    EXPECT_EQ(o->Level(), expected);
    o = o->next;
  }
  RenumberChainLevels(nullptr, 3);  // an empty chain
}

}  // namespace
}  // namespace kvn
