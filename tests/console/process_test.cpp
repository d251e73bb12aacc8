// The process services: the argument rules, the run-time error report (in
// process, driven by keys, and end to end in real processes), commands, the
// executable's path and the ends of a run.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "test_io.h"
#include "client/console/process.h"
#include "client/console/report.h"
#include "foundations/codepage.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"
#include "scripted_display.h"

namespace {

TEST(SplitCommandLine, TheWindowsRuleWithoutEscapes) {
  using Args = std::vector<std::string>;
  struct Case {
    std::string line;
    Args arguments;
  } cases[] = {
      {"kvitalink.exe", {}},
      {"", {}},
      {"kvitalink.exe a.par b.par", {"a.par", "b.par"}},
      {"kvitalink.exe \"C:\\Program Files\\x.par\"", {"C:\\Program Files\\x.par"}},
      {"kvitalink.exe //headless x.par", {"x.par"}},
      {"kvitalink.exe x.par //TTY //", {"x.par"}},
      {"kvitalink.exe a \"\"", {"a", ""}},
      {"kvitalink.exe \"unclosed rest  of line", {"unclosed rest  of line"}},
      {"kvitalink.exe ab\"c d\"ef", {"abc def"}},
      {"kvitalink.exe a\\\"b c\\\"", {"a\\b c\\"}},                  // a backslash escapes nothing
      {"kvitalink.exe \"\"\"\"", {""}},                             // a quote never stands for itself
      {"kvitalink.exe \t a\r\nb  \t", {"a", "b"}},
      {"\"C:\\my dir\\kvitalink.exe\" /? x", {"/?", "x"}},           // the program's name is dropped
      {"kvitalink.exe \"//quoted\" /x//", {"/x//"}},                // dropped after the quotes are gone
      {"kvitalink.exe " + Text852("ő Á.par"), {Text852("ő"), Text852("Á.par")}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST(ErrorReport, MessagesOfTheErrorsTheProgramMeets) {
  struct Case {
    RunTimeError error;
    std::string message;
  } cases[] = {
      {ErrorMissingName("CURLDIR"), Text852("Error BASE/1003  Nem létező változó: CURLDIR")},
      {ErrorPlus(), Text852("Error BASE/1081  Paraméter hiba: +")},
      {ErrorReplaceAll(), Text852("Error BASE/1126  Paraméter hiba: REPLACEALL")},
      {ErrorSyntax(), Text852("Error BASE/1449  Szintaktikus hiba: &")},
      {ErrorCreate(Text852("kvitalink_változások.txt"), 5),
       Text852("Error TERM/2015  Létrehozási hiba: kvitalink_változások.txt")},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorMessage(c.error), c.message);
  RunTimeError bare;
  bare.subsystem = "BASE";
  bare.code = 7;
  bare.description = "x";
  EXPECT_EQ(ErrorMessage(bare), "Error BASE/7  x");
  bare.file_name = "f";
  bare.operation = "op";  // the file name wins
  EXPECT_EQ(ErrorMessage(bare), "Error BASE/7  x: f");
}

TEST(ErrorReport, TextOfQuitWithLevelsInnermostFirst) {
  ProcLevel main_level("MAIN");
  main_level.at(120);
  ProcLevel finvoice("FINVOICE");
  finvoice.at(45);
  RunTimeError error = ErrorReplaceAll();
  EXPECT_EQ(ReportText(error, ErrorLevels(error)),
            Text852("\r\nError BASE/1126  Paraméter hiba: REPLACEALL"
                    "\r\nCalled from REPLACEALL(0)  \r\nCalled from FINVOICE(45)  \r\nCalled from MAIN(120)  "));
  RunTimeError create = ErrorCreate("x.prn", 5);
  EXPECT_EQ(ReportText(create, {}), Text852("\r\nError TERM/2015  Létrehozási hiba: x.prn (DOS Error 5)"));
}

// The report installed as the handler, answered by scripted keys.
class ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetErrorHandler(ShowErrorReport);
    Settings().Clear();
  }
  void TearDown() override {
    SetErrorHandler(nullptr);
    SetExitCode(0);
    Settings().Clear();
  }
  // Boxes shown: the frames drawn with the cursor hidden right after a wait
  // began are not counted; each box starts with one update of its own.
  static int Boxes(const DisplayLog& log, const std::string& first_line) {
    int boxes = 0;
    for (size_t i = 0; i < log.frames.size(); ++i) {
      const Frame& f = log.frames[i];
      bool box = !f.cursor_visible && f.Row(11).find(first_line) != std::string::npos;
      bool previous_box = i > 0 && !log.frames[i - 1].cursor_visible;
      if (box && !previous_box) ++boxes;
    }
    return boxes;
  }
};

TEST_F(ReportTest, RetryAndEscShowTheBoxAgainUntilQuit) {
  ProcLevel level("MAIN");
  level.at(33);
  // Retry, Esc, Retry (with the arrow), then "q" for Quit.
  ScriptedConsole console({K(KeyCode::Tab), K(KeyCode::Enter), K(KeyCode::Esc), K(KeyCode::Right),
                           Ch(' '), Ch('q')});
  testing::internal::CaptureStderr();
  try {
    Settings().Get("CURLDIR");
    FAIL() << "the report returned";
  } catch (const EndRunSignal& end) {
    EXPECT_EQ(end.exit_code, 1);
  }
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "\r\nError BASE/1003  Nem létező változó: CURLDIR\r\nCalled from MAIN(33)  ");
  EXPECT_EQ(ExitCode(), 1);
  EXPECT_EQ(console.display().keys_left(), 0u);
  EXPECT_EQ(Boxes(console.display(), "Error BASE/1003"), 4);
  // The box: the message and the buttons Quit and Retry, no heading.
  const Frame& box = console.display().frames.at(0);
  EXPECT_NE(box.Row(11).find(ErrorMessage(ErrorMissingName("CURLDIR"))), std::string::npos);
  EXPECT_NE(box.Row(13).find(" Quit    Retry "), std::string::npos);
  EXPECT_EQ(box.Row(13).find("Default"), std::string::npos);
}

TEST_F(ReportTest, RetryIsReturnedToTheRaiser) {
  ScriptedConsole console({Ch('r')});
  EXPECT_EQ(RaiseError(ErrorMissingName("CURLDIR")), ErrorAnswer::Retry);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(ReportTest, DefaultAndTheSystemErrorLineOfACreateError) {
  ScriptedConsole console({Ch('d')});
  testing::internal::CaptureStderr();
  EXPECT_EQ(RaiseError(ErrorCreate("x.prn", 13)), ErrorAnswer::Default);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // nothing is written
  const Frame& box = console.display().frames.at(0);
  EXPECT_NE(box.Row(10).find("Error TERM/2015"), std::string::npos);
  EXPECT_NE(box.Row(11).find("(DOS Error 13)"), std::string::npos);
  EXPECT_NE(box.Row(13).find(" Quit    Retry    Default "), std::string::npos);
}

TEST_F(ReportTest, ClosingTheWindowWhileTheReportWaitsEndsWithZeroAndNoText) {
  ScriptedConsole console({K(KeyCode::Esc)});  // then the close request
  testing::internal::CaptureStderr();
  try {
    RaiseError(ErrorPlus());
    FAIL() << "the report returned";
  } catch (const EndRunSignal& end) {
    EXPECT_EQ(end.exit_code, 0);
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ExitCode(), 0);
}

// A real process: the exit code, standard output and standard error.
struct Outcome {
  int exit_code = -1;
  std::string out, err;
};

using test_io::Slurp;

// The directory the helpers run in, removed when the test program ends.
struct HelperDir {
  std::string path = std::string(TESTS_BINARY_DIR) + "/process_test_" + std::to_string(getpid());
  ~HelperDir() { (void)std::system(("rm -rf '" + path + "'").c_str()); }
} g_helper_dir;

Outcome RunHelper(const std::string& arguments, const std::string& program = "console_raise") {
  const std::string& base = g_helper_dir.path;
  std::string command = "mkdir -p '" + base + "' && cd '" + base + "' && '" + HELPERS_DIR + "/" +
                        program + "' " + arguments + " >out 2>err </dev/null";
  int status = std::system(command.c_str());
  Outcome o;
  o.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  o.out = Slurp(base + "/out");
  o.err = Slurp(base + "/err");
  return o;
}

TEST(RunTimeErrorReport, EndToEndInARealProcess) {
  // Headless: the box text goes to standard error as its own lines and is
  // answered as Enter answers it, with the first button, Quit.
  const std::string missing = "Error BASE/1003  Nem létező változó: CURLDIR";
  struct Case {
    const char* arguments;
    std::string err;
  } cases[] = {
      {"missing", missing + "\n\r\n" + missing + "\r\nCalled from MAIN(17)  "},
      {"nested //headless",
       "Error BASE/1003  Nem létező változó: INVOICEXML\n\r\nError BASE/1003  Nem létező változó: "
       "INVOICEXML\r\nCalled from XMLELEJE(31)  \r\nCalled from MAIN(17)  "},
      {"facility",
       "Error BASE/1126  Paraméter hiba: REPLACEALL\n\r\nError BASE/1126  Paraméter hiba: REPLACEALL"
       "\r\nCalled from REPLACEALL(0)  \r\nCalled from FINVOICE(212)  \r\nCalled from MAIN(88)  "},
      {"plus", "Error BASE/1081  Paraméter hiba: +\n\r\nError BASE/1081  Paraméter hiba: +\r\nCalled from MAIN(17)  "},
      {"capture no/such/dir/x.txt",
       "Error TERM/2015  Létrehozási hiba: no/such/dir/x.txt\n(DOS Error 3)\n\r\nError TERM/2015  "
       "Létrehozási hiba: no/such/dir/x.txt (DOS Error 3)\r\nCalled from CAPTUREON(0)  "
       "\r\nCalled from MAIN(17)  "},
  };
  for (const Case& c : cases) {
    Outcome o = RunHelper(c.arguments);
    EXPECT_EQ(o.exit_code, 1) << c.arguments;
    EXPECT_EQ(o.err, c.err) << c.arguments;
    EXPECT_EQ(o.out, "") << c.arguments;  // nothing after the report runs
  }
}

TEST(RunEnds, ExitCodesAndWhatReachesStandardError) {
  struct Case {
    const char* arguments;
    int exit_code;
    const char* out;
    const char* err_begins;
  } cases[] = {
      {"", 0, "returned\n", ""},
      {"endrun", 0, "", ""},
      {"throw", 1, "", "internal failure: "},
      {"nomemory", 1, "", "internal failure: out of memory"},
  };
  for (const Case& c : cases) {
    Outcome o = RunHelper(c.arguments);
    EXPECT_EQ(o.exit_code, c.exit_code) << c.arguments;
    EXPECT_EQ(o.out, c.out) << c.arguments;
    EXPECT_EQ(o.err.substr(0, std::string(c.err_begins).size()), c.err_begins) << c.arguments;
    if (!*c.err_begins) {
      EXPECT_EQ(o.err, "") << c.arguments;
    }
  }
  // A capture file open when the run fails is closed, with what was written.
  Outcome o = RunHelper("capture-then-throw kept.log", "console_probe");
  EXPECT_EQ(o.exit_code, 1);
  EXPECT_EQ(Slurp(g_helper_dir.path + "/kept.log"), "\r\nkept");
}

TEST(ProcessServices, ArgumentsPathAndCommands) {
  Outcome args = RunHelper("args //HEADLESS x '" + std::string("ő Á") + "' //anything ''", "console_probe");
  EXPECT_EQ(args.out, "4\n[args]\n[x]\n[ő Á]\n[]\n");  // through code page 852 and back

  // Started through a relative path, the path is still the full one.
  std::string dir = HELPERS_DIR;
  std::string command = "cd '" + dir + "/..' && './" + dir.substr(dir.rfind('/') + 1) +
                        "/console_probe' path > '" + dir + "/path.out." + std::to_string(getpid()) + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string path = Slurp(dir + "/path.out." + std::to_string(getpid()));
  std::remove((dir + "/path.out." + std::to_string(getpid())).c_str());
  EXPECT_EQ(path, dir + "/console_probe\n");

  Outcome commands = RunHelper("command", "console_probe");
  EXPECT_EQ(commands.out, "3\nő\n");
  EXPECT_EQ(commands.exit_code, 0);
}

TEST(ProcessServices, HeadlessBoxWritesToStandardErrorAndViewerToStandardOutput) {
  Outcome box = RunHelper("box //headless note", "console_probe");
  EXPECT_EQ(box.exit_code, 0);
  EXPECT_EQ(box.err, "Első sor\na második sor\n");
  Outcome view = RunHelper("view note", "console_probe");  // not a terminal: headless
  EXPECT_EQ(view.exit_code, 0);
  std::string text;
  for (int i = 1; i <= 40; ++i) text += (i > 1 ? "\r\n" : "") + std::string("sor ") + std::to_string(i);
  EXPECT_EQ(view.out, text + "\n");
  std::string notes = Slurp(g_helper_dir.path + "/note");
  EXPECT_NE(notes.find("chosen 1"), std::string::npos);  // answered as Enter: the first button
  EXPECT_NE(notes.find("viewed"), std::string::npos);
}

TEST(ProcessServices, ACloseRequestDuringACommandActsAtTheNextOutput) {
  Outcome o = RunHelper("close-during-command", "console_probe");
  EXPECT_EQ(o.exit_code, 0);
  EXPECT_EQ(o.out, "after the command\n");
  EXPECT_EQ(o.err, "");
}

}  // namespace
