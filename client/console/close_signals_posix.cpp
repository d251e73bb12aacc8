// close_signals_posix.cpp: SIGHUP, SIGTERM and SIGINT as close requests. The
// handler only sets a flag and writes a byte to a pipe that input waits watch.
#include "client/console/close_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGHUP, SIGTERM, SIGINT};
struct sigaction g_previous[3];
volatile sig_atomic_t g_arrived = 0;
int g_pipe[2] = {-1, -1};
bool g_installed = false;

void OnCloseSignal(int) {
  g_arrived = 1;
  if (g_pipe[1] >= 0) {
    char byte = 1;
    ssize_t ignored = write(g_pipe[1], &byte, 1);
    (void)ignored;
  }
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
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked wait returns
  for (int i = 0; i < 3; ++i)
    sigaction(kSignals[i], &action, &g_previous[i]);
  g_arrived = 0;
  g_installed = true;
}

void RestoreCloseSignals() {
  if (!g_installed)
    return;
  for (int i = 0; i < 3; ++i)
    sigaction(kSignals[i], &g_previous[i], nullptr);
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
