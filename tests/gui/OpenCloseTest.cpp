// Opening and closing drawings in the main frame on a private X display:
// an open puts a drawing view in as the client and titles the frame with the
// path; a second open replaces document and view; a failing open leaves the
// open document, view and title alone and shows the reader's message; the
// File-Open road takes the chosen file; Close empties the frame.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/OpenClose.h"
#include "app/TestyFrameWindow.h"
#include "app/Rulers.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "controls/TabStrip.h"
#include "document/cDrawingDoc.h"
#include "foundation/LangTable.h"
#include "render/GeometryServicesImpl.h"
#include "foundation/MsgBox.h"
#include "platform/settings/SettingsStore.h"
#include "platform/ui/FileDrop.h"
#include "platform/ui/UiHelpersWx.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/NativeFixture.h"
#include "tests/support/TestData.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

test::FixtureDocument TwoSheetDocument(std::u16string first) {
  test::FixtureDocument doc;
  for (std::u16string name : {first, std::u16string(u"Second")}) {
    test::FixtureSheet sheet;
    sheet.name = name;
    test::FixtureLine l;
    l.start = {10, 10};
    l.end = {200, 150};
    sheet.lines.push_back(l);
    doc.sheets.push_back(sheet);
  }
  return doc;
}

class Boxes : public MessageBoxBackend {
 public:
  Boxes() : previous_(SetMessageBoxBackend(this)) {}
  ~Boxes() override { SetMessageBoxBackend(previous_); }
  int ShowBox(const MessageBoxRequest& request) override {
    texts.push_back(request.text);
    return kIdOk;
  }
  std::vector<WString> texts;

 private:
  MessageBoxBackend* previous_;
};

WString g_chosen;
WString ChosenFile(TWindow&) { return g_chosen; }

class OpenCloseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("KVN_SETTINGS_DIR", settings_.Path().c_str(), 1);
    SettingsStore::ResetGlobal();
    WriteLanguageSetting(kLanguageEnglish);
    frame_ = new TTestyFrameWindow;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShow);
    a_ = WString::FromUtf8((files_ / "a.kvn").string());
    b_ = WString::FromUtf8((files_ / "b.kvn").string());
    ASSERT_TRUE(test::SaveBytes((files_ / "a.kvn").string(), test::WriteNativeFile(TwoSheetDocument(u"A"))));
    ASSERT_TRUE(test::SaveBytes((files_ / "b.kvn").string(), test::WriteNativeFile(TwoSheetDocument(u"B"))));
    // A drawing cut short: the native reader refuses it with its message.
    std::vector<std::uint8_t> cut = test::WriteNativeFile(TwoSheetDocument(u"C"));
    cut.resize(cut.size() / 2);
    ASSERT_TRUE(test::SaveBytes((files_ / "bad.kvn").string(), cut));
    bad_ = WString::FromUtf8((files_ / "bad.kvn").string());
  }
  void TearDown() override {
    SetAskDrawingFileNameHook(nullptr);
    delete frame_;
    EXPECT_EQ(CurrentDocument(), nullptr);
    SettingsStore::ResetGlobal();
  }
  cVectorView* ClientView() const { return dynamic_cast<cVectorView*>(frame_->GetClientWindow()); }
  std::string Title() const { return frame_->GetCaption().ToUtf8(); }

  test::ScratchDir settings_;
  test::ScratchDir files_;
  TTestyFrameWindow* frame_ = nullptr;
  WString a_, b_, bad_;
};

TEST_F(OpenCloseTest, OpenShowsTheDrawingAndASecondOpenReplacesIt) {
  const std::string bare = Title();
  ASSERT_TRUE(frame_->OpenFile(a_));
  cDrawingDoc* first = CurrentDocument();
  ASSERT_NE(first, nullptr);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->GetDocument(), first);
  EXPECT_EQ(first->ViewCount(), 1u);
  EXPECT_EQ(first->GetView(0), static_cast<cDocView*>(view));
  EXPECT_EQ(Title(), bare + " - " + a_.ToUtf8());
  test::Pump(200ms);
  // Drawing commands reach the view's drawing window.
  EXPECT_EQ(frame_->GetCommandTarget(), view->GetVectorWindow()->GetHandle());
  // The drawing window fills the view but for the rulers, the vertical bar
  // and the bottom strip (the page tabs of the two sheets are in it).
  const TRect vr = view->GetClientRect();
  const TRect wr = view->GetVectorWindow()->GetClientRect();
  const int vbar = view->GetVerticalBar()->IsWindowVisible() ? view->GetVerticalBar()->GetClientRect().right : 0;
  ASSERT_TRUE(view->GetPageTabs()->IsWindowVisible());
  const int strip = view->GetPageTabs()->GetClientRect().bottom;
  EXPECT_EQ(wr.right - wr.left + kRulerSize + vbar, vr.right - vr.left);
  EXPECT_EQ(wr.bottom - wr.top + kRulerSize + strip, vr.bottom - vr.top);
  EXPECT_TRUE(view->GetHorizontalRuler()->IsWindowVisible());
  EXPECT_TRUE(view->GetVerticalRuler()->IsWindowVisible());
  EXPECT_GT(wr.right - wr.left, 100);

  const std::size_t childrenBefore = frame_->GetChildren().size();
  ASSERT_TRUE(frame_->OpenFile(b_));
  cDrawingDoc* second = CurrentDocument();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->GetDisplayName().ToUtf8(), b_.ToUtf8());
  ASSERT_NE(ClientView(), nullptr);
  EXPECT_EQ(ClientView()->GetDocument(), second);
  // The old view went with its document: the frame has as many children.
  EXPECT_EQ(frame_->GetChildren().size(), childrenBefore);
  EXPECT_EQ(Title(), bare + " - " + b_.ToUtf8());
  test::Pump(100ms);
  EXPECT_EQ(TWindow::GetFocus(), ClientView()->GetVectorWindow()->GetHandle());
}

// Two files dropped on the frame: the first one opens, the second is left.
TEST_F(OpenCloseTest, DroppingTwoFilesOpensTheFirstOnly) {
  TDropInfo drop({b_, a_}, TPoint{10, 10});
  frame_->HandleMessage(kWmDropFiles, reinterpret_cast<TParam1>(&drop), 0);
  EXPECT_TRUE(drop.IsFinished());
  ASSERT_NE(CurrentDocument(), nullptr);
  EXPECT_EQ(CurrentDocument()->GetDisplayName().ToUtf8(), b_.ToUtf8());
  ASSERT_NE(ClientView(), nullptr);
  EXPECT_EQ(ClientView()->GetDocument(), CurrentDocument());
}

TEST_F(OpenCloseTest, FailedOpenKeepsDocumentViewAndTitleAndShowsTheMessage) {
  ASSERT_TRUE(frame_->OpenFile(a_));
  cDrawingDoc* doc = CurrentDocument();
  cVectorView* view = ClientView();
  const std::string title = Title();
  Boxes boxes;
  EXPECT_FALSE(frame_->OpenFile(bad_));
  EXPECT_FALSE(frame_->OpenFile(WString::FromUtf8((files_ / "missing.kvn").string())));
  EXPECT_EQ(CurrentDocument(), doc);
  EXPECT_EQ(ClientView(), view);
  EXPECT_EQ(doc->ViewCount(), 1u);
  EXPECT_EQ(Title(), title);
  ASSERT_EQ(boxes.texts.size(), 2u);
  EXPECT_NE(boxes.texts[0].ToUtf8().find("bad.kvn"), std::string::npos);
  EXPECT_NE(boxes.texts[1].ToUtf8().find("missing.kvn"), std::string::npos);
}

TEST_F(OpenCloseTest, FileOpenTakesTheChosenFileAndCancelChangesNothing) {
  SetAskDrawingFileNameHook(&ChosenFile);
  g_chosen = WString();
  EXPECT_FALSE(frame_->OpenFile(WString()));
  EXPECT_EQ(CurrentDocument(), nullptr);
  g_chosen = b_;
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmFileOpen), 0), 0);
  ASSERT_NE(CurrentDocument(), nullptr);
  EXPECT_EQ(CurrentDocument()->GetDisplayName().ToUtf8(), b_.ToUtf8());
}

TEST_F(OpenCloseTest, CloseEmptiesTheFrameAndIsGreyWithoutADocument) {
  const std::string bare = Title();
  EXPECT_FALSE(frame_->IsCommandEnabled(kCmFileClose));
  ASSERT_TRUE(frame_->OpenFile(a_));
  EXPECT_TRUE(frame_->IsCommandEnabled(kCmFileClose));
  const std::size_t children = frame_->GetChildren().size();
  frame_->HandleMessage(kWmCommand, MakeWParam(std::uint16_t(kCmFileClose), 0), 0);
  EXPECT_EQ(CurrentDocument(), nullptr);
  EXPECT_EQ(frame_->GetClientWindow(), nullptr);
  EXPECT_EQ(frame_->GetChildren().size(), children - 1);
  EXPECT_EQ(Title(), bare);
  EXPECT_EQ(frame_->GetCommandTarget(), frame_->GetHandle());
  EXPECT_FALSE(frame_->IsCommandEnabled(kCmFileClose));
  test::Pump(50ms);
}

TEST_F(OpenCloseTest, ViewShowsScrollBarsWhenZoomedAndScrollsThroughThem) {
  ASSERT_TRUE(frame_->OpenFile(a_));
  test::Pump(200ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  // At 25 % the A4 page fits: no bar, no grip.
  frame_->CommandFromMenu(kCmZoom25);
  test::Pump(100ms);
  EXPECT_FALSE(view->GetHorizontalBar()->IsWindowVisible());
  EXPECT_FALSE(view->GetVerticalBar()->IsWindowVisible());
  EXPECT_FALSE(view->GetSizeGrip()->IsWindowVisible());
  frame_->CommandFromMenu(kCmZoom400);
  test::Pump(100ms);
  cVectorWindow* window = view->GetVectorWindow();
  EXPECT_EQ(window->Mapping().scale, 4.0);
  EXPECT_TRUE(view->GetHorizontalBar()->IsWindowVisible());
  EXPECT_TRUE(view->GetVerticalBar()->IsWindowVisible());
  EXPECT_TRUE(view->GetSizeGrip()->IsWindowVisible());
  const TRect vr = view->GetClientRect();
  const TRect wr = window->GetClientRect();
  EXPECT_LT(wr.right, vr.right);
  EXPECT_LT(wr.bottom, vr.bottom);
  // A page down on the vertical bar moves the visible area by one page.
  const std::int64_t before = window->VerticalScroll().position;
  view->HandleMessage(kWmVScroll, MakeWParam(3, 0), 0);
  EXPECT_EQ(window->VerticalScroll().position, before + window->VerticalScroll().page);
  // Back to a fitting zoom: the bars go.
  frame_->CommandFromMenu(kCmZoom25);
  test::Pump(100ms);
  EXPECT_FALSE(view->GetHorizontalBar()->IsWindowVisible());
}

TEST_F(OpenCloseTest, PageTabsShowThePagesAndAClickSwitchesThePage) {
  ASSERT_TRUE(frame_->OpenFile(a_));
  test::Pump(200ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  CCustomTabCtrl* tabs = view->GetPageTabs();
  // Two sheets: two tabs, the first current, shown in the bottom strip.
  ASSERT_EQ(tabs->Model().Count(), 2);
  EXPECT_EQ(tabs->CurrentTab(), 0);
  EXPECT_TRUE(tabs->IsWindowVisible());
  EXPECT_EQ(tabs->Model().Tab(1).caption.ToUtf8(), "Second");
  const TRect r = tabs->Model().Tab(1).outer;
  const TPoint inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  tabs->HandleMessage(kWmLButtonDown, 0, TParam2(std::uint32_t(inside.x) | (std::uint32_t(inside.y) << 16)));
  EXPECT_EQ(tabs->CurrentTab(), 1);
  EXPECT_EQ(view->GetVectorWindow()->GetSheetIndex(), 1u);
  test::Pump(100ms);
}

// The shipped sample as a new user first sees it: the drawing, the page
// tabs with the current one lit, the scroll bar beside them.
TEST_F(OpenCloseTest, SampleDrawingScreenshot) {
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  test::Pump(400ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "sample-drawing.png");
  ASSERT_GT(screen.width, 0) << "no screenshot (import missing?)";
  auto count = [&](TWindow* w, auto pred) {
    const TRect r = w->GetClientRect();
    const TPoint o = w->ClientToScreen(TPoint{0, 0});
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) {
        const int sx = o.x + x, sy = o.y + y;
        if (sx >= 0 && sy >= 0 && sx < screen.width && sy < screen.height && pred(screen.At(sx, sy))) ++n;
      }
    return n;
  };
  auto dark = [](std::uint32_t p) { return ((p >> 16) & 0xFF) < 64 && ((p >> 8) & 0xFF) < 64 && (p & 0xFF) < 64; };
  // The plan's walls and the page frame are drawn.
  EXPECT_GT(count(view->GetVectorWindow(), dark), 1000);
  // Eight page entries as tabs (seven pages of the plan, the site), the first
  // current and painted.
  CCustomTabCtrl* tabs = view->GetPageTabs();
  ASSERT_EQ(tabs->Model().Count(), 9);
  EXPECT_EQ(tabs->CurrentTab(), 0);
  EXPECT_TRUE(tabs->IsWindowVisible());
  EXPECT_GT(count(tabs, dark), 20);  // captions, edges and arrows
  EXPECT_NE(Title().find(" - " + sample.string()), std::string::npos);
}

// The sample's pictures page: the turned colour ramp and the two metafiles'
// red ellipses reach the screen.
TEST_F(OpenCloseTest, SamplePicturesPageShowsPictureAndMetafiles) {
  InstallRendererGeometryServices();
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  test::Pump(300ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  CCustomTabCtrl* tabs = view->GetPageTabs();
  ASSERT_EQ(tabs->Model().Count(), 9);
  ASSERT_EQ(tabs->Model().Tab(3).caption.ToUtf8(), "Ground floor - 4 Pictures");
  const TRect r = tabs->Model().Tab(3).outer;
  const TPoint inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  tabs->HandleMessage(kWmLButtonDown, 0, TParam2(std::uint32_t(inside.x) | (std::uint32_t(inside.y) << 16)));
  test::Pump(400ms);
  EXPECT_EQ(tabs->CurrentTab(), 3);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "sample-pictures.png");
  ASSERT_GT(screen.width, 0) << "no screenshot (import missing?)";
  TWindow* w = view->GetVectorWindow();
  const TRect c = w->GetClientRect();
  const TPoint o = w->ClientToScreen(TPoint{0, 0});
  int red = 0, ramp = 0;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x) {
      const int sx = o.x + x, sy = o.y + y;
      if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
      const std::uint32_t p = screen.At(sx, sy);
      const int pr = int((p >> 16) & 0xFF), pg = int((p >> 8) & 0xFF), pb = int(p & 0xFF);
      red += pr > 180 && pg < 60 && pb < 60;
      ramp += std::abs(pb - 0x60) < 12 && pg > 40 && pg < 230 && pr > 40 && pr < 250;
    }
  EXPECT_GT(red, 50);
  EXPECT_GT(ramp, 200);
}

// The sample's inserts page: the lamps and switches that the blocks place
// reach the screen, the turned switch's in red and the mirrored, turned
// circuit's in blue.
TEST_F(OpenCloseTest, SampleInsertsPageShowsThePlacedBlocks) {
  InstallRendererGeometryServices();
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  test::Pump(300ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  CCustomTabCtrl* tabs = view->GetPageTabs();
  ASSERT_EQ(tabs->Model().Count(), 9);
  ASSERT_EQ(tabs->Model().Tab(6).caption.ToUtf8(), "Ground floor - 7 Inserts");
  const TRect r = tabs->Model().Tab(6).outer;
  const TPoint inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  tabs->HandleMessage(kWmLButtonDown, 0, TParam2(std::uint32_t(inside.x) | (std::uint32_t(inside.y) << 16)));
  test::Pump(400ms);
  EXPECT_EQ(tabs->CurrentTab(), 6);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "sample-inserts.png");
  ASSERT_GT(screen.width, 0) << "no screenshot (import missing?)";
  TWindow* w = view->GetVectorWindow();
  const TRect c = w->GetClientRect();
  const TPoint o = w->ClientToScreen(TPoint{0, 0});
  int red = 0, blue = 0, dark = 0;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x) {
      const int sx = o.x + x, sy = o.y + y;
      if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
      const std::uint32_t p = screen.At(sx, sy);
      const int pr = int((p >> 16) & 0xFF), pg = int((p >> 8) & 0xFF), pb = int(p & 0xFF);
      red += pr > 180 && pg < 80 && pb < 80;
      blue += pb > 150 && pr < 80 && pg < 80;
      dark += pr < 60 && pg < 60 && pb < 60;
    }
  EXPECT_GT(red, 30);
  EXPECT_GT(blue, 60);
  EXPECT_GT(dark, 200);
}

// The sample's views page: the blue dimensions with their labels, the
// purple framed view of the site sheet, and the auto-sized view in the
// site's own green.
TEST_F(OpenCloseTest, SampleViewsPageShowsDimensionsAndViewsOfTheSite) {
  InstallRendererGeometryServices();
  const std::filesystem::path sample =
      std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
  ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
  test::Pump(300ms);
  cVectorView* view = ClientView();
  ASSERT_NE(view, nullptr);
  CCustomTabCtrl* tabs = view->GetPageTabs();
  ASSERT_EQ(tabs->Model().Count(), 9);
  ASSERT_EQ(tabs->Model().Tab(7).caption.ToUtf8(), "Ground floor - 8 Views");
  const TRect r = tabs->Model().Tab(7).outer;
  const TPoint inside{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  tabs->HandleMessage(kWmLButtonDown, 0, TParam2(std::uint32_t(inside.x) | (std::uint32_t(inside.y) << 16)));
  test::Pump(400ms);
  EXPECT_EQ(tabs->CurrentTab(), 7);
  const test::Screen screen = test::GrabScreen(test::ArtifactDir() / "sample-views.png");
  ASSERT_GT(screen.width, 0) << "no screenshot (import missing?)";
  TWindow* w = view->GetVectorWindow();
  const TRect c = w->GetClientRect();
  const TPoint o = w->ClientToScreen(TPoint{0, 0});
  int blue = 0, purple = 0, green = 0;
  for (int y = c.top; y < c.bottom; ++y)
    for (int x = c.left; x < c.right; ++x) {
      const int sx = o.x + x, sy = o.y + y;
      if (sx < 0 || sy < 0 || sx >= screen.width || sy >= screen.height) continue;
      const std::uint32_t p = screen.At(sx, sy);
      const int pr = int((p >> 16) & 0xFF), pg = int((p >> 8) & 0xFF), pb = int(p & 0xFF);
      blue += pb > 150 && pr < 80 && pg < 80;
      purple += pr > 100 && pb > 100 && pg < 60;
      green += pg > 100 && pr < 60 && pb < 60;
    }
  EXPECT_GT(blue, 100) << "the dimensions";
  EXPECT_GT(purple, 100) << "the framed view";
  EXPECT_GT(green, 30) << "the auto-sized view";
}

TEST_F(OpenCloseTest, FrameDestructionDeletesTheOpenDocument) {
  ASSERT_TRUE(frame_->OpenFile(a_));
  ASSERT_NE(CurrentDocument(), nullptr);
  // TearDown checks that the document is gone with the frame.
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  wxApp::SetInstance(new wxApp);
  wxInitializer toolkit(argc, argv);
  if (!toolkit.IsOk()) {
    std::fprintf(stderr, "cannot start the toolkit (no display?)\n");
    return 1;
  }
  kvn::InstallUiHelpersWx();
  const int result = RUN_ALL_TESTS();
  kvn::UninstallUiHelpersWx();
  return result;
}
