// function_steps.h: the steps that every function of a run shares: the kind
// tests on settings, the stop with a message, and the creation of a request
// file that stops the run when it fails.
#pragma once

#include <string>

// Whether the setting holds a text / a number (an absent one holds neither).
bool HoldsText(const char* name);
bool HoldsNumber(const char* name);

// Shows PROGINEV followed by the text in a message box and ends the run.
[[noreturn]] void StopWithMessage(const std::string& text_after_heading);

// PROGINEV + ";;" + path + " nem hozható létre!" and the end of the run.
[[noreturn]] void StopCannotCreate(const std::string& path);

// Creates the request file as F1 and sets XMLSZINT to 0. When the file cannot
// be created: PROGINEV + ";;" + path + " nem hozható létre!" and the end of
// the run.
void CreateRequestFile(const std::string& path);
// Closes the request file F1. When any write into it or its close failed, the
// incomplete file is removed and the run ends as when it cannot be created:
// curl never posts a request that is not whole.
void CloseRequestFile(const std::string& path);
