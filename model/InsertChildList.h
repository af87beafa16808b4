// What the sheet painter needs of a block insert: its child list, the objects
// the insert has placed (owned by the insert), in drawing order.
//
// The insert class (model/cInsert.h) derives from this interface beside
// cOutObj and keeps type code 0 (kTypeInsert). The painter reaches it with a
// cross-cast from the object (render/InsertChildList.h), so the painter does
// not need the insert class and test probes can stand in for inserts.
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

}  // namespace kvn
