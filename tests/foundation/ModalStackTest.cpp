#include "foundation/ModalStack.h"

#include <gtest/gtest.h>

#include <vector>

namespace kvn {
namespace {

class FakeWindow : public ModalWindow {
 public:
  explicit FakeWindow(FakeWindow* parent = nullptr) : parent_(parent) {}
  ModalWindow* GetParentModalWindow() const override { return parent_; }
  bool HasHandle() const override { return created; }
  bool IsVisibleOrCreatedVisible() const override { return created ? visible : createVisible; }
  bool IsIconic() const override { return iconic; }
  void ShowWindow(int command) override { shows.push_back(command); }
  bool IsWindowEnabled() const override { return enabled; }
  void EnableWindow(bool enable) override { enabled = enable; }

  bool created = true;
  bool visible = true;
  bool createVisible = false;
  bool iconic = false;
  bool enabled = true;
  std::vector<int> shows;

 private:
  FakeWindow* parent_;
};

class ModalStackTest : public ::testing::Test {
 protected:
  void TearDown() override {
    while (ModalStack::Depth() > 0) ModalStack::Pop();
  }
};

TEST_F(ModalStackTest, FirstPushRecordsTheOwnersTopLevelWindow) {
  FakeWindow frame;
  FakeWindow panel(&frame);
  FakeWindow button(&panel);
  FakeWindow dialog;
  ModalStack::Push(&button, &dialog, false);
  ModalWindow* first = nullptr;
  EXPECT_EQ(ModalStack::Top(&first), &dialog);
  EXPECT_EQ(first, &frame);
  EXPECT_EQ(frame.shows, std::vector<int>{kSwShow});
  EXPECT_TRUE(button.shows.empty());

  // A nested push keeps the recorded window; null pushes the owner itself.
  FakeWindow other;
  ModalStack::Push(&other, nullptr, false);
  EXPECT_EQ(ModalStack::Top(&first), &other);
  EXPECT_EQ(first, &frame);
  EXPECT_EQ(ModalStack::Depth(), 2u);

  ModalStack::Pop();
  EXPECT_EQ(ModalStack::Top(&first), &dialog);
  EXPECT_EQ(first, &frame);
  ModalStack::Pop();
  EXPECT_EQ(ModalStack::Top(&first), nullptr);
  EXPECT_EQ(first, nullptr);
  ModalStack::Pop();  // on an empty stack: nothing
  EXPECT_EQ(ModalStack::Depth(), 0u);
}

TEST_F(ModalStackTest, IconicOwnerIsRestoredUnlessKeptAsItIs) {
  FakeWindow frame;
  frame.iconic = true;
  ModalStack::Push(&frame, nullptr, false);
  EXPECT_EQ(frame.shows, std::vector<int>{kSwRestore});
  ModalStack::Push(&frame, nullptr, true);
  EXPECT_EQ(frame.shows.size(), 1u);

  // A window not created yet counts as visible by its creation style.
  FakeWindow pending;
  pending.created = false;
  pending.iconic = true;
  ModalStack::Push(&pending, nullptr, false);
  EXPECT_EQ(pending.shows, std::vector<int>{kSwShow});
  pending.createVisible = true;
  ModalStack::Push(&pending, nullptr, false);
  EXPECT_EQ(pending.shows.back(), kSwRestore);
}

TEST_F(ModalStackTest, NullOwnerRecordsNothing) {
  FakeWindow dialog;
  ModalStack::Push(nullptr, &dialog, false);
  ModalWindow* first = &dialog;
  EXPECT_EQ(ModalStack::Top(&first), &dialog);
  EXPECT_EQ(first, nullptr);
  EXPECT_FALSE(ModalStack::IsDisabledWindow(&dialog));  // nothing disables in this program
}

TEST(SetDisabledByModal, OnlyWindowsItDisabledAreEnabledAgain) {
  FakeWindow w;
  SetDisabledByModal(w, true);
  EXPECT_FALSE(w.enabled);
  EXPECT_TRUE(w.disabledByModal);
  SetDisabledByModal(w, false);
  EXPECT_TRUE(w.enabled);
  EXPECT_FALSE(w.disabledByModal);

  FakeWindow alreadyOff;
  alreadyOff.enabled = false;
  SetDisabledByModal(alreadyOff, true);
  EXPECT_FALSE(alreadyOff.disabledByModal);
  SetDisabledByModal(alreadyOff, false);
  EXPECT_FALSE(alreadyOff.enabled);  // someone else disabled it
}

}  // namespace
}  // namespace kvn
