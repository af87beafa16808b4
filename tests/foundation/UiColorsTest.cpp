#include "foundation/UiColors.h"

#include <gtest/gtest.h>

namespace kvn {
namespace {

// System colour i is 0x0000i0 + i, easy to tell apart.
class FakeSystemColors : public SystemColorProvider {
 public:
  std::uint32_t GetSysColor(int index) const override { return 0x1000u * std::uint32_t(index) + std::uint32_t(index); }
};

std::int32_t ConfigureWindowVariant(int index) { return index == 133 ? 0x00ABCDEF : kNoUiColor; }

class UiColorsTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetSystemColorProvider(&fake_); }
  void TearDown() override {
    SetSystemColorProvider(previous_);
    SetConfiguredUiColorHook(nullptr);
    for (int i = 0; i < kUiColorCount; ++i) SetUiSysColor(i, kNoUiColor);
  }
  FakeSystemColors fake_;
  SystemColorProvider* previous_ = nullptr;
};

TEST_F(UiColorsTest, ThemedIndexWithoutConfigurationIsTheSystemColour) {
  EXPECT_EQ(GetUiSysColor(133), fake_.GetSysColor(5));
  EXPECT_EQ(GetUiSysColor(5), fake_.GetSysColor(5));
  EXPECT_FALSE(HasUiSysColor(133));
}

TEST_F(UiColorsTest, IndicesBeyondTheSystemColoursGiveZero) {
  EXPECT_EQ(GetUiSysColor(200), 0u);  // 200 AND 127 = 72
  EXPECT_EQ(GetUiSysColor(32), 0u);
  EXPECT_EQ(GetUiSysColor(127), 0u);
  EXPECT_FALSE(HasUiSysColor(200));
}

TEST_F(UiColorsTest, ConfiguredColourComesFirst) {
  SetConfiguredUiColorHook(ConfigureWindowVariant);
  EXPECT_EQ(GetConfiguredUiColor(133), 0x00ABCDEF);
  EXPECT_EQ(GetUiSysColor(133), 0x00ABCDEFu);
  EXPECT_TRUE(HasUiSysColor(133));
  EXPECT_EQ(GetUiSysColor(5), fake_.GetSysColor(5));  // the plain index is not configured
  SetConfiguredUiColorHook(nullptr);
  EXPECT_EQ(GetConfiguredUiColor(133), kNoUiColor);
}

TEST_F(UiColorsTest, TableOverridesBothThePlainAndTheThemedIndex) {
  SetUiSysColor(15, 0x00112233);
  EXPECT_EQ(GetUiSysColor(15), 0x00112233u);
  EXPECT_EQ(GetUiSysColor(143), 0x00112233u);
  EXPECT_TRUE(HasUiSysColor(15));
  EXPECT_TRUE(HasUiSysColor(143));
  SetUiSysColor(143, 0x00445566);  // not below 32: ignored
  EXPECT_EQ(GetUiSysColor(15), 0x00112233u);
  SetUiSysColor(15, kNoUiColor);
  EXPECT_EQ(GetUiSysColor(15), fake_.GetSysColor(15));
}

TEST(UiColors, WithoutADisplayTheClassicSchemeAnswers) {
  SystemColorProvider* previous = SetSystemColorProvider(nullptr);
  EXPECT_EQ(GetUiSysColor(5), 0x00FFFFFFu);  // window
  EXPECT_EQ(GetUiSysColor(8), 0u);           // window text
  EXPECT_EQ(GetSystemColor(40), 0u);
  SetSystemColorProvider(previous);
}

}  // namespace
}  // namespace kvn
