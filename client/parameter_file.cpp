// parameter_file.cpp: the parameter file step.
#include "client/parameter_file.h"

#include <string>

#include "client/console/process.h"
#include "client/evaluator.h"
#include "client/message.h"
#include "client/secret_mask.h"
#include "client/substitution.h"
#include "foundations/codepage.h"
#include "foundations/files.h"
#include "foundations/text.h"
#include "foundations/wrap.h"

namespace {

const int64_t kLineWidth = 150;

// One line of the file: typed after substitution, run when it is a text or a
// number assignment or value, refused otherwise.
void EvaluateLine(const std::string& line) {
  std::string kind = EVALTYPE(SUBSTNAMES(line));
  if (kind == "C" || kind == "N") {
    EVALEXPR(line);
    return;
  }
  EndWithMessage(Text852(";;A megadott paraméter fájl hibás!;;") + MaskSecrets(line));
}

}  // namespace

void ReadParameterFile(const Value& path) {
  // The path is the first argument: one that code page 852 could not hold
  // names no file that can be read ("?" in it would match as a wildcard).
  if (!ArgumentHeldExactly(0) || !HASFILE(path))
    EndWithMessage(Text852(";;A megadott paraméter fájl nem található!"));
  const std::string content = READWHOLE(path);
  ERASEFILE(path);
  LineReader lines(content, kLineWidth);
  while (!lines.AtEnd()) {
    std::string line = ACPTOOEM(Value(lines.Next()));
    if (ISBLANK(Value(line)))
      continue;
    int64_t comment = POSOF("&&", line);
    if (comment > 0)
      line = TRIMBOTH(LEFTPART(line, comment - 1));
    EvaluateLine(line);
  }
}
