// sha3.cpp: SHA3-512 as a sponge over Keccak-f[1600]. None of the standard's
// values is written out: the round constants are run off the standard's LFSR
// and the rotation offsets and lane positions off the walk over the lanes by
// constexpr code that the compiler evaluates, so that the rounds work on
// plain local lanes it can keep in registers. The rounds run four at a time in
// a loop; unrolled in full they outgrow the processor's decoded-instruction
// cache and run slower.
//
// Without BMI the permutation holds the lanes of kComplemented complemented
// (the lane-complementing transform of the Keccak team's implementation
// notes). χ computes ~b & c for every lane; with one input complemented that
// becomes b & c or b | c, which cuts its NOTs from 25 a round to 8 on
// processors without an and-not instruction. θ, ρ, π and ι commute with
// complementing, so only χ knows of it, and which form each lane takes is
// derived below.
#include "foundations/sha3.h"

#include <bit>
#include <utility>

#include "foundations/byte_order.h"
#include "foundations/hextext.h"

namespace {

constexpr size_t kRate = 72;
constexpr size_t kRateLanes = kRate / 8;

using Lanes = uint64_t[25];

constexpr int LaneAt(int x, int y) { return x + 5 * y; }

// --- ι: the round constants -------------------------------------------------

// One step of the round-constant LFSR (x^8 + x^6 + x^5 + x^4 + 1); returns
// the bit shifted out at the low end.
constexpr uint64_t LfsrStep(uint8_t& lfsr) {
  const uint64_t out = lfsr & 1u;
  lfsr = static_cast<uint8_t>((lfsr << 1) ^ ((lfsr & 0x80) ? 0x71 : 0x00));
  return out;
}

// Seven outputs of the register; output j is bit 2^j - 1 of the constant.
constexpr uint64_t NextRoundConstant(uint8_t& lfsr) {
  uint64_t rc = 0;
  for (int j = 0; j < 7; ++j)
    rc |= LfsrStep(lfsr) << ((1 << j) - 1);
  return rc;
}

// The 24 constants, run off the register when this file is compiled: it
// starts at 1 before round 0 and runs on from round to round.
struct RoundConstants {
  uint64_t of[24];
};
constexpr RoundConstants kRoundConstants = [] {
  RoundConstants constants{};
  uint8_t lfsr = 1;
  for (uint64_t& rc : constants.of)
    rc = NextRoundConstant(lfsr);
  return constants;
}();

// --- ρ and π: the walk over the lanes ---------------------------------------

// The walk starts at lane (1, 0); (x, y) is followed by (y, 2x + 3y mod 5).
// It passes every lane but (0, 0) once in 24 steps and returns to (1, 0).
constexpr int WalkLane(int t) {
  int x = 1, y = 0;
  for (int i = 0; i < t % 24; ++i) {
    const int next_y = (2 * x + 3 * y) % 5;
    x = y;
    y = next_y;
  }
  return LaneAt(x, y);
}

// The t-th lane of the walk is rotated by (t + 1)(t + 2) / 2 mod 64 bits;
// lane (0, 0) is not rotated.
constexpr int RhoOffset(int lane) {
  for (int t = 0; t < 24; ++t)
    if (WalkLane(t) == lane)
      return (t + 1) * (t + 2) / 2 % 64;
  return 0;
}

// Each lane of the walk moves to the next lane of the walk; the lane that
// arrives at `lane` is the one before it. Lane (0, 0) stays.
constexpr int PiSource(int lane) {
  for (int t = 0; t < 24; ++t)
    if (WalkLane(t + 1) == lane)
      return WalkLane(t);
  return lane;
}

// --- the complemented lanes -------------------------------------------------

constexpr uint32_t kComplemented = 1u << LaneAt(1, 0) | 1u << LaneAt(2, 0) | 1u << LaneAt(3, 1) |
                                   1u << LaneAt(2, 2) | 1u << LaneAt(2, 3) | 1u << LaneAt(0, 4);

constexpr bool Flipped(uint32_t held, int lane) { return (held >> lane & 1u) != 0; }

// A column parity is held complemented when an odd number of its lanes are,
// and θ's D[x] = C[x - 1] ^ rotl(C[x + 1], 1) when one of the two is.
constexpr bool ColumnFlipped(uint32_t held, int x) {
  bool flipped = false;
  for (int y = 0; y < 5; ++y)
    flipped ^= Flipped(held, LaneAt(x, y));
  return flipped;
}
constexpr bool ThetaFlipped(uint32_t held, int x) {
  return ColumnFlipped(held, (x + 4) % 5) ^ ColumnFlipped(held, (x + 1) % 5);
}

// Whether the lane that arrives at `lane` after θ, ρ and π is complemented.
constexpr bool ArrivingFlipped(uint32_t held, int lane) {
  const int from = PiSource(lane);
  return Flipped(held, from) ^ ThetaFlipped(held, from % 5);
}

// --- one round ----------------------------------------------------------------

// θ's column term applied, rotated by ρ and moved by π: the lane that
// arrives at `Lane`.
template <int Lane>
[[gnu::always_inline]] inline uint64_t Arriving(const Lanes& a, const uint64_t (&d)[5]) {
  constexpr int from = PiSource(Lane);
  constexpr int offset = RhoOffset(from);
  return std::rotl(a[from] ^ d[from % 5], offset);
}

// χ on one lane of a row: b[x] ^ (~b[x + 1] & b[x + 2]) over the true
// values, given the arriving lanes b of the row as held, and returned as
// kComplemented holds the lane. The term is computed in one of the two forms
// whose inputs need no NOT, or with one NOT in the form that spares the
// result a NOT of its own.
template <uint32_t Held, int Lane>
[[gnu::always_inline]] inline uint64_t ChiLane(const uint64_t (&b)[5]) {
  constexpr int x = Lane % 5, row = Lane - x;
  constexpr int x1 = (x + 1) % 5, x2 = (x + 2) % 5;
  constexpr bool fp = ArrivingFlipped(Held, row + x1), fq = ArrivingFlipped(Held, row + x2);
  // The term must come out complemented when exactly one of the arriving
  // lane and the result is.
  constexpr bool want = ArrivingFlipped(Held, Lane) != Flipped(Held, Lane);
  const uint64_t p = b[x1], q = b[x2];
  uint64_t term;
  bool term_flipped = want;
  if constexpr (fp && !fq) {
    term = p & q;
    term_flipped = false;
  } else if constexpr (!fp && fq) {
    term = p | q;
    term_flipped = true;
  } else if constexpr (!fp) {  // ~p & q, or its complement p | ~q
    term = want ? (p | ~q) : (~p & q);
  } else {  // p & ~q, or its complement ~p | q
    term = want ? (~p | q) : (p & ~q);
  }
  const uint64_t out = b[x] ^ term;
  return term_flipped == want ? out : ~out;
}

// χ on a row; its lanes are also folded into the column parities c of the
// next round's θ while they are at hand.
template <uint32_t Held, int Row, int... X>
[[gnu::always_inline]] inline void ChiRow(const Lanes& a, const uint64_t (&d)[5], Lanes& e,
                                          uint64_t (&c)[5], std::integer_sequence<int, X...>) {
  const uint64_t b[5] = {Arriving<5 * Row + X>(a, d)...};
  ((e[5 * Row + X] = ChiLane<Held, 5 * Row + X>(b)), ...);
  if constexpr (Row == 0)
    ((c[X] = e[X]), ...);
  else
    ((c[X] ^= e[5 * Row + X]), ...);
}

// θ's term of each column: D[x] = C[x - 1] ^ rotl(C[x + 1], 1).
template <int... X>
[[gnu::always_inline]] inline void ThetaTerms(const uint64_t (&c)[5], uint64_t (&d)[5],
                                              std::integer_sequence<int, X...>) {
  ((d[X] = c[(X + 4) % 5] ^ std::rotl(c[(X + 1) % 5], 1)), ...);
}

// θ, ρ, π, χ and ι, from a into e; c holds the column parities of a and
// then those of e.
template <uint32_t Held, int... Row>
[[gnu::always_inline]] inline void RoundOf(const Lanes& a, Lanes& e, uint64_t (&c)[5],
                                           uint64_t round_constant,
                                           std::integer_sequence<int, Row...> rows) {
  uint64_t d[5];
  ThetaTerms(c, d, rows);
  (ChiRow<Held, Row>(a, d, e, c, rows), ...);
  e[0] ^= round_constant;
  c[0] ^= round_constant;
}

// Keccak-p[1600, 24] on lanes of which those in Held are complemented.
template <uint32_t Held>
[[gnu::always_inline]] inline void PermuteHeld(Lanes& a) {
  constexpr auto five = std::make_integer_sequence<int, 5>();
  uint64_t c[5];
  for (int x = 0; x < 5; ++x)
    c[x] = a[x] ^ a[x + 5] ^ a[x + 10] ^ a[x + 15] ^ a[x + 20];
  Lanes e;
  for (int round = 0; round < 24; round += 4) {
    RoundOf<Held>(a, e, c, kRoundConstants.of[round], five);
    RoundOf<Held>(e, a, c, kRoundConstants.of[round + 1], five);
    RoundOf<Held>(a, e, c, kRoundConstants.of[round + 2], five);
    RoundOf<Held>(e, a, c, kRoundConstants.of[round + 3], five);
  }
}

#if defined(__x86_64__) && defined(__GNUC__)

// With BMI1's and-not and BMI2's rotations that leave their source alone,
// complementing saves nothing and the plain lanes run faster.
__attribute__((target("bmi,bmi2"))) void PermuteBmi(Lanes& a) { PermuteHeld<0>(a); }

bool HasBmi() { return __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2"); }

#else

void PermuteBmi(Lanes&) {}

bool HasBmi() { return false; }

#endif

bool UseBmi() {
  static const bool bmi = HasBmi();
  return bmi;
}

// The lanes that the permutation of this processor holds complemented.
uint32_t HeldComplemented() { return UseBmi() ? 0 : kComplemented; }

// Turns plain lanes into held ones and back.
void Complement(Lanes& a, uint32_t held) {
  for (int i = 0; i < 25; ++i)
    if (Flipped(held, i))
      a[i] = ~a[i];
}
void ComplementHeld(Lanes& a) { Complement(a, HeldComplemented()); }

[[gnu::noinline]] void PermutePortable(Lanes& a) { PermuteHeld<kComplemented>(a); }

// Keccak-p[1600, 24] on lanes as the permutation of this processor holds them.
void Permute(Lanes& a) {
  if (UseBmi())
    PermuteBmi(a);
  else
    PermutePortable(a);
}

void LoadLanes(const uint8_t state[200], Lanes& a) {
  for (int i = 0; i < 25; ++i)
    a[i] = Load64LE(state + 8 * i);
}

void StoreLanes(const Lanes& a, uint8_t state[200]) {
  for (int i = 0; i < 25; ++i)
    Store64LE(state + 8 * i, a[i]);
}

void AbsorbBlocks(Lanes& a, const uint8_t* data, size_t blocks) {
  for (; blocks > 0; --blocks, data += kRate) {
    for (size_t i = 0; i < kRateLanes; ++i)
      a[i] ^= Load64LE(data + 8 * i);
    Permute(a);
  }
}

// XORs n bytes into the state from byte `at` of the block on.
void AbsorbBytes(Lanes& a, size_t at, const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i, ++at)
    a[at / 8] ^= uint64_t{data[i]} << (8 * (at % 8));
}

}  // namespace

void KeccakF1600_StatePermute(uint8_t state[200]) {
  Lanes a;
  LoadLanes(state, a);
  ComplementHeld(a);
  Permute(a);
  ComplementHeld(a);
  StoreLanes(a, state);
}

void KeccakF1600_PortablePermute(uint8_t state[200]) {
  Lanes a;
  LoadLanes(state, a);
  Complement(a, kComplemented);
  PermutePortable(a);
  Complement(a, kComplemented);
  StoreLanes(a, state);
}

void Sha3_512Begin(Sha3_512Context& context) {
  for (uint64_t& lane : context.lanes)
    lane = 0;
  ComplementHeld(context.lanes);
  context.filled = 0;
}

void Sha3_512Add(Sha3_512Context& context, const uint8_t* data, size_t n) {
  if (context.filled > 0) {
    const size_t part = n < kRate - context.filled ? n : kRate - context.filled;
    AbsorbBytes(context.lanes, context.filled, data, part);
    context.filled += part;
    data += part;
    n -= part;
    if (context.filled < kRate)
      return;
    Permute(context.lanes);
    context.filled = 0;
  }
  AbsorbBlocks(context.lanes, data, n / kRate);
  AbsorbBytes(context.lanes, 0, data + n / kRate * kRate, n % kRate);
  context.filled = n % kRate;
}

void Sha3_512End(Sha3_512Context& context, uint8_t digest[64]) {
  const uint8_t first = 0x06, last = 0x80;
  AbsorbBytes(context.lanes, context.filled, &first, 1);
  AbsorbBytes(context.lanes, kRate - 1, &last, 1);
  Permute(context.lanes);
  ComplementHeld(context.lanes);
  for (int i = 0; i < 8; ++i)
    Store64LE(digest + 8 * i, context.lanes[i]);
}

void Sha3_512(const uint8_t* data, size_t n, uint8_t digest[64]) {
  Sha3_512Context context;
  Sha3_512Begin(context);
  Sha3_512Add(context, data, n);
  Sha3_512End(context, digest);
}

std::string HB_SHA3512(const std::string& data) {
  uint8_t digest[64];
  Sha3_512(reinterpret_cast<const uint8_t*>(data.data()), data.size(), digest);
  return HEXTEXT(digest, sizeof digest);
}
