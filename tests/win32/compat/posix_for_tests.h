// posix_for_tests.h: the few POSIX calls that the shared tests make for their
// fixtures (environment, a temporary directory, a process number), on Windows.
// Only the Windows test programs include it.
#pragma once

#include <direct.h>
#include <io.h>
#include <process.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

inline int setenv(const char* name, const char* value, int overwrite) {
  if (!overwrite && getenv(name) != nullptr)
    return 0;
  return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) { return _putenv_s(name, "") == 0 ? 0 : -1; }

inline char* mkdtemp(char* pattern) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    size_t length = strlen(pattern);
    char* tail = pattern + length - 6;
    unsigned n = static_cast<unsigned>(rand()) * 7919u + static_cast<unsigned>(_getpid());
    for (int i = 0; i < 6; ++i, n /= 26) tail[i] = static_cast<char>('a' + n % 26);
    if (_mkdir(pattern) == 0)
      return pattern;
  }
  return nullptr;
}
