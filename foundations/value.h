// value.h: the program's one value type. A value is nothing, a text (a byte
// string in the internal code page, 0x00 included), a number, a logical, a
// date or a list. Helpers that accept "any value" take a Value; helpers that
// only ever see texts take std::string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ValueKind { Nothing, Text, Number, Logical, Date, List };

class Value {
 public:
  Value() = default;
  Value(std::string text) : kind_(ValueKind::Text), text_(std::move(text)) {}
  Value(const char* text) : kind_(ValueKind::Text), text_(text) {}
  Value(double number) : kind_(ValueKind::Number), number_(number) {}
  Value(int number) : kind_(ValueKind::Number), number_(number) {}
  Value(int64_t number) : kind_(ValueKind::Number), number_(static_cast<double>(number)) {}
  Value(uint32_t number) : kind_(ValueKind::Number), number_(number) {}

  static Value Logical(bool b);
  // A date as its Julian Day Number.
  static Value Date(int64_t jdn);
  static Value List(std::vector<Value> items);

  ValueKind kind() const { return kind_; }
  bool is_nothing() const { return kind_ == ValueKind::Nothing; }
  bool is_text() const { return kind_ == ValueKind::Text; }
  bool is_number() const { return kind_ == ValueKind::Number; }

  // The contents; a value of another kind gives "", 0, false or an empty list.
  const std::string& text() const { return text_; }
  double number() const { return number_; }
  bool logical() const { return logical_; }
  int64_t date() const { return date_; }
  const std::vector<Value>& list() const { return list_; }

  bool operator==(const Value& other) const;

 private:
  ValueKind kind_ = ValueKind::Nothing;
  std::string text_;
  double number_ = 0;
  bool logical_ = false;
  int64_t date_ = 0;
  std::vector<Value> list_;
};

// The program's "+" on two values: texts are joined, numbers added. A text and
// a number together raise the argument error of "+" (BASE/1081).
Value Plus(const Value& left, const Value& right);
