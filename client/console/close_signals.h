// close_signals.h: the system's requests to end the program (on POSIX the
// signals SIGHUP, SIGTERM and SIGINT, and SIGQUIT for a terminal), turned
// into the console's close request.
#pragma once

// Installs the handlers; the previous ones come back with RestoreCloseSignals.
void InstallCloseSignals();
// Adds the terminal's quit key (SIGQUIT, Ctrl+\) to the requests, for a
// display on the terminal; undone by RestoreCloseSignals as well.
void InstallTerminalCloseSignals();
void RestoreCloseSignals();
// True once for every request that arrived since the last call.
bool TakeCloseSignal();
// A descriptor that becomes readable when a request arrives (-1 when the
// handlers are not installed), so that a wait for input wakes up.
int CloseSignalDescriptor();
