// StringTripleArray: an owned list of records of three strings (names with
// two values each), in insertion order.
#pragma once

#include <cstdint>
#include <memory>

#include "foundation/GrowArray.h"
#include "foundation/WString.h"

namespace kvn {

struct StringTriple {
  WString first;
  WString second;
  WString third;
};

class StringTripleArray {
 public:
  std::uint32_t Count() const { return items_.Count(); }
  // Null beyond the end.
  StringTriple* Get(std::uint32_t index) const { return items_.Get(index); }
  StringTriple* Add(StringTriple triple) { return items_.Add(new StringTriple(std::move(triple))); }
  // Deletes the record at the index and closes the gap; nothing beyond the
  // end.
  void RemoveAt(std::uint32_t index) { std::unique_ptr<StringTriple> gone(items_.DetachAt(index)); }

 private:
  OwnedArray<StringTriple> items_;
};

}  // namespace kvn
