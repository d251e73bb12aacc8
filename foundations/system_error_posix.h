// system_error_posix.h: the system error numbers that the program shows, on
// POSIX. Callers read "(DOS Error n)" with Windows' numbers, so errno is
// mapped to the number that Windows gives for the same failure.
#pragma once

#include <string>

// The Windows error number of an errno value met while working on the path:
// a missing entry is 3 (path not found) rather than 2 when a directory of the
// path is missing too.
int WindowsErrorNumber(int error, const std::string& path);
