// What the sheet painter needs of a block insert: its child list, the objects
// the insert has placed (owned by the insert), in drawing order, and a way to
// let them go once drawn. The painter keeps no expansion: a drawing that
// places a block many times holds one placement's children at a time, not a
// copy of the block per placement.
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
  // The children are freed; the next update makes them again. Nothing for
  // a list that keeps no copies of its own.
  virtual void DropChildren() {}

 protected:
  ~InsertChildList() = default;
};

}  // namespace kvn
