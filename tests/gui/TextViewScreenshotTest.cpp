// Texts, a dimension and a section view on the screen: a drawing of two
// sheets opened through the open dispatcher and shown in the drawing window
// on a private X display. The first sheet holds red texts (one large enough
// for the glyph road, one turned), a blue dimension with its label and a
// view of the second sheet recoloured magenta; the second sheet's green
// square must show only through the view. The window's pixels must equal
// what the paint pipeline renders off-screen. Screenshots go to
// $KVN_GUI_ARTIFACTS.
#include <gtest/gtest.h>
#include <wx/window.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/TestyFrameWindow.h"
#include "app/VectorWindow.h"
#include "document/OpenDrawingFile.h"
#include "document/cDrawingDoc.h"
#include "model/cDistance.h"
#include "model/cSection.h"
#include "model/cText.h"
#include "platform/fonts/FontLayerFaces.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"
#include "text/ShxParsedFont.h"
#include "text/TrueTypeLine.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

test::FixtureLine Line(DPoint a, DPoint b, std::uint32_t color) {
  test::FixtureLine l;
  l.start = a;
  l.end = b;
  l.level = 0;
  l.page = 0;
  l.color = color;
  l.width = 1.0;
  return l;
}

test::FixtureDocument ViewsDocument() {
  test::FixtureSheet sheet;
  sheet.name = u"Views";
  sheet.formatSize = {297.0, 210.0};
  sheet.formatMargins = {10.0, 10.0};
  sheet.levels = {{u"0"}};
  auto text = [&](const char16_t* s, DPoint at, double height, double angle) {
    auto t = std::make_shared<cText>();
    t->SetText(WString(s));
    // Named by face, as imported texts are: the font table gets the face.
    const WString face(u"Arial");
    t->SetFont(&face, 0, 0, kNoStyle);
    t->point = at;
    t->attr.height = height;
    t->attr.color = 0x000000FF;
    t->SetAngle(angle);
    sheet.objects.push_back(t);
  };
  text(u"Small text", {20, 20}, 6, 0);
  text(u"Large", {20, 35}, 30, 0);
  text(u"Turned", {150, 40}, 8, 30);
  auto dim = std::make_shared<cDistance>();
  dim->first = {20, 100};
  dim->second = {120, 100};
  dim->textPoint = {70, 97};
  dim->textStyle = kNoStyle;
  dim->stroke.color = 0x00FF0000;
  dim->stroke.width = 0.8;
  dim->stroke.lineType = 1;
  sheet.objects.push_back(dim);
  auto view = std::make_shared<cSection>();
  view->sheetIndex = 1;
  view->insertPoint = {150, 90};
  view->framePoint = {250, 170};
  view->scale = 1.0;
  view->sourcePoint = {50, 40};
  view->recolour = 1;
  view->color = 0x00FF00FF;
  sheet.objects.push_back(view);

  test::FixtureSheet source;
  source.name = u"Source";
  source.formatSize = {297.0, 210.0};
  source.levels = {{u"0"}};
  const DPoint sq[4] = {{20, 10}, {80, 10}, {80, 70}, {20, 70}};
  for (int i = 0; i < 4; ++i) source.lines.push_back(Line(sq[i], sq[(i + 1) % 4], 0x0000A000));
  test::FixtureDocument doc;
  doc.sheets = {sheet, source};
  return doc;
}

class TextViewScreenshotTest : public test::SettingsFolderTest {
 protected:
  test::ScratchDir files_;
};

TEST_F(TextViewScreenshotTest, TextsDimensionAndSectionViewShowInTheDrawingWindow) {
  // As the application does at start-up.
  InstallRendererGeometryServices();
  InstallFontLayerFaces();
  InstallShxFonts();
  InstallTrueTypeLineDrawer();
  const std::filesystem::path path = files_ / "views.kvn";
  ASSERT_TRUE(test::SaveBytes(path.string(), test::WriteNativeFile(ViewsDocument())));
  OpenRequest request;
  request.quiet = true;
  OpenOutcome outcome;
  std::unique_ptr<cDrawingDoc> doc = OpenDrawingFile(WString::FromUtf8(path.string()), request, outcome);
  ASSERT_NE(doc, nullptr) << "error " << outcome.errorCode;
  ASSERT_EQ(doc->SheetCount(), 2u);
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

  int mismatches = -1, red = 0, blue = 0, magenta = 0, green = 0;
  for (int attempt = 0; attempt < 20 && mismatches != 0; ++attempt) {
    window->GetPeer()->Refresh();
    window->GetPeer()->Update();
    test::Pump(200ms);
    const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "text_dimension_view.png");
    ASSERT_FALSE(screen.pixels.empty()) << "cannot grab the screen";
    ASSERT_LE(origin.x + client.right, screen.width);
    ASSERT_LE(origin.y + client.bottom, screen.height);
    mismatches = red = blue = magenta = green = 0;
    for (int y = 0; y < client.bottom; ++y)
      for (int x = 0; x < client.right; ++x) {
        const std::uint32_t c = screen.At(origin.x + x, origin.y + y);
        mismatches += c != (*surface.PixelAt(x, y) & 0xFFFFFF);
        const int r = int(c >> 16), g = int((c >> 8) & 0xFF), b = int(c & 0xFF);
        red += r > 200 && g < 60 && b < 60;
        blue += b > 200 && r < 60 && g < 60;
        magenta += r > 200 && b > 200 && g < 60;
        green += g > 120 && r < 60 && b < 60;
      }
  }
  EXPECT_EQ(mismatches, 0) << "screenshot in " << test::ArtifactDir();
  EXPECT_GT(red, 1500) << "the texts";
  EXPECT_GT(blue, 200) << "the dimension line";
  EXPECT_GT(magenta, 300) << "the view's square";
  EXPECT_EQ(green, 0) << "the source sheet shows only through the view, in its colour";
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
