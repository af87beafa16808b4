// Where the drawing view puts its children: the bottom strip shared by page
// tabs and the horizontal bar, bars hidden when their range is empty, the
// grip only between two bars, and the rulers' 15 pixels.
#include <gtest/gtest.h>

#include "app/VectorView.h"

namespace kvn {
namespace {

ViewLayoutInput Input(bool hEmpty, bool vEmpty, bool tabs, bool rulers) {
  ViewLayoutInput in;
  in.width = 800;
  in.height = 600;
  in.hbarHeight = 16;
  in.vbarWidth = 14;
  in.hEmpty = hEmpty;
  in.vEmpty = vEmpty;
  in.tabsNeeded = tabs;
  in.rulersShown = rulers;
  return in;
}

TEST(VectorViewLayout, BothBarsWithRulersAndTabs) {
  const ViewLayout l = ComputeViewLayout(Input(false, false, true, true));
  // W = 786, H = 584; tabs t = MulDiv(771, 33, 100) = 254 (254.43).
  EXPECT_EQ(l.window, (ViewPlace{15, 15, 771, 569}));
  EXPECT_EQ(l.vRuler, (ViewPlace{0, 15, 15, 585}));
  EXPECT_EQ(l.hRuler, (ViewPlace{15, 0, 785, 15}));
  EXPECT_EQ(l.corner, (ViewPlace{0, 0, 15, 15}));
  EXPECT_EQ(l.hBar, (ViewPlace{15 + 254, 584, 771 - 254, 16}));
  EXPECT_EQ(l.vBar, (ViewPlace{786, 15, 14, 569}));
  EXPECT_EQ(l.grip, (ViewPlace{786, 584, 14, 16}));
  EXPECT_EQ(l.tabs, (ViewPlace{15, 584, 250, 16}));
  EXPECT_EQ(l.splitter, (ViewPlace{15 - 4 + 254, 584, 4, 16}));
  // The splitter divides the same strip the tabs were measured in.
  EXPECT_EQ(l.strip, 771);
  EXPECT_TRUE(l.hBarShown && l.vBarShown && l.gripShown && l.tabsShown && l.rulersShown);
}

TEST(VectorViewLayout, OnePageWithoutRangesLeavesOnlyTheWindow) {
  const ViewLayout l = ComputeViewLayout(Input(true, true, false, false));
  EXPECT_EQ(l.window, (ViewPlace{0, 0, 800, 600}));
  EXPECT_FALSE(l.hBarShown || l.vBarShown || l.gripShown || l.tabsShown);
}

TEST(VectorViewLayout, FittingPageWithTwoPagesKeepsTheStripForTheTabs) {
  const ViewLayout l = ComputeViewLayout(Input(true, true, true, false));
  EXPECT_EQ(l.window, (ViewPlace{0, 0, 800, 584}));
  EXPECT_FALSE(l.hBarShown);
  EXPECT_FALSE(l.gripShown);
  // The splitter takes the rest of the strip, which a hidden vertical bar
  // leaves whole.
  EXPECT_EQ(l.strip, 800);
  EXPECT_EQ(l.splitter.w, 800 - 264 + 0 + 4);
}

TEST(VectorViewLayout, OneBarOnlyHidesTheGrip) {
  const ViewLayout l = ComputeViewLayout(Input(false, true, false, false));
  EXPECT_EQ(l.hBar, (ViewPlace{0, 584, 800, 16}));
  EXPECT_EQ(l.window, (ViewPlace{0, 0, 800, 584}));
  EXPECT_FALSE(l.gripShown);
  // A view smaller than its bars never gets negative sizes.
  ViewLayoutInput tiny = Input(false, false, true, true);
  tiny.width = 10;
  tiny.height = 8;
  const ViewLayout t = ComputeViewLayout(tiny);
  EXPECT_GE(t.window.w, 0);
  EXPECT_GE(t.window.h, 0);
  EXPECT_GE(t.hBar.w, 0);
  EXPECT_GE(t.tabs.w, 0);
  // W = 10 - 14 = -4, H = 8 - 16 = -8; the tabs take their least 5 pixels.
  EXPECT_EQ(t.window, (ViewPlace{15, 15, 0, 0}));
  EXPECT_EQ(t.hBar, (ViewPlace{15 + 5, -8, 0, 16}));
  EXPECT_EQ(t.tabs, (ViewPlace{15, -8, 1, 16}));
  EXPECT_EQ(t.vBar, (ViewPlace{-4, 15, 14, 0}));
}

}  // namespace
}  // namespace kvn
