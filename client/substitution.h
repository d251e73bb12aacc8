// substitution.h: SUBSTNAMES, the "&name" substitution of a parameter line.
//
// Every "&" followed by the name of a text value of the record is replaced by
// that text (a "." right after the name is swallowed too), and the search goes
// on at the start of the inserted text. A value that refers to itself, or
// values that grow by referring to each other, would make that endless; so a
// text takes at most kMaxSubstitutions replacements inserting at most
// kMaxSubstitutedBytes in all. Once the next replacement would pass either
// bound, the rest of the text is left as it stands.
#pragma once

#include <cstddef>
#include <string>

#include "foundations/record.h"

constexpr int kMaxSubstitutions = 64;
constexpr size_t kMaxSubstitutedBytes = 4096;

std::string SUBSTNAMES(const std::string& text, const Record& record);
std::string SUBSTNAMES(const std::string& text);
