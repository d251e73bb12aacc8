// codepage.cpp: code page 852 to UTF-8 and back, the machine's ANSI/OEM
// conversions, and Text852 for the program's own Hungarian texts.
#include "foundations/codepage.h"

#include <array>

#include "foundations/codepage_machine.h"

namespace {

// For each code point below 0x10000 the byte of code page 852 that carries
// it, or -1. Built once from the table: every code point occurs at most once.
const std::array<int16_t, 0x10000>& ReverseTable() {
  static const std::array<int16_t, 0x10000> reverse = [] {
    std::array<int16_t, 0x10000> r;
    r.fill(-1);
    for (int b = 0; b < 256; ++b)
      r[kCp852ToUnicode[b]] = static_cast<int16_t>(b);
    return r;
  }();
  return reverse;
}

size_t Utf8Length(uint32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : 3; }

// Writes a code point below 0x10000 as UTF-8 and returns the bytes written.
size_t PutUtf8(uint32_t cp, char* out) {
  if (cp < 0x80) {
    out[0] = static_cast<char>(cp);
    return 1;
  }
  if (cp < 0x800) {
    out[0] = static_cast<char>(0xC0 | (cp >> 6));
    out[1] = static_cast<char>(0x80 | (cp & 0x3F));
    return 2;
  }
  out[0] = static_cast<char>(0xE0 | (cp >> 12));
  out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
  out[2] = static_cast<char>(0x80 | (cp & 0x3F));
  return 3;
}

// The byte that stands for a decoded code point: its byte in code page 852,
// else itself when it fits a byte, else "?".
char ByteFor(uint32_t cp) {
  int b = UnicodeTo852(cp);
  if (b >= 0)
    return static_cast<char>(b);
  return cp < 256 ? static_cast<char>(cp) : '?';
}

// How many continuation bytes a lead byte announces; 0 for a byte that is a
// code point of its own value (0x00-0xBF, 0xFE, 0xFF).
int ContinuationCount(unsigned char b) {
  if (b < 0xC0 || b >= 0xFE)
    return 0;
  if (b < 0xE0)
    return 1;
  if (b < 0xF0)
    return 2;
  if (b < 0xF8)
    return 3;
  return b < 0xFC ? 4 : 5;
}

}  // namespace

// The lenient UTF-8 decoder. At most one unfinished sequence is pending; its
// value is held in 16 bits, and it carries over to the next piece.
size_t Utf8To852::Convert(std::string_view utf8, char* out) {
  size_t at = 0;
  for (unsigned char b : utf8) {
    if (expected_ > 0) {
      if (b >= 0x80 && b <= 0xBF) {
        value_ = ((value_ << 6) | (b & 0x3Fu)) & 0xFFFFu;
        if (--expected_ == 0)
          out[at++] = ByteFor(value_);
        continue;
      }
      out[at++] = ByteFor(value_);  // interrupted: the value gathered so far
      expected_ = 0;
    }
    expected_ = ContinuationCount(b);
    if (expected_ == 0)
      out[at++] = ByteFor(b);
    else
      value_ = b & (0x3Fu >> expected_);
  }
  return at;
}

int UnicodeTo852(uint32_t code_point) {
  if (code_point >= 0x10000)
    return -1;
  return ReverseTable()[code_point];
}

std::string CP852TOUTF8(const Value& text) {
  if (!text.is_text())
    return "";
  const std::string& in = text.text();
  size_t length = 0;
  for (unsigned char b : in)
    length += Utf8Length(kCp852ToUnicode[b]);
  std::string out(length, '\0');
  size_t at = 0;
  for (unsigned char b : in)
    at += PutUtf8(kCp852ToUnicode[b], &out[at]);
  return out;
}

// A sequence still pending at the end is dropped.
std::string UTF8TOCP852(const std::string& utf8) {
  std::string out(utf8.size() + 1, '\0');
  out.resize(Utf8To852().Convert(utf8, out.data()));
  return out;
}

std::string ACPTOOEM(const Value& text) {
  return text.is_text() ? MachineAnsiToOem(text.text()) : "";
}

std::string OEMTOACP(const Value& text) {
  return text.is_text() ? MachineOemToAnsi(text.text()) : "";
}

std::string Text852(std::string_view utf8) { return UTF8TOCP852(std::string(utf8)); }
