// KeptRecords: a cubic record array lent to the drawing of one object and
// kept for the next one instead of allocated for each. There is one array
// per nesting depth, since an area's pattern objects draw while the area's
// own records are in use. GUI thread only, like the path buffer.
#pragma once

#include <cstddef>

#include "model/Cubic.h"

namespace kvn {

class KeptRecords {
 public:
  // Lends the array of the next depth, emptied.
  KeptRecords();
  ~KeptRecords();
  KeptRecords(const KeptRecords&) = delete;
  KeptRecords& operator=(const KeptRecords&) = delete;

  CubicArray& Get() { return *records_; }

 private:
  CubicArray* records_;
};

}  // namespace kvn
