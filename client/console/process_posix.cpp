// process_posix.cpp: argv, the executable's path, /bin/sh -c, standard error.
#include "client/console/process_platform.h"

#include <errno.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "foundations/codepage.h"

extern char** environ;

std::vector<std::string> ProcessArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i)
    arguments.push_back(UTF8TOCP852(argv[i]));
  return arguments;
}

std::string ExecutablePath() {
  std::vector<char> buffer(4096);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return "";
    if (static_cast<size_t>(n) < buffer.size())
      return UTF8TOCP852(std::string(buffer.data(), static_cast<size_t>(n)));
    buffer.resize(buffer.size() * 2);
  }
}

int RunCommandInterpreter(const std::string& command_line) {
  std::string command = CP852TOUTF8(Value(command_line));
  char sh[] = "sh";
  char dash_c[] = "-c";
  char* argv[] = {sh, dash_c, command.data(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0)
    return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return -1;
  }
  if (WIFEXITED(status))
    return WEXITSTATUS(status);
  if (WIFSIGNALED(status))
    return 128 + WTERMSIG(status);
  return -1;
}

void WriteStandardError(const std::string& text) {
  std::string utf8 = CP852TOUTF8(Value(text));
  const char* p = utf8.data();
  size_t left = utf8.size();
  while (left > 0) {
    ssize_t n = write(STDERR_FILENO, p, left);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return;
    p += n;
    left -= static_cast<size_t>(n);
  }
}
