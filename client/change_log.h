// change_log.h: the version history that an argument beginning with "/?"
// shows: written through the console's capture into a file in the current
// directory, read back into the read-only viewer, and deleted; then the run
// ends.
#pragma once

#include <string>
#include <vector>

// The history's lines, in code page 852, heading first.
const std::vector<std::string>& ChangeLogLines();
// The capture file's name, in code page 852.
std::string ChangeLogFileName();

[[noreturn]] void ShowChangeLog();
