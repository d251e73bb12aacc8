// report.h: the run-time error report: the message box that offers Quit,
// Retry and Default as the error allows, and on Quit the text on standard
// error and exit code 1.
#pragma once

#include <string>
#include <vector>

#include "foundations/levels.h"
#include "foundations/raise.h"

// "Error BASE/1003  Nem létező változó: CURLDIR" (code page 852).
std::string ErrorMessage(const RunTimeError& error);
// The levels where the error arose, innermost first: the facility (line 0)
// when there is one, then the active procedures.
std::vector<LevelLine> ErrorLevels(const RunTimeError& error);
// What Quit writes to standard error: CR LF, the message, then CR LF and
// "Called from NAME(LINE)  " per level; no line end after the last.
std::string ReportText(const RunTimeError& error, const std::vector<LevelLine>& levels);

// The handler that RunProgram installs.
ErrorAnswer ShowErrorReport(const RunTimeError& error);
