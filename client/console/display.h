// display.h: what shows the screen model and feeds its key queue. A display
// knows the model; the model knows no display. The console services the
// current display after each output and while it waits for a key.
#pragma once

#include <memory>
#include <optional>

#include "client/console/screen.h"

class Display {
 public:
  virtual ~Display() = default;
  // False for a display that shows nothing and has no user to wait for: the
  // message box and the viewer then answer at once.
  virtual bool interactive() const = 0;
  // Shows the grid, the cursor and the title as the model holds them.
  virtual void Update(Screen& screen) = 0;
  // Takes the input that is already waiting into the key queue, without
  // blocking; a closed input is a close request.
  virtual void Poll(Screen& screen) = 0;
  // Blocks until input arrives or a close request may have been made.
  virtual void Wait(Screen& screen) = 0;
};

std::unique_ptr<Display> MakeHeadlessDisplay();
// nullptr when standard input and output are not both terminals.
std::unique_ptr<Display> MakeTtyDisplay();
// A window of its own on the X server that DISPLAY names; nullptr when that
// does not open. Only a build with Xlib has it.
std::unique_ptr<Display> MakeX11Display();
// A window of its own on Windows; nullptr when its class or the window
// cannot be made. Only the Windows build has it.
std::unique_ptr<Display> MakeWin32Display();

// The display the console services (headless until one is set).
Display& CurrentDisplay();
// Makes `display` current and returns the previous one (destroying it
// restores whatever it changed, such as the terminal).
std::unique_ptr<Display> SetDisplay(std::unique_ptr<Display> display);

// The service point after an output: brings the display up to date, takes
// waiting input and acts on a close request by ending the run (exit code 0).
void ServiceConsole();
// Brings the display up to date and takes waiting input, without acting on a
// close request.
void RefreshConsole();
// Waits for the next key, servicing the display; nullopt when the window is
// to close (the caller finishes as its close rule says, then calls
// ServiceConsole).
std::optional<Key> WaitForKey();
