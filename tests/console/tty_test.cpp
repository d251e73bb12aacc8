// The terminal display driven for real: the helper runs in a tmux pane, keys
// go in with send-keys and the screen comes back with capture-pane.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_io.h"
#include "tmux_pane.h"

namespace {

using test_io::Slurp;
using test_tty::AwaitFile;
using test_tty::Quoted;
using test_tty::TmuxPane;

// The shell line that runs the probe with the arguments, its notes going to
// "note".
std::string ProbeCommand(const std::string& probe_arguments) {
  return Quoted(std::string(HELPERS_DIR) + "/console_probe") + " " + probe_arguments + " note";
}
// The same, keeping its exit status in "rc".
std::string Probe(const std::string& probe_arguments) {
  return ProbeCommand(probe_arguments) + "; echo $? > rc";
}

class TtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::string(TMUX_EXE).empty()) GTEST_FAIL() << "tmux is not installed";
  }
};

TEST_F(TtyTest, MessageBoxAppearsAndEnterEndsIt) {
  TmuxPane pane(Probe("box"), 80, 25);  // both streams are terminals: the tty display
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  std::vector<std::string> screen = pane.Screen();
  ASSERT_GE(screen.size(), 15u);
  EXPECT_EQ(screen[0].substr(0, 10), "Fejléc ő");
  // W = 15 (the buttons), L = 2: rows 9 to 14, columns 30 to 48.
  EXPECT_EQ(screen[9], std::string(30, ' ') + "┌" + [] {
    std::string line;
    for (int i = 0; i < 17; ++i) line += "─";
    return line;
  }() + "┐");
  EXPECT_EQ(screen[10].substr(0, 33), std::string(30, ' ') + "│");
  EXPECT_NE(screen[10].find("Első sor"), std::string::npos);
  EXPECT_NE(screen[11].find("a második sor"), std::string::npos);
  EXPECT_NE(screen[13].find(" Ok    Mégse "), std::string::npos);
  EXPECT_EQ(screen[14].substr(0, 33), std::string(30, ' ') + "└");
  // The palette as SGR colours: white on red, the selected button white on blue.
  std::vector<std::string> coloured;
  std::istringstream in(pane.Tmux("capture-pane -e -p -t t"));
  for (std::string line; std::getline(in, line);) coloured.push_back(line);
  ASSERT_GE(coloured.size(), 14u);
  EXPECT_NE(coloured[0].find("48;2;85;85;85mFejléc"), std::string::npos);
  EXPECT_NE(coloured[13].find("38;2;255;255;255m\x1b[48;2;170;0;0m│"), std::string::npos) << coloured[13];
  EXPECT_NE(coloured[13].find("48;2;0;0;170m Ok "), std::string::npos);
  pane.ChooseTheSecondButton();
}

TEST_F(TtyTest, ViewerScrollsOnDownAndEndsOnEsc) {
  TmuxPane pane(Probe("view //TTY"), 80, 25);
  ASSERT_TRUE(pane.UntilShown("sor 23")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[1], "sor 1");
  EXPECT_EQ(pane.Joined().find("sor 24"), std::string::npos);
  pane.Keys("Down");
  ASSERT_TRUE(pane.UntilShown("sor 24")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[1], "sor 2");
  pane.Keys("C-PageDown");
  ASSERT_TRUE(pane.UntilShown("sor 40")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[1], "sor 18");
  pane.Keys("Escape");
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  EXPECT_EQ(pane.File("rc"), "0\n");
  EXPECT_NE(pane.File("note").find("viewed"), std::string::npos);
  pane.ExpectRestored();
}

TEST_F(TtyTest, SigtermWhileABoxWaitsEndsTheRunWithZero) {
  TmuxPane pane(Probe("wait"), 80, 25);
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  std::string note = pane.File("note");
  ASSERT_EQ(note.substr(0, 4), "pid ");
  pid_t pid = static_cast<pid_t>(std::stol(note.substr(4)));
  ASSERT_EQ(kill(pid, SIGTERM), 0);
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  EXPECT_EQ(pane.File("rc"), "0\n");
  EXPECT_EQ(pane.File("note").find("chosen"), std::string::npos);  // the run ended in the box
  pane.ExpectRestored();
}

TEST_F(TtyTest, ASmallTerminalShowsWhatFitsAndAResizeRedraws) {
  TmuxPane pane(Probe("box"), 30, 8);
  ASSERT_TRUE(pane.UntilShown("Fejléc ő")) << pane.Joined();
  std::vector<std::string> screen = pane.Screen();
  EXPECT_EQ(screen.size(), 8u);
  for (const std::string& line : screen) EXPECT_EQ(line.find("Első"), std::string::npos);
  // Grown while the box waits: the whole grid is drawn again.
  pane.Tmux("resize-window -t t -x 80 -y 25");
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[0], "Fejléc ő");
  pane.Keys("Enter");
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  EXPECT_EQ(pane.File("rc"), "0\n");
  EXPECT_NE(pane.File("note").find("chosen 1"), std::string::npos);
  pane.ExpectRestored();
}

TEST_F(TtyTest, CloseKeysWhileABoxWaitsEndTheRunAndGiveTheTerminalBack) {
  for (const char* key : {"C-c", "C-\\"}) {
    SCOPED_TRACE(key);
    TmuxPane pane(Probe("box"), 80, 25);
    ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
    pane.ExpectModes("alternate 1 mouse 1011 wrap 0 cursor 0\n");
    pane.Keys(Quoted(key));
    ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
    EXPECT_EQ(pane.File("rc"), "0\n");
    EXPECT_EQ(pane.File("note").find("chosen"), std::string::npos);  // the run ended in the box
    pane.ExpectRestored();
  }
}

// A signal that ends the program without being a close request still leaves
// the terminal as it was.
TEST_F(TtyTest, OtherEndingSignalsGiveTheTerminalBackFirst) {
  for (int signal_number : {SIGUSR1, SIGALRM}) {
    SCOPED_TRACE(signal_number);
    TmuxPane pane(Probe("wait"), 80, 25);
    ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
    std::string note = pane.File("note");
    ASSERT_EQ(note.substr(0, 4), "pid ");
    ASSERT_EQ(kill(static_cast<pid_t>(std::stol(note.substr(4))), signal_number), 0);
    ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
    EXPECT_EQ(pane.File("rc"), std::to_string(128 + signal_number) + "\n");
    pane.ExpectRestored();
  }
}

TEST_F(TtyTest, CtrlZGivesTheTerminalBackAndFgTakesItAgainAndRedraws) {
  // A shell with job control, as at an interactive prompt: the stopped probe
  // gives it the terminal; it notes the settings, waits for "resume" and
  // brings the probe back.
  TmuxPane pane("set -m\n" + ProbeCommand("box") + "\nstty -g > stopped\n" + AwaitFile("resume") +
                    "\nfg\necho $? > rc",
                80, 25);
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  pane.Keys("C-z");
  ASSERT_TRUE(pane.Until([&] { return !pane.File("stopped").empty(); })) << pane.Joined();
  pane.ExpectRestored("stopped");
  EXPECT_EQ(pane.Joined().find("Első sor"), std::string::npos) << pane.Joined();
  pane.Touch("resume");
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[0], "Fejléc ő");
  pane.ExpectModes("alternate 1 mouse 1011 wrap 0 cursor 0\n");
  pane.ChooseTheSecondButton();  // the box still answers its keys
}

// The state letter of the process as /proc shows it ('T' when stopped).
char ProcessState(pid_t pid) {
  std::string stat = Slurp("/proc/" + std::to_string(pid) + "/stat");
  size_t name_end = stat.rfind(')');
  return name_end != std::string::npos && name_end + 2 < stat.size() ? stat[name_end + 2] : '?';
}

// A prompt that the test types at, as the user types at theirs.
const char kInteractiveShell[] = "HISTFILE= PS1='$ ' bash --norc --noprofile -i";

// Types the line that runs the probe's box from a script, and waits for the
// box; the probe's process id.
pid_t StartBoxFromAScript(const TmuxPane& pane) {
  pane.Keys(Quoted("bash -c " + Quoted(Probe("box"))) + " Enter");
  if (!pane.UntilShown("Első sor")) return -1;
  std::string note = pane.File("note");
  return note.substr(0, 4) == "pid " ? static_cast<pid_t>(std::stol(note.substr(4))) : -1;
}

// Keys that answer the box, then the shell is left: the script noted the
// choice and its exit status 0, and the terminal is as it was.
void AnswerTheBoxAndLeaveTheShell(const TmuxPane& pane, const std::vector<std::string>& keys,
                                  const std::string& chosen) {
  for (const std::string& key : keys) pane.Keys(key);
  ASSERT_TRUE(pane.Until([&] { return !pane.File("rc").empty(); })) << pane.Joined();
  EXPECT_EQ(pane.File("rc"), "0\n");
  EXPECT_NE(pane.File("note").find(chosen), std::string::npos);
  pane.Keys("exit Enter");
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  pane.ExpectRestored();
}

// Started from a script, the program shares its process group with the
// script's shell, which a stop stops at once: the interactive shell above it
// then takes the terminal back, perhaps while the program is still giving it
// back, and fg may come before the program has stopped. Whatever the order,
// each fg brings the program back and it draws its grid again.
TEST_F(TtyTest, StopAndFgWorkWhenAScriptStartedTheProgram) {
  struct Case {
    const char* how;
    bool typed;  // Ctrl+Z, else SIGTSTP sent to the whole job
  } cases[] = {{"Ctrl+Z", true}, {"SIGTSTP to the job", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    TmuxPane pane(kInteractiveShell, 80, 25);
    pid_t pid = StartBoxFromAScript(pane);
    ASSERT_GT(pid, 0) << pane.Joined();
    pid_t job = getpgid(pid);
    ASSERT_NE(job, pid);  // the script's shell leads the job
    for (int i = 1; i <= 5; ++i) {
      SCOPED_TRACE(i);
      std::string stopped = "stopped" + std::to_string(i);
      if (c.typed) {
        pane.Keys("C-z");
      } else {
        ASSERT_EQ(kill(-job, SIGTSTP), 0);
      }
      ASSERT_TRUE(pane.Until([&] { return ProcessState(pid) == 'T'; })) << pane.Joined();
      // Ctrl+Z gives the terminal back before the job stops, so the shell's
      // report lands on the screen given back.
      if (c.typed) {
        EXPECT_TRUE(pane.UntilShown("Stopped")) << pane.Joined();
      }
      pane.Keys(Quoted("stty -g > " + stopped) + " Enter");
      ASSERT_TRUE(pane.Until([&] { return !pane.File(stopped).empty(); })) << pane.Joined();
      pane.ExpectRestored(stopped);
      EXPECT_EQ(pane.Joined().find("Első sor"), std::string::npos) << pane.Joined();
      pane.Keys("'clear; fg' Enter");
      ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
      EXPECT_EQ(pane.Screen()[0], "Fejléc ő");
      pane.ExpectModes("alternate 1 mouse 1011 wrap 0 cursor 0\n");
    }
    AnswerTheBoxAndLeaveTheShell(pane, {"Right", "Enter"}, "chosen 2");
  }
}

// Continued in the background, the program leaves the terminal to the shell
// (it is not stopped for touching it) until fg brings it to the foreground.
TEST_F(TtyTest, BgLeavesTheTerminalToTheShellUntilFg) {
  TmuxPane pane(kInteractiveShell, 80, 25);
  pid_t pid = StartBoxFromAScript(pane);
  ASSERT_GT(pid, 0) << pane.Joined();
  pane.Keys("C-z");
  ASSERT_TRUE(pane.UntilShown("Stopped")) << pane.Joined();
  pane.Keys("'clear; bg; stty -g > background' Enter");
  ASSERT_TRUE(pane.Until([&] { return !pane.File("background").empty(); })) << pane.Joined();
  pane.ExpectRestored("background");
  EXPECT_NE(ProcessState(pid), 'T');
  EXPECT_EQ(pane.Joined().find("Első sor"), std::string::npos) << pane.Joined();
  pane.Keys("fg Enter");
  ASSERT_TRUE(pane.UntilShown("Első sor")) << pane.Joined();
  EXPECT_EQ(pane.Screen()[0], "Fejléc ő");
  AnswerTheBoxAndLeaveTheShell(pane, {"Enter"}, "chosen 1");
}

TEST_F(TtyTest, CtrlCWhileTheClientRunsLetsItFinishAndEndsTheRunAfterIt) {
  // The client's stand-in: it answers only once the test lets it go.
  std::string standin = "echo $$ > started\n" + AwaitFile("go") +
                        "\nprintf '<valasz/>' > response.xml\n";
  TmuxPane pane(Probe("status-command"), 80, 25, {{"standin.sh", standin}});
  ASSERT_TRUE(pane.UntilShown("Kommunikáció folyamatban")) << pane.Joined();
  ASSERT_TRUE(pane.Until([&] { return !pane.File("started").empty(); }));
  pane.Keys("C-c");
  // The key reaches the terminal's foreground process group at once; the
  // pause only makes sure that it has before the client may finish.
  std::this_thread::sleep_for(std::chrono::seconds(1));
  pane.Touch("go");
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  EXPECT_EQ(pane.File("response.xml"), "<valasz/>");
  EXPECT_EQ(pane.File("rc"), "0\n");
  // The close request took effect at the clearing after the client.
  EXPECT_NE(pane.File("note").find("command ended"), std::string::npos);
  EXPECT_EQ(pane.File("note").find("handled"), std::string::npos);
  pane.ExpectRestored();
}

}  // namespace
