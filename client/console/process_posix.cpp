// process_posix.cpp: argv, the executable's path, /bin/sh -c, standard error.
#include "client/console/process_platform.h"

#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "foundations/codepage.h"

extern char** environ;

std::vector<ProcessArgument> ProcessArguments(int argc, char** argv) {
  std::vector<ProcessArgument> arguments;
  for (int i = 1; i < argc; ++i) {
    std::string text = UTF8TOCP852(argv[i]);
    bool exact = CP852TOUTF8(Value(text)) == argv[i];
    arguments.push_back({std::move(text), exact});
  }
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

// The command runs in a process group of its own, so that a key typed at the
// terminal (Ctrl+C, Ctrl+\, Ctrl+Z) reaches this program only: the client
// always finishes and leaves its answer, and a close request takes effect
// after it. As a background group it must not be stopped for touching the
// terminal, so it starts with SIGTTIN and SIGTTOU ignored (a read then fails
// instead of waiting for ever).
int RunCommandInterpreter(const std::string& command_line) {
  std::string command = CP852TOUTF8(Value(command_line));
  char sh[] = "sh";
  char dash_c[] = "-c";
  char* argv[] = {sh, dash_c, command.data(), nullptr};
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0)
    return -1;
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
  // Ignored dispositions are what a spawned program inherits.
  struct sigaction ignore {}, previous_ttin {}, previous_ttou {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGTTIN, &ignore, &previous_ttin);
  sigaction(SIGTTOU, &ignore, &previous_ttou);
  pid_t pid;
  int spawned = posix_spawn(&pid, "/bin/sh", nullptr, &attributes, argv, environ);
  sigaction(SIGTTIN, &previous_ttin, nullptr);
  sigaction(SIGTTOU, &previous_ttou, nullptr);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0)
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
