// InsertCopyMap: the copy map of an insert's explosion. It records the
// inserts of the block with their copies and the copied links, and at the
// end re-points every copied link from the running ids of the source
// inserts to those of their copies; an end that names no insert of the
// block becomes 0, so a copied link never keeps a reference to an insert
// outside the copies.
#pragma once

#include <cstdint>
#include <vector>

namespace kvn {

class cOutObj;

class InsertCopyMap {
 public:
  InsertCopyMap() = default;
  InsertCopyMap(const InsertCopyMap&) = delete;
  InsertCopyMap& operator=(const InsertCopyMap&) = delete;
  // Applies when not yet done.
  ~InsertCopyMap() { Apply(); }

  // An insert source goes with its copy; a copied link is kept for the end.
  void Record(cOutObj* copy, const cOutObj* source);
  // Runs once.
  void Apply();

 private:
  std::vector<std::uint32_t> sourceIds_;
  std::vector<std::uint32_t> copyIds_;
  std::vector<cOutObj*> links_;
  bool done_ = false;
};

// One copied link's two end ids, re-pointed in place: a link whose ends are
// both 0 is left alone; otherwise an end that names a source insert names
// the copy at the same position afterwards, and an end that names none
// becomes 0.
void RepointInsertIds(const std::vector<std::uint32_t>& sourceIds, const std::vector<std::uint32_t>& copyIds,
                      std::uint32_t& end1, std::uint32_t& end2);

}  // namespace kvn
