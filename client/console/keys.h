// keys.h: the keys of the console's key queue, as the message box and the
// viewer know them, and the decoder that turns a terminal's input bytes into
// them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class KeyCode {
  Char,       // a key that types a character: `ch` is its byte in code page 852
  Enter,
  Esc,
  Tab,
  ShiftTab,
  Backspace,
  Up,
  Down,
  Left,
  Right,
  CtrlLeft,
  CtrlRight,
  Home,
  End,
  CtrlHome,
  CtrlEnd,
  PgUp,
  PgDn,
  CtrlPgUp,
  CtrlPgDn,
  MouseLeft,  // the left mouse button pressed on the cell (row, column)
  Other,      // any other key: nobody acts on it
};

struct Key {
  KeyCode code = KeyCode::Other;
  uint8_t ch = 0;
  int row = 0;
  int column = 0;

  static Key Of(KeyCode code) { return Key{code, 0, 0, 0}; }
  static Key Character(uint8_t byte) { return Key{KeyCode::Char, byte, 0, 0}; }
  static Key Mouse(int row, int column) { return Key{KeyCode::MouseLeft, 0, row, column}; }
};

// Decodes the key at the start of `bytes` (terminal input: UTF-8 characters,
// control bytes, escape sequences of xterm-like terminals). Returns the number
// of bytes it took, at least 1 for non-empty input; 0 when the bytes are the
// beginning of a longer sequence and `more_may_follow` is true. When no more
// input follows, a lone ESC is the Esc key.
size_t DecodeKey(std::string_view bytes, bool more_may_follow, Key* key);
