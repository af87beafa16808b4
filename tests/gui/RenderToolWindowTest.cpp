// kvn-render and the drawing window show one drawing alike: a DXF and a DWG
// of the test data opened in a cVectorWindow inside the main frame, zoomed
// with View > "All elements", give the mapping and the pixels that
// kvn-render --frame gives for a picture of the window's client size.
// Needs a display (run under Xvfb by xvfb-run.sh).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "app/DrawingServices.h"
#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "app/ZoomScroll.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class RenderToolWindowTest : public test::SettingsFolderTest {
 protected:
  // The viewer's own start-up, as kvn-render has it.
  static void SetUpTestSuite() { InstallDrawingServices(); }
  test::ScratchDir files_;
};

int RunRender(const std::string& arguments) {
  // Bounded: a render that never ends fails the test (timeout answers 124).
  const std::string command = "timeout 120 " + std::string(KVN_RENDER_PATH) + " " + arguments + " >/dev/null 2>&1";
  return std::system(command.c_str());
}

TEST_F(RenderToolWindowTest, AllElementsInTheWindowIsWhatKvnRenderPaints) {
  KVN_REQUIRE_TESTDATA(data);
  for (const fs::path& file : {data / "dxf/ezdxf_dimension_in_block.dxf", data / "dwg/libredwg_r11_entities-2d.dwg"}) {
    SCOPED_TRACE(file.filename().string());
    OpenRequest request;
    request.quiet = true;
    OpenOutcome outcome;
    std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(file.string()), request, outcome);
    ASSERT_NE(doc, nullptr) << "error " << outcome.errorCode;

    auto frame = std::make_unique<TTestyFrameWindow>();
    auto* window = new cVectorWindow(doc.get(), 0, 0, frame.get());  // the frame's child
    frame->SetClientWindow(window);
    ASSERT_TRUE(frame->Create());
    frame->ShowWindow(kSwShow);
    test::Pump(400ms);
    const TRect client = window->GetClientRect();
    ASSERT_GT(client.Width(), 200);
    ASSERT_GT(client.Height(), 150);
    window->SetClientRect(client);
    window->CmAllElements();

    // The same fit, computed without a window.
    cSheet& sheet = *doc->GetSheet(0);
    DRect extent;
    ExtentFilter filter;
    const std::uint16_t page = 0;
    filter.drawingPages = int(sheet.Drawing().PageCount());
    filter.page = &page;
    sheet.Drawing().TopBlock()->GetFilteredExtent(filter, sheet.Data(), extent);
    const WorldMapping fitted = FitRectMapping(sheet.Drawing(), extent, client);
    const WorldMapping& shown = window->Mapping();
    EXPECT_EQ(shown.scale, fitted.scale);
    EXPECT_EQ(shown.originX, fitted.originX);
    EXPECT_EQ(shown.originY, fitted.originY);
    EXPECT_EQ(shown.offsetX, fitted.offsetX);
    EXPECT_EQ(shown.offsetY, fitted.offsetY);

    cRasterSurface surface(false);
    ASSERT_TRUE(window->PaintInto(surface, client));
    surface.Flush();
    const fs::path png = files_ / (file.filename().string() + ".png");
    ASSERT_EQ(RunRender("--frame --width " + std::to_string(client.Width()) + " --height " +
                        std::to_string(client.Height()) + " '" + file.string() + "' '" + png.string() + "'"),
              0);
    test::Picture rendered;
    ASSERT_TRUE(test::ReadPng(png, &rendered));
    ASSERT_EQ(rendered.width, client.Width());
    ASSERT_EQ(rendered.height, client.Height());
    int differing = 0;
    for (int y = 0; y < client.Height(); ++y)
      for (int x = 0; x < client.Width(); ++x)
        differing += rendered.At(x, y) != (*surface.PixelAt(x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    frame.reset();
    test::Pump(100ms);
  }
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
