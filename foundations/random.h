// random.h: the Park-Miller generator (multiplier 48271, modulus 2^31 - 1),
// seeded once per run from the UTC clock at the first draw.
#pragma once

#include <cstdint>

// A whole number from 1 to n.
int64_t RANDOMNUM(int64_t n);

// The generator's state (0: not yet seeded). Tests set it to pin the draws.
uint32_t RandomState();
void SetRandomState(uint32_t state);
