// line_grammar.cpp: a recursive-descent reader of the parameter-line grammar.
#include "client/line_grammar.h"

#include <charconv>
#include <cmath>

namespace {

using NodePtr = std::unique_ptr<LineNode>;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLeapYear(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// The Julian Day Number of a Gregorian date.
int64_t DayNumber(int y, int m, int d) {
  int64_t a = (14 - m) / 12;
  int64_t yy = y + 4800 - a;
  int64_t mm = m + 12 * a - 3;
  return d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
}

bool IsValidDate(int y, int m, int d) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1)
    return false;
  int last = kDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0);
  return d <= last;
}

// Thrown inside the reader when the line does not read; caught by ParseLine.
struct NotALine {};

class Reader {
 public:
  explicit Reader(std::string_view line) : s_(line) {}

  ParsedLine Read() {
    ParsedLine result;
    try {
      NodePtr root = Expression();
      SkipBlanks();
      if (pos_ != s_.size())
        throw NotALine{};
      result.root = std::move(root);
      result.status = unclosed_ ? ParsedLine::Status::Unclosed : ParsedLine::Status::Valid;
    } catch (const NotALine&) {
      result.status = ParsedLine::Status::Invalid;
    }
    return result;
  }

 private:
  void SkipBlanks() {
    while (pos_ < s_.size() && (s_[pos_] == ' ' || s_[pos_] == '\t'))
      ++pos_;
  }
  bool At(char c) const { return pos_ < s_.size() && s_[pos_] == c; }
  bool AtTwo(char a, char b) const {
    return pos_ + 1 < s_.size() && s_[pos_] == a && s_[pos_ + 1] == b;
  }

  // name ":=" comparison, or a comparison.
  NodePtr Expression() {
    SkipBlanks();
    size_t start = pos_;
    if (pos_ < s_.size() && IsNameStart(s_[pos_])) {
      std::string name = Name();
      SkipBlanks();
      if (AtTwo(':', '=')) {
        pos_ += 2;
        auto node = std::make_unique<LineNode>();
        node->kind = LineNode::Kind::Assign;
        node->name = std::move(name);
        node->parts.push_back(Comparison());
        return node;
      }
    }
    pos_ = start;
    return Comparison();
  }

  NodePtr Comparison() {
    NodePtr left = Operand();
    SkipBlanks();
    if (!At('='))
      return left;
    auto node = std::make_unique<LineNode>();
    node->kind = LineNode::Kind::Equal;
    ++pos_;
    if (At('=')) {
      node->kind = LineNode::Kind::ExactEqual;
      ++pos_;
    }
    node->parts.push_back(std::move(left));
    node->parts.push_back(Operand());
    return node;
  }

  NodePtr Operand() {
    SkipBlanks();
    if (pos_ >= s_.size() || unclosed_)
      throw NotALine{};
    char c = s_[pos_];
    if (c == '"' || c == '\'')
      return Text(c);
    if (c == '[')
      return Text(']');
    if (c == '(')
      return Parenthesised();
    if (c == '+' || c == '-')
      return SignedNumber();
    if (c == '0' && pos_ + 1 < s_.size() && Upper(s_[pos_ + 1]) == 'D')
      return DateLiteral();
    if (IsDigit(c) || (c == '.' && pos_ + 1 < s_.size() && IsDigit(s_[pos_ + 1])))
      return Literal(Value(Number()));
    if (c == '.')
      return LogicalLiteral();
    if (IsNameStart(c))
      return NameOrCall();
    throw NotALine{};
  }

  NodePtr Literal(Value v) {
    auto node = std::make_unique<LineNode>();
    node->literal = std::move(v);
    return node;
  }

  // The text runs to the first closing delimiter; without one, to the end.
  NodePtr Text(char closing) {
    size_t begin = pos_ + 1;
    size_t end = s_.find(closing, begin);
    if (end == std::string_view::npos) {
      unclosed_ = true;
      pos_ = s_.size();
      return Literal(Value(std::string(s_.substr(begin))));
    }
    pos_ = end + 1;
    return Literal(Value(std::string(s_.substr(begin, end - begin))));
  }

  NodePtr Parenthesised() {
    Nest();
    ++pos_;
    NodePtr inner = Comparison();
    SkipBlanks();
    if (!At(')'))
      throw NotALine{};
    ++pos_;
    --depth_;
    return inner;
  }

  NodePtr SignedNumber() {
    bool negative = s_[pos_] == '-';
    ++pos_;
    SkipBlanks();
    if (!(pos_ < s_.size() &&
          (IsDigit(s_[pos_]) || (s_[pos_] == '.' && pos_ + 1 < s_.size() && IsDigit(s_[pos_ + 1])))))
      throw NotALine{};
    double n = Number();
    return Literal(Value(negative ? -n : n));
  }

  // digits ["." digits] or "." digits; a number ending in "." does not read.
  double Number() {
    size_t begin = pos_;
    while (pos_ < s_.size() && IsDigit(s_[pos_]))
      ++pos_;
    if (At('.')) {
      ++pos_;
      if (!(pos_ < s_.size() && IsDigit(s_[pos_])))
        throw NotALine{};
      while (pos_ < s_.size() && IsDigit(s_[pos_]))
        ++pos_;
    }
    double value = 0;
    auto [end, error] = std::from_chars(s_.data() + begin, s_.data() + pos_, value);
    if (error != std::errc() || end != s_.data() + pos_ || !std::isfinite(value))
      throw NotALine{};
    return value;
  }

  NodePtr DateLiteral() {
    pos_ += 2;
    if (pos_ + 8 > s_.size())
      throw NotALine{};
    int digits[8];
    for (int i = 0; i < 8; ++i) {
      char c = s_[pos_ + static_cast<size_t>(i)];
      if (!IsDigit(c))
        throw NotALine{};
      digits[i] = c - '0';
    }
    pos_ += 8;
    int y = digits[0] * 1000 + digits[1] * 100 + digits[2] * 10 + digits[3];
    int m = digits[4] * 10 + digits[5];
    int d = digits[6] * 10 + digits[7];
    if (!IsValidDate(y, m, d))
      throw NotALine{};
    return Literal(Value::Date(DayNumber(y, m, d)));
  }

  NodePtr LogicalLiteral() {
    if (pos_ + 2 >= s_.size() || s_[pos_ + 2] != '.')
      throw NotALine{};
    char letter = Upper(s_[pos_ + 1]);
    pos_ += 3;
    if (letter == 'T' || letter == 'Y')
      return Literal(Value::Logical(true));
    if (letter == 'F' || letter == 'N')
      return Literal(Value::Logical(false));
    throw NotALine{};
  }

  NodePtr NameOrCall() {
    std::string name = Name();
    size_t after = pos_;
    SkipBlanks();
    if (!At('(')) {
      pos_ = after;
      auto node = std::make_unique<LineNode>();
      node->kind = LineNode::Kind::Name;
      node->name = std::move(name);
      return node;
    }
    Nest();
    ++pos_;
    auto node = std::make_unique<LineNode>();
    node->kind = LineNode::Kind::Call;
    node->name = std::move(name);
    for (;;) {
      SkipBlanks();
      if (!At(',') && !At(')'))
        node->parts.push_back(Comparison());
      SkipBlanks();
      if (At(')'))
        break;
      if (!At(','))
        throw NotALine{};
      ++pos_;
    }
    ++pos_;
    --depth_;
    return node;
  }

  std::string Name() {
    size_t begin = pos_;
    while (pos_ < s_.size() && IsNameByte(s_[pos_]))
      ++pos_;
    return std::string(s_.substr(begin, pos_ - begin));
  }

  void Nest() {
    if (++depth_ > kMaxLineNesting)
      throw NotALine{};
  }

  std::string_view s_;
  size_t pos_ = 0;
  int depth_ = 0;
  bool unclosed_ = false;
};

}  // namespace

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsNameByte(char c) { return IsNameStart(c) || IsDigit(c); }

bool IsName(std::string_view text) {
  if (text.empty() || !IsNameStart(text[0]))
    return false;
  for (char c : text)
    if (!IsNameByte(c))
      return false;
  return true;
}

ParsedLine ParseLine(std::string_view line) {
  size_t zero = line.find('\0');
  if (zero != std::string_view::npos)
    line = line.substr(0, zero);
  return Reader(line).Read();
}
