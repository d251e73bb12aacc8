// keys_win32.h: the keys of the console's key queue that a window's keyboard
// messages give: a virtual key of WM_KEYDOWN, a character of WM_CHAR.
#pragma once

#include <optional>

#include "client/console/keys.h"

// The key that a pressed virtual key stands for; KeyCode::Other for one that
// types a character (its WM_CHAR carries it) or that nobody acts on.
KeyCode KeyOfVirtualKey(unsigned virtual_key, bool ctrl, bool shift);

// The key that a typed UTF-16 unit gives: a character of code page 852;
// nothing for control characters (Enter, Esc, Tab, Backspace and Ctrl with a
// letter come as virtual keys) and for what code page 852 lacks.
std::optional<Key> KeyOfCharacter(wchar_t unit);
