// The message box and the viewer, drawn on the model and driven by scripted
// keys; the coordinates are those of the layout rules of the box and the view.
#include <gtest/gtest.h>

#include "client/console/console.h"
#include "client/console/msgbox.h"
#include "client/console/msgbox_layout.h"
#include "client/console/textview_lines.h"
#include "foundations/codepage.h"
#include "foundations/raise.h"
#include "scripted_display.h"

namespace {

const std::string kHeading = "KVITALINK.EXE  2022.01";  // 22 characters

std::string Rect(const BoxLayout& b) {
  return std::to_string(b.top) + "," + std::to_string(b.left) + "-" + std::to_string(b.bottom) +
         "," + std::to_string(b.right);
}

TEST(MessageBox, LayoutOfTheExamples) {
  std::string hundred(100, 'x');
  std::string thirty_lines;
  for (int i = 1; i <= 30; ++i) thirty_lines += (i > 1 ? ";" : "") + std::to_string(i);
  struct Case {
    std::string text;
    std::vector<std::string> lines;
    int width;
    const char* rect;
  } cases[] = {
      {kHeading + ";;" + Text852("A megadott paraméter fájl nem található!"),
       {kHeading, "", Text852("A megadott paraméter fájl nem található!")}, 40, "9,18-15,61"},
      {kHeading + ";;" + Text852("queryInvoiceDigest műveletnél a paraméter fájlban kötelező sorok: "
                                 "datumtol, datumig, kibe, lap!"),
       {kHeading, "", Text852("queryInvoiceDigest műveletnél a paraméter fájlban"),
        Text852("kötelező sorok: datumtol, datumig, kibe, lap!")},
       49, "8,13-15,65"},
      {Text852("A token kérés sikeres, de a token dekódolása sikertelen, érvénytelen karaktereket "
               "tartalmaz!;Ellenőrizze az XML cserekulcsot az Online számla beállításoknál!"),
       {Text852("A token kérés sikeres, de a token dekódolása sikertelen,"),
        Text852("érvénytelen karaktereket tartalmaz!"),
        Text852("Ellenőrizze az XML cserekulcsot az Online számla"), Text852("beállításoknál!")},
       56, "8,10-15,69"},
      {hundred, {std::string(76, 'x'), std::string(24, 'x')}, 76, "9,0-14,79"},
      {std::string(60, 'a') + " " + std::string(30, 'b'),
       {std::string(60, 'a'), std::string(30, 'b')}, 60, "9,8-14,71"},
      {"abc", {"abc"}, 7, "10,34-14,44"},
      {"", {""}, 6, "10,35-14,44"},
      {";", {"", ""}, 6, "9,35-14,44"},
  };
  for (const Case& c : cases) {
    BoxLayout b = LayOutBox(c.text, {"Ok"}, 25, 80);
    EXPECT_EQ(b.lines, c.lines) << c.text;
    EXPECT_EQ(b.width, c.width) << c.text;
    EXPECT_EQ(Rect(b), c.rect) << c.text;
  }
  BoxLayout many = LayOutBox(thirty_lines, {"Ok"}, 25, 80);
  EXPECT_EQ(many.lines.size(), 30u);
  EXPECT_EQ(Rect(many), "0,35-24,44");
}

TEST(MessageBox, NoDisplayLineIsWiderThan76) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += static_cast<char>(i % 7 == 0 ? ' ' : 'a' + i % 26);
  text += std::string(500, 'z') + ";" + std::string(1, '\0') + std::string(200, ' ');
  size_t total = 0;
  for (const std::string& line : LayOutBox(text, {}, 25, 80).lines) {
    EXPECT_LE(line.size(), 76u);
    total += line.size();
  }
  EXPECT_GE(total, 3000u);
}

TEST(MessageBox, DrawsTheFortyCharacterExampleAtItsCoordinates) {
  ScriptedConsole console({K(KeyCode::Enter)});
  SCREENCOLOR("n/w");
  CLEARAREA();
  CURSORTO(2, 5);
  std::vector<Cell> before = TheScreen().cells();
  std::string message = Text852("A megadott paraméter fájl nem található!");
  EXPECT_EQ(MSGBOX(kHeading + ";;" + message), 1);

  const Frame& box = console.display().frames.at(console.display().frames.size() - 2);
  EXPECT_FALSE(box.cursor_visible);
  EXPECT_EQ(box.Text(9, 18, 44), "\xDA" + std::string(42, '\xC4') + "\xBF");
  EXPECT_EQ(box.Text(15, 18, 44), "\xC0" + std::string(42, '\xC4') + "\xD9");
  for (int r = 10; r <= 14; ++r) {
    EXPECT_EQ(box.Text(r, 18, 1), "\xB3");
    EXPECT_EQ(box.Text(r, 61, 1), "\xB3");
  }
  EXPECT_EQ(box.Text(10, 29, 22), kHeading);
  EXPECT_EQ(box.Text(10, 28, 1), " ");
  EXPECT_EQ(box.Text(11, 19, 42), std::string(42, ' '));
  EXPECT_EQ(box.Text(12, 20, 40), message);
  EXPECT_EQ(box.Text(13, 19, 42), std::string(42, ' '));
  EXPECT_EQ(box.Text(14, 38, 4), " Ok ");
  for (int c = 38; c <= 41; ++c) EXPECT_EQ(box.At(14, c).attr, 0x1F);
  EXPECT_EQ(box.At(14, 37).attr, 0x4F);
  EXPECT_EQ(box.At(12, 20).attr, 0x4F);
  EXPECT_EQ(box.At(9, 18).attr, 0x4F);
  EXPECT_EQ(box.At(8, 18).attr, 0x70);  // outside the box nothing changed
  EXPECT_EQ(box.At(9, 17).attr, 0x70);

  // Leaving puts back the cells and the cursor.
  EXPECT_EQ(TheScreen().cells(), before);
  const Frame& after = console.display().frames.back();
  EXPECT_EQ(after.cells, before);
  EXPECT_TRUE(after.cursor_visible);
  EXPECT_EQ(after.cursor_row, 2);
  EXPECT_EQ(after.cursor_column, 5);
}

TEST(MessageBox, ThirtyLinesFillTheScreenWithTwentyTwoLines) {
  ScriptedConsole console({K(KeyCode::Esc)});
  std::string text;
  for (int i = 1; i <= 30; ++i) text += (i > 1 ? ";L" : "L") + std::to_string(i);
  EXPECT_EQ(MSGBOX(text), 0);
  const Frame& box = console.display().frames.at(0);
  EXPECT_EQ(box.Text(0, 35, 1), "\xDA");
  EXPECT_EQ(box.Text(24, 35, 1), "\xC0");
  EXPECT_EQ(box.Text(1, 39, 2), "L1");
  EXPECT_EQ(box.Text(22, 39, 3), "L22");
  EXPECT_EQ(box.Text(23, 35, 10), "\xB3   Ok   \xB3");
}

TEST(MessageBox, KeysOfTheOkBox) {
  struct Case {
    std::vector<Key> keys;
    int result;
  } cases[] = {
      {{K(KeyCode::Esc)}, 0},
      {{K(KeyCode::Enter)}, 1},
      {{Ch(' ')}, 1},
      {{Ch('o')}, 1},
      {{Ch('O')}, 1},
      {{K(KeyCode::Tab), K(KeyCode::Right), K(KeyCode::Left), K(KeyCode::ShiftTab), K(KeyCode::Enter)}, 1},
      {{Ch('x'), K(KeyCode::PgDn), K(KeyCode::Other), K(KeyCode::Up), Ch('k'), K(KeyCode::Esc)}, 0},
      {{Key::Mouse(14, 38), Key::Mouse(13, 39), Key::Mouse(14, 39)}, 1},  // only on its text
  };
  for (const Case& c : cases) {
    ScriptedConsole console(c.keys);
    EXPECT_EQ(MSGBOX(kHeading + ";;" + Text852("A megadott paraméter fájl nem található!")), c.result);
    EXPECT_EQ(console.display().keys_left(), 0u);
    // Tab and the arrows leave the single button selected.
    for (const Frame& f : console.display().frames) {
      if (!f.cursor_visible) {
        EXPECT_EQ(f.At(14, 39).attr, 0x1F);
      }
    }
  }
}

TEST(MessageBox, SeveralButtonsSelectAndChoose) {
  std::vector<Value> buttons{Value("Quit"), Value(""), Value(5), Value("Retry"), Value("  "), Value("Default")};
  struct Case {
    std::vector<Key> keys;
    int result;
  } cases[] = {
      {{K(KeyCode::Enter)}, 1},
      {{K(KeyCode::Right), K(KeyCode::Enter)}, 2},
      {{K(KeyCode::Tab), K(KeyCode::Tab), Ch(' ')}, 3},
      {{K(KeyCode::Tab), K(KeyCode::Tab), K(KeyCode::Tab), K(KeyCode::Enter)}, 1},  // wraps round
      {{K(KeyCode::Left), K(KeyCode::Enter)}, 3},
      {{K(KeyCode::ShiftTab), K(KeyCode::ShiftTab), K(KeyCode::Enter)}, 2},
      {{Ch('d')}, 3},
      {{Ch('R')}, 2},
      {{Ch('z'), K(KeyCode::Esc)}, 0},
  };
  for (const Case& c : cases) {
    ScriptedConsole console(c.keys);
    EXPECT_EQ(MSGBOX("Error BASE/1003", buttons), c.result);
  }
  // The layout: B = 8 + 9 + 11 = 28; the buttons one after the other.
  ScriptedConsole console({Key::Mouse(13, 35), Key::Mouse(13, 44), Key::Mouse(12, 45), Key::Mouse(13, 45)});
  BoxLayout b = LayOutBox("Error BASE/1003", {"Quit", "Retry", "Default"}, 25, 80);
  EXPECT_EQ(b.buttons_width, 28);
  EXPECT_EQ(b.button_columns, (std::vector<int>{27, 35, 44}));
  EXPECT_EQ(MSGBOX("Error BASE/1003", buttons), 3);
  const Frame& box = console.display().frames.at(0);
  EXPECT_EQ(b.bottom - 1, 13);
  EXPECT_EQ(box.Text(13, 27, 26), " Quit    Retry    Default ");
  EXPECT_EQ(box.At(13, 27).attr, 0x1F);
  EXPECT_EQ(box.At(13, 35).attr, 0x4F);
}

TEST(MessageBox, CloseRequestAnswersAsEnterThenEndsTheRun) {
  ScriptedConsole console;  // no keys: the first wait is a close request
  std::vector<Cell> before = TheScreen().cells();
  try {
    MSGBOX("abc");
    FAIL() << "the run goes on";
  } catch (const EndRunSignal& end) {
    EXPECT_EQ(end.exit_code, 0);
  }
  EXPECT_EQ(TheScreen().cells(), before);  // put back before the run ends
}

TEST(MessageBox, AnyTextAndAnySmallGridNeverBreakIt) {
  std::string bytes;
  for (int i = 0; i < 2000; ++i) bytes += static_cast<char>((i * 37) % 256);
  for (int rows : {1, 3, 5, 25}) {
    for (int columns : {1, 4, 7, 80}) {
      ScriptedConsole console({K(KeyCode::Right), Key::Mouse(-1, -1), K(KeyCode::Enter)});
      ASSERT_TRUE(SCREENSIZE(rows, columns));
      EXPECT_EQ(MSGBOX(bytes, {Value(std::string(300, 'b')), Value("c")}), 2);
    }
  }
}

// The change-log text: CR LF before each of its 31 lines.
std::string ChangeLogText() {
  const char* lines[] = {
      "Verzió      Dátum      Változás",
      "2022.01 - 2022.11.11 - curl.exe hívás módosítása AVAST miatt",
      "2021.03 - 2021.04.08 - paraméter fájlben megadható timeot, ha nincs megadva 60 mp",
      "2021.02 - 2021.03.31 - queryInvoiceData-nál a szállító adószáma a taxnumber2 paraméterben",
      "2020.08 - 2021.01.05 - XSD 3.0-nál <ns4:\"",
      "2020.07 - 2020.12.12 - XSD 3.0 módosítása miatt passwordHash cryptoType=\"SHA-512\"",
      "2020.06 - 2020.10.12 - XSD 3.0 a tesztoldalon",
      "2020.05 - 2020.10.07 - queryInvoiceData javítás, ha szóköz van a számlaszámban",
      "2020.04 - 2020.08.24 - queryInvoiceData a bejövő számlákat is le tudja kérdezni",
      "2020.03 - 2020.07.09 - technikai jellegű javítások",
      "2020.02 - 2020.03.01 - queryInvoiceDigest funkció",
      "2020.01 - 2020.02.05 - alert hibaüzenetekben verziószám",
      "2019.03 - 2019.10.19 - XSD 2.0 kezelése, új funkció: queryInvoiceCheck",
      "2019.02 - 2019.05.17 - kisebb javítások a megjelenítésben",
      "2019.01 - 2019.01.31 - új sor a par fájlban: xsdverzio",
      "2018.14 - 2018.11.23 - üzenet a képenyőn a curl.exe hívásakor",
      "2018.13 - 2018.08.14 - hibajelzés, ha a token dekódolás sikertelen",
      "                       (cserekulcs hiba)",
      "2018.12 - 2018.07.05 - KONZOLA",
      "2018.11 - 2018.06.18 - a par fájlban választani lehet az éles vagy a tesztoldal",
      "                       között",
      "2018.10 - 2018.06.05 - javítás a queryTaxpayer miatt",
      "2018.09 - 2018.06.01 - par fájlban charcode:=\"ANSI\" sor",
      "2018.08 - 2018.06.01 - 10 helyett 60 mp timeout a CURL.EXE-nél",
      "2018.07 - 2018.05.30 - AES-128 javítás, a token lehet 48 karakternél hosszabb",
      "2018.06 - 2018.05.28 - queryInvoiceData funkció",
      "2018.05 - 2018.05.25 - compressedContent beállítás kötelező a",
      "                       ManageInvoiceRequest-nél",
      "2018.04 - 2018.05.16 - operation sor a par fájlban (CREATE,MODIFY,STORNO,ANNUL)",
      "2018.03 - 2018.05.05 - queryTaxPayer funkció",
      "2018.02 - 2018.04.10 - a timestamp-hez kell az ezred mp is",
  };
  std::string text;
  for (const char* line : lines) text += "\r\n" + Text852(line);
  return text;
}

TEST(Viewer, ChangeLogHas35DisplayLines) {
  std::vector<std::string> lines = ViewLines(ChangeLogText(), 80);
  ASSERT_EQ(lines.size(), 35u);
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], Text852("Verzió      Dátum      Változás"));
  EXPECT_EQ(lines[3], Text852("2021.03 - 2021.04.08 - paraméter fájlben megadható timeot, ha nincs megadva 60 "));
  EXPECT_EQ(lines[3].size(), 79u);
  EXPECT_EQ(lines[4], "mp");
  EXPECT_EQ(lines[6], Text852("paraméterben"));
  EXPECT_EQ(lines[9], Text852("cryptoType=\"SHA-512\""));
  EXPECT_EQ(lines[34], Text852("2018.02 - 2018.04.10 - a timestamp-hez kell az ezred mp is"));
  for (const std::string& line : lines) EXPECT_LT(line.size(), 80u);
}

TEST(Viewer, SplittingRules) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {""}},
      {"a\r\nb\n\rc\rd\ne", {"a", "b", "c", "d", "e"}},
      {"a\r\n", {"a", ""}},
      {"a\r\r\nb", {"a", "", "b"}},
      {"a\x8D\nb\n", {"ab", ""}},
      {std::string(10, 'x'), {std::string(10, 'x'), ""}},           // exactly N: cut, then empty
      {std::string(10, 'x') + "\r\ny", {std::string(10, 'x'), "", "y"}},
      {std::string(12, 'x'), {std::string(10, 'x'), "xx"}},
      {"abc defghijkl", {"abc ", "defghijkl"}},                      // the blank stays at the end
      {" abcdefghijk", {" abcdefghi", "jk"}},                        // not a blank of the first column
      {"a\tb", {"a   b"}},
      {"abcdefghi\tj", {"abcdefghi ", "j"}},
      {std::string("a\0b", 3), {std::string("a\0b", 3)}},
  };
  for (const Case& c : cases) EXPECT_EQ(ViewLines(c.text, 10), c.lines) << c.text;
}

// What rows 1..23 of the frame show, as the numbers of the display lines
// (1-based; 0 for a blank row past the end).
std::vector<std::string> ShownRows(const Frame& f) {
  std::vector<std::string> rows;
  for (int r = 1; r <= 23; ++r) rows.push_back(f.Row(r));
  return rows;
}

std::vector<std::string> Expected(const std::vector<std::string>& lines, int first) {
  std::vector<std::string> rows;
  for (int i = 0; i < 23; ++i) {
    size_t index = static_cast<size_t>(first - 1 + i);
    std::string line = index < lines.size() ? lines[index] : "";
    rows.push_back(line + std::string(80 - line.size(), ' '));
  }
  return rows;
}

TEST(Viewer, DownAndCtrlPgUpShowTheLinesNamed) {
  std::vector<Key> keys(13, K(KeyCode::Down));
  keys.push_back(K(KeyCode::CtrlPgUp));
  keys.push_back(K(KeyCode::Down));
  keys.push_back(K(KeyCode::Esc));
  ScriptedConsole console(keys);
  SCREENCOLOR("n/w");
  CLEARAREA();
  std::string text = ChangeLogText();
  EXPECT_EQ(TEXTVIEW(text, 1, 0, 23, 79), text);
  std::vector<std::string> lines = ViewLines(text, 80);
  const std::vector<Frame>& frames = console.display().frames;
  // The first view, one frame per scroll (the thirteenth Down changes nothing),
  // the return to the top, one more Down, and the one when the view ends.
  ASSERT_EQ(frames.size(), 1 + 12 + 1 + 1 + 1 + 1);
  EXPECT_EQ(ShownRows(frames[1]), Expected(lines, 1));
  EXPECT_EQ(ShownRows(frames[13]), Expected(lines, 13));
  EXPECT_EQ(ShownRows(frames[14]), Expected(lines, 1));
  EXPECT_EQ(ShownRows(frames[15]), Expected(lines, 2));
  EXPECT_EQ(ShownRows(frames.back()), Expected(lines, 2));  // the view stays drawn
  EXPECT_EQ(frames.back().At(5, 3).attr, 0x70);
  EXPECT_EQ(frames.back().Row(0), std::string(80, ' '));  // outside the view untouched
}

// The first display line that the frame's view shows, each from its first
// column; 0 when the view shows anything else (say, lines from a later
// column: the column followed past the 80 columns shown).
int FirstShownLine(const Frame& f, const std::vector<std::string>& lines) {
  for (int first = 1; first <= static_cast<int>(lines.size()); ++first)
    if (ShownRows(f) == Expected(lines, first)) return first;
  return 0;
}

// Each key as often as its count says.
std::vector<Key> KeyRuns(std::initializer_list<std::pair<KeyCode, int>> runs) {
  std::vector<Key> keys;
  for (const auto& [code, count] : runs) keys.insert(keys.end(), static_cast<size_t>(count), K(code));
  return keys;
}

// The keys that move the position without scrolling, and the ones that do.
// The column stays between 1 and 80, all on the view, which therefore never
// scrolls sideways.
TEST(Viewer, KeysMoveThePositionByTheirRules) {
  std::string text;
  for (int i = 1; i <= 60; ++i) text += "line " + std::to_string(i) + " word\r\n";
  std::vector<std::string> lines = ViewLines(text, 80);  // 61 display lines
  struct Case {
    std::vector<Key> keys;
    int first_shown;  // the first line shown at the end
  } cases[] = {
      {{K(KeyCode::PgDn)}, 1},                                    // to line 23: still on the view
      {{K(KeyCode::PgDn), K(KeyCode::PgDn)}, 23},                 // line 45
      {{K(KeyCode::CtrlPgDn)}, 39},                               // the last line, 61
      {{K(KeyCode::CtrlPgDn), K(KeyCode::PgUp), K(KeyCode::PgUp), K(KeyCode::PgUp)}, 1},
      {{K(KeyCode::CtrlEnd), K(KeyCode::Enter)}, 2},              // line 23, then 24
      {{K(KeyCode::CtrlEnd), K(KeyCode::CtrlHome), K(KeyCode::Up)}, 1},
      {{K(KeyCode::Down), K(KeyCode::Down), K(KeyCode::Up)}, 2},
      {{K(KeyCode::Enter), K(KeyCode::Enter), K(KeyCode::Right), K(KeyCode::End), K(KeyCode::Tab),
        K(KeyCode::Home), K(KeyCode::Left), K(KeyCode::Backspace), K(KeyCode::CtrlRight),
        K(KeyCode::CtrlLeft), Ch('q'), K(KeyCode::Other)}, 1},
      // Past the line's end to column 80 and held there, back to the end,
      // to 80 again, then down to column 1 and held there.
      {KeyRuns({{KeyCode::Right, 85}, {KeyCode::Tab, 1}, {KeyCode::End, 1}, {KeyCode::Tab, 25},
                {KeyCode::Left, 90}, {KeyCode::Backspace, 1}, {KeyCode::CtrlLeft, 1}}), 1},
  };
  for (const Case& c : cases) {
    std::vector<Key> keys = c.keys;
    keys.push_back(K(KeyCode::Esc));
    ScriptedConsole console(keys);
    TEXTVIEW(text, 1, 0, 23, 79);
    EXPECT_EQ(console.display().keys_left(), 0u);
    EXPECT_EQ(ShownRows(console.display().frames.back()), Expected(lines, c.first_shown));
    for (const Frame& frame : console.display().frames)
      EXPECT_GT(FirstShownLine(frame, lines), 0) << c.keys.size() << " keys";
  }
}

TEST(Viewer, AnyBytesAnyRectangleAnyKeysNeverBreakIt) {
  std::string bytes;
  for (int i = 0; i < 5000; ++i) bytes += static_cast<char>((i * 131 + i / 7) % 256);
  std::vector<Key> keys;
  for (int i = 0; i <= static_cast<int>(KeyCode::Other); ++i) keys.push_back(K(static_cast<KeyCode>(i)));
  keys.erase(keys.begin() + static_cast<int>(KeyCode::Esc));
  for (int round = 0; round < 3; ++round) {
    std::vector<Key> once = keys;
    keys.insert(keys.end(), once.begin(), once.end());
  }
  keys.push_back(K(KeyCode::Esc));
  struct Rectangle { int top, left, bottom, right; } rectangles[] = {
      {1, 0, 23, 79}, {0, 0, 0, 0}, {5, 5, 2, 2}, {-10, -10, 100, 200}, {20, 70, 40, 100},
      {-2147483647, -2147483647, 2147483647, 2147483647},
  };
  for (const Rectangle& r : rectangles) {
    ScriptedConsole console(keys);
    EXPECT_EQ(TEXTVIEW(bytes, r.top, r.left, r.bottom, r.right), bytes);
    EXPECT_EQ(console.display().keys_left(), 0u);
  }
  ScriptedConsole console({K(KeyCode::Down), K(KeyCode::Esc)});
  EXPECT_EQ(TEXTVIEW("", 1, 0, 23, 79), "");
}

TEST(Viewer, CloseRequestEndsTheViewThenTheRun) {
  ScriptedConsole console({K(KeyCode::Down)});
  EXPECT_THROW(TEXTVIEW("a\r\nb", 1, 0, 23, 79), EndRunSignal);
}

}  // namespace
