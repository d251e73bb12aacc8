// sha3.h: SHA3-512 (FIPS 202) over the Keccak-f[1600] permutation, in one
// call or over bytes handed in piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Keccak-p[1600, 24] on a 200-byte state, in place, in the fastest form
// that the processor runs.
void KeccakF1600_StatePermute(uint8_t state[200]);
// The same in the form that runs on any processor, for comparison.
void KeccakF1600_PortablePermute(uint8_t state[200]);

// The 64-byte SHA3-512 digest of n bytes.
void Sha3_512(const uint8_t* data, size_t n, uint8_t digest[64]);

// The digest of every byte given to Sha3_512Add between Sha3_512Begin and
// Sha3_512End, in order, as if they had been given to Sha3_512 at once.
// The bytes are read in place; nothing is allocated.
struct Sha3_512Context {
  uint64_t lanes[25];  // as the permutation holds them between blocks
  size_t filled;       // bytes of the current block taken in
};
void Sha3_512Begin(Sha3_512Context& context);
void Sha3_512Add(Sha3_512Context& context, const uint8_t* data, size_t n);
void Sha3_512End(Sha3_512Context& context, uint8_t digest[64]);

// The digest of a text's bytes as 128 lower-case hex characters.
std::string HB_SHA3512(const std::string& data);
