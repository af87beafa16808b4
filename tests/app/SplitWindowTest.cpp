// The splitter bar's drag as messages, without a display (client and screen
// coordinates coincide when the window has no toolkit window).
#include "app/SplitWindow.h"

#include <gtest/gtest.h>

#include <vector>

#include "app/GadgetFrame.h"

namespace kvn {
namespace {

class TestSplitter : public TMySplitWindow {
 public:
  TestSplitter(bool horizontal, bool reversed) : TMySplitWindow(nullptr, horizontal, reversed) {}
  int GetSplitPos() override { return pos; }
  bool SetSplitPos(int p) override {
    asked.push_back(p);
    if (frozen || p == pos) return false;
    pos = p;
    return true;
  }
  void EndSplit() override { ++ends; }
  int pos = 100;
  bool frozen = false;
  std::vector<int> asked;
  int ends = 0;
};

void Mouse(TWindow& w, std::uint32_t msg, std::uint32_t keys, int x, int y) {
  w.HandleMessage(msg, keys, MakePointParam(x, y));
}

TEST(SplitWindow, VerticalBarFollowsXAndEndsOnRelease) {
  TestSplitter s(false, false);
  Mouse(s, kWmLButtonDown, kMkLButton, 10, 5);
  EXPECT_TRUE(s.Dragging());
  Mouse(s, kWmMouseMove, kMkLButton, 30, 50);
  Mouse(s, kWmMouseMove, kMkLButton, -5, 0);
  // Released far outside the bar: the drag still ends there.
  Mouse(s, kWmLButtonUp, 0, -400, 900);
  EXPECT_FALSE(s.Dragging());
  EXPECT_EQ(s.asked, (std::vector<int>{120, 85}));
  EXPECT_EQ(s.ends, 1);
  // Moves after the drag change nothing.
  Mouse(s, kWmMouseMove, kMkLButton, 60, 5);
  EXPECT_EQ(s.asked.size(), 2u);
}

TEST(SplitWindow, HorizontalAndReversedBars) {
  TestSplitter h(true, false);
  Mouse(h, kWmLButtonDown, kMkLButton, 0, 20);
  Mouse(h, kWmMouseMove, kMkLButton, 99, 32);
  EXPECT_EQ(h.asked.back(), 112);
  TestSplitter r(false, true);
  Mouse(r, kWmLButtonDown, kMkLButton, 50, 0);
  Mouse(r, kWmMouseMove, kMkLButton, 20, 0);  // 30 to the left: the value grows
  EXPECT_EQ(r.asked.back(), 130);
}

TEST(SplitWindow, DragThatMovesNothingDoesNotEndTheSplit) {
  TestSplitter s(false, false);
  s.frozen = true;
  Mouse(s, kWmLButtonDown, kMkLButton, 10, 5);
  Mouse(s, kWmMouseMove, kMkLButton, 30, 5);
  Mouse(s, kWmLButtonUp, 0, 30, 5);
  EXPECT_EQ(s.asked.size(), 1u);
  EXPECT_EQ(s.ends, 0);
}

TEST(SplitWindow, MoveWithoutTheButtonEndsTheDrag) {
  TestSplitter s(false, false);
  Mouse(s, kWmLButtonDown, kMkLButton, 10, 5);
  Mouse(s, kWmMouseMove, kMkLButton, 12, 5);
  Mouse(s, kWmMouseMove, 0, 40, 5);  // the release went elsewhere
  EXPECT_FALSE(s.Dragging());
  EXPECT_EQ(s.asked, std::vector<int>{102});
  EXPECT_EQ(s.ends, 1);
}

TEST(SplitWindow, StyleAndDragArithmetic) {
  TestSplitter s(false, false);
  EXPECT_EQ(s.Attr.Style & kWsBorder, 0u);
  EXPECT_NE(s.Attr.Style & kWsClipChildren, 0u);
  SplitDrag d(false, true);
  d.Begin(TPoint{0, 0}, INT32_MIN + 5);
  EXPECT_EQ(d.PositionAt(TPoint{100, 0}), INT32_MIN);  // saturated, not wrapped
  EXPECT_FALSE(d.End());
}

TEST(GadgetFrame, ChildStyleWithoutCaptionOrFrame) {
  TGadgetFrame frame(nullptr);
  EXPECT_EQ(frame.Attr.Style & kGadgetFrameStyleSet, kGadgetFrameStyleSet);
  EXPECT_EQ(frame.Attr.Style & kGadgetFrameStyleClear, 0u);
  EXPECT_EQ(kGadgetFrameStyleSet, 0x52000000u);
  EXPECT_EQ(kGadgetFrameStyleClear, 0x00CF0000u);
}

}  // namespace
}  // namespace kvn
