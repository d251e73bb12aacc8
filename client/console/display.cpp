// display.cpp: the current display and the console's service points.
#include "client/console/display.h"

#include "client/console/close_signals.h"
#include "foundations/raise.h"

namespace {

std::unique_ptr<Display>& Current() {
  static std::unique_ptr<Display> display = MakeHeadlessDisplay();
  return display;
}

void TakeInput() {
  Screen& screen = TheScreen();
  CurrentDisplay().Poll(screen);
  if (TakeCloseSignal())
    screen.close_requested = true;
}

}  // namespace

Display& CurrentDisplay() { return *Current(); }

std::unique_ptr<Display> SetDisplay(std::unique_ptr<Display> display) {
  if (!display)
    display = MakeHeadlessDisplay();
  std::swap(display, Current());
  return display;
}

void RefreshConsole() {
  CurrentDisplay().Update(TheScreen());
  TakeInput();
}

void ServiceConsole() {
  RefreshConsole();
  if (TheScreen().close_requested)
    throw EndRunSignal{0};
}

std::optional<Key> WaitForKey() {
  Screen& screen = TheScreen();
  for (;;) {
    TakeInput();
    if (std::optional<Key> key = screen.PopKey())
      return key;
    if (screen.close_requested)
      return std::nullopt;
    CurrentDisplay().Wait(screen);
  }
}
