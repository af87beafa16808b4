// Drawings that weigh what an open and a paint cost: a symbol SYM of L lines
// (chords of a unit circle) placed on a 3-unit grid, by N inserts at one
// angle, each at an angle of its own, or by one insert with a column and a
// row count; a long text placed by an array; paper views over a model; and
// native drawings that place a large block many times or nest a doubling
// lattice. Written as R12 (views: R2000) DXF text or as native files, for
// the tests of the forecast and for bench/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kvn::test {

enum class Placing { OneAngle, OwnAngles, Array };

// `count` placements of a block of `lines` lines: `count` inserts, or one
// insert of `columns` x `rows` cells (Array; count is ignored).
std::string SymbolPlacementsDxf(Placing placing, int lines, int count, int columns = 1, int rows = 1);
// One TEXT of `characters` letters in a block, placed by a `columns` x
// `rows` array.
std::string LongTextArrayDxf(int characters, int columns, int rows);
// Block S of `lines` short lines (50 to a row) placed by `inserts` inserts,
// `perRow` to a row 60 apart, each turned by an angle of its own when
// `turned`: the drawing of the capacity and print-page benchmarks.
std::string ShortLinesPlacedDxf(int inserts, int lines, int perRow, bool turned);
// `inserts` placements of a block of `lines` lines in model space and
// `views` paper viewports (after the paper's own) over the model.
std::string ViewportsDxf(int views, int inserts, int lines);

// A native drawing: one block of `lines` lines placed `inserts` times.
std::vector<std::uint8_t> NativePlacements(int lines, int inserts);
// A native doubling lattice: block 0 one line, block i two inserts of
// block i-1, the drawing one insert of the last block.
std::vector<std::uint8_t> NativeDoublingLattice(int levels);

}  // namespace kvn::test
