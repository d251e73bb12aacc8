// screen.cpp: the screen model: cells, colours, cursor, console output, keys.
#include "client/console/screen.h"

#include <algorithm>

namespace {

constexpr Rgb kPalette[16] = {
    {0x00, 0x00, 0x00}, {0x00, 0x00, 0xAA}, {0x00, 0xAA, 0x00}, {0x00, 0xAA, 0xAA},
    {0xAA, 0x00, 0x00}, {0xAA, 0x00, 0xAA}, {0xAA, 0x55, 0x00}, {0xAA, 0xAA, 0xAA},
    {0x55, 0x55, 0x55}, {0x55, 0x55, 0xFF}, {0x55, 0xFF, 0x55}, {0x55, 0xFF, 0xFF},
    {0xFF, 0x55, 0x55}, {0xFF, 0x55, 0xFF}, {0xFF, 0xFF, 0x55}, {0xFF, 0xFF, 0xFF},
};

// The largest grid the model holds; far beyond any terminal in use.
constexpr int kMaxRows = 500;
constexpr int kMaxColumns = 1000;

// One entry of a colour text; nullopt when it names no colour at all.
std::optional<uint8_t> ParseColourEntry(const std::string& entry) {
  uint8_t sides[2] = {0, 0};
  int side = 0;
  bool named = false;
  bool bright_foreground = false, bright_background = false;
  for (char c : entry) {
    switch (c) {
      case '/': side = 1; break;
      case 'N': case 'n': sides[side] = 0; named = true; break;
      case 'B': case 'b': sides[side] |= 1; named = true; break;
      case 'G': case 'g': sides[side] |= 2; named = true; break;
      case 'R': case 'r': sides[side] |= 4; named = true; break;
      case 'W': case 'w': sides[side] |= 7; named = true; break;
      case '+': bright_foreground = true; named = true; break;
      case '*': bright_background = true; named = true; break;
      default: break;  // blanks, quotes and every other character are skipped
    }
  }
  if (!named)
    return std::nullopt;
  int attr = sides[0] | (sides[1] << 4);
  if (bright_foreground) attr |= 0x08;
  if (bright_background) attr |= 0x80;
  return static_cast<uint8_t>(attr);
}

std::string ColourLetters(int bits) {
  static const char* const kLetters[8] = {"N", "B", "G", "BG", "R", "RB", "GR", "W"};
  return kLetters[bits & 7];
}

}  // namespace

Rgb PaletteColour(int index) { return kPalette[index & 15]; }

void ParseColourText(const std::string& text, ColourList& list) {
  size_t place = 0, start = 0;
  while (place < list.size()) {
    size_t comma = text.find(',', start);
    std::string entry = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (std::optional<uint8_t> attr = ParseColourEntry(entry))
      list[place] = *attr;
    if (comma == std::string::npos)
      break;
    start = comma + 1;
    ++place;
  }
}

std::string ColourText(const ColourList& list) {
  std::string text;
  for (size_t i = 0; i < list.size(); ++i) {
    int attr = list[i];
    if (i) text += ',';
    text += ColourLetters(attr);
    if (attr & 0x08) text += '+';
    text += '/';
    text += ColourLetters(attr >> 4);
    if (attr & 0x80) text += '*';
  }
  return text;
}

Screen::Screen() { Reset(""); }

void Screen::Reset(const std::string& new_title) {
  DropCapture();
  rows_ = kDefaultRows;
  columns_ = kDefaultColumns;
  cells_.assign(static_cast<size_t>(rows_ * columns_), Cell{});
  colours_ = {0x07, 0x70, 0x00, 0x00, 0x70};
  cursor_row = cursor_column = 0;
  cursor_visible = true;
  keys_.clear();
  bells_ = 0;
  title = new_title;
  close_requested = false;
}

bool Screen::Resize(int new_rows, int new_columns) {
  if (new_rows < 1 || new_rows > kMaxRows || new_columns < 1 || new_columns > kMaxColumns)
    return false;
  if (new_rows == rows_ && new_columns == columns_)
    return true;
  std::vector<Cell> resized(static_cast<size_t>(new_rows * new_columns), Cell{' ', standard()});
  for (int r = 0; r < std::min(rows_, new_rows); ++r)
    for (int c = 0; c < std::min(columns_, new_columns); ++c)
      resized[static_cast<size_t>(r * new_columns + c)] = At(r, c);
  rows_ = new_rows;
  columns_ = new_columns;
  cells_ = std::move(resized);
  return true;
}

Cell Screen::At(int row, int column) const {
  if (!Inside(row, column))
    return Cell{};
  return cells_[static_cast<size_t>(row * columns_ + column)];
}

void Screen::Put(int row, int column, Cell cell) {
  if (Inside(row, column))
    cells_[static_cast<size_t>(row * columns_ + column)] = cell;
}

void Screen::SetCells(const std::vector<Cell>& cells) {
  if (cells.size() == cells_.size())
    cells_ = cells;
}

void Screen::DrawFrame(int top, int left, int bottom, int right, uint8_t attr) {
  if (top > bottom || left > right)
    return;
  // Far-off corners are brought next to the grid, so that a huge rectangle
  // costs no more than the grid itself.
  top = std::clamp(top, -1, rows_);
  bottom = std::clamp(bottom, -1, rows_);
  left = std::clamp(left, -1, columns_);
  right = std::clamp(right, -1, columns_);
  auto put = [&](int r, int c, uint8_t ch) { Put(r, c, Cell{ch, attr}); };
  if (top == bottom) {
    for (int c = left; c <= right; ++c) put(top, c, kFrameHorizontal);
    return;
  }
  if (left == right) {
    for (int r = top; r <= bottom; ++r) put(r, left, kFrameVertical);
    return;
  }
  for (int c = left + 1; c < right; ++c) {
    put(top, c, kFrameHorizontal);
    put(bottom, c, kFrameHorizontal);
  }
  for (int r = top + 1; r < bottom; ++r) {
    put(r, left, kFrameVertical);
    put(r, right, kFrameVertical);
  }
  put(top, left, kFrameTopLeft);
  put(top, right, kFrameTopRight);
  put(bottom, right, kFrameBottomRight);
  put(bottom, left, kFrameBottomLeft);
}

void Screen::ScrollUp() {
  std::copy(cells_.begin() + columns_, cells_.end(), cells_.begin());
  std::fill(cells_.end() - columns_, cells_.end(), Cell{' ', standard()});
}

void Screen::NewLine() {
  cursor_column = 0;
  if (++cursor_row >= rows_) {
    ScrollUp();
    cursor_row = rows_ - 1;
  }
}

void Screen::Output(const std::string& text) {
  // Output continues from the cursor; a cursor placed outside the grid is
  // brought to its nearest edge first.
  cursor_row = std::clamp(cursor_row, 0, rows_ - 1);
  cursor_column = std::clamp(cursor_column, 0, columns_);
  for (char c : text) {
    switch (c) {
      case '\r': cursor_column = 0; break;
      case '\n': NewLine(); break;
      case '\a': ++bells_; break;
      case '\b': if (cursor_column > 0) --cursor_column; break;
      default:
        if (cursor_column >= columns_)
          NewLine();
        Put(cursor_row, cursor_column, Cell{static_cast<uint8_t>(c), standard()});
        if (++cursor_column >= columns_)
          NewLine();
    }
  }
}

int Screen::TakeBells() {
  int bells = bells_;
  bells_ = 0;
  return bells;
}

bool Screen::PushKey(const Key& key) {
  if (keys_.size() >= kKeyQueueSize)
    return false;
  keys_.push_back(key);
  return true;
}

std::optional<Key> Screen::PopKey() {
  if (keys_.empty())
    return std::nullopt;
  Key key = keys_.front();
  keys_.pop_front();
  return key;
}

void Screen::DropCapture() {
  if (capture != kNoFile)
    CLOSEFILE(capture);
  capture = kNoFile;
}

Screen& TheScreen() {
  static Screen screen;
  return screen;
}
