// A drawing rendered to fit a box: the box filled along the drawing's longer
// side, turned when that fills more, and nothing for a drawing without an
// extent.
#include "print/export/MakeDrawingPreview.h"

#include <gtest/gtest.h>

#include <limits>

#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cDrawingData.h"
#include "model/cLine.h"

namespace kvn {
namespace {

void AddLine(cSheet& sheet, DPoint a, DPoint b) {
  auto* line = new cLine;
  const DPoint points[2] = {a, b};
  line->SetPoints(points, 2);
  ObjectChain chain;
  chain.Append(line);
  sheet.TopBlock().AppendChain(std::move(chain));
}

TEST(DrawingPreview, FillsTheBoxAndTurnsWhenThatFillsMore) {
  cSheet sheet;
  AddLine(sheet, {0, 0}, {200, 100});  // twice as wide as high
  PreviewOptions options;
  auto wide = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 100, 100, options);
  ASSERT_NE(wide, nullptr);
  EXPECT_NEAR(wide->Width(), 100, 1);
  EXPECT_NEAR(wide->Height(), 50, 1);

  // A tall box: plain, the width limits; turned, the drawing fills it.
  auto plain = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 60, 200, options);
  ASSERT_NE(plain, nullptr);
  EXPECT_NEAR(plain->Width(), 60, 1);
  EXPECT_NEAR(plain->Height(), 30, 1);
  options.allowTurn = true;
  auto turned = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 60, 200, options);
  ASSERT_NE(turned, nullptr);
  EXPECT_NEAR(turned->Width(), 60, 1);
  EXPECT_NEAR(turned->Height(), 120, 1);

  // Margins come off every side; the picture keeps them around the drawing.
  options.allowTurn = false;
  options.margin = 5;
  auto framed = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 110, 110, options);
  ASSERT_NE(framed, nullptr);
  EXPECT_NEAR(framed->Width(), 110, 1);
  options.monochrome = true;
  auto mono = MakeDrawingPreview(sheet.Drawing(), sheet.Data(), &sheet.TopBlock(), 100, 100, options);
  ASSERT_NE(mono, nullptr);
  EXPECT_EQ(mono->BitCount(), 1);
}

TEST(DrawingPreview, NoExtentGivesNoPicture) {
  cSheet empty;
  EXPECT_EQ(MakeDrawingPreview(empty.Drawing(), empty.Data(), &empty.TopBlock(), 100, 100, PreviewOptions{}),
            nullptr);
  cSheet broken;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  AddLine(broken, {nan, 0}, {10, 10});
  EXPECT_EQ(MakeDrawingPreview(broken.Drawing(), broken.Data(), &broken.TopBlock(), 100, 100, PreviewOptions{}),
            nullptr);
}

}  // namespace
}  // namespace kvn

#include "model/BlockPicture.h"
#include "model/cBlock.h"
#include "model/cRectangle.h"
#include "print/export/BlockPicturePainter.h"

namespace kvn {
namespace {

TEST(BlockPicture, TheBlockFillsAPictureOfExactlyTheSizeAsked) {
  cSheet sheet;
  cDrawingData& data = *sheet.Data();
  cBlock& block = sheet.TopBlock();
  auto* square = new cRectangle;
  const DPoint corners[2] = {{0, 0}, {10, 10}};
  square->SetPoints(corners, 2);
  square->stroke.color = 0x000000;
  ObjectChain chain;
  chain.Append(square);
  block.AppendChain(std::move(chain));
  InstallBlockPicturePainter();
  std::unique_ptr<BlockPicture> picture = RenderBlockToDib(&data, &block, 100, 60, 0xFFFFFF);
  SetRenderBlockToDib(nullptr);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->width, 100);
  EXPECT_EQ(picture->height, 60);
  // The square's outline is ink, its corners of the picture paper.
  EXPECT_EQ(picture->GetPixelColor(0, 0), 0xFFFFFFu);
  int ink = 0;
  for (std::uint32_t c : picture->pixels) ink += (c & 0xFFFFFF) != 0xFFFFFF;
  EXPECT_GT(ink, 100);
  // Centred: the outline's left and right columns lie at the same distance
  // from the picture's sides.
  int left = -1, right = -1;
  for (int x = 0; x < 100; ++x)
    if (picture->GetPixelColor(x, 30) != 0xFFFFFF) (left < 0 ? left : right) = x;
  EXPECT_NEAR(left, 99 - right, 2);

  cBlock empty;
  EXPECT_EQ(PaintBlockPicture(&data, &empty, 100, 100, 0xFFFFFF), nullptr);
}

}  // namespace
}  // namespace kvn
