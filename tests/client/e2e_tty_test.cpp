// e2e_tty_test.cpp: the real program on a real terminal (a tmux pane) during
// an exchange: what the screen shows while curl runs and once it has ended.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/e2e_harness.h"
#include "console/tmux_pane.h"

namespace {

using E2eTty = E2eTest;

const char kStatus[] = "Kommunikáció a NAV TESZT rendszerével...";

// The status line stands at row 2 from column 0 while curl runs, alone on
// the cleared screen, and row 2 is blank again once curl has ended: here
// under the message box that follows a token that fails its check (the box
// leaves row 2 uncovered).
TEST_F(E2eTty, TheStatusLineShowsWhileCurlRunsAndGoesAfterIt) {
  if (std::string(TMUX_EXE).empty()) GTEST_FAIL() << "tmux is not installed";
  E2eWorkspace ws;
  const std::string go = ws.root + "/go", started = ws.root + "/started";
  const std::string token = EncipheredToken(" " + std::string(47, 'A') + std::string(16, '\x10'),
                                            TestAuthority::ExchangeKey());
  E2eWorkspace::Write(ws.root + "/answer.xml",
                      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><TokenExchangeResponse><result>"
                      "<funcCode>OK</funcCode></result><encodedExchangeToken>" + token +
                      "</encodedExchangeToken></TokenExchangeResponse>");
  // The stand-in answers once the test lets it go.
  ws.UseCurlScript("out=\nwhile [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                   "touch " + ShellQuoted(started) + "\n" + test_tty::AwaitFile(ShellQuoted(go)) +
                   "\ncat " + ShellQuoted(ws.root + "/answer.xml") + " > \"$out\"");
  const std::string parameters = ws.root + "/param.txt";
  E2eWorkspace::Write(parameters, ParameterFileBytes(ws.ParamsFor("0")));
  test_tty::TmuxPane pane(ShellQuoted(KVITALINK_EXE) + " //tty " + ShellQuoted(parameters) +
                              " 2> err; echo $? > rc",
                          80, 25);

  ASSERT_TRUE(pane.UntilShown(kStatus)) << pane.Joined();
  ASSERT_TRUE(pane.Until([&] { return E2eWorkspace::Exists(started); })) << pane.Joined();
  std::vector<std::string> expected(25);
  expected[2] = kStatus;
  EXPECT_EQ(pane.Screen(), expected);

  E2eWorkspace::Write(go, "");
  ASSERT_TRUE(pane.UntilShown("A token kérés sikeres")) << pane.Joined();
  std::vector<std::string> screen = pane.Screen();
  ASSERT_EQ(screen.size(), 25u);
  for (int row = 0; row < 7; ++row) EXPECT_EQ(screen[static_cast<size_t>(row)], "") << "row " << row;

  pane.Keys("Enter");
  ASSERT_TRUE(pane.UntilEnded()) << pane.Joined();
  EXPECT_EQ(pane.File("rc"), "0\n");
  EXPECT_EQ(pane.File("err"), "");
  EXPECT_EQ(ws.CurlCalls().size(), 1u);
  pane.ExpectRestored();
}

}  // namespace
