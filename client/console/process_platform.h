// process_platform.h: what the process services need of the operating system.
#pragma once

#include <string>
#include <vector>

// One argument in code page 852, and whether the page held every character
// of it (converted back, it gives what the system handed over).
struct ProcessArgument {
  std::string text;
  bool exact = true;
};

// The arguments of the process, less the program's own name, start-up
// options included: on POSIX argv as the system split it (UTF-8); on Windows
// GetCommandLineW split by SplitCommandWords (argc and argv unused).
std::vector<ProcessArgument> ProcessArguments(int argc, char** argv);

// The full path of the running executable, in code page 852.
std::string ExecutablePath();
// Runs the command line (code page 852) and waits for it; the exit status,
// -1 when nothing could be started. On POSIX the line goes to /bin/sh -c as
// UTF-8, in a process group of its own. On Windows no command interpreter
// reads it: its first item, the quoted path of a program, is started with
// CreateProcessW, and the whole line reaches that program as it stands, for
// its C runtime to split; in a process group of its own, sharing the console
// and the standard handles.
int RunCommandInterpreter(const std::string& command_line);
// Writes text of code page 852 to standard error, as every writer of it
// does: converted to UTF-8 on POSIX, the bytes as they stand on Windows (the
// code page of the console).
void WriteStandardError(const std::string& text);
