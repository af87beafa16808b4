// A paint of the drawing window in slices: each slice stops where it is
// told to (before the next object, or cut short inside one by an aborted
// context, as a paint that gives way to input is) and the next goes on
// from there over the pixels the last left in the surface. Together they
// must draw what one paint draws, pixel for pixel, whatever the view
// (the whole chain walked, or the extent index's answer) and wherever the
// slices stop: between top-level objects, inside a block insert's
// children, or in the middle of an object.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "app/VectorWindow.h"
#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/LevelTable.h"
#include "model/ObjectChain.h"
#include "model/cBlock.h"
#include "model/cDrawingData.h"
#include "model/cInsert.h"
#include "model/cLine.h"
#include "render/GeometryServicesImpl.h"
#include "render/RasterSurface.h"
#include "render/SheetPainter.h"

namespace kvn {
namespace {

constexpr std::int32_t kWidth = 320;
constexpr std::int32_t kHeight = 240;

void Append(cBlock& block, cOutObj* object) {
  ObjectChain chain;
  chain.Append(object);
  block.AppendChain(std::move(chain));
}

cLine* Line(DPoint a, DPoint b, std::uint32_t color) {
  auto* line = new cLine();
  line->start = a;
  line->end = b;
  line->stroke.color = color;
  line->SetLevel(kNoLevel);
  return line;
}

// Top-level lines in three colours between 60 placements of a block of
// 600 lines, each placement turned: many thousand drawing operations, so
// that the abort procedure is reached many times in one paint.
std::unique_ptr<cDrawingDoc> Model() {
  InstallRendererGeometryServices();
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& model = *doc->GetSheet(0);
  model.Data()->Levels().InsertLevel(u"0", nullptr, 0);
  auto* block = new cBlock();
  for (int i = 0; i < 600; ++i)
    Append(*block, Line({std::cos(0.37 * i), std::sin(0.37 * i)}, {std::cos(0.37 * i + 2.1), std::sin(0.37 * i + 2.1)},
                        0x000000));
  const std::uint32_t index = model.Data()->AddBlock(block);
  for (int k = 0; k < 60; ++k) {
    for (int j = 0; j < 50; ++j) {
      const double x = 3.0 * (k % 20) + 0.05 * j, y = 3.0 * (k / 20);
      Append(model.TopBlock(), Line({x, y - 1.5}, {x + 1.0, y + 1.5}, j % 3 == 0 ? 0x0000FF : j % 3 == 1 ? 0x00FF00 : 0xFF0000));
    }
    auto* insert = new cInsert();
    insert->blockIndex = index;
    insert->point = {3.0 * (k % 20), 3.0 * (k / 20)};
    insert->angle = std::fmod(7.0 * k, 180.0);
    insert->SetLevel(0);
    Append(model.TopBlock(), insert);
  }
  model.Drawing().InvalidateSummary(0);
  return doc;
}

std::string Pixels(const cRasterSurface& surface) {
  surface.Flush();
  std::string out;
  for (std::int32_t y = 0; y < kHeight; ++y)
    out.append(reinterpret_cast<const char*>(surface.PixelAt(0, y)), std::size_t(kWidth) * 4);
  return out;
}

TEST(PaintSlices, GoOnWhereTheLastStoppedAndDrawWhatOnePaintDraws) {
  enum class Stop { kBetween, kCut, kBoth };
  struct View {
    const char* name;
    double scale;
    std::int32_t offsetX, offsetY;
  };
  // The whole drawing (the chain walked), and a corner of it (the index's
  // answer walked).
  const View views[] = {{"whole", 1.2, 20, 60}, {"corner", 6.0, -200, 20}};
  struct Row {
    const char* name;
    Stop stop;
    int every;  // stop at every this many calls of the abort procedure
  };
  const Row rows[] = {
      {"told to stop before the next object", Stop::kBetween, 1},
      {"told to stop now and then", Stop::kBetween, 3},
      {"cut short inside an object", Stop::kCut, 1},
      {"cut short now and then", Stop::kCut, 2},
      {"both ways in turn", Stop::kBoth, 1},
  };
  for (const View& view : views) {
    auto doc = Model();
    cVectorWindow window(doc.get(), 0, 0, nullptr);
    window.Mapping().scale = view.scale;
    window.Mapping().offsetX = view.offsetX;
    window.Mapping().offsetY = view.offsetY;
    window.SetClientRect(TRect{0, 0, kWidth, kHeight});
    const TRect paint{0, 0, kWidth, kHeight};
    cRasterSurface whole(false);
    ASSERT_TRUE(window.PaintInto(whole, paint));
    const std::string want = Pixels(whole);
    for (const Row& row : rows) {
      SCOPED_TRACE(std::string(view.name) + ", " + row.name);
      cRasterSurface surface(false);
      // Stale pixels from elsewhere: each slice but the first must leave
      // the page area as the first drew it.
      ASSERT_TRUE(window.PaintInto(surface, paint));
      window.Mapping().scale *= 1.5;
      ASSERT_TRUE(window.PaintInto(surface, paint));
      window.Mapping().scale = view.scale;
      ChainResume resume;
      int calls = 0, slices = 0;
      cVectorWindow::PaintEnd end = cVectorWindow::PaintEnd::kGaveWay;
      for (; end == cVectorWindow::PaintEnd::kGaveWay && slices < 100000; ++slices) {
        resume.stopWanted = false;
        end = window.PaintGivingWay(
            surface, paint,
            [&](TDC*, int) {
              if (++calls % row.every != 0) return true;
              const bool cut = row.stop == Stop::kCut || (row.stop == Stop::kBoth && calls / row.every % 2 == 0);
              if (cut) return false;
              resume.stopWanted = true;
              return true;
            },
            &resume);
      }
      EXPECT_EQ(end, cVectorWindow::PaintEnd::kDrawn) << "the paint never came to its end in " << slices << " slices";
      EXPECT_GT(slices, 2) << "the paint was hardly stopped: nothing of going on was tried";
      EXPECT_TRUE(Pixels(surface) == want) << "the slices drew other pixels than one paint after " << slices
                                           << " slices";
    }
  }
}

// The chain changed between two slices (an object added, as a window that
// is not told of a change would see it): the slices still end with what
// one paint of the changed drawing draws.
TEST(PaintSlices, AChainChangedBetweenSlicesEndsAsOnePaintOfItDraws) {
  auto doc = Model();
  cVectorWindow window(doc.get(), 0, 0, nullptr);
  window.Mapping().scale = 1.2;
  window.Mapping().offsetX = 20;
  window.Mapping().offsetY = 60;
  window.SetClientRect(TRect{0, 0, kWidth, kHeight});
  const TRect paint{0, 0, kWidth, kHeight};
  cRasterSurface surface(false);
  ChainResume resume;
  int calls = 0;
  auto stopNow = [&](TDC*, int) { return ++calls % 2 != 0; };
  ASSERT_EQ(window.PaintGivingWay(surface, paint, stopNow, &resume), cVectorWindow::PaintEnd::kGaveWay);
  // A wide line across what the first slice drew, and a short one.
  cSheet& sheet = *doc->GetSheet(0);
  Append(sheet.TopBlock(), Line({0, 0}, {57, 6}, 0x00FFFF));
  sheet.Drawing().InvalidateSummary(0);
  cVectorWindow::PaintEnd end = cVectorWindow::PaintEnd::kGaveWay;
  for (int slices = 0; end == cVectorWindow::PaintEnd::kGaveWay && slices < 100000; ++slices)
    end = window.PaintGivingWay(surface, paint, stopNow, &resume);
  ASSERT_EQ(end, cVectorWindow::PaintEnd::kDrawn);
  cRasterSurface whole(false);
  ASSERT_TRUE(window.PaintInto(whole, paint));
  EXPECT_TRUE(Pixels(surface) == Pixels(whole)) << "the slices after the change drew other pixels than one paint";
}

}  // namespace
}  // namespace kvn
