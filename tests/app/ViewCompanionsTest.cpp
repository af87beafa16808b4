// The drawing view's companions without a display: the tabs' share of the
// bottom strip (accepted between 10 and 50 percent, whole percents), the
// size grip's drag arithmetic and the program's list of views.
#include "app/ViewCompanions.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>

#include "app/VectorView.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"

namespace kvn {
namespace {

TEST(TabSplit, PositionIsTheShareOfTheStripRounded) {
  // The layout's own case: 771 pixels at 33 % = 254.43.
  EXPECT_EQ(TabSplitPosition(771, 33), 254);
  EXPECT_EQ(TabSplitPosition(771, 50), 386);  // 385.5 rounds up
  EXPECT_EQ(TabSplitPosition(0, 33), 0);
}

TEST(TabSplit, SharesFromTenToFiftyPercentAreAcceptedOthersRefused) {
  EXPECT_EQ(TabShareForSplit(308, 771), 40);
  EXPECT_EQ(TabShareForSplit(463, 771), -1);  // 60 %
  // The bounds, after rounding: 73 px is 9.47 %, 74 px 9.6 %.
  EXPECT_EQ(TabShareForSplit(73, 771), -1);
  EXPECT_EQ(TabShareForSplit(74, 771), 10);
  EXPECT_EQ(TabShareForSplit(389, 771), 50);  // 50.45 %
  EXPECT_EQ(TabShareForSplit(390, 771), -1);  // 50.58 %
  EXPECT_EQ(TabShareForSplit(-100, 771), -1);
  // No strip to divide: nothing is accepted, whatever the point.
  EXPECT_EQ(TabShareForSplit(0, 0), -1);
  EXPECT_EQ(TabShareForSplit(30, 0), -1);
  EXPECT_EQ(TabShareForSplit(-3, -10), -1);  // would be 30 % of a negative strip
  EXPECT_EQ(TabShareForSplit(INT32_MAX, 1), -1);
}

TEST(TabSplit, EveryAcceptedShareComesBackFromItsOwnPosition) {
  // The divider drawn at a share must read back as that share, or a click
  // on it without moving would shift the tabs.
  for (std::int32_t strip = 100; strip <= 2000; strip += 37) {
    for (std::int32_t share = kMinTabShare; share <= kMaxTabShare; ++share)
      EXPECT_EQ(TabShareForSplit(TabSplitPosition(strip, share), strip), share) << strip << " " << share;
  }
}

TEST(GripDrag, TheFrameCornerFollowsTheMouse) {
  GripDrag drag;
  EXPECT_FALSE(drag.Active());
  drag.Begin(TPoint{500, 400}, TSize{800, 600});
  EXPECT_TRUE(drag.Active());
  EXPECT_EQ(drag.SizeAt(TPoint{500, 400}), (TSize{800, 600}));
  EXPECT_EQ(drag.SizeAt(TPoint{530, 380}), (TSize{830, 580}));
  EXPECT_EQ(drag.SizeAt(TPoint{-100, 0}), (TSize{200, 200}));
  drag.End();
  EXPECT_FALSE(drag.Active());
  // Extreme points saturate instead of wrapping round.
  drag.Begin(TPoint{INT32_MIN, INT32_MIN}, TSize{INT32_MAX, 10});
  EXPECT_EQ(drag.SizeAt(TPoint{INT32_MAX, INT32_MAX}), (TSize{INT32_MAX, INT32_MAX}));
}

// ---- views as objects (no toolkit windows) ------------------------------------------------------

std::unique_ptr<cDrawingDoc> Document(int sheets) {
  auto doc = std::make_unique<cDrawingDoc>();
  for (int i = 0; i < sheets; ++i) doc->AddSheet(std::make_unique<cSheet>());
  return doc;
}

cVectorView* NewView(cDrawingDoc* doc) {
  const std::array<void*, 4> link{};
  auto* view = new cVectorView(link, doc, 0, 0);
  doc->AddView(view);
  return view;
}

bool Listed(const cVectorView* view) {
  for (std::uintptr_t v : VectorViews())
    if (v == reinterpret_cast<std::uintptr_t>(view)) return true;
  return false;
}

TEST(VectorViews, AViewIsListedFromConstructionToDestruction) {
  const std::uint32_t before = VectorViews().Count();
  auto doc = Document(1);
  cVectorView* a = NewView(doc.get());
  cVectorView* b = NewView(doc.get());
  cVectorView* c = NewView(doc.get());
  ASSERT_EQ(VectorViews().Count(), before + 3);
  EXPECT_EQ(VectorViews()[before], reinterpret_cast<std::uintptr_t>(a));
  // The middle one goes: the later one moves down.
  delete b;
  ASSERT_EQ(VectorViews().Count(), before + 2);
  EXPECT_EQ(VectorViews()[before + 1], reinterpret_cast<std::uintptr_t>(c));
  EXPECT_EQ(doc->ViewCount(), 2u);
  // The document's end deletes its views, and they leave the list.
  doc.reset();
  EXPECT_EQ(VectorViews().Count(), before);
  EXPECT_FALSE(Listed(a));
  EXPECT_FALSE(Listed(c));
}

}  // namespace
}  // namespace kvn
