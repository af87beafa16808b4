// Dialog templates and placement arithmetic: dialog units to pixels, the
// templates the program carries, and where a translated dialog centres itself.
#include <gtest/gtest.h>

#include <set>

#include "controls/DialogTr.h"
#include "platform/ui/DialogTemplate.h"

namespace kvn {
namespace {

TEST(DialogLayoutTest, DialogUnitsRoundAsMapDialogRect) {
  // Base units 7 x 16: x * 7 / 4, y * 16 / 8.
  EXPECT_EQ(DialogUnitsToPixels(TRect{7, 9, 57, 21}, 7, 16), (TRect{12, 18, 100, 42}));
  EXPECT_EQ(DialogUnitsToPixelsX(2, 6), 3);   // 3.0
  EXPECT_EQ(DialogUnitsToPixelsX(1, 6), 2);   // 1.5 rounds up
  EXPECT_EQ(DialogUnitsToPixelsX(-1, 6), -2);  // halves away from zero
  EXPECT_EQ(DialogUnitsToPixelsY(3, 13), 5);  // 4.875
  // No overflow for the largest template values and large base units.
  EXPECT_EQ(DialogUnitsToPixelsX(32767, 1 << 20), 2147483647);
}

TEST(DialogLayoutTest, BuiltInTemplatesAreWellFormed) {
  ASSERT_FALSE(AllDialogTemplates().empty());
  std::set<int> ids;
  for (const DialogTemplateData& t : AllDialogTemplates()) {
    EXPECT_TRUE(ids.insert(t.id).second) << "dialog " << t.id << " twice";
    std::set<int> controls;
    for (const DialogControlData& c : t.Controls()) {
      if (c.id != -1) {
        EXPECT_TRUE(controls.insert(c.id).second) << "dialog " << t.id << " control " << c.id;
      }
      EXPECT_LE(c.x + c.cx, t.cx);
      EXPECT_LE(c.y + c.cy, t.cy);
    }
  }
  const DialogTemplateData* test = FindDialogTemplate(29990);
  ASSERT_NE(test, nullptr);
  const DialogControlData* ok = test->FindControl(1);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->cls, DialogControlClass::Button);
  EXPECT_EQ(ok->style & kBsTypeMask, kBsDefPushButton);
  // Texts are language tokens of the table lines.
  EXPECT_EQ(WString(test->caption).Mid(0, 6), WString(u"~0A820"));
  EXPECT_EQ(test->FindControl(-1), nullptr);
  EXPECT_EQ(FindDialogTemplate(4), nullptr);
}

TEST(DialogLayoutTest, TemplatesCanBeReplacedForATest) {
  static const DialogControlData controls[] = {{DialogControlClass::Edit, 5, u"", 1, 1, 20, 10, 0}};
  static const DialogTemplateData templates[] = {{77, u"x", 50, 20, 0, controls, 1}};
  {
    ScopedDialogTemplates scope(templates);
    EXPECT_EQ(AllDialogTemplates().size(), 1u);
    ASSERT_NE(FindDialogTemplate(77), nullptr);
    EXPECT_EQ(FindDialogTemplate(29990), nullptr);
  }
  EXPECT_NE(FindDialogTemplate(29990), nullptr);
}

TEST(DialogLayoutTest, CentreFlagUsesTheParentOrTheWorkArea) {
  DialogPlacement in;
  in.centerFlag = true;
  in.workArea = TRect{0, 0, 1280, 1000};
  EXPECT_EQ(ComputeDialogPlacement(in), (TPoint{640, 500}));
  in.hasParent = true;
  in.parentRect = TRect{100, 50, 501, 351};
  EXPECT_EQ(ComputeDialogPlacement(in), (TPoint{300, 200}));
}

TEST(DialogLayoutTest, ClampPointStaysTenPixelsInsideTheParent) {
  DialogPlacement in;
  in.hasParent = true;
  in.parentRect = TRect{100, 100, 500, 400};
  const TPoint outside{900, 20};
  in.clamp = &outside;
  EXPECT_EQ(ComputeDialogPlacement(in), (TPoint{490, 110}));
  const TPoint inside{300, 250};
  in.clamp = &inside;
  EXPECT_EQ(ComputeDialogPlacement(in), inside);
  // The position point alone; with a clamp point as well the clamp wins.
  const TPoint position{5, 6};
  in.position = &position;
  in.clamp = nullptr;
  EXPECT_EQ(ComputeDialogPlacement(in), position);
  in.clamp = &outside;
  EXPECT_EQ(ComputeDialogPlacement(in), (TPoint{490, 110}));
  // Without a parent a clamp point means nothing.
  in.hasParent = false;
  in.position = nullptr;
  EXPECT_FALSE(ComputeDialogPlacement(in).has_value());
}

}  // namespace
}  // namespace kvn
