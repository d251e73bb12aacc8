// files_platform.h: what the file operations need of the system, one
// implementation per platform (files_posix.cpp, files_win32.cpp). Names here
// are what PlatformFileName made of the code page 852 name.
#pragma once

#include <cstdint>
#include <string>

// The name as the system takes it: on POSIX UTF-8 with "\" turned into "/";
// on Windows the 852 name itself, widened to UTF-16 by each call.
std::string PlatformFileName(const std::string& name852);

// Open for reading, shared; -1 on failure.
int64_t PlatformOpenRead(const std::string& name, int* error);
// Create anew (empty), exclusive for the caller until closed; -1 on failure.
int64_t PlatformCreate(const std::string& name, int* error);
int64_t PlatformSize(int64_t handle);
// Moves the position of the next read or write to the offset from the start.
bool PlatformSeek(int64_t handle, int64_t offset);
// Bytes read or written; -1 on failure.
int64_t PlatformRead(int64_t handle, void* buffer, int64_t n);
int64_t PlatformWrite(int64_t handle, const void* buffer, int64_t n);
bool PlatformClose(int64_t handle);
bool PlatformDelete(const std::string& name);
// Puts the file `from` in the place of the file `to` in one step, as a
// deletion of `to` would allow it (not a directory, not read-only, not held
// by another process); false leaves both as they were.
bool PlatformReplace(const std::string& from, const std::string& to);
// True when an entry matching the name ("*" and "?") exists that is neither a
// directory nor hidden nor a system file (on POSIX no name is hidden).
bool PlatformFindVisibleFile(const std::string& name);
