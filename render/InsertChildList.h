// What the sheet painter needs of a block insert: its child list, the objects
// the insert has placed (owned by the insert), in drawing order.
//
// The insert class derives from this interface beside cOutObj and keeps type
// code 0 (kTypeInsert). The painter reaches it with a cross-cast from the
// object, so the model does not depend on the painter and the painter does
// not need the insert class.
#pragma once

#include <span>

namespace kvn {

class cOutObj;

class InsertChildList {
 public:
  // Null entries are skipped.
  virtual std::span<cOutObj* const> GetChildren() const = 0;

 protected:
  ~InsertChildList() = default;
};

// The child list of a block insert; null for every other object.
const InsertChildList* AsInsertChildList(const cOutObj& object);

}  // namespace kvn
