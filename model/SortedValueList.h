// SortedValueList: coordinates kept in ascending order without duplicates,
// such as the positions of a drawing's guide lines, with a look-up of the
// value nearest to a point on the screen.
#pragma once

#include <cfloat>
#include <cstdint>

#include "foundation/DPoint.h"
#include "foundation/GrowArray.h"

namespace kvn {

struct WorldMapping;

// The process-wide snap distance in device pixels within which FindNear
// takes a value.
int GetSnapDistancePixels();
void SetSnapDistancePixels(int pixels);

class SortedValueList {
 public:
  SortedValueList() = default;
  SortedValueList(const SortedValueList&) = delete;
  SortedValueList& operator=(const SortedValueList&) = delete;

  std::uint32_t Count() const { return values_.Count(); }
  double operator[](std::uint32_t i) const { return values_[i]; }
  const double* begin() const { return values_.begin(); }
  const double* end() const { return values_.end(); }

  // The index of the value: an equal value already present answers its
  // index; otherwise the value goes before the first larger one. NaN is
  // refused (-1), since it would break the order every look-up relies on.
  int Insert(double value);
  // An index beyond the end does nothing.
  void RemoveAt(std::uint32_t index);
  void Clear() { values_.Clear(); }
  // Rebuilds this list from the other's values.
  void Assign(const SortedValueList& other);

  // The first value whose device position lies within the snap distance of
  // the point's: x positions for vertical lines, y otherwise. True with `out`
  // the point moved onto that value.
  bool FindNear(DPoint& out, const DPoint& point, const WorldMapping& mapping, bool vertical) const;

  double tolerance = DBL_MAX;

 private:
  GrowArray<double> values_{8};
};

}  // namespace kvn
