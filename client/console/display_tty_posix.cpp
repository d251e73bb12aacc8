// display_tty_posix.cpp: the controlling terminal as the console window: the
// alternate screen, the palette as SGR colours, the grid at the top left
// (what fits of it), the keyboard in raw mode and the mouse. Ctrl+Z gives
// the terminal back as it was before the program stops; continued in the
// foreground, the program takes it again and draws the grid anew, and in the
// background it leaves the terminal alone until it is in the foreground.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

#include "client/console/close_signals.h"
#include "client/console/display.h"
#include "client/console/glyphs.h"
#include "foundations/codepage.h"

namespace {

// How the terminal is taken and given back: the title saved, the alternate
// screen, no wrap at the right margin, mouse reporting.
constexpr char kSaveTitle[] = "\x1b[22;0t";
constexpr char kModesOn[] = "\x1b[?1049h\x1b[?7l\x1b[?1000h\x1b[?1006h";
constexpr char kModesOff[] = "\x1b[0m\x1b[?1006l\x1b[?1000l\x1b[?7h\x1b[?25h\x1b[?1049l";
constexpr char kRestoreTitle[] = "\x1b[23;0t";

// What the signal handlers share with the display: the terminal's two modes,
// whether the terminal is in the program's modes now, and a pipe that wakes a
// wait for input.
termios g_original, g_raw;
volatile sig_atomic_t g_taken = 0;
// Set when the terminal changed its size or was taken again after a stop;
// the next update draws everything.
volatile sig_atomic_t g_redraw = 0;
int g_wake[2] = {-1, -1};

// How long the rest of an escape sequence may take to arrive before a lone
// ESC counts as the Esc key.
constexpr int kEscapeWaitMs = 40;
// How often a wait looks whether the program has the terminal again, while
// another process group has it (a SIGCONT normally tells at once).
constexpr int kBackgroundWaitMs = 500;

// Safe in a signal handler.
void WriteAll(const char* p, size_t left) {
  while (left > 0) {
    ssize_t n = write(STDOUT_FILENO, p, left);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
      continue;
    if (n <= 0)
      return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}

void WriteAll(const std::string& text) { WriteAll(text.data(), text.size()); }

template <size_t N>
void WriteSequence(const char (&sequence)[N]) { WriteAll(sequence, N - 1); }

// Holds the signals given for its lifetime. Safe in a signal handler.
class HoldSignals {
 public:
  explicit HoldSignals(std::initializer_list<int> signals) {
    sigset_t held;
    sigemptyset(&held);
    for (int signal_number : signals)
      sigaddset(&held, signal_number);
    sigprocmask(SIG_BLOCK, &held, &previous_);
  }
  ~HoldSignals() { sigprocmask(SIG_SETMASK, &previous_, nullptr); }
  HoldSignals(const HoldSignals&) = delete;
  HoldSignals& operator=(const HoldSignals&) = delete;

 private:
  sigset_t previous_;
};

// Keeps SIGTTOU from stopping the program while it sets the terminal's modes
// or writes to it: in the background, which a job-control shell may have
// made of the program between a look and a call, the call goes through
// instead of stopping the program halfway in a handler.
class HoldTerminalStop : public HoldSignals {
 public:
  HoldTerminalStop() : HoldSignals({SIGTTOU}) {}
};

// True unless another process group has the terminal in the foreground. A
// terminal that is not the controlling one, or has no foreground group,
// belongs to whoever uses it.
bool InForeground() {
  pid_t foreground = tcgetpgrp(STDIN_FILENO);
  return foreground <= 0 || foreground == getpgrp();
}

void RequestRedraw() {
  g_redraw = 1;
  if (g_wake[1] >= 0) {
    char byte = 1;
    ssize_t ignored = write(g_wake[1], &byte, 1);
    (void)ignored;
  }
}

// The terminal goes back as it was. The escape sequences go out in any case
// (a write from the background does not stop the program), so that no shell
// is left on the alternate screen; the terminal's settings are set only from
// the foreground: once a job-control shell has taken the terminal, they are
// the shell's, and it restores them itself. Safe in a signal handler.
void GiveTerminalBack() {
  if (!g_taken)
    return;
  g_taken = 0;
  HoldTerminalStop hold;
  WriteSequence(kModesOff);
  WriteSequence(kRestoreTitle);
  if (InForeground())
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_original);
}

// Takes the terminal, or takes it again in case whoever had it meanwhile
// changed it, and has everything drawn anew. In the background the program
// leaves the terminal alone (and gives back what it still holds) until it
// is in the foreground again. Safe in a signal handler.
void TakeTerminal() {
  if (!InForeground()) {
    GiveTerminalBack();
    return;
  }
  HoldTerminalStop hold;
  tcsetattr(STDIN_FILENO, TCSAFLUSH, &g_raw);
  if (!g_taken)
    WriteSequence(kSaveTitle);
  WriteSequence(kModesOn);
  g_taken = 1;
  RequestRedraw();
}

void OnResize(int) {
  int saved_errno = errno;
  RequestRedraw();
  errno = saved_errno;
}

void OnStop(int);

void InstallStopHandler() {
  struct sigaction action {};
  action.sa_handler = OnStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTSTP, &action, nullptr);
}

bool ContinuePending() {
  sigset_t pending;
  sigpending(&pending);
  return sigismember(&pending, SIGCONT);
}

// SIGTSTP (Ctrl+Z, or a stop sent to the job): the terminal goes back as it
// was, then the program stops as it would have without a handler. SIGCONT is held meanwhile, so that one that
// comes early (the job was continued while the terminal was still being
// given back) is seen: the program then does not stop at all. One that comes
// once the stop is raised discards it. Continued, the SIGCONT handler takes
// the terminal again when SIGCONT is let through, as the handler returns.
// When nothing stopped the program (the system discards the stop of an
// orphaned process group), it goes on here at once.
void OnStop(int) {
  int saved_errno = errno;
  sigset_t held, previous;
  sigemptyset(&held);
  sigaddset(&held, SIGCONT);
  sigprocmask(SIG_BLOCK, &held, &previous);  // SIGTSTP is held by the handler
  GiveTerminalBack();
  if (!ContinuePending()) {
    signal(SIGTSTP, SIG_DFL);
    raise(SIGTSTP);
    sigset_t stopping = previous;
    sigdelset(&stopping, SIGTSTP);
    sigaddset(&stopping, SIGCONT);
    sigprocmask(SIG_SETMASK, &stopping, nullptr);  // the program stops here
    InstallStopHandler();
  }
  if (!ContinuePending())
    TakeTerminal();
  errno = saved_errno;
}

// Continued (after Ctrl+Z and fg, or after any stop).
void OnContinue(int) {
  int saved_errno = errno;
  TakeTerminal();
  errno = saved_errno;
}

// The signals whose default action ends the program and that are not close
// requests: before the program ends, the terminal goes back as it was. The
// first four arise from a faulty instruction, which runs again, under the
// previous handler, when the handler returns.
constexpr int kEndingSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGALRM,
                                  SIGUSR1, SIGUSR2, SIGPIPE, SIGXCPU, SIGXFSZ, SIGVTALRM,
                                  SIGPROF, SIGSYS, SIGTRAP};
constexpr int kFaultSignals = 4;
constexpr size_t kEndingCount = sizeof kEndingSignals / sizeof kEndingSignals[0];
struct sigaction g_previous_ending[kEndingCount];

void OnEndingSignal(int signal_number) {
  GiveTerminalBack();
  for (size_t i = 0; i < kEndingCount; ++i) {
    if (kEndingSignals[i] != signal_number)
      continue;
    sigaction(signal_number, &g_previous_ending[i], nullptr);
    if (i >= kFaultSignals)
      raise(signal_number);
  }
}

// Only the signals that would end the program as things stand: one that is
// ignored or has a handler of its own keeps it.
void InstallEndingHandlers() {
  struct sigaction action {};
  action.sa_handler = OnEndingSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (size_t i = 0; i < kEndingCount; ++i) {
    sigaction(kEndingSignals[i], nullptr, &g_previous_ending[i]);
    if (g_previous_ending[i].sa_handler == SIG_DFL && !(g_previous_ending[i].sa_flags & SA_SIGINFO))
      sigaction(kEndingSignals[i], &action, nullptr);
  }
}

void RestoreEndingHandlers() {
  for (size_t i = 0; i < kEndingCount; ++i)
    sigaction(kEndingSignals[i], &g_previous_ending[i], nullptr);
}

// Keeps the handlers above from running while the display writes to the
// terminal, so that their output never lands inside a sequence.
class HoldTerminalSignals : public HoldSignals {
 public:
  HoldTerminalSignals() : HoldSignals({SIGTSTP, SIGCONT, SIGWINCH}) {}
};

std::string Sgr(uint8_t attr) {
  Rgb fg = PaletteColour(attr & 15), bg = PaletteColour(attr >> 4);
  return "\x1b[0;38;2;" + std::to_string(fg.r) + ";" + std::to_string(fg.g) + ";" +
         std::to_string(fg.b) + ";48;2;" + std::to_string(bg.r) + ";" + std::to_string(bg.g) +
         ";" + std::to_string(bg.b) + "m";
}

std::string MoveTo(int row, int column) {
  return "\x1b[" + std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H";
}

// The title as a terminal may safely take it: no control characters.
std::string TitleText(const std::string& title) {
  std::string shown;
  for (char c : CP852TOUTF8(Value(title)))
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) shown += c;
  return shown;
}

class TtyDisplay : public Display {
 public:
  explicit TtyDisplay(const termios& original) : original_(original) {}
  TtyDisplay(const TtyDisplay&) = delete;
  TtyDisplay& operator=(const TtyDisplay&) = delete;

  ~TtyDisplay() override {
    if (!started_)
      return;
    {
      HoldTerminalSignals hold;
      GiveTerminalBack();
      sigaction(SIGWINCH, &previous_resize_, nullptr);
      sigaction(SIGTSTP, &previous_stop_, nullptr);
      sigaction(SIGCONT, &previous_continue_, nullptr);
      RestoreEndingHandlers();
    }
    for (int& fd : g_wake) {
      if (fd >= 0) close(fd);
      fd = -1;
    }
  }

  bool interactive() const override { return true; }

  void Update(Screen& screen) override {
    HoldTerminalSignals hold;
    Start();
    if (!g_taken)
      TakeTerminal();  // back in the foreground, and no SIGCONT told
    if (!g_taken) {
      // In the background nothing is drawn: the terminal is the
      // foreground's. The grid is drawn anew once the program has it again.
      screen.TakeBells();
      return;
    }
    std::string out;
    int term_rows = 0, term_columns = 0;
    TerminalSize(&term_rows, &term_columns);
    bool full = g_redraw || term_rows != term_rows_ || term_columns != term_columns_ ||
                shown_.size() != screen.cells().size() || screen.columns() != shown_columns_;
    if (full) {
      g_redraw = 0;
      term_rows_ = term_rows;
      term_columns_ = term_columns;
      shown_columns_ = screen.columns();
      shown_.assign(screen.cells().size(), Cell{0, 0xFF});  // a cell never shown
      out += "\x1b[0m\x1b[2J";
      last_attr_ = -1;
      title_shown_ = false;
    }
    out += "\x1b[?25l";
    DrawChangedCells(screen, out);
    if (!title_shown_ || screen.title != title_) {
      title_shown_ = true;
      title_ = screen.title;
      out += "\x1b]0;" + TitleText(title_) + "\x07";
    }
    for (int bells = screen.TakeBells(); bells > 0; --bells)
      out += "\x07";
    int rows_shown = std::min(screen.rows(), term_rows_);
    int columns_shown = std::min(screen.columns(), term_columns_);
    if (screen.cursor_visible && screen.cursor_row >= 0 && screen.cursor_row < rows_shown &&
        screen.cursor_column >= 0 && screen.cursor_column < columns_shown)
      out += MoveTo(screen.cursor_row, screen.cursor_column) + "\x1b[?25h";
    WriteAll(out);
  }

  // Input is read only while the program has the terminal: a read from the
  // background would stop it.
  void Poll(Screen& screen) override {
    if (!g_taken)
      return;
    ReadAvailable(screen, 0);
    DecodePending(screen, false);
    if (!pending_.empty()) {
      // Part of a sequence: give the rest a moment to arrive.
      ReadAvailable(screen, kEscapeWaitMs);
      DecodePending(screen, false);
      DecodePending(screen, true);
    }
  }

  void Wait(Screen& screen) override {
    bool taken = g_taken;
    pollfd fds[3] = {{taken ? STDIN_FILENO : -1, POLLIN, 0}, {g_wake[0], POLLIN, 0},
                     {CloseSignalDescriptor(), POLLIN, 0}};
    // With a signal descriptor the wait has no time limit; without one it
    // looks at the signal flag every so often. In the background it looks
    // every so often whether the program has the terminal again.
    nfds_t count = fds[2].fd >= 0 ? 3 : 2;
    int timeout = !taken ? kBackgroundWaitMs : count == 3 ? -1 : 200;
    int ready = poll(fds, count, timeout);
    if (ready < 0 && errno != EINTR)
      screen.close_requested = true;
    DrainWake();
    if (g_redraw || !g_taken)
      Update(screen);
    Poll(screen);
  }

 private:
  void Start() {
    if (started_)
      return;
    started_ = true;
    g_original = original_;
    g_raw = original_;
    g_raw.c_iflag &= static_cast<tcflag_t>(~(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK));
    // Ctrl+C, Ctrl+\ and Ctrl+Z come as characters (see ReadAvailable).
    g_raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO | ECHONL | IEXTEN | ISIG));
    g_raw.c_cflag |= CS8;
    g_raw.c_cc[VMIN] = 1;
    g_raw.c_cc[VTIME] = 0;
    if (pipe(g_wake) == 0) {
      for (int fd : g_wake) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
      }
    } else {
      g_wake[0] = g_wake[1] = -1;
    }
    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    action.sa_handler = OnResize;
    sigaction(SIGWINCH, &action, &previous_resize_);
    action.sa_handler = OnContinue;
    sigaction(SIGCONT, &action, &previous_continue_);
    sigaction(SIGTSTP, nullptr, &previous_stop_);
    InstallStopHandler();
    InstallEndingHandlers();
    InstallTerminalCloseSignals();
    TakeTerminal();
  }

  static void DrainWake() {
    char buffer[64];
    while (g_wake[0] >= 0 && read(g_wake[0], buffer, sizeof buffer) > 0) {
    }
  }

  static void TerminalSize(int* rows, int* columns) {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
      *rows = size.ws_row;
      *columns = size.ws_col;
    } else {
      *rows = Screen::kDefaultRows;
      *columns = Screen::kDefaultColumns;
    }
  }

  // Rewrites, row by row, the span from the first to the last cell that
  // differs from what the terminal shows.
  void DrawChangedCells(const Screen& screen, std::string& out) {
    int rows_shown = std::min(screen.rows(), term_rows_);
    int columns_shown = std::min(screen.columns(), term_columns_);
    for (int r = 0; r < rows_shown; ++r) {
      int first = -1, last = -1;
      for (int c = 0; c < columns_shown; ++c) {
        size_t i = static_cast<size_t>(r * screen.columns() + c);
        if (!(screen.cells()[i] == shown_[i])) {
          if (first < 0) first = c;
          last = c;
        }
      }
      if (first < 0)
        continue;
      out += MoveTo(r, first);
      for (int c = first; c <= last; ++c) {
        size_t i = static_cast<size_t>(r * screen.columns() + c);
        Cell cell = screen.cells()[i];
        if (cell.attr != last_attr_) {
          out += Sgr(cell.attr);
          last_attr_ = cell.attr;
        }
        AppendUtf8(out, CellCodePoint(cell.ch));
        shown_[i] = cell;
      }
    }
  }

  void ReadAvailable(Screen& screen, int wait_ms) {
    pollfd fd{STDIN_FILENO, POLLIN, 0};
    while (poll(&fd, 1, wait_ms) > 0) {
      if (fd.revents & (POLLERR | POLLNVAL)) {
        screen.close_requested = true;
        return;
      }
      char buffer[256];
      ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
      if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
      if (n <= 0) {  // the terminal is gone
        screen.close_requested = true;
        return;
      }
      for (ssize_t i = 0; i < n; ++i) {
        if (IsSignalCharacter(VINTR, buffer[i]) || IsSignalCharacter(VQUIT, buffer[i])) {
          screen.close_requested = true;
        } else if (IsSignalCharacter(VSUSP, buffer[i])) {
          Suspend();  // what was typed after it went with the terminal
          return;
        } else {
          pending_ += buffer[i];
        }
      }
      wait_ms = 0;
    }
  }

  // The characters with which the terminal, as it was, sent the interrupt,
  // quit and suspend signals. In raw mode they come as input instead: the
  // first two are close requests, the third stops the program.
  bool IsSignalCharacter(int which, char c) const {
    cc_t key = original_.c_cc[which];
    return (original_.c_lflag & ISIG) && key != _POSIX_VDISABLE && static_cast<cc_t>(c) == key;
  }

  // Ctrl+Z: the terminal goes back as it was while the program still has it,
  // and only then does the job stop, as the terminal would have stopped it.
  // Had the terminal sent the signal, the shell that runs the program might
  // stop at once, and the shell above it take the terminal before the
  // program had given it back.
  static void Suspend() {
    {
      HoldTerminalSignals hold;
      GiveTerminalBack();
    }
    kill(0, SIGTSTP);
  }

  void DecodePending(Screen& screen, bool final) {
    size_t used = 0;
    Key key;
    while (used < pending_.size()) {
      size_t n = DecodeKey(std::string_view(pending_).substr(used), !final, &key);
      if (n == 0)
        break;
      used += n;
      if (key.code != KeyCode::Other)
        screen.PushKey(key);
    }
    pending_.erase(0, used);
  }

  termios original_;
  struct sigaction previous_resize_ {}, previous_stop_ {}, previous_continue_ {};
  bool started_ = false;
  std::vector<Cell> shown_;
  int shown_columns_ = 0;
  int term_rows_ = 0, term_columns_ = 0;
  int last_attr_ = -1;
  std::string title_;
  bool title_shown_ = false;
  std::string pending_;
};

}  // namespace

std::unique_ptr<Display> MakeTtyDisplay() {
  termios original{};
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO) || tcgetattr(STDIN_FILENO, &original) != 0)
    return nullptr;
  return std::make_unique<TtyDisplay>(original);
}
