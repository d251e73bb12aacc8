// exchange_posix.cpp: file-name joining and command-line quoting for /bin/sh.
#include "client/exchange_platform.h"

const char kDirSeparator[] = "/";
const char kCurlProgram[] = "curl";

std::string CommandLineWord(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'')
      out += "'\\''";
    else
      out += c;
  }
  out += "'";
  return out;
}

std::string CommandLinePath(const std::string& path) {
  std::string name = path;
  for (char& c : name) {
    if (c == '\\')
      c = '/';
  }
  return CommandLineWord(name);
}
