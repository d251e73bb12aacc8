// hextext.h: bytes as lower-case hexadecimal text, high nibble first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

std::string HEXTEXT(const uint8_t* bytes, size_t n);
