// base64.cpp: Base64 on one line, and decoding that skips every byte outside
// the alphabet ("=" included) and drops the bits of an incomplete group.
#include "foundations/base64.h"

#include <array>

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr uint8_t kSkip = 0x80;

// The value of each alphabet byte; kSkip for every other byte.
constexpr std::array<uint8_t, 256> MakeDecodeTable() {
  std::array<uint8_t, 256> table{};
  for (auto& v : table)
    v = kSkip;
  for (uint8_t i = 0; i < 64; ++i)
    table[static_cast<uint8_t>(kAlphabet[i])] = i;
  return table;
}

constexpr std::array<uint8_t, 256> kDecode = MakeDecodeTable();

void EncodeGroup(uint32_t bits, char* out) {
  out[0] = kAlphabet[(bits >> 18) & 63];
  out[1] = kAlphabet[(bits >> 12) & 63];
  out[2] = kAlphabet[(bits >> 6) & 63];
  out[3] = kAlphabet[bits & 63];
}

void WriteGroup(uint32_t bits, uint8_t* out) {
  out[0] = static_cast<uint8_t>(bits >> 16);
  out[1] = static_cast<uint8_t>(bits >> 8);
  out[2] = static_cast<uint8_t>(bits);
}

}  // namespace

size_t Encode64(const uint8_t* in, size_t n, char* out) {
  char* start = out;
  size_t i = 0;
  for (; i + 3 <= n; i += 3, out += 4)
    EncodeGroup(uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8 | in[i + 2], out);
  if (n - i == 1) {
    EncodeGroup(uint32_t{in[i]} << 16, out);
    out[2] = out[3] = '=';
    out += 4;
  } else if (n - i == 2) {
    EncodeGroup(uint32_t{in[i]} << 16 | uint32_t{in[i + 1]} << 8, out);
    out[3] = '=';
    out += 4;
  }
  return static_cast<size_t>(out - start);
}

size_t Decode64(const char* text, size_t n, uint8_t* out) {
  const auto* in = reinterpret_cast<const uint8_t*>(text);
  uint8_t* start = out;
  uint32_t bits = 0;
  int count = 0;
  size_t i = 0;
  while (i < n) {
    // Whole groups of four alphabet bytes, the common case, in one step.
    if (count == 0 && i + 4 <= n) {
      uint8_t a = kDecode[in[i]], b = kDecode[in[i + 1]], c = kDecode[in[i + 2]],
              d = kDecode[in[i + 3]];
      if (((a | b | c | d) & kSkip) == 0) {
        WriteGroup(uint32_t{a} << 18 | uint32_t{b} << 12 | uint32_t{c} << 6 | d, out);
        out += 3;
        i += 4;
        continue;
      }
    }
    uint8_t v = kDecode[in[i++]];
    if (v & kSkip)
      continue;
    bits = bits << 6 | v;
    if (++count == 4) {
      WriteGroup(bits, out);
      out += 3;
      bits = 0;
      count = 0;
    }
  }
  // Two characters make one byte, three make two; the bits left over in the
  // last character are dropped.
  if (count == 2) {
    *out++ = static_cast<uint8_t>(bits >> 4);
  } else if (count == 3) {
    *out++ = static_cast<uint8_t>(bits >> 10);
    *out++ = static_cast<uint8_t>(bits >> 2);
  }
  return static_cast<size_t>(out - start);
}

std::string ENCODE64(const std::string& data) {
  std::string out((data.size() + 2) / 3 * 4, '\0');
  Encode64(reinterpret_cast<const uint8_t*>(data.data()), data.size(), out.data());
  return out;
}

std::string DECODE64(const std::string& data) {
  size_t n = data.size();
  std::string out(n / 4 * 3 + n % 4 * 3 / 4 + 1, '\0');
  out.resize(Decode64(data.data(), n, reinterpret_cast<uint8_t*>(out.data())));
  return out;
}
