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

// What the display saw, kept by the test (the run-time error report gives the
// display back before the test looks).
struct DisplayLog {
  std::deque<Key> keys;
  std::vector<Frame> frames;
  int waits = 0;
  size_t keys_left() const { return keys.size(); }
};

class ScriptedDisplay : public Display {
 public:
  explicit ScriptedDisplay(DisplayLog* log) : log_(log) {}

  bool interactive() const override { return true; }
  void Update(Screen& screen) override {
    log_->frames.push_back(Frame{screen.cells(), screen.columns(), screen.cursor_row,
                                 screen.cursor_column, screen.cursor_visible});
  }
  void Poll(Screen&) override {}
  void Wait(Screen& screen) override {
    ++log_->waits;
    if (log_->keys.empty()) {
      screen.close_requested = true;
      return;
    }
    screen.PushKey(log_->keys.front());
    log_->keys.pop_front();
  }

 private:
  DisplayLog* log_;
};

// Installs a scripted display for one test and gives the headless one back.
class ScriptedConsole {
 public:
  explicit ScriptedConsole(std::vector<Key> keys = {}) {
    TheScreen().Reset("test");
    log_.keys.assign(keys.begin(), keys.end());
    SetDisplay(std::make_unique<ScriptedDisplay>(&log_));
  }
  ~ScriptedConsole() {
    SetDisplay(MakeHeadlessDisplay());
    TheScreen().Reset("");
  }
  ScriptedConsole(const ScriptedConsole&) = delete;
  ScriptedConsole& operator=(const ScriptedConsole&) = delete;
  DisplayLog& display() { return log_; }

 private:
  DisplayLog log_;
};

inline Key K(KeyCode code) { return Key::Of(code); }
inline Key Ch(char c) { return Key::Character(static_cast<uint8_t>(c)); }
