// writer.h: the request writer. Every request file is written through XMLBE,
// one line of XML per call, into the file that the caller has opened as F1.
// Lines are indented with one tab per nesting level; the depth XMLSZINT is
// kept here for the whole run and reset to 0 by the caller for each request.
// The line end is the run-wide value NL of the settings record.
#pragma once

#include <cstdint>
#include <string>

#include "foundations/files.h"
#include "foundations/value.h"

// The request file being written; the caller creates and closes it.
extern FileHandle F1;
// The nesting depth: the number of tabs that open the next opening line.
extern int64_t XMLSZINT;

// Writes one line into F1.
//   mode "K":  the opening tag alone; the depth rises by 1 after the line.
//   mode "Z":  the closing tag alone; the depth falls by 1 before the line.
//   no mode:   a whole leaf element, opening tag, value and closing tag.
// The name and the attribute are written unchanged. A text value is escaped,
// converted to UTF-8 and cut of trailing blanks; a number is written whole.
// No attribute writes none; a given one (even "") is written after one blank.
void XMLBE(const std::string& name, const Value& value = Value(), const Value& mode = Value(),
           const Value& attribute = Value());
// XMLBE of a whole leaf element whose value stands in for one of the same
// length that is known only later: returns the offset in F1 at which the
// value begins, for PutBytesAt; -1 when F1 is not open.
int64_t XMLBEValueAt(const std::string& name, const Value& value, const Value& attribute);
