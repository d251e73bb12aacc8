// codepage_fuzzer: the code-page conversions on any bytes.
//
// Checked, with the input taken as each kind of text in turn:
// - CP852TOUTF8 gives well-formed UTF-8 whose characters are those of the
//   code page 852 table for the bytes, one for one, and UTF8TOCP852 gives the
//   bytes back;
// - UTF8TOCP852 reads any bytes by the lenient rules (at most one sequence
//   pending, its value kept in 16 bits, an interrupted sequence emitted, one
//   pending at the end dropped; a code point without a byte of code page 852
//   becomes itself below 256, else "?"), checked against those rules written
//   out here;
// - OEMTOACP and ACPTOOEM give one byte per byte: the same character in the
//   target code page, or "?" where it lacks it;
// - the ANSI rewrite of a response, OEMTOACP(UTF8TOCP852(bytes)), gives one
//   byte for every character read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundations/codepage.h"
#include "fuzz_input.h"

namespace {

// Strict UTF-8 to code points: false for anything not well-formed (overlong
// forms, surrogates, truncated sequences, stray continuation bytes).
bool DecodeStrict(const std::string& text, std::vector<uint32_t>* out) {
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                  : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
    if (length == 0 || i + length > text.size())
      return false;
    uint32_t cp = length == 1 ? lead : lead & (0xFFu >> (length + 1));
    for (size_t k = 1; k < length; ++k) {
      unsigned char c = static_cast<unsigned char>(text[i + k]);
      if ((c & 0xC0) != 0x80)
        return false;
      cp = cp << 6 | (c & 0x3Fu);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    out->push_back(cp);
    i += length;
  }
  return true;
}

// The lenient reading, rule by rule.
std::string LenientTo852(const std::string& text) {
  std::string out;
  auto emit = [&out](uint32_t cp) {
    int byte = UnicodeTo852(cp);
    out += byte >= 0 ? static_cast<char>(byte) : cp < 256 ? static_cast<char>(cp) : '?';
  };
  uint32_t value = 0;
  int pending = 0;
  for (char ch : text) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (pending > 0) {
      if (b >= 0x80 && b <= 0xBF) {
        value = (value * 64 + (b & 0x3F)) % 65536;
        if (--pending == 0)
          emit(value);
        continue;
      }
      emit(value);
      pending = 0;
    }
    if (b >= 0xC0 && b <= 0xDF) {
      value = b & 0x1F, pending = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      value = b & 0x0F, pending = 2;
    } else if (b >= 0xF0 && b <= 0xF7) {
      value = b & 0x07, pending = 3;
    } else if (b >= 0xF8 && b <= 0xFB) {
      value = b & 0x03, pending = 4;
    } else if (b == 0xFC || b == 0xFD) {
      value = b & 0x01, pending = 5;
    } else {
      emit(b);
    }
  }
  return out;
}

// One byte per byte, each the same character in the target or "?" when the
// target has no byte for it.
void CheckByteForByte(const std::string& in, const std::string& out, const uint16_t (&from)[256],
                      const uint16_t (&to)[256]) {
  Check(out.size() == in.size());
  for (size_t i = 0; i < in.size(); ++i) {
    uint16_t character = from[static_cast<unsigned char>(in[i])];
    unsigned char got = static_cast<unsigned char>(out[i]);
    if (to[got] == character)
      continue;
    Check(got == '?');
    for (int t = 0; t < 256; ++t)
      Check(to[t] != character);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const std::string bytes = input.Rest();

  std::string utf8 = CP852TOUTF8(Value(bytes));
  std::vector<uint32_t> characters;
  Check(DecodeStrict(utf8, &characters));
  Check(characters.size() == bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i)
    Check(characters[i] == kCp852ToUnicode[static_cast<unsigned char>(bytes[i])]);
  Check(UTF8TOCP852(utf8) == bytes);

  std::string read = LenientTo852(bytes);
  Check(UTF8TOCP852(bytes) == read);

  CheckByteForByte(bytes, OEMTOACP(Value(bytes)), kCp852ToUnicode, kCp1250ToUnicode);
  CheckByteForByte(bytes, ACPTOOEM(Value(bytes)), kCp1250ToUnicode, kCp852ToUnicode);

  // The ANSI rewrite of a response that holds these bytes.
  Check(OEMTOACP(Value(UTF8TOCP852(bytes))).size() == read.size());
  return 0;
}
