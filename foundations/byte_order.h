// byte_order.h: 64-bit words read from and written to byte buffers in a
// fixed byte order, whatever the machine's own.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

inline uint64_t ByteSwap64(uint64_t v) {
  v = (v & 0x00ff00ff00ff00ff) << 8 | ((v >> 8) & 0x00ff00ff00ff00ff);
  v = (v & 0x0000ffff0000ffff) << 16 | ((v >> 16) & 0x0000ffff0000ffff);
  return v << 32 | v >> 32;
}

inline uint64_t Load64LE(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return std::endian::native == std::endian::little ? v : ByteSwap64(v);
}

inline void Store64LE(uint8_t* p, uint64_t v) {
  if (std::endian::native != std::endian::little)
    v = ByteSwap64(v);
  std::memcpy(p, &v, 8);
}

inline uint64_t Load64BE(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  return std::endian::native == std::endian::little ? ByteSwap64(v) : v;
}

inline void Store64BE(uint8_t* p, uint64_t v) {
  if (std::endian::native == std::endian::little)
    v = ByteSwap64(v);
  std::memcpy(p, &v, 8);
}
