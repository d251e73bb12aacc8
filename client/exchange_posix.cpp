// exchange_posix.cpp: file-name joining and command-line quoting for /bin/sh.
#include "client/exchange_platform.h"

const char kDirSeparator[] = "/";
const char kCurlProgram[] = "curl";

std::string CommandLinePath(const std::string& path) {
  std::string out = "'";
  for (char c : path) {
    if (c == '\'')
      out += "'\\''";
    else if (c == '\\')
      out += '/';
    else
      out += c;
  }
  out += "'";
  return out;
}
