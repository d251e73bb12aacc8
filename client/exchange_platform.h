// exchange_platform.h: what the functions need of the system to name their
// files and to hand paths to the command interpreter, one implementation per
// platform (exchange_posix.cpp, exchange_win32.cpp).
#pragma once

#include <string>

// The separator that joins a directory and a file name: "/" on POSIX, "\" on
// Windows.
extern const char kDirSeparator[];
// The HTTP client's file name in CURLDIR: "curl" on POSIX, "curl.exe" on
// Windows.
extern const char kCurlProgram[];

// A path as one word of the command line: on POSIX every "\" turned into "/"
// (as the file operations name the file) and the whole enclosed in single
// quotes, a "'" inside written as '\''; on Windows unchanged, in double quotes.
std::string CommandLinePath(const std::string& path);
// Any other item that carries a setting's text, as one word of the command
// line that the command interpreter passes on unchanged: on POSIX enclosed in
// single quotes, a "'" inside written as '\''; on Windows in double quotes, a
// '"' inside written twice.
std::string CommandLineWord(const std::string& text);
