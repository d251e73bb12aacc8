// msgbox.cpp: the modal message box.
#include "client/console/msgbox.h"

#include <algorithm>

#include "client/console/display.h"
#include "client/console/msgbox_layout.h"
#include "client/console/process_platform.h"
#include "client/console/screen.h"
#include "foundations/text.h"

namespace {

constexpr uint8_t kBoxColour = 0x4F;       // white on red
constexpr uint8_t kSelectedColour = 0x1F;  // white on blue

// The blank of the line that ends it at the preferred width (at most
// `preferred` characters before it), or npos.
size_t LastBlankWithin(const std::string& line, int preferred) {
  return line.rfind(' ', static_cast<size_t>(preferred));
}

// The first blank with more than `preferred` and at most `widest` characters
// before it, or npos.
size_t FirstBlankBeyond(const std::string& line, int preferred, int widest) {
  size_t pos = line.find(' ', static_cast<size_t>(preferred) + 1);
  return pos != std::string::npos && pos <= static_cast<size_t>(widest) ? pos : std::string::npos;
}

std::vector<std::string> ButtonTexts(const std::vector<Value>& buttons) {
  std::vector<std::string> texts;
  for (const Value& button : buttons)
    if (button.is_text() && !ISBLANK(button))
      texts.push_back(button.text());
  if (texts.empty())
    texts.push_back("Ok");
  return texts;
}

class Box {
 public:
  Box(const BoxLayout& layout, const std::vector<std::string>& buttons)
      : layout_(layout), buttons_(buttons) {}

  void Draw(Screen& screen) const {
    const BoxLayout& b = layout_;
    for (int r = b.top + 1; r < b.bottom; ++r)
      for (int c = b.left + 1; c < b.right; ++c)
        screen.Put(r, c, Cell{' ', kBoxColour});
    screen.DrawFrame(b.top, b.left, b.bottom, b.right, kBoxColour);
    int row = b.top + 1;
    for (const std::string& full : b.lines) {
      if (row >= b.bottom - 1)
        break;
      std::string line = full.substr(0, static_cast<size_t>(b.width));
      int column = b.left + 2 + (b.width + 1 - static_cast<int>(line.size())) / 2;
      for (size_t i = 0; i < line.size(); ++i)
        screen.Put(row, column + static_cast<int>(i), Cell{static_cast<uint8_t>(line[i]), kBoxColour});
      ++row;
    }
    DrawButtons(screen);
  }

  void DrawButtons(Screen& screen) const {
    int row = layout_.bottom - 1;
    for (size_t i = 0; i < buttons_.size(); ++i) {
      uint8_t attr = static_cast<int>(i) == selected_ ? kSelectedColour : kBoxColour;
      std::string face = " " + buttons_[i] + " ";
      int column = layout_.button_columns[i];
      // A button that does not fit stays inside the box.
      for (size_t k = 0; k < face.size(); ++k) {
        int c = column + static_cast<int>(k);
        if (c > layout_.left && c < layout_.right)
          screen.Put(row, c, Cell{static_cast<uint8_t>(face[k]), attr});
      }
    }
  }

  // The chosen button (1-based), 0 for Esc, -1 to go on waiting.
  int Act(const Key& key, Screen& screen) {
    int count = static_cast<int>(buttons_.size());
    switch (key.code) {
      case KeyCode::Enter: return selected_ + 1;
      case KeyCode::Esc: return 0;
      case KeyCode::Right:
      case KeyCode::Tab:
        Select((selected_ + 1) % count, screen);
        return -1;
      case KeyCode::Left:
      case KeyCode::ShiftTab:
        Select((selected_ + count - 1) % count, screen);
        return -1;
      case KeyCode::MouseLeft: return ButtonAt(key.row, key.column);
      case KeyCode::Char: return key.ch == ' ' ? selected_ + 1 : ButtonStartingWith(key.ch);
      default: return -1;
    }
  }

  int selected() const { return selected_; }

 private:
  void Select(int button, Screen& screen) {
    selected_ = button;
    DrawButtons(screen);
    RefreshConsole();
  }

  int ButtonAt(int row, int column) const {
    if (row != layout_.bottom - 1)
      return -1;
    for (size_t i = 0; i < buttons_.size(); ++i) {
      int first = layout_.button_columns[i] + 1;
      int last = first + static_cast<int>(buttons_[i].size()) - 1;
      if (column >= first && column <= last && column < layout_.right)
        return static_cast<int>(i) + 1;
    }
    return -1;
  }

  int ButtonStartingWith(uint8_t ch) const {
    std::string typed = UPCASE(std::string(1, static_cast<char>(ch)));
    for (size_t i = 0; i < buttons_.size(); ++i)
      if (UPCASE(buttons_[i].substr(0, 1)) == typed)
        return static_cast<int>(i) + 1;
    return -1;
  }

  const BoxLayout& layout_;
  const std::vector<std::string>& buttons_;
  int selected_ = 0;
};

// Without a user: the text goes to standard error as the run-time error
// report goes there, in the same code page, and the box is answered as Enter
// answers it.
int AnswerHeadless(const std::string& text) {
  std::string out;
  for (char c : text)
    out += c == ';' ? '\n' : c;
  WriteStandardError(out + "\n");
  return 1;
}

}  // namespace

std::vector<std::string> WrapMessage(const std::string& text, int preferred, int widest,
                                     bool* cut_or_broken) {
  std::vector<std::string> lines;
  std::string line;
  bool broken = false;
  auto end_line = [&](size_t at, size_t resume) {
    std::string rest = resume < line.size() ? line.substr(resume) : std::string();
    lines.push_back(line.substr(0, at));
    line = rest;
    broken = true;
  };
  for (char c : text) {
    if (c == ';') {
      end_line(line.size(), line.size());
      continue;
    }
    if (static_cast<int>(line.size()) + 1 > preferred) {
      size_t blank = LastBlankWithin(line, preferred);
      if (blank != std::string::npos) {
        end_line(blank, blank + 1);
      } else if (static_cast<int>(line.size()) + 1 > widest) {
        size_t far_blank = FirstBlankBeyond(line, preferred, widest);
        if (far_blank != std::string::npos)
          end_line(far_blank, far_blank + 1);
        else
          end_line(line.size(), line.size());
      }
    }
    line += c;
  }
  lines.push_back(line);
  if (cut_or_broken)
    *cut_or_broken = broken;
  return lines;
}

BoxLayout LayOutBox(const std::string& text, const std::vector<std::string>& buttons, int rows,
                    int columns) {
  BoxLayout b;
  int widest = std::max(1, columns - 4);
  int preferred = std::max(1, 3 * widest / 4);
  bool broken = false;
  b.lines = WrapMessage(text, preferred, widest, &broken);
  for (const std::string& line : b.lines)
    b.width = std::max(b.width, static_cast<int>(line.size()));
  if (!broken && b.width < preferred)
    b.width = std::min(b.width + 4, preferred);
  size_t needed = 0;
  for (const std::string& button : buttons)
    needed += button.size() + 4;
  b.buttons_width = static_cast<int>(std::min(needed, static_cast<size_t>(widest)));
  b.width = std::max(b.width, b.buttons_width);
  int shown = static_cast<int>(b.lines.size());
  if (rows < shown + 4)
    shown = std::max(0, rows - 4);
  b.top = (rows - shown - 4) / 2;
  b.left = (columns - b.width - 4) / 2;
  b.bottom = b.top + shown + 3;
  b.right = b.left + b.width + 3;
  // Buttons past the right edge are never drawn; their columns stop growing
  // there.
  int column = b.left + 3 + (b.width - b.buttons_width) / 2;
  for (const std::string& button : buttons) {
    b.button_columns.push_back(column);
    column = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(column, 0)) + button.size() + 4,
                                               static_cast<size_t>(columns) + 1));
  }
  return b;
}

int MSGBOX(const std::string& text, const std::vector<Value>& button_values) {
  if (!CurrentDisplay().interactive()) {
    int answer = AnswerHeadless(text);
    ServiceConsole();
    return answer;
  }
  Screen& screen = TheScreen();
  std::vector<std::string> buttons = ButtonTexts(button_values);
  BoxLayout layout = LayOutBox(text, buttons, screen.rows(), screen.columns());

  std::vector<Cell> saved = screen.cells();
  int saved_row = screen.cursor_row, saved_column = screen.cursor_column;
  bool saved_visible = screen.cursor_visible;
  screen.cursor_visible = false;
  Box box(layout, buttons);
  box.Draw(screen);
  RefreshConsole();

  int result = -1;
  while (result < 0) {
    std::optional<Key> key = WaitForKey();
    result = key ? box.Act(*key, screen) : box.selected() + 1;
  }

  screen.SetCells(saved);
  screen.cursor_row = saved_row;
  screen.cursor_column = saved_column;
  screen.cursor_visible = saved_visible;
  ServiceConsole();
  return result;
}
