// Joins the closed vertex lists of a polygon into one closed cubic chain, so
// that a filler that takes a single contour still leaves the inner lists as
// holes: after the first list, each further list is reached by a straight
// bridge from the chain's start (where the chain stands after every closed
// list) to the list's vertex nearest to it, runs round from there, and goes
// back along the same bridge. Out and back enclose no area, so an even-odd
// or winding fill of the joined chain covers what the separate lists cover.
#pragma once

#include "model/Cubic.h"

namespace kvn {

class cPolygon;

// `out` is emptied; open lists are left out. Closed when any list was closed.
void JoinClosedLists(const cPolygon& polygon, CubicArray& out);

}  // namespace kvn
