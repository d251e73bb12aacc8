// system_error_posix.cpp: errno to Windows error numbers.
#include "foundations/system_error_posix.h"

#include <sys/stat.h>

#include <cerrno>

namespace {

const int kFileNotFound = 2;
const int kPathNotFound = 3;
const int kTooManyOpenFiles = 4;
const int kAccessDenied = 5;
const int kFileExists = 80;
const int kInvalidParameter = 87;
const int kDiskFull = 112;
const int kFilenameTooLong = 206;
const int kGeneralFailure = 31;

bool DirectoryOfPathExists(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos)
    return true;
  std::string directory = slash == 0 ? "/" : path.substr(0, slash);
  struct stat st;
  return stat(directory.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int WindowsErrorNumber(int error, const std::string& path) {
  switch (error) {
    case ENOENT:
      return DirectoryOfPathExists(path) ? kFileNotFound : kPathNotFound;
    case ENOTDIR:
      return kPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBUSY:
    case ETXTBSY:
      return kAccessDenied;
    case EMFILE:
    case ENFILE:
      return kTooManyOpenFiles;
    case EEXIST:
      return kFileExists;
    case ENOSPC:
    case EDQUOT:
      return kDiskFull;
    case ENAMETOOLONG:
      return kFilenameTooLong;
    case EINVAL:
      return kInvalidParameter;
    default:
      return kGeneralFailure;
  }
}
