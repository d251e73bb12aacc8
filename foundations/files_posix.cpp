// files_posix.cpp: the file operations on POSIX. Names become UTF-8 through
// the code page 852 table with "\" turned into "/". Created files get the mode
// 0600; "no sharing" (creating) is an exclusive, non-blocking flock held until
// the file is closed, so a second creator fails. Reading takes no lock.
#include "foundations/files_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "foundations/codepage.h"
#include "foundations/system_error_posix.h"

namespace {

// Keeps descriptors away from 0, 1 and 2, so that a handle is always above 0
// and never one of the standard streams.
int AboveStandardStreams(int fd) {
  if (fd < 0 || fd > 2)
    return fd;
  int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
  close(fd);
  return moved;
}

// Records the failure as the Windows error number, so that messages show the
// same codes on both systems.
int Fail(const std::string& name, int* error, int fd = -1) {
  *error = WindowsErrorNumber(errno, name);
  if (fd >= 0)
    close(fd);
  return -1;
}

bool IsRegular(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Advances over one character of a UTF-8 name: a byte and its continuations.
size_t NextCharacter(const std::string& s, size_t i) {
  ++i;
  while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
  return i;
}

// "*" matches any run of characters, "?" exactly one; nothing else is special.
// One step back to the last "*" on a mismatch keeps this linear per star.
bool Matches(const std::string& pattern, const std::string& name) {
  const size_t none = std::string::npos;
  size_t p = 0, n = 0, star = none, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      p = NextCharacter(pattern, p);
      n = NextCharacter(name, n);
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != none) {
      p = star + 1;
      n = star_n = NextCharacter(name, star_n);
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// A directory never counts and an entry that is not a regular file (device,
// socket, FIFO) is a system file. No name is hidden: a leading "." makes an
// ordinary file here, and curl writes such answers like any other.
bool Visible(const std::string& directory, const std::string& entry) {
  return !entry.empty() && IsRegular(directory + entry);
}

// Opens an existing regular file; anything else (a directory, a FIFO, a
// device) fails as a directory does.
int OpenRegular(const std::string& name, int flags, int* error) {
  int fd = AboveStandardStreams(open(name.c_str(), flags | O_NONBLOCK | O_CLOEXEC));
  if (fd < 0)
    return Fail(name, error);
  struct stat st;
  if (fstat(fd, &st) != 0)
    return Fail(name, error, fd);
  if (!S_ISREG(st.st_mode)) {
    errno = EISDIR;
    return Fail(name, error, fd);
  }
  return fd;
}

// Reads and writes wait again once the file is open.
void Blocking(int fd) {
  int flags = fcntl(fd, F_GETFL);
  if (flags >= 0)
    fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

}  // namespace

std::string PlatformFileName(const std::string& name852) {
  std::string name = CP852TOUTF8(name852);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

int64_t PlatformOpenRead(const std::string& name, int* error) {
  return OpenRegular(name, O_RDONLY, error);
}

int64_t PlatformCreate(const std::string& name, int* error) {
  // Not O_TRUNC: a file that another creator holds must stay as it is.
  int fd = AboveStandardStreams(open(name.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0600));
  if (fd < 0)
    return Fail(name, error);
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ftruncate(fd, 0) != 0)
    return Fail(name, error, fd);
  Blocking(fd);
  return fd;
}

int64_t PlatformSize(int64_t handle) {
  struct stat st;
  if (fstat(static_cast<int>(handle), &st) != 0)
    return -1;
  return st.st_size;
}

int64_t PlatformRead(int64_t handle, void* buffer, int64_t n) {
  ssize_t got;
  do {
    got = read(static_cast<int>(handle), buffer, static_cast<size_t>(n));
  } while (got < 0 && errno == EINTR);
  return got;
}

int64_t PlatformWrite(int64_t handle, const void* buffer, int64_t n) {
  const char* bytes = static_cast<const char*>(buffer);
  int64_t done = 0;
  while (done < n) {
    ssize_t put = write(static_cast<int>(handle), bytes + done, static_cast<size_t>(n - done));
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0)
      return done > 0 ? done : -1;
    done += put;
  }
  return done;
}

bool PlatformSeek(int64_t handle, int64_t offset) {
  return lseek(static_cast<int>(handle), static_cast<off_t>(offset), SEEK_SET) == offset;
}

bool PlatformClose(int64_t handle) { return close(static_cast<int>(handle)) == 0; }

namespace {

// Whether a file may go as Windows lets a file go: a directory never, nor a
// read-only file, nor one that a creator holds. `st` is the file's lstat.
bool MayGo(const std::string& name, const struct stat& st) {
  if (S_ISDIR(st.st_mode))
    return false;
  if (S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0)
    return false;
  int fd = open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
  if (fd >= 0) {
    bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    if (held)
      return false;
  }
  return true;
}

}  // namespace

bool PlatformDelete(const std::string& name) {
  struct stat st;
  if (lstat(name.c_str(), &st) != 0 || !MayGo(name, st))
    return false;
  return unlink(name.c_str()) == 0;
}

// The new file takes the old one's permissions, so that the caller finds the
// file as it was but for its contents.
bool PlatformReplace(const std::string& from, const std::string& to) {
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) {
    if (!MayGo(to, st) || chmod(from.c_str(), st.st_mode & 07777) != 0)
      return false;
  } else if (errno != ENOENT) {
    return false;
  }
  return rename(from.c_str(), to.c_str()) == 0;
}

bool PlatformFindVisibleFile(const std::string& name) {
  size_t slash = name.rfind('/');
  std::string directory = slash == std::string::npos ? "" : name.substr(0, slash + 1);
  std::string pattern = name.substr(directory.size());
  if (pattern.find_first_of("*?") == std::string::npos)
    return Visible(directory, pattern);
  DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
  if (!dir)
    return false;
  bool found = false;
  while (!found) {
    const dirent* entry = readdir(dir);
    if (!entry)
      break;
    std::string entry_name = entry->d_name;
    found = Matches(pattern, entry_name) && Visible(directory, entry_name);
  }
  closedir(dir);
  return found;
}
