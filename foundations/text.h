// text.h: the text helpers and the comparison rule of the program. Texts are
// byte strings in code page 852; positions count bytes from 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundations/value.h"

enum class Order { Less, Equal, Greater };

// The collation weight (0..255) of a byte of code page 852.
int CollationWeight(uint8_t byte);

// The prefix comparison: left equals every right text it begins with.
Order PREFIXCMP(const std::string& left, const std::string& right);
// The operators of the program over PREFIXCMP.
bool TextEq(const std::string& left, const std::string& right);   // =
bool TextNe(const std::string& left, const std::string& right);   // !=
bool TextGe(const std::string& left, const std::string& right);   // >=
bool TextLt(const std::string& left, const std::string& right);   // <
// "=" with a value that may be nothing: true only when both are nothing, or
// both texts and PREFIXCMP is equal.
bool ValueEq(const Value& left, const Value& right);

bool OCCURSIN(const std::string& part, const std::string& whole);
std::string UPCASE(const std::string& text);
std::string TRIMBOTH(const std::string& text);
std::string TRIMLEFT(const std::string& text);
std::string TRIMRIGHT(const std::string& text);
bool ISBLANK(const Value& value);
int64_t POSOF(const std::string& part, const std::string& whole);
int64_t LASTPOSOF(const std::string& part, const std::string& whole);
std::string LEFTPART(const std::string& text, int64_t n);
std::string RIGHTPART(const Value& text, int64_t n);   // "" for a value that is not a text
std::string MIDPART(const std::string& text, int64_t start, std::optional<int64_t> count = {});
int64_t LENGTHOF(const Value& value);
int FIRSTBYTE(const std::string& text);
std::string REPEATTEXT(const std::string& text, int64_t n);
// Raises BASE/1126 (facility REPLACEALL) when text or search is not a text.
std::string REPLACEALL(const Value& text, const Value& search, const Value& replacement = Value(""));
std::string CENTERTEXT(const std::string& text, int64_t width);
std::string VALUEKIND(const Value& value);
std::string NUMTEXT(double number, std::optional<double> width = {});
std::string ZEROPAD(double number, double width);
