// test_io.h: small file and shell helpers shared by the console tests.
#pragma once

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace test_io {

// The whole file's bytes; "" when it cannot be read.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text as one word for /bin/sh.
inline std::string ShellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// What the command writes to standard output.
inline std::string Output(const std::string& command) {
  std::string text;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
    pclose(pipe);
  }
  return text;
}

}  // namespace test_io
