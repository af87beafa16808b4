#include "text/GlyphOutline.h"

#include <memory>
#include <vector>

#include "model/FilledLists.h"
#include "model/Geometry.h"
#include "model/ObjectChain.h"
#include "model/ObjectTypes.h"
#include "model/TrueTypeFace.h"
#include "model/cPolygon.h"
#include "model/cRectangle.h"
#include "render/DrawInfo.h"
#include "text/GlyphPolygons.h"

namespace kvn {

namespace {

constexpr std::uint8_t kTemplateFlags = kFlagStored | kFlagHidden;

// The filled template of glyphs: the glyph colour as fill, no line.
void PrepareTemplate(cAnyFill& shape, std::uint32_t color, std::uint16_t level, const cOutObj* templ) {
  shape.fill.fillColor = color & 0x00FFFFFF;
  shape.stroke.lineType = 0;
  shape.SetLevel(level);
  if (templ) {
    shape.SetFlag(kTemplateFlags, false);
    shape.SetFlag(std::uint8_t(templ->Flags() & kTemplateFlags), true);
    shape.CopyPages(*templ);
  }
}

DPoint Place(const FixPoint& p, const GlyphPlacement& g) {
  DPoint q{p.x / 65536.0 * g.widthFactor * g.size, (g.ascent - p.y / 65536.0) * g.size};
  if (g.mirrorX) q.x = -q.x;
  if (g.mirrorY) q.y = -q.y;
  RotatePoint(q, DPoint{0, 0}, -g.angle);
  return DPoint{q.x + g.origin.x, q.y + g.origin.y};
}

}  // namespace

void DrawGlyphOutline(FontGlyph& glyph, cDrawInfo* info, ObjectChain* out, const GlyphPlacement& g) {
  if (!glyph.polygons) BuildGlyphPolygons(glyph);
  std::vector<PointList> lists;
  for (const auto& run : glyph.polygons->runs) {
    if (run.size() < 4) continue;
    std::vector<DPoint> points;
    points.reserve(run.size());
    for (const FixPoint& p : run) points.push_back(Place(p, g));
    PointList list;
    list.SetPoints(points.data(), std::uint32_t(points.size()));
    list.SetCurveKind(3);
    list.SetClosed(true);
    lists.push_back(std::move(list));
  }
  if (lists.empty()) return;
  cRectangle shape;
  PrepareTemplate(shape, g.color, g.level, g.templ);
  if (info) {
    std::vector<const PointList*> pointers;
    for (const PointList& l : lists) pointers.push_back(&l);
    DrawFilledLists(info, shape, pointers.data(), pointers.size());
  }
  if (out) {
    auto polygon = std::make_unique<cPolygon>();
    polygon->cAnyFill::Assign(shape);
    polygon->ResetLists();
    for (std::size_t i = 0; i < lists.size(); ++i) {
      PointList& target = i == 0 ? polygon->FirstList() : polygon->AddList();
      target.Assign(lists[i]);
    }
    out->Append(polygon.release());
  }
}

void DrawGlyphOutline(FontGlyph& glyph, cDrawInfo& info, const FixedGlyphPlacement& at, const DeviceRect* clip,
                      std::uint32_t color) {
  if (!glyph.polygons) BuildGlyphPolygons(glyph);
  if (glyph.polygons->runs.empty()) return;
  info.FillGlyphRuns(glyph.polygons->runs, at, clip, color);
}

void DrawTextBar(cDrawInfo* info, ObjectChain* out, const DPoint& start, const DPoint& end, double angle,
                 double offset, double thickness, std::uint32_t color, std::uint16_t level, const cOutObj* templ) {
  cPolygon bar;
  PrepareTemplate(bar, color, level, templ);
  DPoint d1{0, offset}, d2{0, thickness};
  RotatePoint(d1, DPoint{0, 0}, -angle);
  RotatePoint(d2, DPoint{0, 0}, -angle);
  const DPoint corners[4] = {{start.x + d1.x, start.y + d1.y},
                             {end.x + d1.x, end.y + d1.y},
                             {end.x + d1.x + d2.x, end.y + d1.y + d2.y},
                             {start.x + d1.x + d2.x, start.y + d1.y + d2.y}};
  PointList& list = bar.FirstList();
  list.SetPoints(corners, 4);
  list.SetCurveKind(0);
  list.SetClosed(true);
  if (info && !bar.HasFlag(kFlagHidden) && !bar.DrawPatternObjects(info)) {
    const PointList* lists[1] = {&list};
    DrawFilledLists(info, bar, lists, 1);
  }
  if (out) {
    auto copy = std::make_unique<cPolygon>();
    copy->Assign(bar);
    out->Append(copy.release());
  }
}

}  // namespace kvn
