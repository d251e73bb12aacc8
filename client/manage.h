// manage.h: the two requests that follow a successful token exchange: the
// invoice submission (function "1") and the technical annulment ("7"). Each
// writes its request beside the token files (CXMLNEV), posts it and leaves
// the answer in its response file.
#pragma once

#include <string>

#include "foundations/value.h"

void MANAGEINV(const Value& invoice_file, const std::string& token);
void ANNULINV(const std::string& token);
