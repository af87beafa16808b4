#include "foundation/WindowPlacement.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include "foundation/Registry.h"
#include "platform/settings/SettingsStore.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

// Primary 1920 x 1080 with a 40-pixel panel at the bottom; a second monitor
// of 1600 x 1200 to its right.
MonitorList TwoMonitors() {
  MonitorList list;
  list.monitors.Add(MonitorInfo{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}});
  list.monitors.Add(MonitorInfo{{1920, 0, 3520, 1200}, {1920, 0, 3520, 1200}});
  list.primary = 0;
  return list;
}

SavedWindowPlacement Normal(const ScreenRect& r) { return MakeWindowPlacement(r, false); }

// --- restore -------------------------------------------------------------------------

TEST(RestoreWindowPlacement, NormalRectangleIsApplied) {
  WindowCreationAttrs attrs;
  ASSERT_TRUE(RestoreWindowPlacementFrom(Normal({100, 50, 900, 650}), TwoMonitors(), 300, 300, attrs));
  EXPECT_EQ(attrs.x, 100);
  EXPECT_EQ(attrs.y, 50);
  EXPECT_EQ(attrs.width, 800);
  EXPECT_EQ(attrs.height, 600);
  EXPECT_FALSE(attrs.maximized);
}

TEST(RestoreWindowPlacement, MaximisedFrameComesBackOnItsMonitor) {
  // Saved maximised on the second monitor: "W" all zero, "W2" its rectangle.
  const SavedWindowPlacement saved = MakeWindowPlacement({1912, -8, 3528, 1208}, true);
  EXPECT_TRUE(saved.hasW);
  EXPECT_EQ(saved.w.right, 0);
  ASSERT_TRUE(saved.hasW2);
  WindowCreationAttrs attrs;
  ASSERT_TRUE(RestoreWindowPlacementFrom(saved, TwoMonitors(), 300, 300, attrs));
  EXPECT_TRUE(attrs.maximized);
  EXPECT_EQ(attrs.x, 1930);  // that work area less 10 pixels
  EXPECT_EQ(attrs.y, 10);
  EXPECT_EQ(attrs.width, 1600 - 20);
  EXPECT_EQ(attrs.height, 1200 - 20);

  // Its monitor gone: the primary one.
  MonitorList one;
  one.monitors.Add(MonitorInfo{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}});
  ASSERT_TRUE(RestoreWindowPlacementFrom(saved, one, 300, 300, attrs));
  EXPECT_EQ(attrs.x, 10);
  EXPECT_EQ(attrs.height, 1040 - 20);
}

TEST(RestoreWindowPlacement, MaximisedWithoutW2IsNotRestored) {
  SavedWindowPlacement saved;
  saved.hasW = true;  // all zero, and "W2" missing
  WindowCreationAttrs attrs;
  attrs.width = 123;
  EXPECT_FALSE(RestoreWindowPlacementFrom(saved, TwoMonitors(), 300, 300, attrs));
  EXPECT_EQ(attrs.width, 123);
  EXPECT_FALSE(attrs.maximized);
}

TEST(RestoreWindowPlacement, TooSmallForTheMainFrameIsIgnored) {
  WindowCreationAttrs attrs;
  EXPECT_FALSE(RestoreWindowPlacementFrom(Normal({0, 0, 299, 600}), TwoMonitors(), 300, 300, attrs));
  EXPECT_FALSE(RestoreWindowPlacementFrom(Normal({0, 0, 600, 299}), TwoMonitors(), 300, 300, attrs));
  EXPECT_TRUE(RestoreWindowPlacementFrom(Normal({0, 0, 300, 300}), TwoMonitors(), 300, 300, attrs));
  // Other windows pass their own minimum.
  EXPECT_TRUE(RestoreWindowPlacementFrom(Normal({0, 0, 100, 80}), TwoMonitors(), 50, 50, attrs));
}

TEST(RestoreWindowPlacement, FifteenPixelsOutsideAWorkAreaAreTolerated) {
  WindowCreationAttrs attrs;
  // Frame borders stick out of the primary work area by up to 15 pixels.
  EXPECT_TRUE(RestoreWindowPlacementFrom(Normal({-15, -15, 1935, 1055}), TwoMonitors(), 300, 300, attrs));
  EXPECT_FALSE(RestoreWindowPlacementFrom(Normal({-16, 0, 800, 600}), TwoMonitors(), 300, 300, attrs));
  EXPECT_FALSE(RestoreWindowPlacementFrom(Normal({0, 0, 800, 1056}), TwoMonitors(), 300, 300, attrs));
  // Across two monitors: inside neither.
  EXPECT_FALSE(RestoreWindowPlacementFrom(Normal({1800, 100, 2200, 500}), TwoMonitors(), 300, 300, attrs));
}

TEST(RestoreWindowPlacement, RectangleOnARemovedMonitorIsIgnored) {
  WindowCreationAttrs attrs;
  const SavedWindowPlacement onSecond = Normal({2000, 100, 2800, 700});
  EXPECT_TRUE(RestoreWindowPlacementFrom(onSecond, TwoMonitors(), 300, 300, attrs));
  MonitorList one;
  one.monitors.Add(MonitorInfo{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}});
  attrs = WindowCreationAttrs{};
  EXPECT_FALSE(RestoreWindowPlacementFrom(onSecond, one, 300, 300, attrs));
  EXPECT_EQ(attrs.width, 0);
}

TEST(RestoreWindowPlacement, MissingValueIsNotRestored) {
  WindowCreationAttrs attrs;
  EXPECT_FALSE(RestoreWindowPlacementFrom(SavedWindowPlacement{}, TwoMonitors(), 300, 300, attrs));
}

TEST(SetDefaultWindowPlacement, PrimaryWorkAreaLessTenPixels) {
  MonitorList list = TwoMonitors();
  list.primary = 1;
  WindowCreationAttrs attrs;
  SetDefaultWindowPlacementFrom(list, attrs);
  EXPECT_EQ(attrs.x, 1930);
  EXPECT_EQ(attrs.y, 10);
  EXPECT_EQ(attrs.width, 1580);
  EXPECT_EQ(attrs.height, 1180);
}

// --- moving a window into a monitor ---------------------------------------------------------

TEST(MoveWindowIntoMonitor, CentresOnThePointInsideTheWorkArea) {
  int x = 0, y = 0;
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, 500, 400, false, &x, &y));
  EXPECT_EQ(x, 400);
  EXPECT_EQ(y, 350);
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, 500, 400, true, &x, &y));
  EXPECT_EQ(x, 500);
  EXPECT_EQ(y, 400);
  // Pushed in from the corners, 10 pixels inside the work area.
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, 0, 0, false, &x, &y));
  EXPECT_EQ(x, 10);
  EXPECT_EQ(y, 10);
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, 1919, 1079, true, &x, &y));
  EXPECT_EQ(x, 1910 - 200);
  EXPECT_EQ(y, 1030 - 100);
  // On the second monitor; a point on no monitor goes to the primary one.
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, 3500, 1190, true, &x, &y));
  EXPECT_EQ(x, 3510 - 200);
  EXPECT_EQ(y, 1190 - 100);
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 200, 100}, -5000, 50, true, &x, &y));
  EXPECT_EQ(x, 10);
}

TEST(MoveWindowIntoMonitor, WiderThanTheWorkAreaKeepsTheRightEdgeInside) {
  int x = 0, y = 0;
  ASSERT_TRUE(ComputeMoveIntoMonitor(TwoMonitors(), {0, 0, 2500, 1500}, 900, 500, false, &x, &y));
  EXPECT_EQ(x + 2500, 1910);
  EXPECT_LT(x, 0);
  EXPECT_EQ(y + 1500, 1030);
}

TEST(MoveWindowIntoMonitor, NothingWithoutMonitors) {
  int x = 7, y = 7;
  const MonitorList none;
  EXPECT_FALSE(ComputeMoveIntoMonitor(none, {0, 0, 10, 10}, 0, 0, false, &x, &y));
  EXPECT_EQ(x, 7);
}

// --- the process list ------------------------------------------------------------------------

class FakeMonitors : public MonitorSource {
 public:
  void EnumerateMonitors(GrowArray<MonitorInfo>& out, std::uint32_t& primary) override {
    ++calls;
    if (count >= 1) out.Add(MonitorInfo{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}});
    if (count >= 2) {
      out.Add(MonitorInfo{{-1280, 0, 0, 1024}, {-1280, 24, 0, 1024}});
      primary = 1;
    }
  }
  int count = 2;
  int calls = 0;
};

TEST(MonitorList, FallsBackToOne800x600Monitor) {
  MonitorSource* previous = SetMonitorSource(nullptr);
  const MonitorList& none = EnumerateMonitorWorkAreas();
  ASSERT_EQ(none.monitors.Count(), 1u);
  EXPECT_EQ(none.monitors[0].work.right, 800);
  EXPECT_EQ(none.monitors[0].work.bottom, 600);

  FakeMonitors fake;
  fake.count = 0;
  SetMonitorSource(&fake);
  EXPECT_EQ(EnumerateMonitorWorkAreas().monitors.Count(), 1u);
  EXPECT_EQ(GetPrimaryWorkArea().right, 800);

  fake.count = 2;
  EXPECT_EQ(EnumerateMonitorWorkAreas().monitors.Count(), 2u);
  EXPECT_EQ(GetPrimaryWorkArea().left, -1280);  // rebuilt on every call
  EXPECT_EQ(GetWorkAreaAtPoint(100, 100).right, 1920);
  EXPECT_EQ(GetWorkAreaAtPoint(-100, 10).left, -1280);  // in the monitor, above its work area: primary
  EXPECT_EQ(GetWorkAreaAtPoint(-100, 30).top, 24);
  EXPECT_EQ(GetWorkAreaAtPoint(5000, 5000).left, -1280);
  SetMonitorSource(previous);
}

// --- the registry ----------------------------------------------------------------------------------

class PlacementRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("KVN_SETTINGS_DIR", dir_.Path().c_str(), 1);
    SettingsStore::ResetGlobal();
  }
  void TearDown() override {
    SettingsStore::ResetGlobal();
    ::unsetenv("KVN_SETTINGS_DIR");
  }
  test::ScratchDir dir_;
  const WString key_ = WString(u"Software\\QUARN_KVN_Viewer");
  const WString name_ = WString(kWindowPosValueName);
};

TEST_F(PlacementRegistry, SaveAndReadBackBothValues) {
  SaveWindowPlacement({1912, -8, 3528, 1208}, true, name_, key_);
  SavedWindowPlacement saved = ReadWindowPlacement(key_, name_);
  ASSERT_TRUE(saved.hasW);
  EXPECT_EQ(saved.w.left, 0);
  EXPECT_EQ(saved.w.bottom, 0);
  ASSERT_TRUE(saved.hasW2);
  EXPECT_EQ(saved.w2.left, 1912);
  EXPECT_EQ(saved.w2.top, -8);
  EXPECT_EQ(saved.w2.bottom, 1208);

  // The values sit under <key>\WindowPos as 16-byte binaries.
  RegReadKey raw(kHkeyCurrentUser, WString(u"Software\\QUARN_KVN_Viewer\\WindowPos"));
  EXPECT_EQ(raw.GetBinaryFixed(WString(u"W2"), nullptr, 0), 16u);

  // Not maximised: "W2" is deleted.
  SaveWindowPlacement({10, 20, 810, 620}, false, name_, key_);
  saved = ReadWindowPlacement(key_, name_);
  ASSERT_TRUE(saved.hasW);
  EXPECT_EQ(saved.w.right, 810);
  EXPECT_FALSE(saved.hasW2);
}

TEST_F(PlacementRegistry, WrongSizeValuesAreNotRestored) {
  RegWriteKey raw(kHkeyCurrentUser, WString(u"Software\\QUARN_KVN_Viewer\\WindowPos"));
  const std::uint8_t twelve[12] = {};
  raw.SetBinary(WString(u"W"), twelve, sizeof twelve);
  FakeMonitors fake;
  MonitorSource* previous = SetMonitorSource(&fake);
  WindowCreationAttrs attrs;
  EXPECT_FALSE(RestoreWindowPlacement(attrs, name_, key_, 300, 300));
  EXPECT_EQ(fake.calls, 0);  // nothing to place, no monitors asked

  SaveWindowPlacement({100, 100, 700, 500}, false, name_, key_);
  EXPECT_TRUE(RestoreWindowPlacement(attrs, name_, key_, 300, 300));
  EXPECT_EQ(attrs.width, 600);
  SetDefaultWindowPlacement(attrs);
  EXPECT_EQ(attrs.x, -1270);
  SetMonitorSource(previous);
}

}  // namespace
}  // namespace kvn
