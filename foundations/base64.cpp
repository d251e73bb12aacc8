// base64.cpp: Base64 on one line, and decoding that skips every byte outside
// the alphabet ("=" included) and drops the bits of an incomplete group.
#include "foundations/base64.h"

#include <algorithm>
#include <array>

#include "foundations/byte_order.h"

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#endif

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

// The two characters of each 12-bit value, first character in the low byte,
// so that encoding takes one look-up per 12 bits.
constexpr std::array<uint16_t, 4096> MakePairTable() {
  std::array<uint16_t, 4096> table{};
  for (int i = 0; i < 4096; ++i)
    table[i] = static_cast<uint16_t>(static_cast<uint8_t>(kAlphabet[i >> 6]) |
                                     static_cast<uint8_t>(kAlphabet[i & 63]) << 8);
  return table;
}

constexpr std::array<uint16_t, 4096> kPairs = MakePairTable();

// Six input bytes become eight characters; eight bytes must be readable, of
// which the first six are taken as 48 bits.
inline void EncodeSix(const uint8_t* in, char* out) {
  uint64_t bits = Load64BE(in) >> 16;
  uint64_t chars = uint64_t{kPairs[(bits >> 36) & 0xfff]} |
                   uint64_t{kPairs[(bits >> 24) & 0xfff]} << 16 |
                   uint64_t{kPairs[(bits >> 12) & 0xfff]} << 32 |
                   uint64_t{kPairs[bits & 0xfff]} << 48;
  Store64LE(reinterpret_cast<uint8_t*>(out), chars);
}

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

#if defined(__x86_64__) && defined(__GNUC__)

// Groups of twelve bytes with SSSE3, when the processor has it: each 32-bit
// lane takes one group of three bytes, the multiplications split it into four
// 6-bit values, and one byte shuffle adds each value's offset to its character.
__attribute__((target("ssse3"))) size_t EncodeTwelves(const uint8_t* in, size_t n, char* out) {
  if (!__builtin_cpu_supports("ssse3"))
    return 0;
  const __m128i spread = _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  const __m128i offsets = _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                                        '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '+' - 62,
                                        '/' - 63, 'A', 0, 0);
  size_t i = 0;
  // 16 bytes are loaded for each 12 taken.
  for (; i + 16 <= n; i += 12, out += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
    __m128i lanes = _mm_shuffle_epi8(bytes, spread);  // b1 b0 b2 b1 per lane
    __m128i high = _mm_mulhi_epu16(_mm_and_si128(lanes, _mm_set1_epi32(0x0fc0fc00)),
                                   _mm_set1_epi32(0x04000040));
    __m128i low = _mm_mullo_epi16(_mm_and_si128(lanes, _mm_set1_epi32(0x003f03f0)),
                                  _mm_set1_epi32(0x01000010));
    __m128i values = _mm_or_si128(high, low);
    // 0 for 26-51, 1-10 for 52-61, 11 for 62, 12 for 63, 13 for 0-25.
    __m128i kind = _mm_subs_epu8(values, _mm_set1_epi8(51));
    kind = _mm_or_si128(kind, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), values),
                                            _mm_set1_epi8(13)));
    __m128i chars = _mm_add_epi8(values, _mm_shuffle_epi8(offsets, kind));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), chars);
  }
  return i;
}

#else

size_t EncodeTwelves(const uint8_t*, size_t, char*) { return 0; }

#endif

// The groups from byte i on, which the vectors left, eight bytes at a time,
// then the last group with its padding.
size_t EncodeFrom(const uint8_t* in, size_t n, size_t i, char* start) {
  char* out = start + i / 3 * 4;
  for (; i + 26 <= n; i += 24, out += 32) {
    EncodeSix(in + i, out);
    EncodeSix(in + i + 6, out + 8);
    EncodeSix(in + i + 12, out + 16);
    EncodeSix(in + i + 18, out + 24);
  }
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

}  // namespace

size_t Encode64(const uint8_t* in, size_t n, char* out) {
  return EncodeFrom(in, n, EncodeTwelves(in, n, out), out);
}

size_t Encode64Portable(const uint8_t* in, size_t n, char* out) {
  return EncodeFrom(in, n, 0, out);
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

// The result is built by appending pieces encoded on the stack rather than
// zero-filled first and then overwritten: a large text is written once.
std::string ENCODE64(const std::string& data) {
  const auto* in = reinterpret_cast<const uint8_t*>(data.data());
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  char piece[4096];
  const size_t step = sizeof piece / 4 * 3;
  for (size_t i = 0; i < data.size(); i += step)
    out.append(piece, Encode64(in + i, std::min(step, data.size() - i), piece));
  return out;
}

std::string DECODE64(const std::string& data) {
  size_t n = data.size();
  std::string out(n / 4 * 3 + n % 4 * 3 / 4 + 1, '\0');
  out.resize(Decode64(data.data(), n, reinterpret_cast<uint8_t*>(out.data())));
  return out;
}
