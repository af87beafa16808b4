// A point of the drawing plane: coordinates are doubles in drawing units.
#pragma once

namespace kvn {

struct DPoint {
  double x = 0, y = 0;
  friend bool operator==(const DPoint&, const DPoint&) = default;
};

}  // namespace kvn
