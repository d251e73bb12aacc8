// display_headless.cpp: the display that shows nothing and has no keyboard.
#include "client/console/display.h"

namespace {

class HeadlessDisplay : public Display {
 public:
  bool interactive() const override { return false; }
  void Update(Screen& screen) override { screen.TakeBells(); }
  void Poll(Screen&) override {}
  // No key will ever come: a wait can only end the run.
  void Wait(Screen& screen) override { screen.close_requested = true; }
};

}  // namespace

std::unique_ptr<Display> MakeHeadlessDisplay() { return std::make_unique<HeadlessDisplay>(); }
