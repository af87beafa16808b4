// Test-only writers of the R2000 objects a drawing of blocks needs in the
// test writer's layout (DwgFileWriter.h): the block control object, block
// headers that list their entities, layer "0", the common data of an entity
// linked among its owner's, a line and inserts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/DwgBitWriter.h"

namespace kvn::test {

inline constexpr std::uint64_t kDwgBlockControl = 0x01, kDwgLayerZero = 0x10, kDwgModelSpace = 0x1F;

// The block control object listing the block headers `headers` (model and
// paper space apart).
std::vector<std::uint8_t> DwgBlockControl(const std::vector<std::uint64_t>& headers);
// A block header of base point (0, 0, 0) whose entities run from `first`
// to `last`.
std::vector<std::uint8_t> DwgBlockHeader(std::uint64_t handle, const std::string& name, std::uint64_t first,
                                         std::uint64_t last);
std::vector<std::uint8_t> DwgLayerZero();
// An entity of `owner` on layer "0" between its neighbours (0: none);
// model space by the entity mode, any other owner by handle.
DwgEntityCommon DwgLinkedCommon(std::uint64_t owner, std::uint64_t previous, std::uint64_t next);
// A line from (0, 0) to (1, 0).
std::vector<std::uint8_t> DwgUnitLine(std::uint64_t handle, const DwgEntityCommon& common);

// An insert: where, how scaled in x and y (z 1), along which extrusion, and
// as an array of cells 2 apart when it has more than one.
struct DwgInsertSpec {
  double x = 0, y = 0;
  double sx = 1, sy = 1;
  std::array<double, 3> extrusion{0, 0, 1};
  int columns = 1, rows = 1;
};
std::vector<std::uint8_t> DwgInsertObject(std::uint64_t handle, const DwgEntityCommon& common, std::uint64_t block,
                                          const DwgInsertSpec& spec);

}  // namespace kvn::test
