// The change log: the capture file's bytes, the screen and the viewer's
// display lines (in-process, with a display of the test's own), and, running
// the real executable, the arguments that show it and what it leaves behind.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "client/change_log.h"
#include "client/console/console.h"
#include "client/console/display.h"
#include "client/console/screen.h"
#include "foundations/codepage.h"
#include "foundations/raise.h"
#include "run_helpers.h"

namespace {

// The 31 lines and their lengths in characters, as the history reads.
const std::vector<std::pair<std::string, size_t>> kHistory = {
    {"Verzió      Dátum      Változás", 31},
    {"2022.01 - 2022.11.11 - curl.exe hívás módosítása AVAST miatt", 60},
    {"2021.03 - 2021.04.08 - paraméter fájlben megadható timeot, ha nincs megadva 60 mp", 81},
    {"2021.02 - 2021.03.31 - queryInvoiceData-nál a szállító adószáma a taxnumber2 paraméterben", 89},
    {"2020.08 - 2021.01.05 - XSD 3.0-nál <ns4:\"", 41},
    {"2020.07 - 2020.12.12 - XSD 3.0 módosítása miatt passwordHash cryptoType=\"SHA-512\"", 81},
    {"2020.06 - 2020.10.12 - XSD 3.0 a tesztoldalon", 45},
    {"2020.05 - 2020.10.07 - queryInvoiceData javítás, ha szóköz van a számlaszámban", 78},
    {"2020.04 - 2020.08.24 - queryInvoiceData a bejövő számlákat is le tudja kérdezni", 79},
    {"2020.03 - 2020.07.09 - technikai jellegű javítások", 50},
    {"2020.02 - 2020.03.01 - queryInvoiceDigest funkció", 49},
    {"2020.01 - 2020.02.05 - alert hibaüzenetekben verziószám", 55},
    {"2019.03 - 2019.10.19 - XSD 2.0 kezelése, új funkció: queryInvoiceCheck", 70},
    {"2019.02 - 2019.05.17 - kisebb javítások a megjelenítésben", 57},
    {"2019.01 - 2019.01.31 - új sor a par fájlban: xsdverzio", 54},
    {"2018.14 - 2018.11.23 - üzenet a képenyőn a curl.exe hívásakor", 61},
    {"2018.13 - 2018.08.14 - hibajelzés, ha a token dekódolás sikertelen", 66},
    {"                       (cserekulcs hiba)", 40},
    {"2018.12 - 2018.07.05 - KONZOLA", 30},
    {"2018.11 - 2018.06.18 - a par fájlban választani lehet az éles vagy a tesztoldal", 79},
    {"                       között", 29},
    {"2018.10 - 2018.06.05 - javítás a queryTaxpayer miatt", 52},
    {"2018.09 - 2018.06.01 - par fájlban charcode:=\"ANSI\" sor", 55},
    {"2018.08 - 2018.06.01 - 10 helyett 60 mp timeout a CURL.EXE-nél", 62},
    {"2018.07 - 2018.05.30 - AES-128 javítás, a token lehet 48 karakternél hosszabb", 77},
    {"2018.06 - 2018.05.28 - queryInvoiceData funkció", 47},
    {"2018.05 - 2018.05.25 - compressedContent beállítás kötelező a", 61},
    {"                       ManageInvoiceRequest-nél", 47},
    {"2018.04 - 2018.05.16 - operation sor a par fájlban (CREATE,MODIFY,STORNO,ANNUL)", 79},
    {"2018.03 - 2018.05.05 - queryTaxPayer funkció", 44},
    {"2018.02 - 2018.04.10 - a timestamp-hez kell az ezred mp is", 58},
};

std::string ExpectedCapture() {
  std::string out;
  for (const auto& [line, length] : kHistory)
    out += "\r\n" + Text852(line);
  return out + "\x1A";
}

std::string Row(const std::vector<Cell>& cells, int row) {
  std::string out;
  for (int c = 0; c < 80; ++c)
    out += static_cast<char>(cells[static_cast<size_t>(row * 80 + c)].ch);
  return out;
}

std::string PaddedTo80(const std::string& text852) { return text852 + std::string(80 - text852.size(), ' '); }

// Reads the capture file and the screen when the viewer first waits, then
// scrolls down thirteen times, looks again and leaves with Esc.
class ViewerDisplay : public Display {
 public:
  explicit ViewerDisplay(std::string file) : file_(std::move(file)) {}
  bool interactive() const override { return true; }
  void Update(Screen&) override {}
  void Poll(Screen&) override {}
  void Wait(Screen& screen) override {
    screens.push_back(screen.cells());
    if (screens.size() == 1) {
      capture = ReadBytes(file_);
      for (int i = 0; i < 13; ++i)
        screen.PushKey(Key::Of(KeyCode::Down));
    } else {
      screen.PushKey(Key::Of(KeyCode::Esc));
    }
  }
  std::string capture;
  std::vector<std::vector<Cell>> screens;

 private:
  std::string file_;
};

}  // namespace

TEST(ChangeLog, LinesAreTheHistoryInCodePage852) {
  const std::vector<std::string>& lines = ChangeLogLines();
  ASSERT_EQ(lines.size(), kHistory.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(lines[i], Text852(kHistory[i].first));
    EXPECT_EQ(lines[i].size(), kHistory[i].second) << i;
  }
}

TEST(ChangeLog, CaptureFileScreenAndViewer) {
  TempDir dir;
  std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  const std::string on_disk = dir / "kvitalink_változások.txt";
  WriteBytes(on_disk, "an older file of that name");
  auto* display = new ViewerDisplay(on_disk);
  std::unique_ptr<Display> before = SetDisplay(std::unique_ptr<Display>(display));
  SCREENCOLOR("\"n/w\"");   // as MAIN sets it up
  int exit_code = -1;
  try {
    ShowChangeLog();
  } catch (const EndRunSignal& end) {
    exit_code = end.exit_code;
  }
  std::filesystem::current_path(previous);

  EXPECT_EQ(exit_code, 0);
  EXPECT_EQ(display->capture, ExpectedCapture());
  EXPECT_FALSE(Exists(on_disk));
  ASSERT_EQ(display->screens.size(), 2u);
  const std::vector<Cell>& first = display->screens[0];
  EXPECT_EQ(Row(first, 0), std::string(28, ' ') + Text852("Változások a programban") + std::string(29, ' '));
  EXPECT_EQ(first[0].attr, 0x87);
  EXPECT_EQ(Row(first, 1), std::string(80, ' '));
  EXPECT_EQ(Row(first, 2), PaddedTo80(Text852(kHistory[0].first)));
  // The first line over 80 characters is cut after its last blank.
  EXPECT_EQ(Row(first, 4), PaddedTo80(Text852("2021.03 - 2021.04.08 - paraméter fájlben megadható timeot, ha nincs megadva 60 ")));
  EXPECT_EQ(Row(first, 5), PaddedTo80("mp"));
  std::string bottom(80, '\xC4');   // the single line across row 24
  bottom[40] = '\x19';
  EXPECT_EQ(Row(first, 24), bottom);
  EXPECT_EQ(first[24 * 80].attr, 0x70);
  // Thirteen Downs: the last of 35 display lines stands on row 23.
  const std::vector<Cell>& scrolled = display->screens[1];
  EXPECT_EQ(Row(scrolled, 1), PaddedTo80(Text852(kHistory[8].first)));
  EXPECT_EQ(Row(scrolled, 23), PaddedTo80(Text852(kHistory[30].first)));
  SetDisplay(std::move(before));
}

TEST(ChangeLog, ShownForEveryArgumentBeginningWithSlashQuestion) {
  TempDir dir;
  std::string par = dir / "par.txt";
  std::string expected;
  for (const auto& [line, length] : kHistory)
    expected += "\r\n" + line;
  const std::vector<std::vector<std::string>> argument_lists = {
      {"/?"}, {"/?x"}, {"/?", par}, {"//option", "/?", "more", "args"}};
  for (const auto& args : argument_lists) {
    WriteBytes(par, "curldir:=\"x\"\r\n");
    RunResult r = RunHeadless(KVITALINK_EXE, args, dir.path());
    EXPECT_EQ(r.exit_code, 0) << args[0];
    EXPECT_EQ(r.err, "") << args[0];
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_TRUE(Exists(par));
    EXPECT_FALSE(Exists(dir / "kvitalink_változások.txt"));
  }
}

// The change-log file cannot be created (a directory holds its name): the
// run-time error report names the file with Windows' number for a denied
// access, and its levels are the facility that failed, then MAIN at the line
// it was executing.
TEST(ChangeLog, CaptureFileThatCannotBeCreatedEndsInTheErrorReport) {
  TempDir dir;
  const std::string name = "kvitalink_változások.txt";
  ASSERT_TRUE(std::filesystem::create_directory(dir / name));
  RunResult r = RunHeadless(KVITALINK_EXE, {"/?"}, dir.path());
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(r.out, "");
  const std::string message = "Error TERM/2015  Létrehozási hiba: " + name;
  const std::string report = BoxLines(message + ";(DOS Error 5)") + "\r\n" + message +
                             " (DOS Error 5)\r\nCalled from CAPTUREON(0)  \r\nCalled from MAIN(";
  ASSERT_EQ(r.err.substr(0, report.size()), report) << r.err;
  const std::string line = r.err.substr(report.size());
  ASSERT_GE(line.size(), 4u);
  EXPECT_EQ(line.substr(line.size() - 3), ")  ") << r.err;
  const std::string number = line.substr(0, line.size() - 3);
  EXPECT_EQ(number.find_first_not_of("0123456789"), std::string::npos) << r.err;
  EXPECT_GT(std::stoi(number), 0) << r.err;
  EXPECT_TRUE(std::filesystem::is_directory(dir / name));
}
