// The small user-interface services that need no display: busy cursor
// nesting, window-text cleaning, and the "not available" visual styles.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/UiTheme.h"
#include "foundation/WaitCursor.h"
#include "foundation/WindowText.h"

namespace kvn {
namespace {

class RecordingCursor : public CursorBackend {
 public:
  RecordingCursor() { previous_ = SetCursorBackend(this); }
  ~RecordingCursor() override { SetCursorBackend(previous_); }
  bool SetCursor(std::uint32_t id) override {
    sets.push_back(id);
    return true;
  }
  void RestoreCursor() override { ++restores; }
  std::vector<std::uint32_t> sets;
  int restores = 0;

 private:
  CursorBackend* previous_;
};

TEST(WaitCursor, NestedGuardsRestoreOnlyWhenTheOutermostEnds) {
  RecordingCursor cursor;
  {
    WaitCursor outer;
    EXPECT_EQ(cursor.sets, std::vector<std::uint32_t>{kIdcWait});
    {
      WaitCursor inner(kIdcAppStarting);
      EXPECT_EQ(cursor.sets.size(), 1u);
      EXPECT_EQ(WaitCursorNesting(), 2u);
    }
    EXPECT_EQ(cursor.restores, 0);
    outer.Restore();
    EXPECT_EQ(cursor.restores, 1);
    outer.Restore();  // idempotent, and the destructor adds nothing
  }
  EXPECT_EQ(cursor.restores, 1);
  EXPECT_EQ(WaitCursorNesting(), 0u);
}

TEST(WaitCursor, NoCursorGuardOnlyCounts) {
  RecordingCursor cursor;
  {
    WaitCursor no(kIdcNo);
    EXPECT_EQ(WaitCursorNesting(), 1u);
    WaitCursor wait;  // nested: the outermost guard decided
    EXPECT_TRUE(cursor.sets.empty());
  }
  EXPECT_EQ(cursor.restores, 0);
  EXPECT_EQ(WaitCursorNesting(), 0u);
}

TEST(WaitCursor, DisabledGuardsDoNothing) {
  RecordingCursor cursor;
  SetBusyCursorsAllowed(false);
  {
    WaitCursor guard;
    EXPECT_EQ(WaitCursorNesting(), 0u);
  }
  SetBusyCursorsAllowed(true);
  EXPECT_TRUE(cursor.sets.empty());
  EXPECT_EQ(cursor.restores, 0);
}

TEST(CleanWindowText, ControlAndLatin1ControlCharactersBecomeSpaces) {
  const char16_t raw[] = {u'a', 0x01, u'\t', u'\n', u'\r', 0x1F, 0x7F, 0x80, 0x9F, 0xA0, 0xA1, 0x010D, 0};
  const char16_t clean[] = {u'a', u' ', u'\t', u'\n', u'\r', u' ', 0x7F, u' ', u' ', u' ', 0xA1, 0x010D, 0};
  EXPECT_TRUE(CleanWindowText(WString(raw), true) == clean);
  EXPECT_TRUE(CleanWindowText(WString(raw), false) == raw);
}

TEST(UxThemeDll, NeverBindsOnThisPlatform) {
  UxThemeDll theme;
  EXPECT_FALSE(theme.LoadAttempted());
  theme.Open(nullptr);
  EXPECT_TRUE(theme.LoadAttempted());
  EXPECT_FALSE(theme.IsBound());
  EXPECT_FALSE(theme.IsUsable());
  ScreenRect r{0, 0, 10, 10};
  EXPECT_EQ(theme.DrawEdge(nullptr, 1, 1, r, 0, 0, nullptr), 0);
  theme.Reopen(nullptr);
  EXPECT_FALSE(theme.IsUsable());
  EXPECT_EQ(RealizeHalftonePalette(nullptr, true), 0);
}

}  // namespace
}  // namespace kvn
