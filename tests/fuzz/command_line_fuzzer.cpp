// command_line_fuzzer: the Windows build's command-line splitter
// (SplitCommandLine) on any bytes, and on lines joined from arguments.
//
// Input, read twice: as a command line as it stands; and as a list of
// arguments separated by 0x00, the first byte choosing for each argument how
// it is quoted and which blanks separate it.
//
// Checked: any line splits; no argument holds a double quote or begins with
// "//", and none holds a blank, tab, CR or LF unless the line has a quote.
// Arguments joined by the quoting rule below (the program's name first) split
// back into themselves, less those that begin with "//". A double quote never
// stands for itself on a Windows command line of this program, so the
// arguments that are joined hold none.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "client/console/process.h"
#include "fuzz_input.h"

namespace {

bool IsSeparator(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The quoting rule: an argument that is empty or holds a separator is put in
// quotes (style 0); or always (1); or from its middle to its end (2), since
// the quotes only switch the separators off.
std::string Quoted(const std::string& argument, unsigned style) {
  bool needs = argument.empty();
  for (char c : argument) needs = needs || IsSeparator(c);
  switch (style % 3) {
    case 0: return needs ? "\"" + argument + "\"" : argument;
    case 1: return "\"" + argument + "\"";
    default: {
      size_t half = argument.size() / 2;
      for (size_t i = 0; i < half; ++i)
        if (IsSeparator(argument[i])) return "\"" + argument + "\"";
      return argument.substr(0, half) + "\"" + argument.substr(half) + "\"";
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput whole(data, size);
  const std::string line = whole.Rest();
  bool has_quote = line.find('"') != std::string::npos;
  for (const std::string& argument : SplitCommandLine(line)) {
    Check(argument.find('"') == std::string::npos);
    Check(argument.compare(0, 2, "//") != 0);
    if (!has_quote)
      for (char c : argument) Check(!IsSeparator(c));
  }

  FuzzInput input(data, size);
  unsigned choices = input.Byte();
  std::string joined = choices & 1 ? "\"C:\\Program Files\\kvitalink.exe\"" : "kvitalink.exe";
  std::vector<std::string> expected;
  static const char* const kSeparators[] = {" ", "\t", "  ", "\r\n", " \t "};
  for (unsigned k = 0; !input.AtEnd(); ++k) {
    std::string argument;
    for (char c : input.Until(0))
      if (c != '"') argument += c;
    unsigned style = (choices >> (k % 8)) & 3;
    joined += kSeparators[(choices + k) % 5] + Quoted(argument, style);
    if (argument.compare(0, 2, "//") != 0)
      expected.push_back(argument);
  }
  Check(SplitCommandLine(joined) == expected);
  return 0;
}
