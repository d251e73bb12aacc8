// dispatch.cpp: the dispatch table of MAIN.
#include "client/dispatch.h"

#include <array>

#include "client/functions.h"
#include "foundations/text.h"

namespace {

const size_t kEntries = 7;

const std::array<EntryPoint, kEntries> kRealEntries = {
    nullptr,
    TokenExchange,
    QueryTransactionStatus,
    QueryTaxpayer,
    QueryInvoiceDataOrCheck,
    QueryInvoiceDigest,
    QueryInvoiceChainDigest,
};

std::array<EntryPoint, kEntries>& Entries() {
  static std::array<EntryPoint, kEntries> entries = kRealEntries;
  return entries;
}

}  // namespace

FunctionEntry ChooseFunction(const std::string& funkcio) {
  if (OCCURSIN(funkcio, "017"))
    return FunctionEntry::TokenExchange;
  if (TextEq(funkcio, "2"))
    return FunctionEntry::TransactionStatus;
  if (TextEq(funkcio, "3"))
    return FunctionEntry::Taxpayer;
  if (TextEq(funkcio, "4") || TextEq(funkcio, "5"))
    return FunctionEntry::InvoiceDataOrCheck;
  if (TextEq(funkcio, "6"))
    return FunctionEntry::InvoiceDigest;
  if (TextEq(funkcio, "8"))
    return FunctionEntry::InvoiceChainDigest;
  return FunctionEntry::None;
}

void RunFunction(FunctionEntry entry) {
  if (EntryPoint point = Entries()[static_cast<size_t>(entry)])
    point();
}

void SetEntryPoint(FunctionEntry entry, EntryPoint point) {
  size_t i = static_cast<size_t>(entry);
  Entries()[i] = point ? point : kRealEntries[i];
}

const char* EntryName(FunctionEntry entry) {
  switch (entry) {
    case FunctionEntry::None: return "None";
    case FunctionEntry::TokenExchange: return "TokenExchange";
    case FunctionEntry::TransactionStatus: return "QueryTransactionStatus";
    case FunctionEntry::Taxpayer: return "QueryTaxpayer";
    case FunctionEntry::InvoiceDataOrCheck: return "QueryInvoiceDataOrCheck";
    case FunctionEntry::InvoiceDigest: return "QueryInvoiceDigest";
    case FunctionEntry::InvoiceChainDigest: return "QueryInvoiceChainDigest";
  }
  return "None";
}
