// process_platform.h: what the process services need of the operating system.
#pragma once

#include <string>
#include <vector>

// The arguments of the process in code page 852, less the program's own name,
// start-up options included: on POSIX argv as the system split it (UTF-8);
// on Windows GetCommandLineW split by SplitCommandWords (argc and argv unused).
std::vector<std::string> ProcessArguments(int argc, char** argv);

// The full path of the running executable, in code page 852.
std::string ExecutablePath();
// Runs the command line (code page 852) through the command interpreter and
// waits for it; its exit status, -1 when it cannot be started.
int RunCommandInterpreter(const std::string& command_line);
// Writes text of code page 852 to standard error, as the system expects it.
void WriteStandardError(const std::string& text);
