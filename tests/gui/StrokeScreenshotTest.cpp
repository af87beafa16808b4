// Strokes on the screen: a fixture drawing with lines (solid and dashed),
// arcs, circles and polygons, opened through the open dispatcher and shown in
// the drawing window inside the main frame on a private X display. Every
// kind of object must be visible in its own colour in the window's pixels on
// the screen, and the screen must hold exactly what the paint pipeline
// renders off-screen. Screenshots go to $KVN_GUI_ARTIFACTS.
#include <cairo.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/window.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cPolygon.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/UiHelpersWx.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// Colours (0x00BBGGRR) and their screen values (0xRRGGBB).
constexpr std::uint32_t kLineColor = 0x000000C0;    // red lines
constexpr std::uint32_t kArcColor = 0x0000A000;     // green arcs
constexpr std::uint32_t kCircleColor = 0x00C00000;  // blue circles
constexpr std::uint32_t kPolygonColor = 0x00A000A0; // purple polygons
std::uint32_t OnScreen(std::uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

test::FixtureDocument ShapesDocument() {
  test::FixtureSheet sheet;
  sheet.name = u"Shapes";
  sheet.formatSize = {297.0, 210.0};
  sheet.formatMargins = {10.0, 10.0};
  for (int i = 0; i < 4; ++i) {
    test::FixtureLine l;
    l.start = {30, 30.0 + 20 * i};
    l.end = {130, 40.0 + 20 * i};
    l.color = kLineColor;
    l.width = 0.5 + 0.25 * i;
    l.lineType = std::uint8_t(i == 0 ? 1 : 3 + 2 * i);  // solid and dashed
    sheet.lines.push_back(l);
  }
  auto arc = std::make_shared<cArc>();
  arc->start = {160, 60};
  arc->middle = {190, 30};
  arc->end = {220, 60};
  arc->stroke.color = kArcColor;
  arc->stroke.width = 0.7;
  sheet.objects.push_back(arc);
  auto circle = std::make_shared<cCircle>();
  circle->p1 = {160, 90};
  circle->p2 = {220, 150};
  circle->stroke.color = kCircleColor;
  circle->stroke.width = 0.7;
  sheet.objects.push_back(circle);
  auto polygon = std::make_shared<cPolygon>();
  const DPoint star[] = {{240, 40}, {270, 120}, {230, 80}, {280, 60}, {235, 130}};
  polygon->FirstList().SetPoints(star, 5);
  polygon->FirstList().SetClosed(true);
  polygon->stroke.color = kPolygonColor;
  polygon->stroke.width = 0.7;
  sheet.objects.push_back(polygon);
  test::FixtureDocument doc;
  doc.sheets.push_back(sheet);
  return doc;
}

class StrokeScreenshotTest : public test::SettingsFolderTest {
 protected:
  test::ScratchDir files_;
};

TEST_F(StrokeScreenshotTest, LinesArcsCirclesAndPolygonsAreVisibleInTheDrawingWindow) {
  const std::filesystem::path path = files_ / "shapes.kvn";
  ASSERT_TRUE(test::SaveBytes(path.string(), test::WriteNativeFile(ShapesDocument())));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
  ASSERT_NE(doc, nullptr) << "error " << outcome.errorCode;

  auto frame = std::make_unique<TTestyFrameWindow>();
  auto* window = new cVectorWindow(doc.get(), 0, 0, frame.get());
  window->Mapping().scale = 0.6;  // 2.4 pixels per millimetre
  frame->SetClientWindow(window);
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShow);
  test::Pump(500ms);
  ASSERT_NE(window->GetPeer(), nullptr);
  const TRect client = window->GetClientRect();
  const TPoint origin = window->ClientToScreen(TPoint{0, 0});

  cRasterSurface surface(false);
  window->SetClientRect(client);
  ASSERT_TRUE(window->PaintInto(surface, client));
  surface.Flush();

  std::map<std::uint32_t, int> counts;
  int mismatches = -1;
  for (int attempt = 0; attempt < 20 && mismatches != 0; ++attempt) {
    window->GetPeer()->Refresh();
    window->GetPeer()->Update();
    test::Pump(200ms);
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "stroke_shapes.png");
    ASSERT_FALSE(screen.pixels.empty()) << "cannot grab the screen";
    ASSERT_LE(origin.x + client.right, screen.width);
    ASSERT_LE(origin.y + client.bottom, screen.height);
    mismatches = 0;
    counts.clear();
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        const std::uint32_t actual = screen.At(origin.x + x, origin.y + y);
        mismatches += actual != (*surface.PixelAt(x, y) & 0xFFFFFF);
        ++counts[actual];
      }
  }
  EXPECT_EQ(mismatches, 0) << "screenshot in " << test::ArtifactDir();
  // Each kind of object shows in its colour, with at least the pixels of a
  // short one-pixel stroke.
  EXPECT_GT(counts[OnScreen(kLineColor)], 200);
  EXPECT_GT(counts[OnScreen(kArcColor)], 100);
  EXPECT_GT(counts[OnScreen(kCircleColor)], 200);
  EXPECT_GT(counts[OnScreen(kPolygonColor)], 200);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
