// base64_fuzzer: Base64 encoding and the lenient decoding on any bytes. The
// input and the output areas are exactly as large as they may be, so that the
// sanitizer catches a read or write past either.
//
// Checked: the encoding has 4 * ceil(n / 3) characters, is the RFC 4648 form
// written out here, and decodes back to the bytes; the decoding of any text
// is what its alphabet characters give by the lenient rules (every other byte
// skipped, "=" included; an incomplete last group gives 0, 1 or 2 bytes) and
// never more than 3/4 of the text's length.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "foundations/base64.h"
#include "fuzz_input.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string PlainEncode(const std::string& bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t group = 0;
    for (size_t k = 0; k < 3; ++k)
      group = group << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (size_t k = 0; k < 4; ++k)
      out += k <= n ? kAlphabet[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::string PlainDecode(const std::string& text) {
  std::string out;
  uint32_t group = 0;
  int count = 0;
  for (char c : text) {
    const char* at = c == 0 ? nullptr : std::strchr(kAlphabet, c);
    if (at == nullptr)
      continue;
    group = group << 6 | static_cast<uint32_t>(at - kAlphabet);
    if (++count == 4) {
      out += static_cast<char>(group >> 16);
      out += static_cast<char>(group >> 8);
      out += static_cast<char>(group);
      group = 0;
      count = 0;
    }
  }
  if (count == 2)
    out += static_cast<char>(group >> 4);
  if (count == 3) {
    out += static_cast<char>(group >> 10);
    out += static_cast<char>(group >> 2);
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string bytes = input.Rest();
  const size_t n = bytes.size();
  auto in = std::make_unique<uint8_t[]>(n);
  std::memcpy(in.get(), bytes.data(), n);

  const size_t encoded_size = (n + 2) / 3 * 4;
  auto encoded = std::make_unique<char[]>(encoded_size);
  Check(Encode64(in.get(), n, encoded.get()) == encoded_size);
  std::string encoding(encoded.get(), encoded_size);
  Check(encoding == PlainEncode(bytes));
  Check(ENCODE64(bytes) == encoding);
  Check(DECODE64(encoding) == bytes);

  const size_t most = n * 3 / 4;
  auto decoded = std::make_unique<uint8_t[]>(most);
  size_t decoded_size = Decode64(reinterpret_cast<const char*>(in.get()), n, decoded.get());
  Check(decoded_size <= most);
  std::string decoding(reinterpret_cast<const char*>(decoded.get()), decoded_size);
  Check(decoding == PlainDecode(bytes));
  Check(DECODE64(bytes) == decoding);
  return 0;
}
