// files.h: the file operations of the program. Names are texts in code page
// 852; contents are bytes, never converted. No operation raises an error or
// shows a message: every failure is a result.
#pragma once

#include <cstdint>
#include <string>

#include "foundations/value.h"

using FileHandle = int64_t;   // above 0 for an open file, -1 for none
const FileHandle kNoFile = -1;

std::string READWHOLE(const Value& name);   // one trailing 0x1A dropped
bool WRITEWHOLE(const Value& name, const std::string& text);
FileHandle NEWFILE(const Value& name);      // created anew, not shared
int64_t PUTBYTES(FileHandle handle, const std::string& text);
bool CLOSEFILE(FileHandle handle);
int ERASEFILE(const Value& name);           // 0 deleted, -1 otherwise
bool HASFILE(const Value& name);            // "*" and "?" match
std::string DIRPART(const Value& path);
std::string NAMEPART(const Value& path);

// The error number of the last failed NEWFILE, as Windows numbers it on every
// system (0 after a success); the run-time error report of a failed creation
// shows it.
int LastFileError();
