// base64.h: Base64 (RFC 4648 section 4) encoding on one line, and the lenient
// decoding that skips every byte outside the alphabet.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes 4 * ceil(n / 3) characters to out; returns their number.
size_t Encode64(const uint8_t* in, size_t n, char* out);
// The same in the form that runs on any processor, for comparison.
size_t Encode64Portable(const uint8_t* in, size_t n, char* out);
// Writes at most 3 * n / 4 + 1 bytes to out; returns their number.
size_t Decode64(const char* in, size_t n, uint8_t* out);

std::string ENCODE64(const std::string& data);
std::string DECODE64(const std::string& data);
