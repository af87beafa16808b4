// The tab strip's layout, scrolling, selection, marks and hit-testing,
// without a display: every caption is 10 pixels per character.
#include "controls/TabStrip.h"

#include <gtest/gtest.h>

#include <string>

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

TEST(TabStrip, HitTestOnBothSidesOfEveryBoundary) {
  // Two heights, so that no boundary passes by a coincidence of one size.
  for (std::int32_t h : {20, 27}) {
    TabStripModel m = Strip(10, 200, h);
    ASSERT_EQ(m.ArrowStates()[0], 1) << h;
    ASSERT_EQ(m.ArrowStates()[1], 1) << h;
    const std::int32_t aw = 2 * h - 3;  // previous [0, h - 2), next [h - 2, 2h - 3)
    ASSERT_EQ(m.ArrowBlockWidth(), aw);
    // The first tab starts right behind the arrows.
    ASSERT_EQ(m.FirstVisible(), 0);
    ASSERT_EQ(m.Tab(0).outer.left, aw);
    const std::int32_t mid = h / 2;
    for (std::int32_t y : {0, 1, mid, h - 2, h - 1}) {
      EXPECT_EQ(m.HitTest(-1, y), kTabHitNothing) << h << " y " << y;
      EXPECT_EQ(m.HitTest(0, y), kTabHitPrevious) << h << " y " << y;
      EXPECT_EQ(m.HitTest(h - 3, y), kTabHitPrevious) << h << " y " << y;
      EXPECT_EQ(m.HitTest(h - 2, y), kTabHitNext) << h << " y " << y;
      EXPECT_EQ(m.HitTest(aw - 1, y), kTabHitNext) << h << " y " << y;
    }
    // Above and below the strip no arrow answers.
    for (std::int32_t x : {0, h - 3, h - 2, aw - 1}) {
      EXPECT_EQ(m.HitTest(x, -1), kTabHitNothing) << h << " x " << x;
      EXPECT_EQ(m.HitTest(x, h), kTabHitNothing) << h << " x " << x;
    }
    // Right of the arrows the first tab's slanted left edge, (aw, 1) down to
    // (aw + h/4, 1 + h/2), decides at pixel centres: the pixel just right of
    // the edge is the tab's, the one left of it nobody's.
    EXPECT_EQ(m.HitTest(aw, 1), 0) << h;                  // centre (aw + 0.5, 1.5), edge at aw + 0.25
    EXPECT_EQ(m.HitTest(aw, mid), kTabHitNothing) << h;   // edge about h/8 right of aw
    EXPECT_EQ(m.HitTest(aw + h / 4 + 1, mid), 0) << h;
    // The tab's top line is y = 1 and its bottom h - 1.
    EXPECT_EQ(m.HitTest(aw + h, 0), kTabHitNothing) << h;
    EXPECT_EQ(m.HitTest(aw + h, 1), 0) << h;
    EXPECT_EQ(m.HitTest(aw + h, h - 2), 0) << h;
    EXPECT_EQ(m.HitTest(aw + h, h - 1), kTabHitNothing) << h;

    // Scrolled on: the sliver of tab 0 takes the place right of the arrows,
    // which still answer up to their last pixel; the sliver's point is at
    // mid-height, above it tab 1 begins.
    m.ClickAt(kTabHitNext, false);
    m.ReleaseArrows();
    ASSERT_EQ(m.Tab(0).shape, kTabSliver);
    ASSERT_EQ(m.Tab(1).outer.left, aw);
    EXPECT_EQ(m.HitTest(aw - 1, mid), kTabHitNext) << h;
    EXPECT_EQ(m.HitTest(aw, mid), 0) << h;
    EXPECT_EQ(m.HitTest(aw, 1), 1) << h;
  }
  // Without arrows the tabs reach x = 0 and nothing lies left of it.
  TabStripModel fit = Strip(3, 400);
  ASSERT_EQ(fit.ArrowBlockWidth(), 0);
  EXPECT_EQ(fit.HitTest(-1, 2), kTabHitNothing);
  EXPECT_EQ(fit.HitTest(0, 1), 0);
  EXPECT_EQ(fit.HitTest(0, 2), kTabHitNothing);  // left of the slant: edge at x = 0.75
  EXPECT_EQ(fit.HitTest(1, 2), 0);
  // Tab 0 (0..64) under tab 1 (54..118): on row 5 their shared edge runs
  // through x = 56.25; on row 15 tab 0's right edge through 56.2 and tab 1's
  // left edge through 61.8, with nobody's pixels between them.
  EXPECT_EQ(fit.HitTest(55, 5), 0);
  EXPECT_EQ(fit.HitTest(56, 5), 1);
  EXPECT_EQ(fit.HitTest(55, 15), 0);
  EXPECT_EQ(fit.HitTest(56, 15), kTabHitNothing);
  EXPECT_EQ(fit.HitTest(61, 15), kTabHitNothing);
  EXPECT_EQ(fit.HitTest(62, 15), 1);
  // The last tab (108..172) ends in its right slant.
  EXPECT_EQ(fit.Tab(2).outer, (TRect{108, 1, 172, 19}));
  EXPECT_EQ(fit.HitTest(171, 1), 2);
  EXPECT_EQ(fit.HitTest(172, 1), kTabHitNothing);
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

TEST(TabStrip, DataTextAndTextRectOfATab) {
  TabStripModel m = Strip(3, 400);
  std::uint32_t value = 0;
  WString caption;
  TRect rect;
  // Every accessor refuses indices outside 0..count-1 and changes nothing.
  for (int bad : {-1, 3, 100}) {
    EXPECT_EQ(m.GetTabData(bad, value), -2);
    EXPECT_EQ(m.SetTabData(bad, 7), -2);
    EXPECT_EQ(m.GetTabText(bad, caption), -2);
    EXPECT_EQ(m.SetTabText(bad, WString(u"x")), -2);
    EXPECT_EQ(m.GetTabTextRect(bad, rect), -2);
  }
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(m.SetTabData(1, 0xDEADBEEF), 0);
  EXPECT_EQ(m.GetTabData(1, value), 0);
  EXPECT_EQ(value, 0xDEADBEEF);
  EXPECT_EQ(m.GetTabData(0, value), 0);
  EXPECT_EQ(value, 0u);
  // A longer caption re-fits: the tabs after it move right.
  EXPECT_EQ(m.SetTabText(0, WString(u"Longer page")), 0);
  EXPECT_EQ(m.GetTabText(0, caption), 0);
  EXPECT_EQ(caption, WString(u"Longer page"));
  EXPECT_EQ(m.GetTabTextRect(0, rect), 0);
  EXPECT_EQ(rect, (TRect{10, 1, 10 + 4 + 110, 19}));
  EXPECT_EQ(m.Tab(1).outer.left, 20 + 4 + 110 - 10);
  // A sliver has no text rectangle.
  TabStripModel narrow = Strip(10, 200);
  narrow.ClickAt(kTabHitNext, false);
  EXPECT_EQ(narrow.GetTabTextRect(0, rect), 0);
  EXPECT_EQ(rect, TRect{});
}

TEST(TabStrip, ShowTextScrollsUntilTheCaptionEndsInsideOrTheCurrentTabLeads) {
  // h = 20, arrows 37 wide, tabs 64 wide advancing 54; a caption of 40
  // pixels centred in its text rectangle, plus 2, ends 54 right of the tab's
  // left edge, which lies at 37 + 54 (index - first).
  struct Case {
    int current;
    int index;
    int firstAfter;
  };
  for (const Case& c : {Case{5, 5, 3}, Case{8, 8, 6}, Case{1, 8, 1}, Case{-1, 8, 0}, Case{5, 2, 0}}) {
    TabStripModel m = Strip(10, 200);
    if (c.current >= 0) m.SelectTab(c.current);
    m.Reposition(TabReposition::First, 0);
    ASSERT_EQ(m.FirstVisible(), 0);
    m.Reposition(TabReposition::ShowText, c.index);
    EXPECT_EQ(m.FirstVisible(), c.firstAfter) << c.current << " " << c.index;
  }
  // Tabs that fit: nothing scrolls.
  TabStripModel wide = Strip(3, 400);
  wide.SelectTab(2);
  wide.Reposition(TabReposition::ShowText, 2);
  EXPECT_EQ(wide.FirstVisible(), 0);
}

TEST(TabStrip, ArrowGlyphsAreTheStripsBitmaps) {
  // Glyphs as drawn ('#'), first, previous, next, last.
  const char* expected[4][7] = {
      {" #    # ", " #   ## ", " #  ### ", " # ###  ", " #  ### ", " #   ## ", " #    # "},
      {"     #  ", "    ##  ", "   ###  ", "  ###   ", "   ###  ", "    ##  ", "     #  "},
      {"  #     ", "  ##    ", "  ###   ", "   ###  ", "  ###   ", "  ##    ", "  #     "},
      {" #    # ", " ##   # ", " ###  # ", "  ### # ", " ###  # ", " ##   # ", " #    # "},
  };
  for (int g = 0; g < 4; ++g) {
    for (int y = 0; y < 7; ++y) {
      std::string row;
      for (int x = 0; x < 8; ++x) row += TabArrowGlyphPixel(g, x, y) ? '#' : ' ';
      EXPECT_EQ(row, expected[g][y]) << "glyph " << g << " row " << y;
    }
  }
  EXPECT_FALSE(TabArrowGlyphPixel(4, 0, 0));
  EXPECT_FALSE(TabArrowGlyphPixel(0, 8, 0));
  EXPECT_FALSE(TabArrowGlyphPixel(0, 0, 7));
}

}  // namespace
}  // namespace kvn
