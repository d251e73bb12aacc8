// arguments_probe.cpp: what the process services make of this process's
// command line: each argument (start-up options included) as a line of hex
// bytes of code page 852 on standard output, " lost" after it when the code
// page could not hold every character of it, then "ő" (852) through
// WriteStandardError on standard error. The exit code is the number of
// arguments, so that a run through the command interpreter shows it too.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "client/console/process_platform.h"

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  std::vector<ProcessArgument> arguments = ProcessArguments(argc, argv);
  for (const ProcessArgument& argument : arguments) {
    std::printf("[");
    for (unsigned char c : argument.text) std::printf("%02x", c);
    std::printf(argument.exact ? "]\n" : "] lost\n");
  }
  std::fflush(stdout);
  WriteStandardError("\x8B");
  return static_cast<int>(arguments.size());
}
