// console_probe: small runs of the console and the process services for tests
// that need a real process (arguments, paths, commands, signals, a terminal).
// The first argument names the case; a second names a file to write to.
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "client/console/console.h"
#include "client/console/msgbox.h"
#include "client/console/process.h"
#include "foundations/codepage.h"

namespace {

void Note(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::app);
  out << text << "\n";
}

std::string ViewerText() {
  std::string text;
  for (int i = 1; i <= 40; ++i) text += (i > 1 ? "\r\n" : "") + std::string("sor ") + std::to_string(i);
  return text;
}

void Main(const Value& first) {
  std::string mode = first.text();
  std::string file = Arguments().size() > 1 ? CP852TOUTF8(Value(Arguments()[1])) : "";
  if (mode == "args") {
    std::printf("%d\n", ARGCOUNT());
    for (const std::string& a : Arguments()) std::printf("[%s]\n", CP852TOUTF8(Value(a)).c_str());
  } else if (mode == "path") {
    std::printf("%s\n", CP852TOUTF8(Value(PROGRAMPATH())).c_str());
  } else if (mode == "command") {
    std::printf("%d\n", RUNCOMMAND("exit 3"));
    std::fflush(stdout);
    RUNCOMMAND(Text852("printf '%s\\n' 'ő'"));
  } else if (mode == "close-during-command") {
    RUNCOMMAND("kill -TERM $PPID; sleep 0.1");
    std::puts("after the command");
    std::fflush(stdout);
    CLEARAREA(2, 0, 2);  // the next output acts on the close request
    std::puts("not reached");
  } else if (mode == "status-command") {
    // The exchange runner's steps around the HTTP client: the status line,
    // the client (a stand-in in the working directory), then the clearing.
    SCREENCOLOR("\"n/w\"");
    CLEARAREA();
    CURSORTO(2, 0);
    SHOWTEXT(Text852("Kommunikáció folyamatban"));
    RUNCOMMAND("sh ./standin.sh");
    Note(file, "command ended");
    CLEARAREA(2, 0, 2);
    Note(file, "handled");
  } else if (mode == "capture-then-throw") {
    CAPTUREON(Arguments()[1]);
    PRINTLINE("kept");
    throw std::runtime_error("failure after capture");
  } else if (mode == "box" || mode == "view" || mode == "wait") {
    Note(file, "pid " + std::to_string(getpid()));
    SCREENCOLOR("\"n/w\"");
    CLEARAREA();
    CURSORTO(0, 0);
    SHOWTEXT(Text852("Fejléc ő"), std::string("w/n*"));
    if (mode == "view") {
      TEXTVIEW(ViewerText(), 1, 0, 23, 79);
      Note(file, "viewed");
    } else {
      int chosen = MSGBOX(Text852("Első sor;a második sor"), {Value("Ok"), Value(Text852("Mégse"))});
      Note(file, "chosen " + std::to_string(chosen));
    }
  }
}

}  // namespace

int main(int argc, char** argv) { return RunProgram(argc, argv, Main); }
