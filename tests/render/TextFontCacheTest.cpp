// The program-wide text font: its escapement rounding, when it is made
// again, and that a device context gives it up before it is replaced.
#include "render/TextFontCache.h"

#include <gtest/gtest.h>

#include <string>

#include "foundation/WString.h"
#include "model/cText.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"

namespace kvn {
namespace {

TEST(TextFontEscapement, RoundsTenthsAndWrapsNegativeAngles) {
  EXPECT_EQ(TextFontEscapement(0.0), 0);
  EXPECT_EQ(TextFontEscapement(12.34), 123);
  EXPECT_EQ(TextFontEscapement(12.35), 124);  // 123.5 rounds up
  EXPECT_EQ(TextFontEscapement(-90.0), 2700);
  EXPECT_EQ(TextFontEscapement(-0.04), 0);     // -0.4 rounds to 0, not negative
  EXPECT_EQ(TextFontEscapement(-0.05), 0);     // -0.5 + 0.5 = 0
  EXPECT_EQ(TextFontEscapement(-0.06), 3599);  // -0.6 rounds to -1
  EXPECT_EQ(TextFontEscapement(180.0), 1800);
  EXPECT_EQ(TextFontEscapement(-179.99), 1800);
  // Values no text holds stay inside a turn.
  EXPECT_EQ(TextFontEscapement(std::nan("")), 0);
  for (const double huge : {1e300, -1e300, 1e12 + 0.3, -7e9}) {
    EXPECT_GE(TextFontEscapement(huge), 0) << huge;
    EXPECT_LT(TextFontEscapement(huge), 3600) << huge;
  }
  EXPECT_EQ(TextFontEscapement(720.0), 0);
}

class SelectTextFontTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearTextFontCache();
    const WString face(std::u16string_view(u"Arial"));
    text.SetFont(&face, 0x22, 0, 65535);
    text.attr.height = 3.0;
  }
  void TearDown() override { ClearTextFontCache(); }

  // A first call through a fresh context, so later calls start from a
  // cached font and a cleared cache option.
  TFont Prime(cDrawInfo& info, std::int32_t height = 40) { return SelectTextFont(dc, text, info, height); }

  RecordingDC dc;
  cText text;
};

TEST_F(SelectTextFontTest, FontIsMadeFromTheTextWithTheCharacterHeight) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  text.angle = -90.0;
  text.attr.styleBits = 0x07 | 0x10;  // bold, italic
  const TFont font = SelectTextFont(dc, text, info, 40);
  ASSERT_TRUE(font.IsValid());
  EXPECT_EQ(DescribeFont(font), "font(\"Arial\" h=-40 w=0 esc=2700 or=2700 wt=700 it=1 ul=0 so=0 cs=0 q=0)");
  EXPECT_EQ(info.options.fontCache, 0);
  // A negative height gives the same character height.
  ClearTextFontCache();
  EXPECT_EQ(SelectTextFont(dc, text, info, -40).Data().height, -40);
}

TEST_F(SelectTextFontTest, SameKeyKeepsTheFontAndLeavesTheDeviceAlone) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  const TFont first = Prime(info);
  info.SelectFont(first);
  dc.Clear();
  const TFont second = SelectTextFont(dc, text, info, 40);
  EXPECT_TRUE(second == first);
  EXPECT_TRUE(dc.calls.empty()) << dc.Text();
  EXPECT_TRUE(dc.GetCurrentFont() == first);
  EXPECT_TRUE(info.SelectedFont() == first);
}

TEST_F(SelectTextFontTest, EveryKeyChangeMakesANewFontAfterTheDeviceFontIsBack) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  const TFont deviceFont = dc.GetCurrentFont();
  struct Change {
    const char* what;
    void (*apply)(cText&, std::int32_t&);
  };
  const Change changes[] = {
      {"face", [](cText& t, std::int32_t&) {
         const WString face(std::u16string_view(u"Courier New"));
         t.SetFont(&face, 0x31, 0, 65535);
       }},
      {"bold", [](cText& t, std::int32_t&) { t.attr.styleBits |= 0x07; }},
      {"italic", [](cText& t, std::int32_t&) { t.attr.styleBits |= 0x10; }},
      {"underline", [](cText& t, std::int32_t&) { t.attr.styleBits |= 0x40; }},
      {"strike-out", [](cText& t, std::int32_t&) { t.attr.styleBits |= 0x20; }},
      {"height", [](cText&, std::int32_t& h) { h = 41; }},
      {"escapement", [](cText& t, std::int32_t&) { t.angle = 0.1; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    SetUp();
    text.attr.styleBits = 0;
    text.angle = 0.0;
    std::int32_t height = 40;
    const TFont old = Prime(info, height);
    info.SelectFont(old);
    ASSERT_TRUE(dc.GetCurrentFont() == old);
    change.apply(text, height);
    dc.Clear();
    const TFont made = SelectTextFont(dc, text, info, height);
    ASSERT_TRUE(made.IsValid());
    EXPECT_FALSE(made == old);
    // The device got its own font back before the old one was let go.
    ASSERT_EQ(dc.calls.size(), 1u) << dc.Text();
    EXPECT_EQ(dc.calls[0], "SelectObject " + DescribeFont(deviceFont));
    EXPECT_TRUE(dc.GetCurrentFont() == deviceFont);
    EXPECT_FALSE(info.SelectedFont().IsValid());
    // Nothing but the test holds the old font now.
    EXPECT_EQ(old.UseCount(), 1);
  }
}

TEST_F(SelectTextFontTest, HeightSignIsPartOfTheKeyButNotOfTheSize) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  const TFont first = Prime(info, 40);
  // The key holds the height as given: -40 is another key but the same size.
  const TFont second = SelectTextFont(dc, text, info, -40);
  EXPECT_FALSE(second == first);
  EXPECT_EQ(second.Data().height, first.Data().height);
}

TEST_F(SelectTextFontTest, CacheOptionForcesANewFontAndIsCleared) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  const TFont first = Prime(info);
  info.SelectFont(first);
  info.options.fontCache = 1;
  const TFont second = SelectTextFont(dc, text, info, 40);
  EXPECT_FALSE(second == first);
  EXPECT_EQ(DescribeFont(second), DescribeFont(first));
  EXPECT_EQ(info.options.fontCache, 0);
  EXPECT_FALSE(dc.GetCurrentFont() == first);
  // Cleared: the next call keeps it.
  EXPECT_TRUE(SelectTextFont(dc, text, info, 40) == second);
}

TEST_F(SelectTextFontTest, AnotherDeviceHoldingTheFontGivesItUp) {
  cDrawInfo info(WorldMapping{}, nullptr, &dc);
  const TFont first = Prime(info);
  RecordingDC other;
  other.SelectObject(first);
  other.Clear();
  text.attr.styleBits = 0x07;
  const TFont second = SelectTextFont(other, text, info, 40);
  EXPECT_FALSE(second == first);
  EXPECT_FALSE(other.GetCurrentFont() == first);
  EXPECT_EQ(other.calls.size(), 1u) << other.Text();
}

}  // namespace
}  // namespace kvn
