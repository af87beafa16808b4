#include "model/ClosedListJoin.h"

#include <cmath>
#include <vector>

#include "model/cPolygon.h"

namespace kvn {

void JoinClosedLists(const cPolygon& polygon, CubicArray& out) {
  out.Clear();
  out.closed = 0;
  bool first = true;
  DPoint home;
  for (std::uint32_t l = 0; l < polygon.ListCount(); ++l) {
    const PointList& list = polygon.List(l);
    if (!list.IsClosed()) continue;
    CubicArray loop;
    list.ToBeziers(loop);
    if (loop.Count() == 0) continue;
    std::vector<Cubic> pieces(loop.begin(), loop.end());
    // A closed list whose last record does not come back gets its closing edge.
    if (!(pieces.back().End() == pieces.front().Start())) pieces.push_back(Cubic::Straight(pieces.back().End(), pieces.front().Start()));
    if (first) {
      for (const Cubic& c : pieces) out.Append64(c);
      home = pieces.front().Start();
      out.closed = 1;
      first = false;
      continue;
    }
    std::size_t nearest = 0;
    double best = INFINITY;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
      const double d = std::hypot(pieces[i].Start().x - home.x, pieces[i].Start().y - home.y);
      if (d < best) best = d, nearest = i;
    }
    const DPoint entry = pieces[nearest].Start();
    out.Append64(Cubic::Straight(home, entry));
    for (std::size_t k = 0; k < pieces.size(); ++k) out.Append64(pieces[(nearest + k) % pieces.size()]);
    out.Append64(Cubic::Straight(entry, home));
  }
}

}  // namespace kvn
