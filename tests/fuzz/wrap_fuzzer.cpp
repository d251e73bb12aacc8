// wrap_fuzzer: the parameter file's line reader and the wrapper under it, on
// any text at widths from 1 to 40 and at 150.
//
// Input: one byte for the width, then the text.
//
// Checked: the reader gives WRAPCOUNT lines, each exactly as wide as asked,
// and then nothing; every line takes at least one byte of the text; the lines
// are those that the cutting rules give (CR LF the only line end, a line
// wider than the width cut after its last blank or TAB from column 2 on, else
// hard, a blank or TAB past the width dropped, 0x8D 0x0A taking no column,
// TAB to the next multiple of 4), written out here; WRAPLINE agrees with the
// reader at the first lines, the last, and past the end (one blank line, then
// nothing). Reading every line stays linear: libFuzzer's per-input time limit
// in scripts/fuzz catches a reader that cuts the earlier lines again.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "foundations/wrap.h"
#include "fuzz_input.h"

namespace {

struct Cut {
  int64_t columns;
  size_t next;
};

bool Pair(const std::string& t, size_t i, char a, char b) {
  return i + 1 < t.size() && t[i] == a && t[i + 1] == b;
}

Cut CutFrom(const std::string& t, size_t start, int64_t width) {
  int64_t column = 0;
  bool remembered = false;
  Cut at_break{0, 0};
  size_t i = start;
  while (i < t.size()) {
    if (Pair(t, i, '\x8D', '\n')) {
      if (remembered && at_break.next == i) at_break.next = i + 2;
      i += 2;
      continue;
    }
    if (Pair(t, i, '\r', '\n'))
      return {column, i + 2};
    char byte = t[i++];
    column += byte == '\t' ? 4 - column % 4 : 1;
    bool blank = byte == ' ' || byte == '\t';
    if (column > width) {
      if (blank) return {width, i};
      if (remembered) return at_break;
      return {width, i - 1};
    }
    if (blank && column > 1) {
      remembered = true;
      at_break = {column, i};
    }
  }
  return {column, i};
}

std::string LineAt(const std::string& t, size_t start, Cut cut, int64_t width) {
  std::string out;
  int64_t column = 0;
  for (size_t i = start; column < cut.columns && i < t.size();) {
    if (Pair(t, i, '\x8D', '\n')) {
      i += 2;
      continue;
    }
    char byte = t[i++];
    if (byte == '\t') {
      int64_t n = std::min<int64_t>(4 - column % 4, cut.columns - column);
      out.append(static_cast<size_t>(n), ' ');
      column += n;
    } else {
      out += byte;
      ++column;
    }
  }
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint8_t choice = input.Byte();
  const int64_t width = choice >= 200 ? 150 : choice % 40 + 1;
  const std::string text = input.Rest();
  const Value value(text);

  std::vector<std::string> expected;
  for (size_t start = 0; start < text.size();) {
    Cut cut = CutFrom(text, start, width);
    Check(cut.next > start);
    expected.push_back(LineAt(text, start, cut, width));
    start = cut.next;
  }

  const int64_t count = WRAPCOUNT(value, width);
  Check(count == static_cast<int64_t>(expected.size()));
  LineReader reader(text, width);
  for (const std::string& line : expected) {
    Check(!reader.AtEnd());
    std::string got = reader.Next();
    Check(got.size() == static_cast<size_t>(width));
    Check(got == line);
  }
  Check(reader.AtEnd() && reader.Next().empty());

  for (int64_t n : {int64_t{1}, int64_t{2}, count}) {
    if (n >= 1 && n <= count)
      Check(WRAPLINE(value, width, n) == expected[static_cast<size_t>(n - 1)]);
  }
  Check(WRAPLINE(value, width, count + 1) == std::string(static_cast<size_t>(width), ' '));
  Check(WRAPLINE(value, width, count + 2).empty());
  Check(WRAPLINE(value, width, 0).empty());
  Check(WRAPCOUNT(Value(1.0), width) == 0 && WRAPLINE(Value(1.0), width, 1).empty());
  return 0;
}
