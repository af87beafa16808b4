// The inserts of a linked set: inserts with the same non-zero link id form
// one set, numbered by their link numbers (model/cInsert.h).
#pragma once

#include <vector>

namespace kvn {

class cBlock;
class cInsert;

// Appends every insert of the block's chain whose link id equals the given
// insert's, skipping inserts already in the list; nothing for a null insert
// or block or a link id of 0. The insert itself is collected too when it is
// in the chain.
void CollectLinkedInserts(std::vector<cInsert*>& out, const cInsert* insert, const cBlock* block);
// The same over a chain seen as constant.
void CollectLinkedInsertsAlt(std::vector<const cInsert*>& out, const cInsert* insert, const cBlock* block);

}  // namespace kvn
