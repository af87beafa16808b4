// Nested-block bombs: drawings of a few kilobytes whose blocks place each
// other so that what they describe multiplies with every level. Block B0
// holds one line; every further block Bi places B(i-1) several times; the
// drawing places the last block once.
//   doubling: two inserts per level (2^levels lines);
//   ten-way:  ten inserts per level (10^levels lines);
//   arrays:   one insert array of `side` x `side` cells per level.
// Written as R12 DXF text and as an R2000 DWG (the test writer's layout),
// for the tests that such drawings are refused quickly and for bench/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "document/DocumentResult.h"

namespace kvn::test {

struct BombShape {
  enum Kind { Doubling, TenWay, Arrays } kind = Doubling;
  int levels = 16;
  int side = 100;  // arrays only
  std::string Name() const;
};

std::string BombDxf(const BombShape& shape);
std::vector<std::uint8_t> BombDwg(const BombShape& shape);
// The bomb written as DXF or DWG and opened from memory by its reader.
DocumentResult OpenBomb(const BombShape& shape, bool dwg);

}  // namespace kvn::test
