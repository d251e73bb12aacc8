// crypto_test_bytes.h: byte strings for the digest, cipher and Base64 tests.
#pragma once

#include <cstdint>
#include <string>

// "00ab ff" -> the bytes 0x00 0xAB 0xFF (blanks are ignored).
inline std::string FromHex(const std::string& hex) {
  std::string out;
  int high = -1;
  for (char ch : hex) {
    if (ch == ' ')
      continue;
    int v = (ch >= '0' && ch <= '9') ? ch - '0' : (ch | 0x20) - 'a' + 10;
    if (high < 0) {
      high = v;
    } else {
      out.push_back(static_cast<char>(high << 4 | v));
      high = -1;
    }
  }
  return out;
}

// n bytes that run through every value, 0x00 and bytes above 0x7F included:
// byte i is (37 i + 11) mod 256. The expected digests of these texts were
// computed with Python's hashlib.
inline std::string Pattern(size_t n) {
  std::string out(n, '\0');
  for (size_t i = 0; i < n; ++i)
    out[i] = static_cast<char>((i * 37 + 11) % 256);
  return out;
}
