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

// Creates the request file as F1 and sets XMLSZINT to 0. When the file cannot
// be created: PROGINEV + ";;" + path + " nem hozható létre!" and the end of
// the run.
void CreateRequestFile(const std::string& path);
