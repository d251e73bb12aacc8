#include "foundations/raise.h"

namespace {

ErrorAnswer ThrowRaised(const RunTimeError& error) {
  throw RaisedError(error);
}

ErrorHandler g_handler = ThrowRaised;

// The Hungarian descriptions, held in code page 852.
const char kWrongKind[] = "Param\x82ter hiba";                    // Paraméter hiba
const char kSyntax[] = "Szintaktikus hiba";
const char kNoSuchName[] = "Nem l\x82tez\x8B v\xA0ltoz\xA2";      // Nem létező változó
const char kCannotCreate[] = "L\x82trehoz\xA0si hiba";            // Létrehozási hiba

RunTimeError Base(int code, const char* description, std::string operation) {
  RunTimeError e;
  e.subsystem = "BASE";
  e.code = code;
  e.description = description;
  e.operation = std::move(operation);
  return e;
}

}  // namespace

ErrorAnswer RaiseError(const RunTimeError& error) {
  ErrorAnswer answer = g_handler(error);
  if (answer == ErrorAnswer::Retry && !error.can_retry)
    throw EndRunSignal{1};
  if (answer == ErrorAnswer::Default && !error.can_default)
    throw EndRunSignal{1};
  return answer;
}

ErrorHandler SetErrorHandler(ErrorHandler handler) {
  ErrorHandler previous = g_handler;
  g_handler = handler ? handler : ThrowRaised;
  return previous;
}

RunTimeError ErrorMissingName(const std::string& upper_name) {
  RunTimeError e = Base(1003, kNoSuchName, upper_name);
  e.can_retry = true;
  return e;
}

RunTimeError ErrorPlus() { return Base(1081, kWrongKind, "+"); }

RunTimeError ErrorReplaceAll() {
  RunTimeError e = Base(1126, kWrongKind, "REPLACEALL");
  e.facility = "REPLACEALL";
  return e;
}

RunTimeError ErrorSyntax() { return Base(1449, kSyntax, "&"); }

RunTimeError ErrorCreate(const std::string& file_name, int os_error) {
  RunTimeError e;
  e.subsystem = "TERM";
  e.code = 2015;
  e.description = kCannotCreate;
  e.file_name = file_name;
  e.os_error = os_error;
  e.facility = "CAPTUREON";
  e.can_retry = true;
  e.can_default = true;
  return e;
}
