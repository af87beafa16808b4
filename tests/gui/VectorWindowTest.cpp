// The drawing window inside the main frame on a private X display: a
// fixture document written as a native file and opened through the open
// dispatcher is shown in a cVectorWindow that the test puts into the frame
// as its client (the drawing view that normally holds it comes later). The
// window's pixels on the screen must be exactly what the paint pipeline
// renders off-screen: the blit through the paint context changes nothing.
// Screenshots go to $KVN_GUI_ARTIFACTS for a person to look at.
#include <cairo.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/window.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/DRect.h"
#include "foundation/LangTable.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/UiHelpersWx.h"
#include "render/RasterSurface.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// A landscape A4 on two sheets of paper across, with a plan drawn on it.
test::FixtureDocument PlanDocument() {
  test::FixtureSheet sheet;
  sheet.name = u"Plan";
  sheet.formatSize = {297.0, 210.0};
  sheet.formatMargins = {10.0, 10.0};
  sheet.tiles = {2.0, 1.0};
  sheet.levels = {{u"Walls"}, {u"Axes", true, true, 0x0000C0}};
  auto line = [&](DPoint a, DPoint b, std::uint32_t color, double width, std::uint16_t level = 0) {
    test::FixtureLine l;
    l.start = a;
    l.end = b;
    l.color = color;
    l.width = width;
    l.level = level;
    sheet.lines.push_back(l);
  };
  // Outer walls, a partition, a door opening, two axes on their own level.
  const DPoint corners[] = {{40, 30}, {500, 30}, {500, 160}, {40, 160}};
  for (int i = 0; i < 4; ++i) line(corners[i], corners[(i + 1) % 4], 0x000000, 2.5);
  line({260, 30}, {260, 90}, 0x000000, 1.5);
  line({260, 120}, {260, 160}, 0x000000, 1.5);
  line({20, 95}, {520, 95}, 0, 0.25, 1);
  line({150, 15}, {150, 175}, 0, 0.25, 1);
  line({300, 60}, {460, 140}, 0xC08000, 0.7);
  test::FixtureDocument doc;
  doc.sheets.push_back(sheet);
  return doc;
}

class VectorWindowTest : public test::SettingsFolderTest {
 protected:
  test::ScratchDir files_;
};

TEST_F(VectorWindowTest, FrameShowsTheFixturePageExactlyAsRendered) {
  const std::filesystem::path path = files_ / "plan.kvn";
  ASSERT_TRUE(test::SaveBytes(path.string(), test::WriteNativeFile(PlanDocument())));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
  ASSERT_NE(doc, nullptr) << "error " << outcome.errorCode;
  ASSERT_EQ(doc->SheetCount(), 1u);

  // Declared after the document, so the windows go first.
  auto frame = std::make_unique<TTestyFrameWindow>();
  auto* window = new cVectorWindow(doc.get(), 0, 0, frame.get());  // the frame's child
  // 1.2 pixels per millimetre: the 554 x 190 mm printable area fits.
  window->Mapping().scale = 0.3;
  frame->SetClientWindow(window);
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(500ms);
  ASSERT_NE(window->GetPeer(), nullptr);
  ASSERT_TRUE(window->GetPeer()->IsShown());

  const TRect client = window->GetClientRect();
  ASSERT_GT(client.Width(), 700);
  ASSERT_GT(client.Height(), 260);
  const TPoint origin = window->ClientToScreen(TPoint{0, 0});

  // What the pipeline renders for the whole client area.
  cRasterSurface surface(false);
  window->SetClientRect(client);
  ASSERT_TRUE(window->PaintInto(surface, client));
  surface.Flush();

  // The screen, once the toolkit has painted: every pixel of the window.
  int mismatches = -1;
  int firstX = 0, firstY = 0;
  std::uint32_t seen = 0, wanted = 0;
  for (int attempt = 0; attempt < 20 && mismatches != 0; ++attempt) {
    window->GetPeer()->Refresh();
    window->GetPeer()->Update();
    test::Pump(200ms);
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "vector_window_frame.png");
    ASSERT_FALSE(screen.pixels.empty()) << "cannot grab the screen";
    ASSERT_LE(origin.x + client.right, screen.width);
    ASSERT_LE(origin.y + client.bottom, screen.height);
    mismatches = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        const std::uint32_t expected = *surface.PixelAt(x, y) & 0xFFFFFF;
        const std::uint32_t actual = screen.At(origin.x + x, origin.y + y);
        if (actual != expected && mismatches++ == 0) {
          firstX = x;
          firstY = y;
          seen = actual;
          wanted = expected;
        }
      }
  }
  EXPECT_EQ(mismatches, 0) << "first at " << firstX << "," << firstY << ": screen " << std::hex << seen
                           << ", rendered " << wanted << "; screenshot in " << test::ArtifactDir();

  // The page is there: light yellow around it, its frame, white inside.
  EXPECT_EQ(*surface.PixelAt(5, 5) & 0xFFFFFF, 0xFFFFC0u);
  EXPECT_EQ(*surface.PixelAt(15, 100) & 0xFFFFFF, 0x800000u);
  EXPECT_EQ(*surface.PixelAt(100, 20) & 0xFFFFFF, 0xFFFFFFu);

  // A changed object's area is painted again on its own, through the
  // shared surface prepared for that smaller rectangle: the same pixels.
  const DRect changed{300, 60, 460, 140};
  window->InvalidateWorldRect(&changed);
  test::Pump(300ms);
  const test::Screen after = test::GrabScreen(test::ArtifactDir() / "vector_window_after_invalidate.png");
  ASSERT_FALSE(after.pixels.empty());
  int changedPixels = 0;
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x)
      changedPixels += after.At(origin.x + x, origin.y + y) != (*surface.PixelAt(x, y) & 0xFFFFFF);
  EXPECT_EQ(changedPixels, 0);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
