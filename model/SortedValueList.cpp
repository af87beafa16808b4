#include "model/SortedValueList.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/WorldMapping.h"

namespace kvn {

namespace {
// A few pixels: about what a steady hand hits with a mouse.
int g_snapDistancePixels = 4;
}  // namespace

int GetSnapDistancePixels() { return g_snapDistancePixels; }
void SetSnapDistancePixels(int pixels) { g_snapDistancePixels = std::max(pixels, 0); }

int SortedValueList::Insert(double value) {
  if (std::isnan(value)) return -1;
  const double* at = std::lower_bound(values_.begin(), values_.end(), value);
  const std::uint32_t index = std::uint32_t(at - values_.begin());
  if (index < values_.Count() && values_[index] == value) return int(index);
  values_.Add(value);
  std::rotate(values_.begin() + index, values_.end() - 1, values_.end());
  return int(index);
}

void SortedValueList::RemoveAt(std::uint32_t index) { values_.DetachAt(index); }

void SortedValueList::Assign(const SortedValueList& other) {
  if (&other == this) return;
  values_.Clear();
  for (double v : other) Insert(v);
}

bool SortedValueList::FindNear(DPoint& out, const DPoint& point, const WorldMapping& mapping, bool vertical) const {
  const DevicePoint at = WorldToDevice(mapping, point);
  const std::int64_t snap = g_snapDistancePixels;
  for (double v : values_) {
    DPoint candidate = point;
    (vertical ? candidate.x : candidate.y) = v;
    const DevicePoint d = WorldToDevice(mapping, candidate);
    const std::int64_t distance = vertical ? std::int64_t(d.x) - at.x : std::int64_t(d.y) - at.y;
    if (std::llabs(distance) <= snap) {
      out = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace kvn
