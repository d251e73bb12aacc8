// keys.cpp: terminal input bytes to keys.
#include "client/console/keys.h"

#include <algorithm>
#include <string>
#include <vector>

#include "foundations/codepage.h"

namespace {

constexpr char kEsc = '\x1b';
// A control sequence longer than this is not one a terminal sends for a key.
constexpr size_t kLongestSequence = 32;

bool Ctrl(int modifier) { return modifier > 1 && ((modifier - 1) & 4) != 0; }

std::vector<int> Parameters(std::string_view text) {
  std::vector<int> values{0};
  for (char c : text) {
    if (c == ';') values.push_back(0);
    else if (c >= '0' && c <= '9' && values.back() < 100000) values.back() = values.back() * 10 + (c - '0');
  }
  return values;
}

Key CsiKey(std::string_view parameters, char final_byte) {
  std::vector<int> p = Parameters(parameters);
  int modifier = p.size() > 1 ? p[1] : 1;
  bool ctrl = Ctrl(modifier);
  if (!parameters.empty() && parameters[0] == '<') {
    // SGR mouse report: button;column;row, "M" for a press.
    std::vector<int> m = Parameters(parameters.substr(1));
    if (final_byte == 'M' && m.size() == 3 && m[0] == 0)
      return Key::Mouse(m[2] - 1, m[1] - 1);
    return Key::Of(KeyCode::Other);
  }
  switch (final_byte) {
    case 'A': return Key::Of(KeyCode::Up);
    case 'B': return Key::Of(KeyCode::Down);
    case 'C': return Key::Of(ctrl ? KeyCode::CtrlRight : KeyCode::Right);
    case 'D': return Key::Of(ctrl ? KeyCode::CtrlLeft : KeyCode::Left);
    case 'H': return Key::Of(ctrl ? KeyCode::CtrlHome : KeyCode::Home);
    case 'F': return Key::Of(ctrl ? KeyCode::CtrlEnd : KeyCode::End);
    case 'Z': return Key::Of(KeyCode::ShiftTab);
    case '~':
      switch (p[0]) {
        case 1: case 7: return Key::Of(ctrl ? KeyCode::CtrlHome : KeyCode::Home);
        case 4: case 8: return Key::Of(ctrl ? KeyCode::CtrlEnd : KeyCode::End);
        case 5: return Key::Of(ctrl ? KeyCode::CtrlPgUp : KeyCode::PgUp);
        case 6: return Key::Of(ctrl ? KeyCode::CtrlPgDn : KeyCode::PgDn);
        default: return Key::Of(KeyCode::Other);
      }
    default: return Key::Of(KeyCode::Other);
  }
}

Key Ss3Key(char c) {
  switch (c) {
    case 'A': return Key::Of(KeyCode::Up);
    case 'B': return Key::Of(KeyCode::Down);
    case 'C': return Key::Of(KeyCode::Right);
    case 'D': return Key::Of(KeyCode::Left);
    case 'H': return Key::Of(KeyCode::Home);
    case 'F': return Key::Of(KeyCode::End);
    case 'M': return Key::Of(KeyCode::Enter);
    default: return Key::Of(KeyCode::Other);
  }
}

// ESC and what follows it.
size_t DecodeEscape(std::string_view b, bool more, Key* key) {
  if (b.size() == 1) {
    if (more) return 0;
    *key = Key::Of(KeyCode::Esc);
    return 1;
  }
  if (b[1] == 'O') {
    if (b.size() < 3) {
      if (more) return 0;
      *key = Key::Of(KeyCode::Other);
      return b.size();
    }
    *key = Ss3Key(b[2]);
    return 3;
  }
  if (b[1] != '[') {
    // ESC ESC is Esc followed by a new sequence; Alt with a key is nothing.
    *key = Key::Of(b[1] == kEsc ? KeyCode::Esc : KeyCode::Other);
    return b[1] == kEsc ? 1 : 2;
  }
  for (size_t i = 2; i < b.size() && i < kLongestSequence; ++i) {
    unsigned char c = static_cast<unsigned char>(b[i]);
    if (c >= 0x40 && c <= 0x7E) {
      if (c == 'M' && i == 2) {
        // The classic mouse report: three bytes follow.
        if (b.size() < 6) {
          if (more) return 0;
          *key = Key::Of(KeyCode::Other);
          return b.size();
        }
        int button = static_cast<unsigned char>(b[3]) - 32;
        *key = (button & 3) == 0 && button < 32
                   ? Key::Mouse(static_cast<unsigned char>(b[5]) - 33, static_cast<unsigned char>(b[4]) - 33)
                   : Key::Of(KeyCode::Other);
        return 6;
      }
      *key = CsiKey(b.substr(2, i - 2), static_cast<char>(c));
      return i + 1;
    }
    if (c < 0x20 || c > 0x3F) {  // not a parameter byte: a broken sequence
      *key = Key::Of(KeyCode::Other);
      return i;
    }
  }
  if (b.size() < kLongestSequence && more)
    return 0;
  *key = Key::Of(KeyCode::Other);
  return std::min(b.size(), kLongestSequence);
}

// A UTF-8 character, as its byte of code page 852.
size_t DecodeCharacter(std::string_view b, bool more, Key* key) {
  unsigned char lead = static_cast<unsigned char>(b[0]);
  size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (lead >= 0xF8 || (lead >= 0x80 && lead < 0xC0)) {
    *key = Key::Of(KeyCode::Other);
    return 1;
  }
  for (size_t i = 1; i < length; ++i) {
    if (i >= b.size()) {
      if (more) return 0;
      *key = Key::Of(KeyCode::Other);
      return b.size();
    }
    if ((static_cast<unsigned char>(b[i]) & 0xC0) != 0x80) {
      *key = Key::Of(KeyCode::Other);
      return i;
    }
  }
  int byte = -1;
  if (length == 1) {
    byte = lead;
  } else {
    uint32_t cp = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i)
      cp = (cp << 6) | (static_cast<unsigned char>(b[i]) & 0x3F);
    byte = UnicodeTo852(cp);
  }
  *key = byte >= 0x20 && byte != 0x7F ? Key::Character(static_cast<uint8_t>(byte)) : Key::Of(KeyCode::Other);
  return length;
}

}  // namespace

size_t DecodeKey(std::string_view bytes, bool more_may_follow, Key* key) {
  if (bytes.empty())
    return 0;
  switch (bytes[0]) {
    case kEsc: return DecodeEscape(bytes, more_may_follow, key);
    case '\r':
    case '\n': *key = Key::Of(KeyCode::Enter); return 1;
    case '\t': *key = Key::Of(KeyCode::Tab); return 1;
    case '\x7f':
    case '\b': *key = Key::Of(KeyCode::Backspace); return 1;
    default:
      if (static_cast<unsigned char>(bytes[0]) < 0x20) {
        *key = Key::Of(KeyCode::Other);
        return 1;
      }
      return DecodeCharacter(bytes, more_may_follow, key);
  }
}
