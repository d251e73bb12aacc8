// line_fuzzer: libFuzzer target for the parameter-line evaluation. The input
// is cut at its line feeds into lines that are run as the parameter file runs
// them (typed after substitution, then run when accepted) over one record, so
// that earlier lines leave values, self-references and long texts behind for
// the later ones. Checked besides the sanitizers: every kind letter is one of
// the evaluator's, the substitution stays within its bounds, and a line that
// calls a function changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "client/evaluator.h"
#include "client/substitution.h"
#include "foundations/raise.h"
#include "foundations/record.h"

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

const std::set<std::string> kLetters = {"C", "N", "L", "D", "A", "U", "UE", "UI"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  Record record;
  size_t start = 0;
  while (start <= input.size()) {
    size_t end = input.find('\n', start);
    if (end == std::string::npos)
      end = input.size();
    std::string line = input.substr(start, end - start);
    start = end + 1;

    std::string substituted = SUBSTNAMES(line, record);
    Check(substituted.size() <= line.size() + kMaxSubstitutedBytes);
    std::string letter = EVALTYPE(substituted, record);
    Check(kLetters.count(letter) == 1);
    if (letter != "C" && letter != "N")
      continue;
    try {
      EVALEXPR(line, record);
    } catch (const RaisedError& e) {
      Check(e.error.code == 1449 || e.error.code == 1003 || e.error.code == 1070 ||
            e.error.code == 1071);
    }
  }
  return 0;
}
