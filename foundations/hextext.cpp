// hextext.cpp: bytes as lower-case hexadecimal text.
#include "foundations/hextext.h"

std::string HEXTEXT(const uint8_t* bytes, size_t n) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out(2 * n, '\0');
  for (size_t i = 0; i < n; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0f];
  }
  return out;
}
