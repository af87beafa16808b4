// The internal-error notice on a private X display: shown once per run over
// the visible frame, and a quit that was pending when it came still ends the
// message loop after the notice is closed. The test closes the box itself.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/timer.h>

#include <cstdio>
#include <vector>

#include "foundation/LangTable.h"
#include "foundation/MsgBox.h"
#include "platform/ui/Application.h"
#include "platform/ui/FrameWindow.h"
#include "platform/ui/InternalError.h"
#include "platform/ui/MessageBoxDialog.h"
#include "platform/ui/MessageQueue.h"
#include "platform/ui/UiHelpersWx.h"
#include "platform/ui/WxText.h"
#include "tests/gui/GuiTestSupport.h"

namespace kvn {
namespace {

using test::FindOpenBox;

TEST(InternalErrorNotice, OncePerRunAndAPendingQuitStillQuits) {
  SetLanguageIndex(kLanguageEnglish);
  InvalidateLangTable();
  internal_error_testing::ResetLatch();

  TApplication app(WString(u"test"));
  auto* frame = new TFrameWindow(nullptr, WString(u"Owner"));
  frame->Attr.X = 100;
  frame->Attr.Y = 80;
  frame->Attr.W = 600;
  frame->Attr.H = 400;
  ASSERT_TRUE(frame->Create());
  frame->ShowWindow(kSwShowNormal);
  app.SetMainWindow(frame);

  // Every box is answered with OK.
  test::AnsweringBoxes closer(std::chrono::milliseconds(100));
  SetMessageBoxBackend(&closer);
  PostQuitMessage(4);
  ReportInternalError(frame, 1001);
  ASSERT_EQ(closer.texts.size(), 1u);
  EXPECT_TRUE(closer.texts[0].Contains(u"Internal error #1001. Probably is a problem in operating system."));
  EXPECT_TRUE(closer.texts[0].Contains(u"Interní chyba #1001."));
  ASSERT_EQ(closer.parents.size(), 1u);
  EXPECT_EQ(closer.parents[0], frame->GetPeer());
  EXPECT_EQ(closer.styles[0] & kMbIconMask, kMbIconError);
  EXPECT_TRUE(MessageQueue::Instance().QuitPending());

  // A second fault shows nothing.
  ReportInternalError(frame, 1012);
  EXPECT_EQ(closer.texts.size(), 1u);
  EXPECT_EQ(FindOpenBox(), nullptr);

  // The quit put back ends the loop; a stuck loop is ended by the guard.
  bool guardFired = false;
  wxTimer guard;
  guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    guardFired = true;
    wxTheApp->ExitMainLoop();
  });
  guard.StartOnce(10000);
  const int status = app.MessageLoop();
  EXPECT_FALSE(guardFired);
  EXPECT_EQ(status, 4);
  SetMessageBoxBackend(nullptr);
}

}  // namespace
}  // namespace kvn

int main(int argc, char** argv) { return kvn::test::RunGuiTests(argc, argv); }
