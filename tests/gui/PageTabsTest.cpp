// The page tabs of a three-page drawing on a private X display: each tab
// shows exactly the objects on its page. Objects on page ids 0, 1 and 2,
// one on every page (4095) and one on the pages {0, 2}, each in a colour of
// its own, are looked for in a screenshot of the drawing window.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "app/AppGlobals.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/TabStrip.h"
#include "document/cDrawingDoc.h"
#include "model/cLine.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// Screen colours (0xRRGGBB) of the five objects, in fixture order.
struct Marked {
  const char* name;
  std::uint32_t color;  // as stored: 0x00BBGGRR
  std::uint16_t page;
};
constexpr Marked kObjects[] = {
    {"page 0", 0x0000FF, 0}, {"page 1", 0x00C000, 1}, {"page 2", 0xFF0000, 2}, {"every page", 0x00FFFF, kAllPages}};
constexpr std::uint32_t kListedColor = 0xFF00FF;  // the object on pages {0, 2}

std::uint32_t OnScreen(std::uint32_t stored) {
  return ((stored & 0xFF) << 16) | (stored & 0xFF00) | ((stored >> 16) & 0xFF);
}

test::FixtureDocument ThreePages() {
  test::FixtureDocument doc;
  test::FixtureSheet sheet;
  sheet.name = u"Pages";
  // Pages that do not recolour their objects.
  sheet.pages = {{u"First", 0, 0x80000000u}, {u"Second", 0, 0x80000000u}, {u"Third", 0, 0x80000000u}};
  double y = 30;
  for (const Marked& m : kObjects) {
    test::FixtureLine l;
    l.start = {30, y};
    l.end = {250, y};
    l.page = m.page;
    l.color = m.color;
    l.width = 3.0;
    sheet.lines.push_back(l);
    y += 30;
  }
  auto listed = std::make_shared<cLine>();
  listed->start = {30, y};
  listed->end = {250, y};
  listed->stroke.color = kListedColor;
  listed->stroke.width = 3.0;
  PageMask mask;
  mask.bits[0] = 0x80 | 0x20;  // pages 0 and 2
  listed->SetPagesFromMask(mask);
  sheet.objects = {listed};
  doc.sheets.push_back(sheet);
  return doc;
}

class PageTabsTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    test::SettingsFolderTest::SetUp();
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
  }
  void TearDown() override {
    delete frame_;
    test::SettingsFolderTest::TearDown();
  }
  // Pixels of each colour in the drawing window.
  std::map<std::uint32_t, int> Count(const std::string& shot) {
    std::map<std::uint32_t, int> n;
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / shot);
    cVectorWindow* w = static_cast<cVectorView*>(frame_->GetClientWindow())->GetVectorWindow();
    const TRect r = w->GetClientRect();
    const TPoint o = w->ClientToScreen(TPoint{0, 0});
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        const int sx = o.x + x, sy = o.y + y;
        if (sx >= 0 && sy >= 0 && sx < screen.width && sy < screen.height) ++n[screen.At(sx, sy) & 0xFFFFFF];
      }
    }
    return n;
  }

  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(PageTabsTest, EachTabShowsExactlyTheObjectsOfItsPage) {
  const std::string path = (files_ / "pages.kvn").string();
  ASSERT_TRUE(test::SaveBytes(path, test::WriteNativeFile(ThreePages())));
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(path)));
  test::Pump(300ms);
  auto* view = dynamic_cast<cVectorView*>(frame_->GetClientWindow());
  ASSERT_NE(view, nullptr);
  CCustomTabCtrl* tabs = view->GetPageTabs();
  ASSERT_EQ(tabs->Model().Count(), 3);
  for (int tab = 0; tab < 3; ++tab) {
    SCOPED_TRACE(tab);
    const TRect r = tabs->Model().Tab(tab).outer;
    const TPoint inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    tabs->HandleMessage(kWmLButtonDown, 0, TParam2(std::uint32_t(inside.x) | (std::uint32_t(inside.y) << 16)));
    test::Pump(300ms);
    ASSERT_EQ(tabs->CurrentTab(), tab);
    std::map<std::uint32_t, int> n = Count("page-tab-" + std::to_string(tab) + ".png");
    for (const Marked& m : kObjects) {
      const bool expected = m.page == kAllPages || m.page == tab;
      EXPECT_EQ(n[OnScreen(m.color)] > 50, expected) << m.name << ": " << n[OnScreen(m.color)] << " pixels";
    }
    EXPECT_EQ(n[OnScreen(kListedColor)] > 50, tab != 1) << "pages {0, 2}: " << n[OnScreen(kListedColor)];
  }
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
