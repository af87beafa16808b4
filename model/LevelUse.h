// Switching a drawing's level use off, and grouping its objects by level:
// the two chain-wide changes of the level options of the parameters sheet.
#pragma once

namespace kvn {

class cBlock;
class cDrawingData;

// Every object of `top` and of every block of the data goes to no level
// (65535); the level table is emptied and taken out of use.
void DropLevelUse(cDrawingData& data, cBlock& top);

// Regroups the block's objects level by level in table order (index order,
// objects without a level last), keeping their order within a level.
void SortObjectsByLevel(cBlock& block);

}  // namespace kvn
