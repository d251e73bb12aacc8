// exchange_win32.cpp: file-name joining and the quoting of the HTTP client's
// command line, which no command interpreter reads: curl.exe's C runtime
// splits it.
#include "client/exchange_platform.h"

const char kDirSeparator[] = "\\";
const char kCurlProgram[] = "curl.exe";

// The rule by which the C runtime (and CommandLineToArgvW) splits a line:
// inside double quotes only '"' and the backslashes right before one are
// read. A '"' of the text becomes \", and a run of backslashes is doubled
// where a quote follows it, the closing one included, so that it stays
// backslashes. Blanks, "%", "^", "&" and "|" need nothing.
std::string CommandLineWord(const std::string& text) {
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(2 * backslashes, '\\');
  return out + "\"";
}

// A file name holds no '"'; CreateProcessW takes the program's path, the
// line's first item, up to the closing quote.
std::string CommandLinePath(const std::string& path) { return CommandLineWord(path); }
