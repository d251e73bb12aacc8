// The window display driven for real: the program runs against an Xvfb
// server of the test's own, xdotool finds the window and sends keys and
// mouse clicks, xwd takes its picture, and WM_DELETE_WINDOW is sent as a
// window manager sends it (through libX11 from Python).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_io.h"

namespace {

using Clock = std::chrono::steady_clock;

using test_io::Slurp;

using test_io::Output;

bool Installed(const std::string& tool) {
  return !Output("command -v " + tool + " 2>/dev/null").empty();
}

template <typename Predicate>
bool Until(Predicate holds, int ms = 5000) {
  for (Clock::time_point end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
    if (holds()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return holds();
}

// An Xvfb of our own; it picks a free display number and tells it.
class XServer {
 public:
  XServer() {
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      int null = open("/dev/null", O_RDWR);
      dup2(null, 0), dup2(null, 1), dup2(null, 2);
      std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c;
    while (poll(&p, 1, 10000) > 0 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~XServer() { Kill(); }
  // The server goes away as at the end of a session.
  void Kill() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  const std::string& name() const { return name_; }
  std::string Tool(const std::string& command) const {
    return Output("DISPLAY=" + name_ + " " + command + " 2>/dev/null");
  }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

// One run of a program, with DISPLAY as given (unset for nullopt), standard
// input from /dev/null and its output in files.
class ProgramRun {
 public:
  ProgramRun(const std::string& dir, const std::vector<std::string>& argv, std::optional<std::string> display)
      : dir_(dir) {
    pid_ = fork();
    if (pid_ == 0) {
      if (chdir(dir.c_str()) != 0) _exit(126);
      if (display) setenv("DISPLAY", display->c_str(), 1);
      else unsetenv("DISPLAY");
      int null = open("/dev/null", O_RDONLY);
      int out = open("out", O_WRONLY | O_CREAT | O_TRUNC, 0600);
      int err = open("err", O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(null, 0), dup2(out, 1), dup2(err, 2);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execv(args[0], args.data());
      _exit(127);
    }
  }
  ~ProgramRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }
  // The exit code, or -1 when the run has not ended in time (it is killed).
  int Wait(int ms = 5000) {
    int status = 0;
    bool ended = Until([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, ms);
    if (!ended) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  std::string File(const std::string& name) const { return Slurp(dir_ + "/" + name); }

 private:
  std::string dir_;
  pid_t pid_ = -1;
};

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "#" << std::hex << (c.r << 16 | c.g << 8 | c.b) << std::dec;
}
const Rgb kBlack{0, 0, 0}, kLightGrey{0xAA, 0xAA, 0xAA}, kDarkGrey{0x55, 0x55, 0x55},
    kRed{0xAA, 0, 0}, kBlue{0, 0, 0xAA}, kWhite{0xFF, 0xFF, 0xFF};

// A window's picture as xwd writes it (a big-endian header, then the
// pixels of a true-colour visual).
class Picture {
 public:
  explicit Picture(const std::string& data) {
    auto word = [&](size_t i) {
      uint32_t v = 0;
      for (size_t k = 0; k < 4; ++k) v = v << 8 | static_cast<unsigned char>(data[i * 4 + k]);
      return v;
    };
    if (data.size() < 100) return;
    uint32_t header = word(0), ncolors = word(19);
    width = static_cast<int>(word(4));
    height = static_cast<int>(word(5));
    lsb_first_ = word(7) == 0;
    bits_ = word(11);
    line_ = word(12);
    masks_ = {word(14), word(15), word(16)};
    offset_ = header + ncolors * 12;
    if (bits_ != 32 || data.size() < offset_ + line_ * static_cast<size_t>(height)) width = height = 0;
    data_ = data;
  }
  Rgb At(int x, int y) const {
    size_t i = offset_ + static_cast<size_t>(y) * line_ + static_cast<size_t>(x) * 4;
    uint32_t v = 0;
    for (size_t k = 0; k < 4; ++k) {
      uint32_t byte = static_cast<unsigned char>(data_[i + (lsb_first_ ? 3 - k : k)]);
      v = v << 8 | byte;
    }
    auto part = [&](uint32_t mask) {
      int shift = 0;
      while (mask && !(mask & 1)) mask >>= 1, ++shift;
      return static_cast<int>((v >> shift) & 0xFF);
    };
    return {part(masks_[0]), part(masks_[1]), part(masks_[2])};
  }
  int width = 0, height = 0;

 private:
  std::string data_;
  bool lsb_first_ = true;
  uint32_t bits_ = 0;
  size_t line_ = 0, offset_ = 0;
  std::vector<uint32_t> masks_;
};

// The colours of one 10 x 20 cell: the most frequent is the background.
struct CellColours {
  Rgb background{};
  std::vector<Rgb> others;
  bool full_pixel_row = false, full_pixel_column = false;  // in a colour not the background
};

CellColours ColoursOf(const Picture& picture, int row, int column) {
  CellColours cell;
  if ((column + 1) * 10 > picture.width || (row + 1) * 20 > picture.height)
    return cell;  // not in the picture (none was taken)
  std::vector<std::pair<Rgb, int>> counts;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 10; ++x) {
      Rgb c = picture.At(column * 10 + x, row * 20 + y);
      auto it = std::find_if(counts.begin(), counts.end(), [&](auto& e) { return e.first == c; });
      if (it == counts.end()) counts.push_back({c, 1});
      else ++it->second;
    }
  std::sort(counts.begin(), counts.end(), [](auto& a, auto& b) { return a.second > b.second; });
  cell.background = counts[0].first;
  for (size_t i = 1; i < counts.size(); ++i) cell.others.push_back(counts[i].first);
  for (int y = 0; y < 20 && !cell.full_pixel_row; ++y) {
    bool full = true;
    for (int x = 0; x < 10; ++x) full = full && !(picture.At(column * 10 + x, row * 20 + y) == cell.background);
    cell.full_pixel_row = full;
  }
  for (int x = 0; x < 10 && !cell.full_pixel_column; ++x) {
    bool full = true;
    for (int y = 0; y < 20; ++y) full = full && !(picture.At(column * 10 + x, row * 20 + y) == cell.background);
    cell.full_pixel_column = full;
  }
  return cell;
}

// Sends WM_DELETE_WINDOW to the window, as a window manager's close does.
constexpr char kDeleteWindow[] = R"(import ctypes, sys
x = ctypes.CDLL("libX11.so.6")
x.XOpenDisplay.restype = ctypes.c_void_p
x.XOpenDisplay.argtypes = [ctypes.c_char_p]
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
class Message(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int), ("l", ctypes.c_long * 5)]
class Event(ctypes.Union):
    _fields_ = [("xclient", Message), ("pad", ctypes.c_long * 24)]
x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                         ctypes.POINTER(Event)]
x.XCloseDisplay.argtypes = [ctypes.c_void_p]
d = x.XOpenDisplay(None)
e = Event()
e.xclient.type = 33
e.xclient.window = int(sys.argv[1])
e.xclient.message_type = x.XInternAtom(d, b"WM_PROTOCOLS", 0)
e.xclient.format = 32
e.xclient.l[0] = x.XInternAtom(d, b"WM_DELETE_WINDOW", 0)
x.XSendEvent(d, e.xclient.window, 0, 0, ctypes.byref(e))
x.XCloseDisplay(d)
)";

class X11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"Xvfb", "xdotool", "xwd", "xprop"})
      if (!Installed(tool)) GTEST_FAIL() << tool << " is not installed (packages xvfb, xdotool, x11-apps, x11-utils)";
    if (Output(std::string("ldd ") + KVITALINK_EXE).find("libX11") == std::string::npos) {
      if (!KVITALINK_X11_WANTED)
        GTEST_SKIP() << "configured with -DKVITALINK_X11=OFF: the program has no window of its own";
      GTEST_FAIL() << "the program was built without Xlib (package libx11-dev)";
    }
    dir_ = std::string(TESTS_BINARY_DIR) + "/x11_test_" + std::to_string(getpid());
    std::system(("rm -rf '" + dir_ + "' && mkdir -p '" + dir_ + "'").c_str());
    server_ = std::make_unique<XServer>();
    ASSERT_FALSE(server_->name().empty()) << "Xvfb did not start";
  }
  void TearDown() override {
    server_.reset();
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }

  std::unique_ptr<ProgramRun> Start(const std::vector<std::string>& argv) {
    return std::make_unique<ProgramRun>(dir_, argv, server_->name());
  }
  std::unique_ptr<ProgramRun> Probe(const std::string& mode) {
    return Start({std::string(HELPERS_DIR) + "/console_probe", mode, "note"});
  }
  // The window of that title, once it shows; "" when none does in time.
  std::string WindowNamed(const std::string& title, int ms = 5000) {
    std::string id;
    Until([&] {
      std::istringstream in(server_->Tool("xdotool search --name '" + title + "'"));
      return static_cast<bool>(in >> id);
    }, ms);
    return id;
  }
  // Keys and clicks go to the window under the focus.
  void Send(const std::string& window, const std::string& xdotool_arguments) {
    server_->Tool("xdotool windowfocus --sync " + window + " " + xdotool_arguments);
  }
  Picture Grab(const std::string& window) {
    return Picture(server_->Tool("xwd -silent -id " + window));
  }

  std::string dir_;
  std::unique_ptr<XServer> server_;
};

TEST_F(X11Test, TheProgramShowsItsMessageInAWindowAndReturnEndsIt) {
  std::unique_ptr<ProgramRun> run = Start({KVITALINK_EXE});
  std::string window = WindowNamed("KVITALINK - online");
  ASSERT_FALSE(window.empty()) << run->File("err");
  EXPECT_NE(server_->Tool("xprop -id " + window + " _NET_WM_NAME").find("számla kommunikációs modul"),
            std::string::npos);
  // The whole title, in UTF-8 and in Latin-1 (xprop shows both in the
  // locale's UTF-8), two blanks before the version.
  EXPECT_EQ(server_->Tool("LC_ALL=C.UTF-8 xprop -id " + window + " -notype _NET_WM_NAME WM_NAME"),
            "_NET_WM_NAME = \"KVITALINK - online számla kommunikációs modul  2022.01\"\n"
            "WM_NAME = \"KVITALINK - online számla kommunikációs modul  2022.01\"\n");
  // 80 x 25 cells of 10 x 20 pixels, black on light grey, the centred box red.
  Picture picture = Grab(window);
  EXPECT_EQ(picture.width, 800);
  EXPECT_EQ(picture.height, 500);
  if (picture.width == 800 && picture.height == 500) {
    EXPECT_EQ(ColoursOf(picture, 0, 0).background, kLightGrey);
    EXPECT_EQ(ColoursOf(picture, 12, 40).background, kRed);
  }
  Send(window, "key Return");
  EXPECT_EQ(run->Wait(), 0);
  EXPECT_EQ(run->File("err"), "");
}

// The probe's box: rows 9 to 14 and columns 30 to 48, " Ok " at columns 33-36
// on row 13 and " Mégse " from 39; "Fejléc ő" at (0, 0) light grey on dark grey.
TEST_F(X11Test, CellsShowInThePaletteColoursWithTheirGlyphs) {
  std::unique_ptr<ProgramRun> run = Probe("box");
  std::string window = WindowNamed("console_probe");
  ASSERT_FALSE(window.empty()) << run->File("err");
  Picture picture = Grab(window);
  ASSERT_EQ(picture.width, 800);
  ASSERT_EQ(picture.height, 500);
  struct Case {
    int row, column;
    Rgb background;
    std::optional<Rgb> ink;  // none: a blank
    bool row_line = false, column_line = false;
  } cases[] = {
      {0, 0, kDarkGrey, kLightGrey},          // "F"
      {0, 7, kDarkGrey, kLightGrey},          // "ő": a letter of code page 852
      {0, 8, kLightGrey, std::nullopt},       // no caret: the box hides the cursor
      {0, 20, kLightGrey, std::nullopt},      // cleared in the standard colour
      {9, 40, kRed, kWhite, true, false},     // "─" runs through the cell
      {11, 30, kRed, kWhite, false, true},    // "│"
      {10, 36, kRed, kWhite},                 // "E" of "Első sor"
      {12, 40, kRed, std::nullopt},
      {13, 33, kBlue, std::nullopt},          // the selected button
      {13, 34, kBlue, kWhite},                // "O"
      {13, 41, kRed, kWhite},                 // "é" of the other button
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "cell " << c.row << ", " << c.column);
    CellColours cell = ColoursOf(picture, c.row, c.column);
    EXPECT_EQ(cell.background, c.background);
    if (c.ink) {
      ASSERT_FALSE(cell.others.empty());
      EXPECT_EQ(cell.others[0], *c.ink);
    } else {
      EXPECT_TRUE(cell.others.empty());
    }
    EXPECT_EQ(cell.full_pixel_row, c.row_line);
    EXPECT_EQ(cell.full_pixel_column, c.column_line);
  }
  Send(window, "key Return");
  EXPECT_EQ(run->Wait(), 0);
}

TEST_F(X11Test, KeysAndTheLeftButtonAnswerTheBox) {
  struct Case {
    const char* input;
    const char* noted;
  } cases[] = {
      {"key Return", "chosen 1"},
      {"key Tab space", "chosen 2"},
      {"key shift+Tab Left Return", "chosen 1"},
      {"key M", "chosen 2"},
      {"key ctrl+m Escape", "chosen 0"},      // a control key types nothing
      {"mousemove 405 270 click 1", "chosen 2"},  // cell (13, 40): "Mégse"
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    std::unique_ptr<ProgramRun> run = Probe("box");
    std::string window = WindowNamed("console_probe");
    ASSERT_FALSE(window.empty()) << run->File("err");
    Send(window, c.input);
    EXPECT_EQ(run->Wait(), 0);
    EXPECT_NE(run->File("note").find(c.noted), std::string::npos) << run->File("note");
  }
}

TEST_F(X11Test, TheViewerScrollsAndEscEndsIt) {
  std::unique_ptr<ProgramRun> run = Probe("view");
  std::string window = WindowNamed("console_probe");
  ASSERT_FALSE(window.empty()) << run->File("err");
  // The cursor stands after "Fejléc ő": a caret under cell (0, 8), black as
  // the text of the standard colour.
  Picture picture = Grab(window);
  ASSERT_EQ(picture.width, 800);
  CellColours caret = ColoursOf(picture, 0, 8);
  EXPECT_EQ(caret.background, kLightGrey);
  EXPECT_TRUE(caret.full_pixel_row);
  // Row 1 shows "sor 1", and "sor 18" once the view has scrolled to the end.
  EXPECT_TRUE(ColoursOf(picture, 1, 5).others.empty());
  Send(window, "key ctrl+Next");
  EXPECT_TRUE(Until([&] { return !ColoursOf(Grab(window), 1, 5).others.empty(); }));
  Send(window, "key Escape");
  EXPECT_EQ(run->Wait(), 0);
  EXPECT_NE(run->File("note").find("viewed"), std::string::npos);
}

// However the window goes, the box ends as Enter would and the run ends
// right after it, with exit code 0.
TEST_F(X11Test, ClosingTheWindowEndsTheRunWithZero) {
  std::string sender = dir_ + "/delete_window.py";
  std::ofstream(sender) << kDeleteWindow;
  bool python = Installed("python3");
  struct Case {
    const char* how;
    std::string command;  // followed by the window's id
  } cases[] = {
      {"WM_DELETE_WINDOW", python ? "python3 " + sender + " " : ""},
      {"window destroyed", "xdotool windowclose "},
      {"connection cut", "xdotool windowkill "},
      {"SIGTERM", "kill -TERM \"$(sed -n 's/^pid //p' " + dir_ + "/note)\" #"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.how);
    if (c.command.empty()) continue;
    std::remove((dir_ + "/note").c_str());
    std::unique_ptr<ProgramRun> run = Probe("wait");
    std::string window = WindowNamed("console_probe");
    ASSERT_FALSE(window.empty()) << run->File("err");
    server_->Tool(c.command + window);
    EXPECT_EQ(run->Wait(), 0) << run->File("err");
    EXPECT_EQ(run->File("note").find("chosen"), std::string::npos);  // ended in the box
    EXPECT_EQ(run->File("err"), "");
  }
}

TEST_F(X11Test, TheEndOfTheSessionEndsTheRunWithZero) {
  std::unique_ptr<ProgramRun> run = Probe("wait");
  ASSERT_FALSE(WindowNamed("console_probe").empty()) << run->File("err");
  server_->Kill();
  EXPECT_EQ(run->Wait(), 0) << run->File("err");
  EXPECT_EQ(run->File("note").find("chosen"), std::string::npos);
  EXPECT_EQ(run->File("err"), "");
}

// Resized, larger or smaller, the window takes a font that fills it: the
// grid of 80 x 25 cells spreads over the whole client area, with no margin,
// and the text grows or shrinks with the cells.
TEST_F(X11Test, AResizedWindowFillsItsClientAreaWithTheWholeGrid) {
  std::unique_ptr<ProgramRun> run = Probe("box");
  std::string window = WindowNamed("console_probe");
  ASSERT_FALSE(window.empty()) << run->File("err");
  // The first and last position along a line of pixels that has the colour.
  auto span = [](const Picture& p, bool across, int at, const Rgb& colour) {
    int first = -1, last = -1, length = across ? p.width : p.height;
    for (int i = 0; i < length; ++i)
      if ((across ? p.At(i, at) : p.At(at, i)) == colour) {
        if (first < 0) first = i;
        last = i;
      }
    return std::make_pair(first, last);
  };
  for (auto [width, height] : {std::pair{1000, 700}, std::pair{640, 400}, std::pair{1003, 611}}) {
    SCOPED_TRACE(testing::Message() << width << "x" << height);
    server_->Tool("xdotool windowsize --sync " + window + " " + std::to_string(width) + " " +
                  std::to_string(height));
    // The red box: columns 30 to 48 and rows 9 to 14 of the grid.
    int left = 30 * width / 80, right = 49 * width / 80 - 1;
    int top = 9 * height / 25, bottom = 15 * height / 25 - 1;
    int middle_x = (left + right) / 2, middle_y = (top + bottom) / 2;
    Picture picture(std::string{});
    bool redrawn = Until([&] {
      picture = Grab(window);
      return picture.width == width && picture.height == height &&
             std::abs(span(picture, true, middle_y, kRed).first - left) <= 1;
    }, 15000);
    ASSERT_TRUE(redrawn) << picture.width << "x" << picture.height << " red from "
                         << span(picture, true, middle_y, kRed).first;
    EXPECT_NEAR(span(picture, true, middle_y, kRed).second, right, 1);
    EXPECT_NEAR(span(picture, false, middle_x, kRed).first, top, 1);
    EXPECT_NEAR(span(picture, false, middle_x, kRed).second, bottom, 1);
    // The cells reach the corners: "Fejléc" at the top left, the standard
    // colour at the bottom right.
    EXPECT_EQ(picture.At(0, 0), kDarkGrey);
    EXPECT_EQ(picture.At(width - 1, height - 1), kLightGrey);
    // "Első sor" on row 10 (inside the frame, columns 32 to 46): its letters
    // stand about half a cell high.
    int row_top = 10 * height / 25, row_bottom = 11 * height / 25, inked = 0;
    for (int y = row_top; y < row_bottom; ++y) {
      bool ink = false;
      for (int x = 32 * width / 80; x < 47 * width / 80 && !ink; ++x) ink = picture.At(x, y) == kWhite;
      inked += ink;
    }
    EXPECT_GE(inked, (row_bottom - row_top) / 2);
    EXPECT_LT(inked, row_bottom - row_top);
  }
  Send(window, "mousemove " + std::to_string(35 * 1003 / 80 + 2) + " " +
                   std::to_string(13 * 611 / 25 + 2) + " click 1");  // cell (13, 35): "Ok"
  EXPECT_EQ(run->Wait(), 0);
  EXPECT_NE(run->File("note").find("chosen 1"), std::string::npos);
}

// Without a server that opens, or told so, the program does without a window:
// no terminal here, so the message goes to standard error.
TEST_F(X11Test, WithoutAWindowTheProgramFallsBack) {
  struct Case {
    const char* what;
    std::optional<std::string> display;
    std::vector<std::string> options;
  } cases[] = {
      {"DISPLAY unset", std::nullopt, {}},
      {"DISPLAY does not open, //x11", ":4094", {"//X11"}},
      {"//headless", server_->name(), {"//headless"}},
      {"//HEADLESS", server_->name(), {"//HEADLESS"}},
      {"//HeadLess", server_->name(), {"//HeadLess"}},
      {"//tty without a terminal", server_->name(), {"//tty"}},
      {"//TTY without a terminal", server_->name(), {"//TTY"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> argv = {KVITALINK_EXE};
    argv.insert(argv.end(), c.options.begin(), c.options.end());
    ProgramRun run(dir_, argv, c.display);
    EXPECT_EQ(run.Wait(), 0);
    EXPECT_NE(run.File("err").find("Paraméter fájl nincs megadva!"), std::string::npos) << run.File("err");
    EXPECT_EQ(server_->Tool("xdotool search --name KVITALINK"), "");  // while a run that waits still shows
  }
}

}  // namespace
