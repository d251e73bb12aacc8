// The screen model and the console facilities: cells, colours, cursor,
// console output, frames, key queue, glyphs and the capture file.
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "test_io.h"
#include "client/console/console.h"
#include "client/console/glyphs.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/raise.h"
#include "scripted_display.h"

namespace {

using test_io::Slurp;

uint8_t Attr(int row, int column) { return TheScreen().At(row, column).attr; }
uint8_t Byte(int row, int column) { return TheScreen().At(row, column).ch; }

std::string RowText(int row, int from = 0, int length = 80) {
  std::string text;
  for (int c = from; c < from + length; ++c) text += static_cast<char>(Byte(row, c));
  return text;
}

TEST(ColourText, ParsesEntriesAndSkipsOtherCharacters) {
  struct Case {
    const char* text;
    uint8_t first;
  } cases[] = {
      {"n/w", 0x70},   {"w/n*", 0x87}, {"W+/R", 0x4F}, {"W+/B", 0x1F}, {"\"n/w\"", 0x70},
      {"W/N", 0x07},   {"gr+/b", 0x1E}, {"BG/RB", 0x53}, {"N/N", 0x00}, {"W", 0x07},
      {"/W", 0x70},    {"rb*", 0x85},
  };
  for (const Case& c : cases) {
    ColourList list{0x07, 0x70, 0, 0, 0x70};
    ParseColourText(c.text, list);
    EXPECT_EQ(list[0], c.first) << c.text;
  }
}

TEST(ColourText, EmptyOrSkippedEntriesKeepTheirColour) {
  ColourList list{0x07, 0x70, 0x11, 0x22, 0x70};
  ParseColourText(",\" \",W+/R", list);
  EXPECT_EQ(list, (ColourList{0x07, 0x70, 0x4F, 0x22, 0x70}));
  ParseColourText("", list);
  EXPECT_EQ(list[0], 0x07);
  ParseColourText("n/w,n/w,n/w,n/w,n/w,W+/R", list);  // a sixth entry has no place
  EXPECT_EQ(list, (ColourList{0x70, 0x70, 0x70, 0x70, 0x70}));
}

TEST(ColourText, ScreenColorReturnsThePreviousListAsText) {
  ScriptedConsole console;
  EXPECT_EQ(SCREENCOLOR("\"n/w\""), "W/N,N/W,N/N,N/N,N/W");
  EXPECT_EQ(SCREENCOLOR("W+/R*,BG/GR,RB+/N"), "N/W,N/W,N/N,N/N,N/W");
  // What it returns reads back as the same list.
  std::string text = SCREENCOLOR("n/w");
  ColourList list{};
  ParseColourText(text, list);
  EXPECT_EQ(list, (ColourList{0xCF, 0x63, 0x0D, 0x00, 0x70}));
}

TEST(Screen, StartUpColourAndFullClearMakeEveryCellLightGrey) {
  ScriptedConsole console;
  EXPECT_EQ(Attr(0, 0), 0x07);
  EXPECT_TRUE(SCREENSIZE(25, 80));
  SCREENCOLOR("\"n/w\"");
  CLEARAREA();
  CURSORTO(0, 0);
  for (int r = 0; r < 25; ++r)
    for (int c = 0; c < 80; ++c) {
      ASSERT_EQ(Attr(r, c), 0x70) << r << "," << c;
      ASSERT_EQ(Byte(r, c), ' ');
    }
  // Each facility brought the display up to date.
  EXPECT_GE(console.display().frames.size(), 2u);
  EXPECT_EQ(console.display().frames.back().At(24, 79).attr, 0x70);
}

TEST(Screen, ShowTextWritesOneRowAndStopsAtTheEdge) {
  ScriptedConsole console;
  SCREENCOLOR("n/w");
  std::string text;
  for (int i = 0; i < 85; ++i) text += static_cast<char>('A' + i % 26);
  CURSORTO(0, 0);
  SHOWTEXT(text);
  EXPECT_EQ(RowText(0), text.substr(0, 80));
  EXPECT_EQ(Byte(1, 0), ' ');
  EXPECT_EQ(TheScreen().cursor_row, 0);
  EXPECT_EQ(TheScreen().cursor_column, 80);

  CURSORTO(3, 10);
  SHOWTEXT(std::string("\r\n\x19", 3), std::string("w/n*"));
  EXPECT_EQ(RowText(3, 10, 3), std::string("\r\n\x19", 3));  // no byte acts
  EXPECT_EQ(Attr(3, 10), 0x87);
  EXPECT_EQ(TheScreen().standard(), 0x70);  // the colour list is unchanged
  EXPECT_EQ(TheScreen().cursor_column, 13);

  CURSORTO(30, 5);  // outside the grid: nothing shows
  SHOWTEXT("x");
  CURSORTO(4, -2);
  SHOWTEXT("abc");
  EXPECT_EQ(RowText(4, 0, 2), "c ");
  EXPECT_EQ(TheScreen().cursor_column, 1);
}

TEST(Screen, FrameBoxDrawsLinesAndFramesAndMovesTheCursor) {
  ScriptedConsole console;
  SCREENCOLOR("n/w");
  FRAMEBOX(24, 0, 24, 79);
  EXPECT_EQ(RowText(24), std::string(80, '\xC4'));
  EXPECT_EQ(Attr(24, 40), 0x70);
  EXPECT_EQ(TheScreen().cursor_row, 25);
  EXPECT_EQ(TheScreen().cursor_column, 1);

  CLEARAREA();
  SHOWTEXT("");
  CURSORTO(5, 5);
  SHOWTEXT("keep");
  FRAMEBOX(4, 4, 6, 9);
  EXPECT_EQ(RowText(4, 4, 6), "\xDA\xC4\xC4\xC4\xC4\xBF");
  EXPECT_EQ(RowText(5, 4, 6), "\xB3keep\xB3");  // the inside is left alone
  EXPECT_EQ(RowText(6, 4, 6), "\xC0\xC4\xC4\xC4\xC4\xD9");
  FRAMEBOX(10, 3, 12, 3);
  EXPECT_EQ(RowText(11, 3, 1), "\xB3");
  FRAMEBOX(-1000000, 2, 1000000, 1000000);  // only what falls on the grid is drawn
  EXPECT_EQ(Byte(0, 2), 0xB3);
  EXPECT_EQ(Byte(24, 2), 0xB3);
}

TEST(Screen, ClearAreaBlanksItsRectangleAndLeavesTheCursor) {
  ScriptedConsole console;
  SCREENCOLOR("n/w");
  for (int r = 1; r <= 3; ++r) {
    CURSORTO(r, 0);
    SHOWTEXT(std::string(80, 'x'));
  }
  CURSORTO(7, 7);
  CLEARAREA(2, 0, 2);
  EXPECT_EQ(RowText(1), std::string(80, 'x'));
  EXPECT_EQ(RowText(2), std::string(80, ' '));
  EXPECT_EQ(RowText(3), std::string(80, 'x'));
  EXPECT_EQ(TheScreen().cursor_row, 7);
  EXPECT_EQ(TheScreen().cursor_column, 7);
  CLEARAREA(-5, 78, 1, 500);  // held inside the grid
  EXPECT_EQ(RowText(1, 76, 4), "xx  ");
}

TEST(Screen, PrintLineHandlesControlBytesWrapsAndScrolls) {
  ScriptedConsole console;
  SCREENCOLOR("n/w");
  CLEARAREA();
  CURSORTO(0, 0);
  PRINTLINE("ab\bc");  // CR LF first, then BS steps back
  EXPECT_EQ(RowText(1, 0, 3), "ac ");
  PRINTLINE("12345\r9");
  EXPECT_EQ(RowText(2, 0, 5), "92345");
  PRINTLINE("bell\a");
  EXPECT_EQ(RowText(3, 0, 5), "bell ");
  PRINTLINE(std::string(85, 'w'));
  EXPECT_EQ(RowText(4), std::string(80, 'w'));
  EXPECT_EQ(RowText(5, 0, 6), "wwwww ");
  EXPECT_EQ(TheScreen().cursor_row, 5);
  EXPECT_EQ(TheScreen().cursor_column, 5);

  // From row 24 every line end scrolls the whole screen up by one.
  for (int i = 6; i <= 24; ++i) PRINTLINE("line " + std::to_string(i));
  EXPECT_EQ(RowText(24, 0, 7), "line 24");
  EXPECT_EQ(RowText(1, 0, 3), "ac ");
  PRINTLINE("last");
  EXPECT_EQ(RowText(0, 0, 3), "ac ");
  EXPECT_EQ(RowText(23, 0, 7), "line 24");
  EXPECT_EQ(RowText(24, 0, 5), "last ");
  EXPECT_EQ(Attr(24, 79), 0x70);  // the new bottom row is in the standard colour
}

// The cursor leaves the row as soon as column 79 is written, so a line of
// exactly 80 characters is followed by an empty row before the next line
// end; BS never leaves its row.
TEST(Screen, PrintLineWrapsRightAfterColumn79AndBackspaceStopsAtColumn0) {
  ScriptedConsole console;
  SCREENCOLOR("n/w");
  CLEARAREA();
  CURSORTO(0, 0);
  PRINTLINE(std::string(80, 'x'));
  EXPECT_EQ(RowText(1), std::string(80, 'x'));
  EXPECT_EQ(TheScreen().cursor_row, 2);
  EXPECT_EQ(TheScreen().cursor_column, 0);
  PRINTLINE("next");
  EXPECT_EQ(RowText(2), std::string(80, ' '));
  EXPECT_EQ(RowText(3, 0, 5), "next ");

  PRINTLINE("\bz");  // at column 0 of a fresh row
  EXPECT_EQ(RowText(4, 0, 2), "z ");
  EXPECT_EQ(RowText(3, 0, 5), "next ");
  PRINTLINE(std::string(80, 'w') + "\b\by");  // at column 0 after the wrap
  EXPECT_EQ(RowText(5), std::string(80, 'w'));
  EXPECT_EQ(RowText(6, 0, 2), "y ");
  EXPECT_EQ(TheScreen().cursor_row, 6);
  EXPECT_EQ(TheScreen().cursor_column, 1);
}

TEST(Screen, KeyQueueHoldsAtMost127Keys) {
  Screen screen;
  for (int i = 0; i < 127; ++i) EXPECT_TRUE(screen.PushKey(Ch('a')));
  EXPECT_FALSE(screen.PushKey(Ch('b')));
  EXPECT_EQ(screen.queued_keys(), 127u);
  int popped = 0;
  while (std::optional<Key> key = screen.PopKey()) {
    EXPECT_EQ(key->ch, 'a');
    ++popped;
  }
  EXPECT_EQ(popped, 127);
}

TEST(Screen, SizeChangesOnlyToSizesItCanHold) {
  ScriptedConsole console;
  EXPECT_TRUE(SCREENSIZE(25, 80));
  EXPECT_FALSE(SCREENSIZE(0, 80));
  EXPECT_FALSE(SCREENSIZE(-3, 100000000));
  EXPECT_EQ(TheScreen().rows(), 25);
  EXPECT_TRUE(SCREENSIZE(30, 100));
  EXPECT_EQ(TheScreen().columns(), 100);
}

// The glyphs against the published tables.
TEST(Glyphs, ControlBytesShowThePcGlyphsAndTheRestCodePage852) {
  std::map<int, uint32_t> glyphs;
  std::istringstream pc(Slurp(std::string(CODEPAGES_DIR) + "/pc-glyphs.txt"));
  for (std::string line; std::getline(pc, line);) {
    if (line.empty() || line[0] == '#') continue;
    glyphs[std::stoi(line.substr(0, 4), nullptr, 16)] = static_cast<uint32_t>(std::stoul(line.substr(7, 4), nullptr, 16));
  }
  ASSERT_EQ(glyphs.size(), 32u) << CODEPAGES_DIR "/pc-glyphs.txt is missing or incomplete";
  std::istringstream cp(Slurp(std::string(CODEPAGES_DIR) + "/cp852.txt"));
  int checked = 0;
  for (std::string line; std::getline(cp, line);) {
    if (line.size() < 11 || line.compare(0, 2, "0x") != 0) continue;
    int byte = std::stoi(line.substr(0, 4), nullptr, 16);
    uint32_t expected = static_cast<uint32_t>(std::stoul(line.substr(7, 4), nullptr, 16));
    if (glyphs.count(byte)) expected = glyphs[byte];
    if (byte == 0) expected = ' ';
    EXPECT_EQ(CellCodePoint(static_cast<uint8_t>(byte)), expected) << byte;
    ++checked;
  }
  EXPECT_GE(checked, 255);
  std::string utf8;
  AppendUtf8(utf8, CellCodePoint(0x19));
  EXPECT_EQ(utf8, "\xE2\x86\x93");  // ↓
}

std::string CaptureDir() { return std::string(TESTS_BINARY_DIR) + "/capture_test_" + std::to_string(getpid()); }

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = CaptureDir();
    std::string command = "rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
  void TearDown() override {
    SetErrorHandler(nullptr);
    std::string command = "chmod -R u+w '" + dir_ + "'; rm -rf '" + dir_ + "'";
    (void)std::system(command.c_str());
  }
  std::string dir_;
};

TEST_F(CaptureTest, CopiesPrintLineAndEndsWithOneEndOfFileByte) {
  ScriptedConsole console;
  CAPTUREON(dir_ + "/log");  // no extension: ".prn"
  PRINTLINE("one");
  SHOWTEXT("not captured");
  PRINTLINE(std::string("t\x82o\0", 4));
  CAPTUREOFF();
  CAPTUREOFF();  // nothing open: nothing happens
  PRINTLINE("after");
  EXPECT_EQ(Slurp(dir_ + "/log.prn"), std::string("\r\none\r\nt\x82o\0\x1A", 12));

  CAPTUREON(dir_ + "/named.txt");
  PRINTLINE("a");
  CAPTUREON(dir_ + "/second.txt");  // the first one is closed as CAPTUREOFF closes it
  CAPTUREOFF();
  EXPECT_EQ(Slurp(dir_ + "/named.txt"), "\r\na\x1A");
  EXPECT_EQ(Slurp(dir_ + "/second.txt"), "\x1A");
}

std::vector<RunTimeError> g_raised;
std::vector<ErrorAnswer> g_answers;
ErrorAnswer Answer(const RunTimeError& error) {
  g_raised.push_back(error);
  ErrorAnswer answer = g_answers.front();
  g_answers.erase(g_answers.begin());
  return answer;
}

TEST_F(CaptureTest, CreateErrorOffersRetryAndDefault) {
  ScriptedConsole console;
  std::string name = dir_ + "/missing/dir/x";
  g_raised.clear();
  g_answers = {ErrorAnswer::Retry, ErrorAnswer::Retry, ErrorAnswer::Default};
  SetErrorHandler(Answer);
  CAPTUREON(name);
  ASSERT_EQ(g_raised.size(), 3u);  // Retry tried again, twice
  const RunTimeError& e = g_raised[0];
  EXPECT_EQ(e.subsystem, "TERM");
  EXPECT_EQ(e.code, 2015);
  EXPECT_EQ(e.file_name, name + ".prn");
  EXPECT_EQ(e.description, Text852("Létrehozási hiba"));
  EXPECT_NE(e.os_error, 0);
  EXPECT_TRUE(e.can_retry && e.can_default);
  PRINTLINE("console only");  // Default: the run goes on without a capture
  CAPTUREOFF();
  EXPECT_EQ(TheScreen().capture, kNoFile);
}

TEST_F(CaptureTest, RetrySucceedsOnceTheFileCanBeCreated) {
  ScriptedConsole console;
  std::string sub = dir_ + "/later";
  g_raised.clear();
  SetErrorHandler([](const RunTimeError& error) {
    g_raised.push_back(error);
    std::string command = "mkdir -p '" + CaptureDir() + "/later'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return ErrorAnswer::Retry;
  });
  CAPTUREON(sub + "/c.log");
  EXPECT_EQ(g_raised.size(), 1u);
  PRINTLINE("x");
  CAPTUREOFF();
  EXPECT_EQ(Slurp(sub + "/c.log"), "\r\nx\x1A");
}

}  // namespace
