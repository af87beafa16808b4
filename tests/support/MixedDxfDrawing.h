// The synthetic DXF drawing of the open benchmarks: mixed entities (lines,
// lightweight polylines, circles, arcs, texts, inserts of a small block and
// solid hatches) on eight layers, one of each kind in turn. Shared by
// kvn-bench-dxf-open and the file generator kvn-gen-dxf, so that in-process
// and whole-process figures are taken on the same bytes.
#pragma once

#include <string>

#include "tests/support/DxfWriter.h"

namespace kvn::test {

struct MixedDxfOptions {
  int entities = 200000;
  // Entities as CAD programs write them, with handles, owners, subclass
  // markers, z values and coordinates of full precision (about 40 MB for
  // 200,000 entities); false: codes and short numbers only, where the costs
  // per entity weigh more than the bytes.
  bool full = true;
  // Every insert with a rotation of its own: each then needs a block of its
  // own on import, the case where block sharing must stay linear.
  bool rotatedInserts = false;
};

std::string MixedDxfDrawing(DxfWriter::Form form, const MixedDxfOptions& options);

}  // namespace kvn::test
