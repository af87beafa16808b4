// Paging and the zoom box with the sample drawing in the main frame on a
// private X display: PgDn then PgUp (real keys through the X server) come
// back to exactly the same view, and so does a trip to the next drawing and
// back; the first view shows the whole first page, bottom edge included;
// after Close the zoom box shows no percentage.
#include <gtest/gtest.h>
#include <wx/window.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "app/AppGlobals.h"
#include "app/CommandIds.h"
#include "app/HelpWindow.h"
#include "app/TestyFrameWindow.h"
#include "app/ToolBarBoxes.h"
#include "app/VectorView.h"
#include "app/VectorWindow.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/cBlock.h"
#include "model/cOutObj.h"
#include "platform/ui/MessageQueue.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using namespace std::chrono_literals;

template <class T>
T* FindChild(TWindow& root) {
  for (TWindow* child : root.GetChildren()) {
    if (auto* found = dynamic_cast<T*>(child)) return found;
    if (T* inner = FindChild<T>(*child)) return inner;
  }
  return nullptr;
}

struct View {
  double scale;
  std::int32_t offsetX, offsetY;
  double originX, originY;
  bool operator==(const View&) const = default;
};

View ViewOf(const cVectorWindow& w) {
  const WorldMapping& m = w.Mapping();
  return View{m.scale, m.offsetX, m.offsetY, m.originX, m.originY};
}

class ViewPagingTest : public test::SettingsFolderTest {
 protected:
  void SetUp() override {
    SettingsFolderTest::SetUp();
    frame_ = new TTestyFrameWindow;
    frame_->Attr.X = 0;
    frame_->Attr.Y = 0;
    frame_->Attr.W = 1000;
    frame_->Attr.H = 720;
    ASSERT_TRUE(frame_->Create());
    frame_->ShowWindow(kSwShowNormal);
    test::Pump(300ms);
    const std::filesystem::path sample =
        std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "samples" / "sample.kvn";
    ASSERT_TRUE(frame_->OpenFile(WString::FromUtf8(sample.string())));
    Idle();
  }
  void TearDown() override {
    delete frame_;
    SettingsFolderTest::TearDown();
  }
  void Idle() {
    for (int i = 0; i < 5; ++i) {
      frame_->IdleAction(0);
      test::Pump(60ms);
      MessageQueue::Instance().DispatchRound();
    }
  }
  cVectorWindow& Window() { return *static_cast<cVectorView*>(frame_->GetClientWindow())->GetVectorWindow(); }
  void Key(const char* key) {
    const std::string title = frame_->GetPeer()->GetLabel().ToStdString(wxConvUTF8);
    std::string pattern;
    for (char c : title) {
      if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) pattern += '\\';
      pattern += c;
    }
    Window().SetFocus();
    test::Shell(test::XdoOnWindow(pattern, std::string("key ") + key));
    Idle();
  }

  TTestyFrameWindow* frame_ = nullptr;
};

TEST_F(ViewPagingTest, PgDnThenPgUpComeBackToTheSameView) {
  if (!test::HaveXdotool()) GTEST_SKIP() << "xdotool is not installed";
  cVectorWindow& w = Window();
  ASSERT_EQ(w.GetPageNumber(), 0u);
  const View first = ViewOf(w);
  Key("Next");
  ASSERT_EQ(w.GetPageNumber(), 1u);
  Key("Prior");
  ASSERT_EQ(w.GetPageNumber(), 0u);
  EXPECT_TRUE(ViewOf(w) == first);
  // Zoomed in, to the next drawing (the last page entry) and back.
  frame_->CommandFromMenu(kCmZoomIn);
  Idle();
  const View zoomed = ViewOf(w);
  const std::uint32_t last = CurrentDocument()->GetPageEntryCount() - 1;
  w.ShowPageEntry(last);
  Idle();
  ASSERT_EQ(w.GetSheetIndex(), 1u);
  w.ShowPageEntry(0);
  Idle();
  EXPECT_TRUE(ViewOf(w) == zoomed);
}

TEST_F(ViewPagingTest, FirstViewShowsTheWholeFirstPage) {
  cVectorWindow& w = Window();
  cDrawing& drawing = *w.GetSheetData();
  DRect extent;
  const std::uint16_t page = 0;
  ExtentFilter filter;
  filter.drawingPages = int(drawing.PageCount());
  filter.page = &page;
  drawing.TopBlock()->GetFilteredExtent(filter, drawing.Data(), extent);
  ASSERT_GT(extent.Width(), 0.0);
  const TRect client = w.GetClientRect();
  const DevicePoint a = WorldToDevice(w.Mapping(), DPoint{extent.x1, extent.y1});
  const DevicePoint b = WorldToDevice(w.Mapping(), DPoint{extent.x2, extent.y2});
  EXPECT_GE(std::min(a.x, b.x), client.left);
  EXPECT_GE(std::min(a.y, b.y), client.top);
  EXPECT_LT(std::max(a.x, b.x), client.right);
  EXPECT_LT(std::max(a.y, b.y), client.bottom) << "the bottom edge is cut off";
  test::SaveScreenshot("first-view.png");
}

TEST_F(ViewPagingTest, AfterCloseTheZoomBoxShowsNoPercentage) {
  TZoomComboBox* zoom = FindChild<TZoomComboBox>(*frame_->GetToolBar());
  ASSERT_NE(zoom, nullptr);
  EXPECT_FALSE(zoom->GetText().IsEmpty());
  frame_->CmFileClose();
  Idle();
  EXPECT_TRUE(zoom->GetText().IsEmpty()) << zoom->GetText().ToUtf8();
  EXPECT_FALSE(zoom->IsWindowEnabled());
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
