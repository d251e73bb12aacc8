// close_signals_posix.cpp: SIGHUP, SIGTERM and SIGINT (and for a terminal
// SIGQUIT) as close requests. The handler only sets a flag and writes a byte
// to a pipe that input waits watch.
#include "client/console/close_signals.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

// The first three always; the last one only for a terminal.
constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGINT, SIGQUIT};
constexpr int kAlways = 3, kCount = 4;
struct sigaction g_previous[kCount];
bool g_handled[kCount] = {};
volatile sig_atomic_t g_arrived = 0;
int g_pipe[2] = {-1, -1};
bool g_installed = false;

void OnCloseSignal(int) {
  int saved_errno = errno;
  g_arrived = 1;
  if (g_pipe[1] >= 0) {
    char byte = 1;
    ssize_t ignored = write(g_pipe[1], &byte, 1);
    (void)ignored;
  }
  errno = saved_errno;
}

void Handle(int i) {
  if (g_handled[i])
    return;
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked wait returns
  sigaction(kSignals[i], &action, &g_previous[i]);
  g_handled[i] = true;
}

void Drain() {
  char buffer[64];
  while (g_pipe[0] >= 0 && read(g_pipe[0], buffer, sizeof buffer) > 0) {
  }
}

}  // namespace

void InstallCloseSignals() {
  if (g_installed)
    return;
  if (pipe(g_pipe) == 0) {
    for (int fd : g_pipe) {
      fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
      fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
  } else {
    g_pipe[0] = g_pipe[1] = -1;
  }
  for (int i = 0; i < kAlways; ++i)
    Handle(i);
  g_arrived = 0;
  g_installed = true;
}

void InstallTerminalCloseSignals() {
  if (!g_installed)
    return;
  for (int i = kAlways; i < kCount; ++i)
    Handle(i);
}

void RestoreCloseSignals() {
  if (!g_installed)
    return;
  for (int i = 0; i < kCount; ++i) {
    if (g_handled[i])
      sigaction(kSignals[i], &g_previous[i], nullptr);
    g_handled[i] = false;
  }
  for (int& fd : g_pipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
  g_installed = false;
}

bool TakeCloseSignal() {
  if (!g_arrived)
    return false;
  g_arrived = 0;
  Drain();
  return true;
}

int CloseSignalDescriptor() { return g_pipe[0]; }
