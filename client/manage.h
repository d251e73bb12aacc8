// manage.h: the two requests that follow a successful token exchange: the
// invoice submission (function "1") and the technical annulment ("7"). Each
// writes its request beside the token files (CXMLNEV), posts it and leaves
// the answer in its response file.
#pragma once

#include <string>

#include "foundations/value.h"

// What follows CXMLNEV in the names of their response files.
extern const char kInvoiceResponseEnd[];   // "_invoiceresponse.xml"
extern const char kAnnulResponseEnd[];     // "_annulresponse.xml"

// Whether the invoice file can be read and holds at least one byte once one
// trailing 0x1A is dropped: a submission of anything less sends nothing.
bool HoldsInvoice(const Value& invoice_file);
// The message that the invoice file cannot be read or is empty, and the end
// of the run.
[[noreturn]] void StopWithoutInvoice(const Value& invoice_file);

void MANAGEINV(const Value& invoice_file, const std::string& token);
void ANNULINV(const std::string& token);
