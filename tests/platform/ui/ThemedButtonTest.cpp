// The face colour of the program's buttons.
#include "platform/ui/ThemedButton.h"

#include <gtest/gtest.h>

#include "foundation/UiColors.h"

namespace kvn {
namespace {

TEST(ThemedButton, FaceColourIsTheConfiguredColourThenTheTableThenTheSystem) {
  SetConfiguredUiColorHook(nullptr);
  SetUiSysColor(15, -1);
  EXPECT_EQ(ThemedButtonFaceColor(), GetSystemColor(15));
  SetUiSysColor(15, 0x123456);
  EXPECT_EQ(ThemedButtonFaceColor(), 0x123456u);
  SetConfiguredUiColorHook([](int index) -> std::int32_t { return index == 143 ? 0x00ABCDEF : -1; });
  EXPECT_EQ(ThemedButtonFaceColor(), 0x00ABCDEFu);
  SetConfiguredUiColorHook(nullptr);
  SetUiSysColor(15, -1);
}

}  // namespace
}  // namespace kvn
