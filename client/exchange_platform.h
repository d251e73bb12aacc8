// exchange_platform.h: what the functions need of the system to name their
// files and to quote the items of the HTTP client's command line, one
// implementation per platform (exchange_posix.cpp, exchange_win32.cpp). On
// POSIX /bin/sh reads the line; on Windows the client is started directly
// and its C runtime splits the line (RunCommandInterpreter).
#pragma once

#include <string>

// The separator that joins a directory and a file name: "/" on POSIX, "\" on
// Windows.
extern const char kDirSeparator[];
// The HTTP client's file name in CURLDIR: "curl" on POSIX, "curl.exe" on
// Windows.
extern const char kCurlProgram[];

// A path as one item of the command line: on POSIX every "\" turned into "/"
// (as the file operations name the file), then quoted as CommandLineWord
// quotes; on Windows quoted as CommandLineWord quotes, nothing else changed.
std::string CommandLinePath(const std::string& path);
// Any other item that carries a setting's text, as one item of the command
// line that reaches the client unchanged: on POSIX enclosed in single quotes,
// a "'" inside written as '\''; on Windows in double quotes by the rule of the
// C runtime and CommandLineToArgvW: a '"' inside as \", and backslashes
// doubled only where a quote follows them (the closing quote included).
std::string CommandLineWord(const std::string& text);
