// The drawing of the view and print benchmarks: the sample plan (walls,
// partitions, axes, a door arc, a table circle and a sofa polygon) repeated
// on a grid, 280 x 200 apart, until the page holds the asked number of
// objects.
#pragma once

#include <algorithm>
#include <cmath>
#include <memory>

#include "document/cDrawingDoc.h"
#include "document/cSheet.h"
#include "model/ObjectChain.h"
#include "model/cArc.h"
#include "model/cCircle.h"
#include "model/cLine.h"
#include "model/cPolygon.h"

namespace kvn::bench {

inline void AddPlan(ObjectChain& chain, double ox, double oy, long& count) {
  auto line = [&](double x1, double y1, double x2, double y2, double width) {
    auto* l = new cLine();
    l->start = {ox + x1, oy + y1};
    l->end = {ox + x2, oy + y2};
    l->stroke.width = width;
    chain.Append(l);
    ++count;
  };
  const double walls[][2] = {{30, 30}, {240, 30}, {240, 160}, {30, 160}};
  for (int i = 0; i < 4; ++i) line(walls[i][0], walls[i][1], walls[(i + 1) % 4][0], walls[(i + 1) % 4][1], 2.0);
  line(130, 30, 130, 80, 1.0);
  line(130, 110, 130, 160, 1.0);
  line(15, 95, 255, 95, 0.25);
  line(80, 20, 80, 170, 0.25);
  auto* door = new cArc();
  door->start = {ox + 160, oy + 80};
  door->middle = {ox + 130 + 30 * std::cos(0.785398), oy + 80 + 30 * std::sin(0.785398)};
  door->end = {ox + 130, oy + 110};
  chain.Append(door);
  auto* table = new cCircle();
  table->p1 = {ox + 170, oy + 100};
  table->p2 = {ox + 200, oy + 130};
  chain.Append(table);
  auto* sofa = new cPolygon();
  const DPoint pts[] = {{ox + 40, oy + 40}, {ox + 100, oy + 40}, {ox + 100, oy + 60}, {ox + 40, oy + 60}};
  sofa->FirstList().SetPoints(pts, 4);
  chain.Append(sofa);
  count += 3;
}

inline std::unique_ptr<cDrawingDoc> MakeGrid(long objects, long& count) {
  auto doc = std::make_unique<cDrawingDoc>();
  doc->AddSheet(std::make_unique<cSheet>());
  cSheet& sheet = *doc->GetSheet(0);
  // Eleven objects per plan; a square-ish grid of plans 280 x 200 apart.
  const long plans = (objects + 10) / 11;
  const long across = std::max(1L, long(std::ceil(std::sqrt(double(plans)))));
  ObjectChain chain;
  for (long i = 0; i < plans; ++i) AddPlan(chain, double(i % across) * 280.0, double(i / across) * 200.0, count);
  sheet.TopBlock().AppendChain(std::move(chain));
  return doc;
}

}  // namespace kvn::bench
