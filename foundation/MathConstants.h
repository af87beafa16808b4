// Constants of the geometry code, in one place so that every file computes
// with the very same doubles.
#pragma once

#include <numbers>

namespace kvn {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kDegPerRad = 180.0 / std::numbers::pi;
inline constexpr double kRadPerDeg = std::numbers::pi / 180.0;
// Control-point distance of the cubic that approximates a quarter of a unit
// circle.
inline constexpr double kQuarterArc = 0.552284749830793;
// FLT_EPSILON: old records were computed in single precision.
inline constexpr double kFloatEpsilon = 1.1920928955078125e-7;

}  // namespace kvn
