#include "foundations/value.h"

#include "foundations/raise.h"

Value Value::Logical(bool b) {
  Value v;
  v.kind_ = ValueKind::Logical;
  v.logical_ = b;
  return v;
}

Value Value::Date(int64_t jdn) {
  Value v;
  v.kind_ = ValueKind::Date;
  v.date_ = jdn;
  return v;
}

Value Value::List(std::vector<Value> items) {
  Value v;
  v.kind_ = ValueKind::List;
  v.list_ = std::move(items);
  return v;
}

bool Value::operator==(const Value& other) const {
  if (kind_ != other.kind_)
    return false;
  switch (kind_) {
    case ValueKind::Nothing: return true;
    case ValueKind::Text: return text_ == other.text_;
    case ValueKind::Number: return number_ == other.number_;
    case ValueKind::Logical: return logical_ == other.logical_;
    case ValueKind::Date: return date_ == other.date_;
    case ValueKind::List: return list_ == other.list_;
  }
  return false;
}

Value Plus(const Value& left, const Value& right) {
  if (left.is_text() && right.is_text())
    return Value(left.text() + right.text());
  if (left.is_number() && right.is_number())
    return Value(left.number() + right.number());
  RaiseError(ErrorPlus());
  return Value();  // not reached: "+" offers only Quit
}
