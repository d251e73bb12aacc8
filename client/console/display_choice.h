// display_choice.h: which display shows the console, from the start-up
// options "//x11", "//tty" and "//headless"; one implementation per platform
// (display_choice_posix.cpp, display_choice_win32.cpp).
#pragma once

#include <memory>

#include "client/console/display.h"

enum class DisplayChoice { Automatic, X11, Tty, Headless };

// The display for the choice; never nullptr (headless when nothing else can
// be had).
std::unique_ptr<Display> ChooseDisplay(DisplayChoice choice);
