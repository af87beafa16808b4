// The dialog library's support routines that need no display: the page
// mapping of a device context and the folder text of a field.
#include <gtest/gtest.h>

#include "controls/DialogSupport.h"
#include "platform/gdi/RecordingDC.h"
#include "platform/gdi/Region.h"

namespace kvn {
namespace {

TEST(PageMapping, A4At600DpiAndTheCallsInOrder) {
  const TSize a4 = PageSizeInDots(210, 297, 600);
  EXPECT_EQ(a4.cx, 4961);
  EXPECT_EQ(a4.cy, 7016);

  RecordingDC dc;
  dc.SetViewportOrg(5, 6);
  dc.SetWindowOrg(7, 8);
  const TRegion clip(TRect{0, 0, 100, 140});
  SetPageMapping(dc, TRect{10, 20, 110, 160}, &clip, 210, 297, 600);
  EXPECT_EQ(dc.GetMapMode(), kMmAnisotropic);
  EXPECT_EQ(dc.GetViewportExt(), (TSize{100, 140}));
  EXPECT_EQ(dc.GetWindowExt(), (TSize{4961, 7016}));
  EXPECT_EQ(dc.GetViewportOrg(), (TPoint{0, 0}));
  EXPECT_EQ(dc.GetWindowOrg(), (TPoint{0, 0}));
  // The clip comes last.
  EXPECT_NE(dc.calls.back().find("SelectClipRgn rgn[(0,0,100,140)]"), std::string::npos) << dc.Text();

  // Without a clip: the viewport extent the context has stays.
  dc.Clear();
  SetPageMappingNoClip(dc, 100, 50, 254);
  EXPECT_EQ(dc.GetViewportExt(), (TSize{100, 140}));
  EXPECT_EQ(dc.GetWindowExt(), (TSize{1000, 500}));
  for (const std::string& call : dc.calls) EXPECT_EQ(call.find("SelectClipRgn"), std::string::npos);

  dc.SetViewportOrg(3, 3);
  ResetMappingOrigins(dc);
  EXPECT_EQ(dc.GetViewportOrg(), (TPoint{0, 0}));
}

TEST(FolderField, InsideTheProgramFolderBecomesRelative) {
  const WString program(u"/opt/kvn/");
  EXPECT_EQ(FolderFieldText(WString(u"/opt/kvn/fonts/"), program).ToUtf8(), "fonts/");
  EXPECT_EQ(FolderFieldText(WString(u"/OPT/KVN/Fonts/"), program).ToUtf8(), "Fonts/");
  EXPECT_EQ(FolderFieldText(WString(u"/home/u/fonts/"), program).ToUtf8(), "/home/u/fonts/");
  EXPECT_EQ(FolderFieldText(WString(u"/opt/"), program).ToUtf8(), "/opt/");
}

}  // namespace
}  // namespace kvn
