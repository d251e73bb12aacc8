// text.cpp: the text helpers, the prefix comparison with the collation of
// code page 852, and the number formatting.
#include "foundations/text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "foundations/raise.h"
#include "foundations/rounding.h"

namespace {

// The Hungarian alphabet in code page 852, capitals and small letters in
// collation order; the two rows pair up letter by letter.
constexpr unsigned char kCapitals[] = {
    'A', 0xB5, 0x8E, 'B', 'C', 'D', 'E', 0x90, 'F', 'G', 'H', 'I', 0xD6, 'J', 'K', 'L', 'M', 'N',
    'O', 0xE0, 0x99, 0x8A, 'P', 'Q', 'R', 'S', 'T', 'U', 0xE9, 0x9A, 0xEB, 'V', 'W', 'X', 'Y', 'Z'};
constexpr unsigned char kSmalls[] = {
    'a', 0xA0, 0x84, 'b', 'c', 'd', 'e', 0x82, 'f', 'g', 'h', 'i', 0xA1, 'j', 'k', 'l', 'm', 'n',
    'o', 0xA2, 0x94, 0x8B, 'p', 'q', 'r', 's', 't', 'u', 0xA3, 0x81, 0xFB, 'v', 'w', 'x', 'y', 'z'};
static_assert(sizeof kCapitals == 36 && sizeof kSmalls == 36);

using ByteTable = std::array<uint8_t, 256>;

// Weights are handed out in order: 0x00-0x40, the capitals, 0x5B-0x60, the
// small letters, then every byte not yet weighed in byte order.
constexpr ByteTable BuildWeights() {
  ByteTable weight{};
  std::array<bool, 256> done{};
  int next = 0;
  auto give = [&](int byte) {
    weight[byte] = static_cast<uint8_t>(next++);
    done[byte] = true;
  };
  for (int b = 0x00; b <= 0x40; ++b) give(b);
  for (unsigned char b : kCapitals) give(b);
  for (int b = 0x5B; b <= 0x60; ++b) give(b);
  for (unsigned char b : kSmalls) give(b);
  for (int b = 0x7B; b <= 0xFF; ++b)
    if (!done[b]) give(b);
  return weight;
}

constexpr ByteTable BuildUpper() {
  ByteTable upper{};
  for (int b = 0; b < 256; ++b) upper[b] = static_cast<uint8_t>(b);
  for (size_t i = 0; i < sizeof kSmalls; ++i) upper[kSmalls[i]] = kCapitals[i];
  return upper;
}

constexpr ByteTable kWeights = BuildWeights();
constexpr ByteTable kUpper = BuildUpper();

bool InBlankSet(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

// A count of the program's numbers as a byte count: whole part, within range.
int64_t WholeWidth(double width) {
  if (!(width > 0))  // also NaN
    return 0;
  return width >= 2147483647.0 ? 2147483647 : static_cast<int64_t>(width);
}

// The decimal digits of a whole number of at most 16 significant digits;
// further digits are written as "0".
std::string WholeDigits(double magnitude) {
  char buffer[400];
  if (magnitude < 1e16) {
    std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
    return buffer;
  }
  std::snprintf(buffer, sizeof buffer, "%.15e", magnitude);  // d.ddd...e+XX
  std::string text(buffer);
  size_t e = text.find('e');
  int exponent = std::atoi(text.c_str() + e + 1);
  std::string digits = text.substr(0, 1) + text.substr(2, e - 2);
  digits.resize(static_cast<size_t>(exponent) + 1, '0');
  return digits;
}

}  // namespace

int CollationWeight(uint8_t byte) { return kWeights[byte]; }

Order PREFIXCMP(const std::string& left, const std::string& right) {
  if (right.empty())
    return Order::Equal;
  if (left.empty())
    return Order::Less;
  size_t n = std::min(left.size(), right.size());
  for (size_t i = 0; i < n; ++i) {
    int l = kWeights[static_cast<unsigned char>(left[i])];
    int r = kWeights[static_cast<unsigned char>(right[i])];
    if (l != r)
      return l < r ? Order::Less : Order::Greater;
  }
  return left.size() < right.size() ? Order::Less : Order::Equal;
}

bool TextEq(const std::string& left, const std::string& right) {
  return PREFIXCMP(left, right) == Order::Equal;
}
bool TextNe(const std::string& left, const std::string& right) { return !TextEq(left, right); }
bool TextGe(const std::string& left, const std::string& right) {
  return PREFIXCMP(left, right) != Order::Less;
}
bool TextLt(const std::string& left, const std::string& right) {
  return PREFIXCMP(left, right) == Order::Less;
}

bool ValueEq(const Value& left, const Value& right) {
  if (left.is_nothing() || right.is_nothing())
    return left.is_nothing() && right.is_nothing();
  return left.is_text() && right.is_text() && TextEq(left.text(), right.text());
}

bool OCCURSIN(const std::string& part, const std::string& whole) {
  return !part.empty() && whole.find(part) != std::string::npos;
}

std::string UPCASE(const std::string& text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(kUpper[static_cast<unsigned char>(c)]);
  return out;
}

std::string TRIMRIGHT(const std::string& text) {
  size_t end = text.find_last_not_of(' ');
  return end == std::string::npos ? "" : text.substr(0, end + 1);
}

std::string TRIMLEFT(const std::string& text) {
  size_t start = 0;
  while (start < text.size() && InBlankSet(text[start])) ++start;
  return text.substr(start);
}

std::string TRIMBOTH(const std::string& text) { return TRIMLEFT(TRIMRIGHT(text)); }

bool ISBLANK(const Value& value) {
  switch (value.kind()) {
    case ValueKind::Nothing: return true;
    case ValueKind::Number: return value.number() == 0;
    case ValueKind::Text: return TRIMLEFT(value.text()).empty();
    default: return false;
  }
}

int64_t POSOF(const std::string& part, const std::string& whole) {
  if (part.empty())
    return 0;
  size_t at = whole.find(part);
  return at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1;
}

int64_t LASTPOSOF(const std::string& part, const std::string& whole) {
  if (part.empty())
    return 0;
  size_t at = whole.rfind(part);
  return at == std::string::npos ? 0 : static_cast<int64_t>(at) + 1;
}

std::string LEFTPART(const std::string& text, int64_t n) {
  if (n <= 0)
    return "";
  return text.substr(0, static_cast<size_t>(n));
}

std::string RIGHTPART(const Value& text, int64_t n) {
  if (!text.is_text() || n <= 0)
    return "";
  const std::string& t = text.text();
  if (static_cast<uint64_t>(n) >= t.size())
    return t;
  return t.substr(t.size() - static_cast<size_t>(n));
}

std::string MIDPART(const std::string& text, int64_t start, std::optional<int64_t> count) {
  const int64_t length = static_cast<int64_t>(text.size());
  int64_t n = count.value_or(length);
  if (n <= 0)
    return "";
  int64_t offset = start >= 1 ? start - 1 : start == 0 ? 0 : std::max<int64_t>(0, length + start);
  if (offset >= length)
    return "";
  return text.substr(static_cast<size_t>(offset), static_cast<size_t>(n));
}

int64_t LENGTHOF(const Value& value) {
  if (value.kind() == ValueKind::List)
    return static_cast<int64_t>(value.list().size());
  return static_cast<int64_t>(value.text().size());
}

int FIRSTBYTE(const std::string& text) {
  return text.empty() ? 0 : static_cast<unsigned char>(text[0]);
}

std::string REPEATTEXT(const std::string& text, int64_t n) {
  if (n < 1 || text.empty())
    return "";
  std::string out;
  if (static_cast<uint64_t>(n) > out.max_size() / text.size())
    throw std::length_error("REPEATTEXT");
  out.reserve(text.size() * static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) out += text;
  return out;
}

std::string REPLACEALL(const Value& text, const Value& search, const Value& replacement) {
  if (!text.is_text() || !search.is_text()) {
    RaiseError(ErrorReplaceAll());
    return "";  // only when a handler lets the run go on
  }
  const std::string& t = text.text();
  const std::string& s = search.text();
  if (s.empty() || s.size() > t.size())
    return t;
  const std::string& r = replacement.text();  // "" when not a text
  std::string out;
  size_t at = 0;
  for (size_t found; (found = t.find(s, at)) != std::string::npos; at = found + s.size()) {
    out.append(t, at, found - at);
    out += r;
  }
  out.append(t, at, std::string::npos);
  return out;
}

std::string CENTERTEXT(const std::string& text, int64_t width) {
  if (width <= 0)
    return "";
  size_t w = static_cast<size_t>(width);
  if (text.size() >= w)
    return text.substr(0, w);
  std::string out((w - text.size()) / 2, ' ');
  out += text;
  out.resize(w, ' ');
  return out;
}

std::string VALUEKIND(const Value& value) {
  switch (value.kind()) {
    case ValueKind::Text: return "C";
    case ValueKind::Number: return "N";
    case ValueKind::Logical: return "L";
    case ValueKind::Date: return "D";
    case ValueKind::List: return "A";
    case ValueKind::Nothing: break;
  }
  return "U";
}

std::string NUMTEXT(double number, std::optional<double> width) {
  const size_t w = static_cast<size_t>(width ? WholeWidth(*width) : 10);
  if (!std::isfinite(number))
    return std::string(w, '*');
  double rounded = RoundHalfAway(number);
  std::string digits = WholeDigits(std::fabs(rounded));
  if (rounded < 0 && digits != "0")
    digits.insert(digits.begin(), '-');
  if (digits.size() > w)
    return std::string(w, '*');
  return std::string(w - digits.size(), ' ') + digits;
}

std::string ZEROPAD(double number, double width) {
  std::string text = NUMTEXT(number, width);
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos || text[first] == '*')
    return text;
  bool negative = text[first] == '-';
  if (negative)
    text[first] = ' ';
  for (size_t i = 0; i < text.size() && text[i] == ' '; ++i) text[i] = '0';
  if (negative)
    text[0] = '-';
  return text;
}
