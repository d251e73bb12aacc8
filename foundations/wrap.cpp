// wrap.cpp: cutting a text into display lines of a fixed width. A line ends
// at CR LF, or where it grows wider than the width: after its last blank or
// TAB (a break), or hard at the width. The two bytes 0x8D 0x0A are a soft
// break: they take no column and end no line.
#include "foundations/wrap.h"

namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

bool IsPair(const std::string& t, size_t i, char first, char second) {
  return i + 1 < t.size() && t[i] == first && t[i + 1] == second;
}

bool IsSoftBreak(const std::string& t, size_t i) { return IsPair(t, i, '\x8D', '\n'); }

int64_t TabColumns(int64_t column) { return 4 - column % 4; }

struct Line {
  int64_t columns = 0;  // never more than the width
  size_t next = 0;      // where the next line starts
};

// Cuts one line from `start`.
Line CutLine(const std::string& t, size_t start, int64_t width) {
  int64_t c = 0;
  bool has_break = false;
  Line at_break;  // the last blank or TAB after column 1: its column and the offset after it
  size_t i = start;
  while (i < t.size()) {
    if (IsSoftBreak(t, i)) {
      if (has_break && at_break.next == i)
        at_break.next = i + 2;
      i += 2;
      continue;
    }
    if (IsPair(t, i, '\r', '\n'))
      return {c, i + 2};
    char byte = t[i++];
    c += byte == '\t' ? TabColumns(c) : 1;
    if (c > width) {
      if (IsBlankOrTab(byte))
        return {width, i};  // the blank is dropped
      if (has_break)
        return at_break;
      return {width, i - 1};  // hard cut: this byte opens the next line
    }
    if (IsBlankOrTab(byte) && c > 1) {
      has_break = true;
      at_break = {c, i};
    }
  }
  return {c, i};
}

// The line's bytes up to its column count, soft breaks left out and TABs
// expanded, padded with blanks to the width.
std::string Render(const std::string& t, size_t start, int64_t columns, int64_t width) {
  std::string out;
  out.reserve(static_cast<size_t>(width));
  int64_t c = 0;
  for (size_t i = start; c < columns && i < t.size();) {
    if (IsSoftBreak(t, i)) {
      i += 2;
      continue;
    }
    char byte = t[i++];
    int64_t n = byte == '\t' ? std::min(TabColumns(c), columns - c) : 1;
    out.append(static_cast<size_t>(n), byte == '\t' ? ' ' : byte);
    c += n;
  }
  out.resize(static_cast<size_t>(width), ' ');
  return out;
}

}  // namespace

int64_t WRAPCOUNT(const Value& text, int64_t width) {
  if (!text.is_text() || width < 1)
    return 0;
  int64_t count = 0;
  for (LineReader reader(text.text(), width); !reader.AtEnd(); reader.Skip()) ++count;
  return count;
}

std::string WRAPLINE(const Value& text, int64_t width, int64_t n) {
  if (!text.is_text() || width < 1 || n <= 0)
    return "";
  const std::string& t = text.text();
  size_t start = 0;
  for (int64_t skipped = 0; skipped < n - 1; ++skipped) {
    if (start >= t.size())
      return "";  // the text ended before line n
    start = CutLine(t, start, width).next;
  }
  return Render(t, start, CutLine(t, start, width).columns, width);
}

LineReader::LineReader(const std::string& text, int64_t width) : text_(text), width_(width) {}

bool LineReader::AtEnd() const { return width_ < 1 || offset_ >= text_.size(); }

void LineReader::Skip() {
  if (!AtEnd())
    offset_ = CutLine(text_, offset_, width_).next;
}

std::string LineReader::Next() {
  if (AtEnd())
    return "";
  Line line = CutLine(text_, offset_, width_);
  std::string out = Render(text_, offset_, line.columns, width_);
  offset_ = line.next;
  return out;
}
