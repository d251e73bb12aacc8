// The console window's keyboard on Windows: the virtual keys of WM_KEYDOWN
// and the characters of WM_CHAR as keys of the key queue.
#include <gtest/gtest.h>

#include <windows.h>

#include "client/console/keys_win32.h"

namespace {

TEST(WindowKeys, VirtualKeysWithTheirModifiers) {
  struct Case {
    unsigned virtual_key;
    bool ctrl, shift;
    KeyCode code;
  } cases[] = {
      {VK_RETURN, false, false, KeyCode::Enter},    {VK_ESCAPE, false, false, KeyCode::Esc},
      {VK_TAB, false, false, KeyCode::Tab},         {VK_TAB, false, true, KeyCode::ShiftTab},
      {VK_BACK, false, false, KeyCode::Backspace},  {VK_UP, true, false, KeyCode::Up},
      {VK_LEFT, false, false, KeyCode::Left},       {VK_LEFT, true, false, KeyCode::CtrlLeft},
      {VK_RIGHT, true, true, KeyCode::CtrlRight},   {VK_HOME, true, false, KeyCode::CtrlHome},
      {VK_END, false, true, KeyCode::End},          {VK_PRIOR, true, false, KeyCode::CtrlPgUp},
      {VK_NEXT, false, false, KeyCode::PgDn},       {VK_NEXT, true, false, KeyCode::CtrlPgDn},
      // Letters, digits and the space bar type: their WM_CHAR makes the key.
      {'O', false, false, KeyCode::Other},          {VK_SPACE, false, false, KeyCode::Other},
      {VK_F1, false, false, KeyCode::Other},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "virtual key " << c.virtual_key << (c.ctrl ? " ctrl" : "")
                                    << (c.shift ? " shift" : ""));
    EXPECT_EQ(KeyOfVirtualKey(c.virtual_key, c.ctrl, c.shift), c.code);
  }
}

// Typed characters reach the box as bytes of code page 852; control
// characters (Enter's CR, Esc, Ctrl with a letter) and what the page lacks
// do not.
TEST(WindowKeys, TypedCharactersInCodePage852) {
  struct Case {
    wchar_t unit;
    int byte;  // -1: no key
  } cases[] = {
      {L'o', 'o'}, {L' ', ' '}, {L'\u0151', 0x8B}, {L'\u00C1', 0xB5}, {L'\u2500', 0xC4},
      {L'\r', -1}, {0x1B, -1},  {0x0F, -1},        {0x7F, -1},        {L'\u20AC', -1},
      {0xD83D, -1},  // half of a character beyond the page
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "U+" << std::hex << static_cast<int>(c.unit));
    std::optional<Key> key = KeyOfCharacter(c.unit);
    ASSERT_EQ(key.has_value(), c.byte >= 0);
    if (key) {
      EXPECT_EQ(key->code, KeyCode::Char);
      EXPECT_EQ(key->ch, c.byte);
    }
  }
}

}  // namespace
