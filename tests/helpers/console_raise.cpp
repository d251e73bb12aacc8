// console_raise: raises run-time errors inside simulated procedure levels, so
// that tests can watch the run-time error report of a real process. The first
// argument names the case; the second, where one is needed, a path.
#include <cstdio>
#include <new>
#include <stdexcept>
#include <string>

#include "client/console/console.h"
#include "client/console/process.h"
#include "foundations/levels.h"
#include "foundations/record.h"
#include "foundations/text.h"

namespace {

void XmlEleje() {
  ProcLevel level("XMLELEJE");
  level.at(31);
  Settings().Get("INVOICEXML");
}

void FInvoice() {
  ProcLevel level("FINVOICE");
  level.at(212);
  REPLACEALL(Value(12.0), Value("x"));
}

void Main(const Value& first) {
  ProcLevel level("MAIN");
  std::string mode = first.text();
  std::string path = Arguments().size() > 1 ? Arguments()[1] : "";
  level.at(17);
  if (mode == "missing") {
    Settings().Get("CURLDIR");
  } else if (mode == "nested") {
    XmlEleje();
  } else if (mode == "facility") {
    level.at(88);
    FInvoice();
  } else if (mode == "plus") {
    Plus(Value("a"), Value(1));
  } else if (mode == "capture") {
    CAPTUREON(path);
  } else if (mode == "throw") {
    throw std::runtime_error("boom");
  } else if (mode == "nomemory") {
    throw std::bad_alloc();
  } else if (mode == "endrun") {
    ENDRUN();
  }
  std::fputs("returned\n", stdout);
}

}  // namespace

int main(int argc, char** argv) { return RunProgram(argc, argv, Main); }
