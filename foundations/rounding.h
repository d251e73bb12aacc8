// rounding.h: rounding to a whole number with halves away from zero, exactly
// on every C library (std::round of some adds 0.5 and floors, which turns
// 0.49999999999999994 into 1).
#pragma once

#include <cmath>

inline double RoundHalfAway(double x) {
  double whole = std::trunc(x);
  if (std::fabs(x - whole) >= 0.5)   // exact: x and its whole part share the exponent
    whole += std::copysign(1.0, x);
  return whole;
}
