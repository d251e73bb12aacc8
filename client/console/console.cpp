// console.cpp: the console facilities of the client, over the screen model.
// Each one that changes what is shown ends at a service point.
#include "client/console/console.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "client/console/display.h"
#include "client/console/screen.h"
#include "foundations/files.h"
#include "foundations/raise.h"

namespace {

// A name whose last path component holds no "." gets ".prn".
std::string WithCaptureExtension(const std::string& name) {
  size_t base = name.find_last_of("/\\");
  base = base == std::string::npos ? 0 : base + 1;
  if (name.find('.', base) == std::string::npos)
    return name + ".prn";
  return name;
}

}  // namespace

bool SCREENSIZE(int rows, int columns) {
  Screen& screen = TheScreen();
  screen.Resize(rows, columns);
  return screen.rows() == rows && screen.columns() == columns;
}

void WINDOWTITLE(const std::string& title) { TheScreen().title = title; }

std::string SCREENCOLOR(const std::string& colour_text) {
  ColourList& list = TheScreen().colours();
  std::string previous = ColourText(list);
  ParseColourText(colour_text, list);
  return previous;
}

void CLEARAREA(std::optional<int> top, std::optional<int> left, std::optional<int> bottom,
               std::optional<int> right) {
  Screen& screen = TheScreen();
  int last_row = screen.rows() - 1, last_column = screen.columns() - 1;
  int t = std::clamp(top.value_or(0), 0, last_row);
  int l = std::clamp(left.value_or(0), 0, last_column);
  int b = std::clamp(bottom.value_or(last_row), 0, last_row);
  int r = std::clamp(right.value_or(last_column), 0, last_column);
  for (int row = t; row <= b; ++row)
    for (int column = l; column <= r; ++column)
      screen.Put(row, column, Cell{' ', screen.standard()});
  ServiceConsole();
}

void CURSORTO(int row, int column) {
  Screen& screen = TheScreen();
  screen.cursor_row = row;
  screen.cursor_column = column;
  ServiceConsole();
}

void HIDECURSOR() {
  TheScreen().cursor_visible = false;
  ServiceConsole();
}

void SHOWTEXT(const std::string& text, const std::optional<std::string>& colour_text) {
  Screen& screen = TheScreen();
  uint8_t attr = screen.standard();
  if (colour_text) {
    ColourList list = screen.colours();
    ParseColourText(*colour_text, list);
    attr = list[0];
  }
  int row = screen.cursor_row;
  int64_t column = screen.cursor_column;
  if (column < screen.columns()) {
    // Characters left of the grid are dropped as well as those right of it.
    int64_t end = std::min<int64_t>(column + static_cast<int64_t>(std::min<size_t>(text.size(), 1u << 30)),
                                    screen.columns());
    for (int64_t c = std::max<int64_t>(column, 0); c < end; ++c)
      screen.Put(row, static_cast<int>(c), Cell{static_cast<uint8_t>(text[static_cast<size_t>(c - column)]), attr});
    screen.cursor_column = static_cast<int>(std::max<int64_t>(end, column));
  }
  ServiceConsole();
}

void PRINTLINE(const std::string& text) {
  Screen& screen = TheScreen();
  std::string line = "\r\n" + text;
  screen.Output(line);
  if (screen.capture != kNoFile)
    PUTBYTES(screen.capture, line);
  ServiceConsole();
}

void CAPTUREON(const std::string& file_name) {
  Screen& screen = TheScreen();
  CAPTUREOFF();
  std::string name = WithCaptureExtension(file_name);
  for (;;) {
    FileHandle handle = NEWFILE(Value(name));
    if (handle != kNoFile) {
      screen.capture = handle;
      return;
    }
    if (RaiseError(ErrorCreate(name, LastFileError())) == ErrorAnswer::Default)
      return;
  }
}

void CAPTUREOFF() {
  Screen& screen = TheScreen();
  if (screen.capture == kNoFile)
    return;
  PUTBYTES(screen.capture, std::string(1, '\x1A'));
  screen.DropCapture();
}

void FRAMEBOX(int top, int left, int bottom, int right) {
  Screen& screen = TheScreen();
  screen.DrawFrame(top, left, bottom, right, screen.standard());
  auto next = [](int v) { return v < std::numeric_limits<int>::max() ? v + 1 : v; };
  screen.cursor_row = next(top);
  screen.cursor_column = next(left);
  ServiceConsole();
}
