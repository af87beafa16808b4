#include "platform/gdi/UiFill.h"

#include <gtest/gtest.h>

#include "foundation/UiColors.h"
#include "platform/gdi/RecordingDC.h"

namespace kvn {
namespace {

TEST(UiFill, PlainAndInterfaceColours) {
  EXPECT_EQ(ResolveUiColorValue(0x00123456), COLORREF(0x123456));
  SetUiSysColor(5, 0x00ABCDEF);
  EXPECT_EQ(ResolveUiColorValue(UiColorValue(5)), COLORREF(0xABCDEF));
  SetUiSysColor(5, -1);

  RecordingDC dc;
  ASSERT_TRUE(FillRectWithColor(dc, TRect{1, 2, 3, 4}, 0x0000FF));
  ASSERT_EQ(dc.calls.size(), 1u);
  EXPECT_NE(dc.calls[0].find("FillRect"), std::string::npos);
  // The temporary brush is not left selected: the next fill uses its own.
  SetUiSysColor(6, 0x00010203);
  ASSERT_TRUE(FillRectWithUiColor(dc, TRect{0, 0, 1, 1}, UiColorValue(6)));
  EXPECT_EQ(dc.calls.size(), 2u);
  SetUiSysColor(6, -1);
}

}  // namespace
}  // namespace kvn
