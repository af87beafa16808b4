// Response-table search and command routing, on window objects without
// toolkit windows (no display needed).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/Application.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/RegisteredMessages.h"
#include "platform/ui/Window.h"

namespace kvn {
namespace {

std::vector<std::string> g_log;

// Two mixins with their own tables, as the help class and the recent-file
// list are mixed into the main frame.
class MixinA : public virtual TEventHandler {
 public:
  void CmShared() { g_log.push_back("A::shared"); }
  void CmOnlyA() { g_log.push_back("A::only"); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t({OnCommand<&MixinA::CmShared>(7), OnCommand<&MixinA::CmOnlyA>(8)}, {});
    return t;
  }
};

class MixinB : public virtual TEventHandler {
 public:
  void CmShared() { g_log.push_back("B::shared"); }
  void CmOnlyB() { g_log.push_back("B::only"); }
  TResult EvPing(TParam1 w, TParam2 l) {
    g_log.push_back("B::ping " + std::to_string(w) + " " + std::to_string(l));
    return 42;
  }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t({OnCommand<&MixinB::CmShared>(7), OnCommand<&MixinB::CmOnlyB>(9),
                                   OnRegistered<&MixinB::EvPing>(u"KVN_TEST_PING")},
                                  {});
    return t;
  }
};

class TestWindow : public TWindow, public MixinA, public MixinB {
 public:
  TestWindow() : TWindow(nullptr) {}
  void CmOwn() { g_log.push_back("own"); }
  void CmOverride() { g_log.push_back("own::override"); }
  void CmNotify() { g_log.push_back("notify"); }
  void EvSize(std::uint32_t type, const TSize& size) {
    g_log.push_back("size " + std::to_string(type) + " " + std::to_string(size.cx) + "x" + std::to_string(size.cy));
  }
  void EvLButtonDown(std::uint32_t keys, const TPoint& p) {
    g_log.push_back("down " + std::to_string(keys) + " " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  bool EvMouseWheel(std::uint32_t keys, int delta, const TPoint& p) {
    g_log.push_back("wheel " + std::to_string(keys) + " " + std::to_string(delta) + " " + std::to_string(p.x) + "," +
                    std::to_string(p.y));
    return true;
  }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t(
        {OnCommand<&TestWindow::CmOwn>(5), OnCommand<&TestWindow::CmOverride>(8),
         OnChildNotify<&TestWindow::CmNotify>(5, 3), OnMessage<kWmSize, &TestWindow::EvSize>(),
         OnMessage<kWmLButtonDown, &TestWindow::EvLButtonDown>(),
         OnMessage<kWmMouseWheel, &TestWindow::EvMouseWheel>()},
        {&TWindow::Table(), &MixinA::Table(), &MixinB::Table()});
    return t;
  }
};

class ResponseTableTest : public ::testing::Test {
 protected:
  void SetUp() override { g_log.clear(); }
};

TEST_F(ResponseTableTest, OwnRowsFirstThenBasesInOrder) {
  TestWindow w;
  w.HandleMessage(kWmCommand, MakeWParam(5, 0), 0);
  w.HandleMessage(kWmCommand, MakeWParam(8, 0), 0);  // own row hides MixinA's
  w.HandleMessage(kWmCommand, MakeWParam(7, 0), 0);  // both mixins: the first named wins
  w.HandleMessage(kWmCommand, MakeWParam(9, 0), 0);  // reached in the second mixin
  EXPECT_EQ(g_log, (std::vector<std::string>{"own", "own::override", "A::shared", "B::only"}));
}

TEST_F(ResponseTableTest, NotificationCodesAreMatchedExactly) {
  TestWindow w;
  bool handled = true;
  // From a control (lParam: its handle) with notification 3.
  TParam2 control = 0x1234;
  w.HandleMessage(kWmCommand, MakeWParam(5, 3), control, &handled);
  EXPECT_TRUE(handled);
  w.HandleMessage(kWmCommand, MakeWParam(5, 4), control, &handled);
  EXPECT_FALSE(handled);
  EXPECT_EQ(g_log, (std::vector<std::string>{"notify"}));
}

TEST_F(ResponseTableTest, UnmatchedMessagesEndInDefaultProcessing) {
  TestWindow w;
  bool handled = true;
  EXPECT_EQ(w.HandleMessage(kWmTimer, 1, 0, &handled), 0);
  EXPECT_FALSE(handled);
  w.HandleMessage(kWmCommand, MakeWParam(1234, 0), 0, &handled);
  EXPECT_FALSE(handled);
  EXPECT_TRUE(g_log.empty());
}

TEST_F(ResponseTableTest, CrackersUnpackParametersAsWin32PacksThem) {
  TestWindow w;
  w.HandleMessage(kWmSize, kSizeMaximized, TParam2(640 | (480 << 16)));
  w.HandleMessage(kWmLButtonDown, kMkLButton | kMkControl, MakePointParam(-5, 300));
  EXPECT_EQ(w.HandleMessage(kWmMouseWheel, MakeWParam(kMkShift, std::uint16_t(std::int16_t(-240))),
                            MakePointParam(10, 20)),
            1);
  EXPECT_EQ(g_log, (std::vector<std::string>{"size 2 640x480", "down 9 -5,300", "wheel 4 -240 10,20"}));
}

TEST_F(ResponseTableTest, RegisteredRowsTakeTheRegisteredId) {
  const std::uint32_t id = RegisterWindowMessage(u"kvn_test_ping");  // case does not matter
  ASSERT_GE(id, kFirstRegisteredMessage);
  EXPECT_EQ(RegisterWindowMessage(u"KVN_TEST_PING"), id);
  EXPECT_NE(RegisterWindowMessage(u"KVN_TEST_OTHER"), id);
  EXPECT_EQ(RegisterWindowMessage(u""), 0u);
  EXPECT_EQ(RegisterWindowMessage(nullptr), 0u);
  TestWindow w;
  EXPECT_EQ(w.HandleMessage(id, 3, 4), 42);
  EXPECT_EQ(g_log, (std::vector<std::string>{"B::ping 3 4"}));
}

// --- command road of a frame ------------------------------------------------------------------

class TargetWindow : public TWindow {
 public:
  explicit TargetWindow(TWindow* parent) : TWindow(parent) {}
  void CmZoom() { g_log.push_back("target zoom"); }
  void CeZoom(TCommandEnabler& ce) { ce.Enable(zoomEnabled); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t({OnCommand<&TargetWindow::CmZoom>(100), OnCommandEnable<&TargetWindow::CeZoom>(100)},
                                  {&TWindow::Table()});
    return t;
  }
  bool zoomEnabled = true;
};

class RoutingFrame : public TFrameWindow {
 public:
  RoutingFrame() : TFrameWindow(nullptr, WString(u"frame")) {}
  THandle GetCommandTarget() override { return target; }
  void CmZoom() { g_log.push_back("frame zoom"); }
  void CmClose() { g_log.push_back("frame close"); }
  void CeClose(TCommandEnabler& ce) { ce.Enable(closeEnabled); }
  void CeLanguage(TCommandEnabler& ce) { ce.SetCheck(TCommandEnabler::Checked); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t({OnCommand<&RoutingFrame::CmZoom>(100), OnCommand<&RoutingFrame::CmClose>(200),
                                   OnCommandEnable<&RoutingFrame::CeClose>(200),
                                   OnCommandEnable<&RoutingFrame::CeLanguage>(300)},
                                  {&TFrameWindow::Table()});
    return t;
  }
  THandle target = nullptr;
  bool closeEnabled = false;
};

class RoutingApp : public TApplication {
 public:
  void CmAppOnly() { g_log.push_back("app"); }
  bool Find(TEventInfo& info) override { return Table().Search(info); }
  static const TResponseTable& Table() {
    static const TResponseTable t({OnCommand<&RoutingApp::CmAppOnly>(400)}, {});
    return t;
  }
};

TEST_F(ResponseTableTest, CommandsGoToTheTargetThenTheFrameThenTheApplication) {
  RoutingApp app;
  RoutingFrame frame;
  auto* target = new TargetWindow(&frame);  // owned by the frame
  frame.HandleMessage(kWmCommand, MakeWParam(100, 0), 0);  // no target yet: the frame's row
  // The target as a live window (its handle) without a toolkit window.
  THandle handle = RegisterWindowHandle(target);
  frame.target = handle;
  frame.HandleMessage(kWmCommand, MakeWParam(100, 0), 0);
  frame.HandleMessage(kWmCommand, MakeWParam(400, 0), 0);
  EXPECT_EQ(g_log, (std::vector<std::string>{"frame zoom", "target zoom", "app"}));
  UnregisterWindowHandle(handle);
}

TEST_F(ResponseTableTest, EnablersTakeTheCommandsRoadAndGreyUnhandledCommands) {
  RoutingApp app;
  RoutingFrame frame;
  auto* target = new TargetWindow(&frame);
  THandle handle = RegisterWindowHandle(target);
  frame.target = handle;

  EXPECT_TRUE(frame.IsCommandEnabled(100));
  target->zoomEnabled = false;
  EXPECT_FALSE(frame.IsCommandEnabled(100));  // the target answers before the frame's handler counts
  EXPECT_FALSE(frame.IsCommandEnabled(200));  // the frame's enabler says no
  frame.closeEnabled = true;
  EXPECT_TRUE(frame.IsCommandEnabled(200));
  EXPECT_TRUE(frame.IsCommandEnabled(400));    // no enabler, but the application handles it
  EXPECT_FALSE(frame.IsCommandEnabled(999));   // nobody handles it: greyed
  TCommandEnabler ce(300);
  frame.EvCommandEnable(ce);
  EXPECT_EQ(ce.GetCheck(), TCommandEnabler::Checked);
  EXPECT_TRUE(ce.WasHandled());

  // A disabled command from the menu or an accelerator does not run.
  g_log.clear();
  frame.CommandFromMenu(100);
  frame.closeEnabled = false;
  frame.CommandFromMenu(200);
  frame.CommandFromMenu(400);
  EXPECT_EQ(g_log, (std::vector<std::string>{"app"}));
  UnregisterWindowHandle(handle);
}

TEST_F(ResponseTableTest, WindowsOwnTheirChildren) {
  auto* parent = new TWindow(nullptr);
  auto* child = new TWindow(parent);
  auto* grandChild = new TWindow(child);
  grandChild->Attr.Id = 17;
  EXPECT_EQ(child->ChildWithId(17), grandChild);
  delete grandChild;  // leaves its parent's list
  EXPECT_TRUE(child->GetChildren().empty());
  new TWindow(child);
  EXPECT_EQ(parent->GetChildren().size(), 1u);
  delete parent;  // and the rest with it (LeakSanitizer checks)
}

}  // namespace
}  // namespace kvn
