// The tab strip's layout, scrolling, selection, marks and hit-testing,
// without a display: every caption is 10 pixels per character.
#include "controls/TabStrip.h"

#include <gtest/gtest.h>

namespace kvn {
namespace {

TabStripModel Strip(int tabs, std::int32_t width, std::int32_t height = 20) {
  TabStripModel m([](const WString& c) { return std::int32_t(c.Length() * 10); });
  m.SetClientSize(width, height);
  for (int i = 0; i < tabs; ++i) m.InsertTab(i, WString(u"Page"), std::uint32_t(i));  // 40 px captions
  return m;
}

TEST(TabStrip, OutlinesOfEveryShape) {
  const TRect r{10, 1, 74, 19};
  const std::int32_t h = 20;
  auto o3 = ComputeTabOutline(kTabFull, r, h);
  EXPECT_EQ(o3[0], (TPoint{10, 1}));
  EXPECT_EQ(o3[1], (TPoint{15, 11}));
  EXPECT_EQ(o3[2], (TPoint{20, 19}));
  EXPECT_EQ(o3[3], (TPoint{64, 19}));
  EXPECT_EQ(o3[4], (TPoint{69, 11}));
  EXPECT_EQ(o3[5], (TPoint{74, 1}));
  EXPECT_EQ(ComputeTabOutline(kTabUnderNext, r, h)[5], (TPoint{64, 1}));
  const auto o1 = ComputeTabOutline(kTabSliverCurrent, r, h);
  EXPECT_EQ(o1[1], (TPoint{10, 19}));
  EXPECT_EQ(o1[2], (TPoint{20, 1}));
  EXPECT_EQ(o1[5], (TPoint{20, 1}));
  const auto o2 = ComputeTabOutline(kTabSliver, r, h);
  EXPECT_EQ(o2[1], (TPoint{15, 11}));
  EXPECT_EQ(o2[4], (TPoint{10, 19}));
  for (const TPoint& p : ComputeTabOutline(7, r, h)) EXPECT_EQ(p, (TPoint{0, 0}));
  // Inside the trapezoid, outside its slanted corners.
  EXPECT_TRUE(OutlineContains(o3, 40, 10));
  EXPECT_FALSE(OutlineContains(o3, 11, 17));
  EXPECT_FALSE(OutlineContains(o3, 40, 25));
}

TEST(TabStrip, TabsThatFitStartAtZeroWithoutArrows) {
  TabStripModel m = Strip(3, 400);
  // Each tab: h + 4 + 40 = 64 wide, advancing 54.
  EXPECT_EQ(m.FirstVisible(), 0);
  EXPECT_EQ(m.ArrowStates(), (std::array<int, 4>{}));
  EXPECT_EQ(m.Tab(0).outer, (TRect{0, 1, 64, 19}));
  EXPECT_EQ(m.Tab(1).outer, (TRect{54, 1, 118, 19}));
  EXPECT_EQ(m.Tab(0).text, (TRect{10, 1, 54, 19}));
  EXPECT_EQ(m.Tab(0).shape, kTabUnderNext);
  EXPECT_EQ(m.Tab(2).shape, kTabFull);
  // Where two tabs overlap the first in index order takes the point.
  EXPECT_EQ(m.HitTest(30, 10), 0);
  EXPECT_EQ(m.HitTest(100, 10), 1);
  EXPECT_EQ(m.HitTest(300, 10), kTabHitNothing);
}

TEST(TabStrip, TabsThatDoNotFitScrollBehindTheArrows) {
  TabStripModel m = Strip(10, 200);
  ASSERT_EQ(m.ArrowStates()[0], 1);
  ASSERT_EQ(m.ArrowStates()[1], 1);
  const std::int32_t aw = 2 * 20 - 3;
  EXPECT_EQ(m.ArrowBlockWidth(), aw);
  EXPECT_EQ(m.HitTest(5, 10), kTabHitPrevious);
  EXPECT_EQ(m.HitTest(25, 10), kTabHitNext);
  // Previous at the start does nothing; next scrolls by one tab.
  m.ClickAt(kTabHitPrevious, false);
  EXPECT_EQ(m.FirstVisible(), 0);
  m.ClickAt(kTabHitNext, false);
  EXPECT_EQ(m.FirstVisible(), 1);
  EXPECT_EQ(m.ArrowStates()[1], 3);
  m.ReleaseArrows();
  EXPECT_EQ(m.ArrowStates()[1], 1);
  // The first visible tab starts at the arrow block; the one before is a
  // sliver h/2 wide.
  EXPECT_EQ(m.Tab(1).outer.left, aw);
  EXPECT_EQ(m.Tab(0).shape, kTabSliver);
  EXPECT_EQ(m.Tab(0).outer, (TRect{aw, 1, aw + 10, 19}));
  EXPECT_EQ(m.Tab(0).text, TRect{});
  // Next once the last tab is whole does nothing.
  for (int i = 0; i < 20; ++i) m.ClickAt(kTabHitNext, false);
  EXPECT_LE(m.Tab(9).outer.right, 200);
  const int first = m.FirstVisible();
  m.ClickAt(kTabHitNext, false);
  EXPECT_EQ(m.FirstVisible(), first);
  // Enlarging brings hidden tabs back while the last still fits whole.
  m.SetClientSize(400, 20);
  m.Reposition(TabReposition::Refit, 0);
  EXPECT_LT(m.FirstVisible(), first);
  EXPECT_LE(m.Tab(9).outer.right, 400);
}

TEST(TabStrip, SelectionMarksAndDeletion) {
  TabStripModel m = Strip(4, 400);
  EXPECT_EQ(m.SelectTab(2), 0);
  EXPECT_EQ(m.CurrentTab(), 2);
  EXPECT_TRUE(m.Tab(2).selected);
  EXPECT_EQ(m.IsTabMarked(2), 1);
  // Ctrl+click changes no mark; a plain click on an unmarked tab leaves it
  // the only marked one.
  EXPECT_TRUE(m.ClickAt(0, true));
  EXPECT_EQ(m.IsTabMarked(0), 0);
  EXPECT_EQ(m.IsTabMarked(2), 1);
  m.SetTabMarked(3, true);
  EXPECT_TRUE(m.ClickAt(1, false));
  EXPECT_EQ(m.IsTabMarked(1), 1);
  EXPECT_EQ(m.IsTabMarked(2) + m.IsTabMarked(3), 0);
  // A click on a marked tab keeps the other marks.
  m.SetTabMarked(3, true);
  m.ClickAt(1, false);
  EXPECT_EQ(m.IsTabMarked(3), 1);
  // Deleting a tab before the current keeps the same tab current.
  m.SelectTab(2);
  m.DeleteTab(0);
  EXPECT_EQ(m.CurrentTab(), 1);
  // Deleting the current last tab selects the one before it.
  m.SelectTab(2);
  m.DeleteTab(2);
  EXPECT_EQ(m.CurrentTab(), 1);
  EXPECT_TRUE(m.Tab(1).selected);
  // Bad indices.
  EXPECT_EQ(m.InsertTab(9, WString(u"x"), 0), -2);
  EXPECT_EQ(m.DeleteTab(-1), -2);
  EXPECT_EQ(m.SelectTab(5), -2);
  m.DeleteAllTabs();
  EXPECT_EQ(m.CurrentTab(), -1);
  EXPECT_EQ(m.HitTest(10, 10), kTabHitNothing);
  // Inserting before the current tab moves it up.
  m.InsertTab(0, WString(u"a"), 0);
  m.SelectTab(0);
  m.InsertTab(0, WString(u"b"), 0);
  EXPECT_EQ(m.CurrentTab(), 1);
}

}  // namespace
}  // namespace kvn
