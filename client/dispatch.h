// dispatch.h: the choice of the one function of a run from the function code
// FUNKCIO, tested in a fixed order; the first test that holds chooses.
#pragma once

#include <string>

enum class FunctionEntry {
  None,                  // no function: MAIN returns
  TokenExchange,         // occurs in "017"
  TransactionStatus,     // begins with "2"
  Taxpayer,              // begins with "3"
  InvoiceDataOrCheck,    // begins with "4" or "5"
  InvoiceDigest,         // begins with "6"
  InvoiceChainDigest,    // begins with "8"
};

FunctionEntry ChooseFunction(const std::string& funkcio);

// Runs the entry point of the chosen function (nothing for None).
void RunFunction(FunctionEntry entry);

// The entry points that RunFunction calls; a test program may put its own in
// place to see which one a run reaches. nullptr puts the real one back.
using EntryPoint = void (*)();
void SetEntryPoint(FunctionEntry entry, EntryPoint point);

const char* EntryName(FunctionEntry entry);
