// codepage.h: the internal code page (IBM 852) and its conversions to UTF-8,
// from UTF-8, and between the machine's ANSI (Windows-1250) and OEM (852)
// code pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "foundations/value.h"

// The code point of every byte of code page 852 and of Windows-1250.
extern const uint16_t kCp852ToUnicode[256];
extern const uint16_t kCp1250ToUnicode[256];

// The byte of code page 852 that carries the code point; -1 when none does.
int UnicodeTo852(uint32_t code_point);

std::string CP852TOUTF8(const Value& text);    // "" for a value that is not a text
std::string UTF8TOCP852(const std::string& utf8);

// UTF8TOCP852 over a text handed in pieces: a sequence split between two
// pieces is completed in the next, and one still open after the last piece is
// dropped, as UTF8TOCP852 drops it. A piece of n bytes gives at most n + 1
// (a sequence that it interrupts, and its own first character); all the
// pieces together never give more bytes than they hold.
class Utf8To852 {
 public:
  // Writes the piece's bytes of code page 852 to out; returns their number.
  size_t Convert(std::string_view utf8, char* out);

 private:
  uint32_t value_ = 0;
  int expected_ = 0;
};

std::string ACPTOOEM(const Value& text);       // "" for a value that is not a text
std::string OEMTOACP(const Value& text);       // "" for a value that is not a text

// The program's own texts are written in the sources as UTF-8 and held in
// code page 852: Text852("Hibás adat") is the ten bytes of code page 852.
std::string Text852(std::string_view utf8);
