// line_grammar.h: the grammar of a parameter line, read into a small tree.
//
// A line is one expression: a value (a text in "...", '...' or [...], a
// number, a logical .T./.Y./.F./.N., a date 0dYYYYMMDD, a name, a call, a
// parenthesised expression), optionally compared with "=" or "==" to a
// second value, or a name, ":=" and such an expression. Blanks and tabs
// between the parts are ignored; any other byte outside a text makes the line
// invalid; a zero byte ends the line.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundations/value.h"

struct LineNode {
  enum class Kind { Literal, Name, Assign, Equal, ExactEqual, Call };
  Kind kind = Kind::Literal;
  Value literal;                                   // Literal
  std::string name;                                // Name, Assign target, Call
  std::vector<std::unique_ptr<LineNode>> parts;    // Assign: value; Equal: both sides; Call: arguments
};

struct ParsedLine {
  enum class Status { Valid, Invalid, Unclosed };
  // Unclosed: the line is valid once its last text, which has no closing
  // delimiter, is taken to run to the end.
  Status status = Status::Invalid;
  std::unique_ptr<LineNode> root;
};

// Parentheses and calls nest at most this deep; a deeper line is invalid.
constexpr int kMaxLineNesting = 64;

ParsedLine ParseLine(std::string_view line);

// A name: ASCII letters, digits and "_", not beginning with a digit.
bool IsNameStart(char c);
bool IsNameByte(char c);
bool IsName(std::string_view text);
