#include "foundations/record.h"

#include "foundations/raise.h"

namespace {
const size_t kSignificant = 63;
}

std::string Record::NormalName(std::string_view name) {
  std::string out(name.substr(0, kSignificant));
  for (char& c : out)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return out;
}

const Value* Record::Find(std::string_view name) const {
  auto it = values_.find(NormalName(name));
  return it == values_.end() ? nullptr : &it->second;
}

Value Record::Get(std::string_view name) const {
  for (;;) {
    if (const Value* v = Find(name))
      return *v;
    RaiseError(ErrorMissingName(NormalName(name)));
  }
}

std::string Record::GetText(std::string_view name) const {
  return Get(name).text();
}

void Record::Set(std::string_view name, Value value) {
  values_[NormalName(name)] = std::move(value);
}

Record& Settings() {
  static Record record;
  return record;
}
