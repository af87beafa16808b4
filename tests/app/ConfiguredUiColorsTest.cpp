// The shell's configured interface colours against light, mid and dark
// system schemes.
#include "app/ConfiguredUiColors.h"

#include <gtest/gtest.h>

#include "foundation/UiColors.h"
#include "model/ColorHls.h"

namespace kvn {
namespace {

class OneColorScheme : public SystemColorProvider {
 public:
  explicit OneColorScheme(std::uint32_t color) : color_(color) {}
  std::uint32_t GetSysColor(int) const override { return color_; }

 private:
  std::uint32_t color_;
};

class ConfiguredUiColorsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    SetSystemColorProvider(nullptr);
    SetConfiguredUiColorHook(nullptr);
  }
  void UseScheme(std::uint32_t color) {
    scheme_ = OneColorScheme(color);
    SetSystemColorProvider(&scheme_);
  }
  OneColorScheme scheme_{0};
};

TEST_F(ConfiguredUiColorsTest, OnlyTheThreeShellIndicesAreConfigured) {
  EXPECT_EQ(ConfiguredUiColorBase(132), 0x00D9EEFF);
  EXPECT_EQ(ConfiguredUiColorBase(133), 0x00FFFFEE);
  EXPECT_EQ(ConfiguredUiColorBase(143), 0x00F3DDC7);
  UseScheme(0xFFFFFF);
  for (int index : {4, 5, 15, 128, 131, 134, 142, 144, 255}) EXPECT_EQ(ShellConfiguredUiColor(index), kNoUiColor);
}

TEST_F(ConfiguredUiColorsTest, LightSchemeRaisesTheLightnessToAtLeast210) {
  for (std::uint32_t scheme : {0xFFFFFFu, 0xF0F0F0u, 0xE0E0E0u}) {
    UseScheme(scheme);
    for (int index : {132, 133, 143}) {
      const std::int32_t c = ShellConfiguredUiColor(index);
      ASSERT_NE(c, kNoUiColor) << index;
      EXPECT_GE(RgbToHls(std::uint32_t(c)).lightness, 210) << index;
    }
  }
  UseScheme(0xFFFFFF);
  // Already light enough: the configured colour as it is.
  EXPECT_EQ(ShellConfiguredUiColor(133), 0x00FFFFEE);
  EXPECT_EQ(ShellConfiguredUiColor(132), 0x00D9EEFF);
  // 143 (lightness 208) is raised, and keeps its blue cast.
  const std::uint32_t face = std::uint32_t(ShellConfiguredUiColor(143));
  EXPECT_NE(face, 0x00F3DDC7u);
  EXPECT_GT(face >> 16 & 0xFF, face & 0xFF);
}

TEST_F(ConfiguredUiColorsTest, MidSchemeUsesTheSystemColour) {
  for (std::uint32_t scheme : {0x808080u, 0xC8D0D4u, 0x202020u + 0x0A0A0Au}) {
    UseScheme(scheme);
    EXPECT_EQ(ShellConfiguredUiColor(143), kNoUiColor) << std::hex << scheme;
  }
  // Through the table: GetUiSysColor then answers the system colour.
  UseScheme(0x808080);
  InstallConfiguredUiColors();
  EXPECT_EQ(GetUiSysColor(143), 0x808080u);
}

TEST_F(ConfiguredUiColorsTest, DarkSchemeLowersTheLightnessToAtMost30) {
  UseScheme(0x101010);
  for (int index : {132, 133, 143}) {
    const std::int32_t c = ShellConfiguredUiColor(index);
    ASSERT_NE(c, kNoUiColor);
    EXPECT_LE(RgbToHls(std::uint32_t(c)).lightness, 30);
  }
}

TEST_F(ConfiguredUiColorsTest, BoundariesOfTheScheme) {
  // Lightness 30 and 210 are mid; 29 dark, 211 light.
  auto grey = [](int lightness) {
    const std::uint32_t v = std::uint32_t((lightness * 255 + 120) / 240);
    return v | v << 8 | v << 16;
  };
  ASSERT_EQ(RgbToHls(grey(30)).lightness, 30);
  ASSERT_EQ(RgbToHls(grey(210)).lightness, 210);
  EXPECT_EQ(FitConfiguredUiColor(0xF3DDC7, grey(30)), kNoUiColor);
  EXPECT_EQ(FitConfiguredUiColor(0xF3DDC7, grey(210)), kNoUiColor);
  EXPECT_NE(FitConfiguredUiColor(0xF3DDC7, grey(29)), kNoUiColor);
  EXPECT_NE(FitConfiguredUiColor(0xF3DDC7, grey(211)), kNoUiColor);
}

}  // namespace
}  // namespace kvn
