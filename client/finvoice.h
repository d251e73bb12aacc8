// finvoice.h: FINVOICE, the file-name part of an invoice number: every blank
// turned into "_" and the characters "/", "\", ">", "<", ":", "|", "?" and
// "*" removed; nothing else changes. A number raises (as REPLACEALL does).
#pragma once

#include <string>

#include "foundations/value.h"

std::string FINVOICE(const Value& number);
