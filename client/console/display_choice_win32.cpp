// display_choice_win32.cpp: the console window of its own unless "//headless"
// asks for nothing (Windows has no terminal display); headless too when the
// window cannot be made.
#include "client/console/display_choice.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

// Without a window the message box's text goes to standard error and the
// viewer's to standard output: as bytes, as on POSIX. In the C library's
// text mode every LF would become CR LF, and a CR LF of the change log
// CR CR LF.
std::unique_ptr<Display> HeadlessWithBinaryOutput() {
  std::fflush(stdout);
  std::fflush(stderr);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return MakeHeadlessDisplay();
}

}  // namespace

std::unique_ptr<Display> ChooseDisplay(DisplayChoice choice) {
  std::unique_ptr<Display> display;
  if (choice != DisplayChoice::Headless)
    display = MakeWin32Display();
  return display ? std::move(display) : HeadlessWithBinaryOutput();
}
