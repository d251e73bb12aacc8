// tmux_pane.h: a real terminal for tests: a tmux server of the test's own
// with one pane, keys sent with send-keys, the screen read with
// capture-pane, and the terminal's settings and modes compared before and
// after the program.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "test_io.h"

namespace test_tty {

using test_io::Output;
using test_io::Slurp;
inline const auto& Quoted = test_io::ShellQuoted;

// A shell loop that waits (up to a minute) until the file exists.
inline std::string AwaitFile(const std::string& name) {
  return "for i in $(seq 1200); do [ -e " + name + " ] && break; sleep 0.05; done";
}

// One tmux server of our own, with one pane running a bash script in a
// directory of its own: the terminal's settings go to "before", then the
// lines given run (files written there first), then the settings go to
// "after".
class TmuxPane {
 public:
  using Files = std::vector<std::pair<std::string, std::string>>;

  TmuxPane(const std::string& lines, int columns, int rows, const Files& files = {}) {
    dir_ = std::string(TESTS_BINARY_DIR) + "/tty_test_" + std::to_string(getpid());
    std::system(("rm -rf " + Quoted(dir_) + " && mkdir -p " + Quoted(dir_)).c_str());
    socket_ = "kvtty" + std::to_string(getpid());
    for (const auto& [name, content] : files) std::ofstream(dir_ + "/" + name) << content;
    std::ofstream(dir_ + "/pane.sh") << "cd " + Quoted(dir_) + " || exit\nstty -g > before\n" +
                                            lines + "\nstty -g > after\nsleep 60\n";
    Tmux("-f /dev/null new-session -d -x " + std::to_string(columns) + " -y " +
         std::to_string(rows) + " -s t " + Quoted("bash " + Quoted(dir_ + "/pane.sh")));
  }
  TmuxPane(const TmuxPane&) = delete;
  TmuxPane& operator=(const TmuxPane&) = delete;
  ~TmuxPane() {
    Tmux("kill-server");
    std::system(("rm -rf " + Quoted(dir_)).c_str());
  }

  std::string Tmux(const std::string& arguments) const {
    return Output(std::string(TMUX_EXE) + " -L " + socket_ + " " + arguments + " 2>/dev/null");
  }
  std::vector<std::string> Screen() const {
    std::vector<std::string> lines;
    std::istringstream in(Tmux("capture-pane -p -t t"));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  void Keys(const std::string& keys) const { Tmux("send-keys -t t " + keys); }
  std::string File(const std::string& name) const { return Slurp(dir_ + "/" + name); }

  // Waits (with a deadline generous enough for a loaded machine) until the
  // predicate holds.
  template <typename Predicate>
  bool Until(Predicate holds) const {
    for (int i = 0; i < 600; ++i) {
      if (holds()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  bool UntilShown(const std::string& text) const {
    return Until([&] { return Joined().find(text) != std::string::npos; });
  }
  bool UntilEnded() const { return Until([&] { return !File("after").empty(); }); }
  std::string Joined() const {
    std::string all;
    for (const std::string& line : Screen()) all += line + "\n";
    return all;
  }
  // The pane's modes that the program changes while it has the terminal.
  std::string Modes() const {
    return Tmux("display-message -p -t t 'alternate #{alternate_on} mouse #{mouse_standard_flag}"
                "#{mouse_button_flag}#{mouse_any_flag}#{mouse_sgr_flag} wrap #{wrap_flag} cursor "
                "#{cursor_flag}'");
  }
  // The program gave the terminal back as it found it (the settings saved in
  // the file against those of "before").
  void ExpectRestored(const std::string& settings_file = "after") const {
    EXPECT_FALSE(File("before").empty());
    EXPECT_EQ(File(settings_file), File("before"));
    ExpectModes("alternate 0 mouse 0000 wrap 1 cursor 1\n");
  }
  // tmux reads the program's output on its own time: the modes may lag
  // behind the files that the shell writes after the program.
  void ExpectModes(const std::string& modes) const {
    Until([&] { return Modes() == modes; });
    EXPECT_EQ(Modes(), modes);
  }
  // Right and Enter in the probe's box: the run ends with 0 after noting the
  // choice, and the terminal is as it was.
  void ChooseTheSecondButton() const {
    Keys("Right");
    Keys("Enter");
    ASSERT_TRUE(UntilEnded()) << Joined();
    EXPECT_EQ(File("rc"), "0\n");
    EXPECT_NE(File("note").find("chosen 2"), std::string::npos);
    ExpectRestored();
  }
  void Touch(const std::string& name) const { std::ofstream(dir_ + "/" + name) << "\n"; }

 private:
  std::string dir_, socket_;
};

}  // namespace test_tty
