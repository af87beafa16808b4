// What the sheet painter needs of a block insert: its child list, the objects
// the insert has placed (owned by the insert), in drawing order, and a way to
// let them go. Once drawn, an insert keeps its children between repaints in
// the list of kept expansions (model/KeptExpansions.h), within that list's
// byte budget: a drawing that places a block many times holds at most the
// budget's worth of copies, however many placements it has.
//
// The insert class (model/cInsert.h) derives from this interface beside
// cOutObj and keeps type code 0 (kTypeInsert). The painter reaches it with a
// cross-cast from the object (render/InsertChildList.h), so the painter does
// not need the insert class and test probes can stand in for inserts.
#pragma once

#include <span>

#include "model/KeptExpansions.h"

namespace kvn {

class cOutObj;

class InsertChildList {
 public:
  // Null entries are skipped.
  virtual std::span<cOutObj* const> GetChildren() const = 0;
  // The children are freed; the next use makes them again. Nothing for a
  // list that keeps no copies of its own.
  virtual void DropChildren() {}

  // Whether the list of kept expansions holds this one.
  bool IsKept() const { return keptLink_.kept; }
  // Whether something draws from the children now (KeptExpansions::Hold).
  bool IsHeld() const { return keptLink_.holds != 0; }

 protected:
  InsertChildList() = default;
  InsertChildList(const InsertChildList&) {}
  InsertChildList& operator=(const InsertChildList&) { return *this; }
  virtual ~InsertChildList() {
    if (keptLink_.kept) KeptExpansions::Shared().Forget(*this);
  }

 private:
  friend class KeptExpansions;
  KeptExpansionLink keptLink_;
};

}  // namespace kvn
