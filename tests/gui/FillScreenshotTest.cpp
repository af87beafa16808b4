// Fills on the screen: a page of a solid area, a translucent area over it
// and a hatched area with a thick outline, opened through the open
// dispatcher and shown in the drawing window on a private X display. The
// window's pixels must hold the hatch lines, the blended colour and the
// outline on top of the fill, exactly as the paint pipeline renders them
// off-screen. Screenshots go to $KVN_GUI_ARTIFACTS.
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
#include "model/cRectangle.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/UiHelpersWx.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

// Colours (0x00BBGGRR) and their screen values (0xRRGGBB).
constexpr std::uint32_t kSolid = 0x000000FF;    // red
constexpr std::uint32_t kGlass = 0x00FF0000;    // blue at half opacity
constexpr std::uint32_t kHatch = 0x00008000;    // green hatch lines
constexpr std::uint32_t kOutline = 0x00800080;  // purple outline
std::uint32_t OnScreen(std::uint32_t colorref) {
  return ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
}

std::shared_ptr<cRectangle> Area(double x1, double y1, double x2, double y2) {
  auto r = std::make_shared<cRectangle>();
  r->corner1 = {x1, y1};
  r->corner2 = {x2, y2};
  r->stroke.lineType = 0;
  r->fill.hatchKind = 0;
  return r;
}

test::FixtureDocument FillsDocument() {
  test::FixtureSheet sheet;
  sheet.name = u"Fills";
  sheet.formatSize = {297.0, 210.0};
  sheet.formatMargins = {10.0, 10.0};
  auto solid = Area(30, 30, 110, 110);
  solid->fill.fillColor = kSolid;
  sheet.objects.push_back(solid);
  auto glass = Area(70, 70, 150, 150);
  glass->fill.fillColor = kGlass;
  glass->fill.opacity = 128;
  sheet.objects.push_back(glass);
  auto hatched = Area(170, 30, 260, 150);
  hatched->fill.fillColor = 0x00FFFFFF;
  hatched->fill.hatchKind = 5;  // a square grid
  hatched->fill.hatchColor = kHatch;
  hatched->fill.hatchScale = 4.0;
  hatched->fill.hatchValue = 0.5;
  hatched->stroke.lineType = 1;
  hatched->stroke.color = kOutline;
  hatched->stroke.width = 3.0;
  sheet.objects.push_back(hatched);
  test::FixtureDocument doc;
  doc.sheets.push_back(sheet);
  return doc;
}

class FillScreenshotTest : public test::SettingsFolderTest {
 protected:
  test::ScratchDir files_;
};

TEST_F(FillScreenshotTest, HatchTranslucentColourAndOutlineShowInTheDrawingWindow) {
  InstallRendererGeometryServices();  // as the application does at start-up
  const std::filesystem::path path = files_ / "fills.kvn";
  ASSERT_TRUE(test::SaveBytes(path.string(), test::WriteNativeFile(FillsDocument())));
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
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "fill_areas.png");
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
  EXPECT_GT(counts[OnScreen(kSolid)], 2000);
  EXPECT_GT(counts[OnScreen(kHatch)], 300);
  EXPECT_GT(counts[OnScreen(kOutline)], 1000);
  // Blue at 128 over white and over red: (127, 127, 255) and (127, 0, 128)
  // give or take the rounding.
  int overWhite = 0, overRed = 0;
  for (const auto& [colour, n] : counts) {
    const int r = int(colour >> 16), g = int((colour >> 8) & 0xFF), b = int(colour & 0xFF);
    if (std::abs(r - 127) <= 2 && std::abs(g - 127) <= 2 && b == 255) overWhite += n;
    if (std::abs(r - 127) <= 2 && g == 0 && std::abs(b - 128) <= 2) overRed += n;
  }
  EXPECT_GT(overWhite, 2000);
  EXPECT_GT(overRed, 1000);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
