// sha3.cpp: SHA3-512 as a sponge over Keccak-f[1600]. The permutation holds
// no tables: its round constants come from the standard's LFSR and its
// rotation offsets and lane positions from the walk over the lanes, both
// computed as it runs. The loops have fixed bounds so that the compiler can
// unroll them and fold the derived values into constants.
#include "foundations/sha3.h"

#include <bit>

#include "foundations/byte_order.h"
#include "foundations/hextext.h"

namespace {

constexpr size_t kRate = 72;

// One step of the round-constant LFSR (x^8 + x^6 + x^5 + x^4 + 1); returns
// the bit shifted out at the low end.
uint64_t LfsrStep(uint8_t& lfsr) {
  uint64_t out = lfsr & 1u;
  lfsr = static_cast<uint8_t>((lfsr << 1) ^ ((lfsr & 0x80) ? 0x71 : 0x00));
  return out;
}

// Seven LFSR outputs; output j is bit 2^j - 1 of the round constant.
uint64_t NextRoundConstant(uint8_t& lfsr) {
  uint64_t rc = 0;
#pragma GCC unroll 7
  for (int j = 0; j < 7; ++j)
    rc |= LfsrStep(lfsr) << ((1 << j) - 1);
  return rc;
}

void Theta(uint64_t a[25]) {
  uint64_t c[5];
#pragma GCC unroll 5
  for (int x = 0; x < 5; ++x)
    c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
#pragma GCC unroll 5
  for (int x = 0; x < 5; ++x) {
    uint64_t d = c[(x + 4) % 5] ^ std::rotl(c[(x + 1) % 5], 1);
#pragma GCC unroll 5
    for (int y = 0; y < 25; y += 5)
      a[x + y] ^= d;
  }
}

// Rho and pi together: starting at lane (1, 0), (x, y) becomes
// (y, 2x + 3y mod 5); the t-th lane of the walk is rotated by
// (t + 1)(t + 2) / 2 mod 64 bits and moved to the next lane of the walk.
void RhoPi(uint64_t a[25]) {
  int x = 1, y = 0;
  uint64_t carried = a[1];
#pragma GCC unroll 24
  for (int t = 0; t < 24; ++t) {
    int next_x = y, next_y = (2 * x + 3 * y) % 5;
    uint64_t& lane = a[next_x + 5 * next_y];
    uint64_t displaced = lane;
    lane = std::rotl(carried, ((t + 1) * (t + 2) / 2) % 64);
    carried = displaced;
    x = next_x;
    y = next_y;
  }
}

void Chi(uint64_t a[25]) {
#pragma GCC unroll 5
  for (int y = 0; y < 25; y += 5) {
    uint64_t row[5];
#pragma GCC unroll 5
    for (int x = 0; x < 5; ++x)
      row[x] = a[y + x];
#pragma GCC unroll 5
    for (int x = 0; x < 5; ++x)
      a[y + x] = row[x] ^ (~row[(x + 1) % 5] & row[(x + 2) % 5]);
  }
}

void XorBytes(uint8_t* state, const uint8_t* data, size_t n) {
  size_t i = 0;
  for (; i + 8 <= n; i += 8)
    Store64LE(state + i, Load64LE(state + i) ^ Load64LE(data + i));
  for (; i < n; ++i)
    state[i] ^= data[i];
}

}  // namespace

void KeccakF1600_StatePermute(uint8_t state[200]) {
  uint64_t a[25];
  for (int i = 0; i < 25; ++i)
    a[i] = Load64LE(state + 8 * i);
  uint8_t lfsr = 1;
#pragma GCC unroll 24
  for (int round = 0; round < 24; ++round) {
    Theta(a);
    RhoPi(a);
    Chi(a);
    a[0] ^= NextRoundConstant(lfsr);
  }
  for (int i = 0; i < 25; ++i)
    Store64LE(state + 8 * i, a[i]);
}

void Sha3_512(const uint8_t* data, size_t n, uint8_t digest[64]) {
  uint8_t state[200] = {};
  for (; n >= kRate; data += kRate, n -= kRate) {
    XorBytes(state, data, kRate);
    KeccakF1600_StatePermute(state);
  }
  XorBytes(state, data, n);
  state[n] ^= 0x06;
  state[kRate - 1] ^= 0x80;
  KeccakF1600_StatePermute(state);
  for (int i = 0; i < 64; ++i)
    digest[i] = state[i];
}

std::string HB_SHA3512(const std::string& data) {
  uint8_t digest[64];
  Sha3_512(reinterpret_cast<const uint8_t*>(data.data()), data.size(), digest);
  return HEXTEXT(digest, sizeof digest);
}
