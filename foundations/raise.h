// raise.h: the one raise point of run-time errors, and the end of a run.
//
// An operation that fails in a way the flow does not test for builds a
// RunTimeError and calls RaiseError. Whatever handler is installed decides what
// happens: the program installs the run-time error report (message box,
// standard error, exit code 1); without one, RaiseError throws RaisedError so
// that a test can look at what was raised.
#pragma once

#include <stdexcept>
#include <string>

struct RunTimeError {
  std::string subsystem;    // "BASE" or "TERM"
  int code = 0;
  std::string description;  // Hungarian, in code page 852
  std::string operation;    // a name, an operator or a facility; may be empty
  std::string file_name;    // the file whose creation failed; may be empty
  int os_error = 0;         // the system's error code of a failed file operation
  bool can_retry = false;
  bool can_default = false;
  // The facility in which the error arose (shown as the innermost level with
  // line 0); empty when it arose in a procedure of the program itself.
  std::string facility;
};

enum class ErrorAnswer { Retry, Default };

// Returns only when the handler answers Retry or Default (and the error allows
// it); otherwise the run ends inside the handler.
ErrorAnswer RaiseError(const RunTimeError& error);

using ErrorHandler = ErrorAnswer (*)(const RunTimeError& error);
// Installs the handler and returns the previous one; nullptr restores the
// default, which throws RaisedError.
ErrorHandler SetErrorHandler(ErrorHandler handler);

// What the default handler throws.
struct RaisedError : std::runtime_error {
  explicit RaisedError(RunTimeError e)
      : std::runtime_error(e.subsystem + "/" + std::to_string(e.code)), error(std::move(e)) {}
  RunTimeError error;
};

// Thrown to end the run from anywhere: every procedure unwinds (files are
// closed, the display is restored) and the entry point exits with the code.
struct EndRunSignal {
  int exit_code;
};

// The errors the program can meet.
RunTimeError ErrorMissingName(const std::string& upper_name);   // BASE/1003
RunTimeError ErrorPlus();                                       // BASE/1081
RunTimeError ErrorReplaceAll();                                 // BASE/1126
RunTimeError ErrorSyntax();                                     // BASE/1449
RunTimeError ErrorCreate(const std::string& file_name, int os_error);  // TERM/2015 in CAPTUREON
