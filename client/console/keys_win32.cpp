// keys_win32.cpp: virtual keys and typed characters as keys of the key queue.
#include "client/console/keys_win32.h"

#include <windows.h>

#include "foundations/codepage.h"

KeyCode KeyOfVirtualKey(unsigned virtual_key, bool ctrl, bool shift) {
  switch (virtual_key) {
    case VK_RETURN: return KeyCode::Enter;
    case VK_ESCAPE: return KeyCode::Esc;
    case VK_TAB: return shift ? KeyCode::ShiftTab : KeyCode::Tab;
    case VK_BACK: return KeyCode::Backspace;
    case VK_UP: return KeyCode::Up;
    case VK_DOWN: return KeyCode::Down;
    case VK_LEFT: return ctrl ? KeyCode::CtrlLeft : KeyCode::Left;
    case VK_RIGHT: return ctrl ? KeyCode::CtrlRight : KeyCode::Right;
    case VK_HOME: return ctrl ? KeyCode::CtrlHome : KeyCode::Home;
    case VK_END: return ctrl ? KeyCode::CtrlEnd : KeyCode::End;
    case VK_PRIOR: return ctrl ? KeyCode::CtrlPgUp : KeyCode::PgUp;
    case VK_NEXT: return ctrl ? KeyCode::CtrlPgDn : KeyCode::PgDn;
    default: return KeyCode::Other;
  }
}

std::optional<Key> KeyOfCharacter(wchar_t unit) {
  if (unit < 0x20 || unit == 0x7F || (unit >= 0xD800 && unit <= 0xDFFF))
    return std::nullopt;
  int byte = UnicodeTo852(unit);
  if (byte < 0x20 || byte == 0x7F)
    return std::nullopt;
  return Key::Character(static_cast<uint8_t>(byte));
}
