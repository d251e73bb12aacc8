// settings_step.h: the settings step of MAIN, after the parameter file: the
// HTTP client's directory and program, the function code and the operation
// of a submission are checked, the optional settings get their defaults, and
// the run-wide values CNAVURL, CKOMMUNIKACIO, CTIMEOUT and CNAVURL2_3 (and,
// from schema version "2.0", TSOFTWARE) are set. From "2.0" on each missing
// software field is reported and set to the empty text.
#pragma once

class ProcLevel;

extern const char kProductionHost[];
extern const char kTestHost[];

// Marks on the level the line of each step that reads a setting.
void ApplySettings(ProcLevel& level);
