// Tool-bar buttons on a gadget window without a toolkit window: clicks,
// kinds, exclusive runs, enablers, layout, and the painted faces.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "controls/ButtonGadget.h"
#include "controls/GadgetImage.h"
#include "platform/gdi/RasterDC.h"
#include "platform/ui/SystemMetrics.h"
#include "tests/support/GoldenImage.h"

namespace kvn {
namespace {

// A gadget window that keeps the commands its buttons send.
class RecordingBar : public TGadgetWindow {
 public:
  RecordingBar() : TGadgetWindow(nullptr) {}
  TResult EvCommand(std::uint32_t id, THandle, std::uint32_t) override {
    commands.push_back(id);
    return 0;
  }
  void EvCommandEnable(TCommandEnabler& ce) override {
    for (auto [id, enable, check] : answers) {
      if (ce.GetId() == id) {
        ce.Enable(enable);
        if (check >= 0) ce.SetCheck(check);
      }
    }
  }
  std::vector<std::uint32_t> commands;
  std::vector<std::tuple<std::uint32_t, bool, int>> answers;
};

TButtonGadgetZv& AddButton(TGadgetWindow& bar, std::uint32_t id, TButtonGadgetZv::TType type,
                           TButtonGadgetZv::TState state = TButtonGadgetZv::Up) {
  auto button = std::make_unique<TButtonGadgetZv>(id, int(id), type, true, state);
  TButtonGadgetZv& ref = *button;
  bar.Insert(std::move(button));
  return ref;
}

TPoint Centre(const TGadget& g) {
  const TRect& b = g.GetBounds();
  return {b.left + int(b.Width()) / 2, b.top + int(b.Height()) / 2};
}

void Click(TGadgetWindow& bar, const TGadget& g) {
  bar.EvMouseMove(0, Centre(g));
  bar.EvLButtonDown(0, Centre(g));
  bar.EvLButtonUp(0, Centre(g));
}

TEST(ButtonGadget, NonExclusiveTogglesAndPostsEachTime) {
  RecordingBar bar;
  TButtonGadgetZv& b = AddButton(bar, 19752, TButtonGadgetZv::NonExclusive);
  Click(bar, b);
  EXPECT_EQ(b.GetState(), TButtonGadgetZv::Down);
  Click(bar, b);
  EXPECT_EQ(b.GetState(), TButtonGadgetZv::Up);
  EXPECT_EQ(bar.commands, (std::vector<std::uint32_t>{19752, 19752}));
  EXPECT_EQ(bar.GetCapturedGadget(), nullptr);
  EXPECT_FALSE(b.IsPressed());
  EXPECT_TRUE(b.IsHot());
}

TEST(ButtonGadget, ExclusiveRunGoesDownOneAtATime) {
  RecordingBar bar;
  TButtonGadgetZv& outside = AddButton(bar, 15932, TButtonGadgetZv::Exclusive, TButtonGadgetZv::Down);
  bar.Insert(std::make_unique<TSeparatorGadgetZv>(6));
  TButtonGadgetZv& cz = AddButton(bar, 19752, TButtonGadgetZv::Exclusive, TButtonGadgetZv::Down);
  TButtonGadgetZv& sk = AddButton(bar, 19754, TButtonGadgetZv::SemiExclusive);
  TButtonGadgetZv& en = AddButton(bar, 19756, TButtonGadgetZv::Exclusive);
  Click(bar, en);
  EXPECT_EQ(en.GetState(), TButtonGadgetZv::Down);
  EXPECT_EQ(cz.GetState(), TButtonGadgetZv::Up);
  EXPECT_EQ(sk.GetState(), TButtonGadgetZv::Up);
  // The separator ends the run.
  EXPECT_EQ(outside.GetState(), TButtonGadgetZv::Down);
  // Every click posts, and the button stays down.
  Click(bar, en);
  EXPECT_EQ(en.GetState(), TButtonGadgetZv::Down);
  EXPECT_EQ(bar.commands, (std::vector<std::uint32_t>{19756, 19756}));
  // The enabler's check goes down exclusively too.
  sk.SetState(TButtonGadgetZv::Down);
  EXPECT_EQ(en.GetState(), TButtonGadgetZv::Up);
}

TEST(ButtonGadget, SemiExclusiveDownGoesUpAndPostsNothing) {
  RecordingBar bar;
  TButtonGadgetZv& a = AddButton(bar, 1, TButtonGadgetZv::SemiExclusive, TButtonGadgetZv::Down);
  TButtonGadgetZv& b = AddButton(bar, 2, TButtonGadgetZv::SemiExclusive);
  Click(bar, a);
  EXPECT_EQ(a.GetState(), TButtonGadgetZv::Up);
  EXPECT_TRUE(bar.commands.empty());
  Click(bar, b);
  Click(bar, a);
  EXPECT_EQ(a.GetState(), TButtonGadgetZv::Down);
  EXPECT_EQ(b.GetState(), TButtonGadgetZv::Up);
  EXPECT_EQ(bar.commands, (std::vector<std::uint32_t>{2, 1}));
}

TEST(ButtonGadget, LeavingBeforeReleaseCancelsAndComingBackPressesAgain) {
  RecordingBar bar;
  TButtonGadgetZv& b = AddButton(bar, 18920, TButtonGadgetZv::Command);
  const TPoint outside{b.GetBounds().right + 30, 2};
  bar.EvMouseMove(0, Centre(b));
  bar.EvLButtonDown(0, Centre(b));
  EXPECT_TRUE(b.IsPressed());
  EXPECT_EQ(bar.GetCapturedGadget(), &b);
  bar.EvMouseMove(0, outside);
  EXPECT_FALSE(b.IsPressed());
  EXPECT_FALSE(b.IsHot());
  bar.EvLButtonUp(0, outside);
  EXPECT_TRUE(bar.commands.empty());
  EXPECT_EQ(bar.GetCapturedGadget(), nullptr);
  // Out and back in before the release: the command goes.
  bar.EvMouseMove(0, Centre(b));
  bar.EvLButtonDown(0, Centre(b));
  bar.EvMouseMove(0, outside);
  bar.EvMouseMove(0, Centre(b));
  EXPECT_TRUE(b.IsPressed());
  bar.EvLButtonUp(0, Centre(b));
  EXPECT_EQ(bar.commands, (std::vector<std::uint32_t>{18920}));
}

TEST(ButtonGadget, DisabledButtonTakesNoClicks) {
  RecordingBar bar;
  TButtonGadgetZv& b = AddButton(bar, 19570, TButtonGadgetZv::Command);
  b.SetEnabled(false);
  Click(bar, b);
  EXPECT_TRUE(bar.commands.empty());
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::None);
  // A disabled button that is activated (by its owner) posts nothing either.
  b.Activate();
  EXPECT_TRUE(bar.commands.empty());
}

TEST(ButtonGadget, BorderStyleFollowsHotPressedAndState) {
  RecordingBar bar;
  TButtonGadgetZv& b = AddButton(bar, 15932, TButtonGadgetZv::NonExclusive);
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::None);
  bar.EvMouseMove(0, Centre(b));
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::Raised);
  bar.EvLButtonDown(0, Centre(b));
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::Recessed);
  bar.EvLButtonUp(0, Centre(b));
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::Recessed);  // down and hot
  bar.EvMouseLeave();
  EXPECT_EQ(b.ComputeBorderStyle(), TGadget::Recessed);  // down
  EXPECT_FALSE(b.IsHot());
}

TEST(ButtonGadget, HintsOnEnterOrOnPress) {
  RecordingBar bar;
  std::vector<int> hints;
  bar.SetHintSink([&](int id) { hints.push_back(id); });
  TButtonGadgetZv& b = AddButton(bar, 15102, TButtonGadgetZv::Command);
  bar.EvMouseMove(0, Centre(b));
  bar.EvMouseLeave();
  bar.SetHintMode(TGadgetWindow::PressHints);
  bar.EvMouseMove(0, Centre(b));
  bar.EvLButtonDown(0, Centre(b));
  bar.EvLButtonUp(0, Centre(b));
  EXPECT_EQ(hints, (std::vector<int>{15102, -1, 15102, -1}));
}

TEST(ButtonGadget, EnablerPassSetsEnabledAndState) {
  RecordingBar bar;
  TButtonGadgetZv& close = AddButton(bar, 19570, TButtonGadgetZv::Command);
  TButtonGadgetZv& cz = AddButton(bar, 19752, TButtonGadgetZv::Exclusive);
  TButtonGadgetZv& en = AddButton(bar, 19756, TButtonGadgetZv::Exclusive, TButtonGadgetZv::Down);
  bar.answers = {{19570, false, -1}, {19752, true, 1}};
  bar.IdleAction(0);
  EXPECT_FALSE(close.GetEnabled());
  EXPECT_EQ(cz.GetState(), TButtonGadgetZv::Down);
  EXPECT_EQ(en.GetState(), TButtonGadgetZv::Up);
  bar.answers = {{19570, true, -1}};
  bar.IdleAction(1);  // only the first idle call runs the pass
  EXPECT_FALSE(close.GetEnabled());
  bar.IdleAction(0);
  EXPECT_TRUE(close.GetEnabled());
}

TEST(ButtonGadget, SizesAndLayout) {
  RecordingBar bar;
  TButtonGadgetZv& withImage = AddButton(bar, 18920, TButtonGadgetZv::Command);
  // Image 16 x 16 + 1, and a border of one pixel whatever the style.
  EXPECT_EQ(withImage.GetDesiredSize(), (TSize{19, 19}));
  auto& noImage = AddButton(bar, 4242, TButtonGadgetZv::Command);
  EXPECT_EQ(noImage.GetImage(), nullptr);
  EXPECT_EQ(noImage.GetDesiredSize(), (TSize{19, 19}));
  TSeparatorGadgetZv gap0(0);
  EXPECT_EQ(gap0.GetDesiredSize(), (TSize{2 * GetSystemMetrics(kSmCxFrame), 2 * GetSystemMetrics(kSmCxFrame)}));
  EXPECT_EQ(gap0.GetDesiredSize().cx, 8);
  EXPECT_FALSE(gap0.GetEnabled());
  gap0.SetEnabled(true);
  EXPECT_FALSE(gap0.GetEnabled());
  // Gadgets follow each other from the left, centred across.
  EXPECT_EQ(withImage.GetBounds(), (TRect{2, 2, 21, 21}));
  EXPECT_EQ(noImage.GetBounds().left, 21);
  EXPECT_EQ(withImage.GetImagePosition(), (TPoint{3, 3}));
  const std::uint32_t list[] = {15932, 15102, 0};
  auto dropDown = TButtonGadgetZv::NewDropDownButtonGadget(list, nullptr);
  ASSERT_NE(dropDown, nullptr);
  EXPECT_EQ(dropDown->GetDesiredSize(), (TSize{28, 19}));
  dropDown->SetBounds({0, 0, 28, 19});
  // Centred in the inner rectangle less the 9-pixel strip.
  EXPECT_EQ(dropDown->GetImagePosition(), (TPoint{1, 1}));
  EXPECT_EQ(bar.GetDesiredSize(), (TSize{4 + 38, 4 + 19}));
}

TEST(ButtonGadget, ControlGadgetPlacesItsWindow) {
  RecordingBar bar;
  AddButton(bar, 18920, TButtonGadgetZv::Command);
  auto* box = new TWindow(&bar);  // owned by the bar, as a child
  box->Attr.W = 60;
  box->Attr.H = 23;
  bar.Insert(std::make_unique<TControlGadget>(*box));
  const TGadget& gadget = *bar.Gadgets().back();
  EXPECT_EQ(gadget.GetBounds(), (TRect{21, 2, 81, 25}));
  EXPECT_EQ(box->Attr.X, 21);
  EXPECT_EQ(box->Attr.Y, 2);
  // The taller window sets the row; the button is centred across it.
  EXPECT_EQ(bar.Gadgets().front()->GetBounds(), (TRect{2, 4, 21, 23}));
  EXPECT_EQ(bar.GetDesiredSize(), (TSize{4 + 19 + 60, 4 + 23}));
}

// Faces on the raster target: command button in each border style, greyed,
// exclusive down (image moved), a separator and a drop-down button.
TEST(ButtonGadget, FacesGolden) {
  RecordingBar bar;
  TButtonGadgetZv& plain = AddButton(bar, 15932, TButtonGadgetZv::Command);
  TButtonGadgetZv& raised = AddButton(bar, 18920, TButtonGadgetZv::Command);
  TButtonGadgetZv& sunken = AddButton(bar, 19516, TButtonGadgetZv::NonExclusive, TButtonGadgetZv::Down);
  TButtonGadgetZv& greyed = AddButton(bar, 19570, TButtonGadgetZv::Command);
  bar.Insert(std::make_unique<TSeparatorGadgetZv>(0));
  AddButton(bar, 19752, TButtonGadgetZv::Exclusive, TButtonGadgetZv::Down);
  const std::uint32_t list[] = {15102, 15932, 0};
  bar.Insert(TButtonGadgetZv::NewDropDownButtonGadget(list, nullptr));
  bar.LayoutSession();
  (void)plain;
  greyed.SetEnabled(false);
  bar.EvMouseMove(0, Centre(raised));
  const TSize size = bar.GetDesiredSize();
  std::vector<std::uint8_t> bits(std::size_t(size.cx) * std::size_t(size.cy) * 4);
  {
    std::unique_ptr<RasterDC> dc = RasterDC::Create(bits.data(), size.cx, size.cy);
    ASSERT_NE(dc, nullptr);
    bar.PaintGadgets(*dc, {0, 0, size.cx, size.cy});
    dc->Flush();
  }
  // The sunken button's top-left edge is the shadow colour.
  const TRect s = sunken.GetBounds();
  const std::uint8_t* p = &bits[(std::size_t(s.top) * std::size_t(size.cx) + std::size_t(s.left)) * 4];
  EXPECT_EQ(p[0], 0x80);
  EXPECT_EQ(p[2], 0x80);
  test::ExpectMatchesGolden(test::PictureFromBgra(bits.data(), size.cx, size.cy), "gadget_faces", 0);
}

}  // namespace
}  // namespace kvn
