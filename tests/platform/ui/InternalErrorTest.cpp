// The internal-error notice without a display: one notice per run, the
// owner found up the parent chain, and a pending quit that survives the box.
#include "platform/ui/InternalError.h"

#include <gtest/gtest.h>

#include <vector>

#include "foundation/ModalStack.h"
#include "foundation/MsgBox.h"
#include "platform/ui/MessageQueue.h"

namespace kvn {
namespace {

class FakeWindow : public ModalWindow, public cMsgDlg {
 public:
  FakeWindow(FakeWindow* parent, bool handle, bool visible) : parent_(parent), handle_(handle), visible_(visible) {}
  ModalWindow* GetParentModalWindow() const override { return parent_; }
  bool HasHandle() const override { return handle_; }
  bool IsVisibleOrCreatedVisible() const override { return visible_; }
  bool IsIconic() const override { return false; }
  void ShowWindow(int) override {}
  bool IsWindowEnabled() const override { return true; }
  void EnableWindow(bool) override {}
  void* GetWindowHandle() const override { return handle_ ? const_cast<FakeWindow*>(this) : nullptr; }
  void* GetOwnerWindow() const override { return nullptr; }

 private:
  FakeWindow* parent_;
  bool handle_;
  bool visible_;
};

// Records each box and, while it shows, whether a quit was pending.
class Boxes : public MessageBoxBackend {
 public:
  int ShowBox(const MessageBoxRequest& r) override {
    texts.push_back(r.text);
    captions.push_back(r.caption);
    styles.push_back(r.style);
    owners.push_back(r.owner);
    quitWhileShown.push_back(MessageQueue::Instance().QuitPending());
    return kIdOk;
  }
  std::vector<WString> texts;
  std::vector<WString> captions;
  std::vector<std::uint32_t> styles;
  std::vector<const cMsgDlg*> owners;
  std::vector<bool> quitWhileShown;
};

class InternalErrorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    internal_error_testing::ResetLatch();
    MessageQueue::Instance().Clear();
    previous_ = SetMessageBoxBackend(&boxes_);
  }
  void TearDown() override {
    SetMessageBoxBackend(previous_);
    MessageQueue::Instance().Clear();
    internal_error_testing::ResetLatch();
  }
  Boxes boxes_;
  MessageBoxBackend* previous_ = nullptr;
};

TEST_F(InternalErrorTest, TextCarriesTheCodeTwice) {
  EXPECT_EQ(InternalErrorText(1011),
            u"Internal error #1011. Probably is a problem in operating system. Please exit the software.\n\n"
            u"Interní chyba #1011. Zřejmě je problém v operačním systému. Prosím ukončete program.");
}

TEST_F(InternalErrorTest, TwoFaultsShowOneNotice) {
  FakeWindow frame(nullptr, true, true);
  EXPECT_FALSE(InternalErrorReported());
  ReportInternalErrorFrom(&frame, 1000);
  ReportInternalErrorFrom(&frame, 1012);
  EXPECT_TRUE(InternalErrorReported());
  ASSERT_EQ(boxes_.texts.size(), 1u);
  EXPECT_EQ(boxes_.texts[0], InternalErrorText(1000));
  EXPECT_EQ(boxes_.owners[0], &frame);
  // The default caption (string 1064), the error icon, task-modal, in front.
  EXPECT_FALSE(boxes_.captions[0].IsEmpty());
  EXPECT_EQ(boxes_.styles[0] & (kMbIconMask | kMbTaskModal | kMbSetForeground),
            kMbIconError | kMbTaskModal | kMbSetForeground);
}

TEST_F(InternalErrorTest, OwnerIsTheFirstVisibleWindowUpTheChain) {
  FakeWindow frame(nullptr, true, true);
  FakeWindow hiddenPanel(&frame, true, false);
  FakeWindow notCreated(&hiddenPanel, false, true);
  ReportInternalErrorFrom(&notCreated, 1001);
  ASSERT_EQ(boxes_.owners.size(), 1u);
  EXPECT_EQ(boxes_.owners[0], &frame);
}

TEST_F(InternalErrorTest, WithoutAVisibleWindowNothingIsShownAndTheLatchIsSpent) {
  FakeWindow hidden(nullptr, true, false);
  ReportInternalErrorFrom(&hidden, 1010);
  ReportInternalErrorFrom(nullptr, 1010);
  EXPECT_TRUE(boxes_.texts.empty());
  EXPECT_TRUE(InternalErrorReported());
  FakeWindow frame(nullptr, true, true);
  ReportInternalErrorFrom(&frame, 1010);
  EXPECT_TRUE(boxes_.texts.empty());
}

TEST_F(InternalErrorTest, APendingQuitIsHeldWhileTheBoxShowsAndStillQuits) {
  FakeWindow frame(nullptr, true, true);
  PostQuitMessage(7);
  ReportInternalErrorFrom(&frame, 1002);
  ASSERT_EQ(boxes_.quitWhileShown.size(), 1u);
  EXPECT_FALSE(boxes_.quitWhileShown[0]);
  int status = 0;
  EXPECT_TRUE(MessageQueue::Instance().TakeQuit(status));
  EXPECT_EQ(status, 7);
}

TEST_F(InternalErrorTest, NoQuitIsInventedWhenNonePending) {
  FakeWindow frame(nullptr, true, true);
  ReportInternalErrorFrom(&frame, 1002);
  EXPECT_FALSE(MessageQueue::Instance().QuitPending());
}

}  // namespace
}  // namespace kvn
