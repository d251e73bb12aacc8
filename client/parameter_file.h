// parameter_file.h: the parameter file step of MAIN: the file is found, read
// whole, deleted at once, and its lines (150 columns each, converted from the
// ANSI to the OEM code page, "&&" comments cut) are evaluated into the
// settings record in order. A missing file or a refused line ends the run
// with its message.
#pragma once

#include "foundations/value.h"

// The reading loop's own values (the file's text, the line number, the line
// and its comment position) are kept here, not in the record, so that no
// parameter line can alter the reading.
void ReadParameterFile(const Value& path);
