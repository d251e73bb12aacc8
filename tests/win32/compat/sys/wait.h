// sys/wait.h for the Windows test programs: pclose gives the exit code itself.
#pragma once

#define WIFEXITED(status) ((status) != -1)
#define WEXITSTATUS(status) (status)
