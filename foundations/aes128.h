// aes128.h: AES-128 decryption (FIPS-197) of the exchange-token block.
#pragma once

#include <cstdint>
#include <string>

#include "foundations/value.h"

// The key schedule: 176 bytes, w[0..43] of FIPS-197, from a 16-byte key.
void KeyExpansion(uint8_t round_keys[176], const uint8_t key[16]);
// The inverse cipher of FIPS-197 section 5.3 on one 16-byte block, in place.
void InvCipher(uint8_t state[16], const uint8_t round_keys[176]);

// Decrypts the first 64 bytes of data (four blocks, ECB) under the first 16
// bytes of key and returns the first 50 decrypted bytes. Missing bytes count as
// 0x00; a key that is not a text counts as the empty text.
std::string AES128(const Value& data, const Value& key);
