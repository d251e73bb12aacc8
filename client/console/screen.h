// screen.h: the console's screen model, free of any display: the grid of
// cells (a byte of code page 852 and a colour attribute each), the colour
// list, the cursor, the key queue, the capture file, the window title and the
// close request. The displays show it; the console facilities change it.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "client/console/keys.h"
#include "foundations/files.h"

struct Cell {
  uint8_t ch = ' ';
  uint8_t attr = 0x07;
  bool operator==(const Cell& other) const = default;
};

struct Rgb {
  uint8_t r, g, b;
};
// The colour of a palette index 0..15 (bits 0-3 of an attribute give the
// foreground index, bits 4-7 the background index).
Rgb PaletteColour(int index);

using ColourList = std::array<uint8_t, 5>;
// Reads a colour text ("W+/R,N/W" ...) into the list; empty entries, entries
// made only of skipped characters and entries past the fifth change nothing.
void ParseColourText(const std::string& text, ColourList& list);
// The list as a colour text, entries separated by ",".
std::string ColourText(const ColourList& list);

// The frame bytes of code page 852.
constexpr uint8_t kFrameTopLeft = 0xDA, kFrameHorizontal = 0xC4, kFrameTopRight = 0xBF,
                  kFrameVertical = 0xB3, kFrameBottomRight = 0xD9, kFrameBottomLeft = 0xC0;

class Screen {
 public:
  static constexpr int kDefaultRows = 25;
  static constexpr int kDefaultColumns = 80;
  static constexpr size_t kKeyQueueSize = 127;

  Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  // Back to the state at start: blanks in 0x07, colour list "W/N,N/W,N/N,N/N,N/W",
  // cursor visible at (0, 0), no keys, no capture (an open one is closed), no
  // close request.
  void Reset(const std::string& title);

  int rows() const { return rows_; }
  int columns() const { return columns_; }
  // False (and nothing changes) for a size the model does not hold.
  bool Resize(int rows, int columns);

  bool Inside(int row, int column) const {
    return row >= 0 && row < rows_ && column >= 0 && column < columns_;
  }
  // Reading outside the grid gives a blank; writing there is dropped.
  Cell At(int row, int column) const;
  void Put(int row, int column, Cell cell);
  const std::vector<Cell>& cells() const { return cells_; }
  void SetCells(const std::vector<Cell>& cells);

  ColourList& colours() { return colours_; }
  uint8_t standard() const { return colours_[0]; }

  int cursor_row = 0;
  int cursor_column = 0;
  bool cursor_visible = true;

  // The single-line frame on the rectangle, inside unchanged; one row high
  // it is a horizontal line, one column wide a vertical one.
  void DrawFrame(int top, int left, int bottom, int right, uint8_t attr);

  // Console output: CR, LF, BEL and BS act, every other byte is written in the
  // standard colour; wraps after the last column and scrolls below the last row.
  void Output(const std::string& text);
  // Bells sounded and not yet taken by a display.
  int TakeBells();

  // The key queue: a key arriving when it is full is dropped (false).
  bool PushKey(const Key& key);
  std::optional<Key> PopKey();
  size_t queued_keys() const { return keys_.size(); }

  // The capture file (kNoFile when none).
  FileHandle capture = kNoFile;
  // Closes the capture file as the system does at the end of a run: what was
  // written stays, nothing is added.
  void DropCapture();

  std::string title;  // code page 852
  bool close_requested = false;

 private:
  void ScrollUp();
  void NewLine();

  int rows_ = kDefaultRows;
  int columns_ = kDefaultColumns;
  std::vector<Cell> cells_;
  ColourList colours_{};
  std::deque<Key> keys_;
  int bells_ = 0;
};

// The program's one screen.
Screen& TheScreen();
