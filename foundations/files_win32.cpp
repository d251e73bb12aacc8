// files_win32.cpp: the file operations on Windows. Names stay in code page
// 852 up to the system call, where each byte becomes its UTF-16 character and
// nothing else changes. Reading shares reading and writing; creating shares
// nothing, so the system itself refuses a second creator. Error numbers are
// GetLastError's.
#include "foundations/files_platform.h"

#include <windows.h>

#include <cstdint>

#include "foundations/codepage_utf16.h"

namespace {

std::wstring Wide(const std::string& name852) {
  std::u16string wide = Cp852ToUtf16(name852);
  return std::wstring(wide.begin(), wide.end());
}

HANDLE AsHandle(int64_t handle) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(handle)); }

int64_t FromHandle(HANDLE handle, int* error) {
  if (handle == INVALID_HANDLE_VALUE) {
    *error = static_cast<int>(GetLastError());
    return -1;
  }
  return static_cast<int64_t>(reinterpret_cast<intptr_t>(handle));
}

// One ReadFile or WriteFile moves at most this many bytes.
DWORD Chunk(int64_t n) { return static_cast<DWORD>(n < (int64_t{1} << 30) ? n : (int64_t{1} << 30)); }

bool Counts(const WIN32_FIND_DATAW& entry) {
  const DWORD hidden = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (entry.dwFileAttributes & hidden) == 0;
}

}  // namespace

// The name stays in code page 852: each call widens it to UTF-16.
std::string PlatformFileName(const std::string& name852) { return name852; }

int64_t PlatformOpenRead(const std::string& name, int* error) {
  HANDLE h = CreateFileW(Wide(name).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  return FromHandle(h, error);
}

int64_t PlatformCreate(const std::string& name, int* error) {
  HANDLE h = CreateFileW(Wide(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                         CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return FromHandle(h, error);
}

int64_t PlatformSize(int64_t handle) {
  DWORD high = 0;
  DWORD low = GetFileSize(AsHandle(handle), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
    return -1;
  return static_cast<int64_t>((uint64_t{high} << 32) | low);
}

int64_t PlatformRead(int64_t handle, void* buffer, int64_t n) {
  DWORD got = 0;
  if (!ReadFile(AsHandle(handle), buffer, Chunk(n), &got, nullptr))
    return -1;
  return got;
}

int64_t PlatformWrite(int64_t handle, const void* buffer, int64_t n) {
  const char* bytes = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    DWORD put = 0;
    if (!WriteFile(AsHandle(handle), bytes + done, Chunk(n - done), &put, nullptr) || put == 0)
      return done > 0 ? done : -1;
    done += put;
  }
  return done;
}

bool PlatformSeek(int64_t handle, int64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = offset;
  return SetFilePointerEx(AsHandle(handle), to, nullptr, FILE_BEGIN) != 0;
}

bool PlatformClose(int64_t handle) { return CloseHandle(AsHandle(handle)) != 0; }

bool PlatformDelete(const std::string& name) { return DeleteFileW(Wide(name).c_str()) != 0; }

// A target held open makes MoveFileExW fail and leave both files. A
// read-only one goes no more than DeleteFileW lets it go: asked first, since
// not every system refuses to replace it.
bool PlatformReplace(const std::string& from, const std::string& to) {
  const std::wstring target = Wide(to);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
    return false;
  return MoveFileExW(Wide(from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool PlatformFindVisibleFile(const std::string& name) {
  WIN32_FIND_DATAW entry;
  HANDLE search = FindFirstFileW(Wide(name).c_str(), &entry);
  if (search == INVALID_HANDLE_VALUE)
    return false;
  bool found = Counts(entry);
  while (!found && FindNextFileW(search, &entry))
    found = Counts(entry);
  FindClose(search);
  return found;
}
