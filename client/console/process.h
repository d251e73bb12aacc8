// process.h: the process services: the argument list, the executable's path,
// the command interpreter, the end of the run and its exit code.
#pragma once

#include <string>
#include <vector>

#include "foundations/value.h"

// The program's entry procedure: called once with the first argument (nothing
// when there is none).
using MainProcedure = void (*)(const Value& first_argument);

// The start-up: builds the argument list from the process's arguments in
// code page 852 (argv on POSIX, GetCommandLineW on Windows; less the
// program's name and every argument beginning with "//"), chooses the
// display from the "//x11", "//tty", "//headless" options, installs the
// run-time error report, calls main_procedure and returns the exit code.
int RunProgram(int argc, char** argv, MainProcedure main_procedure);

// The Windows rule of splitting a command line (no escapes; quotes toggle):
// every word, the program's name first. The Windows build takes its
// arguments so, from the UTF-16 line, before they are converted.
std::vector<std::string> SplitCommandWords(const std::string& command_line);
std::vector<std::u16string> SplitCommandWords(const std::u16string& command_line);
// The same with the program's name and the start-up options dropped.
std::vector<std::string> SplitCommandLine(const std::string& command_line);

int ARGCOUNT();
std::vector<std::string> Arguments();
// Whether code page 852 held every character of the argument (0 the first):
// false when one that the page lacks stood in it and became "?" or another
// byte, so that the text names some other file or none. True beyond the list.
bool ArgumentHeldExactly(size_t index);
std::string PROGRAMPATH();
// Brings the display up to date, runs the command line (code page 852) and
// waits: on POSIX through /bin/sh -c, on Windows the line's own program
// started directly (see RunCommandInterpreter). The exit status, -1 when
// nothing could be started.
int RUNCOMMAND(const std::string& command_line);
// Ends the run with the current exit code; does not return.
[[noreturn]] void ENDRUN();
int ExitCode();
// Only the run-time error report changes it (to 1).
void SetExitCode(int code);
