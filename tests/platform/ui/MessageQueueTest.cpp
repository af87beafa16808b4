// Posted and sent messages, window handles and the quit request, without a
// toolkit loop: the test runs the rounds itself.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/MessageQueue.h"
#include "platform/ui/Window.h"

namespace kvn {
namespace {

class Recorder : public TWindow {
 public:
  explicit Recorder(std::vector<std::string>& log, std::string name)
      : TWindow(nullptr), log_(log), name_(std::move(name)) {
    handle = RegisterWindowHandle(this);
  }
  ~Recorder() override { UnregisterWindowHandle(handle); }
  TResult WindowProc(std::uint32_t msg, TParam1 w, TParam2) override {
    log_.push_back(name_ + ":" + std::to_string(msg) + "/" + std::to_string(w));
    // A handler that posts to itself: the new message waits for the next round.
    if (w == 99) kvn::PostMessage(handle, msg, 100, 0);
    return TResult(w) + 1;
  }
  THandle handle;

 private:
  std::vector<std::string>& log_;
  std::string name_;
};

class MessageQueueTest : public ::testing::Test {
 protected:
  void SetUp() override { MessageQueue::Instance().Clear(); }
  void TearDown() override { MessageQueue::Instance().Clear(); }
  std::vector<std::string> log;
};

TEST_F(MessageQueueTest, PostedMessagesRunInOrderOneRoundAtATime) {
  Recorder a(log, "a"), b(log, "b");
  EXPECT_TRUE(PostMessage(a.handle, 0x400, 1));
  EXPECT_TRUE(PostMessage(b.handle, 0x400, 2));
  EXPECT_TRUE(PostMessage(a.handle, 0x401, 99));
  EXPECT_TRUE(log.empty());  // posting never runs anything
  EXPECT_EQ(MessageQueue::Instance().DispatchRound(), 3u);
  EXPECT_EQ(log, (std::vector<std::string>{"a:1024/1", "b:1024/2", "a:1025/99"}));
  EXPECT_EQ(MessageQueue::Instance().Size(), 1u);  // posted during the round
  MessageQueue::Instance().DispatchRound();
  EXPECT_EQ(log.back(), "a:1025/100");
}

TEST_F(MessageQueueTest, SentMessagesRunAtOnceAndAnswer) {
  Recorder a(log, "a");
  EXPECT_EQ(SendMessage(a.handle, 0x400, 41), 42);
  EXPECT_EQ(log, (std::vector<std::string>{"a:1024/41"}));
}

TEST_F(MessageQueueTest, MessagesToGoneWindowsAreDropped) {
  THandle gone;
  {
    Recorder a(log, "a");
    gone = a.handle;
    PostMessage(a.handle, 0x400, 1);
  }
  EXPECT_EQ(MessageQueue::Instance().Size(), 0u);  // removed with the window
  EXPECT_FALSE(PostMessage(gone, 0x400, 2));
  EXPECT_EQ(SendMessage(gone, 0x400, 3), 0);
  EXPECT_EQ(GetWindowPtr(gone), nullptr);
  EXPECT_FALSE(PostMessage(nullptr, 0x400, 4));
  // A new window never gets the old handle back.
  Recorder b(log, "b");
  EXPECT_NE(b.handle, gone);
  EXPECT_TRUE(log.empty());
}

TEST_F(MessageQueueTest, QuitWaitsApartAndCanBeTakenAndPostedAgain) {
  Recorder a(log, "a");
  PostMessage(a.handle, 0x400, 1);
  PostQuitMessage(3);
  EXPECT_TRUE(MessageQueue::Instance().QuitPending());
  EXPECT_EQ(MessageQueue::Instance().Size(), 1u);  // the quit is not in the queue
  int status = -1;
  EXPECT_TRUE(MessageQueue::Instance().TakeQuit(status));
  EXPECT_EQ(status, 3);
  EXPECT_FALSE(MessageQueue::Instance().QuitPending());
  EXPECT_FALSE(MessageQueue::Instance().TakeQuit(status));
  PostQuitMessage(status);
  EXPECT_EQ(MessageQueue::Instance().QuitStatus(), 3);
}

TEST_F(MessageQueueTest, WakeHookRunsOnEveryPost) {
  static int wakes = 0;
  wakes = 0;
  MessageQueue::Instance().SetWakeHook([] { ++wakes; });
  Recorder a(log, "a");
  PostMessage(a.handle, 0x400, 1);
  PostQuitMessage(0);
  MessageQueue::Instance().SetWakeHook(nullptr);
  EXPECT_EQ(wakes, 2);
}

}  // namespace
}  // namespace kvn
