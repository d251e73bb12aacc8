// sha512.cpp: SHA-512. Whole blocks are compressed where they lie in the
// caller's buffer; only the last, incomplete block is copied. The rounds are
// compiled twice: for any processor, and with BMI2's rorx where the processor
// has it, chosen when first used.
#include "foundations/sha512.h"

#include <bit>
#include <cstring>

#include "foundations/byte_order.h"
#include "foundations/hextext.h"

namespace {

constexpr uint64_t kInitial[8] = {
    0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b, 0xa54ff53a5f1d36f1,
    0x510e527fade682d1, 0x9b05688c2b3e6c1f, 0x1f83d9abfb41bd6b, 0x5be0cd19137e2179,
};

constexpr uint64_t kRound[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc,
    0x3956c25bf348b538, 0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118,
    0xd807aa98a3030242, 0x12835b0145706fbe, 0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2,
    0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235, 0xc19bf174cf692694,
    0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5,
    0x983e5152ee66dfab, 0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4,
    0xc6e00bf33da88fc2, 0xd5a79147930aa725, 0x06ca6351e003826f, 0x142929670a0e6e70,
    0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed, 0x53380d139d95b3df,
    0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30,
    0xd192e819d6ef5218, 0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8,
    0x19a4c116b8d2d0c8, 0x1e376c085141ab53, 0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8,
    0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373, 0x682e6ff3d6b2b8a3,
    0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b,
    0xca273eceea26619c, 0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178,
    0x06f067aa72176fba, 0x0a637dc5a2c898a6, 0x113f9804bef90dae, 0x1b710b35131c471b,
    0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc, 0x431d67c49c100d4c,
    0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817,
};

// Each function of the standard in two forms. Rotations that overwrite their
// operand (ror) favour nesting, so that each applies to the running result:
// rotr(rotr(rotr(x, 5) ^ x, 6) ^ x, 28) = rotr(x, 28) ^ rotr(x, 34) ^ rotr(x, 39).
// With BMI2's rorx, which leaves its source alone, the three rotations of
// the plain form run side by side.
template <bool Rorx>
[[gnu::always_inline]] inline uint64_t BigSigma0(uint64_t x) {
  if constexpr (Rorx)
    return std::rotr(x, 28) ^ std::rotr(x, 34) ^ std::rotr(x, 39);
  return std::rotr(std::rotr(std::rotr(x, 5) ^ x, 6) ^ x, 28);
}
template <bool Rorx>
[[gnu::always_inline]] inline uint64_t BigSigma1(uint64_t x) {
  if constexpr (Rorx)
    return std::rotr(x, 14) ^ std::rotr(x, 18) ^ std::rotr(x, 41);
  return std::rotr(std::rotr(std::rotr(x, 23) ^ x, 4) ^ x, 14);
}
[[gnu::always_inline]] inline uint64_t SmallSigma0(uint64_t x) {
  return std::rotr(std::rotr(x, 7) ^ x, 1) ^ (x >> 7);
}
[[gnu::always_inline]] inline uint64_t SmallSigma1(uint64_t x) {
  return std::rotr(std::rotr(x, 42) ^ x, 19) ^ (x >> 6);
}

// One round on the working variables v, which rotate by renaming: in round
// j, a is v[-j mod 8], b is v[1 - j mod 8] and so on. b_xor_c carries a ^ b
// into the next round, where it is b ^ c.
template <bool Rorx>
[[gnu::always_inline]] inline void Round(uint64_t v[8], int j, uint64_t k_plus_w,
                                         uint64_t& b_xor_c) {
  uint64_t& a = v[(16 - j) & 7];
  uint64_t& b = v[(17 - j) & 7];
  uint64_t& d = v[(19 - j) & 7];
  uint64_t& e = v[(20 - j) & 7];
  uint64_t& f = v[(21 - j) & 7];
  uint64_t& g = v[(22 - j) & 7];
  uint64_t& h = v[(23 - j) & 7];
  uint64_t t1 = h + BigSigma1<Rorx>(e) + (((f ^ g) & e) ^ g) + k_plus_w;
  uint64_t a_xor_b = a ^ b;
  uint64_t t2 = BigSigma0<Rorx>(a) + ((a_xor_b & b_xor_c) ^ b);
  b_xor_c = a_xor_b;
  d += t1;
  h = t1 + t2;
}

// The 80 rounds with the message schedule kept as a rolling window of 16
// words.
template <bool Rorx>
[[gnu::always_inline]] inline void CompressOne(uint64_t hash[8], const uint8_t block[128]) {
  uint64_t w[16];
  uint64_t v[8];
  std::memcpy(v, hash, sizeof v);
  uint64_t b_xor_c = v[1] ^ v[2];
#pragma GCC unroll 16
  for (int j = 0; j < 16; ++j) {
    w[j] = Load64BE(block + 8 * j);
    Round<Rorx>(v, j, kRound[j] + w[j], b_xor_c);
  }
  for (int i = 16; i < 80; i += 16) {
#pragma GCC unroll 16
    for (int j = 0; j < 16; ++j) {
      w[j] += SmallSigma1(w[(j + 14) & 15]) + w[(j + 9) & 15] + SmallSigma0(w[(j + 1) & 15]);
      Round<Rorx>(v, j, kRound[i + j] + w[j], b_xor_c);
    }
  }
  for (int i = 0; i < 8; ++i)
    hash[i] += v[i];
}

[[gnu::noinline]] void CompressPortable(uint64_t hash[8], const uint8_t* blocks, size_t n) {
  for (; n > 0; --n, blocks += 128)
    CompressOne<false>(hash, blocks);
}

#if defined(__x86_64__) && defined(__GNUC__)

__attribute__((target("bmi2"))) void CompressBmi2(uint64_t hash[8], const uint8_t* blocks,
                                                   size_t n) {
  for (; n > 0; --n, blocks += 128)
    CompressOne<true>(hash, blocks);
}

bool HasBmi2() { return __builtin_cpu_supports("bmi2"); }

#else

void CompressBmi2(uint64_t*, const uint8_t*, size_t) {}
bool HasBmi2() { return false; }

#endif

bool UseBmi2() {
  static const bool use = HasBmi2();
  return use;
}

using CompressBlocks = void (*)(uint64_t hash[8], const uint8_t* blocks, size_t n);

// The digest of n bytes with whole blocks compressed by `compress`.
void Digest(CompressBlocks compress, const uint8_t* data, size_t n, uint8_t digest[64]) {
  uint64_t hash[8];
  std::memcpy(hash, kInitial, sizeof hash);
  const uint64_t bit_length_low = static_cast<uint64_t>(n) << 3;
  const uint64_t bit_length_high = static_cast<uint64_t>(n) >> 61;
  compress(hash, data, n / 128);
  data += n / 128 * 128;
  n %= 128;
  // The tail, 0x80, zeros and the 128-bit length: one block, or two when the
  // tail leaves no room for the length.
  uint8_t last[256] = {};
  if (n > 0)
    std::memcpy(last, data, n);
  last[n] = 0x80;
  size_t blocks = n < 112 ? 1 : 2;
  Store64BE(last + 128 * blocks - 16, bit_length_high);
  Store64BE(last + 128 * blocks - 8, bit_length_low);
  compress(hash, last, blocks);
  for (int i = 0; i < 8; ++i)
    Store64BE(digest + 8 * i, hash[i]);
}

}  // namespace

void Sha512(const uint8_t* data, size_t n, uint8_t digest[64]) {
  Digest(UseBmi2() ? CompressBmi2 : CompressPortable, data, n, digest);
}

void Sha512Portable(const uint8_t* data, size_t n, uint8_t digest[64]) {
  Digest(CompressPortable, data, n, digest);
}

std::string SHA512HEX(const Value& data) {
  // A value of another kind has the empty text.
  const std::string& text = data.text();
  uint8_t digest[64];
  Sha512(reinterpret_cast<const uint8_t*>(text.data()), text.size(), digest);
  return HEXTEXT(digest, sizeof digest);
}
