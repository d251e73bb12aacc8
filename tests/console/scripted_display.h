// scripted_display.h: a display for in-process tests: it records every frame
// it is asked to show and answers waits from a list of keys; when the list is
// used up, a wait is a close request, so that no test can hang.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "client/console/display.h"
#include "client/console/screen.h"

struct Frame {
  std::vector<Cell> cells;
  int columns = 80;
  int cursor_row = 0, cursor_column = 0;
  bool cursor_visible = true;

  Cell At(int row, int column) const { return cells[static_cast<size_t>(row * columns + column)]; }
  // The bytes of `length` cells from (row, column).
  std::string Text(int row, int column, int length) const {
    std::string text;
    for (int c = column; c < column + length; ++c) text += static_cast<char>(At(row, c).ch);
    return text;
  }
  std::string Row(int row) const { return Text(row, 0, columns); }
};

class ScriptedDisplay : public Display {
 public:
  explicit ScriptedDisplay(std::vector<Key> keys) : keys_(keys.begin(), keys.end()) {}

  bool interactive() const override { return true; }
  void Update(Screen& screen) override {
    frames.push_back(Frame{screen.cells(), screen.columns(), screen.cursor_row,
                           screen.cursor_column, screen.cursor_visible});
  }
  void Poll(Screen&) override {}
  void Wait(Screen& screen) override {
    ++waits;
    if (keys_.empty()) {
      screen.close_requested = true;
      return;
    }
    screen.PushKey(keys_.front());
    keys_.pop_front();
  }

  size_t keys_left() const { return keys_.size(); }

  std::vector<Frame> frames;
  int waits = 0;

 private:
  std::deque<Key> keys_;
};

// Installs a scripted display for one test and gives the headless one back.
class ScriptedConsole {
 public:
  explicit ScriptedConsole(std::vector<Key> keys = {}) {
    TheScreen().Reset("test");
    auto display = std::make_unique<ScriptedDisplay>(std::move(keys));
    display_ = display.get();
    SetDisplay(std::move(display));
  }
  ~ScriptedConsole() {
    SetDisplay(MakeHeadlessDisplay());
    TheScreen().Reset("");
  }
  ScriptedDisplay& display() { return *display_; }

 private:
  ScriptedDisplay* display_;
};

inline Key K(KeyCode code) { return Key::Of(code); }
inline Key Ch(char c) { return Key::Character(static_cast<uint8_t>(c)); }
