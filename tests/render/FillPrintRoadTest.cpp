// The hatch layer on printers and metafiles, as the recording device sees
// it: the area becomes the clip, every hatch segment is one line, and the
// clip goes back to the print rectangle (or none); tiles and families too
// fine for the device fall back to a solid fill in the hatch colour; the
// solid layer's opacity goes through AlphaBlend unless the context fills
// opaque.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "model/DrawAttributes.h"
#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "model/cStyleFill.h"
#include "platform/gdi/RecordingDC.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"

namespace kvn {
namespace {

using Log = std::vector<std::string>;

int Count(const Log& log, const std::string& prefix) {
  return int(std::count_if(log.begin(), log.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; }));
}

std::ptrdiff_t Find(const Log& log, const std::string& prefix, std::size_t from = 0) {
  for (std::size_t i = from; i < log.size(); ++i)
    if (log[i].rfind(prefix, 0) == 0) return std::ptrdiff_t(i);
  return -1;
}

struct PrintRoad {
  explicit PrintRoad(OutputMode mode, double dy = 2.5) {
    InstallRendererGeometryServices();
    ResetPenCache();
    auto style = std::make_unique<cStyleFill>();
    style->hatchKind = kSymbolHatch;
    style->hatchColor = Rgb(0, 0, 255);
    HatchLine line;
    line.params[1] = dy;  // horizontal lines dy apart
    style->hatchLines.push_back(line);
    styleIndex = data.FillStyles().Add(std::move(style));
    mapping.scale = 1.0;
    mapping.outputMode = mode;
    mapping.deviceClip = {0, 0, 200, 200};
  }
  std::unique_ptr<cRectangle> Area(bool familyStyle) {
    auto r = std::make_unique<cRectangle>();
    r->corner1 = {1, 1};
    r->corner2 = {11, 11};
    r->stroke.lineType = 0;
    r->fill.hatchColor = Rgb(0, 0, 255);
    if (familyStyle) {
      DrawAttributes look;
      look.fillStyle = styleIndex;
      look.fillColor = 0x80000000;
      look.hatchColor = Rgb(0, 0, 255);
      look.ApplyFillTo(*r, r->fill);
    }
    r->MarkDirty();
    return r;
  }
  cDrawingData data;
  std::uint16_t styleIndex = 0;
  WorldMapping mapping;
  RecordingDC dc;
};

TEST(FillPrintRoad, FamiliesClipToTheAreaAndDrawOneLinePerSegment) {
  for (OutputMode mode : {OutputMode::DirectPrinter, OutputMode::Metafile}) {
    PrintRoad road(mode);
    cDrawInfo info(road.mapping, &road.data, &road.dc, nullptr);
    road.dc.Clear();
    road.Area(true)->Draw(&info);
    const Log& log = road.dc.calls;
    SCOPED_TRACE(road.dc.Text());
    const std::ptrdiff_t set = Find(log, "SelectClipRgn rgn[(4,4,44,44)]");
    ASSERT_GE(set, 0);
    const std::ptrdiff_t reset = Find(log, "SelectClipRgn NULL", std::size_t(set));
    ASSERT_GT(reset, set);
    // Lines at y = 2.5, 5, 7.5 and 10 cross the box (4 to 44 device units),
    // each one line of the thinnest pen in the hatch colour.
    const Log between(log.begin() + set + 1, log.begin() + reset);
    EXPECT_EQ(between, (Log{"SelectObject pen(PS_SOLID geometric 1 RGB(0,0,255))", "Polyline (4,10) (44,10)",
                            "Polyline (4,20) (44,20)", "Polyline (4,30) (44,30)", "Polyline (4,40) (44,40)"}));
    EXPECT_EQ(Count(between, "FillPath") + Count(between, "AlphaBlend"), 0);
  }
}

TEST(FillPrintRoad, ThePrintRectangleIsTheClipAfterwards) {
  PrintRoad road(OutputMode::DirectPrinter);
  const DeviceRect print{0, 0, 150, 150};
  cDrawInfo info(road.mapping, &road.data, &road.dc, nullptr);
  info.printRecord = &print;
  road.dc.Clear();
  road.Area(true)->Draw(&info);
  SCOPED_TRACE(road.dc.Text());
  const std::ptrdiff_t set = Find(road.dc.calls, "SelectClipRgn rgn[(4,4,44,44)]");
  ASSERT_GE(set, 0);
  EXPECT_GT(Find(road.dc.calls, "SelectClipRgn rgn[(0,0,150,150)]", std::size_t(set)), set);
}

TEST(FillPrintRoad, AOneUnitTileAndADenseFamilyPrintSolid) {
  {
    PrintRoad road(OutputMode::DirectPrinter);
    cDrawInfo info(road.mapping, &road.data, &road.dc, nullptr);
    auto area = road.Area(false);
    area->fill.hatchKind = 1;
    area->fill.hatchScale = 0.1;  // a tile of 2.5 x 0.1 world units: one device unit
    road.dc.Clear();
    area->Draw(&info);
    SCOPED_TRACE(road.dc.Text());
    EXPECT_EQ(Count(road.dc.calls, "SelectClipRgn"), 0);
    EXPECT_EQ(Count(road.dc.calls, "FillPath"), 1);
    EXPECT_EQ(Count(road.dc.calls, "LineTo"), 4);  // the path of the solid area
  }
  {
    PrintRoad road(OutputMode::Metafile, 0.1);  // 0.4 device units apart
    cDrawInfo info(road.mapping, &road.data, &road.dc, nullptr);
    road.dc.Clear();
    road.Area(true)->Draw(&info);
    SCOPED_TRACE(road.dc.Text());
    // The clip is set and reset around the family that gives up, then the
    // area is filled solid.
    EXPECT_EQ(Count(road.dc.calls, "Polyline"), 0);
    const std::ptrdiff_t reset = Find(road.dc.calls, "SelectClipRgn NULL");
    ASSERT_GE(reset, 0);
    EXPECT_GT(Find(road.dc.calls, "FillPath", std::size_t(reset)), reset);
  }
}

TEST(FillPrintRoad, HalfOpacityBlendsUnlessTheContextFillsOpaque) {
  for (bool opaque : {false, true}) {
    PrintRoad road(OutputMode::DirectPrinter);
    cDrawInfo info(road.mapping, &road.data, &road.dc, nullptr);
    info.opaqueFill = opaque ? 1 : 0;
    auto area = road.Area(false);
    area->fill.fillColor = Rgb(255, 0, 0);
    area->fill.opacity = 128;
    road.dc.Clear();
    area->Draw(&info);
    SCOPED_TRACE(road.dc.Text());
    EXPECT_EQ(Count(road.dc.calls, "AlphaBlend"), opaque ? 0 : 1);
    EXPECT_EQ(Count(road.dc.calls, "FillPath"), opaque ? 1 : 0);
  }
}

}  // namespace
}  // namespace kvn
