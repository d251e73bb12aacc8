// close_signals_win32.cpp: the console's Ctrl+C, Ctrl+Break, close, log-off
// and shut-down events as close requests, taken at the next service point.
// There is no descriptor to wait on: the window's own message loop wakes a
// wait.
#include "client/console/close_signals.h"

#include <windows.h>

namespace {

volatile LONG g_arrived = 0;
bool g_installed = false;

// Runs on a thread of its own. Ctrl+C and Ctrl+Break leave the process
// running; after a close, log-off or shut-down event the system ends the
// process once the handler returns, so the handler holds on, giving the run
// its time to end at the next service point with exit code 0.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      InterlockedExchange(&g_arrived, 1);
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      InterlockedExchange(&g_arrived, 1);
      Sleep(INFINITE);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

void InstallCloseSignals() {
  if (g_installed)
    return;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  InterlockedExchange(&g_arrived, 0);
  g_installed = true;
}

void RestoreCloseSignals() {
  if (!g_installed)
    return;
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  g_installed = false;
}

bool TakeCloseSignal() { return InterlockedExchange(&g_arrived, 0) != 0; }

int CloseSignalDescriptor() { return -1; }
