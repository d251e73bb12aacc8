// display_choice_posix.cpp: the window of its own when the build has one and
// the X server opens, else the terminal, else nothing.
#include "client/console/display_choice.h"

std::unique_ptr<Display> ChooseDisplay(DisplayChoice choice) {
  std::unique_ptr<Display> display;
#if KVITALINK_HAVE_X11
  if (choice == DisplayChoice::Automatic || choice == DisplayChoice::X11)
    display = MakeX11Display();
#endif
  if (!display && choice != DisplayChoice::Headless)
    display = MakeTtyDisplay();
  return display ? std::move(display) : MakeHeadlessDisplay();
}
