// wrap.h: a text cut into display lines of a fixed width (tab stops every 4
// columns, word wrap, CR LF the only line end, 0x8D 0x0A a soft break).
#pragma once

#include <cstdint>
#include <string>

#include "foundations/value.h"

int64_t WRAPCOUNT(const Value& text, int64_t width);
// Line n (from 1), tabs expanded, padded with blanks to exactly width bytes.
// Right after the last line (n = WRAPCOUNT + 1) comes one empty line of width
// blanks; beyond it, and for n below 1, the result is "". A width below 1
// gives no lines.
std::string WRAPLINE(const Value& text, int64_t width, int64_t n);

// Reads the lines of one text in order, each cut once: reading all lines costs
// time linear in the text. Next() gives the same lines as WRAPLINE for n = 1,
// 2, ... WRAPCOUNT, then "". The reader keeps its own copy of the text.
class LineReader {
 public:
  LineReader(const std::string& text, int64_t width);
  bool AtEnd() const;
  std::string Next();
  void Skip();  // passes over the next line without building it

 private:
  std::string text_;
  int64_t width_;
  size_t offset_ = 0;
};
