// sha3.h: SHA3-512 (FIPS 202) over the Keccak-f[1600] permutation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Keccak-p[1600, 24] on a 200-byte state, in place.
void KeccakF1600_StatePermute(uint8_t state[200]);

// The 64-byte SHA3-512 digest of n bytes.
void Sha3_512(const uint8_t* data, size_t n, uint8_t digest[64]);

// The digest of a text's bytes as 128 lower-case hex characters.
std::string HB_SHA3512(const std::string& data);
