// sha512.h: SHA-512 (FIPS 180-4).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundations/value.h"

// The 64-byte SHA-512 digest of n bytes.
void Sha512(const uint8_t* data, size_t n, uint8_t digest[64]);
// The same in the form that runs on any processor, for comparison.
void Sha512Portable(const uint8_t* data, size_t n, uint8_t digest[64]);

// The digest of a text's bytes as 128 lower-case hex characters; a value that
// is not a text is hashed as the empty text.
std::string SHA512HEX(const Value& data);
