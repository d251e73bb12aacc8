// crc32.cpp: the reflected CRC-32 with one table look-up per byte. The table
// is built by the compiler from the one-bit step.
#include "foundations/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t r = i;
    for (int bit = 0; bit < 8; ++bit)
      r = (r & 1u) ? (r >> 1) ^ 0xEDB88320u : r >> 1;
    table[i] = r;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t n) { return Crc32Continue(0, data, n); }

uint32_t Crc32Continue(uint32_t crc, const uint8_t* data, size_t n) {
  uint32_t r = crc ^ 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i)
    r = kTable[(r ^ data[i]) & 0xFFu] ^ (r >> 8);
  return r ^ 0xFFFFFFFFu;
}

uint32_t CRC32SUM(const std::string& data) {
  return Crc32(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}
