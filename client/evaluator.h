// evaluator.h: the parameter-line evaluation over the settings record.
//
// EVALTYPE gives the kind letter of a line or of a name: "C" text, "N"
// number, "L" logical, "D" date, "A" list, "U" a name without value or a
// call of a name that is no function, "UE" a line that does not read or
// whose evaluation failed, "UI" a call of a known function (nothing of such a
// line runs) or a text without its closing delimiter. Assignments made while
// typing take effect.
//
// The line language has no functions of its own: a call is never run. The
// program's procedures and facilities are the known functions (they give
// "UI"); any other name called gives "U".
#pragma once

#include <string>

#include "foundations/record.h"
#include "foundations/value.h"

std::string EVALTYPE(const std::string& text, Record& record);
std::string EVALTYPE(const std::string& text);

// SUBSTNAMES, then runs the line. A line that no longer reads, or that calls
// a function, raises the syntax error (BASE/1449); a name without value
// raises the missing-name error; a comparison of values of different kinds
// raises the argument error of "=" or "==".
void EVALEXPR(const std::string& text, Record& record);
void EVALEXPR(const std::string& text);

// Assigns the value to the name, without substitution; a text that is not a
// name raises the syntax error.
void SETBYNAME(const std::string& name, const Value& value, Record& record);
void SETBYNAME(const std::string& name, const Value& value);

// Whether a call of this name (any case) names one of the program's own
// procedures or facilities.
bool IsKnownFunction(const std::string& name);
