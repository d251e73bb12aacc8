// client_main_probe: the program's start-up and MAIN with every function entry
// point replaced by one that prints which entry the dispatch reached and the
// settings the run ended up with, one "NAME=kind:value" line each.
#include <cstdio>
#include <string>

#include "client/console/process.h"
#include "client/dispatch.h"
#include "client/main.h"
#include "foundations/codepage.h"
#include "foundations/record.h"
#include "foundations/text.h"

namespace {

const char* const kShown[] = {
    "CURLDIR", "FUNKCIO", "OPERATION", "CHARCODE", "ORIGINAL", "TESZTURL", "XSDVERZIO",
    "TIMEOUT", "CTIMEOUT", "CNAVURL", "CKOMMUNIKACIO", "CNAVURL2_3", "SOFTWAREMAINVERSION",
    "SOFTWAREDEVNAME", "SOFTWAREDEVCONTACT", "TSOFTWARE", "LOGIN", "PASSWORD", "TAXNUMBER",
    "PROGINEV", "NL", "PARFAJL", "CPARFAJL", "I", "A", "K",
};

std::string Shown(const Value& v) {
  if (v.is_number())
    return "N:" + TRIMBOTH(NUMTEXT(v.number(), 20));
  if (v.kind() == ValueKind::List) {
    std::string out = "A:";
    for (const Value& item : v.list())
      out += item.text() + ",";
    return out;
  }
  return VALUEKIND(v) + ":" + CP852TOUTF8(v);
}

template <FunctionEntry entry>
void Report() {
  std::printf("ENTRY=%s\n", EntryName(entry));
  for (const char* name : kShown)
    if (const Value* v = Settings().Find(name))
      std::printf("%s=%s\n", name, Shown(*v).c_str());
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  SetEntryPoint(FunctionEntry::None, Report<FunctionEntry::None>);
  SetEntryPoint(FunctionEntry::TokenExchange, Report<FunctionEntry::TokenExchange>);
  SetEntryPoint(FunctionEntry::TransactionStatus, Report<FunctionEntry::TransactionStatus>);
  SetEntryPoint(FunctionEntry::Taxpayer, Report<FunctionEntry::Taxpayer>);
  SetEntryPoint(FunctionEntry::InvoiceDataOrCheck, Report<FunctionEntry::InvoiceDataOrCheck>);
  SetEntryPoint(FunctionEntry::InvoiceDigest, Report<FunctionEntry::InvoiceDigest>);
  SetEntryPoint(FunctionEntry::InvoiceChainDigest, Report<FunctionEntry::InvoiceChainDigest>);
  return RunProgram(argc, argv, MAIN);
}
