// The drawing window's page commands, their enablers and keys, and the pan
// with a held button, driven by messages without a display.
#include <gtest/gtest.h>

#include <memory>

#include "app/CommandIds.h"
#include "app/VectorWindow.h"
#include "document/cDrawing.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "platform/ui/CommandEnabler.h"
#include "platform/ui/Messages.h"

namespace kvn {
namespace {

// Sheet 0 paged with three pages, sheet 1 unpaged: four page entries.
std::unique_ptr<cDrawingDoc> FourPages() {
  auto doc = std::make_unique<cDrawingDoc>();
  auto paged = std::make_unique<cSheet>();
  paged->Drawing().paged = true;
  for (int i = 0; i < 3; ++i) paged->Drawing().AppendPage(PageRecord{});
  doc->AddSheet(std::move(paged));
  doc->AddSheet(std::make_unique<cSheet>());
  return doc;
}

bool Enabled(cVectorWindow& w, std::uint32_t id) {
  TCommandEnabler ce(id);
  TEventInfo info(kWmCommandEnable, id);
  EXPECT_TRUE(w.Find(info));
  w.Dispatch(info, 0, reinterpret_cast<TParam2>(&ce));
  return ce.IsEnabled();
}

TParam2 At(int x, int y) { return TParam2(std::uint32_t(std::uint16_t(x)) | (std::uint32_t(std::uint16_t(y)) << 16)); }

TEST(VectorWindowPages, CommandsKeysAndEnablersWalkEveryPageAndStopAtTheEnds) {
  auto doc = FourPages();
  ASSERT_EQ(doc->GetPageEntryCount(), 4u);
  cVectorWindow w(doc.get(), 0, 0, nullptr);
  w.SetClientRect(TRect{0, 0, 200, 100});
  EXPECT_FALSE(Enabled(w, kCmPagePrevious));
  EXPECT_TRUE(Enabled(w, kCmPageNext));
  w.HandleMessage(kWmKeyDown, kVkPrior, 0);  // PgUp on the first page changes nothing
  EXPECT_EQ(w.GetPageNumber(), 0u);
  w.HandleMessage(kWmCommand, kCmPageNext, 0);
  EXPECT_EQ(w.GetPageNumber(), 1u);
  EXPECT_TRUE(Enabled(w, kCmPagePrevious));
  w.HandleMessage(kWmKeyDown, kVkNext, 0);
  w.HandleMessage(kWmKeyDown, kVkNext, 0);  // the unpaged sheet is the last entry
  EXPECT_EQ(w.GetPageNumber(), 3u);
  EXPECT_EQ(w.GetSheetIndex(), 1u);
  EXPECT_FALSE(Enabled(w, kCmPageNext));
  w.HandleMessage(kWmKeyDown, kVkNext, 0);  // PgDn on the last page changes nothing
  EXPECT_EQ(w.GetPageNumber(), 3u);
  w.HandleMessage(kWmKeyDown, kVkPrior, 0);
  EXPECT_EQ(w.GetPageNumber(), 2u);
  EXPECT_EQ(w.GetBlockIndex(), 2u);

  // A private sheet is shown alone: both disabled.
  w.SetPrivateSheet(std::make_unique<cSheet>());
  EXPECT_FALSE(Enabled(w, kCmPagePrevious));
  EXPECT_FALSE(Enabled(w, kCmPageNext));
}

TEST(VectorWindowPages, EditorCommandsAreSwallowed) {
  auto doc = FourPages();
  cVectorWindow w(doc.get(), 0, 0, nullptr);
  for (std::uint32_t id : {299u, 15475u, 15099u, 15870u}) {
    TEventInfo info(kWmCommand, id);
    EXPECT_TRUE(w.Find(info)) << id;
  }
}

TEST(VectorWindowPan, OffsetsFollowEveryMoveUntilTheReleaseOrALostButton) {
  auto doc = FourPages();
  // An A4 page at 8 pixels per millimetre: far larger than the client, so
  // that no axis is held still by fitting.
  doc->GetSheet(0)->Drawing().formatSize = {297.0, 210.0};
  cVectorWindow w(doc.get(), 0, 0, nullptr);
  w.SetClientRect(TRect{0, 0, 400, 300});
  w.Mapping().scale = 2.0;
  w.Mapping().offsetX = -500;
  w.Mapping().offsetY = -400;
  const std::int32_t ox = w.Mapping().offsetX, oy = w.Mapping().offsetY;
  w.HandleMessage(kWmLButtonDown, kMkLButton, At(100, 80));
  ASSERT_TRUE(w.IsPanning());
  w.HandleMessage(kWmMouseMove, kMkLButton, At(130, 70));
  EXPECT_EQ(w.Mapping().offsetX, ox + 30);
  EXPECT_EQ(w.Mapping().offsetY, oy - 10);
  // Coordinates are signed: a move left of the window (captured) pans too.
  w.HandleMessage(kWmMouseMove, kMkLButton, At(-20, 80));
  EXPECT_EQ(w.Mapping().offsetX, ox - 120);
  EXPECT_EQ(w.Mapping().offsetY, oy);
  // The middle button's release does not end a left-button pan.
  w.HandleMessage(kWmMButtonUp, 0, At(0, 0));
  EXPECT_TRUE(w.IsPanning());
  // The release ends the pan at its own point, past the last move.
  w.HandleMessage(kWmLButtonUp, 0, At(-30, 85));
  EXPECT_FALSE(w.IsPanning());
  EXPECT_EQ(w.Mapping().offsetX, ox - 130);
  EXPECT_EQ(w.Mapping().offsetY, oy + 5);
  const std::int32_t after = w.Mapping().offsetX;
  w.HandleMessage(kWmMouseMove, 0, At(300, 80));  // moves without a pan leave the view alone
  EXPECT_EQ(w.Mapping().offsetX, after);

  // Middle button: a move without the button (its release went elsewhere)
  // ends the pan without moving.
  w.HandleMessage(kWmMButtonDown, kMkMButton, At(50, 50));
  ASSERT_TRUE(w.IsPanning());
  w.HandleMessage(kWmMouseMove, kMkMButton, At(60, 55));
  EXPECT_EQ(w.Mapping().offsetX, after + 10);
  w.HandleMessage(kWmMouseMove, kMkLButton, At(90, 90));
  EXPECT_FALSE(w.IsPanning());
  EXPECT_EQ(w.Mapping().offsetX, after + 10);
  // Such a move may be one handled after the release (the toolkit reads the
  // button late): the release that follows still sets the last offset, once.
  w.HandleMessage(kWmLButtonUp, 0, At(0, 0));  // not the pan's button
  EXPECT_EQ(w.Mapping().offsetX, after + 10);
  w.HandleMessage(kWmMButtonUp, 0, At(95, 50));
  EXPECT_EQ(w.Mapping().offsetX, after + 45);
  w.HandleMessage(kWmMButtonUp, 0, At(120, 50));
  EXPECT_EQ(w.Mapping().offsetX, after + 45);

  // Losing the capture ends it too.
  w.HandleMessage(kWmMButtonDown, kMkMButton, At(50, 50));
  w.HandleMessage(kWmCaptureChanged, 0, TParam2(0x1234));  // another window's
  EXPECT_FALSE(w.IsPanning());
}

}  // namespace
}  // namespace kvn

#include "app/LevelCombo.h"

namespace kvn {
namespace {

TEST(LevelRow, ColumnsAreElevenPixelsFromTheRowsLeftEdge) {
  const TRect row{100, 20, 300, 36};
  EXPECT_EQ(LevelColumnAt(row, TPoint{100, 20}), 1);
  EXPECT_EQ(LevelColumnAt(row, TPoint{110, 36}), 1);
  EXPECT_EQ(LevelColumnAt(row, TPoint{111, 28}), 2);
  EXPECT_EQ(LevelColumnAt(row, TPoint{122, 28}), 3);
  EXPECT_EQ(LevelColumnAt(row, TPoint{143, 28}), 4);
  EXPECT_EQ(LevelColumnAt(row, TPoint{99, 28}), 0);   // left of the row
  EXPECT_EQ(LevelColumnAt(row, TPoint{105, 19}), 0);  // above
  EXPECT_EQ(LevelColumnAt(row, TPoint{105, 37}), 0);  // below
}

}  // namespace
}  // namespace kvn
