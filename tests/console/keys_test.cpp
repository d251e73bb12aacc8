// Terminal input bytes to keys: the sequences xterm-like terminals send.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/console/keys.h"

namespace {

// Every key of the bytes, as no more input follows.
std::vector<Key> All(std::string_view bytes) {
  std::vector<Key> keys;
  while (!bytes.empty()) {
    Key key;
    size_t n = DecodeKey(bytes, false, &key);
    EXPECT_GT(n, 0u);
    if (n == 0) break;
    keys.push_back(key);
    bytes.remove_prefix(n);
  }
  return keys;
}

TEST(KeyDecoder, SequencesOfTheKeysTheBoxAndTheViewerKnow) {
  struct Case {
    std::string bytes;
    KeyCode code;
  } cases[] = {
      {"\x1b", KeyCode::Esc},          {"\r", KeyCode::Enter},          {"\n", KeyCode::Enter},
      {"\t", KeyCode::Tab},            {"\x1b[Z", KeyCode::ShiftTab},   {"\x7f", KeyCode::Backspace},
      {"\b", KeyCode::Backspace},      {"\x1b[A", KeyCode::Up},         {"\x1b[B", KeyCode::Down},
      {"\x1b[C", KeyCode::Right},      {"\x1b[D", KeyCode::Left},       {"\x1bOA", KeyCode::Up},
      {"\x1bOD", KeyCode::Left},       {"\x1b[1;5C", KeyCode::CtrlRight}, {"\x1b[1;5D", KeyCode::CtrlLeft},
      {"\x1b[H", KeyCode::Home},       {"\x1b[F", KeyCode::End},        {"\x1bOH", KeyCode::Home},
      {"\x1b[1~", KeyCode::Home},      {"\x1b[4~", KeyCode::End},       {"\x1b[7~", KeyCode::Home},
      {"\x1b[8~", KeyCode::End},       {"\x1b[1;5H", KeyCode::CtrlHome}, {"\x1b[1;5F", KeyCode::CtrlEnd},
      {"\x1b[5~", KeyCode::PgUp},      {"\x1b[6~", KeyCode::PgDn},      {"\x1b[5;5~", KeyCode::CtrlPgUp},
      {"\x1b[6;5~", KeyCode::CtrlPgDn}, {"\x1b[1;3C", KeyCode::Right},  {"\x1b[6;7~", KeyCode::CtrlPgDn},
      {"\x1b[2~", KeyCode::Other},     {"\x1b[<0;1;1m", KeyCode::Other}, {"\x1b[<2;5;5M", KeyCode::Other},
      {"\x1bx", KeyCode::Other},       {"\x01", KeyCode::Other},        {"\x1b[15;2~", KeyCode::Other},
  };
  for (const Case& c : cases) {
    std::vector<Key> keys = All(c.bytes);
    ASSERT_EQ(keys.size(), 1u) << c.bytes.substr(1);
    EXPECT_EQ(keys[0].code, c.code) << c.bytes.substr(1);
  }
}

TEST(KeyDecoder, CharactersBecomeTheirCodePage852Byte) {
  struct Case {
    std::string bytes;
    int ch;  // -1: no character of code page 852
  } cases[] = {
      {"o", 'o'}, {"O", 'O'}, {" ", ' '}, {"\xC5\x91", 0x8B} /* ő */, {"\xC3\x81", 0xB5} /* Á */,
      {"\xE2\x94\x80", 0xC4} /* ─ */, {"\xE2\x82\xAC", -1} /* € */, {"\xF0\x9F\x98\x80", -1},
      {"\xC3", -1} /* cut short */,  {"\x80", -1}, {"\xFF", -1},
  };
  for (const Case& c : cases) {
    std::vector<Key> keys = All(c.bytes);
    ASSERT_EQ(keys.size(), 1u) << c.bytes;
    if (c.ch < 0) {
      EXPECT_EQ(keys[0].code, KeyCode::Other) << c.bytes;
    } else {
      EXPECT_EQ(keys[0].code, KeyCode::Char) << c.bytes;
      EXPECT_EQ(keys[0].ch, c.ch) << c.bytes;
    }
  }
}

TEST(KeyDecoder, MouseReportsGiveTheCellOfALeftPress) {
  std::vector<Key> keys = All("\x1b[<0;40;15M\x1b[<0;40;15m\x1b[M !/");
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0].code, KeyCode::MouseLeft);
  EXPECT_EQ(keys[0].row, 14);
  EXPECT_EQ(keys[0].column, 39);
  EXPECT_EQ(keys[1].code, KeyCode::Other);  // the release
  EXPECT_EQ(keys[2].code, KeyCode::MouseLeft);
  EXPECT_EQ(keys[2].row, 14);
  EXPECT_EQ(keys[2].column, 0);
}

TEST(KeyDecoder, WaitsForTheRestOfASequenceOnlyWhileMoreMayFollow) {
  Key key;
  for (std::string part : {"\x1b", "\x1b[", "\x1b[5", "\x1b[5;", "\x1bO", "\xC5", "\xE2\x94", "\x1b[<0;4"})
    EXPECT_EQ(DecodeKey(part, true, &key), 0u) << part.substr(1);
  EXPECT_EQ(DecodeKey("\x1b[5", false, &key), 3u);
  EXPECT_EQ(key.code, KeyCode::Other);
  // Several keys in one read, and Esc Esc as two.
  std::vector<Key> keys = All("a\x1b[B\r\x1b\x1b");
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[1].code, KeyCode::Down);
  EXPECT_EQ(keys[3].code, KeyCode::Esc);
  EXPECT_EQ(keys[4].code, KeyCode::Esc);
  // A sequence that never ends is taken apart without waiting for ever.
  std::string endless = "\x1b[" + std::string(100, '1');
  EXPECT_GT(DecodeKey(endless, true, &key), 0u);
  EXPECT_EQ(DecodeKey("", false, &key), 0u);
}

TEST(KeyDecoder, AnyBytesAreTakenApartWithoutStalling) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    size_t length = next() % 40;
    for (size_t i = 0; i < length; ++i) {
      uint32_t r = next() >> 16;
      // Mostly the bytes that sequences are made of.
      const char common[] = "\x1b[O<;0159~ABCDHFMZm\xC5\x91\xE2\x94";
      bytes += r % 3 ? common[r % (sizeof common - 1)] : static_cast<char>(r);
    }
    std::string_view rest = bytes;
    while (!rest.empty()) {
      Key key;
      size_t waiting = DecodeKey(rest, true, &key);
      if (waiting == 0) {
        EXPECT_LT(rest.size(), 33u);  // only a short beginning waits
      }
      size_t n = waiting ? waiting : DecodeKey(rest, false, &key);
      ASSERT_GT(n, 0u);
      ASSERT_LE(n, rest.size());
      rest.remove_prefix(n);
    }
  }
}

}  // namespace
