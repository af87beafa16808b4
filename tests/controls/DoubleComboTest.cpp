// The number combo without a display: the field shows value / factor, a
// typed text is read back times the factor when asked or when the field
// loses the focus, an empty field is "no number".
#include "controls/DoubleCombo.h"

#include <gtest/gtest.h>

#include "platform/ui/Controls.h"
#include "platform/ui/Messages.h"
#include "platform/ui/Window.h"

namespace kvn {
namespace {

TEST(DoubleCombo, ShowsValueOverFactorAndReadsTypedTextTimesIt) {
  TWindow parent(nullptr);
  auto* combo = new TComboBox_double(&parent, 1010, 1);
  combo->SetValue(2500, 1000);
  EXPECT_EQ(combo->GetText().ToUtf8(), "2.5");
  EXPECT_FALSE(combo->IsDirty());

  // Typing marks the field; leaving it reads and rewrites it.
  combo->SetText(WString(u"3"));
  combo->Notify(kCbnEditChange);
  EXPECT_TRUE(combo->IsDirty());
  combo->HandleMessage(kWmKillFocus, 0, 0);
  EXPECT_FALSE(combo->IsDirty());
  EXPECT_DOUBLE_EQ(combo->GetValue(false), 3000);
  EXPECT_EQ(combo->GetText().ToUtf8(), "3");

  // An emptied field: no number, value 0.
  combo->SetText(WString(u"  "));
  combo->Notify(kCbnEditChange);
  EXPECT_DOUBLE_EQ(combo->GetValue(false), 0);
  EXPECT_TRUE(combo->IsEmpty());

  // A factor not above 0 counts as 1; Clear empties.
  combo->SetValue(7, 0);
  EXPECT_EQ(combo->GetText().ToUtf8(), "7");
  EXPECT_FALSE(combo->IsEmpty());
  combo->Clear();
  EXPECT_TRUE(combo->IsEmpty());
  EXPECT_TRUE(combo->GetText().IsEmpty());
}

}  // namespace
}  // namespace kvn
