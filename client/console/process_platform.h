// process_platform.h: what the process services need of the operating system.
#pragma once

#include <string>

// The full path of the running executable, in code page 852.
std::string ExecutablePath();
// Runs the command line (code page 852) through the command interpreter and
// waits for it; its exit status, -1 when it cannot be started.
int RunCommandInterpreter(const std::string& command_line);
// Writes text of code page 852 to standard error, as the system expects it.
void WriteStandardError(const std::string& text);
