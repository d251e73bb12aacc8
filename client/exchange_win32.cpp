// exchange_win32.cpp: file-name joining and command-line quoting for cmd.exe.
#include "client/exchange_platform.h"

const char kDirSeparator[] = "\\";
const char kCurlProgram[] = "curl.exe";

// Inside double quotes cmd.exe passes every byte on, "&" and "|" included; a
// double quote written twice keeps the quoting unbroken (no file name holds
// one).
std::string CommandLineWord(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"')
      out += '"';
  }
  out += "\"";
  return out;
}

std::string CommandLinePath(const std::string& path) { return CommandLineWord(path); }
