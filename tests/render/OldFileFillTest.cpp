// Records of old files through the renderer's services: walls before 3050
// that look alike share one new wall style, and the combined fill kinds
// before 3053 draw as the built-in hatches they stand for.
#include <gtest/gtest.h>

#include <vector>

#include "model/cDrawingData.h"
#include "model/cRectangle.h"
#include "model/cStyleWall.h"
#include "model/cWall.h"
#include "render/DrawInfo.h"
#include "render/GeometryServicesImpl.h"
#include "render/PenCache.h"
#include "render/RasterSurface.h"
#include "tests/support/RecordFixtures.h"

namespace kvn {
namespace {

// A wall record of version 3049: header, own line and fill part, float
// points, the old thickness, offsets and flags.
std::vector<std::uint8_t> OldWall(double thickness, std::uint32_t color) {
  return test::Archive([&](ArchiveWriter& w) {
    test::WriteHeaderAt(w, 3049, test::HeaderFixture{});
    test::LinePartFixture line;
    line.color = color;
    test::WriteLinePartAt(w, 3049, line);
    test::FillPartFixture fill;
    fill.hatchKind = 4;  // old kind: hatch 3 over white
    fill.fillColor = 0;
    test::WriteFillPartAt(w, 3049, fill);
    test::WriteFloatPoint(w, 0, 0);
    test::WriteFloatPoint(w, 10, 0);
    test::WriteFloat(w, thickness);
    for (int i = 0; i < 4; ++i) test::WriteFloat(w, 0);
    w.WriteByte(0);
  });
}

TEST(OldFileFill, LikeWallsOfVersion3049ShareOneNewWallStyle) {
  InstallRendererGeometryServices();
  auto* data = new cDrawingData();
  data->AddRef();
  std::uint16_t styles[3];
  const std::vector<std::uint8_t> records[3] = {OldWall(1.5, 0xFF), OldWall(1.5, 0xFF), OldWall(1.5, 0xFF00)};
  for (int i = 0; i < 3; ++i) {
    cWall wall;
    test::MemoryArchive a(records[i]);
    wall.Read(nullptr, data, a.Reader(), 3049);
    EXPECT_FALSE(a.Reader().HasError());
    styles[i] = wall.wallStyle;
  }
  EXPECT_EQ(styles[0], 0);
  EXPECT_EQ(styles[1], 0);
  EXPECT_EQ(styles[2], 1);
  ASSERT_EQ(data->WallStyles().Count(), 2u);
  const cStyleWall* style = data->WallStyles().Get(0);
  EXPECT_EQ(style->thickness, 3.0);
  EXPECT_EQ(style->attributes.color, 0xFFu);
  EXPECT_EQ(style->attributes.hatchKind, 3);
  EXPECT_EQ(style->name.ToUtf8().rfind("3 L(", 0), 0u) << style->name.ToUtf8();
  data->Release();
}

std::vector<std::uint32_t> Draw(cRectangle& r) {
  cRasterSurface surface(true);
  surface.Prepare(TRect{0, 0, 60, 60});
  surface.FillRect(0, 0, 60, 60, 0xFFFFFFFF);
  surface.SetAntiAliasMode(1);
  WorldMapping m;
  m.scale = 1.0;
  m.deviceClip = {0, 0, 60, 60};
  cDrawInfo info(m, nullptr, nullptr, &surface);
  r.Draw(&info);
  return std::vector<std::uint32_t>(surface.PixelAt(0, 0), surface.PixelAt(0, 0) + 60 * 60);
}

TEST(OldFileFill, CombinedFillKindsOf3052DrawAsBuiltinHatches) {
  InstallRendererGeometryServices();
  ResetPenCache();
  for (std::uint8_t oldKind : {2, 4, 7, 20}) {
    SCOPED_TRACE(int(oldKind));
    cRectangle old;
    test::MemoryArchive a([&](ArchiveWriter& w) {
      test::FillPartFixture fill;
      fill.hatchKind = oldKind;
      fill.fillColor = 0x00FF0000;  // the hatch colour of the old kinds
      test::WriteFillPartAt(w, 3052, fill);
    });
    old.ReadFillPart(nullptr, a.Reader(), 3052);
    EXPECT_EQ(old.fill.hatchKind, oldKind - 1);

    // The same area written today: a white solid layer and the hatch.
    cRectangle now;
    now.fill.fillColor = 0x00FFFFFF;
    now.fill.hatchColor = 0x00FF0000;
    now.fill.hatchValue = old.fill.hatchValue;
    now.fill.hatchScale = old.fill.hatchScale;
    for (cRectangle* r : {&old, &now}) {
      r->corner1 = {1, 1};
      r->corner2 = {13, 13};
      r->stroke.lineType = 0;
      r->MarkDirty();
    }
    now.fill.hatchKind = std::uint8_t(oldKind - 1);
    const std::vector<std::uint32_t> a1 = Draw(old), a2 = Draw(now);
    EXPECT_EQ(a1, a2);
    int hatch = 0;
    for (std::uint32_t p : a1) hatch += (p & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(hatch, 20);
    EXPECT_EQ(a1[std::size_t(56 * 60 + 56)] & 0xFFFFFF, 0xFFFFFFu);  // outside the area
  }
}

}  // namespace
}  // namespace kvn
