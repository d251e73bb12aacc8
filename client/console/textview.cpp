// textview.cpp: the read-only text viewer.
#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "client/console/display.h"
#include "client/console/msgbox.h"
#include "client/console/screen.h"
#include "client/console/textview_lines.h"
#include "foundations/codepage.h"

namespace {

class LineCutter {
 public:
  explicit LineCutter(int columns) : columns_(static_cast<size_t>(std::max(columns, 1))) {}

  void Add(char c) {
    if (c == '\t') {
      do Put(' ');
      while (line_.size() % 4 != 0);
      return;
    }
    Put(c);
  }

  void EndLine() {
    lines_.push_back(line_);
    line_.clear();
  }

  std::vector<std::string> Finish() {
    EndLine();
    return std::move(lines_);
  }

 private:
  void Put(char c) {
    line_ += c;
    if (line_.size() < columns_)
      return;
    size_t blank = line_.find_last_of(" \t");
    if (blank == std::string::npos || blank == 0) {
      EndLine();
      return;
    }
    std::string rest = line_.substr(blank + 1);
    line_.resize(blank + 1);
    EndLine();
    line_ = rest;
  }

  size_t columns_;
  std::string line_;
  std::vector<std::string> lines_;
};

// The view's position and the first shown line and column, all from 1.
class View {
 public:
  View(std::vector<std::string> lines, int top, int left, int rows, int columns, int cut)
      : lines_(std::move(lines)), top_(top), left_(left), rows_(rows), columns_(columns), cut_(cut) {}

  // Only the part of the view that lies on the grid is drawn.
  void Draw(Screen& screen) const {
    auto span = [](int64_t start, int64_t size, int64_t limit, int* from, int* to) {
      *from = static_cast<int>(std::clamp<int64_t>(-start, 0, size));
      *to = static_cast<int>(std::clamp<int64_t>(limit - start, 0, size));
    };
    int first_row, end_row, first_column, end_column;
    span(top_, rows_, screen.rows(), &first_row, &end_row);
    span(left_, columns_, screen.columns(), &first_column, &end_column);
    for (int r = first_row; r < end_row; ++r) {
      size_t index = static_cast<size_t>(first_line_ - 1 + r);
      const std::string* line = index < lines_.size() ? &lines_[index] : nullptr;
      for (int c = first_column; c < end_column; ++c) {
        size_t at = static_cast<size_t>(first_column_ - 1 + c);
        char ch = line && at < line->size() ? (*line)[at] : ' ';
        screen.Put(top_ + r, left_ + c, Cell{static_cast<uint8_t>(ch), screen.standard()});
      }
    }
  }

  // False for Esc; true when the first shown line or column changed.
  bool Act(const Key& key, bool* scrolled) {
    int last = static_cast<int>(lines_.size());
    const int kEnd = -1;
    switch (key.code) {
      case KeyCode::Esc: return false;
      case KeyCode::Up: *scrolled = MoveTo(first_line_ - 1, column_); break;
      case KeyCode::Down: *scrolled = MoveTo(first_line_ + rows_, column_); break;
      case KeyCode::PgUp: *scrolled = MoveTo(line_ - (rows_ - 1), column_); break;
      case KeyCode::PgDn: *scrolled = MoveTo(line_ + (rows_ - 1), column_); break;
      case KeyCode::CtrlPgUp: *scrolled = MoveTo(1, 1); break;
      case KeyCode::CtrlPgDn: *scrolled = MoveTo(last, kEnd); break;
      case KeyCode::CtrlHome: *scrolled = MoveTo(first_line_, 1); break;
      case KeyCode::CtrlEnd: *scrolled = MoveTo(first_line_ + (rows_ - 1), kEnd); break;
      case KeyCode::Home: *scrolled = MoveTo(line_, 1); break;
      case KeyCode::End: *scrolled = MoveTo(line_, kEnd); break;
      case KeyCode::Left:
      case KeyCode::Backspace: *scrolled = MoveTo(line_, column_ - 1); break;
      case KeyCode::Right: *scrolled = MoveTo(line_, column_ + 1); break;
      case KeyCode::Tab: *scrolled = MoveTo(line_, column_ + 4 - (column_ - 1) % 4); break;
      case KeyCode::Enter: *scrolled = MoveTo(line_ + 1, 1); break;
      case KeyCode::CtrlLeft: *scrolled = MoveTo(line_, PreviousWord()); break;
      case KeyCode::CtrlRight: *scrolled = MoveTo(line_, NextWord()); break;
      default: break;
    }
    return true;
  }

  int line() const { return line_; }
  int column() const { return column_; }
  int first_line() const { return first_line_; }

 private:
  // `column` -1 stands for the end of the line: its length + 1.
  bool MoveTo(int line, int column) {
    int last = static_cast<int>(lines_.size());
    line_ = std::clamp(line, 1, last);
    if (column == -1)
      column = Length(line_) + 1;
    column_ = std::clamp(column, 1, cut_);
    int old_line = first_line_, old_column = first_column_;
    first_line_ = Follow(first_line_, line_, rows_);
    first_column_ = Follow(first_column_, column_, columns_);
    return first_line_ != old_line || first_column_ != old_column;
  }

  static int Follow(int first, int position, int shown) {
    if (position < first)
      return position;
    if (position > first + (shown - 1))
      return position - (shown - 1);
    return first;
  }

  int Length(int line) const { return static_cast<int>(lines_[static_cast<size_t>(line - 1)].size()); }

  bool IsWordAt(const std::string& text, int column) const {
    size_t at = static_cast<size_t>(column - 1);
    return at < text.size() && text[at] != ' ' && (at == 0 || text[at - 1] == ' ');
  }

  // The columns where a word begins: a non-blank after a blank or at the start.
  int PreviousWord() const {
    const std::string& text = lines_[static_cast<size_t>(line_ - 1)];
    for (int c = column_ - 1; c >= 1; --c)
      if (IsWordAt(text, c)) return c;
    return 1;
  }

  int NextWord() const {
    const std::string& text = lines_[static_cast<size_t>(line_ - 1)];
    for (int c = column_ + 1; c <= static_cast<int>(text.size()); ++c)
      if (IsWordAt(text, c)) return c;
    return Length(line_) + 1;
  }

  std::vector<std::string> lines_;
  int top_, left_, rows_, columns_, cut_;
  int line_ = 1, column_ = 1, first_line_ = 1, first_column_ = 1;
};

void WriteToStandardOutput(const std::string& text) {
  std::string out = CP852TOUTF8(Value(text)) + "\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fflush(stdout);
}

}  // namespace

std::vector<std::string> ViewLines(const std::string& text, int columns) {
  LineCutter cutter(columns);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    char next = i + 1 < text.size() ? text[i + 1] : '\0';
    if (c == '\x8D' && next == '\n') {
      ++i;
    } else if ((c == '\r' && next == '\n') || (c == '\n' && next == '\r')) {
      cutter.EndLine();
      ++i;
    } else if (c == '\r' || c == '\n') {
      cutter.EndLine();
    } else {
      cutter.Add(c);
    }
  }
  return cutter.Finish();
}

std::string TEXTVIEW(const std::string& text, int top, int left, int bottom, int right) {
  Screen& screen = TheScreen();
  // The rectangle's size, held to what an int keeps whatever the corners.
  auto extent = [](int from, int to) {
    return static_cast<int>(std::clamp<int64_t>(int64_t{to} - from + 1, 1, 1 << 20));
  };
  int rows = extent(top, bottom);
  int columns = extent(left, right);
  View view(ViewLines(text, columns), top, left, rows, columns, columns);
  view.Draw(screen);
  RefreshConsole();
  if (!CurrentDisplay().interactive()) {
    WriteToStandardOutput(text);
    ServiceConsole();
    return text;
  }
  for (;;) {
    std::optional<Key> key = WaitForKey();
    bool scrolled = false;
    if (!key || !view.Act(*key, &scrolled))
      break;
    if (scrolled) {
      view.Draw(screen);
      RefreshConsole();
    }
  }
  ServiceConsole();
  return text;
}
