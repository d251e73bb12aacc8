// wrap.h: a text cut into display lines of a fixed width (tab stops every 4
// columns, word wrap, CR LF the only line end, 0x8D 0x0A a soft break).
#pragma once

#include <cstdint>
#include <string>

#include "foundations/value.h"

int64_t WRAPCOUNT(const Value& text, int64_t width);
// Line n (from 1), tabs expanded, padded with blanks to exactly width bytes;
// "" for n outside 1..WRAPCOUNT.
std::string WRAPLINE(const Value& text, int64_t width, int64_t n);

// Reads the lines of one text in order, each cut once: reading all lines costs
// time linear in the text. Next() gives the same lines as WRAPLINE for n = 1,
// 2, ... WRAPCOUNT.
class LineReader {
 public:
  LineReader(const std::string& text, int64_t width);
  bool AtEnd() const;
  std::string Next();

 private:
  const std::string& text_;
  int64_t width_;
  size_t offset_ = 0;
  bool started_ = false;
};
