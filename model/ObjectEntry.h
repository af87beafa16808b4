// ObjectEntry and ObjectEntryArray: the children of an insert's expansion.
//
// An entry owns its child object (the child's next link is not used by the
// list) and remembers what the child was made from: the block object, the
// insert itself for a label text, null for the blank-out rectangle; and an
// index: -1 for block objects and the blank-out rectangle, the label slot
// (0..7) for a label text, -2 for a text whose content came from an
// attribute value.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

#include "model/cOutObj.h"

namespace kvn {

inline constexpr int kEntryBlockObject = -1;
inline constexpr int kEntryAttributeText = -2;

struct ObjectEntry {
  std::unique_ptr<cOutObj> object;
  const cOutObj* source = nullptr;  // not owned
  int index = kEntryBlockObject;
};

class ObjectEntryArray {
 public:
  ObjectEntryArray() = default;
  ObjectEntryArray(const ObjectEntryArray&) = delete;
  ObjectEntryArray& operator=(const ObjectEntryArray&) = delete;
  ~ObjectEntryArray() { Flush(); }

  std::size_t Count() const { return entries_.size(); }
  bool Empty() const { return entries_.empty(); }
  ObjectEntry& operator[](std::size_t i) { return entries_[i]; }
  const ObjectEntry& operator[](std::size_t i) const { return entries_[i]; }
  ObjectEntry& Last() { return entries_.back(); }

  // Takes ownership of the object.
  ObjectEntry& Append(cOutObj* object, const cOutObj* source, int index) {
    if (object) object->next = nullptr;
    entries_.push_back(ObjectEntry{std::unique_ptr<cOutObj>(object), source, index});
    return entries_.back();
  }
  void Insert(std::size_t at, cOutObj* object, const cOutObj* source, int index) {
    if (object) object->next = nullptr;
    entries_.insert(entries_.begin() + std::ptrdiff_t(at), ObjectEntry{std::unique_ptr<cOutObj>(object), source, index});
  }
  void RemoveAt(std::size_t at) { entries_.erase(entries_.begin() + std::ptrdiff_t(at)); }
  // Moves every entry of `other` behind the last of this list.
  void TakeAll(ObjectEntryArray& other) {
    // Into an empty list the other's storage moves whole.
    if (entries_.empty()) {
      entries_.swap(other.entries_);
      return;
    }
    // A range insert grows the storage geometrically: reserving the exact
    // sum would move the whole list again for every nested insert taken.
    entries_.insert(entries_.end(), std::make_move_iterator(other.entries_.begin()),
                    std::make_move_iterator(other.entries_.end()));
    other.entries_.clear();
  }
  // Room for `count` entries in all, taken at once.
  void Reserve(std::size_t count) { entries_.reserve(count); }
  // Deletes every child, the last first.
  void Flush() {
    while (!entries_.empty()) entries_.pop_back();
  }
  // Flush, and the list's own storage given back too.
  void FlushAndRelease() {
    Flush();
    std::vector<ObjectEntry>().swap(entries_);
  }

 private:
  std::vector<ObjectEntry> entries_;
};

}  // namespace kvn
