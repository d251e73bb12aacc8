// display_choice_win32.cpp: the console window of its own unless "//headless"
// asks for nothing (Windows has no terminal display); headless too when the
// window cannot be made.
#include "client/console/display_choice.h"

std::unique_ptr<Display> ChooseDisplay(DisplayChoice choice) {
  std::unique_ptr<Display> display;
  if (choice != DisplayChoice::Headless)
    display = MakeWin32Display();
  return display ? std::move(display) : MakeHeadlessDisplay();
}
