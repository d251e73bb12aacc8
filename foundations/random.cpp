// random.cpp: the minimal-standard generator of Park and Miller (multiplier
// 48271, modulus 2^31 - 1), one state per thread, seeded at the first draw
// from the UTC clock and the thread's number.
#include "foundations/random.h"

#include "foundations/clock.h"
#include "foundations/clock_platform.h"

namespace {

const uint64_t kModulus = 2147483647;
const uint64_t kMultiplier = 48271;

thread_local uint32_t t_state = 0;  // 0: not yet seeded

uint32_t Seed() {
  BrokenTime utc = PlatformUtcNow();
  int64_t day_ms = ((int64_t{utc.hour} * 60 + utc.minute) * 60 + utc.second) * 1000 + utc.ms;
  int64_t clock_ms = DateToJdn({utc.year, utc.month, utc.day}) * 86400000 + day_ms;
  uint64_t mixed = static_cast<uint64_t>(clock_ms) ^ PlatformThreadNumber();
  uint32_t seed = static_cast<uint32_t>(mixed % kModulus);
  return seed == 0 ? 1 : seed;  // 0 would stay 0 for ever
}

}  // namespace

int64_t RANDOMNUM(int64_t n) {
  if (t_state == 0)
    t_state = Seed();
  t_state = static_cast<uint32_t>(t_state * kMultiplier % kModulus);
  double r = static_cast<double>(t_state - 1) / static_cast<double>(kModulus - 1);
  double value = static_cast<double>(n) * r + 1;
  if (value >= 9.2e18)
    return n;
  if (value <= -9.2e18)
    return static_cast<int64_t>(-9.2e18);
  return static_cast<int64_t>(value);  // cut toward zero
}

uint32_t RandomState() { return t_state; }
void SetRandomState(uint32_t state) { t_state = state; }
