// main.h: MAIN, the program's entry procedure and the spine of every run:
// the console set-up, the change log on "/?", the title, the message heading
// PROGINEV, the argument check, NL, then the parameter file, the settings and
// the dispatch of the one function that FUNKCIO names.
#pragma once

#include <string>

#include "foundations/value.h"

extern const char kProgramVersion[];

// The message heading: the executable's file name (after its last "/" or
// "\") upper-cased, two blanks and the version.
std::string MessageHeading(const std::string& program_path);

void MAIN(const Value& parfajl);
