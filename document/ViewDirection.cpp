#include "document/ViewDirection.h"

#include <cmath>
#include <numbers>

namespace kvn {

namespace {

constexpr double kPresets[kPresetViewDirections][3] = {
    {0, 0, 1}, {0, 0, -1}, {-1, 0, 0}, {1, 0, 0}, {0, -1, 0},
    {0, 1, 0}, {-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1},
};

// False, leaving `out` alone, for a direction of length 1e-8 or less.
bool Normalised(const double in[3], double out[3]) {
  const double length = std::sqrt(in[0] * in[0] + in[1] * in[1] + in[2] * in[2]);
  if (!(length > 1e-8) || !std::isfinite(length)) return false;
  for (int i = 0; i < 3; ++i) out[i] = in[i] / length;
  return true;
}

}  // namespace

void PresetViewDirection(int preset, double out[3]) {
  const double* p = preset >= 0 && preset < kPresetViewDirections ? kPresets[preset] : kPresets[0];
  for (int i = 0; i < 3; ++i) out[i] = p[i];
}

int FindPresetViewDirection(const double direction[3]) {
  double d[3] = {0.0, 0.0, 1.0};
  if (!Normalised(direction, d)) return kUserViewDirection;
  for (int preset = 0; preset < kPresetViewDirections; ++preset) {
    double p[3] = {0.0, 0.0, 0.0};
    Normalised(kPresets[preset], p);
    if (std::fabs(p[0] - d[0]) <= 1e-5 && std::fabs(p[1] - d[1]) <= 1e-5 && std::fabs(p[2] - d[2]) <= 1e-5)
      return preset;
  }
  return kUserViewDirection;
}

void AxisAnglesOf(const double direction[3], double angles[3]) {
  double d[3] = {0.0, 0.0, 0.0};
  Normalised(direction, d);
  for (int i = 0; i < 3; ++i) angles[i] = std::acos(std::fmax(-1.0, std::fmin(1.0, d[i]))) * 180.0 / std::numbers::pi;
}

void DirectionFromAxisAngles(const double angles[3], double out[3]) {
  double d[3] = {0.0, 0.0, 1.0};
  for (int i = 0; i < 3; ++i) d[i] = std::cos(angles[i] * std::numbers::pi / 180.0);
  if (!Normalised(d, out)) {
    out[0] = out[1] = 0.0;
    out[2] = 1.0;
  }
}

void ApplyViewPreset(ViewDirectionChoice& choice) {
  double d[3] = {0.0, 0.0, 1.0};
  if (choice.preset >= 0 && choice.preset < kPresetViewDirections) {
    Normalised(kPresets[choice.preset], d);
  } else {
    choice.preset = kUserViewDirection;
    if (!Normalised(choice.direction, d)) {
      d[0] = d[1] = 0.0;
      d[2] = 1.0;
    }
  }
  for (int i = 0; i < 3; ++i) choice.direction[i] = d[i];
}

}  // namespace kvn
